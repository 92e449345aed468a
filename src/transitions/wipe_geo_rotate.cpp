// The effects that move pieces of a picture over the other one: the
// shrinking and growing turned picture and the cracking tiles.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

#include "transitions/wipe_geo.h"
#include "transitions/wipe_geo_support.h"

namespace vesk::transitions {

using graphics::Flip;
using graphics::KeyMode;

namespace {

// round(turn * ratio) in 1/256 turns, reduced to one turn (the drawing is
// the same and the angle stays small for any P0).
int TurnAngle(int32_t turn, bool reverse, double ratio) {
  const int64_t a = geo::RoundEven((reverse ? -double(turn) : double(turn)) * ratio);
  return int(graphics::detail::FloorMod(a, 256));
}

// `picture` drawn over the destination's centre, turned about its own
// centre and zoomed by zoom / 256, with the zoom as its blend value.
void DrawTurned(graphics::TCustomDIBX& d, const graphics::TCustomDIBX& picture, int zoom,
                int angle) {
  if (zoom <= 0) return;
  d.DrawRotate(d.Width() / 2, d.Height() / 2, zoom, zoom, picture, picture.BoundsRect(),
               picture.Width() / 2, picture.Height() / 2, angle, KeyMode::kIgnore, Flip::kNone,
               zoom);
}

// --- the same on raw rows ------------------------------------------------------
// A full-screen rotation through the surface call gathers every pixel of
// the bounding box one by one; here each row's run inside the picture is
// solved for directly and blended over the base picture in the same pass.
// The geometry is the surfaces' own (DrawRotate), so both draw alike.

struct Turn {
  int64_t du_dx = 0, dv_dx = 0, du_dy = 0, dv_dy = 0;
  Rect box;
};

using Real = long double;

int64_t Fixed(Real v) {
  return int64_t(std::trunc(v * 65536.0L));
}

int32_t ClampCoord(Real v) {
  return int32_t(std::clamp<Real>(std::trunc(v), -1e9L, 1e9L));
}

// The inverse steps and the destination box of a w x h picture zoomed by
// zoom / 256, turned by angle / 256 of a turn, its point `pivot` placed on
// `centre`.
Turn SetupTurn(int w, int h, int centre_x, int centre_y, int pivot_x, int pivot_y, int zoom,
               int angle) {
  const Real z = zoom / 256.0L;
  const Real theta = angle * 2.0L * std::numbers::pi_v<Real> / 256.0L;
  const Real c = std::cos(theta), s = std::sin(theta);
  Turn t;
  t.du_dx = Fixed(c / z);
  t.dv_dx = Fixed(-s / z);
  t.du_dy = Fixed(s / z);
  t.dv_dy = Fixed(c / z);
  const Real px = pivot_x * z, py = pivot_y * z;
  const Real right = Real(w) * z - px - 1, bottom = Real(h) * z - py - 1;
  const Real cxs[4] = {-px, right, -px, right}, cys[4] = {-py, -py, bottom, bottom};
  Real min_x = 0, max_x = 0, min_y = 0, max_y = 0;
  for (int i = 0; i < 4; ++i) {
    const Real x = centre_x + cxs[i] * c - cys[i] * s;
    const Real y = centre_y + cxs[i] * s + cys[i] * c;
    min_x = i ? std::min(min_x, x) : x;
    max_x = i ? std::max(max_x, x) : x;
    min_y = i ? std::min(min_y, y) : y;
    max_y = i ? std::max(max_y, y) : y;
  }
  t.box = Rect{ClampCoord(min_x), ClampCoord(min_y), ClampCoord(max_x) + 1, ClampCoord(max_y) + 1};
  return t;
}

int64_t FloorDiv(int64_t a, int64_t b) {  // b > 0
  const int64_t q = a / b;
  return (a % b != 0 && a < 0) ? q - 1 : q;
}

// Narrows [lo, hi) to the i with 0 <= a + i * step < limit.
void Narrow(int64_t a, int64_t step, int64_t limit, int64_t& lo, int64_t& hi) {
  if (step == 0) {
    if (a < 0 || a >= limit) hi = lo;
    return;
  }
  if (step > 0) {
    lo = std::max(lo, -FloorDiv(a, step));
    hi = std::min(hi, FloorDiv(limit - 1 - a, step) + 1);
  } else {
    const int64_t s = -step;
    lo = std::max(lo, FloorDiv(a - limit, s) + 1);
    hi = std::min(hi, FloorDiv(a, s) + 1);
  }
}

// dest = base with `picture` turned and zoomed over its centre, blended
// with the zoom as blend value (255 opaque; otherwise the DrawAlpha rule).
template <class F>
void TurnOver(const geo::Frame& frame, const graphics::ConstPixelView& picture,
              const graphics::ConstPixelView& base, int zoom, int angle) {
  using W = typename F::Word;
  geo::CopyRows(frame, base);
  if (zoom <= 0) return;
  const int w = frame.width, h = frame.height;
  const int cx = w / 2, cy = h / 2;
  const Turn t = SetupTurn(w, h, cx, cy, cx, cy, zoom, angle);
  const Rect box = t.box.Intersect(Rect{0, 0, w, h});
  if (box.IsEmpty()) return;
  graphics::detail::RuleParams rule;
  rule.rule = zoom >= 255 ? graphics::detail::Rule::kCopy : graphics::detail::Rule::kAlpha;
  rule.amount = uint32_t(std::min(zoom, 255));
  std::vector<W> run(static_cast<size_t>(box.Width()));
  // Unturned (the usual case), every row samples the same columns: they
  // are worked out once.
  const bool unturned = t.dv_dx == 0 && t.du_dy == 0;
  std::vector<int32_t> columns;
  if (unturned) {
    int64_t lo = 0, hi = box.Width();
    const int64_t u0 = int64_t(cx) * 65536 + (int64_t(box.left) - cx) * t.du_dx;
    Narrow(u0, t.du_dx, int64_t(w) * 65536, lo, hi);
    for (int64_t i = lo; i < hi; ++i) columns.push_back(int32_t((u0 + i * t.du_dx) >> 16));
  }
  for (int y = box.top; y < box.bottom; ++y) {
    const int64_t ox = int64_t(box.left) - cx, oy = int64_t(y) - cy;
    const int64_t u0 = int64_t(cx) * 65536 + ox * t.du_dx + oy * t.du_dy;
    const int64_t v0 = int64_t(cy) * 65536 + ox * t.dv_dx + oy * t.dv_dy;
    int64_t lo = 0, hi = box.Width();
    Narrow(u0, t.du_dx, int64_t(w) * 65536, lo, hi);
    Narrow(v0, t.dv_dx, int64_t(h) * 65536, lo, hi);
    if (lo >= hi) continue;
    // Gather the run, then blend it with the surfaces' row loops.
    if (unturned) {
      const W* row = geo::RowOf<F>(picture, int(v0 >> 16));
      for (int64_t i = 0; i < hi - lo; ++i) run[size_t(i)] = row[columns[size_t(i)]];
    } else {
      int64_t u = u0 + lo * t.du_dx, v = v0 + lo * t.dv_dx;
      for (int64_t i = lo; i < hi; ++i, u += t.du_dx, v += t.dv_dx)
        run[size_t(i - lo)] = geo::RowOf<F>(picture, int(v >> 16))[u >> 16];
    }
    graphics::detail::ApplyRow<F>(graphics::detail::MakeRow<F>(frame.dst, box.left + int(lo), y),
                                  run.data(), nullptr, int(hi - lo), rule);
  }
}

// Small and Big: `picture` over `base` on raw rows when the frame allows,
// else through the surface calls.
void TurnStep(graphics::TCustomDIBX& d, const graphics::TCustomDIBX& picture,
              const graphics::TCustomDIBX& base, const geo::Frame& frame, bool picture_is_new,
              int zoom, int angle) {
  if (frame.ok) {
    geo::WithRowFormat(frame.bit_count, [&](auto fmt) {
      TurnOver<decltype(fmt)>(frame, picture_is_new ? frame.to : frame.from,
                              picture_is_new ? frame.from : frame.to, zoom, angle);
    });
    return;
  }
  d.Draw(0, 0, base, base.BoundsRect(), KeyMode::kIgnore, Flip::kNone);
  DrawTurned(d, picture, zoom, angle);
}

}  // namespace

bool TWipeSmall::Step() {
  const auto clock = geo::Clock::Of(Elapsed, Duration);
  if (!clock) {
    SetChanged({});
    return true;
  }
  geo::OpenClip(dest());
  const double rest = double(clock->T - clock->t - 1) / double(clock->T);
  const geo::Frame frame(dest(), from(), to());
  TurnStep(dest(), from(), to(), frame, false, geo::RoundEven(255 * rest),
           TurnAngle(p0_, Reverse(), clock->Ratio()));
  SetChanged(dest().BoundsRect());
  return false;
}

bool TWipeBig::Step() {
  const auto clock = geo::Clock::Of(Elapsed, Duration);
  if (!clock) {
    SetChanged({});
    return true;
  }
  geo::OpenClip(dest());
  const double rest = double(clock->T - clock->t - 1) / double(clock->T);
  const geo::Frame frame(dest(), from(), to());
  TurnStep(dest(), to(), from(), frame, true, geo::RoundEven(255 * clock->Ratio()),
           TurnAngle(p0_, Reverse(), rest));
  SetChanged(dest().BoundsRect());
  return false;
}

// --- crack -------------------------------------------------------------------

namespace {

// Height of a tile's flight a time units after its start: up first, then
// down faster and faster.
int64_t FlightY(int64_t a) {
  return (5 * a * a - 1500 * a) / 1000;
}

// The first time at which a tile starting at the top has fallen past the
// bottom edge.
int64_t FallTime(int height_px) {
  int64_t e = 1;
  while (FlightY(e) < height_px) ++e;
  return e;
}

}  // namespace

void TWipeCrack::SetParam(int index, int32_t value) {
  if (index == 0) {
    p0_ = std::max(value, kMinTilePx);
    built_ = false;
  } else if (index == 1) {
    p1_ = std::max(value, 0);
  } else {
    TCustomWipe::SetParam(index, value);
  }
}

void TWipeCrack::Prepare() {
  BuildTiles();
}

void TWipeCrack::BuildTiles() {
  const int64_t w = dest().Width(), h = dest().Height(), side = p0_;
  const int64_t columns = (w + side - 1) / side, rows = (h + side - 1) / side;
  const int64_t count = columns * rows;
  // The runtime's generator when there is one; otherwise a fixed one, so
  // that runs repeat.
  std::minstd_rand own(12341);
  const auto random = [&](int32_t n) -> int32_t {
    const int32_t r =
        services() && services()->random ? services()->random(n) : int32_t(own() % uint32_t(n));
    return ((r % n) + n) % n;
  };
  std::vector<int32_t> left(static_cast<size_t>(count));
  for (int64_t i = 0; i < count; ++i) left[size_t(i)] = int32_t(i);
  tiles_.clear();
  tiles_.reserve(size_t(count));
  for (int64_t j = 0; j < count; ++j) {
    const int32_t remaining = int32_t(count - j);
    const int32_t pick = random(remaining);
    const int32_t index = left[size_t(pick)];
    left[size_t(pick)] = left[size_t(remaining - 1)];
    const int32_t speed = random(200) - 100;
    tiles_.push_back(Tile{int32_t(index % columns), int32_t(index / columns), speed});
  }
  fall_time_ = FallTime(int(h));
  built_ = true;
}

bool TWipeCrack::Step() {
  const auto clock = geo::Clock::Of(Elapsed, Duration);
  if (!clock) {
    SetChanged({});
    return true;
  }
  geo::OpenClip(dest());
  if (!built_) BuildTiles();
  graphics::TCustomDIBX& d = dest();
  const int32_t w = d.Width(), h = d.Height(), side = p0_;
  const int64_t count = int64_t(tiles_.size());
  if (count == 0) return false;
  const int64_t b = clock->Scale(fall_time_ + (count - 1) * int64_t(p1_));
  // Tile j starts at j * P1: the started ones are a prefix of the order.
  const int64_t started = p1_ == 0 ? count : std::min(count, b / p1_ + 1);
  d.Draw(0, 0, to(), to().BoundsRect(), KeyMode::kIgnore, Flip::kNone);
  const auto piece = [&](const Tile& tile) {
    const int32_t x = tile.column * side, y = tile.row * side;
    return Rect{x, y, std::min(w, x + side), std::min(h, y + side)};
  };
  for (int64_t j = started; j < count; ++j) {
    const Rect r = piece(tiles_[size_t(j)]);
    d.Draw(r.left, r.top, from(), r, KeyMode::kIgnore, Flip::kNone);
  }
  // Earlier tiles fly in front of later ones.
  for (int64_t j = started - 1; j >= 0; --j) {
    const int64_t a = b - j * int64_t(p1_);
    if (a >= fall_time_) continue;  // fallen past the bottom edge
    const Tile& tile = tiles_[size_t(j)];
    const Rect r = piece(tile);
    const int64_t y = r.top + FlightY(a);
    if (y >= h) continue;
    const int64_t x = r.left + a * tile.speed / 100;
    d.Draw(int32_t(x), int32_t(y), from(), r, KeyMode::kIgnore, Flip::kNone);
  }
  SetChanged(d.BoundsRect());
  return false;
}

}  // namespace vesk::transitions
