// The audio device: the headless one pulled on the game clock, the block
// size from VESK_AUDIO_FRAMES, and the SDL one on SDL's dummy driver.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <numeric>
#include <thread>
#include <vector>

#include "platform/audio_device.h"
#include "platform/headless/headless_audio_device.h"
#include "platform/headless/headless_platform.h"
#include "platform/sdl/sdl_audio_device.h"

namespace vesk::platform {
namespace {

// Writes a running frame number into both channels (left n, right -n) and
// remembers the sizes it was asked for.
class CountingSource final : public AudioSource {
 public:
  void FillAudio(int16_t* interleaved, int frame_count) override {
    for (int i = 0; i < frame_count; ++i) {
      interleaved[2 * i] = static_cast<int16_t>(next_);
      interleaved[2 * i + 1] = static_cast<int16_t>(-next_);
      ++next_;
    }
    sizes.push_back(frame_count);
  }
  std::vector<int> sizes;

 private:
  int next_ = 0;
};

uint64_t Sum(const std::vector<int>& sizes) {
  return std::accumulate(sizes.begin(), sizes.end(), uint64_t{0});
}

TEST(HeadlessAudioDeviceTest, PullsExactlyTheFramesTheClockSaysAcrossUnevenSteps) {
  HeadlessAudioDevice device(256);
  CountingSource source;
  device.SetSource(&source);
  // 1 ms is 44.1 frames: the tenths must add up, never drift.
  uint64_t clock_ms = 0;
  for (uint32_t step_ms : {1u, 1u, 3u, 16u, 17u, 7u, 0u, 33u, 100u, 1u, 9u}) {
    device.AdvanceMs(step_ms);
    clock_ms += step_ms;
    EXPECT_EQ(device.frames_played(), clock_ms * 44100 / 1000) << "after " << clock_ms << " ms";
    EXPECT_EQ(Sum(source.sizes), device.frames_played());
  }
  // Ten steps of 1 ms give 441 frames, as one step of 10 ms does.
  HeadlessAudioDevice fine(256), coarse(256);
  for (int i = 0; i < 10; ++i) fine.AdvanceMs(1);
  coarse.AdvanceMs(10);
  EXPECT_EQ(fine.frames_played(), 441u);
  EXPECT_EQ(coarse.frames_played(), 441u);
}

TEST(HeadlessAudioDeviceTest, SourceSeesWholeBlocksThenTheRemainder) {
  HeadlessAudioDevice device(1024);
  CountingSource source;
  device.SetSource(&source);
  device.AdvanceMs(100);  // 4410 frames: four blocks and 314
  EXPECT_EQ(source.sizes, (std::vector<int>{1024, 1024, 1024, 1024, 314}));
  source.sizes.clear();
  device.AdvanceMs(16);  // 4410 -> 5115: 705 frames
  EXPECT_EQ(source.sizes, (std::vector<int>{705}));
  source.sizes.clear();
  device.AdvanceMs(0);
  EXPECT_TRUE(source.sizes.empty());
}

TEST(HeadlessAudioDeviceTest, CapturesThePulledSamplesInOrderAndSilenceWithoutSource) {
  HeadlessAudioDevice device(256);
  device.SetCapture(true);
  device.AdvanceMs(1);  // 44 frames of silence
  CountingSource source;
  device.SetSource(&source);
  device.AdvanceMs(10);  // 44 -> 485
  const std::vector<int16_t> samples = device.TakeCaptured();
  ASSERT_EQ(samples.size(), 485u * 2);
  for (int i = 0; i < 44 * 2; ++i) ASSERT_EQ(samples[i], 0) << i;
  for (int f = 0; f < 441; ++f) {
    ASSERT_EQ(samples[(44 + f) * 2], f);
    ASSERT_EQ(samples[(44 + f) * 2 + 1], -f);
  }
  EXPECT_TRUE(device.TakeCaptured().empty());
  device.SetCapture(false);
  device.AdvanceMs(10);
  EXPECT_TRUE(device.TakeCaptured().empty());
  EXPECT_EQ(Sum(source.sizes), 441u + 441u);
}

TEST(HeadlessAudioDeviceTest, HugeStepIsCutLikeAStalledFrameAndSourceCanBeRemoved) {
  HeadlessAudioDevice device(8192);
  CountingSource source;
  device.SetSource(&source);
  device.AdvanceMs(0xFFFFFFFFu);
  EXPECT_EQ(device.played_ms(), HeadlessAudioDevice::kMaxStepMs);
  EXPECT_EQ(device.frames_played(), uint64_t{HeadlessAudioDevice::kMaxStepMs} * 441 / 10);
  device.SetSource(nullptr);
  device.AdvanceMs(10);
  EXPECT_EQ(Sum(source.sizes), uint64_t{HeadlessAudioDevice::kMaxStepMs} * 441 / 10);
}

TEST(HeadlessAudioDeviceTest, PlatformHandsOutAPullableDevice) {
  HeadlessPlatform platform;
  std::unique_ptr<AudioDevice> device = platform.OpenAudioDevice();
  ASSERT_TRUE(device);
  EXPECT_TRUE(device->live());
  EXPECT_EQ(device->block_frames(), kDefaultAudioBlockFrames);
  ASSERT_EQ(platform.audio_device(), device.get());
  CountingSource source;
  device->SetSource(&source);
  platform.audio_device()->AdvanceMs(50);
  EXPECT_EQ(Sum(source.sizes), 2205u);
}

TEST(AudioBlockFramesTest, DefaultAndPowersOfTwoPassUnchanged) {
  std::string note;
  EXPECT_EQ(AudioBlockFramesFromText(nullptr, &note), 1024);
  EXPECT_EQ(AudioBlockFramesFromText("", &note), 1024);
  for (int frames : {256, 512, 1024, 2048, 4096, 8192})
    EXPECT_EQ(AudioBlockFramesFromText(std::to_string(frames).c_str(), &note), frames);
  EXPECT_TRUE(note.empty()) << note;
}

TEST(AudioBlockFramesTest, OtherValuesRoundToNearestPowerOfTwoInRangeWithANote) {
  const std::pair<const char*, int> cases[] = {
      {"1000", 1024},
      {"1500", 1024},
      {"1536", 2048},
      {"1600", 2048},
      {"300", 256},
      {"100", 256},
      {"0", 256},
      {"-512", 256},
      {"9000", 8192},
      {"65536", 8192},
      {"99999999999999999999", 1024},  // out of range for any integer
      {"abc", 1024},
      {"512x", 1024},
      {"  ", 1024},
  };
  for (const auto& [text, frames] : cases) {
    std::string note;
    EXPECT_EQ(AudioBlockFramesFromText(text, &note), frames) << text;
    EXPECT_NE(note.find("VESK_AUDIO_FRAMES"), std::string::npos) << text;
    EXPECT_NE(note.find(std::to_string(frames)), std::string::npos) << note;
  }
  EXPECT_EQ(AudioBlockFramesFromText("4096 ", nullptr), 4096);  // trailing blank is fine
}

// Counts pulls from the callback thread; nothing else may be touched there.
class ThreadCheckingSource final : public AudioSource {
 public:
  void FillAudio(int16_t* interleaved, int frame_count) override {
    if (std::this_thread::get_id() == main_thread_) on_main_thread_.store(true);
    if (frame_count <= 0 || frame_count > max_frames_) bad_size_.store(true);
    for (int i = 0; i < frame_count * 2; ++i) interleaved[i] = 0;
    // A slow fill widens the window in which a swap meets a running callback.
    if (fill_us_ > 0) std::this_thread::sleep_for(std::chrono::microseconds(fill_us_));
    frames_.fetch_add(frame_count);
    calls_.fetch_add(1);
  }
  explicit ThreadCheckingSource(int max_frames, int fill_us = 0)
      : max_frames_(max_frames), fill_us_(fill_us) {}
  int calls() const { return calls_.load(); }
  uint64_t frames() const { return frames_.load(); }
  bool on_main_thread() const { return on_main_thread_.load(); }
  bool bad_size() const { return bad_size_.load(); }

 private:
  const std::thread::id main_thread_ = std::this_thread::get_id();
  const int max_frames_;
  const int fill_us_;
  std::atomic<int> calls_{0};
  std::atomic<uint64_t> frames_{0};
  std::atomic<bool> on_main_thread_{false};
  std::atomic<bool> bad_size_{false};
};

// Waits (bounded, so a broken driver fails rather than hangs) for `calls`.
bool WaitForCalls(const ThreadCheckingSource& source, int calls) {
  for (int i = 0; i < 1000 && source.calls() < calls; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return source.calls() >= calls;
}

class SdlAudioDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override { setenv("SDL_AUDIODRIVER", "dummy", 1); }
  void TearDown() override { unsetenv("SDL_AUDIODRIVER"); }
};

TEST_F(SdlAudioDeviceTest, DummyDriverPullsBlocksFromTheCallbackThreadAndClosesCleanly) {
  ThreadCheckingSource first(512), second(512);
  {
    std::unique_ptr<AudioDevice> device = OpenSdlAudioDevice(512);
    ASSERT_TRUE(device);
    ASSERT_TRUE(device->live());
    EXPECT_EQ(device->block_frames(), 512);
    device->SetSource(&first);
    ASSERT_TRUE(WaitForCalls(first, 3));
    // After the swap the first source is never called again.
    device->SetSource(&second);
    const int first_calls = first.calls();
    ASSERT_TRUE(WaitForCalls(second, 3));
    EXPECT_EQ(first.calls(), first_calls);
    device->SetSource(nullptr);
    const int second_calls = second.calls();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(second.calls(), second_calls);
  }
  for (const ThreadCheckingSource* s : {&first, &second}) {
    EXPECT_FALSE(s->on_main_thread());
    EXPECT_FALSE(s->bad_size());
    EXPECT_EQ(s->frames() % 512, 0u);
  }
  // The subsystem was given back: a second device opens as the first did.
  std::unique_ptr<AudioDevice> again = OpenSdlAudioDevice(kDefaultAudioBlockFrames);
  EXPECT_TRUE(again->live());
}

TEST_F(SdlAudioDeviceTest, SourceFreedRightAfterItsSwapIsNeverTouchedAgain) {
  // The address sanitizer catches a callback still reading a freed source.
  std::unique_ptr<AudioDevice> device = OpenSdlAudioDevice(256);
  ASSERT_TRUE(device->live());
  for (int round = 0; round < 20; ++round) {
    auto source = std::make_unique<ThreadCheckingSource>(256, 3000);
    device->SetSource(source.get());
    ASSERT_TRUE(WaitForCalls(*source, 1));
    device->SetSource(nullptr);
    source.reset();
  }
}

TEST_F(SdlAudioDeviceTest, UnknownDriverGivesASilentDevice) {
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  testing::internal::CaptureStderr();
  std::unique_ptr<AudioDevice> device = OpenSdlAudioDevice(1000);
  const std::string err = testing::internal::GetCapturedStderr();
  ASSERT_TRUE(device);
  EXPECT_FALSE(device->live());
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  EXPECT_NE(err.find("without sound"), std::string::npos) << err;
  ThreadCheckingSource source(1024);
  device->SetSource(&source);
  device->SetSource(nullptr);
  EXPECT_EQ(source.calls(), 0);
}

}  // namespace
}  // namespace vesk::platform
