#include "platform/audio_device.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace vesk::platform {
namespace {

// The power of two in 256..8192 nearest to value (a tie goes up).
int NearestBlockFrames(long long value) {
  int best = kMinAudioBlockFrames;
  for (int p = kMinAudioBlockFrames; p <= kMaxAudioBlockFrames; p *= 2) {
    const long long distance = value > p ? value - p : p - value;
    const long long best_distance = value > best ? value - best : best - value;
    if (distance <= best_distance) best = p;
  }
  return best;
}

}  // namespace

int AudioBlockFramesFromText(const char* text, std::string* note) {
  if (text == nullptr || *text == '\0') return kDefaultAudioBlockFrames;
  errno = 0;
  char* end = nullptr;
  const long long value = std::strtoll(text, &end, 10);
  const bool has_digits = end != text;
  while (*end == ' ' || *end == '\t') ++end;
  if (!has_digits || *end != '\0' || errno == ERANGE) {
    if (note)
      *note = "VESK_AUDIO_FRAMES=\"" + std::string(text) + "\" is not a number; using " +
              std::to_string(kDefaultAudioBlockFrames) + " frames";
    return kDefaultAudioBlockFrames;
  }
  const int frames = NearestBlockFrames(value);
  if (frames != value && note)
    *note = "VESK_AUDIO_FRAMES=" + std::string(text) + " is not a power of two in " +
            std::to_string(kMinAudioBlockFrames) + ".." + std::to_string(kMaxAudioBlockFrames) +
            "; using " + std::to_string(frames) + " frames";
  return frames;
}

int AudioBlockFramesFromEnvironment() {
  std::string note;
  const int frames = AudioBlockFramesFromText(std::getenv("VESK_AUDIO_FRAMES"), &note);
  if (!note.empty()) std::fprintf(stderr, "%s\n", note.c_str());
  return frames;
}

}  // namespace vesk::platform
