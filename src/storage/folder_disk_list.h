#pragma once
// TFolderDiskList: which disk of a multi-disk game holds each folder, as
// stored in the project file. A file lies on the disk of the deepest listed
// folder that contains it; files outside every listed folder are on no disk
// (0). Names are Shift-JIS with '\' separators, compared without regard to
// ASCII case.
#include <cstdint>
#include <string>
#include <vector>

#include "core/byte_reader.h"

namespace vesk::storage {

class TFolderDiskList {
 public:
  void Add(const std::string& folder, int32_t disk);
  void Clear() { entries_.clear(); }
  int Count() const { return static_cast<int>(entries_.size()); }
  const std::string& Folder(int index) const {
    return entries_.at(static_cast<size_t>(index)).folder;
  }
  int32_t Disk(int index) const { return entries_.at(static_cast<size_t>(index)).disk; }

  // Disk number of the folder holding `file_name`, else 0.
  int DiskOf(const std::string& file_name) const;

  // Replaces the list with the stored form at the reader's position: count,
  // then per entry the folder string and disk number. Throws ETruncated when
  // cut short or when the count cannot fit; the list is then unchanged.
  void LoadFromStream(ByteReader& in);
  void AppendTo(std::vector<uint8_t>& out) const;
  std::vector<uint8_t> Save() const;

 private:
  struct Entry {
    std::string folder;
    std::string key;  // upper-cased, with a trailing '\'
    int32_t disk;
  };
  std::vector<Entry> entries_;
};

}  // namespace vesk::storage
