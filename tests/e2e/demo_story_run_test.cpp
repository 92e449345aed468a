// The demo's story and settings in the real player: the choice menu after
// the first scene leads to the hill or to the room, each reached through
// its own scene change, and the settings screen's sliders keep the text
// speed and the volume from run to run.
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

// "はじめる", then Enter through the first scene's three pages; the menu is
// open by frame 240.
constexpr const char* kToTheChoice =
    "10 click 100 420\n80 key Return\n100 key Return\n120 key Return\n140 key Return\n"
    "160 key Return\n180 key Return\n200 key Return\n";

class DemoStory : public GameDirTest {
 protected:
  void SetUp() override {
    GameDirTest::SetUp();
    game_ = CopyDemo();
  }
  RunResult Play(int frames, const std::string& input, const std::string& extra) {
    WriteFile("input.txt", input);
    return RunPlayer("--step 16 --frames " + std::to_string(frames) + " --input " +
                         Q(dir_ / "input.txt") + " --dump-vars " + Q(dir_ / "vars.json") + extra,
                     game_);
  }
  std::string Status(const std::string& name) {
    const std::string vars = Slurp(dir_ / "vars.json");
    const std::string key = "\"name\":\"" + name + "\"";
    const size_t at = vars.find(key);
    if (at == std::string::npos) return "?";
    const size_t v = vars.find("\"values\":[", at) + 10;
    return vars.substr(v, vars.find(']', v) - v);
  }
  // Pixels of `rgb` in the strip left of the message panel (38 x 20).
  static int Count(const fs::path& shot, uint32_t rgb) {
    int n = 0;
    for (int y = 550; y < 570; ++y)
      for (int x = 0; x < 38; ++x) n += PngPixel(shot, x, y) == rgb;
    return n;
  }
  fs::path game_;
};

TEST_F(DemoStory, TheChoiceLeadsToTheHillOrToTheRoom) {
  // Down from no item hovers the first (the hill), Up the last (the room).
  const fs::path menu = dir_ / "menu.png", hill = dir_ / "hill.png", room = dir_ / "room.png";
  RunResult r = Play(430, std::string(kToTheChoice) + "240 key Down\n250 key Return\n",
                     " --screenshot-at 245:" + Q(menu) + " --screenshot " + Q(hill));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Status("picked"), "0");
  r = Play(430, std::string(kToTheChoice) + "240 key Up\n250 key Return\n",
           " --screenshot " + Q(room));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Status("picked"), "1");
  // Left of the message panel: the hill's grass (with some snow on it),
  // the room's floor.
  EXPECT_GT(Count(hill, 0x1C3326u), 300);
  EXPECT_GT(Count(room, 0x3A2418u), 500);
  // The menu's first item is hovered (its highlight) while it is open.
  EXPECT_NE(PngPixel(menu, 520, 270), PngPixel(hill, 520, 270));
}

TEST_F(DemoStory, TheSettingsKeepTheTextSpeedAndTheVolume) {
  // "せってい", a click near the left end of the speed slider, one near the
  // right end of the volume slider, then Escape with the volume focused.
  const fs::path title = dir_ / "title.png", open = dir_ / "open.png", closed = dir_ / "closed.png";
  RunResult r = Play(90, "10 click 400 488\n40 click 320 194\n60 click 600 274\n70 key Escape\n",
                     " --screenshot-at 5:" + Q(title) + " --screenshot-at 65:" + Q(open) +
                         " --screenshot " + Q(closed));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Status("textspeed"), "2");
  EXPECT_EQ(Status("volume"), "94");
  // Open, the screen covers the title's start button; closed, it is back.
  EXPECT_NE(PngPixel(open, 100, 420), PngPixel(title, 100, 420));
  EXPECT_EQ(PngPixel(closed, 100, 420), PngPixel(title, 100, 420));
  r = Play(5, "", "");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Status("textspeed"), "2");
  EXPECT_EQ(Status("volume"), "94");
}

}  // namespace
}  // namespace vesk::e2e
