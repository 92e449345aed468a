// Rendering messages on the installed IPA fonts: plain and bordered
// characters composited in their colours, ruby above its characters, bars
// joining across a run, and a fading reveal at a given frame.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/cp932.h"
#include "platform/font_library.h"
#include "text/fontpixels.h"
#include "text/text_golden.h"
#include "text/tpwords.h"
#include "text_fixture.h"

namespace vesk::text {
namespace {

class RenderTest : public ::testing::Test {
 protected:
  RenderTest() : glyphs(platform::MakeFontLibrary()), word(&glyphs, &env) {
    word.FontHeight = 24;
    word.PageWidth = 200;
    word.PageHeight = 60;
    word.FontColor = 0xFFFFFF;
    word.FadeTime = 0;
    target.SetSize(200, 60, 32);
    word.Target = &target;
    word.ClipRect = {0, 0, 200, 60};
  }
  TWdPage& Show(const char* markup_utf8, bool reveal = true) {
    word.Parse({platform::Utf8ToCp932(markup_utf8)}, 0);
    pages.clear();
    word.Layout(pages, 0, -1);
    TWdPage& page = *pages[0];
    page.Prerender(!reveal);
    page.Rewind();
    target.Fill(0);
    if (reveal) page.Draw();
    return page;
  }
  // How many pixels of the target have `rgb` inside `r`, each channel within
  // a few steps: a solid colour through a full mask at opacity 255 weighs
  // 255/256, as every blend of the surfaces does.
  int Count(uint32_t rgb, const Rect& r = {0, 0, 200, 60}) const {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) n += Near(target.GetPixel(x, y), rgb) ? 1 : 0;
    return n;
  }
  // Inked pixels of a plain character are the colour scaled by coverage:
  // count those leaning clearly towards `rgb`.
  int CountToward(uint32_t rgb, const Rect& r) const {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) {
        const uint32_t p = target.GetPixel(x, y);
        bool ok = p != 0;
        for (int shift : {0, 8, 16}) {
          const bool want = (rgb >> shift & 0xFF) != 0;
          const uint32_t c = p >> shift & 0xFF;
          ok = ok && (want ? c >= 0x60 : c == 0);
        }
        n += ok ? 1 : 0;
      }
    return n;
  }
  static bool Near(uint32_t a, uint32_t b) {
    for (int shift : {0, 8, 16})
      if (std::abs(static_cast<int>(a >> shift & 0xFF) - static_cast<int>(b >> shift & 0xFF)) > 3)
        return false;
    return true;
  }
  test_support::FakeEnvironment env;
  TFontPixelManager glyphs;
  TTpWord word;
  PageList pages;
  graphics::TDIBX target;
};

TEST_F(RenderTest, PlainCharactersTakeTheirColour) {
  Show("<FONT COLOR=#FF0000>赤</FONT>白");
  EXPECT_GT(CountToward(0xFF0000, {0, 0, 24, 24}), 30);
  EXPECT_GT(CountToward(0xFFFFFF, {24, 0, 48, 24}), 30);
  EXPECT_EQ(CountToward(0xFFFFFF, {0, 0, 24, 24}), 0);
  EXPECT_EQ(CountToward(0xFF0000, {24, 0, 48, 24}), 0);
}

TEST_F(RenderTest, BorderedCharactersShowTheirBodyInsideTheBorder) {
  Show("<FONT BORDER=2 BCOLOR=#0000FF>国</FONT>");
  // The cell grows by the border on each side; body and outline both show.
  EXPECT_EQ(pages[0]->Rows[0]->Children[0]->Width, 28);
  EXPECT_GT(Count(0xFFFFFF), 30);
  EXPECT_GT(Count(0x0000FF), 60);
}

TEST_F(RenderTest, RubySitsAboveItsCharacters) {
  Show("<RUBY VALUE=\"かん\">漢</RUBY>");
  const TWdGlyph& c = *pages[0]->Rows[0]->Children[0];
  EXPECT_EQ(c.Height, 36);
  // Ruby ink in the top band, the character's below it.
  EXPECT_GT(CountToward(0xFFFFFF, {0, 0, 24, 12}), 5);
  EXPECT_GT(CountToward(0xFFFFFF, {0, 12, 24, 36}), 30);
}

TEST_F(RenderTest, UnderlinesJoinAcrossARun) {
  Show("<U>一二三</U>");
  // One unbroken bar under the three cells.
  int longest = 0;
  for (int y = 0; y < 24; ++y) {
    int run = 0;
    for (int x = 0; x < 72; ++x) {
      run = Near(target.GetPixel(x, y), 0xFFFFFF) ? run + 1 : 0;
      longest = std::max(longest, run);
    }
  }
  EXPECT_GE(longest, 72);
}

TEST_F(RenderTest, AFadingCharacterIsPartlyThereAtItsFrame) {
  word.FadeTime = 64;
  TWdPage& page = Show("国", /*reveal=*/false);
  bool finished = false;
  std::string revealed;
  page.Step(16, finished, revealed);  // revealed at alpha 0
  page.Step(16, finished, revealed);  // a quarter of the way
  target.Fill(0);
  page.Draw();
  EXPECT_EQ(page.Rows[0]->Children[0]->Alpha, 64);
  EXPECT_EQ(Count(0xFFFFFF), 0);
  int grey = 0;
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 24; ++x) {
      const uint32_t p = target.GetPixel(x, y);
      grey += p != 0 && (p & 0xFF) <= 0x41 ? 1 : 0;
    }
  EXPECT_GT(grey, 30);
}

// Whole messages as a reader sees them, on a dark ground.
TEST_F(RenderTest, GoldenMessages) {
  word.PageWidth = 200;
  word.PageHeight = 60;
  word.FontHeight = 16;
  word.BorderColor = 0x402060;
  Show(
      "<FONT COLOR=#FFC0D0 BORDER=2 BCOLOR=#602040><B>名前</B></FONT><BR>"
      "「<RUBY VALUE=\"かんじ\">漢字</RUBY>と<FONT COLOR=#80C0FF>色</FONT>、"
      "<U>下線</U>」<FONT SHADOW=2 SCOLOR=#FF0000>影</FONT>");
  EXPECT_TRUE(testing::MatchesTextGolden(target, "message_name_ruby_colour"));

  word.FadeTime = 100;
  TWdPage& page = Show("<WAIT VALUE=0>一</WAIT><WAIT VALUE=40>二三四</WAIT>", false);
  bool finished = false;
  std::string revealed;
  for (int frame = 0; frame < 4; ++frame) page.Step(16, finished, revealed);
  target.Fill(0x000000);
  page.Draw();
  EXPECT_TRUE(testing::MatchesTextGolden(target, "message_fading_frame4"));
}

}  // namespace
}  // namespace vesk::text
