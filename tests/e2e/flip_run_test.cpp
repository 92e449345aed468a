// A flip in the real player: the fade shows both pages half way, the new
// page stays once it is over, and a click during the flip runs its
// handler at once, or only after the flip when the flip blocks events.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "e2e/game_dir_test.h"
#include "support/png_read.h"
#include "support/run_program.h"

namespace vesk::e2e {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using vesk::test_support::PngPixel;
using vesk::test_support::RunResult;
using vesk::test_support::Slurp;

class FlipRun : public GameDirTest {
 protected:
  // A red page shown and a blue one prepared behind it; the flip starts at
  // about frame 7 and lasts 30 frames of 16 ms. A click at frame 15 lands
  // on the red page.
  void Build(bool block) {
    WriteSource("project.vproj", "title \"Flip\"\nscreen 64 48\n");
    WriteSource("start.vsc", std::string(R"(VarNew clicks type: int
VarNew done type: int
BoxNew Name: "red" Left: 0 Top: 0 Width: 64 Height: 48 Color: 0x0000FF OnLbtnDown: "start.lsb:clicked"
BoxNew Name: "blue" Parent: "\x01" Left: 0 Top: 0 Width: 64 Height: 48 Color: 0xFF0000
Wait 100
Flip WP_FADE duration: 480 block: )") +
                                 (block ? "1" : "0") + R"(
Calc done = 1
While true
  Wait 1000
Label clicked
Calc clicks = clicks + 1
Exit
)");
    WriteFile("input.txt", "15 click 20 20\n");
    RunResult c = Compile();
    ASSERT_EQ(c.status, 0) << c.err;
  }
  // The variables after `frames` frames.
  std::string VarsAfter(int frames, const std::string& more = "") {
    const fs::path json = dir_ / ("vars" + std::to_string(frames) + ".json");
    RunResult r = RunPlayer("--step 16 --frames " + std::to_string(frames) + " --input " +
                            Q(dir_ / "input.txt") + " --dump-vars " + Q(json) + more);
    EXPECT_EQ(r.status, 0) << r.err;
    return Slurp(json);
  }
  static std::string Value(const std::string& name, int v) {
    return "\"name\":\"" + name + "\",\"type\":1,\"status\":false,\"scope\":-1,\"local\":false," +
           "\"dims\":[],\"values\":[" + std::to_string(v) + "]";
  }
};

TEST_F(FlipRun, TheFadeMixesThePagesAndTheNewOneStays) {
  Build(false);
  const fs::path mid = dir_ / "mid.png", end = dir_ / "end.png";
  const std::string vars =
      VarsAfter(60, " --screenshot-at 28:" + Q(mid) + " --screenshot " + Q(end));
  EXPECT_THAT(vars, HasSubstr(Value("done", 1)));
  const uint32_t m = PngPixel(mid, 30, 30);  // 0xRRGGBB
  EXPECT_GT(m >> 16, 0x40u) << std::hex << m;
  EXPECT_GT(m & 0xFF, 0x40u) << std::hex << m;
  EXPECT_EQ(PngPixel(end, 30, 30), 0x0000FFu);
}

TEST_F(FlipRun, AClickDuringAFlipRunsAtOnce) {
  Build(false);
  const std::string during = VarsAfter(25);
  EXPECT_THAT(during, HasSubstr(Value("clicks", 1)));
  EXPECT_THAT(during, HasSubstr(Value("done", 0)));
}

TEST_F(FlipRun, AClickDuringABlockingFlipWaitsForItsEnd) {
  Build(true);
  const std::string during = VarsAfter(25);
  EXPECT_THAT(during, HasSubstr(Value("clicks", 0)));
  EXPECT_THAT(during, HasSubstr(Value("done", 0)));
  const std::string after = VarsAfter(60);
  EXPECT_THAT(after, HasSubstr(Value("clicks", 1)));
  EXPECT_THAT(after, HasSubstr(Value("done", 1)));
}

}  // namespace
}  // namespace vesk::e2e
