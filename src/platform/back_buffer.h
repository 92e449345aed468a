#pragma once
// The presentable back buffer: one frame of pixels in the working format the
// screen manager chose (15-bit 5-5-5, 16-bit 5-6-5 or 32-bit 0x00RRGGBB),
// with the parts that changed since the window last showed it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/view_mapping.h"

namespace vesk::platform {

enum class PixelFormat : int { kRgb555 = 15, kRgb565 = 16, kXrgb8888 = 32 };

constexpr int BytesPerPixel(PixelFormat f) {
  return f == PixelFormat::kXrgb8888 ? 4 : 2;
}

class BackBuffer {
 public:
  BackBuffer() = default;
  BackBuffer(int width_px, int height_px, PixelFormat format) {
    Resize(width_px, height_px, format);
  }

  void Resize(int width_px, int height_px, PixelFormat format);
  void Clear() { std::fill(pixels_.begin(), pixels_.end(), uint8_t{0}); }

  int width_px() const { return width_px_; }
  int height_px() const { return height_px_; }
  int pitch_bytes() const { return pitch_bytes_; }
  PixelFormat format() const { return format_; }
  bool empty() const { return pixels_.empty(); }

  uint8_t* Row(int y) { return pixels_.data() + static_cast<size_t>(y) * pitch_bytes_; }
  const uint8_t* Row(int y) const { return pixels_.data() + static_cast<size_t>(y) * pitch_bytes_; }
  const uint8_t* data() const { return pixels_.data(); }

  // Pixel at (x, y) as 0x00RRGGBB, whatever the working format (for
  // screenshots and tests; drawing code works on rows directly).
  uint32_t GetRgb(int x, int y) const;
  void SetRgb(int x, int y, uint32_t rgb);
  void FillRect(int x, int y, int w, int h, uint32_t rgb);

  // What changed since the window last showed the frame. The pixel writers
  // above mark nothing: whoever draws marks what it wrote, the window copies
  // only the marked parts, and the owner clears the marks once the frame is
  // shown. Resizing marks the whole buffer, so a frame whose owner never
  // clears its marks is shown whole every time.
  void MarkChanged(const Rect& r);  // clipped to the buffer; empty ones are dropped
  void MarkAllChanged();
  void ClearChanged() { changed_.clear(); }
  const std::vector<Rect>& changed() const { return changed_; }

 private:
  int width_px_ = 0;
  int height_px_ = 0;
  int pitch_bytes_ = 0;
  PixelFormat format_ = PixelFormat::kXrgb8888;
  std::vector<uint8_t> pixels_;
  std::vector<Rect> changed_;
};

}  // namespace vesk::platform
