#pragma once
// The main window with its presentable back buffer. One per process; the
// backend decides how the frame reaches the screen (SDL streaming texture,
// or a copy kept in memory by the headless backend).
#include <cstdint>
#include <string>
#include <vector>

#include "core/rect.h"
#include "platform/back_buffer.h"
#include "platform/display_mode.h"
#include "platform/events.h"
#include "platform/view_mapping.h"

namespace vesk::platform {

struct CursorImage;

struct WindowSpec {
  std::string title_utf8;
  int client_w_px = 640;
  int client_h_px = 480;
  bool resizable = true;
  // The pace of the caller's frame loop. The window waits for the display's
  // vertical blank only where that never holds such a frame back.
  int frame_period_ms = 16;
};

// Where the window sits on the desktop (window coordinates, not scene ones).
struct WindowPlacement {
  int x = 0, y = 0, w = 0, h = 0;
  bool valid = false;
};

// What a window has sent to the screen so far.
struct PresentStats {
  int64_t presents = 0;         // times the window was drawn anew
  int64_t pixels_uploaded = 0;  // frame pixels copied into the window's own picture
};

class Window {
 public:
  virtual ~Window() = default;

  virtual void SetTitle(const std::string& title_utf8) = 0;
  // Client size in scene pixels; the window keeps this aspect when resized.
  virtual void SetClientSize(int w_px, int h_px) = 0;
  // Centre the window on the desktop's work area.
  virtual void CenterOnWorkArea() = 0;
  virtual void Show() = 0;

  // Show the back buffer (its size is the scene size). Only its marked
  // changes are copied, unless the window's own copy is missing or of
  // another shape; a frame with no marks shows nothing new and costs
  // nothing. Requests from the window system to draw the window again are
  // answered from the window's own copy, between frames.
  virtual void Present(const BackBuffer& frame) = 0;
  virtual PresentStats present_stats() const { return {}; }

  // Next pending event, translated; false when the queue is empty.
  virtual bool PollEvent(Event* out) = 0;
  // Block until an event arrives or timeout_ms passes; false on timeout.
  virtual bool WaitEvent(Event* out, int timeout_ms) = 0;

  // Full screen: the modes the display offers, and switching to one (index
  // into that list) or back to the window (-1). False when the switch failed.
  virtual std::vector<DisplayMode> ListDisplayModes() = 0;
  // The desktop's format: bits per pixel, and whether a 16-bit one is 5-5-5.
  virtual int DesktopBitsPerPixel() const { return 32; }
  virtual bool DesktopIsRgb555() const { return false; }
  virtual bool SetDisplayMode(int index) = 0;
  virtual int CurrentDisplayMode() const = 0;

  // Move the pointer to a scene position.
  virtual void WarpMouse(int scene_x, int scene_y) = 0;
  virtual void MousePosition(int* scene_x, int* scene_y) const = 0;

  // The pointer's picture over the window: a decoded cursor file (the window
  // keeps its own copy, so the image may go away after the call), or the
  // system's arrow for null.
  virtual void SetCursorImage(const CursorImage* image) = 0;

  // Text entry. While started, typed characters and the input method's
  // composition arrive as kTextInput and kTextEditing events; `caret_scene`
  // (scene coordinates) is where the input method puts its candidate
  // window. Starting again only moves that place. Stopped, keys are keys.
  virtual void StartTextInput(const Rect& caret_scene) = 0;
  virtual void StopTextInput() = 0;
  virtual bool text_input_started() const = 0;

  // The clipboard's text (UTF-8; empty when it holds none), and replacing it.
  virtual std::string ClipboardText() const = 0;
  virtual void SetClipboardText(const std::string& utf8) = 0;

  // The user's own full screen: a borderless window covering the display at
  // the desktop's mode, never a mode change. Off returns to the window as it
  // was. The game's display mode (above) is not affected.
  virtual bool SetDesktopFullscreen(bool /*on*/) { return false; }
  virtual bool desktop_fullscreen() const { return false; }
  // How the scene is scaled into the window (the mouse mapping follows).
  virtual void SetScalingMode(ScalingMode /*mode*/) {}
  virtual ScalingMode scaling_mode() const { return ScalingMode::kInteger; }
  // Whether a game's display-mode switch may change the desktop's mode; when
  // not, it is shown as the desktop full screen while the game still sees
  // its mode as current.
  virtual void SetAllowModeSwitch(bool /*allow*/) {}
  // The window's place and size, to be remembered; restoring keeps it only
  // when it still lies on a display.
  virtual WindowPlacement Placement() const { return {}; }
  virtual void RestorePlacement(const WindowPlacement& /*placement*/) {}
  // The window's own pixels as shown (letterbox included), as a BMP file; for tests.
  virtual bool SaveWindowBmp(const std::string& /*bmp_path*/) { return false; }
};

}  // namespace vesk::platform
