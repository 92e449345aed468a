// The translators' walk-through (docs/translation.md), step by step: the
// demo's text exported, the English catalogue in docs/examples imported as a
// patch, and the demo played with it. The catalogue must still match what
// the demo exports, the English must reach the screen, and the game's own
// files must come out as they went in.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "e2e/game_dir_test.h"
#include "support/png_read.h"
#include "support/run_program.h"

namespace vesk::e2e {
namespace {

namespace fs = std::filesystem;
using test_support::PngPixels;
using test_support::RunResult;
using test_support::Slurp;

std::map<std::string, std::string> FilesBelow(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(root))
    if (e.is_regular_file()) files[fs::relative(e.path(), root).string()] = Slurp(e.path());
  return files;
}

// Each entry of a catalogue up to its msgstr: the part an export writes.
std::vector<std::string> EntryHeads(const std::string& po) {
  std::vector<std::string> heads;
  for (size_t at = po.find("\nmsgctxt"); at != std::string::npos; at = po.find("\nmsgctxt", at + 1))
    heads.push_back(po.substr(at, po.find("\nmsgstr", at) - at));
  return heads;
}

// Pixels that differ between two pictures inside a rectangle (-1: sizes differ).
int Differing(const fs::path& a, const fs::path& b, int left, int top, int right, int bottom) {
  int wa, ha, wb, hb;
  const auto pa = PngPixels(a, &wa, &ha), pb = PngPixels(b, &wb, &hb);
  if (wa != wb || ha != hb || pa.empty()) return -1;
  int n = 0;
  for (int y = top; y < std::min(bottom, ha); ++y)
    for (int x = left; x < std::min(right, wa); ++x)
      n += pa[size_t(y) * wa + x] != pb[size_t(y) * wa + x];
  return n;
}

class Translation : public GameDirTest {
 protected:
  RunResult Tool(const std::string& args) {
    return test_support::RunProgram(VESK_TOOL_PATH, args, dir_ / "tool");
  }
  // "はじめる", then the first message as it stands once revealed.
  RunResult Shoot(const fs::path& png, const std::string& patch_args, const fs::path& game) {
    WriteFile("input.txt", "10 click 100 420\n");
    return RunPlayer("--step 16 --frames 200 --input " + Q(dir_ / "input.txt") + " --screenshot " +
                         Q(png) + patch_args,
                     game);
  }
};

TEST_F(Translation, TheWalkThroughExportsTranslatesImportsAndPlays) {
  const fs::path game = CopyDemo();
  const auto before = FilesBelow(game);
  const fs::path docs = fs::path(VESK_FIXTURES_DIR).parent_path().parent_path() / "docs";
  const fs::path english = docs / "examples" / "demo-en.po";

  RunResult r = Tool("text export " + Q(game) + " " + Q(dir_ / "demo.po"));
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string exported = Slurp(dir_ / "demo.po");
  const std::vector<std::string> heads = EntryHeads(Slurp(english));
  EXPECT_EQ(heads.size(), EntryHeads(exported).size());
  for (const std::string& head : heads)
    EXPECT_NE(exported.find(head), std::string::npos) << "not exported any more:" << head;

  // The untranslated catalogue changes nothing.
  r = Tool("text import " + Q(game) + " " + Q(dir_ / "demo.po") + " " + Q(dir_ / "same"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(FilesBelow(dir_ / "same").size(), 1u);  // vesk-patch.ini alone

  r = Tool("text import " + Q(game) + " " + Q(english) + " " + Q(dir_ / "demo-en") +
           " --replace --wrap words");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(Slurp(dir_ / "demo-en" / "vesk-patch.ini").find("wrap=words"), std::string::npos);

  const fs::path original = dir_ / "original.png", translated = dir_ / "translated.png";
  r = Shoot(original, "", game);
  ASSERT_EQ(r.status, 0) << r.err;
  r = Shoot(translated, " --patch " + Q(dir_ / "demo-en"), game);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err.find("warning"), std::string::npos) << r.err;  // the patch is the demo's
  // The same scene above the buttons; a different message in the panel.
  EXPECT_EQ(Differing(original, translated, 0, 0, 800, 400), 0);
  EXPECT_GT(Differing(original, translated, 64, 452, 736, 560), 500);
  if (const char* tour = VESK_TOUR_DIR; tour[0]) {
    fs::create_directories(tour);
    fs::copy_file(translated, fs::path(tour) / "translated.png",
                  fs::copy_options::overwrite_existing);
  }

  // The game's own files are as they were, byte for byte (a run keeps its
  // save.dat beside the game, translated or not).
  auto after = FilesBelow(game);
  after.erase("save.dat");
  EXPECT_TRUE(after == before);
}

}  // namespace
}  // namespace vesk::e2e
