#pragma once
// Stands in for the registry: string values under "Software\..." style keys,
// kept in one small file under the user's XDG config directory and written
// atomically on every change.
#include <map>
#include <optional>
#include <string>

namespace vesk::platform {

class SettingsStore {
 public:
  // file_path empty: $XDG_CONFIG_HOME/vesk-player/registry.ini
  explicit SettingsStore(std::string file_path = {});

  std::optional<std::string> Read(const std::string& key, const std::string& value_name) const;
  bool Write(const std::string& key, const std::string& value_name, const std::string& data);
  const std::string& path() const { return path_; }

 private:
  void Load();
  bool Save() const;
  std::string path_;
  std::map<std::string, std::map<std::string, std::string>> sections_;
};

}  // namespace vesk::platform
