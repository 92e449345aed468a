// Compiled expressions: the stored form, temporaries and every operator.
#include "expr/parser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/byte_reader.h"
#include "lang/vocabulary.h"
#include "platform/cp932.h"

namespace vesk::expr {
namespace {

using namespace lang;  // the operator codes

std::unique_ptr<TCustomParam> I(int32_t v) {
  auto p = std::make_unique<TParamInt>();
  p->SetInt(v);
  return p;
}
std::unique_ptr<TCustomParam> R(Real x) {
  auto p = std::make_unique<TParamFloat>();
  p->SetFloat(x);
  return p;
}
std::unique_ptr<TCustomParam> S(const std::string& s) {
  auto p = std::make_unique<TParamStr>();
  p->SetStr(s);
  return p;
}
std::unique_ptr<TCustomParam> V(const std::string& name) {
  auto p = std::make_unique<TParamVar>();
  p->RefName = name;
  return p;
}

class Expr {
 public:
  template <typename... Args>
  Expr& Op(int op, const std::string& dest, Args... operands) {
    auto o = std::make_unique<TOpeData>();
    o->Op = static_cast<uint8_t>(op);
    o->Dest = dest;
    (o->Operands.push_back(std::move(operands)), ...);
    parser.Ops.push_back(std::move(o));
    return *this;
  }
  template <typename... Args>
  Expr& Func(int id, const std::string& dest, Args... operands) {
    Op(ocFunc, dest, std::move(operands)...);
    parser.Ops.back()->FuncId = static_cast<uint8_t>(id);
    return *this;
  }
  TVeskParser parser;
};

class ParserTest : public ::testing::Test {
 protected:
  TParamCollectionItem* Declare(const std::string& name, int type) {
    return table.Declare(name, type, VarScope::kGlobal, 0);
  }
  // Runs and returns the result read as a string ("<none>" without one).
  std::string Value(Expr& e) {
    e.parser.Run(table, &functions);
    return e.parser.Result ? e.parser.Result->GetStr() : "<none>";
  }
  int ResultType(Expr& e) {
    e.parser.Run(table, &functions);
    return e.parser.Result ? e.parser.Result->ParamType() : -1;
  }
  TParamCollection table;
  TSysFuncMan functions{table};
};

TEST_F(ParserTest, EmptyExpressionsAndAssignmentsHaveNoResult) {
  Expr empty;
  EXPECT_EQ(Value(empty), "<none>");
  EXPECT_FALSE(empty.parser.RunCondition(table, &functions));
  Declare("x", lang::PT_INT);
  Expr assign;
  assign.Op(ocTo, "x", I(4));
  EXPECT_EQ(Value(assign), "<none>");
  EXPECT_EQ(table.Find("x")->Value->GetInt(), 4);
  EXPECT_EQ(table.Count(), 50);  // no temporaries left behind
}

TEST_F(ParserTest, IntegerArithmeticTruncatesAndWraps) {
  Expr div, neg, mod, wrap;
  div.Op(ocDiv, "____0", I(7), I(2)).Op(ocTo, "____arg", V("____0"));
  neg.Op(ocDiv, "____0", I(-7), I(2)).Op(ocTo, "____arg", V("____0"));
  mod.Op(ocMod, "____0", I(-7), I(2)).Op(ocTo, "____arg", V("____0"));
  wrap.Op(ocPlus, "____0", I(INT32_MAX), I(1)).Op(ocTo, "____arg", V("____0"));
  EXPECT_EQ(Value(div), "3");
  EXPECT_EQ(Value(neg), "-3");
  EXPECT_EQ(Value(mod), "-1");
  EXPECT_EQ(Value(wrap), "-2147483648");
}

TEST_F(ParserTest, OperandATypesTheTemporary) {
  Expr int_first, real_first, str_plus, combo;
  int_first.Op(ocPlus, "____0", I(1), R(2.5L)).Op(ocTo, "____arg", V("____0"));
  real_first.Op(ocPlus, "____0", R(2.5L), I(1)).Op(ocTo, "____arg", V("____0"));
  str_plus.Op(ocPlus, "____0", S("abc"), I(5)).Op(ocTo, "____arg", V("____0"));
  combo.Op(ocComboStr, "____0", I(5), I(6)).Op(ocTo, "____arg", V("____0"));
  EXPECT_EQ(Value(int_first), "3");
  EXPECT_EQ(ResultType(int_first), lang::PT_INT);
  EXPECT_EQ(Value(real_first), "3.5");
  EXPECT_EQ(ResultType(real_first), lang::PT_FLOAT);
  EXPECT_EQ(Value(str_plus), "abc5");
  EXPECT_EQ(Value(combo), "56");
  EXPECT_EQ(ResultType(combo), lang::PT_STR);
}

TEST_F(ParserTest, DestinationSettersConvert) {
  Declare("flag", lang::PT_BOOL);
  Declare("text", lang::PT_STR);
  Expr e;
  e.Op(ocOr, "flag", I(0), I(4)).Op(ocMinus, "text", I(3), I(10));
  e.parser.Run(table, &functions);
  EXPECT_TRUE(table.Find("flag")->Value->GetFlag());
  EXPECT_EQ(table.Find("text")->Value->GetStr(), "-7");
}

TEST_F(ParserTest, ComparisonsFollowTheTypeOfA) {
  Expr str_cmp, int_cmp, real_cmp, eq;
  str_cmp.Op(ocSmall, "____0", S("10"), I(9)).Op(ocTo, "____arg", V("____0"));
  int_cmp.Op(ocBig, "____0", I(10), S("9")).Op(ocTo, "____arg", V("____0"));
  real_cmp.Op(ocEBig, "____0", R(1.5L), S("1.5")).Op(ocTo, "____arg", V("____0"));
  eq.Op(ocNEqual, "____0", S("ABC"), S("abc")).Op(ocTo, "____arg", V("____0"));
  EXPECT_EQ(Value(str_cmp), "TRUE");  // "10" sorts before "9"
  EXPECT_EQ(Value(int_cmp), "TRUE");
  EXPECT_EQ(Value(real_cmp), "TRUE");
  EXPECT_EQ(Value(eq), "TRUE");  // byte-exact
  Expr bytes;
  bytes.Op(ocBig, "____0", S("\x82\xA0"), S("z")).Op(ocTo, "____arg", V("____0"));
  EXPECT_EQ(Value(bytes), "TRUE");  // unsigned bytes
}

TEST_F(ParserTest, Shifts) {
  Expr right, left;
  right.Op(ocShiftR, "____0", I(-1), I(28)).Op(ocTo, "____arg", V("____0"));
  left.Op(ocShiftL, "____0", I(1), I(33)).Op(ocTo, "____arg", V("____0"));
  EXPECT_EQ(Value(right), "15");
  EXPECT_EQ(Value(left), "2");
}

TEST_F(ParserTest, AFailureStopsTheRunSilentlyKeepingEarlierEffects) {
  Declare("a", lang::PT_INT);
  Declare("b", lang::PT_INT);
  Expr e;
  e.Op(ocTo, "a", I(1)).Op(ocDiv, "____0", I(1), I(0)).Op(ocTo, "b", I(2));
  e.parser.Run(table, &functions);
  EXPECT_EQ(table.Find("a")->Value->GetInt(), 1);
  EXPECT_EQ(table.Find("b")->Value->GetInt(), 0);
  EXPECT_FALSE(e.parser.last_error().empty());
  EXPECT_EQ(table.Find("____0"), nullptr);
  for (Real zero_divisor : {0.0L}) {
    Expr real_div;
    real_div.Op(ocDiv, "____0", R(1), R(zero_divisor)).Op(ocTo, "____arg", V("____0"));
    EXPECT_EQ(Value(real_div), "<none>");
  }
  Expr overflow;
  overflow.Op(ocDiv, "____0", I(INT32_MIN), I(-1)).Op(ocTo, "____arg", V("____0"));
  EXPECT_EQ(Value(overflow), "<none>");
  Expr missing;
  missing.Op(ocTo, "____arg", V("nothing"));
  EXPECT_EQ(Value(missing), "<none>");
  EXPECT_EQ(platform::Cp932ToUtf8(missing.parser.last_error()), "\"nothing\" 変数がありません");
}

TEST_F(ParserTest, ResultSurvivesAFailureInTheFinalAssignmentOnceTheTemporaryExists) {
  Expr e;
  e.Op(ocPlus, "____arg", I(2), I(3)).Op(ocTo, "____arg", V("missing"));
  EXPECT_EQ(Value(e), "5");
}

TEST_F(ParserTest, ElementReferencesReadAndWriteThroughTemporaries) {
  TParamCollectionItem* arr = Declare("arr", lang::PT_INT);
  arr->Value->SetDims({2, 3});
  arr->Value->SetIntAt(5, 42);
  Expr read;
  read.Op(ocDimTo, "____0", V("arr"), I(1), I(2)).Op(ocTo, "____arg", V("____0"));
  EXPECT_EQ(Value(read), "42");
  Expr write;
  write.Op(ocDimTo, "____0", V("arr"), I(1), I(-1)).Op(ocTo, "____0", S("7"));
  write.parser.Run(table, &functions);
  EXPECT_EQ(arr->Value->GetIntAt(2), 7);  // (1, -1) is flat index 2
  Expr three;
  three.Op(ocDimTo, "____0", V("arr"), I(0), I(0), I(0)).Op(ocTo, "____arg", V("____0"));
  EXPECT_EQ(Value(three), "<none>");
  EXPECT_EQ(platform::Cp932ToUtf8(three.parser.last_error()), "arr[0,0,0]\r\n添え字が不正です");
  Expr beyond;
  beyond.Op(ocDimTo, "____0", V("arr"), I(2), I(0));
  beyond.parser.Run(table, &functions);
  EXPECT_EQ(platform::Cp932ToUtf8(beyond.parser.last_error()), "arr[2,0]\r\n要素数を超えています");
  Expr negative;
  negative.Op(ocDimTo, "____0", V("arr"), I(0), I(-4)).Op(ocTo, "____arg", V("____0"));
  // The negative flat index fails only on the read, after "____arg" was made.
  EXPECT_EQ(Value(negative), "0");
  EXPECT_EQ(platform::Cp932ToUtf8(negative.parser.last_error()), "配列の添字が不正です");
}

TEST_F(ParserTest, GetPropTypingUsesTheLowByteOfThePropertyId) {
  EvalServices services;
  services.property_type = [](int id) { return id == 2 ? lang::PT_STR : lang::PT_INT; };
  table.set_services(&services);
  Expr bad, wrapped;
  bad.Func(2, "____0", S("obj"), I(159)).Op(ocTo, "____arg", V("____0"));
  wrapped.Func(2, "____0", S("obj"), I(258)).Op(ocTo, "____arg", V("____0"));
  EXPECT_EQ(Value(bad), "<none>");
  EXPECT_EQ(platform::Cp932ToUtf8(bad.parser.last_error()), "GetPropの引数が違います");
  EXPECT_EQ(ResultType(wrapped), lang::PT_STR);  // 258 reads property 2
  table.set_services(nullptr);
}

TEST_F(ParserTest, TwoTablesKeepTheirOwnServices) {
  std::vector<std::string> first, second;
  EvalServices a, b;
  a.error_sink = [&](const std::string& m) { first.push_back(m); };
  b.error_sink = [&](const std::string& m) { second.push_back(m); };
  b.property_type = [](int) { return lang::PT_STR; };
  TParamCollection other;
  table.set_services(&a);
  other.set_services(&b);
  Expr fails;
  fails.Op(ocTo, "____arg", V("nobody"));
  fails.parser.Run(table, nullptr);
  fails.parser.Run(other, nullptr);
  fails.parser.Run(other, nullptr);
  EXPECT_EQ(first.size(), 1u);
  EXPECT_EQ(second.size(), 2u);
  Expr typed;
  typed.Func(2, "____0", S("obj"), I(2)).Op(ocTo, "____arg", V("____0"));
  typed.parser.Run(table, nullptr);
  EXPECT_EQ(typed.parser.Result->ParamType(), lang::PT_INT);
  typed.parser.Run(other, nullptr);
  EXPECT_EQ(typed.parser.Result->ParamType(), lang::PT_STR);
  table.set_services(nullptr);
}

TEST_F(ParserTest, InvalidOperatorNamesTheDestinationAndOperator) {
  Expr e;
  e.Op(ocNone, "____0", I(1), S("x"));
  e.parser.Run(table, &functions);
  EXPECT_EQ(platform::Cp932ToUtf8(e.parser.last_error()),
            "不正な式\r\n\r\n代入先:____0演算タイプ:ocNone\r\n1\r\nx");
}

TEST_F(ParserTest, StoredFormRoundTripsAndRefusesCutRecords) {
  Expr e;
  e.Op(ocPlus, "____0", I(-3), R(0.25L)).Op(ocComboStr, "____1", S("a\x81\x40"), V("x"));
  e.Func(5, "____2", S("abc"));
  e.parser.Ops.push_back(std::make_unique<TOpeData>());
  e.parser.Ops.back()->Op = ocTo;
  e.parser.Ops.back()->Dest = "____arg";
  auto flag = std::make_unique<TParamFlag>();
  flag->SetFlag(true);
  e.parser.Ops.back()->Operands.push_back(std::move(flag));
  ByteWriter w;
  e.parser.SaveToStream(w);
  TVeskParser back;
  ByteReader r(w.bytes().data(), w.bytes().size());
  back.LoadFromStream(r);
  EXPECT_TRUE(r.at_end());
  ByteWriter again;
  back.SaveToStream(again);
  EXPECT_EQ(again.bytes(), w.bytes());
  EXPECT_EQ(back.Ops[2]->FuncId, 5);
  EXPECT_EQ(static_cast<TParamVar*>(back.Ops[1]->Operands[1].get())->RefName, "x");
  TVeskParser copy;
  copy.Assign(back);
  ByteWriter copied;
  copy.SaveToStream(copied);
  EXPECT_EQ(copied.bytes(), w.bytes());
  for (size_t cut = 0; cut < w.bytes().size(); ++cut) {
    ByteReader part(w.bytes().data(), cut);
    TVeskParser p;
    EXPECT_THROW(p.LoadFromStream(part), ETruncated) << cut;
  }
}

// ---- Names resolved once per table state --------------------------------------

TEST_F(ParserTest, KeptLookupsFollowRedeclarationsScopesAndNewTables) {
  Declare("x", lang::PT_INT)->Value->SetInt(1);
  Expr e;
  e.Op(ocPlus, "____0", V("x"), I(10)).Op(ocTo, "____arg", V("____0"));
  EXPECT_EQ(Value(e), "11");
  ASSERT_TRUE(table.DeleteVariable("x"));
  Declare("x", lang::PT_STR)->Value->SetStr("a");
  EXPECT_EQ(Value(e), "a10");  // the new x, and its type types the temporary

  // A local of the current depth hides the global while that depth runs.
  table.Declare("x", lang::PT_INT, VarScope::kLocal, 3)->Value->SetInt(5);
  table.CurrentScope = 3;
  EXPECT_EQ(Value(e), "15");
  table.CurrentScope = 0;
  EXPECT_EQ(Value(e), "a10");

  // A table made where another was: nothing of the old one is used.
  for (int round = 0; round < 3; ++round) {
    auto other = std::make_unique<TParamCollection>();
    other->Declare("x", lang::PT_INT, VarScope::kGlobal, 0)->Value->SetInt(round);
    e.parser.Run(*other, nullptr);
    ASSERT_TRUE(e.parser.Result);
    EXPECT_EQ(e.parser.Result->GetInt(), round + 10);
  }
}

TEST_F(ParserTest, TemporariesBehaveAsTableEntries) {
  // A variable that happens to carry a temporary's name is written, not shadowed.
  Declare("____0", lang::PT_INT);
  Expr named;
  named.Op(ocPlus, "____0", I(2), I(3)).Op(ocTo, "____arg", V("____0"));
  EXPECT_EQ(Value(named), "5");
  EXPECT_EQ(table.Find("____0")->Value->GetInt(), 5);

  // Reading a temporary before it is made fails as an unknown name does:
  // the run stops there, earlier effects stay.
  Declare("y", lang::PT_INT);
  Expr early;
  early.Op(ocTo, "y", I(7)).Op(ocTo, "____arg", V("____9")).Op(ocTo, "____9", I(1));
  EXPECT_EQ(Value(early), "<none>");
  EXPECT_EQ(table.Find("y")->Value->GetInt(), 7);
  EXPECT_FALSE(early.parser.last_error().empty());
  EXPECT_EQ(Value(early), "<none>") << "a second run starts from no temporaries again";

  // Each run's temporaries start from zero, element references included.
  Declare("i", lang::PT_INT);
  auto* arr = Declare("arr", lang::PT_INT);
  arr->Value->SetDims({4});
  for (int k = 0; k < 4; ++k) arr->Value->SetIntAt(k, 100 + k);
  Expr element;
  element.Op(ocDimTo, "____1", V("arr"), V("i")).Op(ocTo, "____arg", V("____1"));
  for (int k : {2, 0, 3}) {
    table.Find("i")->Value->SetInt(k);
    EXPECT_EQ(Value(element), std::to_string(100 + k));
  }

  // With a function call in the expression, the temporaries are in the table
  // where the function can see them, and gone afterwards.
  Expr seen;
  seen.Op(ocTo, "____5", I(1))
      .Func(FN_VarExists, "____6", S("____5"))
      .Op(ocTo, "____arg", V("____6"));
  EXPECT_EQ(Value(seen), "TRUE");
  EXPECT_EQ(table.Find("____5"), nullptr);
  const int before = table.Count();
  Expr unseen;
  unseen.Op(ocTo, "____7", I(1)).Op(ocTo, "____arg", V("____7"));
  EXPECT_EQ(Value(unseen), "1");
  EXPECT_EQ(table.Count(), before);
}

}  // namespace
}  // namespace vesk::expr
