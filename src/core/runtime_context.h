#pragma once
// The process-wide runtime state that many subsystems read: the termination
// flag, the game clock, the frame delta and counter, and the sound settings.
// app creates one and hands it down; tests build their own.
#include <cstdint>

namespace vesk {

struct SoundSettings {
  bool direct_sound = true;  // "DirectSound" in game.ini
  int32_t delay_ms = 500;    // "DelayTime": wave output buffer length
};

struct RuntimeContext {
  static constexpr int32_t kFramePeriodMs = 16;

  bool terminated = false;     // once true, every loop winds down
  int32_t game_clock_ms = 0;   // sum of frame deltas; @TickCount
  int32_t frame_delta_ms = 0;  // length of the last frame
  int32_t frame_counter = 0;   // frames run so far; @UpdateCount
  SoundSettings sound;

  void Terminate() { terminated = true; }

  // The clock and the counter run on like the 32-bit counters they stand
  // for: past 2^31 they wrap to negative values, and the difference of two
  // readings (taken in 32-bit arithmetic) stays right across the wrap.
  void AdvanceGameClock(uint32_t delta_ms) {
    game_clock_ms = static_cast<int32_t>(static_cast<uint32_t>(game_clock_ms) + delta_ms);
  }
  void CountFrame() {
    frame_counter = static_cast<int32_t>(static_cast<uint32_t>(frame_counter) + 1u);
  }
};

}  // namespace vesk
