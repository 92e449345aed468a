#pragma once
// The MIDI ports of this machine, as the MIDI manager lists them: the
// SoundFont synthesizer first (it is also the default port, -1), then the
// ALSA sequencer's ports. The synthesizer lives as long as the list, since
// the mix renders it whether or not the sequencer has it open; the ALSA
// ports are opened on demand and closed again.
#include <memory>
#include <string>
#include <vector>

#include "media/midi_player.h"
#include "platform/clock.h"
#include "platform/midi_port.h"

namespace vesk::media {

class MidiPorts final : public MidiPortList {
 public:
  // `soundfont` is the preferred SoundFont ("" for the installed default);
  // `clock` is the sequencer's clock.
  MidiPorts(platform::Clock& clock, const std::string& soundfont);
  // For tests: a given synth (may be null) and given ALSA port names.
  MidiPorts(std::unique_ptr<platform::MidiSynth> synth, std::vector<std::string> alsa_ports);
  ~MidiPorts() override;

  std::vector<std::string> Names() const override;
  platform::MidiOut* Open(int index) override;
  void Close(int index) override;

  // The synthesizer the mix renders; null when none could be made.
  platform::MidiSynth* synth() const { return synth_.get(); }
  // Why there is no synthesizer ("" when there is one), for one line on
  // stderr; MIDI then plays through an ALSA port or not at all.
  const std::string& synth_error() const { return synth_error_; }

 private:
  // Index -1 is the first port there is.
  int Resolve(int index) const;
  bool IsSynth(int resolved) const { return synth_ != nullptr && resolved == 0; }
  size_t AlsaSlot(int resolved) const;

  std::unique_ptr<platform::MidiSynth> synth_;
  std::string synth_error_;
  std::vector<std::string> alsa_names_;
  std::vector<std::unique_ptr<platform::MidiOut>> alsa_open_;
};

}  // namespace vesk::media
