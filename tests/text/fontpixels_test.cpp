#include "text/fontpixels.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/font_library.h"
#include "text/fontpixels_test_util.h"

namespace vesk::text {
namespace {

using testing::MakeManager;
using testing::SolidGlyph;

// "亜" in CP932.
constexpr uint16_t kKanjiA = 0x889F;

TEST(GlyphCacheTest, TheLeastRecentlyUsedGlyphGoesWhenThe257thArrives) {
  auto m = MakeManager();
  std::vector<std::shared_ptr<const TFontPixel>> held;
  // 26 letters at 10 heights: 260 distinct glyphs, fetched in order.
  auto fetch = [&](int i) { return m->Get(uint16_t('a' + i % 26), kDefaultFace, 0, 10 + i / 26); };
  const auto first = fetch(0);
  const auto second = fetch(1);
  for (int i = 2; i < 256; ++i) fetch(i);
  EXPECT_EQ(m->CachedCount(), 256u);
  // A hit moves the first glyph to the front, so the second is now the oldest.
  EXPECT_EQ(fetch(0), first);
  fetch(256);
  EXPECT_EQ(m->CachedCount(), 256u);
  EXPECT_EQ(fetch(0), first);
  EXPECT_NE(fetch(1), second) << "the least recently used glyph was kept";
}

TEST(GlyphCacheTest, StylesAndLevelsAreSeparateEntries) {
  auto m = MakeManager();
  const auto plain = m->Get(kKanjiA, kDefaultFace, 0, 24);
  const auto bold = m->Get(kKanjiA, kDefaultFace, kStyleBold, 24);
  EXPECT_NE(plain, bold);
  EXPECT_EQ(m->CachedCount(), 2u);
  EXPECT_EQ(bold->Style, kStyleBold);
  m->Level = 0;
  const auto mono = m->Get(kKanjiA, kDefaultFace, 0, 24);
  EXPECT_NE(mono, plain);
  EXPECT_EQ(mono->Level, 0);
  EXPECT_EQ(m->CachedCount(), 3u);
  EXPECT_EQ(m->Get(kKanjiA, kDefaultFace, 0, 24), mono);
}

TEST(GlyphCacheTest, ASpaceHasNoInkAndPadsByItsTextWidth) {
  auto m = MakeManager();
  auto fonts = platform::MakeFontLibrary();
  const auto font = fonts->Select({"IPAGothic", 24, false, false});
  ASSERT_TRUE(font);
  const auto space = m->Get(' ', kDefaultFace, 0, 24);
  EXPECT_FALSE(space->HasInk());
  EXPECT_GT(space->RightPad, 0);
  EXPECT_EQ(space->RightPad, font->TextWidth(U' '));
  const auto wide = m->Get(0x8140, kDefaultFace, 0, 24);  // ideographic space
  EXPECT_FALSE(wide->HasInk());
  EXPECT_EQ(wide->RightPad, 24);
}

TEST(GlyphCacheTest, MetricsComeFromTheFaceAtTheCellHeight) {
  auto m = MakeManager();
  const auto g = m->Get(kKanjiA, kDefaultFace, 0, 24);
  ASSERT_TRUE(g->HasInk());
  EXPECT_GT(m->Ascent(), 12);
  EXPECT_LT(m->Ascent(), 24);
  // A full-width kanji fills most of its cell and stays inside it.
  EXPECT_GE(g->Bitmap.Width(), 18);
  EXPECT_LE(g->OriginX + g->Bitmap.Width() + g->RightPad, 25);
  EXPECT_LE(g->TopOffset + g->Bitmap.Height(), 24);
  EXPECT_EQ(g->UnderlineSize, 0);
  EXPECT_EQ(g->StrikeSize, 0);
  const auto decorated = m->Get(kKanjiA, kDefaultFace, kStyleUnderline | kStyleStrikeOut, 24);
  EXPECT_GT(decorated->UnderlineSize, 0);
  EXPECT_GT(decorated->StrikeSize, 0);
  EXPECT_GT(decorated->StrikePos, 0);
  EXPECT_LT(decorated->StrikePos, m->Ascent());
}

TEST(GlyphCacheTest, AnUnknownFaceDrawsInTheDefaultFace) {
  auto m = MakeManager();
  const auto unknown = m->Get(kKanjiA, "NoSuchFace", 0, 24);
  const auto fallback = m->Get(kKanjiA, kDefaultFace, 0, 24);
  EXPECT_EQ(unknown->Face, "NoSuchFace");
  EXPECT_TRUE(testing::SamePixels(unknown->Bitmap, fallback->Bitmap));
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
  auto m = MakeManager();
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

}  // namespace
}  // namespace vesk::text
