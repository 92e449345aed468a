#include <gtest/gtest.h>

#include "media/cd_tracks.h"
#include "media/media_fixture.h"

namespace vesk::media {
namespace {

using testing_media::RampSample;
using testing_media::SoundFile;

constexpr uint32_t kSecond = 44100;

class CddaTest : public MediaFixture {
 protected:
  TCddaManager& cd() { return sys_->cdda(); }
};

TEST(CdTracks, NumberIsTheWholeRestOfTheName) {
  EXPECT_EQ(CdTrackNumber("CD_5"), 5);
  EXPECT_EQ(CdTrackNumber("CD_05"), 5);
  EXPECT_EQ(CdTrackNumber("CD_12"), 12);
  EXPECT_EQ(CdTrackNumber("CD_-1"), -1);
  EXPECT_FALSE(CdTrackNumber("CD_x"));
  EXPECT_FALSE(CdTrackNumber("CD_5x"));
  EXPECT_FALSE(CdTrackNumber("CD_"));
  EXPECT_FALSE(CdTrackNumber("CD_-"));
  EXPECT_FALSE(CdTrackNumber("CD_99999999999"));
}

TEST_F(CddaTest, TrackFilesAreLookedForInTheGameThenTheSettingThenDiscs) {
  Make();
  cd_drive_ = "/srv/cd";
  cd_roots_ = {"/media/disc/"};
  const std::vector<std::string> two = CdTrackCandidates(2, sys_->services());
  ASSERT_EQ(two.size(), 18u);
  EXPECT_EQ(two[0], "cd\\track02.ogg");
  EXPECT_EQ(two[1], "cd\\track02.wav");
  EXPECT_EQ(two[2], "cd\\track02.wma");
  EXPECT_EQ(two[3], "cd\\track2.ogg");
  EXPECT_EQ(two[6], "/srv/cd/track02.ogg");
  EXPECT_EQ(two[12], "/media/disc/track02.ogg");
  EXPECT_EQ(two[17], "/media/disc/track2.wma");
  EXPECT_EQ(CdTrackCandidates(12, sys_->services()).size(), 9u);
  EXPECT_TRUE(CdTrackCandidates(0, sys_->services()).empty());

  files_["/media/disc/track2.wav"] = SoundFile(kSecond);
  files_["/srv/cd/track02.wma"] = SoundFile(kSecond);
  EXPECT_EQ(FindCdTrack(2, sys_->services())->name, "/srv/cd/track02.wma");
  files_["cd\\track2.wav"] = SoundFile(kSecond);
  EXPECT_EQ(FindCdTrack(2, sys_->services())->name, "cd\\track2.wav");
  EXPECT_FALSE(FindCdTrack(3, sys_->services()));
}

TEST_F(CddaTest, ANameThatIsNoNumberOrAMissingTrackIsSilent) {
  Make();
  TDMediaItem* x = cd().Add("CD_x");
  ASSERT_NE(x, nullptr);
  x->SetVolume(-100);
  x->SetPosition(3000);
  x->Play();
  EXPECT_FALSE(x->IsPlaying());
  EXPECT_FALSE(x->PollEnded());
  EXPECT_EQ(x->GetLength(), 0);
  EXPECT_EQ(x->GetVolume(), 0);
  EXPECT_EQ(cd().current(), nullptr);
  EXPECT_TRUE(read_names_.empty());

  TDMediaItem* missing = cd().Add("CD_7");
  missing->Play();
  EXPECT_FALSE(missing->IsPlaying());
  EXPECT_EQ(missing->GetLength(), 0);
  EXPECT_EQ(cd().current(), nullptr);
}

TEST_F(CddaTest, ATrackInTheGamePlaysWithPositionsInWholeSeconds) {
  Make();
  files_["cd\\track02.ogg"] = SoundFile(5 * kSecond);
  TDMediaItem* t = cd().Add("CD_2");
  EXPECT_EQ(t->GetLength(), 5000);  // measured before playing
  t->Play();
  EXPECT_EQ(cd().current(), t);
  EXPECT_TRUE(t->IsPlaying());
  Blocks(15);
  EXPECT_EQ(t->GetPosition(), 1000);
  Blocks(20);
  EXPECT_EQ(t->GetPosition(), 3000);
  // A pause resumes one second before where it stopped.
  t->Pause();
  EXPECT_TRUE(t->IsPaused());
  EXPECT_FALSE(t->IsPlaying());
  t->SetPosition(1500);  // paused: only stored, in whole seconds
  t->Play();
  EXPECT_FALSE(t->IsPaused());
  EXPECT_EQ(t->GetPosition(), 1000);
  Blocks(1);
  EXPECT_EQ(block_[0], RampSample(kSecond, 0));
  // Playing: the position moves at once.
  t->SetPosition(3999);
  Blocks(1);
  EXPECT_EQ(block_[0], RampSample(3 * kSecond, 0));
}

TEST_F(CddaTest, ATrackPlaysToOneSecondBeforeItsLengthAndLoopsByRepeat) {
  Make();
  files_["cd\\track03.wav"] = SoundFile(3 * kSecond + 500);
  TDMediaItem* t = cd().Add("CD_3");
  t->Play();
  EXPECT_EQ(t->GetLength(), 3000);
  Blocks(20);
  EXPECT_FALSE(t->PollEnded());
  Blocks(3);
  EXPECT_TRUE(t->PollEnded());
  EXPECT_EQ(t->GetPosition(), 2000);

  t->SetLoop(true);
  t->SetPosition(0);
  t->Play();
  Blocks(21);
  EXPECT_EQ(block_[0], RampSample(0, 0));
  Blocks(30);
  EXPECT_TRUE(t->IsPlaying());
  EXPECT_FALSE(t->PollEnded());
}

TEST_F(CddaTest, OneItemIsCurrentAndVolumeIsThePlayersLevel) {
  Make();
  files_["cd\\track02.ogg"] = SoundFile(5 * kSecond);
  files_["cd\\track03.ogg"] = SoundFile(5 * kSecond);
  TDMediaItem* a = cd().Add("CD_2");
  TDMediaItem* b = cd().Add("CD_03");
  EXPECT_EQ(TCddaManager::LevelForVolume(-2500), 128);
  a->SetVolume(-2500);
  a->Play();
  Blocks(1);
  EXPECT_EQ(block_[0], (RampSample(0, 0) * 128) >> 8);
  a->SetVolume(-8000);
  Blocks(1);
  EXPECT_EQ(block_[0], 0);
  b->Play();
  EXPECT_EQ(cd().current(), b);
  EXPECT_FALSE(a->IsPlaying());
  EXPECT_EQ(a->GetPosition(), 0);
  Blocks(1);
  EXPECT_EQ(block_[0], RampSample(0, 0));  // b's own full volume
  cd().Remove(b);
  EXPECT_EQ(cd().current(), nullptr);
}

TEST_F(CddaTest, PlayWithSoundOffWaitsForSoundOn) {
  Make();
  files_["cd\\track02.ogg"] = SoundFile(5 * kSecond);
  TDMediaItem* t = cd().Add("CD_2");
  sys_->SetSoundOn(false);
  t->Play();
  EXPECT_FALSE(t->IsPlaying());
  EXPECT_EQ(cd().current(), nullptr);
  sys_->SetSoundOn(true);
  EXPECT_TRUE(t->IsPlaying());
}

}  // namespace
}  // namespace vesk::media
