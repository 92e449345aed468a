#include "storage/folder_disk_list.h"

#include "core/sjis.h"

namespace vesk::storage {
namespace {

constexpr char kDelimiter = '\\';

std::string WithDelimiter(std::string s) {
  if (s.empty() || SjisFindLastOf(s, "\\") != s.size() - 1) s += kDelimiter;
  return s;
}

void PutI32(std::vector<uint8_t>& out, int32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(uint32_t(v) >> (8 * i)));
}

}  // namespace

void TFolderDiskList::Add(const std::string& folder, int32_t disk) {
  entries_.push_back({folder, WithDelimiter(UpperAsciiSjis(folder)), disk});
}

int TFolderDiskList::DiskOf(const std::string& file_name) const {
  std::string name = UpperAsciiSjis(file_name);
  // Walk up one folder at a time, so the deepest listed folder wins.
  while (!name.empty()) {
    const std::string key = WithDelimiter(name);
    for (const Entry& e : entries_)
      if (e.key == key) return e.disk;
    const size_t cut = SjisFindLastOf(name, "\\");
    if (cut == std::string::npos) break;
    name.resize(cut);
  }
  return 0;
}

void TFolderDiskList::LoadFromStream(ByteReader& in) {
  const int32_t count = in.I32("folder disk list count");
  // Every entry takes at least its string length and its disk number.
  if (count > 0 && static_cast<uint64_t>(count) * 8 > in.remaining())
    throw ETruncated("folder disk list count " + std::to_string(count) +
                     " cannot fit in the remaining " + std::to_string(in.remaining()) +
                     " bytes at offset " + std::to_string(in.position()));
  TFolderDiskList loaded;
  for (int32_t i = 0; i < count; ++i) {
    std::string folder = in.Str("folder disk list folder");
    loaded.Add(folder, in.I32("folder disk list disk number"));
  }
  entries_ = std::move(loaded.entries_);
}

void TFolderDiskList::AppendTo(std::vector<uint8_t>& out) const {
  PutI32(out, Count());
  for (const Entry& e : entries_) {
    PutI32(out, static_cast<int32_t>(e.folder.size()));
    out.insert(out.end(), e.folder.begin(), e.folder.end());
    PutI32(out, e.disk);
  }
}

std::vector<uint8_t> TFolderDiskList::Save() const {
  std::vector<uint8_t> out;
  AppendTo(out);
  return out;
}

}  // namespace vesk::storage
