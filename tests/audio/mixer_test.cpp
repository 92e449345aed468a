#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>
#include <vector>

#include "audio/volume.h"
#include "audio/wav_out.h"
#include "platform/clock.h"

// Every allocation in this test program is counted, so a test can show
// that steady mixing allocates nothing.
namespace {
std::atomic<size_t> g_allocations{0};
}  // namespace

void* operator new(size_t size) {
  ++g_allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, size_t) noexcept {
  std::free(p);
}

namespace vesk::audio {
namespace {

// Stereo 44100 Hz 16-bit with a distinct value in every sample.
std::vector<int16_t> Ramp(size_t frames, int16_t scale = 7) {
  std::vector<int16_t> s(frames * 2);
  for (size_t i = 0; i < s.size(); ++i) s[i] = int16_t((int32_t(i % 4000) - 2000) * scale);
  return s;
}

std::vector<int16_t> Constant(size_t frames, int16_t left, int16_t right) {
  std::vector<int16_t> s(frames * 2);
  for (size_t f = 0; f < frames; ++f) s[2 * f] = left, s[2 * f + 1] = right;
  return s;
}

class MixerTest : public ::testing::Test {
 protected:
  platform::ManualClock clock_;
  TWavOut out_{100, clock_};  // blocks of 4410 frames
  std::vector<MemoryPcmStream> streams_;
  int64_t sink_ = 0;

  MixerTest() {
    streams_.reserve(8);
    out_.Open();
  }
  TWavBuffer* Play(const std::vector<int16_t>& samples,
                   PcmFormat format = MakePcmFormat(2, 44100, 16)) {
    streams_.push_back(MemoryPcmStream::FromSamples(samples));
    TWavBuffer* b = out_.CreateBuffer(format, streams_.back());
    b->Start();
    return b;
  }
  TWavBuffer* PlayBytes(std::vector<uint8_t> bytes, PcmFormat format) {
    streams_.emplace_back(std::move(bytes));
    TWavBuffer* b = out_.CreateBuffer(format, streams_.back());
    b->Start();
    return b;
  }
  // A buffer that reached its end plays again only after a rewind and Start.
  static void Replay(TWavBuffer* b) {
    b->SetBytePosition(0);
    b->Start();
  }
  std::vector<int16_t> Mix(bool expect_produced = true) {
    std::vector<int16_t> block(out_.BlockSamples(), 1);
    EXPECT_EQ(out_.MixBlock(block), expect_produced);
    return block;
  }
};

TEST(WavOutSizes, BlockLengthFollowsDelayTime) {
  platform::ManualClock clock;
  EXPECT_EQ(TWavOut(500, clock).BlockBytes(), 88200u);
  EXPECT_EQ(TWavOut(500, clock).RefillPeriodMs(), 125u);
  EXPECT_EQ(TWavOut(100, clock).BlockBytes(), 17640u);
  EXPECT_EQ(TWavOut(100, clock).RefillPeriodMs(), 25u);
  EXPECT_EQ(TWavOut(0, clock).DelayMs(), 100u);  // never an empty block
  EXPECT_EQ(TWavOut(100000, clock).DelayMs(), 500u);
}

TEST_F(MixerTest, FullVolumeGivesTheInputExactly) {
  const auto input = Ramp(out_.BlockFrames());
  Play(input);
  EXPECT_EQ(Mix(), input);
}

TEST_F(MixerTest, MinusSixHundredthsOfDecibelsHalveTheAmplitude) {
  const auto input = Ramp(out_.BlockFrames());
  Play(input)->SetVolume(-600);
  const auto block = Mix();
  for (size_t i = 0; i < input.size(); ++i)
    ASSERT_LE(std::abs(block[i] - input[i] / 2.0), std::abs(input[i]) * 0.003 + 1) << i;
}

TEST_F(MixerTest, SilentVolumeAndLevelsScaleSamples) {
  const auto input = Constant(out_.BlockFrames(), 20000, -20000);
  TWavBuffer* b = Play(input);
  b->SetLevel(128);
  EXPECT_EQ(Mix()[0], 10000);
  Replay(b);
  b->SetLevel(255);
  EXPECT_EQ(Mix()[1], -20000);
  Replay(b);
  b->SetLevel(0);
  EXPECT_EQ(Mix(), std::vector<int16_t>(input.size(), 0));
  Replay(b);
  b->SetLevel(256);
  b->SetVolume(kSilentVolume);
  EXPECT_EQ(Mix(), std::vector<int16_t>(input.size(), 0));
}

TEST_F(MixerTest, PanLawAtTheEndsAndTheCentre) {
  const auto input = Constant(out_.BlockFrames(), 16000, -16000);
  TWavBuffer* b = Play(input);
  const auto at = [&](int32_t pan) {
    b->SetPan(pan);
    Replay(b);
    const auto block = Mix();
    return std::pair{block[0], block[1]};
  };
  EXPECT_EQ(at(0), (std::pair<int16_t, int16_t>(16000, -16000)));
  EXPECT_EQ(at(kPanRight), (std::pair<int16_t, int16_t>(0, -16000)));
  EXPECT_EQ(at(kPanLeft), (std::pair<int16_t, int16_t>(16000, 0)));
  const auto [left, right] = at(600);  // the left side 6 dB down
  EXPECT_NEAR(left, 8000, 50);
  EXPECT_EQ(right, -16000);
  EXPECT_EQ(b->Pan(), 600);
}

TEST_F(MixerTest, FadeFollowsItsRampInHundredthsOfDecibels) {
  const size_t frames = out_.BlockFrames();
  TWavBuffer* b = Play(Constant(frames * 2, 20000, 20000));
  b->FadeTo(-2000, 50);  // 2205 frames, half a block
  EXPECT_TRUE(b->Fading());
  const auto block = Mix();
  for (size_t f = 0; f < frames; f += 97) {
    const size_t step_start = f / kFadeStepFrames * kFadeStepFrames;
    const double volume = f < 2205 ? -2000.0 * double(step_start) / 2205.0 : -2000.0;
    const double expected = 20000 * std::pow(10.0, std::trunc(volume) / 2000.0);
    ASSERT_NEAR(block[2 * f], expected, 1.5) << f;
    ASSERT_EQ(block[2 * f], block[2 * f + 1]);
  }
  for (size_t f = 1; f < frames; ++f) ASSERT_LE(block[2 * f], block[2 * f - 2]);
  EXPECT_FALSE(b->Fading());
  EXPECT_EQ(b->Volume(), -2000);
  EXPECT_EQ(Mix()[0], 2000);  // 10^-1 of full scale stays after the ramp
}

TEST_F(MixerTest, FadeStartsFromWhereTheVolumeIs) {
  TWavBuffer* b = Play(Constant(out_.BlockFrames() * 4, 1000, 1000));
  b->SetVolume(-1000);
  b->FadeTo(0, 200);  // two blocks
  Mix();
  EXPECT_NEAR(b->Volume(), -500, 1);
  b->SetVolume(-300);  // a plain volume cancels the fade
  EXPECT_FALSE(b->Fading());
  EXPECT_EQ(b->Volume(), -300);
}

TEST_F(MixerTest, TwoStreamsAddWithSaturation) {
  const size_t frames = out_.BlockFrames();
  std::vector<int16_t> a = Constant(frames, 30000, -30000), c = Constant(frames, 30000, -30000);
  a[2] = 1000, c[2] = 2000, a[3] = -5, c[3] = 7;
  Play(a);
  Play(c);
  const auto block = Mix();
  EXPECT_EQ(block[0], 32767);
  EXPECT_EQ(block[1], -32768);
  EXPECT_EQ(block[2], 3000);
  EXPECT_EQ(block[3], 2);
}

TEST_F(MixerTest, OnlyStartedRunningBuffersAreMixed) {
  const auto input = Ramp(out_.BlockFrames());
  streams_.push_back(MemoryPcmStream::FromSamples(Constant(out_.BlockFrames(), 9, 9)));
  out_.CreateBuffer(MakePcmFormat(2, 44100, 16), streams_.back());  // never started
  TWavBuffer* b = Play(input);
  EXPECT_EQ(Mix(), input);
  b->Stop();
  b->SetBytePosition(0);
  EXPECT_EQ(Mix(false), std::vector<int16_t>(input.size(), 0));
  EXPECT_TRUE(b->Stopped());
}

TEST_F(MixerTest, NarrowFormatsAreWidenedToStereo) {
  // Mono 22050 Hz 8-bit: each sample four times; 1 s plays for 1 s.
  std::vector<uint8_t> bytes(22050);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i % 256);
  TWavBuffer* b = PlayBytes(bytes, MakePcmFormat(1, 22050, 8));
  const auto block = Mix();
  EXPECT_EQ(b->GetBytePosition(), 0);  // the whole block is still to be heard
  clock_.Advance(1000);
  EXPECT_EQ(b->GetBytePosition(), 2205);  // 100 ms at 22050 bytes a second
  for (size_t f : {0u, 3u, 4u, 1001u, 4409u}) {
    ASSERT_EQ(block[2 * f], (int32_t(bytes[f / 2]) - 128) * 256) << f;
    ASSERT_EQ(block[2 * f + 1], block[2 * f]);
  }
  int blocks = 1;
  while (!b->Ended()) Mix(), ++blocks;
  EXPECT_EQ(blocks, 10);  // ten blocks of 100 ms

  // Stereo 22050 Hz 16-bit: each frame twice; mono 44100 Hz 16-bit: both sides.
  b->Stop();
  Play({100, -100, 200, -200}, MakePcmFormat(2, 22050, 16));
  auto stereo = Mix();
  EXPECT_EQ(std::vector<int16_t>(stereo.begin(), stereo.begin() + 10),
            (std::vector<int16_t>{100, -100, 100, -100, 200, -200, 200, -200, 0, 0}));
  Play({-300, 400}, MakePcmFormat(1, 44100, 16));
  auto mono = Mix();
  EXPECT_EQ(std::vector<int16_t>(mono.begin(), mono.begin() + 6),
            (std::vector<int16_t>{-300, -300, 400, 400, 0, 0}));
}

TEST_F(MixerTest, UnplayableFormatsAndShortSourcesStaySilent) {
  TWavBuffer* odd = Play(Ramp(100), MakePcmFormat(2, 48000, 16));
  TWavBuffer* crumb = PlayBytes({1, 2, 3}, MakePcmFormat(2, 44100, 16));  // not one frame
  // The crumb counts as mixed (it was read) but adds nothing.
  EXPECT_EQ(Mix(), std::vector<int16_t>(out_.BlockSamples(), 0));
  EXPECT_TRUE(crumb->Ended());
  Mix(false);
  EXPECT_EQ(odd->GetBytePosition(), 0);
  EXPECT_FALSE(odd->Ended());
}

// A decoder that reports more bytes than it can deliver.
class ShortSource final : public PcmStream {
 public:
  int64_t SizeBytes() const override { return 1 << 20; }
  int64_t PositionBytes() const override { return position_; }
  void SeekBytes(int64_t p) override { position_ = std::min<int64_t>(p, 8); }
  size_t Read(std::span<uint8_t> out) override {
    const size_t n = std::min<size_t>(out.size(), size_t(8 - position_));
    std::fill_n(out.begin(), n, uint8_t{0x10});
    position_ += int64_t(n);
    return n;
  }

 private:
  int64_t position_ = 0;
};

TEST_F(MixerTest, TruncatedDecoderGivesItsBytesThenSilence) {
  ShortSource source;
  TWavBuffer* b = out_.CreateBuffer(MakePcmFormat(2, 44100, 16), source);
  b->SetLoop(true);
  b->Start();
  const auto block = Mix();
  EXPECT_EQ(block[3], 0x1010);
  EXPECT_EQ(block[4], 0);
  EXPECT_FALSE(b->Ended());
}

TEST_F(MixerTest, LoopingWrapsToTheStart) {
  TWavBuffer* b = Play({1, 2, 3, 4, 5, 6});  // three frames
  b->SetLoop(true);
  const auto block = Mix();
  EXPECT_EQ(std::vector<int16_t>(block.begin(), block.begin() + 8),
            (std::vector<int16_t>{1, 2, 3, 4, 5, 6, 1, 2}));
  EXPECT_EQ(block.back(), 6);  // 4410 frames = 1470 loops exactly
  EXPECT_FALSE(b->Ended());    // and the next block goes on from the start
  EXPECT_EQ(Mix()[0], 1);
}

TEST_F(MixerTest, QueueHoldsTwoBlocksFromThePool) {
  const size_t frames = out_.BlockFrames();
  const auto input = Ramp(frames * 3);
  Play(input);
  EXPECT_EQ(out_.PoolSize(), 4u);
  out_.Refill();
  EXPECT_EQ(out_.QueuedBlocks(), 2u);
  out_.Refill();
  EXPECT_EQ(out_.QueuedBlocks(), 2u);

  // The device pulls in pieces that do not match the blocks.
  std::vector<int16_t> heard(input.size() + 1000);
  size_t got = 0;
  for (size_t piece = 0; got < heard.size(); piece += 1) {
    const size_t n = std::min<size_t>(2048, heard.size() - got);
    got += n;
    out_.ReadOutput(std::span(heard).subspan(got - n, n));
    out_.Refill();
    ASSERT_LE(out_.QueuedBlocks(), 2u);
  }
  EXPECT_EQ(std::vector<int16_t>(heard.begin(), heard.begin() + std::ptrdiff_t(input.size())),
            input);
  EXPECT_EQ(heard.back(), 0);  // ran dry into silence
  EXPECT_EQ(out_.PoolSize(), 4u);
  EXPECT_EQ(out_.QueuedBlocks(), 0u);
  std::vector<int16_t> more(64, 5);
  EXPECT_EQ(out_.ReadOutput(more), 0u);
  EXPECT_EQ(more, std::vector<int16_t>(64, 0));
}

TEST_F(MixerTest, SteadyMixingAllocatesNothing) {
  const size_t frames = out_.BlockFrames();
  TWavBuffer* plain = Play(Ramp(frames * 8));
  TWavBuffer* shaped = Play(Constant(frames, 100, 200), MakePcmFormat(1, 22050, 8));
  shaped->SetLoop(true);
  shaped->SetPan(-3000);
  shaped->FadeTo(-4000, 300);
  std::vector<int16_t> heard(2000);
  out_.Refill();
  const size_t before = g_allocations;
  for (int i = 0; i < 40; ++i) {
    out_.ReadOutput(heard);
    out_.Refill();
    sink_ += plain->GetBytePosition() + shaped->Volume();
  }
  EXPECT_EQ(g_allocations - before, 0u);
  EXPECT_TRUE(plain->Ended());
}

TEST_F(MixerTest, NothingIsQueuedWithoutActiveBuffersOrWhenClosed) {
  out_.Refill();
  EXPECT_EQ(out_.QueuedBlocks(), 0u);
  EXPECT_FALSE(out_.Open());
  Play(Ramp(10));
  out_.Close();
  EXPECT_FALSE(out_.IsOpen());
  out_.Refill();
  EXPECT_EQ(out_.QueuedBlocks(), 0u);
}

TEST_F(MixerTest, PositionEstimateAndDrain) {
  TWavBuffer* b = Play(Ramp(out_.BlockFrames() * 3 / 2));  // 1.5 blocks
  clock_.Set(1000);
  out_.Refill();  // both blocks mixed at once; the source ran out
  EXPECT_TRUE(b->Ended());
  const int64_t size = 17640 * 3 / 2;
  EXPECT_EQ(b->GetBytePosition(), size - 17640);
  clock_.Set(1050);
  EXPECT_EQ(b->GetBytePosition(), size - 17640 + 8820);
  clock_.Set(1150);
  EXPECT_EQ(b->GetBytePosition(), size);  // clamped to the end
  clock_.Set(1201);
  EXPECT_EQ(b->GetBytePosition(), size);
  clock_.Set(1210);
  EXPECT_FALSE(b->HasDrained());
  clock_.Set(1211);
  EXPECT_TRUE(b->HasDrained());
  b->SetBytePosition(0);
  b->Start();  // clears ended; plays again from the start
  EXPECT_FALSE(b->HasDrained());
  std::vector<int16_t> block(out_.BlockSamples());
  EXPECT_TRUE(out_.MixBlock(block));
  EXPECT_EQ(b->GetBytePosition(), 0);  // one block queued, none heard yet
}

TEST(VolumeLaw, GainsAndRounding) {
  EXPECT_EQ(GainQ16FromVolume(0), kUnityGainQ16);
  EXPECT_EQ(GainQ16FromVolume(5), kUnityGainQ16);
  EXPECT_EQ(GainQ16FromVolume(-2000), 6554);
  EXPECT_EQ(GainQ16FromVolume(-10000), 0);
  EXPECT_EQ(GainsFor(-600, kPanLeft).right_q16, 0);
  EXPECT_EQ(DivRoundHalfEven(5, 2), 2);
  EXPECT_EQ(DivRoundHalfEven(7, 2), 4);
  EXPECT_EQ(DivRoundHalfEven(-5, 2), -2);
  EXPECT_EQ(DivRoundHalfEven(11, 4), 3);
}

}  // namespace
}  // namespace vesk::audio
