// The player in a real window on desktops of other depths, under a private
// virtual X server (the test is skipped where there is none).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "e2e/game_dir_test.h"
#include "support/png_read.h"
#include "support/xvfb_server.h"

namespace vesk::e2e {
namespace {

// An Xvfb of the given depth.
class DepthDisplay : public test_support::XvfbServer {
 public:
  explicit DepthDisplay(int depth) : XvfbServer("800x600x" + std::to_string(depth)) {}
};

class WindowDepth : public GameDirTest {
 protected:
  // A box of colour (200,100,50) on black, shot from a real window after
  // some frames; the colour as the screenshot holds it.
  int64_t BoxColourOn(const DepthDisplay& x) {
    WriteSource("project.vproj", "title \"Depth\"\nscreen 64 48\nstart \"start.lsb\"\n");
    WriteSource("start.vsc",
                "BoxNew Name: \"b\" Left: 8 Top: 8 Width: 20 Height: 10 Color: 0x3264C8\n");
    test_support::RunResult c = Compile();
    EXPECT_EQ(c.status, 0) << c.err;
    const std::filesystem::path shot = dir_ / "shot.png";
    test_support::RunResult r = test_support::RunProgram(
        VESK_PLAYER_PATH, "--no-logo --frames 20 --screenshot " + Q(shot) + " " + Q(dir_ / "game"),
        dir_ / "player", x.Env());
    EXPECT_EQ(r.status, 0) << r.err;
    return test_support::PngPixel(shot, 12, 12);
  }
};

TEST_F(WindowDepth, A15BitDesktopGivesSurfacesWithFiveBitsForEachColour) {
  DepthDisplay x(15);
  if (!x.up()) GTEST_SKIP() << "no X server for the window test";
  // 200, 100, 50 cut to five bits each and widened again for the picture;
  // a 5-6-5 surface would keep green as 101.
  EXPECT_EQ(BoxColourOn(x), 0xCE6331);
}

TEST_F(WindowDepth, A24BitDesktopKeepsEveryBit) {
  DepthDisplay x(24);
  if (!x.up()) GTEST_SKIP() << "no X server for the window test";
  EXPECT_EQ(BoxColourOn(x), 0xC86432);
}

}  // namespace
}  // namespace vesk::e2e
