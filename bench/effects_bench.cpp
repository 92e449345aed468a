// The effect components at 800x600 32-bit, each against a memcpy of the
// frame timed in the same iterations (the counter x_memcpy is the ratio):
// an emitter keeping about 2,000 snow particles of an 8x8 picture, updated
// and drawn every frame (the whole screen is dirty, as it is while snow
// falls everywhere), and the fire's heat step over a 320x240 buffer.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <memory>

#include "components/component_services.h"
#include "components/fire.h"
#include "components/kinds.h"
#include "components/orlo_collection.h"
#include "components/particle.h"
#include "expr/param_collection.h"
#include "graphics/dibsfc.h"
#include "lang/vocabulary.h"
#include "scene/baselist.h"

namespace {

using namespace vesk;
using namespace vesk::lang;
using Clock = std::chrono::steady_clock;

constexpr int kW = 800, kH = 600;
constexpr int32_t kFrameMs = 16;

double Ns(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::nano>(to - from).count();
}

// One picture, "dot.orl": an 8x8 disc of white on a colour key.
components::PictureServices DotPictures() {
  components::PictureServices s;
  s.file_available = [](const std::string& name) { return name == "dot.orl"; };
  s.read_file = [](const std::string&) { return std::vector<uint8_t>{1}; };
  s.decode = [](const std::string&, std::span<const uint8_t>, int bit_count, bool, bool) {
    std::vector<components::DecodedFrame> out(1);
    out[0].surface = std::make_unique<graphics::TDIBX>(8, 8, bit_count);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) {
        const bool in = (x - 3.5) * (x - 3.5) + (y - 3.5) * (y - 3.5) < 14;
        out[0].surface->SetPixel(x, y, in ? 0xFFFFFFu : 0u);
      }
    out[0].color_key = 0;
    return out;
  };
  return s;
}

// Frame copies between buffers of their own, timed beside the effect.
struct FrameCopy {
  graphics::TDIBX from{kW, kH, 32}, to{kW, kH, 32};
  double ns = 0;
  void Run() {
    const auto t0 = Clock::now();
    std::memcpy(to.View().origin, from.View().origin, size_t(to.Stride()) * kH);
    benchmark::ClobberMemory();
    ns += Ns(t0, Clock::now());
  }
};

void BM_Particles2000(benchmark::State& state) {
  components::TOrloCollection pictures(DotPictures());
  expr::TParamCollection variables;
  components::ComponentServices services;
  services.pictures = &pictures;
  services.variables = &variables;
  auto kinds = std::make_shared<scene::KindRegistry>();
  components::RegisterComponentKinds(*kinds, services);
  scene::SceneEnvironment env;
  env.kinds = kinds;
  scene::TVeskBaseList root(env);
  root.SetSceneSize(kW, kH);
  root.ShownBase()->Color = 0x402010;
  graphics::TDIBX screen(kW, kH, 32);

  auto* e = dynamic_cast<components::TVeskParticle*>(root.CreateByKind(LT_PARTICLE));
  e->SetParent(root.ShownBase());
  e->SetInt(PR_WIDTH, kW);
  e->SetInt(PR_HEIGHT, kH);
  e->SetInt(PR_ALPHA, 255);
  e->SetStr(PR_SOURCE, "dot.orl");
  // One particle per tick, each falling 0.3 pixel a tick for 2,000 ticks.
  e->SetReal(PR_PARAM1, 0.3);
  e->SetReal(PR_PARAM2, 6);
  e->SetReal(PR_PARAM3, 20);
  e->PresetArea = components::TVeskParticleParam{0, 0, kW, 0, kFrameMs, 0};
  e->SetInt(PR_INDEX, 2000 * kFrameMs);
  e->SetInt(PR_PARTMOTION, PM_SNOW);
  root.UpdatePass(kFrameMs);

  FrameCopy copy;
  double frame_ns = 0, update_ns = 0;
  size_t particles = 0;
  for (auto _ : state) {
    copy.Run();
    const auto t0 = Clock::now();
    root.UpdatePass(kFrameMs);
    const auto t1 = Clock::now();
    root.DrawPass(&screen);
    root.ClearDirtyRects();
    benchmark::ClobberMemory();
    const auto t2 = Clock::now();
    update_ns += Ns(t0, t1);
    frame_ns += Ns(t0, t2);
    particles += e->Particles().size();
  }
  const double n = double(state.iterations());
  state.counters["frame_us"] = frame_ns / n / 1000;
  state.counters["update_us"] = update_ns / n / 1000;
  state.counters["memcpy_us"] = copy.ns / n / 1000;
  state.counters["x_memcpy"] = frame_ns / copy.ns;
  state.counters["particles"] = double(particles) / n;
}
BENCHMARK(BM_Particles2000)->Unit(benchmark::kMicrosecond)->MinTime(0.5);

void BM_FireStep320x240(benchmark::State& state) {
  scene::TVeskBaseList root;
  auto* fire = root.Make<components::TVeskFire>();
  fire->SetInt(PR_ORIGWIDTH, 320);
  fire->SetInt(PR_ORIGHEIGHT, 240);
  fire->SetInt(PR_POWER, 40);
  fire->Initialise();
  for (int i = 0; i < 100; ++i) fire->HeatStep();  // a burning fire, not a cold one
  FrameCopy copy;
  double step_ns = 0;
  for (auto _ : state) {
    copy.Run();
    const auto t0 = Clock::now();
    fire->HeatStep();
    benchmark::ClobberMemory();
    step_ns += Ns(t0, Clock::now());
  }
  const double n = double(state.iterations());
  state.counters["step_us"] = step_ns / n / 1000;
  state.counters["memcpy_us"] = copy.ns / n / 1000;
  state.counters["x_memcpy"] = step_ns / copy.ns;
}
BENCHMARK(BM_FireStep320x240)->Unit(benchmark::kMicrosecond)->MinTime(0.5);

}  // namespace

BENCHMARK_MAIN();
