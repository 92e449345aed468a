// The rows are plain loops the compiler vectorises; the working formats are
// built twice, for AVX2 and for the baseline processor, and the loader picks
// the clone the machine can run.
#include "transitions/wipe_kernels.h"

#include <algorithm>
#include <cstdlib>
#include <type_traits>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define VESK_WIPE_AVX2_BLEND 1
#endif

#include "graphics/dibsfc_kernels.h"
#include "transitions/wipe_geo_support.h"

namespace vesk::transitions {
namespace {

using graphics::ConstPixelView;
using graphics::PixelView;
namespace gd = graphics::detail;

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define VESK_WIPE_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define VESK_WIPE_CLONES
#endif

template <class F>
inline typename F::Word GreyOpPixel(typename F::Word grey, typename F::Word s, GreyOp op) {
  return op == GreyOp::kAdd ? gd::AddPixel<F>(grey, s) : gd::SubPixel<F>(grey, s);
}

// The native grey (v, v, v) of the working formats, as ColorToNative makes it.
template <class F>
inline typename F::Word FormulaGrey(uint32_t v) {
  using W = typename F::Word;
  if constexpr (std::is_same_v<F, gd::Fmt32>) {
    return W(v | v << 8 | v << 16);  // shifts: no 32-bit multiply per pixel
  } else if constexpr (std::is_same_v<F, gd::Fmt16>) {
    return W((v >> 3) << 11 | (v >> 2) << 5 | v >> 3);
  } else {
    return W((v >> 3) << 10 | (v >> 3) << 5 | v >> 3);
  }
}

template <class F, int kC, GreyOp kOp>
inline uint16_t SaturateChannel16(uint16_t s, uint16_t grey) {
  const uint16_t sc = gd::Channel16<F, kC>(s), gc = gd::Channel16<F, kC>(grey);
  if constexpr (kOp == GreyOp::kAdd) {
    const auto sum = uint16_t(sc + gc);
    return sum > uint16_t(F::kMax[kC]) ? uint16_t(F::kMax[kC]) : sum;
  } else {
    return uint16_t(std::max(sc, gc) - gc);  // two vector operations, the choice takes four
  }
}

// Saturating add or subtract per channel, written so that the compiler keeps
// whole pixels in vector lanes: 32-bit pixels as red|blue and green words
// whose carry and borrow bits sit just above each channel; 5/6-bit channels
// in 16-bit lanes.
template <class F, GreyOp kOp>
inline typename F::Word SaturatePixel(typename F::Word s, typename F::Word grey) {
  using W = typename F::Word;
  if constexpr (std::is_same_v<F, gd::Fmt32>) {
    if constexpr (kOp == GreyOp::kAdd) {
      uint32_t rb = (s & 0xFF00FFu) + (grey & 0xFF00FFu), g = (s & 0xFF00u) + (grey & 0xFF00u);
      const uint32_t orb = rb & 0x1000100u, og = g & 0x10000u;
      rb = (rb | (orb - (orb >> 8))) & 0xFF00FFu;
      g = (g | (og - (og >> 8))) & 0xFF00u;
      return W(rb | g);
    } else {
      uint32_t rb = ((s & 0xFF00FFu) | 0x1000100u) - (grey & 0xFF00FFu);
      uint32_t g = ((s & 0xFF00u) | 0x10000u) - (grey & 0xFF00u);
      const uint32_t krb = rb & 0x1000100u, kg = g & 0x10000u;  // set: no borrow
      rb &= (krb - (krb >> 8)) & 0xFF00FFu;
      g &= (kg - (kg >> 8)) & 0xFF00u;
      return W(rb | g);
    }
  } else {
    const uint16_t out0 = SaturateChannel16<F, 0, kOp>(s, grey);
    const uint16_t out1 = SaturateChannel16<F, 1, kOp>(s, grey);
    const uint16_t out2 = SaturateChannel16<F, 2, kOp>(s, grey);
    return W(out0 << F::kShift[0] | out1 << F::kShift[1] | out2);
  }
}

// ((w*s + (255-w)*d) >> 8) per channel. 5/6-bit channels take the form
// d + ((w*(s - d) - d) >> 8) with an arithmetic shift (the same floor, as
// 256*d + w*(s - d) - d is the sum): one product per channel instead of
// two, and every term fits a signed 16-bit lane (|w*(s - d)| <= 255*63).
template <class F>
inline typename F::Word Blend(typename F::Word s, typename F::Word d, uint32_t w) {
  if constexpr (gd::kIs16<F>) {
    const auto w16 = uint16_t(w);
    auto mix = [&](uint16_t sc, uint16_t dc) {
      const auto x = int16_t(int16_t(w16 * int16_t(sc - dc)) - int16_t(dc));
      return uint16_t(dc + int16_t(x >> 8));
    };
    return uint16_t(mix(gd::Channel16<F, 0>(s), gd::Channel16<F, 0>(d)) << F::kShift[0] |
                    mix(gd::Channel16<F, 1>(s), gd::Channel16<F, 1>(d)) << F::kShift[1] |
                    mix(gd::Channel16<F, 2>(s), gd::Channel16<F, 2>(d)));
  } else {
    return gd::BlendPixel<F>(s, d, w);
  }
}

// --- 5/6-bit blends with AVX2 ------------------------------------------------------
#ifdef VESK_WIPE_AVX2_BLEND
// The per-channel form of Blend takes the compiler about 35 instructions
// for 16 pixels. Here each channel of both pixels goes into one 16-bit lane
// as a byte pair (new, old) and a single multiply-add against the weight
// pair (w, 255 - w) gives w*new + (255-w)*old, the same sum (at most
// 255*63, no saturation), in about 28.
template <class F>
struct Blend16Avx2 {
  static constexpr int kRed = F::kShift[0];
  static constexpr uint16_t kRedMax = uint16_t(F::kMax[0]), kGreenMax = uint16_t(F::kMax[1]),
                            kBlueMax = uint16_t(F::kMax[2]);

  [[gnu::target("avx2")]] static __m256i Set(int v) { return _mm256_set1_epi16(short(v)); }

  // (w*t + (255-w)*f) >> 8 per channel; weights holds w | (255-w) << 8.
  // Each pair is put together with the old pixel's channel shifted straight
  // to the high byte and the sums straight to their places.
  [[gnu::target("avx2")]] static __m256i Mix(__m256i t, __m256i f, __m256i weights) {
    constexpr int kBlueHigh = 8, kGreenHigh = 8 - 5, kRedHigh = kRed - 8;
    const __m256i b =
        _mm256_or_si256(_mm256_and_si256(t, Set(kBlueMax)),
                        _mm256_and_si256(_mm256_slli_epi16(f, kBlueHigh), Set(kBlueMax << 8)));
    const __m256i g =
        _mm256_or_si256(_mm256_and_si256(_mm256_srli_epi16(t, 5), Set(kGreenMax)),
                        _mm256_and_si256(_mm256_slli_epi16(f, kGreenHigh), Set(kGreenMax << 8)));
    const __m256i r =
        _mm256_or_si256(_mm256_and_si256(_mm256_srli_epi16(t, kRed), Set(kRedMax)),
                        _mm256_and_si256(_mm256_srli_epi16(f, kRedHigh), Set(kRedMax << 8)));
    const __m256i mb = _mm256_srli_epi16(_mm256_maddubs_epi16(weights, b), 8);
    const __m256i mg = _mm256_and_si256(_mm256_srli_epi16(_mm256_maddubs_epi16(weights, g), 8 - 5),
                                        Set(kGreenMax << 5));
    const __m256i mr = _mm256_and_si256(
        _mm256_slli_epi16(_mm256_maddubs_epi16(weights, r), kRedHigh), Set(kRedMax << kRed));
    return _mm256_or_si256(_mm256_or_si256(mr, mg), mb);
  }

  // AlphaDirect over the first n - n % 16 pixels; returns how many.
  [[gnu::target("avx2")]] static int Alpha(uint16_t* d, const uint16_t* f, const uint16_t* t, int n,
                                           uint32_t alpha) {
    const __m256i weights = _mm256_set1_epi16(short(alpha | (255 - alpha) << 8));
    int i = 0;
    for (; i + 16 <= n; i += 16) {
      const __m256i fv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(f + i));
      const __m256i tv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(t + i));
      const __m256i same = _mm256_cmpeq_epi16(fv, tv);
      const __m256i out = _mm256_blendv_epi8(Mix(tv, fv, weights), fv, same);
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), out);
    }
    return i;
  }

  // ComposeDirect likewise.
  [[gnu::target("avx2")]] static int Compose(uint16_t* d, const uint16_t* f, const uint16_t* t,
                                             const uint8_t* m, int n) {
    const __m256i zero = _mm256_setzero_si256(), full = _mm256_set1_epi16(255);
    int i = 0;
    for (; i + 16 <= n; i += 16) {
      const __m256i mv =
          _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(m + i)));
      const __m256i weights = _mm256_or_si256(mv, _mm256_slli_epi16(_mm256_xor_si256(mv, full), 8));
      const __m256i fv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(f + i));
      const __m256i tv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(t + i));
      __m256i out = Mix(tv, fv, weights);
      out = _mm256_blendv_epi8(out, fv, _mm256_cmpeq_epi16(mv, zero));
      out = _mm256_blendv_epi8(out, tv, _mm256_cmpeq_epi16(mv, full));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i), out);
    }
    return i;
  }
};

inline bool HasAvx2() {
  return __builtin_cpu_supports("avx2");
}
#endif

// The first pixels of a 5/6-bit blend row the AVX2 loops can take.
template <class F>
int Alpha16Fast(uint16_t* d, const uint16_t* f, const uint16_t* t, int n, uint32_t alpha) {
#ifdef VESK_WIPE_AVX2_BLEND
  if (alpha <= 255 && HasAvx2()) return Blend16Avx2<F>::Alpha(d, f, t, n, alpha);
#endif
  return 0;
}
template <class F>
int Compose16Fast(uint16_t* d, const uint16_t* f, const uint16_t* t, const uint8_t* m, int n) {
#ifdef VESK_WIPE_AVX2_BLEND
  if (HasAvx2()) return Blend16Avx2<F>::Compose(d, f, t, m, n);
#endif
  return 0;
}

// --- direct formats ------------------------------------------------------------

template <class F, class W = typename F::Word>
inline void ComposeDirect(W* d, const W* f, const W* t, const uint8_t* m, int n) {
  // Mask values in lanes as wide as the pixels.
  using M = std::conditional_t<sizeof(W) == 2, uint16_t, uint32_t>;
  for (int i = 0; i < n; ++i) {
    const M mv = m[i];
    const W fv = f[i], tv = t[i];
    const W bv = Blend<F>(tv, fv, mv);
    d[i] = mv == 0 ? fv : (mv == 255 ? tv : bv);
  }
}

template <class W>
inline void SelectDirect(W* d, const W* f, const W* t, const uint8_t* m, int n) {
  // Both values are loaded so that the choice is a select, not a branch.
  for (int i = 0; i < n; ++i) {
    const W fv = f[i], tv = t[i];
    d[i] = m[i] != 0 ? tv : fv;
  }
}

// The alpha copy of t over f, pixels equal in both kept as they are.
template <class F, class W = typename F::Word>
inline void AlphaDirect(W* d, const W* f, const W* t, int n, uint32_t a) {
  for (int i = 0; i < n; ++i) {
    const W fv = f[i], tv = t[i];
    const W bv = Blend<F>(tv, fv, a);
    d[i] = tv == fv ? fv : bv;
  }
}

template <class F, GreyOp kOp, class W = typename F::Word>
inline void GreyDirect(W* d, const W* s, int n, W grey) {
  for (int i = 0; i < n; ++i) d[i] = SaturatePixel<F, kOp>(s[i], grey);
}

// 32 bits in chunks: the grey and the chosen picture of every pixel first
// (32-bit lanes), then one saturating byte add or subtract over the chunk,
// a single vector operation per eight pixels. The top byte is 0 in both, as
// SaturatePixel leaves it. Built for each processor on its own, as it is
// too large to be inlined into the callers' clones.
template <GreyOp kOp>
VESK_WIPE_CLONES void RuleGrey32(uint32_t* d, const uint32_t* f, const uint32_t* t,
                                 const uint8_t* g, int n, int32_t u) {
  constexpr int kChunk = 256;
  uint32_t greys[kChunk], sources[kChunk];
  const int32_t offset = std::clamp(u - 256, -512, 512);
  for (int at = 0; at < n; at += kChunk) {
    const int m = std::min(kChunk, n - at);
    for (int i = 0; i < m; ++i) {
      const int32_t level = std::clamp(offset + int32_t(g[at + i]), 0, 511);
      const auto late = uint32_t(-int32_t(level > 255));
      const auto v = uint32_t(level) ^ (late & 511u);
      greys[i] = FormulaGrey<gd::Fmt32>(v);
      sources[i] = ((t[at + i] & late) | (f[at + i] & ~late)) & 0xFFFFFFu;
    }
    const auto* sb = reinterpret_cast<const uint8_t*>(sources);
    const auto* gb = reinterpret_cast<const uint8_t*>(greys);
    auto* db = reinterpret_cast<uint8_t*>(d + at);
    for (int i = 0; i < 4 * m; ++i) {
      if constexpr (kOp == GreyOp::kAdd) {
        const auto sum = uint8_t(sb[i] + gb[i]);  // the form taken for a saturating add
        db[i] = sum < sb[i] ? uint8_t(255) : sum;
      } else {
        db[i] = uint8_t(sb[i] > gb[i] ? sb[i] - gb[i] : 0);
      }
    }
  }
}

template <class F, GreyOp kOp, class W = typename F::Word>
inline void RuleGreyDirect(W* d, const W* f, const W* t, const uint8_t* g, int n, int32_t u) {
  if constexpr (std::is_same_v<F, gd::Fmt32>) {
    return RuleGrey32<kOp>(d, f, t, g, n, u);
  }
  // Levels in lanes as wide as the pixels (u - 256 lies in -256 .. 512).
  using L = std::conditional_t<sizeof(W) == 2, int16_t, int32_t>;
  const auto offset = L(std::clamp(u - 256, -512, 512));
  for (int i = 0; i < n; ++i) {
    L level = L(offset + L(g[i]));
    level = level < 0 ? L(0) : level;
    level = level > 511 ? L(511) : level;
    // All ones past the turn: then the new picture and grey(511 - L),
    // which is L ^ 511. Masks rather than two selects on one condition,
    // which the vectoriser does not take.
    const auto late = L(-L(level > 255));
    const auto v = L(level ^ (late & 511));
    const W fv = f[i], tv = t[i];
    const W source = W((tv & W(late)) | (fv & W(~late)));
    if constexpr (gd::kIs16<F>) {
      d[i] = geo::OffsetByLevel16<F, kOp == GreyOp::kSub>(source, uint16_t(v));
    } else {
      d[i] = SaturatePixel<F, kOp>(source, FormulaGrey<F>(uint32_t(v)));
    }
  }
}

// One clone set per working format and rule; the generic templates above
// are inlined into each.
#define VESK_WIPE_FORMAT_ROWS(NAME, FMT)                                                         \
  VESK_WIPE_CLONES void Compose##NAME(FMT::Word* d, const FMT::Word* f, const FMT::Word* t,      \
                                      const uint8_t* m, int n) {                                 \
    ComposeDirect<FMT>(d, f, t, m, n);                                                           \
  }                                                                                              \
  VESK_WIPE_CLONES void Select##NAME(FMT::Word* d, const FMT::Word* f, const FMT::Word* t,       \
                                     const uint8_t* m, int n) {                                  \
    SelectDirect(d, f, t, m, n);                                                                 \
  }                                                                                              \
  VESK_WIPE_CLONES void Alpha##NAME(FMT::Word* d, const FMT::Word* f, const FMT::Word* t, int n, \
                                    uint32_t a) {                                                \
    AlphaDirect<FMT>(d, f, t, n, a);                                                             \
  }                                                                                              \
  VESK_WIPE_CLONES void GreyAdd##NAME(FMT::Word* d, const FMT::Word* s, int n, FMT::Word grey) { \
    GreyDirect<FMT, GreyOp::kAdd>(d, s, n, grey);                                                \
  }                                                                                              \
  VESK_WIPE_CLONES void GreySub##NAME(FMT::Word* d, const FMT::Word* s, int n, FMT::Word grey) { \
    GreyDirect<FMT, GreyOp::kSub>(d, s, n, grey);                                                \
  }                                                                                              \
  VESK_WIPE_CLONES void RuleAdd##NAME(FMT::Word* d, const FMT::Word* f, const FMT::Word* t,      \
                                      const uint8_t* g, int n, int32_t u) {                      \
    RuleGreyDirect<FMT, GreyOp::kAdd>(d, f, t, g, n, u);                                         \
  }                                                                                              \
  VESK_WIPE_CLONES void RuleSub##NAME(FMT::Word* d, const FMT::Word* f, const FMT::Word* t,      \
                                      const uint8_t* g, int n, int32_t u) {                      \
    RuleGreyDirect<FMT, GreyOp::kSub>(d, f, t, g, n, u);                                         \
  }

VESK_WIPE_FORMAT_ROWS(32, gd::Fmt32)
VESK_WIPE_FORMAT_ROWS(16, gd::Fmt16)
VESK_WIPE_FORMAT_ROWS(15, gd::Fmt15)
#undef VESK_WIPE_FORMAT_ROWS

// A saturating byte add or subtract of |offset| (cut to 255, which clamps
// the same), in the forms the vectoriser takes: one operation per 32 bytes.
VESK_WIPE_CLONES void RuleMaskLevels(uint8_t* out, const uint8_t* levels, int n, int16_t offset) {
  const auto k = uint8_t(std::min<int>(std::abs(offset), 255));
  if (offset >= 0) {
    for (int i = 0; i < n; ++i) {
      const auto sum = uint8_t(levels[i] + k);
      out[i] = sum < levels[i] ? uint8_t(255) : sum;
    }
  } else {
    for (int i = 0; i < n; ++i) out[i] = uint8_t(std::max(levels[i], k) - k);
  }
}

template <class W, class V>
W* RowAt(const V& view, int y) {
  return reinterpret_cast<W*>(view.Row(y));
}

// --- every other format, pixel by pixel ----------------------------------------

template <class F>
void ComposeGeneric(const PixelView& d, const ConstPixelView& f, const ConstPixelView& t,
                    const uint8_t* m, int y, int x0, int n, MaskRule rule) {
  using W = typename F::Word;
  const int bits = d.bit_count;
  for (int x = x0; x < x0 + n; ++x) {
    const auto fv = W(gd::LoadNative(f.Row(y), x, bits));
    const auto tv = W(gd::LoadNative(t.Row(y), x, bits));
    W out = m[x] == 0 ? fv : tv;
    if (rule == MaskRule::kBlend && m[x] != 0 && m[x] != 255) {
      out = gd::BlendPixel<F>(tv, fv, m[x]);
    }
    gd::StoreNative(d.Row(y), x, bits, out);
  }
}

template <class F>
void AlphaGeneric(const PixelView& d, const ConstPixelView& f, const ConstPixelView& t,
                  const FadeSpan& span, uint32_t alpha) {
  using W = typename F::Word;
  const int bits = d.bit_count;
  for (int i = 0; i < span.n; ++i) {
    const auto fv = W(gd::LoadNative(f.Row(span.y), span.x + i, bits));
    const auto tv = W(gd::LoadNative(t.Row(span.to_y), span.to_x + i, bits));
    gd::StoreNative(d.Row(span.y), span.x + i, bits,
                    tv == fv ? fv : gd::BlendPixel<F>(tv, fv, alpha));
  }
}

template <class F>
void RuleGreyGeneric(const PixelView& d, const ConstPixelView& f, const ConstPixelView& t,
                     const uint8_t* g, int y, int x0, int n, int32_t u, const uint32_t* greys,
                     GreyOp op) {
  using W = typename F::Word;
  const int bits = d.bit_count;
  for (int x = x0; x < x0 + n; ++x) {
    const int32_t level = std::clamp(u + int32_t(g[x]) - 256, 0, 511);
    const bool late = level > 255;
    const auto s = W(gd::LoadNative((late ? t : f).Row(y), x, bits));
    const auto grey = W(greys[late ? 511 - level : level]);
    gd::StoreNative(d.Row(y), x, bits, GreyOpPixel<F>(grey, s, op));
  }
}

// The three rows of one destination row.
template <class W>
struct Rows3 {
  W* d;
  const W* f;
  const W* t;
};
template <class W>
Rows3<W> RowsAt(const PixelView& d, const ConstPixelView& f, const ConstPixelView& t, int y) {
  return {RowAt<W>(d, y), RowAt<const W>(f, y), RowAt<const W>(t, y)};
}

}  // namespace

void RuleMaskRow(uint8_t* out, const uint8_t* levels, int n, int32_t offset) {
  RuleMaskLevels(out, levels, n, int16_t(std::clamp(offset, -256, 256)));
}

bool IsFormulaGreyTable(const uint32_t* greys, int bit_count) {
  for (uint32_t v = 0; v < 256; ++v) {
    const uint32_t want = bit_count == 32   ? FormulaGrey<gd::Fmt32>(v)
                          : bit_count == 16 ? FormulaGrey<gd::Fmt16>(v)
                          : bit_count == 15 ? FormulaGrey<gd::Fmt15>(v)
                                            : ~0u;
    if (greys[v] != want) return false;
  }
  return true;
}

void ComposeMaskRow(const PixelView& dest, const ConstPixelView& from, const ConstPixelView& to,
                    const uint8_t* mask, int y, int x0, int n, MaskRule rule) {
  const bool blend = rule == MaskRule::kBlend;
  const uint8_t* m = mask + x0;
  switch (dest.bit_count) {
    case 32: {
      const auto r = RowsAt<uint32_t>(dest, from, to, y);
      return blend ? Compose32(r.d + x0, r.f + x0, r.t + x0, m, n)
                   : Select32(r.d + x0, r.f + x0, r.t + x0, m, n);
    }
    case 16: {
      const auto r = RowsAt<uint16_t>(dest, from, to, y);
      if (!blend) return Select16(r.d + x0, r.f + x0, r.t + x0, m, n);
      const int done = Compose16Fast<gd::Fmt16>(r.d + x0, r.f + x0, r.t + x0, m, n);
      return Compose16(r.d + x0 + done, r.f + x0 + done, r.t + x0 + done, m + done, n - done);
    }
    case 15: {
      const auto r = RowsAt<uint16_t>(dest, from, to, y);
      if (!blend) return Select15(r.d + x0, r.f + x0, r.t + x0, m, n);
      const int done = Compose16Fast<gd::Fmt15>(r.d + x0, r.f + x0, r.t + x0, m, n);
      return Compose15(r.d + x0 + done, r.f + x0 + done, r.t + x0 + done, m + done, n - done);
    }
    default:
      gd::WithFormat(dest.bit_count, [&](auto fmt) {
        ComposeGeneric<decltype(fmt)>(dest, from, to, mask, y, x0, n, rule);
      });
  }
}

void AlphaSpan(const PixelView& dest, const ConstPixelView& from, const ConstPixelView& to,
               const FadeSpan& span, uint32_t alpha) {
  switch (dest.bit_count) {
    case 32:
      return Alpha32(RowAt<uint32_t>(dest, span.y) + span.x,
                     RowAt<const uint32_t>(from, span.y) + span.x,
                     RowAt<const uint32_t>(to, span.to_y) + span.to_x, span.n, alpha);
    case 16:
    case 15: {
      auto* d = RowAt<uint16_t>(dest, span.y) + span.x;
      const auto* f = RowAt<const uint16_t>(from, span.y) + span.x;
      const auto* t = RowAt<const uint16_t>(to, span.to_y) + span.to_x;
      const int done = dest.bit_count == 16 ? Alpha16Fast<gd::Fmt16>(d, f, t, span.n, alpha)
                                            : Alpha16Fast<gd::Fmt15>(d, f, t, span.n, alpha);
      return dest.bit_count == 16 ? Alpha16(d + done, f + done, t + done, span.n - done, alpha)
                                  : Alpha15(d + done, f + done, t + done, span.n - done, alpha);
    }
    default:
      gd::WithFormat(dest.bit_count,
                     [&](auto fmt) { AlphaGeneric<decltype(fmt)>(dest, from, to, span, alpha); });
  }
}

void GreyRow(const PixelView& dest, const ConstPixelView& source, int y, int n, uint32_t grey,
             GreyOp op) {
  const bool add = op == GreyOp::kAdd;
  switch (dest.bit_count) {
    case 32: {
      auto* d = RowAt<uint32_t>(dest, y);
      const auto* s = RowAt<const uint32_t>(source, y);
      return add ? GreyAdd32(d, s, n, grey) : GreySub32(d, s, n, grey);
    }
    case 16: {
      auto* d = RowAt<uint16_t>(dest, y);
      const auto* s = RowAt<const uint16_t>(source, y);
      return add ? GreyAdd16(d, s, n, uint16_t(grey)) : GreySub16(d, s, n, uint16_t(grey));
    }
    case 15: {
      auto* d = RowAt<uint16_t>(dest, y);
      const auto* s = RowAt<const uint16_t>(source, y);
      return add ? GreyAdd15(d, s, n, uint16_t(grey)) : GreySub15(d, s, n, uint16_t(grey));
    }
    default:
      gd::WithFormat(dest.bit_count, [&](auto fmt) {
        using F = decltype(fmt);
        for (int x = 0; x < n; ++x) {
          const auto s = typename F::Word(gd::LoadNative(source.Row(y), x, dest.bit_count));
          gd::StoreNative(dest.Row(y), x, dest.bit_count,
                          GreyOpPixel<F>(typename F::Word(grey), s, op));
        }
      });
  }
}

void RuleGreyRow(const PixelView& dest, const ConstPixelView& from, const ConstPixelView& to,
                 const uint8_t* levels, int y, int x0, int n, int32_t u, const uint32_t* greys,
                 bool formula_greys, GreyOp op) {
  const bool add = op == GreyOp::kAdd;
  const uint8_t* g = levels + x0;
  if (formula_greys && dest.bit_count == 32) {
    const auto r = RowsAt<uint32_t>(dest, from, to, y);
    auto* d = r.d + x0;
    const auto *f = r.f + x0, *t = r.t + x0;
    return add ? RuleAdd32(d, f, t, g, n, u) : RuleSub32(d, f, t, g, n, u);
  }
  if (formula_greys && (dest.bit_count == 16 || dest.bit_count == 15)) {
    const auto r = RowsAt<uint16_t>(dest, from, to, y);
    auto* d = r.d + x0;
    const auto *f = r.f + x0, *t = r.t + x0;
    if (dest.bit_count == 16)
      return add ? RuleAdd16(d, f, t, g, n, u) : RuleSub16(d, f, t, g, n, u);
    return add ? RuleAdd15(d, f, t, g, n, u) : RuleSub15(d, f, t, g, n, u);
  }
  gd::WithFormat(dest.bit_count, [&](auto fmt) {
    RuleGreyGeneric<decltype(fmt)>(dest, from, to, levels, y, x0, n, u, greys, op);
  });
}

}  // namespace vesk::transitions
