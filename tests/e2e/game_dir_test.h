#pragma once
// A fixture for end-to-end runs of scripts: a fresh folder per test with the
// sources in src/, compiled by vesk-tool into game/, and a private runtime
// folder so that runs never meet another test's instance lock.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "support/run_program.h"

namespace vesk::e2e {

// A private copy of the built demo in DIR/demo: a run writes save.dat
// beside the game, and must neither leave one in the build nor find one
// there.
inline std::filesystem::path CopyDemoInto(const std::filesystem::path& dir) {
  // An empty folder would mean ./demo: the sources when run from the tree.
  if (dir.empty() || dir.is_relative())
    throw std::logic_error("the demo is copied into a test's own folder only");
  const std::filesystem::path to = dir / "demo";
  std::filesystem::remove_all(to);
  std::filesystem::copy(VESK_DEMO_DIR, to, std::filesystem::copy_options::recursive);
  std::filesystem::remove(to / "save.dat");
  return to;
}

// The values of one variable in a --dump-vars file, as written between its
// "values" brackets ("<missing>" when the variable is not there).
inline std::string DumpedValues(const std::string& vars, const std::string& name) {
  const size_t at = vars.find("\"name\":\"" + name + "\"");
  if (at == std::string::npos) return "<missing>";
  const size_t values = vars.find("\"values\":[", at);
  if (values == std::string::npos) return "<missing>";
  return vars.substr(values + 10, vars.find(']', values) - values - 10);
}

class GameDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The process id keeps two test runs at once (two build trees) apart.
    dir_ = std::filesystem::temp_directory_path() /
           ("vesk-e2e-game-" + std::to_string(getpid()) + "-" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_ / "src");
    std::filesystem::create_directories(dir_ / "run");
    setenv("XDG_RUNTIME_DIR", (dir_ / "run").c_str(), 1);
    // The player's per-game settings and the user's data stay in the test's
    // folder, never in the user's own.
    setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
    setenv("XDG_DATA_HOME", (dir_ / "data").c_str(), 1);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  // A script source (in src/) or any other file (in the test's folder).
  void WriteSource(const std::string& name, const std::string& text) {
    std::ofstream(dir_ / "src" / name) << text;
  }
  void WriteFile(const std::string& name, const std::string& text) {
    std::ofstream(dir_ / name) << text;
  }
  static std::string Q(const std::filesystem::path& p) { return "'" + p.string() + "'"; }

  std::filesystem::path CopyDemo() { return CopyDemoInto(dir_); }

  // vesk-tool compile src/ game/ [extra]
  test_support::RunResult Compile(const std::string& extra = "") {
    return test_support::RunProgram(
        VESK_TOOL_PATH, "compile " + Q(dir_ / "src") + " " + Q(dir_ / "game") + " " + extra,
        dir_ / "tool");
  }
  // vesk-player --headless --no-logo ARGS game/
  test_support::RunResult RunPlayer(const std::string& args,
                                    const std::filesystem::path& game = {}) {
    return test_support::RunProgram(
        VESK_PLAYER_PATH,
        "--headless --no-logo " + args + " " + Q(game.empty() ? dir_ / "game" : game),
        dir_ / "player");
  }

  std::filesystem::path dir_;
};

}  // namespace vesk::e2e
