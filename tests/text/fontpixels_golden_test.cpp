// Rendered text on the installed Japanese fonts against reviewed pictures:
// what the glyph renderer's rules look like together.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/fontpixels.h"
#include "text/fontpixels_test_util.h"
#include "text/text_golden.h"

namespace vesk::text {
namespace {

// "永", "あ", "亜", "字" in CP932, and two half-width letters.
const std::vector<uint16_t> kLine = {0x8969, 0x82A0, 'A', 'g', 0x889F, 0x8E9A};
constexpr int kCellPx = 24;

struct Look {
  uint8_t style = 0;
  int32_t level = 3;
  int32_t border_px = 0;
  int32_t shadow_px = 0;
  std::string face = kDefaultFace;
};

// The line drawn as a message page draws it: rendered into text and mask
// surfaces, then composited onto the page background (the solid text colour
// through the mask without decoration, the coloured text with it).
graphics::TDIBX DrawLine(const Look& look) {
  auto m = testing::MakeManager();
  m->Level = look.level;
  const int32_t step = kCellPx + 2 * look.border_px + look.shadow_px;
  const int width = step * int(kLine.size()) + 8, height = step + 8;
  graphics::TDIBX color(width, height, 32), mask(width, height, 8);
  const GlyphColors colors{0x202020, 0x3050C0, 0xFFF0D0};
  for (size_t i = 0; i < kLine.size(); ++i) {
    const auto g = m->Get(kLine[i], look.face, look.style, kCellPx);
    RenderOptions o;
    o.border_px = look.border_px;
    o.shadow_px = look.shadow_px;
    o.left_differs = i == 0;
    o.right_differs = i + 1 == kLine.size();
    m->Render(
        *g, color, mask, colors, o,
        Rect::FromSize(4 + step * int(i), 4, step, kCellPx + 2 * look.border_px + look.shadow_px));
  }
  graphics::TDIBX page(width, height, 32);
  page.Fill(0x8A9AA0);
  const Rect all{0, 0, width, height};
  if (look.border_px == 0 && look.shadow_px == 0)
    page.DrawColorMask(0, 0, mask, all, graphics::Flip::kNone, colors.text, 255);
  else
    page.DrawMask(0, 0, color, all, graphics::Flip::kNone, mask);
  return page;
}

TEST(GlyphGoldenTest, Plain) {
  EXPECT_TRUE(testing::MatchesTextGolden(DrawLine({}), "glyphs_plain"));
}

TEST(GlyphGoldenTest, Border) {
  EXPECT_TRUE(testing::MatchesTextGolden(DrawLine({.border_px = 2}), "glyphs_border"));
}

TEST(GlyphGoldenTest, Shadow) {
  EXPECT_TRUE(testing::MatchesTextGolden(DrawLine({.shadow_px = 2}), "glyphs_shadow"));
}

TEST(GlyphGoldenTest, BorderAndShadow) {
  EXPECT_TRUE(testing::MatchesTextGolden(DrawLine({.border_px = 1, .shadow_px = 2}),
                                         "glyphs_border_shadow"));
}

TEST(GlyphGoldenTest, UnderlineJoinsAcrossARun) {
  EXPECT_TRUE(testing::MatchesTextGolden(DrawLine({.style = kStyleUnderline}), "glyphs_underline"));
  EXPECT_TRUE(testing::MatchesTextGolden(
      DrawLine({.style = kStyleUnderline, .border_px = 1, .shadow_px = 2}),
      "glyphs_underline_border_shadow"));
}

TEST(GlyphGoldenTest, StrikeOut) {
  EXPECT_TRUE(testing::MatchesTextGolden(
      DrawLine({.style = kStyleStrikeOut, .border_px = 1, .shadow_px = 1}), "glyphs_strikeout"));
}

TEST(GlyphGoldenTest, TwoLevelsAndSixtyFiveLevels) {
  // Mincho shows the difference best: thin strokes and serifs.
  const std::string mincho = "\x82\x6c\x82\x72\x20\x96\xbe\x92\xa9";  // "ＭＳ 明朝"
  EXPECT_TRUE(testing::MatchesTextGolden(DrawLine({.level = 0, .face = mincho}), "glyphs_level0"));
  EXPECT_TRUE(testing::MatchesTextGolden(DrawLine({.level = 3, .face = mincho}), "glyphs_level3"));
}

TEST(GlyphGoldenTest, BoldAndItalic) {
  EXPECT_TRUE(testing::MatchesTextGolden(DrawLine({.style = kStyleBold | kStyleItalic}),
                                         "glyphs_bold_italic"));
}

}  // namespace
}  // namespace vesk::text
