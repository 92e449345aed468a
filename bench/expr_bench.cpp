// Expression throughput: a loop body of typical operations run by the
// evaluator, against the same loop run by embedded Lua 5.4 in the same
// process. Body per iteration: x := x + i * 2; a comparison; an array
// element read through an element reference; i := i + 1.
#include <benchmark/benchmark.h>
#include <lua.hpp>

#include "expr/param_collection.h"
#include "expr/parser.h"
#include "lang/vocabulary.h"

namespace {

using namespace vesk::expr;
using namespace vesk::lang;

std::unique_ptr<TCustomParam> I(int32_t v) {
  auto p = std::make_unique<TParamInt>();
  p->SetInt(v);
  return p;
}
std::unique_ptr<TCustomParam> V(const char* name) {
  auto p = std::make_unique<TParamVar>();
  p->RefName = name;
  return p;
}
void Add(TVeskParser& p, int op, const char* dest, std::unique_ptr<TCustomParam> a,
         std::unique_ptr<TCustomParam> b = nullptr, std::unique_ptr<TCustomParam> c = nullptr) {
  auto o = std::make_unique<TOpeData>();
  o->Op = static_cast<uint8_t>(op);
  o->Dest = dest;
  o->Operands.push_back(std::move(a));
  if (b) o->Operands.push_back(std::move(b));
  if (c) o->Operands.push_back(std::move(c));
  p.Ops.push_back(std::move(o));
}

// Seven operations, as the compiler emits them for the body.
constexpr int kOpsPerIteration = 7;

void BM_EvaluatorLoopBody(benchmark::State& state) {
  TParamCollection table;
  TSysFuncMan functions(table);
  table.Declare("x", vesk::lang::PT_INT, VarScope::kGlobal, 0);
  table.Declare("i", vesk::lang::PT_INT, VarScope::kGlobal, 0);
  table.Declare("big", vesk::lang::PT_BOOL, VarScope::kGlobal, 0);
  table.Declare("y", vesk::lang::PT_INT, VarScope::kGlobal, 0);
  table.Declare("arr", vesk::lang::PT_INT, VarScope::kGlobal, 0)->Value->SetDims({16});
  TVeskParser body;
  Add(body, ocMul, "____0", V("i"), I(2));
  Add(body, ocPlus, "____1", V("x"), V("____0"));
  Add(body, ocTo, "x", V("____1"));
  Add(body, ocBig, "big", V("x"), I(1000));
  Add(body, ocAnd, "____2", V("i"), I(15));
  Add(body, ocDimTo, "____3", V("arr"), V("____2"));
  Add(body, ocTo, "y", V("____3"));
  TVeskParser step;
  Add(step, ocPlus, "i", V("i"), I(1));
  for (auto _ : state) {
    body.Run(table, &functions);
    step.Run(table, &functions);
  }
  state.counters["ops_per_s"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * (kOpsPerIteration + 1),
                         benchmark::Counter::kIsRate);
}
BENCHMARK(BM_EvaluatorLoopBody);

void BM_ReferenceLuaLoopBody(benchmark::State& state) {
  lua_State* L = luaL_newstate();
  luaL_openlibs(L);
  luaL_dostring(L,
                "x, i, big, y = 0, 0, false, 0\n"
                "arr = {} for k = 0, 15 do arr[k] = k end\n"
                "function body() x = x + i * 2; big = x > 1000; y = arr[i & 15]; i = i + 1 end\n");
  lua_getglobal(L, "body");
  const int body = luaL_ref(L, LUA_REGISTRYINDEX);
  for (auto _ : state) {
    lua_rawgeti(L, LUA_REGISTRYINDEX, body);
    lua_call(L, 0, 0);
  }
  lua_close(L);
  state.counters["ops_per_s"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * (kOpsPerIteration + 1),
                         benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReferenceLuaLoopBody);

}  // namespace

BENCHMARK_MAIN();
