// The list of tables, copying between tables and the stored table section.
#include <gtest/gtest.h>

#include "db/db_manager.h"
#include "db/db_table_port.h"
#include "db_test_util.h"

namespace vesk::db {
namespace {

using test::Str;
using test::Strs;
using Bytes = std::vector<uint8_t>;

Bytes Save(const TDBManager& m, int32_t status) {
  ByteWriter out;
  m.SaveToStream(out, status);
  return out.bytes();
}

void Load(TDBManager& m, const Bytes& bytes, int32_t status) {
  ByteReader in(bytes.data(), bytes.size());
  m.LoadFromStream(in, status);
}

// A game table "T" (A int, S string of 2) with one record, and a status
// table "St"; "T" is active.
void Tiny(TDBManager& m) {
  m.CreateTable("St", true);
  m.CreateTable("T", false);
  TDBTable& t = *m.ActiveTable();
  t.Fields().AddField("A", kFieldInt, 0);
  t.Fields().AddField("S", kFieldStr, 2);
  t.Append();
  t.SetInt(0, 0, 1);
  t.SetStr(0, 1, "x");
}

const Bytes kTinyGameSection = {
    100, 0, 0, 0,                        // format
    1,   0, 0, 0,                        // one game table
    0,                                   // its kind
    1,   0, 0, 0, 'T', 0,                // name, status flag
    2,   0, 0, 0,                        // fields
    4,   0, 0, 0, 1,   0, 0, 0, 'A', 1,  // size, name, type
    3,   0, 0, 0, 1,   0, 0, 0, 'S', 4,  //
    1,   0, 0, 0,                        // records
    1,   0, 0, 0, 'x', 0, 0,             // the record as it is in memory
    0,   0, 0, 0,                        // current record
    1,   0, 0, 0, 'T',                   // the active table
};

TEST(ManagerTest, NamesAndTheActiveTable) {
  TDBManager m;
  EXPECT_EQ(m.CreateTable("", false), -1);
  EXPECT_EQ(m.CreateTable("Items", false), 0);
  EXPECT_EQ(m.CreateTable("ITEMS", true), -1);  // another letter case, same name
  EXPECT_EQ(m.CreateTable("Other", true), 1);
  EXPECT_EQ(m.ActiveIndex(), 1);
  EXPECT_FALSE(m.SetActive("none"));
  EXPECT_EQ(m.ActiveIndex(), 1);
  ASSERT_TRUE(m.SetActive("other"));
  EXPECT_TRUE(m.DeleteTable("items"));  // the active one is found again
  EXPECT_EQ(m.ActiveIndex(), 0);
  EXPECT_FALSE(m.DeleteTable("items"));
  EXPECT_TRUE(m.DeleteTable("OTHER"));
  EXPECT_EQ(m.ActiveIndex(), -1);
}

TEST(ManagerTest, ResetRemovesGameTablesAndTheActiveOne) {
  TDBManager m;
  m.CreateTable("g1", false);
  m.CreateTable("s", true);
  m.CreateTable("g2", false);
  m.SetActive("s");
  DBTablePort port(m);
  port.ResetTables();
  EXPECT_EQ(m.ActiveIndex(), -1);  // even though a status table was active
  ASSERT_EQ(m.TableCount(), 1);
  EXPECT_EQ(m.TableAt(0)->Name, "s");
  m.Clear();
  EXPECT_EQ(m.TableCount(), 0);
}

TEST(ManagerTest, CopyRecordsToTakesFieldsAndRecords) {
  TDBManager m;
  Tiny(m);
  TDBTable& t = *m.ActiveTable();
  t.Append();
  t.SetStr(1, 1, "yy");
  EXPECT_FALSE(m.CopyRecordsTo("T", {0}));  // the active table itself
  EXPECT_FALSE(m.CopyRecordsTo("missing", {0}));
  EXPECT_FALSE(m.CopyRecordsTo("St", {0, 2}));  // refused before the destination is cleared
  m.Table("St")->Fields().AddField("Old", kFieldInt, 0);
  EXPECT_FALSE(m.CopyRecordsTo("St", {2}));
  EXPECT_EQ(m.Table("St")->Fields().Count(), 1);
  ASSERT_TRUE(m.CopyRecordsTo("St", {1, 0, 1}));
  const TDBTable& st = *m.Table("St");
  EXPECT_TRUE(st.Fields().SameFields(t.Fields()));
  ASSERT_EQ(st.RecordCount(), 3);
  EXPECT_EQ(Str(st, 0, 1), "yy");
  EXPECT_EQ(Str(st, 1, 0), "1");
  EXPECT_EQ(st.RecNo(), 2);
  ASSERT_TRUE(m.CopyRecordsTo("St", {}));
  EXPECT_EQ(m.Table("St")->RecNo(), -1);
}

TEST(ManagerTest, AppendRecordsFromNeedsTheSameLayoutAndMayReadItself) {
  TDBManager m;
  Tiny(m);
  TDBTable& t = *m.ActiveTable();
  EXPECT_FALSE(m.AppendRecordsFrom("St", {}));  // other fields
  // The active table reads from itself: the indices were fixed before.
  ASSERT_TRUE(m.AppendRecordsFrom("t", {0, 0, 0}));
  EXPECT_EQ(t.RecordCount(), 4);
  EXPECT_EQ(Str(t, 3, 1), "x");
  EXPECT_EQ(t.RecNo(), 3);
  t.SetRecNo(1);
  ASSERT_TRUE(m.CopyCurrentRecordTo("T"));
  EXPECT_EQ(t.RecordCount(), 5);
  EXPECT_EQ(t.RecNo(), 4);
}

TEST(ManagerTest, DirectAccessFindsTheFirstMatchWithoutMovingTheRecord) {
  TDBManager m;
  Tiny(m);
  TDBTable& t = *m.ActiveTable();
  t.Append();
  t.SetInt(1, 0, 1);
  t.SetStr(1, 1, "y");
  t.SetRecNo(1);
  const auto keys_owned = Strs({"a"});
  const auto values_owned = test::Ints({1});
  const FindKeys keys{keys_owned.get(), values_owned.get()};
  EXPECT_EQ(m.DirectGetStr("t", keys, "s", "none"), "x");
  EXPECT_EQ(m.DirectGetStr("t", keys, "nope", "none"), "none");
  EXPECT_EQ(m.DirectGetInt("missing", keys, "a", -3), -3);
  EXPECT_TRUE(m.DirectSetFloat("T", keys, "S", 2.5L));
  EXPECT_EQ(Str(t, 0, 1), "2.");  // "2.5" cut to two bytes
  EXPECT_EQ(t.RecNo(), 1);
}

TEST(StoredFormTest, GoldenGameSectionAndRoundTrip) {
  TDBManager m;
  Tiny(m);
  EXPECT_EQ(Save(m, 0), kTinyGameSection);
  TDBManager copy;
  Load(copy, kTinyGameSection, 0);
  EXPECT_EQ(Save(copy, 0), kTinyGameSection);
  EXPECT_EQ(copy.ActiveTable()->Name, "T");
  EXPECT_EQ(copy.ActiveTable()->RecNo(), 0);
  // The status section holds only "St", and then no active name.
  const Bytes status = Save(m, 1);
  EXPECT_EQ(status.size(), 4 + 4 + 1 + 6 + 1 + 4 + 4 + 4);
  Load(copy, status, 1);
  EXPECT_EQ(copy.ActiveTable()->Name, "St");  // the last table read
  EXPECT_EQ(Save(copy, 1), status);
}

TEST(StoredFormTest, LoadingReplacesOnlyTablesOfThatStatus) {
  TDBManager m;
  Tiny(m);
  const Bytes game = Save(m, 0);
  m.CreateTable("Later", true);
  m.Table("T")->Append();
  Load(m, game, 0);
  EXPECT_NE(m.Table("Later"), nullptr);  // created after the save, survives
  EXPECT_EQ(m.Table("T")->RecordCount(), 1);
  EXPECT_EQ(m.ActiveTable()->Name, "T");
  // An empty status section leaves no active table.
  const Bytes empty_status = {100, 0, 0, 0, 0, 0, 0, 0};
  Load(m, empty_status, 1);
  EXPECT_EQ(m.ActiveIndex(), -1);
  EXPECT_EQ(m.Table("St"), nullptr);
  EXPECT_NE(m.Table("T"), nullptr);
}

TEST(StoredFormTest, RecordsWithoutFieldsTakeNoBytesButAreBounded) {
  TDBManager m;
  m.CreateTable("E", false);
  for (int i = 0; i < 40; ++i) m.ActiveTable()->Append();
  const Bytes saved = Save(m, 0);
  TDBManager copy;
  Load(copy, saved, 0);
  EXPECT_EQ(copy.ActiveTable()->RecordCount(), 40);
  Bytes huge = saved;
  huge[19] = 0xff, huge[20] = 0xff, huge[21] = 0xff, huge[22] = 0x7f;  // the record count
  EXPECT_THROW(Load(copy, huge, 0), ETruncated);
  EXPECT_EQ(copy.ActiveTable()->RecordCount(), 40);
}

TEST(StoredFormTest, EveryTruncationIsAnErrorAndChangesNothing) {
  TDBManager m;
  Tiny(m);
  const Bytes before = Save(m, 0);
  for (size_t n = 0; n < kTinyGameSection.size(); ++n) {
    const Bytes cut(kTinyGameSection.begin(), kTinyGameSection.begin() + n);
    EXPECT_THROW(Load(m, cut, 0), ETruncated) << "cut at " << n;
    EXPECT_EQ(Save(m, 0), before);
    EXPECT_EQ(m.TableCount(), 2);
  }
}

TEST(StoredFormTest, HostileFieldsAndCountsAreRefused) {
  TDBManager m;
  auto with = [](size_t at, std::initializer_list<uint8_t> bytes) {
    Bytes b = kTinyGameSection;
    std::copy(bytes.begin(), bytes.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
    return b;
  };
  EXPECT_THROW(Load(m, with(19, {5}), 0), std::runtime_error);               // an int of 5 bytes
  EXPECT_THROW(Load(m, with(28, {9}), 0), std::runtime_error);               // type 9
  EXPECT_THROW(Load(m, with(29, {0}), 0), std::runtime_error);               // a string of 0 bytes
  EXPECT_THROW(Load(m, with(29, {0, 0, 0, 1}), 0), std::runtime_error);      // 16 MiB string
  EXPECT_THROW(Load(m, with(39, {0xff, 0xff, 0xff, 0x7f}), 0), ETruncated);  // records
  EXPECT_THROW(Load(m, with(4, {0xff, 0xff, 0xff, 0xff}), 0), ETruncated);   // table count
  EXPECT_EQ(m.TableCount(), 0);
  // A current record outside the table is taken as none.
  Load(m, with(50, {5}), 0);
  EXPECT_EQ(m.ActiveTable()->RecNo(), -1);
  Load(m, with(50, {0xfe, 0xff, 0xff, 0xff}), 0);
  EXPECT_EQ(m.ActiveTable()->RecNo(), -1);
}

}  // namespace
}  // namespace vesk::db
