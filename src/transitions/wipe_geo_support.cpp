#include "transitions/wipe_geo_support.h"

namespace vesk::transitions::geo {

GreyTable MakeGreyTable(const graphics::TCustomDIBX& dest) {
  GreyTable greys{};
  for (int v = 0; v < 256; ++v)
    greys[size_t(v)] = uint32_t(dest.ColorToPixel(v | v << 8 | v << 16));
  return greys;
}

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

void ShowNewPicture(graphics::TCustomDIBX& dest, const graphics::TCustomDIBX& to) {
  OpenClip(dest);
  dest.Draw(0, 0, to, to.BoundsRect(), graphics::KeyMode::kIgnore, graphics::Flip::kNone);
}

}  // namespace vesk::transitions::geo
