#pragma once
// Pixel formats and the per-row blend kernels shared by every drawing
// operation. Internal to the graphics library.
//
// A channel blend on the full mask M, ((a*(s&M) + (255-a)*(d&M)) >> 8) & M,
// equals the same expression on the channel's own value (M shifted down to
// bit 0), because the shift by 8 and the mask only drop bits below the
// channel. So every rule works per channel value: 5, 6 or 8 bits, always
// fitting 16-bit lanes, and the 32-bit rules can run two channels per 32-bit
// word (red|blue and green) without carries between them.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>

#include "graphics/dibsfc.h"

namespace vesk::graphics::detail {

// --- formats ---------------------------------------------------------------

template <int kBitCount, class W, int kChannelCount, bool kIsDirect>
struct FormatBase {
  using Word = W;
  static constexpr int kBits = kBitCount;
  static constexpr int kChannels = kChannelCount;
  // Stored as an array of Word starting at pixel 0 of the row.
  static constexpr bool kDirect = kIsDirect;
};

struct Fmt1 : FormatBase<1, uint8_t, 1, false> {
  static constexpr int kShift[3] = {0, 0, 0};
  static constexpr uint32_t kMax[3] = {1, 0, 0};
};
struct Fmt4 : FormatBase<4, uint8_t, 1, false> {
  static constexpr int kShift[3] = {0, 0, 0};
  static constexpr uint32_t kMax[3] = {15, 0, 0};
};
struct Fmt8 : FormatBase<8, uint8_t, 1, true> {
  static constexpr int kShift[3] = {0, 0, 0};
  static constexpr uint32_t kMax[3] = {255, 0, 0};
};
struct Fmt15 : FormatBase<15, uint16_t, 3, true> {
  static constexpr int kShift[3] = {10, 5, 0};
  static constexpr uint32_t kMax[3] = {31, 31, 31};
};
struct Fmt16 : FormatBase<16, uint16_t, 3, true> {
  static constexpr int kShift[3] = {11, 5, 0};
  static constexpr uint32_t kMax[3] = {31, 63, 31};
};
struct Fmt24 : FormatBase<24, uint32_t, 3, false> {
  static constexpr int kShift[3] = {16, 8, 0};
  static constexpr uint32_t kMax[3] = {255, 255, 255};
};
struct Fmt32 : FormatBase<32, uint32_t, 3, true> {
  static constexpr int kShift[3] = {16, 8, 0};
  static constexpr uint32_t kMax[3] = {255, 255, 255};
};

template <class F>
constexpr uint32_t AllChannels() {
  uint32_t m = 0;
  for (int c = 0; c < F::kChannels; ++c) m |= F::kMax[c] << F::kShift[c];
  return m;
}

template <class F>
constexpr bool kIs8888 = std::is_same_v<F, Fmt32> || std::is_same_v<F, Fmt24>;

// Calls fn(F{}) for the format of a bit count; false for unknown counts.
template <class Fn>
bool WithFormat(int bit_count, Fn&& fn) {
  switch (bit_count) {
    case 1:
      fn(Fmt1{});
      return true;
    case 4:
      fn(Fmt4{});
      return true;
    case 8:
      fn(Fmt8{});
      return true;
    case 15:
      fn(Fmt15{});
      return true;
    case 16:
      fn(Fmt16{});
      return true;
    case 24:
      fn(Fmt24{});
      return true;
    case 32:
      fn(Fmt32{});
      return true;
    default:
      return false;
  }
}

// --- raw pixel access --------------------------------------------------------

inline uint32_t LoadNative(const uint8_t* row, int x, int bit_count) {
  switch (bit_count) {
    case 1:
      return (row[x >> 3] >> (7 - (x & 7))) & 1u;
    case 4:
      return (x & 1) ? row[x >> 1] & 0x0Fu : row[x >> 1] >> 4;
    case 8:
      return row[x];
    case 15:
    case 16: {
      uint16_t v;
      std::memcpy(&v, row + 2 * x, 2);
      return v;
    }
    case 24: {
      const uint8_t* p = row + 3 * x;
      return p[0] | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
    }
    case 32: {
      uint32_t v;
      std::memcpy(&v, row + 4 * x, 4);
      return v;
    }
    default:
      return 0;
  }
}

inline void StoreNative(uint8_t* row, int x, int bit_count, uint32_t v) {
  switch (bit_count) {
    case 1: {
      const uint8_t bit = uint8_t(0x80u >> (x & 7));
      row[x >> 3] = (v & 1) ? row[x >> 3] | bit : row[x >> 3] & ~bit;
      break;
    }
    case 4:
      row[x >> 1] = (x & 1) ? uint8_t((row[x >> 1] & 0xF0) | (v & 0x0F))
                            : uint8_t((row[x >> 1] & 0x0F) | (v & 0x0F) << 4);
      break;
    case 8:
      row[x] = uint8_t(v);
      break;
    case 15:
    case 16: {
      const uint16_t w = uint16_t(v);
      std::memcpy(row + 2 * x, &w, 2);
      break;
    }
    case 24:
      row[3 * x] = uint8_t(v);
      row[3 * x + 1] = uint8_t(v >> 8);
      row[3 * x + 2] = uint8_t(v >> 16);
      break;
    case 32:
      std::memcpy(row + 4 * x, &v, 4);
      break;
    default:
      break;
  }
}

// A destination row seen as an array of Word from the first drawn pixel.
template <class F>
struct DirectRow {
  typename F::Word* p;
  typename F::Word Load(int i) const { return p[i]; }
  void Store(int i, typename F::Word v) const { p[i] = v; }
};

// Packed destinations (1, 4 and 24 bits) go through the byte accessors.
template <class F>
struct PackedRow {
  uint8_t* row;
  int x0;
  typename F::Word Load(int i) const {
    return static_cast<typename F::Word>(LoadNative(row, x0 + i, F::kBits));
  }
  void Store(int i, typename F::Word v) const { StoreNative(row, x0 + i, F::kBits, v); }
};

template <class F>
using RowOf = std::conditional_t<F::kDirect, DirectRow<F>, PackedRow<F>>;

template <class F>
RowOf<F> MakeRow(const PixelView& v, int x, int y) {
  uint8_t* row = v.Row(y);
  if constexpr (F::kDirect) {
    return RowOf<F>{reinterpret_cast<typename F::Word*>(row) + x};
  } else {
    return RowOf<F>{row, x};
  }
}

// --- per-pixel rules (w, a, level: 0..255 unless said) ---------------------

// 5- and 6-bit channels: every product (at most 255 * 63) fits 16 bits, so
// the 15/16-bit rules are written in 16-bit arithmetic, which the compiler
// maps onto 16-bit vector lanes.
template <class F>
constexpr bool kIs16 = std::is_same_v<F, Fmt15> || std::is_same_v<F, Fmt16>;

template <class F, int kC>
inline uint16_t Channel16(uint16_t v) {
  return uint16_t(uint16_t(v >> F::kShift[kC]) & uint16_t(F::kMax[kC]));
}

template <class F>
inline uint16_t Blend16(uint16_t s, uint16_t d, uint16_t w) {
  const uint16_t nw = uint16_t(255 - w);
  auto mix = [&](uint16_t sc, uint16_t dc) {
    return uint16_t(uint16_t(uint16_t(w * sc) + uint16_t(nw * dc)) >> 8);
  };
  return uint16_t(mix(Channel16<F, 0>(s), Channel16<F, 0>(d)) << F::kShift[0] |
                  mix(Channel16<F, 1>(s), Channel16<F, 1>(d)) << F::kShift[1] |
                  mix(Channel16<F, 2>(s), Channel16<F, 2>(d)));
}

template <class F>
inline uint16_t AddScaled16(uint16_t s, uint16_t d, uint16_t w) {
  auto add = [&](uint16_t sc, uint16_t dc, uint16_t max) {
    return std::min(max, uint16_t(dc + uint16_t(uint16_t(w * sc) >> 8)));
  };
  return uint16_t(
      add(Channel16<F, 0>(s), Channel16<F, 0>(d), uint16_t(F::kMax[0])) << F::kShift[0] |
      add(Channel16<F, 1>(s), Channel16<F, 1>(d), uint16_t(F::kMax[1])) << F::kShift[1] |
      add(Channel16<F, 2>(s), Channel16<F, 2>(d), uint16_t(F::kMax[2])));
}

// ((w*s + (255-w)*d) >> 8) per channel.
template <class F>
inline typename F::Word BlendPixel(typename F::Word s, typename F::Word d, uint32_t w) {
  using W = typename F::Word;
  const uint32_t nw = 255 - w;
  if constexpr (kIs16<F>) {
    return Blend16<F>(s, d, uint16_t(w));
  } else if constexpr (kIs8888<F>) {
    const uint32_t rb = ((s & 0xFF00FFu) * w + (d & 0xFF00FFu) * nw) >> 8 & 0xFF00FFu;
    const uint32_t g = ((s & 0xFF00u) * w + (d & 0xFF00u) * nw) >> 8 & 0xFF00u;
    return W(rb | g);
  } else {
    uint32_t out = 0;
    for (int c = 0; c < F::kChannels; ++c) {
      const uint32_t sc = (uint32_t(s) >> F::kShift[c]) & F::kMax[c];
      const uint32_t dc = (uint32_t(d) >> F::kShift[c]) & F::kMax[c];
      out |= ((w * sc + nw * dc) >> 8) << F::kShift[c];
    }
    return W(out);
  }
}

// min(max, d + ((w*s) >> 8)) per channel.
template <class F>
inline typename F::Word AddScaledPixel(typename F::Word s, typename F::Word d, uint32_t w) {
  using W = typename F::Word;
  if constexpr (kIs16<F>) {
    return AddScaled16<F>(s, d, uint16_t(w));
  } else if constexpr (kIs8888<F>) {
    uint32_t rb = (d & 0xFF00FFu) + (((s & 0xFF00FFu) * w) >> 8 & 0xFF00FFu);
    uint32_t g = (d & 0xFF00u) + (((s & 0xFF00u) * w) >> 8 & 0xFF00u);
    const uint32_t orb = rb & 0x1000100u;
    rb = (rb | (orb - (orb >> 8))) & 0xFF00FFu;
    const uint32_t og = g & 0x10000u;
    g = (g | (og - (og >> 8))) & 0xFF00u;
    return W(rb | g);
  } else {
    uint32_t out = 0;
    for (int c = 0; c < F::kChannels; ++c) {
      const uint32_t sc = (uint32_t(s) >> F::kShift[c]) & F::kMax[c];
      const uint32_t dc = (uint32_t(d) >> F::kShift[c]) & F::kMax[c];
      out |= std::min(F::kMax[c], dc + ((w * sc) >> 8)) << F::kShift[c];
    }
    return W(out);
  }
}

// min(max, s + d) per channel.
template <class F>
inline typename F::Word AddPixel(typename F::Word s, typename F::Word d) {
  uint32_t out = 0;
  for (int c = 0; c < F::kChannels; ++c) {
    const uint32_t sc = (uint32_t(s) >> F::kShift[c]) & F::kMax[c];
    const uint32_t dc = (uint32_t(d) >> F::kShift[c]) & F::kMax[c];
    out |= std::min(F::kMax[c], sc + dc) << F::kShift[c];
  }
  return typename F::Word(out);
}

// max(0, d - s) per channel.
template <class F>
inline typename F::Word SubPixel(typename F::Word s, typename F::Word d) {
  uint32_t out = 0;
  for (int c = 0; c < F::kChannels; ++c) {
    const uint32_t sc = (uint32_t(s) >> F::kShift[c]) & F::kMax[c];
    const uint32_t dc = (uint32_t(d) >> F::kShift[c]) & F::kMax[c];
    out |= (dc > sc ? dc - sc : 0) << F::kShift[c];
  }
  return typename F::Word(out);
}

// The additive copy rule: single-channel surfaces (8 bits and fewer) add
// the values unscaled.
template <class F>
inline typename F::Word DrawAddPixel(typename F::Word s, typename F::Word d, uint32_t level) {
  if constexpr (F::kChannels == 1) {
    return AddPixel<F>(s, d);
  } else {
    return AddScaledPixel<F>(s, d, level);
  }
}

// --- row kernels -----------------------------------------------------------
// d: destination row from the first drawn pixel; s: n source values in the
// destination's format; m: n mask values.

// How a row of source values lands: the rules of the copy operations.
enum class Rule : uint8_t {
  kCopy,       // s (key: skip)
  kAlpha,      // blend with amount (key: skip; s == d: skip)
  kAdd,        // additive with amount as level (key: skip)
  kMaskAlpha,  // m = 0 skip; w = (m*amount) >> 8; w = 255 -> s; else blend w
  kMaskAdd,    // m = 0 skip; w = (m*amount) >> 8; additive with w
};

struct RuleParams {
  Rule rule = Rule::kCopy;
  uint32_t amount = 0;  // alpha or level 0..255; mask rules also 256 (= w is m)
  bool use_key = false;
  uint32_t key = 0;
};

template <class F, class R>
inline void CopyRow(R d, const typename F::Word* s, int n) {
  if constexpr (F::kDirect) {
    std::memcpy(d.p, s, size_t(n) * sizeof(typename F::Word));
  } else {
    for (int i = 0; i < n; ++i) d.Store(i, s[i]);
  }
}

template <class F, class R>
inline void CopyKeyRow(R d, const typename F::Word* s, int n, typename F::Word key) {
  for (int i = 0; i < n; ++i) {
    const auto sv = s[i];
    const auto dv = d.Load(i);
    d.Store(i, sv == key ? dv : sv);
  }
}

template <class F, bool kKey, class R>
inline void AlphaRow(R d, const typename F::Word* s, int n, uint32_t a, typename F::Word key) {
  for (int i = 0; i < n; ++i) {
    const auto sv = s[i];
    const auto dv = d.Load(i);
    const auto bv = BlendPixel<F>(sv, dv, a);
    const bool skip = (sv == dv) | (kKey && sv == key);
    d.Store(i, skip ? dv : bv);
  }
}

template <class F, bool kKey, class R>
inline void AddRow(R d, const typename F::Word* s, int n, uint32_t level, typename F::Word key) {
  for (int i = 0; i < n; ++i) {
    const auto sv = s[i];
    const auto dv = d.Load(i);
    const auto av = DrawAddPixel<F>(sv, dv, level);
    d.Store(i, (kKey && sv == key) ? dv : av);
  }
}

// The weight type of the mask rules: (m * level) >> 8 with level <= 256
// fits 16 bits.
template <class F>
using WeightOf = std::conditional_t<kIs16<F>, uint16_t, uint32_t>;

template <class F, class R>
inline void MaskAlphaRow(R d, const typename F::Word* s, const uint8_t* m, int n, uint32_t level) {
  using Wt = WeightOf<F>;
  for (int i = 0; i < n; ++i) {
    const Wt mv = m[i];
    const Wt w = Wt(Wt(mv * Wt(level)) >> 8);
    const auto sv = s[i];
    const auto dv = d.Load(i);
    const auto bv = w == 255 ? sv : BlendPixel<F>(sv, dv, w);
    d.Store(i, mv == 0 ? dv : bv);
  }
}

template <class F, class R>
inline void MaskAddRow(R d, const typename F::Word* s, const uint8_t* m, int n, uint32_t level) {
  using Wt = WeightOf<F>;
  for (int i = 0; i < n; ++i) {
    const Wt mv = m[i];
    const Wt w = Wt(Wt(mv * Wt(level)) >> 8);
    const auto dv = d.Load(i);
    const auto av = AddScaledPixel<F>(s[i], dv, w);
    d.Store(i, mv == 0 ? dv : av);
  }
}

template <class F, class R>
inline void ColorMaskRow(R d, typename F::Word v, const uint8_t* m, int n, uint32_t a) {
  for (int i = 0; i < n; ++i) {
    const uint32_t mv = m[i];
    const auto dv = d.Load(i);
    const auto bv = BlendPixel<F>(v, dv, (a * mv) >> 8);
    d.Store(i, mv == 0 ? dv : bv);
  }
}

template <class F, class R>
inline void FillRow(R d, typename F::Word v, int n) {
  for (int i = 0; i < n; ++i) d.Store(i, v);
}

template <class F, class R>
inline void FillAlphaRow(R d, typename F::Word v, int n, uint32_t a) {
  for (int i = 0; i < n; ++i) {
    const auto dv = d.Load(i);
    d.Store(i, dv == v ? dv : BlendPixel<F>(v, dv, a));
  }
}

template <class F, class R>
inline void FillAddRow(R d, typename F::Word v, int n) {
  for (int i = 0; i < n; ++i) d.Store(i, AddPixel<F>(v, d.Load(i)));
}

template <class F, class R>
inline void FillSubRow(R d, typename F::Word v, int n) {
  for (int i = 0; i < n; ++i) d.Store(i, SubPixel<F>(v, d.Load(i)));
}

// The hot rows of the working formats, built once per processor family
// (dibsfc_kernels.cpp); other formats use the templates directly.
void AlphaRow32(uint32_t* d, const uint32_t* s, int n, uint32_t a);
void AlphaRow16(uint16_t* d, const uint16_t* s, int n, uint32_t a);
void AlphaRow15(uint16_t* d, const uint16_t* s, int n, uint32_t a);
void AddRow32(uint32_t* d, const uint32_t* s, int n, uint32_t level);
void AddRow16(uint16_t* d, const uint16_t* s, int n, uint32_t level);
void AddRow15(uint16_t* d, const uint16_t* s, int n, uint32_t level);
void MaskAlphaRow32(uint32_t* d, const uint32_t* s, const uint8_t* m, int n, uint32_t level);
void MaskAlphaRow16(uint16_t* d, const uint16_t* s, const uint8_t* m, int n, uint32_t level);
void MaskAlphaRow15(uint16_t* d, const uint16_t* s, const uint8_t* m, int n, uint32_t level);
void MaskAddRow32(uint32_t* d, const uint32_t* s, const uint8_t* m, int n, uint32_t level);
void MaskAddRow16(uint16_t* d, const uint16_t* s, const uint8_t* m, int n, uint32_t level);
void MaskAddRow15(uint16_t* d, const uint16_t* s, const uint8_t* m, int n, uint32_t level);

// Applies a rule to one row. m is needed by the mask rules only.
template <class F>
inline void ApplyRow(RowOf<F> d, const typename F::Word* s, const uint8_t* m, int n,
                     const RuleParams& rp) {
  using W = typename F::Word;
  const W key = W(rp.key);
  switch (rp.rule) {
    case Rule::kCopy:
      if (rp.use_key) {
        CopyKeyRow<F>(d, s, n, key);
      } else {
        CopyRow<F>(d, s, n);
      }
      return;
    case Rule::kAlpha:
      if (rp.use_key) {
        AlphaRow<F, true>(d, s, n, rp.amount, key);
      } else if constexpr (std::is_same_v<F, Fmt32>) {
        AlphaRow32(d.p, s, n, rp.amount);
      } else if constexpr (std::is_same_v<F, Fmt16>) {
        AlphaRow16(d.p, s, n, rp.amount);
      } else if constexpr (std::is_same_v<F, Fmt15>) {
        AlphaRow15(d.p, s, n, rp.amount);
      } else {
        AlphaRow<F, false>(d, s, n, rp.amount, key);
      }
      return;
    case Rule::kAdd:
      if (rp.use_key) {
        AddRow<F, true>(d, s, n, rp.amount, key);
      } else if constexpr (std::is_same_v<F, Fmt32>) {
        AddRow32(d.p, s, n, rp.amount);
      } else if constexpr (std::is_same_v<F, Fmt16>) {
        AddRow16(d.p, s, n, rp.amount);
      } else if constexpr (std::is_same_v<F, Fmt15>) {
        AddRow15(d.p, s, n, rp.amount);
      } else {
        AddRow<F, false>(d, s, n, rp.amount, key);
      }
      return;
    case Rule::kMaskAlpha:
      if constexpr (std::is_same_v<F, Fmt32>) {
        MaskAlphaRow32(d.p, s, m, n, rp.amount);
      } else if constexpr (std::is_same_v<F, Fmt16>) {
        MaskAlphaRow16(d.p, s, m, n, rp.amount);
      } else if constexpr (std::is_same_v<F, Fmt15>) {
        MaskAlphaRow15(d.p, s, m, n, rp.amount);
      } else {
        MaskAlphaRow<F>(d, s, m, n, rp.amount);
      }
      return;
    case Rule::kMaskAdd:
      if constexpr (std::is_same_v<F, Fmt32>) {
        MaskAddRow32(d.p, s, m, n, rp.amount);
      } else if constexpr (std::is_same_v<F, Fmt16>) {
        MaskAddRow16(d.p, s, m, n, rp.amount);
      } else if constexpr (std::is_same_v<F, Fmt15>) {
        MaskAddRow15(d.p, s, m, n, rp.amount);
      } else {
        MaskAddRow<F>(d, s, m, n, rp.amount);
      }
      return;
  }
}

// --- rules chosen by value ---------------------------------------------------

inline int ClampAmount(int v) {
  return std::clamp(v, 0, 255);
}

// The rule of a blend value (0 nothing, 1..254 alpha, 255 copy, 256.. add
// with level value & 0xFF). False when nothing is drawn.
inline bool BlendRule(int blend, bool masked, RuleParams& rp) {
  if (blend <= 0) return false;
  if (blend < 255) {
    rp.rule = masked ? Rule::kMaskAlpha : Rule::kAlpha;
    rp.amount = uint32_t(blend);
  } else if (blend == 255) {
    rp.rule = masked ? Rule::kMaskAlpha : Rule::kCopy;
    rp.amount = masked ? 256u : 255u;
  } else {
    rp.rule = masked ? Rule::kMaskAdd : Rule::kAdd;
    rp.amount = uint32_t(blend & 0xFF);
    if (rp.amount == 0) return false;
  }
  return true;
}

// --- source rows -----------------------------------------------------------

// Largest raw value of a format's storage; a colour key above it never
// matches a pixel.
template <class F>
constexpr uint32_t MaxRaw() {
  if constexpr (F::kBits >= 32) {
    return 0xFFFFFFFFu;
  } else if constexpr (F::kBits == 15) {
    return 0xFFFFu;
  } else {
    return (1u << F::kBits) - 1;
  }
}

// Converts a native value of one format to another through its colour.
inline uint32_t ConvertNative(uint32_t v, const ConstPixelView& from, int to_bits) {
  return ColorToNative(NativeToColor(v, from.bit_count, from.palette), to_bits);
}

// Gathers n source values at columns xs[i] (or x0 + i*step) of row y into
// the destination's format.
template <class F>
class SourceRow {
 public:
  using Word = typename F::Word;

  explicit SourceRow(const ConstPixelView& src) : src_(src), same_(src.bit_count == F::kBits) {}

  const Word* Linear(int x0, int y, int step, int n) {
    const uint8_t* row = src_.Row(y);
    if constexpr (F::kDirect) {
      if (same_ && step == 1) return reinterpret_cast<const Word*>(row) + x0;
    }
    buf_.resize(size_t(n));
    if constexpr (F::kDirect) {
      if (same_) {
        const Word* p = reinterpret_cast<const Word*>(row);
        for (int i = 0; i < n; ++i) buf_[i] = p[x0 - i];
        return buf_.data();
      }
    }
    for (int i = 0; i < n; ++i) buf_[i] = Fetch(row, x0 + i * step);
    return buf_.data();
  }

  const Word* Gather(const int* xs, int y, int n) {
    const uint8_t* row = src_.Row(y);
    buf_.resize(size_t(n));
    if constexpr (F::kDirect) {
      if (same_) {
        const Word* p = reinterpret_cast<const Word*>(row);
        for (int i = 0; i < n; ++i) buf_[i] = p[xs[i]];
        return buf_.data();
      }
    }
    for (int i = 0; i < n; ++i) buf_[i] = Fetch(row, xs[i]);
    return buf_.data();
  }

  // Values at points (xs[i], ys[i]).
  const Word* GatherXY(const int* xs, const int* ys, int n) {
    buf_.resize(size_t(n));
    for (int i = 0; i < n; ++i) {
      const uint8_t* row = src_.Row(ys[i]);
      if constexpr (F::kDirect) {
        if (same_) {
          buf_[i] = reinterpret_cast<const Word*>(row)[xs[i]];
          continue;
        }
      }
      buf_[i] = Fetch(row, xs[i]);
    }
    return buf_.data();
  }

  // The source's colour key as a value of the destination's format.
  bool Key(int32_t key, uint32_t& out) const {
    if (key < 0) return false;
    if (same_) {
      out = uint32_t(key);
      return out <= MaxRaw<F>();
    }
    out = ConvertNative(uint32_t(key), src_, F::kBits);
    return true;
  }

 private:
  Word Fetch(const uint8_t* row, int x) const {
    const uint32_t v = LoadNative(row, x, src_.bit_count);
    return Word(same_ ? v : ConvertNative(v, src_, F::kBits));
  }

  ConstPixelView src_;
  bool same_;
  std::vector<Word> buf_;
};

// Mask values of an 8-bit view along a row.
class MaskRow {
 public:
  explicit MaskRow(const ConstPixelView& mask) : mask_(mask) {}
  const uint8_t* Linear(int x0, int y, int step, int n) {
    const uint8_t* row = mask_.Row(y);
    if (step == 1) return row + x0;
    buf_.resize(size_t(n));
    for (int i = 0; i < n; ++i) buf_[i] = row[x0 - i];
    return buf_.data();
  }
  const uint8_t* Gather(const int* xs, int y, int n) {
    const uint8_t* row = mask_.Row(y);
    buf_.resize(size_t(n));
    for (int i = 0; i < n; ++i) buf_[i] = row[xs[i]];
    return buf_.data();
  }
  const uint8_t* GatherXY(const int* xs, const int* ys, int n) {
    buf_.resize(size_t(n));
    for (int i = 0; i < n; ++i) buf_[i] = mask_.Row(ys[i])[xs[i]];
    return buf_.data();
  }

 private:
  ConstPixelView mask_;
  std::vector<uint8_t> buf_;
};

// --- placement of a copy -----------------------------------------------------

// A clipped copy: width x height destination pixels from (dst_x, dst_y);
// source pixel of destination column i is src_x + i*step_x (rows likewise).
struct CopyPlan {
  int dst_x = 0, dst_y = 0, width = 0, height = 0;
  int src_x = 0, src_y = 0, step_x = 1, step_y = 1;
};

// Places src_rect at (x, y) inside `drawable`, cutting what lies outside
// `src_limit` (the source's and the mask's bounds); flips take the cuts from
// the opposite side of the source. False when nothing remains.
bool PlanCopy(const Rect& drawable, int x, int y, const Rect& src_rect, Flip flip,
              const Rect& src_limit, CopyPlan& out);

// Bounds of a view as a rectangle.
template <class View>
Rect ViewBounds(const View& v) {
  return Rect{0, 0, v.width_px, v.height_px};
}

// Floor modulo into 0..m-1 (m > 0).
inline int64_t FloorMod(int64_t v, int64_t m) {
  const int64_t r = v % m;
  return r < 0 ? r + m : r;
}

}  // namespace vesk::graphics::detail
