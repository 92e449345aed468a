#pragma once
#include <SDL.h>

#include <memory>
#include <vector>

#include "platform/cursor_image.h"
#include "platform/view_mapping.h"
#include "platform/window.h"

namespace vesk::platform {

class SdlControllers;

// The real window: the back buffer's changes go to a streaming texture,
// which is drawn scaled into the window with its aspect ratio kept. The
// window is drawn only when the frame changed or the window system asks.
class SdlWindow final : public Window {
 public:
  static std::unique_ptr<SdlWindow> Create(const WindowSpec& look, std::string* error);
  ~SdlWindow() override;

  void SetTitle(const std::string& title_utf8) override;
  void SetClientSize(int w_px, int h_px) override;
  void CenterOnWorkArea() override;
  void Show() override;
  void Present(const BackBuffer& frame) override;
  PresentStats present_stats() const override { return stats_; }
  bool PollEvent(Event* out) override;
  bool WaitEvent(Event* out, int timeout_ms) override;
  std::vector<DisplayMode> ListDisplayModes() override;
  int DesktopBitsPerPixel() const override;
  bool DesktopIsRgb555() const override;
  bool SetDisplayMode(int index) override;
  int CurrentDisplayMode() const override { return current_mode_; }
  void WarpMouse(int scene_x, int scene_y) override;
  void MousePosition(int* scene_x, int* scene_y) const override;
  void SetCursorImage(const CursorImage* image) override;
  void StartTextInput(const Rect& caret_scene) override;
  void StopTextInput() override;
  bool text_input_started() const override { return text_input_; }
  std::string ClipboardText() const override;
  void SetClipboardText(const std::string& utf8) override;
  // Full screen on the desktop's own mode, scaling, placement
  // (sdl_window_fullscreen.cpp).
  bool SetDesktopFullscreen(bool on) override;
  bool desktop_fullscreen() const override { return desktop_fullscreen_; }
  void SetScalingMode(ScalingMode mode) override;
  ScalingMode scaling_mode() const override { return scaling_; }
  void SetAllowModeSwitch(bool allow) override { allow_mode_switch_ = allow; }
  WindowPlacement Placement() const override;
  void RestorePlacement(const WindowPlacement& placement) override;
  bool SaveWindowBmp(const std::string& bmp_path) override;

 private:
  struct CursorDeleter {
    void operator()(SDL_Cursor* c) const { SDL_FreeCursor(c); }
  };
  using CursorPtr = std::unique_ptr<SDL_Cursor, CursorDeleter>;

  SdlWindow(SDL_Window* window, SDL_Renderer* renderer, const WindowSpec& look);
  bool Translate(const SDL_Event& in, Event* out);
  void UpdateMappings();
  void UpdateVsync();
  // *made: the texture is new (or was lost) and holds nothing yet.
  bool EnsureTexture(const BackBuffer& frame, bool* made);
  void Redraw();
  void ApplyTextureFilter();
  // A game's mode switch shown as the desktop's full screen instead.
  bool EnterDesktopFullscreenFor(int mode_index);
  // Animated cursors move on while events are pumped.
  void AnimateCursor();
  int MsUntilCursorStep() const;  // -1 when the cursor does not move

  SDL_Window* window_;
  SDL_Renderer* renderer_;
  bool software_;
  bool vsync_ = false;
  int frame_period_ms_;
  PresentStats stats_;
  SDL_Texture* texture_ = nullptr;
  int texture_w_ = 0, texture_h_ = 0;
  PixelFormat texture_format_ = PixelFormat::kXrgb8888;
  int scene_w_, scene_h_;
  ViewMapping output_mapping_;  // in renderer output pixels
  ViewMapping window_mapping_;  // in window coordinates (mouse events)
  int current_mode_ = -1;
  ScalingMode scaling_ = ScalingMode::kInteger;
  bool desktop_fullscreen_ = false;
  WindowPlacement windowed_;  // where the window was before the desktop full screen
  bool allow_mode_switch_ = true;
  // One SDL cursor per frame of the game's cursor (none: the system arrow);
  // an animation walks through them by its steps.
  std::vector<CursorPtr> cursors_;
  std::vector<CursorStep> cursor_steps_;
  size_t cursor_step_ = 0;
  Uint64 cursor_step_due_ms_ = 0;
  bool text_input_ = false;
  Rect text_input_caret_{};
  std::unique_ptr<SdlControllers> controllers_;
  int64_t frames_offered_ = 0;  // Present calls, for the test controller's script
};

}  // namespace vesk::platform
