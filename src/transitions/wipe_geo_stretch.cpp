// The effects that stretch whole pictures: mosaic, the roll-up blinds and
// the zoom.
#include <algorithm>

#include "transitions/wipe_geo.h"
#include "transitions/wipe_geo_support.h"

namespace vesk::transitions {

using graphics::Flip;
using graphics::KeyMode;

namespace {

// The mosaic's block factor (out of 256) at progress p in 0..1022.
int MosaicFactor(int p) {
  if (p <= 255) return 263 - (p / 2) * 15 / 16;
  if (p <= 511) return 263 - (((p / 2) * 15) >> 4);
  return ((p - 512) / 2) * 15 / 16 + 24;
}

// Pixelated size of a side at factor f: a quarter of it scaled by f / 256.
int MosaicSide(int side_px, int f) {
  return std::max(1, ((side_px / 4) * f) >> 8);
}

}  // namespace

// --- mosaic ------------------------------------------------------------------

void TWipeMosaic::Prepare() {
  const graphics::TCustomDIBX& d = dest();
  if (d.IsEmpty()) return;
  // The largest pixelated picture is made at factor 263.
  const int w = MosaicSide(d.Width(), 263), h = MosaicSide(d.Height(), 263);
  if (scratch_.Width() == w && scratch_.Height() == h && scratch_.BitCount() == d.BitCount())
    return;
  try {
    scratch_.SetSize(w, h, d.BitCount());
  } catch (const graphics::EGraphicsError&) {
    scratch_.Clear();
  }
}

bool TWipeMosaic::Step() {
  const auto clock = geo::Clock::Of(Elapsed, Duration);
  if (!clock) {
    SetChanged({});
    return true;
  }
  geo::OpenClip(dest());
  graphics::TCustomDIBX& d = dest();
  if (d.IsEmpty()) return false;
  Prepare();
  if (scratch_.IsEmpty() || scratch_.BitCount() != d.BitCount()) {
    geo::ShowNewPicture(d, to());
    SetChanged(d.BoundsRect());
    return false;
  }
  const int p = int(clock->Scale(1023));
  const int f = MosaicFactor(p);
  const Rect small{0, 0, MosaicSide(d.Width(), f), MosaicSide(d.Height(), f)};
  // The first half pixelates the old picture and blends the new one into
  // it more and more; the last quarter shows the new picture alone.
  const graphics::TCustomDIBX& base = p <= 767 ? from() : to();
  const int alpha = p >= 256 && p <= 511 ? (p - 256) / 4 : p >= 512 && p <= 767 ? (p - 256) / 2 : 0;
  scratch_.StretchAlpha(small, base, base.BoundsRect(), KeyMode::kIgnore, Flip::kNone, 255);
  if (alpha > 0)
    scratch_.StretchAlpha(small, to(), to().BoundsRect(), KeyMode::kIgnore, Flip::kNone, alpha);
  // Stretching back is the costly part: done on raw rows when it can be.
  const geo::Frame frame(d, from(), to());
  const graphics::TDIBX& scratch = scratch_;
  if (frame.ok && scratch.BitCount() == frame.bit_count) {
    geo::StretchOver(frame, scratch.View(), small);
  } else {
    d.StretchAlpha(d.BoundsRect(), scratch_, small, KeyMode::kIgnore, Flip::kNone, 255);
  }
  SetChanged(d.BoundsRect());
  return false;
}

// --- roll-up blinds --------------------------------------------------------------

namespace {

// Where the blind is: the picture it smears and the last smeared column or
// row, out of `side_px`.
struct BlindState {
  const graphics::ConstPixelView* picture;
  int edge;
};

BlindState Blind(const geo::Clock& clock, int side_px, const geo::Frame& frame) {
  const int a = int(clock.Scale(2 * int64_t(side_px) - 1));
  if (a < side_px) return {&frame.from, a};
  return {&frame.to, 2 * side_px - 1 - a};
}

// Columns 0..edge repeat column `edge`; the rest is the picture itself
// (reversed: mirrored, smearing from the right edge).
template <class F>
void SmearColumns(const geo::Frame& frame, const graphics::ConstPixelView& picture, int edge,
                  bool reverse) {
  const int w = frame.width;
  for (int y = 0; y < frame.height; ++y) {
    auto* d = geo::RowOf<F>(frame.dst, y);
    const auto* s = geo::RowOf<F>(picture, y);
    if (!reverse) {
      std::fill(d, d + edge + 1, s[edge]);
      std::copy(s + edge + 1, s + w, d + edge + 1);
    } else {
      const int first = w - 1 - edge;
      std::copy(s, s + first, d);
      std::fill(d + first, d + w, s[first]);
    }
  }
}

void SmearRows(const geo::Frame& frame, const graphics::ConstPixelView& picture, int edge,
               bool reverse) {
  const int h = frame.height;
  const int smeared = reverse ? h - 1 - edge : edge;
  const size_t bytes = frame.RowBytes();
  for (int y = 0; y < h; ++y) {
    const bool in_smear = reverse ? y >= smeared : y <= smeared;
    std::memmove(frame.dst.Row(y), picture.Row(in_smear ? smeared : y), bytes);
  }
}

}  // namespace

bool TWipeSudareH::Step() {
  const auto clock = geo::Clock::Of(Elapsed, Duration);
  if (!clock) {
    SetChanged({});
    return true;
  }
  geo::OpenClip(dest());
  const geo::Frame frame(dest(), from(), to());
  if (!frame.ok) {
    geo::ShowNewPicture(dest(), to());
  } else {
    const BlindState blind = Blind(*clock, frame.width, frame);
    geo::WithRowFormat(frame.bit_count, [&](auto fmt) {
      SmearColumns<decltype(fmt)>(frame, *blind.picture, blind.edge, Reverse());
    });
  }
  SetChanged(dest().BoundsRect());
  return false;
}

bool TWipeSudareV::Step() {
  const auto clock = geo::Clock::Of(Elapsed, Duration);
  if (!clock) {
    SetChanged({});
    return true;
  }
  geo::OpenClip(dest());
  const geo::Frame frame(dest(), from(), to());
  if (!frame.ok) {
    geo::ShowNewPicture(dest(), to());
  } else {
    const BlindState blind = Blind(*clock, frame.height, frame);
    SmearRows(frame, *blind.picture, blind.edge, Reverse());
  }
  SetChanged(dest().BoundsRect());
  return false;
}

// --- zoom ------------------------------------------------------------------------

namespace {

// One side of the viewed rectangle: its size at scale k and its start, the
// centre moved towards `point` by `weight` and kept inside the picture.
void ZoomSide(int side_px, double k, double weight, int32_t point, int32_t& start, int32_t& size) {
  size = std::max(1, geo::RoundEven(side_px * k));
  size = std::min(size, side_px);
  const double shift = std::nearbyint((double(point) - side_px / 2.0) * weight);
  const double left = shift + side_px / 2 - size / 2;
  start = int32_t(std::clamp(left, 0.0, double(side_px - size)));
}

}  // namespace

bool TWipeZoomin::Step() {
  const auto clock = geo::Clock::Of(Elapsed, Duration);
  if (!clock) {
    SetChanged({});
    return true;
  }
  geo::OpenClip(dest());
  graphics::TCustomDIBX& d = dest();
  if (d.IsEmpty()) return false;
  const double c = 2.0 * clock->Ratio();
  const bool first_half = c <= 1.0;
  const graphics::TCustomDIBX& picture = first_half ? from() : to();
  const double k = first_half ? 1.0 - c : c - 1.0;
  const double weight = first_half ? c : 2.0 - c;
  int32_t left = 0, top = 0, width = 1, height = 1;
  ZoomSide(d.Width(), k, weight, p0_, left, width);
  ZoomSide(d.Height(), k, weight, p1_, top, height);
  const Rect viewed = Rect::FromSize(left, top, width, height);
  const geo::Frame frame(d, from(), to());
  if (frame.ok) {
    geo::StretchOver(frame, first_half ? frame.from : frame.to, viewed);
  } else {
    d.StretchAlpha(d.BoundsRect(), picture, viewed, KeyMode::kIgnore, Flip::kNone, 255);
  }
  SetChanged(d.BoundsRect());
  return false;
}

}  // namespace vesk::transitions
