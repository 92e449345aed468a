#pragma once
// The one interface engine code uses to reach the operating system. Two
// backends: SDL2 (a real window, the user's clock, the sound card) and
// headless (no window, a manual clock, message boxes on standard error, audio
// pulled on the game clock).
#include <memory>
#include <string>

#include "platform/audio_device.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/window.h"

namespace vesk::platform {

class Platform {
 public:
  virtual ~Platform() = default;
  virtual Clock& clock() = 0;
  virtual Dialogs& dialogs() = 0;
  // Null with *error set when the window cannot be made.
  virtual std::unique_ptr<Window> CreateMainWindow(const WindowSpec& look, std::string* error) = 0;
  virtual bool headless() const = 0;
  // The audio output. Never null: when no output can be opened the device
  // is silent (live() false) and says why once on standard error. Free it
  // before the platform.
  virtual std::unique_ptr<AudioDevice> OpenAudioDevice() = 0;
};

// Null with *error set when SDL cannot start (no display, for example).
std::unique_ptr<Platform> CreateSdlPlatform(std::string* error);

}  // namespace vesk::platform
