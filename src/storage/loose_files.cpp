#include "storage/loose_files.h"

#include <algorithm>

#include "core/sjis.h"
#include "platform/cp932.h"
#include "platform/files.h"

namespace vesk::storage {

std::optional<std::vector<std::string>> SplitGameName(const std::string& name) {
  if (name.empty() || name[0] == '\\' || name[0] == '/') return std::nullopt;
  // "C:" and the like would name another drive's root.
  if (name.size() >= 2 && name[1] == ':') return std::nullopt;
  std::vector<std::string> parts(1);
  for (size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<uint8_t>(name[i]);
    if (IsSjisLeadByte(c) && i + 1 < name.size()) {
      parts.back() += name[i];
      parts.back() += name[++i];
    } else if (c == '\\' || c == '/') {
      parts.emplace_back();
    } else if (c == 0) {
      return std::nullopt;
    } else {
      parts.back() += name[i];
    }
  }
  // A trailing separator names the folder itself.
  if (parts.size() > 1 && parts.back().empty()) parts.pop_back();
  for (const auto& p : parts)
    if (p.empty() || p == "." || p == "..") return std::nullopt;
  return parts;
}

const std::vector<std::string>* LooseFileResolver::ListingOf(const std::string& folder) {
  const int64_t mtime = platform::ModificationTimeNs(folder);
  auto it = listings_.find(folder);
  if (it != listings_.end() && it->second.mtime_ns == mtime && mtime != 0) return &it->second.names;
  auto names = platform::ListDirectory(folder);
  if (!names) {
    listings_.erase(folder);
    return nullptr;
  }
  Listing& l = listings_[folder];
  l.mtime_ns = mtime;
  l.names = std::move(*names);
  return &l.names;
}

std::optional<std::string> LooseFileResolver::Resolve(const std::string& base_folder,
                                                      const std::string& name_cp932) {
  if (base_folder.empty()) return std::nullopt;
  auto parts = SplitGameName(name_cp932);
  if (!parts) return std::nullopt;
  std::string path = base_folder;
  if (path.back() != '/') path += '/';
  for (size_t i = 0; i < parts->size(); ++i) {
    const std::string& raw = (*parts)[i];
    const std::string utf8 = platform::Cp932ToUtf8(raw);
    // The exact UTF-8 name is the common case and needs no listing.
    std::string next = path + utf8;
    const bool last = i + 1 == parts->size();
    if (!(last ? platform::FileExists(next) || platform::DirectoryExists(next)
               : platform::DirectoryExists(next))) {
      const auto* names = ListingOf(path);
      if (!names) return std::nullopt;
      auto match = std::find_if(names->begin(), names->end(), [&](const std::string& n) {
        return EqualsIgnoreAsciiCase(n, utf8) || EqualsIgnoreAsciiCase(n, raw);
      });
      if (match == names->end()) return std::nullopt;
      next = path + *match;
    }
    path = last ? next : next + "/";
  }
  return path;
}

}  // namespace vesk::storage
