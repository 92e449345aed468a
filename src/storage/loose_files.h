#pragma once
// Finds game names (Shift-JIS, '\' separators) among the files of a folder
// on disk: each component is converted to UTF-8 and matched without regard
// to case; a file whose on-disk name is still the raw Shift-JIS bytes is
// found too. A name that would reach outside the folder (".." or "."
// components, a root or drive prefix) is never resolved. Folder listings are
// cached and re-read when a folder's modification time changes.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vesk::storage {

// Splits a game name at '\' and '/' (a 0x5C trail byte of a double-byte
// character is not a separator). nullopt when the name is unsafe: empty,
// absolute, with a drive prefix, or with "." or ".." components.
std::optional<std::vector<std::string>> SplitGameName(const std::string& name_cp932);

class LooseFileResolver {
 public:
  // Host path of the file (or folder) `name` below `base_folder`, or nullopt.
  std::optional<std::string> Resolve(const std::string& base_folder, const std::string& name_cp932);
  void Forget() { listings_.clear(); }

 private:
  struct Listing {
    int64_t mtime_ns = 0;
    std::vector<std::string> names;
  };
  const std::vector<std::string>* ListingOf(const std::string& folder);
  std::map<std::string, Listing> listings_;
};

}  // namespace vesk::storage
