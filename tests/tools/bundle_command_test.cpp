// Runs "vesk-tool bundle" and reads the result the way the player does.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>
#include "support/run_program.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <tuple>

#include "platform/cp932.h"
#include "storage/streams.h"
#include "storage/vrfiles.h"

namespace vesk::tool {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

using vesk::test_support::RunResult;
using vesk::test_support::Slurp;

class BundleCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "vesk-tool-bundle-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
    // Any bytes do as the player here; a real ELF adds nothing the trailer
    // cares about.
    player_ = dir_ / "player";
    Put(player_, "\x7f" + std::string("ELF fake player") + std::string(1000, '\x90'));
    archive_ = dir_ / "game.dat";
    WriteArchive(archive_, {{"画像\\a.txt", "picture data"}, {"b.txt", std::string(3000, 'b')}});
  }
  void TearDown() override { fs::remove_all(dir_); }

  RunResult Tool(const std::string& args) {
    return vesk::test_support::RunProgram(VESK_TOOL_PATH, args, dir_ / "run");
  }
  static std::string Q(const fs::path& p) { return "'" + p.string() + "'"; }
  static void Put(const fs::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
  }
  static void WriteArchive(const fs::path& path,
                           const std::vector<std::pair<std::string, std::string>>& entries) {
    storage::TVrFileCollection archive;
    for (const auto& [name, bytes] : entries)
      archive.AddEntry(platform::Utf8ToCp932(name))
          ->Source->Write(bytes.data(), static_cast<int64_t>(bytes.size()));
    auto out = storage::TBigFileStream::Create(path.string());
    ASSERT_TRUE(out);
    ASSERT_TRUE(archive.SaveTo(*out));
  }
  RunResult Bundle(const fs::path& player, const fs::path& archive, const fs::path& out) {
    return Tool("bundle " + Q(player) + " " + Q(archive) + " " + Q(out));
  }

  fs::path dir_, player_, archive_;
};

TEST_F(BundleCommand, OutIsPlayerThenArchiveThenTrailerAndTheReaderFindsTheGame) {
  const fs::path out = dir_ / "game";
  RunResult r = Bundle(player_, archive_, out);
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string player = Slurp(player_), archive = Slurp(archive_), bundled = Slurp(out);
  ASSERT_EQ(bundled.size(), player.size() + archive.size() + 6);
  EXPECT_EQ(bundled.substr(0, player.size()), player);
  EXPECT_EQ(bundled.substr(player.size(), archive.size()), archive);
  const auto* t = reinterpret_cast<const uint8_t*>(bundled.data() + bundled.size() - 6);
  EXPECT_EQ(t[0] | t[1] << 8 | t[2] << 16 | uint32_t(t[3]) << 24, player.size());
  EXPECT_EQ(bundled.substr(bundled.size() - 2), "vk");
  EXPECT_EQ(fs::status(out).permissions() & fs::perms::all, fs::perms(0755));

  storage::TVrFileCollection game;
  game.Open(out.string());
  ASSERT_EQ(game.EntryCount(), 2);
  const storage::TVrFile* e = game.FindEntry(platform::Utf8ToCp932("画像\\a.txt"));
  ASSERT_NE(e, nullptr);
  const std::vector<uint8_t> data = game.ReadEntryData(*e);
  EXPECT_EQ(std::string(data.begin(), data.end()), "picture data");
}

TEST_F(BundleCommand, RefusesABundledPlayerOrAnythingButAnArchiveAndKeepsTheOldOutput) {
  ASSERT_EQ(Bundle(player_, archive_, dir_ / "game").status, 0);
  Put(dir_ / "notes.txt", "just some text, certainly not an archive");
  Put(dir_ / "old", "previous build");
  const std::vector<std::tuple<fs::path, fs::path, std::string>> cases = {
      {dir_ / "game", archive_, (dir_ / "game").string() + ": already carries a game"},
      {player_, dir_ / "game", (dir_ / "game").string() + ": is a bundled program"},
      {player_, dir_ / "notes.txt", (dir_ / "notes.txt").string() + ": "},
      {player_, dir_ / "missing.dat", (dir_ / "missing.dat").string() + ": no such file"}};
  for (const auto& [player, archive, message] : cases) {
    RunResult r = Bundle(player, archive, dir_ / "old");
    EXPECT_EQ(r.status, 1) << message;
    EXPECT_THAT(r.err, HasSubstr("vesk-tool: " + message));
    EXPECT_EQ(Slurp(dir_ / "old"), "previous build");
  }
  EXPECT_EQ(Tool("bundle " + Q(player_) + " " + Q(archive_)).status, 2);
}

}  // namespace
}  // namespace vesk::tool
