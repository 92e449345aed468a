#pragma once
// Scene rectangles: (left, top, right, bottom) with exclusive right and
// bottom, in scene pixels.
#include <algorithm>
#include <cstdint>

namespace vesk::scene {

struct Rect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;

  // Edges wrap in 32 bits, as all geometry does: a stored position near the
  // limit gives an empty rectangle, never undefined arithmetic.
  static Rect FromSize(int32_t x, int32_t y, int32_t w, int32_t h) {
    return {x, y, static_cast<int32_t>(int64_t{x} + w), static_cast<int32_t>(int64_t{y} + h)};
  }
  bool Empty() const { return right <= left || bottom <= top; }
  int32_t Width() const { return right - left; }
  int32_t Height() const { return bottom - top; }
  bool Contains(int32_t x, int32_t y) const { return left <= x && x < right && top <= y && y < bottom; }
  bool Contains(const Rect& r) const { return left <= r.left && top <= r.top && r.right <= right && r.bottom <= bottom; }
  Rect Intersect(const Rect& o) const {
    return {std::max(left, o.left), std::max(top, o.top), std::min(right, o.right), std::min(bottom, o.bottom)};
  }
  Rect Union(const Rect& o) const {
    return {std::min(left, o.left), std::min(top, o.top), std::max(right, o.right), std::max(bottom, o.bottom)};
  }
  bool operator==(const Rect&) const = default;
};

}  // namespace vesk::scene
