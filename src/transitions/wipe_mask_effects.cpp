#include "transitions/wipe_mask_effects.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "graphics/tprandom.h"
#include "transitions/wipe_kernels.h"

namespace vesk::transitions {
namespace {

int64_t CeilDiv(int64_t a, int64_t b) {
  return (a + b - 1) / b;
}

// Nearest integer, halves to even.
int64_t RoundEven(double v) {
  return int64_t(std::nearbyint(v));
}

}  // namespace

// --- blinds ------------------------------------------------------------------

bool TWipeBlindH::UpdateMask() {
  const int64_t p0 = p0_, p1 = p1_;
  const int64_t b = ScaleElapsed(*this, p1 + 2 * p0 - 2);
  if (!NewProgress(b)) return false;
  uint8_t* row = MaskRow(0);
  for (int x = 0; x < MaskWidth(); ++x) {
    const int64_t k = x % p0;
    row[x] = Ramp(b, 2 * (Reverse() ? p0 - 1 - k : k), p1);
  }
  SetTwoLevel(p1 < 2);
  return true;
}

int TWipeBlindV::MaskHeight() {
  return std::min(std::max(p0_, 2), std::max(dest().Height(), 1));
}

bool TWipeBlindV::UpdateMask() {
  const int64_t p0 = p0_, p1 = p1_;
  const int64_t b = ScaleElapsed(*this, p1 + 2 * p0 - 2);
  if (!NewProgress(b)) return false;
  bool two_level = true;
  for (int y = 0; y < MaskRows(); ++y) {
    const int64_t k = y % p0;
    const uint8_t v = Ramp(b, 2 * (Reverse() ? p0 - 1 - k : k), p1);
    std::memset(MaskRow(y), v, size_t(MaskWidth()));
    two_level = two_level && (v == 0 || v == 255);
  }
  SetTwoLevel(two_level);
  return true;
}

// --- lines in order ------------------------------------------------------------

void TWipeOrderHMask::SetParam(int index, int32_t value) {
  TCustomWipe::SetParam(index, std::max(value, 1));
}

bool TWipeOrderHMask::UpdateMask() {
  const int64_t lines = LineCount(), p1 = p1_;
  const int64_t b = ScaleElapsed(*this, MaxOrder(lines) * 16 + p1);
  if (!NewProgress(b)) return false;
  for (int64_t i = 0; i < lines; ++i) {
    const int64_t order = Order(Reverse() ? lines - 1 - i : i);
    SetLine(int(i), Ramp(b, 16 * order, p1));
  }
  SetTwoLevel(p1 < 2);
  return true;
}

void TWipeOrderVMask::SetLine(int index, uint8_t value) {
  std::memset(MaskRow(index), value, size_t(MaskWidth()));
}

int64_t TWipeCurtainH::Order(int64_t index) const {
  return index / p0_ + index % p0_;
}
int64_t TWipeCurtainH::MaxOrder(int64_t line_count) const {
  return CeilDiv(line_count, p0_) + p0_ - 2;
}
int64_t TWipeCurtainV::Order(int64_t index) const {
  return index / p0_ + index % p0_;
}
int64_t TWipeCurtainV::MaxOrder(int64_t line_count) const {
  return CeilDiv(line_count, p0_) + p0_ - 2;
}

// --- grids ---------------------------------------------------------------------

int64_t TWipeGrid::CellStart(int64_t row, int64_t column) const {
  return 4 * RoundEven(std::hypot(double(row), double(column)));
}
int64_t TWipeGrid::StartSpan(int64_t rows, int64_t columns) const {
  return 4 * RoundEven(std::hypot(double(rows - 1), double(columns - 1)));
}

int TWipeGridH::MaskHeight() {
  return std::min(std::max(p0_, 2), std::max(dest().Height(), 1));
}
int64_t TWipeGridH::CellStart(int64_t, int64_t column) const {
  return 4 * column;
}
int64_t TWipeGridH::StartSpan(int64_t, int64_t columns) const {
  return 4 * columns;
}
int64_t TWipeGridV::CellStart(int64_t row, int64_t) const {
  return 4 * row;
}
int64_t TWipeGridV::StartSpan(int64_t rows, int64_t) const {
  return 4 * rows;
}

void TWipeGrid::FillSquare(int64_t row, int64_t column, int64_t side, uint8_t value) {
  const int64_t cell = p0_;
  const int64_t x0 = column * cell + (cell - side) / 2, y0 = row * cell + (cell - side) / 2;
  const int64_t left = std::max<int64_t>(x0, 0), right = std::min<int64_t>(x0 + side, MaskWidth());
  const int64_t top = std::max<int64_t>(y0, 0), bottom = std::min<int64_t>(y0 + side, MaskRows());
  if (left >= right) return;
  for (int64_t y = top; y < bottom; ++y) {
    std::memset(MaskRow(int(y)) + left, value, size_t(right - left));
  }
}

void TWipeGrid::Prepare() {
  TWipeMask::Prepare();
  built_ = {};
}

bool TWipeGrid::UpdateMask() {
  const int64_t cell = p0_, p1 = p1_;
  const int64_t columns = CeilDiv(dest().Width(), cell), rows = CeilDiv(dest().Height(), cell);
  const int64_t b = ScaleElapsed(*this, p1 + StartSpan(rows, columns) - 4);
  if (!NewProgress(b)) return false;
  const Built now{b, p0_, p1_, dest().Width(), dest().Height(), Reverse()};
  const bool grows = built_.b >= 0 && b >= built_.b && now.p0 == built_.p0 && now.p1 == built_.p1 &&
                     now.width == built_.width && now.height == built_.height &&
                     now.reverse == built_.reverse;
  if (!grows) mask().Fill(0);
  // Cells already whole (b - start >= P1: the full side at 255) stay as
  // they are.
  const int64_t whole_before = grows ? built_.b - p1 : -1;
  built_ = now;
  // Only the rows of cells the mask holds (one for the column order).
  const int64_t mask_rows = CeilDiv(MaskRows(), cell);
  for (int64_t r = 0; r < mask_rows; ++r) {
    for (int64_t c = 0; c < columns; ++c) {
      const int64_t start = Reverse() ? CellStart(rows - 1 - r, columns - 1 - c) : CellStart(r, c);
      if (b < start || start <= whole_before) continue;
      const int64_t side = std::min(cell, cell * (b - start) / p1);
      FillSquare(r, c, side, Ramp(b, start, p1));
    }
  }
  SetTwoLevel(p1 < 2);
  return true;
}

// --- dither --------------------------------------------------------------------

void TWipeDither::Prepare() {
  TWipeMask::Prepare();
  order_ = graphics::TTpRandom::Permutation(kSeed, kBlockSide * kBlockSide);
  block_.assign(order_.size(), 0);
}

bool TWipeDither::UpdateMask() {
  if (order_.size() != size_t(kBlockSide * kBlockSide)) Prepare();
  const int64_t cells = int64_t(order_.size());
  const int64_t n = ScaleElapsed(*this, cells);
  if (!NewProgress(n)) return false;
  // Whichever part is shorter is written over the other's fill.
  const bool mostly_new = n > cells / 2 - 1;
  std::fill(block_.begin(), block_.end(), mostly_new ? 255 : 0);
  for (int64_t i = mostly_new ? n : 0; i < (mostly_new ? cells : n); ++i) {
    block_[size_t(order_[size_t(i)])] = mostly_new ? 0 : 255;
  }
  const int w = MaskWidth();
  for (int y = 0; y < MaskRows(); ++y) {
    const uint8_t* src = block_.data() + size_t(y % kBlockSide) * kBlockSide;
    uint8_t* row = MaskRow(y);
    for (int x = 0; x < w; x += kBlockSide) {
      std::memcpy(row + x, src, size_t(std::min(kBlockSide, w - x)));
    }
  }
  SetTwoLevel(true);
  return true;
}

// --- rule picture ----------------------------------------------------------------

void TWipeShadow::Prepare() {
  TWipeMask::Prepare();
  levels_.Load(services(), ImageName(), Reverse(), dest().Width(), dest().Height());
}

bool TWipeShadow::UpdateMask() {
  const int w = MaskWidth(), h = MaskRows();
  levels_.EnsureSize(w, h);
  const int64_t u = ScaleElapsed(*this, 512);
  if (!NewProgress(u)) return false;
  // m = clamp(u + g - 256, 0, 255). The rule's level ranges tell which runs
  // are all 0 or all 255 before any pixel is looked at; those are filled,
  // only the rest is computed. The runs are kept for the composition.
  const auto offset = int32_t(u - 256);
  segments_.clear();
  row_segments_.resize(size_t(h));
  for (int y = 0; y < h; ++y) {
    const size_t first = segments_.size();
    levels_.Runs(y, offset, 0, 255, segments_);
    row_segments_[size_t(y)] = {first, segments_.size()};
    const uint8_t* g = levels_.Row(y);
    uint8_t* row = MaskRow(y);
    for (size_t i = first; i < segments_.size(); ++i) {
      // A copy: the mask bytes written below could alias the run.
      const ColumnRun run = segments_[i];
      if (run.kind != RunKind::kMixed) {
        std::memset(row + run.x0, run.kind == RunKind::kTo ? 255 : 0, size_t(run.x1 - run.x0));
        continue;
      }
      RuleMaskRow(row + run.x0, g + run.x0, run.x1 - run.x0, offset);
    }
  }
  SetTwoLevel(false);
  return true;
}

void TWipeShadow::BuildSegments() {
  // UpdateMask made them, except for packed pixels, which copy no runs.
  if (dest().BitCount() < 8) TWipeMask::BuildSegments();
}

// --- clock hand ------------------------------------------------------------------

// Pixels whose centres lie inside the triangle become 255.
void TWipeClockhand::FillTriangle(const double (&xs)[3], const double (&ys)[3]) {
  const int w = MaskWidth();
  for (int y = 0; y < MaskRows(); ++y) {
    const double yc = y + 0.5;
    double lo = 0, hi = 0;
    int crossings = 0;
    for (int e = 0; e < 3; ++e) {
      const double ax = xs[e], ay = ys[e], bx = xs[(e + 1) % 3], by = ys[(e + 1) % 3];
      if ((ay <= yc && yc < by) || (by <= yc && yc < ay)) {
        const double x = ax + (yc - ay) * (bx - ax) / (by - ay);
        lo = crossings == 0 ? x : std::min(lo, x);
        hi = crossings == 0 ? x : std::max(hi, x);
        ++crossings;
      }
    }
    if (crossings < 2) continue;
    const double first = std::max(std::ceil(lo - 0.5), 0.0);
    const double end = std::min(std::ceil(hi - 0.5), double(w));
    if (first < end) std::memset(MaskRow(y) + int(first), 255, size_t(end - first));
  }
}

bool TWipeClockhand::UpdateMask() {
  if (!NewProgress(ClampedElapsed(*this))) return false;
  const int w = MaskWidth(), h = MaskRows();
  const int cx = w / 2, cy = h / 2;
  const double radius = std::hypot(double(w), double(h));
  const double quarter = std::numbers::pi / 2;
  const double angle = 2 * std::numbers::pi * ElapsedRatio(*this);
  const double sx = Reverse() ? -1.0 : 1.0;
  // Direction of an angle measured from 12 o'clock in the sweep's sense.
  auto dx = [&](double a) { return sx * std::sin(a); };
  auto dy = [&](double a) { return -std::cos(a); };
  mask().Fill(0);
  const int current = std::min(int(angle / quarter), 3);
  for (int q = 0; q < current; ++q) {
    const double mid = (q + 0.5) * quarter;
    const int left = dx(mid) > 0 ? cx : 0, right = dx(mid) > 0 ? w : cx;
    const int top = dy(mid) > 0 ? cy : 0, bottom = dy(mid) > 0 ? h : cy;
    for (int y = top; y < bottom; ++y) {
      std::memset(MaskRow(y) + left, 255, size_t(right - left));
    }
  }
  // The swept part of the current quadrant, corners rounded to pixels as a
  // polygon fill takes them.
  const double start = current * quarter;
  const double xs[3] = {double(cx), double(cx + RoundEven(radius * dx(start))),
                        double(cx + RoundEven(radius * dx(angle)))};
  const double ys[3] = {double(cy), double(cy + RoundEven(radius * dy(start))),
                        double(cy + RoundEven(radius * dy(angle)))};
  FillTriangle(xs, ys);
  SetTwoLevel(true);
  return true;
}

}  // namespace vesk::transitions
