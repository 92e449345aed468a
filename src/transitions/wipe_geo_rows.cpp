// Each loop is built twice, for AVX2 and for the baseline processor; the
// loader picks the clone the machine can run (as the surfaces' kernels do).
#include "transitions/wipe_geo_rows.h"

#include "transitions/wipe_geo_support.h"

namespace vesk::transitions::geo {

namespace {

using graphics::detail::Fmt15;
using graphics::detail::Fmt16;
using graphics::detail::Fmt32;

// Distances and the front stay below 2^15 (sides are at most 32768), so
// the level is worked out in 16-bit lanes.
template <class F>
inline void Brighten(typename F::Word* d, const typename F::Word* s, const uint16_t* dist, int n,
                     int32_t b) {
  const int16_t front = int16_t(b);
  for (int x = 0; x < n; ++x) {
    const int16_t e = int16_t(front - int16_t(dist[x]));
    const int16_t rest = int16_t(511 - e);
    const int16_t level = std::clamp<int16_t>(std::min(e, rest), 0, 255);
    d[x] = OffsetByLevel16<F, false>(s[x], uint16_t(level));
  }
}

template <class F>
inline void Grey(typename F::Word* d, const typename F::Word* s, int n, uint32_t grey,
                 bool darken) {
  const auto g = GreyOf<F>(grey);
  if (darken) {
    for (int x = 0; x < n; ++x) d[x] = SubGrey<F>(s[x], g);
  } else {
    for (int x = 0; x < n; ++x) d[x] = AddGrey<F>(s[x], g);
  }
}

template <class F>
inline void Blend(typename F::Word* d, const typename F::Word* base, const typename F::Word* over,
                  int n, uint32_t alpha) {
  for (int x = 0; x < n; ++x) {
    const auto b = base[x], o = over[x];
    const auto mixed = graphics::detail::BlendPixel<F>(o, b, alpha);
    d[x] = o == b ? b : mixed;
  }
}

}  // namespace

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define VESK_GEO_ROW_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define VESK_GEO_ROW_CLONES
#endif

// In chunks: the grey of every pixel first, then one saturating byte add
// over the chunk (the top bytes are 0 in both and stay 0).
VESK_GEO_ROW_CLONES void BrightenRow32(uint32_t* d, const uint32_t* s, const uint16_t* dist, int n,
                                       int32_t b) {
  constexpr int kChunk = 256;
  uint32_t greys[kChunk];
  for (int at = 0; at < n; at += kChunk) {
    const int m = std::min(kChunk, n - at);
    for (int x = 0; x < m; ++x) {
      const int32_t e = b - int32_t(dist[at + x]);
      greys[x] = uint32_t(std::clamp(std::min(e, 511 - e), 0, 255)) * 0x010101u;
    }
    const uint8_t* sb = reinterpret_cast<const uint8_t*>(s + at);
    const uint8_t* gb = reinterpret_cast<const uint8_t*>(greys);
    uint8_t* db = reinterpret_cast<uint8_t*>(d + at);
    for (int i = 0; i < 4 * m; ++i) {
      const auto sum = uint8_t(sb[i] + gb[i]);  // the form taken for a saturating add
      db[i] = sum < sb[i] ? uint8_t(255) : sum;
    }
  }
}
VESK_GEO_ROW_CLONES void BrightenRow16(uint16_t* d, const uint16_t* s, const uint16_t* dist, int n,
                                       int32_t b) {
  Brighten<Fmt16>(d, s, dist, n, b);
}
VESK_GEO_ROW_CLONES void BrightenRow15(uint16_t* d, const uint16_t* s, const uint16_t* dist, int n,
                                       int32_t b) {
  Brighten<Fmt15>(d, s, dist, n, b);
}

VESK_GEO_ROW_CLONES void GreyRow32(uint32_t* d, const uint32_t* s, int n, uint32_t grey,
                                   bool darken) {
  Grey<Fmt32>(d, s, n, grey, darken);
}
VESK_GEO_ROW_CLONES void GreyRow16(uint16_t* d, const uint16_t* s, int n, uint32_t grey,
                                   bool darken) {
  Grey<Fmt16>(d, s, n, grey, darken);
}
VESK_GEO_ROW_CLONES void GreyRow15(uint16_t* d, const uint16_t* s, int n, uint32_t grey,
                                   bool darken) {
  Grey<Fmt15>(d, s, n, grey, darken);
}

VESK_GEO_ROW_CLONES void BlendRow32(uint32_t* d, const uint32_t* base, const uint32_t* over, int n,
                                    uint32_t alpha) {
  Blend<Fmt32>(d, base, over, n, alpha);
}
VESK_GEO_ROW_CLONES void BlendRow16(uint16_t* d, const uint16_t* base, const uint16_t* over, int n,
                                    uint32_t alpha) {
  Blend<Fmt16>(d, base, over, n, alpha);
}
VESK_GEO_ROW_CLONES void BlendRow15(uint16_t* d, const uint16_t* base, const uint16_t* over, int n,
                                    uint32_t alpha) {
  Blend<Fmt15>(d, base, over, n, alpha);
}

}  // namespace vesk::transitions::geo
