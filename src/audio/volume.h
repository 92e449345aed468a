#pragma once
// The volume law of the mixer: volumes in hundredths of a decibel (0 full,
// -10000 silent), pan in the same unit as an attenuation of the far side
// (-10000 left only .. 0 centre .. 10000 right only), gains as Q16 factors.
#include <cstdint>

namespace vesk::audio {

inline constexpr int32_t kSilentVolume = -10000;
inline constexpr int32_t kFullVolume = 0;
inline constexpr int32_t kPanLeft = -10000;
inline constexpr int32_t kPanRight = 10000;
inline constexpr int32_t kUnityGainQ16 = 65536;

// 10^(volume/2000) in Q16, rounded; volumes are clamped to -10000..0 and
// -10000 itself is silence (0).
int32_t GainQ16FromVolume(int32_t volume_cdb);

struct ChannelGains {
  int32_t left_q16 = kUnityGainQ16;
  int32_t right_q16 = kUnityGainQ16;
};

// Volume and pan together: a pan to the right lowers the left channel by
// pan hundredths of a decibel and leaves the right one at the volume.
ChannelGains GainsFor(int32_t volume_cdb, int32_t pan);

// numerator / denominator rounded to nearest, halves to even (denominator > 0).
int64_t DivRoundHalfEven(int64_t numerator, int64_t denominator);

}  // namespace vesk::audio
