// The renderer's compositing rules, checked pixel by pixel on hand-made
// glyphs whose coverage is known, and on real glyphs where placement matters.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "text/fontpixels.h"
#include "text/fontpixels_test_util.h"

namespace vesk::text {
namespace {

using testing::MakeManager;
using testing::SolidGlyph;

constexpr uint16_t kKanjiA = 0x889F;  // "亜"

// A manager whose font never decides anything: hand-made glyphs fill their
// cells, so no ink centre is looked up.
std::unique_ptr<TFontPixelManager> FakeManager() {
  return std::make_unique<TFontPixelManager>(
      std::make_unique<testing::FakeFontLibrary>(std::make_shared<testing::FakeFont>()));
}

TEST(GlyphRenderTest, BorderAndShadowGrowTheDrawnRectangle) {
  auto m = MakeManager();
  const auto g = m->Get(kKanjiA, kDefaultFace, 0, 24);
  graphics::TDIBX color(64, 64, 32), mask(64, 64, 8);
  const Rect cell = Rect::FromSize(4, 4, 24, 24);
  const Rect plain = m->Render(*g, color, mask, {}, {}, cell);
  EXPECT_EQ(plain.Width(), g->Bitmap.Width());
  EXPECT_EQ(plain.Height(), g->Bitmap.Height());
  RenderOptions border;
  border.border_px = 2;
  const Rect bordered = m->Render(*g, color, mask, {}, border, cell);
  EXPECT_EQ(bordered.left, plain.left);
  EXPECT_EQ(bordered.top, plain.top);
  EXPECT_EQ(bordered.Width(), plain.Width() + 4);
  EXPECT_EQ(bordered.Height(), plain.Height() + 4);
  border.shadow_px = 3;
  const Rect shadowed = m->Render(*g, color, mask, {}, border, cell);
  EXPECT_EQ(shadowed.Width(), plain.Width() + 7);
  EXPECT_EQ(shadowed.Height(), plain.Height() + 7);
}

TEST(GlyphRenderTest, OverlappingStampsCompositeTheirCoverage) {
  auto m = FakeManager();
  // A shadow 1 px off the body: where they overlap, two stamps of 128.
  const TFontPixel g = SolidGlyph(4, 4, 128);
  graphics::TDIBX color(8, 8, 32), mask(8, 8, 8);
  RenderOptions shadow;
  shadow.shadow_px = 1;
  m->Render(g, color, mask, {0x000000, 0, 0xFFFFFF}, shadow, Rect::FromSize(0, 0, 4, 4));
  EXPECT_EQ(mask.GetPixel(0, 0), 128u);  // body only
  EXPECT_EQ(mask.GetPixel(4, 4), 128u);  // shadow only
  EXPECT_EQ(mask.GetPixel(2, 2), 128u + 128u * 127u / 255u);
  EXPECT_EQ(mask.GetPixel(2, 2), 191u);
}

TEST(GlyphRenderTest, ANarrowLetterSitsAtItsInkCentreInASquareCell) {
  auto m = MakeManager();
  for (char letter : {'o', 'i', 'W', 'l'}) {
    const auto g = m->Get(uint16_t(letter), kDefaultFace, 0, 24);
    ASSERT_TRUE(g->HasInk());
    graphics::TDIBX color(64, 32, 32), mask(64, 32, 8);
    const Rect cell = Rect::FromSize(8, 0, 24, 24);
    const Rect drawn = m->Render(*g, color, mask, {}, {}, cell);
    EXPECT_GE(drawn.left, cell.left + g->OriginX) << letter << ": left of its origin";
    EXPECT_LE(drawn.right, cell.right) << letter;
    // Symmetric letters end up centred in the cell (within rounding).
    if (letter == 'o' || letter == 'i' || letter == 'l') {
      const double ink_centre = (drawn.left + drawn.right) / 2.0;
      EXPECT_NEAR(ink_centre, (cell.left + cell.right) / 2.0, 1.5) << letter;
    }
  }
  // A kanji fills its cell: no shift.
  const auto wide = m->Get(kKanjiA, kDefaultFace, 0, 24);
  graphics::TDIBX color(64, 32, 32), mask(64, 32, 8);
  const Rect drawn = m->Render(*wide, color, mask, {}, {}, Rect::FromSize(8, 0, 24, 24));
  EXPECT_EQ(drawn.left, 8 + wide->OriginX);
}

TEST(GlyphRenderTest, ABorderMakesEdgePixelsOpaqueMixesOfTextAndBorder) {
  auto m = MakeManager();
  m->Level = 3;
  const auto g = m->Get(kKanjiA, kDefaultFace, 0, 24);
  const uint32_t text = 0xF0C080, border = 0x102040;
  const Rect cell = Rect::FromSize(2, 2, 24, 24);
  graphics::TDIBX plain_c(32, 32, 32), plain_m(32, 32, 8), border_c(32, 32, 32),
      border_m(32, 32, 8);
  const Rect at = m->Render(*g, plain_c, plain_m, {0, 0, text}, {}, cell);
  RenderOptions one;
  one.border_px = 1;
  m->Render(*g, border_c, border_m, {0, border, text}, one, cell);
  int partial = 0;
  for (int y = 0; y < g->Bitmap.Height(); ++y) {
    for (int x = 0; x < g->Bitmap.Width(); ++x) {
      const uint32_t v = g->Bitmap.GetPixel(x, y);
      if (v == 0 || v == 255) continue;
      ++partial;
      // Without a border the coverage stays partial.
      EXPECT_EQ(plain_m.GetPixel(at.left + x, at.top + y), v);
      EXPECT_EQ(plain_c.GetPixel(at.left + x, at.top + y), text);
      // With one it is opaque and the colour a mix against the border.
      const int bx = at.left + 1 + x, by = at.top + 1 + y;
      ASSERT_EQ(border_m.GetPixel(bx, by), 255u);
      uint32_t want = 0;
      for (int shift : {0, 8, 16}) {
        const uint32_t t = (text >> shift) & 255, b = (border >> shift) & 255;
        want |= ((v * t + (255 - v) * b) >> 8) << shift;
      }
      EXPECT_EQ(border_c.GetPixel(bx, by), want) << x << "," << y << " v=" << v;
    }
  }
  EXPECT_GT(partial, 10);
}

// One stamp of coverage v in colour k over a pixel c with mask value m0,
// channel by channel in the surface's format.
class StampFormula : public ::testing::TestWithParam<int> {};

TEST_P(StampFormula, MixesEachChannelByItsShareOfTheMask) {
  const int bits = GetParam();
  auto m = FakeManager();
  graphics::TDIBX color(6, 6, bits), mask(6, 6, 8);
  const uint32_t k = uint32_t(color.ColorToPixel(0x3080F0));
  const uint32_t c0 = uint32_t(color.ColorToPixel(0x20D010));
  for (uint32_t m0 : {0u, 60u, 200u}) {
    for (uint32_t v : {1u, 100u, 254u, 255u}) {
      color.Fill(c0);
      mask.Fill(m0);
      // A shadow of 1 makes the body a compositing stamp.
      RenderOptions shadow;
      shadow.shadow_px = 1;
      m->Render(SolidGlyph(2, 2, uint8_t(v)), color, mask, {c0, 0, k}, shadow,
                Rect::FromSize(0, 0, 2, 2));
      // (0, 0) is the body only; the shadow, drawn in the old colour, sits at (1, 1) on.
      uint32_t want_m = 255, want_c = k;
      if (v != 255) {
        want_m = m0 + v * (255 - m0) / 255;
        const uint32_t f = v * 255 / want_m;
        want_c = 0;
        for (uint32_t mask_bits : {color.RedMask(), color.GreenMask(), color.BlueMask()}) {
          const int shift = __builtin_ctz(mask_bits);
          const uint32_t top = mask_bits >> shift;
          const uint32_t kc = (k >> shift) & top, cc = (c0 >> shift) & top;
          want_c |= (((f * kc + (255 - f) * cc) >> 8) & top) << shift;
        }
      }
      EXPECT_EQ(mask.GetPixel(0, 0), want_m) << "m0=" << m0 << " v=" << v;
      EXPECT_EQ(color.GetPixel(0, 0), want_c) << "m0=" << m0 << " v=" << v;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, StampFormula, ::testing::Values(15, 16, 24, 32));

// Bars of a run of three 8 x 16 cells with border 1 and shadow 1: the body
// bar ends 1 px early at the run's end and the shadow bar starts 1 px late
// at its start, and both join across the cells.
TEST(GlyphRenderTest, BarsOfARunJoinWithoutGaps) {
  auto m = FakeManager();
  TFontPixel g = SolidGlyph(8, 4, 255);
  g.UnderlineSize = 2;
  g.StrikeSize = 1;
  g.StrikePos = 6;
  const uint32_t shadow = 0x111111, border = 0x2222FF, text = 0xEEEEEE;
  graphics::TDIBX color(32, 20, 32), mask(32, 20, 8);
  color.Fill(0x999999);
  RenderOptions o;
  o.border_px = 1;
  o.shadow_px = 1;
  Rect drawn;
  for (int i = 0; i < 3; ++i) {
    o.left_differs = i == 0;
    o.right_differs = i == 2;
    const Rect r =
        m->Render(g, color, mask, {shadow, border, text}, o, Rect::FromSize(8 * i, 0, 8, 16));
    drawn = i == 0 ? r : drawn.Union(r);
  }
  // H = 16, B = 1, S = 1, US = 2: body bar rows 12..13, border strips 11 and
  // 14, the shadow block rows 12..15.
  for (int x = 0; x < 24; ++x) {
    const bool body = x < 23;
    EXPECT_EQ(color.GetPixel(x, 12), body ? text : shadow) << x;
    EXPECT_EQ(color.GetPixel(x, 13), body ? text : shadow) << x;
    EXPECT_EQ(color.GetPixel(x, 11), body ? border : 0x999999u) << x;
    EXPECT_EQ(color.GetPixel(x, 14), body ? border : shadow) << x;
    EXPECT_EQ(color.GetPixel(x, 15), x >= 1 ? shadow : 0x999999u) << x;
    EXPECT_EQ(mask.GetPixel(x, 15), x >= 1 ? 255u : 0u) << x;
    // Strike-out: body row StrikePos + B = 7, strips 6 and 8, shadow 7..9.
    EXPECT_EQ(color.GetPixel(x, 7), body ? text : shadow) << x;
    EXPECT_EQ(color.GetPixel(x, 6), body ? border : (x >= 1 ? shadow : 0x999999u)) << x;
  }
  EXPECT_EQ(drawn.left, 0);
  // The last glyph's box with its border and shadow reaches past the bars.
  EXPECT_EQ(drawn.right, 16 + 8 + 2 + 1);
  EXPECT_EQ(drawn.bottom, 16);
}

TEST(GlyphRenderTest, PlainBarsOnlyMarkTheMask) {
  auto m = FakeManager();
  TFontPixel g = SolidGlyph(4, 4, 255);
  g.UnderlineSize = 1;
  g.StrikeSize = 2;
  g.StrikePos = 8;
  graphics::TDIBX color(12, 12, 16), mask(12, 12, 8);
  const Rect drawn = m->Render(g, color, mask, {0, 0, 0xFFFF}, {}, Rect::FromSize(0, 0, 10, 12));
  for (int x = 0; x < 12; ++x) {
    EXPECT_EQ(mask.GetPixel(x, 11), x < 10 ? 255u : 0u) << x;
    EXPECT_EQ(mask.GetPixel(x, 8), x < 10 ? 255u : 0u) << x;
    EXPECT_EQ(mask.GetPixel(x, 9), x < 10 ? 255u : 0u) << x;
    EXPECT_EQ(color.GetPixel(x, 11), 0u) << x;
  }
  EXPECT_EQ(drawn, (Rect{0, 0, 10, 12}));
}

TEST(GlyphRenderTest, AnUnderlinedSpaceKeepsTheBarOfItsRun) {
  auto m = MakeManager();
  graphics::TDIBX color(72, 24, 32), mask(72, 24, 8);
  const char* text = "a b";
  for (int i = 0; i < 3; ++i) {
    const auto g = m->Get(uint16_t(text[i]), kDefaultFace, kStyleUnderline, 24);
    m->Render(*g, color, mask, {}, {}, Rect::FromSize(24 * i, 0, 24, 24));
  }
  const auto space = m->Get(' ', kDefaultFace, kStyleUnderline, 24);
  ASSERT_GT(space->UnderlineSize, 0);
  for (int x = 0; x < 72; ++x) EXPECT_EQ(mask.GetPixel(x, 23), 255u) << x;
  // Without decoration a space draws nothing.
  const auto bare = m->Get(' ', kDefaultFace, 0, 24);
  EXPECT_TRUE(m->Render(*bare, color, mask, {}, {}, Rect::FromSize(0, 0, 24, 24)).IsEmpty());
}

TEST(GlyphRenderTest, NothingOutsideTheClipRectangleChanges) {
  auto m = MakeManager();
  const auto g = m->Get(kKanjiA, kDefaultFace, kStyleUnderline | kStyleStrikeOut, 24);
  graphics::TDIBX color(40, 40, 32), mask(40, 40, 8);
  color.Fill(0x123456);
  const Rect clip{10, 10, 20, 20};
  color.SetClipRect(clip);
  RenderOptions o;
  o.border_px = 2;
  o.shadow_px = 2;
  m->Render(*g, color, mask, {1, 2, 3}, o, Rect::FromSize(2, 2, 30, 30));
  int inside = 0;
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 40; ++x) {
      if (clip.Contains(x, y)) {
        inside += mask.GetPixel(x, y) != 0;
        continue;
      }
      ASSERT_EQ(color.GetPixel(x, y), 0x123456u) << x << "," << y;
      ASSERT_EQ(mask.GetPixel(x, y), 0u) << x << "," << y;
    }
  }
  EXPECT_GT(inside, 0);
}

TEST(GlyphRenderTest, CellsOffTheSurfaceAndAbsurdDecorationsAreSafe) {
  auto m = MakeManager();
  const auto g = m->Get(kKanjiA, kDefaultFace, kStyleUnderline | kStyleStrikeOut, 24);
  graphics::TDIBX color(16, 16, 32), mask(16, 16, 8);
  graphics::TDIBX mask32(16, 16, 32);
  RenderOptions o;
  o.border_px = 3;
  o.shadow_px = 3;
  for (const Rect& cell : {Rect::FromSize(-20, -20, 24, 24), Rect::FromSize(10, 10, 24, 24),
                           Rect::FromSize(INT32_MAX - 5, 0, 24, 24),
                           Rect::FromSize(INT32_MIN, INT32_MIN, 24, 24), Rect{5, 5, 0, 0}})
    m->Render(*g, color, mask, {}, o, cell);
  o.border_px = 1 << 30;
  o.shadow_px = -7;
  const Rect r = m->Render(*g, color, mask, {}, o, Rect::FromSize(0, 0, 24, 24));
  EXPECT_LE(r.Width(), 24 + 2 * 16);
  // A mask that is not 8-bit is not drawn into.
  m->Render(*g, color, mask32, {}, {}, Rect::FromSize(0, 0, 24, 24));
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) ASSERT_EQ(mask32.GetPixel(x, y), 0u);
}

}  // namespace
}  // namespace vesk::text
