// The runtime shell's per-frame cost: one headless frame of an 800x600 scene
// (input step, scenario step, update, draw into the back buffer, present),
// against memcpy of the same frame bytes as the reference.
#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <vector>

#include "app/default_engine.h"
#include "app/form_view.h"
#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/headless/headless_platform.h"

namespace {

constexpr int kWidth = 800, kHeight = 600;

void BM_ReferenceMemcpyFrame(benchmark::State& state) {
  std::vector<uint8_t> src(size_t{kWidth} * kHeight * 4, 1), dst(src.size());
  for (auto _ : state) {
    std::memcpy(dst.data(), src.data(), src.size());
    benchmark::DoNotOptimize(dst.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(src.size()));
}
BENCHMARK(BM_ReferenceMemcpyFrame);

void BM_HeadlessFrame(benchmark::State& state) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / "vesk-bench-game";
  fs::create_directories(dir);
  std::vector<uint8_t> lpb;
  auto i32 = [&](int32_t v) {
    for (int i = 0; i < 4; ++i) lpb.push_back(static_cast<uint8_t>(uint32_t(v) >> (8 * i)));
  };
  i32(109);
  i32(0);  // empty title
  i32(kWidth);
  i32(kHeight);
  i32(kWidth);
  i32(kHeight);
  i32(5);  // start page "p.lsb"
  for (char c : std::string("p.lsb")) lpb.push_back(static_cast<uint8_t>(c));
  i32(0);  // registry key
  i32(0);  // image seed
  lpb.push_back(1);
  lpb.push_back(0);  // no sleeping between frames
  i32(0);            // local media extensions
  i32(0);            // disk prompt
  i32(0);            // exit prompt
  i32(0);            // status variables
  i32(0);            // disk map
  vesk::platform::WriteFileAtomic((dir / "vesk.lpb").string(), lpb.data(), lpb.size());
  vesk::platform::WriteFileAtomic((dir / "p.lsb").string(), "page", 4);

  vesk::platform::HeadlessPlatform platform;
  vesk::RuntimeContext ctx;
  vesk::companion::Companion companion;
  vesk::storage::TVrFileManager files;
  vesk::app::DefaultEngineFactory factory(files, platform.dialogs(), {dir.string()}, dir.string());
  vesk::app::TFormView view(ctx, platform, companion, factory);
  vesk::app::FormViewOptions options;
  options.args = {dir.string()};
  options.exe_dir = dir.string();
  if (!view.Create(options)) {
    state.SkipWithError(view.start_error().c_str());
    return;
  }
  view.Activate();
  for (auto _ : state) {
    platform.manual_clock().Advance(16);
    view.OnIdle();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kWidth * kHeight * 4);
  view.Close();
  fs::remove_all(dir);
}
BENCHMARK(BM_HeadlessFrame);

void BM_Cp932ToUtf8Message(benchmark::State& state) {
  const std::string text = vesk::platform::Utf8ToCp932(
      std::string(200, 'a') + "吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。");
  for (auto _ : state) benchmark::DoNotOptimize(vesk::platform::Cp932ToUtf8(text));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_Cp932ToUtf8Message);

}  // namespace

BENCHMARK_MAIN();
