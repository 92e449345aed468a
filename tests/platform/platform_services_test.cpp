// OS-facing services: the instance lock, files, settings, CP932.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/instance_lock.h"
#include "platform/settings_store.h"

namespace vesk::platform {
namespace {

class TempDir : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("vesk-platform-" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::filesystem::path dir_;
};

using InstanceLockTest = TempDir;

TEST_F(InstanceLockTest, SameNameIsRefusedOtherNameIsAllowed) {
  auto first = InstanceLock::TryAcquire("C:-GAMES-X-", dir_.string());
  ASSERT_TRUE(first);
  EXPECT_FALSE(InstanceLock::TryAcquire("C:-GAMES-X-", dir_.string()));
  auto other = InstanceLock::TryAcquire("C:-GAMES-Y-", dir_.string());
  EXPECT_TRUE(other);
}

TEST_F(InstanceLockTest, ReleasedOnDestructionAndNamesAreMadeSafe) {
  const std::string name = std::string("-HOME-A/B-") + std::string(300, 'x');
  {
    auto lock = InstanceLock::TryAcquire(name, dir_.string());
    ASSERT_TRUE(lock);
    EXPECT_EQ(std::filesystem::path(lock->path()).parent_path(), dir_);
    EXPECT_LT(std::filesystem::path(lock->path()).filename().string().size(), 256u);
  }
  EXPECT_TRUE(InstanceLock::TryAcquire(name, dir_.string()));
}

using FilesTest = TempDir;

TEST_F(FilesTest, AtomicWriteReplacesAndReadsBack) {
  const std::string path = (dir_ / "a.bin").string();
  ASSERT_TRUE(WriteFileAtomic(path, "first", 5));
  ASSERT_TRUE(WriteFileAtomic(path, "second!", 7));
  auto data = ReadWholeFile(path);
  ASSERT_TRUE(data);
  EXPECT_EQ(std::string(data->begin(), data->end()), "second!");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 1);
  EXPECT_FALSE(ReadWholeFile((dir_ / "missing").string()));
  EXPECT_FALSE(ReadWholeFile(dir_.string()));  // a folder is not a file
  EXPECT_FALSE(WriteFileAtomic((dir_ / "no/such/dir/f").string(), "x", 1));
}

TEST_F(FilesTest, ExecutableIsFoundAndNotOnADisc) {
  EXPECT_TRUE(FileExists(ExecutablePath()));
  EXPECT_EQ(ExecutableDirectory().back(), '/');
  EXPECT_FALSE(IsOnOpticalDisc(ExecutablePath()));
  EXPECT_FALSE(IsOnOpticalDisc((dir_ / "missing").string()));
}

using SettingsStoreTest = TempDir;

TEST_F(SettingsStoreTest, ValuesPersistAcrossInstancesWithAnyBytes) {
  const std::string file = (dir_ / "registry.ini").string();
  {
    SettingsStore s(file);
    EXPECT_FALSE(s.Read("Software\\Game", "CDDrive"));
    ASSERT_TRUE(s.Write("Software\\Game", "CDDrive", "E:\\"));
    ASSERT_TRUE(s.Write("Software\\Game", "Note", "two\nlines\\"));
    ASSERT_TRUE(s.Write("Software\\Other", "CDDrive", "F:"));
  }
  SettingsStore again(file);
  EXPECT_EQ(again.Read("Software\\Game", "CDDrive"), "E:\\");
  EXPECT_EQ(again.Read("Software\\Game", "Note"), "two\nlines\\");
  EXPECT_EQ(again.Read("Software\\Other", "CDDrive"), "F:");
}

TEST(Cp932, RoundTripsJapaneseAndMarksWhatCannotConvert) {
  const std::string utf8 = "動作設定 ﾃｽﾄ ①～";
  const std::string sjis = Utf8ToCp932(utf8);
  EXPECT_EQ(sjis.substr(0, 8), "\x93\xAE\x8D\xEC\x90\xDD\x92\xE8");
  EXPECT_EQ(Cp932ToUtf8(sjis), utf8);
  EXPECT_TRUE(IsCp932Representable(utf8));
  EXPECT_FALSE(IsCp932Representable("emoji 😀"));
  EXPECT_EQ(Utf8ToCp932("a😀b"), "a?b");
  EXPECT_EQ(Cp932ToUtf8("a\x81"), "a\xEF\xBF\xBD");  // a cut double-byte character
  EXPECT_EQ(Cp932ToUtf8("\x5C"), "\\");              // 0x5C stays a backslash for paths
}

}  // namespace
}  // namespace vesk::platform
