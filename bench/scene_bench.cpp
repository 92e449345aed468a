// Scene frames. One frame of a busy scene: 200 boxes, 50 of them visible and overlapping,
// one of them moving (one dirty rectangle a frame): the input step, the
// update pass and the draw pass together, against a memcpy of the frame.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <optional>
#include <span>
#include <vector>

#include "components/box.h"
#include "components/component_services.h"
#include "components/kinds.h"
#include "components/orlo_collection.h"
#include "graphics/dibsfc.h"
#include "graphics/image_reader.h"
#include "lang/vocabulary.h"
#include "scene/baselist.h"

namespace {

using namespace vesk;
constexpr int kWidth = 800, kHeight = 600;

// A scene root that makes the component kinds with `services`.
scene::SceneEnvironment ComponentScene(components::ComponentServices& services) {
  auto kinds = std::make_shared<scene::KindRegistry>();
  components::RegisterComponentKinds(*kinds, services);
  scene::SceneEnvironment env;
  env.kinds = kinds;
  return env;
}

void BM_SceneFrame(benchmark::State& state) {
  components::ComponentServices none;
  scene::TVeskBaseList root(ComponentScene(none));
  root.SetSceneSize(kWidth, kHeight);
  graphics::TDIBX screen(kWidth, kHeight, 32);
  std::vector<components::TVeskBox*> boxes;
  for (int i = 0; i < 200; ++i) {
    auto* box = static_cast<components::TVeskBox*>(root.CreateByKind(lang::LT_BOX));
    box->SetParent(root.ShownBase());
    box->SetBounds((i * 37) % 700, (i * 53) % 500, 120, 90);
    box->SetInt(lang::PR_COLOR, i * 0x010203);
    box->SetInt(lang::PR_ALPHA, i % 3 == 0 ? 160 : 255);
    box->SetVisible(i % 4 == 0);
    boxes.push_back(box);
  }
  root.DrawPass(&screen);
  root.ClearDirtyRects();
  int frame = 0;
  for (auto _ : state) {
    components::TVeskBox* mover = boxes[static_cast<size_t>(frame % 50) * 4];
    mover->SetInt(lang::PR_LEFT, (mover->Left + 3) % 700);
    root.RecordMouseMove(frame % kWidth, 300);
    root.InputStep(16);
    root.UpdatePass(16);
    root.DrawPass(&screen);
    root.ClearDirtyRects();
    ++frame;
  }
}
BENCHMARK(BM_SceneFrame)->Unit(benchmark::kMicrosecond);

// The demo's title screen with the mouse moving between its two buttons (so
// each frame changes one button's hover picture): input, update, draw and
// the copy of the changed rectangles into a presentable frame.
void BM_DemoTitleFrame(benchmark::State& state) {
  components::PictureServices services;
  const std::string dir = VESK_DEMO_DIR;
  services.file_available = [dir](const std::string& name) {
    return std::ifstream(dir + "/" + name).good();
  };
  services.read_file = [dir](const std::string& name) -> std::optional<std::vector<uint8_t>> {
    std::ifstream in(dir + "/" + name, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
  };
  services.decode = [](const std::string& name, std::span<const uint8_t> bytes, int bits,
                       bool masks, bool dither) {
    graphics::PictureOptions options;
    options.working_bit_count = bits;
    options.want_masks = masks;
    options.dither = dither;
    std::vector<components::DecodedFrame> out;
    for (auto& f : graphics::LoadPictureFrames(name, bytes, options)) {
      components::DecodedFrame d;
      d.surface = std::move(f.Surface);
      d.mask = std::move(f.Mask);
      d.color_key = f.ColorKey;
      d.delay_ms = f.Delay;
      out.push_back(std::move(d));
    }
    return out;
  };
  components::TOrloCollection pictures(services);
  components::ComponentServices shared;
  shared.pictures = &pictures;
  scene::TVeskBaseList root(ComponentScene(shared));
  root.SetSceneSize(kWidth, kHeight);
  auto place = [&](int kind, const char* source, int x, int y) {
    auto* c = root.CreateByKind(kind)->AsControl();
    c->SetParent(root.ShownBase());
    c->SetStr(lang::PR_SOURCE, source);
    c->SetInt(lang::PR_LEFT, x);
    c->SetInt(lang::PR_TOP, y);
    return c;
  };
  place(lang::LT_IMAGES, "background.orl", 0, 0);
  place(lang::LT_IMAGES, "heroine.orl", 500, 170);
  for (int i = 0; i < 2; ++i) {
    auto* b = place(lang::LT_BUTTON, i ? "btn_quit.orl" : "btn_start.orl", 80, 380 + 80 * i);
    b->SetStr(lang::PR_HOVERSOURCE, i ? "btn_quit_hover.orl" : "btn_start_hover.orl");
  }
  graphics::TDIBX screen(kWidth, kHeight, 32);
  std::vector<uint8_t> presented(kWidth * kHeight * 4);
  int frame = 0;
  for (auto _ : state) {
    root.RecordMouseMove(150, frame % 2 ? 400 : 480);
    root.InputStep(16);
    root.UpdatePass(16);
    root.DrawPass(&screen);
    for (const Rect& r : root.ShownDirtyRects())
      for (int y = std::max(0, r.top); y < std::min(kHeight, r.bottom); ++y)
        std::memcpy(presented.data() + (static_cast<size_t>(y) * kWidth + r.left) * 4,
                    screen.View().Row(y) + r.left * 4, static_cast<size_t>(r.right - r.left) * 4);
    root.ClearDirtyRects();
    ++frame;
  }
}
BENCHMARK(BM_DemoTitleFrame)->Unit(benchmark::kMicrosecond);

// The reference: copying one whole 800x600 32-bit frame.
void BM_MemcpyFrame(benchmark::State& state) {
  std::vector<uint8_t> a(kWidth * kHeight * 4, 1), b(a.size());
  for (auto _ : state) {
    std::memcpy(b.data(), a.data(), a.size());
    benchmark::DoNotOptimize(b.data());
  }
}
BENCHMARK(BM_MemcpyFrame)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
