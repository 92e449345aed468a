// The demo's saves, played headless on a private copy of the built demo
// (save.dat is written beside the game): a game saved into slot 2 in the
// middle of the first scene, loaded again from the title's "つづきから"
// after a restart, and the count of stories played to their end, which
// outlives the run that counted it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "e2e/game_dir_test.h"
#include "support/png_read.h"
#include "support/run_program.h"

namespace vesk::e2e {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using vesk::test_support::RunResult;
using vesk::test_support::Slurp;

struct Area {
  int x0, y0, x1, y1;
};

// A screenshot read once; colours are 0xRRGGBB.
class Shot {
 public:
  explicit Shot(const fs::path& file) { pixels_ = test_support::PngPixels(file, &w_, &h_); }
  bool empty() const { return pixels_.empty(); }
  // The pixels of `a` that pass `test`.
  template <class Test>
  int Count(const Area& a, Test&& test) const {
    int n = 0;
    for (uint32_t c : Pixels(a)) n += test(c) ? 1 : 0;
    return n;
  }
  std::vector<uint32_t> Pixels(const Area& a) const {
    std::vector<uint32_t> out;
    for (int y = std::max(a.y0, 0); y < std::min(a.y1, h_); ++y)
      for (int x = std::max(a.x0, 0); x < std::min(a.x1, w_); ++x)
        out.push_back(pixels_[static_cast<size_t>(y) * w_ + x]);
    return out;
  }

 private:
  std::vector<uint32_t> pixels_;
  int w_ = 0, h_ = 0;
};

int R(uint32_t c) {
  return static_cast<int>(c >> 16 & 0xFF);
}
int G(uint32_t c) {
  return static_cast<int>(c >> 8 & 0xFF);
}
int B(uint32_t c) {
  return static_cast<int>(c & 0xFF);
}
bool Whitish(uint32_t c) {
  return R(c) > 200 && G(c) > 200 && B(c) > 200;
}
// The light blue of "Enter" and "スペース", on the second page only.
bool LightBlue(uint32_t c) {
  return R(c) > 130 && R(c) < 190 && G(c) > 200 && B(c) > 230;
}
// The lavender of the title's play-through count.
bool Lavender(uint32_t c) {
  return R(c) > 180 && R(c) < 225 && G(c) > 160 && G(c) < 210 && B(c) > 220;
}

// Scene areas (the demo is 800 x 600).
constexpr Area kMoon{620, 80, 700, 160};  // covered by the save screen while it is open
constexpr Area kText{64, 470, 736, 560};  // the message's lines
constexpr Area kCount{80, 530, 330, 570};
// The caption of slot N on the save screen (its box is at y = 26 + 84 N,
// 68 high; the caption starts 150 pixels in).
Area Slot(int n) {
  return {150, 26 + 84 * n, 720, 94 + 84 * n};
}

// Input that plays into the first scene and saves its second page into
// slot 2: "はじめる", Enter for the second page, "セーブ", slot 2.
constexpr const char* kSaveInput = R"(10 click 100 420
190 key Return
400 click 550 423
420 click 400 228
)";
// "つづきから" on the title, then slot 2.
constexpr const char* kLoadInput = R"(10 click 420 408
50 click 400 228
)";

class DemoSaves : public GameDirTest {
 protected:
  void SetUp() override {
    GameDirTest::SetUp();
    demo_ = CopyDemo();
  }

  // One run of the demo copy with `input`; the variables at its end go to
  // vars_ (name -> the JSON text of the values).
  RunResult Play(int frames, const std::string& input, const std::string& extra = "") {
    WriteFile("input.txt", input);
    const fs::path json = dir_ / "vars.json";
    fs::remove(json);
    RunResult r = RunPlayer("--frames " + std::to_string(frames) + " --input " +
                                Q(dir_ / "input.txt") + " --dump-vars " + Q(json) + " " + extra,
                            demo_);
    vars_.clear();
    const std::string dump = Slurp(json);
    static const std::regex kVar(
        R"re(\{"name":"([^"]*)","type":\d,[^{}]*"values":\[([^\]]*)\]\})re");
    for (std::sregex_iterator it(dump.begin(), dump.end(), kVar), end; it != end; ++it)
      vars_[(*it)[1]] = (*it)[2];
    return r;
  }
  std::string Var(const std::string& name) const {
    auto it = vars_.find(name);
    return it == vars_.end() ? "<missing>" : it->second;
  }
  fs::path Png(const std::string& name) const { return dir_ / (name + ".png"); }
  std::string At(int frame, const std::string& name) const {
    return " --screenshot-at " + std::to_string(frame) + ":" + Q(Png(name));
  }

  fs::path demo_;
  std::map<std::string, std::string> vars_;
};

TEST_F(DemoSaves, ASavedPageComesBackFromTheTitleAfterARestart) {
  // Saved on the second page; Escape closes the screen again.
  RunResult r =
      Play(520, std::string(kSaveInput) + "460 key Escape\n", At(440, "saved") + At(500, "closed"));
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_TRUE(fs::exists(demo_ / "save.dat"));
  EXPECT_THAT(Var("caption"),
              MatchesRegex(R"("[0-9]+/[0-9]+ [0-9][0-9]:[0-9][0-9] 第一幕 2ページ")"));
  {
    const Shot saved(Png("saved")), closed(Png("closed"));
    ASSERT_FALSE(saved.empty());
    // Slot 2 shows its new caption in white, the others "空き" in grey.
    EXPECT_GT(saved.Count(Slot(2), Whitish), 150);
    EXPECT_EQ(saved.Count(Slot(1), Whitish), 0);
    EXPECT_EQ(saved.Count(Slot(3), Whitish), 0);
    EXPECT_LT(saved.Count(kMoon, Whitish), 20);
    EXPECT_GT(closed.Count(kMoon, Whitish), 1000);
    EXPECT_GT(closed.Count(kText, LightBlue), 30);  // still the second page
  }

  // A new run: the title's load screen lists the caption; slot 2 brings the
  // second page back, without the save screen it was saved from.
  r = Play(200, std::string(kLoadInput) + "110 key Return\n",
           At(5, "title") + At(40, "list") + At(100, "loaded") + At(195, "third"));
  ASSERT_EQ(r.status, 0) << r.err;
  const Shot title(Png("title")), list(Png("list")), loaded(Png("loaded")), third(Png("third"));
  ASSERT_FALSE(loaded.empty());
  EXPECT_GT(title.Count(kCount, Lavender), 30);  // "クリア回数: 0"
  EXPECT_GT(list.Count(Slot(2), Whitish), 150);
  EXPECT_EQ(list.Count(Slot(1), Whitish), 0);
  EXPECT_GT(loaded.Count(kMoon, Whitish), 1000);
  EXPECT_GT(loaded.Count(kText, LightBlue), 30);
  // Enter after the load: the window was on its second page of three.
  EXPECT_EQ(Var("page"), "1");
  EXPECT_EQ(Var("pages"), "3");
  EXPECT_EQ(third.Count(kText, LightBlue), 0);
  EXPECT_GT(third.Count(kText, Whitish), 300);
  EXPECT_EQ(Var("clears"), "0");
}

TEST_F(DemoSaves, ARightClickClosesTheLoadScreenAndAnEmptySlotLoadsNothing) {
  RunResult r =
      Play(120, "10 click 420 408\n30 rclick 400 300\n50 click 420 408\n70 click 400 228\n",
           At(25, "open") + At(45, "shut") + At(110, "still"));
  ASSERT_EQ(r.status, 0) << r.err;
  const Shot open(Png("open")), shut(Png("shut")), still(Png("still"));
  EXPECT_LT(open.Count(kMoon, Whitish), 20);
  EXPECT_GT(shut.Count(kMoon, Whitish), 1000);
  // Slot 2 is empty: the click leaves the screen open on the title.
  EXPECT_LT(still.Count(kMoon, Whitish), 20);
}

// In the scene: saved on the second page, on to the third (the keys are
// the message window's again once the screen is closed), then "ロード" and
// slot 2 turn back to the second.
TEST_F(DemoSaves, LoadingInTheSceneTurnsBackToTheSavedPage) {
  RunResult r = Play(600,
                     std::string(kSaveInput) +
                         "440 key Escape\n460 key Return\n500 click 630 423\n520 click 400 228\n",
                     At(495, "third") + At(515, "list") + At(590, "back"));
  ASSERT_EQ(r.status, 0) << r.err;
  const Shot third(Png("third")), list(Png("list")), back(Png("back"));
  EXPECT_EQ(third.Count(kText, LightBlue), 0);
  EXPECT_GT(third.Count(kText, Whitish), 300);
  EXPECT_GT(list.Count(Slot(2), Whitish), 150);
  EXPECT_GT(back.Count(kMoon, Whitish), 1000);
  EXPECT_GT(back.Count(kText, LightBlue), 30);
}

TEST_F(DemoSaves, TheCountOfStoriesPlayedToTheEndOutlivesTheRun) {
  ASSERT_EQ(Play(520, kSaveInput, At(5, "none")).status, 0);
  // Loaded on the second page: Enter for the third, Enter again at its end;
  // Up and Enter choose the room, Enter ends its message, and after the
  // ending (and its film) the story starts over on the title.
  RunResult r = Play(1250,
                     std::string(kLoadInput) +
                         "110 key Return\n330 key Return\n370 key Up\n380 key Return\n"
                         "520 key Return\n560 key Return\n",
                     At(1240, "one"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Var("clears"), "1");
  EXPECT_EQ(Var("choice"), "\"\"");  // cleared by the reset

  r = Play(10, "", At(5, "again"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_THAT(Slurp(dir_ / "vars.json"),
              HasSubstr("\"name\":\"clears\",\"type\":1,\"status\":true"));
  EXPECT_EQ(Var("clears"), "1");
  // The title's count: "0" before, "1" at the end of the story and after the
  // restart.
  const Shot none(Png("none")), one(Png("one")), again(Png("again"));
  ASSERT_GT(again.Count(kCount, Lavender), 30);
  EXPECT_NE(none.Pixels(kCount), again.Pixels(kCount));
  EXPECT_EQ(one.Pixels(kCount), again.Pixels(kCount));
}

}  // namespace
}  // namespace vesk::e2e
