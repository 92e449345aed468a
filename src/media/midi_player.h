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
  // Ends and joins the thread.
  ~TMMTimer();
  TMMTimer(const TMMTimer&) = delete;
  TMMTimer& operator=(const TMMTimer&) = delete;

  void SetEnabled(bool enabled);
  bool Enabled() const { return enabled_.load(); }
  void SetInterval(uint32_t interval_ms);
  uint32_t interval_ms() const { return interval_ms_.load(); }
  Mode mode() const { return mode_; }
  // Manual mode: one tick now when enabled and not held. (In thread mode
  // it runs a tick on the caller's thread, under the same exclusion.)
  void TickNow();
  // How many times the callback has run.
  uint64_t tick_count() const { return tick_count_.load(); }

  // Mutual exclusion with the tick: while held no tick runs or starts.
  // Not reentrant, and never called from the callback.
  void Hold();
  void Release();

 private:
  void Run();
  void RunCallback();

  const Mode mode_;
  std::function<void()> callback_;
  std::atomic<uint32_t> interval_ms_;
  std::atomic<bool> enabled_{false};
  std::atomic<bool> held_{false};
  std::atomic<uint64_t> tick_count_{0};
  std::mutex tick_mutex_;  // held by a running tick and by Hold

  std::mutex wake_mutex_;  // guards terminating_ for the thread's waits
  std::condition_variable wake_;
  bool terminating_ = false;
  std::thread thread_;  // last: started once everything above exists
};

// Holds a timer for as long as it lives.
class TimerHold {
 public:
  explicit TimerHold(TMMTimer& timer) : timer_(timer) { timer_.Hold(); }
  ~TimerHold() { timer_.Release(); }
  TimerHold(const TimerHold&) = delete;
  TimerHold& operator=(const TimerHold&) = delete;

 private:
  TMMTimer& timer_;
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

inline constexpr int kMidiChannels = 16;
inline constexpr int kMidiControllers = 128;
inline constexpr uint32_t kSequencerTickMs = 10;
// Universal real-time master volume, all devices, at its maximum.
inline constexpr std::array<uint8_t, 8> kMasterVolumeFull{0xF0, 0x7F, 0x7F, 0x04,
                                                          0x01, 0x00, 0x7F, 0xF7};

class TMidiPlayV : public TMidiV {
 public:
  TMidiPlayV(MidiPortList& ports, platform::Clock& system_clock, TMMTimer::Mode timer_mode);
  // Stops, closes the port and joins the timer.
  ~TMidiPlayV();

  // Stop, parse, prepare (current event the first, channel volume 127 on
  // every channel). Throws EMidiFile for a damaged file; the song is empty.
  // Position and clock stay as they were: PlayFrom sets them.
  void LoadSong(std::span<const uint8_t> bytes);
  // Opens port `index` of the list (-1: the default); false when it cannot
  // be opened, and the player then sends nothing.
  bool OpenDevice(int index);
  void CloseDevice();
  bool DeviceOpen() const { return out_ != nullptr; }
  // Repositions to the event for time_ms (chasing the state up to it
  // without notes) and starts the timer.
  void PlayFrom(int32_t time_ms);
  // Stops the timer and silences the notes; the position stays.
  void Stop();
  bool Playing() const { return timer_.Enabled(); }
  // Loop off and the last event reached (the last event itself is never
  // dispatched without loop).
  bool Ended() const;
  int32_t Clock() const { return clock_ms_.load(); }
  int32_t SongLength() const { return song_length_ms(); }
  bool Loop() const { return loop_.load(); }
  void SetLoop(bool loop) { loop_.store(loop); }
  // The index of the next event to dispatch.
  size_t position() const { return position_.load(); }
  // Out-of-range channels or controllers are ignored.
  void SetControllerScale(int channel, int controller, int percent);
  void SetControllerScaleAll(int controller, int percent);
  int ControllerValue(int channel, int controller) const;
  int ControllerPercent(int channel, int controller) const;
  void SendMasterVolumeFull();
  // Control change 7B (all notes off) on every channel, when a port is open.
  void AllNotesOff();
  // One timer tick (called by the timer; public for tests).
  void Tick();
  TMMTimer& timer() { return timer_; }

 private:
  void AllNotesOffDue(uint32_t due_ms);
  void Dispatch(const TMidiMsgEvent& event, uint32_t due_ms);
  void SendScaledController(int channel, int controller, uint32_t due_ms);
  void Chase(size_t target);
  void Pause(uint32_t duration_ms);

  MidiPortList& ports_;
  platform::Clock& system_clock_;
  platform::MidiOut* out_ = nullptr;
  int out_index_ = -1;
  std::atomic<size_t> position_{0};
  std::atomic<int32_t> clock_ms_{0};
  uint32_t last_tick_ms_ = 0;
  std::atomic<bool> loop_{false};
  std::array<std::array<int, kMidiControllers>, kMidiChannels> controller_values_{};
  std::array<std::array<int, kMidiControllers>, kMidiChannels> controller_percents_{};
  TMMTimer timer_;  // last: its thread stops before the rest goes
};

}  // namespace vesk::media
