#pragma once
// Reads the resources of a Windows PE module (PE32 or PE32+) held in memory,
// the way the Windows loader finds them: DOS header -> PE header -> optional
// header -> resource data directory -> the type/name/language directory tree.
// Games keep their data in resources of the executable they ship with, so the
// runtime has to find them without a Windows loader.
//
// Every offset, count and RVA read from the module is checked against the
// bytes: a cut or hostile module gives EPeFormat, never a read outside them.
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace vesk::storage {

class EPeFormat : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A resource as listed: numeric ids read "#123", string names are UTF-8.
struct PeResourceName {
  std::string type;
  std::string name;
  bool operator==(const PeResourceName&) const = default;
};

class PeResourceReader {
 public:
  // Checks the headers and locates the resource directory; throws EPeFormat.
  // The bytes are not copied: they must outlive the reader.
  explicit PeResourceReader(std::span<const uint8_t> module);

  bool HasResources() const { return root_rva_ != 0; }
  // Every (type, name) pair in directory order.
  std::vector<PeResourceName> List() const;
  // The data of the first language of resource `name` of type `type`, or
  // nullopt when the module has no such resource. Both are ASCII matched
  // without regard to case, or "#123" for a numeric id.
  std::optional<std::vector<uint8_t>> Find(const std::string& name, const std::string& type) const;

 private:
  struct Section {
    uint32_t rva;
    uint32_t span;  // bytes backed by the file
    uint32_t file_offset;
  };
  struct Entry {
    uint32_t name;    // id, or high bit + offset of the name string
    uint32_t target;  // high bit + offset of a directory, else offset of a data entry
  };
  struct Directory {
    size_t entries;  // file offset of the entry array
    uint32_t count;
  };

  void ReadHeaders();
  void ReadSections(size_t table, uint16_t count);
  size_t Need(uint64_t offset, uint64_t size, const char* what) const;
  uint16_t U16(size_t offset) const;
  uint32_t U32(size_t offset) const;
  size_t Map(uint64_t rva, uint64_t size, const char* what) const;
  size_t MapResource(uint64_t offset, uint64_t size, const char* what) const;
  Directory OpenDirectory(uint32_t offset) const;
  Entry EntryAt(const Directory& d, uint32_t index) const;
  uint32_t SubDirectory(const Entry& e, const char* level, std::span<const uint32_t> above) const;
  std::pair<size_t, uint16_t> NameString(const Entry& e) const;  // file offset, UTF-16 units
  bool NameMatches(const Entry& e, const std::string& key) const;
  std::string TextOf(const Entry& e) const;
  std::optional<Entry> FindEntry(uint32_t dir, const std::string& key) const;
  std::vector<uint8_t> DataOf(const Entry& e) const;

  std::span<const uint8_t> module_;
  std::vector<Section> sections_;
  uint32_t root_rva_ = 0;
};

// One-shot form of PeResourceReader::Find.
std::optional<std::vector<uint8_t>> FindPeResource(const std::vector<uint8_t>& module,
                                                   const std::string& name,
                                                   const std::string& type);

}  // namespace vesk::storage
