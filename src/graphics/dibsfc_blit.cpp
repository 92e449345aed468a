// Copies at 1:1 scale: opaque, alpha, additive, through masks, solid colour
// through a mask, and the palette-driven copies.
#include <cstdlib>
#include <cstring>
#include <optional>

#include "graphics/dibsfc.h"
#include "graphics/dibsfc_draw.h"

namespace vesk::graphics {

using namespace detail;

namespace detail {

StableView::StableView(const ConstPixelView& src, const PixelView& dst) : view_(src) {
  if (src.empty() || src.origin != dst.origin) return;
  const size_t bytes = size_t(std::abs(src.stride_bytes)) * size_t(src.height_px);
  const uint8_t* first = src.stride_bytes < 0 ? src.Row(src.height_px - 1) : src.origin;
  copy_.assign(first, first + bytes);
  view_.origin = src.stride_bytes < 0 ? copy_.data() + bytes + src.stride_bytes : copy_.data();
}

SourceViews::SourceViews(const TCustomDIBX& source, const TCustomDIBX* mask, const PixelView& dst)
    : src(source.View(), dst) {
  if (src.view().empty()) return;
  limit = ViewBounds(src.view());
  if (mask) {
    mask_view.emplace(mask->View(), dst);
    if (!UsableMask(mask_view->view())) return;
    limit = limit.Intersect(ViewBounds(mask_view->view()));
  }
  ok = true;
}

namespace {

// An opaque copy between surfaces of one format whose drawn rows are whole
// and equally spaced is one block of memory.
bool CopyAsOneBlock(const PixelView& dst, const ConstPixelView& src, const CopyPlan& p,
                    const RuleParams& rp) {
  if (rp.rule != Rule::kCopy || rp.use_key || src.bit_count != dst.bit_count || p.step_x != 1 ||
      p.step_y != 1 || p.dst_x != 0 || p.src_x != 0 || p.width != dst.width_px ||
      p.width != src.width_px || dst.stride_bytes != src.stride_bytes || dst.stride_bytes <= 0) {
    return false;
  }
  const size_t row_bytes =
      (size_t(p.width) * size_t(dst.bit_count == 15 ? 16 : dst.bit_count) + 7) / 8;
  if (row_bytes != size_t(dst.stride_bytes)) return false;
  std::memcpy(dst.Row(p.dst_y), src.Row(p.src_y), row_bytes * size_t(p.height));
  return true;
}

}  // namespace

void BlitRows(const PixelView& dst, const ConstPixelView& src, const ConstPixelView* mask,
              const CopyPlan& p, RuleParams rp, int32_t src_key) {
  if (CopyAsOneBlock(dst, src, p, rp)) return;
  WithFormat(dst.bit_count, [&](auto f) {
    using F = decltype(f);
    SourceRow<F> rows(src);
    if (rp.use_key) rp.use_key = rows.Key(src_key, rp.key);
    std::optional<MaskRow> masks;
    if (mask) masks.emplace(*mask);
    for (int j = 0; j < p.height; ++j) {
      const int sy = p.src_y + j * p.step_y;
      const auto* s = rows.Linear(p.src_x, sy, p.step_x, p.width);
      const uint8_t* m = masks ? masks->Linear(p.src_x, sy, p.step_x, p.width) : nullptr;
      ApplyRow<F>(MakeRow<F>(dst, p.dst_x, p.dst_y + j), s, m, p.width, rp);
    }
  });
}

}  // namespace detail

namespace {

// A copy of `source` onto `dest` by one rule; the mask, when given, must be
// 8-bit and is read at the source's coordinates.
void CopyWithRule(TCustomDIBX& dest, int x, int y, const TCustomDIBX& source, const Rect& src_rect,
                  Flip flip, const TCustomDIBX* mask, const RuleParams& rp) {
  const PixelView dst = dest.View();
  const SourceViews views(source, mask, dst);
  if (dst.empty() || !views.ok) return;
  const StableView& src = views.src;
  const std::optional<StableView>& mask_view = views.mask_view;
  const Rect limit = views.limit;
  const Rect drawable = dest.ClipRect().Intersect(dest.BoundsRect());
  CopyPlan plan;
  if (!PlanCopy(drawable, x, y, src_rect, flip, limit, plan)) return;
  BlitRows(dst, src.view(), mask_view ? &mask_view->view() : nullptr, plan, rp, source.ColorKey());
}

RuleParams MakeRule(Rule rule, int amount, bool use_key) {
  RuleParams rp;
  rp.rule = rule;
  rp.amount = uint32_t(amount);
  rp.use_key = use_key;
  return rp;
}

}  // namespace

void TCustomDIBX::Draw(int x, int y, const TCustomDIBX& source, const Rect& src_rect, KeyMode key,
                       Flip flip) {
  CopyWithRule(*this, x, y, source, src_rect, flip, nullptr,
               MakeRule(Rule::kCopy, 255, key == KeyMode::kUse));
}

void TCustomDIBX::DrawAlpha(int x, int y, const TCustomDIBX& source, const Rect& src_rect,
                            KeyMode key, Flip flip, int alpha) {
  alpha = ClampAmount(alpha);
  if (alpha == 0) return;
  CopyWithRule(*this, x, y, source, src_rect, flip, nullptr,
               MakeRule(Rule::kAlpha, alpha, key == KeyMode::kUse));
}

void TCustomDIBX::DrawAdd(int x, int y, const TCustomDIBX& source, const Rect& src_rect, KeyMode,
                          Flip flip, int level) {
  level = ClampAmount(level);
  if (level == 0) return;
  CopyWithRule(*this, x, y, source, src_rect, flip, nullptr, MakeRule(Rule::kAdd, level, true));
}

void TCustomDIBX::DrawMask(int x, int y, const TCustomDIBX& source, const Rect& src_rect, Flip flip,
                           const TCustomDIBX& mask) {
  // Level 256 makes the weight the mask value itself.
  CopyWithRule(*this, x, y, source, src_rect, flip, &mask, MakeRule(Rule::kMaskAlpha, 256, false));
}

void TCustomDIBX::DrawMaskAlpha(int x, int y, const TCustomDIBX& source, const Rect& src_rect,
                                Flip flip, const TCustomDIBX& mask, int alpha) {
  alpha = ClampAmount(alpha);
  if (alpha == 0) return;
  CopyWithRule(*this, x, y, source, src_rect, flip, &mask,
               MakeRule(Rule::kMaskAlpha, alpha, false));
}

void TCustomDIBX::DrawMaskAdd(int x, int y, const TCustomDIBX& source, const Rect& src_rect,
                              Flip flip, const TCustomDIBX& mask, int level) {
  level = ClampAmount(level);
  if (level == 0) return;
  CopyWithRule(*this, x, y, source, src_rect, flip, &mask, MakeRule(Rule::kMaskAdd, level, false));
}

void TCustomDIBX::DrawColorMask(int x, int y, const TCustomDIBX& mask, const Rect& src_rect,
                                Flip flip, uint32_t value, int alpha) {
  alpha = ClampAmount(alpha);
  if (alpha == 0) return;
  const PixelView dst = View();
  const StableView m(mask.View(), dst);
  const ConstPixelView& mv = m.view();
  if (dst.empty() || !UsableMask(mv)) return;
  if (src_rect.left < 0 || src_rect.top < 0 || src_rect.right > mv.width_px ||
      src_rect.bottom > mv.height_px) {
    return;
  }
  CopyPlan p;
  if (!PlanCopy(DrawableRect(), x, y, src_rect, flip, ViewBounds(mv), p)) return;
  WithFormat(dst.bit_count, [&](auto f) {
    using F = decltype(f);
    MaskRow masks(mv);
    for (int j = 0; j < p.height; ++j) {
      const uint8_t* mrow = masks.Linear(p.src_x, p.src_y + j * p.step_y, p.step_x, p.width);
      ColorMaskRow<F>(MakeRow<F>(dst, p.dst_x, p.dst_y + j), typename F::Word(value), mrow, p.width,
                      uint32_t(alpha));
    }
  });
}

// --- palette-driven copies --------------------------------------------------------

namespace {

template <class F>
bool IsWhite(typename F::Word d) {
  constexpr uint32_t all = AllChannels<F>();
  return (uint32_t(d) & all) == all;
}

// One row of DrawNibbles: indices are source nibbles, colours native values.
template <class F>
void NibbleRow(RowOf<F> d, const uint8_t* idx, int n, int32_t key, int blend,
               const std::array<uint32_t, 16>& palette) {
  using W = typename F::Word;
  const uint32_t level = uint32_t(blend & 0xFF);
  for (int i = 0; i < n; ++i) {
    if (int32_t(idx[i]) == key) continue;
    const W c = W(palette[idx[i]]);
    const W dv = d.Load(i);
    if (blend == 255) {
      d.Store(i, c);
    } else if (blend > 255) {
      if (c != 0 && !IsWhite<F>(dv)) d.Store(i, DrawAddPixel<F>(c, dv, level));
    } else if (c != dv) {
      d.Store(i, BlendPixel<F>(c, dv, uint32_t(blend)));
    }
  }
}

// Raw indices of a 4- or 8-bit source along a planned row.
void IndexRow(const ConstPixelView& src, const CopyPlan& p, int j, std::vector<uint8_t>& out) {
  out.resize(size_t(p.width));
  const uint8_t* row = src.Row(p.src_y + j * p.step_y);
  for (int i = 0; i < p.width; ++i) {
    out[size_t(i)] = uint8_t(LoadNative(row, p.src_x + i * p.step_x, src.bit_count));
  }
}

}  // namespace

void TCustomDIBX::DrawNibbles(int x, int y, const TCustomDIBX& source, const Rect& src_rect,
                              Flip flip, int blend, const std::array<uint32_t, 16>& palette) {
  if (blend <= 0) return;
  const PixelView dst = View();
  const StableView src(source.View(), dst);
  if (dst.empty() || src.view().empty() || src.view().bit_count != 4) return;
  CopyPlan p;
  if (!PlanCopy(DrawableRect(), x, y, src_rect, flip, ViewBounds(src.view()), p)) return;
  std::vector<uint8_t> idx;
  WithFormat(dst.bit_count, [&](auto f) {
    using F = decltype(f);
    for (int j = 0; j < p.height; ++j) {
      IndexRow(src.view(), p, j, idx);
      NibbleRow<F>(MakeRow<F>(dst, p.dst_x, p.dst_y + j), idx.data(), p.width, source.ColorKey(),
                   blend, palette);
    }
  });
}

void TCustomDIBX::DrawIndexedAdd(int x, int y, const TCustomDIBX& source, const Rect& src_rect,
                                 int threshold, Flip flip, int level,
                                 const std::array<uint32_t, 256>& palette) {
  level = ClampAmount(level);
  if (level == 0) return;
  const PixelView dst = View();
  const StableView src(source.View(), dst);
  if (dst.empty() || src.view().empty() || src.view().bit_count != 8) return;
  CopyPlan p;
  if (!PlanCopy(DrawableRect(), x, y, src_rect, flip, ViewBounds(src.view()), p)) return;
  const RuleParams rp = MakeRule(Rule::kAdd, level, false);
  std::vector<uint8_t> idx;
  WithFormat(dst.bit_count, [&](auto f) {
    using F = decltype(f);
    using W = typename F::Word;
    // Indices below the threshold add nothing: their colour is taken as 0.
    std::vector<W> colours(size_t(p.width));
    for (int j = 0; j < p.height; ++j) {
      IndexRow(src.view(), p, j, idx);
      for (int i = 0; i < p.width; ++i) {
        colours[size_t(i)] = idx[size_t(i)] < threshold ? W(0) : W(palette[idx[size_t(i)]]);
      }
      ApplyRow<F>(MakeRow<F>(dst, p.dst_x, p.dst_y + j), colours.data(), nullptr, p.width, rp);
    }
  });
}

}  // namespace vesk::graphics
