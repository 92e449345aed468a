#include "app/controller_input.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "core/sjis.h"
#include "platform/vkeys.h"

namespace vesk::app {

using platform::Event;
using platform::EventType;
using platform::MouseButton;
using platform::PadAxis;
using platform::PadButton;

namespace {

constexpr int kAxisMax = 32767;

constexpr const char* kButtonNames[kPadButtonCount] = {"a",
                                                       "b",
                                                       "x",
                                                       "y",
                                                       "back",
                                                       "guide",
                                                       "start",
                                                       "leftstick",
                                                       "rightstick",
                                                       "leftshoulder",
                                                       "rightshoulder",
                                                       "dpup",
                                                       "dpdown",
                                                       "dpleft",
                                                       "dpright"};

// The arrow keys in the order of ControllerInput's directions.
constexpr int kArrowVk[] = {platform::vk::kLeft, platform::vk::kRight, platform::vk::kUp,
                            platform::vk::kDown};

size_t Index(PadButton b) {
  return static_cast<size_t>(b);
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

bool SameLetters(std::string_view a, std::string_view b) {
  return LowerAsciiBytes(std::string(a)) == LowerAsciiBytes(std::string(b));
}

bool ParseNumber(std::string_view s, int lo, int hi, int* out) {
  int v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size() || v < lo || v > hi) return false;
  *out = v;
  return true;
}

bool ParseBinding(std::string_view value, PadBinding* out) {
  if (SameLetters(value, "none")) {
    *out = {};
  } else if (SameLetters(value, "click")) {
    *out = {PadAction::kLeftClick, 0};
  } else if (SameLetters(value, "rclick")) {
    *out = {PadAction::kRightClick, 0};
  } else if (SameLetters(value, "settings")) {
    *out = {PadAction::kSettings, 0};
  } else if (const int vk = VirtualKeyFromName(value); vk != 0) {
    *out = {PadAction::kKey, vk};
  } else {
    return false;
  }
  return true;
}

bool ParseSwitch(std::string_view value, const char* on_word, bool* out) {
  if (SameLetters(value, on_word)) {
    *out = true;
  } else if (SameLetters(value, "none")) {
    *out = false;
  } else {
    return false;
  }
  return true;
}

bool ParseSetting(std::string_view name, std::string_view value, ControllerMapping* m) {
  for (size_t i = 0; i < kPadButtonCount; ++i)
    if (SameLetters(name, kButtonNames[i])) return ParseBinding(value, &m->buttons[i]);
  if (SameLetters(name, "dpad")) return ParseSwitch(value, "arrows", &m->dpad_arrows);
  if (SameLetters(name, "lstick")) return ParseSwitch(value, "arrows", &m->left_stick_arrows);
  if (SameLetters(name, "rstick")) return ParseSwitch(value, "pointer", &m->right_stick_pointer);
  if (SameLetters(name, "deadzone")) return ParseNumber(value, 0, 95, &m->dead_zone_percent);
  if (SameLetters(name, "pointer_speed")) return ParseNumber(value, 1, 200, &m->pointer_speed_px);
  if (SameLetters(name, "repeat_delay")) return ParseNumber(value, 1, 5000, &m->repeat_delay_ms);
  if (SameLetters(name, "repeat_interval"))
    return ParseNumber(value, 1, 5000, &m->repeat_interval_ms);
  return false;
}

}  // namespace

ControllerMapping ControllerMapping::Defaults() {
  ControllerMapping m;
  m.buttons[Index(PadButton::kA)] = {PadAction::kKey, platform::vk::kReturn};
  m.buttons[Index(PadButton::kB)] = {PadAction::kKey, platform::vk::kEscape};
  m.buttons[Index(PadButton::kX)] = {PadAction::kLeftClick, 0};
  m.buttons[Index(PadButton::kY)] = {PadAction::kRightClick, 0};
  m.buttons[Index(PadButton::kBack)] = {PadAction::kSettings, 0};
  return m;
}

int VirtualKeyFromName(std::string_view name) {
  if (name.empty()) return 0;
  for (int vk = 1; vk < 256; ++vk)
    if (const char* n = platform::vk::VirtualKeyName(vk); n && SameLetters(name, n)) return vk;
  return 0;
}

bool ParseControllerMapping(std::string_view text, ControllerMapping* mapping, std::string* error) {
  int line_no = 0;
  while (!text.empty()) {
    const size_t eol = text.find('\n');
    std::string_view line = text.substr(0, eol);
    text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
    ++line_no;
    if (const size_t c = line.find_first_of("#;"); c != std::string_view::npos)
      line = line.substr(0, c);
    line = Trim(line);
    if (line.empty()) continue;
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos ||
        !ParseSetting(Trim(line.substr(0, eq)), Trim(line.substr(eq + 1)), mapping)) {
      if (error)
        *error = "controller mapping, line " + std::to_string(line_no) + ": cannot use \"" +
                 std::string(line) + "\"";
      return false;
    }
  }
  return true;
}

ControllerInput::ControllerInput(ControllerMapping mapping) : mapping_(std::move(mapping)) {}

void ControllerInput::SetMapping(const ControllerMapping& mapping) {
  mapping_ = mapping;
}

void ControllerInput::SetSceneSize(int w_px, int h_px) {
  scene_w_ = std::max(1, w_px);
  scene_h_ = std::max(1, h_px);
  NotePointer(pointer_x_, pointer_y_);
}

void ControllerInput::NotePointer(int scene_x, int scene_y) {
  pointer_x_ = std::clamp(scene_x, 0, scene_w_ - 1);
  pointer_y_ = std::clamp(scene_y, 0, scene_h_ - 1);
}

void ControllerInput::Handle(const Event& pad, uint32_t now_ms, std::vector<Event>* out) {
  switch (pad.type) {
    case EventType::kPadButtonDown:
    case EventType::kPadButtonUp:
      if (Index(pad.pad_button) < kPadButtonCount)
        HandleButton(pad.pad_button, pad.type == EventType::kPadButtonDown, now_ms, out);
      break;
    case EventType::kPadAxis:
      HandleStick(pad.pad_axis, pad.axis_value, now_ms, out);
      break;
    default:
      break;
  }
}

void ControllerInput::HandleButton(PadButton b, bool down, uint32_t now_ms,
                                   std::vector<Event>* out) {
  if (mapping_.dpad_arrows) {
    const auto set = [&](Direction d) {
      directions_[d].dpad = down;
      UpdateDirection(d, now_ms, out);
    };
    switch (b) {
      case PadButton::kDpadLeft:
        return set(kLeft);
      case PadButton::kDpadRight:
        return set(kRight);
      case PadButton::kDpadUp:
        return set(kUp);
      case PadButton::kDpadDown:
        return set(kDown);
      default:
        break;
    }
  }
  // Only changes count, so a release never comes without its press.
  bool& pressed = pressed_[Index(b)];
  if (pressed == down) return;
  pressed = down;
  const PadBinding& binding = mapping_.buttons[Index(b)];
  switch (binding.action) {
    case PadAction::kNone:
      break;
    case PadAction::kSettings:
      if (down) settings_requested_ = true;
      break;
    case PadAction::kKey:
      out->push_back(Event::Key(down ? EventType::kKeyDown : EventType::kKeyUp, binding.vk));
      break;
    case PadAction::kLeftClick:
    case PadAction::kRightClick:
      out->push_back(Event::Mouse(
          down ? EventType::kMouseDown : EventType::kMouseUp,
          binding.action == PadAction::kLeftClick ? MouseButton::kLeft : MouseButton::kRight,
          pointer_x_, pointer_y_));
      break;
  }
}

bool ControllerInput::BeyondDeadZone(int value) const {
  return std::abs(value) * 100 > mapping_.dead_zone_percent * kAxisMax;
}

void ControllerInput::HandleStick(PadAxis a, int value, uint32_t now_ms, std::vector<Event>* out) {
  value = std::clamp(value, -kAxisMax, kAxisMax);
  switch (a) {
    case PadAxis::kLeftX:
    case PadAxis::kLeftY: {
      if (!mapping_.left_stick_arrows) return;
      const bool x = a == PadAxis::kLeftX;
      const Direction low = x ? kLeft : kUp, high = x ? kRight : kDown;
      directions_[low].stick = BeyondDeadZone(value) && value < 0;
      directions_[high].stick = BeyondDeadZone(value) && value > 0;
      UpdateDirection(low, now_ms, out);
      UpdateDirection(high, now_ms, out);
      return;
    }
    case PadAxis::kRightX:
      right_x_ = value;
      return;
    case PadAxis::kRightY:
      right_y_ = value;
      return;
    default:
      return;  // the triggers are not used
  }
}

void ControllerInput::UpdateDirection(Direction d, uint32_t now_ms, std::vector<Event>* out) {
  HeldDirection& h = directions_[d];
  const bool held = h.dpad || h.stick;
  if (held == h.down) return;
  h.down = held;
  out->push_back(Event::Key(held ? EventType::kKeyDown : EventType::kKeyUp, kArrowVk[d]));
  if (held) h.next_repeat_ms = now_ms + static_cast<uint32_t>(mapping_.repeat_delay_ms);
}

int ControllerInput::PointerStep(int value, double* carry) const {
  if (!BeyondDeadZone(value)) {
    *carry = 0;
    return 0;
  }
  // Speed grows from nothing at the dead zone's edge to full at full travel.
  const double dead = mapping_.dead_zone_percent / 100.0;
  const double travel = (std::abs(value) / double{kAxisMax} - dead) / (1.0 - dead);
  *carry += std::copysign(travel * mapping_.pointer_speed_px, value);
  const double whole = std::trunc(*carry);
  *carry -= whole;
  return static_cast<int>(whole);
}

void ControllerInput::Tick(uint32_t now_ms, std::vector<Event>* out) {
  for (int d = 0; d < kDirections; ++d) {
    HeldDirection& h = directions_[d];
    if (!h.down) continue;
    // Compared as a difference, so the tick count's wrap does no harm.
    if (static_cast<int32_t>(now_ms - h.next_repeat_ms) < 0) continue;
    out->push_back(Event::Key(EventType::kKeyDown, kArrowVk[d], /*repeat=*/true));
    h.next_repeat_ms = now_ms + static_cast<uint32_t>(mapping_.repeat_interval_ms);
  }
  if (!mapping_.right_stick_pointer) return;
  const int dx = PointerStep(right_x_, &carry_x_), dy = PointerStep(right_y_, &carry_y_);
  if (dx == 0 && dy == 0) return;
  const int x = pointer_x_, y = pointer_y_;
  NotePointer(x + dx, y + dy);
  if (pointer_x_ != x || pointer_y_ != y) out->push_back(Event::Move(pointer_x_, pointer_y_));
}

void ControllerInput::ReleaseAll(std::vector<Event>* out) {
  for (size_t i = 0; i < kPadButtonCount; ++i)
    if (pressed_[i]) HandleButton(static_cast<PadButton>(i), false, 0, out);
  for (int d = 0; d < kDirections; ++d) {
    directions_[d].dpad = directions_[d].stick = false;
    UpdateDirection(static_cast<Direction>(d), 0, out);
  }
  right_x_ = right_y_ = 0;
}

}  // namespace vesk::app
