#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>

#include "platform/cp932.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "storage/archive_builder.h"
#include "storage/install_set.h"
#include "storage/vrfiles.h"

namespace vesk::storage {
namespace {

namespace fs = std::filesystem;
using platform::MessageResult;

// Answers with a script; records what was asked.
class ScriptedDialogs final : public platform::Dialogs {
 public:
  std::deque<MessageResult> answers;
  std::vector<std::string> asked;
  bool interactive_ = true;
  std::function<void()> on_ask;
  MessageResult ShowMessage(const std::string& text, const std::string& caption,
                            platform::MessageIcon, platform::MessageButtons) override {
    asked.push_back(caption + "|" + text);
    if (on_ask) on_ask();
    if (answers.empty()) return MessageResult::kCancel;
    MessageResult r = answers.front();
    answers.pop_front();
    return r;
  }
  bool interactive() const override { return interactive_; }
};

class DiskPromptTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("vesk-disk-" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "drive");
    DiskPromptContext& p = files_.disk_prompt();
    p.dialogs = &dialogs_;
    p.title_cp932 = platform::Utf8ToCp932("物語");
    p.prompt_cp932 = platform::Utf8ToCp932("ディスク%dを入れてから[OK]をクリックしてください");
    p.exit_cp932 = platform::Utf8ToCp932("終了します");
    p.terminate = [this] { terminated_ = true; };
    files_.SetCdRoots({});
    files_.SetCdRootScanner([this] { return roots_; });
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Puts disc `index` (0-based) of `title` into the drive folder.
  void InsertDisc(const std::string& title_utf8, int index) {
    TInstallSet set;
    set.disk_index = index;
    set.title = platform::Utf8ToCp932(title_utf8);
    auto install = WriteInstallSet(set, 107);
    auto game = testing::BuildArchive(102, {{"disc2.txt", testing::Bytes("on disc")}});
    platform::WriteFileAtomic((dir_ / "drive" / "install.dat").string(), install.data(),
                              install.size());
    platform::WriteFileAtomic((dir_ / "drive" / "game.dat").string(), game.data(), game.size());
    roots_ = {(dir_ / "drive").string() + "/"};
  }

  fs::path dir_;
  ScriptedDialogs dialogs_;
  TVrFileManager files_;
  std::vector<std::string> roots_;
  bool terminated_ = false;
};

TEST_F(DiskPromptTest, FindsTheRightDiscAfterOkAndMountsIt) {
  InsertDisc("物語", 1);
  dialogs_.answers = {MessageResult::kOk};
  EXPECT_TRUE(files_.AskForDisk(2));
  ASSERT_EQ(dialogs_.asked.size(), 1u);
  EXPECT_EQ(dialogs_.asked[0], "物語|ディスク2を入れてから[OK]をクリックしてください");
  EXPECT_TRUE(files_.Exists("disc2.txt"));
  EXPECT_FALSE(terminated_);
}

TEST_F(DiskPromptTest, WrongDiscOrTitleAsksAgain) {
  InsertDisc("物語", 0);  // disc 1, but disc 2 is wanted
  dialogs_.answers = {MessageResult::kOk, MessageResult::kOk};
  dialogs_.on_ask = [this] {
    if (dialogs_.asked.size() == 2) InsertDisc("物語", 1);
  };
  EXPECT_TRUE(files_.AskForDisk(2));
  EXPECT_EQ(dialogs_.asked.size(), 2u);
}

TEST_F(DiskPromptTest, CancelThenConfirmEndsTheGameCancelAgainReturnsToThePrompt) {
  dialogs_.answers = {MessageResult::kCancel, MessageResult::kCancel, MessageResult::kCancel,
                      MessageResult::kOk};
  EXPECT_FALSE(files_.AskForDisk(3));
  EXPECT_TRUE(terminated_);
  ASSERT_EQ(dialogs_.asked.size(), 4u);
  EXPECT_EQ(dialogs_.asked[1], "物語|終了します");
  EXPECT_THAT(dialogs_.asked[2], ::testing::HasSubstr("ディスク3"));
}

TEST_F(DiskPromptTest, SourcesOnTheDiscsAreUnmountedFirst) {
  InsertDisc("物語", 0);
  files_.SetCdRoots(roots_);
  files_.AddArchive((dir_ / "drive" / "game.dat").string());
  ASSERT_TRUE(files_.Exists("disc2.txt"));
  dialogs_.answers = {MessageResult::kCancel, MessageResult::kOk};
  files_.AskForDisk(2);
  EXPECT_EQ(files_.SourceCount(), 0);
}

TEST_F(DiskPromptTest, UnattendedRunEndsInsteadOfAskingForEver) {
  dialogs_.interactive_ = false;
  dialogs_.answers = {MessageResult::kOk, MessageResult::kOk, MessageResult::kOk};
  EXPECT_FALSE(files_.AskForDisk(2));
  EXPECT_TRUE(terminated_);
  EXPECT_EQ(dialogs_.asked.size(), 2u);
}

}  // namespace
}  // namespace vesk::storage
