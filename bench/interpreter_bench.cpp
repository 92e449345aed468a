// The interpreter's throughput: a While loop of 1,000,000 iterations with
// two Calc commands in its body, run the way the player runs it (the call
// manager stepping pages from the file manager), in one frame.
#include <benchmark/benchmark.h>

#include "core/runtime_context.h"
#include "expr/param_collection.h"
#include "expr/sysfuncs.h"
#include "platform/headless/headless_platform.h"
#include "script/callman.h"
#include "script/commands.h"
#include "storage/vrfiles.h"

namespace {

using namespace vesk;
using namespace vesk::script;

std::unique_ptr<expr::TCustomParam> I(int32_t v) {
  auto p = std::make_unique<expr::TParamInt>();
  p->SetInt(v);
  return p;
}
std::unique_ptr<expr::TCustomParam> V(const char* name) {
  auto p = std::make_unique<expr::TParamVar>();
  p->RefName = name;
  return p;
}
void Op(TVeskParser& e, int op, const char* dest, std::unique_ptr<expr::TCustomParam> a,
        std::unique_ptr<expr::TCustomParam> b) {
  auto o = std::make_unique<expr::TOpeData>();
  o->Op = static_cast<uint8_t>(op);
  o->Dest = dest;
  o->Operands.push_back(std::move(a));
  o->Operands.push_back(std::move(b));
  e.Ops.push_back(std::move(o));
}
template <typename T>
T& Add(TPage& page) {
  auto c = std::make_unique<T>(&page);
  c->RunOn = 1;
  T& ref = *c;
  page.Commands.push_back(std::move(c));
  return ref;
}

constexpr int kIterations = 1000000;
constexpr int kCommandsPerIteration = 4;  // While, two Calc, WhileLoop

void BM_WhileLoopOfAMillionIterations(benchmark::State& state) {
  TPage page;
  page.Name = "loop.lsb";
  page.Version = 109;
  Op(Add<TComWhileInit>(page).Expression, ocTo, "i", I(0), I(0));
  auto& loop = Add<TComWhile>(page);
  Op(loop.Condition, ocSmall, "____0", V("i"), I(kIterations));
  Op(loop.Condition, ocTo, "____arg", V("____0"), I(0));
  loop.ExitIndex = 5;
  Op(Add<TComCalc>(page).Expression, ocPlus, "i", V("i"), I(1));
  Op(Add<TComCalc>(page).Expression, ocPlus, "sum", V("sum"), V("i"));
  Add<TComWhileLoop>(page).LoopIndex = 1;
  auto& end = Add<TComCalc>(page);
  end.RunOn = 0;
  expr::ByteWriter w;
  page.SaveToStream(w);
  storage::TVrFileCollection archive;
  archive.AddEntry("loop.lsb")->Source->Write(w.bytes().data(), static_cast<int64_t>(w.bytes().size()));
  storage::TMemoryStream packed;
  archive.SaveTo(packed);

  for (auto _ : state) {
    RuntimeContext ctx;
    platform::HeadlessPlatform platform;
    storage::TVrFileManager files;
    files.AddMemoryArchive(std::make_shared<std::vector<uint8_t>>(packed.bytes()), "bench");
    expr::TParamCollection vars;
    expr::TSysFuncMan functions(vars);
    vars.Declare("i", expr::kPtInt, expr::VarScope::kGlobal, 0);
    vars.Declare("sum", expr::kPtInt, expr::VarScope::kGlobal, 0);
    CallEnvironment env{&ctx, &files, &vars, &functions, &platform.dialogs(), nullptr, nullptr};
    TCallMan man(env);
    man.Start("loop.lsb");
    man.Step();
    if (vars.Find("i")->Value->GetInt() != kIterations) state.SkipWithError("the loop did not finish");
  }
  state.counters["commands_per_s"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * kIterations * kCommandsPerIteration,
      benchmark::Counter::kIsRate);
}
BENCHMARK(BM_WhileLoopOfAMillionIterations)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
