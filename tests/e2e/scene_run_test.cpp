// A compiled script builds a small scene, reacts to a scripted click, and
// the screenshots show what it drew.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "e2e/game_dir_test.h"
#include "support/png_read.h"
#include "support/run_program.h"

namespace vesk::e2e {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;
using vesk::test_support::PngPixel;
using vesk::test_support::RunResult;
using vesk::test_support::Slurp;

class SceneRun : public GameDirTest {
 protected:
  RunResult Play(const std::string& args) {
    WriteSource("project.vproj", "title \"Scene\"\nscreen 64 48\n");
    RunResult c = Compile();
    EXPECT_EQ(c.status, 0) << c.err;
    return RunPlayer(args);
  }
};

TEST_F(SceneRun, BoxesPropertiesAndAClickHandler) {
  WriteSource("start.vsc", R"(VarNew clicks type: int
VarNew leftx type: int
BoxNew Name: "red" Left: 10 Top: 10 Width: 20 Height: 20 Color: 0x0000FF OnLbtnDown: "start.lsb:clicked"
BoxNew Name: "blue" Left: 40 Top: 10 Width: 10 Height: 10 Color: 0xFF0000 BorderWidth: 2 BorderColor: 0xFFFFFF
SetProp "blue" prop: PR_LEFT value: 45
GetProp "blue" prop: PR_LEFT var: leftx
While true
  Wait 1000
Label clicked
Calc clicks = clicks + 1
SetProp "red" prop: PR_COLOR value: 0x00FF00
Exit
)");
  WriteFile("input.txt", "5 click 15 15\n");
  const fs::path before = dir_ / "before.png", after = dir_ / "after.png",
                 json = dir_ / "vars.json";
  RunResult r =
      Play("--frames 10 --input " + Q(dir_ / "input.txt") + " --screenshot-at 2:" + Q(before) +
           " --screenshot " + Q(after) + " --dump-vars " + Q(json));
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string vars = Slurp(json);
  EXPECT_THAT(
      vars,
      HasSubstr("\"name\":\"clicks\",\"type\":1,\"status\":false,\"scope\":-1,\"local\":false,"
                "\"dims\":[],\"values\":[1]"));
  EXPECT_THAT(vars, HasSubstr("\"values\":[45]"));
  EXPECT_EQ(PngPixel(before, 15, 15), 0xFF0000);  // red before the click
  EXPECT_EQ(PngPixel(after, 15, 15), 0x00FF00);   // green after it
  EXPECT_EQ(PngPixel(after, 45, 10), 0xFFFFFF);   // the blue box's border, moved to 45
  EXPECT_EQ(PngPixel(after, 48, 14), 0x0000FF);   // and its inside
  EXPECT_EQ(PngPixel(after, 41, 14), 0x000000);   // where it was: the black base
  EXPECT_EQ(PngPixel(after, 5, 5), 0x000000);
}

// The demo's title screen: the start button lights up under the mouse and
// gives way when clicked; the quit button ends the game.
TEST_F(SceneRun, TheDemoButtonsAnswerTheMouse) {
  WriteFile("input.txt", "10 move 100 420\n20 click 100 420\n");
  const fs::path normal = dir_ / "normal.png", hover = dir_ / "hover.png",
                 after = dir_ / "after.png";
  const fs::path json = dir_ / "vars.json";
  RunResult r =
      RunPlayer("--frames 30 --input " + Q(dir_ / "input.txt") + " --screenshot-at 5:" + Q(normal) +
                    " --screenshot-at 15:" + Q(hover) + " --screenshot " + Q(after) +
                    " --dump-vars " + Q(json),
                CopyDemo());
  ASSERT_EQ(r.status, 0) << r.err;
  const int64_t plain = PngPixel(normal, 100, 420), lit = PngPixel(hover, 100, 420);
  ASSERT_GE(plain, 0);
  EXPECT_NE(plain, lit);
  EXPECT_GT((lit >> 16) & 0xFF, (plain >> 16) & 0xFF);  // the hover picture is a lighter purple
  EXPECT_THAT(Slurp(json), HasSubstr("\"values\":[\"start\"]"));
  EXPECT_NE(PngPixel(after, 100, 420), lit);  // the buttons are gone

  WriteFile("quit.txt", "5 click 100 500\n");
  r = RunPlayer("--frames 100 --input " + Q(dir_ / "quit.txt") + " --dump-vars " + Q(json),
                CopyDemo());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_THAT(Slurp(json), HasSubstr("\"values\":[\"quit\"]"));
  EXPECT_THAT(Slurp(json), Not(HasSubstr("\"frames\":100,")));  // it ended before the frame limit
}

}  // namespace
}  // namespace vesk::e2e
