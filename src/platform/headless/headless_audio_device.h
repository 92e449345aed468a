#pragma once
// The headless audio device: nothing reaches a speaker, but the source is
// pulled on the game clock, so a headless run plays deterministically and a
// test can read what was mixed.
#include <cstdint>
#include <vector>

#include "platform/audio_device.h"

namespace vesk::platform {

class HeadlessAudioDevice final : public AudioDevice {
 public:
  // The longest step one AdvanceMs plays; the frame loop does not count a
  // longer stall either, so neither does the device.
  static constexpr uint32_t kMaxStepMs = 3000;

  explicit HeadlessAudioDevice(int block_frames = kDefaultAudioBlockFrames);

  void SetSource(AudioSource* source) override { source_ = source; }
  int block_frames() const override { return block_frames_; }
  bool live() const override { return true; }

  // Plays elapsed_ms more of the game clock: pulls every frame due by then,
  // in calls of at most block_frames. A millisecond is 44.1 frames; the
  // fraction is carried over, so the frames played always equal the clock's
  // total times 44100 / 1000, rounded down, however the steps fall.
  void AdvanceMs(uint32_t elapsed_ms);

  uint64_t frames_played() const { return frames_played_; }
  uint64_t played_ms() const { return played_ms_; }

  // Keeps a copy of every sample played from now on (off at first: a long
  // headless run would fill memory with it).
  void SetCapture(bool on) { capture_ = on; }
  // The samples captured so far (interleaved stereo), leaving none behind.
  std::vector<int16_t> TakeCaptured();

 private:
  void Pull(int frame_count);

  int block_frames_;
  AudioSource* source_ = nullptr;
  uint64_t played_ms_ = 0;
  uint64_t frames_played_ = 0;
  std::vector<int16_t> block_;  // one block, allocated once
  bool capture_ = false;
  std::vector<int16_t> captured_;
};

}  // namespace vesk::platform
