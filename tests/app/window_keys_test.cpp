#include "app/window_keys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/engine_fakes.h"
#include "app/form_view.h"
#include "app/settings_screen.h"
#include "platform/headless/headless_platform.h"
#include "platform/vkeys.h"

namespace vesk::app {
namespace {

namespace fs = std::filesystem;
using platform::Event;
using platform::EventType;
using platform::kModAlt;
using platform::kModShift;
using platform::ScalingMode;
namespace vk = platform::vk;

class WindowKeysTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("vesk-windowkeys-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
    setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
    setenv("XDG_PICTURES_DIR", (dir_ / "pictures").c_str(), 1);
  }
  void TearDown() override {
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("XDG_PICTURES_DIR");
    fs::remove_all(dir_);
  }
  void Start(WindowKeys* keys) {
    FormViewOptions o;
    o.exe_dir = dir_.string();
    o.args = {"game"};
    o.window_keys = keys;
    ASSERT_TRUE(view_.Create(o));
    view_.HandleEvent(Event::Of(EventType::kActivated));
    log_.clear();
  }
  void Press(int key, uint8_t mods) {
    view_.HandleEvent(Event::Key(EventType::kKeyDown, key, false, mods));
    view_.HandleEvent(Event::Key(EventType::kKeyDown, key, true, mods));
    view_.HandleEvent(Event::Key(EventType::kKeyUp, key, false, 0));  // Alt let go first
  }
  // One press without auto-repeat.
  void Tap(int key, uint8_t mods = 0) {
    view_.HandleEvent(Event::Key(EventType::kKeyDown, key, false, mods));
    view_.HandleEvent(Event::Key(EventType::kKeyUp, key, false, 0));
  }
  long KeyDowns(int key) const {
    return std::count(log_.begin(), log_.end(), "key-down " + std::to_string(key));
  }
  platform::HeadlessWindow& window() { return *platform_.window(); }

  fs::path dir_;
  testing::Log log_;
  platform::HeadlessPlatform platform_;
  RuntimeContext ctx_;
  companion::Companion companion_;
  testing::FakeFactory factory_{&log_};
  TFormView view_{ctx_, platform_, companion_, factory_};
};

TEST_F(WindowKeysTest, ThePlayersKeysActAndNeverReachTheGame) {
  WindowKeys keys("GAME", platform::PlayerSettings{});
  Start(&keys);
  Press(vk::kReturn, kModAlt);
  EXPECT_TRUE(window().desktop_fullscreen());
  Press(vk::kReturn, kModAlt);
  EXPECT_FALSE(window().desktop_fullscreen());
  Press('S', kModAlt);
  EXPECT_EQ(window().scaling_mode(), ScalingMode::kFit);
  Press(vk::kSnapshot, 0);
  EXPECT_EQ(KeyDowns(vk::kReturn) + KeyDowns('S') + KeyDowns(vk::kSnapshot), 0);
  EXPECT_FALSE(factory_.scene->recorder.KeyHeld(vk::kReturn));

  // Other chords with the same keys are the game's, as before.
  Press(vk::kReturn, kModAlt | kModShift);
  Press('S', 0);
  EXPECT_EQ(KeyDowns(vk::kReturn), 1);
  EXPECT_EQ(KeyDowns('S'), 1);
  EXPECT_FALSE(window().desktop_fullscreen());
  EXPECT_EQ(window().scaling_mode(), ScalingMode::kFit);
}

TEST_F(WindowKeysTest, TheScreenshotKeyWritesNumberedPngsIntoThePicturesFolder) {
  WindowKeys keys("GAME", platform::PlayerSettings{});
  Start(&keys);
  view_.OnIdle();
  Press(vk::kSnapshot, 0);
  Press(vk::kSnapshot, 0);
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir_ / "pictures" / "vesk-player"))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end(),
            [](const auto& a, const auto& b) { return a.size() < b.size(); });
  ASSERT_EQ(names.size(), 2u);
  // GAME-YYYYMMDD-HHMMSS.png, and a second one in the same second gets -2.
  EXPECT_EQ(names[0].rfind("GAME-", 0), 0u);
  EXPECT_EQ(names[0].size(), std::string("GAME-20261210-142233.png").size());
  if (names[1].size() != names[0].size()) {
    EXPECT_NE(names[1].find("-2.png"), std::string::npos);
  }
}

TEST_F(WindowKeysTest, ChoicesAreRememberedForTheNextRun) {
  {
    WindowKeys keys("GAME");
    Start(&keys);
    Press(vk::kReturn, kModAlt);
    Press('S', kModAlt);
    view_.Close();
  }
  std::vector<std::string> warnings;
  const auto saved = platform::LoadPlayerSettings(
      (dir_ / "config" / "vesk-player" / "GAME" / "settings.ini").string(), &warnings);
  EXPECT_TRUE(saved.fullscreen);
  EXPECT_EQ(saved.scaling, ScalingMode::kFit);

  WindowKeys next("GAME");
  platform::HeadlessPlatform other;
  std::string error;
  auto w = other.CreateMainWindow({}, &error);
  ASSERT_TRUE(w);
  next.Attach(*w);
  next.Offer(Event::Of(EventType::kActivated), *w, nullptr);
  EXPECT_TRUE(w->desktop_fullscreen());
  EXPECT_EQ(w->scaling_mode(), ScalingMode::kFit);
}

TEST_F(WindowKeysTest, TheFullScreenKeyLeavesAFullScreenTheGameAskedForTheGamesWay) {
  WindowKeys keys("GAME", platform::PlayerSettings{});
  Start(&keys);
  factory_.screen->set_chosen_mode(0);
  view_.SetFullScreen(true);
  ASSERT_TRUE(factory_.screen->full_screen());
  Press(vk::kReturn, kModAlt);
  EXPECT_FALSE(factory_.screen->full_screen());  // what the game reads follows
  EXPECT_FALSE(window().desktop_fullscreen());
  EXPECT_EQ(KeyDowns(vk::kReturn), 0);
  Press(vk::kReturn, kModAlt);  // and from the window, the player's own full screen
  EXPECT_TRUE(window().desktop_fullscreen());
  EXPECT_FALSE(factory_.screen->full_screen());
}

TEST_F(WindowKeysTest, AControllersHeldDirectionIsLetGoWhenTheWindowLosesTheFocus) {
  WindowKeys keys("GAME", platform::PlayerSettings{});
  Start(&keys);
  view_.HandleEvent(Event::Pad(platform::PadButton::kDpadDown, true));
  EXPECT_EQ(KeyDowns(vk::kDown), 1);
  view_.HandleEvent(Event::Of(EventType::kDeactivated));
  // The release never comes; back in front, nothing repeats.
  view_.HandleEvent(Event::Of(EventType::kActivated));
  for (int i = 0; i < 5; ++i) {
    platform_.manual_clock().Advance(500);
    view_.OnIdle();
  }
  EXPECT_EQ(KeyDowns(vk::kDown), 1);
}

TEST_F(WindowKeysTest, TheSettingsScreenPausesTheGameAndOkAppliesAndSaves) {
  WindowKeys keys("GAME");
  std::vector<int> levels;
  keys.SetLevelsSink(
      [&](const platform::PlayerSettings& s) { levels.push_back(s.volume_percent); });
  ASSERT_EQ(levels, std::vector<int>{100});  // the sink hears the file's levels at once
  Start(&keys);
  // A key the game holds when the screen opens is let go for it.
  view_.HandleEvent(Event::Key(EventType::kKeyDown, 'Z'));
  view_.HandleEvent(Event::Key(EventType::kKeyDown, 'O', false, kModAlt));
  ASSERT_TRUE(view_.settings_open());
  EXPECT_FALSE(factory_.scene->recorder.KeyHeld('Z'));
  EXPECT_EQ(std::count(log_.begin(), log_.end(), "clear-input"), 1);
  view_.HandleEvent(Event::Key(EventType::kKeyUp, 'O'));

  // The game runs no frame and hears no key while the screen is up.
  const int frames = view_.frames_run();
  view_.OnIdle();
  EXPECT_EQ(view_.frames_run(), frames);
  log_.clear();
  for (int i = 0; i < 3; ++i) Tap(vk::kDown);  // to the volume
  for (int i = 0; i < 4; ++i) Tap(vk::kLeft);
  Tap(vk::kUp);  // the mode switch box
  Tap(vk::kSpace);
  view_.HandleEvent(Event::Mouse(EventType::kMouseDown, platform::MouseButton::kLeft, 1, 1));
  view_.HandleEvent(Event::Mouse(EventType::kMouseUp, platform::MouseButton::kLeft, 1, 1));
  EXPECT_EQ(std::count_if(log_.begin(), log_.end(),
                          [](const std::string& l) { return l.rfind("key-down", 0) == 0; }),
            0);
  EXPECT_FALSE(factory_.scene->recorder.LeftClicked());
  Tap(vk::kReturn);  // on a check box: toggles it back
  Tap(vk::kTab, kModShift);
  Tap(vk::kSpace);   // full screen on
  Tap(vk::kEscape);  // Cancel
  ASSERT_FALSE(view_.settings_open());

  // Cancel: nothing changed, nothing written.
  EXPECT_FALSE(window().desktop_fullscreen());
  EXPECT_FALSE(fs::exists(dir_ / "config" / "vesk-player" / "GAME" / "settings.ini"));

  view_.HandleEvent(Event::Key(EventType::kKeyDown, 'O', false, kModAlt));
  view_.HandleEvent(Event::Key(EventType::kKeyUp, 'O'));
  ASSERT_TRUE(view_.settings_open());
  Tap(vk::kDown);
  Tap(vk::kSpace);  // full screen
  for (int i = 0; i < 2; ++i) Tap(vk::kDown);
  for (int i = 0; i < 4; ++i) Tap(vk::kLeft);  // volume 80
  Tap(vk::kReturn);                            // OK
  ASSERT_FALSE(view_.settings_open());
  EXPECT_TRUE(window().desktop_fullscreen());
  EXPECT_EQ(levels.back(), 80);
  std::vector<std::string> warnings;
  const auto saved = platform::LoadPlayerSettings(
      (dir_ / "config" / "vesk-player" / "GAME" / "settings.ini").string(), &warnings);
  EXPECT_TRUE(saved.fullscreen);
  EXPECT_EQ(saved.volume_percent, 80);
  EXPECT_TRUE(warnings.empty());

  // The key the game held before is the game's again, its release too.
  view_.HandleEvent(Event::Key(EventType::kKeyDown, 'Z'));
  EXPECT_TRUE(factory_.scene->recorder.KeyHeld('Z'));
  view_.OnIdle();
  EXPECT_GT(view_.frames_run(), frames);
}

TEST_F(WindowKeysTest, TheControllersBackButtonOpensAndClosesTheSettings) {
  WindowKeys keys("GAME", platform::PlayerSettings{});
  Start(&keys);
  view_.HandleEvent(Event::Pad(platform::PadButton::kBack, true));
  view_.HandleEvent(Event::Pad(platform::PadButton::kBack, false));
  ASSERT_TRUE(view_.settings_open());
  // The d-pad moves the focus as the arrow keys do; A acts.
  view_.HandleEvent(Event::Pad(platform::PadButton::kDpadDown, true));
  view_.HandleEvent(Event::Pad(platform::PadButton::kDpadDown, false));
  EXPECT_EQ(view_.settings_screen()->focus(), SettingsControl::kFullscreen);
  view_.HandleEvent(Event::Pad(platform::PadButton::kA, true));
  view_.HandleEvent(Event::Pad(platform::PadButton::kA, false));
  EXPECT_TRUE(view_.settings_screen()->edited().fullscreen);
  view_.HandleEvent(Event::Pad(platform::PadButton::kBack, true));
  EXPECT_FALSE(view_.settings_open());
  EXPECT_FALSE(window().desktop_fullscreen());  // Back again is Cancel
  EXPECT_EQ(KeyDowns(vk::kReturn) + KeyDowns(vk::kDown), 0);
}

TEST_F(WindowKeysTest, PicturesFolderComesFromUserDirsThenHome) {
  unsetenv("XDG_PICTURES_DIR");
  const std::string old_home = std::getenv("HOME") ? std::getenv("HOME") : "";
  setenv("HOME", dir_.c_str(), 1);
  EXPECT_EQ(PicturesDirectory(), (dir_ / "Pictures").string());
  fs::create_directories(dir_ / "config");
  std::ofstream(dir_ / "config" / "user-dirs.dirs")
      << "# written by xdg-user-dirs-update\nXDG_PICTURES_DIR=\"$HOME/Bilder\"\n";
  EXPECT_EQ(PicturesDirectory(), (dir_ / "Bilder").string());
  setenv("HOME", old_home.c_str(), 1);
}

}  // namespace
}  // namespace vesk::app
