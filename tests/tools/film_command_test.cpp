// "vesk-tool film": a description written into a film the player's reader
// takes, shown back in the same form (show then write gives the same
// bytes), and the messages for bad descriptions and files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <bit>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>

#include "anim/film_file.h"
#include "anim/film_math.h"
#include "anim/film_samples.h"
#include "support/run_program.h"
#include "vesk-tool/film_command.h"
#include "vesk-tool/script/lexer.h"

namespace vesk::tool {
namespace {

namespace fs = std::filesystem;
using namespace vesk::anim;
using ::testing::HasSubstr;
using vesk::test_support::RunResult;
using vesk::test_support::Slurp;

const char kDescription[] = R"(# a title: the girl slides in and fades in, a caption, a wipe
film cinema
version 108
film_size 640 480
back_color 0x000000

image
  length 60
  pos -200 120 220 120
  ease_pos 2 0
  alpha 1 255
  source "chara\\girl.orl"
image            # goes on where the first stops
  parent 0
  length 30
  pos 0 0 260 120
  zoom_x 1 1.5
label
  start 30
  length 60
  text "ようこそ"
  font_height 32
  font_color 0xFFFFFF
wipe
  start 60
  length 30
  wipe_type 1
  rule_image "rule.orl"
)";

class FilmCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "vesk-tool-film-XXXXXX").string();
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
  FilmData ReadBack(const std::string& name) {
    const std::string bytes = Slurp(dir_ / name);
    auto film =
        ReadFilm(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), name);
    EXPECT_TRUE(film.has_value());
    return film.value_or(FilmData{});
  }

  fs::path dir_;
};

TEST_F(FilmCommand, WritesWhatThePlayerReadsAndShowsItBackByteForByte) {
  Put("title.txt", kDescription);
  RunResult r = Tool("film write " + P("title.txt") + " " + P("title.lcm"));
  ASSERT_EQ(r.status, 0) << r.err;
  const FilmData film = ReadBack("title.lcm");
  ASSERT_EQ(film.Lists.size(), 4u);
  EXPECT_EQ(film.Size, (FilmPoint{640, 480}));
  EXPECT_EQ(film.BackColor, 0);
  const auto& girl = std::get<ImageListData>(film.Lists[0].Data);
  EXPECT_EQ(girl.Source, "chara\\girl.orl");
  EXPECT_EQ(girl.Image.StartPos, (FilmPoint{-200, 120}));
  EXPECT_EQ(girl.Image.EaseX, 2);
  EXPECT_EQ(film.Lists[1].Parent, 0);
  EXPECT_EQ(std::get<ImageListData>(film.Lists[1].Data).Image.EndZoomX, 1.5);
  EXPECT_EQ(StartFrame(film, 1), 60);
  const auto& label = std::get<LabelListData>(film.Lists[2].Data);
  EXPECT_EQ(label.Text, "\x82\xE6\x82\xA4\x82\xB1\x82\xBB");  // ようこそ in CP932
  EXPECT_EQ(label.FontColor, 0xFFFFFF);
  EXPECT_EQ(std::get<WipeListData>(film.Lists[3].Data).RuleImage, "rule.orl");
  EXPECT_EQ(FrameCount(film), 90);

  r = Tool("film show " + P("title.lcm"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_THAT(r.out, HasSubstr("\nimage  # list 1\n  parent 0\n  length 30\n"));
  EXPECT_THAT(r.out, HasSubstr("  text \"ようこそ\"\n"));
  Put("shown.txt", r.out);
  r = Tool("film write " + P("shown.txt") + " " + P("again.lcm"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Slurp(dir_ / "again.lcm"), Slurp(dir_ / "title.lcm"));
}

TEST_F(FilmCommand, BadDescriptionsNameTheLine) {
  struct Case {
    const char* text;
    const char* message;
  };
  for (const Case c :
       {Case{"film_size 1 2\nlength 3\n", ":2:1: unknown keyword 'length'"},
        Case{"box\n  source \"a.orl\"\n", ":2:3: unknown keyword 'source' for a list"},
        Case{"film cartoon\n", "'cinema' or 'motion'"}, Case{"version 1000\n", "between 0 and 999"},
        Case{"image\n  flip 0 256\n", "between 0 and 255"},
        Case{"image\n  zoom_x 1 big\n", "wants a number"},
        Case{"image\n  zoom_x 1 \"0x12\"\n", "quoted bit pattern"},
        Case{"image\n  source girl\n", "wants a quoted string"},
        Case{"box\n  pos 1 2 3 4 5\n", "more than 'pos'"}}) {
    SCOPED_TRACE(c.text);
    Put("bad.txt", c.text);
    const RunResult r = Tool("film write " + P("bad.txt") + " " + P("bad.lcm"));
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, HasSubstr(c.message));
    EXPECT_FALSE(fs::exists(dir_ / "bad.lcm"));
  }
}

TEST_F(FilmCommand, DamagedAndForeignFilesAndBadCommandLines) {
  Put("title.txt", kDescription);
  ASSERT_EQ(Tool("film write " + P("title.txt") + " " + P("title.lcm")).status, 0);
  std::string cut = Slurp(dir_ / "title.lcm");
  cut.resize(cut.size() - 2);
  Put("cut.lcm", cut);
  RunResult r = Tool("film show " + P("cut.lcm"));
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err, HasSubstr("cut.lcm: list 3 (wipe): truncated wipe parameter 1"));
  Put("other.lcm", "RIFF....");
  r = Tool("film show " + P("other.lcm"));
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err, HasSubstr("not a film"));
  r = Tool("film show " + P("missing.lcm"));
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err, HasSubstr("cannot read"));
  EXPECT_EQ(Tool("film").status, 2);
  EXPECT_EQ(Tool("film show").status, 2);
  EXPECT_THAT(Tool("film list " + P("title.lcm")).err, HasSubstr("film write DESC.txt"));
}

TEST(FilmDescription, EveryFieldOfEveryKindSurvivesDescribeAndParse) {
  FilmData film = testing::SampleFilm();
  film.FileKind = FilmFileKind::kMotion;
  film.BackColor = -1;
  film.Lists[0].Reserved = 0xFFFFFFFF;
  film.Lists[1].Priority = INT32_MIN;
  // Reals no decimal text holds exactly, and ones no number holds at all.
  auto& particle = std::get<ParticleListData>(film.Lists[6].Data);
  particle.StartParam1 = 0.1 + 0.2;
  particle.StartParam2 = -0.0;
  particle.EndParam1 = std::numeric_limits<double>::infinity();
  particle.EndParam2 = std::bit_cast<double>(uint64_t{0x7FF8000000000123});
  particle.EndParam3 = std::numeric_limits<double>::denorm_min();
  const std::string text = DescribeFilm(film);
  const FilmData back = ParseFilmDescription(text);
  EXPECT_EQ(WriteFilm(back), WriteFilm(film)) << text;
  EXPECT_EQ(back.Lists.size(), film.Lists.size());
  EXPECT_TRUE(std::signbit(std::get<ParticleListData>(back.Lists[6].Data).StartParam2));
  // Old versions keep their number.
  FilmData old;
  old.Version = 100;
  EXPECT_EQ(ParseFilmDescription(DescribeFilm(old)).Version, 100);
}

}  // namespace
}  // namespace vesk::tool
