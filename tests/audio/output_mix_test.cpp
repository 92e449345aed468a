#include "audio/output_mix.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "audio/pcm_stream.h"
#include "platform/clock.h"

namespace vesk::audio {
namespace {

std::vector<int16_t> Ramp(size_t frames) {
  std::vector<int16_t> s(frames * 2);
  for (size_t i = 0; i < s.size(); ++i) s[i] = int16_t(int32_t(i % 3000) - 1500);
  return s;
}

// A synthesizer that adds a constant, to see where the mix puts it.
class ConstantSynth final : public platform::MidiSynth {
 public:
  std::string Name() const override { return "constant"; }
  void ShortMessage(uint32_t, uint32_t) override {}
  void LongMessage(std::span<const uint8_t>, uint32_t) override {}
  void Reset() override {}
  void RenderAdd(int16_t* out, int frames) override {
    for (int i = 0; i < frames * 2; ++i) out[i] = int16_t(std::min(32767, out[i] + 30000));
  }
};

// The device may ask for any count up to its block; what it hears must not
// depend on how the pulls fall against the mixer's blocks.
TEST(OutputMixTest, DirectOutputSoundsTheSameWhateverThePullSizes) {
  platform::ManualClock clock;
  const std::vector<int16_t> source = Ramp(5000);
  std::vector<std::vector<int16_t>> heard;
  for (int pull_frames : {1024, 300, 777}) {
    TWavOut out(DirectBlockFrames{1024}, clock);
    out.Open();
    MemoryPcmStream stream = MemoryPcmStream::FromSamples(source);
    out.CreateBuffer(MakePcmFormat(2, 44100, 16), stream)->Start();
    OutputMix mix(OutputMix::Mode::kInline, 1024);
    mix.AddDirect(out);
    std::vector<int16_t> got;
    std::vector<int16_t> pull(size_t(pull_frames) * 2);
    while (got.size() < 6000 * 2) {
      mix.FillAudio(pull.data(), pull_frames);
      got.insert(got.end(), pull.begin(), pull.end());
    }
    got.resize(6000 * 2);
    heard.push_back(got);
  }
  EXPECT_EQ(heard[0], heard[1]);
  EXPECT_EQ(heard[0], heard[2]);
  // The start of the sound is heard at once, and silence after its end.
  EXPECT_TRUE(std::equal(source.begin(), source.end(), heard[0].begin()));
  EXPECT_EQ(heard[0][5500 * 2], 0);
}

TEST(OutputMixTest, QueuedOutputPlaysItsBlocksInOrderAndSumsSaturate) {
  platform::ManualClock clock;
  TWavOut queued(100, clock);  // 4410-frame blocks behind a queue
  queued.Open();
  const std::vector<int16_t> source = Ramp(9000);
  MemoryPcmStream stream = MemoryPcmStream::FromSamples(source);
  queued.CreateBuffer(MakePcmFormat(2, 44100, 16), stream)->Start();
  ConstantSynth synth;
  OutputMix mix(OutputMix::Mode::kInline, 1024);
  mix.AddQueued(queued);
  mix.SetSynth(&synth);
  std::vector<int16_t> got;
  std::vector<int16_t> pull(1024 * 2);
  for (int i = 0; i < 10; ++i) {
    mix.FillAudio(pull.data(), 1024);
    got.insert(got.end(), pull.begin(), pull.end());
  }
  for (size_t i = 0; i < source.size(); ++i)
    ASSERT_EQ(got[i], std::clamp(source[i] + 30000, -32768, 32767)) << "sample " << i;
}

// The listener's levels scale the waves and the synthesizer apart, squared
// from their percent, and leave the mix untouched at 100.
TEST(OutputMixTest, LevelsScaleWavesAndSynthesizerApart) {
  platform::ManualClock clock;
  const std::vector<int16_t> source(4096 * 2, 20000);
  ConstantSynth synth;  // +30000 a sample
  auto heard = [&](int master, int music, int sounds) {
    TWavOut out(DirectBlockFrames{1024}, clock);
    out.Open();
    MemoryPcmStream stream = MemoryPcmStream::FromSamples(source);
    out.CreateBuffer(MakePcmFormat(2, 44100, 16), stream)->Start();
    OutputMix mix(OutputMix::Mode::kInline, 1024);
    mix.AddDirect(out);
    mix.SetSynth(&synth);
    mix.SetLevels(master, music, sounds);
    std::vector<int16_t> pull(3000 * 2);  // more than one block: the synth renders in pieces
    mix.FillAudio(pull.data(), 3000);
    return pull;
  };
  EXPECT_EQ(heard(100, 100, 100)[100], 32767);  // saturated as before
  const auto waves_only = heard(100, 0, 100);
  EXPECT_EQ(waves_only[0], 20000);
  EXPECT_EQ(waves_only[2 * 2999 + 1], 20000);
  const auto synth_only = heard(100, 100, 0);
  EXPECT_EQ(synth_only[0], 30000);
  EXPECT_EQ(synth_only[2 * 2999], 30000);
  // 50 % is a quarter of the amplitude; master and part multiply.
  const auto half = heard(100, 50, 50);
  EXPECT_EQ(half[10], 20000 / 4 + 30000 / 4);
  const auto master_half = heard(50, 100, 0);
  EXPECT_EQ(master_half[10], 30000 / 4);
  EXPECT_EQ(heard(0, 100, 100)[10], 0);
}

// On a real device the mixing thread keeps sound ready; the device's own
// pulls only copy it out.
TEST(OutputMixTest, TheMixingThreadKeepsTheDeviceFed) {
  platform::ManualClock clock;
  TWavOut out(DirectBlockFrames{256}, clock);
  out.Open();
  const std::vector<int16_t> source = Ramp(4096);
  MemoryPcmStream stream = MemoryPcmStream::FromSamples(source);
  out.CreateBuffer(MakePcmFormat(2, 44100, 16), stream)->Start();
  OutputMix mix(OutputMix::Mode::kThread, 256);
  mix.AddDirect(out);
  mix.Start();
  std::vector<int16_t> got;
  std::vector<int16_t> pull(256 * 2);
  while (got.size() < source.size()) {
    // The device's pull comes once a block is ready (on a real device the
    // thread is ahead of it; here the test waits for it).
    for (int tries = 0; mix.buffered_frames() < 256 && tries < 5000; ++tries)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_GE(mix.buffered_frames(), 256u);
    mix.FillAudio(pull.data(), 256);
    got.insert(got.end(), pull.begin(), pull.end());
  }
  EXPECT_EQ(mix.underrun_frames(), 0u);
  mix.Stop();
  got.resize(source.size());
  EXPECT_EQ(got, source);
}

TEST(OutputMixTest, NothingAddedPlaysSilence) {
  OutputMix mix(OutputMix::Mode::kInline, 1024);
  std::vector<int16_t> pull(64, 123);
  mix.FillAudio(pull.data(), 32);
  for (int16_t s : pull) EXPECT_EQ(s, 0);
}

}  // namespace
}  // namespace vesk::audio
