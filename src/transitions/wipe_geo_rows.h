#pragma once
// The row loops of the geometric effects that run over every pixel of a
// frame, built for the vector units the machine has. Internal to the
// transitions library.
#include <cstdint>

namespace vesk::transitions::geo {

// The spot ring over a run of one picture: per pixel e = b - dist, the
// picture brightened by min(e, 511 - e) cut to 0..255.
void BrightenRow32(uint32_t* d, const uint32_t* s, const uint16_t* dist, int n, int32_t b);
void BrightenRow16(uint16_t* d, const uint16_t* s, const uint16_t* dist, int n, int32_t b);
void BrightenRow15(uint16_t* d, const uint16_t* s, const uint16_t* dist, int n, int32_t b);

// d = s plus (darken: minus) the grey of level `grey`, per channel with
// saturation.
void GreyRow32(uint32_t* d, const uint32_t* s, int n, uint32_t grey, bool darken);
void GreyRow16(uint16_t* d, const uint16_t* s, int n, uint32_t grey, bool darken);
void GreyRow15(uint16_t* d, const uint16_t* s, int n, uint32_t grey, bool darken);

// d = over blended onto base with alpha 1..254 (the DrawAlpha rule: equal
// pixels stay), in one pass over both.
void BlendRow32(uint32_t* d, const uint32_t* base, const uint32_t* over, int n, uint32_t alpha);
void BlendRow16(uint16_t* d, const uint16_t* base, const uint16_t* over, int n, uint32_t alpha);
void BlendRow15(uint16_t* d, const uint16_t* base, const uint16_t* over, int n, uint32_t alpha);

}  // namespace vesk::transitions::geo
