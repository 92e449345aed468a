// Surface basics: geometry, clipping, colours, fills and the memory surface.
#include "graphics/dibsfc.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "graphics/dibsfc_kernels.h"

namespace vesk::graphics {

using namespace detail;

// --- conversions -------------------------------------------------------------

namespace {

template <int kBits>
constexpr auto MakeExpandTable() {
  std::array<uint8_t, (1 << kBits)> t{};
  for (int v = 0; v < (1 << kBits); ++v) {
    t[v] = uint8_t(v << (8 - kBits) | v >> (2 * kBits - 8));
  }
  return t;
}

}  // namespace

const std::array<uint8_t, 32> kExpand5To8 = MakeExpandTable<5>();
const std::array<uint8_t, 64> kExpand6To8 = MakeExpandTable<6>();

int32_t NativeToColor(uint32_t v, int bit_count, const PaletteEntry* palette) {
  uint32_t r = 0, g = 0, b = 0;
  switch (bit_count) {
    case 1:
    case 4:
    case 8: {
      if (palette) {
        const PaletteEntry& e = palette[v & 0xFF];
        r = e.Red, g = e.Green, b = e.Blue;
      } else {
        r = g = b = (v & 0xFF) * 255 / ((1u << bit_count) - 1);
      }
      break;
    }
    case 15:
      r = kExpand5To8[(v >> 10) & 31], g = kExpand5To8[(v >> 5) & 31], b = kExpand5To8[v & 31];
      break;
    case 16:
      r = kExpand5To8[(v >> 11) & 31], g = kExpand6To8[(v >> 5) & 63], b = kExpand5To8[v & 31];
      break;
    default:
      r = (v >> 16) & 0xFF, g = (v >> 8) & 0xFF, b = v & 0xFF;
      break;
  }
  return int32_t(r | g << 8 | b << 16);
}

uint32_t ColorToNative(int32_t color, int bit_count) {
  const uint32_t c = uint32_t(color);
  const uint32_t r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
  switch (bit_count) {
    case 1:
    case 4:
    case 8: {
      const uint32_t grey = (r * 77 + g * 150 + b * 29) >> 8;
      return grey >> (8 - bit_count);
    }
    case 15:
      return (r >> 3) << 10 | (g >> 3) << 5 | b >> 3;
    case 16:
      return (r >> 3) << 11 | (g >> 2) << 5 | b >> 3;
    default:
      return r << 16 | g << 8 | b;
  }
}

// --- TCustomDIBX ---------------------------------------------------------------

uint32_t TCustomDIBX::GetPixel(int x, int y) const {
  const ConstPixelView v = View();
  if (v.empty() || x < 0 || y < 0 || x >= v.width_px || y >= v.height_px) return 0;
  return LoadNative(v.Row(y), x, v.bit_count);
}

void TCustomDIBX::SetPixel(int x, int y, uint32_t value) {
  const PixelView v = View();
  if (v.empty() || x < 0 || y < 0 || x >= v.width_px || y >= v.height_px) return;
  StoreNative(v.Row(y), x, v.bit_count, value);
}

uint8_t* TCustomDIBX::PixelPtr(int x, int y) {
  const PixelView v = View();
  if (v.empty() || x < 0 || y < 0 || x >= v.width_px || y >= v.height_px) return nullptr;
  return v.Row(y) + (static_cast<ptrdiff_t>(x) * (v.bit_count == 15 ? 16 : v.bit_count)) / 8;
}

Rect TCustomDIBX::ClipRect() const {
  return HasClipRect() ? clip_ : BoundsRect();
}

void TCustomDIBX::UnionClip(const Rect& rect) {
  const Rect r = rect.Intersect(BoundsRect());
  if (r.IsEmpty()) return;
  if (!HasClipRect()) {
    clip_ = r;
    return;
  }
  clip_ = clip_.Union(r);
}

int32_t TCustomDIBX::ColorToPixel(int32_t color) const {
  return color < 0 ? -1 : color;
}

// --- fills -----------------------------------------------------------------------

namespace {

enum class FillKind { kSet, kAlpha, kAdd, kSub };

void FillArea(const PixelView& v, const Rect& area, uint32_t value, FillKind kind, uint32_t a) {
  if (v.empty() || area.IsEmpty()) return;
  WithFormat(v.bit_count, [&](auto f) {
    using F = decltype(f);
    using W = typename F::Word;
    const W w = W(value);
    for (int y = area.top; y < area.bottom; ++y) {
      const auto row = MakeRow<F>(v, area.left, y);
      const int n = int(area.Width());
      switch (kind) {
        case FillKind::kSet:
          FillRow<F>(row, w, n);
          break;
        case FillKind::kAlpha:
          FillAlphaRow<F>(row, w, n, a);
          break;
        case FillKind::kAdd:
          FillAddRow<F>(row, w, n);
          break;
        case FillKind::kSub:
          FillSubRow<F>(row, w, n);
          break;
      }
    }
  });
}

// The four sides of a frame, the side strips between top and bottom so that
// no pixel is drawn twice.
std::array<Rect, 4> FrameStrips(const Rect& r, int thickness) {
  const int64_t t = std::max(0, thickness);
  const auto top_end = int32_t(std::min<int64_t>(r.bottom, r.top + t));
  const auto bottom_start = int32_t(std::max<int64_t>(top_end, r.bottom - t));
  return {Rect{r.left, r.top, r.right, top_end}, Rect{r.left, bottom_start, r.right, r.bottom},
          Rect{r.left, top_end, int32_t(std::min<int64_t>(r.right, r.left + t)), bottom_start},
          Rect{int32_t(std::max<int64_t>(r.left, r.right - t)), top_end, r.right, bottom_start}};
}

}  // namespace

void TCustomDIBX::Fill(uint32_t value) {
  FillRect(BoundsRect(), value);
}

void TCustomDIBX::FillRect(const Rect& rect, uint32_t value) {
  FillArea(View(), rect.Intersect(DrawableRect()), value, FillKind::kSet, 0);
}

void TCustomDIBX::FillRectAlpha(const Rect& rect, uint32_t value, int alpha) {
  alpha = ClampAmount(alpha);
  if (alpha == 0) return;
  FillArea(View(), rect.Intersect(DrawableRect()), value, FillKind::kAlpha, uint32_t(alpha));
}

void TCustomDIBX::FillRectAdd(const Rect& rect, uint32_t value) {
  FillArea(View(), rect.Intersect(DrawableRect()), value, FillKind::kAdd, 0);
}

void TCustomDIBX::FillRectSub(const Rect& rect, uint32_t value) {
  FillArea(View(), rect.Intersect(DrawableRect()), value, FillKind::kSub, 0);
}

void TCustomDIBX::FrameRect(const Rect& rect, int thickness, uint32_t value) {
  for (const Rect& s : FrameStrips(rect, thickness)) FillRect(s, value);
}

void TCustomDIBX::FrameRectAlpha(const Rect& rect, int thickness, uint32_t value, int alpha) {
  if (alpha <= 0) return;
  for (const Rect& s : FrameStrips(rect, thickness)) FillRectAlpha(s, value, alpha);
}

void TCustomDIBX::FrameRectAdd(const Rect& rect, int thickness, uint32_t value) {
  for (const Rect& s : FrameStrips(rect, thickness)) FillRectAdd(s, value);
}

// --- whole-surface copy and palettes ----------------------------------------------

void TCustomDIBX::Assign(const TCustomDIBX& source) {
  if (&source == this) return;
  const int bits = source.BitCount();
  SetSize(source.Width(), source.Height(), bits == 0 ? BitCount() : bits);
  Palette p;
  source.GetPalette(p);
  SetPalette(p);
  const ConstPixelView from = source.View();
  const PixelView to = View();
  if (from.empty() || to.empty() || from.bit_count != to.bit_count) return;
  const size_t row_bytes =
      std::min(size_t(std::abs(from.stride_bytes)), size_t(std::abs(to.stride_bytes)));
  for (int y = 0; y < to.height_px; ++y) std::memcpy(to.Row(y), from.Row(y), row_bytes);
}

void TCustomDIBX::GetPalette(Palette& out) const {
  out = Palette{};
}
void TCustomDIBX::GetPaletteEntries(std::span<PaletteEntry> out, int) const {
  std::fill(out.begin(), out.end(), PaletteEntry{});
}
void TCustomDIBX::SetPalette(const Palette&) {}
void TCustomDIBX::SetPaletteEntries(std::span<const PaletteEntry>, int) {}

void TCustomDIBX::DrawBlend(int x, int y, const TCustomDIBX& source, const Rect& src_rect,
                            KeyMode key, Flip flip, int blend) {
  if (blend <= 0) return;
  if (blend < 255) {
    DrawAlpha(x, y, source, src_rect, key, flip, blend);
  } else if (blend == 255) {
    Draw(x, y, source, src_rect, key, flip);
  } else {
    DrawAdd(x, y, source, src_rect, key, flip, blend & 0xFF);
  }
}

void TCustomDIBX::DrawMaskBlend(int x, int y, const TCustomDIBX& source, const Rect& src_rect,
                                Flip flip, const TCustomDIBX& mask, int blend) {
  if (blend <= 0) return;
  if (blend < 255) {
    DrawMaskAlpha(x, y, source, src_rect, flip, mask, blend);
  } else if (blend == 255) {
    DrawMask(x, y, source, src_rect, flip, mask);
  } else {
    DrawMaskAdd(x, y, source, src_rect, flip, mask, blend & 0xFF);
  }
}

// --- TDIBX -------------------------------------------------------------------------

namespace {

bool KnownBitCount(int bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 15 || bits == 16 || bits == 24 ||
         bits == 32;
}

// A fresh colour table: a grey ramp over the entries the bit count uses, so
// 8-bit surfaces read as grey levels (masks) until a palette is set.
Palette GreyPalette(int bits) {
  Palette p{};
  if (bits > 8) return p;
  const int n = 1 << bits;
  for (int i = 0; i < n; ++i) {
    const auto v = uint8_t(i * 255 / (n - 1));
    p[i] = PaletteEntry{v, v, v, 0};
  }
  return p;
}

}  // namespace

void TDIBX::Allocate(int width_px, int height_px, int bit_count) {
  if (!KnownBitCount(bit_count)) {
    throw EGraphicsError("unsupported surface bit count " + std::to_string(bit_count));
  }
  if (width_px < 0 || height_px < 0 || width_px > kMaxSidePx || height_px > kMaxSidePx) {
    throw EGraphicsError("surface size out of range: " + std::to_string(width_px) + " x " +
                         std::to_string(height_px));
  }
  const int raw_bits = bit_count == 15 ? 16 : bit_count;
  const size_t stride = (size_t(width_px) * size_t(raw_bits) + 31) / 32 * 4;
  const size_t bytes = stride * size_t(height_px);
  if (bytes > kMaxBytes) {
    throw EGraphicsError("surface too large: " + std::to_string(bytes) + " bytes");
  }
  if (bit_count != bit_count_ || pixels_.empty()) palette_ = GreyPalette(bit_count);
  pixels_.assign(bytes, 0);
  pixels_.shrink_to_fit();
  stride_bytes_ = ptrdiff_t(stride);
  bit_count_ = bit_count;
  SetDimensions(width_px, height_px);
}

void TDIBX::SetSize(int width_px, int height_px, int bit_count) {
  Allocate(width_px, height_px, bit_count == 0 ? bit_count_ : bit_count);
}

void TDIBX::SetBitCount(int bit_count) {
  // 15 and 16 pick the 5-5-5 and 5-6-5 masks; every other count is 8-8-8
  // or a colour table.
  Allocate(Width(), Height(), bit_count);
}

void TDIBX::Clear() {
  Allocate(0, 0, bit_count_);
}

uint32_t TDIBX::RedMask() const {
  switch (bit_count_) {
    case 15:
      return 0x7C00;
    case 16:
      return 0xF800;
    case 24:
    case 32:
      return 0xFF0000;
    default:
      return 0;
  }
}

uint32_t TDIBX::GreenMask() const {
  switch (bit_count_) {
    case 15:
    case 16:
      return bit_count_ == 15 ? 0x03E0 : 0x07E0;
    case 24:
    case 32:
      return 0xFF00;
    default:
      return 0;
  }
}

uint32_t TDIBX::BlueMask() const {
  switch (bit_count_) {
    case 15:
    case 16:
      return 0x001F;
    case 24:
    case 32:
      return 0xFF;
    default:
      return 0;
  }
}

int TDIBX::BlueShift() const {
  return 0;
}
int TDIBX::GreenShift() const {
  return bit_count_ == 15 || bit_count_ == 16 ? 5 : 8;
}
int TDIBX::RedShift() const {
  if (bit_count_ == 15) return 10;
  if (bit_count_ == 16) return 11;
  return 16;
}

PixelView TDIBX::View() {
  if (pixels_.empty()) return {};
  return PixelView{pixels_.data(), stride_bytes_, Width(), Height(), bit_count_, palette_.data()};
}

ConstPixelView TDIBX::View() const {
  if (pixels_.empty()) return {};
  return ConstPixelView{pixels_.data(), stride_bytes_, Width(),
                        Height(),       bit_count_,    palette_.data()};
}

int32_t TDIBX::ColorToPixel(int32_t color) const {
  if (color < 0) return -1;
  if (bit_count_ != 15 && bit_count_ != 16 && bit_count_ != 32) return color;
  return int32_t(ColorToNative(color, bit_count_));
}

void TDIBX::Fill(uint32_t value) {
  if (pixels_.empty()) return;
  switch (bit_count_) {
    case 1:
      std::fill(pixels_.begin(), pixels_.end(), uint8_t(value ? 0xFF : 0));
      return;
    case 4:
      std::fill(pixels_.begin(), pixels_.end(), uint8_t((value & 0xF) * 0x11));
      return;
    case 8:
      std::fill(pixels_.begin(), pixels_.end(), uint8_t(value));
      return;
    default:
      break;
  }
  // Wider formats fill one row and copy it: rows hold whole pixels plus
  // padding.
  const PixelView v = View();
  FillArea(v, Rect{0, 0, Width(), 1}, value, FillKind::kSet, 0);
  for (int y = 1; y < Height(); ++y) std::memcpy(v.Row(y), v.Row(0), size_t(stride_bytes_));
}

void TDIBX::GetPaletteEntries(std::span<PaletteEntry> out, int first) const {
  for (size_t i = 0; i < out.size(); ++i) {
    const int64_t k = int64_t(first) + int64_t(i);
    out[i] = (k >= 0 && k < 256) ? palette_[size_t(k)] : PaletteEntry{};
  }
}

void TDIBX::SetPaletteEntries(std::span<const PaletteEntry> entries, int first) {
  for (size_t i = 0; i < entries.size(); ++i) {
    const int64_t k = int64_t(first) + int64_t(i);
    if (k >= 0 && k < 256) palette_[size_t(k)] = entries[i];
  }
}

}  // namespace vesk::graphics
