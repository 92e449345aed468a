// The mask family: how each mask is built and when it is rebuilt.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "transitions/plain_wipe_util.h"
#include "transitions/wipe_fixture.h"
#include "transitions/wipe_mask_effects.h"

namespace vesk::transitions {
namespace {

using graphics::TDIBX;
using testing::EveryPixel;
using testing::RuleServices;
using testing::RunWipe;
using testing::WipeScene;

const TWipeMask& AsMask(const std::unique_ptr<TCustomWipe>& wipe) {
  return dynamic_cast<const TWipeMask&>(*wipe);
}

// Every pixel is exactly the old or the new picture's, as the mask says.
::testing::AssertionResult ChosenByMask(const WipeScene& scene, const TWipeMask& wipe) {
  const TDIBX& mask = wipe.Mask();
  return EveryPixel(scene.dest, [&](int x, int y) {
    return (mask.GetPixel(x, y % mask.Height()) ? scene.to : scene.from).GetPixel(x, y);
  });
}

std::set<uint32_t> MaskValues(const TWipeMask& wipe) {
  std::set<uint32_t> values;
  for (int y = 0; y < wipe.Mask().Height(); ++y)
    for (int x = 0; x < wipe.Mask().Width(); ++x) values.insert(wipe.Mask().GetPixel(x, y));
  return values;
}

TEST(MaskWipe, ParametersAreClamped) {
  WipeScene scene(32);
  auto blind = CreateWipe(2, scene.dest, scene.from, scene.to);
  blind->SetParam(0, -7);
  blind->SetParam(1, 0);
  EXPECT_EQ(blind->GetParam(0), 2);
  EXPECT_EQ(blind->GetParam(1), 1);
  auto curtain = CreateWipe(4, scene.dest, scene.from, scene.to);
  curtain->SetParam(0, 0);
  curtain->SetParam(1, -1);
  EXPECT_EQ(curtain->GetParam(0), 1);
  EXPECT_EQ(curtain->GetParam(1), 1);
}

TEST(MaskWipe, HugeParametersNeitherOverflowNorAllocate) {
  for (const int type : {2, 3, 4, 5, 8, 9, 10}) {
    for (const int32_t p : {INT32_MAX, 1 << 20}) {
      WipeScene scene(32);
      auto wipe = CreateWipe(type, scene.dest, scene.from, scene.to);
      wipe->Duration = INT32_MAX;
      wipe->SetParam(0, p);
      wipe->SetParam(1, p);
      wipe->Prepare();
      for (const int32_t t : {0, INT32_MAX / 2, INT32_MAX - 1}) {
        wipe->Elapsed = t;
        EXPECT_FALSE(wipe->Step()) << type;
      }
      EXPECT_LE(AsMask(wipe).Mask().Height(), testing::kPictureHeight) << type;
    }
  }
}

TEST(MaskWipe, UnchangedMaskLeavesTheDestinationAlone) {
  WipeScene scene(32);
  auto wipe = RunWipe(scene, 2, 1000, 500);
  EXPECT_EQ(wipe->ChangedRect(), scene.dest.BoundsRect());
  scene.dest.Fill(0x123456);
  wipe->Elapsed = 501;  // the same progress value b = 20
  EXPECT_FALSE(wipe->Step());
  EXPECT_TRUE(wipe->ChangedRect().IsEmpty());
  EXPECT_TRUE(EveryPixel(scene.dest, [](int, int) { return 0x123456u; }));
}

TEST(MaskWipe, BlindsAreTwoLevelOnlyWithoutARamp) {
  for (const int type : {2, 3}) {
    WipeScene scene(32);
    auto wipe = CreateWipe(type, scene.dest, scene.from, scene.to);
    wipe->Duration = 1000;
    wipe->SetParam(1, 1);
    wipe->Prepare();
    for (const int t : {100, 400, 700}) {
      wipe->Elapsed = t;
      wipe->Step();
      EXPECT_TRUE(AsMask(wipe).TwoLevel()) << type;
      for (const uint32_t v : MaskValues(AsMask(wipe))) EXPECT_TRUE(v == 0 || v == 255);
      EXPECT_TRUE(ChosenByMask(scene, AsMask(wipe))) << type << " at " << t;
    }
    wipe->SetParam(1, 8);
    wipe->Elapsed = 400;
    wipe->Step();
    EXPECT_FALSE(AsMask(wipe).TwoLevel()) << type;
    EXPECT_GT(MaskValues(AsMask(wipe)).size(), 2u) << type;
  }
}

TEST(MaskWipe, BlindHRampsEachColumnOfAStripe) {
  WipeScene scene(32);
  auto wipe = CreateWipe(2, scene.dest, scene.from, scene.to);
  wipe->Duration = 100;
  wipe->SetParam(0, 4);
  wipe->SetParam(1, 4);
  wipe->Prepare();
  wipe->Elapsed = 50;  // b = (4 + 8 - 2) * 50 div 100 = 5
  wipe->Step();
  const TDIBX& mask = AsMask(wipe).Mask();
  EXPECT_EQ(mask.Height(), 1);
  // Starts 0, 2, 4, 6: ramp(5, s) = min(255, (5 - s) * 255 div 4).
  const uint32_t want[4] = {255, 191, 63, 0};
  for (int x = 0; x < mask.Width(); ++x) EXPECT_EQ(mask.GetPixel(x, 0), want[x % 4]) << x;
  wipe->SetReverse(true);
  wipe->Elapsed = 51;  // b = 5 again: unchanged, so not rebuilt
  wipe->Step();
  EXPECT_EQ(AsMask(wipe).Mask().GetPixel(0, 0), 255u);
}

TEST(MaskWipe, CurtainsTurnLinesInStaircaseOrder) {
  // Defaults P0 = 30, P1 = 1: line i starts at 16 * (i div 30 + i mod 30)
  // and turns at once.
  auto order = [](int i) { return i / 30 + i % 30; };
  WipeScene scene(32);
  // Rows: b = ((ceil(48 / 30) + 28) * 16 + 1) * 300 div 1000 = 144.
  auto rows = RunWipe(scene, 5, 1000, 300);
  const TDIBX& mask = AsMask(rows).Mask();
  ASSERT_EQ(mask.Height(), testing::kPictureHeight);
  for (int y = 0; y < mask.Height(); ++y)
    EXPECT_EQ(mask.GetPixel(5, y), 144 > 16 * order(y) ? 255u : 0u) << y;
  EXPECT_TRUE(ChosenByMask(scene, AsMask(rows)));
  // Columns, reversed: b = ((3 + 28) * 16 + 1) * 300 div 1000 = 149,
  // counted from the right edge.
  auto columns = RunWipe(scene, 4, 1000, 300, 50, true);
  const TDIBX& cols = AsMask(columns).Mask();
  ASSERT_EQ(cols.Height(), 1);
  for (int x = 0; x < cols.Width(); ++x)
    EXPECT_EQ(cols.GetPixel(x, 0), 149 > 16 * order(63 - x) ? 255u : 0u) << x;
}

TEST(MaskWipe, DitherRevealsItsShareOfCellsInAFixedOrder) {
  // 130 columns: two whole blocks and a cut one.
  TDIBX from(130, 70, 32), to(130, 70, 32), dest(130, 70, 32);
  from.Fill(0x000000);
  to.Fill(0xFFFFFF);
  std::vector<uint32_t> previous;
  for (const int t : {0, 1, 333, 500, 501, 999}) {
    auto wipe = CreateWipe(11, dest, from, to);
    wipe->Duration = 1000;
    wipe->Prepare();
    wipe->Elapsed = t;
    wipe->Step();
    const TDIBX& mask = AsMask(wipe).Mask();
    ASSERT_EQ(mask.Height(), 64);
    int shown = 0;
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 64; ++x) shown += mask.GetPixel(x, y) == 255;
    EXPECT_EQ(shown, 4096 * t / 1000) << t;
    // Cells shown earlier stay shown; the block repeats across and down.
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 64; ++x) {
        if (!previous.empty() && previous[size_t(y * 64 + x)] != 0) {
          EXPECT_EQ(mask.GetPixel(x, y), 255u);
        }
      }
    EXPECT_TRUE(EveryPixel(dest, [&](int x, int y) {
      return mask.GetPixel(x % 64, y % 64) ? 0xFFFFFFu : 0u;
    })) << t;
    previous.clear();
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 64; ++x) previous.push_back(mask.GetPixel(x, y));
  }
}

TEST(MaskWipe, ShadowChangesBrightRulePixelsFirst) {
  RuleServices rules([] {
    auto p = std::make_unique<TDIBX>(4, 1, 32);
    for (int x = 0; x < 4; ++x) p->SetPixel(x, 0, uint32_t(x * 85 * 0x010101));
    return p;
  });
  WipeScene scene(32);
  auto wipe = CreateWipe(19, scene.dest, scene.from, scene.to, &rules.services);
  wipe->Duration = 512;  // u = elapsed
  wipe->SetImageName("rule01");
  wipe->Prepare();
  EXPECT_EQ(rules.asked, std::vector<std::string>{"rule01"});
  wipe->Elapsed = 200;
  wipe->Step();
  // m = clamp(u + g - 256, 0, 255) for g = 0, 85, 170, 255.
  const uint32_t want[4] = {0, 29, 114, 199};
  const TDIBX& mask = AsMask(wipe).Mask();
  for (int y : {0, 47})
    for (int x = 0; x < 8; ++x) EXPECT_EQ(mask.GetPixel(x, y), want[x % 4]) << x;
  EXPECT_FALSE(AsMask(wipe).TwoLevel());

  // Reverse inverts the rule; without one every pixel changes together.
  auto reversed = CreateWipe(19, scene.dest, scene.from, scene.to, &rules.services);
  reversed->Duration = 512;
  reversed->SetReverse(true);
  reversed->Prepare();
  reversed->Elapsed = 200;
  reversed->Step();
  EXPECT_EQ(AsMask(reversed).Mask().GetPixel(3, 0), 0u);
  EXPECT_EQ(AsMask(reversed).Mask().GetPixel(0, 0), 199u);
  WipeServices missing;
  missing.load_rule_image = [](const std::string&) { return nullptr; };
  for (const WipeServices* none :
       {static_cast<const WipeServices*>(&missing), static_cast<const WipeServices*>(nullptr)}) {
    auto plain = RunWipe(scene, 19, 512, 200, 50, false, none);
    EXPECT_EQ(MaskValues(AsMask(plain)), std::set<uint32_t>{199});
  }
}

TEST(MaskWipe, RuleColoursCountAsTheirNearestGrey) {
  // An indexed rule picture: pure red is as bright as grey 85, the mean of
  // its channels; white-ish (250, 251, 255) rounds to 252.
  RuleServices rules([] {
    auto p = std::make_unique<TDIBX>(2, 1, 8);
    graphics::Palette palette{};
    palette[1] = {0, 0, 255, 0};
    palette[2] = {255, 251, 250, 0};
    p->SetPalette(palette);
    p->SetPixel(0, 0, 1);
    p->SetPixel(1, 0, 2);
    return p;
  });
  WipeScene scene(32);
  auto wipe = RunWipe(scene, 19, 512, 256, 50, false, &rules.services);  // u = 256: m = g
  EXPECT_EQ(AsMask(wipe).Mask().GetPixel(0, 5), 85u);
  EXPECT_EQ(AsMask(wipe).Mask().GetPixel(1, 5), 252u);
}

TEST(MaskWipe, ClockhandSweepsQuadrantByQuadrant) {
  const int w = testing::kPictureWidth, h = testing::kPictureHeight;
  for (const bool reverse : {false, true}) {
    WipeScene scene(32);
    auto wipe = RunWipe(scene, 31, 1000, 250, 50, reverse);
    EXPECT_TRUE(AsMask(wipe).TwoLevel());
    // A quarter of the way: exactly the first quadrant shows the new picture.
    EXPECT_TRUE(EveryPixel(scene.dest, [&](int x, int y) {
      const bool first = y < h / 2 && (reverse ? x < w / 2 : x >= w / 2);
      return (first ? scene.to : scene.from).GetPixel(x, y);
    })) << reverse;
    wipe->Elapsed = 625;  // half way into the third quadrant
    wipe->Step();
    const TDIBX& mask = AsMask(wipe).Mask();
    const int bottom_x = reverse ? w / 4 : 3 * w / 4, left_x = reverse ? 3 * w / 4 : w / 4;
    EXPECT_EQ(mask.GetPixel(bottom_x, 3 * h / 4), 255u);   // second quadrant: passed
    EXPECT_EQ(mask.GetPixel(left_x, h - 2), 255u);         // third: swept part
    EXPECT_EQ(mask.GetPixel(left_x - 10, h / 2 + 2), 0u);  // third: still to come
    EXPECT_EQ(mask.GetPixel(left_x, h / 4), 0u);           // fourth
  }
}

TEST(MaskWipe, GridsSteppedInAnyOrderDrawWhatAFirstStepDraws) {
  // The grids draw a later step over the mask they have; going back in
  // time, turning round or new parameters start from a cleared mask.
  struct Change {
    int32_t elapsed, p0, p1;
    bool reverse;
  };
  // Long ramps (P1), so that every change of time is a new progress value.
  const Change changes[] = {{100, 30, 200, false}, {400, 30, 200, false}, {410, 30, 200, false},
                            {200, 30, 200, false}, {700, 30, 200, false}, {750, 30, 200, true},
                            {800, 30, 200, false}, {850, 20, 200, false}, {900, 20, 300, false}};
  for (const int type : {8, 9, 10}) {
    WipeScene stepped(32);
    auto wipe = CreateWipe(type, stepped.dest, stepped.from, stepped.to);
    wipe->Duration = 1000;
    wipe->Prepare();
    for (const Change& c : changes) {
      wipe->SetParam(0, c.p0);
      wipe->SetParam(1, c.p1);
      wipe->SetReverse(c.reverse);
      wipe->Elapsed = c.elapsed;
      wipe->Step();
      WipeScene fresh(32);
      auto first = CreateWipe(type, fresh.dest, fresh.from, fresh.to);
      first->Duration = 1000;
      first->SetParam(0, c.p0);
      first->SetParam(1, c.p1);
      first->SetReverse(c.reverse);
      first->Prepare();
      first->Elapsed = c.elapsed;
      first->Step();
      EXPECT_TRUE(EveryPixel(stepped.dest, [&](int x, int y) { return fresh.dest.GetPixel(x, y); }))
          << "type " << type << " at " << c.elapsed;
    }
  }
}

TEST(MaskWipe, GridSquaresGrowInOrder) {
  WipeScene scene(32);
  auto wipe = CreateWipe(9, scene.dest, scene.from, scene.to);
  wipe->Duration = 100;
  wipe->SetParam(0, 16);  // 4 x 3 cells
  wipe->SetParam(1, 8);
  wipe->Prepare();
  wipe->Elapsed = 50;  // b = (8 + 16 - 4) * 50 div 100 = 10
  wipe->Step();
  const TDIBX& mask = AsMask(wipe).Mask();
  EXPECT_EQ(mask.Height(), 16);  // one row of cells
  // Column 0 (start 0): full cell at 255; column 1 (start 4): a centred
  // square of 16 * 6 div 8 = 12 at 191; column 2 (start 8): 4 at 63.
  EXPECT_EQ(mask.GetPixel(0, 0), 255u);
  EXPECT_EQ(mask.GetPixel(16 + 1, 8), 0u);
  EXPECT_EQ(mask.GetPixel(16 + 2, 2), 191u);
  EXPECT_EQ(mask.GetPixel(16 + 13, 13), 191u);
  EXPECT_EQ(mask.GetPixel(32 + 6, 6), 63u);
  EXPECT_EQ(mask.GetPixel(32 + 5, 6), 0u);
  EXPECT_EQ(mask.GetPixel(48 + 8, 8), 0u);
  // The one row of cells serves every row of the picture.
  for (int y = 0; y < scene.dest.Height(); ++y)
    for (int x = 0; x < scene.dest.Width(); ++x) {
      const uint32_t m = mask.GetPixel(x, y % 16);
      if (m == 0) {
        EXPECT_EQ(scene.dest.GetPixel(x, y), scene.from.GetPixel(x, y));
      } else if (m == 255) {
        EXPECT_EQ(scene.dest.GetPixel(x, y), scene.to.GetPixel(x, y));
      }
    }
}

}  // namespace
}  // namespace vesk::transitions
