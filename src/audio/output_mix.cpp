#include "audio/output_mix.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace vesk::audio {
namespace {

void AddSaturating(int16_t* into, const int16_t* from, size_t samples) {
  for (size_t i = 0; i < samples; ++i)
    into[i] = int16_t(std::clamp(int32_t(into[i]) + int32_t(from[i]), -32768, 32767));
}

constexpr int32_t kUnityQ16 = 65536;

int32_t GainQ16(int percent) {
  const int64_t p = std::clamp(percent, 0, 100);
  return int32_t(p * p * kUnityQ16 / 10000);
}

int16_t Scaled(int32_t sample, int32_t gain_q16) {
  return int16_t(std::clamp((int64_t(sample) * gain_q16) >> 16, int64_t{-32768}, int64_t{32767}));
}

}  // namespace

OutputMix::OutputMix(Mode mode, int device_block_frames)
    : mode_(mode),
      chunk_frames_(size_t(std::clamp(device_block_frames, 64, platform::kMaxAudioBlockFrames))),
      target_frames_(2 * chunk_frames_),
      capacity_frames_(4 * chunk_frames_),
      ring_(capacity_frames_ * 2),
      chunk_(chunk_frames_ * 2),
      scratch_(chunk_frames_ * 2),
      synth_block_(chunk_frames_ * 2) {}

void OutputMix::SetLevels(int master_percent, int music_percent, int sounds_percent) {
  const int64_t master = GainQ16(master_percent);
  wave_gain_q16_.store(int32_t(master * GainQ16(sounds_percent) / kUnityQ16),
                       std::memory_order_relaxed);
  synth_gain_q16_.store(int32_t(master * GainQ16(music_percent) / kUnityQ16),
                        std::memory_order_relaxed);
}

OutputMix::~OutputMix() {
  Stop();
}

void OutputMix::AddDirect(TWavOut& out) {
  Direct d;
  d.out = &out;
  d.block.assign(out.BlockSamples(), 0);
  d.read = d.block.size();  // empty: the first use mixes a block
  direct_.push_back(std::move(d));
}

void OutputMix::AddQueued(TWavOut& out) {
  queued_.push_back(&out);
}

void OutputMix::Start() {
  if (mode_ != Mode::kThread || thread_.joinable()) return;
  stopping_ = false;
  thread_ = std::thread([this] { MixerLoop(); });
}

void OutputMix::Stop() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard lock(wake_mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

size_t OutputMix::Buffered() const {
  return size_t(written_frames_.load(std::memory_order_acquire) -
                read_frames_.load(std::memory_order_acquire));
}

void OutputMix::AddDirectSamples(Direct& d, int16_t* out, size_t samples) {
  while (samples > 0) {
    if (d.read == d.block.size()) {
      d.sounding = d.out->MixBlock(d.block);
      d.read = 0;
    }
    const size_t n = std::min(samples, d.block.size() - d.read);
    if (d.sounding) AddSaturating(out, d.block.data() + d.read, n);
    d.read += n;
    out += n;
    samples -= n;
  }
}

bool OutputMix::ProduceChunk() {
  if (capacity_frames_ - Buffered() < chunk_frames_) return false;
  std::fill(chunk_.begin(), chunk_.end(), int16_t{0});
  for (Direct& d : direct_) AddDirectSamples(d, chunk_.data(), chunk_.size());
  for (TWavOut* q : queued_) {
    q->Refill();
    q->ReadOutput(scratch_);
    AddSaturating(chunk_.data(), scratch_.data(), scratch_.size());
  }
  // Only this thread writes, so the write position is ours to read.
  const uint64_t at = written_frames_.load(std::memory_order_relaxed);
  for (size_t f = 0; f < chunk_frames_; ++f) {
    const size_t slot = size_t((at + f) % capacity_frames_) * 2;
    ring_[slot] = chunk_[2 * f];
    ring_[slot + 1] = chunk_[2 * f + 1];
  }
  written_frames_.store(at + chunk_frames_, std::memory_order_release);
  return true;
}

void OutputMix::MixerLoop() {
  // Four wake-ups per device block keep two blocks ready without spinning.
  const auto period = std::chrono::microseconds(
      std::max<int64_t>(1000, int64_t(chunk_frames_) * 1000000 / kOutputRateHz / 4));
  std::unique_lock lock(wake_mutex_);
  while (!stopping_) {
    lock.unlock();
    while (Buffered() < target_frames_ && ProduceChunk()) {
    }
    lock.lock();
    wake_.wait_for(lock, period, [this] { return stopping_; });
  }
}

void OutputMix::FillAudio(int16_t* interleaved, int frame_count) {
  const size_t frames = size_t(std::max(frame_count, 0));
  if (mode_ == Mode::kInline)
    while (Buffered() < frames && ProduceChunk()) {
    }
  CopyFromRing(interleaved, frames, wave_gain_q16());
  if (!synth_) return;
  const int32_t synth_gain = synth_gain_q16();
  if (synth_gain == kUnityQ16)
    synth_->RenderAdd(interleaved, frame_count);
  else
    RenderSynthScaled(interleaved, frames, synth_gain);
}

void OutputMix::CopyFromRing(int16_t* interleaved, size_t frames, int32_t gain_q16) {
  const uint64_t at = read_frames_.load(std::memory_order_relaxed);
  const size_t have = std::min(frames, Buffered());
  for (size_t f = 0; f < have; ++f) {
    const size_t slot = size_t((at + f) % capacity_frames_) * 2;
    interleaved[2 * f] = ring_[slot];
    interleaved[2 * f + 1] = ring_[slot + 1];
  }
  if (gain_q16 != kUnityQ16)
    for (size_t i = 0; i < 2 * have; ++i) interleaved[i] = Scaled(interleaved[i], gain_q16);
  read_frames_.store(at + have, std::memory_order_release);
  if (have < frames) {
    std::memset(interleaved + 2 * have, 0, (frames - have) * 2 * sizeof(int16_t));
    underrun_frames_.fetch_add(frames - have, std::memory_order_relaxed);
  }
}

// The synthesizer renders into a block of its own, a device block at a
// time (the block was sized up front: the device's thread never allocates).
void OutputMix::RenderSynthScaled(int16_t* interleaved, size_t frames, int32_t gain_q16) {
  for (size_t done = 0; done < frames;) {
    const size_t n = std::min(frames - done, chunk_frames_);
    std::fill_n(synth_block_.begin(), 2 * n, int16_t{0});
    synth_->RenderAdd(synth_block_.data(), int(n));
    int16_t* out = interleaved + 2 * done;
    for (size_t i = 0; i < 2 * n; ++i)
      out[i] =
          int16_t(std::clamp(int32_t(out[i]) + Scaled(synth_block_[i], gain_q16), -32768, 32767));
    done += n;
  }
}

}  // namespace vesk::audio
