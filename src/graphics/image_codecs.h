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

// One PNG picture as straight-alpha pixels, every colour type turned into
// 8-bit RGBA (a transparent colour becomes alpha 0). Sides over max_side
// are refused before the rows are read.
ArgbPicture DecodePngArgb(std::span<const uint8_t> bytes, int max_side);

// The picture as an 8-bit RGB PNG, RGBA when `mask` is given (the mask as
// alpha), with a tRNS colour when color_key_color (0x00BBGGRR) is >= 0 and
// there is no mask.
std::vector<uint8_t> EncodePng(const TCustomDIBX& image, const TCustomDIBX* mask = nullptr,
                               int32_t color_key_color = -1);

// Tightly packed 8-bit RGB rows, top to bottom, as an RGB PNG.
std::vector<uint8_t> EncodePngRgb(std::span<const uint8_t> rgb, int width, int height);

// One JPEG file decoded as a 24-bit bitmap (greyscale pictures too).
void DecodeJpeg(std::span<const uint8_t> bytes, TDIBX& out, size_t max_bytes = TDIBX::kMaxBytes);

// The picture as a baseline JPEG file of the given quality (1..100).
std::vector<uint8_t> EncodeJpeg(const TCustomDIBX& image, int quality);

}  // namespace vesk::graphics
