// Array functions: shapes, fills and copies, split and join, search and
// sort, and the one-dimensional add/insert/delete rules.
#include <gmock/gmock.h>

#include "sysfuncs_test_fixture.h"

namespace vesk::expr::test {
namespace {

using ::testing::ElementsAre;

class ArrayFunctions : public SysFuncTest {
 protected:
  void Ints(const std::string& name, std::vector<int32_t> values) {
    TCustomParam& v = table.Find(name) ? Var(name) : Declare(name, lang::PT_INT);
    v.SetDims({static_cast<int32_t>(values.size())});
    for (size_t i = 0; i < values.size(); ++i) v.SetIntAt(static_cast<int32_t>(i), values[i]);
  }
  std::vector<int32_t> IntsOf(const std::string& name) {
    std::vector<int32_t> out;
    for (int32_t i = 0; i < Var(name).Count(); ++i) out.push_back(Var(name).GetIntAt(i));
    return out;
  }
};

TEST_F(ArrayFunctions, ShapesFillsAndCopies) {
  Declare("a", lang::PT_INT, {3, 5});
  EXPECT_EQ(Run(FN_GetArraySize, V("a"), I(0)).GetInt(), 5);
  EXPECT_EQ(Run(FN_GetArraySize, V("a"), I(1)).GetInt(), 3);
  EXPECT_EQ(Run(FN_GetArraySize, V("a")).GetInt(), 15);
  EXPECT_EQ(Run(FN_GetArraySize, V("a"), I(INT32_MIN)).GetInt(), 1);
  EXPECT_EQ(ErrorOf(FN_GetArraySize, I(3)), "GetArraySize:変数が見つかりません");
  EXPECT_EQ(ErrorOf(FN_SetArray, V("nope"), I(2)), "SetArray:変数が見つかりません");
  EXPECT_EQ(ErrorOf(FN_FillMem, V("nope"), I(1)), "FillMem:変数が見つかりません");
  EXPECT_EQ(ErrorOf(FN_CopyMem, V("a")), "CopyMem:変数が見つかりません");

  Run(FN_SetArray, V("a"), I(2), I(3));
  EXPECT_THAT(Var("a").Dims, ElementsAre(2, 3));
  EXPECT_EQ(ErrorOf(FN_SetArray, V("a"), I(INT32_MAX), I(INT32_MAX)), "配列の要素数が不正です");
  Run(FN_FillMem, V("a"), S("7"));  // read as the array's type
  EXPECT_THAT(IntsOf("a"), ElementsAre(7, 7, 7, 7, 7, 7));
  Declare("f", lang::PT_BOOL, {2});
  Run(FN_FillMem, V("f"), S("TRUE"));
  EXPECT_THAT(Strings("f"), ElementsAre("TRUE", "TRUE"));
  Declare("b", lang::PT_INT);
  Run(FN_CopyMem, V("b"), V("a"));
  EXPECT_THAT(Var("b").Dims, ElementsAre(2, 3));
  EXPECT_EQ(ErrorOf(FN_CopyMem, V("b"), V("f")), "CopyMem:変数の型があいません");

  Declare("r", lang::PT_FLOAT, {2, 2});
  for (int i = 0; i < 4; ++i) Var("r").SetFloatAt(i, i + 0.75L);
  EXPECT_TRUE(Run(FN_CopyArray, V("b"), V("r")).GetFlag());
  EXPECT_THAT(Var("b").Dims, ElementsAre(2, 2));
  EXPECT_THAT(IntsOf("b"), ElementsAre(0, 1, 2, 3));
  EXPECT_FALSE(Run(FN_CopyArray, V("b"), V("nope")).GetFlag());  // would empty it
  EXPECT_EQ(Var("b").Count(), 4);
  EXPECT_EQ(Run(FN_GetVarType, V("r")).GetInt(), lang::PT_FLOAT);
  EXPECT_EQ(Run(FN_GetVarType).GetInt(), lang::PT_NONE);
}

TEST_F(ArrayFunctions, SplitAndJoin) {
  Declare("s", lang::PT_STR);
  Run(FN_StringToArray, S("a,,b,"), V("s"), S(","));
  EXPECT_THAT(Strings("s"), ElementsAre("a", "", "b"));
  Run(FN_StringToArray, S(",a;b"), V("s"), S(",;"));
  EXPECT_THAT(Strings("s"), ElementsAre("", "a", "b"));
  Run(FN_StringToArray, S("a\r\nb\nc\r\r\nd\n"), V("s"));
  EXPECT_THAT(Strings("s"), ElementsAre("a", "b", "c", "", "d"));
  EXPECT_EQ(ErrorOf(FN_StringToArray, S(""), V("s")), "配列の要素数が不正です");
  // 表 is 95 5C: a trail byte is no separator, in the separators or the text.
  Run(FN_StringToArray, S("a\\b"), V("s"), S(J("表")));
  EXPECT_THAT(Strings("s"), ElementsAre("a\\b"));
  Run(FN_StringToArray, S(J("x表") + "\\z"), V("s"), S("\\"));
  EXPECT_THAT(Strings("s"), ElementsAre(J("x表"), "z"));
  Declare("a", lang::PT_INT);
  Run(FN_StringToArray, S("4,x,-6"), V("a"), S(","));
  EXPECT_THAT(IntsOf("a"), ElementsAre(4, 0, -6));
  EXPECT_EQ(Run(FN_ArrayToString, V("a")).GetStr(), "4\r\n0\r\n-6");
  EXPECT_EQ(Run(FN_ArrayToString, V("a"), S(", ")).GetStr(), "4, 0, -6");
}

TEST_F(ArrayFunctions, SearchAndSort) {
  Declare("s", lang::PT_STR);
  Run(FN_StringToArray, S("b,A,_x,a"), V("s"), S(","));
  EXPECT_EQ(Run(FN_IndexOfStr, V("s"), S("a")).GetInt(), 3);  // case-sensitive by default
  EXPECT_EQ(Run(FN_IndexOfStr, V("s"), S("a"), F(false)).GetInt(), 1);
  EXPECT_EQ(Run(FN_IndexOfStr, V("s"), S("X"), F(false), F(true)).GetInt(), 2);
  EXPECT_EQ(Run(FN_IndexOfStr, V("nope"), S("a")).GetInt(), -1);
  Run(FN_SortStr, V("s"));  // case folded; "_" sorts before letters
  EXPECT_THAT(Strings("s"), ElementsAre("_x", "A", "a", "b"));
}

TEST_F(ArrayFunctions, AddAndInsertOnlyIntoOneDimension) {
  Ints("a", {1, 2});
  EXPECT_EQ(Run(FN_AddArray, V("a"), V("a")).GetInt(), 4);  // onto itself
  EXPECT_THAT(IntsOf("a"), ElementsAre(1, 2, 1, 2));
  Declare("s", lang::PT_STR, {2}).SetStrAt(0, "7");
  EXPECT_EQ(Run(FN_AddArray, V("a"), V("s")).GetInt(), 6);
  EXPECT_THAT(IntsOf("a"), ElementsAre(1, 2, 1, 2, 7, 0));  // read as A's type
  Declare("m", lang::PT_INT, {2, 2});
  EXPECT_EQ(Run(FN_AddArray, V("a"), V("m")).GetInt(), 6);
  EXPECT_EQ(Run(FN_InsertArray, V("m"), I(0), V("a")).GetInt(), 4);
  EXPECT_EQ(Var("a").Count(), 6);
  EXPECT_THAT(Var("m").Dims, ElementsAre(2, 2));

  for (auto [pos, expected] : {std::pair{1, std::vector<int32_t>{1, 8, 9, 2, 3}},
                               {-5, {8, 9, 1, 2, 3}},
                               {99, {1, 2, 3, 8, 9}}}) {
    Ints("a", {1, 2, 3});
    Ints("c", {8, 9});
    EXPECT_EQ(Run(FN_InsertArray, V("a"), I(pos), V("c")).GetInt(), 5);
    EXPECT_EQ(IntsOf("a"), expected) << pos;
  }
}

TEST_F(ArrayFunctions, DeleteArrayClampsAndRefusesToEmptyTheArray) {
  for (auto [pos, count, expected] : {std::tuple{1, 2, std::vector<int32_t>{1, 4, 5}},
                                      {3, 99, {1, 2, 3}},
                                      {99, 1, {1, 2, 3, 4}},
                                      {-3, 1, {2, 3, 4, 5}},
                                      {1, -1, {1, 2, 3, 4, 5}}}) {
    Ints("a", {1, 2, 3, 4, 5});
    EXPECT_EQ(Run(FN_DeleteArray, V("a"), I(pos), I(count)).GetInt(),
              static_cast<int32_t>(expected.size()));
    EXPECT_EQ(IntsOf("a"), expected) << pos << "," << count;
  }
  Ints("a", {1, 2, 3});
  EXPECT_EQ(ErrorOf(FN_DeleteArray, V("a"), I(0), I(3)), "配列の要素数が不正です");
  EXPECT_THAT(IntsOf("a"), ElementsAre(1, 2, 3));
  Declare("m", lang::PT_INT, {2, 3});
  EXPECT_EQ(Run(FN_DeleteArray, V("m"), I(0), I(1)).GetInt(), 6);
  EXPECT_EQ(Var("m").Count(), 6);
}

}  // namespace
}  // namespace vesk::expr::test
