#pragma once
// What the geometric effects share: the clock of a step, the raw rows of the
// three pictures, grey levels of the working format and the row loops that
// add or subtract them. Internal to the transitions library.
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>

#include "graphics/dibsfc.h"
#include "graphics/dibsfc_kernels.h"

namespace vesk::transitions::geo {

// Elapsed time t and duration T of a step with T >= 1 and 0 <= t < T.
struct Clock {
  int64_t t = 0;
  int64_t T = 1;

  // Nothing when the effect has finished (Elapsed >= Duration). A duration
  // of 0 or less counts as 1; a negative elapsed time as 0.
  static std::optional<Clock> Of(int32_t elapsed_ms, int32_t duration_ms) {
    const int64_t T = std::max<int64_t>(duration_ms, 1);
    const int64_t t = std::max<int64_t>(elapsed_ms, 0);
    if (t >= T) return std::nullopt;
    return Clock{t, T};
  }
  // n * t div T for n >= 0 without overflow (n up to 2^62).
  int64_t Scale(int64_t n) const { return (n / T) * t + (n % T) * t / T; }
  // t / T as a real in 0 .. 1.
  double Ratio() const { return double(t) / double(T); }
};

// Round half to even, as the effects' reals are rounded, clamped into int32.
inline int32_t RoundEven(double v) {
  v = std::nearbyint(v);
  return int32_t(std::clamp(v, -2147483648.0, 2147483647.0));
}

// The raw rows of destination, old and new picture, usable when all three
// have pixels of the same size and of one bit count the row loops know
// (8, 15, 16, 32). Otherwise `ok` is false and the effect falls back to
// the surface calls or to showing the new picture.
struct Frame {
  Frame(graphics::TCustomDIBX& dest, const graphics::TCustomDIBX& from,
        const graphics::TCustomDIBX& to);
  graphics::PixelView dst;
  graphics::ConstPixelView from, to;
  int width = 0, height = 0, bit_count = 0;
  bool ok = false;

  size_t RowBytes() const { return size_t(width) * size_t((bit_count + 7) / 8); }
};

// Whether the row loops handle pictures of two views alike.
bool SameShape(const graphics::ConstPixelView& a, const graphics::ConstPixelView& b);
inline graphics::ConstPixelView AsConst(const graphics::PixelView& v) {
  return {v.origin, v.stride_bytes, v.width_px, v.height_px, v.bit_count, v.palette};
}

// Calls fn(F{}) with the pixel format of a bit count the row loops know.
template <class Fn>
bool WithRowFormat(int bit_count, Fn&& fn) {
  switch (bit_count) {
    case 8:
      fn(graphics::detail::Fmt8{});
      return true;
    case 15:
      fn(graphics::detail::Fmt15{});
      return true;
    case 16:
      fn(graphics::detail::Fmt16{});
      return true;
    case 32:
      fn(graphics::detail::Fmt32{});
      return true;
    default:
      return false;
  }
}

template <class F>
typename F::Word* RowOf(const graphics::PixelView& v, int y) {
  return reinterpret_cast<typename F::Word*>(v.Row(y));
}
template <class F>
const typename F::Word* RowOf(const graphics::ConstPixelView& v, int y) {
  return reinterpret_cast<const typename F::Word*>(v.Row(y));
}

// grey(v), the native value of the grey (v, v, v), computed for one format:
// each channel is v cut to its width, as ColorToPixel cuts colours.
template <class F>
constexpr typename F::Word GreyOf(uint32_t level) {
  using W = typename F::Word;
  if constexpr (F::kChannels == 1) {
    return W(level);
  } else {
    // In the word's own width, so 16-bit loops stay in 16-bit lanes.
    const W v = W(level);
    W out = 0;
    for (int c = 0; c < F::kChannels; ++c) {
      const int bits = std::bit_width(F::kMax[c]);
      out = W(out | W(W(v >> (8 - bits)) << F::kShift[c]));
    }
    return out;
  }
}

// Saturating per-channel sum and difference with a grey level; the 32-bit
// forms work on red|blue and green at once, as the surface kernels do.
template <class F>
inline typename F::Word AddGrey(typename F::Word d, typename F::Word g) {
  if constexpr (std::is_same_v<F, graphics::detail::Fmt32>) {
    uint32_t rb = (d & 0xFF00FFu) + (g & 0xFF00FFu);
    uint32_t gr = (d & 0xFF00u) + (g & 0xFF00u);
    const uint32_t orb = rb & 0x1000100u, og = gr & 0x10000u;
    rb = (rb | (orb - (orb >> 8))) & 0xFF00FFu;
    gr = (gr | (og - (og >> 8))) & 0xFF00u;
    return rb | gr;
  } else if constexpr (graphics::detail::kIs16<F>) {
    // 16-bit lanes throughout, so the loops vectorise twice as wide.
    using graphics::detail::Channel16;
    const auto add = [](uint16_t a, uint16_t b, uint16_t max) {
      return std::min(max, uint16_t(a + b));
    };
    return uint16_t(
        add(Channel16<F, 0>(d), Channel16<F, 0>(g), uint16_t(F::kMax[0])) << F::kShift[0] |
        add(Channel16<F, 1>(d), Channel16<F, 1>(g), uint16_t(F::kMax[1])) << F::kShift[1] |
        add(Channel16<F, 2>(d), Channel16<F, 2>(g), uint16_t(F::kMax[2])));
  } else {
    return graphics::detail::AddPixel<F>(g, d);
  }
}

template <class F>
inline typename F::Word SubGrey(typename F::Word d, typename F::Word g) {
  if constexpr (std::is_same_v<F, graphics::detail::Fmt32>) {
    // Borrow-free per channel: 0x100 above each channel absorbs the borrow.
    const uint32_t rb = ((d & 0xFF00FFu) | 0x1000100u) - (g & 0xFF00FFu);
    const uint32_t gr = ((d & 0xFF00u) | 0x10000u) - (g & 0xFF00u);
    const uint32_t krb = rb & 0x1000100u, kg = gr & 0x10000u;
    return ((rb & (krb - (krb >> 8))) & 0xFF00FFu) | ((gr & (kg - (kg >> 8))) & 0xFF00u);
  } else if constexpr (graphics::detail::kIs16<F>) {
    using graphics::detail::Channel16;
    // max(a, b) - b: two vector operations where the choice takes four.
    const auto sub = [](uint16_t a, uint16_t b) { return uint16_t(std::max(a, b) - b); };
    return uint16_t(sub(Channel16<F, 0>(d), Channel16<F, 0>(g)) << F::kShift[0] |
                    sub(Channel16<F, 1>(d), Channel16<F, 1>(g)) << F::kShift[1] |
                    sub(Channel16<F, 2>(d), Channel16<F, 2>(g)));
  } else {
    return graphics::detail::SubPixel<F>(g, d);
  }
}

// The same for the 5/6-bit formats with the grey given by its level
// (0..255): each channel of GreyOf(level) is the level cut to the channel's
// width, so it is taken straight from the level instead of being built into
// a pixel and taken apart again, a third fewer vector operations.
template <class F, bool kSubtract>
inline uint16_t OffsetByLevel16(uint16_t d, uint16_t level) {
  static_assert(graphics::detail::kIs16<F>);
  using graphics::detail::Channel16;
  const auto channel = [&]<int kC>() {
    const uint16_t dc = Channel16<F, kC>(d);
    const auto gc = uint16_t(level >> (8 - std::bit_width(F::kMax[kC])));
    if constexpr (kSubtract) return uint16_t(std::max(dc, gc) - gc);  // as in SubGrey
    return std::min(uint16_t(F::kMax[kC]), uint16_t(dc + gc));
  };
  return uint16_t(channel.template operator()<0>() << F::kShift[0] |
                  channel.template operator()<1>() << F::kShift[1] |
                  channel.template operator()<2>());
}

// d[i] = s[i] plus (or minus) grey g for n pixels.
template <class F>
void AddGreyRow(typename F::Word* d, const typename F::Word* s, int n, typename F::Word g) {
  for (int i = 0; i < n; ++i) d[i] = AddGrey<F>(s[i], g);
}
template <class F>
void SubGreyRow(typename F::Word* d, const typename F::Word* s, int n, typename F::Word g) {
  for (int i = 0; i < n; ++i) d[i] = SubGrey<F>(s[i], g);
}

// Copies every row of a picture of the frame's shape into the destination.
void CopyRows(const Frame& frame, const graphics::ConstPixelView& src);

// A nearest-neighbour stretch of `src_rect` of `picture` over the whole
// destination, sampled as the surfaces' StretchAlpha samples an unclipped
// stretch; destination rows that repeat the row above are copied from it.
// `src_rect` is cut to the picture; a picture of another bit count draws
// nothing.
void StretchOver(const Frame& frame, const graphics::ConstPixelView& picture, const Rect& src_rect);

// The surface operations only draw inside the clip rectangle: the effects
// redraw the whole surface, so they open it first.
inline void OpenClip(graphics::TCustomDIBX& dest) {
  dest.UnionClip(dest.BoundsRect());
}

// What an effect shows when it cannot draw (surfaces of another shape or a
// format the row loops do not know): the new picture.
void ShowNewPicture(graphics::TCustomDIBX& dest, const graphics::TCustomDIBX& to);

}  // namespace vesk::transitions::geo
