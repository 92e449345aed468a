#pragma once
// EVeskError carries one of the runtime's fixed messages (CP932 bytes), the
// way the engine reports failures that a caller may show to the player.
#include <stdexcept>
#include <string>

namespace vesk {

class EVeskError : public std::runtime_error {
 public:
  explicit EVeskError(std::string cp932_message)
      : std::runtime_error(cp932_message), message_(std::move(cp932_message)) {}
  const std::string& Message() const { return message_; }

 private:
  std::string message_;
};

}  // namespace vesk
