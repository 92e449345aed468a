#include <algorithm>
#include <array>
#include <cstring>

#include "text/fontpixels_draw.h"

namespace vesk::text {
namespace {

// The colour channels of a native pixel value, low to high.
struct Channels {
  int count = 0;
  uint32_t max[3] = {};
  int shift[3] = {};
};

Channels ChannelsOf(const graphics::TCustomDIBX& s) {
  Channels ch;
  const uint32_t masks[3] = {s.BlueMask(), s.GreenMask(), s.RedMask()};
  const int shifts[3] = {s.BlueShift(), s.GreenShift(), s.RedShift()};
  for (int i = 0; i < 3; ++i) {
    if (masks[i] == 0) continue;
    ch.max[ch.count] = masks[i] >> shifts[i];
    ch.shift[ch.count] = shifts[i];
    ++ch.count;
  }
  if (ch.count == 0) {
    // An indexed or grey surface: the value is one channel.
    ch.count = 1;
    ch.max[0] = s.BitCount() >= 32 ? 0xFFFFFFFFu : (1u << std::max(1, s.BitCount())) - 1;
  }
  return ch;
}

// (f * k + (255 - f) * c) >> 8 for each channel.
uint32_t Mix(uint32_t k, uint32_t c, uint32_t f, const Channels& ch) {
  uint32_t out = 0;
  for (int i = 0; i < ch.count; ++i) {
    const uint32_t kc = (k >> ch.shift[i]) & ch.max[i];
    const uint32_t cc = (c >> ch.shift[i]) & ch.max[i];
    out |= (((f * kc + (255 - f) * cc) >> 8) & ch.max[i]) << ch.shift[i];
  }
  return out;
}

// The stamp divides twice per pixel, by 255 and by the new mask value; a
// border stamps every pixel (2B + 1)^2 - 1 times, so both divisions are
// multiplications here, exact over the whole range (checked below).
constexpr uint32_t Div255(uint32_t x) {
  return (x + 1 + (x >> 8)) >> 8;  // x <= 65535
}

// ceil(2^24 / d): x / d == (x * kReciprocal[d]) >> 24 for x < 2^16.
constexpr std::array<uint32_t, 256> kReciprocal = [] {
  std::array<uint32_t, 256> r{};
  for (uint32_t d = 1; d < 256; ++d) r[d] = ((1u << 24) + d - 1) / d;
  return r;
}();

constexpr uint32_t Share(uint32_t v, uint32_t mask_value) {
  return static_cast<uint32_t>((uint64_t{v} * 255 * kReciprocal[mask_value]) >> 24);
}

constexpr bool StampDivisionsAreExact() {
  for (uint32_t v = 1; v < 256; ++v) {
    for (uint32_t m = 0; m < 256; ++m) {
      const uint32_t mv = m + v * (255 - m) / 255;
      if (Div255(v * (255 - m)) != v * (255 - m) / 255) return false;
      if (Share(v, mv) != v * 255 / mv) return false;
    }
  }
  return true;
}
static_assert(StampDivisionsAreExact());

// Mix for 0x00RRGGBB: red and blue side by side in one multiplication.
constexpr uint32_t Mix32(uint32_t k, uint32_t c, uint32_t f) {
  const uint32_t rb = ((k & 0xFF00FF) * f + (c & 0xFF00FF) * (255 - f)) >> 8;
  const uint32_t g = ((k & 0xFF00) * f + (c & 0xFF00) * (255 - f)) >> 8;
  return (rb & 0xFF00FF) | (g & 0xFF00);
}

template <int Bytes>
uint32_t Load(const uint8_t* p) {
  if constexpr (Bytes == 1) {
    return p[0];
  } else if constexpr (Bytes == 2) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
  } else if constexpr (Bytes == 3) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16;
  } else {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
  }
}

template <int Bytes>
void Store(uint8_t* p, uint32_t v) {
  if constexpr (Bytes == 1) {
    p[0] = static_cast<uint8_t>(v);
  } else if constexpr (Bytes == 2) {
    const auto w = static_cast<uint16_t>(v);
    std::memcpy(p, &w, 2);
  } else if constexpr (Bytes == 3) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
  } else {
    std::memcpy(p, &v, 4);
  }
}

Rect Cover(const Rect& a, const Rect& b) {
  if (b.IsEmpty()) return a;
  if (a.IsEmpty()) return b;
  return a.Union(b);
}

// Both surfaces, limited to what a glyph may touch.
template <int Bytes>
class Canvas {
 public:
  Canvas(graphics::PixelView color, graphics::PixelView mask, const Rect& clip,
         const Channels& channels)
      : color_(color),
        mask_(mask),
        clip_(clip),
        ch_(channels),
        rgb32_(Bytes == 4 && channels.count == 3 && channels.max[0] == 255 &&
               channels.max[1] == 255 && channels.max[2] == 255 && channels.shift[0] == 0 &&
               channels.shift[1] == 8 && channels.shift[2] == 16) {}

  // C := k and M := 255 over a bar.
  void Bar(const Rect& r, uint32_t k) {
    const Rect a = r.Intersect(clip_);
    for (int y = a.top; y < a.bottom; ++y) {
      for (int x = a.left; x < a.right; ++x) {
        Store<Bytes>(C(x, y), k);
        *M(x, y) = 255;
      }
    }
  }
  // M := 255 over a bar, the colour left to the caller's solid fill.
  void MaskBar(const Rect& r) {
    const Rect a = r.Intersect(clip_);
    for (int y = a.top; y < a.bottom; ++y) std::memset(M(a.left, y), 255, size_t(a.Width()));
  }

  // Calls each(x, y, v, colour pixel, mask pixel) for the glyph's inked
  // pixels at (x0, y0) inside the clip.
  template <class Each>
  void ForInk(const graphics::TDIBX& bitmap, int64_t x0, int64_t y0, Each each) {
    const graphics::ConstPixelView g = bitmap.View();
    const int64_t left = std::max<int64_t>(x0, clip_.left);
    const int64_t top = std::max<int64_t>(y0, clip_.top);
    const int64_t right = std::min<int64_t>(x0 + g.width_px, clip_.right);
    const int64_t bottom = std::min<int64_t>(y0 + g.height_px, clip_.bottom);
    for (int64_t y = top; y < bottom; ++y) {
      const uint8_t* src = g.Row(static_cast<int>(y - y0));
      uint8_t* c = C(static_cast<int>(left), static_cast<int>(y));
      uint8_t* m = M(static_cast<int>(left), static_cast<int>(y));
      for (int64_t x = left; x < right; ++x, c += Bytes, ++m) {
        const uint8_t v = src[x - x0];
        if (v != 0) each(v, c, m);
      }
    }
  }

  // Coverage composited over what the mask holds, the colour weighted by
  // the share this glyph has of the result.
  void Stamp(const graphics::TDIBX& bitmap, int64_t x0, int64_t y0, uint32_t k) {
    ForInk(bitmap, x0, y0, [&](uint32_t v, uint8_t* c, uint8_t* m) {
      if (v == 255) {
        Store<Bytes>(c, k);
        *m = 255;
        return;
      }
      const uint32_t mv = *m + Div255(v * (255 - *m));
      *m = static_cast<uint8_t>(mv);
      const uint32_t f = mv == 0 ? 255 : Share(v, mv);
      Store<Bytes>(c, Blend(k, Load<Bytes>(c), f));
    });
  }

  void BorderStamp(const graphics::TDIBX& bitmap, int64_t x0, int64_t y0, uint32_t k, int32_t b) {
    for (int32_t dy = -b; dy <= b; ++dy)
      for (int32_t dx = -b; dx <= b; ++dx)
        if (dx != 0 || dy != 0) Stamp(bitmap, x0 + dx, y0 + dy, k);
  }

  // (f * k + (255 - f) * c) >> 8 per channel.
  uint32_t Blend(uint32_t k, uint32_t c, uint32_t f) const {
    if (rgb32_) return Mix32(k, c, f);
    return Mix(k, c, f, ch_);
  }

 private:
  uint8_t* C(int x, int y) { return color_.Row(y) + static_cast<ptrdiff_t>(x) * Bytes; }
  uint8_t* M(int x, int y) { return mask_.Row(y) + x; }

  graphics::PixelView color_;
  graphics::PixelView mask_;
  Rect clip_;
  Channels ch_;
  bool rgb32_;
};

// Cell geometry in the terms the drawing steps use.
struct Layout {
  int64_t left, top, W, H;
  int32_t B, S, US, SS, strike;
  bool left_differs, right_differs;

  // A bar of the cell's width; `from_left` and `to_right` trim its ends.
  Rect BarRect(int64_t y, int64_t height, int64_t from_left, int64_t to_right) const {
    const int64_t l = left + from_left, r = left + W - to_right;
    return Rect{static_cast<int32_t>(l), static_cast<int32_t>(y), static_cast<int32_t>(r),
                static_cast<int32_t>(y + height)};
  }
};

template <int Bytes>
Rect DrawWith(const TFontPixel& g, Canvas<Bytes>& cv, const GlyphColors& k, const Layout& L,
              int32_t shift) {
  const bool ink = g.HasInk();
  const int64_t gx = L.left + g.OriginX + shift, gy = L.top + g.TopOffset;
  Rect drawn;
  if (ink)
    drawn = Rect::FromSize(static_cast<int32_t>(gx), static_cast<int32_t>(gy),
                           g.Bitmap.Width() + 2 * L.B + L.S, g.Bitmap.Height() + 2 * L.B + L.S);
  auto bar = [&](const Rect& r, uint32_t colour) {
    cv.Bar(r, colour);
    drawn = Cover(drawn, r);
  };

  if (L.B == 0 && L.S == 0) {
    if (ink)
      cv.ForInk(g.Bitmap, gx, gy, [&](uint8_t v, uint8_t* c, uint8_t* m) {
        Store<Bytes>(c, k.text);
        *m = std::max(*m, v);
      });
    if (L.US > 0) {
      const Rect r = L.BarRect(L.top + L.H - L.US, L.US, 0, 0);
      cv.MaskBar(r);
      drawn = Cover(drawn, r);
    }
    if (L.SS > 0) {
      const Rect r = L.BarRect(L.top + L.strike, L.SS, 0, 0);
      cv.MaskBar(r);
      drawn = Cover(drawn, r);
    }
    return drawn;
  }

  const int64_t shadow_in = L.left_differs ? L.S : 0;
  const int64_t body_out = L.right_differs ? L.S : 0;
  if (L.S > 0) {
    if (L.US > 0)
      bar(L.BarRect(L.top + L.H - 2 * L.B - L.US, 2 * L.B + L.US, shadow_in, 0), k.shadow);
    if (ink && L.B == 0) {
      cv.ForInk(g.Bitmap, gx + L.S, gy + L.S, [&](uint8_t v, uint8_t* c, uint8_t* m) {
        *m = v;
        Store<Bytes>(c, k.shadow);
      });
    } else if (ink) {
      cv.BorderStamp(g.Bitmap, gx + L.B + L.S, gy + L.B + L.S, k.shadow, L.B);
    }
    if (L.SS > 0) bar(L.BarRect(L.top + L.strike + L.S, 2 * L.B + L.SS, shadow_in, 0), k.shadow);
  }

  const int64_t x = gx + L.B, y = gy + L.B;
  if (L.US > 0) {
    const int64_t body = L.top + L.H - L.S - L.B - L.US;
    bar(L.BarRect(body, L.US, 0, body_out), k.text);
    if (L.B > 0) {
      bar(L.BarRect(body - L.B, L.B, 0, body_out), k.border);
      bar(L.BarRect(body + L.US, L.B, 0, body_out), k.border);
    }
  }
  if (ink && L.B == 0) {
    cv.Stamp(g.Bitmap, x, y, k.text);
  } else if (ink) {
    cv.BorderStamp(g.Bitmap, x, y, k.border, L.B);
    // The glyph's own edge blends against the border, not the background.
    cv.ForInk(g.Bitmap, x, y, [&](uint32_t v, uint8_t* c, uint8_t* m) {
      *m = 255;
      Store<Bytes>(c, v == 255 ? k.text : cv.Blend(k.text, k.border, v));
    });
  }
  if (L.SS > 0) {
    bar(L.BarRect(L.top + L.strike + L.B, L.SS, 0, body_out), k.text);
    if (L.B > 0) {
      bar(L.BarRect(L.top + L.strike, L.B, 0, body_out), k.border);
      bar(L.BarRect(L.top + L.strike + L.B + L.SS, L.B, 0, body_out), k.border);
    }
  }
  return drawn;
}

template <int Bytes>
Rect DrawIn(const TFontPixel& g, graphics::PixelView color, graphics::PixelView mask,
            const Rect& clip, const Channels& ch, const GlyphColors& k, const Layout& L,
            int32_t shift) {
  Canvas<Bytes> cv(color, mask, clip, ch);
  return DrawWith(g, cv, k, L, shift);
}

}  // namespace

Rect DrawGlyph(const TFontPixel& glyph, graphics::TCustomDIBX& color, graphics::TCustomDIBX& mask,
               const GlyphColors& colors, const RenderOptions& options, const Rect& cell,
               int32_t shift_px) {
  Layout L{};
  L.left = cell.left;
  L.top = cell.top;
  L.W = std::max<int64_t>(0, cell.Width());
  L.H = std::max<int64_t>(0, cell.Height());
  // Decorations wider than a cell are nonsense a script can still ask for.
  constexpr int32_t kMaxDecorationPx = 16;
  L.B = std::clamp(options.border_px, 0, kMaxDecorationPx);
  L.S = std::clamp(options.shadow_px, 0, kMaxDecorationPx);
  L.US = glyph.UnderlineSize;
  L.SS = glyph.StrikeSize;
  L.strike = glyph.StrikePos;
  L.left_differs = options.left_differs;
  L.right_differs = options.right_differs;

  const graphics::PixelView cv = color.View();
  const graphics::PixelView mv = mask.View();
  Rect clip = color.ClipRect().Intersect(color.BoundsRect()).Intersect(mask.BoundsRect());
  const int bits = cv.bit_count;
  if (cv.empty() || mv.empty() || mv.bit_count != 8 ||
      (bits != 8 && bits != 15 && bits != 16 && bits != 24 && bits != 32))
    clip = Rect{};
  if (glyph.HasInk() && glyph.Bitmap.BitCount() != 8) return Rect{};
  const Channels ch = ChannelsOf(color);
  switch (bits) {
    case 8:
      return DrawIn<1>(glyph, cv, mv, clip, ch, colors, L, shift_px);
    case 15:
    case 16:
      return DrawIn<2>(glyph, cv, mv, clip, ch, colors, L, shift_px);
    case 24:
      return DrawIn<3>(glyph, cv, mv, clip, ch, colors, L, shift_px);
    default:
      return DrawIn<4>(glyph, cv, mv, clip, ch, colors, L, shift_px);
  }
}

}  // namespace vesk::text
