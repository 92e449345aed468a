#include "app/window_keys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/engine_fakes.h"
#include "app/form_view.h"
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
