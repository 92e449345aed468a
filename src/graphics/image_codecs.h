#pragma once
// PNG (libpng) and JPEG (libjpeg) pictures in memory, decoded into the
// decoding bitmaps of the image-format unit and encoded for the tools.
// Broken or hostile data raises EGraphicsError naming what was wrong.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "graphics/orlo.h"

namespace vesk::graphics {

// Bytes that start with the PNG signature.
bool LooksLikePng(std::span<const uint8_t> bytes);

// One PNG picture. Colour-table pictures without partial transparency
// become 8-bit paletted bitmaps; all others 24 bits. An alpha channel (or
// a colour table with partial transparency) becomes the mask; a single
// transparent colour becomes *color_key (palette index for paletted
// results, native 24-bit value otherwise; -1 when there is none). Pictures
// needing more than max_bytes of bitmap are refused.
void DecodePng(std::span<const uint8_t> bytes, TDIBSurface& out, int32_t* color_key,
               size_t max_bytes = TDIBX::kMaxBytes);

// The picture as an 8-bit RGB PNG, RGBA when `mask` is given (the mask as
// alpha), with a tRNS colour when color_key_color (0x00BBGGRR) is >= 0 and
// there is no mask.
std::vector<uint8_t> EncodePng(const TCustomDIBX& image, const TCustomDIBX* mask = nullptr,
                               int32_t color_key_color = -1);

// One JPEG file decoded as a 24-bit bitmap (greyscale pictures too).
void DecodeJpeg(std::span<const uint8_t> bytes, TDIBX& out, size_t max_bytes = TDIBX::kMaxBytes);

// The picture as a baseline JPEG file of the given quality (1..100).
std::vector<uint8_t> EncodeJpeg(const TCustomDIBX& image, int quality);

}  // namespace vesk::graphics
