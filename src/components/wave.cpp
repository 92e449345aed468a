#include "components/wave.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <numbers>

#include "lang/vocabulary.h"

namespace vesk::components {

using namespace vesk::lang;

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;
constexpr int32_t kPhaseUnits = 256;
// The phase wraps at 255 units although a cycle is 256: kept so waves move
// as authors saw them.
constexpr int32_t kPhaseWrap = 255;

int32_t ClampSide(int32_t v) {
  return std::clamp(v, 0, graphics::TDIBX::kMaxSidePx);
}

}  // namespace

TVeskWave::TVeskWave(scene::TVeskBaseList* root) : TVeskControl(root) {}

void TVeskWave::ResizeProxy() {
  proxy_.SetSize(ClampSide(Width), ClampSide(Height), 0);
  offsets_stale_ = true;
}

int32_t TVeskWave::GetInt(int id) const {
  switch (id) {
    case PR_AMP:
      return Amp;
    case PR_WAVELEN:
      return WaveLen;
    case PR_DELAY:
      return DelayMs;
    default:
      return TVeskControl::GetInt(id);
  }
}

void TVeskWave::SetInt(int id, int32_t value) {
  switch (id) {
    case PR_AMP:
      value = std::clamp(value, -kMaxAmpPx, kMaxAmpPx);
      if (value == Amp) return;
      Invalidate();
      Amp = value;
      offsets_stale_ = true;
      Invalidate();
      return;
    case PR_WAVELEN:
      WaveLen = std::max(1, value);
      offsets_stale_ = true;
      return;
    case PR_DELAY:
      DelayMs = std::max(1, value);
      return;
    case PR_WIDTH:
    case PR_HEIGHT:
      TVeskControl::SetInt(id, value);
      ResizeProxy();
      return;
    default:
      TVeskControl::SetInt(id, value);
  }
}

bool TVeskWave::GetFlag(int id) const {
  switch (id) {
    case PR_PAUSED:
      return Paused != 0;
    case PR_PLAYING:
      return !Paused && !AniPaused;
    default:
      return TVeskControl::GetFlag(id);
  }
}

void TVeskWave::SetFlag(int id, bool value) {
  if (id != PR_PAUSED) return TVeskControl::SetFlag(id, value);
  Paused = value ? 1 : 0;
}

std::string TVeskWave::GetStr(int id) const {
  return id == PR_ONIDLE ? OnIdle : TVeskControl::GetStr(id);
}

void TVeskWave::SetStr(int id, const std::string& value) {
  if (id != PR_ONIDLE) return TVeskControl::SetStr(id, value);
  OnIdle = value;
}

bool TVeskWave::ComputeOffsets() {
  std::vector<int32_t>& offsets = proxy_.RowOffsets();
  const double phase = kTwoPi * Phase / kPhaseUnits;
  bool changed = false;
  for (size_t i = 0; i < offsets.size(); ++i) {
    const double angle = phase + kTwoPi * static_cast<double>(i) / WaveLen;
    const auto offset = static_cast<int32_t>(std::nearbyint(std::sin(angle) * Amp));
    if (offset == offsets[i]) continue;
    offsets[i] = offset;
    changed = true;
  }
  return changed;
}

bool TVeskWave::Update(int32_t frame_ms) {
  const bool done = TVeskControl::Update(frame_ms);
  if (AniPaused) return done;
  const int64_t units = int64_t{frame_ms} * kPhaseUnits + PhaseRemainder;
  const int64_t steps = units / DelayMs;
  PhaseRemainder = static_cast<int32_t>(units % DelayMs);
  if (steps != 0) {
    int64_t phase = Phase - steps;
    if (phase < 0) phase = (phase % kPhaseWrap + kPhaseWrap) % kPhaseWrap;
    Phase = static_cast<int32_t>(phase);
    offsets_stale_ = true;
  }
  if (offsets_stale_) {
    offsets_stale_ = false;
    if (ComputeOffsets()) Invalidate();
  }
  return done;
}

void TVeskWave::InvalidateRect(const Rect& r) {
  const int32_t amp = std::abs(Amp);
  const auto widen = [](int32_t edge, int32_t by) {
    return static_cast<int32_t>(std::clamp<int64_t>(int64_t{edge} + by, INT32_MIN, INT32_MAX));
  };
  TVeskControl::InvalidateRect({widen(r.left, -amp), r.top, widen(r.right, amp), r.bottom});
}

void TVeskWave::Draw(graphics::TCustomDIBX& surface, const Rect& clip) {
  if (Amp == 0) return DrawChildren(surface, clip);
  proxy_.SetTarget(&surface);
  proxy_.SetOrigin(GetSceneLeft(), GetSceneTop());
  // What lies beneath sways too: the part under the wave goes through the
  // proxy from a copy (the rows shift within the same surface).
  const Rect under = clip.Intersect(SceneRect()).Intersect(surface.BoundsRect());
  if (!under.IsEmpty()) {
    const auto w = static_cast<int>(under.Width()), h = static_cast<int>(under.Height());
    if (beneath_.Width() != w || beneath_.Height() != h ||
        beneath_.BitCount() != surface.BitCount())
      beneath_.SetSize(w, h, surface.BitCount());
    beneath_.Draw(0, 0, surface, under, graphics::KeyMode::kIgnore, graphics::Flip::kNone);
    proxy_.SetClipRect(clip);
    proxy_.Draw(under.left, under.top, beneath_, beneath_.BoundsRect(), graphics::KeyMode::kIgnore,
                graphics::Flip::kNone);
  }
  DrawChildren(proxy_, clip);
  surface.SetClipRect(clip);
}

void TVeskWave::TransferKindFields(RecordIO& io) {
  io.I32In(Amp, -kMaxAmpPx, kMaxAmpPx, "wave amplitude");
  io.I32(WaveLen, "wave length");
  io.I32(DelayMs, "wave delay");
  if (io.loading()) {
    WaveLen = std::max(1, WaveLen);
    DelayMs = std::max(1, DelayMs);
    ResizeProxy();
  }
  if (io.Since(104)) {
    io.Str(OnIdle, "wave idle handler");
    io.Flag(Paused, "wave paused");
  }
}

}  // namespace vesk::components
