#pragma once
// TVeskPropMotion: moves one numeric property of another object from the
// value it has when the motion first finds it to TargetValue over Duration
// milliseconds, along an easing curve, and goes after writing TargetValue.
// It goes at once, writing nothing, when its target is missing or gone or
// the property id names no property.
#include <cstdint>
#include <string>

#include "expr/params.h"
#include "scene/vesk_object.h"

namespace vesk::components {

class TVeskPropMotion final : public scene::TVeskComponent {
 public:
  static constexpr int32_t kNoProperty = 255;

  explicit TVeskPropMotion(scene::TVeskBaseList* root);

  int GetCompoType() const override { return lang::LT_PROPMOTION; }
  bool GetFlag(int id) const override;
  void SetFlag(int id, bool value) override;
  bool Update(int32_t frame_ms) override;
  void Transfer(RecordIO& io) override;
  void TakePropertyMotion(const script::PropertyMotionSetup& setup) override;

  // The value the motion writes after `elapsed_ms` of a course from `start`
  // to `target` over `duration_ms`, for an MT_ easing.
  static Real ValueAt(int easing, int32_t elapsed_ms, int32_t duration_ms, Real start, Real target);

  Real TargetValue = 0;
  int32_t Duration = 0;  // ms
  std::string TargetName;
  scene::TVeskObject* Target = nullptr;  // found at the first update
  int32_t PropId = kNoProperty;          // a PR_ id
  uint8_t Easing = lang::MT_NORMAL;
  int32_t Elapsed = 0;  // ms
  Real StartValue = 0;
  uint8_t Paused = 0;

 private:
  // Finds the target and reads its start value; false when there is none.
  bool FindTarget();
  // Writes `value` to the target's property; false when the property
  // refuses it.
  bool WriteValue(Real value);
  expr::TParamFloat holder_;  // carries values to and from the target
};

}  // namespace vesk::components
