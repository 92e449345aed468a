// The text commands reach message windows and the history through their
// ports: what they pass, how a waiting TextIns holds the page, CallHist's
// clamping, and the waiting state in a saved game.
#include <gtest/gtest.h>

#include "callman_fixture.h"
#include "script/history_port.h"
#include "script/message_port.h"

namespace vesk::script::test {
namespace {

struct FakeMessages final : MessagePort, HistoryPort {
  std::vector<std::string> calls;
  int pages = 0;  // pages the window holds
  int32_t count = 0;
  bool InsertText(const std::string& window, const std::string& file, int32_t command,
                  bool record) override {
    calls.push_back("insert " + window + " " + file + " " + std::to_string(command) +
                    (record ? " record" : ""));
    if (window != "mes") return false;
    pages = 2;
    return true;
  }
  bool HoldsPages(const std::string& window) override { return window == "mes" && pages > 0; }
  void ClearText(const std::string& window) override { calls.push_back("clear " + window); }
  void ClearHistory() override { calls.push_back("reset history"); }
  void ClearHistoryEntries() override { calls.push_back("clear history"); }
  void ClearReadMarks() override { calls.push_back("clear read"); }
  void RegisterHistoryFormat(const std::string& object) override {
    calls.push_back("format " + object);
  }
  int32_t HistoryCount() override { return count; }
  bool IsMessageWindow(const std::string& window) override { return window == "mes"; }
  void ShowHistory(const std::string& window, int32_t start, int32_t n, bool packed) override {
    calls.push_back("show " + window + " " + std::to_string(start) + " " + std::to_string(n) +
                    (packed ? " packed" : ""));
  }
};

class TextCommands : public CallManFixture {
 protected:
  TextCommands() {
    configure_ = [this](CallEnvironment& env) {
      env.ports.messages = &fake_;
      env.ports.history = &fake_;
    };
    Globals({"after"});
  }
  TComTextIns& Insert(Builder& b, const std::string& window, bool wait) {
    auto& t = b.Add<TComTextIns>();
    t.TextData = {1, 2, 3};
    Text(t.WindowName, window);
    Constant(t.Record, 1);
    Constant(t.Wait, wait ? 1 : 0);
    return t;
  }
  FakeMessages fake_;
};

TEST_F(TextCommands, AWaitingTextHoldsThePageWhileTheWindowHasPages) {
  Builder main("main.lsb");
  Assign(main.Add<TComCalc>().Expression, "after", 0);
  Insert(main, "mes", true);
  Assign(main.Add<TComCalc>().Expression, "after", 1);
  Mount({&main});
  Man().Start("main.lsb");
  Frames(3);
  EXPECT_EQ(fake_.calls, std::vector<std::string>{"insert mes main.lsb 1 record"});
  EXPECT_EQ(Int("after"), 0);
  fake_.pages = 0;  // the reader went through the pages
  Frames(1);
  EXPECT_EQ(Int("after"), 1);
}

TEST_F(TextCommands, NoWindowOrNoTextMovesOnAtOnce) {
  Builder main("main.lsb");
  Insert(main, "nobody", true);
  Insert(main, "mes", true).TextData.clear();
  Assign(main.Add<TComCalc>().Expression, "after", 1);
  Mount({&main});
  Man().Start("main.lsb");
  Frames(1);
  EXPECT_EQ(Int("after"), 1);
  EXPECT_EQ(fake_.calls, std::vector<std::string>{"insert nobody main.lsb 0 record"});
}

TEST_F(TextCommands, HistoryCommandsAndCallHistClamping) {
  fake_.count = 10;
  Builder main("main.lsb");
  Text(main.Add<TComTextClr>().WindowName, "mes");
  main.Add<TComClrHist>();
  main.Add<TComClrRead>();
  Text(main.Add<TComEntryHist>().ObjectName, "log");
  auto& show = main.Add<TComCallHist>();
  Text(show.WindowName, "mes");
  Constant(show.StartIndex, 7);
  Constant(show.Count, 5);
  Constant(show.Packed, 1);
  auto& past = main.Add<TComCallHist>();
  Text(past.WindowName, "mes");
  Constant(past.StartIndex, 12);  // nothing there
  auto& other = main.Add<TComCallHist>();
  Text(other.WindowName, "button");
  Constant(other.StartIndex, 0);
  auto& negative = main.Add<TComCallHist>();
  Text(negative.WindowName, "mes");
  Constant(negative.StartIndex, -4);  // counts from 0, one entry by default
  Mount({&main});
  Man().Start("main.lsb");
  Frames(1);
  EXPECT_EQ(fake_.calls,
            (std::vector<std::string>{"clear mes", "clear history", "clear read", "format log",
                                      "show mes 7 3 packed", "show mes 0 1"}));
}

TEST_F(TextCommands, TheWaitingStateSurvivesASavedGame) {
  Builder main("main.lsb");
  Insert(main, "mes", true);
  Mount({&main});
  Man().Start("main.lsb");
  Frames(1);
  std::unique_ptr<ByteWriter> state;
  Man().CurPage->Commands[0]->SaveState(state);  // the running copy
  ASSERT_NE(state, nullptr);
  EXPECT_EQ(std::string(state->bytes().begin(), state->bytes().begin() + 7), "vesk100");
  EXPECT_EQ(state->bytes().size(), 7u + 4 + 3 + 2);  // stamp, window name, wait, blocks

  Builder other("other.lsb");
  auto& restored = Insert(other, "x", false);
  ByteReader in(state->bytes().data(), state->bytes().size());
  restored.LoadState(in);
  EXPECT_TRUE(in.at_end());
  EXPECT_TRUE(restored.Yields());
}

}  // namespace
}  // namespace vesk::script::test
