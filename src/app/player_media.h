#pragma once
// The player's sound and video: the audio device, the MIDI ports, the media
// managers and the mix the device plays, made together once the project is
// known and taken apart in the one safe order (the device lets go of the
// mix before anything it reads goes).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "audio/output_mix.h"
#include "core/runtime_context.h"
#include "media/media_system.h"
#include "media/midi_ports.h"
#include "platform/audio_device.h"
#include "platform/platform.h"
#include "storage/vrfiles.h"

namespace vesk::platform {
class HeadlessAudioDevice;
class SettingsStore;
}  // namespace vesk::platform

namespace vesk::app {

struct PlayerMediaOptions {
  SoundSettings sound;
  // --soundfont, else the settings value "SoundFont" under "Software\VeskPlayer".
  std::string soundfont;
  // The project's registry name: "CDDrive" is read under "Software\" + it.
  std::string registry_key;
  // One line about a file that cannot be played (UTF-8), for stderr and the trace.
  std::function<void(const std::string& utf8)> report;
  // A headless run keeps what it mixed (for --record-audio).
  bool capture = false;
};

class PlayerMedia {
 public:
  PlayerMedia(platform::Platform& platform, storage::TVrFileManager& files,
              platform::SettingsStore& settings, PlayerMediaOptions options);
  ~PlayerMedia();
  PlayerMedia(const PlayerMedia&) = delete;
  PlayerMedia& operator=(const PlayerMedia&) = delete;

  media::MediaSystem& system() { return *system_; }
  media::MidiPorts& midi_ports() { return *ports_; }
  // Headless: the game clock moved by elapsed_ms; the sequencer ticks and
  // the device plays that much.
  void AdvanceHeadless(uint32_t elapsed_ms);
  // The listener's levels in percent, over everything the game plays.
  void SetLevels(int master_percent, int music_percent, int sounds_percent) {
    mix_->SetLevels(master_percent, music_percent, sounds_percent);
  }
  // The headless device (null with a real one).
  platform::HeadlessAudioDevice* headless_device() const { return headless_; }

 private:
  platform::MediaBytes ReadGameFile(const std::string& name_cp932);

  storage::TVrFileManager& files_;
  platform::HeadlessAudioDevice* headless_ = nullptr;
  std::unique_ptr<platform::AudioDevice> device_;
  std::unique_ptr<media::MidiPorts> ports_;
  std::unique_ptr<media::MediaSystem> system_;
  std::unique_ptr<audio::OutputMix> mix_;
};

// The settings value that names a SoundFont for every game.
inline constexpr const char* kPlayerSettingsKey = "Software\\VeskPlayer";
inline constexpr const char* kSoundFontValue = "SoundFont";

}  // namespace vesk::app
