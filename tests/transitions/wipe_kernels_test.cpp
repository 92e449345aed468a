// The vectorised row loops against plain per-pixel forms of the same rules,
// in every working format, over rows long enough for the vector bodies and
// with odd ends and starts for their tails.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "graphics/dibsfc.h"
#include "graphics/dibsfc_kernels.h"
#include "transitions/wipe_geo_rows.h"
#include "transitions/wipe_geo_support.h"
#include "transitions/wipe_kernels.h"
#include "transitions/wipe_support.h"

namespace vesk::transitions {
namespace {

using graphics::TDIBX;
namespace gd = graphics::detail;

constexpr int kWidth = 203, kHeight = 3;

uint32_t Next(uint32_t& seed) {
  seed = seed * 1103515245u + 12345u;
  return seed >> 8;
}

TDIBX Noise(int bits, uint32_t seed) {
  TDIBX s(kWidth, kHeight, bits);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      s.SetPixel(x, y, uint32_t(s.ColorToPixel(int32_t(Next(seed) & 0xFFFFFF))));
  return s;
}

std::vector<uint32_t> Pixels(const TDIBX& s) {
  std::vector<uint32_t> out;
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x) out.push_back(s.GetPixel(x, y));
  return out;
}

TEST(WipeKernels, RuleMaskRowsClampTheShiftedLevels) {
  std::vector<uint8_t> levels(300), out(300);
  for (size_t i = 0; i < levels.size(); ++i) levels[i] = uint8_t(i * 7);
  for (const int32_t offset : {-300, -256, -255, -100, -1, 0, 1, 100, 255, 256, 300}) {
    RuleMaskRow(out.data(), levels.data(), int(levels.size()), offset);
    const int32_t cut = std::clamp(offset, -256, 256);
    for (size_t i = 0; i < levels.size(); ++i)
      ASSERT_EQ(out[i], std::clamp(levels[i] + cut, 0, 255)) << "offset " << offset << " at " << i;
  }
}

TEST(WipeKernels, RuleGreyRowsComputeWhatTheGreyTableHolds) {
  // The working formats compute grey(v) instead of looking it up; both
  // must draw the same pixels for levels before, inside and past the turn.
  uint32_t seed = 7;
  std::vector<uint8_t> levels(kWidth);
  for (uint8_t& v : levels) v = uint8_t(Next(seed));
  levels[0] = 0;
  levels[1] = 255;
  for (const int bits : {32, 16, 15}) {
    const TDIBX from = Noise(bits, 1), to = Noise(bits, 2);
    const GreyTable greys = MakeGreyTable(from);
    ASSERT_TRUE(IsFormulaGreyTable(greys.data(), bits));
    for (const GreyOp op : {GreyOp::kAdd, GreyOp::kSub})
      for (const int32_t u : {0, 1, 200, 256, 300, 511, 600, 767, 768}) {
        TDIBX fast(kWidth, kHeight, bits), table(kWidth, kHeight, bits);
        for (int y = 0; y < kHeight; ++y) {
          const int x0 = y, n = kWidth - 2 * y;  // odd starts and lengths
          RuleGreyRow(fast.View(), from.View(), to.View(), levels.data(), y, x0, n, u, greys.data(),
                      true, op);
          RuleGreyRow(table.View(), from.View(), to.View(), levels.data(), y, x0, n, u,
                      greys.data(), false, op);
        }
        EXPECT_EQ(Pixels(fast), Pixels(table))
            << bits << " bits, u=" << u << (op == GreyOp::kAdd ? " add" : " sub");
      }
  }
}

TDIBX EqualInPlaces(TDIBX s, const TDIBX& like) {
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; x += 5) s.SetPixel(x, y, like.GetPixel(x, y));
  return s;
}

// Every weight, with some pixels equal in both pictures (the fade keeps
// those as they are).
template <class F>
void ExpectBlendRowsMatchThePixelBlend() {
  using W = typename F::Word;
  const TDIBX from = Noise(F::kBits, 3), to = EqualInPlaces(Noise(F::kBits, 4), from);
  std::vector<uint8_t> mask(kWidth);
  for (int x = 0; x < kWidth; ++x) mask[size_t(x)] = uint8_t(x * 37 + x / 7);
  mask[3] = 0;
  mask[4] = 255;
  const auto f = [&](int x, int y) { return W(from.GetPixel(x, y)); };
  const auto t = [&](int x, int y) { return W(to.GetPixel(x, y)); };
  TDIBX out(kWidth, kHeight, F::kBits);
  for (int y = 0; y < kHeight; ++y) {
    ComposeMaskRow(out.View(), from.View(), to.View(), mask.data(), y, y, kWidth - 2 * y,
                   MaskRule::kBlend);
    for (int x = y; x < kWidth - y; ++x) {
      const uint32_t m = mask[size_t(x)];
      const W want = m == 0 ? f(x, y) : m == 255 ? t(x, y) : gd::BlendPixel<F>(t(x, y), f(x, y), m);
      ASSERT_EQ(out.GetPixel(x, y), want) << F::kBits << " bits, mask " << m << " at " << x;
    }
  }
  for (const uint32_t alpha : {0u, 1u, 77u, 128u, 254u, 255u}) {
    for (int y = 0; y < kHeight; ++y) {
      AlphaSpan(out.View(), from.View(), to.View(), FadeSpan{y, 1, y, 1, kWidth - 1 - y}, alpha);
      for (int x = 1; x < kWidth - y; ++x) {
        const W want = t(x, y) == f(x, y) ? f(x, y) : gd::BlendPixel<F>(t(x, y), f(x, y), alpha);
        ASSERT_EQ(out.GetPixel(x, y), want) << F::kBits << " bits, alpha " << alpha << " at " << x;
      }
    }
  }
}

TEST(WipeKernels, BlendRowsMatchThePixelBlend) {
  ExpectBlendRowsMatchThePixelBlend<gd::Fmt32>();
  ExpectBlendRowsMatchThePixelBlend<gd::Fmt16>();
  ExpectBlendRowsMatchThePixelBlend<gd::Fmt15>();
}

template <class F>
void ExpectLevelOffsetsMatchTheGreyPixel() {
  for (uint32_t d = 0; d < 0x10000; d += 11)
    for (uint32_t level = 0; level < 256; ++level) {
      const auto grey = geo::GreyOf<F>(level);
      ASSERT_EQ((geo::OffsetByLevel16<F, false>(uint16_t(d), uint16_t(level))),
                geo::AddGrey<F>(uint16_t(d), grey))
          << F::kBits << " bits, d=" << d << " level=" << level;
      ASSERT_EQ((geo::OffsetByLevel16<F, true>(uint16_t(d), uint16_t(level))),
                geo::SubGrey<F>(uint16_t(d), grey))
          << F::kBits << " bits, d=" << d << " level=" << level;
    }
}

TEST(WipeKernels, LevelOffsetsEqualAddingTheGreyPixel) {
  ExpectLevelOffsetsMatchTheGreyPixel<gd::Fmt16>();
  ExpectLevelOffsetsMatchTheGreyPixel<gd::Fmt15>();
}

template <class F, class Row>
void ExpectBrightenMatchesThePixelRule(Row row) {
  using W = typename F::Word;
  uint32_t seed = 11;
  std::vector<W> source(kWidth), out(kWidth);
  std::vector<uint16_t> dist(kWidth);
  for (int x = 0; x < kWidth; ++x) {
    source[size_t(x)] = W(Next(seed));
    if constexpr (F::kBits == 32) source[size_t(x)] &= 0xFFFFFF;
    if constexpr (F::kBits == 15) source[size_t(x)] &= 0x7FFF;
    dist[size_t(x)] = uint16_t(Next(seed) % 1200);
  }
  for (const int32_t b : {0, 100, 255, 256, 511, 700, 1800}) {
    row(out.data(), source.data(), dist.data(), kWidth, b);
    for (int x = 0; x < kWidth; ++x) {
      const int32_t e = b - int32_t(dist[size_t(x)]);
      const int32_t level = std::clamp(std::min(e, 511 - e), 0, 255);
      ASSERT_EQ(out[size_t(x)], geo::AddGrey<F>(source[size_t(x)], geo::GreyOf<F>(level)))
          << F::kBits << " bits, b=" << b << " x=" << x;
    }
  }
}

TEST(WipeKernels, SpotRowsBrightenByTheRingLevel) {
  ExpectBrightenMatchesThePixelRule<gd::Fmt32>(geo::BrightenRow32);
  ExpectBrightenMatchesThePixelRule<gd::Fmt16>(geo::BrightenRow16);
  ExpectBrightenMatchesThePixelRule<gd::Fmt15>(geo::BrightenRow15);
}

}  // namespace
}  // namespace vesk::transitions
