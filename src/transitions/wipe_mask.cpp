#include "transitions/wipe_mask.h"

#include <algorithm>
#include <cstring>

#include "transitions/wipe_kernels.h"

namespace vesk::transitions {

uint8_t Ramp(int64_t b, int64_t start, int64_t length) {
  if (b < start) return 0;
  return uint8_t(std::min<int64_t>(255, (b - start) * 255 / std::max<int64_t>(length, 1)));
}

void TWipeMask::SetParam(int index, int32_t value) {
  TCustomWipe::SetParam(index, index == 0 ? std::max(value, 2) : std::max(value, 1));
}

void TWipeMask::Prepare() {
  mask_.SetSize(dest().Width(), std::max(MaskHeight(), 1), 8);
  mask_.Fill(0);
  last_progress_ = -1;
}

bool TWipeMask::NewProgress(int64_t progress) {
  if (progress == last_progress_) return false;
  last_progress_ = progress;
  return true;
}

void TWipeMask::EnsureMask() {
  // A driver that skipped Prepare, or parameters changed after it, still
  // gets a mask of the right size.
  if (mask_.Width() != dest().Width() || mask_.Height() != std::max(MaskHeight(), 1) ||
      mask_.View().empty()) {
    Prepare();
  }
}

bool TWipeMask::Step() {
  SetChanged(Rect{});
  if (WipeFinished(*this)) return true;
  if (dest().IsEmpty()) return false;
  EnsureMask();
  if (!UpdateMask()) return false;
  ClassifyRows();
  Compose();
  SetChanged(dest().BoundsRect());
  return false;
}

void TWipeMask::ClassifyRows() {
  row_kinds_.resize(size_t(mask_.Height()));
  const int w = mask_.Width();
  for (int y = 0; y < mask_.Height(); ++y) {
    const uint8_t* m = MaskRow(y);
    uint8_t any = 0, all = 255;
    for (int x = 0; x < w; ++x) {
      any |= m[x];
      all &= m[x];
    }
    // A two-level mask shows the new picture wherever it is non-zero.
    const bool full = two_level_ ? std::find(m, m + w, 0) == m + w : all == 255;
    row_kinds_[size_t(y)] = any == 0 ? RowKind::kFrom : full ? RowKind::kTo : RowKind::kMixed;
  }
}

void TWipeMask::Compose() {
  if (!rows_.Begin(dest(), from(), to())) return;
  const graphics::PixelView& d = rows_.Dest();
  const graphics::ConstPixelView &f = rows_.From(), &t = rows_.To();
  const int w = std::min(d.width_px, mask_.Width()), h = d.height_px;
  const int bits = d.bit_count == 15 ? 16 : d.bit_count;
  const size_t row_bytes = (size_t(w) * size_t(bits) + 7) / 8;
  const MaskRule rule = two_level_ ? MaskRule::kTwoLevel : MaskRule::kBlend;
  const int mask_rows = mask_.Height();
  for (int y = 0; y < h; ++y) {
    const int my = y % mask_rows;
    switch (row_kinds_[size_t(my)]) {
      case RowKind::kFrom:
        if (d.Row(y) != f.Row(y)) std::memcpy(d.Row(y), f.Row(y), row_bytes);
        break;
      case RowKind::kTo:
        if (d.Row(y) != t.Row(y)) std::memcpy(d.Row(y), t.Row(y), row_bytes);
        break;
      case RowKind::kMixed:
        ComposeMaskRow(d, f, t, MaskRow(my), y, w, rule);
        break;
    }
  }
  rows_.Commit(dest());
}

}  // namespace vesk::transitions
