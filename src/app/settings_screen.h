#pragma once
// The player's own settings screen: a small dialog drawn over the paused
// game, reached by the settings key (or the controller's Back button). It
// edits a copy of the per-game PlayerSettings: scaling, full screen, mode
// switches, the three volumes, the SoundFont and the player's keys. The
// caller applies and saves the copy when the screen closes with OK.
//
// Keyboard: Up/Down and Tab/Shift+Tab move between controls, Left/Right
// change the focused one, Space or Return acts on it (Return elsewhere is
// OK), Escape or the settings key again is Cancel. The mouse clicks and
// drags as on any dialog. A controller reaches it as those keys and clicks.
#include <set>
#include <string>
#include <vector>

#include "core/rect.h"
#include "platform/back_buffer.h"
#include "platform/events.h"
#include "platform/font_rasterizer.h"
#include "platform/player_settings.h"

namespace vesk::app {

enum class SettingsControl {
  kScaling,
  kFullscreen,
  kModeSwitch,
  kVolume,
  kMusicVolume,
  kSoundsVolume,
  kSoundFont,
  kKeyFullscreen,
  kKeyScaling,
  kKeyScreenshot,
  kKeySettings,
  kOk,
  kCancel,
  kCount
};

namespace settings_layout {
inline constexpr int kPanelW = 420, kPanelH = 346;
inline constexpr int kTitleH = 22;
inline constexpr int kRowTop = 32, kRowH = 22;
inline constexpr int kLabelX = 14, kControlX = 176, kControlRight = 406;
inline constexpr int kVolumeStep = 5;
// A control's row, in panel coordinates (OK and Cancel share the last).
Rect ControlRect(SettingsControl c);
// The two halves of the scaling row: fit, then integer.
Rect ScalingChoiceRect(bool integer);
// The slider's channel, where a click or drag sets the value.
Rect SliderTrackRect(SettingsControl c);
// The SoundFont row's two arrow buttons.
Rect SoundFontArrowRect(bool next);
}  // namespace settings_layout

class SettingsScreen {
 public:
  enum class Result { kOpen, kOk, kCancel };

  // `soundfonts`: the SoundFont files to choose from, besides "automatic"
  // (the empty path) and whatever `current` names already.
  SettingsScreen(const platform::PlayerSettings& current, std::vector<std::string> soundfonts);

  // The frame the panel is drawn over; the panel is centred in it, and
  // mouse positions are in its pixels.
  void SetFrameSize(int width_px, int height_px);
  // One event; true when the look changed. Key releases and everything
  // that is not keyboard, mouse or wheel are not taken (false).
  bool HandleEvent(const platform::Event& e);

  Result result() const { return result_; }
  bool open() const { return result_ == Result::kOpen; }
  const platform::PlayerSettings& edited() const { return edited_; }
  SettingsControl focus() const { return focus_; }
  // Which key is waiting for its new chord (kCount: none).
  SettingsControl capturing() const { return capturing_; }
  // The control drawn pushed in: the left button went down on it and the
  // pointer is still over it (kCount: none).
  SettingsControl pushed() const { return pressed_inside_ ? pressed_ : SettingsControl::kCount; }
  // One line under the controls: what went wrong with the last key
  // chosen, or how to leave the capture.
  const std::string& status() const { return status_; }
  const std::vector<std::string>& soundfont_choices() const { return soundfonts_; }

  // `game_frame` dimmed, with the panel over it, into `out` (resized to
  // the frame). Without a font everything but the text is drawn.
  void Render(const platform::BackBuffer& game_frame, platform::BackBuffer& out,
              platform::FontFace* font) const;
  // The two halves of Render: the game stands still behind the screen, so
  // its dimmed frame is made once and the panel drawn over a copy of it on
  // every change.
  void DimBackdrop(const platform::BackBuffer& game_frame, platform::BackBuffer& out) const;
  void RenderPanel(platform::BackBuffer& out, platform::FontFace* font) const;
  // Where the panel stands in the frame.
  Rect PanelRect() const;

 private:
  bool HandleKeyDown(const platform::Event& e);
  bool HandleCapture(const platform::Event& e);
  bool HandleMouseDown(const platform::Event& e);
  bool HandleMouseMove(const platform::Event& e);
  bool HandleMouseUp(const platform::Event& e);
  void MoveFocus(int by);
  bool Change(int direction);  // Left/Right on the focused control
  bool Activate(SettingsControl c);
  bool SetSliderAt(SettingsControl c, int panel_x);
  void CycleSoundFont(int direction);
  void Close(Result r) { result_ = r; }

  platform::PlayerSettings edited_;
  platform::KeyChord own_key_;  // the settings key as it was when opened
  std::vector<std::string> soundfonts_;
  int frame_w_ = 640, frame_h_ = 480;
  SettingsControl focus_ = SettingsControl::kScaling;
  SettingsControl capturing_ = SettingsControl::kCount;
  SettingsControl pressed_ = SettingsControl::kCount;  // left button went down on it
  bool pressed_inside_ = false;
  bool dragging_ = false;  // a slider follows the pointer
  std::string status_;
  Result result_ = Result::kOpen;
};

// The .sf2/.sf3 files in the usual SoundFont folders (the system's and
// $XDG_DATA_HOME/soundfonts), sorted, at most 64.
std::vector<std::string> FindInstalledSoundFonts();

}  // namespace vesk::app
