#pragma once
// The one interface engine code uses to reach the operating system. Two
// backends: SDL2 (a real window, the user's clock) and headless (no window,
// a manual clock, message boxes on standard error).
#include <memory>
#include <string>

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
};

// Null with *error set when SDL cannot start (no display, for example).
std::unique_ptr<Platform> CreateSdlPlatform(std::string* error);

}  // namespace vesk::platform
