// MIDI items over the real sequencer (the one the MIDI manager makes when
// no other is handed in) and a recording port.
#include <gtest/gtest.h>

#include <mutex>

#include "media/media_system.h"
#include "media/midi_sequencer.h"
#include "platform/clock.h"

namespace vesk::media {
namespace {

// Channel messages as (status, data1, data2); long messages as their size.
struct Message {
  uint8_t status, data1, data2;
  bool operator==(const Message&) const = default;
};

class Recorder final : public platform::MidiOut {
 public:
  std::string Name() const override { return "recorder"; }
  void ShortMessage(uint32_t m, uint32_t) override {
    std::lock_guard lock(mutex_);
    shorts.push_back({uint8_t(m), uint8_t(m >> 8), uint8_t(m >> 16)});
  }
  void LongMessage(std::span<const uint8_t> bytes, uint32_t) override {
    std::lock_guard lock(mutex_);
    longs.emplace_back(bytes.begin(), bytes.end());
  }
  void Reset() override {}
  std::vector<Message> shorts;
  std::vector<std::vector<uint8_t>> longs;

 private:
  std::mutex mutex_;
};

class OnePort final : public MidiPortList {
 public:
  std::vector<std::string> Names() const override { return {"recorder"}; }
  platform::MidiOut* Open(int index) override {
    opened.push_back(index);
    return &port;
  }
  void Close(int) override {}
  Recorder port;
  std::vector<int> opened;
};

// A note of one second (96 ticks a quarter, 500 ms a quarter) on channel 0.
platform::MediaBytes Song() {
  const std::vector<uint8_t> b = {'M', 'T', 'h',  'd',  0,    0,   0, 6, 0,    0,    0, 1,
                                  0,   96,  'M',  'T',  'r',  'k', 0, 0, 0,    13,   0, 0x90,
                                  60,  100, 0x81, 0x40, 0x80, 60,  0, 0, 0xFF, 0x2F, 0};
  return std::make_shared<const std::vector<uint8_t>>(b);
}

class RealSequencerTest : public ::testing::Test {
 protected:
  platform::ManualClock clock_;
  OnePort ports_;
  std::unique_ptr<MediaSystem> sys_;

  void SetUp() override {
    MediaServices s{clock_, ports_};
    s.read_file = [](const std::string&) { return Song(); };
    s.timer_mode = TMMTimer::Mode::kManual;
    sys_ = std::make_unique<MediaSystem>(std::move(s));
  }
  TMidiPlayV& player() {
    return static_cast<PlayerSequencer<>*>(sys_->midi().sequencer())->player();
  }
  void Tick(uint32_t ms) {
    clock_.Advance(ms);
    sys_->TickSequencer();
  }
};

TEST_F(RealSequencerTest, PlaySendsMasterVolumeAndTheItemsChannelVolume) {
  TDMediaItem* a = sys_->midi().Add("a.mid");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->GetLength(), 1000);
  a->SetVolume(-5000);
  a->Play();
  EXPECT_EQ(ports_.opened, std::vector<int>{-1});
  ASSERT_FALSE(ports_.port.longs.empty());
  EXPECT_EQ(ports_.port.longs[0],
            (std::vector<uint8_t>{0xF0, 0x7F, 0x7F, 0x04, 0x01, 0x00, 0x7F, 0xF7}));
  // Channel volume 127 (the song's start value) at 50 percent, on every channel.
  std::vector<Message> volumes;
  for (const Message& m : ports_.port.shorts)
    if ((m.status & 0xF0) == 0xB0 && m.data1 == 7) volumes.push_back(m);
  ASSERT_EQ(volumes.size(), 16u);
  for (int ch = 0; ch < 16; ++ch) EXPECT_EQ(volumes[ch], (Message{uint8_t(0xB0 | ch), 7, 63}));
  Tick(10);
  EXPECT_TRUE(a->IsPlaying());
}

TEST_F(RealSequencerTest, PauseAndPlayGoOnFromTheClock) {
  TDMediaItem* a = sys_->midi().Add("a.mid");
  a->Play();
  Tick(10);
  Tick(300);
  EXPECT_EQ(a->GetPosition(), 310);
  a->Pause();
  EXPECT_FALSE(a->IsPlaying());
  EXPECT_EQ(a->GetPosition(), 310);
  Tick(500);  // paused: the clock stands
  EXPECT_EQ(a->GetPosition(), 310);
  a->Play();
  EXPECT_TRUE(a->IsPlaying());
  // The sequencer goes on from the last event before the pause (the note at 0).
  EXPECT_EQ(a->GetPosition(), 0);
  EXPECT_FALSE(a->PollEnded());
  Tick(600);
  Tick(600);  // one tick moves the clock by 1000 ms at most
  EXPECT_TRUE(a->PollEnded());
  sys_->midi().Remove(a);
  EXPECT_FALSE(player().Playing());
}

}  // namespace
}  // namespace vesk::media
