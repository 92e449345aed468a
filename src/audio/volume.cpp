#include "audio/volume.h"

#include <algorithm>
#include <cmath>

namespace vesk::audio {

int32_t GainQ16FromVolume(int32_t volume_cdb) {
  if (volume_cdb <= kSilentVolume) return 0;
  if (volume_cdb >= kFullVolume) return kUnityGainQ16;
  // 10^(v/2000) as a power of two: exp2 is several times cheaper than pow,
  // and fades evaluate this every few dozen frames.
  constexpr double kLog2TenPer2000 = 3.321928094887362 / 2000.0;
  const double gain = std::exp2(double(volume_cdb) * kLog2TenPer2000);
  return int32_t(std::lround(gain * kUnityGainQ16));
}

ChannelGains GainsFor(int32_t volume_cdb, int32_t pan) {
  const int32_t v = std::clamp(volume_cdb, kSilentVolume, kFullVolume);
  const int32_t p = std::clamp(pan, kPanLeft, kPanRight);
  ChannelGains g;
  g.left_q16 = GainQ16FromVolume(v - std::max(p, 0));
  g.right_q16 = GainQ16FromVolume(v + std::min(p, 0));
  return g;
}

int64_t DivRoundHalfEven(int64_t numerator, int64_t denominator) {
  int64_t q = numerator / denominator;
  int64_t r = numerator % denominator;
  if (r < 0) {  // floor division, so the remainder is 0..denominator-1
    q -= 1;
    r += denominator;
  }
  const int64_t twice = 2 * r;
  if (twice > denominator || (twice == denominator && (q & 1) != 0)) q += 1;
  return q;
}

}  // namespace vesk::audio
