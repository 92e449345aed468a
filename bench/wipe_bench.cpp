// Every transition type at 800x600, in 32-bit and 16-bit: one Step per
// iteration with the elapsed time advancing by a frame (16 of 1000 ms,
// wrapping), against a memcpy of the frame in the same iterations. The
// counter x_memcpy is the ratio of the two. Types no maker builds yet are
// reported as skipped.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "graphics/dibsfc.h"
#include "transitions/wipe.h"

namespace {

using vesk::graphics::TDIBX;
using vesk::transitions::CreateWipe;
using vesk::transitions::WipeServices;

constexpr int kW = 800, kH = 600;
constexpr int32_t kDurationMs = 1000, kFrameMs = 16;

// A picture with detail everywhere: colour ramps crossed by a pattern.
TDIBX Picture(int bits, int seed) {
  TDIBX s(kW, kH, bits);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const int r = (x + seed * 37) & 255, g = (y * 3 + seed) & 255, b = ((x ^ y) + seed) & 255;
      s.SetPixel(x, y, uint32_t(s.ColorToPixel(r | g << 8 | b << 16)));
    }
  return s;
}

// A rule picture as games ship them: a diagonal grey ramp of its own size.
std::unique_ptr<TDIBX> RulePicture() {
  auto p = std::make_unique<TDIBX>(640, 480, 8);
  for (int y = 0; y < p->Height(); ++y)
    for (int x = 0; x < p->Width(); ++x) p->SetPixel(x, y, uint32_t((x + y) * 255 / 1118));
  return p;
}

struct Frame {
  TDIBX from, to, dest;
  WipeServices services;
  uint32_t random_state = 1;
  explicit Frame(int bits) : from(Picture(bits, 1)), to(Picture(bits, 2)), dest(Picture(bits, 1)) {
    services.load_rule_image = [](const std::string&) { return RulePicture(); };
    services.random = [this](int32_t n) {
      random_state = random_state * 1103515245u + 12345u;
      return n > 0 ? int32_t((random_state >> 8) % uint32_t(n)) : 0;
    };
  }
};

using Clock = std::chrono::steady_clock;

double Ns(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::nano>(to - from).count();
}

// Each iteration copies a frame with memcpy (between buffers of its own) and
// then steps the wipe, each timed on its own, so that both see the same load
// of the machine.
void BM_WipeStep(benchmark::State& state, int type, int bits) {
  Frame f(bits);
  auto wipe = CreateWipe(type, f.dest, f.from, f.to, &f.services);
  if (!wipe) {
    state.SkipWithError(("type " + std::to_string(type) + " is not made yet: skipped").c_str());
    return;
  }
  wipe->Duration = kDurationMs;
  wipe->SetImageName("rule");
  wipe->Prepare();
  TDIBX copy_from = Picture(bits, 3), copy_to(kW, kH, bits);
  const size_t frame_bytes = size_t(copy_to.Stride()) * kH;
  int32_t elapsed = 0;
  double step_ns = 0, memcpy_ns = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    std::memcpy(copy_to.View().origin, copy_from.View().origin, frame_bytes);
    benchmark::ClobberMemory();
    const auto t1 = Clock::now();
    wipe->Elapsed = elapsed;
    benchmark::DoNotOptimize(wipe->Step());
    benchmark::ClobberMemory();
    const auto t2 = Clock::now();
    memcpy_ns += Ns(t0, t1);
    step_ns += Ns(t1, t2);
    elapsed = (elapsed + kFrameMs) % kDurationMs;
  }
  const double n = double(state.iterations());
  state.counters["step_us"] = step_ns / n / 1000;
  state.counters["memcpy_us"] = memcpy_ns / n / 1000;
  state.counters["x_memcpy"] = step_ns / memcpy_ns;
}

const char* const kNames[] = {
    "",        "fade",      "blindh",      "blindv",      "curtainh", "curtainv",
    "scrollh", "scrollv",   "grid",        "gridh",       "gridv",    "dither",
    "white",   "black",     "flash",       "mosaic",      "sudareh",  "sudarev",
    "spot",    "shadow",    "shadowwhite", "shadowblack", "small",    "big",
    "ripple",  "blurwhite", "blurblack",   "twisth",      "twistv",   "crack",
    "zoomin",  "clockhand"};

const bool kRegistered = [] {
  for (const int bits : {32, 16}) {
    for (int type = 1; type <= vesk::transitions::kWipeCount; ++type) {
      char name[64];
      std::snprintf(name, sizeof name, "BM_Wipe%d/%02d-%s", bits, type, kNames[type]);
      benchmark::RegisterBenchmark(name, BM_WipeStep, type, bits)
          ->Unit(benchmark::kMicrosecond)
          ->MinTime(0.2);
    }
  }
  return true;
}();

}  // namespace

BENCHMARK_MAIN();
