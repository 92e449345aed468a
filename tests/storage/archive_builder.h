#pragma once
// Builds archive bytes of any index version by hand, independent of the
// writer, so the reader is checked against the format itself.
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vesk::storage::testing {

struct RawEntry {
  std::string name;
  std::vector<uint8_t> content;
  bool stored = false;  // false: zlib-compressed in the archive
  int32_t date = 0;
};

inline std::vector<uint8_t> Zlib(const std::vector<uint8_t>& in) {
  uLongf n = compressBound(static_cast<uLong>(in.size()));
  std::vector<uint8_t> out(n);
  compress2(out.data(), &n, in.data(), static_cast<uLong>(in.size()), 6);
  out.resize(n);
  return out;
}

inline uint32_t Crc(const std::vector<uint8_t>& d) {
  return static_cast<uint32_t>(crc32(0, d.data(), static_cast<uInt>(d.size())));
}

// version 0 has no magic; versions 1..102 carry "vf" and the version.
inline std::vector<uint8_t> BuildArchive(int version, const std::vector<RawEntry>& entries) {
  std::vector<uint8_t> out;
  auto put32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  const bool scrambled = version > 99, wide = version > 100;
  if (version > 0) {
    out.push_back('v');
    out.push_back('f');
    put32(static_cast<uint32_t>(version));
  }
  put32(static_cast<uint32_t>(entries.size()));
  uint32_t s = 0;
  auto next = [](uint32_t& state) { return state = state * 5u + 1164975123u; };
  for (const auto& e : entries) {
    put32(static_cast<uint32_t>(e.name.size()));
    for (char c : e.name)
      out.push_back(static_cast<uint8_t>(c) ^ (scrambled ? (next(s) & 0xFF) : 0));
  }
  std::vector<std::vector<uint8_t>> data;
  for (const auto& e : entries)
    data.push_back(e.stored && version > 100 ? e.content : Zlib(e.content));
  size_t header = out.size() + (entries.size() + 1) * (wide ? 8 : 4);
  if (wide) header += entries.size() * 9 + (version >= 102 ? entries.size() : 0);
  std::vector<uint64_t> offsets;
  uint64_t pos = header;
  for (const auto& d : data) {
    offsets.push_back(pos);
    pos += d.size();
  }
  offsets.push_back(pos);
  uint32_t t = 0;
  for (uint64_t off : offsets) {
    uint32_t k = scrambled ? next(t) : 0;
    if (wide) {
      const uint64_t v = off ^ (((k & 0x80000000u) ? 0xFFFFFFFF00000000ull : 0) | k);
      put32(static_cast<uint32_t>(v));
      put32(static_cast<uint32_t>(v >> 32));
    } else {
      put32(static_cast<uint32_t>(off) ^ k);
    }
  }
  if (wide) {
    for (const auto& e : entries) out.push_back(e.stored ? 1 : 0);
    for (const auto& e : entries) put32(static_cast<uint32_t>(e.date));
    for (const auto& e : entries) put32(Crc(e.content));
    if (version >= 102)
      for (size_t i = 0; i < entries.size(); ++i) out.push_back(1);
  }
  for (const auto& d : data) out.insert(out.end(), d.begin(), d.end());
  return out;
}

inline std::vector<uint8_t> Bytes(const std::string& s) {
  return {s.begin(), s.end()};
}

}  // namespace vesk::storage::testing
