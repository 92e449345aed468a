#pragma once
// The per-pixel loops of the effects that work on raw rows: mask
// composition and adding or subtracting greys. The working formats (15, 16
// and 32 bits) have vectorised rows; every other format goes through the
// generic pixel accessors.
#include <cstdint>

#include "graphics/dibsfc.h"

namespace vesk::transitions {

// How each pixel is chosen from the mask value m.
enum class MaskRule : uint8_t {
  kBlend,     // m = 0 from, m = 255 to, else ((m*to + (255-m)*from) >> 8)
  kTwoLevel,  // m != 0 to, else from
};

// Row y of dest from rows y of from and to, through n mask values.
void ComposeMaskRow(const graphics::PixelView& dest, const graphics::ConstPixelView& from,
                    const graphics::ConstPixelView& to, const uint8_t* mask, int y, int n,
                    MaskRule rule);

// Row y of dest = row y of source with the native grey value added (or
// subtracted), saturating per channel.
enum class GreyOp : uint8_t { kAdd, kSub };
void GreyRow(const graphics::PixelView& dest, const graphics::ConstPixelView& source, int y, int n,
             uint32_t grey, GreyOp op);

// Per pixel of row y with rule level g: L = clamp(u + g - 256, 0, 511);
// L <= 255: from with grey(L) added or subtracted, else to with
// grey(511 - L). greys[v] is grey(v) in the destination's format.
void RuleGreyRow(const graphics::PixelView& dest, const graphics::ConstPixelView& from,
                 const graphics::ConstPixelView& to, const uint8_t* levels, int y, int n, int32_t u,
                 const uint32_t* greys, GreyOp op);

}  // namespace vesk::transitions
