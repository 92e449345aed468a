#include "transitions/wipe_plain.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "transitions/wipe_groups.h"
#include "transitions/wipe_mask_effects.h"

namespace vesk::transitions {

using graphics::Flip;
using graphics::KeyMode;
using graphics::TCustomDIBX;

namespace {

// Whether both pictures are at least the destination's size. When one is
// not, the part the two leave uncovered is cleared to 0 rather than keep an
// earlier frame.
bool CoversDest(const TCustomDIBX& dest, const TCustomDIBX& a, const TCustomDIBX& b) {
  return a.Width() >= dest.Width() && a.Height() >= dest.Height() && b.Width() >= dest.Width() &&
         b.Height() >= dest.Height();
}

}  // namespace

// --- fade ----------------------------------------------------------------------

bool TWipeFade::Step() {
  SetChanged(Rect{});
  if (WipeFinished(*this)) return true;
  const double t = ClampedElapsed(*this), d = EffectiveDuration(*this);
  const double r = (d - t - 1) / d;
  const auto ox = int32_t(std::nearbyint(p0_ * r)), oy = int32_t(std::nearbyint(p1_ * r));
  const auto alpha = int(ScaleElapsed(*this, 256));
  if (dest().BitCount() < 8) {
    // Packed pixels: the surface operations know how to address them.
    CopyPicture(dest(), from());
    dest().DrawAlpha(ox, oy, to(), to().BoundsRect(), KeyMode::kIgnore, Flip::kNone, alpha);
  } else if (rows_.Begin(dest(), from(), to())) {
    BlendRows(ox, oy, uint32_t(alpha));
    rows_.Commit(dest());
  }
  SetChanged(dest().BoundsRect());
  return false;
}

// The old picture with the new one blended over the part it covers at
// (ox, oy): one pass instead of a copy and a blend.
void TWipeFade::BlendRows(int32_t ox, int32_t oy, uint32_t alpha) {
  const graphics::PixelView& out = rows_.Dest();
  const graphics::ConstPixelView &f = rows_.From(), &n = rows_.To();
  const int64_t to_w = std::min<int64_t>(to().Width(), n.width_px);
  const int64_t to_h = std::min<int64_t>(to().Height(), n.height_px);
  const int64_t x0 = std::clamp<int64_t>(ox, 0, out.width_px);
  const int64_t x1 = std::clamp<int64_t>(int64_t{ox} + to_w, x0, out.width_px);
  const size_t pixel_bytes = size_t(out.bit_count == 15 ? 16 : out.bit_count) / 8;
  auto copy = [&](int y, int64_t from_x, int64_t to_x) {
    if (out.Row(y) == f.Row(y) || from_x >= to_x) return;
    std::memcpy(out.Row(y) + size_t(from_x) * pixel_bytes, f.Row(y) + size_t(from_x) * pixel_bytes,
                size_t(to_x - from_x) * pixel_bytes);
  };
  for (int y = 0; y < out.height_px; ++y) {
    const int64_t ty = int64_t{y} - oy;
    if (alpha == 0 || ty < 0 || ty >= to_h || x0 >= x1) {
      copy(y, 0, out.width_px);
      continue;
    }
    copy(y, 0, x0);
    copy(y, x1, out.width_px);
    AlphaSpan(out, f, n, FadeSpan{y, int(x0), int(ty), int(x0 - ox), int(x1 - x0)}, alpha);
  }
}

// --- scrolls ---------------------------------------------------------------------

bool TWipeScrollH::Step() {
  SetChanged(Rect{});
  if (WipeFinished(*this)) return true;
  const int w = dest().Width();
  const auto a = int32_t(ScaleElapsed(*this, w));
  dest().UnionClip(dest().BoundsRect());
  if (!CoversDest(dest(), from(), to())) dest().FillRect(dest().BoundsRect(), 0);
  dest().Draw(Reverse() ? a : -a, 0, from(), from().BoundsRect(), KeyMode::kIgnore, Flip::kNone);
  dest().Draw(Reverse() ? a - w : w - a, 0, to(), to().BoundsRect(), KeyMode::kIgnore, Flip::kNone);
  SetChanged(dest().BoundsRect());
  return false;
}

bool TWipeScrollV::Step() {
  SetChanged(Rect{});
  if (WipeFinished(*this)) return true;
  const int h = dest().Height();
  const auto a = int32_t(ScaleElapsed(*this, h));
  dest().UnionClip(dest().BoundsRect());
  if (!CoversDest(dest(), from(), to())) dest().FillRect(dest().BoundsRect(), 0);
  dest().Draw(0, Reverse() ? a : -a, from(), from().BoundsRect(), KeyMode::kIgnore, Flip::kNone);
  dest().Draw(0, Reverse() ? a - h : h - a, to(), to().BoundsRect(), KeyMode::kIgnore, Flip::kNone);
  SetChanged(dest().BoundsRect());
  return false;
}

// --- through a grey ----------------------------------------------------------------

TWipeGreyBase::TWipeGreyBase(TCustomDIBX& dest, const TCustomDIBX& from, const TCustomDIBX& to)
    : TCustomWipe(dest, from, to), greys_(MakeGreyTable(dest)) {}

void TWipeGreyBase::DrawGrey(bool use_to, int level, GreyOp op) {
  if (!rows_.Begin(dest(), from(), to())) return;
  const graphics::PixelView& d = rows_.Dest();
  const graphics::ConstPixelView& s = use_to ? rows_.To() : rows_.From();
  const uint32_t grey = greys_[size_t(std::clamp(level, 0, 255))];
  for (int y = 0; y < d.height_px; ++y) GreyRow(d, s, y, d.width_px, grey, op);
  rows_.Commit(dest());
  SetChanged(dest().BoundsRect());
}

bool TWipeGreyBase::StepThrough(GreyOp op) {
  SetChanged(Rect{});
  if (WipeFinished(*this)) return true;
  const auto a = int(ScaleElapsed(*this, 511));
  if (a < 256) {
    DrawGrey(false, a, op);
  } else {
    DrawGrey(true, 511 - a, op);
  }
  return false;
}

bool TWipeFlash::Step() {
  SetChanged(Rect{});
  if (WipeFinished(*this)) return true;
  DrawGrey(true, 255 - int(ScaleElapsed(*this, 255)), GreyOp::kAdd);
  return false;
}

// --- rule picture through a grey -------------------------------------------------------

TWipeShadowWhite::TWipeShadowWhite(TCustomDIBX& dest, const TCustomDIBX& from,
                                   const TCustomDIBX& to)
    : TCustomWipe(dest, from, to),
      greys_(MakeGreyTable(dest)),
      formula_greys_(IsFormulaGreyTable(greys_.data(), dest.BitCount())) {}

void TWipeShadowWhite::Prepare() {
  levels_.Load(services(), ImageName(), Reverse(), dest().Width(), dest().Height());
}

bool TWipeShadowWhite::Step() {
  SetChanged(Rect{});
  if (WipeFinished(*this)) return true;
  if (!rows_.Begin(dest(), from(), to())) return false;
  levels_.EnsureSize(rows_.Dest().width_px, rows_.Dest().height_px);
  const auto u = int32_t(ScaleElapsed(*this, 768));
  for (int y = 0; y < rows_.Dest().height_px; ++y) DrawRow(y, u);
  rows_.Commit(dest());
  SetChanged(dest().BoundsRect());
  return false;
}

// Parts of the row wholly before their change (L = 0) or past it (L = 511)
// show a picture plus grey(0), which is the picture itself.
void TWipeShadowWhite::DrawRow(int y, int32_t u) {
  const graphics::PixelView& d = rows_.Dest();
  const int bits = d.bit_count == 15 ? 16 : d.bit_count;
  runs_.clear();
  if (bits >= 8 && greys_[0] == 0) {
    levels_.Runs(y, u - 256, 0, 511, runs_);
  } else {
    runs_.push_back({0, d.width_px, RunKind::kMixed});
  }
  const size_t pixel_bytes = size_t(bits) / 8;
  for (const ColumnRun& run : runs_) {
    if (run.kind == RunKind::kMixed) {
      RuleGreyRow(d, rows_.From(), rows_.To(), levels_.Row(y), y, run.x0, run.x1 - run.x0, u,
                  greys_.data(), formula_greys_, Op());
      continue;
    }
    const graphics::ConstPixelView& source = run.kind == RunKind::kFrom ? rows_.From() : rows_.To();
    uint8_t* out = d.Row(y) + size_t(run.x0) * pixel_bytes;
    const uint8_t* in = source.Row(y) + size_t(run.x0) * pixel_bytes;
    if (out != in) std::memcpy(out, in, size_t(run.x1 - run.x0) * pixel_bytes);
  }
}

// --- the maker -------------------------------------------------------------------------

namespace {

template <class T>
std::unique_ptr<TCustomWipe> Make(TCustomDIBX& dest, const TCustomDIBX& from,
                                  const TCustomDIBX& to) {
  return std::make_unique<T>(dest, from, to);
}

}  // namespace

std::unique_ptr<TCustomWipe> MakeMaskAndPlainWipe(int type, TCustomDIBX& dest,
                                                  const TCustomDIBX& from, const TCustomDIBX& to) {
  switch (type) {
    case 1:
      return Make<TWipeFade>(dest, from, to);
    case 2:
      return Make<TWipeBlindH>(dest, from, to);
    case 3:
      return Make<TWipeBlindV>(dest, from, to);
    case 4:
      return Make<TWipeCurtainH>(dest, from, to);
    case 5:
      return Make<TWipeCurtainV>(dest, from, to);
    case 6:
      return Make<TWipeScrollH>(dest, from, to);
    case 7:
      return Make<TWipeScrollV>(dest, from, to);
    case 8:
      return Make<TWipeGrid>(dest, from, to);
    case 9:
      return Make<TWipeGridH>(dest, from, to);
    case 10:
      return Make<TWipeGridV>(dest, from, to);
    case 11:
      return Make<TWipeDither>(dest, from, to);
    case 12:
      return Make<TWipeWhite>(dest, from, to);
    case 13:
      return Make<TWipeBlack>(dest, from, to);
    case 14:
      return Make<TWipeFlash>(dest, from, to);
    case 19:
      return Make<TWipeShadow>(dest, from, to);
    case 20:
      return Make<TWipeShadowWhite>(dest, from, to);
    case 21:
      return Make<TWipeShadowBlack>(dest, from, to);
    case 31:
      return Make<TWipeClockhand>(dest, from, to);
    default:
      return nullptr;
  }
}

}  // namespace vesk::transitions
