// A translation patch mounted in front of the game's own sources.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/vesk_error.h"
#include "platform/cp932.h"
#include "storage/archive_builder.h"
#include "storage/vrfiles.h"

namespace vesk::storage {
namespace {

namespace fs = std::filesystem;
using testing::BuildArchive;
using testing::Bytes;

class PatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("vesk-patch-" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Write(const std::string& rel, const std::string& text) {
    const fs::path p = dir_ / rel;
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
    return p.string();
  }
  static std::string Text(TVrFileManager& m, const std::string& name) {
    auto b = m.ReadFileBytes(name);
    return {b.begin(), b.end()};
  }
  static std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  // A game with a loose page, an archive page and a picture only in the archive.
  void MountGame(TVrFileManager& m) {
    Write("game/" + platform::Utf8ToCp932("頁") + "/start.lsb", "loose original");
    Write("game/game.dat", "");
    const auto archive =
        BuildArchive(102, {{platform::Utf8ToCp932("頁\\二.lsb"), Bytes("archived original")},
                           {"pic.orl", Bytes("picture")}});
    std::ofstream((dir_ / "game/game.dat").string(), std::ios::binary)
        .write(reinterpret_cast<const char*>(archive.data()),
               static_cast<std::streamsize>(archive.size()));
    m.AddFolder((dir_ / "game").string());
    m.AddArchive((dir_ / "game/game.dat").string());
  }
  fs::path dir_;
};

TEST_F(PatchTest, APatchFolderIsSeenBeforeTheBaseFolderAndTheArchives) {
  TVrFileManager m;
  MountGame(m);
  Write("patch/頁/START.LSB", "loose patched");
  Write("patch/頁/二.lsb", "archive patched");  // UTF-8 on disk
  m.AddPatch((dir_ / "patch").string());
  const std::string start = platform::Utf8ToCp932("頁\\start.lsb");
  const std::string second = platform::Utf8ToCp932("頁/二.LSB");
  EXPECT_EQ(Text(m, start), "loose patched");
  EXPECT_EQ(Text(m, second), "archive patched");
  EXPECT_EQ(Text(m, "PIC.orl"), "picture");  // what the patch lacks comes from the game
  EXPECT_TRUE(m.Exists(second));
  EXPECT_EQ(Slurp(m.GetFilePath(start)), "loose patched");
  auto range = m.OpenRange(second);
  EXPECT_EQ(range->Size(), 15);
  // The game's files stay as they were.
  EXPECT_EQ(Slurp((dir_ / "game" / platform::Utf8ToCp932("頁") / "start.lsb").string()),
            "loose original");
}

TEST_F(PatchTest, APatchArchiveIsSeenFirstByEveryLookup) {
  TVrFileManager m;
  MountGame(m);
  const auto patch = BuildArchive(
      102, {{platform::Utf8ToCp932("頁\\START.lsb"), Bytes("from patch archive"), true}});
  std::ofstream((dir_ / "patch.dat").string(), std::ios::binary)
      .write(reinterpret_cast<const char*>(patch.data()),
             static_cast<std::streamsize>(patch.size()));
  m.AddPatch((dir_ / "patch.dat").string());
  ASSERT_TRUE(m.Patch() && m.Patch()->IsArchive());
  const std::string name = platform::Utf8ToCp932("頁/start.lsb");  // either separator
  EXPECT_EQ(Text(m, name), "from patch archive");
  EXPECT_EQ(Slurp(m.GetFilePath(name)), "from patch archive");
  EXPECT_EQ(m.OpenRange(name)->Size(), 18);  // stored: the bytes as they are
  EXPECT_EQ(Text(m, platform::Utf8ToCp932("頁\\二.lsb")), "archived original");
  EXPECT_FALSE(m.Exists("none.lsb"));
}

TEST_F(PatchTest, WhatWasCachedOrExtractedBeforeThePatchNeverShadowsIt) {
  TVrFileManager m;
  MountGame(m);
  const std::string name = platform::Utf8ToCp932("頁\\二.lsb");
  EXPECT_EQ(Text(m, name), "archived original");
  const std::string old_path = m.GetFilePath(name);
  Write("patch/頁/二.lsb", "patched");
  m.AddPatch((dir_ / "patch").string());
  EXPECT_EQ(Text(m, name), "patched");
  EXPECT_NE(m.GetFilePath(name), old_path);
  EXPECT_EQ(Slurp(m.GetFilePath(name)), "patched");
}

TEST_F(PatchTest, AMissingOrDamagedPatchIsRefusedWithItsPath) {
  TVrFileManager m;
  const std::string missing = (dir_ / "nowhere").string();
  try {
    m.AddPatch(missing);
    FAIL();
  } catch (const EArchiveError& e) {
    EXPECT_NE(std::string(e.what()).find(missing), std::string::npos);
  }
  const std::string junk = Write("junk.dat", "this is not an archive at all");
  EXPECT_THROW(m.AddPatch(junk), EArchiveError);
  EXPECT_EQ(m.Patch(), nullptr);
  // A patch cannot reach outside its folder either.
  Write("secret.txt", "outside");
  Write("patch/a.txt", "a");
  m.AddPatch((dir_ / "patch").string());
  EXPECT_FALSE(m.Exists("..\\secret.txt"));
}

}  // namespace
}  // namespace vesk::storage
