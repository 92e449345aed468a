// Scripts compiled by vesk-tool and played by the headless player: the
// scenario engine's behaviour seen from the outside, through --dump-vars
// and --trace.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>

#include "e2e/game_dir_test.h"
#include "support/run_program.h"

namespace vesk::e2e {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;
using vesk::test_support::RunResult;
using vesk::test_support::Slurp;

constexpr const char* kProject = R"(title "Script test"
screen 64 48
start "start.lsb"
)";

class ScriptRun : public GameDirTest {
 protected:
  void SetUp() override {
    GameDirTest::SetUp();
    Write("project.vproj", kProject);
  }
  void Write(const std::string& name, const std::string& text) { WriteSource(name, text); }

  // Compiles src/ into game/ and plays `frames` frames; the variables go to
  // vars_ (name -> the JSON text of the values) and the trace to trace_.
  RunResult Play(int frames, const std::string& extra = "") {
    RunResult c = Compile();
    EXPECT_EQ(c.status, 0) << c.err;
    const fs::path json = dir_ / "vars.json", trace = dir_ / "trace.txt";
    RunResult r = RunPlayer("--frames " + std::to_string(frames) + " --dump-vars " + Q(json) +
                            " --trace " + Q(trace) + " " + extra);
    trace_ = Slurp(trace);
    vars_.clear();
    const std::string dump = Slurp(json);
    static const std::regex kVar(
        R"re(\{"name":"([^"]*)","type":\d,[^{}]*"values":\[([^\]]*)\]\})re");
    for (std::sregex_iterator it(dump.begin(), dump.end(), kVar), end; it != end; ++it)
      vars_[(*it)[1]] = (*it)[2];
    return r;
  }

  std::string Var(const std::string& name) const {
    auto it = vars_.find(name);
    return it == vars_.end() ? "<missing>" : it->second;
  }

  std::map<std::string, std::string> vars_;
  std::string trace_;
};

TEST_F(ScriptRun, ConditionsLoopsAndEmptyExpressions) {
  Write("start.vsc", R"(VarNew trail type: str
VarNew sum type: int
VarNew i type: int
If ()
  Calc trail = trail ~ "if"
Else
  Calc trail = trail ~ "else"
While () init: trail = trail ~ "w"
  Calc trail = trail ~ "never"
While i < 10 init: i = 0 step: i = i + 1
  If i == 3
    Continue
  ElseIf i == 6
    Break
  Calc sum = sum + i
If 1 == 1
  Calc trail = trail ~ "a"
ElseIf 2 == 2
  Calc trail = trail ~ "b"
Else
  Calc trail = trail ~ "c"
Calc trail = trail ~ "."
)");
  Write("vars.vsc", "");
  RunResult r = Play(3);
  ASSERT_EQ(r.status, 0) << r.err;
  // The empty If is false, the empty While never enters, and falling out of
  // the first branch skips ElseIf and Else.
  EXPECT_EQ(Var("trail"), "\"elsewa.\"");
  EXPECT_EQ(Var("sum"), "12");  // 0+1+2+4+5
}

TEST_F(ScriptRun, CallsArgumentsTypedResultsAndReturns) {
  Write("start.vsc", R"(VarNew quarter type: real
VarNew text type: str
VarNew after type: int
Call "quarter.lsb" result: quarter
Call "echo.lsb" args: (40 + 2, "x") result: text
Call "nothere.lsb" result: after
Calc after = after + 1
Call "breaker.lsb"
Calc after = after + 10
Call "continuer.lsb"
Calc after = after + 100
)");
  Write("quarter.vsc", "#result real\nCalc @Result = 1\nCalc @Result = @Result / 4\n");
  Write("echo.vsc",
        "#result str\nCalc @Result = @ParamStr[0] ~ @ParamStr[1] ~ @ParamCount\nExit\nCalc @Result "
        "= \"not reached\"\n");
  Write("breaker.vsc", "Break\nCalc after = 1000\n");
  Write("continuer.vsc", "Continue if: after == 11\nCalc after = 2000\n");
  RunResult r = Play(3);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Var("quarter"), "0.25");  // the page's result is a real, so 1 / 4 is not 0
  EXPECT_EQ(Var("text"), "\"42x2\"");
  // A missing page goes on after the call; Break and Continue outside any
  // loop leave their page.
  EXPECT_EQ(Var("after"), "111");
}

TEST_F(ScriptRun, WaitDoesNotCountItsFirstFrameAndTheTraceShowsLines) {
  Write("start.vsc", R"(VarNew before type: int value: @TickCount
Wait 100
VarNew after type: int value: @TickCount
# the page ends here; the engine stays at the bottom of the stack
)");
  RunResult r = Play(20, "--step 16");
  ASSERT_EQ(r.status, 0) << r.err;
  // Started in one frame, then 16 ms off per frame: 84, 68, ... -12 after
  // seven more frames.
  EXPECT_EQ(std::stoi(Var("after")) - std::stoi(Var("before")), 7 * 16);
  EXPECT_THAT(trace_, HasSubstr(" : start.lsb(1)"));
  EXPECT_THAT(trace_, HasSubstr(" : start.lsb(2)"));
  EXPECT_THAT(trace_, HasSubstr(" : start.lsb(3)"));
}

TEST_F(ScriptRun, AWaitNearTheMostNegativeTimeEndsLikeAnyNegativeOne) {
  Write("start.vsc", R"(VarNew done type: int
Wait -2147483640
Calc done = 1
)");
  RunResult r = Play(4, "--step 16");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Var("done"), "1");
}

TEST_F(ScriptRun, MenuCloseWaitsForItsObjectAndMovesOnOnceItExists) {
  Write("start.vsc", R"(VarNew n type: int
MenuClose "later"
Calc n = 1
MenuClose ""
Calc n = 2
)");
  RunResult r = Play(4);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Var("n"), "0");  // nothing named "later": the command runs again each frame

  Write("start.vsc", R"(VarNew n type: int
BoxNew Name: "later"
MenuClose "later"
Calc n = 1
MenuClose ""
Calc n = 2
)");
  r = Play(4);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Var("n"), "1");  // found: on to the next command; an empty name waits
}

TEST_F(ScriptRun, HandleKeyGivenAtCreationTakesTheFocusAndTheKeys) {
  Write("start.vsc", R"(VarNew keys type: int
VarNew handles type: int
BoxNew Name: "k" Left: 0 Top: 0 Width: 10 Height: 10 HandleKey: 1 OnKeyDown: "start.lsb:key"
GetProp "k" prop: PR_HANDLEKEY var: handles
While true
  Wait 1000
Label key
Calc keys = keys + 1
Exit
)");
  WriteFile("input.txt", "4 key A\n");
  RunResult r = Play(8, "--input " + Q(dir_ / "input.txt"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Var("handles"), "1");
  EXPECT_EQ(Var("keys"), "1");
}

TEST_F(ScriptRun, PageVersionsAndStoredPropertySets) {
  Write("start.vsc", R"(VarNew n type: int
Call "newer.lsb"
Calc n = n + 1
Call "fewsets.lsb"
)");
  Write("newer.vsc", "#version 110\nCalc n = n + 100\n");
  Write("fewsets.vsc", "#sets 40\nTileNew\nCalc n = n + 10\n");
  RunResult r = Play(3);
  ASSERT_EQ(r.status, 0) << r.err;
  // A page newer than the player plays as an empty page.
  EXPECT_EQ(Var("n"), "11");
}

TEST_F(ScriptRun, APageOlderThan103AsksForARebuild) {
  Write("start.vsc", "#version 102\nVarNew n type: int value: 1\n");
  RunResult r = Play(3);
  EXPECT_THAT(r.err, HasSubstr("リビルドしてください"));
  EXPECT_EQ(Var("n"), "<missing>");
}

TEST_F(ScriptRun, ProjectVersions105And109BothPlay) {
  for (const char* version : {"105", "109"}) {
    Write("project.vproj", std::string(kProject) + "version " + version + "\nstatus int best 7\n");
    Write("start.vsc", "VarNew n type: int value: best + 1\n");
    RunResult r = Play(2);
    ASSERT_EQ(r.status, 0) << version << ": " << r.err;
    EXPECT_EQ(Var("n"), "8") << version;
  }
}

TEST_F(ScriptRun, AGameInsideGameDatPlays) {
  Write("start.vsc", "VarNew n type: int value: 41\nCalc n = n + 1\n");
  fs::create_directories(dir_ / "packed");
  RunResult c =
      vesk::test_support::RunProgram(VESK_TOOL_PATH,
                                     "compile " + Q(dir_ / "src") + " " + Q(dir_ / "pages") +
                                         " --archive " + Q(dir_ / "packed" / "game.dat"),
                                     dir_ / "tool");
  ASSERT_EQ(c.status, 0) << c.err;
  const fs::path json = dir_ / "vars.json";
  RunResult r = RunPlayer("--frames 2 --dump-vars " + Q(json), dir_ / "packed");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_THAT(Slurp(json), HasSubstr("\"values\":[42]"));
}

TEST_F(ScriptRun, DisplayModesReachTheScript) {
  Write("start.vsc", R"(VarNew n type: int value: @DisplayModeCount
VarNew w type: int
VarNew h type: int
VarNew b type: int
VarNew r type: int
VarNew ok type: flag value: GetDisplayMode(0, w, h, b, r)
VarNew bad type: flag value: GetDisplayMode(n, w, h, b, r)
VarNew full type: flag value: @FullScr
)");
  RunResult r = Play(2);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_GE(std::stoi(Var("n")),
            1);  // the headless display offers modes of the scene size and more
  EXPECT_EQ(Var("ok"), "true");
  EXPECT_EQ(Var("bad"), "false");
  EXPECT_GE(std::stoi(Var("w")), 64);
  EXPECT_GE(std::stoi(Var("b")), 16);
  EXPECT_EQ(Var("full"), "false");
}

TEST_F(ScriptRun, CompileErrorsNameFileLineAndColumn) {
  Write("start.vsc", "Calc x = 1\nIf x >\n");
  RunResult c = Compile();
  EXPECT_EQ(c.status, 1);
  EXPECT_THAT(c.err, HasSubstr("start.vsc:2:"));
  EXPECT_FALSE(fs::exists(dir_ / "game" / "start.lsb"));
}

TEST_F(ScriptRun, TheDemoGamePlaysAndDecompilesToWhatItWasCompiledFrom) {
  const fs::path json = dir_ / "demo.json";
  RunResult r = RunPlayer("--step 16 --frames 200 --dump-vars " + Q(json), CopyDemo());
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string dump = Slurp(json);
  EXPECT_THAT(
      dump,
      HasSubstr("\"name\":\"seconds\",\"type\":1,\"status\":false,\"scope\":-1,\"local\":false,"
                "\"dims\":[],\"values\":[3]}"));
  EXPECT_THAT(dump, HasSubstr("\"values\":[\"3 秒\"]"));
  // The build's pages decompile to text that compiles back to them.
  for (const char* page : {"start.lsb", "clock.lsb", "saves.lsb"}) {
    RunResult d = vesk::test_support::RunProgram(
        VESK_TOOL_PATH, "decompile " + Q(fs::path(VESK_DEMO_DIR) / page), dir_ / "tool");
    EXPECT_EQ(d.status, 0) << d.err;
    EXPECT_THAT(d.out, Not(HasSubstr("#flat"))) << d.out;
  }
}

}  // namespace
}  // namespace vesk::e2e
