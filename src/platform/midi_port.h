#pragma once
// MIDI output ports: the software synthesizer (FluidSynth with a General
// MIDI SoundFont), rendered into our own audio output, and the ALSA
// sequencer's ports where the machine has any.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/clock.h"

namespace vesk::platform {

class MidiOut {
 public:
  virtual ~MidiOut() = default;
  virtual std::string Name() const = 0;
  // A channel message: status in the low byte, then one or two data bytes.
  // due_ms is when the sequencer meant it to sound, on the SystemTickMs
  // scale; a port that renders ahead places the message there (so the
  // sequencer's tick granularity is not heard), others send it at once.
  // Callable from the sequencer's timer thread.
  virtual void ShortMessage(uint32_t message, uint32_t due_ms) = 0;
  // A system exclusive message, status byte (F0 or F7) included.
  virtual void LongMessage(std::span<const uint8_t> bytes, uint32_t due_ms) = 0;
  // Sound off and controllers back to their defaults on every channel.
  virtual void Reset() = 0;
};

// A port whose sound we mix ourselves.
class MidiSynth : public MidiOut {
 public:
  // Adds frame_count frames of 44100 Hz stereo to interleaved, saturating.
  // Called on the audio device's thread; allocates nothing and never waits
  // long for the sequencer's thread.
  virtual void RenderAdd(int16_t* interleaved, int frame_count) = 0;
  // How far behind its due time a message sounds, in frames of the mix:
  // the margin that lets a message sent late by up to a sequencer tick
  // still be placed at its due time. 0 for a synth that sends at once.
  virtual int LatencyFrames() const { return 0; }
};

// The General MIDI SoundFont to use: `preferred` when it names a readable
// file; else FluidR3 when installed, else TimGM6mb; "" when none is found.
std::string FindSoundFont(const std::string& preferred);

// The synthesizer over that SoundFont; null with *error when FluidSynth or
// the SoundFont cannot be loaded. `clock` is the scale of the messages'
// due_ms (the sequencer's clock; null: SystemTickMs); it must outlive the
// synth.
std::unique_ptr<MidiSynth> OpenSoundFontSynth(const std::string& soundfont_path, std::string* error,
                                              Clock* clock = nullptr);

// Names of the ALSA sequencer's writable MIDI ports ("client:port name"),
// empty on a machine without them; OpenAlsaMidiPort opens one by name.
std::vector<std::string> ListAlsaMidiPorts();
std::unique_ptr<MidiOut> OpenAlsaMidiPort(const std::string& name, std::string* error);

}  // namespace vesk::platform
