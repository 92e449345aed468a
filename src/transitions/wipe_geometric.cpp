#include "transitions/wipe_groups.h"

namespace vesk::transitions {

std::unique_ptr<TCustomWipe> MakeGeometricWipe(int, graphics::TCustomDIBX&,
                                               const graphics::TCustomDIBX&,
                                               const graphics::TCustomDIBX&) {
  return nullptr;
}

}  // namespace vesk::transitions
