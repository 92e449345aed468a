// Scaled drawing: stretches, stretched tiles, zoomed pattern fills and the
// copy into the presentation buffer. Sampling is nearest neighbour in 16.16
// fixed point; the source column of every destination column is computed
// once per call into a table as wide as the destination.
#include <cmath>
#include <optional>

#include "graphics/dibsfc.h"
#include "graphics/dibsfc_draw.h"

namespace vesk::graphics {

using namespace detail;

namespace {

// Source index of each destination pixel along one axis, for the pixels of
// [dest_lo, dest_hi) that survive the clip and map inside the source.
struct AxisMap {
  int first = 0;         // first destination pixel
  std::vector<int> src;  // source index per destination pixel from `first`
};

// One axis of a stretch of [src_lo, src_hi) onto [dest_lo, dest_hi): the
// clipped-off part advances the source start by clipped * step, its whole
// pixels moving the start and its fraction the sub-pixel offset; with a
// flip the walk runs from the far edge backwards.
bool StretchAxis(int dest_lo, int dest_hi, int clip_lo, int clip_hi, int src_lo, int src_hi,
                 bool flip, int limit_lo, int limit_hi, AxisMap& out) {
  const int64_t dest_len = int64_t(dest_hi) - dest_lo, src_len = int64_t(src_hi) - src_lo;
  if (dest_len <= 0 || src_len <= 0) return false;
  const int64_t lo = std::max<int64_t>(dest_lo, clip_lo), hi = std::min<int64_t>(dest_hi, clip_hi);
  if (lo >= hi) return false;
  // Extended precision, as the reals of the original design.
  const long double step = (long double)(src_len) / (long double)(dest_len);
  const int64_t step16 = int64_t(step * 65536.0L);
  const long double start = (long double)(lo - dest_lo) * step;
  const int64_t whole = int64_t(start);
  const int64_t frac16 = int64_t((start - (long double)(whole)) * 65536.0L);
  const int64_t pos =
      flip ? (src_hi - whole) * 65536 - frac16 - 1 : (src_lo + whole) * 65536 + frac16;
  const int64_t s_lo = std::max(src_lo, limit_lo), s_hi = std::min(src_hi, limit_hi);

  out.src.clear();
  out.first = -1;
  for (int64_t i = 0; i < hi - lo; ++i) {
    const int64_t p = flip ? pos - i * step16 : pos + i * step16;
    const int64_t s = p >> 16;
    if (s < s_lo || s >= s_hi) {
      if (out.first >= 0) break;  // the mapping is monotonic: nothing further
      continue;
    }
    if (out.first < 0) out.first = int(lo + i);
    out.src.push_back(int(s));
  }
  return !out.src.empty();
}

struct StretchPlan {
  AxisMap cols, rows;
};

bool PlanStretch(const Rect& drawable, const Rect& dest_rect, const Rect& src_rect, Flip flip,
                 const Rect& limit, StretchPlan& p) {
  return StretchAxis(dest_rect.left, dest_rect.right, drawable.left, drawable.right, src_rect.left,
                     src_rect.right, FlipsH(flip), limit.left, limit.right, p.cols) &&
         StretchAxis(dest_rect.top, dest_rect.bottom, drawable.top, drawable.bottom, src_rect.top,
                     src_rect.bottom, FlipsV(flip), limit.top, limit.bottom, p.rows);
}

// Source rows of a stretch (optionally replaced by a palette lookup) through
// one rule.
void StretchRows(TCustomDIBX& dest, const Rect& dest_rect, const TCustomDIBX& source,
                 const Rect& src_rect, Flip flip, const TCustomDIBX* mask, RuleParams rp,
                 const std::array<uint32_t, 256>* palette = nullptr, int threshold = 0) {
  const PixelView dst = dest.View();
  const SourceViews views(source, mask, dst);
  if (dst.empty() || !views.ok) return;
  const StableView& src = views.src;
  const std::optional<StableView>& mask_view = views.mask_view;
  if (palette && src.view().bit_count != 8) return;
  const Rect limit = views.limit;
  StretchPlan p;
  const Rect drawable = dest.ClipRect().Intersect(dest.BoundsRect());
  if (!PlanStretch(drawable, dest_rect, src_rect, flip, limit, p)) return;
  const int n = int(p.cols.src.size());
  const int* xs = p.cols.src.data();

  WithFormat(dst.bit_count, [&](auto f) {
    using F = decltype(f);
    using W = typename F::Word;
    SourceRow<F> rows(src.view());
    if (rp.use_key) rp.use_key = rows.Key(source.ColorKey(), rp.key);
    std::optional<MaskRow> masks;
    if (mask_view) masks.emplace(mask_view->view());
    std::vector<W> colours;
    for (size_t j = 0; j < p.rows.src.size(); ++j) {
      const int sy = p.rows.src[j];
      const W* s;
      if (palette) {
        colours.resize(size_t(n));
        const uint8_t* row = src.view().Row(sy);
        for (int i = 0; i < n; ++i) {
          const uint8_t idx = row[xs[i]];
          colours[size_t(i)] = idx < threshold ? W(0) : W((*palette)[idx]);
        }
        s = colours.data();
      } else {
        s = rows.Gather(xs, sy, n);
      }
      const uint8_t* m = masks ? masks->Gather(xs, sy, n) : nullptr;
      ApplyRow<F>(MakeRow<F>(dst, p.cols.first, p.rows.first + int(j)), s, m, n, rp);
    }
  });
}

RuleParams AddRule(int level, bool masked) {
  RuleParams rp;
  rp.rule = masked ? Rule::kMaskAdd : Rule::kAdd;
  rp.amount = uint32_t(level);
  rp.use_key = !masked;
  return rp;
}

RuleParams MaskAlphaRule(int alpha) {
  RuleParams rp;
  rp.rule = Rule::kMaskAlpha;
  rp.amount = uint32_t(alpha);
  return rp;
}

// Cells of TileStretch along one axis: start of the first cell and the
// pitch, both 16.16.
// Pitches and tiles beyond any surface are cut to a size that keeps the
// 16.16 arithmetic in range; they draw the same.
constexpr double kMaxCellPx = double(1 << 20);

// Cells overlap when the pitch is below the tile size; a pitch far below it
// (a cell size of 0 with a large zoom) would mean millions of overlapping
// stretches per row, so the pitch is raised to keep at most kMaxCells cells
// across the span they can touch. Ordinary layouts never reach the limit.
constexpr double kMaxCells = 1024;

void CellAxis(int dest_lo, double pitch, int offset, double span, int64_t& start16,
              int64_t& pitch16) {
  pitch = std::clamp(pitch, std::max(1.0, span / kMaxCells), kMaxCellPx);
  double rem = std::fmod(double(offset), pitch);
  if (rem < 0) rem += pitch;
  start16 = std::llround((double(dest_lo) - rem) * 65536.0);
  pitch16 = std::max<int64_t>(65536, std::llround(pitch * 65536.0));
}

int TileSize(int zoom, int64_t size) {
  return int(std::clamp(std::trunc(zoom * double(size) / 256), 1.0, kMaxCellPx));
}

}  // namespace

void TCustomDIBX::StretchAlpha(const Rect& dest_rect, const TCustomDIBX& source,
                               const Rect& src_rect, KeyMode key, Flip flip, int alpha) {
  alpha = ClampAmount(alpha);
  if (alpha == 0) return;
  StretchRows(*this, dest_rect, source, src_rect, flip, nullptr, AlphaOrCopy(alpha, key));
}

void TCustomDIBX::StretchMaskAlpha(const Rect& dest_rect, const TCustomDIBX& source,
                                   const Rect& src_rect, Flip flip, const TCustomDIBX& mask,
                                   int alpha) {
  alpha = ClampAmount(alpha);
  if (alpha == 0) return;
  StretchRows(*this, dest_rect, source, src_rect, flip, &mask, MaskAlphaRule(alpha));
}

void TCustomDIBX::StretchAdd(const Rect& dest_rect, const TCustomDIBX& source, const Rect& src_rect,
                             KeyMode, Flip flip, int level) {
  level = ClampAmount(level);
  if (level == 0) return;
  StretchRows(*this, dest_rect, source, src_rect, flip, nullptr, AddRule(level, false));
}

void TCustomDIBX::StretchMaskAdd(const Rect& dest_rect, const TCustomDIBX& source,
                                 const Rect& src_rect, Flip flip, const TCustomDIBX& mask,
                                 int level) {
  level = ClampAmount(level);
  if (level == 0) return;
  StretchRows(*this, dest_rect, source, src_rect, flip, &mask, AddRule(level, true));
}

void TCustomDIBX::StretchIndexedAdd(const Rect& dest_rect, const TCustomDIBX& source,
                                    const Rect& src_rect, int threshold, Flip flip, int level,
                                    const std::array<uint32_t, 256>& palette) {
  level = ClampAmount(level);
  if (level == 0) return;
  RuleParams rp = AddRule(level, false);
  rp.use_key = false;
  StretchRows(*this, dest_rect, source, src_rect, flip, nullptr, rp, &palette, threshold);
}

// --- stretched tiles -----------------------------------------------------------

namespace {

void TileCells(TCustomDIBX& dest, const Rect& dest_rect, int cell_width, int cell_height,
               int zoom_x, int zoom_y, const Rect& src_rect, int offset_x, int offset_y,
               const std::function<void(const Rect&)>& draw_cell) {
  if (zoom_x <= 0 || zoom_y <= 0 || src_rect.IsEmpty()) return;
  // Kept inside the surface: the temporary clip rectangle must never have
  // right = 0, which would mean "no clip".
  const Rect area = dest_rect.Intersect(dest.ClipRect().Intersect(dest.BoundsRect()));
  if (area.IsEmpty()) return;
  const int tile_w = TileSize(zoom_x, src_rect.Width());
  const int tile_h = TileSize(zoom_y, src_rect.Height());
  int64_t x0, px, y0, py;
  CellAxis(dest_rect.left, zoom_x * double(cell_width) / 256, offset_x,
           double(area.Width() + tile_w), x0, px);
  CellAxis(dest_rect.top, zoom_y * double(cell_height) / 256, offset_y,
           double(area.Height() + tile_h), y0, py);
  ClipScope clip(dest, area);
  // Skip whole cells that end before the area starts.
  auto first = [](int64_t start, int64_t pitch, int tile, int lo) {
    const int64_t gap = (int64_t(lo) - tile) * 65536 - start;
    return gap > 0 ? start + gap / pitch * pitch : start;
  };
  for (int64_t y = first(y0, py, tile_h, area.top); (y >> 16) < area.bottom; y += py) {
    for (int64_t x = first(x0, px, tile_w, area.left); (x >> 16) < area.right; x += px) {
      const int cx = int(x >> 16), cy = int(y >> 16);
      draw_cell(Rect{cx, cy, cx + tile_w, cy + tile_h});
    }
  }
}

}  // namespace

void TCustomDIBX::TileStretch(const Rect& dest_rect, int cell_width, int cell_height, int zoom_x,
                              int zoom_y, const TCustomDIBX& source, const Rect& src_rect,
                              KeyMode key, Flip flip, int blend, int offset_x, int offset_y) {
  if (blend <= 0) return;
  TileCells(*this, dest_rect, cell_width, cell_height, zoom_x, zoom_y, src_rect, offset_x, offset_y,
            [&](const Rect& cell) {
              if (blend > 255) {
                StretchAdd(cell, source, src_rect, key, flip, blend & 0xFF);
              } else {
                StretchAlpha(cell, source, src_rect, key, flip, blend);
              }
            });
}

void TCustomDIBX::TileStretchMask(const Rect& dest_rect, int cell_width, int cell_height,
                                  int zoom_x, int zoom_y, const TCustomDIBX& source,
                                  const Rect& src_rect, const TCustomDIBX& mask, Flip flip,
                                  int blend, int offset_x, int offset_y) {
  if (blend <= 0) return;
  TileCells(*this, dest_rect, cell_width, cell_height, zoom_x, zoom_y, src_rect, offset_x, offset_y,
            [&](const Rect& cell) {
              if (blend > 255) {
                StretchMaskAdd(cell, source, src_rect, flip, mask, blend & 0xFF);
              } else {
                StretchMaskAlpha(cell, source, src_rect, flip, mask, blend);
              }
            });
}

// --- pattern fills ------------------------------------------------------------------

namespace {

// Source index of each pixel of [lo, hi) for a pattern of `size` pixels
// starting at `offset` on `origin`, stepping step16 per pixel and wrapping.
void PatternAxis(int origin, int lo, int hi, int size, int offset, int64_t step16, bool flip,
                 std::vector<int>& out) {
  // The phase at `lo`, reduced before multiplying: both factors are below
  // the period (at most 2^31), so the product stays in 64 bits.
  const int64_t period = int64_t(size) * 65536;
  const int64_t skipped = FloorMod(int64_t(lo) - origin, period) * (step16 % period) % period;
  int64_t pos = FloorMod(FloorMod(offset, size) * 65536 + skipped, period);
  out.resize(size_t(hi - lo));
  for (int i = 0; i < hi - lo; ++i) {
    const int s = int(pos >> 16);
    out[size_t(i)] = flip ? size - 1 - s : s;
    pos += step16;
    if (pos >= period) pos -= period;
  }
}

void PatternRows(TCustomDIBX& dest, const Rect& dest_rect, int zoom_x, int zoom_y,
                 const TCustomDIBX& source, int offset_x, int offset_y, Flip flip,
                 const TCustomDIBX* mask, RuleParams rp) {
  if (zoom_x <= 0 || zoom_y <= 0) return;
  const Rect area = dest_rect.Intersect(dest.ClipRect().Intersect(dest.BoundsRect()));
  const PixelView dst = dest.View();
  const StableView src(source.View(), dst);
  const ConstPixelView& sv = src.view();
  if (area.IsEmpty() || dst.empty() || sv.empty()) return;
  std::optional<StableView> mask_view;
  if (mask) {
    mask_view.emplace(mask->View(), dst);
    const ConstPixelView& mv = mask_view->view();
    // The mask is read where the source is: it must cover the whole pattern.
    if (!UsableMask(mv) || mv.width_px < sv.width_px || mv.height_px < sv.height_px) return;
  }
  const int64_t step_x =
      std::min<int64_t>((int64_t(256) << 16) / zoom_x, int64_t(sv.width_px) << 16);
  const int64_t step_y =
      std::min<int64_t>((int64_t(256) << 16) / zoom_y, int64_t(sv.height_px) << 16);
  std::vector<int> xs, ys;
  PatternAxis(dest_rect.left, area.left, area.right, sv.width_px, offset_x, step_x, FlipsH(flip),
              xs);
  PatternAxis(dest_rect.top, area.top, area.bottom, sv.height_px, offset_y, step_y, FlipsV(flip),
              ys);
  const int n = int(area.Width());

  WithFormat(dst.bit_count, [&](auto f) {
    using F = decltype(f);
    SourceRow<F> rows(sv);
    if (rp.use_key) rp.use_key = rows.Key(source.ColorKey(), rp.key);
    std::optional<MaskRow> masks;
    if (mask_view) masks.emplace(mask_view->view());
    for (int j = 0; j < int(area.Height()); ++j) {
      const int sy = ys[size_t(j)];
      const auto* s = rows.Gather(xs.data(), sy, n);
      const uint8_t* m = masks ? masks->Gather(xs.data(), sy, n) : nullptr;
      ApplyRow<F>(MakeRow<F>(dst, area.left, area.top + j), s, m, n, rp);
    }
  });
}

// The rule of a pattern blend value: the additive level is capped at 255.
bool PatternRule(int blend, bool masked, RuleParams& rp) {
  if (blend > 511) blend = 511;
  return BlendRule(blend, masked, rp);
}

}  // namespace

void TCustomDIBX::FillPatternZoom(const Rect& dest_rect, int zoom_x, int zoom_y,
                                  const TCustomDIBX& source, int offset_x, int offset_y,
                                  KeyMode key, Flip flip, int blend) {
  RuleParams rp;
  if (!PatternRule(blend, false, rp)) return;
  rp.use_key = key == KeyMode::kUse;
  PatternRows(*this, dest_rect, zoom_x, zoom_y, source, offset_x, offset_y, flip, nullptr, rp);
}

void TCustomDIBX::FillPatternZoomMask(const Rect& dest_rect, int zoom_x, int zoom_y,
                                      const TCustomDIBX& source, int offset_x, int offset_y,
                                      Flip flip, const TCustomDIBX& mask, int blend) {
  RuleParams rp;
  if (!PatternRule(blend, true, rp)) return;
  PatternRows(*this, dest_rect, zoom_x, zoom_y, source, offset_x, offset_y, flip, &mask, rp);
}

void TCustomDIBX::FillPattern(const Rect& dest_rect, const TCustomDIBX& source, int offset_x,
                              int offset_y, Flip flip) {
  RuleParams rp;
  rp.rule = Rule::kCopy;
  PatternRows(*this, dest_rect, 256, 256, source, offset_x, offset_y, flip, nullptr, rp);
}

namespace {

// edge + delta, not past `limit` (on the side delta points to).
int32_t Edge(int32_t edge, int64_t delta, int32_t limit) {
  const int64_t v = int64_t(edge) + delta;
  return int32_t(delta >= 0 ? std::min<int64_t>(v, limit) : std::max<int64_t>(v, limit));
}

}  // namespace

void TCustomDIBX::FramePattern(const Rect& rect, int thickness, const TCustomDIBX& pattern,
                               int offset_x, int offset_y) {
  const int t = std::max(0, thickness);
  const Rect strips[4] = {
      {rect.left, rect.top, rect.right, Edge(rect.top, t, rect.bottom)},
      {rect.left, Edge(rect.bottom, -int64_t(t), rect.top), rect.right, rect.bottom},
      {rect.left, rect.top, Edge(rect.left, t, rect.right), rect.bottom},
      {Edge(rect.right, -int64_t(t), rect.left), rect.top, rect.right, rect.bottom}};
  for (const Rect& s : strips) FillPattern(s, pattern, offset_x, offset_y, Flip::kNone);
}

// --- presentation ---------------------------------------------------------------------

void TCustomDIBX::StretchTo(const PixelView& dest, const Rect& dest_rect,
                            const Rect& src_rect) const {
  const ConstPixelView sv = View();
  if (dest.empty() || sv.empty()) return;
  StretchPlan p;
  if (!PlanStretch(ViewBounds(dest), dest_rect, src_rect, Flip::kNone, ViewBounds(sv), p)) return;
  const int n = int(p.cols.src.size());
  WithFormat(dest.bit_count, [&](auto f) {
    using F = decltype(f);
    SourceRow<F> rows(sv);
    for (size_t j = 0; j < p.rows.src.size(); ++j) {
      const auto* s = rows.Gather(p.cols.src.data(), p.rows.src[j], n);
      CopyRow<F>(MakeRow<F>(dest, p.cols.first, p.rows.first + int(j)), s, n);
    }
  });
}

}  // namespace vesk::graphics
