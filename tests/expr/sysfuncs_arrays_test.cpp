// Array functions: shapes, fills and copies, join and split, search and
// sort, and the one-dimensional add/insert/delete rules.
#include <gmock/gmock.h>

#include "sysfuncs_test_fixture.h"

namespace vesk::expr::test {
namespace {

using ::testing::ElementsAre;

class ArrayFunctions : public SysFuncTest {
 protected:
  void Ints(const std::string& name, std::vector<int32_t> values) {
    TCustomParam& v = table.Find(name) ? *table.Find(name)->Value : Declare(name, kPtInt);
    v.SetDims({static_cast<int32_t>(values.size())});
    for (size_t i = 0; i < values.size(); ++i) v.SetIntAt(static_cast<int32_t>(i), values[i]);
  }
  std::vector<int32_t> IntsOf(const std::string& name) {
    const TCustomParam& v = *table.Find(name)->Value;
    std::vector<int32_t> out;
    for (int32_t i = 0; i < v.Count(); ++i) out.push_back(v.GetIntAt(i));
    return out;
  }
};

TEST_F(ArrayFunctions, GetArraySizeCountsFromTheLastDimension) {
  Array("a", kPtInt, {3, 5});
  EXPECT_EQ(Run(FN_GetArraySize, V("a"), I(0)).GetInt(), 5);
  EXPECT_EQ(Run(FN_GetArraySize, V("a"), I(1)).GetInt(), 3);
  EXPECT_EQ(Run(FN_GetArraySize, V("a")).GetInt(), 15);
  EXPECT_EQ(Run(FN_GetArraySize, V("a"), I(2)).GetInt(), 1);
  EXPECT_EQ(Run(FN_GetArraySize, V("a"), I(INT32_MIN)).GetInt(), 1);
  EXPECT_EQ(ErrorOf(FN_GetArraySize, V("nope")), "GetArraySize:変数が見つかりません");
  EXPECT_EQ(ErrorOf(FN_GetArraySize, I(3)), "GetArraySize:変数が見つかりません");
  EXPECT_EQ(ErrorOf(FN_GetArraySize), "GetArraySize:変数が見つかりません");
}

TEST_F(ArrayFunctions, SetArrayFillMemAndCopyMem) {
  Declare("a", kPtInt);
  Run(FN_SetArray, V("a"), I(2), I(3));
  EXPECT_THAT(table.Find("a")->Value->Dims, ElementsAre(2, 3));
  EXPECT_EQ(ErrorOf(FN_SetArray, V("a"), I(2), I(0)), "配列の要素数が不正です");
  EXPECT_EQ(ErrorOf(FN_SetArray, V("a"), I(INT32_MAX), I(INT32_MAX)), "配列の要素数が不正です");
  EXPECT_EQ(table.Find("a")->Value->Count(), 6);
  EXPECT_EQ(ErrorOf(FN_SetArray, V("nope"), I(2)), "SetArray:変数が見つかりません");

  // The fill value is read as the array's own type.
  Run(FN_FillMem, V("a"), S("7"));
  EXPECT_THAT(IntsOf("a"), ElementsAre(7, 7, 7, 7, 7, 7));
  Array("s", kPtStr, {2});
  Run(FN_FillMem, V("s"), R(2.5L));
  EXPECT_THAT(Strings("s"), ElementsAre("2.5", "2.5"));
  Array("f", kPtBool, {2});
  Run(FN_FillMem, V("f"), S("TRUE"));
  EXPECT_THAT(Strings("f"), ElementsAre("TRUE", "TRUE"));
  EXPECT_EQ(ErrorOf(FN_FillMem, V("nope"), I(1)), "FillMem:変数が見つかりません");

  Declare("b", kPtInt);
  Run(FN_CopyMem, V("b"), V("a"));
  EXPECT_THAT(table.Find("b")->Value->Dims, ElementsAre(2, 3));
  EXPECT_THAT(IntsOf("b"), ElementsAre(7, 7, 7, 7, 7, 7));
  EXPECT_EQ(ErrorOf(FN_CopyMem, V("b"), V("s")), "CopyMem:変数の型があいません");
  EXPECT_EQ(ErrorOf(FN_CopyMem, V("b"), V("nope")), "CopyMem:変数が見つかりません");
  EXPECT_EQ(ErrorOf(FN_CopyMem, V("b")), "CopyMem:変数が見つかりません");
}

TEST_F(ArrayFunctions, ArrayToStringAndStringToArray) {
  Ints("a", {1, -2, 3});
  EXPECT_EQ(Run(FN_ArrayToString, V("a")).GetStr(), "1\r\n-2\r\n3");
  EXPECT_EQ(Run(FN_ArrayToString, V("a"), S(", ")).GetStr(), "1, -2, 3");

  Declare("s", kPtStr);
  Run(FN_StringToArray, S("a,,b,"), V("s"), S(","));
  EXPECT_THAT(Strings("s"), ElementsAre("a", "", "b"));
  EXPECT_THAT(table.Find("s")->Value->Dims, ElementsAre(3));
  Run(FN_StringToArray, S(",a"), V("s"), S(",;"));
  EXPECT_THAT(Strings("s"), ElementsAre("", "a"));
  Run(FN_StringToArray, S("a;b,c"), V("s"), S(",;"));
  EXPECT_THAT(Strings("s"), ElementsAre("a", "b", "c"));
  // Lines end at CR, LF or CR LF; the final break adds nothing.
  Run(FN_StringToArray, S("a\r\nb\nc\rd\n"), V("s"));
  EXPECT_THAT(Strings("s"), ElementsAre("a", "b", "c", "d"));
  Run(FN_StringToArray, S("a\r\n\r\nb"), V("s"), S("\r\n"));
  EXPECT_THAT(Strings("s"), ElementsAre("a", "", "b"));
  EXPECT_EQ(ErrorOf(FN_StringToArray, S(""), V("s")), "配列の要素数が不正です");
  // 表 is 95 5C: its trail byte is no separator, neither in the separators
  // nor in the text.
  Run(FN_StringToArray, S("a\\b"), V("s"), S(J("表")));
  EXPECT_THAT(Strings("s"), ElementsAre("a\\b"));
  Run(FN_StringToArray, S(J("x表y") + "\\z"), V("s"), S("\\"));
  EXPECT_THAT(Strings("s"), ElementsAre(J("x表y"), "z"));
  // The pieces are converted into the variable's type.
  Run(FN_StringToArray, S("4,x,6"), V("a"), S(","));
  EXPECT_THAT(IntsOf("a"), ElementsAre(4, 0, 6));
}

TEST_F(ArrayFunctions, IndexOfStrAndSortStr) {
  TCustomParam& s = Array("s", kPtStr, {4});
  const char* words[] = {"b", "A", "_x", "a"};
  for (int i = 0; i < 4; ++i) s.SetStrAt(i, words[i]);
  EXPECT_EQ(Run(FN_IndexOfStr, V("s"), S("a")).GetInt(), 3);  // case-sensitive by default
  EXPECT_EQ(Run(FN_IndexOfStr, V("s"), S("a"), F(false)).GetInt(), 1);
  EXPECT_EQ(Run(FN_IndexOfStr, V("s"), S("X"), F(false), F(true)).GetInt(), 2);
  EXPECT_EQ(Run(FN_IndexOfStr, V("s"), S("X"), F(true), F(true)).GetInt(), -1);
  EXPECT_EQ(Run(FN_IndexOfStr, V("nope"), S("a")).GetInt(), -1);

  // Case is ignored; symbols between Z and a sort before the letters.
  Run(FN_SortStr, V("s"));
  EXPECT_THAT(Strings("s"), ElementsAre("_x", "A", "a", "b"));
}

TEST_F(ArrayFunctions, AddArrayAppendsOnlyToOneDimension) {
  Ints("a", {1, 2});
  Ints("b", {3});
  EXPECT_EQ(Run(FN_AddArray, V("a"), V("b")).GetInt(), 3);
  EXPECT_THAT(IntsOf("a"), ElementsAre(1, 2, 3));
  EXPECT_EQ(Run(FN_AddArray, V("a"), V("a")).GetInt(), 6);  // onto itself
  EXPECT_THAT(IntsOf("a"), ElementsAre(1, 2, 3, 1, 2, 3));
  TCustomParam& s = Array("s", kPtStr, {2});
  s.SetStrAt(0, "7");
  s.SetStrAt(1, "x");
  Ints("a", {1});
  EXPECT_EQ(Run(FN_AddArray, V("a"), V("s")).GetInt(), 3);
  EXPECT_THAT(IntsOf("a"), ElementsAre(1, 7, 0));  // read as A's type

  Array("m", kPtInt, {2, 2});
  EXPECT_EQ(Run(FN_AddArray, V("m"), V("a")).GetInt(), 4);
  EXPECT_THAT(table.Find("m")->Value->Dims, ElementsAre(2, 2));
  EXPECT_EQ(Run(FN_AddArray, V("a"), V("m")).GetInt(), 3);
  EXPECT_THAT(IntsOf("a"), ElementsAre(1, 7, 0));
}

TEST_F(ArrayFunctions, InsertArrayClampsThePosition) {
  auto insert = [&](int32_t pos) {
    Ints("a", {1, 2, 3});
    Ints("c", {8, 9});
    EXPECT_EQ(Run(FN_InsertArray, V("a"), I(pos), V("c")).GetInt(), 5);
    return IntsOf("a");
  };
  EXPECT_THAT(insert(1), ElementsAre(1, 8, 9, 2, 3));
  EXPECT_THAT(insert(-5), ElementsAre(8, 9, 1, 2, 3));
  EXPECT_THAT(insert(99), ElementsAre(1, 2, 3, 8, 9));
  Ints("a", {1, 2});
  EXPECT_EQ(Run(FN_InsertArray, V("a"), I(1), V("a")).GetInt(), 4);
  EXPECT_THAT(IntsOf("a"), ElementsAre(1, 1, 2, 2));
  Array("m", kPtInt, {2, 2});
  EXPECT_EQ(Run(FN_InsertArray, V("a"), I(0), V("m")).GetInt(), 4);
  EXPECT_THAT(IntsOf("a"), ElementsAre(1, 1, 2, 2));
}

TEST_F(ArrayFunctions, DeleteArrayMovesDownAndRefusesToEmptyTheArray) {
  auto remove = [&](int32_t pos, int32_t count) {
    Ints("a", {1, 2, 3, 4, 5});
    Run(FN_DeleteArray, V("a"), I(pos), I(count));
    return IntsOf("a");
  };
  EXPECT_THAT(remove(1, 2), ElementsAre(1, 4, 5));
  EXPECT_THAT(remove(3, 99), ElementsAre(1, 2, 3));
  EXPECT_THAT(remove(99, 1), ElementsAre(1, 2, 3, 4));  // the position stops at the last element
  EXPECT_THAT(remove(-3, 1), ElementsAre(2, 3, 4, 5));
  EXPECT_THAT(remove(1, -1), ElementsAre(1, 2, 3, 4, 5));
  Ints("a", {1, 2, 3});
  EXPECT_EQ(Run(FN_DeleteArray, V("a"), I(1), I(1)).GetInt(), 2);

  Ints("a", {1, 2, 3});
  EXPECT_EQ(ErrorOf(FN_DeleteArray, V("a"), I(0), I(3)), "配列の要素数が不正です");
  EXPECT_THAT(IntsOf("a"), ElementsAre(1, 2, 3));

  Array("m", kPtInt, {2, 3});
  EXPECT_EQ(Run(FN_DeleteArray, V("m"), I(0), I(1)).GetInt(), 6);
  EXPECT_EQ(table.Find("m")->Value->Count(), 6);
}

TEST_F(ArrayFunctions, CopyArrayTakesShapeAndConvertsElements) {
  TCustomParam& r = Array("r", kPtFloat, {2, 2});
  for (int i = 0; i < 4; ++i) r.SetFloatAt(i, i + 0.75L);
  Ints("a", {9});
  EXPECT_TRUE(Run(FN_CopyArray, V("a"), V("r")).GetFlag());
  EXPECT_THAT(table.Find("a")->Value->Dims, ElementsAre(2, 2));
  EXPECT_THAT(IntsOf("a"), ElementsAre(0, 1, 2, 3));
  // A source that was not found would empty the array: nothing happens.
  EXPECT_FALSE(Run(FN_CopyArray, V("a"), V("nope")).GetFlag());
  EXPECT_EQ(table.Find("a")->Value->Count(), 4);
}

TEST_F(ArrayFunctions, GetVarTypeReportsTheVariablesType) {
  Declare("s", kPtStr);
  EXPECT_EQ(Run(FN_GetVarType, V("s")).GetInt(), kPtStr);
  EXPECT_EQ(Run(FN_GetVarType, R(1)).GetInt(), kPtFloat);
  EXPECT_EQ(Run(FN_GetVarType, V("nope")).GetInt(), kPtNone);
  EXPECT_EQ(Run(FN_GetVarType).GetInt(), kPtNone);
}

}  // namespace
}  // namespace vesk::expr::test
