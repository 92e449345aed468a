#pragma once
// Message boxes. The headless backend prints them to standard error and
// answers the default button, so automation never blocks.
#include <string>

namespace vesk::platform {

enum class MessageIcon { kNone, kInformation, kWarning, kError };
enum class MessageButtons { kOk, kOkCancel };
enum class MessageResult { kOk, kCancel };

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  virtual MessageResult ShowMessage(const std::string& text_utf8, const std::string& caption_utf8,
                                    MessageIcon icon, MessageButtons buttons) = 0;
};

}  // namespace vesk::platform
