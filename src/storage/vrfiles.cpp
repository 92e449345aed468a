// TVrFileManager: the ordered sources, the read cache and extracted files.
#include "storage/vrfiles.h"

#include <algorithm>
#include <cstdio>

#include "core/messages.h"
#include "core/sjis.h"
#include "core/vesk_error.h"
#include "platform/cp932.h"
#include "platform/files.h"
#include "storage/embedded_resources.h"
#include "storage/pe_resources.h"

namespace vesk::storage {
namespace {

[[noreturn]] void RaiseMissing(const std::string& name) {
  throw EVeskError(FormatMessage(MessageCp932(Msg::kFileMissingFormat), name));
}

// The extension of a game name ("" when it has none), e.g. ".wav".
std::string ExtensionOf(const std::string& name_cp932) {
  return platform::Cp932ToUtf8(ExtensionByBytes(name_cp932, "\\"));
}

}  // namespace

TVrFileManager::TVrFileManager()
    : cd_roots_(platform::OpticalDiscMountPoints()),
      scan_cd_roots_(platform::OpticalDiscMountPoints) {}

TVrFileManager::~TVrFileManager() {
  // Extracted files live for the whole run; they go with the manager.
  for (const TVrLockData& lock : locks_) platform::RemoveFile(lock.path);
  for (const std::string& path : retired_files_) platform::RemoveFile(path);
  if (!temp_folder_.empty()) platform::RemoveEmptyDirectory(temp_folder_);
}

void TVrFileManager::AddFolder(const std::string& host_path) {
  base_folder_ = host_path;
  if (!base_folder_.empty() && base_folder_.back() != '/') base_folder_ += '/';
}

int TVrFileManager::AddArchive(const std::string& host_path) {
  const std::string canonical = platform::CanonicalPath(host_path);
  for (const auto& s : sources_)
    if (!s->FileName.empty() && platform::CanonicalPath(s->FileName) == canonical) return -1;
  auto source = std::make_unique<TVrFileCollection>();
  source->Open(host_path);
  sources_.push_back(std::move(source));
  return static_cast<int>(sources_.size()) - 1;
}

int TVrFileManager::AddMemoryArchive(std::shared_ptr<const std::vector<uint8_t>> bytes,
                                     const std::string& label) {
  auto source = std::make_unique<TVrFileCollection>();
  source->OpenMemory(std::move(bytes), label);
  sources_.push_back(std::move(source));
  return static_cast<int>(sources_.size()) - 1;
}

int TVrFileManager::AddResource(const std::string& module_host_path, const std::string& res_name,
                                const std::string& res_type) {
  std::shared_ptr<const std::vector<uint8_t>> bytes;
  const std::string label = module_host_path + " [" + res_type + "/" + res_name + "]";
  if (platform::CanonicalPath(module_host_path) ==
      platform::CanonicalPath(platform::ExecutablePath())) {
    // Our own resources are linked into the program.
    if (auto own = FindEmbeddedResource(res_name, res_type))
      bytes = std::make_shared<const std::vector<uint8_t>>(own->begin(), own->end());
  } else if (auto module = platform::ReadWholeFile(module_host_path)) {
    if (auto found = FindPeResource(*module, res_name, res_type))
      bytes = std::make_shared<const std::vector<uint8_t>>(std::move(*found));
  } else {
    // A module that cannot be loaded leaves the source empty.
    sources_.push_back(std::make_unique<TVrFileCollection>());
    return static_cast<int>(sources_.size()) - 1;
  }
  if (!bytes || bytes->empty()) throw EVeskError(MessageCp932(Msg::kResourceMissing));
  return AddMemoryArchive(std::move(bytes), label);
}

void TVrFileManager::RemoveSource(int id) {
  if (id >= 0 && id < SourceCount()) sources_.erase(sources_.begin() + id);
}

void TVrFileManager::AddPatch(const std::string& host_path) {
  auto patch = std::make_unique<TPatchSource>();
  patch->Open(host_path);
  patch_ = std::move(patch);
  ClearCache();
  // A consumer may still hold an extracted file open; it goes at the end
  // of the run with the others, but is never handed out again.
  for (const TVrLockData& lock : locks_) retired_files_.push_back(lock.path);
  locks_.clear();
}

TVrFileCollection* TVrFileManager::Source(int id) const {
  return id >= 0 && id < SourceCount() ? sources_[static_cast<size_t>(id)].get() : nullptr;
}

std::optional<std::string> TVrFileManager::LooseFile(const std::string& base,
                                                     const std::string& name) {
  auto path = loose_.Resolve(base, name);
  if (path && platform::FileExists(*path)) return path;
  return std::nullopt;
}

bool TVrFileManager::Exists(const std::string& name) {
  if (patch_ && patch_->Holds(name)) return true;
  for (const auto& s : sources_)
    if (const TVrFile* e = s->FindEntry(name); e && e->Name() != kEofEntryName) return true;
  if (LooseFile(base_folder_, name)) return true;
  for (const auto& root : cd_roots_)
    if (LooseFile(root, name)) return true;
  return false;
}

TVrFileManager::CacheEntry& TVrFileManager::CacheSlot(const std::string& name) {
  const std::string key = UpperAsciiBytes(name);
  auto hit =
      std::find_if(cache_.begin(), cache_.end(), [&](const CacheEntry& c) { return c.key == key; });
  if (hit != cache_.end()) {
    std::rotate(cache_.begin(), hit, hit + 1);  // most recently used first
    return cache_.front();
  }
  cache_.insert(cache_.begin(), CacheEntry{key, {}, false});
  while (cache_.size() > 1 && CacheBytes() > kCacheLimitBytes) cache_.pop_back();
  return cache_.front();
}

int64_t TVrFileManager::CacheBytes() const {
  int64_t total = 0;
  for (const auto& c : cache_) total += static_cast<int64_t>(c.content.size());
  return total;
}

std::vector<std::string> TVrFileManager::CacheKeys() const {
  std::vector<std::string> keys;
  for (const auto& c : cache_) keys.push_back(c.key);
  return keys;
}

void TVrFileManager::ClearCache() {
  cache_.clear();
}

bool TVrFileManager::LoadInto(const std::string& name, CacheEntry& slot) {
  if (patch_) {
    if (const TVrFile* e = patch_->Entry(name)) {
      slot.content = patch_->Archive()->ReadEntryData(*e);
      return true;
    }
    if (auto path = patch_->LoosePath(name)) {
      if (auto bytes = platform::ReadWholeFile(*path)) {
        slot.content = std::move(*bytes);
        return true;
      }
    }
  }
  if (auto path = LooseFile(base_folder_, name)) {
    if (auto bytes = platform::ReadWholeFile(*path)) {
      slot.content = std::move(*bytes);
      return true;
    }
  }
  for (const auto& s : sources_) {
    if (!s->HasData()) continue;
    const TVrFile* e = s->FindEntry(name);
    if (!e || e->Name() == kEofEntryName) continue;
    slot.content = s->ReadEntryData(*e);
    return true;
  }
  for (const auto& root : cd_roots_) {
    if (auto path = LooseFile(root, name)) {
      if (auto bytes = platform::ReadWholeFile(*path)) {
        slot.content = std::move(*bytes);
        return true;
      }
    }
  }
  return false;
}

void TVrFileManager::ReadFile(TMemoryStream& target, const std::string& name) {
  target.Clear();
  CacheEntry& slot = CacheSlot(name);
  if (!slot.filled) {
    // A miss leaves the empty slot behind; the next request tries again.
    if (!LoadInto(name, slot)) RaiseMissing(name);
    slot.filled = true;
  }
  target.bytes() = slot.content;
  target.Seek(0);
}

std::vector<uint8_t> TVrFileManager::ReadFileBytes(const std::string& name) {
  TMemoryStream s;
  ReadFile(s, name);
  return std::move(s.bytes());
}

std::unique_ptr<TStream> TVrFileManager::OpenRange(const std::string& name) {
  auto whole_file = [](const std::string& path) -> std::unique_ptr<TStream> {
    auto s = TBigFileStream::OpenRead(path);
    if (!s) return nullptr;
    const int64_t size = s->Size();
    return std::make_unique<TRangeStream>(std::move(s), 0, size);
  };
  if (patch_) {
    if (const TVrFile* e = patch_->Entry(name)) return patch_->Archive()->OpenEntryRange(*e);
    if (auto path = patch_->LoosePath(name))
      if (auto s = whole_file(*path)) return s;
  }
  if (auto path = LooseFile(base_folder_, name))
    if (auto s = whole_file(*path)) return s;
  for (const auto& src : sources_) {
    const TVrFile* e = src->FindEntry(name);
    if (e && e->Name() != kEofEntryName && src->HasData()) return src->OpenEntryRange(*e);
  }
  for (const auto& root : cd_roots_)
    if (auto path = LooseFile(root, name))
      if (auto s = whole_file(*path)) return s;
  RaiseMissing(name);
}

std::string TVrFileManager::TempFolder() {
  // A private folder per run: two games running at once never share names.
  if (temp_folder_.empty()) temp_folder_ = platform::MakePrivateTempDirectory("vesk-");
  return temp_folder_;
}

std::string TVrFileManager::ExtractToTemp(const std::string& name) {
  for (TVrLockData& lock : locks_) {
    if (THashCollection::SameName(lock.name, name)) {
      ++lock.use_count;
      return lock.path;
    }
  }
  const std::string folder = TempFolder();
  if (folder.empty()) throw EVeskError(MessageCp932(Msg::kCannotMakeWorkFile));
  char file[32];
  std::snprintf(file, sizeof file, "~vk%08X", next_lock_id_);
  TVrLockData lock{name, next_lock_id_, 1, platform::JoinPath(folder, file + ExtensionOf(name))};
  const std::vector<uint8_t> content = ReadFileBytes(name);
  if (!platform::WriteFileAtomic(lock.path, content.data(), content.size()))
    throw EVeskError(MessageCp932(Msg::kCannotMakeWorkFile));
  ++next_lock_id_;
  locks_.push_back(lock);
  return lock.path;
}

std::string TVrFileManager::GetFilePath(const std::string& name) {
  if (patch_) {
    if (patch_->Entry(name)) return ExtractToTemp(name);
    if (auto path = patch_->LoosePath(name)) return *path;
  }
  if (auto path = LooseFile(base_folder_, name)) return *path;
  const bool in_source = std::any_of(sources_.begin(), sources_.end(), [&](const auto& s) {
    const TVrFile* e = s->FindEntry(name);
    return e && e->Name() != kEofEntryName;
  });
  if (in_source) return ExtractToTemp(name);
  for (const auto& root : cd_roots_)
    if (auto path = LooseFile(root, name)) return *path;
  return platform::Cp932ToUtf8(name);
}

}  // namespace vesk::storage
