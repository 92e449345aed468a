// Rows or columns turning over like cards. A strip at angle phi shows the
// old picture squeezed to cos(phi) of its length on the front and the new
// one on the back, centred on black; strips start one after another from
// the starting edge, the last when the first has turned three quarters.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "transitions/wipe_geo.h"
#include "transitions/wipe_geo_support.h"

namespace vesk::transitions {

namespace {

constexpr double kPi = std::numbers::pi;

// One strip at one step: not started, turning (a span of `length` pixels
// from `start`, showing the old or the new picture), or turned over.
struct Strip {
  enum State : uint8_t { kWaiting, kTurning, kDone } state = kWaiting;
  bool shows_new = false;
  int start = 0, length = 0;
  int64_t step16 = 0;  // source pixels per span pixel, 16.16
};

// Strip i of `count` across pictures `side_px` long.
Strip StripAt(const geo::Clock& clock, int i, int count, int side_px) {
  const double phi = 1.5 * kPi * clock.Ratio() - double(i) / count * kPi / 2;
  Strip s;
  if (phi < 0) return s;
  if (phi >= kPi) {
    s.state = Strip::kDone;
    return s;
  }
  s.state = Strip::kTurning;
  const int len = geo::RoundEven(side_px * std::cos(phi));
  s.shows_new = len < 0;
  s.length = std::abs(len);
  s.start = (side_px - s.length) / 2;
  if (s.length > 0) s.step16 = int64_t(double(side_px) / s.length * 65536.0);
  return s;
}

// The strips of a step, indexed by position (reversed: the starting edge is
// the far one), and how many from the starting edge have started.
std::vector<Strip> Strips(const geo::Clock& clock, int count, int side_px, bool reverse,
                          int& started) {
  std::vector<Strip> strips(static_cast<size_t>(count));
  started = 0;
  for (int i = 0; i < count; ++i) {
    const Strip s = StripAt(clock, i, count, side_px);
    if (s.state == Strip::kWaiting) break;  // later strips start later still
    strips[size_t(reverse ? count - 1 - i : i)] = s;
    started = i + 1;
  }
  return strips;
}

// The part of the destination the started strips cover.
Rect StartedBand(int started, int count, bool reverse, bool rows, int w, int h) {
  const int lo = reverse ? count - started : 0, hi = reverse ? count : started;
  return rows ? Rect{0, lo, w, hi} : Rect{lo, 0, hi, h};
}

template <class F>
void TwistRows(const geo::Frame& frame, const std::vector<Strip>& strips) {
  const int w = frame.width;
  const size_t bytes = frame.RowBytes();
  for (int y = 0; y < frame.height; ++y) {
    const Strip& s = strips[size_t(y)];
    if (s.state == Strip::kWaiting) continue;
    if (s.state == Strip::kDone) {
      std::memmove(frame.dst.Row(y), frame.to.Row(y), bytes);
      continue;
    }
    auto* d = geo::RowOf<F>(frame.dst, y);
    const auto* src = geo::RowOf<F>(s.shows_new ? frame.to : frame.from, y);
    std::fill(d, d + w, typename F::Word(0));
    for (int i = 0; i < s.length; ++i) d[s.start + i] = src[(i * s.step16) >> 16];
  }
}

template <class F>
void TwistColumns(const geo::Frame& frame, const std::vector<Strip>& strips, const Rect& band) {
  for (int y = 0; y < frame.height; ++y) {
    auto* d = geo::RowOf<F>(frame.dst, y);
    const auto* done = geo::RowOf<F>(frame.to, y);
    for (int x = band.left; x < band.right; ++x) {
      const Strip& s = strips[size_t(x)];
      if (s.state == Strip::kDone) {
        d[x] = done[x];
      } else if (s.state == Strip::kTurning) {
        const int i = y - s.start;
        if (i < 0 || i >= s.length) {
          d[x] = 0;
        } else {
          const int sy = int((i * s.step16) >> 16);
          d[x] = geo::RowOf<F>(s.shows_new ? frame.to : frame.from, sy)[x];
        }
      }
    }
  }
}

}  // namespace

bool TWipeTwistH::Step() {
  const auto clock = geo::Clock::Of(Elapsed, Duration);
  if (!clock) {
    SetChanged({});
    return true;
  }
  const geo::Frame frame(dest(), from(), to());
  if (!frame.ok) {
    geo::ShowNewPicture(dest(), to());
    SetChanged(dest().BoundsRect());
    return false;
  }
  int started = 0;
  const std::vector<Strip> strips = Strips(*clock, frame.height, frame.width, Reverse(), started);
  geo::WithRowFormat(frame.bit_count, [&](auto fmt) { TwistRows<decltype(fmt)>(frame, strips); });
  SetChanged(StartedBand(started, frame.height, Reverse(), true, frame.width, frame.height));
  return false;
}

bool TWipeTwistV::Step() {
  const auto clock = geo::Clock::Of(Elapsed, Duration);
  if (!clock) {
    SetChanged({});
    return true;
  }
  const geo::Frame frame(dest(), from(), to());
  if (!frame.ok) {
    geo::ShowNewPicture(dest(), to());
    SetChanged(dest().BoundsRect());
    return false;
  }
  int started = 0;
  const std::vector<Strip> strips = Strips(*clock, frame.width, frame.height, Reverse(), started);
  const Rect band = StartedBand(started, frame.width, Reverse(), false, frame.width, frame.height);
  geo::WithRowFormat(frame.bit_count,
                     [&](auto fmt) { TwistColumns<decltype(fmt)>(frame, strips, band); });
  SetChanged(band);
  return false;
}

}  // namespace vesk::transitions
