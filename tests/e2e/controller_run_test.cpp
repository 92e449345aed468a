// A game controller in a real window: SDL's virtual controller, played by
// the script in VESK_TEST_VIRTUAL_CONTROLLER, reaches the game's script as
// the keys and clicks it stands for.
#include <gtest/gtest.h>

#include <filesystem>

#include "e2e/game_dir_test.h"
#include "support/run_program.h"
#include "support/xvfb_server.h"

namespace vesk::e2e {
namespace {

namespace fs = std::filesystem;
using vesk::test_support::RunResult;
using vesk::test_support::Slurp;

// Each flag goes up once the script has seen its key held or its click.
constexpr const char* kGame = R"(VarNew ret type: int
VarNew esc type: int
VarNew left type: int
VarNew down type: int
VarNew lclick type: int
VarNew rclick type: int
While true
  If @KeyPush[13]
    Calc ret = 1
  If @KeyPush[27]
    Calc esc = 1
  If @KeyPush[37]
    Calc left = 1
  If @KeyPush[40]
    Calc down = 1
  If @LClick
    Calc lclick = 1
  If @RClick
    Calc rclick = 1
  Wait 16
)";

class ControllerRun : public GameDirTest {
 protected:
  void SetUp() override {
    GameDirTest::SetUp();
    WriteSource("project.vproj", "title \"Pad\"\nscreen 120 90\nstart \"start.lsb\"\n");
    WriteSource("start.vsc", kGame);
    RunResult c = Compile();
    ASSERT_EQ(c.status, 0) << c.err;
  }
  // The variables after a windowed run of `frames` frames with the
  // controller doing `pad_script`.
  std::string Run(const test_support::XvfbServer& x, int frames, const std::string& pad_script) {
    const fs::path json = dir_ / "vars.json";
    RunResult r =
        test_support::RunProgram(VESK_PLAYER_PATH,
                                 "--no-logo --frames " + std::to_string(frames) + " --dump-vars " +
                                     Q(json) + " " + Q(dir_ / "game"),
                                 dir_ / "player",
                                 x.Env() + " VESK_TEST_VIRTUAL_CONTROLLER='" + pad_script +
                                     "' XDG_CONFIG_HOME=" + Q(dir_ / "config"));
    EXPECT_EQ(r.status, 0) << r.err;
    return Slurp(json);
  }
};

TEST_F(ControllerRun, ButtonsAndTheDpadArriveAsKeysAndClicks) {
  test_support::XvfbServer x("1024x768x24");
  if (!x.up()) GTEST_SKIP() << "no X server for the window test";
  // The presses start once the window has surely come up and taken the
  // focus (a loaded machine may take a few frames), and last long enough to
  // be seen by a script that looks once a frame.
  const std::string vars = Run(x, 140,
                               "40:a:1 46:a:0 52:b:1 58:b:0 64:dpleft:1 70:dpleft:0 "
                               "76:dpdown:1 82:dpdown:0 88:x:1 94:x:0 100:y:1 106:y:0");
  for (const char* flag : {"ret", "esc", "left", "down", "lclick", "rclick"})
    EXPECT_EQ(DumpedValues(vars, flag), "1") << flag << " in " << vars;
}

TEST_F(ControllerRun, StartIsNotEscapeAndTheLeftStickHasADeadZone) {
  test_support::XvfbServer x("1024x768x24");
  if (!x.up()) GTEST_SKIP() << "no X server for the window test";
  const std::string vars =
      Run(x, 100, "40:start:1 46:start:0 52:leftx:-8000 58:leftx:0 64:lefty:30000 70:lefty:0");
  EXPECT_EQ(DumpedValues(vars, "esc"), "0") << vars;
  EXPECT_EQ(DumpedValues(vars, "left"), "0") << vars;  // inside the dead zone
  EXPECT_EQ(DumpedValues(vars, "down"), "1") << vars;
}

}  // namespace
}  // namespace vesk::e2e
