#pragma once
// What the media managers are handed by the app: how to read a game's file,
// the decoders, the MIDI ports and sequencer, the clocks, the game.ini sound
// values, the settings and disc lookups for CD tracks, and where a problem
// with a file is reported. Nothing here is global: a test hands in fakes.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "media/midi_player.h"
#include "media/midi_sequencer.h"
#include "platform/clock.h"
#include "platform/media_decoder.h"

namespace vesk::media {

struct MediaServices {
  // System time in milliseconds (the wave output's estimates and the
  // sequencer); in a headless run the game clock.
  platform::Clock& clock;
  // The MIDI output ports (the manager's device list after the mapper).
  MidiPortList& midi_ports;

  // A game file's bytes by name (CP932): names starting with a path
  // delimiter are files on disk, the rest are read through the virtual
  // files. Null when the file is not there.
  std::function<platform::MediaBytes(const std::string& name)> read_file = nullptr;
  // The decoders (platform::OpenAudioDecoder / OpenVideoDecoder).
  std::function<std::unique_ptr<platform::AudioDecoder>(platform::MediaBytes, std::string* error)>
      open_audio = nullptr;
  std::function<std::unique_ptr<platform::VideoDecoder>(platform::MediaBytes, std::string* error)>
      open_video = nullptr;
  // How the sequencer's timer runs: its own thread, or (headless runs)
  // one tick per MediaSystem::TickSequencer.
  TMMTimer::Mode timer_mode = TMMTimer::Mode::kThread;
  // The sequencer the MIDI manager owns; unset: a TMidiPlayV over
  // midi_ports, clock and timer_mode. Tests hand in a fake.
  MidiSequencerFactory make_midi_sequencer = nullptr;
  // What a silent film's pictures follow; null: `clock`.
  platform::Clock* game_clock = nullptr;

  // Frames the audio device pulls at a time: the block of the direct
  // output, which the companion module's sounds and the CD tracks play on.
  uint32_t device_block_frames = 1024;
  // game.ini, section Sound (DelayTime: the queued output's block, which
  // the decoded Ogg items play on).
  uint32_t delay_ms = 500;
  bool direct_sound = true;

  // A value of the settings stored under the project's registry name
  // ("CDDrive": a folder holding the track files); nothing when unset.
  std::function<std::optional<std::string>(const std::string& value_name)> setting = nullptr;
  // Root folders of mounted discs, each searched for the track files.
  std::function<std::vector<std::string>()> cd_roots = nullptr;
  // One line (CP932) for standard error and the trace; null: standard
  // error only.
  std::function<void(const std::string& line)> report = nullptr;
};

}  // namespace vesk::media
