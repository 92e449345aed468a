// The player's own window keys in a real window under a virtual X server the
// size of a handheld's screen: full screen, scaling, screenshots, and the
// choices remembered for the next run.
#include <gtest/gtest.h>

#include "support/png_read.h"
#include "support/run_program.h"
#include "support/xvfb_server.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

#include "e2e/game_dir_test.h"

namespace vesk::e2e {
namespace {

namespace fs = std::filesystem;
using test_support::RunResult;

// The window's own pixels as the player saved them for the test (BMP, 24 or
// 32 bits, rows bottom-up): size and one pixel's brightest channel.
struct WindowShot {
  int w = 0, h = 0, bpp = 0;
  std::vector<uint8_t> bytes;
  uint32_t offset = 0;

  bool Load(const fs::path& file) {
    const std::string s = test_support::Slurp(file);
    bytes.assign(s.begin(), s.end());
    if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M') return false;
    auto u32 = [&](size_t at) {
      return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
             uint32_t(bytes[at + 3]) << 24;
    };
    offset = u32(10);
    w = int32_t(u32(18));
    h = int32_t(u32(22));
    bpp = bytes[28] | bytes[29] << 8;
    return w > 0 && h > 0 && (bpp == 24 || bpp == 32) &&
           offset + size_t(Stride()) * size_t(h) <= bytes.size();
  }
  int Stride() const { return (w * (bpp / 8) + 3) / 4 * 4; }
  int Brightness(int x, int y) const {
    const size_t at = offset + size_t(h - 1 - y) * Stride() + size_t(x) * (bpp / 8);
    return std::max({bytes[at], bytes[at + 1], bytes[at + 2]});
  }
};

class WindowKeysRun : public GameDirTest {
 protected:
  // One run of the demo without its logo; `input` is the scripted input.
  RunResult Play(const test_support::XvfbServer& x, const std::string& input) {
    WriteFile("input.txt", input);
    const std::string env = x.Env() + " XDG_CONFIG_HOME=" + Q(dir_ / "config") +
                            " XDG_PICTURES_DIR=" + Q(dir_ / "pictures") +
                            " VESK_TEST_WINDOW_SHOT=" + Q(dir_ / "window.bmp");
    fs::remove(dir_ / "window.bmp");
    return test_support::RunProgram(VESK_PLAYER_PATH,
                                    "--no-logo --frames 90 --input " + Q(dir_ / "input.txt") +
                                        " --screenshot " + Q(dir_ / "frame.png") + " " + Q(demo_),
                                    dir_ / "out", env);
  }
  std::string Settings() const {
    for (const auto& e : fs::recursive_directory_iterator(dir_ / "config"))
      if (e.path().filename() == "settings.ini") return test_support::Slurp(e.path());
    return {};
  }
  fs::path demo_;
};

constexpr const char* kAltReturn = "5 keydown Alt\n6 key Return\n8 keyup Alt\n";
constexpr const char* kAltS = "20 keydown Alt\n21 key S\n23 keyup Alt\n";

TEST_F(WindowKeysRun, FullScreenScalingAndScreenshotKeysOnADeckSizedScreen) {
  test_support::XvfbServer x("1280x800x24");
  if (!x.up()) GTEST_SKIP() << "no X server for the window test";
  demo_ = CopyDemo();

  // Alt+Return: the window covers the screen; integer scaling shows the
  // 800x600 game at 1x in the middle. PrintScreen writes the frame.
  RunResult r = Play(x, std::string(kAltReturn) + "30 key PrintScreen\n");
  ASSERT_EQ(r.status, 0) << r.err;
  WindowShot shot;
  ASSERT_TRUE(shot.Load(dir_ / "window.bmp"));
  EXPECT_EQ(shot.w, 1280);
  EXPECT_EQ(shot.h, 800);
  ASSERT_GT(test_support::PngPixel(dir_ / "frame.png", 660, 120) & 0xFF, 0xC0);  // the moon
  EXPECT_GT(shot.Brightness(240 + 660, 100 + 120), 0xC0);
  EXPECT_EQ(shot.Brightness(120, 400), 0);  // the letterbox
  EXPECT_NE(Settings().find("fullscreen=1"), std::string::npos) << Settings();
  EXPECT_NE(Settings().find("scaling=integer"), std::string::npos);
  std::vector<fs::path> pictures;
  for (const auto& e : fs::directory_iterator(dir_ / "pictures" / "vesk-player"))
    pictures.push_back(e.path());
  ASSERT_EQ(pictures.size(), 1u);
  EXPECT_EQ(pictures[0].extension(), ".png");
  EXPECT_NE(r.err.find(pictures[0].string()), std::string::npos) << r.err;
  int w, h;
  test_support::PngSize(pictures[0], &w, &h);
  EXPECT_EQ(w, 800);
  EXPECT_EQ(h, 600);

  // The next run starts in full screen; Alt+S fits the game to the height.
  r = Play(x, kAltS);
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_TRUE(shot.Load(dir_ / "window.bmp"));
  EXPECT_EQ(shot.w, 1280);
  EXPECT_EQ(shot.h, 800);
  EXPECT_GT(shot.Brightness(106 + 660 * 4 / 3, 120 * 4 / 3), 0xC0);
  EXPECT_NE(Settings().find("scaling=fit"), std::string::npos) << Settings();

  // Alt+Return again: back to the window of the game's size.
  r = Play(x, kAltReturn);
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_TRUE(shot.Load(dir_ / "window.bmp"));
  EXPECT_EQ(shot.w, 800);
  EXPECT_EQ(shot.h, 600);
  EXPECT_NE(Settings().find("fullscreen=0"), std::string::npos) << Settings();
}

}  // namespace
}  // namespace vesk::e2e
