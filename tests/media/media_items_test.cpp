#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "core/messages.h"
#include "media/media_fixture.h"

namespace vesk::media {
namespace {

using testing_media::RampSample;
using testing_media::SoundFile;

TEST(TMediaManagers, ChoosesTheManagerByExtensionThenCdPrefix) {
  TWmpManager* const no_wmp = nullptr;
  int tags[5];
  auto fake = [&](int i) { return reinterpret_cast<TMediaManager*>(&tags[i]); };
  TMediaManagers m{fake(0), fake(1), fake(2), fake(3), fake(4)};
  EXPECT_EQ(m.ForSoundName("bgm\\Title.MID"), m.midi);
  EXPECT_EQ(m.ForSoundName("a.sgt"), m.midi);
  EXPECT_EQ(m.ForSoundName("a.WMA"), m.wmp);
  EXPECT_EQ(m.ForSoundName("a.asf"), m.wmp);
  EXPECT_EQ(m.ForSoundName("a.wmv"), m.wmp);
  EXPECT_EQ(m.ForSoundName("se\\a.Ogg"), m.ogg);
  EXPECT_EQ(m.ForSoundName("a.wav"), m.ogg);
  EXPECT_EQ(m.ForSoundName("CD_3"), m.cdda);
  EXPECT_EQ(m.ForSoundName("CD_3.ogg"), m.ogg);  // the extension decides first
  EXPECT_EQ(m.ForSoundName("cd_3"), nullptr);
  EXPECT_EQ(m.ForSoundName("a.mp3"), nullptr);
  EXPECT_EQ(m.ForSoundName("dir.mid\\noext"), nullptr);
  m.wmp = no_wmp;
  EXPECT_EQ(m.ForSoundName("a.wma"), nullptr);
}

class ItemsTest : public MediaFixture {};

// A file that cannot be played costs its sound, not the script waiting for
// it: one report, and an item that is silent and ends once played.
TEST_F(ItemsTest, MissingAndUndecodableFilesGiveOneReportAndASilentItemThatEnds) {
  Make();
  files_["bad.wma"] = testing_media::Bytes("not sound");
  files_["bad.mid"] = testing_media::Bytes("not midi");
  std::vector<TDMediaItem*> items = {sys_->wmp().Add("gone.wma"),  sys_->wmp().Add("bad.wma"),
                                     sys_->ogg().Add("gone.ogg"),  sys_->video().Add("gone.mpg"),
                                     sys_->midi().Add("gone.mid"), sys_->midi().Add("bad.mid")};
  ASSERT_EQ(reports_.size(), 6u);
  EXPECT_EQ(reports_[0], "gone.wma: file not found");
  EXPECT_EQ(reports_[1], "bad.wma: not a media file");
  for (TDMediaItem* item : items) {
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->GetLength(), 0);
    EXPECT_FALSE(item->PollEnded());  // not played yet
    item->Play();
    EXPECT_FALSE(item->IsPlaying());
    EXPECT_TRUE(item->PollEnded());
    EXPECT_FALSE(item->PollEnded());
  }
  EXPECT_EQ(items[1]->Kind(), MediaKind::kWmp);
  EXPECT_EQ(items[3]->Kind(), MediaKind::kVideo);
  EXPECT_EQ(items[5]->Kind(), MediaKind::kMidi);
}

TEST_F(ItemsTest, ModuleSoundsMixOnTheDirectOutputAndDecodedOggOnTheQueuedOne) {
  for (bool direct_sound : {true, false}) {
    Make(direct_sound);
    files_["a.wma"] = SoundFile(44100);
    files_["b.ogg"] = SoundFile(44100);
    std::vector<int16_t> direct(sys_->direct_out().BlockSamples());
    std::vector<int16_t> queued(sys_->wav_out().BlockSamples());
    TDMediaItem* b = sys_->ogg().Add("b.ogg");
    b->Play();
    EXPECT_EQ(sys_->direct_out().MixBlock(direct), direct_sound);
    EXPECT_EQ(sys_->wav_out().MixBlock(queued), !direct_sound);
    b->Pause();
    sys_->wmp().Add("a.wma")->Play();
    EXPECT_TRUE(sys_->direct_out().MixBlock(direct));
    EXPECT_FALSE(sys_->wav_out().MixBlock(queued));
  }
}

TEST_F(ItemsTest, WmaReportsEachEndOnceAndAgainAfterARewind) {
  Make();
  files_["a.wma"] = SoundFile(4410 * 3);
  TDMediaItem* a = sys_->wmp().Add("a.wma");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->Kind(), MediaKind::kWmp);
  EXPECT_EQ(a->GetLength(), 300);
  a->Play();
  Blocks(2);
  EXPECT_FALSE(a->PollEnded());
  Blocks(4);
  EXPECT_TRUE(a->PollEnded());
  EXPECT_FALSE(a->PollEnded());
  EXPECT_FALSE(a->IsPlaying());
  a->SetPosition(0);
  Blocks(1);
  EXPECT_FALSE(a->PollEnded());
  Blocks(5);
  EXPECT_TRUE(a->PollEnded());
  EXPECT_FALSE(a->PollEnded());
  sys_->wmp().Remove(a);
  EXPECT_EQ(sys_->library().Count(companion::Family::kWmp), 0u);
}

TEST_F(ItemsTest, LibraryOggKeepsItsEndReportedAcrossSetPosition) {
  Make(/*direct_sound=*/true);
  files_["a.ogg"] = SoundFile(4410);
  TDMediaItem* a = sys_->ogg().Add("a.ogg");
  ASSERT_NE(dynamic_cast<TOggItem*>(a), nullptr);
  a->Play();
  Blocks(4);
  EXPECT_TRUE(a->PollEnded());
  a->SetPosition(0);
  Blocks(4);
  EXPECT_FALSE(a->PollEnded());  // a second end, not reported
  a->Play();
  Blocks(4);
  EXPECT_TRUE(a->PollEnded());  // Play makes the next end reportable

  a->SetLoop(true);
  a->Play();
  Blocks(1);
  a->Pause();
  EXPECT_TRUE(a->IsPaused());
  EXPECT_FALSE(a->IsPlaying());
}

TEST_F(ItemsTest, DecodedOggVolumeIsTheBufferLevel) {
  Make(/*direct_sound=*/false);
  EXPECT_EQ(TOggWaveItem::LevelForVolume(-6000), 0);
  EXPECT_EQ(TOggWaveItem::LevelForVolume(-5000), 0);
  EXPECT_EQ(TOggWaveItem::LevelForVolume(-2500), 128);
  EXPECT_EQ(TOggWaveItem::LevelForVolume(0), 256);
  files_["a.wav"] = SoundFile(44100);
  TDMediaItem* a = sys_->ogg().Add("a.wav");
  ASSERT_NE(dynamic_cast<TOggWaveItem*>(a), nullptr);
  a->SetVolume(-6000);
  EXPECT_EQ(a->GetVolume(), -6000);
  a->Play();
  Blocks(1);
  EXPECT_EQ(block_[0], 0);
  a->SetVolume(-2500);
  Blocks(1);
  EXPECT_EQ(block_[0], (RampSample(4410, 0) * 128) >> 8);
  a->SetVolume(0);
  Blocks(1);
  EXPECT_EQ(block_[0], RampSample(2 * 4410, 0));
  a->SetPan(5000);  // not supported
  EXPECT_EQ(a->GetPan(), 0);
  EXPECT_EQ(block_[1], RampSample(2 * 4410, 1));
}

TEST_F(ItemsTest, DecodedOggPositionsComeFromTheEstimate) {
  Make(/*direct_sound=*/false);
  files_["a.ogg"] = SoundFile(44100);
  TDMediaItem* a = sys_->ogg().Add("a.ogg");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->GetLength(), 1000);
  EXPECT_FALSE(a->IsPlaying());
  a->Play();
  EXPECT_TRUE(a->IsPlaying());
  Blocks(2);
  EXPECT_EQ(a->GetPosition(), 200);
  // Half-way through the block just mixed: read 300 ms, heard 250.
  sys_->wav_out().MixBlock(block_);
  clock_.Advance(50);
  EXPECT_EQ(a->GetPosition(), 250);
  clock_.Advance(50);
  a->SetPosition(500);
  Blocks(1);
  EXPECT_EQ(block_[0], RampSample(22050, 0));
  EXPECT_EQ(a->GetPosition(), 600);
  a->Pause();
  EXPECT_TRUE(a->IsPaused());
  EXPECT_FALSE(a->IsPlaying());
  a->Play();
  Blocks(7);
  // Drained: the end is reported for as long as it stands there.
  EXPECT_TRUE(a->PollEnded());
  EXPECT_TRUE(a->PollEnded());
  EXPECT_FALSE(a->IsPlaying());
  // A looping buffer that drained is started again instead.
  a->SetLoop(true);
  EXPECT_FALSE(a->PollEnded());
  Blocks(1);
  EXPECT_EQ(block_[0], RampSample(0, 0));
}

TEST_F(ItemsTest, DecodedOggWithoutSoundIsBadSoundData) {
  Make(/*direct_sound=*/false);
  files_["empty.ogg"] = SoundFile(0);
  TDMediaItem* item = sys_->ogg().Add("empty.ogg");
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->GetLength(), 0);
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_STREQ(MessageUtf8(Msg::kBadSoundData), "サウンドデータが不正です");
  EXPECT_EQ(reports_[0], "empty.ogg: " + MessageCp932(Msg::kBadSoundData));
  EXPECT_EQ(sys_->library().StreamCount(), 0u);
}

TEST_F(ItemsTest, DeactivationPausesWhatPlaysAndLeavesPausedItemsPaused) {
  Make();
  files_["a.wma"] = SoundFile(44100);
  files_["b.ogg"] = SoundFile(44100);
  files_["c.mid"] = testing_media::Bytes("");  // does nothing
  TDMediaItem* a = sys_->wmp().Add("a.wma");
  TDMediaItem* b = sys_->ogg().Add("b.ogg");
  ASSERT_NE(sys_->midi().Add("c.mid"), nullptr);
  a->Play();
  b->Play();
  Blocks(2);
  b->Pause();
  sys_->OnActivate(false);
  EXPECT_TRUE(a->IsPaused());
  EXPECT_TRUE(a->suspended);
  EXPECT_FALSE(b->suspended);
  Blocks(3);
  EXPECT_EQ(a->GetPosition(), 200);
  sys_->OnActivate(true);
  EXPECT_TRUE(a->IsPlaying());
  EXPECT_FALSE(a->suspended);
  EXPECT_TRUE(b->IsPaused());
  EXPECT_FALSE(b->IsPlaying());
}

TEST_F(ItemsTest, SoundOffStartsNothingAndSoundOnPlaysWhatWasAsked) {
  Make();
  files_["a.wma"] = SoundFile(44100);
  files_["b.ogg"] = SoundFile(44100);
  files_["v.mpg"] = testing_media::VideoFile(10, 10, false);
  TDMediaItem* a = sys_->wmp().Add("a.wma");
  TDMediaItem* b = sys_->ogg().Add("b.ogg");
  TDMediaItem* v = sys_->video().Add("v.mpg");
  ASSERT_NE(v, nullptr);
  sys_->SetSoundOn(false);
  EXPECT_FALSE(sys_->wmp().Enabled());
  EXPECT_TRUE(sys_->video().Enabled());  // films are not sound
  a->Play();
  b->Play();
  Blocks(2);
  EXPECT_FALSE(a->IsPlaying());
  EXPECT_FALSE(b->IsPlaying());
  EXPECT_EQ(a->GetPosition(), 0);
  v->Play();
  EXPECT_TRUE(v->IsPlaying());
  sys_->SetSoundOn(true);
  // The Ogg item remembered the wish; the WMA item did not.
  EXPECT_TRUE(b->IsPlaying());
  EXPECT_FALSE(a->IsPlaying());
}

TEST_F(ItemsTest, SoundOffPausesPlayingItemsUntilSoundOn) {
  Make();
  files_["a.wma"] = SoundFile(44100);
  TDMediaItem* a = sys_->wmp().Add("a.wma");
  a->Play();
  Blocks(1);
  sys_->SetSoundOn(false);
  EXPECT_TRUE(a->IsPaused());
  sys_->OnActivate(false);  // a disabled manager does not suspend again
  sys_->OnActivate(true);
  EXPECT_FALSE(a->IsPlaying());
  sys_->SetSoundOn(true);
  EXPECT_TRUE(a->IsPlaying());
}

TEST_F(ItemsTest, VideoItemsShowPicturesAndSuspendWithTheApplication) {
  Make();
  files_["m.wmv"] = testing_media::VideoFile(10, 10, true);
  auto* v = dynamic_cast<TVideoItem*>(sys_->video().Add("m.wmv", true));
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v->SourceWidth(), 4);
  EXPECT_EQ(v->GetLength(), 1000);
  v->Play();
  Blocks(3);
  EXPECT_TRUE(v->NeedPaint());
  int stride = 0;
  const uint8_t* pixels = v->GetDC(&stride);
  ASSERT_NE(pixels, nullptr);
  EXPECT_EQ(pixels[0], 4);  // picture 3 at 300 ms
  EXPECT_EQ(pixels[3], 255);
  v->SetVisible(false);
  EXPECT_FALSE(v->GetVisible());
  sys_->OnActivate(false);
  EXPECT_TRUE(v->IsPaused());
  sys_->OnActivate(true);
  EXPECT_TRUE(v->IsPlaying());
  Blocks(10);
  EXPECT_TRUE(v->PollEnded());
  EXPECT_FALSE(v->PollEnded());  // once per end
}

// Items are made, played and freed on this thread while another mixes both
// outputs, as the audio device's thread does: a buffer or stream freed
// under the mixer would show up as a use after free.
TEST_F(ItemsTest, ItemsComeAndGoWhileTheOutputsMix) {
  for (bool direct_sound : {true, false}) {
    Make(direct_sound);
    files_["a.wma"] = SoundFile(20000);
    files_["b.ogg"] = SoundFile(20000);
    files_["cd\\track02.ogg"] = SoundFile(3 * 44100);
    std::atomic<bool> done{false};
    std::thread mixer([&] {
      std::vector<int16_t> a(sys_->direct_out().BlockSamples());
      std::vector<int16_t> b(sys_->wav_out().BlockSamples());
      while (!done) {
        sys_->direct_out().MixBlock(a);
        sys_->wav_out().MixBlock(b);
      }
    });
    for (int round = 0; round < 200; ++round) {
      TDMediaItem* a = sys_->wmp().Add("a.wma");
      TDMediaItem* b = sys_->ogg().Add("b.ogg");
      TDMediaItem* cd = sys_->cdda().Add("CD_2");
      for (TDMediaItem* item : {a, b, cd}) {
        item->SetLoop(round % 2 == 0);
        item->Play();
        item->SetPosition(round);
        item->GetPosition();
      }
      a->Pause();
      sys_->ogg().Remove(b);
      sys_->wmp().Remove(a);
      if (round % 3 == 0) sys_->cdda().Clear();
    }
    done = true;
    mixer.join();
    EXPECT_EQ(sys_->wmp().Count(), 0u);
    EXPECT_TRUE(reports_.empty());
  }
}

}  // namespace
}  // namespace vesk::media
