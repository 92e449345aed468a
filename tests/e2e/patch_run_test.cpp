// A translation patch played ahead of the game: the patched page runs, the
// game's folder is left byte for byte as it was, and a bad patch is refused.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "e2e/game_dir_test.h"
#include "support/png_read.h"
#include "support/run_program.h"

namespace vesk::e2e {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;
using vesk::test_support::RunResult;
using vesk::test_support::Slurp;

// The game's files; its save.dat is the one file a run may write there.
std::map<std::string, std::string> FolderContent(const fs::path& dir) {
  std::map<std::string, std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(dir))
    if (e.is_regular_file() && e.path().filename() != "save.dat")
      out[fs::relative(e.path(), dir).string()] = Slurp(e.path());
  return out;
}

class PatchRun : public GameDirTest {
 protected:
  void SetUp() override {
    GameDirTest::SetUp();
    WriteSource("project.vproj", "title \"Patched\"\nscreen 160 60\n");
    WriteSource("start.vsc", Page("original"));
    RunResult c = Compile();
    ASSERT_EQ(c.status, 0) << c.err;
    // The translator's build of the same game; the patch takes its page.
    WriteSource("start.vsc", Page("translated"));
    c = test_support::RunProgram(
        VESK_TOOL_PATH, "compile " + Q(dir_ / "src") + " " + Q(dir_ / "built"), dir_ / "tool");
    ASSERT_EQ(c.status, 0) << c.err;
    fs::create_directories(dir_ / "patch");
    fs::copy_file(dir_ / "built" / "start.lsb", dir_ / "patch" / "start.lsb");
  }
  static std::string Page(const std::string& text) {
    return "VarNew shown type: str\n"
           "MesNew Name: \"mes\" Left: 4 Top: 4 Width: 150 Height: 40 FontHeight: 16\n"
           "TextIns window: \"mes\"\n  | " +
           text + "\nCalc shown = \"" + text + "\"\nWhile true\n  Wait 1000\n";
  }
  void WriteIni(const std::string& game) {
    std::ofstream(dir_ / "patch" / "vesk-patch.ini")
        << "[patch]\nformat=1\ngame=" << game << "\n[text]\nwrap=words\n";
  }
};

TEST_F(PatchRun, ThePatchedPageRunsAndTheGameStaysAsItWas) {
  WriteIni("Patched");
  const auto before = FolderContent(dir_ / "game");
  const fs::path json = dir_ / "vars.json";
  RunResult r = RunPlayer("--frames 20 --dump-vars " + Q(json) + " --patch " + Q(dir_ / "patch"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_THAT(Slurp(json), HasSubstr("\"values\":[\"translated\"]"));
  EXPECT_THAT(r.err, Not(HasSubstr("warning")));
  EXPECT_EQ(FolderContent(dir_ / "game"), before);

  // Without the patch the original plays.
  r = RunPlayer("--frames 20 --dump-vars " + Q(json));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_THAT(Slurp(json), HasSubstr("\"values\":[\"original\"]"));
}

TEST_F(PatchRun, APatchArchivePlaysToo) {
  WriteIni("Patched");
  RunResult a = test_support::RunProgram(
      VESK_TOOL_PATH, "archive pack " + Q(dir_ / "patch") + " " + Q(dir_ / "patch.dat"),
      dir_ / "tool");
  ASSERT_EQ(a.status, 0) << a.err;
  const fs::path json = dir_ / "vars.json";
  RunResult r =
      RunPlayer("--frames 20 --dump-vars " + Q(json) + " --patch " + Q(dir_ / "patch.dat"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_THAT(Slurp(json), HasSubstr("\"values\":[\"translated\"]"));
}

TEST_F(PatchRun, APatchForAnotherGameWarnsButPlays) {
  WriteIni("Some other game");
  RunResult r = RunPlayer("--frames 5 --patch " + Q(dir_ / "patch"));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_THAT(r.err, HasSubstr("warning: the patch was made for \"Some other game\""));
}

TEST_F(PatchRun, AMissingPatchOrOneWithoutItsFileIsRefusedNamingThePath) {
  RunResult r = RunPlayer("--frames 5 --patch " + Q(dir_ / "patch"));  // no vesk-patch.ini
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err, HasSubstr((dir_ / "patch").string() + ": not a patch"));
  r = RunPlayer("--frames 5 --patch " + Q(dir_ / "nowhere"));
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err, HasSubstr((dir_ / "nowhere").string()));
}

// Lit pixels of the screenshot inside a rectangle.
int LitPixels(const fs::path& file, int x0, int y0, int x1, int y1) {
  int w = 0, h = 0;
  const std::vector<uint32_t> pixels = vesk::test_support::PngPixels(file, &w, &h);
  int n = 0;
  for (int y = y0; y < std::min(y1, h); ++y)
    for (int x = x0; x < std::min(x1, w); ++x)
      n += (pixels[static_cast<size_t>(y) * w + x] & 0x00FFFFFF) > 0x808080 ? 1 : 0;
  return n;
}

TEST_F(PatchRun, APatchOfNoPagesCanStillTurnOnWordWrapping) {
  // A word far wider than the window: it runs past the edge on one row as
  // games were made, and breaks onto the rows below with word wrapping.
  WriteSource("start.vsc",
              "MesNew Name: \"mes\" Left: 4 Top: 4 Width: 150 Height: 52 FontHeight: 16 "
              "FontColor: 0xFFFFFF\nTextIns window: \"mes\"\n  | abcdefghijklmnopqrstuvwxyz\n"
              "While true\n  Wait 1000\n");
  ASSERT_EQ(Compile().status, 0);
  fs::remove(dir_ / "patch" / "start.lsb");
  WriteIni("Patched");
  const fs::path chars = dir_ / "chars.png", words = dir_ / "words.png";
  RunResult r = RunPlayer("--frames 90 --screenshot " + Q(chars));
  ASSERT_EQ(r.status, 0) << r.err;
  r = RunPlayer("--frames 90 --screenshot " + Q(words) + " --patch " + Q(dir_ / "patch"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_GT(LitPixels(chars, 4, 4, 154, 20), 50);
  EXPECT_EQ(LitPixels(chars, 4, 22, 154, 56), 0);
  EXPECT_GT(LitPixels(words, 4, 4, 154, 20), 50);
  EXPECT_GT(LitPixels(words, 4, 22, 154, 56), 50);
}

}  // namespace
}  // namespace vesk::e2e
