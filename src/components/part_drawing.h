#pragma once
// Drawing a cell of a picture by the blend value, for the kinds built from
// cells of one picture (slider parts, gauge bars).
#include <cstdint>

#include "core/rect.h"
#include "graphics/dibsfc.h"

namespace vesk::components {

class TVeskImageList;

// Frame 0 of a list (null when there is none) and its mask when the mask
// covers the picture exactly.
const graphics::TCustomDIBX* FirstPicture(TVeskImageList& list);
const graphics::TCustomDIBX* FirstMask(TVeskImageList& list);

// Repeats `cell` of `picture` over `dest` (clipped to it), the pattern
// shifted by the offsets: opaque at 255, translucent below, additive with
// level blend - 256 above; through `mask` when given, else honouring the
// colour key.
void TileCell(graphics::TCustomDIBX& target, const Rect& dest, const graphics::TCustomDIBX& picture,
              const graphics::TCustomDIBX* mask, const Rect& cell, int32_t blend,
              int32_t offset_x = 0, int32_t offset_y = 0);

}  // namespace vesk::components
