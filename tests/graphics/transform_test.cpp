// Rotation, stretching, tiling and pattern fills: exact cases checked by
// their geometry (1:1, quarter turns, doubling), rule dispatch checked
// against the 1:1 copies, and one golden picture for a free angle and zoom.
#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "golden.h"
#include "graphics/dibsfc.h"
#include "surface_util.h"

namespace vesk::graphics {
namespace {

using testing::Copy;
using testing::FormulaBlend;
using testing::Random;
using testing::SamePixels;

// --- rotation ------------------------------------------------------------------------------

class Rotation : public ::testing::TestWithParam<int> {};

TEST_P(Rotation, AngleZeroAtZoom256IsTheCopyOfItsBlendValue) {
  const int bits = GetParam();
  TDIBX src = Random(bits, 9, 7, 21);
  src.SetColorKey(int32_t(src.GetPixel(2, 2)));
  const TDIBX mask = Random(8, 9, 7, 22);
  const Rect sr{1, 1, 8, 6};
  for (int blend : {255, 100, 300}) {
    for (Flip flip : {Flip::kNone, Flip::kHorizontal, Flip::kBoth}) {
      SCOPED_TRACE(::testing::Message() << "blend " << blend << " flip " << int(flip));
      TDIBX got = Random(bits, 16, 12, 23), want = Copy(got);
      got.DrawRotate(6, 5, 256, 256, src, sr, 3, 2, 0, KeyMode::kUse, flip, blend);
      want.DrawBlend(3, 3, src, sr, KeyMode::kUse, flip, blend);
      EXPECT_TRUE(SamePixels(got, want));

      TDIBX got_m = Random(bits, 16, 12, 24), want_m = Copy(got_m);
      got_m.DrawRotateMask(6, 5, 256, 256, src, sr, 3, 2, 0, flip, mask, blend);
      want_m.DrawMaskBlend(3, 3, src, sr, flip, mask, blend);
      EXPECT_TRUE(SamePixels(got_m, want_m));
    }
  }
}

TEST_P(Rotation, FullAdditiveLevelThroughAMaskWeighsByTheMaskAlone) {
  const int bits = GetParam();
  const TDIBX src = Random(bits, 6, 4, 31), mask = Random(8, 6, 4, 32);
  TDIBX got = Random(bits, 6, 4, 33);
  const TDIBX before = Copy(got);
  got.DrawRotateMask(0, 0, 256, 256, src, src.BoundsRect(), 0, 0, 0, Flip::kNone, mask, 511);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 6; ++x) {
      const uint32_t m = mask.GetPixel(x, y), d = before.GetPixel(x, y);
      EXPECT_EQ(got.GetPixel(x, y),
                m == 0 ? d : testing::FormulaAddScaled(src.GetPixel(x, y), d, m, bits));
    }
  }
}

TEST_P(Rotation, QuarterTurnsMoveEveryPixelExactly) {
  const int bits = GetParam();
  const TDIBX src = Random(bits, 7, 4, 41);
  const int dx = 8, dy = 6, px = 2, py = 1;
  // (u, v) of destination offset (i, j) after a turn of k quarters.
  const std::function<std::pair<int, int>(int, int)> maps[3] = {[](int i, int j) {
                                                                  return std::pair{px + j, py - i};
                                                                },  // 64
                                                                [](int i, int j) {
                                                                  return std::pair{px - i, py - j};
                                                                },  // 128
                                                                [](int i, int j) {
                                                                  return std::pair{px - j, py + i};
                                                                }};  // 192
  for (int k = 0; k < 3; ++k) {
    SCOPED_TRACE(::testing::Message() << "angle " << 64 * (k + 1));
    TDIBX got = Random(bits, 16, 14, 42);
    TDIBX want = Copy(got);
    for (int y = 0; y < 14; ++y) {
      for (int x = 0; x < 16; ++x) {
        const auto [u, v] = maps[k](x - dx, y - dy);
        if (u >= 0 && v >= 0 && u < 7 && v < 4) want.SetPixel(x, y, src.GetPixel(u, v));
      }
    }
    got.DrawRotate(dx, dy, 256, 256, src, src.BoundsRect(), px, py, 64 * (k + 1), KeyMode::kIgnore,
                   Flip::kNone, 255);
    EXPECT_TRUE(SamePixels(got, want));
  }
}

TEST_P(Rotation, DoubleZoomTurnsEachPixelIntoABlock) {
  const int bits = GetParam();
  const TDIBX src = Random(bits, 5, 3, 51);
  TDIBX got(12, 8, bits);
  got.DrawRotate(1, 1, 512, 512, src, src.BoundsRect(), 0, 0, 0, KeyMode::kIgnore, Flip::kNone,
                 255);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 12; ++x) {
      const bool inside = x >= 1 && x < 11 && y >= 1 && y < 7;
      EXPECT_EQ(got.GetPixel(x, y), inside ? src.GetPixel((x - 1) / 2, (y - 1) / 2) : 0u);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, Rotation, ::testing::Values(8, 15, 16, 32),
                         ::testing::PrintToStringParamName());

TEST(RotationEdges, NothingForBlendZeroOrNonPositiveZoom) {
  const TDIBX src = Random(32, 6, 6, 1);
  TDIBX got = Random(32, 10, 10, 2);
  const auto before = testing::Pixels(got);
  got.DrawRotate(5, 5, 256, 256, src, src.BoundsRect(), 3, 3, 10, KeyMode::kIgnore, Flip::kNone, 0);
  got.DrawRotate(5, 5, 0, 256, src, src.BoundsRect(), 3, 3, 10, KeyMode::kIgnore, Flip::kNone, 255);
  got.DrawRotate(5, 5, 256, -4, src, src.BoundsRect(), 3, 3, 10, KeyMode::kIgnore, Flip::kNone,
                 255);
  EXPECT_EQ(testing::Pixels(got), before);
}

// A picture with a gradient, a border and a marked corner, so that turns,
// flips and zooms are visible in the golden.
TDIBX TestCard(int bits, int w, int h) {
  TDIBX s(w, h, bits);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      int32_t c = int32_t((x * 255 / (w - 1)) | (y * 255 / (h - 1)) << 8 | 0x60 << 16);
      if (x == 0 || y == 0 || x == w - 1 || y == h - 1) c = 0xFFFFFF;
      if (x < 5 && y < 5) c = 0x0000FF;
      s.SetPixel(x, y, uint32_t(s.ColorToPixel(c)));
    }
  }
  return s;
}

TEST(RotationGolden, FreeAngleWithUnequalZoom) {
  const TDIBX card = TestCard(32, 24, 16);
  TDIBX mask(24, 16, 8);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 24; ++x) mask.SetPixel(x, y, uint32_t(x * 255 / 23));
  }
  TDIBX canvas(72, 56, 32);
  canvas.Fill(0x202020);
  canvas.DrawRotate(20, 24, 300, 200, card, card.BoundsRect(), 12, 8, 20, KeyMode::kIgnore,
                    Flip::kNone, 255);
  canvas.DrawRotateMask(52, 28, 200, 330, card, card.BoundsRect(), 12, 8, -45, Flip::kHorizontal,
                        mask, 180);
  EXPECT_TRUE(testing::MatchesGolden(canvas, "rotate_zoom"));
}

// --- stretching -----------------------------------------------------------------------------

class Stretching : public ::testing::TestWithParam<int> {};

TEST_P(Stretching, DoublingAndHalvingSampleTheNearestPixel) {
  const int bits = GetParam();
  const TDIBX src = Random(bits, 6, 4, 61);
  for (Flip flip : {Flip::kNone, Flip::kHorizontal, Flip::kVertical}) {
    TDIBX big(12, 8, bits), small(3, 2, bits);
    big.StretchAlpha(big.BoundsRect(), src, src.BoundsRect(), KeyMode::kIgnore, flip, 255);
    small.StretchAlpha(small.BoundsRect(), src, src.BoundsRect(), KeyMode::kIgnore, flip, 255);
    auto sx = [&](int x) { return FlipsH(flip) ? 5 - x : x; };
    auto sy = [&](int y) { return FlipsV(flip) ? 3 - y : y; };
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 12; ++x)
        EXPECT_EQ(big.GetPixel(x, y), src.GetPixel(sx(x / 2), sy(y / 2)));
    }
    // Halving walks from the far edge when flipped.
    for (int y = 0; y < 2; ++y) {
      for (int x = 0; x < 3; ++x)
        EXPECT_EQ(small.GetPixel(x, y), src.GetPixel(sx(2 * x), sy(2 * y)));
    }
  }
}

TEST_P(Stretching, ClippingCutsTheStretchWithoutMovingIt) {
  const int bits = GetParam();
  const TDIBX src = Random(bits, 5, 4, 71);
  for (Flip flip : {Flip::kNone, Flip::kHorizontal, Flip::kVertical, Flip::kBoth}) {
    TDIBX whole(14, 12, bits), clipped(14, 12, bits);
    const Rect dest{-3, 2, 17, 10};  // 4x the width, 2x the height
    whole.StretchAlpha(dest, src, src.BoundsRect(), KeyMode::kIgnore, flip, 255);
    const Rect clip{2, 3, 11, 9};
    clipped.SetClipRect(clip);
    clipped.StretchAlpha(dest, src, src.BoundsRect(), KeyMode::kIgnore, flip, 255);
    for (int y = 0; y < 12; ++y) {
      for (int x = 0; x < 14; ++x) {
        const bool in = x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom;
        EXPECT_EQ(clipped.GetPixel(x, y), in ? whole.GetPixel(x, y) : 0u) << x << "," << y;
      }
    }
  }
}

TEST_P(Stretching, OneToOneStretchesFollowTheCopyRules) {
  const int bits = GetParam();
  TDIBX src = Random(bits, 8, 5, 81);
  src.SetColorKey(int32_t(src.GetPixel(1, 1)));
  const TDIBX mask = Random(8, 8, 5, 82);
  const Rect sr{1, 0, 7, 5}, dr{2, 1, 8, 6};
  struct Pair {
    const char* name;
    std::function<void(TDIBX&)> stretch, copy;
  };
  const Pair pairs[] = {
      {"copy",
       [&](TDIBX& d) { d.StretchAlpha(dr, src, sr, KeyMode::kUse, Flip::kHorizontal, 255); },
       [&](TDIBX& d) { d.Draw(2, 1, src, sr, KeyMode::kUse, Flip::kHorizontal); }},
      {"alpha", [&](TDIBX& d) { d.StretchAlpha(dr, src, sr, KeyMode::kIgnore, Flip::kNone, 77); },
       [&](TDIBX& d) { d.DrawAlpha(2, 1, src, sr, KeyMode::kIgnore, Flip::kNone, 77); }},
      {"add", [&](TDIBX& d) { d.StretchAdd(dr, src, sr, KeyMode::kIgnore, Flip::kVertical, 200); },
       [&](TDIBX& d) { d.DrawAdd(2, 1, src, sr, KeyMode::kIgnore, Flip::kVertical, 200); }},
      {"mask alpha", [&](TDIBX& d) { d.StretchMaskAlpha(dr, src, sr, Flip::kNone, mask, 150); },
       [&](TDIBX& d) { d.DrawMaskAlpha(2, 1, src, sr, Flip::kNone, mask, 150); }},
      {"mask add", [&](TDIBX& d) { d.StretchMaskAdd(dr, src, sr, Flip::kBoth, mask, 99); },
       [&](TDIBX& d) { d.DrawMaskAdd(2, 1, src, sr, Flip::kBoth, mask, 99); }},
  };
  for (const Pair& p : pairs) {
    SCOPED_TRACE(p.name);
    TDIBX a = Random(bits, 10, 7, 83), b = Copy(a);
    p.stretch(a);
    p.copy(b);
    EXPECT_TRUE(SamePixels(a, b));
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, Stretching, ::testing::Values(8, 15, 16, 24, 32),
                         ::testing::PrintToStringParamName());

TEST(StretchEdges, RowsWiderThan1280Pixels) {
  const TDIBX src = Random(32, 1500, 1, 91);
  TDIBX dst(3000, 2, 32);
  dst.StretchAlpha(dst.BoundsRect(), src, src.BoundsRect(), KeyMode::kIgnore, Flip::kNone, 255);
  for (int x = 0; x < 3000; x += 7) EXPECT_EQ(dst.GetPixel(x, 1), src.GetPixel(x / 2, 0)) << x;
  EXPECT_EQ(dst.GetPixel(2999, 0), src.GetPixel(1499, 0));
}

TEST(StretchEdges, PresentationCopyConvertsAndScales) {
  TDIBX src(2, 1, 16);
  src.SetPixel(0, 0, 0xF800);  // red
  src.SetPixel(1, 0, 0x001F);  // blue
  std::vector<uint32_t> buffer(4 * 2, 0);
  const PixelView out{reinterpret_cast<uint8_t*>(buffer.data()), 16, 4, 2, 32, nullptr};
  src.StretchTo(out, Rect{0, 0, 4, 2}, src.BoundsRect());
  EXPECT_EQ(buffer, (std::vector<uint32_t>{0xFF0000, 0xFF0000, 0xFF, 0xFF, 0xFF0000, 0xFF0000, 0xFF,
                                           0xFF}));
}

// --- tiling ----------------------------------------------------------------------------------

// Source column of destination column t (from the tile area's start) for
// tiles of width w with a gap and an offset; -1 inside a gap.
int TileColumn(int t, int w, int gap, int offset) {
  const int o = ((offset % w) + w) % w;
  if (t < w - o) return o + t;
  const int rest = t - (w - o) - gap;
  if (rest < 0) return -1;
  const int in = rest % (w + gap);
  return in < w ? in : -1;
}

TEST(Tiling, NegativeOffsetStartsInsideTheTile) {
  TDIBX src(4, 1, 8), dst(6, 1, 8);
  for (int x = 0; x < 4; ++x) src.SetPixel(x, 0, uint32_t(10 + x));
  dst.Tile(dst.BoundsRect(), 0, 0, src, src.BoundsRect(), KeyMode::kIgnore, -1, 0);
  EXPECT_EQ(testing::Pixels(dst), (std::vector<uint32_t>{13, 10, 11, 12, 13, 10}));
}

TEST(Tiling, GapsAndOffsetsPlaceEveryTile) {
  const TDIBX src = Random(16, 5, 3, 101);
  const Rect area{3, 2, 30, 19};
  for (int gap : {0, 2}) {
    for (int off : {-7, 0, 3}) {
      SCOPED_TRACE(::testing::Message() << "gap " << gap << " offset " << off);
      TDIBX dst(34, 22, 16);
      dst.SetClipRect(Rect{0, 0, 28, 22});
      dst.Tile(area, gap, gap + 1, src, src.BoundsRect(), KeyMode::kIgnore, off, off + 1);
      EXPECT_EQ(dst.ClipRect(), (Rect{0, 0, 28, 22})) << "clip restored";
      for (int y = 0; y < 22; ++y) {
        for (int x = 0; x < 34; ++x) {
          const bool in = x >= area.left && x < 28 && y >= area.top && y < area.bottom;
          const int sx = TileColumn(x - area.left, 5, gap, off);
          const int sy = TileColumn(y - area.top, 3, gap + 1, off + 1);
          const uint32_t want = in && sx >= 0 && sy >= 0 ? src.GetPixel(sx, sy) : 0;
          ASSERT_EQ(dst.GetPixel(x, y), want) << x << "," << y;
        }
      }
    }
  }
}

TEST(Tiling, BlendedTilesUseTheirRules) {
  const TDIBX src = Random(32, 3, 2, 111), mask = Random(8, 3, 2, 112);
  TDIBX alpha = Random(32, 8, 5, 113), add = Copy(alpha);
  const TDIBX before = Copy(alpha);
  alpha.TileAlpha(alpha.BoundsRect(), 0, 0, src, src.BoundsRect(), KeyMode::kIgnore, 60, 1, 0);
  add.TileMaskAdd(add.BoundsRect(), 0, 0, src, src.BoundsRect(), mask, 140, 1, 0);
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 8; ++x) {
      const int sx = (x + 1) % 3, sy = y % 2;
      const uint32_t s = src.GetPixel(sx, sy), d = before.GetPixel(x, y), m = mask.GetPixel(sx, sy);
      EXPECT_EQ(alpha.GetPixel(x, y), s == d ? d : FormulaBlend(s, d, 60, 32));
      EXPECT_EQ(add.GetPixel(x, y),
                m == 0 ? d : testing::FormulaAddScaled(s, d, (140 * m) >> 8, 32));
    }
  }
}

TEST(Tiling, StretchedCellsFollowThePitch) {
  TDIBX src(2, 1, 8), dst(20, 2, 8);
  src.SetPixel(0, 0, 1);
  src.SetPixel(1, 0, 2);
  // zoom 2: tiles 4 pixels wide, cells 3 * 2 = 6 apart, first cell 1 before the area.
  dst.TileStretch(Rect{2, 0, 20, 2}, 3, 1, 512, 512, src, src.BoundsRect(), KeyMode::kIgnore,
                  Flip::kNone, 255, 1, 0);
  EXPECT_EQ(testing::Pixels(dst),
            (std::vector<uint32_t>{0, 0, 1, 2, 2, 0, 0, 1, 1, 2, 2, 0, 0, 1, 1, 2, 2, 0, 0, 1,
                                   0, 0, 1, 2, 2, 0, 0, 1, 1, 2, 2, 0, 0, 1, 1, 2, 2, 0, 0, 1}));
}

// --- pattern fills ----------------------------------------------------------------------------

TEST(Patterns, FillPatternRepeatsFromTheOffsetAndMirrors) {
  const TDIBX src = Random(32, 4, 3, 121);
  for (Flip flip : {Flip::kNone, Flip::kHorizontal, Flip::kVertical}) {
    TDIBX dst(11, 7, 32);
    dst.FillPattern(Rect{1, 1, 11, 7}, src, -5, 2, flip);
    for (int y = 1; y < 7; ++y) {
      for (int x = 1; x < 11; ++x) {
        int sx = ((-5 + x - 1) % 4 + 4) % 4, sy = (2 + y - 1) % 3;
        if (FlipsH(flip)) sx = 3 - sx;
        if (FlipsV(flip)) sy = 2 - sy;
        ASSERT_EQ(dst.GetPixel(x, y), src.GetPixel(sx, sy)) << x << "," << y;
      }
    }
    EXPECT_EQ(dst.GetPixel(0, 0), 0u);
  }
}

TEST(Patterns, ZoomedPatternStepsAndClampsTheLevel) {
  const TDIBX src = Random(16, 3, 2, 131);
  TDIBX zoomed(9, 4, 16);
  zoomed.FillPatternZoom(zoomed.BoundsRect(), 512, 512, src, 1, 0, KeyMode::kIgnore, Flip::kNone,
                         255);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 9; ++x) {
      EXPECT_EQ(zoomed.GetPixel(x, y), src.GetPixel((1 + x / 2) % 3, (y / 2) % 2));
    }
  }
  TDIBX a = Random(16, 9, 4, 132), b = Copy(a);
  a.FillPatternZoom(a.BoundsRect(), 256, 256, src, 0, 0, KeyMode::kIgnore, Flip::kNone, 900);
  b.FillPatternZoom(b.BoundsRect(), 256, 256, src, 0, 0, KeyMode::kIgnore, Flip::kNone, 511);
  EXPECT_TRUE(SamePixels(a, b));
}

TEST(Patterns, FramePatternFillsOnlyTheBorder) {
  TDIBX src(2, 2, 8), dst(8, 6, 8);
  src.Fill(9);
  dst.FramePattern(Rect{1, 1, 7, 5}, 1, src, 0, 0);
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 8; ++x) {
      const bool border =
          x >= 1 && x < 7 && y >= 1 && y < 5 && (x == 1 || x == 6 || y == 1 || y == 4);
      EXPECT_EQ(dst.GetPixel(x, y), border ? 9u : 0u);
    }
  }
}

// --- hostile parameters ---------------------------------------------------------------------

TEST(Hostile, ExtremeArgumentsStayInsideTheSurfaces) {
  const TDIBX src = Random(32, 9, 7, 141), mask = Random(8, 9, 7, 142);
  const TDIBX one = Random(1, 16, 16, 143), four = Random(4, 16, 16, 144),
              eight = Random(8, 9, 7, 145);
  const std::array<uint32_t, 16> pal16{};
  const std::array<uint32_t, 256> pal256{};
  const int big = INT_MAX, small = INT_MIN;
  const Rect huge{small, small, big, big}, inverted{big, big, small, small};
  TDIBX dst = Random(32, 20, 15, 146);
  for (const Rect& r : {huge, inverted, Rect{-5, -5, 40, 40}}) {
    for (int v : {big, small, 0, -1, 1}) {
      dst.Draw(v, v, src, r, KeyMode::kUse, Flip::kBoth);
      dst.DrawMaskAlpha(v, ~v, src, r, Flip::kHorizontal, mask, 200);
      dst.DrawColorMask(v, 0, mask, r, Flip::kNone, 1, 255);
      dst.DrawRotate(v, 7, 1, big, src, r, v, ~v, v, KeyMode::kIgnore, Flip::kNone, 300);
      dst.DrawRotateMask(7, v, big, 1, src, src.BoundsRect(), v, 0, 3, Flip::kVertical, mask, 255);
      dst.StretchAlpha(r, src, src.BoundsRect(), KeyMode::kIgnore, Flip::kBoth, 100);
      dst.StretchMaskAdd(src.BoundsRect(), src, r, Flip::kNone, mask, 50);
      dst.StretchIndexedAdd(r, eight, r, v, Flip::kBoth, 255, pal256);
      dst.Tile(r, v, v, src, src.BoundsRect(), KeyMode::kIgnore, v, v);
      dst.TileMaskAdd(dst.BoundsRect(), -100, -100, src, src.BoundsRect(), mask, 255, v, v);
      dst.TileStretch(r, v, v, big, 1, src, src.BoundsRect(), KeyMode::kIgnore, Flip::kNone, 255, v,
                      v);
      dst.TileStretchMask(dst.BoundsRect(), 1, 1, 1, 1, src, src.BoundsRect(), mask, Flip::kNone,
                          400, v, v);
      dst.FillPatternZoom(r, 1, big, src, v, v, KeyMode::kIgnore, Flip::kBoth, 100);
      dst.FillPatternZoomMask(r, big, 1, src, v, ~v, Flip::kNone, mask, 600);
      dst.FramePattern(r, v, src, v, v);
      dst.DrawCoverage(v, v, one, r, 0xFFFFFF, Flip::kBoth, 255, 4);
      dst.DrawCoverage3(v, 0, four, r, {1, 2, 3}, Flip::kHorizontal, 511, 3);
      dst.DrawNibbles(v, 0, four, r, Flip::kVertical, 300, pal16);
      dst.FillRectAlpha(r, 5, v);
      dst.FrameRectAdd(r, v, 1);
      dst.UnionClip(r);
      dst.ResetClip();
    }
  }
  SUCCEED();
}

}  // namespace
}  // namespace vesk::graphics
