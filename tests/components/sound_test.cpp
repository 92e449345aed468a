// Sounds on fake media managers: the volume scale, fades in and out on the
// game clock, the play modes, the end of playback, the stored form and the
// media commands' port.
#include <gtest/gtest.h>

#include "components/mixer.h"
#include "components/sound.h"
#include "core/byte_reader.h"
#include "core/byte_writer.h"
#include "core/version.h"
#include "image_fixture.h"
#include "media_fakes.h"
#include "scene/scene_port.h"

namespace vesk::components::test {
namespace {

class Sounds : public ImageScene {
 protected:
  Sounds() {
    services_.media = &media_.managers;
    services_.file_available = [this](const std::string& name) {
      return name.rfind("CD_", 0) != 0 && media_.Holds(name);
    };
    services_.game_clock_ms = [this] { return clock_ms_; };
    media_.ogg.files = {"bgm.ogg", "se.wav"};
    media_.midi.files = {"song.mid"};
    media_.cdda.files = {"CD_02"};
  }
  // The sounds give their items back before the managers go.
  ~Sounds() override { root_.Reset(); }
  TVeskSound& Sound(const std::string& name, const std::string& source, int32_t volume = 1000) {
    auto* sound = dynamic_cast<TVeskSound*>(root_.CreateByKind(LT_SOUND));
    EXPECT_NE(sound, nullptr);
    sound->SetName(name);
    sound->SetStr(PR_SOURCE, source);
    sound->SetInt(PR_VOLUME, volume);
    return *sound;
  }
  FakeItem& ItemOf(TVeskSound& sound) { return *dynamic_cast<FakeItem*>(sound.Item); }
  void Tick(int32_t ms) {
    clock_ms_ += ms;
    root_.UpdatePass(ms);
  }
  bool Exists(const std::string& name) const { return root_.IndexOfName(name) >= 0; }

  FakeMedia media_;
  int32_t clock_ms_ = 7000;
};

TEST(SoundVolume, ScaleIsLogarithmicForSoundsAndLinearForMidi) {
  MediaLog log;
  FakeManager ogg(media::MediaKind::kOgg, &log), midi(media::MediaKind::kMidi, &log);
  FakeItem wave(&ogg, media::MediaKind::kOgg, &log), song(&midi, media::MediaKind::kMidi, &log);
  EXPECT_EQ(ScaledVolume(&wave, 1000), 0);
  EXPECT_EQ(ScaledVolume(&wave, 500), -2500);
  EXPECT_EQ(ScaledVolume(&wave, 1), -4995);
  EXPECT_EQ(ScaledVolume(&wave, 0), -10000);
  EXPECT_EQ(ScaledVolume(&wave, -5), -10000);
  EXPECT_EQ(ScaledVolume(&wave, 2000), 0);
  EXPECT_EQ(ScaledVolume(&song, 500), -5000);
  EXPECT_EQ(ScaledVolume(&song, 2000), 10000);  // unclamped
}

TEST(SoundVolume, ManagerFollowsTheExtensionInAnyCase) {
  MediaLog log;
  FakeManager v(media::MediaKind::kVideo, &log), w(media::MediaKind::kWmp, &log),
      o(media::MediaKind::kOgg, &log), c(media::MediaKind::kCdda, &log),
      m(media::MediaKind::kMidi, &log);
  const media::TMediaManagers all{&v, &w, &o, &c, &m};
  EXPECT_EQ(SoundManagerFor(&all, "a.MID"), &m);
  EXPECT_EQ(SoundManagerFor(&all, "a.sgt"), &m);
  EXPECT_EQ(SoundManagerFor(&all, "dir.x/a.Wma"), &w);
  EXPECT_EQ(SoundManagerFor(&all, "a.asf"), &w);
  EXPECT_EQ(SoundManagerFor(&all, "a.wav"), &o);
  EXPECT_EQ(SoundManagerFor(&all, "a.OGG"), &o);
  EXPECT_EQ(SoundManagerFor(&all, "CD_03"), &c);
  EXPECT_EQ(SoundManagerFor(&all, "a.mp3"), nullptr);
  const media::TMediaManagers no_midi{&v, &w, &o, &c, nullptr};
  EXPECT_EQ(SoundManagerFor(&no_midi, "a.mid"), nullptr);
}

TEST_F(Sounds, FadeInOfASoundStartsAtTheMidpointAndReachesTheTarget) {
  TVeskSound& s = Sound("bgm", "bgm.ogg");
  s.SetInt(PR_DELAY, 1000);
  s.SetPlayMode(LP_PLAYFADE);
  ASSERT_NE(s.Item, nullptr);
  ASSERT_NE(s.Fade, nullptr);
  Tick(0);  // the first step opens silent and plays
  EXPECT_EQ(ItemOf(s).volume, -10000);
  EXPECT_TRUE(ItemOf(s).playing);
  Tick(0);
  EXPECT_EQ(ItemOf(s).volume, -5000);
  Tick(500);
  EXPECT_EQ(ItemOf(s).volume, -2500);
  Tick(499);
  EXPECT_EQ(ItemOf(s).volume, -5);
  Tick(1);
  EXPECT_EQ(ItemOf(s).volume, 0);
  EXPECT_EQ(s.Fade, nullptr);
  EXPECT_TRUE(Exists("bgm"));
}

TEST_F(Sounds, MidiFadesInFromSilenceStraightToTheTarget) {
  TVeskSound& s = Sound("m", "song.mid", 500);
  s.SetInt(PR_DELAY, 1000);
  s.SetPlayMode(LP_PLAYFADE);
  Tick(0);
  Tick(0);
  EXPECT_EQ(ItemOf(s).volume, -10000);
  Tick(500);
  EXPECT_EQ(ItemOf(s).volume, -7500);
  Tick(500);
  EXPECT_EQ(ItemOf(s).volume, -5000);
}

TEST_F(Sounds, FadeOutStepsAsideUnderAScrapNameAndGoesAtTheEnd) {
  TVeskSound& s = Sound("bgm", "bgm.ogg");
  s.SetPlayMode(LP_PLAY);
  ASSERT_EQ(ItemOf(s).volume, 0);
  s.SetInt(PR_DELAY, 1000);
  s.SetPlayMode(LP_STOPFADE);
  const std::string scrap = std::string("\x01") + "SCRAP_bgm";
  EXPECT_EQ(s.Name, scrap);
  // A new sound of the old name leaves the fading one alone.
  TVeskSound& next = Sound("bgm", "se.wav");
  next.SetPlayMode(LP_PLAY);
  Tick(0);
  Tick(500);
  ASSERT_TRUE(Exists(scrap));
  EXPECT_EQ(ItemOf(s).volume, -2500);
  Tick(499);
  EXPECT_EQ(ItemOf(s).volume, -4995);
  Tick(1);
  EXPECT_FALSE(Exists(scrap));
  EXPECT_TRUE(Exists("bgm"));
  EXPECT_EQ(media_.ogg.items.size(), 1u);  // the faded item went back
}

TEST_F(Sounds, AClockThatWentBackEndsAFade) {
  TVeskSound& s = Sound("bgm", "bgm.ogg");
  s.SetInt(PR_DELAY, 1000);
  s.SetPlayMode(LP_PLAYFADE);
  Tick(0);
  clock_ms_ -= 10;
  Tick(0);
  EXPECT_EQ(s.Fade, nullptr);
  EXPECT_EQ(ItemOf(s).volume, 0);
}

TEST_F(Sounds, PlayModes) {
  TVeskSound& s = Sound("a", "bgm.ogg", 500);
  s.SetFlag(PR_REPEAT, true);
  s.SetInt(PR_BALANCE, 20000);
  EXPECT_EQ(s.Balance, 10000);
  // A fade-in without a fade time plays at once.
  s.SetPlayMode(LP_PLAYFADE);
  EXPECT_EQ(s.PlayMode, LP_PLAY);
  EXPECT_EQ(s.Fade, nullptr);
  FakeItem& item = ItemOf(s);
  EXPECT_TRUE(item.playing);
  EXPECT_TRUE(item.loop);
  EXPECT_EQ(item.volume, -2500);
  EXPECT_EQ(item.pan, 10000);
  // With the item open, play only records the mode.
  item.position_ms = 5000;
  const size_t calls = media_.log.calls.size();
  s.SetPlayMode(LP_PLAY);
  EXPECT_EQ(media_.log.calls.size(), calls);
  EXPECT_EQ(item.position_ms, 5000);
  EXPECT_EQ(media_.ogg.adds, 1);
  // Replay starts over.
  item.Pause();
  s.Replay();
  EXPECT_EQ(item.position_ms, 0);
  EXPECT_TRUE(item.playing);
  // Stop deletes the sound at once.
  s.SetPlayMode(LP_STOP);
  EXPECT_TRUE(media_.ogg.items.empty());
  Tick(16);
  EXPECT_FALSE(Exists("a"));
}

TEST_F(Sounds, WithoutAFileTheSoundStaysSilentAndOnlyAFadeOutDeletesIt) {
  TVeskSound& missing = Sound("x", "gone.ogg");
  missing.SetPlayMode(LP_PLAY);
  EXPECT_EQ(missing.Item, nullptr);
  EXPECT_EQ(missing.GetInt(PR_COUNT), 0);
  EXPECT_EQ(missing.GetInt(PR_INDEX), 0);
  EXPECT_FALSE(missing.GetFlag(PR_PLAYING));
  missing.SetPlayMode(LP_STOP);
  Tick(16);
  EXPECT_TRUE(Exists("x"));
  missing.SetPlayMode(LP_STOPFADE);
  Tick(16);
  EXPECT_FALSE(Exists("x"));
  // An unknown extension gets nothing; a CD track needs no file.
  media_.ogg.files.insert("tune.mp3");
  TVeskSound& mp3 = Sound("y", "tune.mp3");
  mp3.SetPlayMode(LP_PLAY);
  EXPECT_EQ(mp3.Item, nullptr);
  TVeskSound& cd = Sound("z", "CD_02");
  cd.SetPlayMode(LP_PLAY);
  ASSERT_NE(cd.Item, nullptr);
  EXPECT_EQ(cd.Item->Manager(), &media_.cdda);
}

TEST_F(Sounds, LengthWithoutAnItemComesFromATemporaryOne) {
  media_.ogg.length_ms = 4321;
  TVeskSound& s = Sound("a", "bgm.ogg");
  EXPECT_EQ(s.GetInt(PR_COUNT), 4321);
  EXPECT_EQ(media_.ogg.adds, 1);
  EXPECT_TRUE(media_.ogg.items.empty());
  EXPECT_EQ(s.Item, nullptr);
}

TEST_F(Sounds, EndOfPlaybackQueuesTheHandlerRepeatsOrScraps) {
  TVeskSound& plain = Sound("plain", "bgm.ogg");
  plain.SetStr(PR_ONPLAYEND, "p.lsb:end");
  plain.SetPlayMode(LP_PLAY);
  TVeskSound& looping = Sound("loop", "bgm.ogg");
  looping.SetFlag(PR_REPEAT, true);
  looping.SetPlayMode(LP_PLAY);
  TVeskSound& scrap = Sound("scrap", "bgm.ogg");
  scrap.SetFlag(PR_AUTOSCRAP, true);
  scrap.SetPlayMode(LP_PLAY);
  ItemOf(looping).position_ms = 59000;
  for (TVeskSound* s : {&plain, &looping, &scrap}) ItemOf(*s).ended = true;
  Tick(16);
  EXPECT_EQ(Events(PR_ONPLAYEND), std::vector<std::string>{"p.lsb:end()"});
  EXPECT_EQ(plain.Ended, 1);
  EXPECT_EQ(ItemOf(looping).position_ms, 0);
  EXPECT_TRUE(Exists("loop"));
  EXPECT_FALSE(Exists("scrap"));
  // The end is reported once.
  Tick(16);
  EXPECT_EQ(Events(PR_ONPLAYEND).size(), 1u);
}

TEST_F(Sounds, PauseSilencesAndResumeRestoresTheVolume) {
  TVeskSound& s = Sound("a", "bgm.ogg", 800);
  s.SetPlayMode(LP_PLAY);
  s.SetFlag(PR_PAUSED, true);
  EXPECT_TRUE(ItemOf(s).paused);
  EXPECT_EQ(ItemOf(s).volume, -10000);
  s.SetFlag(PR_ANIPAUSED, true);
  s.SetFlag(PR_PAUSED, false);
  EXPECT_TRUE(ItemOf(s).paused);  // still held by the animation pause
  EXPECT_FALSE(s.GetFlag(PR_ANIPAUSED));
  s.SetFlag(PR_ANIPAUSED, false);
  EXPECT_TRUE(ItemOf(s).playing);
  EXPECT_EQ(ItemOf(s).volume, -1000);
  // A new source drops the item and stops.
  s.SetStr(PR_SOURCE, "se.wav");
  EXPECT_EQ(s.Item, nullptr);
  EXPECT_EQ(s.PlayMode, LP_STOP);
  EXPECT_TRUE(media_.ogg.items.empty());
}

TEST_F(Sounds, StoredFormRoundTripReopensAtThePosition) {
  TVeskSound& s = Sound("a", "bgm.ogg", 700);
  s.SetFlag(PR_REPEAT, true);
  s.SetInt(PR_BALANCE, -300);
  s.SetStr(PR_ONPLAYEND, "p:end");
  s.SetPlayMode(LP_PLAY);
  ItemOf(s).position_ms = 1234;
  s.SetFlag(PR_PAUSED, true);
  ByteWriter out;
  s.SaveToStream(out);
  const std::vector<uint8_t> bytes = out.bytes();

  TVeskSound& copy = Sound("b", "");
  ByteReader in(bytes.data(), bytes.size());
  copy.LoadFromStream(in, kSaveVersion);
  EXPECT_EQ(copy.Source, "bgm.ogg");
  EXPECT_EQ(copy.Volume, 700);
  EXPECT_EQ(copy.Balance, -300);
  EXPECT_EQ(copy.OnPlayEnd, "p:end");
  EXPECT_EQ(copy.PlayMode, LP_PLAY);
  ASSERT_NE(copy.Item, nullptr);
  EXPECT_EQ(ItemOf(copy).position_ms, 1234);
  EXPECT_TRUE(ItemOf(copy).paused);
  EXPECT_EQ(ItemOf(copy).volume, -10000);
  EXPECT_TRUE(ItemOf(copy).loop);
}

TEST_F(Sounds, StoredFormVersionRules) {
  TVeskSound& s = Sound("a", "bgm.ogg", 700);
  s.SetFlag(PR_REWINDONLOAD, true);
  s.SetFlag(PR_MUTEONLOAD, true);
  s.SetPlayMode(LP_PLAY);
  ItemOf(s).position_ms = 900;
  auto load_at = [&](int32_t version) -> TVeskSound& {
    ByteWriter out;
    RecordIO w(out, version);
    s.Transfer(w);
    const std::vector<uint8_t> bytes = out.bytes();
    TVeskSound& copy = Sound("c" + std::to_string(version), "");
    ByteReader in(bytes.data(), bytes.size());
    copy.LoadFromStream(in, version);
    EXPECT_TRUE(in.at_end()) << version;
    // Cut short, the record is refused rather than read past its end.
    ByteReader cut(bytes.data(), bytes.size() - 1);
    EXPECT_THROW(Sound("cut", "").LoadFromStream(cut, version), ETruncated);
    return copy;
  };
  TVeskSound& now = load_at(kSaveVersion);  // rewound and muted
  EXPECT_EQ(ItemOf(now).position_ms, 0);
  EXPECT_EQ(now.Volume, 0);
  TVeskSound& v128 = load_at(128);  // rewinds, no mute flag yet
  EXPECT_EQ(ItemOf(v128).position_ms, 0);
  EXPECT_EQ(v128.Volume, 700);
  TVeskSound& v107 = load_at(107);  // neither
  EXPECT_EQ(ItemOf(v107).position_ms, 900);
  EXPECT_EQ(v107.RewindOnLoad, 0);
}

TEST_F(Sounds, CommandPortPlaysStopsAndReplays) {
  scene::SceneCommandPort port(root_);
  TVeskSound& faded = Sound("f", "bgm.ogg");
  faded.SetInt(PR_DELAY, 300);
  port.CreationComplete(faded);
  EXPECT_EQ(faded.PlayMode, LP_PLAYFADE);
  TVeskSound& plain = Sound("p", "se.wav");
  port.CreationComplete(plain);
  EXPECT_EQ(plain.PlayMode, LP_PLAY);
  auto held = [this](const std::string& f) { return media_.Holds(f); };
  // Without a file the fade is not waited on and nothing stops.
  EXPECT_EQ(port.Stop("p", 500, [](const std::string&) { return false; }), "");
  EXPECT_EQ(plain.PlayMode, LP_PLAY);
  EXPECT_EQ(port.Stop("p", 500, held), std::string("\x01SCRAP_p"));
  EXPECT_EQ(plain.Delay, 500);
  EXPECT_EQ(port.Stop(std::string("\x01SCRAP_p"), 500, held), "");  // already stopping
  EXPECT_EQ(port.Stop("f", 0, held), "");
  EXPECT_FALSE(Exists("f"));
  ItemOf(plain).position_ms = 800;
  port.Play(std::string("\x01SCRAP_p"));
  EXPECT_EQ(ItemOf(plain).position_ms, 0);
}

}  // namespace
}  // namespace vesk::components::test
