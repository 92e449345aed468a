// A cinema at 800x600 32-bit: 30 sprites of 64x64 with alpha, moving on the
// cinema's stage every frame (update, stage redraw and copy into the scene),
// and the same cinema standing still on its last frame (only dirty parts
// are redrawn: nothing), each against a memcpy of the frame in the same
// iterations. The counter x_memcpy is the ratio of the two.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "anim/film_file.h"
#include "components/cinema.h"
#include "components/component_services.h"
#include "components/kinds.h"
#include "components/orlo_collection.h"
#include "graphics/dibsfc.h"
#include "lang/vocabulary.h"
#include "scene/baselist.h"

namespace {

using namespace vesk;

constexpr int kW = 800, kH = 600, kSprites = 30, kFrames = 600;

std::vector<uint8_t> Film() {
  anim::FilmData film;
  film.Size = {kW, kH};
  film.BackColor = 0x402010;
  for (int i = 0; i < kSprites; ++i) {
    anim::FrameList list;
    list.Length = kFrames;
    anim::ImageListData image;
    image.Source = "sprite.orl";
    image.Image.StartPos = {(i * 97) % (kW - 64), (i * 53) % (kH - 64)};
    image.Image.EndPos = {(i * 31 + 400) % (kW - 64), (i * 71 + 300) % (kH - 64)};
    image.Image.StartAlpha = 96;
    image.Image.EndAlpha = 200;
    list.Data = image;
    film.Lists.push_back(list);
  }
  return anim::WriteFilm(film);
}

components::PictureServices Pictures(const std::vector<uint8_t>& film) {
  components::PictureServices s;
  s.file_available = [](const std::string&) { return true; };
  s.read_file = [film](const std::string& name) -> std::optional<std::vector<uint8_t>> {
    if (name == "bench.lcm") return film;
    return std::vector<uint8_t>{1};
  };
  s.decode = [](const std::string&, std::span<const uint8_t>, int bits, bool, bool) {
    std::vector<components::DecodedFrame> out(1);
    out[0].surface = std::make_unique<graphics::TDIBX>(64, 64, bits);
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 64; ++x)
        out[0].surface->SetPixel(x, y, uint32_t(out[0].surface->ColorToPixel(x * 4 | y * 4 << 8)));
    out[0].delay_ms = 1000;
    return out;
  };
  return s;
}

struct Scene {
  components::TOrloCollection cache;
  components::ComponentServices services;
  std::shared_ptr<scene::KindRegistry> kinds = std::make_shared<scene::KindRegistry>();
  std::unique_ptr<scene::TVeskBaseList> root;
  graphics::TDIBX screen{kW, kH, 32};
  components::TVeskCinema* cinema = nullptr;

  Scene() : cache(Pictures(Film())) {
    services.pictures = &cache;
    components::RegisterComponentKinds(*kinds, services);
    scene::SceneEnvironment env;
    env.kinds = kinds;
    env.make_surface = [](int32_t w, int32_t h) {
      return std::make_unique<graphics::TDIBX>(w, h, 32);
    };
    root = std::make_unique<scene::TVeskBaseList>(env);
    root->SetSceneSize(kW, kH);
    cinema = dynamic_cast<components::TVeskCinema*>(root->CreateByKind(lang::LT_CINEMA));
    cinema->SetParent(root->ShownBase());
    cinema->SetFlag(lang::PR_REPEAT, true);
    cinema->SetStr(lang::PR_SOURCE, "bench.lcm");
    Step();
  }
  void Step() {
    root->UpdatePass(16);
    root->DrawPass(&screen);
    root->ClearDirtyRects();
  }
};

using Clock = std::chrono::steady_clock;

void Run(benchmark::State& state, bool moving) {
  Scene scene;
  if (!moving) {
    scene.cinema->SetFlag(lang::PR_REPEAT, false);
    scene.cinema->SetInt(lang::PR_INDEX, kFrames);
    for (int i = 0; i < 4; ++i) scene.Step();
  }
  std::vector<uint8_t> from(size_t(kW) * kH * 4, 7), to(from.size());
  double film_ns = 0, copy_ns = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    scene.Step();
    const auto t1 = Clock::now();
    std::memcpy(to.data(), from.data(), from.size());
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
    const auto t2 = Clock::now();
    film_ns += std::chrono::duration<double, std::nano>(t1 - t0).count();
    copy_ns += std::chrono::duration<double, std::nano>(t2 - t1).count();
  }
  state.counters["film_us"] = film_ns / 1000 / double(state.iterations());
  state.counters["memcpy_us"] = copy_ns / 1000 / double(state.iterations());
  state.counters["x_memcpy"] = copy_ns > 0 ? film_ns / copy_ns : 0;
}

void BM_CinemaMoving(benchmark::State& state) {
  Run(state, true);
}
void BM_CinemaStill(benchmark::State& state) {
  Run(state, false);
}
BENCHMARK(BM_CinemaMoving)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CinemaStill)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
