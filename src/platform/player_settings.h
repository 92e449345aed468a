#pragma once
// The player's own per-game settings: a small ini file beside nothing of the
// game's, $XDG_CONFIG_HOME/vesk-player/<game>/settings.ini. It holds what the
// user chose for the window (scaling, full screen, placement), the keys the
// player keeps for itself and the SoundFont. Nothing here is ever seen by a
// game's scripts.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/view_mapping.h"

namespace vesk::platform {

// A key with the modifiers that must be held with it (kMod... bits).
struct KeyChord {
  int vk = 0;
  uint8_t mods = 0;
  bool Matches(int event_vk, uint8_t event_mods) const {
    return vk != 0 && vk == event_vk && mods == event_mods;
  }
  bool operator==(const KeyChord&) const = default;
};

// "Alt+Return", "Ctrl+Shift+F12", "PrintScreen": modifiers Alt, Ctrl, Shift
// and Super (any case) joined by '+', then one key name. Nullopt when any
// piece is unknown.
std::optional<KeyChord> ParseKeyChord(const std::string& text);
std::string FormatKeyChord(const KeyChord& chord);

struct PlayerSettings {
  // [window]
  ScalingMode scaling = ScalingMode::kInteger;
  bool fullscreen = false;
  bool has_placement = false;  // x, y, width and height were all given
  int x = 0, y = 0, width = 0, height = 0;
  bool allow_mode_switch = false;
  // [keys]
  KeyChord fullscreen_key{0x0D, 4};  // Alt+Return
  KeyChord scaling_key{0x53, 4};     // Alt+S
  KeyChord screenshot_key{0x2C, 0};  // PrintScreen
  KeyChord settings_key{0x4F, 4};    // Alt+O: the settings screen
  // [sound]
  std::string soundfont;
  // The player's own levels over everything the game plays, in percent
  // (0..100): all of it, the MIDI synthesizer, and the wave outputs
  // (sounds, Ogg, WMA, CD tracks and films).
  int volume_percent = 100;
  int music_volume_percent = 100;
  int sounds_volume_percent = 100;
  // [controller]: the game controller's mapping, its "name=value" lines as
  // written (the app parses them; they are kept and written back as they are).
  std::string controller;

  bool operator==(const PlayerSettings&) const = default;
};

// Reads the ini text; unknown keys are kept out, a bad value leaves the
// default and adds a line to *warnings.
PlayerSettings ParsePlayerSettings(const std::string& text, std::vector<std::string>* warnings);
std::string FormatPlayerSettings(const PlayerSettings& settings);

// The file of one game: <config>/vesk-player/<game>/settings.ini, <config>
// being $XDG_CONFIG_HOME or $HOME/.config; empty when neither is known.
std::string PlayerSettingsPath(const std::string& game_name);
// A missing file gives the defaults; warnings as above.
PlayerSettings LoadPlayerSettings(const std::string& path, std::vector<std::string>* warnings);
// Atomically, creating the folders; false with *error on failure.
bool SavePlayerSettings(const std::string& path, const PlayerSettings& settings,
                        std::string* error);

}  // namespace vesk::platform
