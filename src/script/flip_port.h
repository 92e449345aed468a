#pragma once
// What Flip asks of the transition engine. There is none yet: without this
// port Flip only moves on.
#include <cstdint>

namespace vesk::script {

class FlipPort {
 public:
  virtual ~FlipPort() = default;
  // Starts the transition of `kind` (a `lang::TransitionId`) over `duration_ms` from
  // the shown base to the back one; true while it still runs (the command
  // waits).
  virtual bool Flip(int kind, int32_t duration_ms, bool reverse) = 0;
};

}  // namespace vesk::script
