#include "transitions/wipe_geo.h"
#include "transitions/wipe_groups.h"

namespace vesk::transitions {

std::unique_ptr<TCustomWipe> MakeGeometricWipe(int type, graphics::TCustomDIBX& dest,
                                               const graphics::TCustomDIBX& from,
                                               const graphics::TCustomDIBX& to) {
  switch (type) {
    case 15:
      return std::make_unique<TWipeMosaic>(dest, from, to);
    case 16:
      return std::make_unique<TWipeSudareH>(dest, from, to);
    case 17:
      return std::make_unique<TWipeSudareV>(dest, from, to);
    case 18:
      return std::make_unique<TWipeSpot>(dest, from, to);
    case 22:
      return std::make_unique<TWipeSmall>(dest, from, to);
    case 23:
      return std::make_unique<TWipeBig>(dest, from, to);
    case 24:
      return std::make_unique<TWipeRipple>(dest, from, to);
    case 25:
      return std::make_unique<TWipeBlurWhite>(dest, from, to);
    case 26:
      return std::make_unique<TWipeBlurBlack>(dest, from, to);
    case 27:
      return std::make_unique<TWipeTwistH>(dest, from, to);
    case 28:
      return std::make_unique<TWipeTwistV>(dest, from, to);
    case 29:
      return std::make_unique<TWipeCrack>(dest, from, to);
    case 30:
      return std::make_unique<TWipeZoomin>(dest, from, to);
    default:
      return nullptr;
  }
}

}  // namespace vesk::transitions
