// The wave output mixing 16 streams at once into one second of 44100 Hz
// stereo (two blocks of 500 ms), against a memcpy of that second of output
// in the same iterations. mix_cpu_ms is the process CPU time of the mixing
// per second of sound (the goal is under 2 ms); x_memcpy is the ratio of
// the mixing's wall time to the memcpy's. "plain" streams play at full
// volume; "shaped" ones each have a volume, a pan and half of them a fade.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <ctime>
#include <vector>

#include "audio/wav_out.h"
#include "platform/clock.h"

namespace {

using vesk::audio::MakePcmFormat;
using vesk::audio::MemoryPcmStream;
using vesk::audio::TWavBuffer;
using vesk::audio::TWavOut;

constexpr int kStreams = 16;
constexpr size_t kSecondFrames = 44100;

std::vector<int16_t> Tone(int seed) {
  std::vector<int16_t> s(kSecondFrames * 2);
  for (size_t i = 0; i < s.size(); ++i)
    s[i] = int16_t(((int32_t(i) * (seed + 3) * 37) % 24000) - 12000);
  return s;
}

using Clock = std::chrono::steady_clock;

double Ns(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::nano>(to - from).count();
}

void BM_Mix16(benchmark::State& state, bool shaped) {
  vesk::platform::ManualClock clock;
  TWavOut out(500, clock);
  out.Open();
  std::vector<MemoryPcmStream> streams;
  streams.reserve(kStreams);
  std::vector<TWavBuffer*> buffers;
  for (int i = 0; i < kStreams; ++i) {
    streams.push_back(MemoryPcmStream::FromSamples(Tone(i)));
    buffers.push_back(out.CreateBuffer(MakePcmFormat(2, 44100, 16), streams.back()));
  }
  std::vector<int16_t> second(kSecondFrames * 2), copy(second.size());
  double mix_ns = 0, memcpy_ns = 0, mix_cpu_ns = 0;
  for (auto _ : state) {
    for (int i = 0; i < kStreams; ++i) {
      TWavBuffer* b = buffers[size_t(i)];
      b->SetBytePosition(0);
      if (shaped) {
        b->SetVolume(-100 * i);
        b->SetPan(i * 1250 - 10000);
        if (i % 2 == 0) b->FadeTo(-3000, 1000);
      }
      b->Start();
    }
    const auto t0 = Clock::now();
    std::memcpy(copy.data(), second.data(), second.size() * sizeof(int16_t));
    benchmark::ClobberMemory();
    const auto t1 = Clock::now();
    const std::clock_t c0 = std::clock();
    const size_t half = out.BlockSamples();
    out.MixBlock(std::span(second).first(half));
    out.MixBlock(std::span(second).subspan(half, half));
    benchmark::ClobberMemory();
    const std::clock_t c1 = std::clock();
    const auto t2 = Clock::now();
    memcpy_ns += Ns(t0, t1);
    mix_ns += Ns(t1, t2);
    mix_cpu_ns += double(c1 - c0) * 1e9 / CLOCKS_PER_SEC;
  }
  const double n = double(state.iterations());
  state.counters["mix_cpu_ms"] = mix_cpu_ns / n / 1e6;
  state.counters["mix_ms"] = mix_ns / n / 1e6;
  state.counters["memcpy_us"] = memcpy_ns / n / 1000;
  state.counters["x_memcpy"] = mix_ns / memcpy_ns;
}

BENCHMARK_CAPTURE(BM_Mix16, plain, false)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK_CAPTURE(BM_Mix16, shaped, true)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

BENCHMARK_MAIN();
