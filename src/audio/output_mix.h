#pragma once
// What the audio device plays: the sum of the wave outputs and the MIDI
// synthesizer.
//
// The wave outputs are mixed ahead of the device into a ring of samples,
// because mixing them decodes sound (which allocates and may take a
// while): on a real device by a mixing thread of our own, so that the
// device's thread only copies from the ring and renders the synthesizer,
// which allocates nothing; in a headless run inline, just before each pull,
// so the same samples are mixed every time.
//
// A direct output is mixed a block at a time into the ring (a sound is
// heard about two device blocks after it starts); a queued output keeps its
// own two-block queue of DelayTime blocks, refilled as the ring needs it.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "audio/wav_out.h"
#include "platform/audio_device.h"
#include "platform/midi_port.h"

namespace vesk::audio {

class OutputMix final : public platform::AudioSource {
 public:
  enum class Mode { kThread, kInline };
  // device_block_frames: the most the device asks for at once; the mixing
  // thread keeps two such blocks ahead.
  OutputMix(Mode mode, int device_block_frames);
  ~OutputMix() override;
  OutputMix(const OutputMix&) = delete;
  OutputMix& operator=(const OutputMix&) = delete;

  // Set up before Start; the outputs and the synthesizer must outlive the
  // mix's time on the device and Stop.
  void AddDirect(TWavOut& out);
  void AddQueued(TWavOut& out);
  void SetSynth(platform::MidiSynth* synth) { synth_ = synth; }
  // Thread mode: starts and stops the mixing thread (Stop also runs from
  // the destructor). Inline mode: nothing.
  void Start();
  void Stop();

  void FillAudio(int16_t* interleaved, int frame_count) override;

  // The listener's own levels over whatever the game set, in percent
  // (0..100, clamped): all of it, the synthesizer, the wave outputs. Heard
  // from the next pull on; any thread may call it. A percent is squared
  // into the gain, so the slider's middle sounds half as loud rather than
  // barely quieter.
  void SetLevels(int master_percent, int music_percent, int sounds_percent);
  // The gains the levels give, in 1/65536 (65536: unchanged).
  int32_t wave_gain_q16() const { return wave_gain_q16_.load(std::memory_order_relaxed); }
  int32_t synth_gain_q16() const { return synth_gain_q16_.load(std::memory_order_relaxed); }

  // Frames mixed and not yet played.
  size_t buffered_frames() const { return Buffered(); }
  // Frames the device found no mixed sound for (the mixing thread was late).
  uint64_t underrun_frames() const { return underrun_frames_.load(std::memory_order_relaxed); }

 private:
  struct Direct {
    TWavOut* out = nullptr;
    std::vector<int16_t> block;  // the block being played out
    size_t read = 0;             // samples of it already used
    bool sounding = false;       // the block holds something
  };
  size_t Buffered() const;
  // Mixes chunk_frames_ more frames into the ring when there is room.
  bool ProduceChunk();
  void AddDirectSamples(Direct& d, int16_t* out, size_t samples);
  void MixerLoop();
  void CopyFromRing(int16_t* interleaved, size_t frames, int32_t gain_q16);
  void RenderSynthScaled(int16_t* interleaved, size_t frames, int32_t gain_q16);

  const Mode mode_;
  const size_t chunk_frames_;     // one device block
  const size_t target_frames_;    // what the mixing thread keeps ready
  const size_t capacity_frames_;  // the ring
  std::vector<int16_t> ring_;
  std::atomic<uint64_t> written_frames_{0};
  std::atomic<uint64_t> read_frames_{0};
  std::atomic<uint64_t> underrun_frames_{0};

  std::vector<Direct> direct_;
  std::vector<TWavOut*> queued_;
  std::vector<int16_t> chunk_;    // one chunk being mixed
  std::vector<int16_t> scratch_;  // a queued output's part of it
  platform::MidiSynth* synth_ = nullptr;
  std::vector<int16_t> synth_block_;  // the synthesizer's part, when it is scaled
  std::atomic<int32_t> wave_gain_q16_{65536};
  std::atomic<int32_t> synth_gain_q16_{65536};

  std::thread thread_;
  std::mutex wake_mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
};

}  // namespace vesk::audio
