// Where pixels land: clipping on every side, flips, source rectangles that
// reach outside the source, surfaces drawn onto themselves, and the clip
// rectangle's own rules.
#include <gtest/gtest.h>

#include "graphics/dibsfc.h"
#include "surface_util.h"

namespace vesk::graphics {
namespace {

using testing::Random;
using testing::SamePixels;

// Expected result of an opaque copy by the definition of the placement:
// destination (x + i, y + j) shows source column Left + i (Right - 1 - i
// with flipH) and row Top + j (Bottom - 1 - j with flipV), wherever that
// pixel is inside the drawable area and the source.
TDIBX ExpectedCopy(const TDIBX& dst, const TDIBX& src, int x, int y, const Rect& sr, Flip flip,
                   const Rect& drawable) {
  TDIBX want = testing::Copy(dst);
  for (int j = 0; j < sr.Height(); ++j) {
    for (int i = 0; i < sr.Width(); ++i) {
      const int dx = x + i, dy = y + j;
      const int sx = FlipsH(flip) ? sr.right - 1 - i : sr.left + i;
      const int sy = FlipsV(flip) ? sr.bottom - 1 - j : sr.top + j;
      const bool in_dst = dx >= drawable.left && dx < drawable.right && dy >= drawable.top &&
                          dy < drawable.bottom && dx >= 0 && dy >= 0 && dx < dst.Width() &&
                          dy < dst.Height();
      const bool in_src = sx >= 0 && sy >= 0 && sx < src.Width() && sy < src.Height();
      if (in_dst && in_src) want.SetPixel(dx, dy, src.GetPixel(sx, sy));
    }
  }
  return want;
}

struct Placement {
  int x, y;
  Rect src_rect;
  Rect clip;  // right = 0: none
};

const Placement kPlacements[] = {
    {0, 0, {0, 0, 9, 6}, {}},            // whole source, no clip
    {-3, -2, {1, 1, 9, 6}, {}},          // off the top-left corner
    {8, 4, {0, 0, 9, 6}, {}},            // off the bottom-right corner
    {1, 1, {0, 0, 9, 6}, {3, 2, 9, 5}},  // clipped on every side
    {-4, 3, {2, 0, 7, 6}, {1, 0, 12, 8}},
    {2, 1, {-2, -1, 5, 4}, {}},  // source rectangle starts outside the source
    {0, 0, {6, 3, 14, 12}, {}},  // and ends outside it
};

class Placing : public ::testing::TestWithParam<int> {};

TEST_P(Placing, EveryFlipAndClipLandsWhereTheDefinitionSays) {
  const int bits = GetParam();
  const TDIBX src = Random(bits, 9, 6, 11);
  for (const Placement& p : kPlacements) {
    for (Flip flip : {Flip::kNone, Flip::kHorizontal, Flip::kVertical, Flip::kBoth}) {
      SCOPED_TRACE(::testing::Message() << "at " << p.x << "," << p.y << " flip " << int(flip));
      TDIBX dst = Random(bits, 12, 8, 12);
      dst.SetClipRect(p.clip);
      const TDIBX want = ExpectedCopy(dst, src, p.x, p.y, p.src_rect, flip, dst.ClipRect());
      dst.Draw(p.x, p.y, src, p.src_rect, KeyMode::kIgnore, flip);
      EXPECT_TRUE(SamePixels(dst, want));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, Placing, ::testing::Values(1, 4, 8, 15, 16, 24, 32),
                         ::testing::PrintToStringParamName());

TEST(Placing, FlipWithALeftClipCutsTheSourcesRightSide) {
  TDIBX src(8, 1, 8), dst(8, 1, 8);
  for (int x = 0; x < 8; ++x) src.SetPixel(x, 0, uint32_t(x + 1));
  dst.SetClipRect(Rect{2, 0, 8, 1});
  dst.Draw(0, 0, src, src.BoundsRect(), KeyMode::kIgnore, Flip::kHorizontal);
  EXPECT_EQ(testing::Pixels(dst), (std::vector<uint32_t>{0, 0, 6, 5, 4, 3, 2, 1}));
}

TEST(Placing, EmptyAndInvertedRectanglesDrawNothing) {
  TDIBX dst = Random(32, 8, 8, 1);
  const TDIBX src = Random(32, 8, 8, 2), mask = Random(8, 8, 8, 3);
  const auto before = testing::Pixels(dst);
  for (const Rect r : {Rect{4, 4, 4, 8}, Rect{5, 0, 2, 8}, Rect{0, 6, 8, 1}}) {
    dst.Draw(0, 0, src, r, KeyMode::kIgnore, Flip::kNone);
    dst.DrawAlpha(0, 0, src, r, KeyMode::kIgnore, Flip::kBoth, 9);
    dst.DrawMaskAdd(0, 0, src, r, Flip::kNone, mask, 9);
    dst.FillRect(r, 0xFFFFFF);
    dst.StretchAlpha(r, src, src.BoundsRect(), KeyMode::kIgnore, Flip::kNone, 255);
    dst.StretchAlpha(src.BoundsRect(), src, r, KeyMode::kIgnore, Flip::kNone, 255);
    dst.Tile(r, 0, 0, src, src.BoundsRect(), KeyMode::kIgnore, 0, 0);
    dst.Tile(dst.BoundsRect(), 0, 0, src, r, KeyMode::kIgnore, 0, 0);
  }
  EXPECT_EQ(testing::Pixels(dst), before);
}

TEST(Placing, MaskOperationsNeedAnEightBitMaskCoveringTheSource) {
  TDIBX dst = Random(16, 8, 8, 1);
  const TDIBX src = Random(16, 8, 8, 2);
  const TDIBX wrong_depth = Random(16, 8, 8, 3);
  const auto before = testing::Pixels(dst);
  dst.DrawMask(0, 0, src, src.BoundsRect(), Flip::kNone, wrong_depth);
  EXPECT_EQ(testing::Pixels(dst), before);
  // A smaller mask limits the copy to what it covers.
  TDIBX small(3, 2, 8);
  small.Fill(255);
  dst.DrawMask(0, 0, src, src.BoundsRect(), Flip::kNone, small);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      const bool covered = x < 3 && y < 2;
      EXPECT_EQ(dst.GetPixel(x, y), covered ? src.GetPixel(x, y) : before[size_t(y * 8 + x)]);
    }
  }
}

TEST(Placing, ASurfaceDrawnOntoItselfReadsTheOldPixels) {
  for (int bits : {8, 16, 32}) {
    TDIBX s = Random(bits, 10, 6, 4);
    const TDIBX copy = testing::Copy(s);
    const TDIBX want = ExpectedCopy(s, copy, 1, 1, Rect{0, 0, 9, 5}, Flip::kNone, s.BoundsRect());
    s.Draw(1, 1, s, Rect{0, 0, 9, 5}, KeyMode::kIgnore, Flip::kNone);
    EXPECT_TRUE(SamePixels(s, want));
  }
}

// --- the clip rectangle -------------------------------------------------------------------

TEST(Clip, RightZeroMeansNoClip) {
  TDIBX s(10, 10, 32);
  s.SetClipRect(Rect{3, 3, 0, 9});
  EXPECT_FALSE(s.HasClipRect());
  EXPECT_EQ(s.ClipRect(), s.BoundsRect());
  s.FillRect(s.BoundsRect(), 7);
  EXPECT_EQ(s.GetPixel(0, 0), 7u);
}

TEST(Clip, UnionClipClampsThenGrowsToTheBoundingBox) {
  TDIBX s(100, 50, 16);
  s.UnionClip(Rect{200, 0, 300, 10});  // entirely outside: nothing
  EXPECT_FALSE(s.HasClipRect());
  s.UnionClip(Rect{-5, 10, 20, 20});  // clamped
  EXPECT_EQ(s.ClipRect(), (Rect{0, 10, 20, 20}));
  s.UnionClip(Rect{200, 0, 300, 10});  // outside again: unchanged
  EXPECT_EQ(s.ClipRect(), (Rect{0, 10, 20, 20}));
  s.UnionClip(Rect{50, 30, 120, 70});
  EXPECT_EQ(s.ClipRect(), (Rect{0, 10, 100, 50}));
  s.ResetClip();
  EXPECT_FALSE(s.HasClipRect());
}

TEST(Clip, FillIgnoresTheClipButFillRectHonoursIt) {
  for (int bits : {1, 4, 8, 15, 16, 24, 32}) {
    TDIBX s(9, 3, bits);
    s.SetClipRect(Rect{1, 1, 2, 2});
    s.Fill(1);
    for (uint32_t p : testing::Pixels(s)) EXPECT_EQ(p, 1u) << bits;
    s.FillRect(s.BoundsRect(), 0);
    EXPECT_EQ(s.GetPixel(1, 1), 0u);
    EXPECT_EQ(s.GetPixel(0, 0), 1u);
  }
}

TEST(Clip, OneBitFillSetsEveryBitForAnyNonZeroValueAndFourBitRepeatsTheNibble) {
  TDIBX one(13, 2, 1), four(5, 2, 4);
  one.Fill(0x40);
  four.Fill(0x1A);
  EXPECT_EQ(testing::Pixels(one), std::vector<uint32_t>(26, 1));
  EXPECT_EQ(testing::Pixels(four), std::vector<uint32_t>(10, 0xA));
}

TEST(Clip, FramesDrawEachBorderPixelOnce) {
  TDIBX s(10, 8, 32);
  s.FrameRectAlpha(Rect{1, 1, 9, 7}, 2, 0xFFFFFF, 128);
  // One blend of white over black at 128 gives 127 per channel; twice would
  // give more.
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 10; ++x) {
      const bool border =
          x >= 1 && x < 9 && y >= 1 && y < 7 && (x < 3 || x >= 7 || y < 3 || y >= 5);
      EXPECT_EQ(s.GetPixel(x, y), border ? 0x7F7F7Fu : 0u) << x << "," << y;
    }
  }
}

}  // namespace
}  // namespace vesk::graphics
