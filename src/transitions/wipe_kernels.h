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

// Columns x0 .. x0 + n - 1 of row y of dest from the same pixels of from
// and to, through the mask row (indexed by column).
void ComposeMaskRow(const graphics::PixelView& dest, const graphics::ConstPixelView& from,
                    const graphics::ConstPixelView& to, const uint8_t* mask, int y, int x0, int n,
                    MaskRule rule);

// n pixels of row y from column x of dest = the alpha copy of to (from its
// pixel (to_x, to_y) on) over the same pixels of from; pixels equal in both
// stay as they are.
struct FadeSpan {
  int y = 0, x = 0, to_y = 0, to_x = 0, n = 0;
};
void AlphaSpan(const graphics::PixelView& dest, const graphics::ConstPixelView& from,
               const graphics::ConstPixelView& to, const FadeSpan& span, uint32_t alpha);

// Row y of dest = row y of source with the native grey value added (or
// subtracted), saturating per channel.
enum class GreyOp : uint8_t { kAdd, kSub };
void GreyRow(const graphics::PixelView& dest, const graphics::ConstPixelView& source, int y, int n,
             uint32_t grey, GreyOp op);

// Per pixel of columns x0 .. x0 + n - 1 of row y with rule level g (levels
// indexed by column): L = clamp(u + g - 256, 0, 511);
// L <= 255: from with grey(L) added or subtracted, else to with
// grey(511 - L). greys[v] is grey(v) in the destination's format;
// formula_greys tells that it holds what IsFormulaGreyTable checks, so the
// working formats may compute it instead of looking it up.
void RuleGreyRow(const graphics::PixelView& dest, const graphics::ConstPixelView& from,
                 const graphics::ConstPixelView& to, const uint8_t* levels, int y, int x0, int n,
                 int32_t u, const uint32_t* greys, bool formula_greys, GreyOp op);

// out[i] = clamp(levels[i] + offset, 0, 255) for n values (offset in
// -256 .. 256).
void RuleMaskRow(uint8_t* out, const uint8_t* levels, int n, int32_t offset);

// Whether greys[v] is the plain conversion of (v, v, v) for a working
// format (15, 16 or 32 bits).
bool IsFormulaGreyTable(const uint32_t* greys, int bit_count);

}  // namespace vesk::transitions
