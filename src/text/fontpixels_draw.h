#pragma once
// The glyph renderer's compositing: a cached glyph stamped into a colour
// surface and its 8-bit mask with border, shadow and bars, at a horizontal
// shift inside its cell that the manager has worked out.
#include <cstdint>

#include "core/rect.h"
#include "graphics/dibsfc.h"
#include "text/fontpixels.h"

namespace vesk::text {

// Returns the rectangle the glyph and its bars cover (empty when there is
// nothing to draw). Pixels outside the colour surface's clip rectangle (and
// outside either surface) are left alone; surfaces without pixels in memory
// and masks that are not 8-bit are not drawn into at all.
Rect DrawGlyph(const TFontPixel& glyph, graphics::TCustomDIBX& color, graphics::TCustomDIBX& mask,
               const GlyphColors& colors, const RenderOptions& options, const Rect& cell,
               int32_t shift_px);

}  // namespace vesk::text
