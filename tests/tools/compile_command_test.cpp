// "vesk-tool compile" as an author runs it: warnings with their places,
// --werror, the player's name rule, byte-order marks.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "support/run_program.h"

namespace vesk::tool {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;
using vesk::test_support::Quote;
using vesk::test_support::RunResult;

class CompileCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "vesk-tool-compile-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
    fs::create_directories(dir_ / "src");
  }
  void TearDown() override { fs::remove_all(dir_); }

  void Source(const std::string& name, const std::string& text) {
    std::ofstream(dir_ / "src" / name, std::ios::binary) << text;
  }
  RunResult Compile(const std::string& extra = "") {
    return test_support::RunProgram(
        VESK_TOOL_PATH, "compile " + Quote(dir_ / "src") + " " + Quote(dir_ / "game") + " " + extra,
        dir_ / "run");
  }

  fs::path dir_;
};

TEST_F(CompileCommand, WarnsOncePerFileAboutNamesNothingDeclares) {
  Source("project.vproj", "status int best 0\n");
  Source("start.vsc",
         "VarNew score type: int\n"
         "Calc scroe = score + best + @TickCount + PR_LEFT\n"
         "GetProp \"box\" prop: PR_LEFT var: lft\n"
         "Call \"other.lsb\" result: reslt\n"
         "Calc SCORE = Score + BEST + shared\n"  // the player ignores ASCII case
         "Calc scroe = 2\n");
  Source("other.vsc", "VarNew shared type: str\nVarDel gone\nCalc scroe = 1\n");
  const RunResult r = Compile();
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_THAT(
      r.err,
      HasSubstr("start.vsc:2:6: warning: 'scroe' is not declared by any VarNew or status line\n"));
  EXPECT_THAT(r.err, HasSubstr("start.vsc:3:34: warning: 'lft' is not declared"));
  EXPECT_THAT(r.err, HasSubstr("start.vsc:4:26: warning: 'reslt' is not declared"));
  EXPECT_THAT(r.err, HasSubstr("other.vsc:2:8: warning: 'gone' is not declared"));
  EXPECT_THAT(r.err, HasSubstr("other.vsc:3:6: warning: 'scroe'"));
  EXPECT_THAT(r.err, Not(HasSubstr("start.vsc:6:")));
  EXPECT_THAT(r.err, Not(HasSubstr("'score'")));
  EXPECT_THAT(r.err, Not(HasSubstr("'shared'")));
  EXPECT_TRUE(fs::exists(dir_ / "game" / "start.lsb"));  // warnings write the game all the same

  fs::remove_all(dir_ / "game");
  const RunResult strict = Compile("--werror");
  EXPECT_EQ(strict.status, 1);
  EXPECT_THAT(strict.err, HasSubstr("start.vsc:2:6: warning:"));
  EXPECT_THAT(strict.err, HasSubstr("5 warning(s) treated as errors (--werror)"));
  EXPECT_FALSE(fs::exists(dir_ / "game"));
}

TEST_F(CompileCommand, WarnsAboutTheStartPageAndStatusNamesGivenTwice) {
  Source("project.vproj", "title \"t\"\nstart \"main.lsb\"\nstatus int best 0\nstatus flag Best\n");
  Source("start.vsc", "Calc best = 1\n");
  RunResult r = Compile();
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_THAT(r.err, HasSubstr("project.vproj:2:7: warning: the start page 'main.lsb' is not among "
                               "the compiled scripts"));
  EXPECT_THAT(
      r.err,
      HasSubstr(
          "project.vproj:4:13: warning: status variable 'Best' is already declared on line 3"));
  EXPECT_EQ(Compile("--werror").status, 1);

  Source("project.vproj", "status int best 0\n");
  fs::rename(dir_ / "src" / "start.vsc", dir_ / "src" / "Main.vsc");
  r = Compile();
  EXPECT_THAT(
      r.err,
      HasSubstr("project.vproj:1:1: warning: the default start page 'start.lsb' is not among"));
  Source("project.vproj", "start \"MAIN.LSB\"\nstatus int best 0\n");
  r = Compile("--werror");
  EXPECT_EQ(r.status, 0) << r.err;  // names are matched as the player's file lookup does
}

TEST_F(CompileCommand, NamesThePlayerRefusesAreErrorsWithTheirPlace) {
  Source("project.vproj", "status int $\"a b\" 0\n");
  Source("start.vsc", "Calc a = 1\n");
  RunResult r = Compile();
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err,
              HasSubstr("project.vproj:1:12: 'a b' is not a variable name the player accepts"));
  Source("project.vproj", "title \"t\"\n");
  Source("start.vsc", "VarNew a type: int\nVarNew $\"9lives\" type: int\n");
  r = Compile();
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err,
              HasSubstr("start.vsc:2:8: '9lives' is not a variable name the player accepts"));
  EXPECT_FALSE(fs::exists(dir_ / "game"));
}

TEST_F(CompileCommand, ByteOrderMarksAreSkipped) {
  Source("project.vproj", "\xEF\xBB\xBFtitle \"t\"\n");
  Source("start.vsc", "\xEF\xBB\xBFVarNew a type: int\nCalc a = b\n");
  const RunResult r = Compile();
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_THAT(r.err, HasSubstr("start.vsc:2:10: warning: 'b'"));
  EXPECT_TRUE(fs::exists(dir_ / "game" / "vesk.lpb"));
}

TEST_F(CompileCommand, TheDemoCompilesWithoutWarnings) {
  const fs::path demo = fs::path(VESK_FIXTURES_DIR).parent_path().parent_path() / "demo";
  const RunResult r = test_support::RunProgram(
      VESK_TOOL_PATH, "compile --werror " + Quote(demo) + " " + Quote(dir_ / "game"), dir_ / "run");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_THAT(r.err, Not(HasSubstr("warning")));
}

}  // namespace
}  // namespace vesk::tool
