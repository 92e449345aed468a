// The variable table: system variables, scopes, declarations and the saved forms.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/byte_reader.h"
#include "core/vesk_error.h"
#include "expr/param_collection.h"
#include "expr/system_variables.h"
#include "platform/cp932.h"

namespace vesk::expr {
namespace {

class RecordingHost final : public SystemVariableHost {
 public:
  bool full_screen = false;
  int32_t display_mode = 0;
  TParamInt result;
  bool Get(int id, int32_t index, SysValue* out) override {
    if (id == lang::SV_FullScr) out->b = full_screen;
    if (id == lang::SV_KeyPush) out->b = index == 256;
    if (id == lang::SV_DisplayModeIndex) out->i = display_mode;
    return true;
  }
  void Set(int id, const SysValue& v) override {
    if (id == lang::SV_FullScr) full_screen = v.b;
    if (id == lang::SV_DisplayModeIndex) display_mode = v.i;
  }
  TCustomParam* CallResult() override { return &result; }
};

TParamCollectionItem* Var(TParamCollection& t, const std::string& name, int type, int value) {
  TParamCollectionItem* v = t.AddParam(type);
  t.SetName(*v, name);
  v->Value->SetInt(value);
  return v;
}

TEST(SystemVariables, FirstFortyNinePositionsByIdAndName) {
  TParamCollection t;
  EXPECT_EQ(t.Count(), 49);
  EXPECT_EQ(t.IndexOf("@result"), 0);
  EXPECT_EQ(t.IndexOf("@WheelUp"), 48);
  EXPECT_EQ(t.Find("@KeyPush")->Value->Count(), 258);
  EXPECT_EQ(t.Find("@Pi")->Value->ParamType(), lang::PT_FLOAT);
  EXPECT_NEAR(static_cast<double>(t.Find("@Pi")->Value->GetFloat()), 3.14159265358979, 1e-12);
  EXPECT_EQ(t.Find("@1Sec")->Value->GetFloat(), 1.0L / 86400);
}

TEST(SystemVariables, ConversionsTheirOwnWay) {
  RecordingHost host;
  TParamCollection t(&host);
  TCustomParam& full = *t.Find("@FullScr")->Value;
  full.SetStr("TRUE");  // a flag system variable takes a number, not "TRUE"
  EXPECT_FALSE(host.full_screen);
  full.SetStr("1");
  EXPECT_TRUE(host.full_screen);
  TCustomParam& mode = *t.Find("@DisplayModeIndex")->Value;
  mode.SetInt(3);
  mode.SetStr("abc");  // an unparsable string leaves it unchanged
  EXPECT_EQ(host.display_mode, 3);
  TCustomParam& keys = *t.Find("@KeyPush")->Value;
  EXPECT_TRUE(keys.GetFlagAt(256));  // the wheel-down pulse
  EXPECT_FALSE(keys.GetFlagAt(13));
  TCustomParam& delay = *t.Find("@TextDelay")->Value;
  delay.SetStr("75");
  EXPECT_EQ(t.TextDelay, 75);
  EXPECT_EQ(delay.GetStrAt(9), "75");  // not an array: any index is the scalar
}

TEST(SystemVariables, ResultAndTempForwardEverything) {
  RecordingHost host;
  TParamCollection t(&host);
  TCustomParam& result = *t.Find("@Result")->Value;
  result.SetDims({3});
  result.SetIntAt(2, 6);
  EXPECT_EQ(host.result.Count(), 3);
  EXPECT_EQ(result.ParamType(), lang::PT_INT);
  TCustomParam& temp = *t.Find("@Temp")->Value;
  EXPECT_EQ(temp.GetInt(), 0);
  EXPECT_EQ(temp.Count(), 1);
  temp.SetInt(9);  // no target: ignored
  Var(t, "target", lang::PT_STR, 0)->Value->SetStr("x");
  t.TempTarget = "TARGET";
  EXPECT_EQ(temp.GetStr(), "x");
  temp.SetStr("y");
  EXPECT_EQ(t.Find("target")->Value->GetStr(), "y");
  t.TempTarget = "@Temp";  // naming itself forwards nowhere
  EXPECT_EQ(temp.GetInt(), 0);
}

TEST(VariableTable, NamesIgnoreCaseAndTheOldestNonLocalIsFound) {
  TParamCollection t;
  Var(t, "Abc", lang::PT_INT, 1);
  Var(t, "ABC", lang::PT_INT, 2);
  EXPECT_EQ(t.Find("abc")->Value->GetInt(), 1);
  EXPECT_EQ(t.FindScoped("abc", false)->Value->GetInt(), 2);  // first in chain order
}

TEST(VariableTable, LocalsAreVisibleOnlyAtTheirDepth) {
  TParamCollection t;
  t.CurrentScope = 1;
  t.Declare("x", lang::PT_INT, VarScope::kGlobal, 1)->Value->SetInt(10);
  t.CurrentScope = 2;
  TParamCollectionItem* local = t.Declare("x", lang::PT_INT, VarScope::kLocal, 2);
  local->Value->SetInt(20);
  EXPECT_EQ(t.Find("x")->Value->GetInt(), 20);
  t.CurrentScope = 3;
  EXPECT_EQ(t.Find("x")->Value->GetInt(), 10);  // the global
  t.CurrentScope = 2;
  EXPECT_EQ(t.Find("x")->Value->GetInt(), 20);
  t.DeleteScope(2);
  EXPECT_EQ(t.Find("x")->Value->GetInt(), 10);
}

TEST(VariableTable, DeclarationsNamesAndStatusVariables) {
  TParamCollection t;
  auto error = [&](const std::string& name) {
    try {
      t.Declare(name, lang::PT_INT, VarScope::kGlobal, 0);
    } catch (const EVeskError& e) {
      return platform::Cp932ToUtf8(e.Message());
    }
    return std::string("no error");
  };
  EXPECT_EQ(error(""), "変数名がありません");
  EXPECT_EQ(error("a b"), "\"a b\"：変数名が不正です");
  EXPECT_EQ(error("1st"), "\"1st\"：変数名が不正です");
  EXPECT_EQ(t.Count(), 49);  // nothing left behind by the failures
  TParamCollectionItem* s = t.Declare("seen", lang::PT_BOOL, VarScope::kStatus, 0);
  ASSERT_NE(s, nullptr);
  EXPECT_TRUE(s->IsStatus);
  EXPECT_EQ(t.Declare("SEEN", lang::PT_BOOL, VarScope::kStatus, 0), nullptr);  // keeps its value
  TParamCollectionItem* g = t.Declare("g", lang::PT_INT, VarScope::kGlobal, 0);
  EXPECT_EQ(t.Declare("G", lang::PT_STR, VarScope::kGlobal, 0), g);  // existing: reused
  t.ClearVariables();
  EXPECT_EQ(t.Find("g"), nullptr);
  EXPECT_NE(t.Find("seen"), nullptr);
  EXPECT_EQ(t.TextDelay, 50);
}

TEST(VariableTable, CloneValueDetachesACopy) {
  TParamCollection t;
  TParamCollectionItem* v = Var(t, "v", lang::PT_INT, 0);
  v->Value->SetDims({2});
  v->Value->SetIntAt(1, 4);
  auto copy = t.CloneValue("V");
  ASSERT_TRUE(copy);
  v->Value->SetIntAt(1, 5);
  EXPECT_EQ(copy->GetIntAt(1), 4);
  EXPECT_EQ(t.CloneValue("missing"), nullptr);
  TParamCollectionItem* ref = t.AddParam(lang::PT_NONE);
  t.SetName(*ref, "dangling");
  try {
    t.CloneValue("dangling");
    FAIL();
  } catch (const EVeskError& e) {
    EXPECT_EQ(platform::Cp932ToUtf8(e.Message()), "dangling:不正な変数です");
  }
}

TEST(GameData, RoundTripWithReferencesAfterTheirTargets) {
  TParamCollection t;
  TParamCollectionItem* ref = t.AddParam(lang::PT_NONE);
  t.SetName(*ref, "ref");
  TParamCollectionItem* target = Var(t, "target", lang::PT_INT, 0);
  target->Value->SetDims({3});
  static_cast<TParamVar*>(ref->Value.get())->Target = target;
  static_cast<TParamVar*>(ref->Value.get())->Index = 2;
  TParamCollectionItem* status_ref = t.AddParam(lang::PT_NONE);
  t.SetName(*status_ref, "to_status");
  TParamCollectionItem* status = t.Declare("st", lang::PT_STR, VarScope::kStatus, 0);
  static_cast<TParamVar*>(status_ref->Value.get())->Target = status;  // not written here: no stall
  t.SelStr = "choice";
  t.HistoryFormat = {1, 2, 3, 4, 5, 6};
  t.TempTarget = "target";
  ByteWriter w;
  t.SaveToStream(w);

  TParamCollection back;
  back.Declare("st", lang::PT_STR, VarScope::kStatus, 0);
  ByteReader r(w.bytes().data(), w.bytes().size());
  back.LoadFromStream(r, 121);
  EXPECT_TRUE(r.at_end());
  auto* loaded = dynamic_cast<TParamVar*>(back.Find("ref")->Value.get());
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->Target, back.Find("target"));  // the target was there first
  EXPECT_EQ(loaded->Index, 2);
  EXPECT_EQ(back.Find("target")->Value->Count(), 3);
  EXPECT_EQ(back.SelStr, "choice");
  EXPECT_EQ(back.HistoryFormat[5], 6);
  EXPECT_EQ(back.TempTarget, "target");
}

TEST(GameData, OlderVersionsStopEarlier) {
  TParamCollection t;
  Var(t, "a", lang::PT_INT, 3);
  t.SelStr = "later field";
  ByteWriter w;
  t.SaveToStream(w);
  TParamCollection back;
  ByteReader r(w.bytes().data(), w.bytes().size());
  back.LoadFromStream(r, 102);
  EXPECT_EQ(back.Find("a")->Value->GetInt(), 3);
  EXPECT_EQ(back.SelStr, "");
  EXPECT_FALSE(r.at_end());  // version 102 reads no menu choice, format or temp target
  for (size_t cut = 0; cut + 1 < w.bytes().size(); cut += 3) {
    TParamCollection fresh;
    ByteReader part(w.bytes().data(), cut);
    EXPECT_THROW(fresh.LoadFromStream(part, 121), ETruncated) << cut;
  }
}

TEST(StatusData, OnlyStatusVariablesAndAddedWithoutClearing) {
  TParamCollection t;
  Var(t, "game", lang::PT_INT, 1);
  t.Declare("flag", lang::PT_BOOL, VarScope::kStatus, 0)->Value->SetFlag(true);
  ByteWriter w;
  t.SaveStatus(w);
  TParamCollection back;
  Var(back, "kept", lang::PT_INT, 9);
  ByteReader r(w.bytes().data(), w.bytes().size());
  back.LoadStatus(r, 100);
  EXPECT_TRUE(r.at_end());
  EXPECT_EQ(back.Find("game"), nullptr);
  EXPECT_TRUE(back.Find("flag")->Value->GetFlag());
  EXPECT_TRUE(back.Find("flag")->IsStatus);
  EXPECT_NE(back.Find("kept"), nullptr);
}

}  // namespace
}  // namespace vesk::expr
