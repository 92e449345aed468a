// "vesk-tool prevmenu": a description written into a menu file the
// player's reader takes, shown back in the same form (show then write
// gives the same bytes), and the messages for bad descriptions and files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "components/prev_menu_file.h"
#include "support/run_program.h"
#include "vesk-tool/prevmenu_command.h"
#include "vesk-tool/script/lexer.h"

namespace vesk::tool {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using vesk::test_support::RunResult;
using vesk::test_support::Slurp;

const char kDescription[] = R"(# the title's choices
version 101
size 640 120
item
  at 40 10
  source "choice\\yes.orl"
  caption "はい"
  hover "yes_h.orl"
  hover_sound "se\\tick.wav"
  clicked "flash.orl" -8 4
item
  at 340 10
  capture_mask 1
  source "no.orl"
  unchecked "no_u.orl"
  cursor "hand.cur"
)";

class PrevMenuCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "vesk-tool-prevmenu-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { fs::remove_all(dir_); }

  RunResult Tool(const std::string& args) {
    return vesk::test_support::RunProgram(VESK_TOOL_PATH, args, dir_);
  }
  std::string P(const std::string& name) const { return "'" + (dir_ / name).string() + "'"; }
  void Put(const std::string& name, const std::string& text) {
    std::ofstream(dir_ / name, std::ios::binary) << text;
  }

  fs::path dir_;
};

TEST_F(PrevMenuCommand, WritesWhatThePlayerReadsAndShowsItBackByteForByte) {
  Put("menu.txt", kDescription);
  RunResult r = Tool("prevmenu write " + P("menu.txt") + " " + P("menu.pmn"));
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string bytes = Slurp(dir_ / "menu.pmn");
  const components::PrevMenuFile menu = components::ReadPrevMenuFile(
      std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
  ASSERT_EQ(menu.Items.size(), 2u);
  EXPECT_EQ(menu.Width, 640);
  EXPECT_EQ(menu.Items[0].Caption, "\x82\xCD\x82\xA2");  // はい in CP932
  EXPECT_EQ(menu.Items[0].Source, "choice\\yes.orl");
  EXPECT_EQ(menu.Items[0].ClickedX, -8);
  EXPECT_EQ(menu.Items[1].CaptureMask, 1);
  EXPECT_EQ(menu.Items[1].UncheckedSource, "no_u.orl");

  r = Tool("prevmenu show " + P("menu.pmn"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_THAT(r.out, HasSubstr("  caption \"はい\"\n"));
  EXPECT_THAT(r.out, HasSubstr("  clicked \"flash.orl\" -8 4\n"));
  Put("shown.txt", r.out);
  r = Tool("prevmenu write " + P("shown.txt") + " " + P("again.pmn"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Slurp(dir_ / "again.pmn"), bytes);
}

TEST_F(PrevMenuCommand, BadDescriptionsNameTheLine) {
  struct Case {
    const char* text;
    const char* message;
  };
  for (const Case c : {Case{"size 1 2\nat 3 4\n", ":2:1: 'at' belongs to an item"},
                       Case{"item\n  sauce \"a.orl\"\n", ":2:3: unknown keyword 'sauce'"},
                       Case{"version 100\nitem\n  unchecked \"u.orl\"\n", "need version 101"},
                       Case{"item\n  capture_mask 256\n", "between 0 and 255"},
                       Case{"item\n  source yes\n", "wants a quoted string"},
                       Case{"size 1 2 3\n", "more than 'size'"}}) {
    SCOPED_TRACE(c.text);
    Put("bad.txt", c.text);
    const RunResult r = Tool("prevmenu write " + P("bad.txt") + " " + P("bad.pmn"));
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, HasSubstr(c.message));
    EXPECT_FALSE(fs::exists(dir_ / "bad.pmn"));
  }
}

TEST_F(PrevMenuCommand, DamagedAndForeignFilesAndBadCommandLines) {
  Put("menu.txt", kDescription);
  ASSERT_EQ(Tool("prevmenu write " + P("menu.txt") + " " + P("menu.pmn")).status, 0);
  std::string cut = Slurp(dir_ / "menu.pmn");
  cut.resize(cut.size() - 5);
  Put("cut.pmn", cut);
  RunResult r = Tool("prevmenu show " + P("cut.pmn"));
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err, HasSubstr("damaged: truncated preview-menu item cursor at offset 202"));
  Put("other.pmn", "RIFF....");
  r = Tool("prevmenu show " + P("other.pmn"));
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err, HasSubstr("not a preview-menu file"));
  r = Tool("prevmenu show " + P("missing.pmn"));
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err, HasSubstr("cannot read"));
  EXPECT_EQ(Tool("prevmenu").status, 2);
  EXPECT_EQ(Tool("prevmenu show").status, 2);
  EXPECT_THAT(Tool("prevmenu list " + P("menu.pmn")).err, HasSubstr("prevmenu write DESC.txt OUT"));
}

TEST(PrevMenuDescription, EveryFieldSurvivesDescribeAndParse) {
  components::PrevMenuFile menu;
  menu.Width = -3;
  menu.Height = 7;
  components::PrevMenuItem item;
  item.X = INT32_MIN;
  item.Y = INT32_MAX;
  item.CaptureMask = 255;
  item.Caption = std::string("\x81\x40q\"\\\n", 6);  // a CP932 space, quotes, a newline
  item.Source = "\xFF\xFE";                          // bytes no text form holds
  int n = 0;
  for (std::string* s :
       {&item.HoverSource, &item.LeaveSource, &item.PressedSource, &item.UncheckedSource,
        &item.HoverSound, &item.LeaveSound, &item.ClickedSource, &item.Cursor})
    *s = "f" + std::to_string(n++) + ".orl";
  item.ClickedX = -1;
  menu.Items = {item, components::PrevMenuItem{}};
  const components::PrevMenuFile back = ParsePrevMenuDescription(DescribePrevMenu(menu));
  EXPECT_EQ(back.Items, menu.Items);
  EXPECT_EQ(components::WritePrevMenuFile(back), components::WritePrevMenuFile(menu));
  components::PrevMenuFile old;
  old.Version = 42;  // before sizes and items
  EXPECT_EQ(DescribePrevMenu(old), "version 42\n");
  EXPECT_EQ(ParsePrevMenuDescription("version 42\n").Version, 42);
}

}  // namespace
}  // namespace vesk::tool
