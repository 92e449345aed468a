// Sliders and scroll bars in the real player, driven by scripted input:
// clicks on the track, the keys of each orientation with their repeat, and
// the wheel. Every user change reaches the scripts through PR_ONNOTIFY.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "e2e/game_dir_test.h"
#include "support/run_program.h"

namespace vesk::e2e {
namespace {

namespace fs = std::filesystem;
using vesk::test_support::RunResult;
using vesk::test_support::Slurp;

class SliderRun : public GameDirTest {
 protected:
  void SetUp() override {
    GameDirTest::SetUp();
    WriteSource("project.vproj", "title \"Sliders\"\nscreen 400 240\n");
    WriteSource("start.vsc", R"(VarNew hval type: int value: -1
VarNew vval type: int value: -1
VarNew notes type: int
SliderNew Name: "h" Left: 0 Top: 0 Width: 320 Height: 28 Source: "slider_track.orl" \
  ThumbSource: "slider_thumb.orl" Min: 0 Max: 10 Value: 5 HandleKey: 1 OnNotify: "start.lsb:h"
ScrollbarNew Name: "v" Orientation: 1 Left: 340 Top: 0 Width: 20 Height: 200 \
  Source: "slider_thumb.orl" ThumbSource: "slider_thumb.orl" Min: 0 Max: 100 Value: 0 \
  SmallChange: 1 LargeChange: 10 HandleKey: 1 OnNotify: "start.lsb:v"
While true
  Wait 1000
Label h
GetProp "h" prop: PR_VALUE var: hval
Calc notes = notes + 1
Exit
Label v
GetProp "v" prop: PR_VALUE var: vval
Calc notes = notes + 1
Exit
)");
    RunResult c = Compile();
    ASSERT_EQ(c.status, 0) << c.err;
    // The demo's slider pictures.
    for (const char* picture : {"slider_track.orl", "slider_thumb.orl"})
      fs::copy_file(fs::path(VESK_DEMO_DIR) / picture, dir_ / "game" / picture);
  }
  // The integer value of `name` after the run.
  int Var(const std::string& name) {
    const std::string vars = Slurp(dir_ / "vars.json");
    const size_t at = vars.find("\"name\":\"" + name + "\"");
    if (at == std::string::npos) return -999;
    const size_t v = vars.find("\"values\":[", at) + 10;
    return std::stoi(vars.substr(v));
  }
  void Play(int frames, const std::string& input) {
    WriteFile("input.txt", input);
    RunResult r = RunPlayer("--step 16 --frames " + std::to_string(frames) + " --input " +
                            Q(dir_ / "input.txt") + " --dump-vars " + Q(dir_ / "vars.json"));
    ASSERT_EQ(r.status, 0) << r.err;
  }
};

TEST_F(SliderRun, AHorizontalSliderFollowsClicksKeysAndTheWheel) {
  Play(20, "5 click 10 14\n");  // the left end of the track
  EXPECT_EQ(Var("hval"), 0);
  // Right raises it, Left lowers it; a notch up moves towards the left end.
  Play(40,
       "5 click 10 14\n10 key Right\n14 key Right\n18 key Left\n22 move 160 14\n23 wheel down\n");
  EXPECT_EQ(Var("hval"), 2);
  Play(40, "5 click 10 14\n10 key Right\n14 key Right\n22 move 160 14\n23 wheel up\n");
  EXPECT_EQ(Var("hval"), 1);
  EXPECT_EQ(Var("notes"), 4);  // the click and each user step, none for the script's value
}

TEST_F(SliderRun, AVerticalScrollBarPagesRisesWithDownAndRepeatsAHeldKey) {
  Play(20, "5 click 350 190\n");  // on the track below the thumb: one page down
  EXPECT_EQ(Var("vval"), 10);
  Play(30, "5 click 350 190\n10 key Down\n15 key Up\n20 key Down\n");
  EXPECT_EQ(Var("vval"), 11);
  // Held for 480 ms: the press, then a step every 50 ms after 300 ms.
  Play(60, "5 click 350 190\n10 keydown Down\n40 keyup Down\n");
  EXPECT_GE(Var("vval"), 10 + 1 + 3);
  EXPECT_LE(Var("vval"), 10 + 1 + 5);
  Play(30, "5 click 350 190\n10 move 350 100\n11 wheel down\n");
  EXPECT_EQ(Var("vval"), 11);
}

}  // namespace
}  // namespace vesk::e2e
