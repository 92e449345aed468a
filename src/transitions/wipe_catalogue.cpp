#include <array>

#include "transitions/wipe.h"
#include "transitions/wipe_groups.h"

namespace vesk::transitions {
namespace {

struct Defaults {
  int32_t p0, p1;
};
// The parameters every effect starts with, by type (index 0 unused).
constexpr std::array<Defaults, kWipeCount + 1> kDefaults{{
    {0, 0},   {0, 0},   {20, 1},  {20, 1}, {30, 1}, {30, 1}, {0, 0}, {0, 0},
    {80, 30}, {80, 30}, {80, 30}, {0, 0},  {0, 0},  {0, 0},  {0, 0}, {0, 0},
    {0, 0},   {0, 0},   {0, 0},   {0, 0},  {0, 0},  {0, 0},  {0, 0}, {0, 0},
    {5, 0},   {0, 0},   {0, 0},   {0, 0},  {0, 0},  {64, 3}, {0, 0}, {0, 0},
}};

}  // namespace

std::unique_ptr<TCustomWipe> CreateWipe(int type, graphics::TCustomDIBX& dest,
                                        const graphics::TCustomDIBX& from,
                                        const graphics::TCustomDIBX& to,
                                        const WipeServices* services) {
  if (type < 1 || type > kWipeCount) return nullptr;
  std::unique_ptr<TCustomWipe> wipe = MakeMaskAndPlainWipe(type, dest, from, to);
  if (!wipe) wipe = MakeGeometricWipe(type, dest, from, to);
  if (!wipe) return nullptr;
  wipe->SetServices(services);
  wipe->SetParam(0, kDefaults[static_cast<size_t>(type)].p0);
  wipe->SetParam(1, kDefaults[static_cast<size_t>(type)].p1);
  return wipe;
}

}  // namespace vesk::transitions
