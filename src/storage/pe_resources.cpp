#include "storage/pe_resources.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

#include "core/sjis.h"

namespace vesk::storage {
namespace {

constexpr uint32_t kHighBit = 0x80000000u;
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr size_t kResourceDirectoryIndex = 2;
// The loader refuses modules with more sections; the cap also keeps every
// RVA lookup cheap on hostile files.
constexpr uint16_t kMaxSections = 96;
// Work allowed for List(): a directory whose entries all point at one huge
// subdirectory would otherwise list billions of pairs.
constexpr size_t kListBudget = size_t{1} << 20;

std::string Hex(uint64_t v) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "0x%llX", static_cast<unsigned long long>(v));
  return buf;
}

[[noreturn]] void Fail(const std::string& message) {
  throw EPeFormat("PE module: " + message);
}

// "#123" names a numeric id, as Windows' resource functions take it.
std::optional<uint16_t> NumericId(const std::string& key) {
  if (key.size() < 2 || key.size() > 6 || key[0] != '#') return std::nullopt;
  uint32_t value = 0;
  for (size_t i = 1; i < key.size(); ++i) {
    if (key[i] < '0' || key[i] > '9') return std::nullopt;
    value = value * 10 + static_cast<uint32_t>(key[i] - '0');
  }
  if (value > 0xFFFF) return std::nullopt;
  return static_cast<uint16_t>(value);
}

void AppendUtf8(std::string& out, uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6);
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | c >> 12);
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | c >> 18);
    out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string ToUtf8(const std::u16string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    uint32_t c = s[i];
    const bool high = c >= 0xD800 && c <= 0xDBFF;
    if (high && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[++i] - 0xDC00);
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;  // a lone surrogate
    }
    AppendUtf8(out, c);
  }
  return out;
}

void Charge(size_t& budget, size_t cost) {
  if (cost > budget) Fail("resource directory is implausibly large");
  budget -= cost;
}

}  // namespace

PeResourceReader::PeResourceReader(std::span<const uint8_t> module) : module_(module) {
  ReadHeaders();
}

size_t PeResourceReader::Need(uint64_t offset, uint64_t size, const char* what) const {
  if (offset > module_.size() || size > module_.size() - offset)
    Fail(std::string(what) + " at file offset " + Hex(offset) + " runs past the end of the file");
  return static_cast<size_t>(offset);
}

uint16_t PeResourceReader::U16(size_t offset) const {
  return static_cast<uint16_t>(module_[offset] | module_[offset + 1] << 8);
}

uint32_t PeResourceReader::U32(size_t offset) const {
  return uint32_t(U16(offset)) | uint32_t(U16(offset + 2)) << 16;
}

void PeResourceReader::ReadHeaders() {
  if (module_.size() < 0x40 || module_[0] != 'M' || module_[1] != 'Z') Fail("no DOS header ('MZ')");
  const size_t pe = Need(U32(0x3C), 24, "PE header");
  if (std::memcmp(&module_[pe], "PE\0\0", 4) != 0) Fail("no 'PE' signature at " + Hex(pe));
  const uint16_t section_count = U16(pe + 6);
  const uint16_t optional_size = U16(pe + 20);
  const size_t opt = Need(pe + 24, optional_size, "optional header");
  if (optional_size < 2) Fail("optional header missing");
  const uint16_t magic = U16(opt);
  if (magic != kPe32Magic && magic != kPe32PlusMagic)
    Fail("unknown optional header magic " + Hex(magic));
  const size_t directories = magic == kPe32Magic ? 96 : 112;
  if (optional_size < directories) Fail("optional header too small (" + Hex(optional_size) + ")");

  ReadSections(opt + optional_size, section_count);

  if (U32(opt + directories - 4) <= kResourceDirectoryIndex) return;  // no resource directory
  const size_t entry = directories + 8 * kResourceDirectoryIndex;
  if (optional_size < entry + 8) Fail("optional header too small for its data directories");
  const uint32_t rva = U32(opt + entry);
  if (rva == 0 || U32(opt + entry + 4) == 0) return;
  Map(rva, 16, "resource directory");
  root_rva_ = rva;
}

void PeResourceReader::ReadSections(size_t table, uint16_t count) {
  if (count > kMaxSections) Fail("too many sections (" + std::to_string(count) + ")");
  Need(table, size_t{40} * count, "section table");
  for (size_t i = 0; i < count; ++i) {
    const size_t s = table + 40 * i;
    const uint32_t virtual_size = U32(s + 8);
    const uint32_t raw_size = U32(s + 16);
    // Only the part backed by the file can hold resources we can read.
    const uint32_t span = virtual_size ? std::min(virtual_size, raw_size) : raw_size;
    sections_.push_back({U32(s + 12), span, U32(s + 20)});
  }
}

size_t PeResourceReader::Map(uint64_t rva, uint64_t size, const char* what) const {
  for (const Section& s : sections_) {
    if (rva < s.rva) continue;
    const uint64_t start = rva - s.rva;
    // An empty resource may sit right at the end of its section.
    if (start > s.span || (start == s.span && size != 0)) continue;
    if (size > s.span - start)
      Fail(std::string(what) + " at RVA " + Hex(rva) + " runs past the end of its section");
    return Need(uint64_t{s.file_offset} + start, size, what);
  }
  Fail(std::string(what) + " at RVA " + Hex(rva) + " lies in no section");
}

size_t PeResourceReader::MapResource(uint64_t offset, uint64_t size, const char* what) const {
  return Map(uint64_t{root_rva_} + offset, size, what);
}

PeResourceReader::Directory PeResourceReader::OpenDirectory(uint32_t offset) const {
  const size_t head = MapResource(offset, 16, "resource directory");
  const uint32_t count = uint32_t{U16(head + 12)} + U16(head + 14);
  const size_t entries =
      MapResource(uint64_t{offset} + 16, uint64_t{count} * 8, "resource directory entries");
  return {entries, count};
}

PeResourceReader::Entry PeResourceReader::EntryAt(const Directory& d, uint32_t index) const {
  const size_t at = d.entries + size_t{8} * index;
  return {U32(at), U32(at + 4)};
}

uint32_t PeResourceReader::SubDirectory(const Entry& e, const char* level,
                                        std::span<const uint32_t> above) const {
  if (!(e.target & kHighBit))
    Fail(std::string("resource ") + level + " entry holds data where a directory belongs");
  const uint32_t offset = e.target & ~kHighBit;
  if (std::find(above.begin(), above.end(), offset) != above.end())
    Fail("resource directory tree loops back on itself at offset " + Hex(offset));
  return offset;
}

std::pair<size_t, uint16_t> PeResourceReader::NameString(const Entry& e) const {
  const uint32_t offset = e.name & ~kHighBit;
  const uint16_t length = U16(MapResource(offset, 2, "resource name"));
  return {MapResource(uint64_t{offset} + 2, size_t{2} * length, "resource name"), length};
}

bool PeResourceReader::NameMatches(const Entry& e, const std::string& key) const {
  if (const auto id = NumericId(key)) return e.name == *id;
  if (!(e.name & kHighBit)) return false;
  const auto [at, length] = NameString(e);
  if (length != key.size()) return false;
  for (size_t i = 0; i < length; ++i) {
    const char16_t c = U16(at + 2 * i);
    if (c >= 0x80 || LowerAsciiByte(static_cast<char>(c)) != LowerAsciiByte(key[i])) return false;
  }
  return true;
}

std::string PeResourceReader::TextOf(const Entry& e) const {
  if (!(e.name & kHighBit)) return "#" + std::to_string(e.name & 0xFFFF);
  const auto [at, length] = NameString(e);
  std::u16string name(length, u'\0');
  for (size_t i = 0; i < length; ++i) name[i] = static_cast<char16_t>(U16(at + 2 * i));
  return ToUtf8(name);
}

std::optional<PeResourceReader::Entry> PeResourceReader::FindEntry(uint32_t dir,
                                                                   const std::string& key) const {
  const Directory d = OpenDirectory(dir);
  for (uint32_t i = 0; i < d.count; ++i) {
    const Entry e = EntryAt(d, i);
    if (NameMatches(e, key)) return e;
  }
  return std::nullopt;
}

std::vector<uint8_t> PeResourceReader::DataOf(const Entry& e) const {
  if (e.target & kHighBit) Fail("resource language entry is a directory where data belongs");
  const size_t entry = MapResource(e.target, 16, "resource data entry");
  const uint32_t size = U32(entry + 4);
  const size_t at = Map(U32(entry), size, "resource data");
  return std::vector<uint8_t>(module_.begin() + at, module_.begin() + at + size);
}

std::optional<std::vector<uint8_t>> PeResourceReader::Find(const std::string& name,
                                                           const std::string& type) const {
  if (!HasResources()) return std::nullopt;
  std::array<uint32_t, 2> path{0, 0};  // the root, then the type directory
  const auto type_entry = FindEntry(path[0], type);
  if (!type_entry) return std::nullopt;
  path[1] = SubDirectory(*type_entry, "type", std::span(path).first(1));
  const auto name_entry = FindEntry(path[1], name);
  if (!name_entry) return std::nullopt;
  const Directory languages = OpenDirectory(SubDirectory(*name_entry, "name", path));
  if (languages.count == 0) return std::nullopt;
  return DataOf(EntryAt(languages, 0));
}

std::vector<PeResourceName> PeResourceReader::List() const {
  std::vector<PeResourceName> out;
  if (!HasResources()) return out;
  size_t budget = kListBudget;
  const uint32_t root_offset = 0;
  const Directory root = OpenDirectory(root_offset);
  for (uint32_t i = 0; i < root.count; ++i) {
    const Entry type_entry = EntryAt(root, i);
    const std::string type = TextOf(type_entry);
    Charge(budget, 1 + type.size());
    const Directory names =
        OpenDirectory(SubDirectory(type_entry, "type", std::span(&root_offset, 1)));
    for (uint32_t j = 0; j < names.count; ++j) {
      std::string name = TextOf(EntryAt(names, j));
      Charge(budget, 1 + type.size() + name.size());
      out.push_back({type, std::move(name)});
    }
  }
  return out;
}

std::optional<std::vector<uint8_t>> FindPeResource(const std::vector<uint8_t>& module,
                                                   const std::string& name,
                                                   const std::string& type) {
  return PeResourceReader(module).Find(name, type);
}

}  // namespace vesk::storage
