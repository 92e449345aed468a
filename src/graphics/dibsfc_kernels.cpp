// The row loops every frame spends its time in. They are plain loops the
// compiler vectorises; each is built twice, for AVX2 and for the baseline
// processor, and the loader picks the clone the machine can run.
#include "graphics/dibsfc_kernels.h"

namespace vesk::graphics::detail {

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define VESK_ROW_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define VESK_ROW_CLONES
#endif

VESK_ROW_CLONES void AlphaRow32(uint32_t* d, const uint32_t* s, int n, uint32_t a) {
  AlphaRow<Fmt32, false>(DirectRow<Fmt32>{d}, s, n, a, 0);
}
VESK_ROW_CLONES void AlphaRow16(uint16_t* d, const uint16_t* s, int n, uint32_t a) {
  AlphaRow<Fmt16, false>(DirectRow<Fmt16>{d}, s, n, a, 0);
}
VESK_ROW_CLONES void AlphaRow15(uint16_t* d, const uint16_t* s, int n, uint32_t a) {
  AlphaRow<Fmt15, false>(DirectRow<Fmt15>{d}, s, n, a, 0);
}
// Without a key the 32-bit additive rule is the same on every byte (the top
// bytes are 0 and stay 0), so it runs over bytes in 16-bit lanes.
VESK_ROW_CLONES void AddRow32(uint32_t* d, const uint32_t* s, int n, uint32_t level) {
  uint8_t* db = reinterpret_cast<uint8_t*>(d);
  const uint8_t* sb = reinterpret_cast<const uint8_t*>(s);
  const uint16_t w = uint16_t(level);
  for (int i = 0; i < 4 * n; ++i) {
    const uint16_t sum = uint16_t(db[i] + uint16_t(uint16_t(sb[i] * w) >> 8));
    db[i] = uint8_t(std::min<uint16_t>(sum, 255));
  }
}
VESK_ROW_CLONES void AddRow16(uint16_t* d, const uint16_t* s, int n, uint32_t level) {
  AddRow<Fmt16, false>(DirectRow<Fmt16>{d}, s, n, level, 0);
}
VESK_ROW_CLONES void AddRow15(uint16_t* d, const uint16_t* s, int n, uint32_t level) {
  AddRow<Fmt15, false>(DirectRow<Fmt15>{d}, s, n, level, 0);
}
VESK_ROW_CLONES void MaskAlphaRow32(uint32_t* d, const uint32_t* s, const uint8_t* m, int n,
                                    uint32_t level) {
  MaskAlphaRow<Fmt32>(DirectRow<Fmt32>{d}, s, m, n, level);
}
VESK_ROW_CLONES void MaskAlphaRow16(uint16_t* d, const uint16_t* s, const uint8_t* m, int n,
                                    uint32_t level) {
  MaskAlphaRow<Fmt16>(DirectRow<Fmt16>{d}, s, m, n, level);
}
VESK_ROW_CLONES void MaskAlphaRow15(uint16_t* d, const uint16_t* s, const uint8_t* m, int n,
                                    uint32_t level) {
  MaskAlphaRow<Fmt15>(DirectRow<Fmt15>{d}, s, m, n, level);
}
VESK_ROW_CLONES void MaskAddRow32(uint32_t* d, const uint32_t* s, const uint8_t* m, int n,
                                  uint32_t level) {
  MaskAddRow<Fmt32>(DirectRow<Fmt32>{d}, s, m, n, level);
}
VESK_ROW_CLONES void MaskAddRow16(uint16_t* d, const uint16_t* s, const uint8_t* m, int n,
                                  uint32_t level) {
  MaskAddRow<Fmt16>(DirectRow<Fmt16>{d}, s, m, n, level);
}
VESK_ROW_CLONES void MaskAddRow15(uint16_t* d, const uint16_t* s, const uint8_t* m, int n,
                                  uint32_t level) {
  MaskAddRow<Fmt15>(DirectRow<Fmt15>{d}, s, m, n, level);
}

namespace {

// One axis of PlanCopy: source span [lo, hi) placed at `at`, limited to
// [limit_lo, limit_hi) of the source and [clip_lo, clip_hi) of the
// destination.
bool PlanAxis(int64_t at, int64_t lo, int64_t hi, bool flip, int64_t limit_lo, int64_t limit_hi,
              int64_t clip_lo, int64_t clip_hi, int& dst, int& len, int& src, int& step) {
  const int64_t s_lo = std::max(lo, limit_lo), s_hi = std::min(hi, limit_hi);
  if (s_lo >= s_hi) return false;
  int64_t d_lo = flip ? at + (hi - s_hi) : at + (s_lo - lo);
  int64_t d_hi = flip ? at + (hi - s_lo) : at + (s_hi - lo);
  d_lo = std::max(d_lo, clip_lo);
  d_hi = std::min(d_hi, clip_hi);
  if (d_lo >= d_hi) return false;
  dst = int(d_lo);
  len = int(d_hi - d_lo);
  src = int(flip ? hi - 1 - (d_lo - at) : lo + (d_lo - at));
  step = flip ? -1 : 1;
  return true;
}

}  // namespace

bool PlanCopy(const Rect& drawable, int x, int y, const Rect& src_rect, Flip flip,
              const Rect& src_limit, CopyPlan& out) {
  if (src_rect.IsEmpty() || drawable.IsEmpty()) return false;
  return PlanAxis(x, src_rect.left, src_rect.right, FlipsH(flip), src_limit.left, src_limit.right,
                  drawable.left, drawable.right, out.dst_x, out.width, out.src_x, out.step_x) &&
         PlanAxis(y, src_rect.top, src_rect.bottom, FlipsV(flip), src_limit.top, src_limit.bottom,
                  drawable.top, drawable.bottom, out.dst_y, out.height, out.src_y, out.step_y);
}

}  // namespace vesk::graphics::detail
