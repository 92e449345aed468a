// The interpreter over pages built in memory: flow control, loops, calls
// with arguments and results, waits, and how failures are contained.
#include "script/callman.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "callman_fixture.h"

namespace vesk::script {

using namespace vesk::lang;  // the vocabulary ids

namespace {

using namespace test;

class CallManTest : public CallManFixture {};

TEST_F(CallManTest, IfChainsTakeTheFirstTrueBranchAndEmptyConditionsAreFalse) {
  Globals({"r", "s", "t"});
  Builder main("main.lsb");
  Constant(main.Add<TComIf>().Condition, 0);
  Assign(main.Add<TComCalc>(1).Expression, "r", 1);
  Constant(main.Add<TComElseif>().Condition, 1);
  Assign(main.Add<TComCalc>(1).Expression, "r", 2);
  main.Add<TComElse>();
  Assign(main.Add<TComCalc>(1).Expression, "r", 3);
  main.Add<TComIf>();  // empty condition: false
  Assign(main.Add<TComCalc>(1).Expression, "s", 1);
  main.Add<TComElse>();
  Assign(main.Add<TComCalc>(1).Expression, "s", 2);
  Assign(main.Add<TComCalc>().Expression, "t", 9);
  Mount({&main});
  Man().Start("main.lsb");
  Frames(1);
  EXPECT_EQ(Int("r"), 2);
  EXPECT_EQ(Int("s"), 2);
  EXPECT_EQ(Int("t"), 9);
}

TEST_F(CallManTest, ElseifReachedByFallingOutOfTheIfBodySkipsTheRestOfTheChain) {
  Globals({"r", "after"});
  Builder main("main.lsb");
  Constant(main.Add<TComIf>().Condition, 1);
  Assign(main.Add<TComCalc>(1).Expression, "r", 1);
  Constant(main.Add<TComElseif>().Condition, 1);
  Assign(main.Add<TComCalc>(1).Expression, "r", 2);
  main.Add<TComElse>();
  Assign(main.Add<TComCalc>(1).Expression, "r", 3);
  Assign(main.Add<TComCalc>().Expression, "after", 1);
  Mount({&main});
  Man().Start("main.lsb");
  Frames(1);
  EXPECT_EQ(Int("r"), 1);
  EXPECT_EQ(Int("after"), 1);
}

TEST_F(CallManTest, LoopsWithBreakAndContinue) {
  Globals({"i", "n", "done"});
  Builder main("main.lsb");
  Assign(main.Add<TComWhileInit>().Expression, "i", 0);  // 0
  auto& loop = main.Add<TComWhile>();                    // 1
  Less(loop.Condition, "i", 10);
  loop.ExitIndex = 7;
  Op(main.Add<TComCalc>(1).Expression, ocPlus, "i", V("i"), I(1));  // 2
  auto& skip = main.Add<TComContinue>(1);                           // 3: skip odd i
  Op(skip.Condition, ocAnd, "____0", V("i"), I(1));
  Op(skip.Condition, ocTo, "____arg", V("____0"));
  skip.Target = 6;
  Op(main.Add<TComCalc>(1).Expression, ocPlus, "n", V("n"), I(1));  // 4: counts even i
  auto& stop = main.Add<TComBreak>(1);                              // 5: leave at i = 6
  Op(stop.Condition, ocEqual, "____0", V("i"), I(6));
  Op(stop.Condition, ocTo, "____arg", V("____0"));
  stop.Target = 7;
  main.Add<TComWhileLoop>().LoopIndex = 1;             // 6
  Assign(main.Add<TComCalc>().Expression, "done", 1);  // 7
  Mount({&main});
  Man().Start("main.lsb");
  Frames(1);
  EXPECT_EQ(Int("i"), 6);
  EXPECT_EQ(Int("n"), 3);  // 2, 4, 6
  EXPECT_EQ(Int("done"), 1);
}

TEST_F(CallManTest, CallsPassArgumentsAndTheResultIsTypedByTheCalledPage) {
  Globals({"got", "after"});
  vars_.Declare("r", lang::PT_STR, expr::VarScope::kGlobal, 0);
  Builder main("main.lsb");
  auto& call = main.Add<TComCall>();
  call.PageName = "sub.lsb";
  call.ResultVar = "r";
  Constant(call.Condition, 1);
  call.Args.resize(2);
  Constant(call.Args[0], 7);
  // The second argument has no value and is left out.
  Assign(main.Add<TComCalc>().Expression, "after", 1);
  Builder sub("sub.lsb", lang::PT_INT);
  Op(sub.Add<TComCalc>().Expression, ocTo, "got", V("@ParamCount"));
  Op(sub.Add<TComCalc>().Expression, ocPlus, "@Result", I(40), I(2));
  Constant(sub.Add<TComExit>().Condition, 1);
  Assign(sub.Add<TComCalc>().Expression, "got", -1);  // never reached
  Mount({&main, &sub});
  Man().Start("main.lsb");
  Frames(1);
  EXPECT_EQ(Int("got"), 1);
  EXPECT_EQ(vars_.Find("r")->Value->GetStr(), "42");
  EXPECT_EQ(Int("after"), 1);
  EXPECT_EQ(Man().Depth(), 0);
  EXPECT_EQ(vars_.CurrentScope, 0);
}

TEST_F(CallManTest, FalseOrMissingCallsGoOnAndThePageEndAtTheBottomStays) {
  Globals({"after"});
  Builder main("main.lsb");
  auto& missing = main.Add<TComCall>();
  missing.PageName = "nowhere.lsb";
  Constant(missing.Condition, 1);
  auto& off = main.Add<TComCall>();
  off.PageName = "main.lsb";
  Constant(off.Condition, 0);
  Assign(main.Add<TComCalc>().Expression, "after", 1);
  Mount({&main});
  Man().Start("main.lsb");
  Frames(3);
  EXPECT_EQ(Int("after"), 1);
  EXPECT_EQ(Man().CurIndex, 3);  // ran out, and stays
  EXPECT_FALSE(ctx_.terminated);
}

TEST_F(CallManTest, AutoDeleteAndLocalVariablesGoWithTheirCall) {
  Builder main("main.lsb");
  auto& call = main.Add<TComCall>();
  call.PageName = "sub.lsb";
  Constant(call.Condition, 1);
  Builder sub("sub.lsb");
  auto& local = sub.Add<TComVarNew>();
  local.VarName = "tmp";
  local.Scope = 2;
  Constant(local.InitialValue, 5);
  auto& global = sub.Add<TComVarNew>();
  global.VarName = "keep";
  Constant(global.InitialValue, 6);
  Mount({&main, &sub});
  Man().Start("main.lsb");
  Frames(1);
  EXPECT_EQ(vars_.Find("tmp"), nullptr);
  EXPECT_EQ(Int("keep"), 6);
}

TEST_F(CallManTest, AWaitOfOneHundredMsDoesNotCountItsFirstFrame) {
  Globals({"after"});
  Builder main("main.lsb");
  Constant(main.Add<TComWait>().Time, 100);
  Assign(main.Add<TComCalc>().Expression, "after", 1);
  Mount({&main});
  Man().Start("main.lsb");
  int frames = 0;
  while (Int("after") != 1 && frames < 50) {
    Frames(1, 20);
    ++frames;
  }
  EXPECT_EQ(frames, 1 + 5);  // the start frame does not count; then 5 x 20 ms
}

TEST_F(CallManTest, ACommandWithoutRunOnEndsTheFrameAndEachCommandIsTracedOnce) {
  Globals({"a", "b"});
  const auto trace_file = std::filesystem::temp_directory_path() / "vesk-callman-trace.txt";
  ASSERT_TRUE(trace_.Open(trace_file.string()));
  Builder main("main.lsb");
  auto& first = main.Add<TComCalc>();
  Assign(first.Expression, "a", 1);
  first.RunOn = 0;
  first.Line = 3;
  auto& second = main.Add<TComCalc>();
  Assign(second.Expression, "b", 1);
  second.Line = 4;
  Mount({&main});
  Man().Start("main.lsb");
  Frames(1);
  EXPECT_EQ(Int("a"), 1);
  EXPECT_EQ(Int("b"), 0);
  Frames(1);
  EXPECT_EQ(Int("b"), 1);
  trace_.Close();
  std::ifstream in(trace_file);
  std::string l1, l2, l3;
  std::getline(in, l1);
  std::getline(in, l2);
  EXPECT_EQ(l1, "00000010 : main.lsb(3)");
  EXPECT_EQ(l2, "00000020 : main.lsb(4)");
  EXPECT_FALSE(std::getline(in, l3));
  std::filesystem::remove(trace_file);
}

TEST_F(CallManTest, AFailingCommandEndsTheFrameInsteadOfSpinning) {
  Globals({"after"});
  Builder main("main.lsb");
  main.Add<TComVarNew>();  // no name: raises after moving on
  Assign(main.Add<TComCalc>().Expression, "after", 1);
  Mount({&main});
  Man().Start("main.lsb");
  Frames(1);
  EXPECT_EQ(Int("after"), 0);
  Frames(1);
  EXPECT_EQ(Int("after"), 1);
}

TEST_F(CallManTest, TerminateStopsTheScenario) {
  Globals({"after"});
  Builder main("main.lsb");
  main.Add<TComTerminate>();
  Assign(main.Add<TComCalc>().Expression, "after", 1);
  Mount({&main});
  Man().Start("main.lsb");
  Frames(3);
  EXPECT_TRUE(ctx_.terminated);
  EXPECT_EQ(Int("after"), 0);
}

TEST_F(CallManTest, AScenarioSavedInsideACallWithAWaitResumesWhereItWas) {
  Globals({"inside", "after", "args"});
  Builder main("main.lsb");
  auto& call = main.Add<TComCall>();
  call.PageName = "sub.lsb";
  Constant(call.Condition, 1);
  call.Args.resize(1);
  Constant(call.Args[0], 7);
  Assign(main.Add<TComCalc>().Expression, "after", 1);
  Builder sub("sub.lsb");
  Constant(sub.Add<TComWait>().Time, 100);
  Assign(sub.Add<TComCalc>().Expression, "inside", 1);
  Op(sub.Add<TComCalc>().Expression, ocTo, "args", V("@ParamCount"));
  Mount({&main, &sub});
  Man().Start("main.lsb");
  Frames(3, 20);  // the wait has 60 ms left
  ByteWriter saved;
  Man().SaveToStream(saved);

  man_.reset();
  vars_.CurrentScope = 0;
  ByteReader in(saved.bytes().data(), saved.bytes().size());
  Man().LoadFromStream(in, 121);
  EXPECT_TRUE(in.at_end());
  EXPECT_EQ(Man().Depth(), 1);
  EXPECT_EQ(vars_.CurrentScope, 1);
  EXPECT_EQ(Man().Arg(0), "7");
  Frames(2, 20);
  EXPECT_EQ(Int("inside"), 0);  // 20 ms still to go
  Frames(1, 20);
  EXPECT_EQ(Int("inside"), 1);
  EXPECT_EQ(Int("args"), 1);
  EXPECT_EQ(Int("after"), 1);
  // Every cut of the stored form is refused.
  for (size_t cut = 0; cut < saved.bytes().size(); cut += 3) {
    man_.reset();
    ByteReader part(saved.bytes().data(), cut);
    EXPECT_THROW(Man().LoadFromStream(part, 121), ETruncated) << cut;
  }
}

TEST_F(CallManTest, ADamagedSaveWithAHandlerButNoFrameEndsTheFrame) {
  // A handler running at the end of its page with no frame to return to:
  // no real run gets there, a damaged save does, and the frame must end.
  Builder main("main.lsb");
  main.Add<TComLabel>().LabelName = "only";
  Mount({&main});
  ByteWriter w;
  w.Str("main.lsb");
  w.I32(5);  // past the last command
  w.U8(1);   // run-on
  w.U8(0);
  w.I32(1);  // a level-1 handler runs
  w.Str("");
  w.I32(0);   // arguments
  w.Str("");  // the scratch frame
  w.I32(0);
  w.U8(0);
  w.U8(0);
  w.I32(0);
  w.I32(0);
  w.Str("");
  w.I32(0);
  w.U8(0);
  w.I32(0);  // no frames
  w.I32(2);  // event level
  ByteReader in(w.bytes().data(), w.bytes().size());
  Man().LoadFromStream(in, 121);
  Frames(2);
  EXPECT_EQ(Man().CurIndex, 5);
  EXPECT_EQ(Man().Depth(), 0);
}

}  // namespace
}  // namespace vesk::script
