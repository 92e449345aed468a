#pragma once
// The makers of the effects, by family; each answers null for types it does
// not make. CreateWipe asks them in turn.
#include <memory>

#include "transitions/wipe.h"

namespace vesk::transitions {

// Fade, the blinds, curtains, scrolls, grids, dither, through white and
// black, flash, the rule-image family and the clock hand (1-14, 19-21, 31).
std::unique_ptr<TCustomWipe> MakeMaskAndPlainWipe(int type, graphics::TCustomDIBX& dest,
                                                  const graphics::TCustomDIBX& from,
                                                  const graphics::TCustomDIBX& to);
// Mosaic, sudare, spot, small and big, ripple, blur, twist, crack and zoom
// (15-18, 22-30).
std::unique_ptr<TCustomWipe> MakeGeometricWipe(int type, graphics::TCustomDIBX& dest,
                                               const graphics::TCustomDIBX& from,
                                               const graphics::TCustomDIBX& to);

}  // namespace vesk::transitions
