#include "platform/player_settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/events.h"
#include "platform/files.h"
#include "platform/vkeys.h"

namespace vesk::platform {
namespace {

TEST(KeyChord, ParsesModifiersAndKeyNamesInAnyCase) {
  EXPECT_EQ(ParseKeyChord("Alt+Return"), (KeyChord{vk::kReturn, kModAlt}));
  EXPECT_EQ(ParseKeyChord("alt + enter"), (KeyChord{vk::kReturn, kModAlt}));
  EXPECT_EQ(ParseKeyChord("PrintScreen"), (KeyChord{vk::kSnapshot, 0}));
  EXPECT_EQ(ParseKeyChord("Ctrl+Shift+F12"), (KeyChord{vk::kF1 + 11, kModControl | kModShift}));
  EXPECT_EQ(ParseKeyChord("Super+s"), (KeyChord{vk::kA + 18, kModSuper}));
  EXPECT_EQ(ParseKeyChord("Control+PageDown"), (KeyChord{vk::kNext, kModControl}));
  for (const char* bad : {"", "Alt+", "Meta+S", "Alt+NoSuchKey", "+S", "Alt++"})
    EXPECT_FALSE(ParseKeyChord(bad)) << bad;
}

// A key the settings accept under the window system's name only must be
// written so that it reads back (a fuzz finding: Scroll Lock came back as
// no key, and the file lost it).
TEST(KeyChord, KeysKnownByTheirAliasOnlyFormatBackToIt) {
  for (const char* text : {"scrolllock", "Alt+NumLock"}) {
    const std::optional<KeyChord> chord = ParseKeyChord(text);
    ASSERT_TRUE(chord) << text;
    EXPECT_EQ(ParseKeyChord(FormatKeyChord(*chord)), chord) << text;
  }
}

TEST(KeyChord, FormatsBackToAParsableName) {
  for (const char* text : {"Alt+Return", "Alt+S", "PrintScreen", "Ctrl+Shift+F5", "Super+Home"}) {
    const auto chord = ParseKeyChord(text);
    ASSERT_TRUE(chord) << text;
    EXPECT_EQ(FormatKeyChord(*chord), text);
  }
  // The chord matches its own modifiers exactly: Alt+Shift+Return is the game's.
  const KeyChord alt_return{vk::kReturn, kModAlt};
  EXPECT_TRUE(alt_return.Matches(vk::kReturn, kModAlt));
  EXPECT_FALSE(alt_return.Matches(vk::kReturn, kModAlt | kModShift));
  EXPECT_FALSE(alt_return.Matches(vk::kReturn, 0));
}

TEST(PlayerSettings, DefaultsWhenEmptyAndValuesWhenGiven) {
  std::vector<std::string> warnings;
  const PlayerSettings none = ParsePlayerSettings("", &warnings);
  EXPECT_EQ(none, PlayerSettings{});
  EXPECT_EQ(none.scaling, ScalingMode::kInteger);
  EXPECT_FALSE(none.allow_mode_switch);
  EXPECT_EQ(FormatKeyChord(none.fullscreen_key), "Alt+Return");
  EXPECT_EQ(FormatKeyChord(none.scaling_key), "Alt+S");
  EXPECT_EQ(FormatKeyChord(none.screenshot_key), "PrintScreen");
  EXPECT_EQ(FormatKeyChord(none.settings_key), "Alt+O");
  EXPECT_EQ(none.volume_percent, 100);

  const PlayerSettings s = ParsePlayerSettings(
      "; mine\n[Window]\nscaling = fit\nfullscreen=1\nx=10\ny=-20\nwidth=800\nheight=600\r\n"
      "allow_mode_switch=1\nunknown=3\n[keys]\nscreenshot=F12\n[sound]\nsoundfont=/a b.sf2\n"
      "volume=40\nmusic_volume=0\nsounds_volume=100\n[keys]\nsettings=Ctrl+F1\n",
      &warnings);
  EXPECT_TRUE(warnings.empty());
  EXPECT_EQ(s.scaling, ScalingMode::kFit);
  EXPECT_TRUE(s.fullscreen);
  EXPECT_TRUE(s.allow_mode_switch);
  ASSERT_TRUE(s.has_placement);
  EXPECT_EQ(s.x, 10);
  EXPECT_EQ(s.y, -20);
  EXPECT_EQ(s.width, 800);
  EXPECT_EQ(s.height, 600);
  EXPECT_EQ(s.screenshot_key, (KeyChord{vk::kF1 + 11, 0}));
  EXPECT_EQ(s.soundfont, "/a b.sf2");
  EXPECT_EQ(s.volume_percent, 40);
  EXPECT_EQ(s.music_volume_percent, 0);
  EXPECT_EQ(s.sounds_volume_percent, 100);
  EXPECT_EQ(s.settings_key, (KeyChord{vk::kF1, platform::kModControl}));
  // Everything read writes back to the same settings.
  EXPECT_EQ(ParsePlayerSettings(FormatPlayerSettings(s), &warnings), s);
}

TEST(PlayerSettings, BadValuesWarnAndKeepTheDefault) {
  std::vector<std::string> warnings;
  const PlayerSettings s = ParsePlayerSettings(
      "[window]\nscaling=huge\nfullscreen=maybe\nx=1\ny=2\nwidth=0\nheight=99999999999\n"
      "[keys]\nfullscreen=Hyper+Q\n[sound]\nvolume=101\nmusic_volume=-1\nsounds_volume=x\n",
      &warnings);
  EXPECT_EQ(warnings.size(), 8u);
  EXPECT_EQ(s.volume_percent, 100);
  EXPECT_EQ(s.music_volume_percent, 100);
  EXPECT_EQ(s.scaling, ScalingMode::kInteger);
  EXPECT_FALSE(s.fullscreen);
  EXPECT_FALSE(s.has_placement);  // a half placement is none
  EXPECT_EQ(FormatKeyChord(s.fullscreen_key), "Alt+Return");
  ASSERT_FALSE(warnings.empty());
  EXPECT_NE(warnings[0].find("scaling=huge"), std::string::npos);
}

TEST(PlayerSettings, FileRoundTripCreatesTheFolders) {
  const std::string dir = MakePrivateTempDirectory("vesk-settings-test");
  ASSERT_FALSE(dir.empty());
  ::setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
  const std::string path = PlayerSettingsPath("-HOME-GAMES-DEMO-");
  EXPECT_EQ(path, dir + "/vesk-player/-HOME-GAMES-DEMO-/settings.ini");
  EXPECT_EQ(LoadPlayerSettings(path, nullptr), PlayerSettings{});  // no file yet

  PlayerSettings s;
  s.scaling = ScalingMode::kFit;
  s.fullscreen = true;
  s.has_placement = true;
  s.x = 5;
  s.y = 6;
  s.width = 1280;
  s.height = 800;
  s.scaling_key = {vk::kF1 + 8, kModControl};
  s.soundfont = "sounds/font.sf2";
  s.controller = "a=space\nstart=escape\n";  // kept as written, for the app to read
  std::string error;
  ASSERT_TRUE(SavePlayerSettings(path, s, &error)) << error;
  std::vector<std::string> warnings;
  EXPECT_EQ(LoadPlayerSettings(path, &warnings), s);
  EXPECT_TRUE(warnings.empty());
  ::unsetenv("XDG_CONFIG_HOME");
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace vesk::platform
