#include "app/window_keys.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "app/screenshot.h"
#include "platform/files.h"

namespace vesk::app {
namespace {

using platform::EventType;
using platform::ScalingMode;

std::string HomeDirectory() {
  const char* home = std::getenv("HOME");
  return home && home[0] ? home : "";
}

// The XDG_PICTURES_DIR="$HOME/..." line of user-dirs.dirs.
std::string PicturesFromUserDirs(const std::string& home) {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  const std::string config = xdg && xdg[0] == '/' ? xdg : platform::JoinPath(home, ".config");
  const auto bytes = platform::ReadWholeFile(platform::JoinPath(config, "user-dirs.dirs"));
  if (!bytes || bytes->size() > 64 * 1024) return {};
  const std::string text(bytes->begin(), bytes->end());
  const std::string key = "XDG_PICTURES_DIR=\"";
  const size_t at = text.find(key);
  if (at == std::string::npos || (at > 0 && text[at - 1] != '\n')) return {};
  const size_t start = at + key.size();
  const size_t end = text.find('"', start);
  if (end == std::string::npos) return {};
  std::string dir = text.substr(start, end - start);
  if (dir.rfind("$HOME", 0) == 0) dir = home + dir.substr(5);
  return !dir.empty() && dir[0] == '/' ? dir : std::string();
}

}  // namespace

std::string PicturesDirectory() {
  if (const char* env = std::getenv("XDG_PICTURES_DIR"); env && env[0] == '/') return env;
  const std::string home = HomeDirectory();
  if (home.empty()) return {};
  if (std::string dir = PicturesFromUserDirs(home); !dir.empty()) return dir;
  return platform::JoinPath(home, "Pictures");
}

std::string ScreenshotPath(const std::string& dir, const std::string& game_name) {
  const std::time_t now = std::time(nullptr);
  char stamp[32] = "00000000-000000";
  if (const std::tm* local = std::localtime(&now))
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", local);
  const std::string base = platform::JoinPath(dir, game_name + "-" + stamp);
  std::string path = base + ".png";
  for (int n = 2; platform::FileExists(path) && n < 10000; ++n)
    path = base + "-" + std::to_string(n) + ".png";
  return path;
}

WindowKeys::WindowKeys(std::string game_name) : game_name_(std::move(game_name)) {
  path_ = platform::PlayerSettingsPath(game_name_);
  std::vector<std::string> warnings;
  settings_ = platform::LoadPlayerSettings(path_, &warnings);
  for (const auto& w : warnings)
    std::fprintf(stderr, "vesk-player: %s: %s\n", path_.c_str(), w.c_str());
}

WindowKeys::WindowKeys(std::string game_name, platform::PlayerSettings settings)
    : game_name_(std::move(game_name)), settings_(std::move(settings)) {}

void WindowKeys::Attach(platform::Window& window) {
  window.SetAllowModeSwitch(settings_.allow_mode_switch);
  window.SetScalingMode(settings_.scaling);
  if (settings_.has_placement)
    window.RestorePlacement({settings_.x, settings_.y, settings_.width, settings_.height, true});
  start_ = window.Placement();
  // Full screen waits for the window system to have shown the window: a
  // window not yet mapped may keep its own size.
  pending_fullscreen_ = settings_.fullscreen;
}

bool WindowKeys::Offer(const platform::Event& e, platform::Window& window,
                       const platform::BackBuffer* frame) {
  if (pending_fullscreen_ && (e.type == EventType::kActivated || e.type == EventType::kExposed)) {
    pending_fullscreen_ = false;
    window.SetDesktopFullscreen(true);
  }
  if (e.type == EventType::kKeyUp) return held_.erase(e.vk) > 0;
  if (e.type != EventType::kKeyDown) return false;
  const platform::PlayerSettings& s = settings_;
  const bool ours = s.fullscreen_key.Matches(e.vk, e.mods) || s.scaling_key.Matches(e.vk, e.mods) ||
                    s.screenshot_key.Matches(e.vk, e.mods) || s.settings_key.Matches(e.vk, e.mods);
  // A repeat of a press we took is ours even if a modifier was let go.
  if (!ours) return e.repeat && held_.count(e.vk) > 0;
  const bool first = held_.insert(e.vk).second && !e.repeat;
  if (!first) return true;
  if (s.fullscreen_key.Matches(e.vk, e.mods))
    ToggleFullscreen(window);
  else if (s.scaling_key.Matches(e.vk, e.mods))
    ToggleScaling(window);
  else if (s.settings_key.Matches(e.vk, e.mods))
    settings_requested_ = true;
  else
    TakeScreenshot(frame);
  return true;
}

void WindowKeys::ToggleFullscreen(platform::Window& window) {
  if (leave_game_fullscreen_ && leave_game_fullscreen_()) return;
  const bool on = !window.desktop_fullscreen();
  // Leaving the window: its placement is the one to come back to.
  if (on) Remember(window);
  if (!window.SetDesktopFullscreen(on)) return;
  settings_.fullscreen = on;
  Save();
}

void WindowKeys::ToggleScaling(platform::Window& window) {
  settings_.scaling =
      settings_.scaling == ScalingMode::kFit ? ScalingMode::kInteger : ScalingMode::kFit;
  window.SetScalingMode(settings_.scaling);
  Save();
}

void WindowKeys::TakeScreenshot(const platform::BackBuffer* frame) {
  const std::string base = PicturesDirectory();
  if (!frame || base.empty()) {
    std::fprintf(stderr, "vesk-player: screenshot: %s\n",
                 frame ? "no pictures folder" : "no frame");
    return;
  }
  const std::string dir = platform::JoinPath(base, "vesk-player");
  std::string error;
  if (!platform::MakeDirectories(dir)) {
    std::fprintf(stderr, "vesk-player: %s: %s\n", dir.c_str(), platform::LastErrorText().c_str());
    return;
  }
  const std::string path = ScreenshotPath(dir, game_name_);
  if (SavePng(*frame, path, &error))
    std::fprintf(stderr, "vesk-player: screenshot saved to %s\n", path.c_str());
  else
    std::fprintf(stderr, "vesk-player: %s: %s\n", path.c_str(), error.c_str());
}

void WindowKeys::Remember(const platform::Window& window) {
  const platform::WindowPlacement p = window.Placement();
  if (!p.valid) return;  // full screen: the last windowed placement stands
  // A window nobody moved or sized leaves the file alone.
  if (start_.valid && p.x == start_.x && p.y == start_.y && p.w == start_.w && p.h == start_.h)
    return;
  if (settings_.has_placement && settings_.x == p.x && settings_.y == p.y &&
      settings_.width == p.w && settings_.height == p.h)
    return;
  settings_.has_placement = true;
  settings_.x = p.x;
  settings_.y = p.y;
  settings_.width = p.w;
  settings_.height = p.h;
  Save();
}

void WindowKeys::Apply(const platform::PlayerSettings& edited, platform::Window& window) {
  const bool levels_changed = edited.volume_percent != settings_.volume_percent ||
                              edited.music_volume_percent != settings_.music_volume_percent ||
                              edited.sounds_volume_percent != settings_.sounds_volume_percent;
  window.SetAllowModeSwitch(edited.allow_mode_switch);
  window.SetScalingMode(edited.scaling);
  bool fullscreen = edited.fullscreen;
  if (fullscreen != window.desktop_fullscreen()) {
    if (fullscreen) Remember(window);
    if (!window.SetDesktopFullscreen(fullscreen)) fullscreen = window.desktop_fullscreen();
  }
  // The screen edits neither the window's placement (Remember may just
  // have taken it) nor the controller's lines: those stand as they are.
  platform::PlayerSettings next = edited;
  next.fullscreen = fullscreen;
  next.has_placement = settings_.has_placement;
  next.x = settings_.x;
  next.y = settings_.y;
  next.width = settings_.width;
  next.height = settings_.height;
  next.controller = settings_.controller;
  if (next == settings_) return;
  settings_ = next;
  if (levels_changed && levels_sink_) levels_sink_(settings_);
  Save();
}

void WindowKeys::SetLevelsSink(std::function<void(const platform::PlayerSettings&)> sink) {
  levels_sink_ = std::move(sink);
  if (levels_sink_) levels_sink_(settings_);
}

void WindowKeys::Save() {
  if (path_.empty()) return;
  std::string error;
  if (!platform::SavePlayerSettings(path_, settings_, &error))
    std::fprintf(stderr, "vesk-player: %s: %s\n", path_.c_str(), error.c_str());
}

}  // namespace vesk::app
