// MIDI through the SoundFont synthesizer, over a dense General MIDI song
// made here (16 channels, chords, drums, about 100 notes a second).
//  - Render: one second of 44100 Hz stereo rendered in 1024-frame blocks
//    with the song's messages fed in as it plays; synth_cpu_ms is the
//    process CPU time per second of sound, x_memcpy the ratio of its wall
//    time to a memcpy of the same second of audio in the same iterations.
//  - Timing: the song played for a few seconds by the sequencer on its own
//    timer thread into the synth, which a thread of its own renders in
//    blocks of 256, 1024 or 4096 frames at the audio rate (as a device
//    would pull; in the last case each pull up to 10 ms late). For
//    every message: due_dev (its due time against the file's time), late
//    (how long after that time the tick sent it) and placed_dev (where the
//    synth placed it, latency taken off, against the file's time); mean and
//    max of the absolute values in ms.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <ctime>
#include <map>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "media/midi_player.h"
#include "platform/clock.h"
#include "platform/fluidsynth/fluid_synth_port.h"

namespace {

using vesk::media::MidiEventKind;
using vesk::media::TMidiPlayV;
using vesk::media::TMidiV;
using vesk::media::TMMTimer;
using vesk::platform::FluidSynthPort;

constexpr int kBlockFrames = 1024;
constexpr int kSecondFrames = 44100;
constexpr int kDivision = 480;
constexpr int kStepTicks = kDivision / 4;  // sixteenth notes, 125 ms at 120 bpm
constexpr int kSongSteps = 8 * 16;         // 8 bars, 16 s

using Bytes = std::vector<uint8_t>;

void PutQuantity(Bytes& out, uint32_t v) {
  Bytes groups{static_cast<uint8_t>(v & 0x7F)};
  while (v >>= 7) groups.insert(groups.begin(), static_cast<uint8_t>(0x80 | (v & 0x7F)));
  out.insert(out.end(), groups.begin(), groups.end());
}

void Put(Bytes& out, uint32_t v, int bytes) {
  for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
    out.push_back(static_cast<uint8_t>(v >> shift));
}

// One format 0 track: per channel a program, volume and pan; every
// sixteenth a triad on channel 0, a note on every other of the other
// melodic channels in turn, hi-hat and kick or snare; a pitch bend wobble
// on channel 5. Each note lasts one step.
Bytes DenseSong() {
  std::multimap<int, Bytes> events;
  for (int ch = 0; ch < 16; ++ch) {
    const uint8_t c = static_cast<uint8_t>(ch);
    if (ch != 9) events.insert({0, {static_cast<uint8_t>(0xC0 | c), static_cast<uint8_t>(ch * 7)}});
    events.insert({0, {static_cast<uint8_t>(0xB0 | c), 7, 100}});
    events.insert({0, {static_cast<uint8_t>(0xB0 | c), 10, static_cast<uint8_t>(ch * 8)}});
  }
  const auto note = [&](int tick, int ch, int key, int velocity) {
    const uint8_t c = static_cast<uint8_t>(ch);
    events.insert({tick,
                   {static_cast<uint8_t>(0x90 | c), static_cast<uint8_t>(key),
                    static_cast<uint8_t>(velocity)}});
    events.insert(
        {tick + kStepTicks - 10, {static_cast<uint8_t>(0x80 | c), static_cast<uint8_t>(key), 0}});
  };
  for (int step = 0; step < kSongSteps; ++step) {
    const int tick = step * kStepTicks;
    const int root = 48 + (step / 16 % 4) * 2;
    for (int k : {0, 4, 7}) note(tick, 0, root + k, 70);
    for (int ch = 1; ch < 16; ++ch)
      if (ch != 9 && (step + ch) % 2 == 0) note(tick, ch, root + 12 + (step * ch) % 12, 80);
    note(tick, 9, 42, 60);
    note(tick, 9, step % 4 == 2 ? 38 : 36, 100);
    events.insert({tick, {0xE5, 0x00, static_cast<uint8_t>(0x40 + (step % 8) - 4)}});
  }
  Bytes track;
  int previous = 0;
  for (const auto& [tick, bytes] : events) {
    PutQuantity(track, static_cast<uint32_t>(tick - previous));
    track.insert(track.end(), bytes.begin(), bytes.end());
    previous = tick;
  }
  track.insert(track.end(), {0x00, 0xFF, 0x2F, 0x00});
  Bytes file{'M', 'T', 'h', 'd'};
  Put(file, 6, 4);
  Put(file, 0, 2);
  Put(file, 1, 2);
  Put(file, kDivision, 2);
  file.insert(file.end(), {'M', 'T', 'r', 'k'});
  Put(file, static_cast<uint32_t>(track.size()), 4);
  file.insert(file.end(), track.begin(), track.end());
  return file;
}

const TMidiV& Song() {
  static const TMidiV song = [] {
    TMidiV s;
    s.LoadSong(DenseSong());
    return s;
  }();
  return song;
}

uint32_t ShortOf(const vesk::media::TMidiMsgEvent& e) {
  uint32_t m = 0;
  for (size_t i = 0; i < e.data.size() && i < 3; ++i) m |= uint32_t(e.data[i]) << (8 * i);
  return m;
}

void Send(FluidSynthPort& synth, const vesk::media::TMidiMsgEvent& e, uint32_t due_ms) {
  if (e.kind == MidiEventKind::kChannel) synth.ShortMessage(ShortOf(e), due_ms);
  if (e.kind == MidiEventKind::kSysEx) synth.LongMessage(e.data, due_ms);
}

using SteadyTime = std::chrono::steady_clock;

double Ns(SteadyTime::time_point from, SteadyTime::time_point to) {
  return std::chrono::duration<double, std::nano>(to - from).count();
}

double CpuNs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) * 1e9 + double(t.tv_nsec);
}

void BM_SynthRenderDenseSong(benchmark::State& state) {
  vesk::platform::ManualClock clock(1000);
  std::string error;
  auto synth = FluidSynthPort::Create(vesk::platform::FindSoundFont(""), &error, &clock);
  if (synth == nullptr) {
    state.SkipWithError(error.c_str());
    return;
  }
  const auto& events = Song().events();
  size_t next = 0;
  uint32_t song_start_ms = clock.NowMs();
  std::vector<int16_t> second(size_t(kSecondFrames) * 2), copy(second.size());
  double render_ns = 0, memcpy_ns = 0, cpu_ns = 0;
  for (auto _ : state) {
    const double cpu0 = CpuNs();
    const auto t0 = SteadyTime::now();
    std::fill(second.begin(), second.end(), 0);
    for (int at = 0; at < kSecondFrames; at += kBlockFrames) {
      const int n = std::min(kBlockFrames, kSecondFrames - at);
      // The messages of the next 50 ms, as the sequencer would send them.
      const uint32_t now_ms = clock.NowMs();
      while (true) {
        if (next == events.size()) {
          next = 0;
          song_start_ms = now_ms;
        }
        const uint32_t due = song_start_ms + uint32_t(events[next].time_ms);
        if (int32_t(due - now_ms) > 50) break;
        Send(*synth, events[next++], due);
      }
      synth->RenderAdd(second.data() + 2 * at, n);
      clock.Set(1000 + uint32_t(std::llround(double(synth->frames_rendered()) * 1000 / 44100)));
    }
    const auto t1 = SteadyTime::now();
    cpu_ns += CpuNs() - cpu0;
    std::memcpy(copy.data(), second.data(), second.size() * sizeof(int16_t));
    benchmark::DoNotOptimize(copy.data());
    benchmark::ClobberMemory();
    const auto t2 = SteadyTime::now();
    render_ns += Ns(t0, t1);
    memcpy_ns += Ns(t1, t2);
  }
  const double n = double(state.iterations());
  state.counters["synth_cpu_ms"] = cpu_ns / n / 1e6;
  state.counters["memcpy_us"] = memcpy_ns / n / 1e3;
  state.counters["x_memcpy"] = render_ns / std::max(memcpy_ns, 1.0);
  int peak = 0;
  for (int16_t s : second) peak = std::max(peak, std::abs(int(s)));
  state.counters["peak"] = peak;
  state.counters["dropped"] = double(synth->dropped_messages());
}
BENCHMARK(BM_SynthRenderDenseSong)->Unit(benchmark::kMillisecond);

class SteadyClock final : public vesk::platform::Clock {
 public:
  uint32_t NowMs() override {
    return uint32_t(
        std::chrono::duration_cast<std::chrono::milliseconds>(SteadyTime::now().time_since_epoch())
            .count());
  }
  void SleepMs(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

double NowExactMs() {
  return std::chrono::duration<double, std::milli>(SteadyTime::now().time_since_epoch()).count();
}

// Passes everything on to the synth and notes when each message was due
// and when it was sent.
class RecordingSynthPort final : public vesk::platform::MidiOut {
 public:
  explicit RecordingSynthPort(FluidSynthPort& synth) : synth_(synth) {}
  std::string Name() const override { return synth_.Name(); }
  void ShortMessage(uint32_t message, uint32_t due_ms) override {
    Note(due_ms);
    synth_.ShortMessage(message, due_ms);
  }
  void LongMessage(std::span<const uint8_t> bytes, uint32_t due_ms) override {
    Note(due_ms);
    synth_.LongMessage(bytes, due_ms);
  }
  void Reset() override { synth_.Reset(); }

  struct Sent {
    uint32_t due_ms;
    double sent_ms;
  };
  std::vector<Sent> Take() {
    std::lock_guard lock(mutex_);
    return std::exchange(sent_, {});
  }

 private:
  void Note(uint32_t due_ms) {
    std::lock_guard lock(mutex_);
    sent_.push_back({due_ms, NowExactMs()});
  }
  FluidSynthPort& synth_;
  std::mutex mutex_;
  std::vector<Sent> sent_;
};

class OnePort final : public vesk::media::MidiPortList {
 public:
  explicit OnePort(vesk::platform::MidiOut& port) : port_(port) {}
  std::vector<std::string> Names() const override { return {port_.Name()}; }
  vesk::platform::MidiOut* Open(int) override { return &port_; }
  void Close(int) override {}

 private:
  vesk::platform::MidiOut& port_;
};

struct Deviation {
  double sum = 0, max = 0;
  size_t n = 0;
  void Add(double d) {
    sum += std::abs(d);
    max = std::max(max, std::abs(d));
    ++n;
  }
  double mean() const { return n ? sum / double(n) : 0; }
};

void BM_SequencerTiming(benchmark::State& state) {
  const int seconds = int(state.range(0));
  const int block_frames = int(state.range(1));
  const int jitter_us = int(state.range(2)) * 1000;
  SteadyClock clock;
  std::string error;
  auto synth = FluidSynthPort::Create(vesk::platform::FindSoundFont(""), &error, &clock);
  if (synth == nullptr) {
    state.SkipWithError(error.c_str());
    return;
  }
  const auto& song = Song();
  Deviation due_dev, late, placed_dev;
  for (auto _ : state) {
    synth->TracePlacements(200000);
    RecordingSynthPort recorder(*synth);
    OnePort ports(recorder);
    TMidiPlayV player(ports, clock, TMMTimer::Mode::kThread);
    player.LoadSong(DenseSong());
    player.OpenDevice(-1);
    std::atomic<bool> rendering{true};
    std::thread device([&] {
      std::vector<int16_t> block(size_t(block_frames) * 2);
      const auto start = SteadyTime::now();
      std::minstd_rand random(7);
      for (int64_t k = 0; rendering.load(); ++k) {
        // A device pulls a little late now and then, never early.
        const int64_t late_us = jitter_us > 0 ? int64_t(random() % uint32_t(jitter_us)) : 0;
        std::this_thread::sleep_until(
            start + std::chrono::microseconds(k * block_frames * 1000000 / 44100 + late_us));
        std::fill(block.begin(), block.end(), 0);
        synth->RenderAdd(block.data(), block_frames);
      }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the timeline settles
    const uint32_t start_ms = clock.NowMs();
    player.PlayFrom(0);
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    player.Stop();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the last block renders
    rendering = false;
    device.join();
    const auto sent = recorder.Take();
    const auto placed = synth->TakePlacements();
    // The messages came from the song's sendable events in order, then
    // Stop's sixteen notes-off.
    const size_t song_messages = std::min(sent.size(), placed.size()) - 16;
    size_t i = 0;
    for (const auto& e : song.events()) {
      if (e.kind == MidiEventKind::kMeta) continue;
      if (i >= song_messages) break;
      const double file_ms = double(start_ms) + e.time_ms;
      due_dev.Add(double(sent[i].due_ms) - file_ms);
      late.Add(sent[i].sent_ms - file_ms);
      placed_dev.Add(placed[i].placed_ms - file_ms);
      ++i;
    }
  }
  state.counters["messages"] = double(due_dev.n);
  state.counters["due_dev_mean_ms"] = due_dev.mean();
  state.counters["due_dev_max_ms"] = due_dev.max;
  state.counters["late_mean_ms"] = late.mean();
  state.counters["late_max_ms"] = late.max;
  state.counters["placed_dev_mean_ms"] = placed_dev.mean();
  state.counters["placed_dev_max_ms"] = placed_dev.max;
  state.counters["latency_ms"] = synth->LatencyFrames() * 1000.0 / 44100;
  state.counters["dropped"] = double(synth->dropped_messages());
}
// Arguments: seconds played, frames per rendered block, the most ms a
// pull comes late (at random).
BENCHMARK(BM_SequencerTiming)
    ->Args({4, 256, 0})
    ->Args({4, 1024, 0})
    ->Args({4, 4096, 0})
    ->Args({4, 1024, 10})
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);

void BM_MemcpyOneSecondOfAudio(benchmark::State& state) {
  std::vector<int16_t> second(size_t(kSecondFrames) * 2, 1), copy(second.size());
  for (auto _ : state) {
    std::memcpy(copy.data(), second.data(), second.size() * sizeof(int16_t));
    benchmark::DoNotOptimize(copy.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_MemcpyOneSecondOfAudio)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
