#pragma once
// Windows bitmap files in memory, the bitmaps inside icons and cursors, and
// conversion of a decoded image into a surface of another bit count. Also
// used by the image-format unit, which reads ".bmp"/".dib" frames and keeps
// the fourth byte of 32-bit bitmaps as a mask.
#include <cstdint>
#include <span>
#include <vector>

#include "graphics/dibsfc.h"

namespace vesk::graphics {

// Decodes a whole bitmap file ("BM" header; 1, 4, 8, 16, 24 and 32 bits;
// uncompressed, RLE8, RLE4 and bit fields) into `out` in the nearest native
// format: 1, 4 or 8 bits with the file's colour table, 15 or 16 bits for the
// standard 16-bit masks, 24 bits, or 32 bits for everything else. When
// `alpha` is given it receives width*height fourth bytes of a 32-bit bitmap
// (empty for other depths). Pictures needing more than max_bytes (the
// decoded bitmap and those fourth bytes) are refused before anything is
// allocated. Throws EGraphicsError for truncated or malformed files and
// sizes beyond TDIBX's limits, leaving `out` as it was.
void DecodeBitmap(std::span<const uint8_t> bytes, TDIBX& out, std::vector<uint8_t>* alpha = nullptr,
                  size_t max_bytes = TDIBX::kMaxBytes);

// Bitmaps as straight-alpha pictures, for cursors and icons. Stricter than
// DecodeBitmap: no OS/2 headers, no run-length coding, sides up to
// max_side, at most 256 colour-table entries, every row whole; 16- and
// 32-bit channels under their masks are widened with the fraction cut off.
// Damaged or refused input throws EGraphicsError with the reason.
//
// A bitmap file ("BM" header). An alpha byte that is zero everywhere is
// padding: the picture is then opaque.
ArgbPicture DecodeBitmapArgb(std::span<const uint8_t> bytes, int max_side);
// The headerless bitmap of an icon or cursor entry: an info header whose
// height counts the colour rows and the one-bit mask below them, the
// colours, then the mask (set bits see-through; a set bit over a coloured
// pixel would invert the screen and shows black). A picture with any alpha
// ignores the mask.
ArgbPicture DecodeIconBitmap(std::span<const uint8_t> dib, int max_side);

// The surface as a bottom-up 24-bit bitmap file.
std::vector<uint8_t> EncodeBitmap24(const TCustomDIBX& surface);

// Resizes `dest` to the image's size (keeping its bit count) and converts
// every pixel: colour formats by their channels, surfaces of 8 bits and
// fewer to the nearest entry of their own colour table.
void ConvertInto(const ConstPixelView& image, TCustomDIBX& dest);

}  // namespace vesk::graphics
