#pragma once
// Scripted input for automation: one event a line, "<frame> <event> [args]".
//   move X Y | ldown | lup | rdown | rup | click X Y | rclick X Y
//   key VK | keydown VK | keyup VK | wheel up|down | text UTF-8-TEXT
//   activate | deactivate | quit
// '#' starts a comment. X and Y are scene coordinates; VK is a Windows
// virtual-key number (decimal or 0x hex) or a key name such as Return.
// click and key release on the following frame.
#include <string>
#include <vector>

#include "platform/events.h"

namespace vesk::app {

struct ScriptedEvent {
  int frame = 0;
  platform::Event event;
};

// Events in delivery order (by frame, then by line). False with *error
// naming the line when the text is malformed.
bool ParseInputScript(const std::string& text, std::vector<ScriptedEvent>* out, std::string* error);

}  // namespace vesk::app
