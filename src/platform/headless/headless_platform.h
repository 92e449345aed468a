#pragma once
// The headless backend: no window, a manual clock, message boxes printed to
// standard error, an audio device pulled on the game clock. Tests and automation drive it by
// injecting events and advancing the clock.
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/cursor_image.h"
#include "platform/headless/headless_audio_device.h"
#include "platform/platform.h"

namespace vesk::platform {

class HeadlessWindow final : public Window {
 public:
  explicit HeadlessWindow(const WindowSpec& look);

  void SetTitle(const std::string& title_utf8) override { title_ = title_utf8; }
  void SetClientSize(int w_px, int h_px) override;
  void CenterOnWorkArea() override {}
  void Show() override { shown_ = true; }
  void Present(const BackBuffer& frame) override;
  PresentStats present_stats() const override { return stats_; }
  bool PollEvent(Event* out) override;
  bool WaitEvent(Event* out, int timeout_ms) override;
  std::vector<DisplayMode> ListDisplayModes() override { return modes_; }
  bool SetDisplayMode(int index) override;
  int CurrentDisplayMode() const override { return current_mode_; }
  void WarpMouse(int scene_x, int scene_y) override;
  void MousePosition(int* scene_x, int* scene_y) const override;
  void SetCursorImage(const CursorImage* image) override;
  void StartTextInput(const Rect& caret_scene) override {
    text_input_ = true;
    text_input_caret_ = caret_scene;
  }
  void StopTextInput() override { text_input_ = false; }
  bool text_input_started() const override { return text_input_; }
  // An in-memory clipboard: what one copy puts there, the next paste takes.
  std::string ClipboardText() const override { return clipboard_; }
  void SetClipboardText(const std::string& utf8) override { clipboard_ = utf8; }
  // No screen to cover: the states are kept so the player's keys can be tested.
  bool SetDesktopFullscreen(bool on) override {
    desktop_fullscreen_ = on;
    return true;
  }
  bool desktop_fullscreen() const override { return desktop_fullscreen_; }
  void SetScalingMode(ScalingMode mode) override { scaling_ = mode; }
  ScalingMode scaling_mode() const override { return scaling_; }

  // Test and automation hooks.
  void Inject(const Event& e) { queue_.push_back(e); }
  const BackBuffer& last_frame() const { return last_frame_; }
  // The rectangles the last Present copied (empty: it showed nothing new).
  const std::vector<Rect>& last_upload() const { return last_upload_; }
  const std::string& title() const { return title_; }
  int client_w_px() const { return client_w_; }
  int client_h_px() const { return client_h_; }
  bool shown() const { return shown_; }
  // The cursor last set, null for the system arrow; and how often it was set.
  const CursorImage* cursor() const { return cursor_ ? &*cursor_ : nullptr; }
  int cursor_changes() const { return cursor_changes_; }
  // Where the input method's candidate window would go.
  const Rect& text_input_caret() const { return text_input_caret_; }

 private:
  std::string title_;
  int client_w_, client_h_;
  bool shown_ = false;
  std::deque<Event> queue_;
  BackBuffer last_frame_;
  std::vector<Rect> last_upload_;
  PresentStats stats_;
  std::vector<DisplayMode> modes_;
  int current_mode_ = -1;
  int mouse_x_ = 0, mouse_y_ = 0;
  std::optional<CursorImage> cursor_;
  int cursor_changes_ = 0;
  bool text_input_ = false;
  Rect text_input_caret_{};
  std::string clipboard_;
  bool desktop_fullscreen_ = false;
  ScalingMode scaling_ = ScalingMode::kInteger;
};

class HeadlessDialogs final : public Dialogs {
 public:
  MessageResult ShowMessage(const std::string& text_utf8, const std::string& caption_utf8,
                            MessageIcon icon, MessageButtons buttons) override;
  bool interactive() const override { return false; }
  const std::vector<std::string>& shown() const { return shown_; }

 private:
  std::vector<std::string> shown_;  // "caption: text", for tests
};

class HeadlessPlatform final : public Platform {
 public:
  HeadlessPlatform();
  Clock& clock() override { return clock_; }
  Dialogs& dialogs() override { return dialogs_; }
  std::unique_ptr<Window> CreateMainWindow(const WindowSpec& look, std::string* error) override;
  bool headless() const override { return true; }
  // Always the default block size, whatever VESK_AUDIO_FRAMES says, so that
  // a headless run pulls the same blocks everywhere.
  std::unique_ptr<AudioDevice> OpenAudioDevice() override;

  ManualClock& manual_clock() { return clock_; }
  HeadlessDialogs& headless_dialogs() { return dialogs_; }
  // The window most recently created (owned by the caller of CreateMainWindow).
  HeadlessWindow* window() const { return window_; }
  // The audio device most recently opened (owned by its opener): the owner
  // of the game clock advances it.
  HeadlessAudioDevice* audio_device() const { return audio_device_; }

 private:
  ManualClock clock_;
  HeadlessDialogs dialogs_;
  HeadlessWindow* window_ = nullptr;
  HeadlessAudioDevice* audio_device_ = nullptr;
};

}  // namespace vesk::platform
