#pragma once
// Bounds-checked little-endian reading of stored records. Every read past
// the end throws ETruncated naming what was being read, so hostile or cut
// files give a clear error instead of an out-of-bounds read.
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vesk {

class ETruncated : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class ByteReader {
 public:
  ByteReader(const void* data, size_t size)
      : data_(static_cast<const uint8_t*>(data)), size_(size) {}

  size_t position() const { return pos_; }
  size_t remaining() const { return size_ - pos_; }
  bool at_end() const { return pos_ == size_; }

  uint8_t U8(const char* what = "byte") { return *Take(1, what); }
  int32_t I32(const char* what = "integer") {
    const uint8_t* p = Take(4, what);
    return static_cast<int32_t>(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                                uint32_t(p[3]) << 24);
  }
  int64_t I64(const char* what = "integer") {
    const uint8_t* p = Take(8, what);
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = v << 8 | p[i];
    return static_cast<int64_t>(v);
  }
  // A string: signed 32-bit byte count, then the bytes. A negative count
  // reads as empty, as the stored form was written by Delphi streams.
  std::string Str(const char* what = "string") {
    const int32_t n = I32(what);
    if (n <= 0) return {};
    const uint8_t* p = Take(static_cast<size_t>(n), what);
    return std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(n));
  }
  void Skip(size_t n, const char* what = "data") { Take(n, what); }
  const uint8_t* Bytes(size_t n, const char* what = "data") { return Take(n, what); }

 private:
  const uint8_t* Take(size_t n, const char* what) {
    if (n > size_ - pos_)
      throw ETruncated(std::string("truncated ") + what + " at offset " + std::to_string(pos_));
    const uint8_t* p = data_ + pos_;
    pos_ += n;
    return p;
  }
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

}  // namespace vesk
