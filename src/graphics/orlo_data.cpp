#include "graphics/orlo_data.h"

#include <algorithm>
#include <cstring>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vesk::graphics::orlo_detail {

namespace {

constexpr uint32_t kAdlerBase = 65521;
// Bytes after which the sums must be reduced before 32 bits overflow.
constexpr size_t kAdlerMax = 5552;
constexpr size_t kFirstBuffer = 256 * 1024;
// What Finish may inflate past the data a layer needed.
constexpr size_t kMaxTrailing = 64 * 1024;

}  // namespace

void DecodeBudget::Charge(size_t bytes) {
  if (bytes > limit || used > limit - bytes) {
    throw DataError{"decoded pictures would exceed " + std::to_string(limit) + " bytes"};
  }
  used += bytes;
}

uint32_t Adler32(uint32_t adler, const uint8_t* p, size_t n) {
  uint64_t a = adler & 0xFFFF, b = adler >> 16;
#if defined(__SSE2__)
  // Per 16 bytes x0..x15: a += sum, b += 16*a_before + sum((16-j) * xj).
  // Over k blocks, the a_before terms add up to 16*k*a + 16*sum of the
  // running block sums, which one extra vector keeps.
  const __m128i zero = _mm_setzero_si128();
  const __m128i w_first = _mm_setr_epi16(16, 15, 14, 13, 12, 11, 10, 9);
  const __m128i w_second = _mm_setr_epi16(8, 7, 6, 5, 4, 3, 2, 1);
  while (n >= 16) {
    const size_t blocks = std::min(n, kAdlerMax) / 16;
    n -= blocks * 16;
    __m128i sums = zero, running = zero, weighted = zero;
    for (size_t k = 0; k < blocks; ++k, p += 16) {
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      running = _mm_add_epi32(running, sums);
      sums = _mm_add_epi32(sums, _mm_sad_epu8(x, zero));
      weighted = _mm_add_epi32(weighted, _mm_madd_epi16(_mm_unpacklo_epi8(x, zero), w_first));
      weighted = _mm_add_epi32(weighted, _mm_madd_epi16(_mm_unpackhi_epi8(x, zero), w_second));
    }
    alignas(16) uint32_t s[4], r[4], w[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(s), sums);
    _mm_store_si128(reinterpret_cast<__m128i*>(r), running);
    _mm_store_si128(reinterpret_cast<__m128i*>(w), weighted);
    const uint64_t sum = uint64_t(s[0]) + s[2];
    const uint64_t run = uint64_t(r[0]) + r[2];
    const uint64_t wsum = uint64_t(w[0]) + w[1] + w[2] + w[3];
    b = (b + 16 * blocks * a + 16 * run + wsum) % kAdlerBase;
    a = (a + sum) % kAdlerBase;
  }
#endif
  while (n > 0) {
    const size_t chunk = std::min(n, kAdlerMax);
    n -= chunk;
    for (size_t i = 0; i < chunk; ++i) {
      a += p[i];
      b += a;
    }
    p += chunk;
    a %= kAdlerBase;
    b %= kAdlerBase;
  }
  return uint32_t(b << 16 | a);
}

size_t PlainSource::ReadInto(uint8_t* dest, size_t n) {
  const size_t count = std::min(n, data_.size() - pos_);
  std::memcpy(dest, data_.data() + pos_, count);
  pos_ += count;
  return count;
}

ZlibSource::ZlibSource(std::span<const uint8_t> data, const char* what, DecodeBudget& budget)
    : in_(data), what_(what), budget_(budget) {
  // The zlib wrapper is read here and the deflate data inflated raw, so the
  // checksum runs through the faster Adler32 above.
  if (in_.size() < 2) {
    ended_ = true;  // nothing to inflate: decoding reports the data cut short
    return;
  }
  const uint8_t cmf = in_[0], flg = in_[1];
  if ((cmf & 0x0F) != Z_DEFLATED) Fail("unknown compression method");
  if ((cmf >> 4) > 7) Fail("invalid window size");
  if ((uint32_t(cmf) << 8 | flg) % 31 != 0) Fail("incorrect header check");
  if (flg & 0x20) Fail("need dictionary");
  if (inflateInit2(&z_, -15) != Z_OK) Fail("cannot start");
  started_ = true;
  z_.next_in = const_cast<Bytef*>(in_.data() + 2);
  z_.avail_in = 0;
  in_ = in_.subspan(2);
}

ZlibSource::~ZlibSource() {
  if (started_) inflateEnd(&z_);
  budget_.Refund(capacity_);
}

void ZlibSource::Fail(const std::string& zlib_message) const {
  throw DataError{std::string(what_) + " does not inflate (zlib: " + zlib_message + ")"};
}

size_t ZlibSource::Pump(uint8_t* dest, size_t room) {
  size_t produced = 0;
  while (produced < room && !ended_) {
    // Input and output are fed in pieces that fit zlib's 32-bit counters.
    const size_t consumed = size_t(z_.next_in - (in_.data()));
    const size_t in_chunk =
        std::min<size_t>(in_.size() - consumed, std::numeric_limits<uInt>::max());
    const size_t out_chunk = std::min<size_t>(room - produced, std::numeric_limits<uInt>::max());
    z_.avail_in = uInt(in_chunk);
    z_.next_out = dest + produced;
    z_.avail_out = uInt(out_chunk);
    const int rc = inflate(&z_, Z_NO_FLUSH);
    const size_t made = out_chunk - z_.avail_out;
    adler_ = Adler32(adler_, dest + produced, made);
    produced += made;
    if (rc == Z_STREAM_END) {
      ended_ = true;
      const size_t rest = in_.size() - size_t(z_.next_in - in_.data());
      // A missing checksum is a stream cut short, reported by decoding
      // when the data needed is missing too.
      if (rest >= 4) {
        const uint8_t* t = z_.next_in;
        const uint32_t stored =
            uint32_t(t[0]) << 24 | uint32_t(t[1]) << 16 | uint32_t(t[2]) << 8 | t[3];
        if (stored != adler_) Fail("incorrect data check");
      }
    } else if (rc == Z_BUF_ERROR || (rc == Z_OK && made == 0 && z_.avail_in == in_chunk)) {
      ended_ = true;  // no progress: the data ends before the stream does
    } else if (rc != Z_OK) {
      Fail(z_.msg ? z_.msg : zError(rc));
    }
  }
  return produced;
}

const uint8_t* ZlibSource::Take(size_t n) {
  static const uint8_t kNothing = 0;
  if (n == 0) return &kNothing;
  if (end_ - begin_ < n) {
    if (capacity_ - begin_ < n) {
      // Move what is left to the front, growing the buffer when even the
      // whole of it is too small.
      if (capacity_ < n || !buffer_) {
        const size_t grown = std::max({n, kFirstBuffer, capacity_ * 2});
        budget_.Charge(grown);
        auto bigger = std::make_unique_for_overwrite<uint8_t[]>(grown);
        if (end_ > begin_) std::memcpy(bigger.get(), buffer_.get() + begin_, end_ - begin_);
        budget_.Refund(capacity_);
        buffer_ = std::move(bigger);
        capacity_ = grown;
      } else if (end_ > begin_) {
        std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
      }
      end_ -= begin_;
      begin_ = 0;
    }
    end_ += Pump(buffer_.get() + end_, capacity_ - end_);
    if (end_ - begin_ < n) return nullptr;
  }
  const uint8_t* p = buffer_.get() + begin_;
  begin_ += n;
  return p;
}

size_t ZlibSource::ReadInto(uint8_t* dest, size_t n) {
  const size_t buffered = std::min(n, end_ - begin_);
  if (buffered > 0) std::memcpy(dest, buffer_.get() + begin_, buffered);
  begin_ += buffered;
  return buffered + Pump(dest + buffered, n - buffered);
}

void ZlibSource::Finish() {
  uint8_t scratch[4096];
  for (size_t extra = 0; !ended_ && extra < kMaxTrailing;) {
    const size_t made = Pump(scratch, sizeof scratch);
    if (made == 0 && !ended_) break;
    extra += made;
  }
}

}  // namespace vesk::graphics::orlo_detail
