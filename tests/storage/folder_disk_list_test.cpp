#include "storage/folder_disk_list.h"

#include <gtest/gtest.h>

namespace vesk::storage {
namespace {

// "表" is 0x95 0x5C: its second byte is '\'.
const std::string kHyo = "\x95\x5C";
// "ア" is 0x83 0x41 and "ャ" is 0x83 0x61: their second bytes are 'A' and 'a'.
const std::string kKataA = "\x83\x41";
const std::string kKataSmallYa = "\x83\x61";

TFolderDiskList GameDisks() {
  TFolderDiskList list;
  list.Add("data", 1);
  list.Add("Data\\Bgm\\", 2);
  list.Add("movie\\op", 3);
  return list;
}

// --- lookup ---

TEST(FolderDiskList, DeepestListedFolderWins) {
  const TFolderDiskList list = GameDisks();
  EXPECT_EQ(list.DiskOf("DATA\\BGM\\title.ogg"), 2);
  EXPECT_EQ(list.DiskOf("DATA\\BGM\\sub\\deeper\\x.ogg"), 2);
  EXPECT_EQ(list.DiskOf("DATA\\SE\\a.wav"), 1);
  EXPECT_EQ(list.DiskOf("DATA\\top.txt"), 1);
  EXPECT_EQ(list.DiskOf("MOVIE\\OP\\op.mpg"), 3);
}

TEST(FolderDiskList, FilesOutsideEveryFolderAreOnNoDisk) {
  const TFolderDiskList list = GameDisks();
  EXPECT_EQ(list.DiskOf("MOVIE\\ed.mpg"), 0);  // only MOVIE\OP is listed
  EXPECT_EQ(list.DiskOf("DATAX\\a.wav"), 0);   // a longer folder name is another folder
  EXPECT_EQ(list.DiskOf("top.txt"), 0);
  EXPECT_EQ(list.DiskOf(""), 0);
  EXPECT_EQ(TFolderDiskList().DiskOf("DATA\\a.wav"), 0);
}

TEST(FolderDiskList, MatchesWithoutRegardToCase) {
  const TFolderDiskList list = GameDisks();
  EXPECT_EQ(list.DiskOf("data\\bgm\\title.ogg"), 2);
  EXPECT_EQ(list.DiskOf("dAtA\\Se\\a.wav"), 1);
}

TEST(FolderDiskList, TrailingDelimiterNamesTheFolderItself) {
  const TFolderDiskList list = GameDisks();
  EXPECT_EQ(list.DiskOf("DATA\\BGM\\"), 2);
  EXPECT_EQ(list.DiskOf("DATA"), 1);
  EXPECT_EQ(list.DiskOf("\\\\"), 0);
}

TEST(FolderDiskList, DoubleByteTrailBackslashIsNoDelimiter) {
  TFolderDiskList list;
  list.Add("\x95", 7);  // a folder named by the lead byte alone
  list.Add(kHyo, 8);
  EXPECT_EQ(list.DiskOf(kHyo + "\\a.ogg"), 8);
  EXPECT_EQ(list.DiskOf(kHyo + "a.ogg"), 0);  // not "\x95" + "\a.ogg"
  list.Add("x\\\x95", 9);
  EXPECT_EQ(list.DiskOf("x\\" + kHyo), 0);  // not "x\\\x95" + "\\"
  list.Add("x\\" + kHyo, 10);
  EXPECT_EQ(list.DiskOf("x\\" + kHyo), 10);
}

TEST(FolderDiskList, DoubleByteTrailLettersAreNotCaseFolded) {
  TFolderDiskList list;
  list.Add(kKataA, 4);
  EXPECT_EQ(list.DiskOf(kKataSmallYa + "\\f.ogg"), 0);
  list.Add(kKataSmallYa, 5);
  EXPECT_EQ(list.DiskOf(kKataSmallYa + "\\f.ogg"), 5);
  EXPECT_EQ(list.DiskOf(kKataA + "\\f.ogg"), 4);
}

// --- stored form ---

TEST(FolderDiskList, StoredFormIsCountThenFolderAndDisk) {
  TFolderDiskList list;
  list.Add("ab", -2);
  const std::vector<uint8_t> expected = {1, 0, 0, 0, 2, 0, 0, 0, 'a', 'b', 0xFE, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(list.Save(), expected);
}

TEST(FolderDiskList, RoundTripsAndLeavesTheReaderAfterIt) {
  TFolderDiskList saved = GameDisks();
  saved.Add(kHyo + "\\bgm", 9);
  std::vector<uint8_t> bytes = {0xAA};
  saved.AppendTo(bytes);
  bytes.push_back(0x42);
  ByteReader in(bytes.data(), bytes.size());
  in.U8();
  TFolderDiskList loaded;
  loaded.Add("stale", 1);
  loaded.LoadFromStream(in);
  EXPECT_EQ(in.U8(), 0x42);
  ASSERT_EQ(loaded.Count(), saved.Count());
  for (int i = 0; i < saved.Count(); ++i) {
    EXPECT_EQ(loaded.Folder(i), saved.Folder(i));
    EXPECT_EQ(loaded.Disk(i), saved.Disk(i));
  }
  EXPECT_EQ(loaded.DiskOf("STALE\\x"), 0);
  EXPECT_EQ(loaded.DiskOf(kHyo + "\\BGM\\a.ogg"), 9);
  EXPECT_EQ(loaded.DiskOf("data\\bgm\\a.ogg"), 2);
}

TEST(FolderDiskList, TruncatedStoredFormFailsAndKeepsTheList) {
  const std::vector<uint8_t> bytes = GameDisks().Save();
  for (size_t size = 0; size < bytes.size(); ++size) {
    ByteReader in(bytes.data(), size);
    TFolderDiskList list;
    list.Add("keep", 6);
    EXPECT_THROW(list.LoadFromStream(in), ETruncated) << size;
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.DiskOf("KEEP\\x"), 6);
  }
}

TEST(FolderDiskList, CountThatCannotFitIsRejected) {
  for (uint8_t top : {0x7F, 0x00}) {
    std::vector<uint8_t> bytes = {0xFF, 0xFF, 0xFF, top};
    bytes.resize(bytes.size() + 64, 0);  // room for 8 entries, not for the count
    ByteReader in(bytes.data(), bytes.size());
    TFolderDiskList list;
    try {
      list.LoadFromStream(in);
      FAIL();
    } catch (const ETruncated& e) {
      EXPECT_NE(std::string(e.what()).find("count"), std::string::npos) << e.what();
    }
  }
}

TEST(FolderDiskList, NegativeCountIsEmpty) {
  const std::vector<uint8_t> bytes = {0xFF, 0xFF, 0xFF, 0xFF};
  ByteReader in(bytes.data(), bytes.size());
  TFolderDiskList list;
  list.Add("old", 1);
  list.LoadFromStream(in);
  EXPECT_EQ(list.Count(), 0);
}

}  // namespace
}  // namespace vesk::storage
