#include "components/prop_motion.h"

#include <cmath>
#include <limits>
#include <numbers>

#include "core/vesk_error.h"
#include "scene/baselist.h"
#include "scene/prop_dispatch.h"

namespace vesk::components {

using namespace vesk::lang;

TVeskPropMotion::TVeskPropMotion(scene::TVeskBaseList* root) : TVeskComponent(root) {}

bool TVeskPropMotion::GetFlag(int id) const {
  return id == PR_PAUSED ? Paused != 0 : TVeskComponent::GetFlag(id);
}

void TVeskPropMotion::SetFlag(int id, bool value) {
  if (id != PR_PAUSED) return TVeskComponent::SetFlag(id, value);
  Paused = value;
}

void TVeskPropMotion::TakePropertyMotion(const script::PropertyMotionSetup& setup) {
  if (!setup.target_name.empty()) TargetName = setup.target_name;
  PropId = setup.property_id;
  if (setup.end_value) TargetValue = *setup.end_value;
  if (setup.duration_ms) Duration = *setup.duration_ms;
  if (setup.easing) Easing = static_cast<uint8_t>(*setup.easing);
  if (setup.paused) Paused = *setup.paused;
}

Real TVeskPropMotion::ValueAt(int easing, int32_t elapsed_ms, int32_t duration_ms, Real start,
                              Real target) {
  if (elapsed_ms == 0) return start;
  // Wide, so that a duration at the integer limit cannot overflow.
  if (int64_t{elapsed_ms} >= int64_t{duration_ms} - 1) return target;
  const Real e = elapsed_ms, l = duration_ms, a = start, b = target;
  constexpr Real kQuarter = std::numbers::pi_v<Real> / 2;
  switch (easing) {
    case MT_INC:  // slow start, fast end
      return b - std::sin((l - e - 1) * kQuarter / l) * (b - a);
    case MT_DEC:  // fast start, slow end
      return std::sin(e * kQuarter / l) * (b - a) + a;
    default:
      return (b - a) * e / l + a;
  }
}

bool TVeskPropMotion::Update(int32_t frame_ms) {
  if (Target && !Root->IsRegistered(Target)) return true;
  if (!Target && !FindTarget()) return true;
  const bool last = int64_t{Elapsed} != 0 && int64_t{Elapsed} >= int64_t{Duration} - 1;
  if (!WriteValue(ValueAt(Easing, Elapsed, Duration, StartValue, TargetValue)) || last) return true;
  // Saturating, so a motion of a huge duration cannot wrap back to its start.
  const int64_t next = int64_t{Elapsed} + frame_ms;
  Elapsed = static_cast<int32_t>(std::min<int64_t>(next, std::numeric_limits<int32_t>::max()));
  return false;
}

bool TVeskPropMotion::FindTarget() {
  if (!Root || TargetName.empty() || PropId < 0 || PropId >= kPropertyCount) return false;
  scene::TVeskObject* found = Root->FindComponent(TargetName);
  if (!found || found == this) return false;
  try {
    scene::GetProp(holder_, *found, PropId);
  } catch (const EVeskError&) {
    return false;
  }
  Target = found;
  StartValue = holder_.GetFloat();
  return true;
}

bool TVeskPropMotion::WriteValue(Real value) {
  holder_.SetFloat(value);
  try {
    scene::SetProp(*Target, PropId, holder_);
  } catch (const EVeskError&) {
    return false;
  }
  return true;
}

void TVeskPropMotion::Transfer(RecordIO& io) {
  TVeskComponent::Transfer(io);
  // A target that went away is saved as none; one not yet found by its name.
  std::string target_name = !Target                      ? TargetName
                            : Root->IsRegistered(Target) ? Target->Name
                                                         : std::string();
  io.Str(target_name, "property motion target");
  io.I32(PropId, "property motion property");
  io.Ext(TargetValue, "property motion end value");
  io.I32(Duration, "property motion duration");
  io.AsI32(Easing, "property motion easing");
  io.Ext(StartValue, "property motion start value");
  io.I32(Elapsed, "property motion elapsed");
  if (io.Since(126)) io.Flag(Paused, "property motion paused");
  if (!io.loading()) return;
  TargetName = target_name;
  Target = nullptr;  // found again, with a fresh start value, at the next update
}

}  // namespace vesk::components
