// Word wrapping of single-byte text: rows break at spaces and hyphens, a
// word longer than the row breaks by characters, and Japanese text keeps
// the layout every game was made with.
#include <gtest/gtest.h>

#include <tuple>

#include "platform/cp932.h"
#include "text/tpwords.h"
#include "text_fixture.h"

namespace vesk::text {
namespace {

using test_support::FakeEnvironment;
using test_support::RowTexts;
using test_support::StreamBuilder;
using Rows = std::vector<std::vector<std::string>>;

class WrapTest : public ::testing::Test {
 protected:
  WrapTest() : word(nullptr, &env) {
    word.FontHeight = 10;
    word.PageWidth = 60;  // six characters a row
    word.PageHeight = 1000;
  }
  Rows Lay(StreamBuilder& b, LineBreak wrap) {
    word.Clear();
    word.Wrap = wrap;
    word.AppendStream(b.stream);
    word.ExpandVars(0, -1);
    pages.clear();
    word.Layout(pages, 0, -1);
    Rows out;
    for (const auto& p : pages) out.push_back(RowTexts(*p));
    return out;
  }
  // Every glyph's page position, row by row, for comparing two layouts.
  std::vector<std::tuple<int32_t, int32_t, int32_t>> Positions() const {
    std::vector<std::tuple<int32_t, int32_t, int32_t>> out;
    for (const auto& p : pages)
      p->ForEachGlyph(
          [&](const TWdGlyph& g) { out.emplace_back(g.Code(), g.SurfaceX(), g.SurfaceY()); });
    return out;
  }
  FakeEnvironment env;
  TTpWord word;
  PageList pages;
};

TEST_F(WrapTest, SpacesAfterAWordHangPastTheRowAndNeverStartTheNext) {
  StreamBuilder b;
  b.Text("hello  world");
  // chars: "hello " fills the row; the second space starts the next one.
  EXPECT_EQ(Lay(b, LineBreak::kChars), (Rows{{"hello ", " world"}}));
  EXPECT_EQ(Lay(b, LineBreak::kWords), (Rows{{"hello  ", "world"}}));
  // The hanging spaces take no room: a right-aligned row ends with its word.
  EXPECT_EQ(pages[0]->Rows[0]->Width, 50);
  EXPECT_EQ(pages[0]->Rows[1]->Children[0]->SurfaceX(), 0);

  StreamBuilder fits;
  fits.Text("abcde fg");  // the word fits only if its space may hang
  EXPECT_EQ(Lay(fits, LineBreak::kWords), (Rows{{"abcde ", "fg"}}));
  StreamBuilder three;
  three.Text("ab cd ef gh");
  EXPECT_EQ(Lay(three, LineBreak::kWords), (Rows{{"ab cd ", "ef gh"}}));
}

TEST_F(WrapTest, AHyphenBetweenLettersEndsAWord) {
  StreamBuilder b;
  b.Text("ab well-known");
  EXPECT_EQ(Lay(b, LineBreak::kChars), (Rows{{"ab ", "well-known"}}));
  EXPECT_EQ(Lay(b, LineBreak::kWords), (Rows{{"ab ", "well-", "known"}}));
  StreamBuilder sign;
  sign.Text("abcd -5 x");  // a minus sign is no hyphen: it stays with its number
  EXPECT_EQ(Lay(sign, LineBreak::kWords), (Rows{{"abcd ", "-5 x"}}));
  StreamBuilder nobr;
  const int32_t keep = nobr.Style([](DecorateRecord& d) { d.NoBreak = 1; });
  nobr.Text("ab ").Text("well-known", 0, keep);
  EXPECT_EQ(Lay(nobr, LineBreak::kWords), (Rows{{"ab ", "well-known"}}));
}

TEST_F(WrapTest, AWordLongerThanTheRowBreaksByCharacters) {
  StreamBuilder b;
  b.Text("abcdefghijklmn op");
  EXPECT_EQ(Lay(b, LineBreak::kChars), (Rows{{"abcdefghijklmn ", "op"}}));
  EXPECT_EQ(Lay(b, LineBreak::kWords), (Rows{{"abcdef", "ghijkl", "mn op"}}));
  for (const auto& row : pages[0]->Rows) EXPECT_LE(row->Width, 60);
  // A character that may not start a row takes the one before it along.
  StreamBuilder bang;
  bang.Text("abcdef!gh");
  EXPECT_EQ(Lay(bang, LineBreak::kWords), (Rows{{"abcde", "f!gh"}}));
  // Positions are exact: the second row starts at the left edge, one row down.
  const TWdRow& second = *pages[0]->Rows[1];
  EXPECT_EQ(second.Y, 10);
  EXPECT_EQ(second.Children[0]->SurfaceX(), 0);
  EXPECT_EQ(second.Children[1]->SurfaceX(), 10);
}

TEST_F(WrapTest, JapaneseTextAndItsRulesLayOutAsBefore) {
  const char* const utf8[] = {"あいab。かきくけこさしすせそ", "あいう「え」お"};
  for (const char* text : utf8) {
    StreamBuilder b;
    b.Text(platform::Utf8ToCp932(text)).Return().Text(platform::Utf8ToCp932("ｱｲｳｴｵｶｷｸｹｺ"));
    const Rows chars = Lay(b, LineBreak::kChars);
    const auto chars_at = Positions();
    EXPECT_EQ(Lay(b, LineBreak::kWords), chars) << text;
    EXPECT_EQ(Positions(), chars_at) << text;
  }
}

}  // namespace
}  // namespace vesk::text
