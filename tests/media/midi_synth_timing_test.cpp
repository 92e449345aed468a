// The sequencer and the SoundFont synth together, as a headless run drives
// them: a manual timer ticked once per 16 ms frame and the audio pulled for
// the same 16 ms. A note keeps its time in the file to within the synth's
// 64-frame grid, not the frame's 16 ms.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "media/midi_ports.h"
#include "media/smf_builder.h"
#include "platform/fluidsynth/fluid_synth_port.h"

namespace vesk::media {
namespace {

using test::SmfFile;
using test::TrackBody;

constexpr uint32_t kFrameMs = 16;

// The first frame the note sounds in, counting from the first frame pulled.
int64_t OnsetOfNoteAt(uint32_t note_ticks) {
  platform::ManualClock clock(3000);
  std::string error;
  auto synth = platform::FluidSynthPort::Create(platform::FindSoundFont(""), &error, &clock);
  if (synth == nullptr) return -2;
  platform::FluidSynthPort* port = synth.get();
  MidiPorts ports(std::move(synth), {});
  TMidiPlayV player(ports, clock, TMMTimer::Mode::kManual);
  // Division 1000 at the default tempo: half a millisecond per tick.
  player.LoadSong(
      SmfFile(0, 1000)
          .Track(TrackBody().At(note_ticks, {0x90, 0x3C, 0x64}).At(800, {0x80, 0x3C, 0}).End(0))
          .Build());
  player.OpenDevice(-1);
  player.PlayFrom(0);
  std::vector<int16_t> audio;
  int64_t frames_due = 0;
  for (uint32_t t = 0; t < 800; t += kFrameMs) {
    clock.Advance(kFrameMs);
    player.timer().TickNow();
    const int64_t total = (t + kFrameMs) * 441 / 10;
    std::vector<int16_t> block(size_t(total - frames_due) * 2);
    port->RenderAdd(block.data(), int(total - frames_due));
    frames_due = total;
    audio.insert(audio.end(), block.begin(), block.end());
  }
  for (size_t i = 0; i < audio.size(); ++i)
    if (audio[i] != 0) return int64_t(i / 2);
  return -1;
}

TEST(MidiSynthTiming, NotesInOneFrameKeepTheirDistanceInTheAudio) {
  if (platform::FindSoundFont("").empty()) GTEST_SKIP() << "no General MIDI SoundFont installed";
  // Both sent by the tick at 256 ms.
  const int64_t early = OnsetOfNoteAt(482);  // 241 ms
  const int64_t late = OnsetOfNoteAt(500);   // 250 ms
  ASSERT_GE(early, 0);
  ASSERT_GE(late, 0);
  EXPECT_NEAR(late - early, 9 * 44.1, 64);
  // And at its time in the song, latency and the first frame aside.
  const int64_t latency = 2 * 706;  // two of the frame's blocks (705 or 706 frames)
  EXPECT_NEAR(late, std::llround((250 - kFrameMs) * 44.1) + latency, 64);
}

}  // namespace
}  // namespace vesk::media
