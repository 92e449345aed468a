// Decoding cost of video and compressed sound, on files bench/CMakeLists.txt
// makes with the ffmpeg program: ten seconds of a moving 640x480 test
// picture at 30 frames per second (WMV 8, MPEG-4 part 2, Theora when its
// encoder is there) and ten seconds of stereo noise and tones (Ogg Vorbis
// and WMA 2).
//
// Video: each iteration opens the file and shows every frame, as a player
// at 30 Hz does (decode, and convert to B, G, R, 255). core_pct is the
// process CPU time per second of video as a percentage of one core (the goal
// is under 20); x_memcpy is the ratio of the decoding's wall time to a
// memcpy of the same number of frames' bytes in the same iterations.
//
// Sound: each iteration decodes the whole file to 44100 Hz 16-bit stereo
// in 4096-frame reads; core_pct is the CPU time per second of sound. The
// rewind case is a seek back to the start (a looping sound's wrap), in
// microseconds per seek.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/media_decoder.h"

namespace {

using vesk::platform::MediaBytes;

constexpr int kVideoSeconds = 10;
constexpr int kFramesPerSecond = 30;

MediaBytes Load(const std::string& name) {
  std::ifstream in(std::string(VESK_BENCH_MEDIA_DIR) + "/" + name, std::ios::binary);
  return std::make_shared<const std::vector<uint8_t>>(std::istreambuf_iterator<char>(in),
                                                      std::istreambuf_iterator<char>());
}

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

double CpuSeconds(std::clock_t from, std::clock_t to) {
  return double(to - from) / CLOCKS_PER_SEC;
}

void BM_Video(benchmark::State& state, const char* file) {
  const MediaBytes bytes = Load(file);
  std::string error;
  if (!vesk::platform::OpenVideoDecoder(bytes, &error)) {
    state.SkipWithError(("cannot open " + std::string(file) + ": " + error).c_str());
    return;
  }
  constexpr int kFrames = kVideoSeconds * kFramesPerSecond;
  const size_t frame_bytes = 640 * 480 * 4;
  std::vector<uint8_t> from(frame_bytes, 7), to(frame_bytes);
  double decode_s = 0, decode_cpu_s = 0, memcpy_s = 0;
  int shown = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    for (int f = 0; f < kFrames; ++f) std::memcpy(to.data(), from.data(), frame_bytes);
    benchmark::ClobberMemory();
    const auto t1 = Clock::now();
    const std::clock_t c0 = std::clock();
    auto d = vesk::platform::OpenVideoDecoder(bytes, &error);
    shown = 0;
    // The middle of each frame's time: every frame is shown once.
    for (int f = 0; f < kFrames; ++f)
      shown += d->AdvanceTo((2 * int64_t(f) + 1) * 1000 / (2 * kFramesPerSecond));
    benchmark::DoNotOptimize(d->Picture());
    const std::clock_t c1 = std::clock();
    const auto t2 = Clock::now();
    memcpy_s += Seconds(t0, t1);
    decode_s += Seconds(t1, t2);
    decode_cpu_s += CpuSeconds(c0, c1);
  }
  const double n = double(state.iterations());
  state.counters["core_pct"] = decode_cpu_s / n / kVideoSeconds * 100;
  state.counters["x_memcpy"] = decode_s / memcpy_s;
  state.counters["frames"] = shown;
}

void BM_Sound(benchmark::State& state, const char* file) {
  const MediaBytes bytes = Load(file);
  std::string error;
  if (!vesk::platform::OpenAudioDecoder(bytes, &error)) {
    state.SkipWithError(("cannot open " + std::string(file) + ": " + error).c_str());
    return;
  }
  std::vector<int16_t> block(2 * 4096);
  double cpu_s = 0, sound_s = 0;
  int64_t frames = 0;
  for (auto _ : state) {
    const std::clock_t c0 = std::clock();
    auto d = vesk::platform::OpenAudioDecoder(bytes, &error);
    frames = 0;
    for (size_t n; (n = d->ReadFrames(block.data(), 4096)) > 0;) frames += int64_t(n);
    benchmark::DoNotOptimize(block.data());
    cpu_s += CpuSeconds(c0, std::clock());
    sound_s += double(frames) / vesk::platform::kDecodedRateHz;
  }
  state.counters["core_pct"] = cpu_s / sound_s * 100;
  state.counters["seconds"] = double(frames) / vesk::platform::kDecodedRateHz;
}

void BM_SoundRewind(benchmark::State& state, const char* file) {
  const MediaBytes bytes = Load(file);
  std::string error;
  auto d = vesk::platform::OpenAudioDecoder(bytes, &error);
  if (!d) {
    state.SkipWithError(("cannot open " + std::string(file) + ": " + error).c_str());
    return;
  }
  std::vector<int16_t> block(2 * 4096);
  for (auto _ : state) {
    state.PauseTiming();
    d->SeekFrame(d->Info().total_frames / 2);
    d->ReadFrames(block.data(), 4096);
    state.ResumeTiming();
    d->SeekFrame(0);
    d->ReadFrames(block.data(), 4096);
  }
}

BENCHMARK_CAPTURE(BM_Video, wmv2, "testsrc_wmv2.wmv")->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK_CAPTURE(BM_Video, mpeg4, "testsrc_mpeg4.avi")->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK_CAPTURE(BM_Video, theora, "testsrc_theora.ogv")
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2);
BENCHMARK_CAPTURE(BM_Sound, ogg, "music.ogg")->Unit(benchmark::kMillisecond)->MinTime(1);
BENCHMARK_CAPTURE(BM_Sound, wma, "music.wma")->Unit(benchmark::kMillisecond)->MinTime(1);
BENCHMARK_CAPTURE(BM_SoundRewind, ogg, "music.ogg")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_SoundRewind, wma, "music.wma")->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
