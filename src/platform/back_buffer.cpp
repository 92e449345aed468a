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

}  // namespace

void BackBuffer::MarkChanged(const Rect& r) {
  const Rect clipped = r.Intersect({0, 0, width_px_, height_px_});
  if (clipped.IsEmpty()) return;
  for (const Rect& c : changed_)
    if (c.Contains(clipped)) return;
  std::erase_if(changed_, [&](const Rect& c) { return clipped.Contains(c); });
  changed_.push_back(clipped);
  if (changed_.size() > kMaxChangedRects) {
    Rect bounds = changed_[0];
    for (const Rect& c : changed_) bounds = bounds.Union(c);
    changed_ = {bounds};
  }
}

void BackBuffer::MarkAllChanged() {
  changed_.clear();
  if (width_px_ > 0 && height_px_ > 0) changed_.push_back({0, 0, width_px_, height_px_});
}

namespace {

uint32_t Expand5(uint32_t v) {
  return (v << 3) | (v >> 2);
}
uint32_t Expand6(uint32_t v) {
  return (v << 2) | (v >> 4);
}

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
