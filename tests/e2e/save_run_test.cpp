// Saved games and status data through the real player: what survives a
// restart, where the saves go when the game's folder is read-only, and what
// happens to a save.dat that cannot be read.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "game_dir_test.h"
#include "support/run_program.h"

namespace vesk::e2e {
namespace {

namespace fs = std::filesystem;

constexpr const char* kProject = R"(title "saves"
screen 64 48
start "start.lsb"
status int runs 0
)";

// Each run counts itself in a status variable; the first run also saves a
// game into slot 2 and ends, every later run loads it back (the game goes
// on after the save, now with n = 42) and lists the captions.
constexpr const char* kStart = R"(VarNew n type: int value: 0
VarNew caption type: str
VarNew count type: int
VarNew captions type: str
VarNew loaded type: int
Calc runs = runs + 1
Calc caption = GetSaveCaption(2)
If caption == ""
  Calc n = 42
  GameSave 2 caption: "slot two"
  Wait 20
  If runs == 1
    Terminate
Else
  GameLoad 2
  Wait 20
Calc loaded = n
Calc count = ListSaveCaption(captions)
Terminate
)";

class SaveRunTest : public GameDirTest {
 protected:
  void SetUp() override {
    GameDirTest::SetUp();
    data_home_ = dir_ / "data-home";
    fs::create_directories(data_home_);
    setenv("XDG_DATA_HOME", data_home_.c_str(), 1);
    WriteSource("project.vproj", kProject);
    WriteSource("start.vsc", kStart);
    ASSERT_EQ(Compile().status, 0);
  }
  // A run with a variable dump; `prefix` goes before the program.
  test_support::RunResult Run(const std::string& prefix = "") {
    fs::create_directories(dir_ / "out");
    fs::permissions(dir_ / "out", fs::perms::all);
    return test_support::RunProgram(VESK_PLAYER_PATH,
                                    "--headless --no-logo --frames 50 --dump-vars " +
                                        Q(dir_ / "out" / "vars.json") + " " + Q(dir_ / "game"),
                                    dir_ / "player", prefix);
  }
  std::string Vars() { return test_support::Slurp(dir_ / "out" / "vars.json"); }
  static std::string Value(const std::string& json, const std::string& name) {
    const size_t at = json.find("\"name\":\"" + name + "\"");
    if (at == std::string::npos) return "?";
    const size_t v = json.find("\"values\":", at);
    return json.substr(v + 9, json.find('}', v) - v - 9);
  }
  fs::path data_home_;
};

TEST_F(SaveRunTest, StatusAndSavedGamesSurviveARestart) {
  auto first = Run();
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_EQ(Value(Vars(), "runs"), "[1]");
  ASSERT_TRUE(fs::exists(dir_ / "game" / "save.dat"));

  auto second = Run();
  ASSERT_EQ(second.status, 0) << second.err;
  const std::string vars = Vars();
  EXPECT_EQ(Value(vars, "runs"), "[2]");
  EXPECT_EQ(Value(vars, "loaded"), "[42]");  // the saved game came back
  EXPECT_EQ(Value(vars, "count"), "[1]");
  EXPECT_EQ(Value(vars, "captions"), "[\"slot two\"]");

  auto third = Run();
  ASSERT_EQ(third.status, 0) << third.err;
  EXPECT_EQ(Value(Vars(), "runs"), "[3]");
  EXPECT_TRUE(third.err.empty()) << third.err;
}

TEST_F(SaveRunTest, ADamagedSaveFileIsKeptAsideAndSaidSo) {
  const std::string junk = "this is not an archive";
  std::ofstream(dir_ / "game" / "save.dat") << junk;
  auto run = Run();
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("save.dat.broken-1"), std::string::npos) << run.err;
  EXPECT_EQ(test_support::Slurp(dir_ / "game" / "save.dat.broken-1"), junk);
  // The new file holds the game saved in this run.
  auto again = Run();
  ASSERT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(Value(Vars(), "loaded"), "[42]");
  EXPECT_EQ(Value(Vars(), "runs"), "[2]");
  EXPECT_FALSE(fs::exists(dir_ / "game" / "save.dat.broken-2"));
}

// Tables in saved games and in the status data: a game table read from a
// tab-separated file and a status table. The second run loads the game
// saved before the first run changed its table.
constexpr const char* kTables = R"(VarNew ok type: int
VarNew hp type: int
VarNew who type: str
VarNew kept type: int
VarNew rows type: int
Calc runs = runs + 1
If runs == 1
  Calc ok = DBCreateTable("kept", true); ok = DBAddField("n", PT_INT); ok = DBInsert(7)
  Calc ok = DBCreateTable("party", false); ok = DBLoadTsvFile("party.tsv"); ok = DBSetRecNo(1)
  GameSave 2 caption: "tables"
  Wait 20
  If runs == 1
    Calc ok = DBSetInt("hp", 99); ok = DBInsert("extra", 1)
    Terminate
Else
  GameLoad 2
  Wait 20
Calc hp = DBGetInt("hp"); who = DBGetStr("name"); rows = DBRecordCount()
Calc ok = DBSetActive("kept"); ok = DBFindFirst(); kept = DBGetInt("n")
Terminate
)";

TEST_F(SaveRunTest, TablesComeBackWithTheGameAndStatusTablesWithTheRun) {
  WriteSource("start.vsc", kTables);
  ASSERT_EQ(Compile().status, 0);
  std::ofstream(dir_ / "game" / "party.tsv") << "name\thp int\r\nharuka\t30\r\nyu\t25\r\n";
  auto first = Run();
  ASSERT_EQ(first.status, 0) << first.err;
  auto second = Run();
  ASSERT_EQ(second.status, 0) << second.err;
  const std::string vars = Vars();
  EXPECT_EQ(Value(vars, "runs"), "[2]");
  EXPECT_EQ(Value(vars, "who"), "[\"yu\"]");  // the saved current record
  EXPECT_EQ(Value(vars, "hp"), "[25]");       // as saved, not as changed after
  EXPECT_EQ(Value(vars, "rows"), "[2]");
  EXPECT_EQ(Value(vars, "kept"), "[7]");
  // The tool reads the same sections.
  auto shown = test_support::RunProgram(
      VESK_TOOL_PATH, "save show " + Q(dir_ / "game" / "save.dat"), dir_ / "tool");
  EXPECT_EQ(shown.status, 0) << shown.err;
  EXPECT_NE(shown.out.find("\"party\": 2 records, current 1; name str(80), hp int"),
            std::string::npos)
      << shown.out;
  EXPECT_NE(shown.out.find("\"kept\": 1 record, current 0; n int"), std::string::npos) << shown.out;
}

// Root may write anywhere: the read-only folder is tried as an ordinary user.
std::string AsOrdinaryUser() {
  if (geteuid() != 0) return "";
  return std::system("command -v setpriv > /dev/null") == 0
             ? "setpriv --reuid=65534 --regid=65534 --clear-groups"
             : "-";
}

TEST_F(SaveRunTest, AReadOnlyGameFolderSendsTheSavesToTheUsersDataFolder) {
  const std::string prefix = AsOrdinaryUser();
  if (prefix == "-") GTEST_SKIP() << "running as root without setpriv";
  for (const fs::path& p : {dir_ / "run", data_home_}) fs::permissions(p, fs::perms::all);
  fs::permissions(dir_ / "game", fs::perms::owner_read | fs::perms::owner_exec |
                                     fs::perms::group_read | fs::perms::group_exec |
                                     fs::perms::others_read | fs::perms::others_exec);
  auto first = Run(prefix);
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_FALSE(fs::exists(dir_ / "game" / "save.dat"));
  // <data home>/vesk-player/<the game's lock name>/save.dat
  fs::path saved;
  for (const auto& e : fs::recursive_directory_iterator(data_home_ / "vesk-player"))
    if (e.path().filename() == "save.dat") saved = e.path();
  ASSERT_FALSE(saved.empty());
  EXPECT_NE(saved.parent_path().filename().string().find("GAME-"), std::string::npos) << saved;

  auto second = Run(prefix);
  ASSERT_EQ(second.status, 0) << second.err;
  EXPECT_EQ(Value(Vars(), "runs"), "[2]");
  EXPECT_EQ(Value(Vars(), "loaded"), "[42]");
  fs::permissions(dir_ / "game", fs::perms::owner_all, fs::perm_options::add);
}

TEST_F(SaveRunTest, ASaveFileInAReadOnlyGameFolderIsReadFirst) {
  const std::string prefix = AsOrdinaryUser();
  if (prefix == "-") GTEST_SKIP() << "running as root without setpriv";
  ASSERT_EQ(Run().status, 0);  // writable: the save lands beside the game
  ASSERT_TRUE(fs::exists(dir_ / "game" / "save.dat"));
  // The lock the first run made must open for the other user too.
  for (const auto& e : fs::recursive_directory_iterator(dir_ / "run"))
    fs::permissions(e.path(), fs::perms::all);
  for (const fs::path& p : {dir_ / "run", data_home_}) fs::permissions(p, fs::perms::all);
  fs::permissions(dir_ / "game", fs::perms::owner_write | fs::perms::group_write,
                  fs::perm_options::remove);
  auto run = Run(prefix);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Value(Vars(), "runs"), "[2]");  // the old status came from the game folder
  EXPECT_EQ(Value(Vars(), "loaded"), "[42]");
  EXPECT_TRUE(fs::exists(dir_ / "game" / "save.dat"));
  fs::permissions(dir_ / "game", fs::perms::owner_all, fs::perm_options::add);
}

}  // namespace
}  // namespace vesk::e2e
