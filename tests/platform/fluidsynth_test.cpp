#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/clock.h"
#include "platform/fluidsynth/fluid_synth_port.h"
#include "platform/fluidsynth/synth_message_queue.h"
#include "platform/midi_port.h"

namespace vesk::platform {
namespace {

using testing::HasSubstr;

constexpr uint32_t kStartMs = 7000;
constexpr int kBlockFrames = 441;  // 10 ms
constexpr uint32_t kNoteOn = 0x90 | (60 << 8) | (100 << 16);
constexpr uint32_t kNoteOff = 0x80 | (60 << 8);

class SoundFontSynthTest : public testing::Test {
 protected:
  void SetUp() override {
    soundfont_ = FindSoundFont("");
    if (soundfont_.empty()) GTEST_SKIP() << "no General MIDI SoundFont installed";
  }
  std::unique_ptr<FluidSynthPort> Open() {
    std::string error;
    auto synth = FluidSynthPort::Create(soundfont_, &error, &clock_);
    EXPECT_NE(synth, nullptr) << error;
    return synth;
  }
  // Renders duration_ms in 10 ms blocks, the clock moving with the audio.
  std::vector<int16_t> Render(FluidSynthPort& synth, uint32_t duration_ms) {
    std::vector<int16_t> out;
    std::vector<int16_t> block(2 * kBlockFrames);
    for (uint32_t t = 0; t < duration_ms; t += 10) {
      std::fill(block.begin(), block.end(), 0);
      synth.RenderAdd(block.data(), kBlockFrames);
      out.insert(out.end(), block.begin(), block.end());
      clock_.Advance(10);
    }
    return out;
  }
  static int Peak(const std::vector<int16_t>& samples, size_t from = 0) {
    int peak = 0;
    for (size_t i = from; i < samples.size(); ++i) peak = std::max(peak, std::abs(samples[i]));
    return peak;
  }
  static int64_t OnsetFrame(const std::vector<int16_t>& samples) {
    for (size_t i = 0; i < samples.size(); ++i)
      if (samples[i] != 0) return static_cast<int64_t>(i / 2);
    return -1;
  }

  std::string soundfont_;
  ManualClock clock_{kStartMs};
};

TEST_F(SoundFontSynthTest, ANoteSoundsAndAllNotesOffLetsItDieAway) {
  auto synth = Open();
  ASSERT_NE(synth, nullptr);
  EXPECT_EQ(synth->Name(), "VeskPlayer SoundFont synth");
  synth->ShortMessage(0xC0 | (0 << 8), kStartMs);  // piano
  synth->ShortMessage(kNoteOn, kStartMs);
  const auto note = Render(*synth, 500);
  EXPECT_GT(Peak(note), 1000);
  synth->ShortMessage(0xB0 | (0x7B << 8), clock_.NowMs());
  const auto tail = Render(*synth, 5000);
  // The last second: release and reverb are over.
  EXPECT_LE(Peak(tail, tail.size() - 2 * 44100), 2);
  EXPECT_EQ(synth->dropped_messages(), 0u);
}

TEST_F(SoundFontSynthTest, RenderingAddsToWhatIsInTheBufferAndSaturates) {
  auto synth = Open();
  ASSERT_NE(synth, nullptr);
  synth->ShortMessage(kNoteOn, kStartMs);
  Render(*synth, 100);
  std::vector<int16_t> block(2 * kBlockFrames, 32000);
  synth->RenderAdd(block.data(), kBlockFrames);
  EXPECT_TRUE(std::any_of(block.begin(), block.end(), [](int16_t s) { return s == 32767; }));
  EXPECT_TRUE(std::any_of(block.begin(), block.end(), [](int16_t s) { return s < 32000; }));
}

// A message sounds at its due time plus the synth's latency, on the
// 64-frame edge nearest to it, whatever block it arrived in.
TEST_F(SoundFontSynthTest, DueTimesPlaceTheOnsetAtTheirFrame) {
  std::vector<int64_t> onsets, wanted;
  for (uint32_t due_offset_ms : {100u, 137u}) {
    clock_.Set(kStartMs);
    auto synth = Open();
    ASSERT_NE(synth, nullptr);
    synth->TracePlacements(8);
    Render(*synth, 10);  // the timeline starts: frame 0 at kStartMs
    synth->ShortMessage(kNoteOn, kStartMs + due_offset_ms);
    const auto out = Render(*synth, 400);
    const auto placements = synth->TakePlacements();
    ASSERT_EQ(placements.size(), 1u);
    EXPECT_EQ(placements[0].wanted_frame,
              std::llround(due_offset_ms * 44.1) + synth->LatencyFrames());
    EXPECT_EQ(placements[0].frame % 64, 0);
    EXPECT_LE(std::abs(placements[0].frame - placements[0].wanted_frame), 32);
    EXPECT_NEAR(placements[0].placed_ms, kStartMs + due_offset_ms, 32 / 44.1 + 0.01);
    onsets.push_back(OnsetFrame(out) + kBlockFrames);  // the first block was not kept
    wanted.push_back(placements[0].wanted_frame);
    // The onset is the placed frame, and then the few frames the piano's
    // sample takes to rise above the last bit.
    EXPECT_GE(onsets.back(), placements[0].frame);
    EXPECT_LE(onsets.back(), placements[0].frame + 32);
  }
  EXPECT_NEAR(onsets[1] - onsets[0], wanted[1] - wanted[0], 64);
}

TEST_F(SoundFontSynthTest, MessagesKeepTheOrderTheyWereSentIn) {
  auto synth = Open();
  ASSERT_NE(synth, nullptr);
  synth->TracePlacements(8);
  Render(*synth, 10);
  synth->ShortMessage(kNoteOn, kStartMs + 100);
  synth->ShortMessage(kNoteOff, kStartMs + 50);  // sent after, due before
  Render(*synth, 300);
  const auto placements = synth->TakePlacements();
  ASSERT_EQ(placements.size(), 2u);
  EXPECT_GE(placements[1].frame, placements[0].frame);
}

TEST_F(SoundFontSynthTest, MasterVolumeZeroSilencesAndSysExIsAccepted) {
  auto synth = Open();
  ASSERT_NE(synth, nullptr);
  const uint8_t gs_reset[] = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7};
  const uint8_t master_silent[] = {0xF0, 0x7F, 0x7F, 0x04, 0x01, 0x00, 0x00, 0xF7};
  synth->LongMessage(gs_reset, kStartMs);
  synth->LongMessage(master_silent, kStartMs);
  synth->ShortMessage(kNoteOn, kStartMs);
  EXPECT_EQ(Peak(Render(*synth, 300)), 0);
  const uint8_t continuation[] = {0xF7, 0x01};
  synth->LongMessage(continuation, clock_.NowMs());
  synth->Reset();
  Render(*synth, 20);
}

// A file of its own in the temporary folder, removed at the end.
class TempFile {
 public:
  explicit TempFile(const std::string& name)
      : path_(std::filesystem::temp_directory_path() / name) {
    std::ofstream(path_) << "not a SoundFont";
  }
  ~TempFile() { std::filesystem::remove(path_); }
  std::string path() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

TEST(SoundFontSynth, AMissingOrBadSoundFontIsOneClearErrorAndNothingOnStderr) {
  std::string error;
  testing::internal::CaptureStderr();
  EXPECT_EQ(OpenSoundFontSynth("", &error), nullptr);
  EXPECT_THAT(error, HasSubstr("SoundFont"));
  EXPECT_EQ(OpenSoundFontSynth("no/such/font.sf2", &error), nullptr);
  EXPECT_THAT(error, HasSubstr("no/such/font.sf2"));
  const TempFile file("vesk_bad_soundfont_test.sf2");
  EXPECT_EQ(OpenSoundFontSynth(file.path(), &error), nullptr);  // readable, but no SoundFont
  EXPECT_THAT(error, HasSubstr("SoundFont"));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(SoundFontSynth, FindSoundFontPrefersAReadableGivenFile) {
  const TempFile file("vesk_find_soundfont_test.sf2");
  EXPECT_EQ(FindSoundFont(file.path()), file.path());
  const std::string fallback = FindSoundFont("no/such/font.sf2");
  EXPECT_NE(fallback, "no/such/font.sf2");
  if (!fallback.empty()) {
    EXPECT_THAT(fallback, testing::EndsWith(".sf2"));
  }
}

TEST(AlsaMidiPorts, AnUnknownPortIsAnErrorAndListingNeverPrints) {
  testing::internal::CaptureStderr();
  const auto names = ListAlsaMidiPorts();
  std::string error;
  EXPECT_EQ(OpenAlsaMidiPort("no such port:really", &error), nullptr);
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  for (const auto& name : names) EXPECT_THAT(name, HasSubstr(":"));
}

TEST(SynthMessageQueue, KeepsOrderAndBytesAcrossTheRingsEndAndDropsWhenFull) {
  SynthMessageQueue queue(4, 16);
  const uint8_t ten[10] = {0xF0, 1, 2, 3, 4, 5, 6, 7, 8, 0xF7};
  ASSERT_TRUE(queue.PushSysEx(ten, 1));
  ASSERT_TRUE(queue.PushShort(0x90, 2));
  EXPECT_FALSE(queue.PushSysEx(ten, 3));  // 10 more bytes do not fit beside the first 10
  auto range = queue.Pending();
  ASSERT_EQ(range.end - range.first, 2u);
  queue.Consume(range.first + 1);        // frees the bytes
  ASSERT_TRUE(queue.PushSysEx(ten, 4));  // placed at the ring's front
  ASSERT_TRUE(queue.PushReset(5));
  ASSERT_TRUE(queue.PushShort(0x80, 6));
  EXPECT_FALSE(queue.PushShort(0x81, 7));  // four slots taken
  range = queue.Pending();
  std::vector<uint32_t> due;
  for (uint64_t n = range.first; n < range.end; ++n) due.push_back(queue.At(n).due_ms);
  EXPECT_THAT(due, testing::ElementsAre(2, 4, 5, 6));
  const auto bytes = queue.BytesOf(queue.At(range.first + 1));
  EXPECT_THAT(std::vector(bytes.begin(), bytes.end()), testing::ElementsAreArray(ten));
  const uint8_t too_long[17] = {};
  EXPECT_FALSE(queue.PushSysEx(too_long, 8));
  EXPECT_FALSE(queue.PushSysEx({}, 8));
}

}  // namespace
}  // namespace vesk::platform
