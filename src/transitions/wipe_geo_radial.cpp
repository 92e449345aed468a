// The effects that run out of the centre: the bright spot ring and the
// ripple. Both keep a table of distances from the centre, so a step is one
// pass over the pixels with a few comparisons each.
#include <algorithm>
#include <cmath>

#include "transitions/wipe_geo.h"
#include "transitions/wipe_geo_rows.h"
#include "transitions/wipe_geo_support.h"

namespace vesk::transitions {

// --- spot --------------------------------------------------------------------

void TWipeSpot::SetReverse(bool reverse) {
  TCustomWipe::SetReverse(reverse);
  built_ = false;
}

void TWipeSpot::Prepare() {
  BuildDistances();
}

void TWipeSpot::BuildDistances() {
  const int w = dest().Width(), h = dest().Height();
  const double cx = w / 2.0, cy = h / 2.0;
  // Sides are at most 32768 pixels, so every distance fits 16 bits.
  const int corner = geo::RoundEven(std::hypot(cy, cx));
  distance_.assign(size_t(w) * size_t(h), 0);
  row_min_.assign(size_t(h), 0);
  row_max_.assign(size_t(h), 0);
  for (int y = 0; y < h; ++y) {
    int lo = corner, hi = 0;
    for (int x = 0; x < w; ++x) {
      int d = geo::RoundEven(std::hypot(std::abs(x - cx), std::abs(y - cy)));
      if (Reverse()) d = std::max(0, corner - d);
      distance_[size_t(y) * size_t(w) + size_t(x)] = uint16_t(d);
      lo = std::min(lo, d);
      hi = std::max(hi, d);
    }
    row_min_[size_t(y)] = uint16_t(lo);
    row_max_[size_t(y)] = uint16_t(hi);
  }
  span_ = int64_t(corner) + 512;
  built_ = true;
}

namespace {

// Per pixel, with e = b - d: e < 0 the old picture; e < 256 the old picture
// brightened by e; e < 512 the new one brightened by 511 - e; then the new.
enum SpotPart { kOld, kOldBright, kNewBright, kNew };

SpotPart PartOf(int32_t b, uint16_t distance) {
  const int32_t e = b - int32_t(distance);
  return e < 0 ? kOld : e < 256 ? kOldBright : e < 512 ? kNewBright : kNew;
}

template <class F>
void Brighten(typename F::Word* d, const typename F::Word* s, const uint16_t* dist, int n,
              int32_t b) {
  using graphics::detail::Fmt15;
  using graphics::detail::Fmt16;
  using graphics::detail::Fmt32;
  if constexpr (std::is_same_v<F, Fmt32>) {
    geo::BrightenRow32(d, s, dist, n, b);
  } else if constexpr (std::is_same_v<F, Fmt16>) {
    geo::BrightenRow16(d, s, dist, n, b);
  } else if constexpr (std::is_same_v<F, Fmt15>) {
    geo::BrightenRow15(d, s, dist, n, b);
  } else {
    for (int x = 0; x < n; ++x) {
      const int32_t e = b - int32_t(dist[x]);
      const int32_t level = std::clamp(std::min(e, 511 - e), 0, 255);
      d[x] = geo::AddGrey<F>(s[x], geo::GreyOf<F>(uint32_t(level)));
    }
  }
}

// Pixels [x0, x1) of row y, over which the distance only falls or only
// rises: each part is one run, found by bisection, and handled by a copy or
// by brightening one picture.
template <class F>
void SpotSpan(const geo::Frame& frame, int y, const uint16_t* dist, int x0, int x1, int32_t b) {
  auto* d = geo::RowOf<F>(frame.dst, y);
  const auto* old_row = geo::RowOf<F>(frame.from, y);
  const auto* new_row = geo::RowOf<F>(frame.to, y);
  for (int at = x0; at < x1;) {
    const SpotPart part = PartOf(b, dist[at]);
    // The run ends at the first pixel of another part: a bisection whose
    // steps are selects, not branches, as each goes either way as often.
    int lo = at + 1, left = x1 - lo;
    if (PartOf(b, dist[x1 - 1]) == part) left = 0, lo = x1;  // the rest of the span
    while (left > 0) {
      const int half = left / 2;
      const bool same = PartOf(b, dist[lo + half]) == part;
      lo = same ? lo + half + 1 : lo;
      left = same ? left - half - 1 : half;
    }
    const int n = lo - at;
    switch (part) {
      case kOld:
        std::copy(old_row + at, old_row + lo, d + at);
        break;
      case kOldBright:
        Brighten<F>(d + at, old_row + at, dist + at, n, b);
        break;
      case kNewBright:
        Brighten<F>(d + at, new_row + at, dist + at, n, b);
        break;
      case kNew:
        std::copy(new_row + at, new_row + lo, d + at);
        break;
    }
    at = lo;
  }
}

}  // namespace

bool TWipeSpot::Step() {
  const auto clock = geo::Clock::Of(Elapsed, Duration);
  if (!clock) {
    SetChanged({});
    return true;
  }
  geo::OpenClip(dest());
  const geo::Frame frame(dest(), from(), to());
  if (!frame.ok) {
    geo::ShowNewPicture(dest(), to());
    SetChanged(dest().BoundsRect());
    return false;
  }
  if (!built_ || distance_.size() != size_t(frame.width) * size_t(frame.height)) BuildDistances();
  const int32_t b = int32_t(clock->Scale(span_));
  const size_t bytes = frame.RowBytes();
  geo::WithRowFormat(frame.bit_count, [&](auto fmt) {
    using F = decltype(fmt);
    for (int y = 0; y < frame.height; ++y) {
      // Rows the ring has not reached or has passed are plain copies.
      if (b < row_min_[size_t(y)]) {
        std::memmove(frame.dst.Row(y), frame.from.Row(y), bytes);
      } else if (b >= int32_t(row_max_[size_t(y)]) + 512) {
        std::memmove(frame.dst.Row(y), frame.to.Row(y), bytes);
      } else {
        // Distances fall towards the middle column and rise after it
        // (reversed: the other way round).
        const uint16_t* dist = &distance_[size_t(y) * size_t(frame.width)];
        SpotSpan<F>(frame, y, dist, 0, frame.width / 2, b);
        SpotSpan<F>(frame, y, dist, frame.width / 2, frame.width, b);
      }
    }
  });
  SetChanged(dest().BoundsRect());
  return false;
}

// --- ripple ------------------------------------------------------------------

namespace {

// Displacements beyond any surface all land outside the picture; keeping
// them below this keeps the arithmetic in range for any P0.
constexpr int64_t kMaxWavePx = int64_t(1) << 24;

}  // namespace

void TWipeRipple::SetParam(int index, int32_t value) {
  const int32_t old = p0_;
  TCustomWipe::SetParam(index, value);
  if (index == 0 && (value != old || wave_.empty())) BuildWave();
}

void TWipeRipple::Prepare() {
  BuildQuadrant();
  BuildWave();
}

// The top-left quadrant, rounded up for odd sizes so that mirroring it
// covers every pixel (the middle row or column mirrors onto itself).
void TWipeRipple::BuildQuadrant() {
  const int w = dest().Width(), h = dest().Height();
  quadrant_width_ = (w + 1) / 2;
  quadrant_height_ = (h + 1) / 2;
  const int cx = w / 2, cy = h / 2;
  quadrant_.assign(size_t(quadrant_width_) * size_t(quadrant_height_), RipplePolar{});
  for (int y = 0; y < quadrant_height_; ++y)
    for (int x = 0; x < quadrant_width_; ++x) {
      const double dx = x - cx, dy = y - cy, r = std::hypot(dx, dy);
      RipplePolar& p = quadrant_[size_t(y) * size_t(quadrant_width_) + size_t(x)];
      p.distance = geo::RoundEven(r);
      if (r > 0) {
        p.cos16 = geo::RoundEven(dx / r * 65536.0);
        p.sin16 = geo::RoundEven(dy / r * 65536.0);
      }
    }
  built_ = true;
}

// A sawtooth of four teeth over the wave's length, each rising 0 .. P0.
void TWipeRipple::BuildWave() {
  const int half = std::min(dest().Width() / 2, dest().Height() / 2);
  wave_length_ = 2 * half / 3;
  wave_.assign(size_t(wave_length_), 0);
  const int64_t tooth = wave_length_ / 4;
  if (tooth == 0) return;
  for (int64_t i = 0; i < wave_length_; ++i)
    wave_[size_t(i)] = int32_t(std::clamp((i % tooth) * p0_ / tooth, -kMaxWavePx, kMaxWavePx));
}

namespace {

struct RippleGeometry {
  int width, height, cx, cy;
  int64_t front;
  int32_t length;
};

// One quadrant row and its mirror images: the old picture ahead of the
// wave, the new one behind it, and inside it the new picture displaced
// outwards by the wave. Distances fall along the row towards the centre, so
// the three parts are runs found by bisection and the outer two are copies.
template <class F>
void RippleRow(const geo::Frame& frame, const RippleGeometry& g, int qy, const RipplePolar* polar,
               int quadrant_width, const std::vector<int32_t>& wave) {
  const int ys[2] = {qy, g.height - 1 - qy};
  const int rows = ys[0] == ys[1] ? 1 : 2;
  const RipplePolar* end = polar + quadrant_width;
  const RipplePolar* band =
      std::partition_point(polar, end, [&](const RipplePolar& p) { return p.distance > g.front; });
  const RipplePolar* behind = std::partition_point(band, end, [&](const RipplePolar& p) {
    return int64_t(p.distance) >= g.front - (g.length - 1);
  });
  const int ahead_px = int(band - polar), behind_from = int(behind - polar);
  const int w = g.width;
  for (int j = 0; j < rows; ++j) {
    auto* d = geo::RowOf<F>(frame.dst, ys[j]);
    const auto* old_row = geo::RowOf<F>(frame.from, ys[j]);
    const auto* new_row = geo::RowOf<F>(frame.to, ys[j]);
    std::copy(old_row, old_row + ahead_px, d);
    std::copy(old_row + w - ahead_px, old_row + w, d + w - ahead_px);
    std::copy(new_row + behind_from, new_row + quadrant_width, d + behind_from);
    std::copy(new_row + w - quadrant_width, new_row + w - behind_from, d + w - quadrant_width);
  }
  // The middle row and column of odd sizes are their own mirror images:
  // writing them twice writes the same value.
  using W = typename F::Word;
  W* d0 = geo::RowOf<F>(frame.dst, ys[0]);
  W* d1 = geo::RowOf<F>(frame.dst, ys[1]);
  const auto source = [&](int64_t y) { return geo::RowOf<F>(frame.to, int(y)); };
  const int64_t last_x = w - 1, last_y = g.height - 1;
  for (int qx = ahead_px; qx < behind_from; ++qx) {
    const RipplePolar& p = polar[qx];
    const int64_t k = int64_t(p.distance) + (g.length - 1) - g.front;
    const int64_t reach = int64_t(p.distance) + wave[size_t(k)];
    int64_t tx = g.cx + ((reach * p.cos16 + 32768) >> 16);
    int64_t ty = g.cy + ((reach * p.sin16 + 32768) >> 16);
    if (tx < 0 || tx > last_x || ty < 0 || ty > last_y) {
      tx = qx;
      ty = ys[0];
    }
    const W* top = source(ty);
    const W* bottom = source(last_y - ty);
    d0[qx] = top[tx];
    d0[last_x - qx] = top[last_x - tx];
    d1[qx] = bottom[tx];
    d1[last_x - qx] = bottom[last_x - tx];
  }
}

}  // namespace

bool TWipeRipple::Step() {
  const auto clock = geo::Clock::Of(Elapsed, Duration);
  if (!clock) {
    SetChanged({});
    return true;
  }
  geo::OpenClip(dest());
  const geo::Frame frame(dest(), from(), to());
  if (!frame.ok) {
    geo::ShowNewPicture(dest(), to());
    SetChanged(dest().BoundsRect());
    return false;
  }
  if (!built_ || quadrant_width_ != (frame.width + 1) / 2 ||
      quadrant_height_ != (frame.height + 1) / 2)
    Prepare();
  RippleGeometry g{frame.width, frame.height, frame.width / 2, frame.height / 2, 0, wave_length_};
  const int64_t corner = geo::RoundEven(std::hypot(frame.height / 2, frame.width / 2));
  g.front = clock->Scale(corner + wave_length_);
  geo::WithRowFormat(frame.bit_count, [&](auto fmt) {
    for (int qy = 0; qy < quadrant_height_; ++qy)
      RippleRow<decltype(fmt)>(frame, g, qy, &quadrant_[size_t(qy) * size_t(quadrant_width_)],
                               quadrant_width_, wave_);
  });
  SetChanged(dest().BoundsRect());
  return false;
}

}  // namespace vesk::transitions
