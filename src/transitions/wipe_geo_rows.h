#pragma once
// The row loops of the geometric effects that run over every pixel of a
// frame, built for the vector units the machine has. Internal to the
// transitions library.
#include <cstdint>

namespace vesk::transitions::geo {

// The spot ring over one row: per pixel e = b - dist, the old picture
// (e < 256) or the new one brightened by min(e, 511 - e) cut to 0..255.
void SpotRow32(uint32_t* d, const uint32_t* from, const uint32_t* to, const uint16_t* dist, int n,
               int32_t b);
void SpotRow16(uint16_t* d, const uint16_t* from, const uint16_t* to, const uint16_t* dist, int n,
               int32_t b);
void SpotRow15(uint16_t* d, const uint16_t* from, const uint16_t* to, const uint16_t* dist, int n,
               int32_t b);

// d = s plus (darken: minus) the grey of level `grey`, per channel with
// saturation.
void GreyRow32(uint32_t* d, const uint32_t* s, int n, uint32_t grey, bool darken);
void GreyRow16(uint16_t* d, const uint16_t* s, int n, uint32_t grey, bool darken);
void GreyRow15(uint16_t* d, const uint16_t* s, int n, uint32_t grey, bool darken);

}  // namespace vesk::transitions::geo
