#include "app/input_script.h"

#include <algorithm>
#include <charconv>
#include <sstream>

#include "core/sjis.h"
#include "platform/vkeys.h"

namespace vesk::app {
namespace {

using platform::Event;
using platform::EventType;
using platform::MouseButton;

bool ToInt(const std::string& s, int* out) {
  int base = 10;
  const char* b = s.data();
  const char* e = s.data() + s.size();
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    base = 16;
    b += 2;
  }
  auto [p, ec] = std::from_chars(b, e, *out, base);
  return ec == std::errc() && p == e;
}

bool ToVirtualKey(const std::string& s, int* vk) {
  if (ToInt(s, vk)) return *vk >= 0 && *vk < 256;
  for (int k = 1; k < 256; ++k) {
    const char* name = platform::vk::VirtualKeyName(k);
    if (name && EqualsIgnoreAsciiCase(s, name)) {
      *vk = k;
      return true;
    }
  }
  return false;
}

// The modifier bit a key sets while held (0 for other keys).
uint8_t ModifierOf(int key) {
  namespace vk = platform::vk;
  if (key == vk::kShift || key == vk::kLShift || key == vk::kRShift) return platform::kModShift;
  if (key == vk::kControl || key == vk::kLControl || key == vk::kRControl)
    return platform::kModControl;
  if (key == vk::kMenu || key == vk::kLMenu || key == vk::kRMenu) return platform::kModAlt;
  return 0;
}

// Key events carry the modifiers held at their moment, as the window's do:
// "keydown Shift" ... "keyup Shift" around a key selects in a text box.
void StampModifiers(std::vector<ScriptedEvent>& events) {
  uint8_t held = 0;
  for (ScriptedEvent& s : events) {
    Event& e = s.event;
    if (e.type == EventType::kKeyDown) held |= ModifierOf(e.vk);
    if (e.type == EventType::kKeyDown || e.type == EventType::kKeyUp) e.mods = held;
    if (e.type == EventType::kKeyUp) held &= static_cast<uint8_t>(~ModifierOf(e.vk));
  }
}

}  // namespace

bool ParseInputScript(const std::string& text, std::vector<ScriptedEvent>* out,
                      std::string* error) {
  std::vector<ScriptedEvent> events;
  std::istringstream lines(text);
  std::string line;
  int line_no = 0;
  int mouse_x = 0, mouse_y = 0;
  while (std::getline(lines, line)) {
    ++line_no;
    if (auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
    std::istringstream words(line);
    std::string frame_word, name;
    if (!(words >> frame_word)) continue;
    auto fail = [&](const std::string& what) {
      *error = "input line " + std::to_string(line_no) + ": " + what;
      return false;
    };
    int frame;
    if (!ToInt(frame_word, &frame) || frame < 0)
      return fail("bad frame number '" + frame_word + "'");
    if (!(words >> name)) return fail("missing event");
    auto add = [&](int f, Event e) { events.push_back({f, std::move(e)}); };
    auto read_xy = [&](int* x, int* y) {
      std::string xs, ys;
      return static_cast<bool>(words >> xs >> ys) && ToInt(xs, x) && ToInt(ys, y);
    };
    auto read_vk = [&](int* vk) {
      std::string s;
      return static_cast<bool>(words >> s) && ToVirtualKey(s, vk);
    };
    int x, y, vk;
    if (name == "move" || name == "click" || name == "rclick") {
      if (!read_xy(&x, &y)) return fail(name + " needs X Y");
      mouse_x = x;
      mouse_y = y;
      add(frame, Event::Move(x, y));
      if (name != "move") {
        const MouseButton b = name == "click" ? MouseButton::kLeft : MouseButton::kRight;
        add(frame, Event::Mouse(EventType::kMouseDown, b, x, y));
        add(frame + 1, Event::Mouse(EventType::kMouseUp, b, x, y));
      }
    } else if (name == "ldown" || name == "rdown" || name == "lup" || name == "rup") {
      const MouseButton b = name[0] == 'l' ? MouseButton::kLeft : MouseButton::kRight;
      const EventType t = name[1] == 'd' ? EventType::kMouseDown : EventType::kMouseUp;
      add(frame, Event::Mouse(t, b, mouse_x, mouse_y));
    } else if (name == "key" || name == "keydown" || name == "keyup") {
      if (!read_vk(&vk)) return fail(name + " needs a virtual-key number or name");
      if (name != "keyup") add(frame, Event::Key(EventType::kKeyDown, vk));
      if (name != "keydown")
        add(name == "key" ? frame + 1 : frame, Event::Key(EventType::kKeyUp, vk));
    } else if (name == "wheel") {
      std::string dir;
      words >> dir;
      if (dir != "up" && dir != "down") return fail("wheel needs up or down");
      add(frame, Event::Wheel(dir == "down"));
    } else if (name == "text") {
      std::string rest;
      std::getline(words, rest);
      rest.erase(0, rest.find_first_not_of(' '));
      add(frame, Event::Text(rest));
    } else if (name == "activate") {
      add(frame, Event::Of(EventType::kActivated));
    } else if (name == "deactivate") {
      add(frame, Event::Of(EventType::kDeactivated));
    } else if (name == "quit") {
      add(frame, Event::Of(EventType::kQuit));
    } else {
      return fail("unknown event '" + name + "'");
    }
  }
  std::stable_sort(
      events.begin(), events.end(),
      [](const ScriptedEvent& a, const ScriptedEvent& b) { return a.frame < b.frame; });
  StampModifiers(events);
  *out = std::move(events);
  return true;
}

}  // namespace vesk::app
