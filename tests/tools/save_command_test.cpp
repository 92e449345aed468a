// "vesk-tool save" on a save file the headless player wrote: a tiny game
// saves twice and keeps status data, and list and show must give back what
// it saved, with sections that tile each entry; damaged files and entries
// show what can be read and exit 1.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "script/save_file.h"
#include "support/run_program.h"

namespace vesk::tool {
namespace {

namespace fs = std::filesystem;
using test_support::Quote;
using test_support::RunResult;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr const char* kProject = R"(title "Save test"
screen 64 48
start "start.lsb"
savestatus 1
status int best 7
)";

// Slot 3 is saved first, so the file holds the games out of slot order.
// Slot 5 is saved by a click's handler, which goes on in the same frame: the
// game is saved with a wait in progress (its state follows the call
// manager's fields, and only its page tells how long it is) and with the
// interrupted wait's state in the handler's frame.
constexpr const char* kStart = R"(VarNew score type: int value: 42
VarNew name type: str value: "たろう"
BoxNew Name: "panel" Left: 10 Top: 20 Width: 30 Height: 16 OnLbtnDown: "events.lsb:clicked"
MesNew Name: "mes" Left: 0 Top: 30 Width: 64 Height: 18
ImgNew Name: "bg" Left: 40 Top: 0 Source: "missing.orl"
Button Name: "go" Left: 40 Top: 0 Source: "missing.orl"
Caption Name: "cap" Left: 40 Top: 0 Width: 20 Height: 8
EditNew Name: "ed" Left: 40 Top: 0 Width: 20 Height: 8
MemoNew Name: "memo" Left: 40 Top: 0 Width: 20 Height: 8
TileNew Name: "tile" Left: 40 Top: 0 Width: 20 Height: 8 Source: "missing.orl"
MapImgNew Name: "map" Left: 40 Top: 0 Width: 20 Height: 8
CGCaption Name: "cgc" Left: 40 Top: 0 Width: 20 Height: 8
TextIns "はい" window: "mes"
Calc best = 9
GameSave 3 caption: "二章" page: "other.lsb" at: 1
Wait 50
Calc score = 43
GameSave 1 caption: "第一章"
Wait 5000
)";

constexpr const char* kOther = "Wait 10\nWait 10\n";
constexpr const char* kEvents = "Exit\nLabel clicked\nGameSave 5 caption: \"割り込み\"\nWait 100\n";

class SaveCommand : public ::testing::Test {
 public:
  // One game and one save file for the whole suite; tests that damage it
  // work on copies.
  static void SetUpTestSuite() {
    std::string tmpl = (fs::temp_directory_path() / "vesk-tool-save-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
    fs::create_directories(dir_ / "src");
    fs::create_directories(dir_ / "run");
    setenv("XDG_RUNTIME_DIR", (dir_ / "run").c_str(), 1);
    std::ofstream(dir_ / "src" / "project.vproj") << kProject;
    std::ofstream(dir_ / "src" / "start.vsc") << kStart;
    std::ofstream(dir_ / "src" / "other.vsc") << kOther;
    std::ofstream(dir_ / "src" / "events.vsc") << kEvents;
    std::ofstream(dir_ / "input.txt") << "20 click 15 25\n";
    const RunResult c = test_support::RunProgram(
        VESK_TOOL_PATH, "compile " + Quote(dir_ / "src") + " " + Quote(dir_ / "game"), dir_ / "c");
    ASSERT_EQ(c.status, 0) << c.err;
    const RunResult p =
        test_support::RunProgram(VESK_PLAYER_PATH,
                                 "--headless --no-logo --frames 40 --input " +
                                     Quote(dir_ / "input.txt") + " " + Quote(dir_ / "game"),
                                 dir_ / "p");
    ASSERT_EQ(p.status, 0) << p.err;
    ASSERT_TRUE(fs::exists(Save())) << p.err;
  }
  static void TearDownTestSuite() { fs::remove_all(dir_); }

  static fs::path Save() { return dir_ / "game" / "save.dat"; }
  static RunResult Tool(const std::string& args) {
    return test_support::RunProgram(VESK_TOOL_PATH, "save " + args, dir_ / "t");
  }

  // A copy of the save file with slot 1's entry cut to `keep` bytes.
  static fs::path WithGameCut(size_t keep) {
    script::TSaveFile file = script::TSaveFile::Read(Save().string());
    std::vector<uint8_t> entry = *file.Find("GAMESAVEDATA1");
    entry.resize(keep);
    file.Put("GAMESAVEDATA1", std::move(entry));
    const fs::path out = dir_ / "game" / "cut.dat";
    EXPECT_TRUE(script::WriteSaveFile(file, out.string(), false, [](const std::string&) {}));
    return out;
  }

  // "  NAME (at OFFSET, N bytes)" of each section shown for one entry.
  struct Place {
    std::string name;
    size_t at, size;
  };
  static std::vector<Place> Places(const std::string& entry_text) {
    static const std::regex kLine(R"(\n  ([a-z ]+) \(at (\d+), (\d+) bytes?\))");
    std::vector<Place> places;
    for (std::sregex_iterator it(entry_text.begin(), entry_text.end(), kLine), end; it != end; ++it)
      places.push_back({(*it)[1], std::stoul((*it)[2]), std::stoul((*it)[3])});
    return places;
  }

  static fs::path dir_;
};

fs::path SaveCommand::dir_;

TEST_F(SaveCommand, ListsGamesBySlotThenTheStatusData) {
  const RunResult r = Tool("list " + Quote(Save()));
  ASSERT_EQ(r.status, 0) << r.err;
  const std::regex kExpected(
      "slot 1: version 129, \\d+ bytes, \"第一章\"\n"
      "slot 3: version 129, \\d+ bytes, \"二章\", jump to \"other.lsb\" at 1\n"
      "slot 5: version 129, \\d+ bytes, \"割り込み\"\n"
      "status: version 103, \\d+ bytes\n");
  EXPECT_TRUE(std::regex_match(r.out, kExpected)) << r.out;
}

// The sections of `entry` in `out` start where the one before ended, the
// first at 0, the last ending at the entry's end.
void ExpectSectionsTile(const std::string& out, const std::string& entry) {
  const size_t from = out.find(entry + " (");
  ASSERT_NE(from, std::string::npos) << out;
  const std::string text = out.substr(from, out.find("\n\n", from) - from);
  std::smatch size;
  ASSERT_TRUE(std::regex_search(text, size, std::regex(R"(^\S+ \([^)]*\): (\d+) bytes)")));
  std::vector<std::string> names;
  size_t next = 0;
  for (const SaveCommand::Place& p : SaveCommand::Places(text)) {
    names.push_back(p.name);
    EXPECT_EQ(p.at, next) << entry << " " << p.name;
    next = p.at + p.size;
  }
  EXPECT_EQ(names,
            (std::vector<std::string>{"head", "scene", "history", "calls", "variables", "tables"}))
      << entry;
  EXPECT_EQ(next, std::stoul(size[1])) << entry;
}

TEST_F(SaveCommand, ShowsEverySectionOfAGameAndTheyTileTheEntry) {
  const RunResult r = Tool("show " + Quote(Save()) + " 1");
  ASSERT_EQ(r.status, 0) << r.err << r.out;
  EXPECT_THAT(r.out, HasSubstr("version 129, caption \"第一章\", no jump page"));
  EXPECT_THAT(r.out, HasSubstr("64x48, base 0 shown"));
  EXPECT_THAT(r.out, HasSubstr("\"panel\" LT_BOX, parent base 0, at 10,20 size 30x16\n"));
  EXPECT_THAT(r.out, HasSubstr("\"mes\" LT_MES, parent base 0, at 0,30 size 64x18"));
  // Every kind the player makes loads without pictures, fonts or pages of text.
  for (const char* kind : {"LT_IMAGES", "LT_BUTTON", "LT_LABEL", "LT_EDIT", "LT_MEMO", "LT_TILE",
                           "LT_MAPIMG", "LT_CGLABEL"})
    EXPECT_THAT(r.out, HasSubstr(std::string(kind) + ", parent base 0, at 40,0")) << kind;
  EXPECT_THAT(r.out, HasSubstr("page \"start.lsb\" index "));
  EXPECT_THAT(r.out, HasSubstr("score: int = 43\n"));
  EXPECT_THAT(r.out, HasSubstr("name: str = \"たろう\"\n"));
  EXPECT_THAT(r.out, Not(HasSubstr("best:")));  // a status variable, not game data
  ExpectSectionsTile(r.out, "GAMESAVEDATA1");

  const RunResult handler = Tool("show " + Quote(Save()) + " 5");
  ASSERT_EQ(handler.status, 0) << handler.err << handler.out;
  EXPECT_THAT(handler.out, HasSubstr("page \"events.lsb\" index 3 (command in progress), "
                                     "a handler has yielded, sender \"panel\""));
  EXPECT_THAT(handler.out, HasSubstr("1 frame\n"));
  EXPECT_THAT(handler.out, ::testing::ContainsRegex(
                               "frame 1: \"start.lsb\" returns to 18 \\(command in progress\\), "
                               "0 arguments, command state [0-9]+ bytes"));
  ExpectSectionsTile(handler.out, "GAMESAVEDATA5");
}

TEST_F(SaveCommand, ShowsTheStatusDataAndEveryEntryWithoutASlot) {
  const RunResult status = Tool("show " + Quote(Save()) + " status");
  ASSERT_EQ(status.status, 0) << status.err << status.out;
  EXPECT_THAT(status.out, HasSubstr("header (at 0, 9 bytes): version 103"));
  EXPECT_THAT(status.out, HasSubstr("best: int = 9\n"));
  EXPECT_THAT(status.out, HasSubstr("  read marks (at "));
  EXPECT_THAT(status.out, HasSubstr("  dither (at "));
  EXPECT_THAT(status.out, HasSubstr("  tables (at "));

  const RunResult all = Tool("show " + Quote(Save()));
  ASSERT_EQ(all.status, 0) << all.err;
  const size_t one = all.out.find("GAMESAVEDATA1 (slot 1)");
  const size_t three = all.out.find("GAMESAVEDATA3 (slot 3)");
  const size_t data = all.out.find("STATUSSAVEDATA (status data)");
  ASSERT_NE(data, std::string::npos);
  EXPECT_LT(one, three);
  EXPECT_LT(three, data);
  EXPECT_THAT(all.out.substr(three, data - three), HasSubstr("score: int = 42\n"));
}

TEST_F(SaveCommand, ASectionThatCannotBeReadEndsItsEntryOnly) {
  const RunResult whole = Tool("show " + Quote(Save()) + " 1");
  const std::vector<Place> places = Places(whole.out);
  ASSERT_EQ(places.size(), 6u) << whole.out;
  const Place& vars = places[4];
  const fs::path cut = WithGameCut(vars.at + 3);

  const RunResult r = Tool("show " + Quote(cut));
  EXPECT_EQ(r.status, 1);
  const std::string at = std::to_string(vars.at);
  EXPECT_THAT(r.out, HasSubstr("  variables (at " + at + "): cannot be read: truncated"));
  EXPECT_THAT(r.err, HasSubstr("GAMESAVEDATA1: variables at offset " + at + ": truncated"));
  const size_t slot3 = r.out.find("GAMESAVEDATA3");
  ASSERT_NE(slot3, std::string::npos);
  EXPECT_THAT(r.out.substr(0, slot3), Not(HasSubstr("  tables (at ")));
  EXPECT_THAT(r.out.substr(slot3), HasSubstr("  tables (at "));  // the next entry is whole

  // Without the pages, the call manager cannot be read past its page.
  fs::create_directories(dir_ / "empty");
  const RunResult no_pages = Tool("show " + Quote(Save()) + " 1 --game " + Quote(dir_ / "empty"));
  EXPECT_EQ(no_pages.status, 1);
  EXPECT_THAT(no_pages.out, HasSubstr("  calls (at "));
  EXPECT_THAT(no_pages.out, HasSubstr("--game DIR names the game's folder"));
  EXPECT_THAT(no_pages.out, Not(HasSubstr("  variables (at ")));
}

TEST_F(SaveCommand, ACutFileListsWhatSurvivesAndExits1) {
  // The status entry is stored last; its bytes go with the cut.
  const fs::path cut = dir_ / "game" / "truncated.dat";
  fs::copy_file(Save(), cut, fs::copy_options::overwrite_existing);
  fs::resize_file(cut, fs::file_size(cut) - 10);
  const RunResult list = Tool("list " + Quote(cut));
  EXPECT_EQ(list.status, 1);
  EXPECT_THAT(list.err, HasSubstr("vesk-tool: " + cut.string() +
                                  ": cut short: 1 entry lies past the end of the file"));
  EXPECT_TRUE(std::regex_search(list.out, std::regex("^slot 1: .*\nslot 3: .*\nslot 5: .*\n"
                                                     "status: none\n$")))
      << list.out;
  const RunResult show = Tool("show " + Quote(cut));
  EXPECT_EQ(show.status, 1);
  EXPECT_THAT(show.out, HasSubstr("GAMESAVEDATA5 (slot 5)"));
  EXPECT_THAT(show.out, Not(HasSubstr("STATUSSAVEDATA")));

  fs::resize_file(cut, 40);  // into the index: nothing survives
  const RunResult none = Tool("list " + Quote(cut));
  EXPECT_EQ(none.status, 1);
  EXPECT_EQ(none.out, "status: none\n");
}

TEST_F(SaveCommand, MissingFilesAndBadCommandLines) {
  const RunResult missing = Tool("list " + Quote(dir_ / "nothing.dat"));
  EXPECT_EQ(missing.status, 2);
  EXPECT_THAT(missing.err, HasSubstr("nothing.dat: no such file"));
  EXPECT_EQ(Tool("show " + Quote(dir_ / "nothing.dat") + " 1").status, 2);
  EXPECT_EQ(Tool("show " + Quote(Save()) + " first").status, 2);
  EXPECT_EQ(Tool("").status, 2);
  const RunResult empty_slot = Tool("show " + Quote(Save()) + " 9");
  EXPECT_EQ(empty_slot.status, 1);
  EXPECT_THAT(empty_slot.err, HasSubstr("no saved game in slot 9"));
}

}  // namespace
}  // namespace vesk::tool
