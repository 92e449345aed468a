// One frame of a busy scene: 200 boxes, 50 of them visible and overlapping,
// one of them moving (one dirty rectangle a frame): the input step, the
// update pass and the draw pass together, against a memcpy of the frame.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "components/box.h"
#include "components/kinds.h"
#include "graphics/dibsfc.h"
#include "scene/baselist.h"
#include "script/vocabulary.h"

namespace {

using namespace vesk;
constexpr int kWidth = 800, kHeight = 600;

void BM_SceneFrame(benchmark::State& state) {
  components::RegisterComponentKinds();
  scene::TVeskBaseList root;
  root.SetSceneSize(kWidth, kHeight);
  graphics::TDIBX screen(kWidth, kHeight, 32);
  std::vector<components::TVeskBox*> boxes;
  for (int i = 0; i < 200; ++i) {
    auto* box = static_cast<components::TVeskBox*>(root.CreateByKind(script::LT_BOX));
    box->SetParent(root.ShownBase());
    box->SetBounds((i * 37) % 700, (i * 53) % 500, 120, 90);
    box->SetInt(script::PR_COLOR, i * 0x010203);
    box->SetInt(script::PR_ALPHA, i % 3 == 0 ? 160 : 255);
    box->SetVisible(i % 4 == 0);
    boxes.push_back(box);
  }
  root.DrawPass(&screen);
  root.ClearDirtyRects();
  int frame = 0;
  for (auto _ : state) {
    components::TVeskBox* mover = boxes[static_cast<size_t>(frame % 50) * 4];
    mover->SetInt(script::PR_LEFT, (mover->Left + 3) % 700);
    root.RecordMouseMove(frame % kWidth, 300);
    root.InputStep(16);
    root.UpdatePass(16);
    root.DrawPass(&screen);
    root.ClearDirtyRects();
    ++frame;
  }
}
BENCHMARK(BM_SceneFrame)->Unit(benchmark::kMicrosecond);

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
