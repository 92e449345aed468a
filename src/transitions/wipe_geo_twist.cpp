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
  using W = typename F::Word;
  const int w = frame.width;
  const size_t bytes = frame.RowBytes();
  for (int y = 0; y < frame.height; ++y) {
    const Strip& s = strips[size_t(y)];
    if (s.state == Strip::kWaiting) continue;
    if (s.state == Strip::kDone) {
      std::memmove(frame.dst.Row(y), frame.to.Row(y), bytes);
      continue;
    }
    W* d = geo::RowOf<F>(frame.dst, y);
    const W* src = geo::RowOf<F>(s.shows_new ? frame.to : frame.from, y);
    std::fill(d, d + s.start, W(0));
    std::fill(d + s.start + s.length, d + w, W(0));
    int64_t pos = 0;
    for (int i = 0; i < s.length; ++i, pos += s.step16) d[s.start + i] = src[pos >> 16];
  }
}

// Columns are drawn row by row: per column of the turning part a span and
// the picture column it shows; the turned-over part is a copy of the new
// picture's rows.
template <class F>
void TwistColumns(const geo::Frame& frame, const std::vector<Strip>& strips, const Rect& band) {
  using W = typename F::Word;
  int lo = band.right, hi = band.left;  // the turning columns
  for (int x = band.left; x < band.right; ++x)
    if (strips[size_t(x)].state == Strip::kTurning) {
      lo = std::min(lo, x);
      hi = std::max(hi, x + 1);
    }
  if (lo >= hi) lo = hi = band.right;
  const int n = hi - lo;
  const size_t count = static_cast<size_t>(n);
  std::vector<int32_t> start(count), length(count);
  std::vector<int64_t> step(count), stride(count);
  std::vector<const uint8_t*> column(count);
  for (int i = 0; i < n; ++i) {
    const Strip& s = strips[size_t(lo + i)];
    const graphics::ConstPixelView& picture = s.shows_new ? frame.to : frame.from;
    start[size_t(i)] = s.start;
    length[size_t(i)] = s.state == Strip::kTurning ? s.length : 0;
    step[size_t(i)] = s.step16;
    stride[size_t(i)] = picture.stride_bytes;
    column[size_t(i)] = picture.origin + size_t(lo + i) * sizeof(W);
  }
  const size_t pixel = sizeof(W);
  for (int y = 0; y < frame.height; ++y) {
    W* d = geo::RowOf<F>(frame.dst, y);
    const W* done = geo::RowOf<F>(frame.to, y);
    // The turned-over columns lie between the band's edge and the turning
    // ones.
    if (band.left < lo)
      std::memcpy(d + band.left, done + band.left, size_t(lo - band.left) * pixel);
    if (hi < band.right) std::memcpy(d + hi, done + hi, size_t(band.right - hi) * pixel);
  }
  // Turning columns go in blocks of a cache line across, top to bottom:
  // neighbouring columns read neighbouring source rows, so a block's reads
  // stay in the nearest cache.
  constexpr int kBlock = int(64 / sizeof(W));
  for (int b0 = 0; b0 < n; b0 += kBlock) {
    const int b1 = std::min(n, b0 + kBlock);
    for (int y = 0; y < frame.height; ++y) {
      W* d = geo::RowOf<F>(frame.dst, y) + lo;
      for (int i = b0; i < b1; ++i) {
        const size_t c = size_t(i);
        const int32_t k = y - start[c];
        d[i] = uint32_t(k) < uint32_t(length[c])
                   ? *reinterpret_cast<const W*>(column[c] + ((k * step[c]) >> 16) * stride[c])
                   : W(0);
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
  geo::OpenClip(dest());
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
  geo::OpenClip(dest());
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
