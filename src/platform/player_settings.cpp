#include "platform/player_settings.h"

#include <cctype>
#include <cstdlib>
#include <sstream>

#include "platform/events.h"
#include "platform/files.h"
#include "platform/vkeys.h"

namespace vesk::platform {
namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string Trim(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

// Names the window system uses that differ from our own key names.
struct KeyAlias {
  const char* name;
  int vk;
};
constexpr KeyAlias kAliases[] = {
    {"printscreen", vk::kSnapshot}, {"print", vk::kSnapshot}, {"enter", vk::kReturn},
    {"esc", vk::kEscape},           {"backspace", vk::kBack}, {"scrolllock", vk::kScroll},
    {"numlock", vk::kNumLock},      {"pageup", vk::kPrior},   {"pagedown", vk::kNext},
};

struct ModName {
  const char* name;
  uint8_t bit;
};
constexpr ModName kMods[] = {{"alt", kModAlt},
                             {"ctrl", kModControl},
                             {"control", kModControl},
                             {"shift", kModShift},
                             {"super", kModSuper}};

int KeyByName(const std::string& name) {
  const std::string want = Lower(name);
  for (const auto& a : kAliases)
    if (want == a.name) return a.vk;
  for (int code = 1; code < 256; ++code)
    if (const char* n = vk::VirtualKeyName(code); n && want == Lower(n)) return code;
  return 0;
}

std::optional<bool> ParseFlag(const std::string& v) {
  if (v == "1" || Lower(v) == "true") return true;
  if (v == "0" || Lower(v) == "false") return false;
  return std::nullopt;
}

std::optional<int> ParseInt(const std::string& v) {
  if (v.empty() || v.size() > 7) return std::nullopt;
  char* end = nullptr;
  const long n = std::strtol(v.c_str(), &end, 10);
  if (*end != '\0') return std::nullopt;
  return static_cast<int>(n);
}

struct Placement {
  std::optional<int> x, y, w, h;
};

void Warn(std::vector<std::string>* warnings, const std::string& section, const std::string& key,
          const std::string& value) {
  if (warnings)
    warnings->push_back("[" + section + "] " + key + "=" + value +
                        ": not a valid value, the default is used");
}

bool ApplyWindowKey(PlayerSettings* s, Placement* p, const std::string& key, const std::string& v) {
  if (key == "scaling") {
    if (v == "fit")
      s->scaling = ScalingMode::kFit;
    else if (v == "integer")
      s->scaling = ScalingMode::kInteger;
    else
      return false;
    return true;
  }
  if (key == "fullscreen" || key == "allow_mode_switch") {
    const auto flag = ParseFlag(v);
    if (!flag) return false;
    (key == "fullscreen" ? s->fullscreen : s->allow_mode_switch) = *flag;
    return true;
  }
  std::optional<int>* slot = key == "x"        ? &p->x
                             : key == "y"      ? &p->y
                             : key == "width"  ? &p->w
                             : key == "height" ? &p->h
                                               : nullptr;
  if (!slot) return true;  // unknown keys are ignored
  *slot = ParseInt(v);
  if (!*slot || ((key == "width" || key == "height") && **slot <= 0)) {
    slot->reset();
    return false;
  }
  return true;
}

bool ApplyKeysKey(PlayerSettings* s, const std::string& key, const std::string& v) {
  KeyChord* slot = key == "fullscreen"   ? &s->fullscreen_key
                   : key == "scaling"    ? &s->scaling_key
                   : key == "screenshot" ? &s->screenshot_key
                   : key == "settings"   ? &s->settings_key
                                         : nullptr;
  if (!slot) return true;
  const auto chord = ParseKeyChord(v);
  if (!chord) return false;
  *slot = *chord;
  return true;
}

bool ApplySoundKey(PlayerSettings* s, const std::string& key, const std::string& v) {
  if (key == "soundfont") {
    s->soundfont = v;
    return true;
  }
  int* slot = key == "volume"          ? &s->volume_percent
              : key == "music_volume"  ? &s->music_volume_percent
              : key == "sounds_volume" ? &s->sounds_volume_percent
                                       : nullptr;
  if (!slot) return true;
  const auto n = ParseInt(v);
  if (!n || *n < 0 || *n > 100) return false;
  *slot = *n;
  return true;
}

}  // namespace

std::optional<KeyChord> ParseKeyChord(const std::string& text) {
  KeyChord chord;
  std::string rest = Trim(text);
  for (;;) {
    const size_t plus = rest.find('+');
    // A lone '+' at the end would be the key itself; no key is named so.
    if (plus == std::string::npos) break;
    const std::string mod = Lower(Trim(rest.substr(0, plus)));
    bool known = false;
    for (const auto& m : kMods)
      if (mod == m.name) {
        chord.mods |= m.bit;
        known = true;
      }
    if (!known) return std::nullopt;
    rest = Trim(rest.substr(plus + 1));
  }
  chord.vk = KeyByName(rest);
  if (chord.vk == 0) return std::nullopt;
  return chord;
}

std::string FormatKeyChord(const KeyChord& chord) {
  std::string out;
  if (chord.mods & kModControl) out += "Ctrl+";
  if (chord.mods & kModAlt) out += "Alt+";
  if (chord.mods & kModShift) out += "Shift+";
  if (chord.mods & kModSuper) out += "Super+";
  const char* name = vk::VirtualKeyName(chord.vk);
  // A key known only by the window system's name (Scroll Lock, Num Lock)
  // is written under that name, so the file reads back the same.
  for (const auto& a : kAliases)
    if (!name && a.vk == chord.vk) name = a.name;
  return out + (name ? name : "");
}

PlayerSettings ParsePlayerSettings(const std::string& text, std::vector<std::string>* warnings) {
  PlayerSettings s;
  Placement p;
  std::istringstream in(text);
  std::string line, section;
  while (std::getline(in, line)) {
    line = Trim(line);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line.front() == '[' && line.back() == ']') {
      section = Lower(Trim(line.substr(1, line.size() - 2)));
      continue;
    }
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = Lower(Trim(line.substr(0, eq)));
    const std::string value = Trim(line.substr(eq + 1));
    bool ok = true;
    if (section == "window")
      ok = ApplyWindowKey(&s, &p, key, value);
    else if (section == "keys")
      ok = ApplyKeysKey(&s, key, value);
    else if (section == "sound")
      ok = ApplySoundKey(&s, key, value);
    else if (section == "controller")
      s.controller += key + "=" + value + "\n";
    if (!ok) Warn(warnings, section, key, value);
  }
  if (p.x && p.y && p.w && p.h) {
    s.has_placement = true;
    s.x = *p.x;
    s.y = *p.y;
    s.width = *p.w;
    s.height = *p.h;
  }
  return s;
}

std::string FormatPlayerSettings(const PlayerSettings& s) {
  std::ostringstream out;
  out << "[window]\n"
      << "scaling=" << (s.scaling == ScalingMode::kFit ? "fit" : "integer") << "\n"
      << "fullscreen=" << (s.fullscreen ? 1 : 0) << "\n";
  if (s.has_placement)
    out << "x=" << s.x << "\ny=" << s.y << "\nwidth=" << s.width << "\nheight=" << s.height << "\n";
  out << "allow_mode_switch=" << (s.allow_mode_switch ? 1 : 0) << "\n"
      << "\n[keys]\n"
      << "fullscreen=" << FormatKeyChord(s.fullscreen_key) << "\n"
      << "scaling=" << FormatKeyChord(s.scaling_key) << "\n"
      << "screenshot=" << FormatKeyChord(s.screenshot_key) << "\n"
      << "settings=" << FormatKeyChord(s.settings_key) << "\n"
      << "\n[sound]\n"
      << "soundfont=" << s.soundfont << "\n"
      << "volume=" << s.volume_percent << "\n"
      << "music_volume=" << s.music_volume_percent << "\n"
      << "sounds_volume=" << s.sounds_volume_percent << "\n";
  if (!s.controller.empty()) out << "\n[controller]\n" << s.controller;
  return out.str();
}

std::string PlayerSettingsPath(const std::string& game_name) {
  std::string base;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/')
    base = xdg;
  else if (const char* home = std::getenv("HOME"); home && home[0])
    base = JoinPath(home, ".config");
  if (base.empty() || game_name.empty()) return {};
  return JoinPath(JoinPath(JoinPath(base, "vesk-player"), game_name), "settings.ini");
}

PlayerSettings LoadPlayerSettings(const std::string& path, std::vector<std::string>* warnings) {
  const auto bytes = path.empty() ? std::nullopt : ReadWholeFile(path);
  // Anything bigger than a settings file could be is not one.
  if (!bytes || bytes->size() > 64 * 1024) return {};
  return ParsePlayerSettings(std::string(bytes->begin(), bytes->end()), warnings);
}

bool SavePlayerSettings(const std::string& path, const PlayerSettings& settings,
                        std::string* error) {
  if (path.empty()) {
    if (error) *error = "no configuration folder is known";
    return false;
  }
  const size_t slash = path.rfind('/');
  if (slash != std::string::npos && !MakeDirectories(path.substr(0, slash))) {
    if (error) *error = path.substr(0, slash) + ": " + LastErrorText();
    return false;
  }
  const std::string text = FormatPlayerSettings(settings);
  return WriteFileAtomic(path, text.data(), text.size(), error);
}

}  // namespace vesk::platform
