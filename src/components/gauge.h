#pragma once
// TVeskGauge (kind 23): a bar picture shown up to a level between Min and
// Max. A fall shows the new level at once and leaves the lost part up, at
// half the blend value, for Delay milliseconds before it shrinks away; a
// rise grows the bar from where it was. Both move (Max - Min) / Duration
// per millisecond and stop exactly at the value.
//
// The bar fills from the left (horizontal) or from the bottom (vertical);
// Reverse fills from the other end. Its length is BarSize, or the
// picture's length along the orientation; the picture repeats along it.
#include <cstdint>
#include <string>

#include "components/component_services.h"
#include "components/image_list.h"
#include "scene/vesk_object.h"

namespace vesk::components {

class TVeskGauge final : public scene::TVeskControl, public ServiceUser {
 public:
  explicit TVeskGauge(scene::TVeskBaseList* root) : TVeskControl(root) {}

  enum : int32_t { kIdle = 0, kShrinking = 100, kGrowing = 200 };

  std::string Source;
  int32_t Min = 0, Max = 0;
  int32_t Value = 0;  // the level the bar moves to
  int32_t Orientation = 0;
  uint8_t Reverse = 0, Paused = 0;
  int32_t Alpha = 255;
  int32_t Duration = 0;  // milliseconds for a change over the whole range
  int32_t Delay = 0;     // milliseconds a fall's remainder waits before it shrinks
  int32_t BarSize = 0;
  Real Shown = 0;      // the level drawn in full
  Real Remainder = 0;  // the end of the lost part still drawn (Shown when none)
  int32_t State = kIdle;
  int32_t WaitMs = 0;  // what is left of Delay

  int GetCompoType() const override { return lang::LT_GAUGE; }
  int32_t ClampedValue() const;
  void SetValue(int32_t value);
  bool Playing() const { return State != kIdle; }
  // The bar in scene coordinates; the pixels of it a level fills; the part
  // of the bar between two such lengths, counted from where it fills.
  Rect BarRect() const;
  int32_t LevelPx(Real level) const;
  Rect Span(int32_t from_px, int32_t to_px) const;

  int32_t GetInt(int id) const override;
  void SetInt(int id, int32_t value) override;
  bool GetFlag(int id) const override;
  void SetFlag(int id, bool value) override;
  std::string GetStr(int id) const override;
  void SetStr(int id, const std::string& value) override;

  void Draw(graphics::TCustomDIBX& surface, const Rect& clip) override;
  bool Update(int32_t frame_ms) override;
  void ReleaseSurfaces() override { bar_.ReleaseSurfaces(); }
  void RestoreSurfaces() override { Invalidate(); }

 protected:
  void TransferKindFields(RecordIO& io) override;

 private:
  void SetSource(const std::string& name);
  // Value units a millisecond moves; 0 when a change is instant.
  Real Speed() const;
  // The bar stops at the value (a new range or an instant change).
  void Settle();
  int32_t BarLength() const;

  TVeskImageList bar_;
};

}  // namespace vesk::components
