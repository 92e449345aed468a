#include "platform/font_library.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

namespace vesk::platform {
namespace {

std::string FileOf(FontLibrary& fonts, const std::string& face, bool bold = false,
                   bool italic = false) {
  const auto font = fonts.Select({face, 24, bold, italic});
  // Distributions install the stand-ins under several names (links).
  return font ? std::filesystem::canonical(font->file_path()).filename().string() : "";
}

TEST(FontLibraryTest, WindowsJapaneseFacesResolveToTheIpaFonts) {
  auto fonts = MakeFontLibrary();
  struct Case {
    const char* face;
    const char* file;
  };
  for (const Case& c : {Case{"ＭＳ ゴシック", "ipag.ttf"}, Case{"ＭＳ Ｐゴシック", "ipagp.ttf"},
                        Case{"ＭＳ 明朝", "ipam.ttf"}, Case{"ＭＳ Ｐ明朝", "ipamp.ttf"},
                        Case{"MS ゴシック", "ipag.ttf"}, Case{"MS Gothic", "ipag.ttf"},
                        Case{"MS PGothic", "ipagp.ttf"}, Case{"MS Mincho", "ipam.ttf"},
                        Case{"ms pmincho", "ipamp.ttf"}, Case{"MS Pゴシック", "ipagp.ttf"},
                        Case{"ＭＳ　明朝", "ipam.ttf"}, Case{"IPAGothic", "ipag.ttf"}}) {
    EXPECT_EQ(FileOf(*fonts, c.face), c.file) << c.face;
    EXPECT_TRUE(fonts->IsInstalledFamily(c.face)) << c.face;
  }
  EXPECT_FALSE(fonts->IsInstalledFamily("No Such Face 12345"));
  EXPECT_FALSE(fonts->IsInstalledFamily(""));
}

TEST(FontLibraryTest, BoldAndItalicAreSynthesisedWhereTheFamilyHasNone) {
  auto fonts = MakeFontLibrary();
  const auto plain = fonts->Select({"ＭＳ ゴシック", 24, false, false});
  const auto bold = fonts->Select({"ＭＳ ゴシック", 24, true, false});
  const auto italic = fonts->Select({"ＭＳ ゴシック", 24, false, true});
  ASSERT_TRUE(plain && bold && italic);
  EXPECT_EQ(bold->file_path(), plain->file_path());
  EXPECT_TRUE(bold->synthetic_bold());
  EXPECT_FALSE(plain->synthetic_bold());
  EXPECT_TRUE(italic->synthetic_italic());
  const auto p = plain->Outline(U'亜', 3), b = bold->Outline(U'亜', 3),
             i = italic->Outline(U'亜', 3);
  ASSERT_TRUE(p && b && i);
  EXPECT_GT(b->width_px, p->width_px);
  EXPECT_GT(i->width_px, p->width_px) << "a shear widens the black box";
  // A family with a real bold face uses it.
  const auto dejavu_bold = fonts->Select({"DejaVu Sans", 24, true, false});
  ASSERT_TRUE(dejavu_bold);
  EXPECT_FALSE(dejavu_bold->synthetic_bold());
  EXPECT_NE(dejavu_bold->file_path().find("Bold"), std::string::npos);
}

TEST(FontLibraryTest, TheCellHeightIsAscentPlusDescent) {
  auto fonts = MakeFontLibrary();
  for (int height : {12, 16, 24, 31}) {
    const auto font = fonts->Select({"ＭＳ ゴシック", height, false, false});
    ASSERT_TRUE(font);
    const OutlineTextMetrics& m = font->Metrics();
    EXPECT_EQ(m.ascent_px + m.descent_px, height);
    EXPECT_GT(m.ascent_px, m.descent_px);
    EXPECT_GE(m.underline_size_px, 1);
    EXPECT_LT(m.underline_position_px, 0);
    EXPECT_GE(m.strikeout_size_px, 1);
    EXPECT_GT(m.strikeout_position_px, 0);
    EXPECT_LT(m.strikeout_position_px, m.ascent_px);
    // The stand-in for a square Japanese face: a full-width character
    // advances by the cell height.
    EXPECT_EQ(font->TextWidth(U'　'), height);
  }
}

TEST(FontLibraryTest, GreyLevelsStayWithinTheirFormat) {
  auto fonts = MakeFontLibrary();
  const auto font = fonts->Select({"ＭＳ 明朝", 24, false, false});
  ASSERT_TRUE(font);
  for (int level = 0; level < kGlyphLevelCount; ++level) {
    const auto g = font->Outline(U'永', level);
    ASSERT_TRUE(g);
    ASSERT_EQ(g->grey.size(), size_t(g->width_px) * size_t(g->height_px));
    const uint8_t top = *std::max_element(g->grey.begin(), g->grey.end());
    EXPECT_EQ(top, MaxGreyValue(level)) << "level " << level;
    EXPECT_GT(g->origin_y_px, 0);
    EXPECT_EQ(g->advance_px, 24);
  }
  const AbcWidths abc = font->Abc(U'i');
  const auto i = font->Outline(U'i', 3);
  ASSERT_TRUE(i);
  EXPECT_EQ(abc.a + abc.b + abc.c, i->advance_px);
  EXPECT_EQ(abc.b, i->width_px);
}

TEST(FontLibraryTest, MissingCharactersComeFromAnotherInstalledFont) {
  auto fonts = MakeFontLibrary();
  const auto font = fonts->Select({"ＭＳ ゴシック", 24, false, false});
  ASSERT_TRUE(font);
  // The chess king: not in the IPA fonts, but in common Latin fonts.
  constexpr char32_t kKing = 0x2654;
  const auto g = font->Outline(kKing, 3);
  ASSERT_TRUE(g);
  if (!g->from_fallback && g->replacement) GTEST_SKIP() << "no installed font has U+2654";
  EXPECT_TRUE(g->from_fallback);
  EXPECT_FALSE(g->replacement);
  EXPECT_GT(g->width_px, 4);
  EXPECT_GT(std::count_if(g->grey.begin(), g->grey.end(), [](uint8_t v) { return v > 0; }), 20);
  // Ordinary characters stay with the face asked for.
  EXPECT_FALSE(font->Outline(U'亜', 3)->from_fallback);
}

TEST(FontLibraryTest, ACharacterNoFontHasIsAVisibleBox) {
  auto fonts = MakeFontLibrary();
  const auto font = fonts->Select({"ＭＳ ゴシック", 24, false, false});
  ASSERT_TRUE(font);
  const auto g = font->Outline(0x10FFFD, 3);  // private use, plane 16
  ASSERT_TRUE(g);
  EXPECT_TRUE(g->replacement);
  ASSERT_GT(g->width_px, 2);
  ASSERT_GT(g->height_px, 2);
  // Hollow: the edge is inked, the middle is not.
  EXPECT_EQ(g->grey[0], 64);
  EXPECT_EQ(g->grey[size_t(g->height_px / 2) * size_t(g->width_px) + size_t(g->width_px / 2)], 0);
  EXPECT_GT(g->advance_px, g->width_px);
  EXPECT_EQ(font->TextWidth(0x10FFFD), g->advance_px);
}

TEST(FontLibraryTest, AbsurdHeightsAreLimited) {
  auto fonts = MakeFontLibrary();
  for (int height : {0, -5, 1, 1 << 30}) {
    const auto font = fonts->Select({"ＭＳ ゴシック", height, false, false});
    ASSERT_TRUE(font) << height;
    const OutlineTextMetrics& m = font->Metrics();
    EXPECT_GE(m.ascent_px + m.descent_px, 1);
    EXPECT_LE(m.ascent_px + m.descent_px, 1024);
    EXPECT_TRUE(font->Outline(U'亜', 3));
  }
}

}  // namespace
}  // namespace vesk::platform
