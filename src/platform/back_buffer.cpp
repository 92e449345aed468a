#include "platform/back_buffer.h"

#include <algorithm>
#include <cstring>

namespace vesk::platform {

void BackBuffer::Resize(int width_px, int height_px, PixelFormat format) {
  width_px_ = std::max(0, width_px);
  height_px_ = std::max(0, height_px);
  format_ = format;
  pitch_bytes_ = width_px_ * BytesPerPixel(format);
  pixels_.assign(static_cast<size_t>(pitch_bytes_) * height_px_, 0);
  MarkAllChanged();
}

namespace {

// Past this many separate marks one rectangle around them all is cheaper to
// copy than the bookkeeping (a frame rarely has more than a handful).
constexpr size_t kMaxChangedRects = 32;

bool Contains(const Rect& outer, const Rect& inner) {
  return inner.x >= outer.x && inner.y >= outer.y && inner.x + inner.w <= outer.x + outer.w &&
         inner.y + inner.h <= outer.y + outer.h;
}

Rect Bounds(const std::vector<Rect>& rects) {
  int x0 = rects[0].x, y0 = rects[0].y, x1 = x0 + rects[0].w, y1 = y0 + rects[0].h;
  for (const Rect& r : rects) {
    x0 = std::min(x0, r.x);
    y0 = std::min(y0, r.y);
    x1 = std::max(x1, r.x + r.w);
    y1 = std::max(y1, r.y + r.h);
  }
  return {x0, y0, x1 - x0, y1 - y0};
}

}  // namespace

void BackBuffer::MarkChanged(const Rect& r) {
  const int x0 = std::max(0, r.x), y0 = std::max(0, r.y);
  // In 64 bits: a rectangle near the integer limits must not wrap.
  const int x1 = static_cast<int>(std::min<int64_t>(width_px_, int64_t{r.x} + r.w));
  const int y1 = static_cast<int>(std::min<int64_t>(height_px_, int64_t{r.y} + r.h));
  if (x1 <= x0 || y1 <= y0) return;
  const Rect clipped{x0, y0, x1 - x0, y1 - y0};
  for (const Rect& c : changed_)
    if (Contains(c, clipped)) return;
  std::erase_if(changed_, [&](const Rect& c) { return Contains(clipped, c); });
  changed_.push_back(clipped);
  if (changed_.size() > kMaxChangedRects) changed_ = {Bounds(changed_)};
}

void BackBuffer::MarkAllChanged() {
  changed_.clear();
  if (width_px_ > 0 && height_px_ > 0) changed_.push_back({0, 0, width_px_, height_px_});
}

namespace {

uint32_t Expand5(uint32_t v) { return (v << 3) | (v >> 2); }
uint32_t Expand6(uint32_t v) { return (v << 2) | (v >> 4); }

}  // namespace

uint32_t BackBuffer::GetRgb(int x, int y) const {
  const uint8_t* p = Row(y) + x * BytesPerPixel(format_);
  switch (format_) {
    case PixelFormat::kXrgb8888: {
      uint32_t v;
      std::memcpy(&v, p, 4);
      return v & 0xFFFFFF;
    }
    case PixelFormat::kRgb565: {
      uint16_t v;
      std::memcpy(&v, p, 2);
      return Expand5(v >> 11) << 16 | Expand6((v >> 5) & 63) << 8 | Expand5(v & 31);
    }
    case PixelFormat::kRgb555: {
      uint16_t v;
      std::memcpy(&v, p, 2);
      return Expand5((v >> 10) & 31) << 16 | Expand5((v >> 5) & 31) << 8 | Expand5(v & 31);
    }
  }
  return 0;
}

void BackBuffer::SetRgb(int x, int y, uint32_t rgb) {
  uint8_t* p = Row(y) + x * BytesPerPixel(format_);
  uint32_t r = (rgb >> 16) & 255, g = (rgb >> 8) & 255, b = rgb & 255;
  switch (format_) {
    case PixelFormat::kXrgb8888: {
      uint32_t v = rgb & 0xFFFFFF;
      std::memcpy(p, &v, 4);
      return;
    }
    case PixelFormat::kRgb565: {
      uint16_t v = static_cast<uint16_t>((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3));
      std::memcpy(p, &v, 2);
      return;
    }
    case PixelFormat::kRgb555: {
      uint16_t v = static_cast<uint16_t>((r >> 3) << 10 | (g >> 3) << 5 | (b >> 3));
      std::memcpy(p, &v, 2);
      return;
    }
  }
}

void BackBuffer::FillRect(int x, int y, int w, int h, uint32_t rgb) {
  const int x0 = std::max(0, x), y0 = std::max(0, y);
  const int x1 = std::min(width_px_, x + w), y1 = std::min(height_px_, y + h);
  for (int yy = y0; yy < y1; ++yy)
    for (int xx = x0; xx < x1; ++xx) SetRgb(xx, yy, rgb);
}

}  // namespace vesk::platform
