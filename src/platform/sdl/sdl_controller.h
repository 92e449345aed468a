#pragma once
#include <SDL.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/events.h"

namespace vesk::platform {

// Parses a virtual-controller script (see SdlControllers); entries it cannot read
// are left out.
struct VirtualPadChange {
  int64_t frame = 0;
  bool axis = false;
  int control = 0;  // SDL_GameControllerButton or SDL_GameControllerAxis
  int value = 0;
};
std::vector<VirtualPadChange> ParseVirtualPadScript(const std::string& text);

// Game controllers through SDL's game-controller layer: each one is opened
// as it is plugged in and closed when it goes, and its buttons and sticks
// become kPad... events. Mappings come from SDL's own database, plus the
// user's $XDG_CONFIG_HOME/vesk-player/gamecontrollerdb.txt when present.
//
// For tests, VESK_TEST_VIRTUAL_CONTROLLER holds a script of entries
// `frame:control:value` (separated by spaces, ';' or new lines), such as
// `30:a:1 32:a:0 40:leftx:-32000`: a virtual controller is plugged in and
// the control (SDL's button or axis name) takes the value once the window
// has presented that many frames.
class SdlControllers {
 public:
  SdlControllers();
  ~SdlControllers();
  SdlControllers(const SdlControllers&) = delete;
  SdlControllers& operator=(const SdlControllers&) = delete;

  // Controller events become *out (true); a device plugged in is opened
  // (false), one unplugged is closed and reported as kPadRemoved.
  bool Translate(const SDL_Event& in, Event* out);
  // Plays the test script up to `frame` (frames presented so far).
  void Step(int64_t frame);

 private:
  struct ControllerCloser {
    void operator()(SDL_GameController* c) const { SDL_GameControllerClose(c); }
  };
  struct JoystickCloser {
    void operator()(SDL_Joystick* j) const { SDL_JoystickClose(j); }
  };
  void LoadUserMappings();
  void AttachVirtual(const char* script);

  bool ready_ = false;
  std::map<SDL_JoystickID, std::unique_ptr<SDL_GameController, ControllerCloser>> open_;
  std::unique_ptr<SDL_Joystick, JoystickCloser> virtual_;
  int virtual_index_ = -1;
  std::vector<VirtualPadChange> script_;
  size_t script_next_ = 0;
};

}  // namespace vesk::platform
