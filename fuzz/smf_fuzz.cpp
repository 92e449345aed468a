// Standard MIDI files from the fuzzer: a damaged file only raises its error
// and leaves the song empty; a file that reads gives a merged list in
// playback order, with times that never go back and every serial once.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "media/midi_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vesk::media;
  TMidiV song;
  try {
    song.LoadSong(std::span<const uint8_t>(data, size));
  } catch (const EMidiFile&) {
    if (!song.events().empty()) std::abort();
    return 0;
  }
  const auto& events = song.events();
  if (events.empty() || song.song_length_ms() != events.back().time_ms) std::abort();
  std::vector<bool> seen(events.size());
  for (size_t i = 0; i < events.size(); ++i) {
    const auto& e = events[i];
    if (e.serial < 0 || static_cast<size_t>(e.serial) >= events.size() || seen[e.serial])
      std::abort();
    seen[e.serial] = true;
    if (e.data.empty() || e.track < 0 || e.track >= song.track_count()) std::abort();
    if (e.category != ClassifyMidiEvent(e.kind, e.data)) std::abort();
    if (i == 0) continue;
    const auto& before = events[i - 1];
    if (before.tick > e.tick || (before.tick == e.tick && before.serial > e.serial)) std::abort();
    if (before.time_ms > e.time_ms) std::abort();
  }
  (void)song.IndexForTime(song.song_length_ms() / 2);
  return 0;
}
