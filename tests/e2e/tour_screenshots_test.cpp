// The README's tour: the demo played in a real window under a virtual X
// server, with three of its moments saved as pictures (the title, the first
// message with its ruby, the choice menu coming in over the evening's
// wipe). They land in the build tree
// (tour/); scripts/update-screenshots.sh copies them into docs/.
#include <gtest/gtest.h>

#include <filesystem>

#include "e2e/game_dir_test.h"
#include "support/png_read.h"
#include "support/run_program.h"
#include "support/xvfb_server.h"

namespace vesk::e2e {
namespace {

namespace fs = std::filesystem;
using test_support::PngPixels;
using test_support::RunResult;

// How many pixels of a picture are exactly `rgb` inside a rectangle.
int CountIn(const fs::path& png, int left, int top, int right, int bottom, uint32_t rgb) {
  int w = 0, h = 0;
  const std::vector<uint32_t> pixels = PngPixels(png, &w, &h);
  int n = 0;
  for (int y = top; y < std::min(bottom, h); ++y)
    for (int x = left; x < std::min(right, w); ++x) n += pixels[size_t(y) * w + x] == rgb;
  return n;
}

// How many pixels differ between two pictures of the same size.
int Differing(const fs::path& a, const fs::path& b) {
  int wa, ha, wb, hb;
  const std::vector<uint32_t> pa = PngPixels(a, &wa, &ha), pb = PngPixels(b, &wb, &hb);
  if (pa.size() != pb.size() || pa.empty()) return -1;
  int n = 0;
  for (size_t i = 0; i < pa.size(); ++i) n += pa[i] != pb[i];
  return n;
}

class Tour : public GameDirTest {};

TEST_F(Tour, TheDemoInARealWindowGivesTheReadmeItsPictures) {
  test_support::XvfbServer x("1024x768x24");
  if (!x.up()) GTEST_SKIP() << "no X server for the window test";
  const fs::path demo = CopyDemo();
  const fs::path out = VESK_TOUR_DIR;
  fs::create_directories(out);
  const fs::path title = out / "title.png", message = out / "message.png", menu = out / "menu.png";
  for (const fs::path& p : {title, message, menu}) fs::remove(p);
  // The logo takes about 140 frames; the first page of the story reveals
  // itself letter by letter for a few seconds; Enter turns the pages until
  // the choice menu opens, with the evening's wipe running behind it for
  // about 40 frames after the fourth press.
  WriteFile("input.txt",
            "200 click 150 400\n"
            "560 key Return\n580 key Return\n600 key Return\n620 key Return\n"
            "640 key Return\n660 key Return\n680 key Return\n700 key Return\n");
  RunResult r = test_support::RunProgram(
      VESK_PLAYER_PATH,
      "--frames 800 --input " + Q(dir_ / "input.txt") + " --screenshot-at 190:" + Q(title) +
          " --screenshot-at 540:" + Q(message) + " --screenshot-at 640:" + Q(menu) + " " + Q(demo),
      dir_ / "player", x.Env());
  ASSERT_EQ(r.status, 0) << r.err;
  // Each picture is a moment of its own, and each shows what it should:
  // the moon over the title, the message panel with white text. The menu
  // is caught in its wipe, so its colours are whatever the wipe has made
  // of them by then.
  EXPECT_GT(Differing(title, message), 50000);
  EXPECT_GT(Differing(message, menu), 1000);
  EXPECT_GT(test_support::PngPixel(title, 660, 120) & 0xFF, 0xC0);
  EXPECT_GT(CountIn(message, 64, 452, 736, 560, 0xFFFFFF), 200);
}

}  // namespace
}  // namespace vesk::e2e
