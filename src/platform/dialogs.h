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
  // False when nobody can answer (headless): callers must not loop on a
  // question that would get the same default answer for ever.
  virtual bool interactive() const { return true; }
};

}  // namespace vesk::platform
