// The player's own keys and its settings screen, end to end: a game that
// watches @KeyPush for every key they use sees none of them, while the
// same keys without their modifiers, and keys after the screen closed,
// are the game's as always.
#include <gtest/gtest.h>

#include <filesystem>

#include "e2e/game_dir_test.h"
#include "support/run_program.h"

namespace vesk::e2e {
namespace {

namespace fs = std::filesystem;
using vesk::test_support::RunResult;
using vesk::test_support::Slurp;

// A flag for each key, raised once the script has seen it pushed.
constexpr const char* kGame = R"(VarNew k_o type: int
VarNew k_s type: int
VarNew k_ret type: int
VarNew k_print type: int
VarNew k_down type: int
VarNew k_left type: int
VarNew k_z type: int
While true
  If @KeyPush[79]
    Calc k_o = 1
  If @KeyPush[83]
    Calc k_s = 1
  If @KeyPush[13]
    Calc k_ret = 1
  If @KeyPush[44]
    Calc k_print = 1
  If @KeyPush[40]
    Calc k_down = 1
  If @KeyPush[37]
    Calc k_left = 1
  If @KeyPush[90]
    Calc k_z = 1
  Wait 16
)";

class PlayerKeysRun : public GameDirTest {
 protected:
  void SetUp() override {
    GameDirTest::SetUp();
    WriteSource("project.vproj", "title \"Keys\"\nscreen 640 480\nstart \"start.lsb\"\n");
    WriteSource("start.vsc", kGame);
    RunResult c = Compile();
    ASSERT_EQ(c.status, 0) << c.err;
    setenv("XDG_PICTURES_DIR", (dir_ / "pictures").c_str(), 1);
  }
  void TearDown() override {
    unsetenv("XDG_PICTURES_DIR");
    GameDirTest::TearDown();
  }
  std::string Run(const std::string& input, int frames) {
    WriteFile("input.txt", input);
    const fs::path json = dir_ / "vars.json";
    RunResult r =
        RunPlayer("--frames " + std::to_string(frames) + " --input " + Q(dir_ / "input.txt") +
                  " --dump-vars " + Q(json) + " --screenshot " + Q(dir_ / "last.png"));
    EXPECT_EQ(r.status, 0) << r.err;
    return Slurp(json);
  }
  // The one settings.ini the run wrote, or "" when there is none.
  std::string SettingsFile() const {
    const fs::path root = dir_ / "config" / "vesk-player";
    if (!fs::exists(root)) return "";
    for (const auto& game : fs::directory_iterator(root))
      if (fs::exists(game.path() / "settings.ini")) return Slurp(game.path() / "settings.ini");
    return "";
  }
};

TEST_F(PlayerKeysRun, ThePlayersKeysAndItsSettingsScreenNeverReachTheGame) {
  const std::string vars = Run(
      // Alt+S (scaling), Alt+Return (full screen), PrintScreen (screenshot).
      "10 keydown Alt\n10 key S\n14 key Return\n16 keyup Alt\n"
      "20 key PrintScreen\n"
      // Alt+O opens the settings screen: Down, Down, Down to the volume,
      // Left twice, Return for OK.
      "30 keydown Alt\n30 key O\n31 keyup Alt\n"
      "34 key Down\n36 key Down\n38 key Down\n40 key Left\n42 key Left\n44 key Return\n"
      // Closed: Z is the game's again.
      "50 key Z\n",
      70);
  for (const char* flag : {"k_o", "k_s", "k_ret", "k_print", "k_down", "k_left"})
    EXPECT_EQ(DumpedValues(vars, flag), "0") << flag << " in " << vars;
  EXPECT_EQ(DumpedValues(vars, "k_z"), "1") << vars;

  const std::string ini = SettingsFile();
  EXPECT_NE(ini.find("scaling=fit"), std::string::npos) << ini;
  EXPECT_NE(ini.find("fullscreen=1"), std::string::npos) << ini;
  EXPECT_NE(ini.find("volume=90\n"), std::string::npos) << ini;
  ASSERT_TRUE(fs::exists(dir_ / "pictures" / "vesk-player"));
  EXPECT_FALSE(fs::is_empty(dir_ / "pictures" / "vesk-player"));
}

TEST_F(PlayerKeysRun, TheSameKeysWithoutTheirModifiersAreTheGames) {
  const std::string vars = Run("10 key O\n12 key S\n14 key Return\n", 30);
  EXPECT_EQ(DumpedValues(vars, "k_o"), "1") << vars;
  EXPECT_EQ(DumpedValues(vars, "k_s"), "1") << vars;
  EXPECT_EQ(DumpedValues(vars, "k_ret"), "1") << vars;
  EXPECT_EQ(SettingsFile(), "");  // nothing of the player's changed
}

}  // namespace
}  // namespace vesk::e2e
