// Runs the real player binary the way automation and users do.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include "support/png_read.h"
#include "support/run_program.h"
#include "support/xvfb_server.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "app/data_path.h"
#include "e2e/game_dir_test.h"
#include "e2e/project_builder.h"
#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/instance_lock.h"
#include "script/commands.h"
#include "script/pages.h"
#include "storage/vrfiles.h"

namespace vesk::e2e {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

using vesk::test_support::PngPixel;
using vesk::test_support::PngSize;
using vesk::test_support::RunResult;
using vesk::test_support::Slurp;

class PlayerRun : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("vesk-e2e-" + std::to_string(getpid()) + "-" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "run");
    setenv("XDG_RUNTIME_DIR", (dir_ / "run").c_str(), 1);
    // The per-game settings of a windowed run stay in the test's folder.
    setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
  }
  void TearDown() override { fs::remove_all(dir_); }

  RunResult Run(const std::string& args, const std::string& env = "") {
    return vesk::test_support::RunProgram(VESK_PLAYER_PATH, args, dir_ / "out", env);
  }

 public:
  RunResult RunWith(const std::string& args, const std::string& env) { return Run(args, env); }
  const fs::path& Dir() const { return dir_; }

 protected:
  std::string Q(const fs::path& p) const { return "'" + p.string() + "'"; }

  fs::path dir_;
};

TEST_F(PlayerRun, HeadlessRunsTheFramesAndDumpsClockAndVariables) {
  WriteGame(dir_ / "game", 64, 48);
  const fs::path json = dir_ / "vars.json";
  RunResult r = Run("--headless --no-logo --frames 10 --step 20 --dump-vars " + Q(json) + " " +
                    Q(dir_ / "game"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Slurp(json), "{\"frames\":10,\"tick\":200,\"variables\":[]}\n");
}

TEST_F(PlayerRun, HeadlessScreenshotsHaveTheSceneSize) {
  WriteGame(dir_ / "game", 64, 48);
  RunResult r = Run("--headless --frames 5 --screenshot " + Q(dir_ / "end.png") +
                    " --screenshot-at 2:" + Q(dir_ / "two.png") + " " + Q(dir_ / "game"));
  ASSERT_EQ(r.status, 0) << r.err;
  int w, h;
  PngSize(dir_ / "end.png", &w, &h);
  EXPECT_EQ(w, 64);
  EXPECT_EQ(h, 48);
  EXPECT_TRUE(fs::exists(dir_ / "two.png"));
}

TEST_F(PlayerRun, HeadlessRunsAreDeterministic) {
  WriteGame(dir_ / "game", 32, 32);
  std::string dumps[2];
  for (auto& d : dumps) {
    const fs::path json = dir_ / "v.json";
    ASSERT_EQ(Run("--headless --frames 7 --dump-vars " + Q(json) + " " + Q(dir_ / "game")).status,
              0);
    d = Slurp(json);
  }
  EXPECT_EQ(dumps[0], dumps[1]);
}

TEST_F(PlayerRun, ScriptedQuitEndsTheGameEarly) {
  WriteGame(dir_ / "game", 32, 32);
  const fs::path input = dir_ / "input.txt", json = dir_ / "v.json";
  std::ofstream(input) << "# quit on frame 3\n3 quit\n";
  RunResult r = Run("--headless --frames 100 --input " + Q(input) + " --dump-vars " + Q(json) +
                    " " + Q(dir_ / "game"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_THAT(Slurp(json), HasSubstr("\"frames\":3,"));
}

TEST_F(PlayerRun, ClearErrorsWhenTheGameCannotStart) {
  RunResult none = Run("--headless");
  EXPECT_EQ(none.status, 1);
  EXPECT_THAT(none.err, HasSubstr("no game was given"));

  fs::create_directories(dir_ / "empty");
  RunResult empty = Run("--headless " + Q(dir_ / "empty"));
  EXPECT_EQ(empty.status, 1);
  EXPECT_THAT(empty.err, HasSubstr("vesk.lpb"));

  RunResult missing = Run("--headless " + Q(dir_ / "nowhere"));
  EXPECT_EQ(missing.status, 1);
  EXPECT_THAT(missing.err, HasSubstr("no such folder"));

  fs::create_directories(dir_ / "newer");
  auto data = ProjectFile(110, "x", 10, 10);
  platform::WriteFileAtomic((dir_ / "newer" / "vesk.lpb").string(), data.data(), data.size());
  RunResult newer = Run("--headless " + Q(dir_ / "newer"));
  EXPECT_EQ(newer.status, 1);
  EXPECT_THAT(newer.err, HasSubstr("110"));

  RunResult bad_input = Run("--headless --input " + Q(dir_ / "nofile") + " " + Q(dir_ / "empty"));
  EXPECT_EQ(bad_input.status, 2);
  EXPECT_EQ(Run("--frobnicate").status, 2);
}

TEST_F(PlayerRun, SecondInstanceOfTheSameGameIsRefusedAnotherGameRuns) {
  WriteGame(dir_ / "a", 16, 16);
  WriteGame(dir_ / "b", 16, 16);
  // Hold the lock of game a as a running player would.
  const std::string name =
      app::MakeLockName(platform::Utf8ToCp932(platform::CanonicalPath((dir_ / "a").string())));
  auto held = platform::InstanceLock::TryAcquire(name);
  ASSERT_TRUE(held);
  RunResult a = Run("--headless --frames 2 " + Q(dir_ / "a"));
  EXPECT_EQ(a.status, 3);
  EXPECT_THAT(a.err, HasSubstr("another instance"));
  EXPECT_EQ(Run("--headless --frames 2 " + Q(dir_ / "b")).status, 0);
  held.reset();
  EXPECT_EQ(Run("--headless --frames 2 " + Q(dir_ / "a")).status, 0);
}

TEST_F(PlayerRun, GameInsideGameDatIsFound) {
  storage::TVrFileCollection archive;
  auto lpb = ProjectFile(109, "Packed", 40, 30);
  archive.AddEntry("vesk.lpb")->Source->Write(lpb.data(), static_cast<int64_t>(lpb.size()));
  archive.AddEntry(kStartPage)->Source->Write(kStartPageBytes.data(), 4);
  fs::create_directories(dir_ / "packed");
  ASSERT_TRUE(archive.SaveToFile((dir_ / "packed" / "game.dat").string()));
  RunResult r =
      Run("--headless --frames 2 --screenshot " + Q(dir_ / "p.png") + " " + Q(dir_ / "packed"));
  ASSERT_EQ(r.status, 0) << r.err;
  int w, h;
  PngSize(dir_ / "p.png", &w, &h);
  EXPECT_EQ(w, 40);
}

// A damaged game.dat ends the start like any other start-up failure: exit
// status 1 and the reason on standard error, never an abort.
TEST_F(PlayerRun, DamagedArchivesAreStartUpFailures) {
  storage::TVrFileCollection archive;
  auto lpb = ProjectFile(109, std::string(3000, 'a'), 40, 30);  // compresses well
  archive.AddEntry("vesk.lpb")->Source->Write(lpb.data(), static_cast<int64_t>(lpb.size()));
  archive.AddEntry(kStartPage)->Source->Write(kStartPageBytes.data(), 4);
  storage::TMemoryStream packed;
  ASSERT_TRUE(archive.SaveTo(packed));
  const std::vector<uint8_t> good = packed.bytes();
  auto with_i32 = [&](size_t at, uint32_t v) {
    std::vector<uint8_t> b = good;
    for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
    return b;
  };
  // "vf", version, entry count, then the first name's length.
  std::vector<std::pair<std::string, std::vector<uint8_t>>> cases = {
      {"count 2^31", with_i32(6, 0x80000000u)},
      {"count 2^31-1", with_i32(6, 0x7FFFFFFFu)},
      {"version", with_i32(2, 0x7FFFFFFFu)},
      {"name length", with_i32(10, 0x7FFFFFF0u)},
      {"negative name length", with_i32(10, 0xFFFFFFF0u)},
      {"index cut", std::vector<uint8_t>(good.begin(), good.begin() + 12)},
      {"data cut", std::vector<uint8_t>(good.begin(), good.end() - 8)},
  };
  for (const auto& [what, bytes] : cases) {
    const fs::path folder = dir_ / "broken";
    fs::remove_all(folder);
    fs::create_directories(folder);
    ASSERT_TRUE(
        platform::WriteFileAtomic((folder / "game.dat").string(), bytes.data(), bytes.size()));
    RunResult r = Run("--headless --frames 2 " + Q(folder));
    EXPECT_EQ(r.status, 1) << what << ": " << r.err;
    EXPECT_THAT(r.err, HasSubstr("game.dat")) << what;
    EXPECT_THAT(r.err, ::testing::Not(HasSubstr("terminate called"))) << what;
  }

  // A compressed project file that does not inflate is damaged, not missing.
  storage::TVrFileCollection index;
  storage::TMemoryStream copy;
  copy.Write(good.data(), static_cast<int64_t>(good.size()));
  index.ReadIndex(copy, 0, "game.dat");
  const storage::TVrFile* entry = index.FindEntry("vesk.lpb");
  ASSERT_NE(entry, nullptr);
  ASSERT_EQ(entry->Stored, 0) << "the test needs a compressed project file";
  std::vector<uint8_t> damaged = good;
  for (int64_t i = 2; i < entry->Size; ++i) damaged[size_t(entry->Offset + i)] ^= 0x5A;
  const fs::path folder = dir_ / "damaged";
  fs::create_directories(folder);
  ASSERT_TRUE(
      platform::WriteFileAtomic((folder / "game.dat").string(), damaged.data(), damaged.size()));
  RunResult r = Run("--headless --frames 2 " + Q(folder));
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err, HasSubstr("vesk.lpb is damaged"));
}

// The runtime's own messages are CP932 inside; what reaches the user is UTF-8.
TEST_F(PlayerRun, FixedMessagesReachStandardErrorAsUtf8) {
  WriteGame(dir_ / "g", 16, 16);
  // Version 109, result type, no property sets, one command of id 61.
  std::vector<uint8_t> page = {109, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 61};
  page.resize(page.size() + 16, 0);
  ASSERT_TRUE(
      platform::WriteFileAtomic((dir_ / "g" / kStartPage).string(), page.data(), page.size()));
  RunResult r = Run("--headless --frames 2 " + Q(dir_ / "g"));
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err, HasSubstr("start.lsb: 不正なコマンド"));
}

// A program that ends in "vk" by chance, its trailer pointing outside the
// file, carries no game: it says so instead of reading its own code.
TEST_F(PlayerRun, ATrailerPointingOutsideTheProgramMeansNoBundledGame) {
  auto player = platform::ReadWholeFile(VESK_PLAYER_PATH);
  ASSERT_TRUE(player);
  std::vector<uint8_t> bundle = *player;
  for (uint8_t b : {0xF0, 0xFF, 0xFF, 0x7F}) bundle.push_back(b);
  bundle.push_back('v');
  bundle.push_back('k');
  const fs::path exe = dir_ / "not-bundled";
  ASSERT_TRUE(platform::WriteFileAtomic(exe.string(), bundle.data(), bundle.size()));
  fs::permissions(exe, fs::perms::owner_all);
  const std::string cmd =
      "'" + exe.string() + "' --headless --frames 2 > /dev/null 2> " + Q(dir_ / "err.txt");
  const int rc = std::system(cmd.c_str());
  ASSERT_TRUE(WIFEXITED(rc));
  EXPECT_EQ(WEXITSTATUS(rc), 1);
  const std::string err = Slurp(dir_ / "err.txt");
  EXPECT_THAT(err, HasSubstr("no game was given"));
  EXPECT_THAT(err, ::testing::Not(HasSubstr("1179403647")));
}

TEST_F(PlayerRun, BundledProgramPlaysItsAppendedGameWithoutArguments) {
  storage::TVrFileCollection archive;
  auto lpb = ProjectFile(109, "Bundled", 24, 20);
  archive.AddEntry("vesk.lpb")->Source->Write(lpb.data(), static_cast<int64_t>(lpb.size()));
  archive.AddEntry(kStartPage)->Source->Write(kStartPageBytes.data(), 4);
  storage::TMemoryStream packed;
  ASSERT_TRUE(archive.SaveTo(packed));
  auto player = platform::ReadWholeFile(VESK_PLAYER_PATH);
  ASSERT_TRUE(player);
  std::vector<uint8_t> bundle = *player;
  const auto base = static_cast<uint32_t>(bundle.size());
  bundle.insert(bundle.end(), packed.bytes().begin(), packed.bytes().end());
  for (int i = 0; i < 4; ++i) bundle.push_back(static_cast<uint8_t>(base >> (8 * i)));
  bundle.push_back('v');
  bundle.push_back('k');
  const fs::path exe = dir_ / "bundled-game";
  ASSERT_TRUE(platform::WriteFileAtomic(exe.string(), bundle.data(), bundle.size()));
  fs::permissions(exe, fs::perms::owner_all);
  const fs::path json = dir_ / "v.json";
  const std::string cmd = "'" + exe.string() + "' --headless --frames 4 --dump-vars " + Q(json) +
                          " > /dev/null 2> " + Q(dir_ / "err.txt");
  const int rc = std::system(cmd.c_str());
  ASSERT_TRUE(WIFEXITED(rc));
  EXPECT_EQ(WEXITSTATUS(rc), 0) << Slurp(dir_ / "err.txt");
  EXPECT_THAT(Slurp(json), HasSubstr("\"frames\":4,"));
}

TEST_F(PlayerRun, ProjectStatusVariablesAppearInTheDump) {
  WriteGame(dir_ / "game", 16, 16);
  auto lpb = ProjectFile(109, "Vars", 16, 16);
  lpb.resize(lpb.size() - 8);  // drop the empty status list and disk map
  const std::string name = platform::Utf8ToCp932("既読");
  const uint8_t def[] = {1, 0, 0, 0};  // one definition
  lpb.insert(lpb.end(), def, def + 4);
  lpb.push_back(1);  // an integer
  for (uint8_t b : {uint8_t(name.size()), uint8_t(0), uint8_t(0), uint8_t(0)}) lpb.push_back(b);
  lpb.insert(lpb.end(), name.begin(), name.end());
  for (uint8_t b : {42, 0, 0, 0, 0, 0, 0, 0}) lpb.push_back(b);  // value 42, empty disk map
  platform::WriteFileAtomic((dir_ / "game" / "vesk.lpb").string(), lpb.data(), lpb.size());
  const fs::path json = dir_ / "v.json";
  RunResult r = Run("--headless --frames 1 --dump-vars " + Q(json) + " " + Q(dir_ / "game"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_THAT(Slurp(json), HasSubstr("{\"name\":\"既読\",\"type\":1,\"status\":true,\"scope\":-1,"
                                     "\"local\":false,\"dims\":[],\"values\":[42]}"));
}

TEST_F(PlayerRun, TheStartPageRunsAndItsVariablesAreDumped) {
  WriteGame(dir_ / "game", 16, 16);
  script::TPage page;
  page.Version = 109;
  auto& declare = *static_cast<script::TComVarNew*>(
      page.Commands.emplace_back(script::CreateCommand(lang::CMD_VarNew, &page)).get());
  declare.VarName = "count";
  declare.RunOn = 1;
  auto& loop = *static_cast<script::TComCalc*>(
      page.Commands.emplace_back(script::CreateCommand(lang::CMD_Calc, &page)).get());
  auto op = std::make_unique<expr::TOpeData>();
  op->Op = lang::ocPlus;
  op->Dest = "count";
  auto var = std::make_unique<expr::TParamVar>();
  var->RefName = "count";
  op->Operands.push_back(std::move(var));
  auto one = std::make_unique<expr::TParamInt>();
  one->SetInt(1);
  op->Operands.push_back(std::move(one));
  loop.Expression.Ops.push_back(std::move(op));
  loop.RunOn = 0;  // one addition per frame
  auto& again = *static_cast<script::TComJump*>(
      page.Commands.emplace_back(script::CreateCommand(lang::CMD_Jump, &page)).get());
  again.PageName = kStartPage;
  again.Target = 1;
  again.RunOn = 1;
  auto cond = std::make_unique<expr::TOpeData>();
  cond->Op = lang::ocTo;
  cond->Dest = "____arg";
  auto yes = std::make_unique<expr::TParamFlag>();
  yes->SetFlag(true);
  cond->Operands.push_back(std::move(yes));
  again.Condition.Ops.push_back(std::move(cond));
  ByteWriter w;
  page.SaveToStream(w);
  platform::WriteFileAtomic((dir_ / "game" / kStartPage).string(), w.bytes().data(),
                            w.bytes().size());
  const fs::path json = dir_ / "v.json", trace = dir_ / "trace.txt";
  RunResult r = Run("--headless --no-logo --frames 5 --dump-vars " + Q(json) + " --trace " +
                    Q(trace) + " " + Q(dir_ / "game"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_THAT(Slurp(json), HasSubstr("{\"name\":\"count\",\"type\":1,\"status\":false,\"scope\":-1,"
                                     "\"local\":false,\"dims\":[],\"values\":[5]}"));
  EXPECT_THAT(Slurp(trace), HasSubstr("00000010 : start.lsb(0)"));
}

TEST_F(PlayerRun, HelpAndVersion) {
  RunResult help = Run("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_THAT(help.out, HasSubstr("--screenshot-at"));
  RunResult version = Run("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_THAT(version.out, HasSubstr("108"));
}

// A real window under a virtual X server, when one can be started.
// A private X server for the window tests; skips the test when there is none.
class XvfbDisplay : public test_support::XvfbServer {
 public:
  XvfbDisplay() : XvfbServer("1024x768x24") {
    if (std::system("command -v xwininfo > /dev/null 2>&1") != 0) unusable_ = true;
  }
  bool up() const { return XvfbServer::up() && !unusable_; }
  // Runs the player with `args` in the background and returns the window
  // tree as soon as it shows every one of `wanted` (or what it showed last):
  // the title comes before the window takes the scene's size.
  std::string RunAndFindWindow(PlayerRun& test, const std::string& args,
                               const std::vector<std::string>& wanted);

 private:
  bool unusable_ = false;  // no xwininfo to find the window with
};

TEST_F(PlayerRun, OpensARealWindowOfTheProjectSizeUnderXvfb) {
  XvfbDisplay x;
  if (!x.up()) GTEST_SKIP() << "no X server for the window test";
  WriteGame(dir_ / "game", 320, 200, "XvfbGame");
  const std::string tree = x.RunAndFindWindow(
      *this, "--frames 60 --screenshot " + Q(dir_ / "shot.png") + " " + Q(dir_ / "game"),
      {"XvfbGame", "320x200"});
  EXPECT_THAT(tree, HasSubstr("\"XvfbGame\""));
  EXPECT_THAT(tree, HasSubstr("320x200"));
  int w, h;
  PngSize(dir_ / "shot.png", &w, &h);
  EXPECT_EQ(w, 320);
  EXPECT_EQ(h, 200);
}

std::string XvfbDisplay::RunAndFindWindow(PlayerRun& test, const std::string& args,
                                          const std::vector<std::string>& wanted) {
  std::atomic<bool> finished{false};
  std::thread player([&] {
    RunResult r = test.RunWith(args, Env());
    EXPECT_EQ(r.status, 0) << r.err;
    finished = true;
  });
  // Poll for as long as the player runs: a loaded machine may take seconds
  // to open the window.
  std::string tree;
  while (!finished) {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const fs::path listing = test.Dir() / "tree.txt";
    std::system(
        ("xwininfo -root -tree -display " + display() + " > '" + listing.string() + "' 2>&1")
            .c_str());
    tree = Slurp(listing);
    if (std::all_of(wanted.begin(), wanted.end(),
                    [&](const std::string& w) { return tree.find(w) != std::string::npos; }))
      break;
  }
  player.join();
  return tree;
}

// The start-up logo plays first (about 140 frames), then the title.
TEST_F(PlayerRun, TheDemoTitleScreenAppearsInARealWindow) {
  XvfbDisplay x;
  if (!x.up()) GTEST_SKIP() << "no X server for the window test";
  const std::string tree =
      x.RunAndFindWindow(*this,
                         "--frames 220 --screenshot-at 60:" + Q(dir_ / "logo.png") +
                             " --screenshot " + Q(dir_ / "title.png") + " " + Q(CopyDemoInto(dir_)),
                         {"800x600"});
  EXPECT_EQ(PngPixel(dir_ / "logo.png", 660, 120), 0u);  // black around the logo
  EXPECT_THAT(tree, HasSubstr("800x600"));
  int w, h;
  PngSize(dir_ / "title.png", &w, &h);
  EXPECT_EQ(w, 800);
  EXPECT_EQ(h, 600);
  EXPECT_GT(PngPixel(dir_ / "title.png", 660, 120) & 0xFF, 0xC0);  // the moon is up
}

}  // namespace
}  // namespace vesk::e2e
