#include <gtest/gtest.h>

#include "audio/wav_out.h"
#include "companion/media_library.h"
#include "platform/clock.h"
#include "support/media_fakes.h"

namespace vesk::companion {
namespace {

using testing_media::RampSample;
using testing_media::SoundFile;
using testing_media::VideoFile;

class LibraryTest : public ::testing::Test {
 protected:
  platform::ManualClock clock_;
  audio::TWavOut out_{100, clock_};  // blocks of 100 ms
  MediaLibrary lib_{out_, {testing_media::OpenFakeAudio, testing_media::OpenFakeVideo}, clock_};
  std::vector<int16_t> block_ = std::vector<int16_t>(out_.BlockSamples());

  // Mixes a block and lets its 100 ms pass, so the estimate is the read
  // position.
  void Blocks(int n) {
    for (int i = 0; i < n; ++i) {
      out_.MixBlock(block_);
      clock_.Advance(100);
    }
  }
  MediaItem* NewWma(uint32_t frames) {
    std::string error;
    const int h = lib_.WmpmanAdd(SoundFile(frames), &error);
    EXPECT_NE(h, 0) << error;
    return lib_.Wmp(h);
  }
};

TEST_F(LibraryTest, SoundPlaysThroughTheOutputWithPositionsFromTheEstimate) {
  MediaItem* s = NewWma(44100);  // one second
  ASSERT_NE(s, nullptr);
  EXPECT_TRUE(out_.IsOpen());
  EXPECT_EQ(s->GetLen(), 1000);
  EXPECT_FALSE(s->IsPlaying());
  s->Play();
  Blocks(3);
  EXPECT_EQ(s->GetPosition(), 300);
  EXPECT_EQ(block_[0], RampSample(2 * 4410, 0));
  s->Pause();
  Blocks(2);
  EXPECT_TRUE(s->IsPaused());
  EXPECT_FALSE(s->IsPlaying());
  EXPECT_EQ(s->GetPosition(), 300);
  s->Play();
  Blocks(7);
  EXPECT_EQ(s->GetPosition(), 1000);
  // Read to the end, but the queued sound is still being heard.
  EXPECT_FALSE(s->IsEnd());
  Blocks(3);
  EXPECT_TRUE(s->IsEnd());
  EXPECT_FALSE(s->IsPlaying());

  // Rewinding a sound that is still playing plays it again.
  s->SetPosition(0);
  EXPECT_FALSE(s->IsEnd());
  Blocks(1);
  EXPECT_EQ(block_[0], RampSample(0, 0));
  EXPECT_TRUE(s->IsPlaying());
}

TEST_F(LibraryTest, PlayAtTheEndStartsAgainAndRepeatNeverEnds) {
  MediaItem* s = NewWma(4410);  // one block
  s->Play();
  Blocks(4);
  ASSERT_TRUE(s->IsEnd());
  s->Play();
  EXPECT_FALSE(s->IsEnd());
  Blocks(1);
  EXPECT_EQ(block_[0], RampSample(0, 0));

  s->SetRepeat(true);
  EXPECT_TRUE(s->GetRepeat());
  Blocks(10);
  EXPECT_FALSE(s->IsEnd());
  EXPECT_TRUE(s->IsPlaying());
  EXPECT_EQ(block_[0], RampSample(0, 0));
}

TEST_F(LibraryTest, VolumeAndPanReachTheMix) {
  MediaItem* s = NewWma(44100);
  s->SetVolume(-10000);
  EXPECT_EQ(s->GetVolume(), -10000);
  s->Play();
  Blocks(1);
  EXPECT_EQ(block_[0], 0);
  s->SetVolume(0);
  s->SetPan(10000);  // right only
  EXPECT_EQ(s->GetPan(), 10000);
  Blocks(1);
  EXPECT_EQ(block_[0], 0);
  EXPECT_EQ(block_[1], RampSample(4410, 1));
}

TEST_F(LibraryTest, AddsThatFailSayWhyAndStaleHandlesReachNothing) {
  std::string error;
  EXPECT_EQ(lib_.WmpmanAdd(testing_media::Bytes(""), &error), 0);
  EXPECT_EQ(error, "empty file");
  EXPECT_EQ(lib_.OggmanAdd(testing_media::Bytes("garbage!"), true, &error), 0);
  EXPECT_EQ(error, "not a media file");
  EXPECT_EQ(lib_.VidmanAdd("m.wmv", SoundFile(10), false, &error), 0);
  EXPECT_EQ(error, "not a media file");

  const int h = lib_.OggmanAdd(SoundFile(100), true, &error);
  ASSERT_NE(h, 0);
  EXPECT_TRUE(lib_.OggmanDel(h));
  EXPECT_EQ(lib_.Ogg(h), nullptr);
  EXPECT_FALSE(lib_.OggmanDel(h));
  EXPECT_EQ(lib_.Count(Family::kOgg), 0u);

  MediaLibrary no_decoders(out_, {}, clock_);
  EXPECT_EQ(no_decoders.WmpmanAdd(SoundFile(100), &error), 0);
  EXPECT_EQ(error, "no sound decoder");
}

TEST_F(LibraryTest, StreamFamilyHandsOutTheDecodedStreamAndItsFormat) {
  std::string error;
  const int h = lib_.OggStrmanAdd(SoundFile(88200), true, &error);
  ASSERT_NE(h, 0);
  audio::PcmFormat f;
  ASSERT_TRUE(lib_.OggStrGetFormat(h, &f));
  EXPECT_EQ(f.channels, 2);
  EXPECT_EQ(f.samples_per_sec, 44100u);
  EXPECT_EQ(f.bits_per_sample, 16);
  EXPECT_EQ(f.block_align, 4);
  EXPECT_EQ(lib_.OggStrGetLen(h), 2000);
  ASSERT_NE(lib_.OggStr(h), nullptr);
  EXPECT_EQ(lib_.OggStr(h)->SizeBytes(), 88200 * 4);

  // A stream without a single frame has no format to play.
  const int empty = lib_.OggStrmanAdd(SoundFile(0), false, &error);
  ASSERT_NE(empty, 0);
  EXPECT_FALSE(lib_.OggStrGetFormat(empty, &f));
  EXPECT_TRUE(lib_.OggStrmanDel(h));
  EXPECT_FALSE(lib_.OggStrGetFormat(h, &f));
  EXPECT_EQ(lib_.OggStrGetLen(h), 0);
}

uint8_t Blue(VideoMedia* v) {
  int stride = 0;
  const uint8_t* p = v->GetDC(&stride);
  EXPECT_EQ(stride, 16);
  return p ? p[0] : 0;
}

TEST_F(LibraryTest, SilentFilmFollowsTheClockAndRepeats) {
  std::string error;
  VideoMedia* v = lib_.Video(lib_.VidmanAdd("m.mpg", VideoFile(10, 10, false), true, &error));
  ASSERT_NE(v, nullptr) << error;
  EXPECT_FALSE(v->has_sound());
  EXPECT_TRUE(v->overlay());
  EXPECT_EQ(v->GetLen(), 1000);
  EXPECT_EQ(v->SourceWidth(), 4);
  EXPECT_EQ(v->SourceHeight(), 2);
  v->Play();
  EXPECT_TRUE(v->NeedPaint());
  EXPECT_EQ(Blue(v), 1);
  EXPECT_FALSE(v->NeedPaint());  // nothing new until the clock moves on
  clock_.Advance(250);
  EXPECT_TRUE(v->NeedPaint());
  EXPECT_EQ(Blue(v), 3);
  v->Pause();
  clock_.Advance(500);
  EXPECT_EQ(v->GetPosition(), 250);
  v->Play();
  clock_.Advance(800);
  EXPECT_TRUE(v->IsEnd());
  EXPECT_EQ(v->GetPosition(), 1000);
  v->SetRepeat(true);
  EXPECT_FALSE(v->IsEnd());
  v->SetPosition(900);
  clock_.Advance(400);
  EXPECT_EQ(v->GetPosition(), 300);
  EXPECT_TRUE(v->NeedPaint());
  EXPECT_EQ(Blue(v), 4);
}

TEST_F(LibraryTest, FilmWithSoundFollowsTheSoundsClock) {
  std::string error;
  VideoMedia* v = lib_.Video(lib_.VidmanAdd("m.wmv", VideoFile(10, 10, true), false, &error));
  ASSERT_NE(v, nullptr) << error;
  ASSERT_TRUE(v->has_sound());
  v->Play();
  clock_.Advance(5000);  // time alone does not move a film with sound
  EXPECT_EQ(v->GetPosition(), 0);
  Blocks(4);
  EXPECT_EQ(v->GetPosition(), 400);
  EXPECT_TRUE(v->NeedPaint());
  EXPECT_EQ(Blue(v), 5);
  v->SetVolume(-10000);
  Blocks(1);
  EXPECT_EQ(block_[0], 0);
  Blocks(8);
  EXPECT_TRUE(v->IsEnd());
}

TEST_F(LibraryTest, SuspendPausesPlayingFilmsOnlyAndResumePlaysThemOn) {
  std::string error;
  VideoMedia* a = lib_.Video(lib_.VidmanAdd("a", VideoFile(10, 10, false), false, &error));
  VideoMedia* b = lib_.Video(lib_.VidmanAdd("b", VideoFile(10, 10, false), false, &error));
  a->Play();
  b->Play();
  b->Pause();
  lib_.VidmanSuspend();
  EXPECT_TRUE(a->IsPaused());
  clock_.Advance(300);
  EXPECT_EQ(a->GetPosition(), 0);
  lib_.VidmanResume();
  EXPECT_TRUE(a->IsPlaying());
  EXPECT_TRUE(b->IsPaused());
  clock_.Advance(300);
  EXPECT_EQ(a->GetPosition(), 300);
}

}  // namespace
}  // namespace vesk::companion
