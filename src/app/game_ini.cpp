#include "app/game_ini.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "core/sjis.h"
#include "platform/files.h"

namespace vesk::app {
namespace {

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    pos = end + 1;
  }
  return lines;
}

bool IsSectionLine(const std::string& line, std::string* name) {
  std::string t = Trim(line);
  if (t.size() < 2 || t.front() != '[' || t.back() != ']') return false;
  *name = Trim(t.substr(1, t.size() - 2));
  return true;
}

bool IsKeyLine(const std::string& line, const std::string& key, std::string* value) {
  auto eq = line.find('=');
  if (eq == std::string::npos || !EqualsIgnoreAsciiCase(Trim(line.substr(0, eq)), key))
    return false;
  *value = Trim(line.substr(eq + 1));
  return true;
}

// Integers as the Windows profile functions read them: leading digits with
// an optional sign, or a hexadecimal "0x" form; anything else is the default.
int32_t ParseInt(const std::string& s, int32_t fallback) {
  if (s.empty()) return fallback;
  char* end = nullptr;
  const bool hex = s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X');
  long v = std::strtol(s.c_str(), &end, hex ? 16 : 10);
  if (end == s.c_str() || *end != 0) return fallback;
  return static_cast<int32_t>(std::clamp<long>(v, INT32_MIN, INT32_MAX));
}

std::string LoadText(const std::string& path) {
  auto data = platform::ReadWholeFile(path);
  return data ? std::string(data->begin(), data->end()) : std::string();
}

}  // namespace

std::string IniRead(const std::string& text, const std::string& section, const std::string& key,
                    const std::string& fallback) {
  std::string current, value;
  for (const auto& line : SplitLines(text)) {
    if (IsSectionLine(line, &current)) continue;
    if (EqualsIgnoreAsciiCase(current, section) && IsKeyLine(line, key, &value)) return value;
  }
  return fallback;
}

std::string IniWrite(const std::string& text, const std::string& section, const std::string& key,
                     const std::string& value) {
  std::vector<std::string> lines = SplitLines(text);
  std::string current, old;
  int section_end = -1;  // index after the last line of the section
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string name;
    if (IsSectionLine(lines[i], &name)) {
      current = name;
      if (EqualsIgnoreAsciiCase(name, section)) section_end = static_cast<int>(i) + 1;
      continue;
    }
    if (!EqualsIgnoreAsciiCase(current, section)) continue;
    if (IsKeyLine(lines[i], key, &old)) {
      lines[i] = key + "=" + value;
      section_end = -2;
      break;
    }
    if (!Trim(lines[i]).empty()) section_end = static_cast<int>(i) + 1;
  }
  if (section_end == -1) {
    if (!lines.empty() && !Trim(lines.back()).empty()) lines.push_back("");
    lines.push_back("[" + section + "]");
    lines.push_back(key + "=" + value);
  } else if (section_end >= 0) {
    lines.insert(lines.begin() + section_end, key + "=" + value);
  }
  std::string out;
  for (const auto& l : lines) out += l + "\r\n";
  return out;
}

SoundSettings ReadGameIniRaw(const std::string& path) {
  SoundSettings s;
  if (!platform::FileExists(path)) return s;
  const std::string text = LoadText(path);
  s.direct_sound = ParseInt(IniRead(text, "Sound", "DirectSound", ""), 1) != 0;
  s.delay_ms = ParseInt(IniRead(text, "Sound", "DelayTime", ""), s.delay_ms);
  return s;
}

int32_t ClampDelayMs(int32_t stored_ms) {
  return std::clamp<int32_t>(stored_ms / 100 * 100, 100, 500);
}

SoundSettings ReadGameIni(const std::string& path) {
  SoundSettings s = ReadGameIniRaw(path);
  s.delay_ms = ClampDelayMs(s.delay_ms);
  return s;
}

bool WriteGameIni(const std::string& path, const SoundSettings& settings) {
  std::string text = LoadText(path);
  text = IniWrite(text, "Sound", "DirectSound", settings.direct_sound ? "1" : "0");
  text = IniWrite(text, "Sound", "DelayTime", std::to_string(settings.delay_ms));
  return platform::WriteFileAtomic(path, text.data(), text.size());
}

}  // namespace vesk::app
