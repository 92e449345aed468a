// The wave proxy. Each call is forwarded whole to the target once per run of
// rows sharing an offset, shifted by that offset, with the target's clip
// rectangle narrowed to the run; the target's own clipping then cuts every
// operation (copies, stretches, rotations, tiles) to exactly those rows.
#include <climits>

#include "graphics/dibsfc.h"
#include "graphics/dibsfc_draw.h"

namespace vesk::graphics {

using namespace detail;

namespace {

Rect Shift(const Rect& r, int dx) {
  return Rect{int32_t(int64_t(r.left) + dx), r.top, int32_t(int64_t(r.right) + dx), r.bottom};
}

int AddX(int x, int dx) {
  return int(std::clamp<int64_t>(int64_t(x) + dx, INT_MIN, INT_MAX));
}

}  // namespace

void TDIBXWave::SetSize(int width_px, int height_px, int) {
  if (width_px < 0 || height_px < 0 || width_px > TDIBX::kMaxSidePx ||
      height_px > TDIBX::kMaxSidePx) {
    throw EGraphicsError("wave size out of range: " + std::to_string(width_px) + " x " +
                         std::to_string(height_px));
  }
  SetDimensions(width_px, height_px);
  row_offsets_.resize(size_t(height_px), 0);
}

int32_t TDIBXWave::ColorToPixel(int32_t color) const {
  return target_ ? target_->ColorToPixel(color) : TCustomDIBX::ColorToPixel(color);
}

Rect TDIBXWave::ProxyRows() const {
  Rect rows{INT_MIN, origin_y_, INT_MAX,
            int32_t(std::min<int64_t>(int64_t(origin_y_) + int64_t(row_offsets_.size()), INT_MAX))};
  if (HasClipRect()) rows = rows.Intersect(ClipRect());
  return rows;
}

void TDIBXWave::ForEachRun(int64_t top, int64_t bottom, const std::function<void(int)>& draw) {
  if (!target_) return;
  const Rect rows = ProxyRows();
  const int first = int(std::max<int64_t>(top, rows.top));
  const int last = int(std::min<int64_t>(bottom, rows.bottom));
  if (first >= last) return;
  saved_target_clip_ = target_->HasClipRect() ? target_->ClipRect() : Rect{};
  const Rect target_area = target_->ClipRect().Intersect(target_->BoundsRect());
  ClipScope restore(*target_, saved_target_clip_);
  for (int y = first; y < last;) {
    const int32_t offset = row_offsets_[size_t(y - origin_y_)];
    int end = y + 1;
    while (end < last && row_offsets_[size_t(end - origin_y_)] == offset) ++end;
    const Rect run = target_area.Intersect(Rect{rows.left, y, rows.right, end});
    y = end;
    if (run.IsEmpty()) continue;
    target_->SetClipRect(run);
    draw(offset);
  }
}

uint32_t TDIBXWave::GetPixel(int x, int y) const {
  const int64_t row = int64_t(y) - origin_y_;
  if (!target_ || row < 0 || row >= int64_t(row_offsets_.size())) return 0;
  return target_->GetPixel(AddX(x, row_offsets_[size_t(row)]), y);
}

void TDIBXWave::SetPixel(int x, int y, uint32_t value) {
  const int64_t row = int64_t(y) - origin_y_;
  if (!target_ || row < 0 || row >= int64_t(row_offsets_.size())) return;
  target_->SetPixel(AddX(x, row_offsets_[size_t(row)]), y, value);
}

void TDIBXWave::ResetClip() {
  TCustomDIBX::ResetClip();
  if (target_) target_->ResetClip();
}

void TDIBXWave::UnionClip(const Rect& rect) {
  // The proxy covers (origin, origin + size) of the target.
  const Rect covered{origin_x_, origin_y_, origin_x_ + Width(), origin_y_ + Height()};
  const Rect r = rect.Intersect(covered);
  if (!r.IsEmpty()) {
    const Rect c = ClipRect();
    SetClipRect(HasClipRect() ? Rect{std::min(c.left, r.left), std::min(c.top, r.top),
                                     std::max(c.right, r.right), std::max(c.bottom, r.bottom)}
                              : r);
  }
  if (target_) target_->UnionClip(rect);
}

// --- fills ----------------------------------------------------------------------------

void TDIBXWave::Fill(uint32_t value) {
  FillRect(Rect{origin_x_, origin_y_, origin_x_ + Width(), origin_y_ + Height()}, value);
}

void TDIBXWave::FillRect(const Rect& rect, uint32_t value) {
  ForEachRun(rect.top, rect.bottom, [&](int dx) { target_->FillRect(Shift(rect, dx), value); });
}

void TDIBXWave::FillRectAlpha(const Rect& rect, uint32_t value, int alpha) {
  ForEachRun(rect.top, rect.bottom,
             [&](int dx) { target_->FillRectAlpha(Shift(rect, dx), value, alpha); });
}

void TDIBXWave::FillRectAdd(const Rect& rect, uint32_t value) {
  ForEachRun(rect.top, rect.bottom, [&](int dx) { target_->FillRectAdd(Shift(rect, dx), value); });
}

void TDIBXWave::FillRectSub(const Rect& rect, uint32_t value) {
  ForEachRun(rect.top, rect.bottom, [&](int dx) { target_->FillRectSub(Shift(rect, dx), value); });
}

// --- copies ----------------------------------------------------------------------------

void TDIBXWave::Draw(int x, int y, const TCustomDIBX& source, const Rect& src_rect, KeyMode key,
                     Flip flip) {
  ForEachRun(y, int64_t(y) + src_rect.Height(),
             [&](int dx) { target_->Draw(AddX(x, dx), y, source, src_rect, key, flip); });
}

void TDIBXWave::DrawMask(int x, int y, const TCustomDIBX& source, const Rect& src_rect, Flip flip,
                         const TCustomDIBX& mask) {
  ForEachRun(y, int64_t(y) + src_rect.Height(),
             [&](int dx) { target_->DrawMask(AddX(x, dx), y, source, src_rect, flip, mask); });
}

void TDIBXWave::DrawAlpha(int x, int y, const TCustomDIBX& source, const Rect& src_rect,
                          KeyMode key, Flip flip, int alpha) {
  ForEachRun(y, int64_t(y) + src_rect.Height(), [&](int dx) {
    target_->DrawAlpha(AddX(x, dx), y, source, src_rect, key, flip, alpha);
  });
}

void TDIBXWave::DrawMaskAlpha(int x, int y, const TCustomDIBX& source, const Rect& src_rect,
                              Flip flip, const TCustomDIBX& mask, int alpha) {
  ForEachRun(y, int64_t(y) + src_rect.Height(), [&](int dx) {
    target_->DrawMaskAlpha(AddX(x, dx), y, source, src_rect, flip, mask, alpha);
  });
}

void TDIBXWave::DrawAdd(int x, int y, const TCustomDIBX& source, const Rect& src_rect, KeyMode key,
                        Flip flip, int level) {
  ForEachRun(y, int64_t(y) + src_rect.Height(),
             [&](int dx) { target_->DrawAdd(AddX(x, dx), y, source, src_rect, key, flip, level); });
}

void TDIBXWave::DrawMaskAdd(int x, int y, const TCustomDIBX& source, const Rect& src_rect,
                            Flip flip, const TCustomDIBX& mask, int level) {
  ForEachRun(y, int64_t(y) + src_rect.Height(), [&](int dx) {
    target_->DrawMaskAdd(AddX(x, dx), y, source, src_rect, flip, mask, level);
  });
}

void TDIBXWave::DrawColorMask(int x, int y, const TCustomDIBX& mask, const Rect& src_rect,
                              Flip flip, uint32_t value, int alpha) {
  ForEachRun(y, int64_t(y) + src_rect.Height(), [&](int dx) {
    target_->DrawColorMask(AddX(x, dx), y, mask, src_rect, flip, value, alpha);
  });
}

void TDIBXWave::DrawRotate(int dest_x, int dest_y, int zoom_x, int zoom_y,
                           const TCustomDIBX& source, const Rect& src_rect, int pivot_x,
                           int pivot_y, int angle, KeyMode key, Flip flip, int blend) {
  ForEachRun(INT_MIN, INT_MAX, [&](int dx) {
    target_->DrawRotate(AddX(dest_x, dx), dest_y, zoom_x, zoom_y, source, src_rect, pivot_x,
                        pivot_y, angle, key, flip, blend);
  });
}

void TDIBXWave::DrawRotateMask(int dest_x, int dest_y, int zoom_x, int zoom_y,
                               const TCustomDIBX& source, const Rect& src_rect, int pivot_x,
                               int pivot_y, int angle, Flip flip, const TCustomDIBX& mask,
                               int blend) {
  ForEachRun(INT_MIN, INT_MAX, [&](int dx) {
    target_->DrawRotateMask(AddX(dest_x, dx), dest_y, zoom_x, zoom_y, source, src_rect, pivot_x,
                            pivot_y, angle, flip, mask, blend);
  });
}

// --- stretches ---------------------------------------------------------------------------

void TDIBXWave::StretchAlpha(const Rect& dest_rect, const TCustomDIBX& source, const Rect& src_rect,
                             KeyMode key, Flip flip, int alpha) {
  ForEachRun(dest_rect.top, dest_rect.bottom, [&](int dx) {
    target_->StretchAlpha(Shift(dest_rect, dx), source, src_rect, key, flip, alpha);
  });
}

void TDIBXWave::StretchMaskAlpha(const Rect& dest_rect, const TCustomDIBX& source,
                                 const Rect& src_rect, Flip flip, const TCustomDIBX& mask,
                                 int alpha) {
  ForEachRun(dest_rect.top, dest_rect.bottom, [&](int dx) {
    target_->StretchMaskAlpha(Shift(dest_rect, dx), source, src_rect, flip, mask, alpha);
  });
}

void TDIBXWave::StretchAdd(const Rect& dest_rect, const TCustomDIBX& source, const Rect& src_rect,
                           KeyMode key, Flip flip, int level) {
  ForEachRun(dest_rect.top, dest_rect.bottom, [&](int dx) {
    target_->StretchAdd(Shift(dest_rect, dx), source, src_rect, key, flip, level);
  });
}

void TDIBXWave::StretchMaskAdd(const Rect& dest_rect, const TCustomDIBX& source,
                               const Rect& src_rect, Flip flip, const TCustomDIBX& mask,
                               int level) {
  ForEachRun(dest_rect.top, dest_rect.bottom, [&](int dx) {
    target_->StretchMaskAdd(Shift(dest_rect, dx), source, src_rect, flip, mask, level);
  });
}

void TDIBXWave::StretchIndexedAdd(const Rect& dest_rect, const TCustomDIBX& source,
                                  const Rect& src_rect, int threshold, Flip flip, int level,
                                  const std::array<uint32_t, 256>& palette) {
  ForEachRun(dest_rect.top, dest_rect.bottom, [&](int dx) {
    target_->StretchIndexedAdd(Shift(dest_rect, dx), source, src_rect, threshold, flip, level,
                               palette);
  });
}

// --- glyphs and palettes ------------------------------------------------------------------

void TDIBXWave::DrawCoverage(int x, int y, const TCustomDIBX& source, const Rect& src_rect,
                             uint32_t value, Flip flip, int alpha, int factor) {
  ForEachRun(y, int64_t(y) + src_rect.Height(), [&](int dx) {
    target_->DrawCoverage(AddX(x, dx), y, source, src_rect, value, flip, alpha, factor);
  });
}

void TDIBXWave::DrawCoverage3(int x, int y, const TCustomDIBX& source, const Rect& src_rect,
                              const std::array<uint32_t, 3>& values, Flip flip, int blend,
                              int factor) {
  ForEachRun(y, int64_t(y) + src_rect.Height(), [&](int dx) {
    target_->DrawCoverage3(AddX(x, dx), y, source, src_rect, values, flip, blend, factor);
  });
}

void TDIBXWave::DrawNibbles(int x, int y, const TCustomDIBX& source, const Rect& src_rect,
                            Flip flip, int blend, const std::array<uint32_t, 16>& palette) {
  ForEachRun(y, int64_t(y) + src_rect.Height(), [&](int dx) {
    target_->DrawNibbles(AddX(x, dx), y, source, src_rect, flip, blend, palette);
  });
}

void TDIBXWave::DrawIndexedAdd(int x, int y, const TCustomDIBX& source, const Rect& src_rect,
                               int threshold, Flip flip, int level,
                               const std::array<uint32_t, 256>& palette) {
  ForEachRun(y, int64_t(y) + src_rect.Height(), [&](int dx) {
    target_->DrawIndexedAdd(AddX(x, dx), y, source, src_rect, threshold, flip, level, palette);
  });
}

// --- tiles and patterns ---------------------------------------------------------------------

void TDIBXWave::Tile(const Rect& dest_rect, int gap_x, int gap_y, const TCustomDIBX& source,
                     const Rect& src_rect, KeyMode key, int offset_x, int offset_y) {
  ForEachRun(dest_rect.top, dest_rect.bottom, [&](int dx) {
    target_->Tile(Shift(dest_rect, dx), gap_x, gap_y, source, src_rect, key, offset_x, offset_y);
  });
}

void TDIBXWave::TileAlpha(const Rect& dest_rect, int gap_x, int gap_y, const TCustomDIBX& source,
                          const Rect& src_rect, KeyMode key, int alpha, int offset_x,
                          int offset_y) {
  ForEachRun(dest_rect.top, dest_rect.bottom, [&](int dx) {
    target_->TileAlpha(Shift(dest_rect, dx), gap_x, gap_y, source, src_rect, key, alpha, offset_x,
                       offset_y);
  });
}

void TDIBXWave::TileAdd(const Rect& dest_rect, int gap_x, int gap_y, const TCustomDIBX& source,
                        const Rect& src_rect, KeyMode key, int level, int offset_x, int offset_y) {
  ForEachRun(dest_rect.top, dest_rect.bottom, [&](int dx) {
    target_->TileAdd(Shift(dest_rect, dx), gap_x, gap_y, source, src_rect, key, level, offset_x,
                     offset_y);
  });
}

void TDIBXWave::TileMask(const Rect& dest_rect, int gap_x, int gap_y, const TCustomDIBX& source,
                         const Rect& src_rect, const TCustomDIBX& mask, int offset_x,
                         int offset_y) {
  ForEachRun(dest_rect.top, dest_rect.bottom, [&](int dx) {
    target_->TileMask(Shift(dest_rect, dx), gap_x, gap_y, source, src_rect, mask, offset_x,
                      offset_y);
  });
}

void TDIBXWave::TileMaskAlpha(const Rect& dest_rect, int gap_x, int gap_y,
                              const TCustomDIBX& source, const Rect& src_rect,
                              const TCustomDIBX& mask, int alpha, int offset_x, int offset_y) {
  ForEachRun(dest_rect.top, dest_rect.bottom, [&](int dx) {
    target_->TileMaskAlpha(Shift(dest_rect, dx), gap_x, gap_y, source, src_rect, mask, alpha,
                           offset_x, offset_y);
  });
}

void TDIBXWave::TileMaskAdd(const Rect& dest_rect, int gap_x, int gap_y, const TCustomDIBX& source,
                            const Rect& src_rect, const TCustomDIBX& mask, int level, int offset_x,
                            int offset_y) {
  ForEachRun(dest_rect.top, dest_rect.bottom, [&](int dx) {
    target_->TileMaskAdd(Shift(dest_rect, dx), gap_x, gap_y, source, src_rect, mask, level,
                         offset_x, offset_y);
  });
}

void TDIBXWave::TileStretch(const Rect& dest_rect, int cell_width, int cell_height, int zoom_x,
                            int zoom_y, const TCustomDIBX& source, const Rect& src_rect,
                            KeyMode key, Flip flip, int blend, int offset_x, int offset_y) {
  ForEachRun(dest_rect.top, dest_rect.bottom, [&](int dx) {
    target_->TileStretch(Shift(dest_rect, dx), cell_width, cell_height, zoom_x, zoom_y, source,
                         src_rect, key, flip, blend, offset_x, offset_y);
  });
}

void TDIBXWave::TileStretchMask(const Rect& dest_rect, int cell_width, int cell_height, int zoom_x,
                                int zoom_y, const TCustomDIBX& source, const Rect& src_rect,
                                const TCustomDIBX& mask, Flip flip, int blend, int offset_x,
                                int offset_y) {
  ForEachRun(dest_rect.top, dest_rect.bottom, [&](int dx) {
    target_->TileStretchMask(Shift(dest_rect, dx), cell_width, cell_height, zoom_x, zoom_y, source,
                             src_rect, mask, flip, blend, offset_x, offset_y);
  });
}

void TDIBXWave::FramePattern(const Rect& rect, int thickness, const TCustomDIBX& pattern,
                             int offset_x, int offset_y) {
  ForEachRun(rect.top, rect.bottom, [&](int dx) {
    target_->FramePattern(Shift(rect, dx), thickness, pattern, offset_x, offset_y);
  });
}

void TDIBXWave::FillPatternZoom(const Rect& dest_rect, int zoom_x, int zoom_y,
                                const TCustomDIBX& source, int offset_x, int offset_y, KeyMode key,
                                Flip flip, int blend) {
  ForEachRun(dest_rect.top, dest_rect.bottom, [&](int dx) {
    target_->FillPatternZoom(Shift(dest_rect, dx), zoom_x, zoom_y, source, offset_x, offset_y, key,
                             flip, blend);
  });
}

void TDIBXWave::FillPatternZoomMask(const Rect& dest_rect, int zoom_x, int zoom_y,
                                    const TCustomDIBX& source, int offset_x, int offset_y,
                                    Flip flip, const TCustomDIBX& mask, int blend) {
  ForEachRun(dest_rect.top, dest_rect.bottom, [&](int dx) {
    target_->FillPatternZoomMask(Shift(dest_rect, dx), zoom_x, zoom_y, source, offset_x, offset_y,
                                 flip, mask, blend);
  });
}

void TDIBXWave::FillPattern(const Rect& dest_rect, const TCustomDIBX& source, int offset_x,
                            int offset_y, Flip flip) {
  ForEachRun(dest_rect.top, dest_rect.bottom, [&](int dx) {
    target_->FillPattern(Shift(dest_rect, dx), source, offset_x, offset_y, flip);
  });
}

}  // namespace vesk::graphics
