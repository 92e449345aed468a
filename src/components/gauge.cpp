#include "components/gauge.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "components/part_drawing.h"
#include "lang/vocabulary.h"

namespace vesk::components {

using namespace vesk::lang;

namespace {

int32_t Clamp64(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// The lost part is drawn at half the blend value (additive: half the
// level).
int32_t RemainderBlend(int32_t alpha) {
  return alpha > 255 ? 256 + (alpha - 256) / 2 : alpha / 2;
}

}  // namespace

int32_t TVeskGauge::ClampedValue() const {
  if (Value <= Min) return Min;
  if (Value >= Max) return std::max(Min, Max);
  return Value;
}

Real TVeskGauge::Speed() const {
  const int64_t range = int64_t{Max} - Min;
  if (Duration <= 0 || range <= 0) return 0;
  return static_cast<Real>(range) / Duration;
}

void TVeskGauge::Settle() {
  Shown = Remainder = ClampedValue();
  State = kIdle;
  WaitMs = 0;
  Invalidate();
}

void TVeskGauge::SetValue(int32_t value) {
  Value = value;
  const Real target = ClampedValue();
  if (target < Shown) {
    // The bar drops at once; what was lost stays up for a while.
    Remainder = std::max(Remainder, Shown);
    Shown = target;
    State = kShrinking;
    WaitMs = std::max(0, Delay);
  } else if (target > Shown) {
    Remainder = Shown;
    State = kGrowing;
  } else {
    return;
  }
  if (Speed() <= 0 && (State == kGrowing || WaitMs == 0)) return Settle();
  Invalidate();
}

bool TVeskGauge::Update(int32_t frame_ms) {
  if (!AniPaused && bar_.Advance(frame_ms)) Invalidate();
  if (State == kIdle) return false;
  int32_t elapsed_ms = std::max(0, frame_ms);
  if (State == kShrinking && WaitMs > 0) {
    // The frame's time beyond the wait already shrinks.
    const int32_t waited = std::min(WaitMs, elapsed_ms);
    WaitMs -= waited;
    elapsed_ms -= waited;
    if (WaitMs > 0) return false;
  }
  const Real speed = Speed();
  const Real target = ClampedValue();
  if (speed <= 0) {
    Settle();
    return false;
  }
  if (State == kShrinking) {
    Remainder -= speed * elapsed_ms;
    if (Remainder <= Shown) Settle();
  } else {
    Shown += speed * elapsed_ms;
    Remainder = Shown;
    if (Shown >= target) Settle();
  }
  Invalidate();
  return false;
}

// ---- Drawing ---------------------------------------------------------------------------------

int32_t TVeskGauge::BarLength() const {
  if (BarSize > 0) return BarSize;
  auto& list = const_cast<TVeskImageList&>(bar_);
  const graphics::TCustomDIBX* picture = FirstPicture(list);
  if (!picture) return 0;
  return Orientation == 0 ? picture->Width() : picture->Height();
}

Rect TVeskGauge::BarRect() const {
  // Saved games may hold any geometry: the sums are taken in 64 bits.
  const int64_t length = BarLength(), x = GetSceneLeft(), y = GetSceneTop();
  if (Orientation == 0)
    return Rect::FromSize(Clamp64(Reverse ? x + Width - length : x), Clamp64(y), Clamp64(length),
                          Height);
  return Rect::FromSize(Clamp64(x), Clamp64(Reverse ? y : y + Height - length), Width,
                        Clamp64(length));
}

int32_t TVeskGauge::LevelPx(Real level) const {
  const int32_t length = BarLength();
  const int64_t range = int64_t{Max} - Min;
  if (range <= 0 || length <= 0) return 0;
  const long long px = std::llround(static_cast<double>(length * (level - Min) / range));
  return static_cast<int32_t>(std::clamp<long long>(px, 0, length));
}

Rect TVeskGauge::Span(int32_t from_px, int32_t to_px) const {
  const Rect bar = BarRect();
  const int64_t l = bar.left, t = bar.top, r = bar.right, b = bar.bottom;
  if (Orientation == 0)
    return Reverse ? Rect{Clamp64(r - to_px), bar.top, Clamp64(r - from_px), bar.bottom}
                   : Rect{Clamp64(l + from_px), bar.top, Clamp64(l + to_px), bar.bottom};
  return Reverse ? Rect{bar.left, Clamp64(t + from_px), bar.right, Clamp64(t + to_px)}
                 : Rect{bar.left, Clamp64(b - to_px), bar.right, Clamp64(b - from_px)};
}

void TVeskGauge::Draw(graphics::TCustomDIBX& surface, const Rect& clip) {
  const graphics::TCustomDIBX* picture =
      bar_.Valid(bar_.Index) ? bar_.Data(bar_.Index).Surface(0) : nullptr;
  if (picture && !picture->IsEmpty() && Alpha >= 1) {
    const graphics::TCustomDIBX* mask = bar_.Data(bar_.Index).Mask();
    if (mask && (mask->Width() != picture->Width() || mask->Height() != picture->Height() ||
                 mask->BitCount() != 8))
      mask = nullptr;
    const Rect bar = BarRect();
    // The pattern stays anchored at the bar, whatever part of it shows.
    auto draw = [&](const Rect& part, int32_t blend) {
      TileCell(surface, part, *picture, mask, picture->BoundsRect(), blend,
               Clamp64(int64_t{part.left} - bar.left), Clamp64(int64_t{part.top} - bar.top));
    };
    const int32_t level = LevelPx(Shown);
    draw(Span(0, level), Alpha);
    if (Remainder > Shown) draw(Span(level, LevelPx(Remainder)), RemainderBlend(Alpha));
  }
  DrawChildren(surface, clip);
}

// ---- Properties ------------------------------------------------------------------------------

void TVeskGauge::SetSource(const std::string& name) {
  if (name == Source) return;
  Source = name;
  Invalidate();
  bar_.Load(pictures(), this, name, false);
  // A gauge without a size of its own takes its picture's.
  if (const graphics::TCustomDIBX* picture = FirstPicture(bar_);
      picture && Width == 0 && Height == 0)
    SetBounds(Left, Top, picture->Width(), picture->Height());
  Invalidate();
}

int32_t TVeskGauge::GetInt(int id) const {
  switch (id) {
    case PR_MIN:
      return Min;
    case PR_MAX:
      return Max;
    case PR_VALUE:
      return ClampedValue();
    case PR_ORIENTATION:
      return Orientation;
    case PR_ALPHA:
      return Alpha;
    case PR_DURATION:
      return Duration;
    case PR_DELAY:
      return Delay;
    case PR_BARSIZE:
      return BarSize;
    default:
      return TVeskControl::GetInt(id);
  }
}

void TVeskGauge::SetInt(int id, int32_t value) {
  switch (id) {
    case PR_VALUE:
      return SetValue(value);
    case PR_MIN:
    case PR_MAX:
      // A new range puts the bar straight at the value.
      (id == PR_MIN ? Min : Max) = value;
      return Settle();
    case PR_DURATION:
      Duration = value;
      return;
    case PR_DELAY:
      Delay = value;
      return;
    default:
      break;
  }
  int32_t* field = id == PR_ORIENTATION ? &Orientation
                   : id == PR_ALPHA     ? &Alpha
                   : id == PR_BARSIZE   ? &BarSize
                                        : nullptr;
  if (!field) return TVeskControl::SetInt(id, value);
  if (id == PR_ORIENTATION) value = value != 0 ? 1 : 0;
  if (*field == value) return;
  Invalidate();
  *field = value;
  Invalidate();
}

bool TVeskGauge::GetFlag(int id) const {
  switch (id) {
    case PR_REVERSE:
      return Reverse != 0;
    case PR_PAUSED:
      return Paused != 0;
    case PR_PLAYING:
      return Playing();
    default:
      return TVeskControl::GetFlag(id);
  }
}

void TVeskGauge::SetFlag(int id, bool value) {
  switch (id) {
    case PR_REVERSE:
      if (Reverse == (value ? 1 : 0)) return;
      Reverse = value ? 1 : 0;
      Invalidate();
      return;
    case PR_PAUSED:
      Paused = value ? 1 : 0;
      return;
    default:
      TVeskControl::SetFlag(id, value);
  }
}

std::string TVeskGauge::GetStr(int id) const {
  return id == PR_SOURCE ? Source : TVeskControl::GetStr(id);
}

void TVeskGauge::SetStr(int id, const std::string& value) {
  if (id == PR_SOURCE) return SetSource(value);
  TVeskControl::SetStr(id, value);
}

void TVeskGauge::TransferKindFields(RecordIO& io) {
  io.Via(&RecordIO::Str, Source, "gauge source", [&](const std::string& s) { SetSource(s); });
  io.I32(Min, "gauge minimum");
  io.I32(Max, "gauge maximum");
  io.I32(Value, "gauge value");
  io.I32In(Orientation, 0, 1, "gauge orientation");
  io.Flag(Reverse, "gauge reverse");
  io.I32(Alpha, "gauge alpha");
  io.Flag(Paused, "gauge paused");
  io.I32(Duration, "gauge duration");
  io.I32(Delay, "gauge delay");
  io.I32(BarSize, "gauge bar size");
  io.Ext(Shown, "gauge shown level");
  io.Ext(Remainder, "gauge remainder");
  io.I32(State, "gauge state");
  io.I32(WaitMs, "gauge wait");
  if (!io.loading()) return;
  // A hostile record cannot leave the bar outside its range or half-moving.
  const Real lo = std::min(Min, Max), hi = std::max(Min, Max);
  if (!std::isfinite(static_cast<double>(Shown))) Shown = lo;
  if (!std::isfinite(static_cast<double>(Remainder))) Remainder = Shown;
  Shown = std::clamp(Shown, lo, hi);
  Remainder = std::clamp(Remainder, Shown, hi);
  if (State != kShrinking && State != kGrowing) State = kIdle;
  WaitMs = std::max(0, WaitMs);
}

}  // namespace vesk::components
