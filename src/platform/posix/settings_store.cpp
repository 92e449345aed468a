#include "platform/settings_store.h"

#include <sys/stat.h>

#include <cstdlib>

#include "platform/files.h"

namespace vesk::platform {
namespace {

std::string DefaultPath() {
  std::string base;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
    base = xdg;
  else if (const char* home = std::getenv("HOME"); home && *home)
    base = std::string(home) + "/.config";
  else
    base = "/tmp";
  mkdir(base.c_str(), 0700);
  std::string dir = base + "/vesk-player";
  mkdir(dir.c_str(), 0700);
  return dir + "/registry.ini";
}

// Values may hold any byte; newlines and backslashes are escaped so one
// value stays on one line.
std::string Escape(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '\\')
      out += "\\\\";
    else if (c == '\n')
      out += "\\n";
    else if (c == '\r')
      out += "\\r";
    else
      out += c;
  }
  return out;
}

std::string Unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size()) {
      char n = s[++i];
      out += n == 'n' ? '\n' : n == 'r' ? '\r' : n;
    } else {
      out += s[i];
    }
  }
  return out;
}

}  // namespace

SettingsStore::SettingsStore(std::string file_path)
    : path_(file_path.empty() ? DefaultPath() : std::move(file_path)) {
  Load();
}

void SettingsStore::Load() {
  auto data = ReadWholeFile(path_);
  if (!data) return;
  std::string text(data->begin(), data->end());
  std::string section;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      section = Unescape(line.substr(1, line.size() - 2));
    } else if (auto eq = line.find('='); eq != std::string::npos && !section.empty()) {
      sections_[section][Unescape(line.substr(0, eq))] = Unescape(line.substr(eq + 1));
    }
  }
}

bool SettingsStore::Save() const {
  std::string text;
  for (const auto& [section, values] : sections_) {
    text += "[" + Escape(section) + "]\n";
    for (const auto& [name, data] : values) {
      // '=' inside a name would split wrongly on reading; names never hold it
      // in practice, but escape-free names keep the file readable.
      text += Escape(name) + "=" + Escape(data) + "\n";
    }
  }
  return WriteFileAtomic(path_, text.data(), text.size());
}

std::optional<std::string> SettingsStore::Read(const std::string& key,
                                               const std::string& value_name) const {
  auto s = sections_.find(key);
  if (s == sections_.end()) return std::nullopt;
  auto v = s->second.find(value_name);
  if (v == s->second.end()) return std::nullopt;
  return v->second;
}

bool SettingsStore::Write(const std::string& key, const std::string& value_name,
                          const std::string& data) {
  sections_[key][value_name] = data;
  return Save();
}

}  // namespace vesk::platform
