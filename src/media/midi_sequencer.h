#pragma once
// What the MIDI manager asks of its sequencer. TMidiPlayV answers all of it
// (PlayerSequencer wraps one); tests give a recording fake.
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

#include "media/midi_player.h"
#include "platform/clock.h"

namespace vesk::media {

class MidiSequencer {
 public:
  virtual ~MidiSequencer() = default;
  // Throws EMidiFile for a damaged file (the song is then empty).
  virtual void LoadSong(std::span<const uint8_t> bytes) = 0;
  // -1 is the mapper (the default port).
  virtual bool OpenDevice(int index) = 0;
  virtual void CloseDevice() = 0;
  virtual bool DeviceOpen() const = 0;
  virtual void PlayFrom(int32_t time_ms) = 0;
  virtual void Stop() = 0;
  virtual bool Playing() const = 0;
  virtual bool Ended() const = 0;
  virtual int32_t Clock() const = 0;
  virtual int32_t SongLength() const = 0;
  virtual bool Loop() const = 0;
  virtual void SetLoop(bool loop) = 0;
  virtual void SetControllerScaleAll(int controller, int percent) = 0;
  virtual void SendMasterVolumeFull() = 0;
  // A manual timer's tick (nothing with a timer thread).
  virtual void TickNow() = 0;
};

using MidiSequencerFactory = std::function<std::unique_ptr<MidiSequencer>()>;

// The sequencer as a MidiSequencer (a template so that tests can put a
// stand-in player behind it).
template <typename Player = TMidiPlayV>
class PlayerSequencer final : public MidiSequencer {
 public:
  PlayerSequencer(MidiPortList& ports, platform::Clock& clock, TMMTimer::Mode mode)
      : player_(ports, clock, mode) {}
  void LoadSong(std::span<const uint8_t> bytes) override { player_.LoadSong(bytes); }
  bool OpenDevice(int index) override { return player_.OpenDevice(index); }
  void CloseDevice() override { player_.CloseDevice(); }
  bool DeviceOpen() const override { return player_.DeviceOpen(); }
  void PlayFrom(int32_t time_ms) override { player_.PlayFrom(time_ms); }
  void Stop() override { player_.Stop(); }
  bool Playing() const override { return player_.Playing(); }
  bool Ended() const override { return player_.Ended(); }
  int32_t Clock() const override { return player_.Clock(); }
  int32_t SongLength() const override { return player_.SongLength(); }
  bool Loop() const override { return player_.Loop(); }
  void SetLoop(bool loop) override { player_.SetLoop(loop); }
  void SetControllerScaleAll(int controller, int percent) override {
    player_.SetControllerScaleAll(controller, percent);
  }
  void SendMasterVolumeFull() override { player_.SendMasterVolumeFull(); }
  void TickNow() override {
    if (player_.timer().mode() == TMMTimer::Mode::kManual) player_.timer().TickNow();
  }
  Player& player() { return player_; }

 private:
  Player player_;
};

}  // namespace vesk::media
