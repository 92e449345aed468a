// Messages in a played game: a compiled three-page message is revealed,
// scripted clicks page through it, the history counts the pages, and the
// screenshots show the text of each page.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "e2e/game_dir_test.h"
#include "support/png_read.h"
#include "support/run_program.h"

namespace vesk::e2e {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using vesk::test_support::RunResult;
using vesk::test_support::Slurp;

// Pixels of `file` inside the rectangle whose colour passes `test`.
template <class Test>
int CountPixels(const fs::path& file, int x0, int y0, int x1, int y1, Test&& test) {
  int w = 0, h = 0;
  const std::vector<uint32_t> pixels = vesk::test_support::PngPixels(file, &w, &h);
  int n = 0;
  for (int y = y0; y < std::min(y1, h); ++y)
    for (int x = x0; x < std::min(x1, w); ++x)
      n += test(pixels[static_cast<size_t>(y) * w + x]) ? 1 : 0;
  return n;
}

bool Reddish(uint32_t rgb) {
  return (rgb >> 16 & 0xFF) > 160 && (rgb >> 8 & 0xFF) < 80 && (rgb & 0xFF) < 80;
}
bool Whitish(uint32_t rgb) {
  return (rgb >> 16 & 0xFF) > 200 && (rgb >> 8 & 0xFF) > 200 && (rgb & 0xFF) > 200;
}

class MessageRun : public GameDirTest {
 protected:
  RunResult Play(const std::string& args) {
    WriteSource("project.vproj", "title \"Messages\"\nscreen 160 60\n");
    RunResult c = Compile();
    EXPECT_EQ(c.status, 0) << c.err;
    return RunPlayer(args);
  }
};

TEST_F(MessageRun, ClicksPageThroughAThreePageMessageAndTheHistoryCountsThem) {
  WriteSource("start.vsc", R"(VarNew page type: int
VarNew count type: int
VarNew done type: int
VarNew started type: str
MesNew Name: "mes" Left: 4 Top: 4 Width: 150 Height: 40 FontHeight: 16 FontColor: 0xFFFFFF \
  OnLbtnUp: "start.lsb:next" OnPlayStart: "start.lsb:start"
TextIns window: "mes" record: true wait: true
  | <FONT COLOR=#FF0000>赤い文字</FONT><CLEAR>
  | 白い文字<CLEAR>
  | <FONT COLOR=#FF0000 BORDER=1 BCOLOR=#FFFFFF>最後</FONT>
Calc count = @HistoryCount
Calc done = 1
While true
  Wait 1000
Label next
GetProp "mes" prop: PR_INDEX var: page
If page < 2
  SetProp "mes" prop: PR_INDEX value: page + 1
Else
  TextClr "mes"
Exit
Label start
Calc started = started ~ @ParamStr[0]
Exit
)");
  WriteFile("input.txt", "30 click 40 20\n55 click 40 20\n75 click 40 20\n");
  const fs::path first = dir_ / "first.png", second = dir_ / "second.png",
                 json = dir_ / "vars.json";
  RunResult r =
      Play("--frames 90 --input " + Q(dir_ / "input.txt") + " --screenshot-at 25:" + Q(first) +
           " --screenshot-at 50:" + Q(second) + " --dump-vars " + Q(json));
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string vars = Slurp(json);
  // Three pages recorded: two when left, the last when the window was cleared.
  EXPECT_THAT(vars, HasSubstr("\"name\":\"count\",\"type\":1,\"status\":false,\"scope\":-1,"
                              "\"local\":false,\"dims\":[],\"values\":[3]"));
  EXPECT_THAT(vars, HasSubstr("\"name\":\"done\",\"type\":1,\"status\":false,\"scope\":-1,"
                              "\"local\":false,\"dims\":[],\"values\":[1]"));
  EXPECT_THAT(vars, HasSubstr("\"values\":[\"000\"]"));  // nothing read before
  // The first page's red characters, then the second page's white ones.
  EXPECT_GT(CountPixels(first, 4, 4, 80, 24, Reddish), 20);
  EXPECT_EQ(CountPixels(first, 4, 4, 80, 24, Whitish), 0);
  EXPECT_GT(CountPixels(second, 4, 4, 80, 24, Whitish), 20);
  EXPECT_EQ(CountPixels(second, 4, 4, 80, 24, Reddish), 0);
}

// The demo's first scene: the first page appears under the panel after
// "はじめる", Enter turns to the second, and the history on the wheel shows
// the page that was left in the log window over the scene.
TEST_F(MessageRun, TheDemoTellsItsFirstScene) {
  WriteFile("input.txt", "10 click 100 420\n190 key Return\n260 move 400 500\n261 wheel up\n");
  const fs::path title = dir_ / "title.png", first = dir_ / "first.png",
                 second = dir_ / "second.png", log = dir_ / "log.png";
  RunResult r =
      RunPlayer("--frames 290 --input " + Q(dir_ / "input.txt") + " --screenshot-at 5:" + Q(title) +
                    " --screenshot-at 180:" + Q(first) + " --screenshot-at 250:" + Q(second) +
                    " --screenshot " + Q(log),
                CopyDemo());
  ASSERT_EQ(r.status, 0) << r.err;
  const auto text_in = [](const fs::path& f, int y0, int y1) {
    return CountPixels(f, 64, y0, 736, y1, Whitish);
  };
  EXPECT_LT(CountPixels(title, 560, 480, 736, 560, Whitish), 10);  // a star or two
  EXPECT_GT(text_in(first, 520, 550), 300);                        // the first page's second line
  EXPECT_GT(text_in(second, 480, 510), 300);
  // The log window stands in the upper half with the first page in it.
  EXPECT_GT(CountPixels(log, 80, 60, 720, 200, Whitish), 300);
}

}  // namespace
}  // namespace vesk::e2e
