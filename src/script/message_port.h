#pragma once
// What the text commands (TextIns, TextClr) ask of the message windows.
// No message windows exist yet: the call manager runs without this port and
// the text commands only move on.
#include <cstdint>
#include <string>
#include <vector>

namespace vesk::script {

class MessagePort {
 public:
  virtual ~MessagePort() = default;
  // TextIns: the compiled text into the named window (recorded in the
  // history when `record`); true while the command must wait for it.
  virtual bool InsertText(const std::string& window, const std::vector<uint8_t>& text,
                          bool record) = 0;
  // TextClr: empties the named window.
  virtual void ClearText(const std::string& window) = 0;
};

}  // namespace vesk::script
