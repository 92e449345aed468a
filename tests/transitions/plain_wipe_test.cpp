// The fade, blind, curtain, scroll, grid, dither, grey and rule-picture
// effects: goldens at a quarter, half and three quarters of the time, and
// the rules every effect keeps (finishing, formats, odd pictures).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include "transitions/plain_wipe_util.h"
#include "transitions/wipe_fixture.h"
#include "transitions/wipe_groups.h"
#include "transitions/wipe_mask.h"

namespace vesk::transitions {
namespace {

using graphics::TDIBX;
using testing::ColorAt;
using testing::EveryPixel;
using testing::PlainTypes;
using testing::RulePicture;
using testing::RuleServices;
using testing::RunWipe;
using testing::WipeScene;

TDIBX Snapshot(const graphics::TCustomDIBX& s) {
  TDIBX copy;
  copy.Assign(s);
  return copy;
}

// Saturating add (or subtract) of the grey v to a 32-bit pixel.
uint32_t Grey32(uint32_t pixel, int v, bool add) {
  uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const int c = int(pixel >> shift & 0xFF);
    out |= uint32_t(std::clamp(add ? c + v : c - v, 0, 255)) << shift;
  }
  return out;
}

TEST(PlainWipeGolden, EveryTypeAtAQuarterHalfAndThreeQuarters) {
  for (const auto& [type, name] : PlainTypes()) {
    for (const int percent : {25, 50, 75}) {
      WipeScene scene(32);
      RuleServices rules(RulePicture);
      ASSERT_TRUE(RunWipe(scene, type, 1000, percent * 10, 50, false, &rules.services)) << type;
      char golden[64];
      std::snprintf(golden, sizeof golden, "wipe%02d-%s-%d", type, name, percent);
      EXPECT_TRUE(testing::MatchesWipeGolden(scene.dest, golden));
    }
  }
}

TEST(PlainWipeGolden, GridsWithSmallCellsShowTheirOrder) {
  // The default cells (80 pixels) are larger than the test pictures.
  for (const auto& [type, name] : {std::pair{8, "grid"}, {9, "gridh"}, {10, "gridv"}}) {
    for (const bool reverse : {false, true}) {
      WipeScene scene(32);
      auto wipe = CreateWipe(type, scene.dest, scene.from, scene.to);
      wipe->Duration = 1000;
      wipe->SetReverse(reverse);
      wipe->SetParam(0, 12);
      wipe->SetParam(1, 8);
      wipe->Prepare();
      wipe->Elapsed = 500;
      wipe->Step();
      EXPECT_TRUE(testing::MatchesWipeGolden(
          scene.dest, "wipe" + std::to_string(type + 100).substr(1) + "-" + name + "-cells" +
                          (reverse ? "-reverse" : "") + "-50"));
    }
  }
}

TEST(PlainWipe, FinishedStepAnswersTrueAndLeavesTheDestination) {
  for (const auto& [type, name] : PlainTypes()) {
    WipeScene scene(32);
    auto wipe = RunWipe(scene, type, 1000, 500);
    ASSERT_TRUE(wipe) << name;
    EXPECT_EQ(wipe->ChangedRect(), scene.dest.BoundsRect()) << name;
    const TDIBX before = Snapshot(scene.dest);
    for (const int32_t elapsed : {1000, 1001, 1 << 30}) {
      wipe->Elapsed = elapsed;
      EXPECT_TRUE(wipe->Step()) << name;
      EXPECT_TRUE(wipe->ChangedRect().IsEmpty()) << name;
      EXPECT_TRUE(EveryPixel(scene.dest, [&](int x, int y) { return before.GetPixel(x, y); }))
          << name;
    }
  }
}

TEST(PlainWipe, DurationBelowOneCountsAsOne) {
  for (const auto& [type, name] : PlainTypes()) {
    for (const int32_t duration : {0, -50}) {
      WipeScene scene(32);
      auto wipe = CreateWipe(type, scene.dest, scene.from, scene.to);
      wipe->Duration = duration;
      wipe->Prepare();
      wipe->Elapsed = -3;  // before the start: as at 0
      EXPECT_FALSE(wipe->Step()) << name;
      wipe->Elapsed = 1;
      EXPECT_TRUE(wipe->Step()) << name;
    }
  }
}

TEST(PlainWipe, OnlyTheMakersTypesAreMade) {
  WipeScene scene(32);
  for (const int type : {15, 18, 22, 30}) {
    EXPECT_EQ(MakeMaskAndPlainWipe(type, scene.dest, scene.from, scene.to), nullptr) << type;
  }
  EXPECT_EQ(CreateWipe(0, scene.dest, scene.from, scene.to), nullptr);
  EXPECT_EQ(CreateWipe(32, scene.dest, scene.from, scene.to), nullptr);
}

TEST(PlainWipe, FadeStartsOnTheOldPictureAndSlidesTheNewOneIn) {
  WipeScene scene(32);
  auto wipe = CreateWipe(1, scene.dest, scene.from, scene.to);
  wipe->Duration = 100;
  wipe->SetParam(0, 40);
  wipe->SetParam(1, -20);
  wipe->Prepare();
  wipe->Step();
  EXPECT_TRUE(EveryPixel(scene.dest, [&](int x, int y) { return scene.from.GetPixel(x, y); }));
  // At 50 of 100: alpha 128, the new picture at (round(40 * 0.49), round(-20 * 0.49)).
  wipe->Elapsed = 50;
  wipe->Step();
  TDIBX want = Snapshot(scene.from);
  want.DrawAlpha(20, -10, scene.to, scene.to.BoundsRect(), graphics::KeyMode::kIgnore,
                 graphics::Flip::kNone, 128);
  EXPECT_TRUE(EveryPixel(scene.dest, [&](int x, int y) { return want.GetPixel(x, y); }));
}

TEST(PlainWipe, WhiteAndBlackTurnAroundAtFullGrey) {
  for (const bool white : {true, false}) {
    WipeScene scene(32);
    auto wipe = CreateWipe(white ? 12 : 13, scene.dest, scene.from, scene.to);
    wipe->Duration = 511;  // a = elapsed
    wipe->Prepare();
    for (const int a : {0, 1, 254, 255, 256, 257, 510}) {
      wipe->Elapsed = a;
      wipe->Step();
      const TDIBX& base = a < 256 ? scene.from : scene.to;
      const int v = a < 256 ? a : 511 - a;
      EXPECT_TRUE(EveryPixel(scene.dest,
                             [&](int x, int y) { return Grey32(base.GetPixel(x, y), v, white); }))
          << "a = " << a;
    }
    wipe->Elapsed = 255;
    wipe->Step();
    EXPECT_TRUE(EveryPixel(scene.dest, [&](int, int) { return white ? 0xFFFFFFu : 0u; }));
    wipe->Elapsed = 256;
    wipe->Step();
    EXPECT_TRUE(EveryPixel(scene.dest, [&](int, int) { return white ? 0xFFFFFFu : 0u; }));
  }
}

TEST(PlainWipe, FlashFadesFromWhiteToTheNewPicture) {
  WipeScene scene(32);
  for (const int t : {0, 100, 254}) {
    RunWipe(scene, 14, 255, t);
    EXPECT_TRUE(EveryPixel(scene.dest, [&](int x, int y) {
      return Grey32(scene.to.GetPixel(x, y), 255 - t, true);
    })) << t;
  }
}

TEST(PlainWipe, ScrollsPushTheOldPictureOut) {
  const int w = testing::kPictureWidth, h = testing::kPictureHeight;
  for (const bool reverse : {false, true}) {
    WipeScene scene(32);
    RunWipe(scene, 6, 64, 16, 50, reverse);  // a = 16 columns
    EXPECT_TRUE(EveryPixel(scene.dest, [&](int x, int y) {
      if (reverse)
        return x < 16 ? scene.to.GetPixel(x + w - 16, y) : scene.from.GetPixel(x - 16, y);
      return x < w - 16 ? scene.from.GetPixel(x + 16, y) : scene.to.GetPixel(x - (w - 16), y);
    })) << reverse;
    RunWipe(scene, 7, 48, 12, 50, reverse);  // a = 12 rows
    EXPECT_TRUE(EveryPixel(scene.dest, [&](int x, int y) {
      if (reverse)
        return y < 12 ? scene.to.GetPixel(x, y + h - 12) : scene.from.GetPixel(x, y - 12);
      return y < h - 12 ? scene.from.GetPixel(x, y + 12) : scene.to.GetPixel(x, y - (h - 12));
    })) << reverse;
  }
}

TEST(PlainWipe, RuleThroughGreyFollowsTheRuleLevels) {
  // A 2 x 1 rule: black on even columns, white on odd ones.
  RuleServices rules([] {
    auto p = std::make_unique<TDIBX>(2, 1, 8);
    p->SetPixel(0, 0, 0);
    p->SetPixel(1, 0, 255);
    return p;
  });
  for (const bool white : {true, false}) {
    for (const bool reverse : {false, true}) {
      WipeScene scene(32);
      // u = 384: white pixels at L = 383 (the new picture, grey 128), black
      // ones at L = 128 (the old picture, grey 128).
      RunWipe(scene, white ? 20 : 21, 1000, 500, 50, reverse, &rules.services);
      EXPECT_TRUE(EveryPixel(scene.dest,
                             [&](int x, int y) {
                               const bool bright = (x % 2 == 1) != reverse;
                               return Grey32((bright ? scene.to : scene.from).GetPixel(x, y), 128,
                                             white);
                             }))
          << white << reverse;
    }
  }
  // Without a rule picture every pixel is white: L = u - 1.
  WipeScene scene(32);
  RunWipe(scene, 20, 768, 100);
  EXPECT_TRUE(EveryPixel(
      scene.dest, [&](int x, int y) { return Grey32(scene.from.GetPixel(x, y), 99, true); }));
}

TEST(PlainWipe, BlendsAgreeWithTheSurfaceOperationsInEveryWorkingFormat) {
  // The fade's single pass equals a copy and DrawAlpha; the mask
  // composition equals a copy and DrawMask.
  for (const int bits : {32, 16, 15}) {
    WipeScene fade(bits);
    auto wipe = CreateWipe(1, fade.dest, fade.from, fade.to);
    wipe->Duration = 100;
    wipe->SetParam(0, -30);
    wipe->SetParam(1, 9);
    wipe->Prepare();
    wipe->Elapsed = 40;
    wipe->Step();
    TDIBX want = Snapshot(fade.from);
    want.DrawAlpha(-18, 5, fade.to, fade.to.BoundsRect(), graphics::KeyMode::kIgnore,
                   graphics::Flip::kNone, 102);
    EXPECT_TRUE(EveryPixel(fade.dest, [&](int x, int y) { return want.GetPixel(x, y); })) << bits;

    WipeScene shadow(bits);
    RuleServices rules(RulePicture);
    auto mask_wipe = RunWipe(shadow, 19, 1000, 300, 50, false, &rules.services);
    TDIBX masked = Snapshot(shadow.from);
    masked.DrawMask(0, 0, shadow.to, shadow.to.BoundsRect(), graphics::Flip::kNone,
                    dynamic_cast<const TWipeMask&>(*mask_wipe).Mask());
    EXPECT_TRUE(EveryPixel(shadow.dest, [&](int x, int y) { return masked.GetPixel(x, y); }))
        << bits;
  }
}

TEST(PlainWipe, RuleEffectsCopyWhatIsBeforeOrPastItsChange) {
  // 256 columns whose left half has rule level 0 and right half 255; wide
  // enough that whole runs of columns are plain copies.
  RuleServices rules([] {
    auto p = std::make_unique<TDIBX>(256, 1, 8);
    for (int x = 0; x < 256; ++x) p->SetPixel(x, 0, x < 128 ? 0 : 255);
    return p;
  });
  TDIBX from(256, 6, 32), to(256, 6, 32);
  for (int x = 0; x < 256; ++x)
    for (int y = 0; y < 6; ++y) {
      from.SetPixel(x, y, uint32_t(x * 0x010001 + y * 40));
      to.SetPixel(x, y, uint32_t(0x804020 + x + y * 0x0100));
    }
  for (const int u : {100, 300, 700}) {  // ShadowWhite: u = 768 * t div 768
    TDIBX dest(256, 6, 32);
    auto wipe = CreateWipe(20, dest, from, to, &rules.services);
    wipe->Duration = 768;
    wipe->Prepare();
    wipe->Elapsed = u;
    wipe->Step();
    EXPECT_TRUE(EveryPixel(dest, [&](int x, int y) {
      const int level = std::clamp(u + (x < 128 ? 0 : 255) - 256, 0, 511);
      return level <= 255 ? Grey32(from.GetPixel(x, y), level, true)
                          : Grey32(to.GetPixel(x, y), 511 - level, true);
    })) << u;
  }
  for (const int u : {100, 300, 500}) {  // Shadow: u = 512 * t div 512
    TDIBX dest(256, 6, 32);
    auto wipe = CreateWipe(19, dest, from, to, &rules.services);
    wipe->Duration = 512;
    wipe->Prepare();
    wipe->Elapsed = u;
    wipe->Step();
    TDIBX want = Snapshot(from);
    want.DrawMask(0, 0, to, to.BoundsRect(), graphics::Flip::kNone,
                  dynamic_cast<const TWipeMask&>(*wipe).Mask());
    EXPECT_TRUE(EveryPixel(dest, [&](int x, int y) { return want.GetPixel(x, y); })) << u;
    EXPECT_EQ(dynamic_cast<const TWipeMask&>(*wipe).Mask().GetPixel(0, 0),
              uint32_t(std::clamp(u - 256, 0, 255)));
  }
}

// Each channel of two colours within `tolerance`.
bool Near(uint32_t a, uint32_t b, int tolerance) {
  for (int shift = 0; shift < 24; shift += 8) {
    if (std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF)) > tolerance) return false;
  }
  return true;
}

TEST(PlainWipe, OtherFormatsShowTheSamePicture) {
  // 24 bits works on the same 8-bit channels (exact, in its own channel
  // order); 15 and 16 bits lose the low bits of each channel before and
  // after blending.
  for (const auto& [type, name] : PlainTypes()) {
    WipeScene wide(32);
    RuleServices rules(RulePicture);
    RunWipe(wide, type, 1000, 500, 50, false, &rules.services);
    for (const int bits : {24, 16, 15}) {
      WipeScene narrow(bits);
      RunWipe(narrow, type, 1000, 500, 50, false, &rules.services);
      const int tolerance = 24;
      int bad = 0;
      for (int y = 0; y < narrow.dest.Height(); ++y)
        for (int x = 0; x < narrow.dest.Width(); ++x)
          bad += bits == 24
                     ? narrow.dest.GetPixel(x, y) !=
                           uint32_t(narrow.dest.ColorToPixel(int32_t(ColorAt(wide.dest, x, y))))
                     : !Near(ColorAt(narrow.dest, x, y), ColorAt(wide.dest, x, y), tolerance);
      EXPECT_EQ(bad, 0) << name << " at " << bits << " bits";
    }
  }
}

TEST(PlainWipe, PicturesOfOtherSizesAndFormatsAreConverted) {
  // The destination's size and format decide; nothing reads outside the
  // smaller pictures, and what they do not cover is 0.
  TDIBX small_from = testing::OldPicture(16);
  small_from.SetSize(40, 30, 16);
  small_from.Fill(0x07E0);  // green
  TDIBX wide_to(80, 20, 8);
  wide_to.Fill(200);
  for (const auto& [type, name] : PlainTypes()) {
    TDIBX dest = testing::OldPicture(32);
    auto wipe = CreateWipe(type, dest, small_from, wide_to);
    wipe->Duration = 100;
    wipe->Prepare();
    for (int t = 0; t < 100; t += 10) {
      wipe->Elapsed = t;
      EXPECT_FALSE(wipe->Step()) << name;
    }
  }
  TDIBX dest = testing::OldPicture(32);
  auto dither = CreateWipe(11, dest, small_from, wide_to);
  dither->Prepare();
  dither->Elapsed = 0;
  dither->Step();
  EXPECT_EQ(ColorAt(dest, 10, 10), 0x00FF00u);
  EXPECT_EQ(ColorAt(dest, 50, 40), 0u);
}

}  // namespace
}  // namespace vesk::transitions
