// Text fields and labels in a compiled game: typed text reaches the field
// that has the keyboard, its key handler hears Enter with the text, and a
// label shows its text on the screen.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "e2e/game_dir_test.h"
#include "support/png_read.h"
#include "support/run_program.h"

namespace vesk::e2e {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using vesk::test_support::PngPixel;
using vesk::test_support::RunResult;
using vesk::test_support::Slurp;

class TextInputRun : public GameDirTest {};

TEST_F(TextInputRun, AFieldTakesTypedTextAndItsHandlerHearsEnter) {
  WriteSource("project.vproj", "title \"Text\"\nscreen 64 48\n");
  WriteSource("start.vsc", R"(VarNew code type: str
VarNew got type: str
VarNew keys type: int
EditNew Name: "name" Left: 2 Top: 2 Width: 60 Height: 16 OnNotify: "start.lsb:keys"
While true
  Wait 1000
Label keys
Calc keys = keys + 1
Calc code = @ParamStr[0]
Calc got = @ParamStr[1]
Exit
)");
  ASSERT_EQ(Compile().status, 0);
  // "ナナシ", a character the engine's code page lacks (dropped), and Enter.
  WriteFile("input.txt", "3 text ナナシ\xF0\x9F\x98\x80!\n6 key Return\n");
  const fs::path json = dir_ / "vars.json";
  RunResult r =
      RunPlayer("--frames 12 --input " + Q(dir_ / "input.txt") + " --dump-vars " + Q(json));
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string vars = Slurp(json);
  EXPECT_THAT(vars, HasSubstr("\"name\":\"code\",\"type\":4,\"status\":false,\"scope\":-1,"
                              "\"local\":false,\"dims\":[],\"values\":[\"13\"]"));
  EXPECT_THAT(vars, HasSubstr("\"values\":[\"ナナシ!\"]"));
  EXPECT_THAT(vars, HasSubstr("\"name\":\"keys\",\"type\":1,\"status\":false,\"scope\":-1,"
                              "\"local\":false,\"dims\":[],\"values\":[1]"));
}

TEST_F(TextInputRun, ALabelShowsItsText) {
  WriteSource("project.vproj", "title \"Label\"\nscreen 64 32\n");
  WriteSource("start.vsc",
              R"(Caption Name: "title" Left: 4 Top: 4 Text: "WWW" FontColor: 0x00FF00 FontHeight: 20
While true
  Wait 1000
)");
  ASSERT_EQ(Compile().status, 0);
  const fs::path shot = dir_ / "shot.png";
  RunResult r = RunPlayer("--frames 4 --screenshot " + Q(shot));
  ASSERT_EQ(r.status, 0) << r.err;
  int green = 0;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 64; ++x) {
      const int64_t p = PngPixel(shot, x, y);
      if (p == 0x00FF00) ++green;
      if (x < 4 || y < 4) {
        EXPECT_EQ(p, 0) << x << "," << y;  // nothing left of or above it
      }
    }
  EXPECT_GT(green, 20);
}

}  // namespace
}  // namespace vesk::e2e
