#include "storage/vrfiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "core/vesk_error.h"
#include "platform/cp932.h"
#include "platform/files.h"
#include "storage/archive_builder.h"
#include "storage/embedded_resources.h"

namespace vesk::storage {
namespace {

namespace fs = std::filesystem;
using testing::BuildArchive;
using testing::Bytes;
using testing::RawEntry;

class StorageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("vesk-storage-" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Write(const std::string& rel, const std::vector<uint8_t>& bytes) {
    const fs::path p = dir_ / rel;
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return p.string();
  }
  std::string Text(TVrFileManager& m, const std::string& name) {
    auto b = m.ReadFileBytes(name);
    return {b.begin(), b.end()};
  }
  fs::path dir_;
};

// A version-102 index of one nameless entry whose two offsets are given as
// they are meant, scrambled here as the writer would.
std::vector<uint8_t> OneEntryIndex(int64_t first, int64_t end) {
  std::vector<uint8_t> out = {'v', 'f', 102, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0};
  TArchiveScrambler gen;
  for (const int64_t off : {first, end}) {
    const uint32_t k = gen.Next();
    const uint64_t v =
        static_cast<uint64_t>(off) ^ (((k & 0x80000000u) ? 0xFFFFFFFF00000000ull : 0) | k);
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  for (uint8_t b : {1, 0, 0, 0, 0, 0, 0, 0, 0, 1}) out.push_back(b);  // stored, date, CRC, kind
  return out;
}

// --- The container format ---

class ArchiveVersions : public StorageTest, public ::testing::WithParamInterface<int> {};

TEST_P(ArchiveVersions, ReaderUnderstandsEveryIndexVersion) {
  const int version = GetParam();
  const std::string sjis_name = platform::Utf8ToCp932("画像\\背景01.orl");
  const std::string path = Write(
      "game.dat",
      BuildArchive(version, {{sjis_name, Bytes("picture")}, {"a.txt", Bytes("hello"), true, 77}}));
  TVrFileCollection c;
  c.Open(path);
  EXPECT_EQ(c.Version, version);
  ASSERT_EQ(c.EntryCount(), 2);
  EXPECT_EQ(c.Count(), 3);  // and the end marker
  EXPECT_EQ(c.Entry(2)->Name(), kEofEntryName);
  const TVrFile* pic = c.FindEntry(platform::Utf8ToCp932("画像\\背景01.ORL"));
  ASSERT_NE(pic, nullptr);
  EXPECT_EQ(pic->Stored, 0);
  auto content = c.ReadEntryData(*pic);
  EXPECT_EQ(std::string(content.begin(), content.end()), "picture");
  const TVrFile* txt = c.FindEntry("A.TXT");
  ASSERT_NE(txt, nullptr);
  EXPECT_EQ(txt->Stored, version > 100 ? 1 : 0);  // no flag table before 101: all compressed
  EXPECT_EQ(txt->FileDate, version > 100 ? 77 : 0);
  EXPECT_EQ(txt->CrcOfOriginal, version >= 102 ? 1 : 0);
  std::string err;
  if (version > 100) {
    EXPECT_TRUE(c.VerifyEntry(*txt, &err)) << err;
  }
}

INSTANTIATE_TEST_SUITE_P(Versions, ArchiveVersions, ::testing::Values(0, 1, 99, 100, 101, 102));

TEST_F(StorageTest, WriterRoundTripsThroughTheReader) {
  TVrFileCollection out;
  out.Folder = (dir_ / "nowhere").string() + "/";
  const std::vector<uint8_t> big(0x500000, 7);  // above 5 MiB - 1: stays uncompressed
  out.AddEntry("small.txt")->Source->Write("abc", 3);
  out.AddEntry("big.bin")->Source->Write(big.data(), static_cast<int64_t>(big.size()));
  out.AddEntry(platform::Utf8ToCp932("セーブ\\データ"))->Source->Write("x", 1);
  out.AddEntry("empty");
  const std::string path = (dir_ / "save.dat").string();
  ASSERT_TRUE(out.SaveToFile(path));

  TVrFileCollection in;
  in.Open(path);
  EXPECT_EQ(in.Version, kArchiveVersion);
  ASSERT_EQ(in.EntryCount(), 4);
  EXPECT_EQ(in.Entry(0)->Name(), "small.txt");  // index order is kept
  EXPECT_EQ(in.FindEntry("small.txt")->Stored, 0);
  EXPECT_EQ(in.FindEntry("big.bin")->Stored, 1);
  EXPECT_EQ(in.ReadEntryData(*in.FindEntry("big.bin")), big);
  EXPECT_EQ(in.ReadEntryData(*in.FindEntry("empty")).size(), 0u);
  for (int i = 0; i < in.EntryCount(); ++i) {
    std::string err;
    EXPECT_TRUE(in.VerifyEntry(*in.Entry(i), &err)) << err;
  }
  // Writing what was read (no new sources) copies the entries across.
  in.AddEntry("added")->Source->Write("new", 3);
  in.DeleteEntry("small.txt");
  const std::string copy = (dir_ / "copy.dat").string();
  ASSERT_TRUE(in.SaveToFile(copy));
  TVrFileCollection again;
  again.Open(copy);
  EXPECT_EQ(again.EntryCount(), 4);
  EXPECT_EQ(again.FindEntry("small.txt"), nullptr);
  EXPECT_EQ(again.ReadEntryData(*again.FindEntry("big.bin")), big);
  auto added = again.ReadEntryData(*again.FindEntry("added"));
  EXPECT_EQ(std::string(added.begin(), added.end()), "new");
}

TEST_F(StorageTest, WriterChoosesCompressionForFilesOnDiskByExtensionAndGain) {
  Write("src/voice.wav", std::vector<uint8_t>(1000, 1));
  Write("src/text.txt", std::vector<uint8_t>(1000, 2));
  std::vector<uint8_t> noise(4000);
  std::mt19937 rng(7);
  for (auto& b : noise) b = static_cast<uint8_t>(rng());
  Write("src/noise.bin", noise);
  TVrFileCollection c;
  c.Folder = (dir_ / "src").string() + "/";
  for (const char* n : {"voice.wav", "text.txt", "noise.bin"}) {
    auto e = std::make_unique<TVrFile>();
    e->SetName(n);
    c.Add(std::move(e));
  }
  ASSERT_TRUE(c.SaveToFile((dir_ / "out.dat").string()));
  TVrFileCollection in;
  in.Open((dir_ / "out.dat").string());
  EXPECT_EQ(in.FindEntry("voice.wav")->Stored, 1);  // media stay as they are
  EXPECT_EQ(in.FindEntry("text.txt")->Stored, 0);
  EXPECT_EQ(in.FindEntry("noise.bin")->Stored, 1);  // compression gained too little
  EXPECT_NE(in.FindEntry("text.txt")->FileDate, 0);
  EXPECT_EQ(in.ReadEntryData(*in.FindEntry("noise.bin")), noise);
}

TEST_F(StorageTest, LargeLayeredImagesAreCompressedOnlyWhenTheWritersPolicyRecognisesThem) {
  // Beyond 5 MiB a file stays as it is unless the policy says it is an
  // uncompressed layered image; two writers in one process may differ.
  Write("src/big.orl", std::vector<uint8_t>(0x500000, 3));
  const auto write = [&](const char* out, const ArchiveWritePolicy& policy) {
    TVrFileCollection c;
    c.Folder = (dir_ / "src").string() + "/";
    auto e = std::make_unique<TVrFile>();
    e->SetName("big.orl");
    c.Add(std::move(e));
    EXPECT_TRUE(c.SaveToFile((dir_ / out).string(), policy));
    TVrFileCollection in;
    in.Open((dir_ / out).string());
    return in.FindEntry("big.orl")->Stored;
  };
  ArchiveWritePolicy images;
  int asked = 0;
  images.uncompressed_image_test = [&asked](const std::vector<uint8_t>& file) {
    ++asked;
    return file.size() == 0x500000;
  };
  EXPECT_EQ(write("with.dat", images), 0);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(write("without.dat", {}), 1);
  EXPECT_EQ(asked, 1);
}

TEST_F(StorageTest, ProgressCallbackCanCancelTheWrite) {
  TVrFileCollection c;
  for (const char* n : {"a", "b", "c"}) c.AddEntry(n)->Source->Write("1", 1);
  std::vector<std::string> seen;
  c.progress = [&](const ArchiveProgress& p, bool* cancel) {
    seen.push_back(p.entry->Name() + (p.bytes_written ? "+" : "-"));
    if (p.entry_index == 1 && p.bytes_written) *cancel = true;
  };
  TMemoryStream out;
  EXPECT_FALSE(c.SaveTo(out));
  EXPECT_THAT(seen, ::testing::ElementsAre("a-", "a+", "b-", "b+"));
  EXPECT_FALSE(c.SaveToFile((dir_ / "x.dat").string()));
  EXPECT_FALSE(fs::exists(dir_ / "x.dat"));
  EXPECT_FALSE(fs::exists(dir_ / "x.dat.part"));
}

TEST_F(StorageTest, EmptyArchiveHoldsOnlyTheEndOffset) {
  TVrFileCollection c;
  TMemoryStream out;
  ASSERT_TRUE(c.SaveTo(out));
  EXPECT_EQ(out.Size(), 2 + 4 + 4 + 8);
  TVrFileCollection in;
  in.OpenMemory(std::make_shared<std::vector<uint8_t>>(out.bytes()), "empty");
  EXPECT_EQ(in.EntryCount(), 0);
  EXPECT_EQ(in.Count(), 1);
  EXPECT_EQ(in.Entry(0)->Offset, out.Size());
}

TEST_F(StorageTest, ArchiveAppendedToAProgramAndSideIndex) {
  auto archive = BuildArchive(102, {{"a.txt", Bytes("appended")}});
  std::vector<uint8_t> exe = Bytes(
      "\x7F"
      "ELF pretend program bytes");
  const auto base = static_cast<uint32_t>(exe.size());
  exe.insert(exe.end(), archive.begin(), archive.end());
  for (int i = 0; i < 4; ++i) exe.push_back(static_cast<uint8_t>(base >> (8 * i)));
  exe.push_back('v');
  exe.push_back('k');
  for (const char* name : {"game", "game.exe"}) {
    TVrFileCollection c;
    c.Open(Write(name, exe));
    ASSERT_EQ(c.EntryCount(), 1) << name;
    auto d = c.ReadEntryData(*c.FindEntry("a.txt"));
    EXPECT_EQ(std::string(d.begin(), d.end()), "appended");
  }
  // A side index "<name>.ext" holds the index; the data stay in the main file.
  auto full = BuildArchive(101, {{"b.txt", Bytes("side")}});
  Write("data.dat", full);
  Write("data.ext", full);
  TVrFileCollection side;
  side.Open((dir_ / "data.dat").string());
  auto d = side.ReadEntryData(*side.FindEntry("b.txt"));
  EXPECT_EQ(std::string(d.begin(), d.end()), "side");
}

TEST_F(StorageTest, SplitStreamsSpanParts) {
  const std::string path = (dir_ / "game.dat").string();
  Write("game.003", Bytes("stale part"));  // deleted before writing
  {
    auto out = TBigFileStream::Create(path, 100);
    ASSERT_TRUE(out);
    std::vector<uint8_t> data(250);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i);
    out->WriteExact(data.data(), 250);
  }
  EXPECT_TRUE(fs::exists(dir_ / "game.001"));
  EXPECT_TRUE(fs::exists(dir_ / "game.002"));
  EXPECT_FALSE(fs::exists(dir_ / "game.003"));
  EXPECT_EQ(fs::file_size(dir_ / "game.002"), 50u);
  EXPECT_EQ(TBigFileStream::PartName("/a/b.c/game.dat", 12), "/a/b.c/game.012");
  EXPECT_EQ(TBigFileStream::PartName("/a/b.c/game", 1), "/a/b.c/game.001");
}

// --- Hostile archives ---

TEST_F(StorageTest, TruncatedAndOversizedIndexesAreRefusedWithTheFileNamed) {
  const auto good = BuildArchive(102, {{"a.txt", Bytes("hello")}, {"b.txt", Bytes("world")}});
  for (size_t cut : {size_t{1}, size_t{7}, size_t{12}, size_t{30}, good.size() - 3}) {
    TVrFileCollection c;
    const std::string p = Write("cut.dat", {good.begin(), good.begin() + static_cast<long>(cut)});
    try {
      c.Open(p);
      ADD_FAILURE() << "cut at " << cut << " was accepted";
    } catch (const EArchiveError& e) {
      EXPECT_THAT(e.what(), ::testing::HasSubstr("cut.dat")) << cut;
    }
  }
  std::vector<uint8_t> huge = {'v', 'f', 102, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F};
  TVrFileCollection c;
  EXPECT_THROW(c.Open(Write("huge.dat", huge)), EArchiveError);
  std::vector<uint8_t> newer = {'v', 'f', 103, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_THROW(c.Open(Write("newer.dat", newer)), EArchiveError);
}

TEST_F(StorageTest, OffsetsFarOutsideTheFileAreRefusedBeforeSizesAreTaken) {
  // Differences of these exceed the 64-bit range: reading must not compute them.
  const std::pair<int64_t, int64_t> cases[] = {{-(int64_t{1} << 62), INT64_MAX},
                                               {INT64_MAX, -(int64_t{1} << 62)},
                                               {INT64_MIN, 40},
                                               {40, INT64_MAX}};
  for (const auto& [first, end] : cases) {
    TVrFileCollection c;
    try {
      c.OpenMemory(std::make_shared<std::vector<uint8_t>>(OneEntryIndex(first, end)), "wild");
      ADD_FAILURE() << first << " .. " << end << " was accepted";
    } catch (const EArchiveError& e) {
      EXPECT_THAT(e.what(), ::testing::HasSubstr("outside the file")) << first << " .. " << end;
    }
  }
  TVrFileCollection c;
  c.OpenMemory(std::make_shared<std::vector<uint8_t>>(OneEntryIndex(40, 40)), "empty entry");
  EXPECT_EQ(c.Entry(0)->Size, 0);
  // A side index is held against the archive it describes, not against itself.
  Write("side.dat", std::vector<uint8_t>(100, 0));
  Write("side.ext", OneEntryIndex(10, 90));
  TVrFileCollection side;
  side.Open((dir_ / "side.dat").string());
  EXPECT_EQ(side.Entry(0)->Size, 80);
  Write("side.ext", OneEntryIndex(10, 101));
  EXPECT_THROW(side.Open((dir_ / "side.dat").string()), EArchiveError);
}

TEST_F(StorageTest, OffsetsOutsideTheFileAndDamagedEntriesAreErrors) {
  auto bytes = BuildArchive(100, {{"a.txt", Bytes("hello")}});
  // Version 100: 32-bit scrambled offsets; corrupt the end offset.
  const size_t end_offset_at = 2 + 4 + 4 + 4 + 5 + 4;
  bytes[end_offset_at + 3] ^= 0x40;
  TVrFileCollection c;
  EXPECT_THROW(c.Open(Write("bad.dat", bytes)), EArchiveError);

  auto damaged = BuildArchive(102, {{"pic.orl", std::vector<uint8_t>(500, 9)}});
  damaged[damaged.size() - 10] ^= 0xFF;
  c.Open(Write("damaged.dat", damaged));
  try {
    c.ReadEntryData(*c.FindEntry("pic.orl"));
    ADD_FAILURE();
  } catch (const EArchiveError& e) {
    EXPECT_THAT(e.what(), ::testing::HasSubstr("pic.orl"));
  }
  std::string err;
  EXPECT_FALSE(c.VerifyEntry(*c.FindEntry("pic.orl"), &err));
  EXPECT_THAT(err, ::testing::HasSubstr("pic.orl"));
}

TEST_F(StorageTest, ACutArchiveKeepsTheEntriesBeforeTheCutOnlyWhenAskedTo) {
  const auto whole = BuildArchive(102, {{"a.txt", Bytes("first"), true},
                                        {"b.txt", Bytes("second"), true},
                                        {"c.txt", Bytes("third"), true}});
  // The last 8 bytes: all of c.txt and the end of b.txt.
  auto cut = std::make_shared<const std::vector<uint8_t>>(whole.begin(), whole.end() - 8);
  TVrFileCollection strict;
  EXPECT_THROW(strict.OpenMemory(cut, "cut"), EArchiveError);
  TVrFileCollection c;
  EXPECT_EQ(c.OpenMemoryCutShort(cut, "cut"), 2);
  ASSERT_EQ(c.EntryCount(), 1);
  std::string err;
  EXPECT_TRUE(c.VerifyEntry(*c.FindEntry("a.txt"), &err)) << err;
  EXPECT_EQ(c.ReadEntryData(*c.FindEntry("a.txt")), Bytes("first"));
  // A whole archive loses nothing; a cut inside the index is still an error.
  TVrFileCollection again;
  EXPECT_EQ(again.OpenMemoryCutShort(std::make_shared<const std::vector<uint8_t>>(whole), "w"), 0);
  EXPECT_EQ(again.EntryCount(), 3);
  auto index_cut = std::make_shared<const std::vector<uint8_t>>(whole.begin(), whole.begin() + 20);
  EXPECT_THROW(again.OpenMemoryCutShort(index_cut, "index"), EArchiveError);
}

// --- The manager ---

TEST_F(StorageTest, EarlierSourceWinsAndLooseFilesWinOverAll) {
  Write("one.dat", BuildArchive(102, {{"x.txt", Bytes("first")}, {"y.txt", Bytes("archive y")}}));
  Write("two.dat", BuildArchive(102, {{"X.TXT", Bytes("second")}, {"z.txt", Bytes("z")}}));
  Write("base/y.txt", Bytes("loose y"));
  TVrFileManager m;
  m.AddFolder((dir_ / "base").string());
  EXPECT_EQ(m.AddArchive((dir_ / "one.dat").string()), 0);
  EXPECT_EQ(m.AddArchive((dir_ / "two.dat").string()), 1);
  EXPECT_EQ(m.AddArchive((dir_ / "one.dat").string()), -1);  // already mounted
  EXPECT_EQ(Text(m, "x.txt"), "first");
  EXPECT_EQ(Text(m, "Y.txt"), "loose y");
  EXPECT_EQ(Text(m, "z.txt"), "z");
  EXPECT_TRUE(m.Exists("Z.TXT"));
  EXPECT_FALSE(m.Exists("none.txt"));
  m.RemoveSource(0);
  m.ClearCache();
  EXPECT_EQ(Text(m, "x.txt"), "second");
}

TEST_F(StorageTest, MissingFileRaisesTheGameMessageAndAMissIsRetried) {
  TVrFileManager m;
  m.AddFolder(dir_.string());
  try {
    m.ReadFileBytes("later.txt");
    FAIL();
  } catch (const EVeskError& e) {
    EXPECT_EQ(platform::Cp932ToUtf8(e.Message()), "later.txt:ファイルがありません");
  }
  EXPECT_THAT(m.CacheKeys(), ::testing::ElementsAre("LATER.TXT"));  // the empty slot stays
  Write("later.txt", Bytes("now here"));
  EXPECT_EQ(Text(m, "later.txt"), "now here");
}

TEST_F(StorageTest, CacheKeepsFourMiBMostRecentlyUsedFirst) {
  std::vector<RawEntry> entries;
  for (char c = 'a'; c <= 'f'; ++c)
    entries.push_back({std::string(1, c), std::vector<uint8_t>(0x100000, 1)});
  TVrFileManager m;
  m.AddArchive(Write("g.dat", BuildArchive(102, entries)));
  for (const char* n : {"a", "b", "c", "d", "e"}) m.ReadFileBytes(n);
  // Eviction runs when a miss arrives, before the new content is in: four
  // MiB is not above the limit, so all five stay.
  EXPECT_THAT(m.CacheKeys(), ::testing::ElementsAre("E", "D", "C", "B", "A"));
  m.ReadFileBytes("b");  // a hit moves to the front
  m.ReadFileBytes("f");  // five MiB are above the limit: the least recent goes
  EXPECT_THAT(m.CacheKeys(), ::testing::ElementsAre("F", "B", "E", "D", "C"));
  EXPECT_EQ(m.CacheBytes(), 5 * 0x100000);
}

TEST_F(StorageTest, ExtractedEntriesShareOneTemporaryFileUntilTheManagerGoes) {
  std::string path;
  {
    TVrFileManager m;
    m.AddArchive(Write("g.dat", BuildArchive(102, {{"bgm\\Song.Ogg", Bytes("music")}})));
    path = m.GetFilePath("BGM\\song.ogg");
    EXPECT_EQ(m.GetFilePath("bgm\\song.ogg"), path);
    ASSERT_EQ(m.locks().size(), 1u);
    EXPECT_EQ(m.locks()[0].use_count, 2);
    EXPECT_EQ(fs::path(path).filename().string(), "~vk00000000.ogg");
    std::ifstream in(path);
    std::string content;
    in >> content;
    EXPECT_EQ(content, "music");
    EXPECT_EQ(m.GetFilePath("not\\there.wav"), "not\\there.wav");
  }
  EXPECT_FALSE(fs::exists(path));
  EXPECT_FALSE(fs::exists(fs::path(path).parent_path()));
}

TEST_F(StorageTest, OpenRangeGivesTheStoredBytes) {
  auto a = BuildArchive(102, {{"v.mpg", Bytes("0123456789"), true}, {"c.txt", Bytes("ccc")}});
  TVrFileManager m;
  m.AddArchive(Write("g.dat", a));
  auto s = m.OpenRange("v.mpg");
  EXPECT_EQ(s->Size(), 10);
  char buf[4] = {};
  s->Seek(6);
  EXPECT_EQ(s->Read(buf, 10), 4);
  EXPECT_EQ(std::string(buf, 4), "6789");
  EXPECT_THROW(m.OpenRange("none"), EVeskError);
}

TEST_F(StorageTest, LooseNamesMatchWithoutCaseInUtf8OrRawShiftJisAndNeverEscape) {
  Write("game/Graphics/Back01.PNG", Bytes("png"));
  Write("game/画像/背景.orl", Bytes("utf8 name"));
  Write("game/" + platform::Utf8ToCp932("音声") + "/a.wav", Bytes("raw sjis name"));
  Write("secret.txt", Bytes("outside"));
  TVrFileManager m;
  m.AddFolder((dir_ / "game").string());
  EXPECT_EQ(Text(m, "graphics\\back01.png"), "png");
  EXPECT_EQ(Text(m, platform::Utf8ToCp932("画像\\背景.ORL")), "utf8 name");
  EXPECT_EQ(Text(m, platform::Utf8ToCp932("音声\\A.WAV")), "raw sjis name");
  for (const char* evil : {"..\\secret.txt", "Graphics\\..\\..\\secret.txt", "/etc/passwd",
                           "\\secret.txt", "C:\\secret.txt", "Graphics/../../secret.txt"}) {
    EXPECT_FALSE(m.Exists(evil)) << evil;
    EXPECT_THROW(m.ReadFileBytes(evil), EVeskError) << evil;
  }
}

TEST(SplitGameName, SeparatorsAndTheShiftJisTrailByte) {
  // 表 is 0x95 0x5C: its second byte is not a separator.
  auto parts = SplitGameName("\x95\x5C\\a/b");
  ASSERT_TRUE(parts);
  EXPECT_THAT(*parts, ::testing::ElementsAre("\x95\x5C", "a", "b"));
  EXPECT_TRUE(SplitGameName("folder\\"));
  EXPECT_FALSE(SplitGameName(""));
  EXPECT_FALSE(SplitGameName("a\\\\b"));
  EXPECT_FALSE(SplitGameName("a\\.\\b"));
  EXPECT_FALSE(SplitGameName(std::string("a\0b", 3)));
}

TEST_F(StorageTest, OwnResourcesAreMountedFromTheProgram) {
  static const std::vector<uint8_t> kLogo = BuildArchive(102, {{"logo.txt", Bytes("made with")}});
  RegisterEmbeddedResource("TESTLOGO", "DATA", kLogo.data(), kLogo.size());
  TVrFileManager m;
  const int id = m.AddResource(platform::ExecutablePath(), "testlogo", "data");
  EXPECT_EQ(Text(m, "logo.txt"), "made with");
  m.RemoveSource(id);
  m.ClearCache();
  EXPECT_FALSE(m.Exists("logo.txt"));
  EXPECT_THROW(m.AddResource(platform::ExecutablePath(), "NOSUCH", "DATA"), EVeskError);
}

}  // namespace
}  // namespace vesk::storage

namespace vesk::storage {
namespace {

TEST(EmbeddedResources, BlobsLinkedByTheBuildAreFoundByNameAndType) {
  auto linked = FindEmbeddedResource("linkedtest", "Data");
  ASSERT_TRUE(linked);
  auto file = platform::ReadWholeFile(VESK_LINKED_TEST_FILE);
  ASSERT_TRUE(file);
  EXPECT_EQ(std::vector<uint8_t>(linked->begin(), linked->end()), *file);
  EXPECT_FALSE(FindEmbeddedResource("linkedtest", "BINTYPE"));
}

}  // namespace
}  // namespace vesk::storage
