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

// A turning column: its span of destination rows, and the picture column
// it shows squeezed into the span.
struct TurningColumn {
  int start = 0, length = 0;
  int64_t step16 = 0;    // source rows per span row, 16.16
  ptrdiff_t stride = 0;  // bytes from one picture row to the next
  const uint8_t* top{};  // the column's pixel in picture row 0
};

// Rows [y0, y1) of one turning column, `d` at its pixel in row y0: black
// above and below the span, a plain loop over the span, so no pixel waits
// on a choice.
template <class W>
void DrawColumnPart(uint8_t* d, ptrdiff_t dest_stride, const TurningColumn& col, int y0, int y1) {
  const int span0 = std::clamp(col.start, y0, y1);
  const int span1 = std::clamp(col.start + col.length, span0, y1);
  auto put = [&](W v) {
    *reinterpret_cast<W*>(d) = v;
    d += dest_stride;
  };
  for (int y = y0; y < span0; ++y) put(W(0));
  // Source row (k * step) >> 16 for k = y - start, stepped on.
  int64_t pos = int64_t(span0 - col.start) * col.step16;
  for (int y = span0; y < span1; ++y, pos += col.step16)
    put(*reinterpret_cast<const W*>(col.top + ptrdiff_t(pos >> 16) * col.stride));
  for (int y = span1; y < y1; ++y) put(W(0));
}

// Columns are drawn in tiles of a cache line across and kTileRows down,
// column by column inside a tile, so the tile's lines of the destination
// and of the pictures stay in the nearest cache; the turned-over part is a
// copy of the new picture's rows.
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
  std::vector<TurningColumn> columns(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    const Strip& s = strips[size_t(lo + i)];
    const graphics::ConstPixelView& picture = s.shows_new ? frame.to : frame.from;
    columns[size_t(i)] = {s.start, s.state == Strip::kTurning ? s.length : 0, s.step16,
                          picture.stride_bytes, picture.origin + size_t(lo + i) * sizeof(W)};
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
  constexpr int kBlock = int(64 / sizeof(W));
  constexpr int kTileRows = 32;
  const ptrdiff_t dest_stride = frame.dst.stride_bytes;
  for (int b0 = 0; b0 < n; b0 += kBlock) {
    const int b1 = std::min(n, b0 + kBlock);
    for (int y0 = 0; y0 < frame.height; y0 += kTileRows) {
      const int y1 = std::min(frame.height, y0 + kTileRows);
      uint8_t* row = frame.dst.Row(y0) + size_t(lo) * pixel;
      for (int i = b0; i < b1; ++i)
        DrawColumnPart<W>(row + size_t(i) * pixel, dest_stride, columns[size_t(i)], y0, y1);
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
