#pragma once
// Pixel loops of the layered-image reader: composing layers onto a frame
// and converting decoded pictures between bit counts. Internal to the
// graphics library.
#include <cstdint>

#include "graphics/dibsfc.h"

namespace vesk::graphics::orlo_detail {

// The bits of a native value that carry colour (32-bit pixels have a top
// byte that is not part of the picture).
constexpr uint32_t ValueMask(int bit_count) {
  switch (bit_count) {
    case 1:
      return 0x1;
    case 4:
      return 0xF;
    case 8:
      return 0xFF;
    case 15:
    case 16:
      return 0xFFFF;
    default:
      return 0xFFFFFF;
  }
}

// All take a frame and a layer of the same size and bit count.
void CopyPixels(TDIBX& frame, const TDIBX& layer);
// Copies every layer pixel other than `key` (-1: every pixel).
void ComposeKeyed(TDIBX& frame, const TDIBX& layer, int32_t key);
// Mask m: 0 keeps the frame, 255 copies, else (frame*(255-m) + layer*m) >> 8
// per channel; paletted frames copy where m >= 128.
void ComposeMask(TDIBX& frame, const TDIBX& layer, const TDIBX& mask);
// Blend with opacity 1..254 skipping `key` pixels; paletted frames draw an
// ordered 4 x 4 pattern of opacity / 16.
void ComposeOpacity(TDIBX& frame, const TDIBX& layer, int32_t key, int opacity);

// Converts rows of `src` into `dst` of the same size, colours by channels
// (5/6-bit channels widened with their high bits repeated, narrowed by
// truncation); paletted sources through their colour table. Destinations
// of 8 bits and fewer are not handled here.
void ConvertRows(const ConstPixelView& src, const PixelView& dst);

}  // namespace vesk::graphics::orlo_detail
