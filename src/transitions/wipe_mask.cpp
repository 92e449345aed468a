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
  BuildSegments();
  Compose();
  SetChanged(dest().BoundsRect());
  return false;
}

namespace {

// Copies shorter than this cost more in calls than the rule itself.
constexpr int kMinCopyPx = 64;
constexpr int kChunkPx = 64;

// What a run of mask values asks for: all 0, all 255 or a mix (the loop
// runs in vector lanes).
RunKind KindOf(const uint8_t* m, int n) {
  if (n == kChunkPx) {
    uint64_t w[kChunkPx / 8];
    std::memcpy(w, m, sizeof w);
    uint64_t any = 0, all = ~uint64_t{0};
    for (const uint64_t v : w) {
      any |= v;
      all &= v;
    }
    return any == 0 ? RunKind::kFrom : all == ~uint64_t{0} ? RunKind::kTo : RunKind::kMixed;
  }
  uint8_t any = 0, all = 255;
  for (int i = 0; i < n; ++i) {
    any |= m[i];
    all &= m[i];
  }
  return any == 0 ? RunKind::kFrom : all == 255 ? RunKind::kTo : RunKind::kMixed;
}

}  // namespace

void TWipeMask::BuildSegments() {
  const int w = mask_.Width(), rows = mask_.Height();
  // Packed formats (below 8 bits) cannot be copied from a column on.
  const bool packed = dest().BitCount() < 8;
  const graphics::PixelView mask = mask_.View();
  segments_.clear();
  row_segments_.assign(size_t(rows), {0, 0});
  for (int y = 0; y < rows; ++y) {
    const uint8_t* m = mask.Row(y);
    // Rows like the one above (the inside of grid cells, curtains) share
    // its segments.
    if (y > 0 && std::memcmp(m, mask.Row(y - 1), size_t(w)) == 0) {
      row_segments_[size_t(y)] = row_segments_[size_t(y) - 1];
      continue;
    }
    const size_t first = segments_.size();
    const RunKind row_kind = packed ? RunKind::kMixed : KindOf(m, w);
    if (row_kind != RunKind::kMixed || packed) {
      segments_.push_back({0, w, row_kind});
      row_segments_[size_t(y)] = {first, segments_.size()};
      continue;
    }
    AppendChunkRuns(m, w);
    row_segments_[size_t(y)] = {first, segments_.size()};
  }
}

// Chunk by chunk; runs too short to be worth a copy join the mix.
void TWipeMask::AppendChunkRuns(const uint8_t* m, int w) {
  const size_t first = segments_.size();
  for (int x = 0; x < w; x += kChunkPx) {
    const int end = std::min(w, x + kChunkPx);
    const RunKind kind = KindOf(m + x, end - x);
    if (segments_.size() > first && segments_.back().kind == kind) {
      segments_.back().x1 = end;
      continue;
    }
    if (segments_.size() > first) {
      // The run before this one is complete: demote it when short, and
      // join it to a mixed run before it.
      ColumnRun& last = segments_.back();
      if (last.kind != RunKind::kMixed && last.x1 - last.x0 < kMinCopyPx) {
        last.kind = RunKind::kMixed;
      }
      if (segments_.size() > first + 1 && last.kind == RunKind::kMixed &&
          segments_[segments_.size() - 2].kind == RunKind::kMixed) {
        segments_[segments_.size() - 2].x1 = last.x1;
        segments_.pop_back();
      }
      if (kind == RunKind::kMixed && segments_.back().kind == RunKind::kMixed) {
        segments_.back().x1 = end;
        continue;
      }
    }
    segments_.push_back({x, end, kind});
  }
}

void TWipeMask::Compose() {
  if (!rows_.Begin(dest(), from(), to())) return;
  const graphics::PixelView& d = rows_.Dest();
  const graphics::ConstPixelView &f = rows_.From(), &t = rows_.To();
  const int h = d.height_px;
  const size_t pixel_bytes = size_t(d.bit_count == 15 ? 16 : d.bit_count) / 8;
  const MaskRule rule = two_level_ ? MaskRule::kTwoLevel : MaskRule::kBlend;
  const int mask_rows = mask_.Height();
  auto copy = [&](const graphics::ConstPixelView& src, int y, const ColumnRun& s) {
    uint8_t* to_row = d.Row(y) + size_t(s.x0) * pixel_bytes;
    const uint8_t* from_row = src.Row(y) + size_t(s.x0) * pixel_bytes;
    if (to_row != from_row) std::memcpy(to_row, from_row, size_t(s.x1 - s.x0) * pixel_bytes);
  };
  for (int y = 0; y < h; ++y) {
    const int my = y % mask_rows;
    const auto [first, end] = row_segments_[size_t(my)];
    for (size_t i = first; i < end; ++i) {
      const ColumnRun& s = segments_[i];
      if (s.kind == RunKind::kFrom) {
        copy(f, y, s);
      } else if (s.kind == RunKind::kTo) {
        copy(t, y, s);
      } else {
        ComposeMaskRow(d, f, t, MaskRow(my), y, s.x0, s.x1 - s.x0, rule);
      }
    }
  }
  rows_.Commit(dest());
}

}  // namespace vesk::transitions
