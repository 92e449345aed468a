// Revealing a laid-out page: waits, the delay scale, fading, embedded
// events, hover over links, and the saved reveal state and settings.
#include <gtest/gtest.h>

#include "platform/cp932.h"
#include "text/tpwords.h"
#include "text_fixture.h"

namespace vesk::text {
namespace {

using test_support::FakeEnvironment;
using test_support::StreamBuilder;

class RevealTest : public ::testing::Test {
 protected:
  RevealTest() : word(nullptr, &env) {
    word.FontHeight = 10;
    word.PageWidth = 100;
    word.PageHeight = 100;
    word.FadeTime = 0;
    word.OnNotify = [this](const std::string& v) { notified.push_back(v); };
  }
  TWdPage& Page(StreamBuilder& b) {
    word.Clear();
    word.AppendStream(b.stream);
    word.ExpandVars(0, -1);
    pages.clear();
    word.Layout(pages, 0, -1);
    pages[0]->Prerender(true);
    pages[0]->Rewind();
    return *pages[0];
  }
  // One frame of `ms`; the text revealed in it.
  std::string Step(TWdPage& page, int32_t ms = 16) {
    std::string revealed;
    page.Step(ms, finished, revealed);
    return revealed;
  }
  FakeEnvironment env;
  TTpWord word;
  PageList pages;
  bool finished = false;
  std::vector<std::string> notified;
};

TEST_F(RevealTest, EachCharacterWaitsItsTimeScaledByTheDelayScale) {
  StreamBuilder b;
  b.Text("abcd", 50);
  TWdPage& page = Page(b);
  EXPECT_EQ(Step(page), "a");  // the first glyph comes at once
  EXPECT_EQ(Step(page), "");
  EXPECT_EQ(Step(page), "");
  EXPECT_EQ(Step(page), "");
  EXPECT_EQ(Step(page), "b");  // 48 ms did not reach 50, 64 did
  word.DelayScale = 512;       // twice as slow for the waits to come
  EXPECT_EQ(Step(page, 35), "");
  EXPECT_EQ(Step(page, 1), "c");  // b's wait of 50 is over
  EXPECT_EQ(Step(page, 99), "");
  EXPECT_EQ(Step(page, 1), "d");  // c waited 100
}

TEST_F(RevealTest, ZeroWaitsAndAZeroDelayScaleRevealAtOnce) {
  StreamBuilder b;
  b.Text("ab", 0).Text("cd", 40);
  TWdPage& page = Page(b);
  EXPECT_EQ(Step(page), "abc");

  word.DelayScale = 0;
  StreamBuilder slow;
  slow.Text("abcdef", 1000);
  TWdPage& whole = Page(slow);
  EXPECT_EQ(Step(whole), "abcdef");
  EXPECT_FALSE(whole.HasMore());
}

TEST_F(RevealTest, FadingStepsTheAlphaUntilOpaque) {
  word.FadeTime = 64;  // 16 ms give a quarter of the way
  StreamBuilder b;
  b.Text("ab", 0);
  TWdPage& page = Page(b);
  Step(page);  // revealed in a frame that counts no time
  const TWdGlyph& a = *page.Rows[0]->Children[0];
  EXPECT_EQ(a.Alpha, 0);
  Step(page);
  EXPECT_EQ(a.Alpha, 64);
  Step(page);
  Step(page);
  EXPECT_EQ(a.Alpha, 192);
  EXPECT_TRUE(page.HasMore());
  Step(page);
  EXPECT_EQ(a.Alpha, 255);
  EXPECT_FALSE(page.HasMore());

  word.FadeTime = 0;
  TWdPage& quick = Page(b);
  Step(quick);
  EXPECT_EQ(quick.Rows[0]->Children[1]->Alpha, 255);
}

TEST_F(RevealTest, TheFinishedStateIsReportedOnceAfterTheLastGlyph) {
  StreamBuilder b;
  b.Text("ab", 0);
  TWdPage& page = Page(b);
  Step(page);
  EXPECT_FALSE(finished);
  Step(page);
  EXPECT_TRUE(finished);
  Step(page);
  EXPECT_FALSE(finished);
  EXPECT_TRUE(page.Finished);
}

TEST_F(RevealTest, ConsecutiveEventsArriveTogetherInOrder) {
  word.NotifyEnabled = true;
  StreamBuilder b;
  b.Text("a", 0).Event("one").Event("two").Text("b", 0);
  TWdPage& page = Page(b);
  EXPECT_EQ(Step(page), "a");
  EXPECT_EQ(notified, (std::vector<std::string>{"one", "two"}));
  EXPECT_EQ(Step(page), "b");  // the frame after the events reveals on
}

TEST_F(RevealTest, AnEndEventIsPassedAlone) {
  word.NotifyEnabled = true;
  StreamBuilder b;
  b.Event("stop", true).Event("next");
  TWdPage& page = Page(b);
  Step(page);
  EXPECT_EQ(notified, (std::vector<std::string>{"stop"}));
  Step(page);
  EXPECT_EQ(notified, (std::vector<std::string>{"stop", "next"}));
}

TEST_F(RevealTest, EventsWaitUntilTheTextBeforeThemIsOpaque) {
  word.NotifyEnabled = true;
  word.FadeTime = 32;
  StreamBuilder b;
  b.Text("a", 0).Event("e").Text("b", 0);
  TWdPage& page = Page(b);
  Step(page);
  EXPECT_TRUE(notified.empty());
  Step(page);  // alpha 128
  EXPECT_TRUE(notified.empty());
  Step(page);  // opaque: the event goes
  EXPECT_EQ(notified, (std::vector<std::string>{"e"}));
  EXPECT_EQ(page.Rows[0]->Children[2]->Alpha, 0);  // b waited for it
}

TEST_F(RevealTest, EventsAreSkippedWithoutAHandler) {
  StreamBuilder b;
  b.Text("a", 0).Event("e").Text("b", 0);
  TWdPage& page = Page(b);
  EXPECT_EQ(Step(page), "ab");
  EXPECT_TRUE(notified.empty());
}

TEST_F(RevealTest, PausedTextWaitsAndRestartsWithoutSkipping) {
  StreamBuilder b;
  b.Text("abc", 20);
  TWdPage& page = Page(b);
  Step(page);
  word.TextPaused = true;
  EXPECT_FALSE(page.HasMore());
  EXPECT_EQ(Step(page, 500), "");
  word.TextPaused = false;
  word.FadeTime = 1;
  page.RestartTiming();
  EXPECT_EQ(Step(page, 500), "");  // the skipped frame
  EXPECT_EQ(Step(page, 16), "b");
}

TEST_F(RevealTest, TheCaretFollowsTheLastRevealedGlyph) {
  word.Left = 5;
  word.Top = 7;
  StreamBuilder b;
  b.Text("ab", 1000);
  TWdPage& page = Page(b);
  Step(page);
  EXPECT_EQ(word.CaretX, 10);  // where b will come
  Step(page, 1000);
  EXPECT_EQ(word.CaretX, 20);  // the right edge of b
  EXPECT_EQ(word.CaretY, 0);
}

TEST_F(RevealTest, HoverMarksTheWholeLinkRunAndReportsItsText) {
  word.Left = 0;
  word.Top = 0;
  StreamBuilder b;
  b.Text("x", 0).Text("link", 0);
  for (size_t i = 1; i < b.stream.Glyphs.size(); ++i) b.stream.Glyphs[i].Link = "go\r\nthere";
  TWdPage& page = Page(b);
  Step(page);
  page.UpdateHover(35, 5);  // over the third letter of the link
  EXPECT_EQ(page.HoveredLinkText(), "link");
  for (size_t i = 1; i < 5; ++i) EXPECT_TRUE(page.Rows[0]->Children[i]->Hover);
  EXPECT_FALSE(page.Rows[0]->Children[0]->Hover);
  page.UpdateHover(-1, -1);
  EXPECT_EQ(page.HoveredLinkText(), "");
  EXPECT_FALSE(page.Rows[0]->Children[2]->Hover);
}

TEST_F(RevealTest, HitTestingCountsOnlyFullyShownGlyphs) {
  word.FadeTime = 100;
  StreamBuilder b;
  b.Text("ab", 0);
  TWdPage& page = Page(b);
  Step(page);
  EXPECT_EQ(page.HitTest(5, 5), nullptr);
  for (int i = 0; i < 10; ++i) Step(page);
  EXPECT_EQ(page.HitTest(5, 5), page.Rows[0]->Children[0]);
  EXPECT_EQ(page.HitTest(500, 5), nullptr);
}

TEST_F(RevealTest, ShownTextStopsAtTheFirstHiddenGlyph) {
  StreamBuilder b;
  b.Text("ab", 0).Return().Text("cd", 100);
  TWdPage& page = Page(b);
  Step(page);
  EXPECT_EQ(page.ShownText(), "ab\r\nc");
}

TEST_F(RevealTest, TheRevealStateSurvivesSavingAndLoading) {
  env.variables["v"] = "xy";
  StreamBuilder b;
  b.Text("ab", 0).Var("v").Text("cd", 100);
  TWdPage& page = Page(b);
  Step(page);
  ByteWriter out;
  page.SaveState(out);
  const int32_t row = page.RowIndex, glyph = page.GlyphIndex;

  TWdPage& again = Page(b);
  ByteReader in(out.bytes().data(), out.bytes().size());
  again.LoadState(in);
  EXPECT_TRUE(in.at_end());
  EXPECT_EQ(again.ShownText(), "abxyc");
  EXPECT_EQ(again.RowIndex, row);
  EXPECT_EQ(again.GlyphIndex, glyph);
}

TEST_F(RevealTest, SettingsRecordsOfEveryVersion) {
  word.FontName = "face";
  word.ShadowColor = 0x112233;
  word.BorderWidth = 2;
  word.ShadowWidth = 3;
  word.DelayScale = 300;
  ByteWriter out;
  word.WriteSettings(out);
  for (int32_t version : {109, 110, 129}) {
    TTpWord read(nullptr, nullptr);
    ByteReader in(out.bytes().data(), out.bytes().size());
    read.ReadSettings(in, version);
    EXPECT_EQ(read.FontName, "face");
    EXPECT_EQ(read.DelayScale, 300);
    EXPECT_EQ(read.ShadowColor, version >= 110 ? 0x112233 : 0);
    EXPECT_EQ(read.ShadowWidth, version > 110 ? 3 : 0);
    EXPECT_EQ(in.remaining(), version < 110 ? 12u : version == 110 ? 8u : 0u);
  }
}

TEST_F(RevealTest, ATruncatedPageStateIsAnError) {
  StreamBuilder b;
  b.Text("ab", 0);
  TWdPage& page = Page(b);
  ByteWriter out;
  page.SaveState(out);
  ByteReader in(out.bytes().data(), out.bytes().size() - 2);
  EXPECT_THROW(page.LoadState(in), ETruncated);
}

}  // namespace
}  // namespace vesk::text
