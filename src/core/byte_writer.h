#pragma once
// Little-endian writing of stored records, the counterpart of ByteReader:
// the same field encodings, appended to a growing byte vector.
#include <cstdint>
#include <string>
#include <vector>

#include "core/extended_real.h"

namespace vesk {

class ByteWriter {
 public:
  void U8(uint8_t v) { bytes_.push_back(v); }
  void I32(int32_t v) {
    for (int i = 0; i < 4; ++i)
      bytes_.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i)));
  }
  void I64(int64_t v) {
    for (int i = 0; i < 8; ++i)
      bytes_.push_back(static_cast<uint8_t>(static_cast<uint64_t>(v) >> (8 * i)));
  }
  // A signed 32-bit byte count, then the bytes.
  void Str(const std::string& s) {
    I32(static_cast<int32_t>(s.size()));
    bytes_.insert(bytes_.end(), s.begin(), s.end());
  }
  void Ext(Real x) {
    uint8_t b[10];
    StoreExtended(x, b);
    bytes_.insert(bytes_.end(), b, b + 10);
  }
  void Bytes(const uint8_t* data, size_t n) { bytes_.insert(bytes_.end(), data, data + n); }
  std::vector<uint8_t>& bytes() { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

}  // namespace vesk
