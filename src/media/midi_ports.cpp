#include "media/midi_ports.h"

namespace vesk::media {

MidiPorts::MidiPorts(platform::Clock& clock, const std::string& soundfont)
    : synth_(
          platform::OpenSoundFontSynth(platform::FindSoundFont(soundfont), &synth_error_, &clock)),
      alsa_names_(platform::ListAlsaMidiPorts()),
      alsa_open_(alsa_names_.size()) {
  if (synth_ != nullptr) synth_error_.clear();
}

MidiPorts::MidiPorts(std::unique_ptr<platform::MidiSynth> synth,
                     std::vector<std::string> alsa_ports)
    : synth_(std::move(synth)),
      alsa_names_(std::move(alsa_ports)),
      alsa_open_(alsa_names_.size()) {}

MidiPorts::~MidiPorts() = default;

std::vector<std::string> MidiPorts::Names() const {
  std::vector<std::string> names;
  if (synth_ != nullptr) names.push_back(synth_->Name());
  names.insert(names.end(), alsa_names_.begin(), alsa_names_.end());
  return names;
}

int MidiPorts::Resolve(int index) const {
  const int count = static_cast<int>(alsa_names_.size()) + (synth_ != nullptr ? 1 : 0);
  if (index == -1) return count > 0 ? 0 : -1;
  return index >= 0 && index < count ? index : -1;
}

size_t MidiPorts::AlsaSlot(int resolved) const {
  return static_cast<size_t>(resolved - (synth_ != nullptr ? 1 : 0));
}

platform::MidiOut* MidiPorts::Open(int index) {
  const int resolved = Resolve(index);
  if (resolved < 0) return nullptr;
  if (IsSynth(resolved)) return synth_.get();
  const size_t slot = AlsaSlot(resolved);
  if (alsa_open_[slot] == nullptr) {
    std::string error;
    alsa_open_[slot] = platform::OpenAlsaMidiPort(alsa_names_[slot], &error);
  }
  return alsa_open_[slot].get();
}

void MidiPorts::Close(int index) {
  const int resolved = Resolve(index);
  if (resolved < 0 || IsSynth(resolved)) return;
  alsa_open_[AlsaSlot(resolved)].reset();
}

}  // namespace vesk::media
