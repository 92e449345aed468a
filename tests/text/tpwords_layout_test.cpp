// Layout of glyph lists: the Japanese line-breaking rules, paging, floating
// pictures, alignment and indents, variables and source positions.
#include <gtest/gtest.h>

#include "platform/cp932.h"
#include "text/tpwords.h"
#include "text_fixture.h"

namespace vesk::text {
namespace {

using test_support::FakeEnvironment;
using test_support::RowTexts;
using test_support::StreamBuilder;

std::string S(const char* utf8) {
  return platform::Utf8ToCp932(utf8);
}

class LayoutTest : public ::testing::Test {
 protected:
  LayoutTest() : word(nullptr, &env) {
    word.FontHeight = 10;
    word.PageWidth = 40;  // four characters a row
    word.PageHeight = 100;
  }
  // Lays the built message out; the rows of every page.
  std::vector<std::vector<std::string>> Lay(StreamBuilder& b) {
    word.Clear();
    word.AppendStream(b.stream);
    word.ExpandVars(0, -1);
    pages.clear();
    word.Layout(pages, 0, -1);
    std::vector<std::vector<std::string>> out;
    for (const auto& p : pages) out.push_back(RowTexts(*p));
    return out;
  }
  FakeEnvironment env;
  TTpWord word;
  PageList pages;
};

using Rows = std::vector<std::vector<std::string>>;

TEST_F(LayoutTest, ClosingPunctuationTakesTheWordBeforeItToTheNextRow) {
  StreamBuilder b;
  b.Text(S("あいab。"));
  EXPECT_EQ(Lay(b), (Rows{{S("あい"), S("ab。")}}));
}

TEST_F(LayoutTest, OpeningBracketMovesOnWithTheCharacterAfterIt) {
  StreamBuilder b;
  b.Text(S("あいう「え」"));
  EXPECT_EQ(Lay(b), (Rows{{S("あいう"), S("「え」")}}));
}

TEST_F(LayoutTest, AnAsciiWordLongerThanTheRowOverflowsAndKeepsItsSpace) {
  StreamBuilder b;
  b.Text("abcdefg hi");
  EXPECT_EQ(Lay(b), (Rows{{"abcdefg ", "hi"}}));
  EXPECT_EQ(pages[0]->Rows[0]->Width, 80);  // overflows to the right
}

TEST_F(LayoutTest, NoBreakRunsAndRubyGroupsAreNeverSplit) {
  StreamBuilder b;
  const int32_t nobr = b.Style([](DecorateRecord& d) { d.NoBreak = 1; });
  b.Text(S("あい")).Text(S("かきく"), 0, nobr);
  EXPECT_EQ(Lay(b), (Rows{{S("あい"), S("かきく")}}));

  StreamBuilder r;
  const int32_t ruby = r.Style([](DecorateRecord& d) { d.Ruby = "\x82\xa9"; });
  r.Text(S("あいう")).Text(S("漢字"), 0, ruby);
  EXPECT_EQ(Lay(r), (Rows{{S("あいう"), S("漢字")}}));
  // The ruby band sits above: the row is one and a half characters tall.
  EXPECT_EQ(pages[0]->Rows[1]->RowHeight(), 15);
}

TEST_F(LayoutTest, LineBreaksAndPageClears) {
  StreamBuilder b;
  b.Text(S("あ")).Return().Return().Text(S("い")).Return(true).Text(S("う"));
  const Rows rows = Lay(b);
  EXPECT_EQ(rows, (Rows{{S("あ"), "", S("い")}, {S("う")}}));
  // An empty line keeps a line's height; a break after text adds none.
  EXPECT_EQ(pages[0]->Rows[1]->RowHeight(), 10);
  EXPECT_EQ(pages[0]->Rows[1]->Y, 10);
  EXPECT_EQ(pages[0]->Rows[2]->Y, 20);
}

TEST_F(LayoutTest, PagingMovesRowsThatDoNotFitButNeverAPagesFirstRow) {
  word.PageHeight = 25;  // two rows a page
  StreamBuilder b;
  b.Text(S("あいうえおかきくけこさしすせそ"));
  EXPECT_EQ(Lay(b), (Rows{{S("あいうえ"), S("おかきく")}, {S("けこさし"), S("すせそ")}}));

  word.PageHeight = 5;  // smaller than any row
  EXPECT_EQ(Lay(b).size(), 4u);
  for (const auto& p : pages) EXPECT_EQ(p->Rows.size(), 1u);
}

TEST_F(LayoutTest, LineSpaceSeparatesRows) {
  word.LineSpace = 3;
  StreamBuilder b;
  b.Text(S("あいうえお"));
  Lay(b);
  EXPECT_EQ(pages[0]->Rows[1]->Y, 13);
}

TEST_F(LayoutTest, FloatingPicturesNarrowTheRowsBesideThem) {
  word.PageWidth = 400;
  env.pictures["right.png"] = {100, 25};
  env.pictures["left.png"] = {100, 25};
  StreamBuilder b;
  b.Img("right.png", kAlignRight).Text(std::string(40, 'x') + " " + std::string(40, 'y'));
  Lay(b);
  const TWdRow& first = *pages[0]->Rows[0];
  EXPECT_EQ(first.Children[0]->X, 300);
  EXPECT_EQ(first.RightBound, 300);

  StreamBuilder l;
  l.Img("left.png", kAlignLeft).Text(S("あいうえ"));
  Lay(l);
  const TWdRow& row = *pages[0]->Rows[0];
  EXPECT_EQ(row.Children[0]->X, 0);
  EXPECT_EQ(row.LeftBound, 100);
  EXPECT_EQ(row.Children[1]->X, 100);  // the text starts beside the picture
}

TEST_F(LayoutTest, RowsBelowAFloatingPictureGetTheFullWidthBack) {
  env.pictures["left.png"] = {20, 15};
  StreamBuilder b;
  b.Img("left.png", kAlignLeft).Text(S("あいうえおかき"));
  Lay(b);
  ASSERT_EQ(pages[0]->Rows.size(), 3u);
  EXPECT_EQ(RowTexts(*pages[0]), (std::vector<std::string>{S("あい"), S("うえ"), S("おかき")}));
  EXPECT_EQ(pages[0]->Rows[2]->LeftBound, 0);
}

TEST_F(LayoutTest, AlignmentIndentAndUndent) {
  word.PageWidth = 60;
  StreamBuilder b;
  b.Op(kGlyphAlign, kAlignRight).Text(S("あ")).Return();
  b.Op(kGlyphAlign, kAlignCenter).Text(S("い")).Return();
  b.Op(kGlyphAlign, kAlignLeft).Text(S("う")).Op(kGlyphIndent).Text(S("えおかきくけ"));
  b.Op(kGlyphUndent).Return().Text(S("こ"));
  Lay(b);
  const auto& rows = pages[0]->Rows;
  EXPECT_EQ(rows[0]->Children[0]->X, 50);
  EXPECT_EQ(rows[1]->Children[0]->X, 25);
  // The indent starts the following row where the pen was.
  EXPECT_EQ(RowTexts(*pages[0])[3], S("け"));
  EXPECT_EQ(rows[3]->Children[1]->X, 10);
}

TEST_F(LayoutTest, AnIndentWiderThanTheRowStillPlacesItsText) {
  // The row holding only its indent takes the unit however wide, instead
  // of opening the same row again and again.
  StreamBuilder b;
  b.Text(S("あいう")).Op(kGlyphIndent).Text(S("え")).Text("abcdefgh");
  const Rows rows = Lay(b);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].back(), "abcdefgh");
}

TEST_F(LayoutTest, WidthZeroMeansTheWidestRow) {
  word.PageWidth = 0;
  StreamBuilder b;
  b.Text(S("あいう")).Return().Text(S("えお"));
  Lay(b);
  EXPECT_EQ(word.PageWidth, 30);
}

TEST_F(LayoutTest, VariablesExpandWithoutMovingSourcePositions) {
  env.variables["name"] = "ab\rcd";
  StreamBuilder b;
  b.Text(S("あ")).Var("name").Text(S("い"));
  const Rows rows = Lay(b);
  EXPECT_EQ(rows, (Rows{{S("あ") + "ab", "cd" + S("い")}}));
  // The line break of a variable never clears the page.
  EXPECT_EQ(pages.size(), 1u);
  const TWdGlyph* last = pages[0]->LastSourceGlyph();
  EXPECT_EQ(word.IndexToSource(last), 2);
  EXPECT_EQ(word.SourceToIndex(2), static_cast<int32_t>(word.GlyphCount()) - 1);
  EXPECT_EQ(word.SourceToIndex(3), -1);
  EXPECT_EQ(word.SourceToIndex(-5), 0);
  word.CollapseVars(0, -1);
  EXPECT_EQ(word.GlyphCount(), 3u);
}

TEST_F(LayoutTest, SnapshotsStandForTheVariables) {
  env.variables["name"] = "now";
  StreamBuilder b;
  b.Var("name").Var("gone");
  word.AppendStream(b.stream);
  word.VarSnapshot = {
      "name=th\x01"
      "en"};
  word.ExpandVars(0, -1);
  word.Layout(pages, 0, -1);
  EXPECT_EQ(RowTexts(*pages[0]), (std::vector<std::string>{"th", "en"}));
  pages[0]->CollectValues();
  EXPECT_EQ(pages[0]->CollectedValues,
            "name=th\x01"
            "en\r\ngone=");
}

TEST_F(LayoutTest, BreakRulesInOrder) {
  StreamBuilder b;
  b.Text(S("a a。あ"));
  word.AppendStream(b.stream);
  auto at = [&](size_t i) -> const TWdGlyph& { return *word.GlyphAt(i); };
  EXPECT_FALSE(BreakAllowed(at(0), at(1)));  // a space stays with its word
  EXPECT_TRUE(BreakAllowed(at(1), at(2)));
  EXPECT_FALSE(BreakAllowed(at(2), at(3)));  // 。 may not start a row
  EXPECT_TRUE(BreakAllowed(at(3), at(4)));
}

}  // namespace
}  // namespace vesk::text
