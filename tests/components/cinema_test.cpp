// TVeskCinema through a real scene root: the film on its private stage
// (drawn into the cinema's area, only where it changed) or direct, the
// frame clock (hold frames, the end, repeat with the loop start) and the
// stored form.
#include "components/cinema.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>

#include "film_fixture.h"
#include "graphics/golden.h"

namespace vesk::components::test {
namespace {

class Cinemas : public FilmScene {
 protected:
  Cinemas() {
    fake_.pictures["dot.orl"] = {Solid(4, 4, 0xFFFFFF)};
    // On the stage: a grey background, a red box sliding right and a
    // half-transparent white picture.
    anim::FilmData stage;
    stage.Size = {20, 12};
    stage.BackColor = 0x404040;
    anim::BoxListData box = FilmBox({1, 1}, {6, 4}, 0x0000FF);
    box.EndPos = {11, 1};
    stage.Lists.push_back(FilmList(box, 0, 6));
    anim::ImageListData dot = FilmImage("dot.orl", {8, 6}, {8, 6});
    dot.Image.StartAlpha = dot.Image.EndAlpha = 128;
    stage.Lists.push_back(FilmList(dot, 0, 6));
    AddFilm("stage.lcm", stage);
    // Direct: a green box, no background.
    anim::FilmData direct;
    direct.Size = {10, 8};
    direct.Lists.push_back(FilmList(FilmBox({2, 2}, {3, 3}, 0x00FF00), 0, 4));
    AddFilm("direct.lcm", direct);
  }
  TVeskCinema& Cinema(const std::string& source, const std::string& name = "cin") {
    auto& cinema = Make<TVeskCinema>(LT_CINEMA, name);
    cinema.SetInt(PR_LEFT, 6);
    cinema.SetInt(PR_TOP, 4);
    cinema.SetStr(PR_ONPLAYEND, "p.lsb:end");
    cinema.SetStr(PR_SOURCE, source);
    return cinema;
  }
};

TEST_F(Cinemas, AStageFilmDrawsIntoTheCinemasArea) {
  auto& cinema = Cinema("stage.lcm");
  ASSERT_TRUE(cinema.OnStage());
  EXPECT_EQ(cinema.Width, 20);
  EXPECT_EQ(cinema.Height, 12);
  EXPECT_EQ(cinema.GetInt(PR_COUNT), 6);
  // A new source holds its first frame for two updates.
  for (int i = 0; i < 4; ++i) Frame(16);  // frame 2: the box at x 5
  DrawAll(0x000080);
  EXPECT_EQ(Pixel(6 + 5, 4 + 1), 0xFF0000u);
  EXPECT_EQ(Pixel(6, 4), 0x404040u);
  EXPECT_EQ(Pixel(5, 4), 0x000080u);  // outside the cinema
  EXPECT_TRUE(graphics::testing::MatchesGoldenIn(
      std::filesystem::path(VESK_FIXTURES_DIR).parent_path() / "components" / "golden", screen_,
      "cinema_stage"));
}

TEST_F(Cinemas, OnlyWhatChangedIsRedrawnAndAStillFilmDirtiesNothing) {
  auto& cinema = Cinema("stage.lcm");
  Frame(16);
  Frame(16);
  DrawAll();
  Frame(16);
  // The box moved two pixels: the scene repaints around it, not the whole film.
  const auto& dirty = root_.ShownBase()->DirtyRects;
  ASSERT_FALSE(dirty.empty());
  int64_t area = 0;
  for (const Rect& r : dirty) area += r.Width() * r.Height();
  EXPECT_LT(area, 20 * 12);
  DrawChanged();
  EXPECT_EQ(Pixel(6 + 3, 4 + 1), 0xFF0000u);
  EXPECT_EQ(Pixel(6 + 1, 4 + 1), 0x404040u);
  for (int i = 0; i < 8; ++i) Frame(16);  // ended: the last frame stays
  DrawChanged();
  Frame(16);
  EXPECT_TRUE(root_.ShownBase()->DirtyRects.empty());
  EXPECT_EQ(cinema.GetInt(PR_INDEX), 5);
}

TEST_F(Cinemas, AWipeRunsTheStagesTransitionAndLeadsToTheOtherBase) {
  anim::FilmData film;
  film.Size = {8, 8};
  film.BackColor = 0;
  film.Lists.push_back(FilmList(FilmBox({0, 0}, {8, 8}, 0x0000FF), 0, 10));
  anim::WipeListData wipe;
  wipe.WipeType = 1;
  film.Lists.push_back(FilmList(wipe, 2, 4));
  film.Lists.push_back(FilmList(FilmBox({0, 0}, {8, 8}, 0x00FF00), 5, 5));
  AddFilm("wipe.lcm", film);
  auto& cinema = Cinema("wipe.lcm");
  ASSERT_TRUE(cinema.OnStage());
  for (int i = 0; i < 4; ++i) Frame(16);  // two held updates, then frames 1 and 2
  ASSERT_EQ(cinema.GetInt(PR_INDEX), 2);
  scene::TVeskBaseList& stage = cinema.Stage();
  EXPECT_EQ(stage.TransitionKind(), 1);
  EXPECT_EQ(stage.TransitionDuration(), 67);  // four frames
  EXPECT_EQ(stage.ShownBaseIndex(), 0);
  DrawAll();  // the transition draws through the stage's own screen
  Frame(16);
  EXPECT_EQ(stage.TransitionKind(), 1);
  for (int i = 0; i < 3; ++i) Frame(16);  // frame 6: the wipe is over
  EXPECT_EQ(stage.TransitionKind(), 0);
  EXPECT_EQ(stage.ShownBaseIndex(), 1);
  ASSERT_EQ(stage.GetBaseAt(1)->Children.size(), 1u);
  DrawAll();
  EXPECT_EQ(Pixel(6 + 3, 4 + 3), 0x00FF00u);
}

TEST_F(Cinemas, ADirectFilmPlacesItsObjectsAsTheCinemasChildren) {
  auto& cinema = Cinema("direct.lcm");
  ASSERT_FALSE(cinema.OnStage());
  Frame(16);
  ASSERT_EQ(cinema.Children.size(), 1u);
  scene::TVeskControl* box = cinema.Children[0];
  EXPECT_EQ(box->Name.substr(0, 5), std::string("\x01"
                                                "cin\x01"));
  EXPECT_EQ(cinema.Width, 10);
  DrawAll();
  EXPECT_EQ(Pixel(6 + 2, 4 + 2), 0x00FF00u);
  for (int i = 0; i < 6; ++i) Frame(16);  // ended: the last frame stays up
  EXPECT_EQ(cinema.Children.size(), 1u);
  // Deleting the cinema takes the film's objects with it.
  const int32_t before = root_.ObjectCount();
  root_.DeleteObject(&cinema);
  EXPECT_EQ(root_.ObjectCount(), before - 2);
}

TEST_F(Cinemas, PlayEndIsQueuedOnceAndAutoScrapDeletes) {
  auto& cinema = Cinema("stage.lcm");
  EXPECT_TRUE(cinema.GetFlag(PR_PLAYING));
  for (int i = 0; i < 10; ++i) Frame(16);
  EXPECT_EQ(Events(PR_ONPLAYEND), std::vector<std::string>{"p.lsb:end()"});
  EXPECT_FALSE(cinema.GetFlag(PR_PLAYING));
  auto& scrapped = Cinema("stage.lcm", "gone");
  scrapped.SetFlag(PR_AUTOSCRAP, true);
  for (int i = 0; i < 10; ++i) Frame(16);
  EXPECT_EQ(root_.FindControl("gone"), nullptr);
}

TEST_F(Cinemas, IndexWritesHoldTwoUpdatesAndRepeatWrapsToTheLoopStart) {
  anim::FilmData film;
  film.Size = {4, 4};
  film.BackColor = 0;
  film.LoopStart = 2;
  film.Lists.push_back(FilmList(FilmBox({0, 0}, {1, 1}, 0), 0, 10));
  AddFilm("loop.lcm", film);
  auto& cinema = Cinema("loop.lcm");
  cinema.SetInt(PR_INDEX, 4);
  Frame(16);
  Frame(16);
  EXPECT_EQ(cinema.GetInt(PR_INDEX), 4);
  Frame(16);
  EXPECT_EQ(cinema.GetInt(PR_INDEX), 5);
  cinema.SetFlag(PR_REPEAT, true);
  for (int i = 0; i < 5; ++i) Frame(16);  // 166 ms: frame 10 -> 10 mod 10 + 2
  EXPECT_EQ(cinema.GetInt(PR_INDEX), 2);
  EXPECT_TRUE(Events(PR_ONPLAYEND).empty());
  EXPECT_TRUE(cinema.GetFlag(PR_PLAYING));
  // An index far beyond the film wraps like any other.
  cinema.SetInt(PR_INDEX, INT32_MAX);
  for (int i = 0; i < 3; ++i) Frame(16);
  EXPECT_GE(cinema.GetInt(PR_INDEX), 2);
  EXPECT_LE(cinema.GetInt(PR_INDEX), 9);
}

TEST_F(Cinemas, PausedCinemasStandStill) {
  auto& cinema = Cinema("stage.lcm");
  for (int i = 0; i < 3; ++i) Frame(16);
  cinema.SetFlag(PR_ANIPAUSED, true);
  Frame(16);
  EXPECT_EQ(cinema.GetInt(PR_INDEX), 1);
  EXPECT_FALSE(cinema.GetFlag(PR_PLAYING));
  cinema.SetFlag(PR_ANIPAUSED, false);
  Frame(16);
  EXPECT_EQ(cinema.GetInt(PR_INDEX), 2);
}

TEST_F(Cinemas, ASourceTheGameLacksLeavesNoFilm) {
  auto& cinema = Cinema("none.lcm");
  EXPECT_EQ(cinema.Film(), nullptr);
  EXPECT_EQ(cinema.GetInt(PR_COUNT), 0);
  EXPECT_EQ(cinema.GetInt(PR_INDEX), 0);
  EXPECT_FALSE(cinema.GetFlag(PR_PLAYING));
  fake_.files["bad.lcm"] = std::vector<uint8_t>{'V', 'e', 's', 'k', 'C', 'i', 'n', 'e', 'm', 'a'};
  cinema.SetStr(PR_SOURCE, "bad.lcm");
  EXPECT_EQ(cinema.Film(), nullptr);
  Frame(16);
}

TEST_F(Cinemas, TheStoredFormKeepsSourceFlagsFrameAndVolume) {
  auto& cinema = Cinema("stage.lcm");
  cinema.SetFlag(PR_REPEAT, true);
  cinema.SetInt(PR_VOLUME, -5);
  EXPECT_EQ(cinema.GetInt(PR_VOLUME), 0);
  cinema.SetInt(PR_VOLUME, 700);
  cinema.SetStr(PR_ONIDLE, "p.lsb:idle");
  for (int i = 0; i < 5; ++i) Frame(16);
  ASSERT_EQ(cinema.GetInt(PR_INDEX), 3);
  ByteWriter out;
  root_.SaveToStream(out);
  scene::TVeskBaseList copy(Env());
  ByteReader in(out.bytes().data(), out.bytes().size());
  copy.LoadFromStream(in, kSaveVersion);
  EXPECT_EQ(in.remaining(), 0u);
  auto* loaded = dynamic_cast<TVeskCinema*>(copy.FindControl("cin"));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->Source, "stage.lcm");
  EXPECT_TRUE(loaded->GetFlag(PR_REPEAT));
  EXPECT_EQ(loaded->GetInt(PR_VOLUME), 700);
  EXPECT_EQ(loaded->OnIdle, "p.lsb:idle");
  EXPECT_EQ(loaded->OnPlayEnd, "p.lsb:end");
  ASSERT_NE(loaded->Film(), nullptr);
  loaded->Update(16);
  EXPECT_EQ(loaded->GetInt(PR_INDEX), 3);  // the saved frame, held
  // The film's own objects are never saved: only the cinema came back.
  EXPECT_EQ(copy.ObjectCount(), root_.ObjectCount());
}

}  // namespace
}  // namespace vesk::components::test
