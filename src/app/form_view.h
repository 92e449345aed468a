#pragma once
// TFormView: the main window's logic. It creates the subsystems in start-up
// order, runs one frame per idle call with the game's pacing rules, routes
// window input into the scene, pauses media while the game is in the
// background, switches full screen, and shuts everything down in order.
// It never touches SDL: the window and clock come from the platform layer.
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/controller_input.h"
#include "app/engine_ports.h"
#include "app/runtime_services.h"
#include "app/system_host.h"
#include "companion/companion.h"
#include "core/runtime_context.h"
#include "expr/param_collection.h"
#include "expr/sysfuncs.h"
#include "expr/system_router.h"
#include "platform/font_rasterizer.h"
#include "platform/platform.h"

namespace vesk::app {

class WindowKeys;
class SettingsScreen;

// The toolbar dock strip above the scene has no content; we keep none.
inline constexpr int kDockStripHeightPx = 0;
// Frames whose delta exceeds this are dropped from the game clock.
inline constexpr uint32_t kStallLimitMs = 3000;

struct FormViewOptions {
  std::vector<std::string> args;  // folders given on the command line (UTF-8)
  std::string exe_dir;            // where game.ini lives
  bool skip_logo = false;
  expr::SysFuncHost* function_host = nullptr;  // files and browser for the built-in functions
  const RuntimeServices* services = nullptr;   // none: expressions report nowhere
  WindowKeys* window_keys = nullptr;           // none: every key is the game's
};

class TFormView {
 public:
  TFormView(RuntimeContext& ctx, platform::Platform& platform, companion::Companion& companion,
            EngineFactory& factory);
  ~TFormView();
  TFormView(const TFormView&) = delete;
  TFormView& operator=(const TFormView&) = delete;

  // Main window creation and the start-up sequence. False when the game
  // cannot start (the termination flag is set; start_error() says why).
  bool Create(const FormViewOptions& options);
  const std::string& start_error() const { return start_error_; }

  // The idle handler: runs one frame when it should; answers whether the
  // loop may wait for the next event.
  bool OnIdle();
  void RunFrame();
  void HandleEvent(const platform::Event& e);

  // Input routing.
  void WindowKeyDown(int vk, bool auto_repeat);
  void PanelKeyDown(int vk);
  void KeyUp(int vk);
  void PanelMouseDown(platform::MouseButton button);
  void PanelMouseUp();
  void PanelMouseMove(int x, int y);
  void MouseWheel(bool down);

  // Window-system events.
  void Activate();
  void Deactivate();
  void EnterModalLoop();
  void LeaveModalLoop();
  void SoundRestored();

  void SetFullScreen(bool on);
  void ApplyDisplayMode();
  void SetCursorX(int x);
  void SetCursorY(int y);

  // Shutdown in order; safe to call twice.
  void Close();

  bool active() const { return active_; }
  bool logo_done() const { return logo_done_; }
  int draw_skip() const { return draw_skip_; }
  int panel_x() const { return panel_x_; }
  int panel_y() const { return panel_y_; }
  int frames_drawn() const { return frames_drawn_; }
  int frames_run() const { return frames_run_; }  // idle calls that ran a frame
  SceneRoot* scene() const { return scene_.get(); }
  Scenario* scenario() const { return scenario_.get(); }
  ScreenManager* screen() const { return screen_.get(); }
  platform::Window* window() const { return window_.get(); }
  expr::TParamCollection* variables() const { return variables_.get(); }
  expr::TSysFuncMan* functions() const { return functions_.get(); }
  // Where the variable table and the functions ask the running system; the
  // factory registers the subsystems' providers here as it makes them.
  expr::SystemRouter& router() { return router_; }
  // The game controller's buttons and sticks as keys and the mouse.
  ControllerInput& controller() { return pad_; }

  // The player's settings screen over the paused game (the settings key or
  // the controller's Back button open it; it needs the window keys).
  void OpenSettings();
  bool settings_open() const { return settings_screen_ != nullptr; }
  const SettingsScreen* settings_screen() const { return settings_screen_.get(); }

 private:
  void RunStartupSequence();
  void PlacePanel();
  // The window takes text (and runs the input method) exactly while a text
  // box that accepts it holds the keyboard, its candidate window at the caret.
  void SyncTextInput();
  // The player's own keys, taken before the scene sees them.
  bool OfferWindowKey(const platform::Event& e);
  void FinishDisplayChange();
  void WindowedClientSize();
  void ResumeMedia();
  void PauseMedia();
  // Controller events pass on as the key and mouse events they stand for.
  void RoutePad(const platform::Event& e);
  void StepPad(uint32_t now_ms);
  void DispatchPadOutput(const std::vector<platform::Event>& events);
  // While the settings screen is open: true when it took the event.
  bool RouteToSettings(const platform::Event& e);
  void DrawSettings();
  void CloseSettings();

  RuntimeContext& ctx_;
  platform::Platform& platform_;
  companion::Companion& companion_;
  EngineFactory& factory_;

  std::unique_ptr<platform::Window> window_;
  expr::SystemRouter router_;  // outlives every subsystem that registered with it
  ShellSystemProvider shell_{ctx_};
  std::unique_ptr<expr::TParamCollection> variables_;
  std::unique_ptr<expr::TSysFuncMan> functions_;
  std::unique_ptr<SceneRoot> scene_;
  std::unique_ptr<Scenario> scenario_;
  std::unique_ptr<ScreenManager> screen_;
  MediaManagers media_;
  std::unique_ptr<StartupLogo> logo_;
  WindowKeys* window_keys_ = nullptr;

  bool active_ = false;
  bool logo_done_ = false;
  bool closed_ = false;
  int draw_skip_ = 0;
  uint32_t last_tick_ = 0;
  int panel_x_ = 0, panel_y_ = 0;
  int frames_drawn_ = 0;
  int frames_run_ = 0;
  ControllerInput pad_;
  std::string start_error_;

  std::unique_ptr<SettingsScreen> settings_screen_;
  std::unique_ptr<platform::FontFace> settings_font_;
  platform::BackBuffer settings_backdrop_;  // the paused game, dimmed once
  platform::BackBuffer settings_frame_;
  std::set<int> settings_keys_;  // pressed while the screen was open: their releases are its
};

}  // namespace vesk::app
