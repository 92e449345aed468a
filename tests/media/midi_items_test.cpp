#include <gtest/gtest.h>

#include "core/messages.h"
#include "media/media_fixture.h"

namespace vesk::media {
namespace {

// One track: a note of one quarter (96 ticks, 500 ms at the default tempo).
platform::MediaBytes Song() {
  const std::vector<uint8_t> b = {'M', 'T', 'h',  'd',  0,   0,   0, 6,    0,    0,  0, 1,
                                  0,   96,  'M',  'T',  'r', 'k', 0, 0,    0,    12, 0, 0x90,
                                  60,  100, 0x60, 0x80, 60,  0,   0, 0xFF, 0x2F, 0};
  return std::make_shared<const std::vector<uint8_t>>(b);
}

class MidiItemsTest : public MediaFixture {
 protected:
  void SetUp() override {
    Make();
    files_["a.mid"] = Song();
    files_["b.mid"] = Song();
  }
  TMidiManager& midi() { return sys_->midi(); }
  testing_media::FakeSequencer& seq() { return *seq_; }
};

TEST_F(MidiItemsTest, PlayLoadsOpensTheMapperAndScalesChannelVolume) {
  TDMediaItem* a = midi().Add("a.mid");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->GetLength(), 500);  // measured when made
  a->SetVolume(-2050);
  EXPECT_EQ(seq().loads, 0);  // not current yet: nothing sent
  EXPECT_TRUE(seq().scales.empty());
  a->Play();
  EXPECT_EQ(seq().loads, 1);
  EXPECT_EQ(seq().opened, std::vector<int>{-1});
  EXPECT_EQ(seq().master_volumes, 1);
  EXPECT_EQ(seq().play_from, std::vector<int32_t>{0});
  ASSERT_EQ(seq().scales.size(), 1u);
  EXPECT_EQ(seq().scales[0], std::make_pair(7, 80));  // -2050 div 100 + 100
  EXPECT_TRUE(a->IsPlaying());
  EXPECT_EQ(a->GetLength(), 4321);  // now the sequencer's own measure
  a->SetVolume(-10000);
  EXPECT_EQ(seq().scales.back(), std::make_pair(7, 0));
  a->SetVolume(0);
  EXPECT_EQ(seq().scales.back(), std::make_pair(7, 100));
  a->SetLoop(true);
  EXPECT_TRUE(seq().loop);
  seq().ended = true;
  EXPECT_TRUE(a->PollEnded());
}

TEST_F(MidiItemsTest, PauseKeepsTheClockAndPlayResumesThere) {
  TDMediaItem* a = midi().Add("a.mid");
  a->Play();
  seq().clock_ms = 1234;
  EXPECT_EQ(a->GetPosition(), 1234);
  a->Pause();
  EXPECT_TRUE(a->IsPaused());
  EXPECT_FALSE(a->IsPlaying());
  EXPECT_EQ(seq().stops, 1);
  a->Play();
  EXPECT_EQ(seq().play_from.back(), 1234);
  EXPECT_EQ(seq().loads, 1);  // still current: not loaded again
  EXPECT_EQ(seq().opened.size(), 1u);
  // Playing: a new position plays on from there at once.
  a->SetPosition(-5);
  EXPECT_EQ(seq().play_from.back(), 0);
  a->SetPosition(300);
  EXPECT_EQ(seq().play_from.back(), 300);
  // Paused: only stored.
  a->Pause();
  a->SetPosition(400);
  EXPECT_EQ(seq().play_from.back(), 300);
  a->Play();
  EXPECT_EQ(seq().play_from.back(), 400);
}

TEST_F(MidiItemsTest, AnotherItemStopsTheCurrentSongAndLoadsItsOwn) {
  TDMediaItem* a = midi().Add("a.mid");
  TDMediaItem* b = midi().Add("b.mid");
  a->Play();
  b->SetPosition(250);  // not current: stored
  EXPECT_EQ(b->GetPosition(), 0);
  b->Play();
  EXPECT_EQ(midi().current(), b);
  EXPECT_EQ(seq().loads, 2);
  EXPECT_EQ(seq().play_from.back(), 250);
  EXPECT_FALSE(a->IsPlaying());
  EXPECT_EQ(a->GetPosition(), 0);
  midi().Remove(b);
  EXPECT_EQ(midi().current(), nullptr);
  EXPECT_FALSE(seq().playing);
}

TEST_F(MidiItemsTest, DevicesStartWithTheMapperAndSelectionIsClamped) {
  ASSERT_EQ(midi().DeviceCount(), 3);
  EXPECT_STREQ(MessageUtf8(Msg::kMidiMapper), "MIDIマッパー");
  EXPECT_EQ(midi().DeviceName(0), MessageCp932(Msg::kMidiMapper));
  EXPECT_EQ(midi().DeviceName(2), "Port B");
  EXPECT_EQ(midi().DeviceName(9), MessageCp932(Msg::kMidiMapper));
  EXPECT_EQ(midi().SelectedDeviceName(), MessageCp932(Msg::kMidiMapper));
  midi().SelectDevice(99);
  EXPECT_EQ(midi().SelectedDevice(), 2);
  EXPECT_EQ(midi().SelectedDeviceName(), "Port B");
  midi().SelectDevice(-4);
  EXPECT_EQ(midi().SelectedDevice(), 0);
  EXPECT_TRUE(midi().SelectDeviceByName("Synth A"));
  EXPECT_FALSE(midi().SelectDeviceByName("Nothing"));
  EXPECT_EQ(midi().SelectedDevice(), 1);

  // A playing song moves to the new device at the same place.
  TDMediaItem* a = midi().Add("a.mid");
  a->Play();
  EXPECT_EQ(seq().opened.back(), 0);
  seq().clock_ms = 777;
  midi().SelectDevice(2);
  EXPECT_EQ(seq().closes, 1);
  EXPECT_EQ(seq().opened.back(), 1);
  EXPECT_EQ(seq().play_from.back(), 777);
  EXPECT_TRUE(a->IsPlaying());
}

TEST_F(MidiItemsTest, EmptyAndDamagedFilesGiveSilentItems) {
  files_["empty.mid"] = testing_media::Bytes("");
  files_["bad.mid"] = testing_media::Bytes("MThd garbage");
  TDMediaItem* empty = midi().Add("empty.mid");
  TDMediaItem* bad = midi().Add("bad.mid");
  ASSERT_NE(empty, nullptr);
  ASSERT_NE(bad, nullptr);
  ASSERT_EQ(reports_.size(), 1u);  // the damaged one, named
  EXPECT_EQ(reports_[0].rfind("bad.mid: ", 0), 0u);
  empty->Play();
  bad->Play();
  bad->Play();
  EXPECT_EQ(seq().loads, 0);
  EXPECT_TRUE(seq().opened.empty());
  EXPECT_FALSE(bad->IsPlaying());
  EXPECT_EQ(bad->GetLength(), 0);
  EXPECT_EQ(reports_.size(), 1u);
}

TEST_F(MidiItemsTest, SoundOffRemembersPlayAndDeactivationResumesFromTheClock) {
  TDMediaItem* a = midi().Add("a.mid");
  sys_->SetSoundOn(false);
  a->Play();
  EXPECT_EQ(seq().loads, 0);
  sys_->SetSoundOn(true);
  EXPECT_TRUE(a->IsPlaying());
  seq().clock_ms = 2000;
  sys_->OnActivate(false);
  EXPECT_TRUE(a->IsPaused());
  EXPECT_FALSE(seq().playing);
  sys_->OnActivate(true);
  EXPECT_EQ(seq().play_from.back(), 2000);
  // A song standing at its end is not suspended.
  seq().ended = true;
  sys_->OnActivate(false);
  EXPECT_FALSE(a->IsPaused());
}

TEST_F(MidiItemsTest, TheSystemTicksTheSequencerAndListsItsManagers) {
  sys_->TickSequencer();
  EXPECT_EQ(seq().ticks, 1);
  const TMediaManagers& m = sys_->managers();
  EXPECT_EQ(m.video, &sys_->video());
  EXPECT_EQ(m.wmp, &sys_->wmp());
  EXPECT_EQ(m.cdda, &sys_->cdda());
  EXPECT_EQ(m.midi, &sys_->midi());
  EXPECT_EQ(m.ForSoundName("x.ogg"), &sys_->ogg());
}

}  // namespace
}  // namespace vesk::media
