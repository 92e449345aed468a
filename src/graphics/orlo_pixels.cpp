// Composition of layers onto frames and bit-count conversion of decoded
// pictures. Frames are small next to the screen work of a frame, but an
// animation of many frames is composed in one go while a game waits, so the
// loops stay branch-light per pixel.
#include "graphics/orlo_pixels.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>
#include <vector>

#include "graphics/dibsfc_bitmap.h"
#include "graphics/dibsfc_kernels.h"
#include "graphics/orlo.h"

namespace vesk::graphics {

using detail::LoadNative;
using detail::StoreNative;

namespace orlo_detail {
namespace {

// Ordered 4 x 4 patterns for paletted frames, which cannot blend: level L
// (opacity / 16) sets L + 1 cells. Row strings, top to bottom.
constexpr const char* kPatterns[16][4] = {
    {"1000", "0000", "0000", "0000"}, {"1000", "0000", "0010", "0000"},
    {"1010", "0000", "0010", "0000"}, {"1010", "0000", "1010", "0000"},
    {"1010", "0100", "1010", "0000"}, {"1010", "0100", "1010", "0001"},
    {"1010", "0101", "1010", "0001"}, {"1010", "0101", "1010", "0101"},
    {"1110", "0101", "1010", "0101"}, {"1110", "0101", "1011", "0101"},
    {"1111", "0101", "1011", "0101"}, {"1111", "0101", "1111", "0101"},
    {"1111", "1101", "1111", "0101"}, {"1111", "1101", "1111", "0111"},
    {"1111", "1111", "1111", "0111"}, {"1111", "1111", "1111", "1111"},
};

bool PatternSet(int level, int x, int y) {
  return kPatterns[level][y & 3][x & 3] == '1';
}

struct Views {
  PixelView f;
  ConstPixelView l;
  int w, h, bits;
};

Views Pair(TDIBX& frame, const TDIBX& layer) {
  const PixelView f = frame.View();
  const ConstPixelView l = layer.View();
  if (f.empty() || l.empty()) return {f, l, 0, 0, frame.BitCount()};
  return {f, l, std::min(f.width_px, l.width_px), std::min(f.height_px, l.height_px), f.bit_count};
}

// Channel masks of the 16-bit formats, red first.
std::array<uint32_t, 3> Masks16(int bits) {
  return bits == 15 ? std::array<uint32_t, 3>{0x7C00, 0x03E0, 0x001F}
                    : std::array<uint32_t, 3>{0xF800, 0x07E0, 0x001F};
}

uint16_t Load16(const uint8_t* row, int x) {
  uint16_t v;
  std::memcpy(&v, row + 2 * x, 2);
  return v;
}
void Store16(uint8_t* row, int x, uint32_t v) {
  const auto w = uint16_t(v);
  std::memcpy(row + 2 * x, &w, 2);
}

// The end of the run of `value` that starts at x, eight bytes at a time.
int RunEnd(const uint8_t* row, int x, int w, uint8_t value) {
  const uint64_t all = value ? ~uint64_t{0} : 0;
  while (x + 8 <= w) {
    uint64_t v;
    std::memcpy(&v, row + x, 8);
    if (v != all) break;
    x += 8;
  }
  while (x < w && row[x] == value) ++x;
  return x;
}

}  // namespace

void CopyPixels(TDIBX& frame, const TDIBX& layer) {
  const Views p = Pair(frame, layer);
  if (p.w <= 0 || p.h <= 0) return;
  const size_t bytes = std::min<size_t>(size_t(p.f.stride_bytes), size_t(p.l.stride_bytes));
  for (int y = 0; y < p.h; ++y) std::memcpy(p.f.Row(y), p.l.Row(y), bytes);
}

void ComposeKeyed(TDIBX& frame, const TDIBX& layer, int32_t key) {
  if (key < 0) {
    CopyPixels(frame, layer);
    return;
  }
  const Views p = Pair(frame, layer);
  const uint32_t mask = ValueMask(p.bits);
  const uint32_t k = uint32_t(key) & mask;
  for (int y = 0; y < p.h; ++y) {
    uint8_t* f = p.f.Row(y);
    const uint8_t* l = p.l.Row(y);
    switch (p.bits) {
      case 32:
        for (int x = 0; x < p.w; ++x) {
          uint32_t v;
          std::memcpy(&v, l + 4 * x, 4);
          if ((v & mask) != k) std::memcpy(f + 4 * x, &v, 4);
        }
        break;
      case 24:
        for (int x = 0; x < p.w; ++x) {
          const uint8_t* s = l + 3 * x;
          if ((s[0] | uint32_t(s[1]) << 8 | uint32_t(s[2]) << 16) != k)
            std::memcpy(f + 3 * x, s, 3);
        }
        break;
      default:
        for (int x = 0; x < p.w; ++x) {
          const uint32_t v = LoadNative(l, x, p.bits);
          if (v != k) StoreNative(f, x, p.bits, v);
        }
        break;
    }
  }
}

void ComposeMask(TDIBX& frame, const TDIBX& layer, const TDIBX& mask) {
  const Views p = Pair(frame, layer);
  const ConstPixelView m = mask.View();
  if (m.empty() || m.bit_count != 8) return;
  const int w = std::min(p.w, m.width_px), h = std::min(p.h, m.height_px);
  for (int y = 0; y < h; ++y) {
    uint8_t* f = p.f.Row(y);
    const uint8_t* l = p.l.Row(y);
    const uint8_t* a = m.Row(y);
    switch (p.bits) {
      case 24:
      case 32: {
        // Masks are mostly runs of 0 and 255: skip and copy those whole.
        const size_t bpp = size_t(p.bits / 8);
        for (int x = 0; x < w;) {
          const uint32_t mv = a[x];
          if (mv == 0 || mv == 255) {
            const int start = x;
            x = RunEnd(a, x, w, uint8_t(mv));
            if (mv == 255)
              std::memcpy(f + bpp * size_t(start), l + bpp * size_t(start),
                          bpp * size_t(x - start));
            continue;
          }
          uint8_t* d = f + bpp * size_t(x);
          const uint8_t* s = l + bpp * size_t(x);
          for (int c = 0; c < 3; ++c) d[c] = uint8_t((d[c] * (255 - mv) + s[c] * mv) >> 8);
          ++x;
        }
        break;
      }
      case 15:
      case 16: {
        const auto masks = Masks16(p.bits);
        for (int x = 0; x < w; ++x) {
          const uint32_t mv = a[x];
          if (mv == 0) continue;
          const uint32_t s = Load16(l, x);
          if (mv == 255) {
            Store16(f, x, s);
            continue;
          }
          const uint32_t d = Load16(f, x);
          uint32_t out = 0;
          for (uint32_t mk : masks) out |= (((d & mk) * (255 - mv) + (s & mk) * mv) >> 8) & mk;
          Store16(f, x, out);
        }
        break;
      }
      default:
        // Indices cannot be mixed: the layer shows where it is mostly opaque.
        for (int x = 0; x < w; ++x) {
          if (a[x] >= 128) StoreNative(f, x, p.bits, LoadNative(l, x, p.bits));
        }
        break;
    }
  }
}

void ComposeOpacity(TDIBX& frame, const TDIBX& layer, int32_t key, int opacity) {
  if (opacity <= 0) return;
  const Views p = Pair(frame, layer);
  const uint32_t value_mask = ValueMask(p.bits);
  const bool keyed = key >= 0;
  const uint32_t k = uint32_t(key) & value_mask;
  const uint32_t o = uint32_t(std::min(opacity, 255)), no = 255 - o;
  if (p.bits <= 8) {
    const int level = int(o) / 16;
    if (level >= 15) {
      ComposeKeyed(frame, layer, key);
      return;
    }
    for (int y = 0; y < p.h; ++y) {
      uint8_t* f = p.f.Row(y);
      const uint8_t* l = p.l.Row(y);
      for (int x = 0; x < p.w; ++x) {
        if (!PatternSet(level, x, y)) continue;
        const uint32_t v = LoadNative(l, x, p.bits);
        if (!keyed || v != k) StoreNative(f, x, p.bits, v);
      }
    }
    return;
  }
  for (int y = 0; y < p.h; ++y) {
    uint8_t* f = p.f.Row(y);
    const uint8_t* l = p.l.Row(y);
    switch (p.bits) {
      case 15:
      case 16: {
        const auto masks = Masks16(p.bits);
        for (int x = 0; x < p.w; ++x) {
          const uint32_t s = Load16(l, x);
          if (keyed && s == k) continue;
          const uint32_t d = Load16(f, x);
          uint32_t out = 0;
          for (uint32_t mk : masks) out |= ((no * (d & mk) + o * (s & mk)) / 255) & mk;
          Store16(f, x, out);
        }
        break;
      }
      case 24:
        for (int x = 0; x < p.w; ++x) {
          const uint8_t* s = l + 3 * x;
          if (keyed && (s[0] | uint32_t(s[1]) << 8 | uint32_t(s[2]) << 16) == k) continue;
          uint8_t* d = f + 3 * x;
          for (int c = 0; c < 3; ++c) d[c] = uint8_t((no * d[c] + o * s[c]) / 255);
        }
        break;
      case 32:
        for (int x = 0; x < p.w; ++x) {
          const uint8_t* s = l + 4 * x;
          uint32_t sv;
          std::memcpy(&sv, s, 4);
          if (keyed && (sv & value_mask) == k) continue;
          uint8_t* d = f + 4 * x;
          for (int c = 0; c < 3; ++c) d[c] = uint8_t((d[c] * no + s[c] * o) >> 8);
          d[3] = 0;
        }
        break;
      default:
        break;
    }
  }
}

void ConvertRows(const ConstPixelView& src, const PixelView& dst) {
  if (src.empty() || dst.empty()) return;
  const int w = std::min(src.width_px, dst.width_px), h = std::min(src.height_px, dst.height_px);
  // Paletted sources: one lookup per index.
  std::array<uint32_t, 256> lut{};
  if (src.bit_count <= 8) {
    const int n = 1 << src.bit_count;
    for (int i = 0; i < n; ++i) {
      const auto c = uint32_t(NativeToColor(uint32_t(i), src.bit_count, src.palette));
      lut[size_t(i)] = (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
    }
  }
  std::vector<uint32_t> rgb(static_cast<size_t>(w));  // 0x00RRGGBB
  for (int y = 0; y < h; ++y) {
    const uint8_t* s = src.Row(y);
    switch (src.bit_count) {
      case 32:
        for (int x = 0; x < w; ++x) {
          uint32_t v;
          std::memcpy(&v, s + 4 * x, 4);
          rgb[size_t(x)] = v & 0xFFFFFF;
        }
        break;
      case 24:
        for (int x = 0; x < w; ++x) {
          const uint8_t* p = s + 3 * x;
          rgb[size_t(x)] = p[0] | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
        }
        break;
      case 15:
        for (int x = 0; x < w; ++x) {
          const uint32_t v = Load16(s, x);
          rgb[size_t(x)] = uint32_t(kExpand5To8[v >> 10 & 31]) << 16 |
                           uint32_t(kExpand5To8[v >> 5 & 31]) << 8 | kExpand5To8[v & 31];
        }
        break;
      case 16:
        for (int x = 0; x < w; ++x) {
          const uint32_t v = Load16(s, x);
          rgb[size_t(x)] = uint32_t(kExpand5To8[v >> 11 & 31]) << 16 |
                           uint32_t(kExpand6To8[v >> 5 & 63]) << 8 | kExpand5To8[v & 31];
        }
        break;
      default:
        for (int x = 0; x < w; ++x) rgb[size_t(x)] = lut[LoadNative(s, x, src.bit_count) & 0xFF];
        break;
    }
    uint8_t* d = dst.Row(y);
    switch (dst.bit_count) {
      case 32:
        std::memcpy(d, rgb.data(), size_t(w) * 4);
        break;
      case 24:
        for (int x = 0; x < w; ++x) {
          const uint32_t v = rgb[size_t(x)];
          d[3 * x] = uint8_t(v), d[3 * x + 1] = uint8_t(v >> 8), d[3 * x + 2] = uint8_t(v >> 16);
        }
        break;
      case 15:
        for (int x = 0; x < w; ++x) {
          const uint32_t v = rgb[size_t(x)];
          Store16(d, x, (v >> 19 & 31) << 10 | (v >> 11 & 31) << 5 | (v >> 3 & 31));
        }
        break;
      case 16:
        for (int x = 0; x < w; ++x) {
          const uint32_t v = rgb[size_t(x)];
          Store16(d, x, (v >> 19 & 31) << 11 | (v >> 10 & 63) << 5 | (v >> 3 & 31));
        }
        break;
      default:
        break;
    }
  }
}

}  // namespace orlo_detail

void ConvertBitCount(TDIBSurface& image, int bit_count) {
  if (image.BitCount() == bit_count || image.IsEmpty()) {
    if (image.IsEmpty()) image.SetSize(0, 0, bit_count);
    return;
  }
  TDIBX converted(image.Width(), image.Height(), bit_count);
  if (bit_count > 8) {
    orlo_detail::ConvertRows(std::as_const(image).View(), converted.View());
  } else {
    ConvertInto(std::as_const(image).View(), converted);
  }
  converted.FirstAreas = std::move(image.FirstAreas);
  converted.SecondAreas = std::move(image.SecondAreas);
  converted.SetColorKey(image.ColorKey());
  // Only the picture part changes; the mask stays.
  static_cast<TDIBX&>(image) = std::move(converted);
}

void AssignTo(const TOrloFrame& frame, TCustomDIBX& surface) {
  const TDIBSurface& image = frame.Bitmap;
  surface.SetSize(image.Width(), image.Height(), surface.BitCount());
  const PixelView to = surface.View();
  const ConstPixelView from = image.View();
  if (!to.empty() && !from.empty()) {
    if (to.bit_count > 8) {
      orlo_detail::ConvertRows(from, to);
    } else {
      ConvertInto(from, surface);
    }
  }
  surface.FirstAreas = frame.FirstAreas;
  surface.SecondAreas = frame.SecondAreas;
}

bool MaskTo(const TOrloFrame& frame, TDIBX& mask) {
  const TDIBX* source = frame.Bitmap.Mask();
  if (!source) return false;
  mask.SetSize(source->Width(), source->Height(), 8);
  const ConstPixelView from = source->View();
  const PixelView to = mask.View();
  if (!from.empty() && !to.empty()) {
    for (int y = 0; y < from.height_px; ++y)
      std::memcpy(to.Row(y), from.Row(y), size_t(from.width_px));
  }
  return true;
}

}  // namespace vesk::graphics
