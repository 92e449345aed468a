#pragma once
// What the audio device plays: the sum of the wave outputs and the MIDI
// synthesizer, made on the device's own pull. A direct output is mixed a
// block at a time as the device needs it, so a sound is heard one device
// block after it starts; a queued output keeps its own two-block queue of
// DelayTime blocks, refilled here whenever the device pulls (on the real
// device that is the audio thread, headless it is the game clock, so a
// headless run mixes the same samples every time).
#include <cstdint>
#include <vector>

#include "audio/wav_out.h"
#include "platform/audio_device.h"
#include "platform/midi_port.h"

namespace vesk::audio {

class OutputMix final : public platform::AudioSource {
 public:
  // Set up before the mix is handed to the device; the outputs and the
  // synthesizer must outlive its time there.
  void AddDirect(TWavOut& out);
  void AddQueued(TWavOut& out);
  void SetSynth(platform::MidiSynth* synth) { synth_ = synth; }

  void FillAudio(int16_t* interleaved, int frame_count) override;

 private:
  struct Direct {
    TWavOut* out = nullptr;
    std::vector<int16_t> block;  // the block being played out
    size_t read = 0;             // samples of it already played
    bool sounding = false;       // the block holds something
  };
  void AddDirectSamples(Direct& d, int16_t* out, size_t samples);

  std::vector<Direct> direct_;
  std::vector<TWavOut*> queued_;
  std::vector<int16_t> scratch_;  // one pull's worth for the queued outputs
  platform::MidiSynth* synth_ = nullptr;
};

}  // namespace vesk::audio
