// Runs "vesk-tool archive" as users do and reads the results back through
// the archive reader the player uses.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include "support/run_program.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

#include "storage/streams.h"
#include "storage/vrfiles.h"

namespace vesk::tool {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

using vesk::test_support::RunResult;
using vesk::test_support::Slurp;

std::string RandomBytes(size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(gen() & 0xFF);
  return s;
}

std::string TextBytes(size_t n) {
  std::string s;
  while (s.size() < n) s += "The quick brown fox jumps over the lazy dog. ";
  return s.substr(0, n);
}

// Every regular file below `root`, relative, with its content.
std::map<std::string, std::string> Tree(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(root))
    if (e.is_regular_file()) files[e.path().lexically_relative(root).string()] = Slurp(e.path());
  return files;
}

class ArchiveCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "vesk-tool-archive-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { fs::remove_all(dir_); }

  RunResult Tool(const std::string& args) {
    return vesk::test_support::RunProgram(VESK_TOOL_PATH, args, dir_);
  }
  RunResult Pack(const std::string& options = "") {
    return Tool("archive pack " + options + " " + Q(dir_ / "game") + " " + Q(dat_));
  }
  static std::string Q(const fs::path& p) { return "'" + p.string() + "'"; }

  void Put(const std::string& name, const std::string& bytes) {
    fs::create_directories((dir_ / "game" / name).parent_path());
    std::ofstream(dir_ / "game" / name, std::ios::binary) << bytes;
  }

  // The list line of entry `name` (UTF-8), split at tabs.
  std::vector<std::string> Listed(const std::string& name) {
    const std::string list = Tool("archive list " + Q(dat_)).out;
    std::stringstream lines(list);
    for (std::string line; std::getline(lines, line);) {
      std::vector<std::string> fields;
      std::stringstream cells(line);
      for (std::string cell; std::getline(cells, cell, '\t');) fields.push_back(cell);
      if (fields.size() == 6 && fields[0] == name) return fields;
    }
    ADD_FAILURE() << name << " is not listed in:\n" << list;
    return std::vector<std::string>(6);
  }

  // An archive with any entry names, as a hostile or careless tool writes.
  void WriteArchive(const std::vector<std::pair<std::string, std::string>>& entries) {
    storage::TVrFileCollection archive;
    for (const auto& [name, bytes] : entries)
      archive.AddEntry(name)->Source->Write(bytes.data(), static_cast<int64_t>(bytes.size()));
    auto out = storage::TBigFileStream::Create(dat_.string());
    ASSERT_TRUE(out && archive.SaveTo(*out));
  }

  // Past the 2-byte zlib header, 0xFF starts a block of the reserved type, so
  // compressed data cannot inflate; stored data simply differs.
  void Damage(const std::string& name) {
    storage::TVrFileCollection archive;
    archive.Open(dat_.string());
    std::fstream f(dat_, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(archive.FindEntry(name)->Offset + 2);
    f.write("\xff\xff\xff\xff", 4);
  }

  void FlipByteInside(const std::string& name) {
    storage::TVrFileCollection archive;
    archive.Open(dat_.string());
    const int64_t at = archive.FindEntry(name)->Offset + archive.FindEntry(name)->Size / 2;
    std::fstream f(dat_, std::ios::in | std::ios::out | std::ios::binary);
    f.seekg(at);
    const char c = static_cast<char>(f.get() ^ 0x01);
    f.seekp(at);
    f.put(c);
  }

  fs::path dir_;
  fs::path dat_;
};

// ----------------------------------------------------- pack, list, unpack ---

TEST_F(ArchiveCommand, RoundTripKeepsJapaneseNamesFoldersContentAndOrder) {
  dat_ = dir_ / "g.dat";
  const std::map<std::string, std::string> files = {
      {"画像/背景01.txt", TextBytes(3000)},
      {"音声/効果音/ドア.wav", RandomBytes(5000, 1)},
      {"データ/ソース.bin", RandomBytes(700, 2)},  // ソ has a '\' trail byte
      {"A.txt", "capital"},
      {"a/z.txt", "in a folder"},
      {"空.txt", ""}};
  for (const auto& [name, bytes] : files) Put(name, bytes);
  RunResult pack = Pack();
  ASSERT_EQ(pack.status, 0) << pack.err;
  EXPECT_THAT(pack.out, HasSubstr("6 entries"));
  EXPECT_EQ(Listed("音声\\効果音\\ドア.wav")[1], "5000");

  storage::TVrFileCollection archive;
  archive.Open(dat_.string());
  std::vector<std::string> names;
  for (int i = 0; i < archive.EntryCount(); ++i) names.push_back(archive.Entry(i)->Name());
  EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));  // Shift-JIS byte order

  ASSERT_EQ(Tool("archive unpack " + Q(dat_) + " " + Q(dir_ / "out")).status, 0);
  EXPECT_EQ(Tree(dir_ / "out"), files);
}

TEST_F(ArchiveCommand, DatesSurvivePackListAndUnpack) {
  dat_ = dir_ / "g.dat";
  std::tm t{};
  t.tm_year = 2021 - 1900, t.tm_mon = 2, t.tm_mday = 4, t.tm_hour = 5, t.tm_min = 6, t.tm_sec = 8;
  t.tm_isdst = -1;
  const auto when =
      std::chrono::file_clock::from_sys(std::chrono::system_clock::from_time_t(std::mktime(&t)));
  Put("a.txt", TextBytes(100));
  fs::last_write_time(dir_ / "game" / "a.txt", when);
  ASSERT_EQ(Pack().status, 0);
  EXPECT_EQ(Listed("a.txt")[4], "2021-03-04 05:06:08");
  EXPECT_THAT(Listed("a.txt")[5], HasSubstr("of original"));
  ASSERT_EQ(Tool("archive unpack " + Q(dat_) + " " + Q(dir_ / "out")).status, 0);
  EXPECT_EQ(fs::last_write_time(dir_ / "out" / "a.txt"), when);
}

TEST_F(ArchiveCommand, ListShowsTheWritersCompressionChoice) {
  dat_ = dir_ / "g.dat";
  Put("voice.wav", TextBytes(30000));  // would compress well, but media stays stored
  Put("notes.txt", TextBytes(20000));
  Put("big.bin", RandomBytes(6 << 20, 3));
  ASSERT_EQ(Pack().status, 0);
  EXPECT_THAT(Listed("voice.wav"),
              testing::ElementsAre("voice.wav", "30000", "-", "stored", testing::_, testing::_));
  const auto txt = Listed("notes.txt");
  EXPECT_EQ(txt[3], "compressed");
  EXPECT_LT(std::stoll(txt[1]), 20000);
  EXPECT_EQ(txt[2], "20000");  // the decompressed size, found by reading
  EXPECT_EQ(Listed("big.bin")[3], "stored");
}

TEST_F(ArchiveCommand, EmptyFolderGivesAValidArchiveWithNoEntries) {
  dat_ = dir_ / "g.dat";
  fs::create_directories(dir_ / "game");
  ASSERT_EQ(Pack().status, 0);
  storage::TVrFileCollection archive;
  archive.Open(dat_.string());
  EXPECT_TRUE(archive.HasData());
  EXPECT_EQ(archive.EntryCount(), 0);
  EXPECT_EQ(Tool("archive verify " + Q(dat_)).status, 0);
}

TEST_F(ArchiveCommand, PackingIntoTheFolderItselfLeavesThePreviousArchiveOut) {
  dat_ = dir_ / "game" / "game.dat";
  Put("a.txt", "content");
  ASSERT_EQ(Pack().status, 0);
  RunResult again = Pack();
  ASSERT_EQ(again.status, 0) << again.err;
  EXPECT_THAT(again.out, HasSubstr(": 1 entry,"));
}

// ----------------------------------------------------------------- split ---

TEST_F(ArchiveCommand, SplitWritesPartsOfTheGivenSizeThatJoinIntoTheArchive) {
  dat_ = dir_ / "g.dat";
  const std::string b = RandomBytes(5000, 5);
  Put("a.bin", RandomBytes(5000, 4));
  Put("b.bin", b);
  RunResult r = Pack("--split --part-size 4096");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_THAT(r.out, HasSubstr("3 parts"));
  EXPECT_EQ(fs::file_size(dir_ / "g.dat"), 4096u);
  EXPECT_EQ(fs::file_size(dir_ / "g.001"), 4096u);
  EXPECT_FALSE(fs::exists(dir_ / "g.003"));

  // The reader only chains full 1 GiB parts, so join the tiny ones by hand.
  std::ofstream(dir_ / "joined.dat", std::ios::binary)
      << Slurp(dir_ / "g.dat") << Slurp(dir_ / "g.001") << Slurp(dir_ / "g.002");
  storage::TVrFileCollection archive;
  archive.Open((dir_ / "joined.dat").string());
  ASSERT_EQ(archive.EntryCount(), 2);
  EXPECT_EQ(archive.ReadEntryData(*archive.FindEntry("b.bin")),
            std::vector<uint8_t>(b.begin(), b.end()));

  // A single-file archive in the same place takes the old parts away.
  ASSERT_EQ(Pack().status, 0);
  EXPECT_FALSE(fs::exists(dir_ / "g.001"));
  EXPECT_FALSE(fs::exists(dir_ / "g.002"));
  EXPECT_EQ(Tool("archive verify " + Q(dat_)).status, 0);
}

// ------------------------------------------------------------ pack refusals ---

TEST_F(ArchiveCommand, NamesAGameCouldNotReachAreRefusedAndNothingIsWritten) {
  dat_ = dir_ / "dist" / "g.dat";
  fs::create_directories(dir_ / "dist");
  for (const auto& [files, message] : std::vector<std::pair<std::vector<std::string>, std::string>>{
           {{"한글.txt"}, "Shift-JIS"}, {{"Title.txt", "title.txt"}, "letter case"}}) {
    fs::remove_all(dir_ / "game");
    for (const std::string& f : files) Put(f, "x");
    RunResult r = Pack();
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, HasSubstr((dir_ / "game" / files.back()).string() + ": "));
    EXPECT_THAT(r.err, HasSubstr(message));
    EXPECT_TRUE(fs::is_empty(dir_ / "dist"));
  }
}

TEST_F(ArchiveCommand, FailedPackLeavesThePreviousArchive) {
  dat_ = dir_ / "g.dat";
  Put("a.txt", "first");
  ASSERT_EQ(Pack().status, 0);
  const std::string before = Slurp(dat_);
  Put("😀.txt", "no Shift-JIS form");
  EXPECT_EQ(Pack().status, 1);
  EXPECT_EQ(Slurp(dat_), before);
  EXPECT_EQ(Tree(dir_).size(), 3u);  // a.txt, 😀.txt, g.dat
}

TEST_F(ArchiveCommand, FileUnreadableHalfWayLeavesNoTemporaryFile) {
  if (geteuid() == 0) GTEST_SKIP() << "the superuser reads files of any mode";
  dat_ = dir_ / "g.dat";
  Put("a.txt", "first");
  ASSERT_EQ(Pack().status, 0);
  const std::string before = Slurp(dat_);
  Put("locked.txt", "secret");
  fs::permissions(dir_ / "game" / "locked.txt", fs::perms::none);
  RunResult r = Pack();
  fs::permissions(dir_ / "game" / "locked.txt", fs::perms::owner_all);
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err, HasSubstr("locked.txt"));
  EXPECT_EQ(Slurp(dat_), before);
  EXPECT_EQ(Tree(dir_).size(), 3u);  // a.txt, locked.txt, g.dat
}

// ---------------------------------------------------------------- verify ---

TEST_F(ArchiveCommand, VerifyNamesEachEntryWithAFlippedByte) {
  dat_ = dir_ / "g.dat";
  Put("notes.txt", TextBytes(8000));       // compressed
  Put("voice.wav", RandomBytes(8000, 7));  // stored
  ASSERT_EQ(Pack().status, 0);
  RunResult fresh = Tool("archive verify " + Q(dat_));
  EXPECT_EQ(fresh.status, 0);
  EXPECT_THAT(fresh.out, HasSubstr("all good"));

  FlipByteInside("voice.wav");
  RunResult r = Tool("archive verify " + Q(dat_));
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.out, HasSubstr("damaged: voice.wav"));
  EXPECT_THAT(r.out, Not(HasSubstr("damaged: notes.txt")));

  FlipByteInside("notes.txt");
  EXPECT_THAT(Tool("archive verify " + Q(dat_)).out, HasSubstr("damaged: notes.txt"));
}

TEST_F(ArchiveCommand, UnreadableIndexFailsEverySubcommandNamingTheFile) {
  dat_ = dir_ / "junk.dat";
  // Version 102 claiming far more entries than the file holds.
  std::ofstream(dat_, std::ios::binary)
      << "vf" << std::string("\x66\0\0\0\xff\xff\xff\x0f", 8) << RandomBytes(64, 8);
  for (const std::string sub : {"verify ", "list ", "unpack "}) {
    RunResult r = Tool("archive " + sub + Q(dat_) + (sub == "unpack " ? " " + Q(dir_ / "o") : ""));
    EXPECT_EQ(r.status, 1) << sub;
    EXPECT_THAT(r.err, HasSubstr("vesk-tool: " + dat_.string() + ": ")) << sub;
  }
}

// ---------------------------------------------------------------- unpack ---

TEST_F(ArchiveCommand, UnpackSkipsNamesThatLeaveTheFolderAndWritesNothingOutside) {
  dat_ = dir_ / "evil.dat";
  WriteArchive({{"..\\evil", "x"},
                {"\\abs", "x"},
                {"C:\\x", "x"},
                {"sub\\..\\..\\deep", "x"},
                {"ok.txt", "fine"}});
  RunResult r = Tool("archive unpack " + Q(dat_) + " " + Q(dir_ / "out" / "target"));
  EXPECT_EQ(r.status, 1);
  for (const char* name : {"..\\evil:", "\\abs: absolute", "C:\\x: drive", "sub\\..\\..\\deep:"})
    EXPECT_THAT(r.err, HasSubstr(std::string("skipped ") + name));
  EXPECT_EQ(Tree(dir_), (std::map<std::string, std::string>{{"evil.dat", Slurp(dat_)},
                                                            {"out/target/ok.txt", "fine"}}));
}

TEST_F(ArchiveCommand, UnpackDoesNotWriteThroughALinkInTheTarget) {
  dat_ = dir_ / "a.dat";
  WriteArchive({{"sub\\f.txt", "x"}});
  fs::create_directories(dir_ / "elsewhere");
  fs::create_directories(dir_ / "out");
  fs::create_directory_symlink(dir_ / "elsewhere", dir_ / "out" / "sub");
  RunResult r = Tool("archive unpack " + Q(dat_) + " " + Q(dir_ / "out"));
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err, HasSubstr("symbolic link"));
  EXPECT_TRUE(fs::is_empty(dir_ / "elsewhere"));
}

TEST_F(ArchiveCommand, UnpackReportsADamagedEntryAndWritesTheRest) {
  dat_ = dir_ / "a.dat";
  WriteArchive({{"a.txt", TextBytes(4000)}, {"b.txt", "fine"}});
  Damage("a.txt");
  RunResult r = Tool("archive unpack " + Q(dat_) + " " + Q(dir_ / "out"));
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err, HasSubstr("failed a.txt"));
  EXPECT_EQ(Slurp(dir_ / "out" / "b.txt"), "fine");
}

// ---------------------------------------------------------- command line ---

TEST_F(ArchiveCommand, HelpListsTheCommandsAndBadCommandLinesExit2) {
  RunResult help = Tool("--help");
  EXPECT_EQ(help.status, 0);
  for (const char* command :
       {"archive pack", "archive unpack", "archive list", "archive verify", "bundle PLAYER"})
    EXPECT_THAT(help.out, HasSubstr(command));

  RunResult unknown = Tool("frobnicate");
  EXPECT_EQ(unknown.status, 2);
  EXPECT_THAT(unknown.err, HasSubstr("unknown command 'frobnicate'"));
  EXPECT_THAT(unknown.err, HasSubstr("usage"));
  for (const char* args :
       {"", "archive", "archive shrink x", "archive list", "archive pack one",
        "archive pack --part-size 4096 a b", "archive pack --split --part-size 0 a b"})
    EXPECT_EQ(Tool(args).status, 2) << args;
}

}  // namespace
}  // namespace vesk::tool
