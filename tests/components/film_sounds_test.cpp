// The sounds of films as scene sounds under system names, played, kept in
// step and deleted with the film; and fire-and-forget sound effects.
#include "components/film_sounds.h"

#include <gtest/gtest.h>

#include "components/cinema.h"
#include "components/sound.h"
#include "film_fixture.h"
#include "media_fakes.h"

namespace vesk::components::test {
namespace {

class FilmSoundScene : public FilmScene {
 protected:
  FilmSoundScene() {
    services_.media = &media_.managers;
    services_.file_available = [this](const std::string& name) { return media_.Holds(name); };
    media_.ogg.files = {"bell.wav"};
  }
  ~FilmSoundScene() override { root_.Reset(); }
  // The sound objects whose names begin with `prefix`.
  std::vector<TVeskSound*> SoundsNamed(const std::string& prefix) {
    std::vector<TVeskSound*> out;
    for (int32_t i = 0; i < root_.ObjectCount(); ++i)
      if (auto* s = dynamic_cast<TVeskSound*>(root_.GetObject(i)))
        if (s->Name.rfind(prefix, 0) == 0) out.push_back(s);
    return out;
  }
  FakeMedia media_;
};

TEST_F(FilmSoundScene, FilmSoundsAreSystemSoundsOfTheMainRoot) {
  auto& cinema = Make<TVeskCinema>(LT_CINEMA, "cin");
  SceneFilmSounds sounds(&root_, &cinema);
  ASSERT_TRUE(sounds.Create(3, "bell.wav"));
  TVeskSound* s = sounds.Sound(3);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->Name.rfind("\x01"
                          "cin\x01",
                          0),
            0u);
  EXPECT_EQ(s->Source, "bell.wav");
  media_.ogg.length_ms = 2500;
  EXPECT_EQ(sounds.GetInt(3, anim::FilmProp::kCount), 2500);
  sounds.SetInt(3, anim::FilmProp::kVolume, 500);
  sounds.SetInt(3, anim::FilmProp::kPaused, 1);
  EXPECT_TRUE(sounds.Stopped(3));
  sounds.Play(3);
  EXPECT_FALSE(sounds.Stopped(3));
  ASSERT_NE(s->Item, nullptr);
  EXPECT_TRUE(dynamic_cast<FakeItem*>(s->Item)->paused);
  sounds.Replay(3);
  EXPECT_TRUE(dynamic_cast<FakeItem*>(s->Item)->playing);
  EXPECT_EQ(sounds.GetInt(3, anim::FilmProp::kPaused), 0);
  sounds.Delete(3);
  EXPECT_FALSE(sounds.Has(3));
  Frame();
  EXPECT_TRUE(SoundsNamed("\x01").empty());
  EXPECT_TRUE(media_.ogg.items.empty());
  // A sound deleted behind the film's back is simply gone for it.
  ASSERT_TRUE(sounds.Create(4, "bell.wav"));
  root_.DeleteObject(sounds.Sound(4));
  EXPECT_FALSE(sounds.Has(4));
  EXPECT_EQ(sounds.GetInt(4, anim::FilmProp::kIndex), 0);
  sounds.Replay(4);
}

TEST_F(FilmSoundScene, ACinemasSoundListPlaysItsSoundAndTakesItAway) {
  anim::FilmData film;
  film.Size = {10, 8};
  anim::SoundListData bell;
  bell.Source = "bell.wav";
  bell.StartVolume = bell.EndVolume = 500;
  film.Lists.push_back(FilmList(FilmBox({0, 0}, {2, 2}, 0xFFFFFF), 0, 600));
  film.Lists.push_back(FilmList(bell, 0, 600));
  AddFilm("snd.lcm", film);
  auto& cinema = Make<TVeskCinema>(LT_CINEMA, "cin");
  cinema.SetStr(PR_SOURCE, "snd.lcm");
  for (int i = 0; i < 6; ++i) Frame(16);
  std::vector<TVeskSound*> sounds = SoundsNamed(
      "\x01"
      "cin\x01");
  ASSERT_EQ(sounds.size(), 1u);
  ASSERT_NE(sounds[0]->Item, nullptr);
  auto* item = dynamic_cast<FakeItem*>(sounds[0]->Item);
  EXPECT_TRUE(item->playing);
  EXPECT_EQ(item->volume, -2500);
  // Far behind the film, the sound is moved to the film's time.
  item->position_ms = 0;
  for (int i = 0; i < 400 && item->position_ms == 0; ++i) Frame(16);
  EXPECT_GE(item->position_ms, 3000);
  root_.DeleteObject(&cinema);
  Frame();
  EXPECT_TRUE(SoundsNamed("\x01").empty());
  EXPECT_TRUE(media_.ogg.items.empty());
}

TEST_F(FilmSoundScene, SoundEffectsPlayOnceAndAreGivenBack) {
  media_.midi.files = {"ding.mid"};
  SoundEffects effects(&media_.managers);
  effects.Play("bell.wav");
  effects.Play("ding.mid");
  effects.Play("missing.wav");
  effects.Play("bell.mp3");
  ASSERT_EQ(effects.Playing(), 2u);
  auto* bell = dynamic_cast<FakeItem*>(media_.ogg.items[0].get());
  EXPECT_TRUE(bell->playing);
  EXPECT_EQ(bell->volume, 0);
  bell->ended = true;
  effects.Tick();
  EXPECT_EQ(effects.Playing(), 1u);
  EXPECT_TRUE(media_.ogg.items.empty());
  for (size_t i = 0; i < SoundEffects::kMaxPlaying + 3; ++i) effects.Play("bell.wav");
  EXPECT_EQ(effects.Playing(), SoundEffects::kMaxPlaying);
  effects.Clear();
  EXPECT_TRUE(media_.ogg.items.empty());
  EXPECT_TRUE(media_.midi.items.empty());
}

}  // namespace
}  // namespace vesk::components::test
