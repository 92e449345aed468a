#include "vesk-tool/text_game.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "core/sjis.h"
#include "platform/cp932.h"
#include "platform/files.h"
#include "storage/hash.h"
#include "storage/vrfiles.h"

namespace vesk::tool {
namespace {

namespace fs = std::filesystem;

// Names compare as the player's lookups do: ASCII letters in any case, the
// bytes of double-byte characters as they are.
std::string Key(const std::string& name) {
  return UpperAsciiSjis(name);
}

}  // namespace

GameFiles::GameFiles(const std::vector<std::string>& paths) {
  for (const std::string& path : paths) AddPath(path);
  for (const auto& [key, where] : by_key_) names_.push_back(where.name);
  std::sort(names_.begin(), names_.end());
}

void GameFiles::AddPath(const std::string& path) {
  if (platform::DirectoryExists(path)) {
    AddFolder(path);
    const std::string archive = platform::JoinPath(path, "game.dat");
    if (platform::FileExists(archive)) AddArchive(archive);
  } else if (platform::FileExists(path)) {
    AddArchive(path);
  } else {
    throw std::runtime_error(path + ": no such game folder or file");
  }
}

GameFiles::~GameFiles() = default;

void GameFiles::AddFolder(const std::string& folder) {
  std::error_code ec;
  for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    std::string utf8 = it->path().lexically_relative(folder).generic_string();
    if (utf8.find('\\') != std::string::npos || !platform::IsCp932Representable(utf8)) continue;
    std::replace(utf8.begin(), utf8.end(), '/', '\\');
    Add(platform::Utf8ToCp932(utf8), -1, it->path().string());
  }
  if (ec) throw std::runtime_error(folder + ": " + ec.message());
}

void GameFiles::AddArchive(const std::string& path) {
  auto archive = std::make_unique<storage::TVrFileCollection>();
  try {
    archive->Open(path);
  } catch (const std::exception& e) {
    throw std::runtime_error(path + ": " + e.what());
  }
  if (!archive->HasData()) throw std::runtime_error(path + ": not a game archive");
  const int source = static_cast<int>(archives_.size());
  for (int i = 0; i < archive->Count(); ++i) {
    const std::string& name = archive->Entry(i)->Name();
    if (name != storage::kEofEntryName) Add(name, source, {});
  }
  archives_.push_back(std::move(archive));
}

void GameFiles::Add(const std::string& name, int source, const std::string& host_path) {
  by_key_.emplace(Key(name), Location{name, source, host_path});
}

std::optional<std::vector<uint8_t>> GameFiles::Read(const std::string& name) const {
  const auto it = by_key_.find(Key(name));
  if (it == by_key_.end()) return std::nullopt;
  const Location& where = it->second;
  if (where.source < 0) return platform::ReadWholeFile(where.host_path);
  try {
    storage::TVrFileCollection& archive = *archives_[static_cast<size_t>(where.source)];
    const storage::TVrFile* entry = archive.FindEntry(where.name);
    if (!entry) return std::nullopt;
    return archive.ReadEntryData(*entry);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

}  // namespace vesk::tool
