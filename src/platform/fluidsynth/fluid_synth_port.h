#pragma once
// The General MIDI synthesizer: FluidSynth over a SoundFont, rendered into
// our own mix. Messages arrive from the sequencer's thread with the time
// they are due; they wait in a preallocated queue and are applied inside
// the rendered block at the frame that time maps to, a fixed latency later,
// so the music keeps the file's timing rather than the tick's or the audio
// block's. FluidSynth starts new sounds on 64-frame boundaries, so a
// message lands on the boundary nearest its frame.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/midi_port.h"

namespace vesk::platform {

// Where the synth applied one message, for benchmarks and tests.
struct SynthPlacement {
  uint32_t due_ms = 0;
  int64_t wanted_frame = 0;  // where due_ms (plus the latency) maps to
  int64_t frame = 0;         // where it took effect
  double placed_ms = 0;      // `frame` back on the clock's scale, latency taken off
};

class FluidSynthPort final : public MidiSynth {
 public:
  // Null with *error when the SoundFont or FluidSynth cannot be loaded.
  // Take the synth out of the mix before freeing it: RenderAdd must not
  // run while it goes.
  static std::unique_ptr<FluidSynthPort> Create(const std::string& soundfont_path,
                                                std::string* error, Clock* clock);
  ~FluidSynthPort() override;

  std::string Name() const override;
  void ShortMessage(uint32_t message, uint32_t due_ms) override;
  void LongMessage(std::span<const uint8_t> bytes, uint32_t due_ms) override;
  void Reset() override;
  void RenderAdd(int16_t* interleaved, int frame_count) override;
  int LatencyFrames() const override;

  // Messages lost because the queue was full (nothing rendered for long).
  uint64_t dropped_messages() const;
  int64_t frames_rendered() const;
  // Keeps the placement of up to `capacity` messages from now on (set
  // before rendering starts); TakePlacements hands them over once the
  // rendering has stopped.
  void TracePlacements(size_t capacity);
  std::vector<SynthPlacement> TakePlacements();

  struct Impl;

 private:
  explicit FluidSynthPort(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace vesk::platform
