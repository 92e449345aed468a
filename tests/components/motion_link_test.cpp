// Motions on controls through a real scene root: the image, button and
// label kinds move by their ".lmt" source; the end, repeat and pause rules
// of PR_ONPLAYEND and PR_PLAYING.
#include <gtest/gtest.h>

#include "components/button.h"
#include "components/images.h"
#include "components/label.h"
#include "film_fixture.h"

namespace vesk::components::test {
namespace {

class Motions : public FilmScene {
 protected:
  Motions() {
    fake_.pictures["dot.orl"] = {Solid(4, 3, 0x0000FF)};
    anim::FilmData film;
    film.FileKind = anim::FilmFileKind::kMotion;
    film.Lists.push_back(FilmList(FilmImage("dot.orl", {0, 0}, {20, 10}), 0, 3));
    AddFilm("walk.lmt", film);
  }
  TVeskImages& Walker() {
    auto& image = Make<TVeskImages>(LT_IMAGES, "walker");
    image.SetInt(PR_LEFT, 5);
    image.SetInt(PR_TOP, 5);
    image.SetStr(PR_ONPLAYEND, "p.lsb:end");
    image.SetStr(PR_SOURCE, "walk.lmt");
    return image;
  }
};

TEST_F(Motions, AnImageFollowsItsMotionAndReportsTheEndOnce) {
  auto& image = Walker();
  ASSERT_TRUE(image.HasMotion());
  EXPECT_EQ(image.GetInt(PR_COUNT), 3);
  EXPECT_EQ(image.MotionOffsetX, 0);
  EXPECT_EQ(image.Width, 4);
  Frame(16);  // 16 ms: frame 1
  EXPECT_EQ(image.MotionOffsetX, 10);
  EXPECT_EQ(image.MotionOffsetY, 5);
  EXPECT_TRUE(image.GetFlag(PR_PLAYING));
  Frame(16);
  EXPECT_EQ(image.MotionOffsetX, 20);
  EXPECT_TRUE(Events(PR_ONPLAYEND).empty());
  Frame(16);  // 48 ms: frame 3 is past the motion
  EXPECT_EQ(Events(PR_ONPLAYEND), std::vector<std::string>{"p.lsb:end()"});
  EXPECT_FALSE(image.GetFlag(PR_PLAYING));
  for (int i = 0; i < 4; ++i) Frame(16);
  EXPECT_EQ(Events(PR_ONPLAYEND).size(), 1u);
  EXPECT_EQ(image.MotionOffsetX, 20);  // the last frame stays
  DrawAll();
  EXPECT_EQ(Pixel(25, 15), 0xFF0000u);
  EXPECT_EQ(Pixel(5, 5), 0u);
}

TEST_F(Motions, RepeatingMotionsWrapAndNeverEnd) {
  auto& image = Walker();
  image.SetFlag(PR_REPEAT, true);
  Frame(16);
  Frame(16);
  Frame(16);  // frame 3 wraps to 0
  EXPECT_EQ(image.MotionOffsetX, 0);
  EXPECT_EQ(image.GetInt(PR_INDEX), 0);
  for (int i = 0; i < 10; ++i) Frame(16);
  EXPECT_TRUE(image.GetFlag(PR_PLAYING));
  EXPECT_TRUE(Events(PR_ONPLAYEND).empty());
}

TEST_F(Motions, PausedMotionsStandStillAndDoNotPlay) {
  auto& image = Walker();
  Frame(16);
  image.SetFlag(PR_PAUSED, true);
  EXPECT_FALSE(image.GetFlag(PR_PLAYING));
  Frame(16);
  EXPECT_EQ(image.MotionOffsetX, 10);
  image.SetFlag(PR_PAUSED, false);
  image.SetFlag(PR_ANIPAUSED, true);
  EXPECT_FALSE(image.GetFlag(PR_PLAYING));
  Frame(16);
  EXPECT_EQ(image.MotionOffsetX, 10);
  image.SetFlag(PR_ANIPAUSED, false);
  Frame(16);
  EXPECT_EQ(image.MotionOffsetX, 20);
  EXPECT_TRUE(image.GetFlag(PR_PLAYING));
}

TEST_F(Motions, AnEndedMotionRestartsWhenRepeatIsSet) {
  auto& image = Walker();
  for (int i = 0; i < 4; ++i) Frame(16);
  ASSERT_FALSE(image.GetFlag(PR_PLAYING));
  image.SetFlag(PR_REPEAT, true);
  EXPECT_TRUE(image.GetFlag(PR_PLAYING));
  EXPECT_EQ(image.MotionOffsetX, 0);
}

TEST_F(Motions, ChangingTheSourceTakesTheMotionAway) {
  auto& image = Walker();
  Frame(16);
  image.SetStr(PR_SOURCE, "dot.orl");
  EXPECT_FALSE(image.HasMotion());
  EXPECT_EQ(image.MotionOffsetX, 0);
  DrawAll();
  EXPECT_EQ(Pixel(5, 5), 0xFF0000u);
}

TEST_F(Motions, MissingOrDamagedMotionsShowNothing) {
  fake_.files["bad.lmt"] =
      std::vector<uint8_t>{'V', 'e', 's', 'k', 'M', 'o', 't', 'i', 'o', 'n', '1'};
  auto& image = Make<TVeskImages>(LT_IMAGES, "a");
  image.SetStr(PR_SOURCE, "bad.lmt");
  EXPECT_FALSE(image.HasMotion());
  image.SetStr(PR_SOURCE, "none.lmt");
  EXPECT_FALSE(image.HasMotion());
  EXPECT_FALSE(image.GetFlag(PR_PLAYING));
}

TEST_F(Motions, ButtonsAndLabelsMoveToo) {
  anim::FilmData film;
  film.FileKind = anim::FilmFileKind::kMotion;
  anim::BoxListData box = FilmBox({0, 0}, {4, 4}, 0);
  box.EndPos = {8, 6};
  film.Lists.push_back(FilmList(box, 0, 2));
  AddFilm("slide.lmt", film);
  auto& label = Make<TVeskLabel>(LT_LABEL, "label");
  label.SetStr(PR_SOURCE, "slide.lmt");
  Frame(16);
  EXPECT_EQ(label.MotionOffsetX, 8);
  EXPECT_EQ(label.MotionOffsetY, 6);
  auto& button = Make<TVeskButton>(LT_BUTTON, "button");
  button.SetStr(PR_SOURCE, "walk.lmt");
  Frame(16);
  EXPECT_EQ(button.MotionOffsetX, 10);
}

}  // namespace
}  // namespace vesk::components::test

namespace vesk::components::test {
namespace {

TEST_F(Motions, OneParticleFilmStepsEveryParticleByItsAge) {
  auto& a = Make<TVeskImages>(LT_IMAGES, "a");
  auto& b = Make<TVeskImages>(LT_IMAGES, "b");
  std::unique_ptr<FilmMotionLink> film = MakeFilmMotion(a, "walk.lmt", &services_);
  ASSERT_NE(film, nullptr);
  EXPECT_FALSE(film->StepParticle(a, 0));
  EXPECT_FALSE(film->StepParticle(b, 16));
  EXPECT_EQ(a.MotionOffsetX, 0);
  EXPECT_EQ(b.MotionOffsetX, 10);
  EXPECT_FALSE(film->StepParticle(a, 33));
  EXPECT_EQ(a.MotionOffsetX, 20);
  EXPECT_TRUE(film->StepParticle(a, 50));  // frame 3: the film is over
  EXPECT_EQ(a.MotionOffsetX, 20);
  EXPECT_EQ(b.MotionOffsetX, 10);
}

}  // namespace
}  // namespace vesk::components::test
