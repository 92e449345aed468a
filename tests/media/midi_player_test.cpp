#include "media/midi_player.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "media/smf_builder.h"

namespace vesk::media {
namespace {

using test::Bytes;
using test::SmfFile;
using test::TrackBody;
using testing::ElementsAre;
using testing::ElementsAreArray;

constexpr uint32_t kStartMs = 50000;

// What the player sent, as one line each: short messages as their bytes in
// hex ("c0 05", "b3 07 40"), long ones as "sysex" and their length, resets
// as "reset"; each with the time it was due.
struct Sent {
  std::string what;
  uint32_t due_ms;
};

std::string Hex(const std::vector<uint8_t>& bytes) {
  std::string out;
  char buffer[4];
  for (uint8_t b : bytes) {
    std::snprintf(buffer, sizeof buffer, out.empty() ? "%02x" : " %02x", b);
    out += buffer;
  }
  return out;
}

class RecordingPort final : public platform::MidiOut {
 public:
  std::string Name() const override { return "recorder"; }
  void ShortMessage(uint32_t message, uint32_t due_ms) override {
    std::vector<uint8_t> bytes{static_cast<uint8_t>(message), static_cast<uint8_t>(message >> 8)};
    const uint8_t kind = bytes[0] & 0xF0;
    if (kind != 0xC0 && kind != 0xD0) bytes.push_back(static_cast<uint8_t>(message >> 16));
    Record(Hex(bytes), due_ms);
  }
  void LongMessage(std::span<const uint8_t> bytes, uint32_t due_ms) override {
    Record("sysex " + Hex({bytes.begin(), bytes.end()}), due_ms);
  }
  void Reset() override { Record("reset", 0); }

  std::vector<Sent> Take() {
    std::lock_guard lock(mutex_);
    return std::exchange(sent_, {});
  }
  std::vector<std::string> TakeWhat() {
    std::vector<std::string> what;
    for (const Sent& s : Take()) what.push_back(s.what);
    return what;
  }

 private:
  void Record(std::string what, uint32_t due_ms) {
    std::lock_guard lock(mutex_);
    sent_.push_back({std::move(what), due_ms});
  }
  std::mutex mutex_;
  std::vector<Sent> sent_;
};

// Port -1 and 0 are the recorder; every other index cannot be opened.
class FakePorts final : public MidiPortList {
 public:
  std::vector<std::string> Names() const override { return {"recorder"}; }
  platform::MidiOut* Open(int index) override {
    opened.push_back(index);
    return index == -1 || index == 0 ? &port : nullptr;
  }
  void Close(int index) override { closed.push_back(index); }

  RecordingPort port;
  std::vector<int> opened, closed;
};

std::vector<std::string> AllNotesOffLines() {
  std::vector<std::string> lines;
  for (int ch = 0; ch < 16; ++ch) lines.push_back(Hex({static_cast<uint8_t>(0xB0 | ch), 0x7B, 0}));
  return lines;
}

// Division 100 at the default tempo: 5 ms per tick.
class MidiPlayerTest : public testing::Test {
 protected:
  void Load(const Bytes& file) {
    player.LoadSong(file);
    ASSERT_TRUE(player.OpenDevice(-1));
    ports.port.Take();
  }
  // Ticks every 10 ms until the play clock has advanced by duration_ms.
  void Run(uint32_t duration_ms, uint32_t step_ms = 10) {
    for (uint32_t t = 0; t < duration_ms; t += step_ms) {
      clock.Advance(step_ms);
      player.timer().TickNow();
    }
  }

  platform::ManualClock clock{kStartMs};
  FakePorts ports;
  TMidiPlayV player{ports, clock, TMMTimer::Mode::kManual};
};

TEST_F(MidiPlayerTest, SendsEachEventOnceThePlayClockPassesItDueAtItsOwnTime) {
  Load(SmfFile(0, 100)
           .Track(TrackBody()
                      .At(0, {0xC0, 0x05})
                      .At(20, {0x90, 0x3C, 0x40})
                      .At(20, {0x80, 0x3C, 0x00})
                      .End(20))
           .Build());
  player.PlayFrom(0);
  EXPECT_TRUE(player.Playing());
  Run(10);
  auto sent = ports.port.Take();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].what, "c0 05");
  EXPECT_EQ(sent[0].due_ms, kStartMs);
  Run(90);  // the clock stands at exactly 100: the note (time 100) waits
  EXPECT_TRUE(ports.port.Take().empty());
  // One late tick of 105 ms: both events go out, each due at its own time.
  Run(105, 105);
  sent = ports.port.Take();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].what, "90 3c 40");
  EXPECT_EQ(sent[0].due_ms, kStartMs + 100);
  EXPECT_EQ(sent[1].what, "80 3c 00");
  EXPECT_EQ(sent[1].due_ms, kStartMs + 200);
  EXPECT_EQ(player.Clock(), 205);
}

TEST_F(MidiPlayerTest, OneTickAdvancesTheClockByAtMostOneSecond) {
  Load(SmfFile(0, 100)
           .Track(TrackBody().At(0, {0xC0, 0x01}).At(1000, {0xC0, 0x02}).End(1000))
           .Build());
  player.PlayFrom(0);
  Run(5000, 5000);
  EXPECT_EQ(player.Clock(), 1000);
  EXPECT_FALSE(player.Ended());
}

TEST_F(MidiPlayerTest, ATempoChangeTimesTheEventsAfterItOnly) {
  Load(SmfFile(0, 100)
           .Track(TrackBody()
                      .At(100, {0x90, 0x40, 0x50})  // 100 ticks at 5 ms
                      .Tempo(0, 1000000)            // from here 10 ms per tick
                      .At(100, {0x80, 0x40, 0x00})
                      .End(0))
           .Build());
  player.PlayFrom(0);
  Run(1600);
  const auto sent = ports.port.Take();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].due_ms, kStartMs + 500);
  EXPECT_EQ(sent[1].due_ms, kStartMs + 1500);
}

TEST_F(MidiPlayerTest, EventsAtTheSameTickComeOutInTrackOrder) {
  Load(SmfFile(1, 100)
           .Track(TrackBody().At(10, {0xB0, 0x0A, 0x20}).End())
           .Track(TrackBody().At(10, {0xC1, 0x07}).At(0, {0xC1, 0x08}).End())
           .Track(TrackBody().At(10, {0x92, 0x30, 0x40}).End(10))
           .Build());
  player.PlayFrom(0);
  Run(60);
  EXPECT_THAT(ports.port.TakeWhat(), ElementsAre("b0 0a 20", "c1 07", "c1 08", "92 30 40"));
}

Bytes ThreeNoteSong() {
  return SmfFile(0, 100)
      .Track(TrackBody()
                 .At(0, {0x90, 0x3C, 0x40})
                 .At(20, {0x80, 0x3C, 0x00})
                 .At(0, {0x90, 0x3E, 0x40})
                 .At(20, {0x80, 0x3E, 0x00})
                 .End(20))
      .Build();
}

TEST_F(MidiPlayerTest, WithLoopTheLastEventSilencesEveryChannelAndPlayStartsOver) {
  Load(ThreeNoteSong());
  player.SetLoop(true);
  player.PlayFrom(0);
  Run(310);  // past the end of track at 300 ms
  auto what = ports.port.TakeWhat();
  ASSERT_EQ(what.size(), 4u + 16u);
  EXPECT_THAT(std::vector(what.begin() + 4, what.end()), ElementsAreArray(AllNotesOffLines()));
  EXPECT_EQ(player.position(), 0u);
  EXPECT_FALSE(player.Ended());
  Run(10);
  EXPECT_THAT(ports.port.TakeWhat(), ElementsAre("90 3c 40"));
}

TEST_F(MidiPlayerTest, WithoutLoopPlayStopsBeforeTheLastEventAndStaysPlaying) {
  Load(ThreeNoteSong());
  player.PlayFrom(0);
  Run(2000);
  EXPECT_EQ(ports.port.TakeWhat().size(), 4u);
  EXPECT_TRUE(player.Ended());
  EXPECT_TRUE(player.Playing());
  EXPECT_EQ(player.position(), player.events().size() - 1);
  const int32_t clock_at_end = player.Clock();
  Run(100);
  EXPECT_EQ(player.Clock(), clock_at_end);  // the tick does nothing any more
  player.Stop();
  EXPECT_FALSE(player.Playing());
  EXPECT_THAT(ports.port.TakeWhat(), ElementsAreArray(AllNotesOffLines()));
}

TEST_F(MidiPlayerTest, PlayFromPastTheEndStartsAgainAtTheFirstEvent) {
  Load(ThreeNoteSong());
  player.PlayFrom(0);
  Run(150);
  ports.port.Take();
  player.PlayFrom(99999);
  EXPECT_THAT(ports.port.TakeWhat(), ElementsAreArray(AllNotesOffLines()));
  EXPECT_EQ(player.position(), 0u);
  EXPECT_EQ(player.Clock(), 0);
  Run(10);
  EXPECT_THAT(ports.port.TakeWhat(), ElementsAre("90 3c 40"));
}

TEST_F(MidiPlayerTest, ResumingChasesEverythingButNotesThenReplaysTheEventBeforeThePause) {
  Load(SmfFile(0, 100)
           .Track(
               TrackBody()
                   .At(0, {0xF0, 0x0A, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7})
                   .At(0, {0xC0, 0x30})
                   .At(0, {0xB0, 0x07, 0x64})
                   .At(10, {0x90, 0x3C, 0x40})
                   .At(10, {0xE0, 0x00, 0x50})
                   .At(10, {0x90, 0x3C, 0x00})  // velocity 0: a note-off
                   .At(10, {0xD0, 0x22})
                   .At(10, {0x90, 0x40, 0x60})  // at 250 ms
                   .At(30, {0x80, 0x40, 0x00})  // at 400 ms
                   .End(20))
           .Build());
  player.PlayFrom(0);
  Run(260);
  const int32_t paused_at = player.Clock();
  player.Stop();
  ports.port.Take();

  player.PlayFrom(paused_at);
  auto expected = AllNotesOffLines();
  for (const char* line :
       {"sysex f0 41 10 42 12 40 00 7f 00 41 f7", "c0 30", "b0 07 64", "e0 00 50", "d0 22"})
    expected.push_back(line);
  EXPECT_THAT(ports.port.TakeWhat(), ElementsAreArray(expected));
  EXPECT_EQ(clock.slept_ms(), 0u);  // a manual timer does not wait after the GS reset
  EXPECT_EQ(player.Clock(), 200);   // the time of the last event chased
  Run(60);
  EXPECT_THAT(ports.port.TakeWhat(), ElementsAre("90 40 60"));
}

TEST_F(MidiPlayerTest, PlayFromTheCurrentEventSendsNothingAndKeepsTheClock) {
  Load(ThreeNoteSong());
  player.PlayFrom(0);
  Run(30);
  ports.port.Take();
  const size_t position = player.position();
  player.PlayFrom(player.events()[position].time_ms);
  EXPECT_TRUE(ports.port.Take().empty());
  EXPECT_EQ(player.Clock(), 30);
}

TEST_F(MidiPlayerTest, ControllerScaleAppliesAtOnceWhilePlayingAndToLaterEvents) {
  Load(SmfFile(0, 100)
           .Track(TrackBody().At(0, {0xC0, 0x01}).At(20, {0xB3, 0x07, 0x64}).End(20))
           .Build());
  EXPECT_EQ(player.ControllerValue(5, 7), 127);  // loading sets full channel volume
  player.SetControllerScaleAll(7, 50);           // not playing: stored only
  EXPECT_TRUE(ports.port.Take().empty());
  player.PlayFrom(0);
  player.SetControllerScaleAll(7, 0);
  std::vector<std::string> silent;
  for (int ch = 0; ch < 16; ++ch) silent.push_back(Hex({static_cast<uint8_t>(0xB0 | ch), 7, 0}));
  EXPECT_THAT(ports.port.TakeWhat(), ElementsAreArray(silent));
  Run(150);
  EXPECT_THAT(ports.port.TakeWhat(), ElementsAre("c0 01", "b3 07 00"));
  EXPECT_EQ(player.ControllerValue(3, 7), 0x64);
  // value x percent / 100 in integers, then taken as one byte
  player.SetControllerScale(3, 7, 50);
  player.SetControllerScale(3, 7, 300);
  EXPECT_THAT(ports.port.TakeWhat(), ElementsAre("b3 07 32", "b3 07 2c"));
  player.SetControllerScale(16, 7, 50);
  player.SetControllerScale(0, 128, 50);
  EXPECT_TRUE(ports.port.Take().empty());
}

TEST_F(MidiPlayerTest, ATrackOfLengthZeroAddsNothing) {
  Load(SmfFile(1, 100).Track(TrackBody()).Track(TrackBody().At(0, {0xC2, 0x09}).End(10)).Build());
  EXPECT_EQ(player.events().size(), 2u);
  player.PlayFrom(0);
  Run(100);
  EXPECT_THAT(ports.port.TakeWhat(), ElementsAre("c2 09"));
  EXPECT_TRUE(player.Ended());
}

TEST_F(MidiPlayerTest, ADamagedSongLeavesTheSongEmptyAndTicksDoNothing) {
  ASSERT_TRUE(player.OpenDevice(-1));
  EXPECT_THROW(player.LoadSong(Bytes{'M', 'T', 'h', 'x', 0, 0}), EMidiFile);
  EXPECT_TRUE(player.events().empty());
  player.PlayFrom(500);
  Run(100);
  EXPECT_TRUE(ports.port.Take().empty());
  EXPECT_TRUE(player.Ended());
  EXPECT_EQ(player.SongLength(), 0);
}

TEST_F(MidiPlayerTest, AClosedOrUnopenablePortGetsNothing) {
  player.LoadSong(ThreeNoteSong());
  EXPECT_FALSE(player.OpenDevice(3));
  EXPECT_FALSE(player.DeviceOpen());
  player.PlayFrom(0);
  player.SendMasterVolumeFull();
  Run(100);
  EXPECT_TRUE(ports.port.Take().empty());

  ASSERT_TRUE(player.OpenDevice(0));
  player.SendMasterVolumeFull();
  EXPECT_THAT(ports.port.TakeWhat(), ElementsAre("sysex f0 7f 7f 04 01 00 7f f7"));
  player.CloseDevice();
  EXPECT_FALSE(player.Playing());
  EXPECT_THAT(ports.port.TakeWhat(), ElementsAre("reset"));
  EXPECT_THAT(ports.opened, ElementsAre(3, 0));
  EXPECT_THAT(ports.closed, ElementsAre(0));
}

TEST_F(MidiPlayerTest, AHeldTimerDoesNotTick) {
  Load(ThreeNoteSong());
  player.PlayFrom(0);
  player.timer().Hold();
  clock.Advance(50);
  player.timer().TickNow();
  player.timer().Release();
  EXPECT_TRUE(ports.port.Take().empty());
  player.timer().TickNow();
  EXPECT_EQ(ports.port.Take().size(), 1u);
}

// A clock on real time, for the threaded timer.
class SteadyClock final : public platform::Clock {
 public:
  uint32_t NowMs() override {
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
  }
  void SleepMs(uint32_t duration_ms) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(duration_ms));
  }
};

template <typename Condition>
bool WaitFor(Condition condition) {
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > give_up) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

TEST(MidiTimerThread, TicksWhileEnabledAndNotAfterDisablingOrWhileHeld) {
  std::atomic<int> ticks{0};
  std::atomic<bool> held{false};
  std::atomic<bool> ticked_while_held{false};
  TMMTimer timer(TMMTimer::Mode::kThread, [&] {
    if (held.load()) ticked_while_held = true;
    ++ticks;
  });
  timer.SetInterval(1);
  timer.SetEnabled(true);
  ASSERT_TRUE(WaitFor([&] { return ticks.load() >= 3; }));
  timer.Hold();
  held = true;
  const int at_hold = ticks.load();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(ticks.load(), at_hold);
  held = false;
  timer.Release();
  ASSERT_TRUE(WaitFor([&] { return ticks.load() > at_hold; }));
  timer.SetEnabled(false);
  timer.Hold();  // a tick that was under way has finished now
  timer.Release();
  const int at_stop = ticks.load();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(ticks.load(), at_stop);
  EXPECT_FALSE(ticked_while_held.load());
}

TEST(MidiTimerThread, APlayerOnItsOwnThreadPlaysASongToTheEnd) {
  SteadyClock clock;
  FakePorts ports;
  TMidiPlayV player(ports, clock, TMMTimer::Mode::kThread);
  player.LoadSong(ThreeNoteSong());
  ASSERT_TRUE(player.OpenDevice(-1));
  player.PlayFrom(0);
  ASSERT_TRUE(WaitFor([&] { return player.Ended(); }));
  player.Stop();
  EXPECT_THAT(ports.port.TakeWhat(),
              testing::IsSupersetOf({"90 3c 40", "80 3c 00", "90 3e 40", "80 3e 00"}));
}

}  // namespace
}  // namespace vesk::media
