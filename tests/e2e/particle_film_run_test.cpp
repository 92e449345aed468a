// Particle films in the real player: a cinema's particle list whose source
// is a motion file (both written by vesk-tool film) spawns a particle that
// shows the motion's picture and is gone once the motion is over.
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
using vesk::test_support::PngPixels;
using vesk::test_support::RunProgram;
using vesk::test_support::RunResult;

class ParticleFilmRun : public GameDirTest {
 protected:
  void WriteFilm(const std::string& description, const std::string& out) {
    WriteFile("film.txt", description);
    RunResult r = RunProgram(VESK_TOOL_PATH,
                             "film write " + Q(dir_ / "film.txt") + " " + Q(dir_ / "game" / out),
                             dir_ / "tool");
    ASSERT_EQ(r.status, 0) << r.err;
  }
  // Builds the game: a cinema whose one particle list spawns a single
  // particle at (20, 10) from `particle_source`.
  void MakeGame(bool with_motion) {
    WriteSource("project.vproj", "title \"Sparks\"\nscreen 64 48\n");
    WriteSource("start.vsc", R"(Cinema Name: "sky" Source: "sky.lcm"
While true
  Wait 1000
)");
    RunResult c = Compile();
    ASSERT_EQ(c.status, 0) << c.err;
    fs::copy_file(fs::path(VESK_DEMO_DIR) / "snowflake.orl", dir_ / "game" / "snowflake.orl");
    // Half a second of the snowflake standing still.
    if (with_motion)
      WriteFilm("film motion\nimage\n  length 30\n  source \"snowflake.orl\"\n", "spark.lmt");
    WriteFilm(
        "film cinema\nfilm_size 64 48\nparticle\n  length 600\n  source \"spark.lmt\"\n"
        "  part_motion 1\n  interval 100000 100000\n  x_base 20 20\n  y_base 10 10\n"
        "  size 64 48 64 48\n",
        "sky.lcm");
  }
  // How many pixels of a screenshot are not black.
  int Lit(const std::string& shot) {
    int w = 0, h = 0;
    const std::vector<uint32_t> pixels = PngPixels(dir_ / shot, &w, &h);
    return static_cast<int>(std::count_if(pixels.begin(), pixels.end(),
                                          [](uint32_t p) { return (p & 0xFFFFFF) != 0; }));
  }
  void Play() {
    RunResult r = RunPlayer("--step 16 --frames 60 --screenshot-at 10:" + Q(dir_ / "at10.png") +
                            " --screenshot " + Q(dir_ / "at60.png"));
    ASSERT_EQ(r.status, 0) << r.err;
  }
};

TEST_F(ParticleFilmRun, TheParticleShowsItsMotionUntilTheMotionEnds) {
  ASSERT_NO_FATAL_FAILURE(MakeGame(true));
  ASSERT_NO_FATAL_FAILURE(Play());
  EXPECT_GT(Lit("at10.png"), 0);  // the snowflake on its particle
  EXPECT_EQ(Lit("at60.png"), 0);  // the motion is over: the particle has gone
}

TEST_F(ParticleFilmRun, WithoutTheMotionFileTheParticleShowsNothing) {
  ASSERT_NO_FATAL_FAILURE(MakeGame(false));
  ASSERT_NO_FATAL_FAILURE(Play());
  EXPECT_EQ(Lit("at10.png"), 0);
}

}  // namespace
}  // namespace vesk::e2e
