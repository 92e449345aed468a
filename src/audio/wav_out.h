#pragma once
// The wave output: every playing decoded stream mixed into one 44100 Hz
// 16-bit stereo signal, in blocks of DelayTime ms. A refill (four times per
// block length, from the mixing thread) keeps at most two mixed blocks
// queued; the audio device pulls samples from the queue. Block memory comes
// from a pool and every buffer's working memory is allocated once, so
// steady playback allocates nothing.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "audio/pcm_stream.h"
#include "audio/volume.h"
#include "platform/clock.h"

namespace vesk::audio {

inline constexpr uint32_t kOutputRateHz = 44100;
inline constexpr uint32_t kOutputChannels = 2;
inline constexpr uint32_t kOutputBytesPerSec = kOutputRateHz * kOutputChannels * 2;
// Fades recompute their gain every this many frames (0.7 ms).
inline constexpr uint32_t kFadeStepFrames = 32;

class TWavOut;

// One playing sound on the output. It reads its source (not owned) and
// mixes it with its level (0..256, in 256ths), volume, pan and fade.
class TWavBuffer {
 public:
  TWavBuffer(TWavOut& out, const PcmFormat& format, PcmStream& source);
  TWavBuffer(const TWavBuffer&) = delete;
  TWavBuffer& operator=(const TWavBuffer&) = delete;

  // Mixed from now on; clears stopped and ended (the position stays).
  void Start();
  void Stop();
  // Ended, and longer than two blocks and 10 ms without a fill: what was
  // queued has been heard.
  bool HasDrained() const;
  void SetBytePosition(int64_t position_bytes);
  // The position being heard: the read position less the queued sound.
  int64_t GetBytePosition() const;
  // 0..256; values outside are clamped.
  void SetLevel(int32_t level);
  // Hundredths of a decibel (-10000..0); cancels a running fade.
  void SetVolume(int32_t volume_cdb);
  // The volume now (mid-fade: where the ramp has got to).
  int32_t Volume() const;
  // -10000 (left) .. 10000 (right).
  void SetPan(int32_t pan);
  int32_t Pan() const;
  // Moves the volume linearly in hundredths of a decibel to target over
  // duration_ms of mixed sound; 0 ms sets it at once.
  void FadeTo(int32_t target_cdb, uint32_t duration_ms);
  bool Fading() const;
  void SetLoop(bool loop);
  bool Loop() const;
  bool Started() const;
  bool Stopped() const;
  bool Ended() const;
  const PcmFormat& Format() const { return format_; }

 private:
  friend class TWavOut;
  // Reads one block's worth, widens it to stereo 16-bit and adds it to
  // block; false for a format the output does not play. Caller holds the lock.
  bool FillInto(std::span<int16_t> block, uint32_t now_ms);
  size_t ReadSource(std::span<uint8_t> into);
  size_t Widen(size_t bytes_read);
  // Adds mix_ to block at the volume, pan and fade; a fade advances.
  void AddWithGains(std::span<int16_t> block);
  int32_t FadeVolumeAt(uint64_t done_frames) const;

  TWavOut& out_;
  PcmFormat format_;
  PcmStream& source_;
  std::vector<int16_t> mix_;  // one block, also the raw read area
  int64_t position_bytes_ = 0;
  int32_t level_ = 256;
  int32_t volume_cdb_ = kFullVolume;
  int32_t pan_ = 0;
  ChannelGains gains_;
  bool fading_ = false;
  int32_t fade_from_cdb_ = 0, fade_to_cdb_ = 0;
  uint64_t fade_total_frames_ = 0, fade_done_frames_ = 0;
  bool started_ = false, stopped_ = false, ended_ = false, loop_ = false;
  bool mixed_once_ = false;
  uint32_t last_mix_ms_ = 0;
};

// The block length of an output that the device's pull mixes directly,
// without the queue (see OutputMix): a block is what the device asks for.
struct DirectBlockFrames {
  uint32_t frames = 1024;
};

class TWavOut {
 public:
  // delay_ms is brought to a multiple of 100 in 100..500.
  TWavOut(uint32_t delay_ms, platform::Clock& clock);
  // Blocks of block.frames frames (at least 64); DelayMs() is their length
  // rounded up, which the drain and position estimates use.
  TWavOut(DirectBlockFrames block, platform::Clock& clock);
  ~TWavOut();
  TWavOut(const TWavOut&) = delete;
  TWavOut& operator=(const TWavOut&) = delete;

  uint32_t DelayMs() const { return delay_ms_; }
  uint32_t BlockBytes() const { return block_bytes_; }
  uint32_t BlockFrames() const { return block_bytes_ / 4; }
  size_t BlockSamples() const { return block_bytes_ / 2; }
  // How often the mixing thread refills.
  uint32_t RefillPeriodMs() const { return delay_ms_ / 4; }

  // Prepares the pool; false when already open.
  bool Open();
  // Frees every buffer (their pointers die) and the queued blocks.
  void Close();
  bool IsOpen() const;

  TWavBuffer* CreateBuffer(const PcmFormat& format, PcmStream& source);
  void FreeBuffer(TWavBuffer* buffer);

  // One refill: reclaims the blocks the device has played, then mixes up to
  // two new ones while the queue holds at most one.
  void Refill();
  // The device's pull: interleaved stereo samples from the queued blocks in
  // order, silence after them. Returns the count that came from blocks.
  size_t ReadOutput(std::span<int16_t> out_samples);
  // Mixes one block straight into block (BlockSamples() long); true when
  // some buffer was mixed. Positions and fades advance as in a refill.
  bool MixBlock(std::span<int16_t> block);

  size_t QueuedBlocks() const;
  size_t PoolSize() const;

 private:
  friend class TWavBuffer;
  struct PoolEntry {
    std::vector<int16_t> samples;
    bool in_use = false;
  };
  // A block handed to the device: its pool entry, how far it was played.
  struct QueuedBlock {
    size_t entry = 0;
    size_t read_samples = 0;
    bool done = false;
  };
  static constexpr size_t kQueueCapacity = 4;
  static constexpr size_t kInitialPool = 4;

  bool MixLocked(std::span<int16_t> block);
  void ReclaimLocked();
  size_t TakePoolEntryLocked();
  void Activate(TWavBuffer* buffer);
  void Deactivate(TWavBuffer* buffer);

  platform::Clock& clock_;
  uint32_t delay_ms_;
  uint32_t block_bytes_;
  mutable std::mutex mutex_;
  bool open_ = false;
  std::vector<std::unique_ptr<TWavBuffer>> buffers_;
  std::vector<TWavBuffer*> active_;
  std::vector<PoolEntry> pool_;
  std::array<QueuedBlock, kQueueCapacity> queue_{};
  size_t queue_size_ = 0;
};

}  // namespace vesk::audio
