// Supersampled glyphs: text is rendered at `factor` times the final size and
// reduced here, each destination pixel taking the samples of its
// factor x factor block.
#include <climits>

#include "graphics/dibsfc.h"
#include "graphics/dibsfc_draw.h"

namespace vesk::graphics {

using namespace detail;

namespace {

constexpr int kMaxFactor = 16;

// Destination placement of a reduced source: plan.src_x/src_y are block
// indices. Only blocks lying wholly inside the source are drawn.
bool PlanBlocks(const Rect& drawable, int x, int y, const Rect& src_rect, Flip flip,
                const ConstPixelView& src, int factor, CopyPlan& plan) {
  if (src_rect.IsEmpty()) return false;
  const int64_t bw = std::min<int64_t>(src_rect.Width() / factor, INT32_MAX);
  const int64_t bh = std::min<int64_t>(src_rect.Height() / factor, INT32_MAX);
  // Block b spans source [lo + b*factor, lo + (b+1)*factor).
  auto first_inside = [&](int64_t lo) { return lo >= 0 ? 0 : (-lo + factor - 1) / factor; };
  auto end_inside = [&](int64_t lo, int64_t size) {
    return size - lo < 0 ? int64_t(0) : (size - lo) / factor;
  };
  const Rect blocks{0, 0, int32_t(bw), int32_t(bh)};
  const Rect limit{int32_t(std::min(first_inside(src_rect.left), bw)),
                   int32_t(std::min(first_inside(src_rect.top), bh)),
                   int32_t(std::min(end_inside(src_rect.left, src.width_px), bw)),
                   int32_t(std::min(end_inside(src_rect.top, src.height_px), bh))};
  return PlanCopy(drawable, x, y, blocks, flip, limit, plan);
}

// factor x factor samples of a 1- or 4-bit source, counted per class (the
// two low bits of a 4-bit sample; for 1 bit: 0 = ink, 1 = paper).
void CountBlock(const ConstPixelView& src, int sx, int sy, int factor, int counts[4]) {
  counts[0] = counts[1] = counts[2] = counts[3] = 0;
  for (int j = 0; j < factor; ++j) {
    const uint8_t* row = src.Row(sy + j);
    for (int i = 0; i < factor; ++i) ++counts[LoadNative(row, sx + i, src.bit_count) & 3];
  }
}

// (v*c + d*(n - c)) / n per channel.
template <class F>
typename F::Word Mix(typename F::Word v, typename F::Word d, uint32_t c, uint32_t n) {
  uint32_t out = 0;
  for (int k = 0; k < F::kChannels; ++k) {
    const uint32_t vc = (uint32_t(v) >> F::kShift[k]) & F::kMax[k];
    const uint32_t dc = (uint32_t(d) >> F::kShift[k]) & F::kMax[k];
    out |= ((vc * c + dc * (n - c)) / n) << F::kShift[k];
  }
  return typename F::Word(out);
}

// Three colours with weights over the destination; `add` keeps the
// destination's full weight and saturates.
template <class F>
typename F::Word Mix3(const std::array<uint32_t, 3>& v, const uint32_t w[3], typename F::Word d,
                      uint32_t total, bool add) {
  uint32_t out = 0;
  const uint32_t dw = add ? total : total - w[0] - w[1] - w[2];
  for (int k = 0; k < F::kChannels; ++k) {
    uint32_t sum = ((uint32_t(d) >> F::kShift[k]) & F::kMax[k]) * dw;
    for (int i = 0; i < 3; ++i) sum += ((v[i] >> F::kShift[k]) & F::kMax[k]) * w[i];
    out |= std::min(F::kMax[k], sum / total) << F::kShift[k];
  }
  return typename F::Word(out);
}

}  // namespace

void TCustomDIBX::DrawCoverage(int x, int y, const TCustomDIBX& source, const Rect& src_rect,
                               uint32_t value, Flip flip, int alpha, int factor) {
  alpha = ClampAmount(alpha);
  if (alpha == 0 || factor < 1 || factor > kMaxFactor) return;
  const PixelView dst = View();
  const StableView src(source.View(), dst);
  const ConstPixelView& sv = src.view();
  if (dst.empty() || sv.empty() || sv.bit_count != 1) return;
  CopyPlan p;
  if (!PlanBlocks(DrawableRect(), x, y, src_rect, flip, sv, factor, p)) return;
  const uint32_t n = uint32_t(factor * factor);
  WithFormat(dst.bit_count, [&](auto f) {
    using F = decltype(f);
    using W = typename F::Word;
    int counts[4];
    for (int j = 0; j < p.height; ++j) {
      const int sy = src_rect.top + (p.src_y + j * p.step_y) * factor;
      const auto row = MakeRow<F>(dst, p.dst_x, p.dst_y + j);
      for (int i = 0; i < p.width; ++i) {
        CountBlock(sv, src_rect.left + (p.src_x + i * p.step_x) * factor, sy, factor, counts);
        uint32_t ink = uint32_t(counts[0]);
        if (alpha < 255) ink = (uint32_t(alpha) * ink) >> 8;
        if (ink == 0) continue;
        row.Store(i, Mix<F>(W(value), row.Load(i), ink, n));
      }
    }
  });
}

void TCustomDIBX::DrawCoverage3(int x, int y, const TCustomDIBX& source, const Rect& src_rect,
                                const std::array<uint32_t, 3>& values, Flip flip, int blend,
                                int factor) {
  if (blend <= 0 || factor < 1 || factor > kMaxFactor) return;
  const bool add = blend > 255;
  const uint32_t level = uint32_t(blend & 0xFF);
  if (!add && blend != 255 && level == 0) return;
  const PixelView dst = View();
  const StableView src(source.View(), dst);
  const ConstPixelView& sv = src.view();
  if (dst.empty() || sv.empty() || sv.bit_count != 4) return;
  CopyPlan p;
  if (!PlanBlocks(DrawableRect(), x, y, src_rect, flip, sv, factor, p)) return;
  const int n = factor * factor;
  const uint32_t total = uint32_t(n) * 256;
  WithFormat(dst.bit_count, [&](auto f) {
    using F = decltype(f);
    using W = typename F::Word;
    int c[4];
    for (int j = 0; j < p.height; ++j) {
      const int sy = src_rect.top + (p.src_y + j * p.step_y) * factor;
      const auto row = MakeRow<F>(dst, p.dst_x, p.dst_y + j);
      for (int i = 0; i < p.width; ++i) {
        CountBlock(sv, src_rect.left + (p.src_x + i * p.step_x) * factor, sy, factor, c);
        if (c[0] == n) continue;
        if (blend == 255 && (c[1] == n || c[2] == n)) {
          row.Store(i, W(values[c[1] == n ? 0 : 1]));
          continue;
        }
        const uint32_t scale = blend == 255 ? 256 : level;
        const uint32_t w[3] = {scale * uint32_t(c[1]), scale * uint32_t(c[2]),
                               scale * uint32_t(c[3])};
        row.Store(i, Mix3<F>(values, w, row.Load(i), total, add));
      }
    }
  });
}

}  // namespace vesk::graphics
