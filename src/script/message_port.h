#pragma once
// What the text commands (TextIns, TextClr) ask of the message windows.
// Without this port the text commands only move on.
#include <cstdint>
#include <string>

namespace vesk::script {

class MessagePort {
 public:
  virtual ~MessagePort() = default;
  // TextIns: the message that text command `command_index` of page file
  // `page_file` carries goes into the named message window, recorded in
  // the history and the read marks when `record`. False when the name finds
  // no message window.
  virtual bool InsertText(const std::string& window, const std::string& page_file,
                          int32_t command_index, bool record) = 0;
  // Whether the named message window still holds a page: a waiting TextIns
  // stays while it does.
  virtual bool HoldsPages(const std::string& window) = 0;
  // TextClr: empties the named message window.
  virtual void ClearText(const std::string& window) = 0;
};

}  // namespace vesk::script
