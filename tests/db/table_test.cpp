// Field layout, record operations and the field conversions of TDBTable.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "db/dbs.h"
#include "db_test_util.h"

namespace vesk::db {
namespace {

using test::AddEveryType;
using test::Str;

TEST(FieldListTest, SizesOffsetsAndRefusedTypes) {
  TDBTable t;
  AddEveryType(t);
  const TDBFieldList& f = t.Fields();
  EXPECT_EQ(f.Field(0).Size, 4);
  EXPECT_EQ(f.Field(1).Size, 10);
  EXPECT_EQ(f.Field(2).Size, 1);
  EXPECT_EQ(f.Field(3).Size, 6);  // length 5 plus the terminator
  EXPECT_EQ(f.FieldOffset(3), 15);
  EXPECT_EQ(f.RecordSize(), 21);
  // Only the low 8 bits of the type count; other types add nothing.
  TDBTable u;
  EXPECT_EQ(u.Fields().AddField("x", 0x104, 2), 0);
  EXPECT_EQ(u.Fields().Field(0).FieldType, kFieldStr);
  EXPECT_EQ(u.Fields().AddField("y", 5, 0), -1);
  EXPECT_EQ(u.Fields().AddField("y", 0, 0), -1);
  EXPECT_EQ(u.Fields().AddField("huge", kFieldStr, kMaxFieldBytes), -1);
  EXPECT_EQ(u.Fields().AddField("neg", kFieldStr, -1), -1);
  EXPECT_EQ(u.Fields().Count(), 1);
}

TEST(FieldListTest, LookupIgnoresAsciiCaseAndFindsTheFirstOfTwins) {
  TDBTable t;
  t.Fields().AddField("Name", kFieldStr, 4);
  t.Fields().AddField("NAME", kFieldInt, 0);
  t.Fields().AddField("", kFieldInt, 0);  // names are not checked
  EXPECT_EQ(t.Fields().IndexOfField("nAmE"), 0);
  EXPECT_EQ(t.Fields().IndexOfField(""), 2);
  EXPECT_EQ(t.Fields().IndexOfField("Nam"), -1);
}

TEST(FieldListTest, AddingAndDeletingFieldsReshapesExistingRecords) {
  TDBTable t;
  t.Fields().AddField("A", kFieldInt, 0);
  t.Append();
  t.SetInt(0, 0, 7);
  t.Append();
  t.SetInt(1, 0, 8);
  t.Fields().AddField("S", kFieldStr, 3);
  t.Fields().AddField("R", kFieldFloat, 0);
  EXPECT_EQ(Str(t, 0, 1), "");
  EXPECT_EQ(Str(t, 1, 2), "0");
  t.SetStr(1, 1, "xyz");
  ASSERT_TRUE(t.Fields().DeleteField(0));
  EXPECT_EQ(t.Fields().RecordSize(), 14);
  EXPECT_EQ(Str(t, 1, 0), "xyz");
  EXPECT_EQ(Str(t, 0, 0), "");
}

TEST(FieldListTest, SameFieldsIsCaseSensitiveAndAssignCopiesSizes) {
  TDBTable a, b;
  AddEveryType(a);
  AddEveryType(b);
  EXPECT_TRUE(a.Fields().SameFields(b.Fields()));
  b.Fields().Clear();
  b.Fields().AddField("i", kFieldInt, 0);
  EXPECT_FALSE(a.Fields().SameFields(b.Fields()));
  b.Fields().Assign(a.Fields());
  EXPECT_TRUE(a.Fields().SameFields(b.Fields()));
  EXPECT_EQ(b.Fields().RecordSize(), a.Fields().RecordSize());
}

TEST(RecordTest, NavigationAndCurrentRecord) {
  TDBTable t;
  t.Fields().AddField("A", kFieldInt, 0);
  EXPECT_EQ(t.RecNo(), -1);
  EXPECT_FALSE(t.First());
  EXPECT_FALSE(t.Last());
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(t.Append());
  EXPECT_EQ(t.RecNo(), 2);  // the appended record is current
  EXPECT_FALSE(t.Next());   // already the last
  EXPECT_EQ(t.RecNo(), 2);
  EXPECT_TRUE(t.Prior());
  EXPECT_TRUE(t.First());
  EXPECT_FALSE(t.Prior());
  EXPECT_FALSE(t.SetRecNo(3));  // the record count
  EXPECT_EQ(t.RecNo(), 0);
  EXPECT_TRUE(t.SetRecNo(-5));
  EXPECT_EQ(t.RecNo(), -1);
  EXPECT_EQ(t.CurrentRecord(), nullptr);
  EXPECT_FALSE(t.Next());
  EXPECT_FALSE(t.Delete());
}

TEST(RecordTest, DeleteMakesTheFollowingOrTheNewLastRecordCurrent) {
  TDBTable t;
  t.Fields().AddField("A", kFieldInt, 0);
  for (int i = 0; i < 4; ++i) {
    t.Append();
    t.SetInt(i, 0, 10 + i);
  }
  t.SetRecNo(1);
  ASSERT_TRUE(t.Delete());  // a middle record
  int32_t v = 0;
  EXPECT_EQ(t.RecNo(), 1);
  ASSERT_TRUE(t.GetIntByName("a", v));
  EXPECT_EQ(v, 12);
  t.Last();
  ASSERT_TRUE(t.Delete());  // the last of several
  EXPECT_EQ(t.RecNo(), 1);
  t.GetIntByName("A", v);
  EXPECT_EQ(v, 12);
  t.Delete();
  t.Delete();  // the only record
  EXPECT_EQ(t.RecordCount(), 0);
  EXPECT_EQ(t.RecNo(), -1);
}

TEST(RecordTest, AccessOutOfRangeFailsAndLeavesTheOutputAlone) {
  TDBTable t;
  AddEveryType(t);
  t.Append();
  int32_t v = 99;
  EXPECT_FALSE(t.GetInt(1, 0, v));
  EXPECT_FALSE(t.GetInt(0, 4, v));
  EXPECT_FALSE(t.GetInt(-1, 0, v));
  EXPECT_EQ(v, 99);
  EXPECT_FALSE(t.SetStr(0, -1, "x"));
  EXPECT_FALSE(t.GetIntByName("missing", v));
  t.SetRecNo(-1);
  EXPECT_FALSE(t.SetIntByName("I", 1));  // no current record
}

// Every typed get of every field type, from the same record.
TEST(ConversionTest, GetsConvertFromTheFieldsType) {
  TDBTable t;
  AddEveryType(t);
  t.Append();
  t.SetInt(0, 0, -42);
  t.SetFloat(0, 1, 2.5L);
  t.SetBool(0, 2, true);
  t.SetStr(0, 3, "3.5");
  int32_t i = 0;
  Real r = 0;
  bool b = false;
  std::string s;
  ASSERT_TRUE(t.GetInt(0, 1, i));
  EXPECT_EQ(i, 2);  // 2.5 rounds to the even neighbour
  t.SetFloat(0, 1, 3.5L);
  t.GetInt(0, 1, i);
  EXPECT_EQ(i, 4);
  t.SetFloat(0, 1, -2.5L);
  t.GetInt(0, 1, i);
  EXPECT_EQ(i, -2);
  t.GetInt(0, 2, i);
  EXPECT_EQ(i, 1);
  t.GetInt(0, 3, i);
  EXPECT_EQ(i, 0);  // "3.5" is no integer
  t.GetFloat(0, 0, r);
  EXPECT_EQ(r, -42);
  t.GetFloat(0, 3, r);
  EXPECT_EQ(r, 3.5L);
  t.GetBool(0, 0, b);
  EXPECT_TRUE(b);
  t.GetBool(0, 3, b);
  EXPECT_FALSE(b);
  EXPECT_EQ(Str(t, 0, 0), "-42");
  EXPECT_EQ(Str(t, 0, 1), "-2.5");
  EXPECT_EQ(Str(t, 0, 2), "TRUE");
  t.SetStr(0, 3, "TRUE");
  t.GetBool(0, 3, b);
  EXPECT_TRUE(b);
  t.SetStr(0, 3, "true");
  t.GetBool(0, 3, b);
  EXPECT_FALSE(b);  // case-sensitive
}

TEST(ConversionTest, SetsConvertToTheFieldsType) {
  TDBTable t;
  AddEveryType(t);
  t.Append();
  t.SetFloat(0, 0, 3.7L);
  EXPECT_EQ(Str(t, 0, 0), "4");
  t.SetStr(0, 0, "12abc");
  EXPECT_EQ(Str(t, 0, 0), "0");
  t.SetStr(0, 0, " $1F");
  EXPECT_EQ(Str(t, 0, 0), "31");
  t.SetBool(0, 1, true);
  EXPECT_EQ(Str(t, 0, 1), "1");
  t.SetStr(0, 1, "1E-5");
  EXPECT_EQ(Str(t, 0, 1), "1E-5");
  t.SetInt(0, 2, 2);  // any non-zero is true, stored as 1
  EXPECT_EQ(t.RecordAt(0)[14], 1);
  t.SetFloat(0, 2, 0.0L);
  EXPECT_EQ(Str(t, 0, 2), "FALSE");
  t.SetStr(0, 2, "TRUE");
  EXPECT_EQ(Str(t, 0, 2), "TRUE");
  t.SetInt(0, 3, -12345);
  EXPECT_EQ(Str(t, 0, 3), "-1234");  // cut to Size - 1
  t.SetFloat(0, 3, 0.25L);
  EXPECT_EQ(Str(t, 0, 3), "0.25");
}

TEST(ConversionTest, StringFieldsCutAndKeepTheTailOfLongerText) {
  TDBTable t;
  t.Fields().AddField("S", kFieldStr, 5);
  t.Fields().AddField("T", kFieldStr, 3);
  t.Append();
  t.SetStr(0, 0, "abcdefg");
  EXPECT_EQ(Str(t, 0, 0), "abcde");
  t.SetStr(0, 0, "xy");
  EXPECT_EQ(std::memcmp(t.RecordAt(0), "xy\0de\0", 6), 0);
  t.SetBool(0, 1, true);
  EXPECT_EQ(Str(t, 0, 1), "TRU");
  // A double-byte character may be cut in half.
  t.SetStr(0, 1, "a\x82\xa0\x82\xa0");
  EXPECT_EQ(Str(t, 0, 1), "a\x82\xa0");
  t.SetStr(0, 1, "ab\x82\xa0");
  EXPECT_EQ(Str(t, 0, 1), "ab\x82");
}

TEST(ConversionTest, RoundHalfEvenAtTheEdges) {
  EXPECT_EQ(RoundHalfEven(0.5L), 0);
  EXPECT_EQ(RoundHalfEven(1.5L), 2);
  EXPECT_EQ(RoundHalfEven(-3.5L), -4);
  EXPECT_EQ(RoundHalfEven(-0.4L), 0);
  EXPECT_EQ(RoundHalfEven(2147483647.4L), 2147483647);
  EXPECT_EQ(RoundHalfEven(static_cast<Real>(NAN)), 0);
  EXPECT_EQ(RoundHalfEven(static_cast<Real>(INFINITY)), 0);
}

}  // namespace
}  // namespace vesk::db
