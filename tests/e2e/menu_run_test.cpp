// A compiled game opens a choice menu; scripted keys, the wheel and the
// mouse choose, the script branches on @SelIndex, and the auto-scrapped
// menu is gone once its handlers ran.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "e2e/game_dir_test.h"
#include "support/run_program.h"

namespace vesk::e2e {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using vesk::test_support::RunResult;
using vesk::test_support::Slurp;

// Five items in rows of 12 pixels from (10, 10), four shown at once.
constexpr char kGame[] = R"(VarNew branch type: str value: "none"
VarNew selects type: int
VarNew closedsel type: int value: -2
VarNew gone type: flag
Menu Name: "m" Left: 10 Top: 10 FontHeight: 12 RowCount: 4 AutoScrap: true RClickScrap: true \
  Text: "Apple\r\nBanana\r\nCherry\r\nDate\r\nElder" \
  OnSelect: "start.lsb:chose" OnClosed: "start.lsb:closed"
VarNew found type: int
Calc found = IndexOfMenu("m", "CHERRY")
While Exists("m")
  Wait 16
Calc gone = true
While true
  Wait 1000
Label chose
Calc selects = selects + 1
If @SelIndex == 2
  Calc branch = "cherry"
ElseIf @SelIndex == 1
  Calc branch = "banana"
Else
  Calc branch = "other"
Exit
Label closed
Calc closedsel = @SelIndex
Exit
)";

class MenuRun : public GameDirTest {
 protected:
  void SetUp() override {
    GameDirTest::SetUp();
    WriteSource("project.vproj", "title \"Menu\"\nscreen 120 90\n");
    WriteSource("start.vsc", kGame);
    RunResult c = Compile();
    ASSERT_EQ(c.status, 0) << c.err;
  }
  // The variables after a run of 40 frames with `input`.
  std::string Run(const std::string& input) {
    WriteFile("input.txt", input);
    const fs::path json = dir_ / "vars.json";
    RunResult r =
        RunPlayer("--frames 40 --input " + Q(dir_ / "input.txt") + " --dump-vars " + Q(json));
    EXPECT_EQ(r.status, 0) << r.err;
    return Slurp(json);
  }
  // Whether the dump holds variable `name` with the one value `value`.
  static bool Has(const std::string& vars, const std::string& name, const std::string& value) {
    const size_t at = vars.find("\"name\":\"" + name + "\"");
    if (at == std::string::npos) return false;
    const size_t values = vars.find("\"values\":[", at);
    return values != std::string::npos &&
           vars.compare(values + 10, value.size() + 1, value + "]") == 0;
  }
};

TEST_F(MenuRun, KeysMoveTheHoverAndEnterChooses) {
  const std::string vars = Run("5 key Down\n7 key Down\n9 key Down\n11 key Return\n");
  EXPECT_TRUE(Has(vars, "branch", "\"cherry\"")) << vars;
  EXPECT_TRUE(Has(vars, "selects", "1")) << vars;
  EXPECT_TRUE(Has(vars, "closedsel", "2")) << vars;
  EXPECT_TRUE(Has(vars, "found", "2")) << vars;
  EXPECT_TRUE(Has(vars, "gone", "true")) << vars;
}

TEST_F(MenuRun, TheWheelScrollsAndAClickChooses) {
  // Row 0 shows item 1 after one notch down.
  const std::string vars = Run("5 move 14 15\n6 wheel down\n8 click 14 15\n");
  EXPECT_TRUE(Has(vars, "branch", "\"banana\"")) << vars;
  EXPECT_TRUE(Has(vars, "selects", "1")) << vars;
  EXPECT_TRUE(Has(vars, "gone", "true")) << vars;
}

TEST_F(MenuRun, ARightClickCancelsWithoutAChoice) {
  const std::string vars = Run("6 rclick 14 15\n");
  EXPECT_TRUE(Has(vars, "branch", "\"none\"")) << vars;
  EXPECT_TRUE(Has(vars, "selects", "0")) << vars;
  EXPECT_TRUE(Has(vars, "closedsel", "-1")) << vars;
  EXPECT_TRUE(Has(vars, "gone", "true")) << vars;
}

}  // namespace
}  // namespace vesk::e2e
