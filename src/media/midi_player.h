#pragma once
// The sequencer: plays a loaded song (TMidiV) to a MIDI output port in real
// time. A timer calls Tick every 10 ms; the tick advances an index through
// the pre-timed event list by the elapsed clock time, so late ticks do not
// slow the music. Repositioning chases controllers, programs, pitch and
// system exclusive events without sounding notes.
//
// Threads: the tick runs on the timer's thread (or, with a manual timer,
// wherever the owner calls TickNow); every main-thread operation that
// changes the player's state holds off the tick first.
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "media/midi_file.h"
#include "platform/clock.h"
#include "platform/midi_port.h"

namespace vesk::media {

// Calls its callback every interval on a thread of its own while enabled,
// never while held. With kManual there is no thread: the owner calls
// TickNow (a headless run, on the game clock).
class TMMTimer {
 public:
  enum class Mode { kThread, kManual };
  TMMTimer(Mode mode, std::function<void()> callback, uint32_t interval_ms = 100);
  ~TMMTimer();
  TMMTimer(const TMMTimer&) = delete;
  TMMTimer& operator=(const TMMTimer&) = delete;

  void SetEnabled(bool enabled);
  bool Enabled() const;
  void SetInterval(uint32_t interval_ms);
  // Manual mode: one tick now when enabled and not held.
  void TickNow();

  // Mutual exclusion with the tick: while held no tick runs or starts.
  void Hold();
  void Release();

  // ... implementation fields
};

// The output ports the MIDI manager offers, in its order (index 0 is the
// first port after the "MIDIマッパー" entry; -1 is that mapper, which is the
// default port: the synthesizer when it could be made).
class MidiPortList {
 public:
  virtual ~MidiPortList() = default;
  virtual std::vector<std::string> Names() const = 0;
  // The port at index (-1: the default); null when it cannot be opened.
  virtual platform::MidiOut* Open(int index) = 0;
  virtual void Close(int index) = 0;
};

class TMidiPlayV : public TMidiV {
 public:
  TMidiPlayV(MidiPortList& ports, platform::Clock& system_clock, TMMTimer::Mode timer_mode);
  ~TMidiPlayV();

  // Stop, parse, prepare (current event the first, channel volume 127 on
  // every channel). Throws EMidiFile for a damaged file; the song is empty.
  void LoadSong(std::span<const uint8_t> bytes);
  bool OpenDevice(int index);
  void CloseDevice();
  bool DeviceOpen() const;
  void PlayFrom(int32_t time_ms);
  void Stop();
  bool Playing() const;
  bool Ended() const;
  int32_t Clock() const;
  int32_t SongLength() const { return song_length_ms(); }
  bool Loop() const;
  void SetLoop(bool loop);
  void SetControllerScale(int channel, int controller, int percent);
  void SetControllerScaleAll(int controller, int percent);
  void SendMasterVolumeFull();
  void AllNotesOff();
  // One timer tick (called by the timer; public for tests).
  void Tick();
  TMMTimer& timer();
};

}  // namespace vesk::media
