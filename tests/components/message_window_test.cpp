// The message window: pages of a compiled message, the reveal events, the
// history and the read marks it records, history display, and its stored
// form.
#include <gtest/gtest.h>

#include "components/mes.h"
#include "components/message_history.h"
#include "image_fixture.h"
#include "text/glyph_stream.h"

namespace vesk::components::test {
namespace {

// Compiled messages of fake page files: each message is a list of rows of
// ASCII characters, one row a page when the window is one row tall.
class FakeMessages final : public MessageSource {
 public:
  std::map<std::string, std::shared_ptr<MessagePageTexts>> pages;
  int loads = 0;
  void Add(const std::string& file, int32_t command, const std::vector<std::string>& rows,
           int32_t wait = 0) {
    auto& texts = pages[file];
    if (!texts) texts = std::make_shared<MessagePageTexts>();
    if (texts->texts.size() <= static_cast<size_t>(command))
      texts->texts.resize(static_cast<size_t>(command) + 1);
    text::GlyphStream s;
    s.Decorates.push_back(text::DecorateRecord{});
    for (size_t r = 0; r < rows.size(); ++r) {
      for (char c : rows[r]) {
        text::GlyphRecord g;
        g.Code = static_cast<uint8_t>(c);
        g.Wait = wait;
        s.Glyphs.push_back(g);
      }
      if (r + 1 < rows.size()) {
        text::GlyphRecord br;
        br.Type = text::kGlyphReturn;
        s.Glyphs.push_back(br);
      }
    }
    ByteWriter out;
    text::WriteGlyphStream(s, out);
    texts->texts[static_cast<size_t>(command)] = out.bytes();
  }
  bool FileExists(const std::string& file) override { return pages.count(file) != 0; }
  std::shared_ptr<const MessagePageTexts> LoadTexts(const std::string& file) override {
    ++loads;
    auto it = pages.find(file);
    return it == pages.end() ? nullptr : it->second;
  }
};

class MessageWindow : public ImageScene {
 protected:
  MessageWindow() : history_(nullptr, nullptr, &messages_) {
    services_.history = &history_;
    services_.read_marks = &marks_;
    services_.messages = &messages_;
    // Three pages of one row each.
    messages_.Add("a.lsb", 2, {"one", "two", "six"});
  }
  TVeskMes& Window(const std::string& name = "mes") {
    auto& m = Make<TVeskMes>(LT_MES, name);
    m.SetInt(PR_WIDTH, 30);
    m.SetInt(PR_HEIGHT, 12);
    m.SetInt(PR_FONTHEIGHT, 10);
    m.SetStr(PR_ONPLAYSTART, "h.lsb:start");
    m.SetStr(PR_ONPLAYEND, "h.lsb:end");
    return m;
  }
  // Runs frames until the window's queued start event is handled.
  void Frames(int n) {
    for (int i = 0; i < n; ++i) {
      Frame();
      root_.Events.Clear();  // the handlers "ran"
    }
  }
  FakeMessages messages_;
  TVeskNewHistory history_;
  TVeskReadList marks_;
};

TEST_F(MessageWindow, ATextCommandShowsThePagesOfItsMessage) {
  auto& m = Window();
  m.ShowMessage("a.lsb", 2, /*record=*/true);
  EXPECT_EQ(m.PageCount(), 3);
  EXPECT_EQ(m.GetInt(PR_INDEX), 0);
  EXPECT_EQ(Events(PR_ONPLAYSTART), std::vector<std::string>{"h.lsb:start(0)"});
  Frames(3);
  EXPECT_EQ(m.GetStr(PR_TEXT), "one\r\n");  // the line break shows as CR LF
  EXPECT_TRUE(m.GetFlag(PR_PLAYING));       // more pages follow
  m.SetInt(PR_INDEX, 2);
  Frames(3);
  EXPECT_EQ(m.GetStr(PR_TEXT), "six");
  EXPECT_FALSE(m.GetFlag(PR_PLAYING));
}

TEST_F(MessageWindow, MissingFilesAndOtherCommandsGiveNoPage) {
  auto& m = Window();
  m.ShowMessage("none.lsb", 0, true);
  EXPECT_EQ(m.PageCount(), 0);
  m.ShowMessage("a.lsb", 1, true);  // not a text command
  EXPECT_EQ(m.PageCount(), 0);
  EXPECT_EQ(m.GetStr(PR_TEXT), "");
  EXPECT_FALSE(m.GetFlag(PR_PLAYING));
}

TEST_F(MessageWindow, PagesAreRecordedWhenLeftAndMarkedReadWhenShownToTheEnd) {
  auto& m = Window();
  m.ShowMessage("a.lsb", 2, true);
  Frames(4);  // page 0 shown to its end
  m.SetInt(PR_INDEX, 1);
  EXPECT_EQ(history_.Count(), 1);  // page 0 left
  m.SetInt(PR_INDEX, 2);           // page 1 left before it was shown
  EXPECT_EQ(history_.Count(), 2);
  Frames(4);
  EXPECT_EQ(history_.Count(), 2);  // page 2 is recorded once it is left
  m.ShowMessage("a.lsb", 2, true);
  EXPECT_EQ(history_.Count(), 3);
  EXPECT_TRUE(marks_.IsRead("a.lsb", 2, 0));
  EXPECT_FALSE(marks_.IsRead("a.lsb", 2, 1));
  EXPECT_TRUE(marks_.IsRead("A.LSB", 2, 2));
  EXPECT_EQ(Events(PR_ONPLAYSTART), std::vector<std::string>{"h.lsb:start(1)"});
  root_.Events.Clear();
  m.SetInt(PR_INDEX, 1);
  EXPECT_EQ(Events(PR_ONPLAYSTART), std::vector<std::string>{"h.lsb:start(0)"});
}

TEST_F(MessageWindow, AnEmptyTextLeavesNoPage) {
  auto& m = Window();
  m.SetStr(PR_TEXT, "");
  EXPECT_EQ(m.PageCount(), 0);
  EXPECT_EQ(m.GetInt(PR_COUNT), 0);
}

TEST_F(MessageWindow, ThePlayEndEventComesOncePerPage) {
  auto& m = Window();
  m.ShowMessage("a.lsb", 2, false);
  Frame();  // the start event's frame
  root_.Events.Clear();
  Frame();
  Frame();
  Frame();
  EXPECT_EQ(Events(PR_ONPLAYEND), std::vector<std::string>{"h.lsb:end()"});
  root_.Events.Clear();
  Frame();
  EXPECT_TRUE(Events(PR_ONPLAYEND).empty());
}

TEST_F(MessageWindow, OldFormatHistoryKeepsTheNewestEntries) {
  history_.MaxCount = 2;
  auto& m = Window();
  m.ShowMessage("a.lsb", 2, true);
  m.SetInt(PR_INDEX, 1);
  m.SetInt(PR_INDEX, 2);
  m.SetStr(PR_TEXT, "x");
  ASSERT_EQ(history_.OldEntries.size(), 2u);
  EXPECT_EQ(history_.OldEntries[0].PageIndex, 1);
  EXPECT_EQ(history_.OldEntries[0].File, "a.lsb");  // carried over from the dropped entry
  EXPECT_EQ(history_.OldEntries[1].File, "");
  EXPECT_EQ(history_.OldEntries[1].PageIndex, 2);
}

TEST_F(MessageWindow, AHistoryFormatPacksShortMessagesIntoOneEntry) {
  // Each message is one row of 90 pixels plus 10 of line space.
  history_.RegisterFormat({90, 0, 0, 300, 400, 10});
  for (int32_t c = 0; c < 5; ++c) messages_.Add("b.lsb", c, {"m"});
  auto& m = Window();
  for (int32_t c = 0; c < 5; ++c) {
    m.ShowMessage("b.lsb", c, true);
    m.SetStr(PR_TEXT, "");  // leaves the page
  }
  ASSERT_EQ(history_.Entries.size(), 2u);
  EXPECT_EQ(history_.Entries[0]->Segments.size(), 4u);
  EXPECT_EQ(history_.Entries[0]->Total, 400);
  EXPECT_EQ(history_.Count(), 500);
  // The file is named once per entry.
  EXPECT_EQ(history_.Entries[0]->Segments[1].File, "");
  EXPECT_EQ(history_.Entries[1]->Segments[0].File, "b.lsb");
}

TEST_F(MessageWindow, ShowingHistoryLaysTheRecordedPagesOutInOneColumn) {
  history_.RegisterFormat({10, 0, 0, 30, 400, 2});
  auto& m = Window();
  m.ShowMessage("a.lsb", 2, true);
  m.SetInt(PR_INDEX, 1);
  m.SetInt(PR_INDEX, 2);
  m.SetStr(PR_TEXT, "");
  EXPECT_EQ(history_.Count(), 36);  // three rows of 10 and their line space
  auto& log = Window("log");
  log.SetInt(PR_HEIGHT, 100);
  log.SetInt(PR_LINESPACE, 2);
  log.ShowHistory(12, 24, false);
  ASSERT_EQ(log.PageCount(), 1);
  EXPECT_EQ(log.ModeValue, TVeskMes::kHistory);
  EXPECT_EQ(log.HistoryOffset, 0);
  const text::TWdPage& page = *log.CurrentPage();
  ASSERT_EQ(page.Rows.size(), 2u);
  EXPECT_EQ(page.Rows[0]->Y, 0);
  EXPECT_EQ(page.Rows[1]->Y, 12);
  log.ShowHistory(14, 10, false);
  EXPECT_EQ(log.HistoryOffset, -2);
}

TEST_F(MessageWindow, TheStoredFormBringsThePageBackAtItsRevealState) {
  messages_.Add("c.lsb", 0, {"abc"}, 40);
  auto& m = Window();
  m.SetInt(PR_WIDTH, 60);
  m.ShowMessage("c.lsb", 0, true);
  Frames(5);  // a, then b after 40 ms
  ASSERT_EQ(m.GetStr(PR_TEXT), "ab");
  ByteWriter out;
  m.SaveToStream(out);

  auto& copy = Window("copy");
  ByteReader in(out.bytes().data(), out.bytes().size());
  copy.LoadFromStream(in, kSaveVersion);
  EXPECT_TRUE(in.at_end());
  EXPECT_EQ(copy.PageCount(), 1);
  EXPECT_EQ(copy.GetStr(PR_TEXT), "ab");
  EXPECT_EQ(copy.ModeValue, TVeskMes::kRecording);
  EXPECT_EQ(copy.SourceFile, "c.lsb");
  Frames(3);
  EXPECT_EQ(copy.GetStr(PR_TEXT), "abc");  // goes on from where it was
}

TEST_F(MessageWindow, ReadMarksAndHistoryRoundTripThroughTheirStoredForms) {
  for (int32_t c = 0; c < 3; ++c) {
    marks_.SetPending("w", "p.lsb", c, 7);
    marks_.CommitPending("w");
  }
  marks_.SetPending("w", "q.lsb", 1, 2);
  marks_.CommitPending("other");  // another window's commit leaves it alone
  ByteWriter out;
  marks_.Write(out);
  TVeskReadList read;
  ByteReader in(out.bytes().data(), out.bytes().size());
  read.Read(in);
  EXPECT_TRUE(in.at_end());
  EXPECT_EQ(read.MarkCount(), 3u);
  EXPECT_TRUE(read.IsRead("P.LSB", 7, 2));
  EXPECT_EQ(read.pending().File, "q.lsb");

  history_.MaxCount = 5;
  history_.RegisterFormat({12, 1, 2, 300, 200, 3});
  history_.Record("w", 1, 1, "a.lsb", "v=1", 0, 4, 0, 2);
  history_.Commit("w");
  history_.Record("w", 1, 1, "a.lsb", "v=2", 1, 8, 5, 2);  // left pending
  ByteWriter hist;
  history_.Write(hist);
  TVeskNewHistory back(nullptr, nullptr, &messages_);
  ByteReader hin(hist.bytes().data(), hist.bytes().size());
  back.Read(hin, kSaveVersion);
  EXPECT_TRUE(hin.at_end());
  EXPECT_EQ(back.Count(), history_.Count());
  EXPECT_EQ(back.MaxCount, 5);
  EXPECT_EQ(back.pending.Snapshot, "v=2");
  EXPECT_EQ(back.pending.FirstSource, 5);
  ASSERT_EQ(back.Entries.size(), 1u);
  EXPECT_EQ(back.Entries[0]->Segments[0].Snapshot, "v=1");

  // Before version 124 there are no snapshots, before 113 only old entries.
  ByteWriter old;
  old.Str("");
  WriteOldEntryColumns({{"x.lsb", 3, 1, 640, 480}}, old);
  old.Str("y.lsb");
  for (int32_t v : {4, 0, 640, 480}) old.I32(v);
  old.Str("mes");
  TVeskNewHistory legacy(nullptr, nullptr, &messages_);
  ByteReader lin(old.bytes().data(), old.bytes().size());
  legacy.Read(lin, 112);
  EXPECT_TRUE(lin.at_end());
  ASSERT_EQ(legacy.OldEntries.size(), 1u);
  EXPECT_EQ(legacy.OldEntries[0].Width, 640);
  EXPECT_EQ(legacy.pending.window, "mes");
}

TEST_F(MessageWindow, HostileCountsInStoredFormsAreErrors) {
  ByteWriter out;
  out.I32(0x7FFFFFFF);
  TVeskReadList marks;
  ByteReader in(out.bytes().data(), out.bytes().size());
  EXPECT_THROW(marks.Read(in), ETruncated);
  ByteWriter hist;
  hist.I32(-1);
  TVeskNewHistory history(nullptr, nullptr, &messages_);
  ByteReader hin(hist.bytes().data(), hist.bytes().size());
  EXPECT_THROW(history.Read(hin, kSaveVersion), ETruncated);
}

}  // namespace
}  // namespace vesk::components::test
