#pragma once
// TFormConfig: the sound settings dialog the player opens for "/config". It
// edits the two keys of game.ini: whether DirectSound is used, and the wave
// output delay that only matters without it. The form is plain state driven
// by platform events, so it runs (and is tested) without any window; the
// window loop and the drawing live in config_dialog.
#include <string>

#include "core/rect.h"
#include "platform/back_buffer.h"
#include "platform/dialogs.h"
#include "platform/events.h"
#include "platform/font_rasterizer.h"

namespace vesk::app {

// The controls that can hold the keyboard focus, in tab order.
enum class ConfigControl { kNone, kCheckSound, kTrackBuff, kOk, kCancel };

enum class ConfigResult { kNone, kOk, kCancel };

// Where everything sits in the client area, in pixels (left, top, width,
// height, as dialog layouts give them).
namespace config_layout {
inline constexpr int kClientW = 320, kClientH = 154;
inline constexpr Rect kGroupBox = Rect::FromSize(8, 6, 304, 104);
inline constexpr Rect kCheckSound = Rect::FromSize(20, 18, 200, 16);  // box and caption
inline constexpr Rect kLabelBuff = Rect::FromSize(22, 44, 180, 14);
inline constexpr Rect kLabelBuffInfo = Rect::FromSize(220, 44, 78, 14);  // right-aligned
inline constexpr Rect kTrackBuff = Rect::FromSize(16, 64, 288, 34);
inline constexpr Rect kOk = Rect::FromSize(150, 120, 75, 24);
inline constexpr Rect kCancel = Rect::FromSize(233, 120, 75, 24);
// The thumb travels between these centres; the ticks sit under them.
inline constexpr int kTrackFirstX = kTrackBuff.left + 12;
inline constexpr int kTrackLastX = kTrackBuff.right - 13;
inline constexpr int kThumbW = 11, kThumbH = 21;
}  // namespace config_layout

class TFormConfig {
 public:
  static constexpr const char* kFontFamily = "ＭＳ Ｐゴシック";
  static constexpr int kFontHeightPx = 12;
  static constexpr int kTrackMin = 1, kTrackMax = 5, kTrackPageSize = 1, kTrackFrequency = 1;

  // Reads game.ini at `ini_path` and opens the form. `dialogs` reports a
  // failed save; it may be null (the failure then only keeps the form open).
  TFormConfig(std::string ini_path, platform::Dialogs* dialogs);

  // Feeds one window event; true when the form's look changed.
  bool HandleEvent(const platform::Event& e);

  // The handlers the controls fire, callable directly.
  void CheckSoundClick();
  void TrackBuffChange();
  void SetPosition(int position);  // clamped; fires TrackBuffChange
  void SetChecked(bool checked);   // fires CheckSoundClick
  void OkClick();
  void CancelClick();

  // Draws the whole client area into `out` (resized to the form's size when
  // it differs). Without a font everything but the text is drawn.
  void Render(platform::BackBuffer& out, platform::FontFace* font) const;

  bool open() const { return open_; }
  bool checked() const { return checked_; }
  int position() const { return position_; }
  const std::string& info_text() const { return info_text_; }
  bool delay_controls_enabled() const { return delay_enabled_; }
  ConfigControl focus() const { return focus_; }
  ConfigResult result() const { return result_; }
  const std::string& ini_path() const { return ini_path_; }
  // The control drawn pushed in: the left button went down on it and the
  // pointer is still over it.
  ConfigControl pushed() const { return pressed_inside_ ? pressed_ : ConfigControl::kNone; }

  // Thumb centre for a track position, and the nearest position to an x.
  static int TrackX(int position);
  static int TrackPositionAt(int x);

 private:
  bool HandleKeyDown(int vk);
  bool HandleKeyUp(int vk);
  bool HandleAccelerator(int vk);
  bool HandleTrackKey(int vk);
  bool HandleMouseDown(const platform::Event& e);
  bool HandleMouseMove(const platform::Event& e);
  bool HandleMouseUp(const platform::Event& e);
  bool Enabled(ConfigControl c) const;
  void Focus(ConfigControl c);
  void MoveFocus(bool backward);
  void Activate(ConfigControl c);  // Space on the focused control, or a click
  void Close(ConfigResult result);

  std::string ini_path_;
  platform::Dialogs* dialogs_;
  bool open_ = false;
  bool checked_ = true;
  int position_ = kTrackMin;
  std::string info_text_;
  bool delay_enabled_ = false;
  ConfigControl focus_ = ConfigControl::kCheckSound;
  ConfigResult result_ = ConfigResult::kNone;
  // Mouse capture: the control the left button went down on, whether the
  // pointer is still over it, and whether the track thumb is being dragged.
  ConfigControl pressed_ = ConfigControl::kNone;
  bool pressed_inside_ = false;
  bool dragging_ = false;
  bool shift_down_ = false;
  bool alt_down_ = false;
};

}  // namespace vesk::app
