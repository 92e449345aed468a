// A compiled script builds a small scene, reacts to a scripted click, and
// the screenshots show what it drew.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "e2e/game_dir_test.h"
#include "support/run_program.h"

namespace vesk::e2e {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using vesk::test_support::RunResult;
using vesk::test_support::Slurp;

// The pixel at (x, y) of a PNG as 0xRRGGBB; -1 when the file cannot be read.
int64_t PngPixel(const fs::path& file, int x, int y) {
  std::FILE* f = std::fopen(file.c_str(), "rb");
  if (!f) return -1;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  int64_t result = -1;
  if (!setjmp(png_jmpbuf(png))) {
    png_init_io(png, f);
    png_read_info(png, info);
    png_set_strip_alpha(png);
    png_read_update_info(png, info);
    const int w = static_cast<int>(png_get_image_width(png, info));
    const int h = static_cast<int>(png_get_image_height(png, info));
    std::vector<uint8_t> rows(static_cast<size_t>(w) * h * 3);
    std::vector<png_bytep> pointers(static_cast<size_t>(h));
    for (int r = 0; r < h; ++r) pointers[static_cast<size_t>(r)] = rows.data() + static_cast<size_t>(r) * w * 3;
    png_read_image(png, pointers.data());
    if (x >= 0 && y >= 0 && x < w && y < h) {
      const uint8_t* p = rows.data() + (static_cast<size_t>(y) * w + x) * 3;
      result = (int64_t{p[0]} << 16) | (p[1] << 8) | p[2];
    }
  }
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(f);
  return result;
}

class SceneRun : public GameDirTest {
 protected:
  RunResult Play(const std::string& args) {
    WriteSource("project.vproj", "title \"Scene\"\nscreen 64 48\n");
    RunResult c = Compile();
    EXPECT_EQ(c.status, 0) << c.err;
    return RunPlayer(args);
  }
};

TEST_F(SceneRun, BoxesPropertiesAndAClickHandler) {
  WriteSource("start.vsc", R"(VarNew clicks type: int
VarNew leftx type: int
BoxNew Name: "red" Left: 10 Top: 10 Width: 20 Height: 20 Color: 0x0000FF OnLbtnDown: "start.lsb:clicked"
BoxNew Name: "blue" Left: 40 Top: 10 Width: 10 Height: 10 Color: 0xFF0000 BorderWidth: 2 BorderColor: 0xFFFFFF
SetProp "blue" prop: PR_LEFT value: 45
GetProp "blue" prop: PR_LEFT var: leftx
While true
  Wait 1000
Label clicked
Calc clicks = clicks + 1
SetProp "red" prop: PR_COLOR value: 0x00FF00
Exit
)");
  WriteFile("input.txt", "5 click 15 15\n");
  const fs::path before = dir_ / "before.png", after = dir_ / "after.png", json = dir_ / "vars.json";
  RunResult r = Play("--frames 10 --input " + Q(dir_ / "input.txt") + " --screenshot-at 2:" + Q(before) +
                     " --screenshot " + Q(after) + " --dump-vars " + Q(json));
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string vars = Slurp(json);
  EXPECT_THAT(vars, HasSubstr("\"name\":\"clicks\",\"type\":1,\"status\":false,\"scope\":-1,\"local\":false,"
                              "\"dims\":[],\"values\":[1]"));
  EXPECT_THAT(vars, HasSubstr("\"values\":[45]"));
  EXPECT_EQ(PngPixel(before, 15, 15), 0xFF0000);  // red before the click
  EXPECT_EQ(PngPixel(after, 15, 15), 0x00FF00);   // green after it
  EXPECT_EQ(PngPixel(after, 45, 10), 0xFFFFFF);   // the blue box's border, moved to 45
  EXPECT_EQ(PngPixel(after, 48, 14), 0x0000FF);   // and its inside
  EXPECT_EQ(PngPixel(after, 41, 14), 0x000000);   // where it was: the black base
  EXPECT_EQ(PngPixel(after, 5, 5), 0x000000);
}

}  // namespace
}  // namespace vesk::e2e
