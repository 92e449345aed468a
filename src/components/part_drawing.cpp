#include "components/part_drawing.h"

#include <algorithm>

#include "components/image_list.h"

namespace vesk::components {

using graphics::KeyMode;

const graphics::TCustomDIBX* FirstPicture(TVeskImageList& list) {
  if (!list.Valid(0)) return nullptr;
  const graphics::TCustomDIBX* picture = list.Data(0).Surface(0);
  return picture && !picture->IsEmpty() ? picture : nullptr;
}

const graphics::TCustomDIBX* FirstMask(TVeskImageList& list) {
  const graphics::TCustomDIBX* picture = FirstPicture(list);
  const graphics::TCustomDIBX* mask = picture ? list.Data(0).Mask() : nullptr;
  if (!mask || mask->BitCount() != 8 || mask->Width() != picture->Width() ||
      mask->Height() != picture->Height())
    return nullptr;
  return mask;
}

void TileCell(graphics::TCustomDIBX& target, const Rect& dest, const graphics::TCustomDIBX& picture,
              const graphics::TCustomDIBX* mask, const Rect& cell, int32_t blend, int32_t offset_x,
              int32_t offset_y) {
  blend = std::min(blend, 511);
  const Rect from = cell.Intersect(picture.BoundsRect());
  if (blend < 1 || dest.IsEmpty() || from.IsEmpty()) return;
  const KeyMode key = picture.ColorKey() >= 0 ? KeyMode::kUse : KeyMode::kIgnore;
  if (mask) {
    if (blend == 255)
      target.TileMask(dest, 0, 0, picture, from, *mask, offset_x, offset_y);
    else if (blend < 255)
      target.TileMaskAlpha(dest, 0, 0, picture, from, *mask, blend, offset_x, offset_y);
    else
      target.TileMaskAdd(dest, 0, 0, picture, from, *mask, blend - 256, offset_x, offset_y);
    return;
  }
  if (blend == 255)
    target.Tile(dest, 0, 0, picture, from, key, offset_x, offset_y);
  else if (blend < 255)
    target.TileAlpha(dest, 0, 0, picture, from, key, blend, offset_x, offset_y);
  else
    target.TileAdd(dest, 0, 0, picture, from, key, blend - 256, offset_x, offset_y);
}

}  // namespace vesk::components
