// The effects that move pieces of a picture over the other one: the
// shrinking and growing turned picture and the cracking tiles.
#include <algorithm>
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

}  // namespace

bool TWipeSmall::Step() {
  const auto clock = geo::Clock::Of(Elapsed, Duration);
  if (!clock) {
    SetChanged({});
    return true;
  }
  graphics::TCustomDIBX& d = dest();
  geo::OpenClip(d);
  d.Draw(0, 0, to(), to().BoundsRect(), KeyMode::kIgnore, Flip::kNone);
  const double rest = double(clock->T - clock->t - 1) / double(clock->T);
  DrawTurned(d, from(), geo::RoundEven(255 * rest), TurnAngle(p0_, Reverse(), clock->Ratio()));
  SetChanged(d.BoundsRect());
  return false;
}

bool TWipeBig::Step() {
  const auto clock = geo::Clock::Of(Elapsed, Duration);
  if (!clock) {
    SetChanged({});
    return true;
  }
  graphics::TCustomDIBX& d = dest();
  geo::OpenClip(d);
  d.Draw(0, 0, from(), from().BoundsRect(), KeyMode::kIgnore, Flip::kNone);
  const double rest = double(clock->T - clock->t - 1) / double(clock->T);
  DrawTurned(d, to(), geo::RoundEven(255 * clock->Ratio()), TurnAngle(p0_, Reverse(), rest));
  SetChanged(d.BoundsRect());
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
  if (!built_) BuildTiles();
  graphics::TCustomDIBX& d = dest();
  const int32_t w = d.Width(), h = d.Height(), side = p0_;
  const int64_t count = int64_t(tiles_.size());
  if (count == 0) return false;
  const int64_t b = clock->Scale(fall_time_ + (count - 1) * int64_t(p1_));
  // Tile j starts at j * P1: the started ones are a prefix of the order.
  const int64_t started = p1_ == 0 ? count : std::min(count, b / p1_ + 1);
  geo::OpenClip(d);
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
