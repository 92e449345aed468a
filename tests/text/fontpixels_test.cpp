#include "text/fontpixels.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/vesk_error.h"
#include "platform/font_library.h"
#include "text/fontpixels_test_util.h"

namespace vesk::text {
namespace {

using testing::MakeManager;

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

TEST(GlyphCacheTest, CodesAreCp932Characters) {
  auto m = MakeManager();
  auto font = platform::MakeFontLibrary()->Select({"IPAGothic", 24, false, false});
  ASSERT_TRUE(font);
  struct Case {
    uint16_t code;
    char32_t cp;
  };
  // A hiragana, a kanji, a half-width katakana and an ASCII letter.
  for (const Case& c :
       {Case{0x82A0, U'あ'}, Case{kKanjiA, U'亜'}, Case{0xB1, U'ｱ'}, Case{'W', U'W'}}) {
    const auto g = m->Get(c.code, kDefaultFace, 0, 24);
    const auto want = font->Outline(c.cp, 3);
    ASSERT_TRUE(want);
    EXPECT_EQ(g->Bitmap.Width(), want->width_px) << std::hex << c.code;
    EXPECT_EQ(g->Bitmap.Height(), want->height_px) << std::hex << c.code;
    EXPECT_EQ(g->OriginX + g->Bitmap.Width() + g->RightPad, want->advance_px) << std::hex << c.code;
  }
}

TEST(GlyphCacheTest, ACharacterNoFontHasIsABoxTracedOnce) {
  std::vector<std::string> trace;
  auto m = MakeManager(&trace);
  // The first user-defined character of CP932 (private use).
  const uint16_t code = 0xF041;
  const auto g = m->Get(code, kDefaultFace, 0, 24);
  if (trace.empty()) GTEST_SKIP() << "an installed font has U+E001";
  EXPECT_TRUE(g->HasInk());
  m->Get(code, kDefaultFace, kStyleBold, 24);
  m->Get(code, kDefaultFace, 0, 16);
  ASSERT_EQ(trace.size(), 1u);
  EXPECT_NE(trace[0].find("U+E001"), std::string::npos) << trace[0];
  EXPECT_NE(trace[0].find("F041"), std::string::npos) << trace[0];
  m->Get(0xF042, kDefaultFace, 0, 24);
  EXPECT_EQ(trace.size(), 2u);
  // Characters some font has are not traced.
  m->Get(kKanjiA, kDefaultFace, 0, 24);
  EXPECT_EQ(trace.size(), 2u);
}

TEST(GlyphCacheTest, AFailingGreyFormatFallsBackToTwoLevels) {
  auto font = std::make_shared<testing::FakeFont>();
  font->grey_fails = true;
  TFontPixelManager m(std::make_unique<testing::FakeFontLibrary>(font));
  m.Level = 3;
  const auto g = m.Get('a', kDefaultFace, 0, 12);
  EXPECT_EQ(g->Level, 0);
  EXPECT_EQ(m.Level, 0) << "the manager stays on two levels";
  ASSERT_TRUE(g->HasInk());
  EXPECT_EQ(g->Bitmap.GetPixel(0, 0), 255u);
  // Glyphs fetched afterwards are made two-level straight away.
  const int calls = font->outline_calls;
  m.Get('b', kDefaultFace, 0, 12);
  EXPECT_EQ(font->outline_calls, calls + 1);
  // When the two-level format fails too, the glyph has no bitmap.
  font->mono_fails = true;
  const auto none = m.Get('c', kDefaultFace, 0, 12);
  EXPECT_FALSE(none->HasInk());
  EXPECT_EQ(m.CachedCount(), 3u);
}

TEST(GlyphCacheTest, TheFontIsSelectedOnlyWhenFaceHeightOrStyleChange) {
  auto font = std::make_shared<testing::FakeFont>();
  auto fonts = std::make_unique<testing::FakeFontLibrary>(font);
  testing::FakeFontLibrary* seen = fonts.get();
  TFontPixelManager m(std::move(fonts));
  m.Get('a', kDefaultFace, 0, 12);
  m.Get('b', kDefaultFace, 0, 12);
  m.Level = 1;
  m.Get('b', kDefaultFace, 0, 12);
  EXPECT_EQ(seen->selected.size(), 1u);
  m.Get('b', kDefaultFace, 0, 13);
  m.Get('b', kDefaultFace, kStyleItalic, 13);
  m.Get('b', "Other", kStyleItalic, 13);
  ASSERT_EQ(seen->selected.size(), 4u);
  EXPECT_EQ(seen->selected[1].cell_height_px, 13);
  EXPECT_TRUE(seen->selected[2].italic);
  EXPECT_FALSE(seen->selected[2].bold);
  EXPECT_EQ(seen->selected[3].face_utf8, "Other");
}

TEST(GlyphCacheTest, AFontWithoutMetricsIsAnError) {
  class NoFonts final : public platform::FontLibrary {
    bool IsInstalledFamily(const std::string&) override { return false; }
    std::shared_ptr<platform::Font> Select(const platform::FontSpec&) override { return nullptr; }
  };
  TFontPixelManager m(std::make_unique<NoFonts>());
  try {
    m.Get('a', kDefaultFace, 0, 12);
    FAIL() << "no error";
  } catch (const EVeskError& e) {
    EXPECT_EQ(e.Message(), "Error:GetOutlineTextMetrics");
  }
  EXPECT_EQ(m.CachedCount(), 0u);
}

}  // namespace
}  // namespace vesk::text
