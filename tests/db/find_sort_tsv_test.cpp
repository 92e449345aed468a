// Searching, sorting and loading tables from tab-separated text.
#include <gtest/gtest.h>

#include <cmath>

#include "db/dbs.h"
#include "db/tsv.h"
#include "db_test_util.h"

namespace vesk::db {
namespace {

using test::Flags;
using test::Ints;
using test::Reals;
using test::Str;
using test::Strs;

// Name (string 20), HP (int), Rate (real), Alive (bool).
class FindTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(t.LoadFromStrings({"Name\tHP int\tRate float\tAlive bool", "apple\t10\t0.5\tTRUE",
                                   "Banana\t20\t1.5\tFALSE", "apple\t30\t0.5\tFALSE",
                                   "\x83\x41pple\t40\t2\tTRUE"}));
  }
  std::vector<int32_t> Find(const expr::TCustomParam* fields, const expr::TCustomParam* values,
                            bool ignore_case = false, bool partial = false) {
    std::vector<int32_t> found{-7};  // a search replaces what was there
    t.Find(found, FindKeys{fields, values, ignore_case, partial});
    return found;
  }
  using V = std::vector<int32_t>;
  TDBTable t;
};

TEST_F(FindTest, KeysOfEachValueType) {
  EXPECT_EQ(Find(Strs({"name"}).get(), Strs({"apple"}).get()), (V{0, 2}));
  EXPECT_EQ(Find(Strs({"Name", "HP"}).get(), Strs({"apple", "30"}).get()), (V{2}));
  EXPECT_EQ(Find(Strs({"HP"}).get(), Ints({20}).get()), (V{1}));
  EXPECT_EQ(Find(Strs({"Rate"}).get(), Reals({0.5L}).get()), (V{0, 2}));
  EXPECT_EQ(Find(Strs({"Alive"}).get(), Flags({true}).get()), (V{0, 3}));
  // Values are all read as the list's type: the integer 1 against a flag.
  EXPECT_EQ(Find(Strs({"Alive"}).get(), Ints({1}).get()), (V{0, 3}));
  // The shorter list decides how many keys there are; none matches all.
  EXPECT_EQ(Find(Strs({"HP", "Name"}).get(), Ints({40}).get()), (V{3}));
  EXPECT_EQ(Find(Strs({}).get(), Ints({40}).get()), (V{0, 1, 2, 3}));
  EXPECT_EQ(Find(nullptr, Ints({40}).get()), (V{0, 1, 2, 3}));
}

TEST_F(FindTest, AKeyFieldTheTableLacksFindsNothing) {
  EXPECT_EQ(Find(Strs({"Name", "Nope"}).get(), Strs({"apple", "x"}).get()), V{});
  EXPECT_EQ(Find(Strs({"Name", "Nope"}).get(), Strs({"zzz", "x"}).get()), V{});
}

TEST_F(FindTest, CaseAndPartialMatching) {
  EXPECT_EQ(Find(Strs({"Name"}).get(), Strs({"banana"}).get()), V{});
  EXPECT_EQ(Find(Strs({"Name"}).get(), Strs({"banana"}).get(), true), (V{1}));
  // The field's text is looked for inside the key.
  EXPECT_EQ(Find(Strs({"Name"}).get(), Strs({"pineapple pie"}).get(), false, true), (V{0, 2}));
  EXPECT_EQ(Find(Strs({"Name"}).get(), Strs({"app"}).get(), false, true), V{});
  EXPECT_EQ(Find(Strs({"Name"}).get(), Strs({"BANANAS"}).get(), true, true), (V{1}));
  EXPECT_EQ(Find(Strs({"Name"}).get(), Strs({"BANANAS"}).get(), false, true), V{});
  // A double-byte character is no letter: its trail byte 0x41 is not 'a'.
  EXPECT_EQ(Find(Strs({"Name"}).get(), Strs({"\x83\x61PPLE"}).get(), true), V{});
  EXPECT_EQ(Find(Strs({"Name"}).get(), Strs({"\x83\x41PPLE"}).get(), true), (V{3}));
  // Nor does a text start inside one: "APPLE" is not inside "\x83" "APPLE".
  EXPECT_EQ(Find(Strs({"Name"}).get(), Strs({"\x83\x41pple"}).get(), true, true), (V{3}));
  t.SetStr(0, 0, "Ap");
  EXPECT_EQ(Find(Strs({"Name"}).get(), Strs({"x\x83\x41p"}).get(), false, true), V{});
  // An empty field text occurs nowhere.
  t.SetStr(1, 0, "");
  EXPECT_EQ(Find(Strs({"Name"}).get(), Strs({"anything"}).get(), false, true), V{});
}

TEST_F(FindTest, UpToALimitStopsAtTheFirstMatches) {
  std::vector<int32_t> found;
  t.FindUpTo(found, FindKeys{Strs({"Rate"}).get(), Reals({0.5L}).get()}, 1);
  EXPECT_EQ(found, (V{0}));
}

TEST(SortTest, StringDescendingAndIntegerExtremes) {
  TDBTable t;
  ASSERT_TRUE(t.LoadFromStrings(
      {"K\tN int", "a\t2147483647", "b\t-2147483648", "ab\t0", "\xe0\x40\t5", "a\t1"}));
  t.SetRecNo(2);
  t.Sort(Strs({"K", "N"}).get(), Flags({true, false}).get());
  std::vector<std::string> keys;
  for (int32_t r = 0; r < t.RecordCount(); ++r) keys.push_back(Str(t, r, 0) + Str(t, r, 1));
  // Unsigned bytes: 0xE0 after every ASCII letter; a prefix first.
  EXPECT_EQ(keys, (std::vector<std::string>{"\xe0\x40"
                                            "5",
                                            "b-2147483648", "ab0", "a1", "a2147483647"}));
  EXPECT_EQ(t.RecNo(), 2);  // the number stays, whatever record is there now
  t.Sort(Strs({"missing", "N"}).get(), Flags({true, false}).get());
  EXPECT_EQ(Str(t, 0, 1), "-2147483648");
  EXPECT_EQ(Str(t, 4, 1), "2147483647");
}

TEST(SortTest, LongSharedPrefixesAndDescendingIntegersFirst) {
  TDBTable t;
  ASSERT_TRUE(t.LoadFromStrings(
      {"K\tN int", "abcdefgh2\t-1", "abcdefgh\t-1", "abcdefgh1\t-1", "zz\t-5", "abcdefgh10\t3"}));
  t.Sort(Strs({"N", "K"}).get(), Flags({true, false}).get());
  std::vector<std::string> keys;
  for (int32_t r = 0; r < t.RecordCount(); ++r) keys.push_back(Str(t, r, 0));
  EXPECT_EQ(keys,
            (std::vector<std::string>{"abcdefgh10", "abcdefgh", "abcdefgh1", "abcdefgh2", "zz"}));
  t.Sort(Strs({"K"}).get(), Flags({true}).get());
  EXPECT_EQ(Str(t, 0, 0), "zz");
  EXPECT_EQ(Str(t, 1, 0), "abcdefgh2");
  EXPECT_EQ(Str(t, 4, 0), "abcdefgh");
}

TEST(SortTest, RealsWithNaNStillSort) {
  TDBTable t;
  t.Fields().AddField("R", kFieldFloat, 0);
  const Real values[] = {3, NAN, -1, NAN, 2, 0};
  for (Real x : values) {
    t.Append();
    t.SetFloat(t.RecNo(), 0, x);
  }
  t.Sort(Strs({"R"}).get(), Flags({false}).get());
  Real last = -INFINITY;
  for (int32_t r = 2; r < t.RecordCount(); ++r) {
    Real x = 0;
    t.GetFloat(r, 0, x);
    EXPECT_GE(x, last);
    last = x;
  }
  Real first = 0;
  t.GetFloat(0, 0, first);
  EXPECT_TRUE(std::isnan(first));
}

TEST(TsvTest, HeaderDeclaresTheFields) {
  TDBTable t;
  ASSERT_TRUE(t.LoadFromStrings({"Name\tHP int\tRate float 3\tOk bool\tTitle str 12\tX Int\t"}));
  const TDBFieldList& f = t.Fields();
  ASSERT_EQ(f.Count(), 6);  // text after the last tab is a column only when not empty
  EXPECT_EQ(f.Field(0).Size, 81);
  EXPECT_EQ(f.Field(1).FieldType, kFieldInt);
  EXPECT_EQ(f.Field(2).FieldType, kFieldFloat);
  EXPECT_EQ(f.Field(2).Size, 10);
  EXPECT_EQ(f.Field(3).FieldType, kFieldBool);
  EXPECT_EQ(f.Field(4).Size, 13);
  EXPECT_EQ(f.Field(5).FieldType, kFieldStr);  // type words are case-sensitive
  EXPECT_EQ(f.Field(5).Size, 81);
}

TEST(TsvTest, RefusedHeadersLeaveNoFieldsAndNoRecords) {
  TDBTable t;
  ASSERT_TRUE(t.LoadFromStrings({"A\tB", "1\t2"}));
  EXPECT_FALSE(t.LoadFromStrings({"A\t\tB", "1\t2"}));  // an empty column has no name
  EXPECT_EQ(t.Fields().Count(), 0);
  EXPECT_EQ(t.RecordCount(), 0);
  EXPECT_FALSE(t.LoadFromStrings({}));
  EXPECT_FALSE(t.LoadFromStrings({"A str 99999999"}));  // longer than a field may be
}

TEST(TsvTest, DataLinesEscapesAndDoubleByteTabs) {
  TDBTable t;
  ASSERT_TRUE(t.LoadFromStrings(
      {"A\tB int\tC", "x\\ny\t12abc", "", "\x81\x09z\t7\tsurplus\tmore", "q\\\\\\\"\\t\x95\\n"}));
  ASSERT_EQ(t.RecordCount(), 3);  // the empty line adds no record
  EXPECT_EQ(Str(t, 0, 0), "x\r\ny");
  EXPECT_EQ(Str(t, 0, 1), "0");          // 12abc is no integer
  EXPECT_EQ(Str(t, 0, 2), "");           // fewer columns than fields
  EXPECT_EQ(Str(t, 1, 0), "\x81\x09z");  // a trail byte 0x09 is no tab
  EXPECT_EQ(Str(t, 1, 1), "7");
  EXPECT_EQ(Str(t, 1, 2), "surplus");
  // "\\" and "\"" decode, "\t" stays; the 0x5C after lead byte 0x95 starts no escape.
  EXPECT_EQ(Str(t, 2, 0), "q\\\"\\t\x95\\n");
  EXPECT_EQ(t.RecNo(), 2);
}

TEST(TsvTest, LinesSplitAtEveryKindOfBreak) {
  EXPECT_EQ(SplitTextLines("a\r\nb\rc\n\nd\n"), (std::vector<std::string>{"a", "b", "c", "", "d"}));
  EXPECT_EQ(SplitTextLines(""), std::vector<std::string>{});
  std::vector<std::string_view> columns;
  SplitTabs("\ta\t\t", columns);
  EXPECT_EQ(columns, (std::vector<std::string_view>{"", "a", ""}));
}

}  // namespace
}  // namespace vesk::db
