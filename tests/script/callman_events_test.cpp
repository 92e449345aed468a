// Event handlers in the interpreter: when they start, how they nest while
// one waits, what the reset commands do to running handlers, and how a
// nested handler survives a save and load.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "callman_fixture.h"

namespace vesk::script {

using namespace vesk::lang;  // the vocabulary ids

namespace {

using namespace test;

class CallManEventsTest : public CallManFixture {
 protected:
  void Release(const std::string& name) { vars_.Find(name)->Value->SetInt(1); }
  // A wait for ever (no time) that ends once `var` is set.
  static void WaitFor(Builder& page, const std::string& var) {
    Less(page.Add<TComWait>().Condition, var, 1);
  }
};

TEST_F(CallManEventsTest, AnEventRunsBeforeTheNextCommandAndOrdinaryCodeGoesOnInTheSameFrame) {
  Globals({"a", "b", "seen_b", "args", "skipped"});
  Builder main("main.lsb");
  auto& first = main.Add<TComCalc>();
  Assign(first.Expression, "a", 1);
  first.RunOn = 0;
  auto& second = main.Add<TComCalc>();
  Assign(second.Expression, "b", 1);
  second.RunOn = 0;
  Builder h("h.lsb");
  Assign(h.Add<TComCalc>().Expression, "skipped", 1);
  h.Add<TComLabel>().LabelName = "go";
  Op(h.Add<TComCalc>().Expression, ocTo, "seen_b", V("b"));
  Op(h.Add<TComCalc>().Expression, ocTo, "args", V("@ParamCount"));
  Mount({&main, &h});
  Man().Start("main.lsb");
  Frames(1);
  events_.Enqueue("btn", "h.lss:go", {"7", "8"}, 36);
  Frames(1);
  EXPECT_EQ(Int("seen_b"), 0);
  EXPECT_EQ(Int("skipped"), 0);
  EXPECT_EQ(Int("args"), 2);
  // The interrupted command had no run-on, yet the code goes on after the
  // handler returns.
  EXPECT_EQ(Int("b"), 1);
  EXPECT_EQ(Man().State, 0);
  EXPECT_EQ(Man().Depth(), 0);
  EXPECT_EQ(Man().ArgCount(), 0);
  EXPECT_TRUE(events_.Empty());
}

TEST_F(CallManEventsTest, WhileAHandlerWaitsNestedEventsRunAndItResumesOnlyWhenTheyAreDone) {
  Globals({"release", "in1", "out1", "in2", "seen_out1"});
  Builder main("main.lsb");
  main.Add<TComWait>();
  Builder h1("h1.lsb");
  Assign(h1.Add<TComCalc>().Expression, "in1", 1);
  WaitFor(h1, "release");
  Assign(h1.Add<TComCalc>().Expression, "out1", 1);
  Builder h2("h2.lsb");
  h2.Add<TComDoEvent>();
  Op(h2.Add<TComCalc>().Expression, ocTo, "seen_out1", V("out1"));
  Assign(h2.Add<TComCalc>().Expression, "in2", 1);
  Mount({&main, &h1, &h2});
  Man().Start("main.lsb");
  events_.Enqueue("b1", "h1.lsb", {}, 36);
  Frames(1);
  EXPECT_EQ(Int("in1"), 1);
  EXPECT_EQ(Man().State, 2);
  EXPECT_EQ(events_[0].RunningDepth, 1);
  EXPECT_EQ(Man().SenderName(), "b1");
  gone_.insert("b1");
  EXPECT_EQ(Man().SenderName(), "");
  gone_.clear();
  Frames(3);
  EXPECT_EQ(Int("out1"), 0);

  // Released, but a nested event is waiting: it goes first, at level 2,
  // and its own yield does not let the first handler go on.
  Release("release");
  events_.Enqueue("b2", "h2.lsb", {}, 36);
  Frames(1);
  EXPECT_EQ(events_[1].RunningDepth, 2);
  EXPECT_EQ(Man().Level, 3);
  EXPECT_EQ(Man().SenderName(), "b2");
  EXPECT_EQ(Int("out1"), 0);
  Frames(1);
  EXPECT_EQ(Int("in2"), 1);
  EXPECT_EQ(Int("seen_out1"), 0);
  EXPECT_EQ(events_.Count(), 1u);
  Frames(1);
  EXPECT_EQ(Int("out1"), 1);
  EXPECT_EQ(Man().State, 0);
  EXPECT_EQ(Man().Depth(), 0);
  EXPECT_TRUE(events_.Empty());
}

TEST_F(CallManEventsTest, ABlockingWaitKeepsEventsWaitingUntilItEnds) {
  Globals({"ran", "seen_after", "after"});
  Builder main("main.lsb");
  auto& wait = main.Add<TComWait>();
  Constant(wait.Time, 50);
  Constant(wait.BlockEvents, 1);
  auto& after = main.Add<TComCalc>();
  Assign(after.Expression, "after", 1);
  after.RunOn = 0;
  Builder h("h.lsb");
  Assign(h.Add<TComCalc>().Expression, "ran", 1);
  Op(h.Add<TComCalc>().Expression, ocTo, "seen_after", V("after"));
  Mount({&main, &h});
  Man().Start("main.lsb");
  Frames(1, 20);
  events_.Enqueue("b", "h.lsb", {}, 36);
  Frames(2, 20);
  EXPECT_EQ(Int("ran"), 0);
  EXPECT_TRUE(events_[0].Waiting());
  Frames(1, 20);  // the wait ends; the event takes its turn before the next command
  EXPECT_EQ(Int("ran"), 1);
  EXPECT_EQ(Int("seen_after"), 0);
  EXPECT_EQ(Int("after"), 1);
}

TEST_F(CallManEventsTest, AHandlerPageThatCannotBeHadLeavesItsEventWaiting) {
  Globals({"n", "ran"});
  Builder main("main.lsb");
  auto& count = main.Add<TComCalc>();
  Op(count.Expression, ocPlus, "n", V("n"), I(1));
  count.RunOn = 0;
  auto& loop = main.Add<TComJump>();
  loop.PageName = "main.lsb";
  Constant(loop.Condition, 1);
  Builder h("h.lsb");
  Assign(h.Add<TComCalc>().Expression, "ran", 1);
  Mount({&main, &h});
  MountRaw("bad.lsb", {1, 2, 3});
  Man().Start("main.lsb");
  for (const char* handler : {"missing.lsb:x", "bad.lsb"}) {
    events_.Clear();
    events_.Enqueue("b", handler, {}, 36);
    events_.Enqueue("c", "h.lsb", {}, 36);  // queued behind it
    const int32_t before = Int("n");
    Frames(3);
    EXPECT_EQ(Int("n"), before + 3) << handler;
    EXPECT_TRUE(events_[0].Waiting()) << handler;
    EXPECT_EQ(Int("ran"), 0) << handler;
    EXPECT_EQ(Man().State, 0) << handler;
  }
}

TEST_F(CallManEventsTest, StartDropsRunningEventsAtEveryLevelButKeepsWaitingOnes) {
  Builder main("main.lsb");
  main.Add<TComWait>();
  Builder h("h.lsb");
  h.Add<TComWait>();
  Mount({&main, &h});
  Man().Start("main.lsb");
  events_.Enqueue("b1", "h.lsb", {}, 36);
  Frames(1);
  events_.Enqueue("b2", "h.lsb", {}, 36);
  Frames(1);
  events_.Enqueue("b3", "missing.lsb", {}, 36);
  Frames(1);
  ASSERT_EQ(events_[1].RunningDepth, 2);
  Man().Start("main.lsb");
  ASSERT_EQ(events_.Count(), 1u);
  EXPECT_EQ(events_[0].Object, "b3");
  EXPECT_TRUE(events_[0].Waiting());
  EXPECT_EQ(Man().State, 0);
  EXPECT_EQ(Man().Level, 2);
  EXPECT_EQ(Man().SenderName(), "");
}

TEST_F(CallManEventsTest, AnInterruptedWaitGetsItsOwnStateBackWhenTheHandlerReusedIt) {
  Globals({"after"});
  Builder main("main.lsb");
  Constant(main.Add<TComWait>().Time, 100);
  Op(main.Add<TComCalc>().Expression, ocPlus, "after", V("after"), I(1));
  Constant(main.Add<TComExit>().Condition, 1);
  Mount({&main});
  Man().Start("main.lsb");
  Frames(3, 20);  // 60 ms left
  // The handler runs the same page, so the same wait runs a full 100 ms.
  events_.Enqueue("b", "main.lsb", {}, 36);
  Frames(7, 20);
  EXPECT_EQ(Int("after"), 1);  // the handler's pass
  EXPECT_EQ(Man().State, 0);
  Frames(1, 20);
  EXPECT_EQ(Int("after"), 1);
  Frames(1, 20);
  EXPECT_EQ(Int("after"), 2);  // 40 + 20 + 20 ms after the return
}

TEST_F(CallManEventsTest, AHandlerStartIsTraced) {
  const auto trace_file = std::filesystem::temp_directory_path() / "vesk-callman-event-trace.txt";
  ASSERT_TRUE(trace_.Open(trace_file.string()));
  Builder main("main.lsb");
  main.Add<TComWait>();
  Builder h("h.lsb");
  h.Add<TComCalc>();
  auto& label = h.Add<TComLabel>();
  label.LabelName = "go";
  label.Line = 7;
  h.Add<TComCalc>().Line = 8;
  Mount({&main, &h});
  Man().Start("main.lsb");
  events_.Enqueue("b", "h.lsb:go", {}, 36);
  Frames(1);
  trace_.Close();
  std::ifstream in(trace_file);
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(all.find("00000010 : <Event>h.lsb(7)\n00000010 : h.lsb(7)\n00000010 : h.lsb(8)\n"),
            std::string::npos)
      << all;
  std::filesystem::remove(trace_file);
}

TEST_F(CallManEventsTest, ACommandThatAlwaysFailsInAHandlerEndsEachFrame) {
  Builder main("main.lsb");
  main.Add<TComWait>();
  Builder h("h.lsb");
  h.Add<TComPCReset>().PageName = "nowhere.lsb";  // raises before it moves
  Mount({&main, &h});
  Man().Start("main.lsb");
  events_.Enqueue("b", "h.lsb", {}, 36);
  Frames(3);
  EXPECT_EQ(Man().State, 1);
  EXPECT_EQ(Man().CurPage->Name, "h.lsb");
  EXPECT_EQ(Man().CurIndex, 0);
}

TEST_F(CallManEventsTest, ANestedHandlerSurvivesSaveAndLoad) {
  Globals({"r1", "r2", "in2", "out1", "after"});
  Builder main("main.lsb");
  Constant(main.Add<TComWait>().Time, 100);
  Assign(main.Add<TComCalc>().Expression, "after", 1);
  Builder h1("h1.lsb");
  WaitFor(h1, "r1");
  Assign(h1.Add<TComCalc>().Expression, "out1", 1);
  Builder h2("h2.lsb");
  WaitFor(h2, "r2");
  Op(h2.Add<TComCalc>().Expression, ocTo, "in2", V("@ParamCount"));
  Mount({&main, &h1, &h2});
  Man().Start("main.lsb");
  Frames(2, 20);  // the main wait has 80 ms left
  events_.Enqueue("b1", "h1.lsb", {}, 36);
  Frames(1, 20);
  events_.Enqueue("b2", "h2.lsb", {"x", "y"}, 36);
  Frames(1, 20);
  ASSERT_EQ(Man().Level, 3);
  ByteWriter saved;
  Man().SaveToStream(saved);

  // The scene keeps the queue; the call manager comes back from its bytes.
  man_.reset();
  vars_.CurrentScope = 0;
  ByteReader in(saved.bytes().data(), saved.bytes().size());
  Man().LoadFromStream(in, 129);
  EXPECT_TRUE(in.at_end());
  EXPECT_EQ(Man().State, 2);
  EXPECT_EQ(Man().Level, 3);
  EXPECT_EQ(Man().Depth(), 2);
  EXPECT_EQ(Man().SenderName(), "b2");
  ByteWriter again;
  Man().SaveToStream(again);
  EXPECT_EQ(again.bytes(), saved.bytes());

  Release("r2");
  Frames(2, 20);
  EXPECT_EQ(Int("in2"), 2);
  EXPECT_EQ(Int("out1"), 0);
  EXPECT_EQ(events_.Count(), 1u);
  Release("r1");
  Frames(2, 20);
  EXPECT_EQ(Int("out1"), 1);
  EXPECT_EQ(Man().State, 0);
  EXPECT_TRUE(events_.Empty());
  Frames(2, 20);
  EXPECT_EQ(Int("after"), 0);  // the wait goes on with its 80 ms
  Frames(1, 20);
  EXPECT_EQ(Int("after"), 1);
}

TEST_F(CallManEventsTest, SendersThatAreGoneAreStoredAsNone) {
  Builder main("main.lsb");
  main.Add<TComWait>();
  Builder h("h.lsb");
  h.Add<TComWait>();
  Mount({&main, &h});
  Man().Start("main.lsb");
  events_.Enqueue("b1", "h.lsb", {}, 36);
  Frames(1);
  events_.Enqueue("b2", "h.lsb", {}, 36);
  Frames(1);
  gone_ = {"b1", "b2"};
  ByteWriter saved;
  Man().SaveToStream(saved);
  gone_.clear();
  man_.reset();
  ByteReader in(saved.bytes().data(), saved.bytes().size());
  Man().LoadFromStream(in, 129);
  EXPECT_EQ(Man().Sender, "");
  ASSERT_EQ(Man().Depth(), 2);
  EXPECT_EQ(Man().Stack[1].Sender, "");
}

// ---- Resets -------------------------------------------------------------

TEST_F(CallManEventsTest, AFullPCResetInAHandlerDropsTheWholeChainAndTheQueue) {
  Globals({"skipped", "landed", "after_call"});
  Builder main("main.lsb");
  auto& call = main.Add<TComCall>();
  call.PageName = "sub.lsb";
  Constant(call.Condition, 1);
  Assign(main.Add<TComCalc>().Expression, "after_call", 1);
  Assign(main.Add<TComCalc>().Expression, "skipped", 1);
  auto& land = main.Add<TComCalc>();
  Assign(land.Expression, "landed", 1);
  land.RunOn = 0;
  Builder sub("sub.lsb");
  auto& local = sub.Add<TComVarNew>();
  local.VarName = "loc";
  local.Scope = 2;
  sub.Add<TComWait>();
  Builder h("h.lsb");
  auto& reset = h.Add<TComPCReset>();
  reset.PageName = "main.lsb";
  reset.Index = 3;
  reset.Full = 1;
  Assign(h.Add<TComCalc>().Expression, "skipped", 1);
  Mount({&main, &sub, &h});
  Man().Start("main.lsb");
  Frames(1);
  ASSERT_TRUE(Declared("loc"));
  events_.Enqueue("b", "h.lsb", {}, 36);
  events_.Enqueue("c", "missing.lsb", {}, 36);
  Frames(1);
  EXPECT_EQ(Int("landed"), 1);
  EXPECT_EQ(Int("skipped"), 0);
  EXPECT_EQ(Int("after_call"), 0);
  EXPECT_FALSE(Declared("loc"));
  EXPECT_EQ(Man().Depth(), 0);
  EXPECT_EQ(Man().State, 0);
  EXPECT_TRUE(events_.Empty());
}

TEST_F(CallManEventsTest, APartialPCResetLetsTheHandlerFinishAndReturnToTheNewPlace) {
  Globals({"old", "sub_after", "h_after", "landed"});
  Builder main("main.lsb");
  main.Add<TComWait>();
  Assign(main.Add<TComCalc>().Expression, "old", 1);
  Builder h("h.lsb");
  auto& call = h.Add<TComCall>();
  call.PageName = "sub.lsb";
  Constant(call.Condition, 1);
  h.Add<TComDoEvent>();
  Assign(h.Add<TComCalc>().Expression, "h_after", 1);
  Builder sub("sub.lsb");
  auto& local = sub.Add<TComVarNew>();
  local.VarName = "loc";
  local.Scope = 2;
  auto& reset = sub.Add<TComPCReset>();
  reset.PageName = "new.lsb";
  reset.Index = 1;
  Assign(sub.Add<TComCalc>().Expression, "sub_after", 1);
  Builder target("new.lsb");
  Assign(target.Add<TComCalc>().Expression, "old", 2);
  auto& land = target.Add<TComCalc>();
  Assign(land.Expression, "landed", 1);
  land.RunOn = 0;
  Mount({&main, &h, &sub, &target});
  Man().Start("main.lsb");
  Frames(1);
  events_.Enqueue("b", "h.lsb", {}, 36);
  events_.Enqueue("c", "missing.lsb", {}, 36);
  Frames(1);
  // The handler yielded after the reset: its own event is gone already.
  EXPECT_EQ(Int("sub_after"), 1);
  EXPECT_FALSE(Declared("loc"));
  ASSERT_EQ(events_.Count(), 1u);
  EXPECT_EQ(events_[0].Object, "c");
  EXPECT_EQ(Man().State, 2);
  Frames(1);
  EXPECT_EQ(Int("h_after"), 1);
  EXPECT_EQ(Int("landed"), 1);
  EXPECT_EQ(Int("old"), 0);
  EXPECT_EQ(Man().Depth(), 0);
}

TEST_F(CallManEventsTest, APartialPCResetOutsideHandlersIsAJumpThatKeepsTheCalls) {
  Globals({"landed", "after_call"});
  Builder main("main.lsb");
  auto& call = main.Add<TComCall>();
  call.PageName = "sub.lsb";
  Constant(call.Condition, 1);
  Assign(main.Add<TComCalc>().Expression, "after_call", 1);
  Builder sub("sub.lsb");
  auto& reset = sub.Add<TComPCReset>();
  reset.PageName = "new.lsb";
  Builder target("new.lsb");
  Assign(target.Add<TComCalc>().Expression, "landed", 1);
  Mount({&main, &sub, &target});
  Man().Start("main.lsb");
  Frames(1);
  EXPECT_EQ(Int("landed"), 1);
  EXPECT_EQ(Int("after_call"), 1);  // new.lsb returned like the called page
}

TEST_F(CallManEventsTest, ResetClearsTheGameAndRestartsAtTheIndex) {
  int scene = 0, tables = 0, history = 0;
  struct Tables final : TablePort {
    int* count;
    void ResetTables() override { ++*count; }
    void SaveTables(ByteWriter&, int32_t) override {}
    void LoadTables(ByteReader&, int32_t) override {}
  } tables_port;
  struct History final : HistoryPort {
    int* count;
    void ClearHistory() override { ++*count; }
    void ClearHistoryEntries() override {}
    void ClearReadMarks() override {}
    void RegisterHistoryFormat(const std::string&) override {}
    int32_t HistoryCount() override { return 0; }
    bool IsMessageWindow(const std::string&) override { return false; }
    void ShowHistory(const std::string&, int32_t, int32_t, bool) override {}
  } history_port;
  tables_port.count = &tables;
  history_port.count = &history;
  scene_.on_reset = [&] { ++scene; };
  configure_ = [&](CallEnvironment& env) {
    env.ports.tables = &tables_port;
    env.ports.history = &history_port;
  };
  Globals({"g", "skipped"});
  vars_.Declare("kept", lang::PT_INT, expr::VarScope::kStatus, 0)->Value->SetInt(3);
  Builder main("main.lsb");
  auto& call = main.Add<TComCall>();
  call.PageName = "sub.lsb";
  Constant(call.Condition, 1);
  Builder sub("sub.lsb");
  Assign(sub.Add<TComCalc>().Expression, "g", 1);
  auto& reset = sub.Add<TComReset>();
  reset.PageName = "again.lsb";
  reset.Index = 1;
  Builder again("again.lsb");
  Assign(again.Add<TComCalc>().Expression, "skipped", 1);
  auto& landed = again.Add<TComVarNew>();
  landed.VarName = "landed";
  Constant(landed.InitialValue, 1);
  landed.RunOn = 0;
  Mount({&main, &sub, &again});
  Man().Start("main.lsb");
  events_.Enqueue("c", "missing.lsb", {}, 36);
  Frames(1);
  EXPECT_EQ(scene + tables + history, 3);
  EXPECT_EQ(vars_.Find("g"), nullptr);
  EXPECT_EQ(Int("kept"), 3);
  EXPECT_EQ(Int("landed"), 1);
  EXPECT_EQ(vars_.Find("skipped"), nullptr);
  EXPECT_EQ(Man().Depth(), 0);
  EXPECT_TRUE(events_.Empty());
}

}  // namespace
}  // namespace vesk::script
