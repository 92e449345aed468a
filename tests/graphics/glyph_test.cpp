// Supersampled glyph reduction and the palette-driven copies, checked per
// pixel against their formulas on every working format.
#include <gtest/gtest.h>

#include "graphics/dibsfc.h"
#include "surface_util.h"

namespace vesk::graphics {
namespace {

using testing::ChannelMasks;
using testing::Copy;
using testing::FormulaAddScaled;
using testing::FormulaBlend;
using testing::Random;
using testing::SamePixels;

// Samples of the factor x factor block of destination pixel (i, j) by class
// (two low bits), the block mirrored by the flips.
std::array<uint32_t, 4> Counts(const TDIBX& src, const Rect& sr, int i, int j, int factor,
                               Flip flip) {
  const int bw = sr.Width() / factor, bh = sr.Height() / factor;
  const int bi = FlipsH(flip) ? bw - 1 - i : i, bj = FlipsV(flip) ? bh - 1 - j : j;
  std::array<uint32_t, 4> c{};
  for (int y = 0; y < factor; ++y) {
    for (int x = 0; x < factor; ++x) {
      ++c[src.GetPixel(sr.left + bi * factor + x, sr.top + bj * factor + y) & 3];
    }
  }
  return c;
}

class Coverage : public ::testing::TestWithParam<int> {};

TEST_P(Coverage, InkCountsMixTheColourInSixteenths) {
  const int bits = GetParam();
  const TDIBX src = Random(1, 20, 13, 5);  // 0 bits are ink
  const Rect sr{2, 1, 18, 13};             // 4 x 3 blocks of 4 x 4
  const uint32_t v = testing::AllMasks(bits) & 0x00C3A5E7;
  for (int alpha : {255, 100}) {
    for (Flip flip : {Flip::kNone, Flip::kHorizontal, Flip::kVertical}) {
      SCOPED_TRACE(::testing::Message() << "alpha " << alpha << " flip " << int(flip));
      TDIBX got = Random(bits, 7, 5, 6), want = Copy(got);
      for (int j = 0; j < 3; ++j) {
        for (int i = 0; i < 4; ++i) {
          uint64_t c = Counts(src, sr, i, j, 4, flip)[0];
          if (alpha < 255) c = (uint64_t(alpha) * c) >> 8;
          const uint32_t d = got.GetPixel(2 + i, 1 + j);
          uint32_t out = 0;
          for (uint64_t m : ChannelMasks(bits))
            out |= uint32_t(((v & m) * c + (d & m) * (16 - c)) >> 4 & m);
          want.SetPixel(2 + i, 1 + j, out);
        }
      }
      got.DrawCoverage(2, 1, src, sr, v, flip, alpha, 4);
      EXPECT_TRUE(SamePixels(got, want));
    }
  }
}

TEST_P(Coverage, ThreeClassGlyphsWeighBodyEdgeAndShadow) {
  const int bits = GetParam();
  TDIBX src = Random(4, 16, 8, 7);
  // Whole blocks of one class: 0 (skipped), 1 and 2 (written as is at 255).
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      src.SetPixel(x, y, 0x4);
      src.SetPixel(4 + x, y, 0x5);
      src.SetPixel(8 + x, y, 0xA);
    }
  }
  const uint32_t all = testing::AllMasks(bits);
  const std::array<uint32_t, 3> colours{all & 0x123456, all & 0xFEDCBA, all & 0x0F0F0F};
  for (int blend : {255, 128, 300}) {
    SCOPED_TRACE(::testing::Message() << "blend " << blend);
    TDIBX got = Random(bits, 4, 2, 8), want = Copy(got);
    for (int j = 0; j < 2; ++j) {
      for (int i = 0; i < 4; ++i) {
        const auto c = Counts(src, src.BoundsRect(), i, j, 4, Flip::kNone);
        if (c[0] == 16) continue;
        const uint64_t d = got.GetPixel(i, j);
        if (blend == 255 && (c[1] == 16 || c[2] == 16)) {
          want.SetPixel(i, j, colours[c[1] == 16 ? 0 : 1]);
          continue;
        }
        const uint64_t scale = blend == 255 ? 256 : uint64_t(blend & 0xFF);
        const uint64_t w1 = scale * c[1], w2 = scale * c[2], w3 = scale * c[3];
        uint32_t out = 0;
        for (uint64_t m : ChannelMasks(bits)) {
          uint64_t sum = (colours[0] & m) * w1 + (colours[1] & m) * w2 + (colours[2] & m) * w3;
          if (blend > 255) {
            sum = std::min(sum + (d & m) * 4096, m << 12);
          } else {
            sum += (d & m) * (4096 - w1 - w2 - w3);
          }
          out |= uint32_t((sum >> 12) & m);
        }
        want.SetPixel(i, j, out);
      }
    }
    got.DrawCoverage3(0, 0, src, src.BoundsRect(), colours, Flip::kNone, blend, 4);
    EXPECT_TRUE(SamePixels(got, want));
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, Coverage, ::testing::Values(8, 15, 16, 32),
                         ::testing::PrintToStringParamName());

TEST(CoverageEdges, WrongSourceDepthOrFactorDrawsNothing) {
  TDIBX dst = Random(32, 4, 4, 1);
  const auto before = testing::Pixels(dst);
  const TDIBX eight = Random(8, 16, 16, 2), one = Random(1, 16, 16, 3);
  dst.DrawCoverage(0, 0, eight, eight.BoundsRect(), 0xFFFFFF, Flip::kNone, 255, 4);
  dst.DrawCoverage3(0, 0, one, one.BoundsRect(), {1, 2, 3}, Flip::kNone, 255, 4);
  dst.DrawCoverage(0, 0, one, one.BoundsRect(), 0xFFFFFF, Flip::kNone, 255, 0);
  dst.DrawCoverage(0, 0, one, one.BoundsRect(), 0xFFFFFF, Flip::kNone, 0, 4);
  EXPECT_EQ(testing::Pixels(dst), before);
}

TEST(CoverageEdges, BlocksReachingOutsideTheSourceAreNotDrawn) {
  TDIBX src(8, 8, 1);  // all ink
  TDIBX dst(4, 4, 32);
  dst.DrawCoverage(0, 0, src, Rect{-4, 4, 8, 12}, 0xFFFFFF, Flip::kNone, 255, 4);
  // Blocks (1, 0) and (2, 0) lie wholly inside: source x 0..7, y 4..7.
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      EXPECT_EQ(dst.GetPixel(x, y), (x == 1 || x == 2) && y == 0 ? 0xFFFFFFu : 0u);
    }
  }
}

// --- palette-driven copies --------------------------------------------------------------

class Indexed : public ::testing::TestWithParam<int> {};

TEST_P(Indexed, NibblesFollowTheBlendValue) {
  const int bits = GetParam();
  const uint32_t all = testing::AllMasks(bits);
  TDIBX src = Random(4, 9, 3, 11);
  src.SetColorKey(5);
  std::array<uint32_t, 16> pal{};
  for (int i = 0; i < 16; ++i) pal[i] = (0x9E3779B9u * uint32_t(i + 1)) & all;
  pal[3] = 0;
  for (int blend : {255, 90, 400}) {
    SCOPED_TRACE(::testing::Message() << "blend " << blend);
    TDIBX got = Random(bits, 10, 4, 12);
    got.SetPixel(1, 1, all);  // white destination
    got.SetPixel(2, 1, pal[src.GetPixel(1, 0)]);
    const TDIBX before = Copy(got);
    TDIBX want = Copy(got);
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < 9; ++x) {
        const uint32_t idx = src.GetPixel(x, y), c = pal[idx], d = before.GetPixel(x + 1, y + 1);
        uint32_t out = d;
        if (idx == 5) {
        } else if (blend == 255) {
          out = c;
        } else if (blend > 255) {
          if (c != 0 && (d & all) != all)
            out = bits <= 8 ? std::min(255u, c + d) : FormulaAddScaled(c, d, blend & 0xFF, bits);
        } else if (c != d) {
          out = FormulaBlend(c, d, uint32_t(blend), bits);
        }
        want.SetPixel(x + 1, y + 1, out);
      }
    }
    got.DrawNibbles(1, 1, src, src.BoundsRect(), Flip::kNone, blend, pal);
    EXPECT_TRUE(SamePixels(got, want));
  }
}

TEST_P(Indexed, IndexedAddSkipsBelowTheThresholdAndStretches) {
  const int bits = GetParam();
  const uint32_t all = testing::AllMasks(bits);
  const TDIBX src = Random(8, 6, 4, 21);
  std::array<uint32_t, 256> pal{};
  for (int i = 0; i < 256; ++i) pal[i] = (0x01010101u * uint32_t(i)) & all;
  TDIBX got = Random(bits, 12, 8, 22), big = Copy(got);
  const TDIBX before = Copy(got);
  got.DrawIndexedAdd(0, 0, src, src.BoundsRect(), 100, Flip::kNone, 200, pal);
  big.StretchIndexedAdd(big.BoundsRect(), src, src.BoundsRect(), 100, Flip::kNone, 200, pal);
  auto rule = [&](uint32_t idx, uint32_t d) {
    if (idx < 100) return d;
    return bits <= 8 ? std::min(255u, pal[idx] + d) : FormulaAddScaled(pal[idx], d, 200, bits);
  };
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 12; ++x) {
      const uint32_t d = before.GetPixel(x, y);
      EXPECT_EQ(got.GetPixel(x, y), x < 6 && y < 4 ? rule(src.GetPixel(x, y), d) : d);
      EXPECT_EQ(big.GetPixel(x, y), rule(src.GetPixel(x / 2, y / 2), d));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, Indexed, ::testing::Values(8, 15, 16, 32),
                         ::testing::PrintToStringParamName());

}  // namespace
}  // namespace vesk::graphics
