#include "storage/patch_source.h"

#include <algorithm>

#include "platform/files.h"
#include "storage/vrfiles.h"

namespace vesk::storage {

TPatchSource::TPatchSource() = default;
TPatchSource::~TPatchSource() = default;

void TPatchSource::Open(const std::string& host_path) {
  host_path_ = host_path;
  if (platform::DirectoryExists(host_path)) {
    folder_ = host_path;
    if (folder_.back() != '/') folder_ += '/';
    return;
  }
  // An archive that is not there would quietly become a folder source.
  if (!platform::FileExists(host_path))
    throw EArchiveError(host_path + ": no such patch folder or archive");
  auto archive = std::make_unique<TVrFileCollection>();
  archive->Open(host_path);
  if (!archive->HasData()) throw EArchiveError(host_path + ": not an archive");
  archive_ = std::move(archive);
}

std::optional<std::string> TPatchSource::LoosePath(const std::string& name_cp932) {
  if (folder_.empty()) return std::nullopt;
  auto path = loose_.Resolve(folder_, name_cp932);
  if (path && platform::FileExists(*path)) return path;
  return std::nullopt;
}

const TVrFile* TPatchSource::Entry(const std::string& name_cp932) const {
  if (!archive_) return nullptr;
  // '/' is never a trail byte of a double-byte character, so it can be
  // turned into the archive's separator byte by byte.
  std::string name = name_cp932;
  std::replace(name.begin(), name.end(), '/', '\\');
  const TVrFile* e = archive_->FindEntry(name);
  return e && e->Name() != kEofEntryName ? e : nullptr;
}

bool TPatchSource::Holds(const std::string& name_cp932) {
  return Entry(name_cp932) != nullptr || LoosePath(name_cp932).has_value();
}

}  // namespace vesk::storage
