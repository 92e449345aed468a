// The surface itself: formats and their queries, sizes that must be
// refused, colours, palettes, whole copies, and the wave proxy's forwarding.
#include <gtest/gtest.h>

#include <climits>

#include "graphics/dibsfc.h"
#include "surface_util.h"

namespace vesk::graphics {
namespace {

using testing::Random;
using testing::SamePixels;

TEST(Formats, QueriesDescribeEachLayout) {
  struct Want {
    int bits, raw;
    uint32_t r, g, b;
    int rs, gs;
    ptrdiff_t stride;  // for 5 pixels
  };
  for (const Want& w :
       {Want{15, 16, 0x7C00, 0x03E0, 0x1F, 10, 5, 12},
        Want{16, 16, 0xF800, 0x07E0, 0x1F, 11, 5, 12},
        Want{24, 24, 0xFF0000, 0xFF00, 0xFF, 16, 8, 16},
        Want{32, 32, 0xFF0000, 0xFF00, 0xFF, 16, 8, 20}, Want{8, 8, 0, 0, 0, 16, 8, 8},
        Want{4, 4, 0, 0, 0, 16, 8, 4}, Want{1, 1, 0, 0, 0, 16, 8, 4}}) {
    TDIBX s(5, 2, w.bits);
    EXPECT_EQ(s.BitCount(), w.bits);
    EXPECT_EQ(s.RawBitCount(), w.raw);
    EXPECT_EQ(s.RedMask(), w.r);
    EXPECT_EQ(s.GreenMask(), w.g);
    EXPECT_EQ(s.BlueMask(), w.b);
    EXPECT_EQ(s.BlueShift(), 0);
    if (w.bits > 8) {
      EXPECT_EQ(s.RedShift(), w.rs);
      EXPECT_EQ(s.GreenShift(), w.gs);
    }
    EXPECT_EQ(s.Stride(), w.stride) << w.bits;
    EXPECT_EQ(s.BytesPerPixel(), (w.bits + 7) / 8);
  }
}

TEST(Formats, SizesAndBitCountsThatCannotBeHeld) {
  TDIBX s;
  EXPECT_TRUE(s.IsEmpty());
  EXPECT_THROW(s.SetSize(-1, 10, 32), EGraphicsError);
  EXPECT_THROW(s.SetSize(10, INT_MIN, 32), EGraphicsError);
  EXPECT_THROW(s.SetSize(TDIBX::kMaxSidePx + 1, 1, 8), EGraphicsError);
  EXPECT_THROW(s.SetSize(TDIBX::kMaxSidePx, TDIBX::kMaxSidePx, 32), EGraphicsError);
  EXPECT_THROW(s.SetSize(4, 4, 12), EGraphicsError);
  EXPECT_TRUE(s.IsEmpty()) << "a refused size leaves the surface as it was";
  s.SetSize(0, 5, 16);
  EXPECT_TRUE(s.IsEmpty());
  EXPECT_EQ(s.PixelPtr(0, 0), nullptr);
  s.SetSize(3, 3, 0);  // 0 keeps the bit count
  EXPECT_EQ(s.BitCount(), 16);
  s.SetBitCount(15);
  EXPECT_EQ(s.Width(), 3);
  EXPECT_EQ(s.GreenMask(), 0x03E0u);
  s.Clear();
  EXPECT_TRUE(s.IsEmpty());
}

TEST(Formats, PixelsOutsideTheSurfaceReadZeroAndIgnoreWrites) {
  for (int bits : {1, 4, 8, 15, 16, 24, 32}) {
    TDIBX s(3, 2, bits);
    s.Fill(1);
    for (auto [x, y] : {std::pair{-1, 0}, {3, 0}, {0, -1}, {0, 2}, {INT_MIN, INT_MAX}}) {
      EXPECT_EQ(s.GetPixel(x, y), 0u);
      s.SetPixel(x, y, 0);
      EXPECT_EQ(s.PixelPtr(x, y), nullptr);
    }
    EXPECT_EQ(testing::Pixels(s), std::vector<uint32_t>(6, 1)) << bits;
    EXPECT_NE(s.PixelPtr(2, 1), nullptr);
  }
}

TEST(Colours, ColorToPixelPlacesEachChannel) {
  const int32_t colour = 0x00336699;  // blue 0x33, green 0x66, red 0x99
  EXPECT_EQ(TDIBX(1, 1, 32).ColorToPixel(colour), 0x996633);
  EXPECT_EQ(TDIBX(1, 1, 16).ColorToPixel(colour), (0x99 >> 3) << 11 | (0x66 >> 2) << 5 | 0x33 >> 3);
  EXPECT_EQ(TDIBX(1, 1, 15).ColorToPixel(colour), (0x99 >> 3) << 10 | (0x66 >> 3) << 5 | 0x33 >> 3);
  EXPECT_EQ(TDIBX(1, 1, 8).ColorToPixel(colour), colour) << "other formats keep the value";
  for (int bits : {8, 15, 16, 32}) EXPECT_EQ(TDIBX(1, 1, bits).ColorToPixel(-1), -1);
}

TEST(Colours, PaletteEntriesOutsideTheTableAreIgnored) {
  TDIBX s(2, 2, 8);
  Palette p;
  s.GetPalette(p);
  EXPECT_EQ(p[200], (PaletteEntry{200, 200, 200, 0})) << "fresh tables are a grey ramp";
  const std::vector<PaletteEntry> entries{{1, 2, 3, 0}, {4, 5, 6, 0}, {7, 8, 9, 0}};
  s.SetPaletteEntries(entries, 254);
  s.SetPaletteEntries(entries, -2);
  std::vector<PaletteEntry> out(4);
  s.GetPaletteEntries(out, 253);
  EXPECT_EQ(out[1], entries[0]);
  EXPECT_EQ(out[2], entries[1]);
  EXPECT_EQ(out[3], PaletteEntry{}) << "index 256 does not exist";
  s.GetPaletteEntries(out, 0);
  EXPECT_EQ(out[0], entries[2]);
}

TEST(Copies, AssignTakesSizeFormatPixelsAndPalette) {
  TDIBX src = Random(8, 5, 3, 1), dst(1, 1, 32);
  Palette p{};
  p[3] = PaletteEntry{9, 9, 9, 0};
  src.SetPalette(p);
  dst.Assign(src);
  EXPECT_EQ(dst.BitCount(), 8);
  EXPECT_TRUE(SamePixels(dst, src));
  Palette q;
  dst.GetPalette(q);
  EXPECT_EQ(q[3], p[3]);
}

TEST(Copies, SourcesOfAnotherFormatAreConvertedNotMisread) {
  TDIBX src(2, 1, 32), dst(2, 1, 16);
  src.SetPixel(0, 0, 0xFF0000);
  src.SetPixel(1, 0, 0x00FF00);
  dst.Draw(0, 0, src, src.BoundsRect(), KeyMode::kIgnore, Flip::kNone);
  EXPECT_EQ(dst.GetPixel(0, 0), 0xF800u);
  EXPECT_EQ(dst.GetPixel(1, 0), 0x07E0u);
}

// --- the wave proxy --------------------------------------------------------------------------

struct WaveSetup {
  TDIBX target;
  TDIBXWave wave;
  WaveSetup() : target(Random(32, 24, 12, 3)) {
    wave.SetTarget(&target);
    wave.SetSize(16, 6, 0);
    wave.SetOrigin(4, 3);
    wave.RowOffsets() = {0, 0, 2, 2, -3, 1};
  }
};

TEST(Wave, CopiesShiftEachRowAndSkipRowsOutsideTheOffsets) {
  WaveSetup w;
  const TDIBX before = testing::Copy(w.target);
  const TDIBX src = Random(32, 10, 12, 4);
  w.target.SetClipRect(Rect{1, 0, 20, 12});
  w.wave.Draw(5, 0, src, src.BoundsRect(), KeyMode::kIgnore, Flip::kNone);
  EXPECT_EQ(w.target.ClipRect(), (Rect{1, 0, 20, 12})) << "the target's clip is restored";
  for (int y = 0; y < 12; ++y) {
    const bool in_rows = y >= 3 && y < 9;
    const int off = in_rows ? w.wave.RowOffsets()[size_t(y - 3)] : 0;
    for (int x = 0; x < 24; ++x) {
      const int sx = x - 5 - off;
      const bool drawn = in_rows && sx >= 0 && sx < 10 && x >= 1 && x < 20;
      EXPECT_EQ(w.target.GetPixel(x, y), drawn ? src.GetPixel(sx, y) : before.GetPixel(x, y))
          << x << "," << y;
    }
  }
}

TEST(Wave, FillsAndRotationsFollowTheSameRows) {
  WaveSetup w;
  const TDIBX before = testing::Copy(w.target);
  // The direct drawing goes onto a colour the source never has, so what it
  // drew is plain to see.
  TDIBX src = Random(32, 7, 5, 8), direct(24, 12, 32);
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 7; ++x) src.SetPixel(x, y, src.GetPixel(x, y) & 0x7F7F7F);
  }
  const uint32_t blank = 0x808080;
  direct.Fill(blank);
  direct.DrawRotate(12, 6, 300, 256, src, src.BoundsRect(), 3, 2, 17, KeyMode::kIgnore, Flip::kNone,
                    255);
  w.wave.DrawRotate(12, 6, 300, 256, src, src.BoundsRect(), 3, 2, 17, KeyMode::kIgnore, Flip::kNone,
                    255);
  for (int y = 0; y < 12; ++y) {
    const bool in_rows = y >= 3 && y < 9;
    const int off = in_rows ? w.wave.RowOffsets()[size_t(y - 3)] : 0;
    for (int x = 0; x < 24; ++x) {
      const uint32_t moved = direct.GetPixel(x - off, y);  // 0 outside
      const bool drawn = in_rows && x - off >= 0 && x - off < 24 && moved != blank;
      EXPECT_EQ(w.target.GetPixel(x, y), drawn ? moved : before.GetPixel(x, y)) << x << "," << y;
    }
  }
  w.wave.Fill(0x123456);
  for (int y = 0; y < 12; ++y) {
    const bool in_rows = y >= 3 && y < 9;
    const int off = in_rows ? w.wave.RowOffsets()[size_t(y - 3)] : 0;
    for (int x = 0; x < 24; ++x) {
      const bool filled = in_rows && x >= 4 + off && x < 20 + off;
      if (filled) {
        EXPECT_EQ(w.target.GetPixel(x, y), 0x123456u) << x << "," << y;
      } else if (!in_rows) {
        EXPECT_NE(w.target.GetPixel(x, y), 0x123456u) << x << "," << y;
      }
    }
  }
}

TEST(Wave, ClipCallsReachBothAndFormatComesFromTheTarget) {
  WaveSetup w;
  EXPECT_EQ(w.wave.BitCount(), 32);
  EXPECT_EQ(w.wave.ColorToPixel(0x0000FF), 0xFF0000);
  EXPECT_EQ(w.wave.Target(), &w.target);
  w.wave.UnionClip(Rect{0, 0, 6, 5});
  EXPECT_EQ(w.target.ClipRect(), (Rect{0, 0, 6, 5}));
  EXPECT_EQ(w.wave.ClipRect(), (Rect{4, 3, 6, 5})) << "the proxy covers its origin and size";
  // The proxy's clip limits what reaches the target.
  const TDIBX before = testing::Copy(w.target);
  w.target.ResetClip();
  w.wave.FillRect(Rect{0, 0, 24, 12}, 0);
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 24; ++x) {
      const bool cleared = x >= 4 && x < 6 && y >= 3 && y < 5;
      EXPECT_EQ(w.target.GetPixel(x, y), cleared ? 0u : before.GetPixel(x, y)) << x << "," << y;
    }
  }
  w.wave.ResetClip();
  EXPECT_FALSE(w.wave.HasClipRect());
  EXPECT_FALSE(w.target.HasClipRect());
  w.wave.SetSize(16, 2, 0);
  EXPECT_EQ(w.wave.RowOffsets().size(), 2u) << "SetSize resizes the offsets";
  EXPECT_THROW(w.wave.SetSize(-1, 2, 0), EGraphicsError);
}

TEST(Wave, WithoutATargetNothingHappens) {
  TDIBXWave wave;
  wave.SetSize(4, 4, 0);
  const TDIBX src = Random(32, 4, 4, 1);
  wave.Draw(0, 0, src, src.BoundsRect(), KeyMode::kIgnore, Flip::kNone);
  wave.Fill(1);
  EXPECT_EQ(wave.GetPixel(0, 0), 0u);
  EXPECT_EQ(wave.BitCount(), 0);
}

}  // namespace
}  // namespace vesk::graphics
