#pragma once
// A game controller played as the keyboard and mouse a game understands:
// the d-pad and left stick press the arrow keys (repeating as a held key
// does), buttons press keys or click at the pointer, and the right stick
// moves the pointer. Which button does what comes from ControllerMapping.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/events.h"

namespace vesk::app {

// kSettings opens the player's own settings screen.
enum class PadAction { kNone, kKey, kLeftClick, kRightClick, kSettings };

struct PadBinding {
  PadAction action = PadAction::kNone;
  int vk = 0;  // kKey: the virtual key pressed
};

inline constexpr size_t kPadButtonCount = static_cast<size_t>(platform::PadButton::kCount);

struct ControllerMapping {
  // Indexed by PadButton. The d-pad's entries are used only when
  // dpad_arrows is off (then they may be bound like any button).
  std::array<PadBinding, kPadButtonCount> buttons{};
  bool dpad_arrows = true;
  bool left_stick_arrows = true;
  bool right_stick_pointer = true;
  int dead_zone_percent = 30;   // of a stick's full travel
  int repeat_delay_ms = 400;    // a held direction's first repeat
  int repeat_interval_ms = 60;  // and the ones after it
  int pointer_speed_px = 12;    // scene pixels a frame at full deflection

  // A → Return, B → Escape, X → left click, Y → right click, Back → the
  // player's settings screen; Start and the rest do nothing, since games
  // open their menus with Escape already.
  static ControllerMapping Defaults();
};

// Reads lines of `name=value` over the defaults already in *mapping:
// a button name (a, b, x, y, back, guide, start, leftstick, rightstick,
// leftshoulder, rightshoulder, dpup, dpdown, dpleft, dpright) takes a key
// name ("Return", "Space", "F5"...), click, rclick, settings or none; dpad and lstick
// take arrows or none; rstick takes pointer or none; deadzone (percent),
// pointer_speed (pixels a frame), repeat_delay and repeat_interval (ms)
// take numbers. '#' and ';' start comments. On a bad line *error names it
// and *mapping keeps the lines before it.
bool ParseControllerMapping(std::string_view text, ControllerMapping* mapping, std::string* error);

// The virtual key of a key name as VirtualKeyName spells it (any case); 0
// when there is none.
int VirtualKeyFromName(std::string_view name);

class ControllerInput {
 public:
  explicit ControllerInput(ControllerMapping mapping = ControllerMapping::Defaults());

  void SetMapping(const ControllerMapping& mapping);
  const ControllerMapping& mapping() const { return mapping_; }
  // The pointer is kept within the scene.
  void SetSceneSize(int w_px, int h_px);
  // Where the pointer is now (the real mouse moved it).
  void NotePointer(int scene_x, int scene_y);

  // One controller event, as keyboard and mouse events appended to *out.
  void Handle(const platform::Event& pad, uint32_t now_ms, std::vector<platform::Event>* out);
  // Once a frame: repeats of held directions that are due, and the pointer's
  // move from the right stick.
  void Tick(uint32_t now_ms, std::vector<platform::Event>* out);
  // Lets go of every held key and button (the controller went away).
  void ReleaseAll(std::vector<platform::Event>* out);
  // True once after a button bound to kSettings was pressed.
  bool TakeSettingsRequest() { return std::exchange(settings_requested_, false); }

 private:
  enum Direction { kLeft, kRight, kUp, kDown, kDirections };
  struct HeldDirection {
    bool dpad = false, stick = false;
    bool down = false;  // the arrow key is held
    uint32_t next_repeat_ms = 0;
  };

  void HandleButton(platform::PadButton b, bool down, uint32_t now_ms,
                    std::vector<platform::Event>* out);
  void HandleStick(platform::PadAxis a, int value, uint32_t now_ms,
                   std::vector<platform::Event>* out);
  void UpdateDirection(Direction d, uint32_t now_ms, std::vector<platform::Event>* out);
  bool BeyondDeadZone(int value) const;
  // The pointer's step along one axis this frame; `carry` keeps the fraction.
  int PointerStep(int value, double* carry) const;

  ControllerMapping mapping_;
  std::array<HeldDirection, kDirections> directions_{};
  std::array<bool, kPadButtonCount> pressed_{};
  int right_x_ = 0, right_y_ = 0;
  double carry_x_ = 0, carry_y_ = 0;
  int pointer_x_ = 0, pointer_y_ = 0;
  int scene_w_ = 640, scene_h_ = 480;
  bool settings_requested_ = false;
};

}  // namespace vesk::app
