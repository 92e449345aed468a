#pragma once
// Lays out a minimal valid PE file (PE32 or PE32+) whose only section, .rsrc,
// holds the given resources, so the resource reader can be tested without
// shipping Windows binaries. The layout is fixed (see PeLayout) so tests can
// patch single fields to make hostile modules.
#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vesk::storage::test {

struct TestResource {
  std::string type;  // "#10" for a numeric id, else an ASCII string name
  std::string name;
  std::vector<uint8_t> data;
  uint16_t language = 0x0409;
};

struct PeLayout {
  static constexpr size_t kPeHeader = 0x80;  // e_lfanew
  static constexpr size_t kCoffHeader = kPeHeader + 4;
  static constexpr size_t kOptionalHeader = kCoffHeader + 20;
  static constexpr size_t kRsrcFile = 0x200;
  static constexpr uint32_t kRsrcRva = 0x1000;
  static size_t OptionalSize(bool plus) { return plus ? 240 : 224; }
  static size_t DataDirectories(bool plus) { return kOptionalHeader + (plus ? 112 : 96); }
  static size_t ResourceDirectoryEntry(bool plus) { return DataDirectories(plus) + 16; }
  static size_t SectionTable(bool plus) { return kOptionalHeader + OptionalSize(plus); }
};

inline uint32_t Get32(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t(b.at(at)) | uint32_t(b.at(at + 1)) << 8 | uint32_t(b.at(at + 2)) << 16 |
         uint32_t(b.at(at + 3)) << 24;
}
inline void PutN(std::vector<uint8_t>& b, size_t at, uint64_t v, size_t n) {
  for (size_t i = 0; i < n; ++i) b.at(at + i) = static_cast<uint8_t>(v >> (8 * i));
}
inline void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  PutN(b, at, v, 2);
}
inline void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  PutN(b, at, v, 4);
}

namespace detail {

constexpr uint32_t kHighBit = 0x80000000u;

inline bool IsId(const std::string& key) {
  return key.size() > 1 && key[0] == '#';
}

struct Node {
  std::string key;
  std::vector<Node> children;
  int resource = -1;  // for language leaves
};

inline Node& Child(Node& parent, const std::string& key) {
  for (Node& n : parent.children)
    if (n.key == key) return n;
  parent.children.push_back({key, {}, -1});
  return parent.children.back();
}

// The loader expects named entries before numeric ones.
inline void NamedFirst(Node& n) {
  std::stable_partition(n.children.begin(), n.children.end(),
                        [](const Node& c) { return !IsId(c.key); });
  for (Node& c : n.children) NamedFirst(c);
}

class RsrcWriter {
 public:
  explicit RsrcWriter(const std::vector<TestResource>& resources) : resources_(resources) {}

  std::vector<uint8_t> Write(const Node& root) {
    Directory(root, 0);
    WriteNames();
    WriteData();
    return out_;
  }

 private:
  size_t Grow(size_t n, size_t align) {
    out_.resize((out_.size() + align - 1) / align * align);
    const size_t at = out_.size();
    out_.resize(at + n);
    return at;
  }

  size_t Directory(const Node& n, int level) {
    const size_t at = Grow(16 + 8 * n.children.size(), 4);
    const auto named = std::count_if(n.children.begin(), n.children.end(),
                                     [](const Node& c) { return !IsId(c.key); });
    Put16(out_, at + 12, level < 2 ? static_cast<uint32_t>(named) : 0);
    Put16(out_, at + 14, static_cast<uint32_t>(n.children.size() - (level < 2 ? named : 0)));
    for (size_t i = 0; i < n.children.size(); ++i) {
      const Node& c = n.children[i];
      const size_t e = at + 16 + 8 * i;
      if (level == 2) {
        Put32(out_, e, resources_[c.resource].language);
        leaves_.push_back({e + 4, c.resource});
        continue;
      }
      if (IsId(c.key))
        Put32(out_, e, static_cast<uint32_t>(std::stoul(c.key.substr(1))));
      else
        names_.push_back({e, c.key});
      const size_t sub = Directory(c, level + 1);
      Put32(out_, e + 4, kHighBit | static_cast<uint32_t>(sub));
    }
    return at;
  }

  void WriteNames() {
    for (const auto& [entry, key] : names_) {
      const size_t at = Grow(2 + 2 * key.size(), 2);
      Put32(out_, entry, kHighBit | static_cast<uint32_t>(at));
      Put16(out_, at, static_cast<uint32_t>(key.size()));
      for (size_t i = 0; i < key.size(); ++i)
        Put16(out_, at + 2 + 2 * i, static_cast<uint8_t>(key[i]));
    }
  }

  void WriteData() {
    std::vector<std::pair<size_t, int>> entries;
    for (const auto& [entry, resource] : leaves_) {
      const size_t at = Grow(16, 4);
      Put32(out_, entry, static_cast<uint32_t>(at));
      entries.push_back({at, resource});
    }
    for (const auto& [entry, resource] : entries) {
      const std::vector<uint8_t>& data = resources_[resource].data;
      const size_t at = Grow(data.size(), 8);
      std::copy(data.begin(), data.end(), out_.begin() + at);
      Put32(out_, entry, PeLayout::kRsrcRva + static_cast<uint32_t>(at));
      Put32(out_, entry + 4, static_cast<uint32_t>(data.size()));
    }
  }

  const std::vector<TestResource>& resources_;
  std::vector<uint8_t> out_;
  std::vector<std::pair<size_t, std::string>> names_;  // entry awaiting its name string
  std::vector<std::pair<size_t, int>> leaves_;         // entry awaiting its data entry
};

inline std::vector<uint8_t> BuildRsrc(const std::vector<TestResource>& resources) {
  Node root;
  for (size_t i = 0; i < resources.size(); ++i) {
    Node& name = Child(Child(root, resources[i].type), resources[i].name);
    name.children.push_back({"", {}, static_cast<int>(i)});
  }
  NamedFirst(root);
  return RsrcWriter(resources).Write(root);
}

inline void WriteHeaders(std::vector<uint8_t>& f, bool plus, size_t rsrc_size) {
  const size_t opt = PeLayout::kOptionalHeader;
  const uint32_t image_size = PeLayout::kRsrcRva + (rsrc_size + 0xFFF) / 0x1000 * 0x1000;
  f[0] = 'M';
  f[1] = 'Z';
  Put32(f, 0x3C, PeLayout::kPeHeader);
  f[PeLayout::kPeHeader] = 'P';
  f[PeLayout::kPeHeader + 1] = 'E';
  Put16(f, PeLayout::kCoffHeader, plus ? 0x8664 : 0x14C);
  Put16(f, PeLayout::kCoffHeader + 2, 1);  // one section
  Put16(f, PeLayout::kCoffHeader + 16, static_cast<uint32_t>(PeLayout::OptionalSize(plus)));
  Put16(f, PeLayout::kCoffHeader + 18, plus ? 0x2022 : 0x2102);  // a DLL
  Put16(f, opt, plus ? 0x20B : 0x10B);
  PutN(f, plus ? opt + 24 : opt + 28, 0x10000000, plus ? 8 : 4);  // image base
  Put32(f, opt + 32, 0x1000);                                     // section alignment
  Put32(f, opt + 36, 0x200);                                      // file alignment
  Put16(f, opt + 40, 4);                                          // OS version
  Put16(f, opt + 48, 4);                                          // subsystem version
  Put32(f, opt + 56, image_size);
  Put32(f, opt + 60, PeLayout::kRsrcFile);  // size of headers
  Put16(f, opt + 68, 2);                    // GUI subsystem
  Put32(f, PeLayout::DataDirectories(plus) - 4, 16);
  Put32(f, PeLayout::ResourceDirectoryEntry(plus), PeLayout::kRsrcRva);
  Put32(f, PeLayout::ResourceDirectoryEntry(plus) + 4, static_cast<uint32_t>(rsrc_size));
}

inline void WriteSection(std::vector<uint8_t>& f, bool plus, size_t rsrc_size, size_t raw_size) {
  const size_t s = PeLayout::SectionTable(plus);
  const char name[8] = {'.', 'r', 's', 'r', 'c', 0, 0, 0};
  std::copy(name, name + 8, f.begin() + s);
  Put32(f, s + 8, static_cast<uint32_t>(rsrc_size));
  Put32(f, s + 12, PeLayout::kRsrcRva);
  Put32(f, s + 16, static_cast<uint32_t>(raw_size));
  Put32(f, s + 20, PeLayout::kRsrcFile);
  Put32(f, s + 36, 0x40000040);  // initialized data, readable
}

}  // namespace detail

inline std::vector<uint8_t> BuildPeWithResources(const std::vector<TestResource>& resources,
                                                 bool pe32_plus = false) {
  const std::vector<uint8_t> rsrc = detail::BuildRsrc(resources);
  const size_t raw_size = (rsrc.size() + 0x1FF) / 0x200 * 0x200;
  std::vector<uint8_t> file(PeLayout::kRsrcFile + raw_size, 0);
  detail::WriteHeaders(file, pe32_plus, rsrc.size());
  detail::WriteSection(file, pe32_plus, rsrc.size(), raw_size);
  std::copy(rsrc.begin(), rsrc.end(), file.begin() + PeLayout::kRsrcFile);
  return file;
}

}  // namespace vesk::storage::test
