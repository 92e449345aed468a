#pragma once
// The keys the player keeps for itself (full screen, scaling, screenshot) and
// the per-game window state they change. These are the player's, never the
// game's: a press that matches one is taken here, its repeats and its
// release too, before the scene can record it.
#include <functional>
#include <set>
#include <string>
#include <utility>

#include "platform/back_buffer.h"
#include "platform/events.h"
#include "platform/player_settings.h"
#include "platform/window.h"

namespace vesk::app {

class WindowKeys {
 public:
  // `game_name`: the per-game folder name the saves use too. The settings
  // are read from its settings.ini at once (warnings on stderr).
  explicit WindowKeys(std::string game_name);
  // For tests: settings given, nothing read or written.
  WindowKeys(std::string game_name, platform::PlayerSettings settings);

  const platform::PlayerSettings& settings() const { return settings_; }

  // The remembered scaling, placement and full screen, put on the window
  // (full screen once the window has been shown and activated).
  void Attach(platform::Window& window);
  // True when the event was one of ours (and has been acted on).
  bool Offer(const platform::Event& e, platform::Window& window, const platform::BackBuffer* frame);
  // The window's placement into the settings file, when it was moved or
  // sized since the start (on close and before full screen).
  void Remember(const platform::Window& window);

  // True once after the settings key was pressed.
  bool TakeSettingsRequest() { return std::exchange(settings_requested_, false); }
  // What the settings screen closed with: put on the window and the sound,
  // and saved.
  void Apply(const platform::PlayerSettings& edited, platform::Window& window);
  // Asked first when the full-screen key is pressed: true when it took the
  // game out of a full screen the game itself asked for (the game is told,
  // as by its own request), so the key has nothing more to do.
  void SetGameFullscreenExit(std::function<bool()> leave) {
    leave_game_fullscreen_ = std::move(leave);
  }
  // Where the volumes go; called at once with the current ones, and again
  // whenever Apply changes them.
  void SetLevelsSink(std::function<void(const platform::PlayerSettings&)> sink);

 private:
  void ToggleFullscreen(platform::Window& window);
  void ToggleScaling(platform::Window& window);
  void TakeScreenshot(const platform::BackBuffer* frame);
  void Save();

  std::string game_name_;
  std::string path_;  // empty: nothing is written
  platform::PlayerSettings settings_;
  std::set<int> held_;               // keys whose press was ours: their release is too
  bool pending_fullscreen_ = false;  // remembered, not yet put on the window
  bool settings_requested_ = false;
  std::function<void(const platform::PlayerSettings&)> levels_sink_;
  std::function<bool()> leave_game_fullscreen_;
  platform::WindowPlacement start_;  // where the window was put at start
};

// $XDG_PICTURES_DIR, else the one ~/.config/user-dirs.dirs names, else
// ~/Pictures; empty when no home is known.
std::string PicturesDirectory();
// "<game>-YYYYMMDD-HHMMSS.png" in `dir`, with "-N" before the extension
// when that name is taken.
std::string ScreenshotPath(const std::string& dir, const std::string& game_name);

}  // namespace vesk::app
