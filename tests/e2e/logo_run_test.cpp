// The start-up logo in the real player: the cinema linked into the program
// plays centred before the scenario, a click or Enter skips it, and
// --no-logo leaves it out.
#include <gtest/gtest.h>

#include <filesystem>

#include "e2e/game_dir_test.h"
#include "support/png_read.h"
#include "support/run_program.h"

namespace vesk::e2e {
namespace {

namespace fs = std::filesystem;
using vesk::test_support::PngPixel;
using vesk::test_support::RunProgram;
using vesk::test_support::RunResult;

class LogoRun : public GameDirTest {
 protected:
  // The demo, with the logo unless `extra` says otherwise; screenshots at
  // frames 40 (the logo standing) and 60.
  void Play(const std::string& extra) {
    const fs::path game = CopyDemo();
    WriteFile("input.txt", input_);
    RunResult r = RunProgram(VESK_PLAYER_PATH,
                             "--headless --step 16 --frames 60 --input " + Q(dir_ / "input.txt") +
                                 " --screenshot-at 40:" + Q(dir_ / "at40.png") + " --screenshot " +
                                 Q(dir_ / "at60.png") + " " + extra + " " + Q(game),
                             dir_ / "player");
    ASSERT_EQ(r.status, 0) << r.err;
  }
  // The logo's mark lies in the middle of the screen on black; the title
  // shows its moon at the top right.
  bool ShowsLogo(const std::string& shot) {
    return PngPixel(dir_ / shot, 660, 120) == 0u && PngPixel(dir_ / shot, 100, 550) == 0u;
  }
  bool ShowsTitle(const std::string& shot) {
    return (PngPixel(dir_ / shot, 660, 120) & 0xFF) > 0xC0;
  }
  std::string input_;
};

TEST_F(LogoRun, TheLogoPlaysBeforeTheTitle) {
  Play("");
  EXPECT_TRUE(ShowsLogo("at40.png"));
  EXPECT_TRUE(ShowsLogo("at60.png"));  // it lasts 140 frames
  // Some of the mark's light pixels in the middle.
  int lit = 0;
  for (int x = 220; x < 580; x += 2)
    if ((PngPixel(dir_ / "at60.png", x, 291) & 0xFF) > 0x80) ++lit;
  EXPECT_GT(lit, 10);
}

TEST_F(LogoRun, AClickOrEnterSkipsItAndNoLogoLeavesItOut) {
  input_ = "20 click 400 300\n";  // on the logo itself
  Play("");
  EXPECT_TRUE(ShowsTitle("at40.png"));
  input_ = "20 key Return\n";
  Play("");
  EXPECT_TRUE(ShowsTitle("at40.png"));
  input_ = "";
  Play("--no-logo");
  EXPECT_TRUE(ShowsTitle("at40.png"));
}

}  // namespace
}  // namespace vesk::e2e
