#pragma once
// What the main window needs from the subsystems it drives each frame. The
// scene root, the project, the screen manager, the media managers and the
// start-up logo are reached only through these, so the frame loop can run
// with the real ones or with test doubles, and subsystems can arrive one by
// one behind the same calls.
#include <memory>
#include <string>
#include <vector>

#include "core/rect.h"
#include "core/runtime_context.h"
#include "platform/back_buffer.h"
#include "platform/display_mode.h"
#include "platform/events.h"
#include "script/project_info.h"

namespace vesk::platform {
class Window;
}
namespace vesk::expr {
class TParamCollection;
class TSysFuncMan;
}  // namespace vesk::expr

namespace vesk::app {

// The scene root with its two bases: raw input is recorded here by the
// window's handlers and acted on in the input step.
class SceneRoot {
 public:
  virtual ~SceneRoot() = default;
  virtual void SetSceneSize(int width_px, int height_px) = 0;
  virtual int SceneWidth() const = 0;
  virtual int SceneHeight() const = 0;

  // Raw input, recorded by the window handlers.
  virtual void MouseDown(
      platform::MouseButton button) = 0;  // held on both bases, click pending on the shown one
  virtual void MouseUp() = 0;
  virtual void MouseMove(int x, int y) = 0;
  virtual void Wheel(bool down) = 0;
  virtual void KeyDown(int vk) = 0;  // vk < 256: held, and a press recorded
  virtual void KeyUp(int vk) = 0;
  virtual void ClearInput() = 0;  // everything, as when the window loses focus

  // The per-frame passes.
  virtual void InputStep() = 0;
  virtual void UpdatePass() = 0;
  virtual void Draw(platform::BackBuffer& frame) = 0;
  virtual void ClearDirtyRects() = 0;

  // What the logo step asks after the input step.
  virtual bool LeftClicked() const = 0;
  virtual bool KeyClicked(int vk) const = 0;

  virtual void BeforeDisplayChange() = 0;
  virtual void AfterDisplayChange() = 0;

  // Whether the last Draw changed any pixel of the frame.
  virtual bool FrameChanged() const { return true; }

  // Text entry. A text box that holds the keyboard takes every key press
  // (true: the scene does not record it), the text typed and the input
  // method's composition (UTF-8; the cursor counts characters).
  virtual bool OfferKey(int vk, uint8_t mods) {
    (void)vk;
    (void)mods;
    return false;
  }
  virtual void TextInput(const std::string& utf8) { (void)utf8; }
  virtual void TextEditing(const std::string& utf8, int cursor_chars) {
    (void)utf8;
    (void)cursor_chars;
  }
  // The caret of the text box that takes text now, in scene coordinates.
  virtual bool TextCaret(Rect* caret) const {
    (void)caret;
    return false;
  }
};

// The loaded project with its call manager.
class Scenario {
 public:
  virtual ~Scenario() = default;
  virtual const script::ProjectInfo& info() const = 0;
  virtual void Step() = 0;                 // run commands until one waits
  virtual bool RunDeferredSaveLoad() = 0;  // true when a game was loaded
};

// Presents the frame in the window or full screen.
class ScreenManager {
 public:
  virtual ~ScreenManager() = default;
  virtual platform::BackBuffer& back_buffer() = 0;
  virtual void Present() = 0;
  virtual bool full_screen() const = 0;
  virtual bool display_modes_available() const = 0;
  virtual int chosen_mode() const = 0;  // < 0: none chosen
  virtual void set_chosen_mode(int index) = 0;
  virtual int current_mode() const = 0;  // -1: windowed
  virtual void ReleaseAll() = 0;
  virtual bool SetDisplayMode(int index) = 0;  // -1 returns to the window
  // The bit count every drawing surface is made with (15, 16 or 32).
  virtual int working_bit_count() const { return 32; }
  // Usable full-screen modes (@DisplayModeCount) and one of them.
  virtual int ModeCount() const { return 0; }
  virtual bool GetMode(int index, platform::DisplayMode* out) const {
    (void)index;
    (void)out;
    return false;
  }
  // Whether the scene changed this frame, and its zoom in percent.
  virtual void NoteFrameChanged(bool changed, int zoom_percent) {
    (void)changed;
    (void)zoom_percent;
  }
};

// One family of playing media (wave sounds, video, WMA, Ogg, CD audio, MIDI).
class MediaManager {
 public:
  virtual ~MediaManager() = default;
  virtual void PauseAll() = 0;
  virtual void ResumeAll() = 0;
  virtual bool HasItems() const = 0;
  // CD audio gives up and takes back the drive with the focus.
  virtual void Reacquire() {}
  virtual void Release() {}
  // The sound device came back after a loss.
  virtual void Restore() {}
};

struct MediaManagers {
  std::unique_ptr<MediaManager> video, wave, wma, ogg, cd_audio, midi;
};

// The start-up logo that plays before the scenario.
class StartupLogo {
 public:
  virtual ~StartupLogo() = default;
  // One frame of the logo; true once it is done (the scenario runs from the
  // next frame on).
  virtual bool Step(SceneRoot& scene) = 0;
};

// Makes the subsystems, in the order the main window asks for them.
class EngineFactory {
 public:
  virtual ~EngineFactory() = default;
  virtual void MountDataSources(const std::vector<std::string>& args) = 0;
  virtual void InitSound(const SoundSettings& settings) = 0;
  virtual std::unique_ptr<SceneRoot> CreateScene(const RuntimeContext& ctx) = 0;
  // Sets the termination flag (and *error, for the command line) when the
  // project cannot start.
  virtual std::unique_ptr<Scenario> CreateProject(RuntimeContext& ctx,
                                                  expr::TParamCollection& variables,
                                                  expr::TSysFuncMan& functions,
                                                  std::string* error) = 0;
  virtual std::unique_ptr<ScreenManager> CreateScreenManager(platform::Window& window,
                                                             const script::ProjectInfo& info) = 0;
  virtual MediaManagers CreateMedia() = 0;
  virtual std::unique_ptr<StartupLogo> CreateLogo(bool skip) = 0;
};

}  // namespace vesk::app
