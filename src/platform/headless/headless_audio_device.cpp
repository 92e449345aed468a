#include "platform/headless/headless_audio_device.h"

#include <algorithm>

namespace vesk::platform {

HeadlessAudioDevice::HeadlessAudioDevice(int block_frames)
    : block_frames_(std::clamp(block_frames, kMinAudioBlockFrames, kMaxAudioBlockFrames)),
      block_(static_cast<size_t>(block_frames_) * kAudioChannels) {}

void HeadlessAudioDevice::AdvanceMs(uint32_t elapsed_ms) {
  played_ms_ += std::min(elapsed_ms, kMaxStepMs);
  const uint64_t due_frames = played_ms_ * kAudioRateHz / 1000;
  while (frames_played_ < due_frames) {
    const int frames =
        static_cast<int>(std::min<uint64_t>(due_frames - frames_played_, block_frames_));
    Pull(frames);
    frames_played_ += frames;
  }
}

void HeadlessAudioDevice::Pull(int frame_count) {
  int16_t* samples = block_.data();
  const size_t sample_count = static_cast<size_t>(frame_count) * kAudioChannels;
  if (source_)
    source_->FillAudio(samples, frame_count);
  else
    std::fill_n(samples, sample_count, int16_t{0});
  if (capture_) captured_.insert(captured_.end(), samples, samples + sample_count);
}

std::vector<int16_t> HeadlessAudioDevice::TakeCaptured() {
  std::vector<int16_t> out;
  out.swap(captured_);
  return out;
}

}  // namespace vesk::platform
