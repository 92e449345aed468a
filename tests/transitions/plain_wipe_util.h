#pragma once
// Helpers of the mask and plain effect tests: a rule picture handed out
// through WipeServices, and per-pixel checks against a formula.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "graphics/dibsfc.h"
#include "transitions/wipe.h"
#include "transitions/wipe_fixture.h"

namespace vesk::transitions::testing {

// The types made by the mask and plain family, with their golden names.
struct PlainType {
  int type;
  const char* name;
};
inline const std::vector<PlainType>& PlainTypes() {
  static const std::vector<PlainType> types{
      {1, "fade"},         {2, "blindh"},       {3, "blindv"},    {4, "curtainh"}, {5, "curtainv"},
      {6, "scrollh"},      {7, "scrollv"},      {8, "grid"},      {9, "gridh"},    {10, "gridv"},
      {11, "dither"},      {12, "white"},       {13, "black"},    {14, "flash"},   {19, "shadow"},
      {20, "shadowwhite"}, {21, "shadowblack"}, {31, "clockhand"}};
  return types;
}

// A rule picture of 24 x 16 pixels at 24 bits, smaller than the test
// pictures so it is tiled: a horizontal ramp with a bright diagonal band.
inline std::unique_ptr<graphics::TDIBX> RulePicture() {
  auto p = std::make_unique<graphics::TDIBX>(24, 16, 24);
  for (int y = 0; y < p->Height(); ++y)
    for (int x = 0; x < p->Width(); ++x) {
      const int v = std::abs(x - y) < 3 ? 255 : x * 200 / 23;
      p->SetPixel(x, y, uint32_t(p->ColorToPixel(v | v << 8 | v << 16)));
    }
  return p;
}

// Services that hand out `make()` for any name and remember the names asked.
struct RuleServices {
  explicit RuleServices(std::function<std::unique_ptr<graphics::TDIBX>()> make) {
    services.load_rule_image = [this, make](const std::string& name) {
      asked.push_back(name);
      return make();
    };
  }
  RuleServices(const RuleServices&) = delete;
  RuleServices& operator=(const RuleServices&) = delete;
  WipeServices services;
  std::vector<std::string> asked;
};

// Colour value 0x00BBGGRR of a pixel.
inline uint32_t ColorAt(const graphics::TCustomDIBX& s, int x, int y) {
  return uint32_t(graphics::NativeToColor(s.GetPixel(x, y), s.BitCount(), nullptr));
}

// Every pixel of `s` equals want(x, y) (native values).
inline ::testing::AssertionResult EveryPixel(const graphics::TCustomDIBX& s,
                                             const std::function<uint32_t(int, int)>& want) {
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x)
      if (s.GetPixel(x, y) != want(x, y))
        return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << std::hex
                                             << s.GetPixel(x, y) << ", want " << want(x, y);
  return ::testing::AssertionSuccess();
}

}  // namespace vesk::transitions::testing
