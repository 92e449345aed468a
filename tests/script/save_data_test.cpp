#include "script/save_data.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "callman_fixture.h"
#include "core/messages.h"
#include "platform/files.h"
#include "script/commands.h"
#include "script/table_port.h"
#include "storage/vrfiles.h"

namespace vesk::script {
namespace {

namespace fs = std::filesystem;

// A section that writes a marker with the version it was given and
// remembers what it read back.
class Section final : public StoredSection {
 public:
  explicit Section(uint8_t tag) : tag_(tag) {}
  void SaveSection(ByteWriter& out, int32_t version) override {
    out.U8(tag_);
    out.I32(value);
    saved_version = version;
  }
  void LoadSection(ByteReader& in, int32_t version) override {
    if (in.U8("tag") != tag_) throw ETruncated("wrong section");
    value = in.I32("value");
    loaded_version = version;
    ++loads;
  }
  int32_t value = 0;
  int32_t saved_version = -1, loaded_version = -1, loads = 0;

 private:
  uint8_t tag_;
};

class Tables final : public TablePort {
 public:
  void ResetTables() override {}
  void SaveTables(ByteWriter& out, int32_t status) override {
    out.I32(100 + status);
    out.I32(status == 0 ? game : kept);
  }
  void LoadTables(ByteReader& in, int32_t status) override {
    if (in.I32("format") != 100 + status) throw ETruncated("wrong table section");
    (status == 0 ? game : kept) = in.I32("tables");
    ++loads[status];
  }
  int32_t game = 0, kept = 0;
  int loads[2] = {0, 0};
};

class SaveDataTest : public test::CallManFixture {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("vesk-save-" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    // A page that counts and waits: x = 1, wait, x = 2, wait ...
    test::Builder page("a.lsb");
    for (int i = 1; i <= 4; ++i) {
      test::Assign(page.Add<TComCalc>().Expression, "x", i);
      test::Constant(page.Add<TComWait>().Time, 1000);
    }
    test::Builder jump("jump.lsb");
    test::Assign(jump.Add<TComCalc>().Expression, "jumped", 1);
    Mount({&page, &jump});
    Globals({"x", "jumped"});
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string SavePath() const { return (dir_ / "save.dat").string(); }
  TSaveData& Saves(bool with_status_owners = true) {
    if (!saves_) {
      SaveDataEnvironment env;
      env.ctx = &ctx_;
      env.variables = &vars_;
      env.dialogs = &platform_.dialogs();
      env.sections.scene = &scene_section_;
      env.sections.history = &history_;
      if (with_status_owners) {
        env.sections.read_marks = &marks_;
        env.sections.dither = &dither_;
        env.sections.tables = &tables_;
      }
      env.location = {SavePath(), SavePath()};
      env.report = [this](const std::string& line) { reports_.push_back(line); };
      saves_ = std::make_unique<TSaveData>(env);
    }
    return *saves_;
  }
  std::vector<uint8_t> Entry(const std::string& name) {
    const TSaveFile file = TSaveFile::Read(SavePath());
    const std::vector<uint8_t>* e = file.Find(name);
    return e ? *e : std::vector<uint8_t>{};
  }
  void PutEntries(const std::vector<TSaveFile::Entry>& entries) {
    TSaveFile file;
    for (const auto& [name, bytes] : entries) file.Put(name, bytes);
    ASSERT_TRUE(WriteSaveFile(file, SavePath(), false, [](const std::string&) {}));
  }
  static std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

  fs::path dir_;
  Section scene_section_{1}, history_{2}, marks_{3}, dither_{4};
  Tables tables_;
  std::vector<std::string> reports_;
  std::unique_ptr<TSaveData> saves_;
};

TEST_F(SaveDataTest, AGameComesBackAndSavesToTheSameBytes) {
  Man().Start("a.lsb");
  Frames(1);
  Frames(1, 1000);  // x = 2, waiting in the second wait
  scene_section_.value = 11;
  history_.value = 22;
  tables_.game = 5;
  Saves().SaveGame(Man(), 3, "", 0, "chapter", true);
  const std::vector<uint8_t> first = Entry("GAMESAVEDATA3");
  ASSERT_FALSE(first.empty());
  EXPECT_EQ(scene_section_.saved_version, kGameSaveVersion);

  // The game moves on in the same instant: the call stays where it is, the
  // variables and sections change.
  vars_.Find("x")->Value->SetInt(9);
  scene_section_.value = history_.value = tables_.game = 0;
  Saves().LoadGame(Man(), 3);
  ASSERT_FALSE(ctx_.terminated);
  EXPECT_EQ(Int("x"), 2);
  EXPECT_EQ(scene_section_.value, 11);
  EXPECT_EQ(history_.value, 22);
  EXPECT_EQ(tables_.game, 5);
  EXPECT_EQ(tables_.loads[0], 1);

  // The variable table writes its records from the last to the first, so a
  // loaded game stores them the other way round: two trips give the bytes.
  Saves().SaveGame(Man(), 4, "", 0, "chapter", true);
  EXPECT_NE(Entry("GAMESAVEDATA4"), first);
  Saves().LoadGame(Man(), 4);
  Saves().SaveGame(Man(), 5, "", 0, "chapter", true);
  EXPECT_EQ(Entry("GAMESAVEDATA5"), first);
  Frames(1, 1000);  // the game goes on from the saved wait
  EXPECT_EQ(Int("x"), 3);
}

TEST_F(SaveDataTest, CaptionsFollowTheSavesAndAnEmptyCaptionSavesNothing) {
  Man().Start("a.lsb");
  Saves().SaveGame(Man(), 2, "", 0, "", true);
  EXPECT_FALSE(platform::FileExists(SavePath()));
  Saves().SaveGame(Man(), 3, "", 0, "one", true);
  Saves().SaveGame(Man(), 7, "", 0, "seven", true);
  Saves().SaveGame(Man(), 3, "", 0, "two", true);
  ASSERT_EQ(Saves().captions().size(), 2u);
  EXPECT_EQ(Saves().CaptionOf(3), "two");
  EXPECT_EQ(Saves().CaptionOf(4), "");
  const TSaveFile file = TSaveFile::Read(SavePath());
  int games = 0;
  for (const auto& [name, bytes] : file.entries()) games += name.rfind("GAMESAVEDATA", 0) == 0;
  EXPECT_EQ(games, 2);

  // A new run reads them back from the file, skipping names without a number.
  TSaveFile with_odd = file;
  with_odd.Put("GAMESAVEDATAx", Bytes("junk"));
  ASSERT_TRUE(WriteSaveFile(with_odd, SavePath(), false, [](const std::string&) {}));
  saves_.reset();
  Saves().ReadSaveCaptions();
  ASSERT_EQ(Saves().captions().size(), 2u);
  EXPECT_EQ(Saves().CaptionOf(7), "seven");
}

TEST_F(SaveDataTest, AJumpPageRunsFirstAsACallThatReturnsToTheSavedPlace) {
  Man().Start("a.lsb");
  Frames(1);
  Frames(1, 1000);
  Saves().SaveGame(Man(), 1, "jump.lsb", 0, "c", true);
  Saves().LoadGame(Man(), 1);
  ASSERT_FALSE(ctx_.terminated);
  EXPECT_EQ(Man().CurPage->Name, "jump.lsb");
  EXPECT_EQ(Man().Depth(), 1);
  Frames(1, 1000);
  EXPECT_EQ(Int("jumped"), 1);
  EXPECT_EQ(Man().CurPage->Name, "a.lsb");
  // Back at the saved wait, which starts afresh (the call kept no state).
  EXPECT_EQ(Int("x"), 2);
  Frames(1, 1000);
  EXPECT_EQ(Int("x"), 3);
}

TEST_F(SaveDataTest, GameSaveVersionsDecideWhatIsRead) {
  Man().Start("a.lsb");
  Frames(1);
  auto entry = [&](int32_t version, bool old_marks, bool tables) {
    // The call manager's and the variables' sections as that version has them.
    ByteWriter calls, vars;
    SaveRecord(Man(), calls, version);
    SaveRecord(vars_, vars, version);
    ByteWriter w;
    w.I32(version);
    w.Str("cap");
    w.Str("");
    w.I32(0);
    w.U8(1);
    w.I32(31);  // scene
    w.U8(2);
    w.I32(32);  // history
    if (old_marks) {
      w.I32(1);
      w.Str("m.lsb");
      w.I32(1);
      w.I32(4);
      w.I32(0);
      w.Str("");
      w.I32(0);
      w.I32(0);
      w.Str("");
    }
    w.Bytes(calls.bytes().data(), calls.bytes().size());
    w.Bytes(vars.bytes().data(), vars.bytes().size());
    if (tables) {
      w.I32(100);
      w.I32(9);
    }
    return w.bytes();
  };
  PutEntries({{"GAMESAVEDATA1", entry(122, false, false)},
              {"GAMESAVEDATA2", entry(123, false, true)},
              {"GAMESAVEDATA3", entry(107, false, false)},
              {"GAMESAVEDATA4", entry(100, true, false)}});
  Saves().LoadGame(Man(), 1);
  ASSERT_FALSE(ctx_.terminated);
  EXPECT_EQ(scene_section_.loaded_version, 122);
  EXPECT_EQ(history_.value, 32);
  EXPECT_EQ(tables_.loads[0], 0);  // no table section before 123
  Saves().LoadGame(Man(), 2);
  EXPECT_EQ(tables_.loads[0], 1);
  EXPECT_EQ(tables_.game, 9);
  Saves().LoadGame(Man(), 3);
  EXPECT_FALSE(ctx_.terminated) << testing::PrintToString(reports_);
  EXPECT_EQ(history_.loaded_version, 107);
  Saves().LoadGame(Man(), 4);  // older than 107: refused
  EXPECT_TRUE(ctx_.terminated);
}

TEST_F(SaveDataTest, AnUnusableSaveEndsTheGameWithTheWarning) {
  Man().Start("a.lsb");
  ByteWriter old;
  old.I32(106);
  old.Str("too old");
  ByteWriter cut;
  cut.I32(129);
  cut.Str("cut");
  cut.Str("");  // ends before the jump index
  PutEntries({{"GAMESAVEDATA1", old.bytes()}, {"GAMESAVEDATA2", cut.bytes()}});
  Saves().LoadGame(Man(), 5);  // no such slot: nothing happens
  EXPECT_FALSE(ctx_.terminated);
  for (int slot : {1, 2}) {
    ctx_.terminated = false;
    Saves().LoadGame(Man(), slot);
    EXPECT_TRUE(ctx_.terminated) << slot;
  }
  ASSERT_EQ(platform_.headless_dialogs().shown().size(), 2u);
  EXPECT_NE(platform_.headless_dialogs().shown()[0].find(MessageUtf8(Msg::kBadSaveData)),
            std::string::npos);
}

TEST_F(SaveDataTest, StatusVersionsDecideWhatIsRead) {
  auto status = [&](const std::string& header) {
    ByteWriter w;
    w.Bytes(reinterpret_cast<const uint8_t*>(header.data()), header.size());
    w.I32(0);  // no status variables
    w.U8(3);
    w.I32(41);  // read marks
    w.U8(4);
    w.I32(42);  // dither
    w.I32(101);
    w.I32(43);  // tables
    return w.bytes();
  };
  struct Case {
    std::string header;
    int marks, dither, tables;
  } cases[] = {{"", 0, 0, 0},          {"Status099", 0, 0, 0}, {"Status100", 1, 0, 0},
               {"Status101", 1, 1, 0}, {"Status102", 1, 1, 0}, {"Status103", 1, 1, 1},
               {"Statusxyz", 0, 0, 0}};
  for (const Case& c : cases) {
    PutEntries({{kStatusEntryName, status(c.header)}});
    marks_.loads = dither_.loads = tables_.loads[1] = 0;
    saves_.reset();
    Saves().LoadStatusData();
    EXPECT_EQ(marks_.loads, c.marks) << c.header;
    EXPECT_EQ(dither_.loads, c.dither) << c.header;
    EXPECT_EQ(tables_.loads[1], c.tables) << c.header;
  }
  EXPECT_EQ(tables_.kept, 43);
  EXPECT_TRUE(reports_.empty());
}

TEST_F(SaveDataTest, StatusDataIsWrittenWithItsHeaderOnlyWhenAllOwnersExist) {
  Man().Start("a.lsb");
  marks_.value = 7;
  Saves().SaveStatusData(true);
  const std::vector<uint8_t> status = Entry(kStatusEntryName);
  ASSERT_GE(status.size(), 9u);
  EXPECT_EQ(std::string(status.begin(), status.begin() + 9), "Status103");

  // The switch off: a game save keeps the status entry the file holds.
  marks_.value = 8;
  Saves().SaveGame(Man(), 1, "", 0, "c", false);
  EXPECT_EQ(Entry(kStatusEntryName), status);
  Saves().SaveStatusData(false);
  EXPECT_EQ(Entry(kStatusEntryName), status);

  fs::remove(SavePath());
  saves_.reset();
  Saves(/*with_status_owners=*/false).SaveStatusData(true);
  EXPECT_FALSE(platform::FileExists(SavePath()));
}

TEST_F(SaveDataTest, ADamagedFileIsKeptAsideAndWhatCanBeReadIsKept) {
  Man().Start("a.lsb");
  Saves().SaveGame(Man(), 1, "", 0, "kept", true);
  Saves().SaveGame(Man(), 2, "", 0, "lost", true);
  // Damage the second slot's stored bytes: the archive's index still reads.
  std::vector<uint8_t> bytes = *platform::ReadWholeFile(SavePath());
  storage::TVrFileCollection archive;
  archive.OpenMemory(std::make_shared<const std::vector<uint8_t>>(bytes), "save.dat");
  const storage::TVrFile* two = archive.FindEntry("GAMESAVEDATA2");
  ASSERT_NE(two, nullptr);
  bytes[static_cast<size_t>(two->Offset + two->Size / 2)] ^= 0x55;
  ASSERT_TRUE(platform::WriteFileAtomic(SavePath(), bytes.data(), bytes.size()));

  saves_.reset();
  Saves().ReadSaveCaptions();
  EXPECT_EQ(Saves().CaptionOf(1), "kept");
  EXPECT_EQ(Saves().CaptionOf(2), "");
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_NE(reports_[0].find("GAMESAVEDATA2"), std::string::npos) << reports_[0];

  Saves().SaveGame(Man(), 3, "", 0, "new", true);
  const std::string aside = SavePath() + ".broken-1";
  ASSERT_TRUE(platform::FileExists(aside));
  EXPECT_EQ(*platform::ReadWholeFile(aside), bytes);
  const TSaveFile now = TSaveFile::Read(SavePath());
  EXPECT_FALSE(now.damaged());
  EXPECT_NE(now.Find("GAMESAVEDATA1"), nullptr);
  EXPECT_NE(now.Find("GAMESAVEDATA3"), nullptr);

  // Not an archive at all: the next one goes beside the first.
  const std::string junk = "not a save file";
  ASSERT_TRUE(platform::WriteFileAtomic(SavePath(), junk.data(), junk.size()));
  saves_.reset();
  Saves().SaveStatusData(true);
  EXPECT_TRUE(platform::FileExists(SavePath() + ".broken-2"));
  EXPECT_FALSE(TSaveFile::Read(SavePath()).damaged());
}

TEST_F(SaveDataTest, AFailedWriteIsReportedAndLeavesTheFileAsItWas) {
  Man().Start("a.lsb");
  // The save file's folder is a file: nothing can be written there.
  const fs::path blocked = dir_ / "blocked";
  std::ofstream(blocked) << "x";
  SaveDataEnvironment env;
  env.ctx = &ctx_;
  env.variables = &vars_;
  env.sections.tables = &tables_;
  env.location = {(blocked / "save.dat").string(), (blocked / "save.dat").string()};
  env.report = [this](const std::string& line) { reports_.push_back(line); };
  TSaveData saves(env);
  saves.SaveGame(Man(), 1, "", 0, "c", true);
  EXPECT_FALSE(ctx_.terminated);
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_EQ(saves.CaptionOf(1), "");  // the slot list tells no lie

  // A save.dat that cannot be replaced (here a folder stands in its way)
  // stays as it is, and no temporary file is left behind.
  fs::create_directories(dir_ / "save.dat" / "inside");
  SaveDataEnvironment env2 = env;
  env2.location = {SavePath(), SavePath()};
  TSaveData into_folder(env2);
  into_folder.SaveGame(Man(), 2, "", 0, "second", true);
  ASSERT_EQ(reports_.size(), 2u);
  EXPECT_NE(reports_[1].find("unchanged"), std::string::npos) << reports_[1];
  EXPECT_TRUE(fs::is_directory(dir_ / "save.dat" / "inside"));
  for (const auto& e : fs::directory_iterator(dir_))
    EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos) << e.path();
}

TEST(SaveFileLocation, AWritableDataFolderHoldsTheSaves) {
  const fs::path dir = fs::temp_directory_path() / "vesk-save-location";
  fs::create_directories(dir);
  const SaveLocation here = ChooseSaveLocation(dir.string(), (dir / "user").string());
  EXPECT_EQ(here.write_path, (dir / "save.dat").string());
  EXPECT_EQ(here.read_path, here.write_path);
  fs::remove_all(dir);
}

// A writer killed at any moment leaves the earlier file whole.
TEST(SaveFileCrash, AKilledWriterLeavesTheEarlierFileReadable) {
  const fs::path dir = fs::temp_directory_path() / "vesk-save-kill";
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::string path = (dir / "save.dat").string();
  auto file_with = [](uint8_t fill) {
    TSaveFile f;
    // Big and poorly compressible, so that writes take a while.
    for (int slot = 0; slot < 5; ++slot) {
      std::vector<uint8_t> bytes(1 << 20);
      uint32_t s = fill * 7919u + static_cast<uint32_t>(slot);
      for (auto& b : bytes) b = static_cast<uint8_t>((s = s * 1103515245u + 12345u) >> 24);
      f.Put(GameEntryName(slot), std::move(bytes));
    }
    return f;
  };
  ASSERT_TRUE(WriteSaveFile(file_with(1), path, false, [](const std::string&) {}));
  for (int round = 0; round < 6; ++round) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (uint8_t n = 2;; ++n) WriteSaveFile(file_with(n), path, false, [](const std::string&) {});
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(40 + 37 * round));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    const TSaveFile after = TSaveFile::Read(path);
    EXPECT_FALSE(after.damaged()) << after.problem();
    for (int slot = 0; slot < 5; ++slot) {
      const std::vector<uint8_t>* e = after.Find(GameEntryName(slot));
      ASSERT_NE(e, nullptr) << round;
      EXPECT_EQ(e->size(), size_t{1} << 20);
    }
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace vesk::script
