#include "script/project.h"

#include "script/pages.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "callman_fixture.h"
#include "core/runtime_context.h"
#include "expr/param_collection.h"
#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/headless/headless_platform.h"
#include "storage/install_set.h"
#include "storage/vrfiles.h"
#include "support/record_builder.h"

namespace vesk::script {
namespace {

namespace fs = std::filesystem;

using Lpb = test_support::RecordBytes;

// A version-109 project with the given status definitions and disk map.
Lpb Project(const std::string& local_ext, const std::function<void(Lpb&)>& status,
            const std::vector<std::pair<std::string, int>>& disks) {
  Lpb p;
  p.I32(109).Str("Title").I32(64).I32(48).I32(64).I32(48).Str("start.lsb").Str("Key").I32(0);
  p.U8(1).U8(1).Str(local_ext).Str("insert %d").Str("bye");
  status(p);
  p.I32(static_cast<int32_t>(disks.size()));
  for (const auto& [folder, disk] : disks) p.Str(folder).I32(disk);
  return p;
}

std::vector<uint8_t> EmptyPage() {
  TPage page;
  page.Version = 109;
  ByteWriter w;
  page.SaveToStream(w);
  return w.bytes();
}

class ProjectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("vesk-project-" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "game");
    fs::create_directories(dir_ / "exe");
    Put("game/start.lsb", EmptyPage());
  }
  void TearDown() override { fs::remove_all(dir_); }
  void Put(const std::string& rel, const std::vector<uint8_t>& bytes) {
    platform::WriteFileAtomic((dir_ / rel).string(), bytes.data(), bytes.size());
  }
  TProject& Load(std::vector<std::string> args) {
    files_.ClearCache();  // each load sees the files as they are now
    if (!args.empty()) files_.AddFolder((dir_ / "game").string());
    ProjectEnvironment env;
    env.ctx = &ctx_;
    env.files = &files_;
    env.variables = &vars_;
    env.dialogs = &platform_.dialogs();
    env.args = std::move(args);
    env.exe_dir = (dir_ / "exe").string() + "/";
    project_ = std::make_unique<TProject>(env);
    project_->Create();
    return *project_;
  }
  const std::vector<std::string>& Shown() { return platform_.headless_dialogs().shown(); }

  fs::path dir_;
  platform::HeadlessPlatform platform_;
  RuntimeContext ctx_;
  storage::TVrFileManager files_;
  expr::TParamCollection vars_;
  std::unique_ptr<TProject> project_;
};

TEST_F(ProjectTest, StatusDefinitionsCreateVariablesButNeverOverwriteRestoredOnes) {
  Put("game/vesk.lpb", Project(".wav.",
                               [](Lpb& p) {
                                 p.I32(3);
                                 p.U8(1).Str("count").I32(7);
                                 p.U8(4).Str("restored").Str("from project");
                                 p.U8(3).Str("flag").U8(1);
                               },
                               {})
                           .b);
  vars_.Declare("restored", lang::PT_STR, expr::VarScope::kStatus, 0)->Value->SetStr("saved");
  Load({"game"});
  ASSERT_FALSE(ctx_.terminated) << project_->error();
  EXPECT_EQ(vars_.Find("count")->Value->GetInt(), 7);
  EXPECT_TRUE(vars_.Find("count")->IsStatus);
  EXPECT_TRUE(vars_.Find("flag")->Value->GetFlag());
  EXPECT_EQ(vars_.Find("restored")->Value->GetStr(), "saved");
  EXPECT_EQ(project_->ExitPrompt, "bye");
}

TEST_F(ProjectTest, OriginalProjectFileSuppliesTheDiskMap) {
  auto none = [](Lpb& p) { p.I32(0); };
  Put("game/vesk.lpb", Project(".wav.", none, {{"cg", 1}}).b);
  Load({"game"});
  EXPECT_EQ(project_->DiskMap.DiskOf("CG\\a.orl"), 1);
  // "/original_vesk.lpb" is a name the file manager never resolves on disk,
  // so it can only come from an archive.
  storage::TVrFileCollection archive;
  auto original = Project(".wav.", none, {{"bgm", 2}}).b;
  archive.AddEntry("/original_vesk.lpb")
      ->Source->Write(original.data(), static_cast<int64_t>(original.size()));
  storage::TMemoryStream packed;
  ASSERT_TRUE(archive.SaveTo(packed));
  files_.AddMemoryArchive(std::make_shared<std::vector<uint8_t>>(packed.bytes()), "original");
  TProject& again = Load({"game"});
  EXPECT_EQ(again.DiskMap.DiskOf("CG\\a.orl"), 0);
  EXPECT_EQ(again.DiskMap.DiskOf("bgm\\a.ogg"), 2);
}

TEST_F(ProjectTest, MissingStartPageAndEmptyProjectAreReported) {
  Put("game/vesk.lpb", Project(".wav.", [](Lpb& p) { p.I32(0); }, {}).b);
  fs::remove(dir_ / "game/start.lsb");
  Load({"game"});
  EXPECT_TRUE(ctx_.terminated);
  EXPECT_THAT(Shown().back(), ::testing::HasSubstr("スタートページがありません"));
  Put("game/vesk.lpb", {});
  Load({"game"});
  EXPECT_TRUE(ctx_.terminated);
  EXPECT_THAT(Shown().back(), ::testing::HasSubstr("プロジェクトがありません"));
  Put("game/vesk.lpb", Lpb().I32(110).b);
  Load({"game"});
  EXPECT_TRUE(ctx_.terminated);  // newer: silently refused
  EXPECT_THAT(project_->error(), ::testing::HasSubstr("110"));
}

TEST_F(ProjectTest, WithoutArgumentsTheInstallationIsChecked) {
  Load({});
  EXPECT_TRUE(ctx_.terminated);
  EXPECT_THAT(Shown().back(), ::testing::HasSubstr("インストールし直してください"));

  storage::TInstallSet set;
  set.title = "Title";
  set.complete_install = true;
  Put("exe/install.dat", storage::WriteInstallSet(set, 107));
  storage::TVrFileCollection archive;
  auto lpb = Project(".wav.", [](Lpb& p) { p.I32(0); }, {}).b;
  archive.AddEntry("vesk.lpb")->Source->Write(lpb.data(), static_cast<int64_t>(lpb.size()));
  const auto page = EmptyPage();
  archive.AddEntry("start.lsb")->Source->Write(page.data(), static_cast<int64_t>(page.size()));
  ASSERT_TRUE(archive.SaveToFile((dir_ / "exe/game.dat").string()));
  Load({});
  EXPECT_FALSE(ctx_.terminated) << project_->error();
  EXPECT_EQ(project_->info.screen_width, 64);
}

TEST_F(ProjectTest, FileAvailableAsksForAnotherDiscOnlyForDiscMedia) {
  Put("game/vesk.lpb", Project("wav.ogg", [](Lpb& p) { p.I32(0); }, {{"bgm", 2}, {"cg", 2}}).b);
  Put("game/here.txt", {'x'});
  Load({"game"});
  ASSERT_FALSE(ctx_.terminated);
  EXPECT_TRUE(project_->FileAvailable("here.txt"));
  EXPECT_FALSE(project_->FileAvailable("other\\missing.txt"));  // on no disc
  const size_t asked = Shown().size();
  EXPECT_FALSE(project_->FileAvailable("bgm\\song.ogg"));  // kept on the hard disk: no prompt
  EXPECT_EQ(Shown().size(), asked);
  EXPECT_FALSE(project_->FileAvailable("cg\\a.orl"));  // asks; unattended, the game ends
  EXPECT_GT(Shown().size(), asked);
  EXPECT_THAT(Shown()[asked], ::testing::HasSubstr("insert 2"));
  EXPECT_TRUE(ctx_.terminated);
}

TEST_F(ProjectTest, SaveAndLoadCommandsLeaveRequestsForTheEndOfTheFrame) {
  test::Builder start("start.lsb");
  auto& save = start.Add<TComGameSave>();
  test::Constant(save.Slot, 3);
  save.JumpPage = "jump.lsb";
  save.JumpIndex = 2;
  test::Text(save.Caption, "chapter 1");
  start.Add<TComGameLoad>();                          // no slot: 0
  test::Constant(start.Add<TComGameSave>().Slot, 5);  // no caption
  Put("game/start.lsb", start.Bytes());
  Put("game/vesk.lpb", Project(".wav.", [](Lpb& p) { p.I32(0); }, {}).b);
  TProject& project = Load({"game"});
  ASSERT_FALSE(ctx_.terminated) << project.error();
  EXPECT_EQ(project.PendingSave, -1);
  project.CallMan->Step();  // a save ends the frame
  EXPECT_EQ(project.PendingSave, 3);
  EXPECT_EQ(project.SaveJumpPage, "jump.lsb");
  EXPECT_EQ(project.SaveJumpIndex, 2);
  EXPECT_EQ(project.SaveCaption, "chapter 1");
  EXPECT_EQ(project.PendingLoad, -1);
  project.CallMan->Step();
  EXPECT_EQ(project.PendingLoad, 0);
  project.CallMan->Step();  // the later request replaces the earlier one
  EXPECT_EQ(project.PendingSave, 5);
  EXPECT_EQ(project.SaveCaption, "");
}

}  // namespace
}  // namespace vesk::script
