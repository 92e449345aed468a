#pragma once
// TVeskSlider (kind 21) and TVeskScrollbar (22): a track picture, a thumb
// (three state cells: normal, hover, pressed) and two step buttons (a
// picture of three state columns, one row per button) mapping a position
// to a value between Min and Max.
//
// The value runs from the decrease button's end to the increase button's:
// left to right when horizontal; on a vertical slider from the bottom up
// (Up raises it), on a vertical scroll bar from the top down (Down raises
// it). The wheel moves the thumb towards the top or left end for a notch
// up and the other way for a notch down, one SmallChange a notch.
#include <cstdint>
#include <string>

#include "components/component_services.h"
#include "components/image_list.h"
#include "scene/vesk_object.h"

namespace vesk::components {

class TVeskSlider : public scene::TVeskControl, public ServiceUser {
 public:
  explicit TVeskSlider(scene::TVeskBaseList* root) : TVeskControl(root) {}

  enum Part : int32_t { kNoPart = -1, kTrack = 0, kThumb = 1, kDecrease = 2, kIncrease = 3 };
  enum PartState : int32_t { kNormal = 0, kHover = 1, kPressed = 2 };

  std::string Source, ThumbSource, ButtonSource;
  int32_t Min = 0, Max = 0;
  int32_t Value = 0;        // as written; reads clamped to Min..Max
  int32_t Orientation = 0;  // 0 horizontal, 1 vertical
  int32_t Alpha = 255;
  uint8_t Paused = 0, CaptureMask = 0;
  int32_t SmallChange = 1;
  int32_t BarSize = 0;  // the thumb's length along the track; 0: its picture's (or the page's)
  std::string OnNotify, OnHold, OnRelease;

  int32_t ThumbState = kNormal;
  int32_t ButtonStates[2] = {kNormal, kNormal};
  int32_t PressedPart = kNoPart;
  int32_t RepeatMs = 0;  // until the held button or track steps again

  int GetCompoType() const override { return lang::LT_SLIDER; }
  virtual bool IsScrollbar() const { return false; }
  int32_t ClampedValue() const;
  // Too narrow a range to move anything: no input changes the value.
  bool Inert() const { return int64_t{Max} - Min < 1; }
  // Stores a clamped value; a user change posts PR_ONNOTIFY with it.
  void ChangeValue(int64_t value, bool by_user);

  // The parts in the control's own coordinates.
  struct Layout {
    Rect decrease, increase, thumb;
    int32_t area_start = 0;    // where the value axis starts, from the decrease end
    int32_t track_length = 0;  // axis pixels over the whole range
    int32_t thumb_length = 0;
    int32_t anchor = 0;  // the value's place: the thumb's centre (slider) or start (scroll bar)
  };
  Layout ComputeLayout() const;
  // The part under a point of the control (CaptureMask: only where its
  // mask is above 127).
  int32_t PartAt(int32_t x, int32_t y);

  int32_t GetInt(int id) const override;
  void SetInt(int id, int32_t value) override;
  bool GetFlag(int id) const override;
  void SetFlag(int id, bool value) override;
  std::string GetStr(int id) const override;
  void SetStr(int id, const std::string& value) override;

  void Draw(graphics::TCustomDIBX& surface, const Rect& clip) override;
  bool Update(int32_t frame_ms) override;
  void LeftDown() override;
  void LeftUp() override;
  void MouseMove() override;
  void MouseOut() override;
  void MouseWheel(bool down) override;
  void KeyRepeat() override;
  void ReleaseSurfaces() override;
  void RestoreSurfaces() override { Invalidate(); }

 protected:
  // The thumb's length on a scroll bar without BarSize: the page's share.
  virtual int32_t PageLength(int32_t area_length, int32_t cell_length) const {
    (void)area_length;
    return cell_length;
  }
  // A press on the track between the buttons.
  virtual void TrackPressed(int32_t axis_pos);
  // One repeat step of the held track.
  virtual void TrackRepeat(int32_t axis_pos) { (void)axis_pos; }
  void TransferKindFields(RecordIO& io) override;

  // Axis position (from the decrease end) of a point of the control.
  int32_t AxisPos(int32_t x, int32_t y) const;
  bool Interactive() const { return !Inert() && !Paused; }
  void StartDrag(int32_t offset);
  void StepBy(int64_t delta) { ChangeValue(int64_t{ClampedValue()} + delta, true); }
  int32_t LocalMouseX() const;
  int32_t LocalMouseY() const;

  int32_t drag_offset_ = 0;
  int32_t page_direction_ = 0;  // -1 / +1 while the track is held

 private:
  bool Forward() const { return Orientation == 0 || IsScrollbar(); }
  int32_t AxisLength() const { return Orientation == 0 ? Width : Height; }
  // A rectangle given on the axis (from the decrease end) and across it.
  Rect AxisRect(int64_t start, int64_t length, int64_t across, int64_t across_size) const;
  void SetPartStates(int32_t thumb, int32_t decrease, int32_t increase);
  void HoverFromMouse();
  void DragTo(int32_t axis_pos);
  bool MaskAllows(TVeskImageList& list, const Rect& cell, int64_t px, int64_t py) const;
  void SetSource(std::string& field, TVeskImageList& list, const std::string& name);

  TVeskImageList track_, thumb_, buttons_;
};

class TVeskScrollbar final : public TVeskSlider {
 public:
  using TVeskSlider::TVeskSlider;
  int32_t LargeChange = 1;

  int GetCompoType() const override { return lang::LT_SCROLLBAR; }
  bool IsScrollbar() const override { return true; }
  int32_t GetInt(int id) const override;
  void SetInt(int id, int32_t value) override;

 protected:
  int32_t PageLength(int32_t area_length, int32_t cell_length) const override;
  void TrackPressed(int32_t axis_pos) override;
  void TrackRepeat(int32_t axis_pos) override;
  void TransferKindFields(RecordIO& io) override;
};

}  // namespace vesk::components
