#include "expr/system_router.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "expr/system_variables.h"

namespace vesk::expr {
namespace {

using namespace vesk::lang;

// Answers every id it is asked with `value` (when `answers`), records what
// reaches it.
class Recorder final : public SystemProvider {
 public:
  Recorder(int32_t value, bool answers = true) : value_(value), answers_(answers) {}
  bool Get(int id, int32_t, SysValue* out) override {
    asked.push_back(id);
    if (!answers_) return false;
    out->i = value_;
    out->b = value_ != 0;
    return true;
  }
  void Set(int id, const SysValue& v) override { set.push_back(id * 1000 + v.i); }
  int32_t ElementCount(int) override { return value_; }
  TCustomParam* CallResult() override { return &result; }
  bool CallFunction(int id, TParamCollectionItem& dest, Operands&) override {
    functions.push_back(id);
    if (dest.Value) dest.Value->SetInt(value_);
    return true;
  }
  std::vector<int> asked, set, functions;
  TParamInt result;

 private:
  int32_t value_;
  bool answers_;
};

class SystemRouterTest : public ::testing::Test {
 protected:
  int32_t Read(int id) {
    SysValue v;
    router.Get(id, 0, &v);
    return v.i;
  }
  SystemRouter router;
};

TEST_F(SystemRouterTest, EachIdGoesToTheProvidersRegisteredForIt) {
  Recorder scene(7), shell(3);
  router.AddVariables({SV_MouseX, SV_MouseY}, &scene);
  router.AddVariables({SV_TickCount}, &shell);
  EXPECT_EQ(Read(SV_MouseX), 7);
  EXPECT_EQ(Read(SV_MouseY), 7);
  EXPECT_EQ(Read(SV_TickCount), 3);
  EXPECT_EQ(scene.asked, (std::vector<int>{SV_MouseX, SV_MouseY}));
  EXPECT_EQ(shell.asked, (std::vector<int>{SV_TickCount}));

  router.Set(SV_MouseX, SysValue{5});
  EXPECT_EQ(scene.set, (std::vector<int>{SV_MouseX * 1000 + 5}));
  EXPECT_TRUE(shell.set.empty());
}

TEST_F(SystemRouterTest, OwnersAnswerBeforeFallbacksAndSilentProvidersPassOn) {
  Recorder fallback(1), owner(2), silent(9, false);
  // The fallback comes first, yet the owner registered later is asked first.
  router.AddVariables({SV_LClick}, &fallback, SystemRouter::Rank::kFallback);
  router.AddVariables({SV_LClick}, &owner);
  EXPECT_EQ(Read(SV_LClick), 2);
  EXPECT_TRUE(fallback.asked.empty());
  router.Set(SV_LClick, SysValue{1});
  EXPECT_EQ(owner.set.size(), 1u);
  EXPECT_TRUE(fallback.set.empty());

  // An owner without an answer leaves it to the next provider.
  router.AddVariables({SV_KeyClick}, &silent);
  router.AddVariables({SV_KeyClick}, &fallback, SystemRouter::Rank::kFallback);
  EXPECT_EQ(Read(SV_KeyClick), 1);
  EXPECT_EQ(silent.asked.size(), 1u);

  // Without the owner the fallback answers.
  router.Remove(&owner);
  EXPECT_EQ(Read(SV_LClick), 1);
}

TEST_F(SystemRouterTest, AnIdNobodyOwnsReadsAsZeroAndFunctionsFallToTheirFamilies) {
  Recorder calls(4);
  TParamCollection table(&router);
  TParamSystem count(SV_ParamStr, &table);
  TParamSystem result(SV_Result, &table);
  TParamSystem mouse(SV_MouseX, &table);
  SysValue v;
  EXPECT_FALSE(router.Get(SV_MouseX, 0, &v));
  EXPECT_EQ(mouse.GetInt(), 0);
  mouse.SetInt(12);  // no owner: ignored
  EXPECT_EQ(mouse.GetInt(), 0);
  EXPECT_EQ(count.Count(), 0);
  EXPECT_EQ(result.Underlying(), nullptr);
  EXPECT_FALSE(router.FileExists("a.txt"));
  EXPECT_FALSE(router.LoadFile("a.txt").has_value());

  router.AddVariables({SV_ParamStr, SV_Result}, &calls);
  EXPECT_EQ(count.Count(), 4);
  EXPECT_EQ(result.Underlying(), &calls.result);

  // A function no provider owns is left to the built-in families: Abs
  // still runs, Exists keeps the destination's initial value.
  TSysFuncMan functions(table, &router);
  TParamCollectionItem& dest = *table.AddTemp(PT_INT, "____0");
  Operands operands;
  auto arg = std::make_unique<TParamInt>();
  arg->SetInt(-3);
  operands.push_back(std::move(arg));
  functions.Call(FN_Abs, dest, operands);
  EXPECT_EQ(dest.Value->GetInt(), 3);
  dest.Value->SetInt(-1);
  functions.Call(FN_Exists, dest, operands);
  EXPECT_EQ(dest.Value->GetInt(), -1);
  router.AddFunctions({FN_Exists}, &calls);
  functions.Call(FN_Exists, dest, operands);
  EXPECT_EQ(dest.Value->GetInt(), 4);
  EXPECT_EQ(calls.functions, (std::vector<int>{FN_Exists}));
  table.DeleteTemp(&dest);
}

}  // namespace
}  // namespace vesk::expr
