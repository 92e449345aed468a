#pragma once
// Sequential access to the pixel and mask data of layers: stored bytes as
// they are, or zlib data inflated a piece at a time into a small buffer, so
// a layer is never inflated whole into a temporary copy before its blocks
// are placed. Internal to the graphics library.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace vesk::graphics::orlo_detail {

// Thrown by the sources; the reader adds where it happened.
struct DataError {
  std::string what;
};

// Bytes a load may still allocate.
struct DecodeBudget {
  size_t limit = 0;
  size_t used = 0;
  // Throws DataError when the limit would be passed.
  void Charge(size_t bytes);
  void Refund(size_t bytes) { used -= bytes; }
};

// The zlib checksum; the same value as zlib's adler32, computed 16 bytes at
// a time.
uint32_t Adler32(uint32_t adler, const uint8_t* data, size_t size);

class PlainSource {
 public:
  explicit PlainSource(std::span<const uint8_t> data) : data_(data) {}
  // The next n bytes, or null when fewer remain.
  const uint8_t* Take(size_t n) {
    static const uint8_t kNothing = 0;
    if (n == 0) return &kNothing;
    if (n > data_.size() - pos_) return nullptr;
    const uint8_t* p = data_.data() + pos_;
    pos_ += n;
    return p;
  }
  // Copies up to n bytes; returns how many.
  size_t ReadInto(uint8_t* dest, size_t n);
  void Finish() {}

 private:
  std::span<const uint8_t> data_;
  size_t pos_ = 0;
};

class ZlibSource {
 public:
  // `what` names the data in messages ("pixel data").
  ZlibSource(std::span<const uint8_t> data, const char* what, DecodeBudget& budget);
  ~ZlibSource();
  ZlibSource(const ZlibSource&) = delete;
  ZlibSource& operator=(const ZlibSource&) = delete;

  const uint8_t* Take(size_t n);
  size_t ReadInto(uint8_t* dest, size_t n);
  // Inflates what is left (a little: the end of the stream) to check the
  // checksum; gives up quietly when much more output follows.
  void Finish();

 private:
  // Inflates into [dest, dest + room); returns the bytes produced.
  size_t Pump(uint8_t* dest, size_t room);
  [[noreturn]] void Fail(const std::string& zlib_message) const;

  std::span<const uint8_t> in_;
  const char* what_;
  DecodeBudget& budget_;
  z_stream z_{};
  bool started_ = false;
  bool ended_ = false;
  uint32_t adler_ = 1;
  std::unique_ptr<uint8_t[]> buffer_;
  size_t capacity_ = 0, begin_ = 0, end_ = 0;
};

}  // namespace vesk::graphics::orlo_detail
