#pragma once
// The generator the effects draw from: the script's Random generator when
// the services have the function table (so a recorded run replays the same
// particles and flames), else one of the same kind owned by the effect.
#include <cstdint>

#include "components/component_services.h"
#include "expr/sysfuncs.h"

namespace vesk::components {

class EffectRandom {
 public:
  explicit EffectRandom(const ServiceUser& owner) : owner_(owner) {}

  // A uniform integer in 0 .. n - 1 (0 for n < 1).
  int32_t Below(int32_t n) {
    if (n < 1) return 0;
    return static_cast<int32_t>((uint64_t{static_cast<uint32_t>(n)} * Next()) >> 32);
  }
  // A uniform real in [0, 1).
  double Unit() { return Next() / 4294967296.0; }

 private:
  uint32_t Next() {
    const ComponentServices* made_with = owner_.services();
    if (made_with && made_with->functions) {
      expr::TSysFuncMan& f = *made_with->functions;
      f.set_random_state(f.random_state() * 134775813u + 1u);
      return f.random_state();
    }
    own_state_ = own_state_ * 134775813u + 1u;
    return own_state_;
  }

  const ServiceUser& owner_;
  uint32_t own_state_ = 0;
};

}  // namespace vesk::components
