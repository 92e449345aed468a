// The interpreter's throughput: a While loop of 1,000,000 iterations with
// two Calc commands in its body, compiled from script text and run the way
// the player runs it (the call manager stepping pages from the file
// manager), in one frame.
#include <benchmark/benchmark.h>

#include "core/runtime_context.h"
#include "expr/param_collection.h"
#include "expr/sysfuncs.h"
#include "platform/headless/headless_platform.h"
#include "script/callman.h"
#include "script/commands.h"
#include "storage/vrfiles.h"
#include "vesk-tool/script/page_compiler.h"

namespace {

using namespace vesk;
using namespace vesk::script;

constexpr int kIterations = 1000000;
constexpr int kCommandsPerIteration = 4;  // While, two Calc, WhileLoop

// The loop as an author writes it, through the script compiler.
constexpr const char* kLoopScript = R"(While i < 1000000 init: i = 0
  Calc i = i + 1
  Calc sum = sum + i
endframe Calc ()
)";

void BM_WhileLoopOfAMillionIterations(benchmark::State& state) {
  const auto compiled = vesk::tool::script::CompilePage(kLoopScript, "loop.lsb", {});
  const std::vector<uint8_t> bytes = vesk::tool::script::PageBytes(*compiled.page);
  storage::TVrFileCollection archive;
  archive.AddEntry("loop.lsb")->Source->Write(bytes.data(), static_cast<int64_t>(bytes.size()));
  storage::TMemoryStream packed;
  archive.SaveTo(packed);

  for (auto _ : state) {
    RuntimeContext ctx;
    platform::HeadlessPlatform platform;
    storage::TVrFileManager files;
    files.AddMemoryArchive(std::make_shared<std::vector<uint8_t>>(packed.bytes()), "bench");
    expr::TParamCollection vars;
    expr::TSysFuncMan functions(vars);
    vars.Declare("i", lang::PT_INT, expr::VarScope::kGlobal, 0);
    vars.Declare("sum", lang::PT_INT, expr::VarScope::kGlobal, 0);
    CallEnvironment env;
    env.ctx = &ctx;
    env.files = &files;
    env.variables = &vars;
    env.functions = &functions;
    env.dialogs = &platform.dialogs();
    TCallMan man(env);
    man.Start("loop.lsb");
    man.Step();
    if (vars.Find("i")->Value->GetInt() != kIterations)
      state.SkipWithError("the loop did not finish");
  }
  state.counters["commands_per_s"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * kIterations * kCommandsPerIteration,
      benchmark::Counter::kIsRate);
}
BENCHMARK(BM_WhileLoopOfAMillionIterations)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
