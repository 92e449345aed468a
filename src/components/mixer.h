#pragma once
// The volume fades a sound or a video owns while one runs. A fade-in opens
// its item silent, starts it and raises it to the target volume; a fade-out
// lowers it until the time is up, when its owner goes. Sounds other than
// MIDI fade along half the distance only: a fade-in starts at the midpoint,
// a fade-out ends there (the owner disappears at that moment anyway).
#include <cstdint>

#include "media/media_item.h"

namespace vesk::components {

// The item volume (hundredths of a dB) for a script volume of 0..1000:
// MIDI takes it linearly, every other kind on a scale from -50 dB (1) to
// 0 dB (1000), with 0 and below silent.
int32_t ScaledVolume(const media::TDMediaItem* item, int32_t volume);

inline constexpr int32_t kSilentVolume = -10000;

class TVeskMixer {
 public:
  TVeskMixer(media::TDMediaItem* item, int32_t duration_ms) : Item(item), Duration(duration_ms) {}
  virtual ~TVeskMixer();
  TVeskMixer(const TVeskMixer&) = delete;
  TVeskMixer& operator=(const TVeskMixer&) = delete;

  // One step at game clock `now_ms`; true when the fade is over.
  virtual bool Step(int32_t now_ms) = 0;
  virtual bool FadesOut() const = 0;

  int32_t StartTime = 0;
  int32_t StartVolume = 0;
  media::TDMediaItem* Item;  // not owned unless ReturnsItem
  int32_t TargetVolume = 0;
  uint8_t Started = 0;
  int32_t Duration;
  // The fade holds an item its owner has let go of (a video fading out)
  // and gives it back to its manager when dropped.
  bool ReturnsItem = false;

 protected:
  // Milliseconds since the start, as unsigned: a clock that went back
  // reads as far beyond the end.
  uint32_t Elapsed(int32_t now_ms) const {
    return static_cast<uint32_t>(now_ms) - static_cast<uint32_t>(StartTime);
  }
  bool Over(uint32_t elapsed_ms) const { return elapsed_ms >= static_cast<uint32_t>(Duration); }
  // The distance covered: all of it for MIDI, half of it otherwise.
  int32_t Distance() const;
  void Begin(int32_t now_ms) {
    StartTime = now_ms;
    Started = 1;
  }
};

class TVeskMixerFadein final : public TVeskMixer {
 public:
  using TVeskMixer::TVeskMixer;
  bool Step(int32_t now_ms) override;
  bool FadesOut() const override { return false; }
};

class TVeskMixerFadeout final : public TVeskMixer {
 public:
  using TVeskMixer::TVeskMixer;
  bool Step(int32_t now_ms) override;
  bool FadesOut() const override { return true; }
};

}  // namespace vesk::components
