// Every blend rule on every working format: a small random destination and
// source are combined and each pixel is checked against the rule's formula
// on the full channel masks. Widths are odd and the copy lands off the left
// edge so the row loops' vector bodies and tails are both exercised.
#include <gtest/gtest.h>

#include <functional>

#include "graphics/dibsfc.h"
#include "surface_util.h"

namespace vesk::graphics {
namespace {

using testing::FormulaAdd;
using testing::FormulaAddScaled;
using testing::FormulaBlend;
using testing::FormulaSub;
using testing::Random;
using testing::SamePixels;

constexpr int kW = 37, kH = 5;
constexpr int kX = 2, kY = 1;  // where the source's top-left lands
const Rect kSrcRect{1, 0, 36, 5};

struct Inputs {
  TDIBX dst, src, mask;
  uint32_t key = 0;
};

// Random pictures where some source pixels are the key and some
// destination pixels equal the source pixel drawn onto them, so the skip
// rules matter.
Inputs MakeInputs(int bits, uint32_t seed) {
  Inputs in{Random(bits, kW, kH, seed), Random(bits, kW, kH, seed + 1),
            Random(8, kW, kH, seed + 2)};
  in.key = in.src.GetPixel(3, 2);
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      const int sx = kSrcRect.left + x - kX, sy = kSrcRect.top + y - kY;
      if ((x + 3 * y) % 7 == 0) in.src.SetPixel(x, y, in.key);
      if ((x * 5 + y) % 8 == 0 && sx >= 0 && sy >= 0 && sx < kW && sy < kH) {
        in.dst.SetPixel(x, y, in.src.GetPixel(sx, sy));
      }
      if (x % 11 == 0) in.mask.SetPixel(x, y, 0);
      if (x % 13 == 1) in.mask.SetPixel(x, y, 255);
    }
  }
  in.src.SetColorKey(int32_t(in.key));
  return in;
}

// d: destination before; s: source pixel; m: mask value; returns the pixel
// after, or d when the pixel is not drawn.
using Expect = std::function<uint32_t(uint32_t s, uint32_t d, uint32_t m, uint32_t key, int bits)>;
using Run = std::function<void(TDIBX& dst, const TDIBX& src, const TDIBX& mask)>;

struct Case {
  const char* name;
  Run run;
  Expect expect;
};

uint32_t Alpha(uint32_t s, uint32_t d, uint32_t a, int bits) {
  return s == d ? d : FormulaBlend(s, d, a, bits);
}

uint32_t AddRule(uint32_t s, uint32_t d, uint32_t level, int bits) {
  return bits <= 8 ? std::min<uint32_t>(255, s + d) : FormulaAddScaled(s, d, level, bits);
}

std::vector<Case> CopyCases() {
  std::vector<Case> cases;
  cases.push_back({"Draw",
                   [](TDIBX& d, const TDIBX& s, const TDIBX&) {
                     d.Draw(kX, kY, s, kSrcRect, KeyMode::kIgnore, Flip::kNone);
                   },
                   [](uint32_t s, uint32_t, uint32_t, uint32_t, int) { return s; }});
  cases.push_back(
      {"DrawKey",
       [](TDIBX& d, const TDIBX& s, const TDIBX&) {
         d.Draw(kX, kY, s, kSrcRect, KeyMode::kUse, Flip::kNone);
       },
       [](uint32_t s, uint32_t d, uint32_t, uint32_t key, int) { return s == key ? d : s; }});
  for (int a : {1, 77, 128, 254}) {
    cases.push_back({"DrawAlpha",
                     [a](TDIBX& d, const TDIBX& s, const TDIBX&) {
                       d.DrawAlpha(kX, kY, s, kSrcRect, KeyMode::kIgnore, Flip::kNone, a);
                     },
                     [a](uint32_t s, uint32_t d, uint32_t, uint32_t, int bits) {
                       return Alpha(s, d, a, bits);
                     }});
    cases.push_back({"DrawAlphaKey",
                     [a](TDIBX& d, const TDIBX& s, const TDIBX&) {
                       d.DrawAlpha(kX, kY, s, kSrcRect, KeyMode::kUse, Flip::kNone, a);
                     },
                     [a](uint32_t s, uint32_t d, uint32_t, uint32_t key, int bits) {
                       return s == key ? d : Alpha(s, d, a, bits);
                     }});
  }
  for (int level : {1, 100, 255}) {
    // The key is honoured whether or not it is asked for.
    cases.push_back({"DrawAdd",
                     [level](TDIBX& d, const TDIBX& s, const TDIBX&) {
                       d.DrawAdd(kX, kY, s, kSrcRect, KeyMode::kIgnore, Flip::kNone, level);
                     },
                     [level](uint32_t s, uint32_t d, uint32_t, uint32_t key, int bits) {
                       return s == key ? d : AddRule(s, d, level, bits);
                     }});
  }
  cases.push_back({"DrawMask",
                   [](TDIBX& d, const TDIBX& s, const TDIBX& m) {
                     d.DrawMask(kX, kY, s, kSrcRect, Flip::kNone, m);
                   },
                   [](uint32_t s, uint32_t d, uint32_t m, uint32_t, int bits) {
                     return m == 0 ? d : m == 255 ? s : FormulaBlend(s, d, m, bits);
                   }});
  for (int a : {1, 128, 255}) {
    cases.push_back({"DrawMaskAlpha",
                     [a](TDIBX& d, const TDIBX& s, const TDIBX& m) {
                       d.DrawMaskAlpha(kX, kY, s, kSrcRect, Flip::kNone, m, a);
                     },
                     [a](uint32_t s, uint32_t d, uint32_t m, uint32_t, int bits) {
                       return m == 0 ? d : FormulaBlend(s, d, (a * m) >> 8, bits);
                     }});
    cases.push_back({"DrawMaskAdd",
                     [a](TDIBX& d, const TDIBX& s, const TDIBX& m) {
                       d.DrawMaskAdd(kX, kY, s, kSrcRect, Flip::kNone, m, a);
                     },
                     [a](uint32_t s, uint32_t d, uint32_t m, uint32_t, int bits) {
                       return m == 0 ? d : FormulaAddScaled(s, d, (a * m) >> 8, bits);
                     }});
  }
  return cases;
}

class CopyRules : public ::testing::TestWithParam<int> {};

TEST_P(CopyRules, EveryPixelFollowsItsFormula) {
  const int bits = GetParam();
  uint32_t seed = 100;
  for (const Case& c : CopyCases()) {
    SCOPED_TRACE(c.name);
    Inputs in = MakeInputs(bits, seed++);
    TDIBX want = testing::Copy(in.dst);
    for (int y = kY; y < kH; ++y) {
      for (int x = kX; x < kW; ++x) {
        const int sx = kSrcRect.left + x - kX, sy = kSrcRect.top + y - kY;
        if (sx >= kSrcRect.right || sy >= kSrcRect.bottom) continue;
        want.SetPixel(x, y,
                      c.expect(in.src.GetPixel(sx, sy), in.dst.GetPixel(x, y),
                               in.mask.GetPixel(sx, sy), in.key, bits));
      }
    }
    c.run(in.dst, in.src, in.mask);
    EXPECT_TRUE(SamePixels(in.dst, want));
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, CopyRules, ::testing::Values(8, 15, 16, 24, 32),
                         ::testing::PrintToStringParamName());

// --- fills -------------------------------------------------------------------------

struct FillCase {
  const char* name;
  std::function<void(TDIBX&, const Rect&, uint32_t)> run;
  std::function<uint32_t(uint32_t v, uint32_t d, int bits)> expect;
};

class FillRules : public ::testing::TestWithParam<int> {};

TEST_P(FillRules, EveryPixelFollowsItsFormula) {
  const int bits = GetParam();
  const std::vector<FillCase> cases = {
      {"FillRect", [](TDIBX& d, const Rect& r, uint32_t v) { d.FillRect(r, v); },
       [](uint32_t v, uint32_t, int) { return v; }},
      {"FillRectAlpha", [](TDIBX& d, const Rect& r, uint32_t v) { d.FillRectAlpha(r, v, 90); },
       [](uint32_t v, uint32_t d, int b) { return d == v ? d : FormulaBlend(v, d, 90, b); }},
      {"FillRectAdd", [](TDIBX& d, const Rect& r, uint32_t v) { d.FillRectAdd(r, v); },
       [](uint32_t v, uint32_t d, int b) { return FormulaAdd(v, d, b); }},
      {"FillRectSub", [](TDIBX& d, const Rect& r, uint32_t v) { d.FillRectSub(r, v); },
       [](uint32_t v, uint32_t d, int b) { return FormulaSub(v, d, b); }},
  };
  const Rect rect{-3, 1, 30, 9};  // runs off the left and bottom edges
  uint32_t seed = 7;
  for (const FillCase& c : cases) {
    SCOPED_TRACE(c.name);
    TDIBX dst = Random(bits, kW, kH, seed++);
    const uint32_t v = dst.GetPixel(5, 2);  // one pixel already equals the value
    TDIBX want = testing::Copy(dst);
    for (int y = 1; y < kH; ++y) {
      for (int x = 0; x < 30; ++x) want.SetPixel(x, y, c.expect(v, dst.GetPixel(x, y), bits));
    }
    c.run(dst, rect, v);
    EXPECT_TRUE(SamePixels(dst, want));
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, FillRules, ::testing::Values(1, 4, 8, 15, 16, 24, 32),
                         ::testing::PrintToStringParamName());

// --- solid colour through a mask ---------------------------------------------------

class ColorMask : public ::testing::TestWithParam<int> {};

TEST_P(ColorMask, BlendsTheColourByAlphaTimesMask) {
  const int bits = GetParam();
  TDIBX dst = Random(bits, kW, kH, 3);
  const TDIBX mask = Random(8, 20, 4, 4);
  const uint32_t v = testing::AllMasks(bits) & 0x12345678;
  TDIBX want;
  testing::CopyPixels(dst, want);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 20; ++x) {
      const uint32_t m = mask.GetPixel(x, y), d = dst.GetPixel(x + 3, y);
      want.SetPixel(x + 3, y, m == 0 ? d : FormulaBlend(v, d, (200 * m) >> 8, bits));
    }
  }
  dst.DrawColorMask(3, 0, mask, Rect{0, 0, 20, 4}, Flip::kNone, v, 200);
  EXPECT_TRUE(SamePixels(dst, want));
}

TEST_P(ColorMask, RefusesSourceRectanglesOutsideTheMask) {
  const int bits = GetParam();
  TDIBX dst = Random(bits, kW, kH, 3);
  const std::vector<uint32_t> before = testing::Pixels(dst);
  const TDIBX mask = Random(8, 20, 4, 4);
  for (const Rect r : {Rect{-1, 0, 5, 4}, Rect{0, -1, 5, 4}, Rect{0, 0, 21, 4}, Rect{0, 0, 5, 5}}) {
    dst.DrawColorMask(0, 0, mask, r, Flip::kNone, 1, 255);
  }
  EXPECT_EQ(testing::Pixels(dst), before);
}

INSTANTIATE_TEST_SUITE_P(Formats, ColorMask, ::testing::Values(8, 15, 16, 24, 32),
                         ::testing::PrintToStringParamName());

// --- the edge cases callers rely on ----------------------------------------------

TEST(BlendEdges, AlphaZeroChangesNothingAnd254DiffersFromACopy) {
  for (int bits : {15, 16, 32}) {
    TDIBX dst = Random(bits, 8, 8, 1);
    const TDIBX src = Random(bits, 8, 8, 2);
    const auto before = testing::Pixels(dst);
    dst.DrawAlpha(0, 0, src, src.BoundsRect(), KeyMode::kIgnore, Flip::kNone, 0);
    EXPECT_EQ(testing::Pixels(dst), before);
    dst.DrawAlpha(0, 0, src, src.BoundsRect(), KeyMode::kIgnore, Flip::kNone, 254);
    EXPECT_NE(testing::Pixels(dst), testing::Pixels(src));
    dst.Draw(0, 0, src, src.BoundsRect(), KeyMode::kIgnore, Flip::kNone);
    EXPECT_EQ(testing::Pixels(dst), testing::Pixels(src));
  }
}

TEST(BlendEdges, EightBitAddSumsIndicesAndSaturates) {
  TDIBX dst(3, 1, 8), src(3, 1, 8);
  const uint32_t d[3] = {10, 200, 0}, s[3] = {20, 100, 255};
  for (int x = 0; x < 3; ++x) dst.SetPixel(x, 0, d[x]), src.SetPixel(x, 0, s[x]);
  dst.DrawAdd(0, 0, src, src.BoundsRect(), KeyMode::kIgnore, Flip::kNone, 17);
  EXPECT_EQ(testing::Pixels(dst), (std::vector<uint32_t>{30, 255, 255}));
}

}  // namespace
}  // namespace vesk::graphics
