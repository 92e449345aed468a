#pragma once
// Rectangles of pixels, for every layer: scene geometry and dirty areas,
// surface clips and copies, the back buffer's changed parts and where the
// window shows the picture. Left and top are inside, right and bottom are
// the first column and row outside, so Width() is right - left.
#include <algorithm>
#include <cstdint>

namespace vesk {

struct Rect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;

  // Edges wrap in 32 bits, as all geometry does: a position near the limit
  // gives an empty rectangle, never undefined arithmetic.
  static constexpr Rect FromSize(int32_t x, int32_t y, int32_t w, int32_t h) {
    return {x, y, static_cast<int32_t>(int64_t{x} + w), static_cast<int32_t>(int64_t{y} + h)};
  }

  // 64-bit: the extent of any two 32-bit edges.
  constexpr int64_t Width() const { return int64_t{right} - left; }
  constexpr int64_t Height() const { return int64_t{bottom} - top; }
  constexpr bool IsEmpty() const { return right <= left || bottom <= top; }
  constexpr bool Contains(int32_t x, int32_t y) const {
    return left <= x && x < right && top <= y && y < bottom;
  }
  constexpr bool Contains(const Rect& r) const {
    return left <= r.left && top <= r.top && r.right <= right && r.bottom <= bottom;
  }
  // An empty intersection keeps no meaningful coordinates.
  constexpr Rect Intersect(const Rect& o) const {
    return {std::max(left, o.left), std::max(top, o.top), std::min(right, o.right),
            std::min(bottom, o.bottom)};
  }
  // The smallest rectangle around both (empty ones count with their edges).
  constexpr Rect Union(const Rect& o) const {
    return {std::min(left, o.left), std::min(top, o.top), std::max(right, o.right),
            std::max(bottom, o.bottom)};
  }
  bool operator==(const Rect&) const = default;
};

}  // namespace vesk
