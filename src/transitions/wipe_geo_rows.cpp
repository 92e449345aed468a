// Each loop is built twice, for AVX2 and for the baseline processor; the
// loader picks the clone the machine can run (as the surfaces' kernels do).
#include "transitions/wipe_geo_rows.h"

#include "transitions/wipe_geo_support.h"

namespace vesk::transitions::geo {

namespace {

using graphics::detail::Fmt15;
using graphics::detail::Fmt16;
using graphics::detail::Fmt32;

template <class F>
inline void Spot(typename F::Word* d, const typename F::Word* from, const typename F::Word* to,
                 const uint16_t* dist, int n, int32_t b) {
  for (int x = 0; x < n; ++x) {
    const int32_t e = b - int32_t(dist[x]);
    const int32_t level = std::clamp(std::min(e, 511 - e), 0, 255);
    // Both loaded, so the choice is a select the loop can vectorise.
    const auto old_px = from[x], new_px = to[x];
    d[x] = AddGrey<F>(e < 256 ? old_px : new_px, GreyOf<F>(uint32_t(level)));
  }
}

template <class F>
inline void Grey(typename F::Word* d, const typename F::Word* s, int n, uint32_t grey,
                 bool darken) {
  const auto g = GreyOf<F>(grey);
  if (darken) {
    for (int x = 0; x < n; ++x) d[x] = SubGrey<F>(s[x], g);
  } else {
    for (int x = 0; x < n; ++x) d[x] = AddGrey<F>(s[x], g);
  }
}

}  // namespace

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define VESK_GEO_ROW_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define VESK_GEO_ROW_CLONES
#endif

VESK_GEO_ROW_CLONES void SpotRow32(uint32_t* d, const uint32_t* from, const uint32_t* to,
                                   const uint16_t* dist, int n, int32_t b) {
  Spot<Fmt32>(d, from, to, dist, n, b);
}
VESK_GEO_ROW_CLONES void SpotRow16(uint16_t* d, const uint16_t* from, const uint16_t* to,
                                   const uint16_t* dist, int n, int32_t b) {
  Spot<Fmt16>(d, from, to, dist, n, b);
}
VESK_GEO_ROW_CLONES void SpotRow15(uint16_t* d, const uint16_t* from, const uint16_t* to,
                                   const uint16_t* dist, int n, int32_t b) {
  Spot<Fmt15>(d, from, to, dist, n, b);
}

VESK_GEO_ROW_CLONES void GreyRow32(uint32_t* d, const uint32_t* s, int n, uint32_t grey,
                                   bool darken) {
  Grey<Fmt32>(d, s, n, grey, darken);
}
VESK_GEO_ROW_CLONES void GreyRow16(uint16_t* d, const uint16_t* s, int n, uint32_t grey,
                                   bool darken) {
  Grey<Fmt16>(d, s, n, grey, darken);
}
VESK_GEO_ROW_CLONES void GreyRow15(uint16_t* d, const uint16_t* s, int n, uint32_t grey,
                                   bool darken) {
  Grey<Fmt15>(d, s, n, grey, darken);
}

}  // namespace vesk::transitions::geo
