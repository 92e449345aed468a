// Particles and films together, through a real scene root: an emitter whose
// source is a motion file shows it on every particle at the particle's age
// and lets each particle go when its film is over; a film's particle and
// fire lists make their objects through the kind registry and hand the
// emitter its preset area; the emitter's own motion ends PR_PLAYING.
#include <gtest/gtest.h>

#include <algorithm>

#include "components/cinema.h"
#include "components/fire.h"
#include "components/particle.h"
#include "film_fixture.h"

namespace vesk::components::test {
namespace {

class ParticleFilms : public FilmScene {
 protected:
  ParticleFilms() {
    fake_.pictures["dot.orl"] = {Solid(2, 2, 0xFFFFFF)};
    // Six frames (100 ms): the dot slides 2 px a frame to the right.
    anim::FilmData spark;
    spark.FileKind = anim::FilmFileKind::kMotion;
    spark.Lists.push_back(FilmList(FilmImage("dot.orl", {0, 0}, {10, 0}), 0, 6));
    AddFilm("spark.lmt", spark);
    // The emitter's own motion: three frames moving it 20 px.
    anim::FilmData drift;
    drift.FileKind = anim::FilmFileKind::kMotion;
    anim::BoxListData box = FilmBox({0, 0}, {30, 20}, -1);
    box.EndPos = {20, 0};
    drift.Lists.push_back(FilmList(box, 0, 3));
    AddFilm("drift.lmt", drift);
  }
  // A snow emitter at rest (no sway, a tenth of a pixel a tick) spawning at
  // (x, y) every `interval_ms`.
  TVeskParticle& Emitter(const std::string& source, int32_t x, int32_t y, int32_t interval_ms) {
    auto& e = Make<TVeskParticle>(LT_PARTICLE, "emitter");
    e.SetInt(PR_WIDTH, kW);
    e.SetInt(PR_HEIGHT, kH);
    e.SetInt(PR_ALPHA, 255);
    e.TakePresetArea(anim::ParticlePreset{x, y, 0, 0, interval_ms, 0});
    e.SetInt(PR_PARTMOTION, PM_SNOW);
    e.SetStr(PR_SOURCE, source);
    return e;
  }
};

TEST_F(ParticleFilms, EachParticleShowsTheFilmAtItsAgeAndEndsWithIt) {
  auto& e = Emitter("spark.lmt", 10, 10, 1000000);
  ASSERT_NE(e.Film(), nullptr);
  EXPECT_EQ(e.MotionOffsetX, 0);  // the film does not play on the emitter
  EXPECT_EQ(e.Width, kW);
  const int32_t objects = root_.ObjectCount();
  Frame();
  ASSERT_EQ(e.Particles().size(), 1u);
  TVeskParticleImages& p = *e.Particles().front();
  EXPECT_TRUE(p.HasMotion());
  EXPECT_EQ(p.Width, 2);  // sized by the film's picture
  Frame();
  Frame();  // age 32 ms: frame 2
  EXPECT_EQ(p.AgeMs, 32);
  EXPECT_EQ(p.MotionOffsetX, 4);
  DrawAll();
  EXPECT_EQ(Pixel(p.GetSceneLeft(), p.GetSceneTop()), 0xFFFFFFu);
  EXPECT_EQ(p.GetSceneLeft(), 10 + 4 - p.OffsetX);
  EXPECT_EQ(Pixel(p.GetSceneLeft() - 1, p.GetSceneTop()), 0u);
  for (int i = 0; i < 2; ++i) Frame();  // age 64 ms: frame 4, the particle moved on by its snow
  EXPECT_EQ(p.MotionOffsetX, 8);
  EXPECT_EQ(root_.ObjectCount(), objects + 1);
  for (int i = 0; i < 2; ++i) Frame();  // age 96 ms: at the film's end
  EXPECT_TRUE(e.Particles().empty());
  EXPECT_EQ(root_.ObjectCount(), objects);
  EXPECT_TRUE(e.Children.empty());
}

TEST_F(ParticleFilms, EveryParticleLivesExactlyAsLongAsTheFilm) {
  auto& e = Emitter("spark.lmt", 4, 4, 48);
  size_t most = 0;
  for (int i = 0; i < 40; ++i) {
    Frame();
    most = std::max(most, e.Particles().size());
    for (const TVeskParticleImages* p : e.Particles()) {
      EXPECT_LT(p->AgeMs, 96) << "frame " << i;
      // The film's frame of the particle's own age, not of the emitter's clock.
      EXPECT_EQ(p->MotionOffsetX, 2 * std::min(5, (p->AgeMs * 3 + 25) / 50)) << p->AgeMs;
    }
  }
  // One every 48 ms, each gone after 96 ms.
  EXPECT_EQ(most, 2u);
  // A new source takes the film and the particles away at once.
  e.SetStr(PR_SOURCE, "dot.orl");
  EXPECT_EQ(e.Film(), nullptr);
  EXPECT_TRUE(e.Particles().empty());
}

TEST_F(ParticleFilms, AMissingOrDamagedFilmMovesParticlesThatShowNothing) {
  fake_.files["bad.lmt"] = {'V', 'e', 's', 'k', 'M', 'o', 't', 'i', 'o', 'n', '1'};
  for (const char* source : {"none.lmt", "bad.lmt"}) {
    SCOPED_TRACE(source);
    auto& e = Emitter(source, 5, 5, 1000000);
    EXPECT_EQ(e.Film(), nullptr);
    Frame();
    ASSERT_EQ(e.Particles().size(), 1u);
    EXPECT_FALSE(e.Particles().front()->HasMotion());
    DrawAll();
    EXPECT_EQ(Pixel(5, 5), 0u);
    root_.DeleteObject(&e);
  }
}

TEST_F(ParticleFilms, AFilmsParticleListFillsThePresetAreaOfItsEmitter) {
  anim::FilmData film;
  film.Size = {30, 20};
  anim::ParticleListData list;
  list.Source = "dot.orl";
  list.PartMotion = PM_SNOW;
  list.WarmUp_ms = 32;
  list.StartXBase = list.EndXBase = 3;
  list.StartYBase = list.EndYBase = 4;
  list.StartXRange = list.EndXRange = 5;
  list.StartYRange = list.EndYRange = 6;
  list.StartIntervalBase = list.EndIntervalBase = 100;
  list.StartIntervalRange = list.EndIntervalRange = 20;
  list.StartParam1 = list.EndParam1 = 0.5;
  list.StartWidth = list.EndWidth = 30;
  list.StartHeight = list.EndHeight = 20;
  film.Lists.push_back(FilmList(list, 0, 60));
  AddFilm("snow.lcm", film);
  auto& cinema = Make<TVeskCinema>(LT_CINEMA, "cin");
  cinema.SetStr(PR_SOURCE, "snow.lcm");
  ASSERT_FALSE(cinema.OnStage());
  Frame();
  ASSERT_EQ(cinema.Children.size(), 1u);
  auto* e = dynamic_cast<TVeskParticle*>(cinema.Children[0]);
  ASSERT_NE(e, nullptr);
  ASSERT_TRUE(e->PresetArea.has_value());
  const TVeskParticleParam& a = *e->PresetArea;
  EXPECT_EQ(a.XBase, 3);
  EXPECT_EQ(a.YBase, 4);
  EXPECT_EQ(a.XRange, 5);
  EXPECT_EQ(a.YRange, 6);
  EXPECT_EQ(a.IntervalBase, 90);  // centred on the base: less half the range
  EXPECT_EQ(a.IntervalRange, 20);
  EXPECT_EQ(e->GetStr(PR_SOURCE), "dot.orl");
  EXPECT_EQ(e->GetInt(PR_INDEX), 32);
  EXPECT_DOUBLE_EQ(static_cast<double>(e->GetReal(PR_PARAM1)), 0.5);
  for (int i = 0; i < 30; ++i) Frame();
  ASSERT_FALSE(e->Particles().empty());
  for (const TVeskParticleImages* p : e->Particles()) {
    // Spawned inside the area; snow only falls from there.
    EXPECT_GE(p->OriginX, 3);
    EXPECT_LT(p->OriginX, 8);
    EXPECT_GE(p->OriginY, 4);
    EXPECT_LT(p->OriginY, 10);
    EXPECT_EQ(p->Left, p->OriginX);
  }
}

TEST_F(ParticleFilms, ACinemaShowsItsParticleAndFireLists) {
  anim::FilmData film;
  film.Size = {20, 16};
  film.BackColor = 0x000000;
  anim::ParticleListData particles;
  particles.Source = "dot.orl";
  particles.PartMotion = PM_SNOW;
  particles.StartXBase = particles.EndXBase = 3;
  particles.StartYBase = particles.EndYBase = 2;
  particles.StartIntervalBase = particles.EndIntervalBase = 1000000;
  particles.StartWidth = particles.EndWidth = 10;
  particles.StartHeight = particles.EndHeight = 16;
  film.Lists.push_back(FilmList(particles, 0, 200));
  anim::FireListData fire;
  fire.StartPos = fire.EndPos = {10, 4};
  fire.StartWidth = fire.EndWidth = 8;
  fire.StartHeight = fire.EndHeight = 12;
  fire.Power = 255;
  film.Lists.push_back(FilmList(fire, 0, 200));
  AddFilm("hearth.lcm", film);
  auto& cinema = Make<TVeskCinema>(LT_CINEMA, "cin");
  cinema.SetInt(PR_LEFT, 4);
  cinema.SetInt(PR_TOP, 2);
  cinema.SetStr(PR_SOURCE, "hearth.lcm");
  ASSERT_TRUE(cinema.OnStage());
  for (int i = 0; i < 40; ++i) Frame();

  scene::TVeskBaseList& stage = cinema.Stage();
  TVeskParticle* emitter = nullptr;
  TVeskFire* flame = nullptr;
  for (int32_t i = 0; i < stage.ObjectCount(); ++i) {
    scene::TVeskObject* o = stage.GetObject(i);
    if (auto* e = dynamic_cast<TVeskParticle*>(o)) emitter = e;
    if (auto* f = dynamic_cast<TVeskFire*>(o)) flame = f;
  }
  ASSERT_NE(emitter, nullptr);
  ASSERT_NE(flame, nullptr);
  EXPECT_EQ(flame->GetInt(PR_POWER), 255);
  EXPECT_EQ(flame->GetInt(PR_ORIGWIDTH), 8);
  ASSERT_EQ(emitter->Particles().size(), 1u);

  DrawAll(0x000080);
  // The particle on the stage, drawn into the cinema's area.
  const TVeskParticleImages& p = *emitter->Particles().front();
  EXPECT_EQ(Pixel(4 + p.GetSceneLeft(), 2 + p.GetSceneTop()), 0xFFFFFFu);
  // The flame glows somewhere in the fire's rectangle; the rest of the
  // stage keeps its background.
  bool glows = false;
  for (int y = 4; y < 16 && !glows; ++y)
    for (int x = 10; x < 18 && !glows; ++x) glows = Pixel(4 + x, 2 + y) != 0u;
  EXPECT_TRUE(glows);
  EXPECT_EQ(Pixel(4 + 19, 2 + 0), 0u);
}

TEST_F(ParticleFilms, AnEmittersOwnMotionEndsItsPlaying) {
  auto& e = Emitter("dot.orl", 5, 5, 1000000);
  EXPECT_TRUE(e.GetFlag(PR_PLAYING));  // no motion: playing unless paused
  e.SetMotion("drift.lmt");
  ASSERT_NE(e.Motion(), nullptr);
  EXPECT_TRUE(e.GetFlag(PR_PLAYING));
  Frame();
  EXPECT_EQ(e.MotionOffsetX, 10);
  EXPECT_TRUE(e.GetFlag(PR_PLAYING));
  for (int i = 0; i < 3; ++i) Frame();
  EXPECT_EQ(e.MotionOffsetX, 20);
  EXPECT_FALSE(e.GetFlag(PR_PLAYING));
  // The emitter itself goes on spawning after its motion is over.
  EXPECT_EQ(e.Particles().size(), 1u);
  EXPECT_EQ(e.GetSceneLeft(), 20);
  e.RestartMotion();
  EXPECT_TRUE(e.GetFlag(PR_PLAYING));
  e.SetFlag(PR_PAUSED, true);
  EXPECT_FALSE(e.GetFlag(PR_PLAYING));
  e.SetFlag(PR_PAUSED, false);
  e.SetMotion("");
  EXPECT_EQ(e.Motion(), nullptr);
  EXPECT_EQ(e.MotionOffsetX, 0);
  EXPECT_TRUE(e.GetFlag(PR_PLAYING));
}

}  // namespace
}  // namespace vesk::components::test
