#pragma once
// Where GameSave and GameLoad leave their requests. Saving and loading
// happen at the end of the frame, outside the command that asked; the
// project serves them. Without this port the two commands only move on.
#include <cstdint>
#include <string>

namespace vesk::script {

class SaveDataPort {
 public:
  virtual ~SaveDataPort() = default;
  // A later request of a kind replaces the earlier one.
  virtual void RequestSave(int32_t slot, const std::string& page, int32_t index,
                           const std::string& caption) = 0;
  virtual void RequestLoad(int32_t slot) = 0;
};

}  // namespace vesk::script
