#include "transitions/wipe_geo_support.h"

#include <vector>

namespace vesk::transitions::geo {

bool SameShape(const graphics::ConstPixelView& a, const graphics::ConstPixelView& b) {
  return !a.empty() && !b.empty() && a.width_px == b.width_px && a.height_px == b.height_px &&
         a.bit_count == b.bit_count;
}

Frame::Frame(graphics::TCustomDIBX& dest, const graphics::TCustomDIBX& from_picture,
             const graphics::TCustomDIBX& to_picture)
    : dst(dest.View()), from(from_picture.View()), to(to_picture.View()) {
  width = dst.width_px;
  height = dst.height_px;
  bit_count = dst.bit_count;
  const bool known = WithRowFormat(bit_count, [](auto) {});
  ok = known && SameShape(AsConst(dst), from) && SameShape(AsConst(dst), to);
}

void CopyRows(const Frame& frame, const graphics::ConstPixelView& src) {
  const size_t bytes = frame.RowBytes();
  for (int y = 0; y < frame.height; ++y) std::memmove(frame.dst.Row(y), src.Row(y), bytes);
}

namespace {

// Source index of each of `dest_len` pixels: the 16.16 step is the real
// ratio truncated, as in the surfaces' stretch.
std::vector<int> StretchTable(int dest_len, int src_lo, int src_len) {
  const long double step = (long double)(src_len) / (long double)(dest_len);
  const int64_t step16 = int64_t(step * 65536.0L);
  std::vector<int> table(static_cast<size_t>(dest_len));
  for (int i = 0; i < dest_len; ++i)
    table[size_t(i)] = int((int64_t(src_lo) * 65536 + i * step16) >> 16);
  return table;
}

}  // namespace

void StretchOver(const Frame& frame, const graphics::ConstPixelView& picture,
                 const Rect& src_rect) {
  const Rect source = src_rect.Intersect(Rect{0, 0, picture.width_px, picture.height_px});
  if (source.IsEmpty() || picture.bit_count != frame.bit_count || frame.width <= 0 ||
      frame.height <= 0)
    return;
  const std::vector<int> xs = StretchTable(frame.width, source.left, int(source.Width()));
  const std::vector<int> ys = StretchTable(frame.height, source.top, int(source.Height()));
  const size_t bytes = frame.RowBytes();
  WithRowFormat(frame.bit_count, [&](auto fmt) {
    using F = decltype(fmt);
    for (int y = 0; y < frame.height; ++y) {
      if (y > 0 && ys[size_t(y)] == ys[size_t(y) - 1]) {
        std::memcpy(frame.dst.Row(y), frame.dst.Row(y - 1), bytes);
        continue;
      }
      auto* d = RowOf<F>(frame.dst, y);
      const auto* s = RowOf<F>(picture, ys[size_t(y)]);
      for (int x = 0; x < frame.width; ++x) d[x] = s[xs[size_t(x)]];
    }
  });
}

void ShowNewPicture(graphics::TCustomDIBX& dest, const graphics::TCustomDIBX& to) {
  OpenClip(dest);
  dest.Draw(0, 0, to, to.BoundsRect(), graphics::KeyMode::kIgnore, graphics::Flip::kNone);
}

}  // namespace vesk::transitions::geo
