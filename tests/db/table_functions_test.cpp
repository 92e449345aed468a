// The table functions as scripts call them: through the function
// dispatcher and the system router, with array variables as key lists.
#include <gtest/gtest.h>

#include <map>

#include "db/table_provider.h"
#include "expr/param_collection.h"
#include "expr/sysfuncs.h"
#include "lang/vocabulary.h"

namespace vesk::db {
namespace {

using namespace lang;  // FN_ ids
using expr::Operands;
using expr::TCustomParam;

template <typename T, typename V>
std::unique_ptr<TCustomParam> Const(V v) {
  auto p = std::make_unique<T>();
  if constexpr (std::is_same_v<T, expr::TParamStr>)
    p->SetStr(v);
  else if constexpr (std::is_same_v<T, expr::TParamInt>)
    p->SetInt(v);
  else if constexpr (std::is_same_v<T, expr::TParamFloat>)
    p->SetFloat(v);
  else
    p->SetFlag(v);
  return p;
}
auto S(const std::string& s) {
  return Const<expr::TParamStr>(s);
}
auto I(int32_t v) {
  return Const<expr::TParamInt>(v);
}
auto R(Real x) {
  return Const<expr::TParamFloat>(x);
}
auto F(bool b) {
  return Const<expr::TParamFlag>(b);
}

class TableFunctionsTest : public ::testing::Test {
 protected:
  TableFunctionsTest() {
    TableFiles files;
    files.file_available = [this](const std::string& name) { return files_.count(name) > 0; };
    files.read_file = [this](const std::string& name) -> std::optional<std::vector<uint8_t>> {
      if (!files_.count(name)) return std::nullopt;
      return std::vector<uint8_t>(files_[name].begin(), files_[name].end());
    };
    provider_ = std::make_unique<TableSystemProvider>(tables, std::move(files));
    provider_->RegisterWith(router_);
  }

  // An array variable of strings or integers.
  void Array(const std::string& name, const std::vector<std::string>& items) {
    TCustomParam& v = *vars_.Declare(name, PT_STR, expr::VarScope::kGlobal, 0)->Value;
    v.SetDims({static_cast<int32_t>(items.size())});
    for (size_t i = 0; i < items.size(); ++i) v.SetStrAt(static_cast<int32_t>(i), items[i]);
  }
  std::unique_ptr<TCustomParam> V(const std::string& name) {
    auto p = std::make_unique<expr::TParamVar>();
    p->RefName = name;
    p->Target = vars_.Find(name);
    return p;
  }
  template <typename... Args>
  TCustomParam& Run(int id, Args... operands) {
    Operands ops;
    (ops.push_back(std::move(operands)), ...);
    dest_ = std::make_unique<expr::TParamCollectionItem>();
    dest_->Value = expr::MakeParam(expr::TSysFuncMan::ResultType(id));
    if (!dest_->Value) dest_->Value = expr::MakeParam(PT_INT);
    man_.Call(id, *dest_, ops);
    return *dest_->Value;
  }
  bool Flag(int id, auto... operands) { return Run(id, std::move(operands)...).GetFlag(); }
  // A table "Items" (Name string 10, HP int, Rate float, Ok bool) with
  // three records.
  void Items() {
    ASSERT_TRUE(Flag(FN_DBCreateTable, S("Items"), F(false)));
    ASSERT_TRUE(Flag(FN_DBAddField, S("Name"), I(PT_STR), I(10)));
    ASSERT_TRUE(Flag(FN_DBAddField, S("HP"), I(PT_INT)));
    ASSERT_TRUE(Flag(FN_DBAddField, S("Rate"), I(PT_FLOAT)));
    ASSERT_TRUE(Flag(FN_DBAddField, S("Ok"), I(PT_BOOL)));
    ASSERT_TRUE(Flag(FN_DBInsert, S("sword"), I(10), R(1.5L), F(true)));
    ASSERT_TRUE(Flag(FN_DBInsert, S("shield"), S("20"), I(2)));
    ASSERT_TRUE(Flag(FN_DBInsert, S("Sword"), I(30), R(0.25L), F(false), S("ignored")));
  }

  TDBManager tables;
  std::map<std::string, std::string> files_;

 private:
  expr::TParamCollection vars_;
  expr::SystemRouter router_;
  expr::TSysFuncMan man_{vars_, &router_};
  std::unique_ptr<TableSystemProvider> provider_;
  std::unique_ptr<expr::TParamCollectionItem> dest_;
};

TEST_F(TableFunctionsTest, WithoutAnActiveTableEverythingFails) {
  EXPECT_FALSE(Flag(FN_DBAddField, S("A"), I(PT_INT)));
  EXPECT_FALSE(Flag(FN_DBInsert, I(1)));
  EXPECT_FALSE(Flag(FN_DBFindFirst));
  EXPECT_FALSE(Flag(FN_DBSort, S("A"), F(false)));
  EXPECT_FALSE(Flag(FN_DBDeleteTable));
  EXPECT_FALSE(Flag(FN_DBClearRecord));
  EXPECT_EQ(Run(FN_DBRecordCount).GetInt(), -1);
  EXPECT_EQ(Run(FN_DBGetRecNo).GetInt(), -1);
  EXPECT_EQ(Run(FN_DBGetActive).GetStr(), "");
  EXPECT_EQ(Run(FN_DBGetStr, S("A")).GetStr(), "");
}

TEST_F(TableFunctionsTest, InsertStoresEachOperandWithItsOwnSetter) {
  Items();
  EXPECT_EQ(Run(FN_DBRecordCount).GetInt(), 3);
  EXPECT_EQ(Run(FN_DBRecordCount, S("items")).GetInt(), 3);
  EXPECT_EQ(Run(FN_DBRecordCount, S("none")).GetInt(), -1);
  ASSERT_TRUE(Flag(FN_DBSetRecNo, I(1)));
  EXPECT_EQ(Run(FN_DBGetInt, S("hp")).GetInt(), 20);
  EXPECT_EQ(Run(FN_DBGetStr, S("Rate")).GetStr(), "2");
  EXPECT_FALSE(Run(FN_DBGetBool, S("Ok")).GetFlag());  // no operand: stays zero
  EXPECT_TRUE(Flag(FN_DBSetBool, S("Name"), F(true)));
  EXPECT_EQ(Run(FN_DBGetStr, S("Name")).GetStr(), "TRUE");
  EXPECT_TRUE(Flag(FN_DBSetFloat, S("HP"), R(2.5L)));
  EXPECT_EQ(Run(FN_DBGetInt, S("HP")).GetInt(), 2);
  EXPECT_EQ(Run(FN_DBGetFloat, S("missing")).GetFloat(), 0);
  EXPECT_FALSE(Flag(FN_DBSetStr, S("missing"), S("x")));
  // A string field added without a length holds only the empty string.
  ASSERT_TRUE(Flag(FN_DBAddField, S("Note"), I(PT_STR)));
  EXPECT_TRUE(Flag(FN_DBSetStr, S("Note"), S("text")));
  EXPECT_EQ(Run(FN_DBGetStr, S("Note")).GetStr(), "");
}

TEST_F(TableFunctionsTest, NavigationAndDelete) {
  Items();
  EXPECT_EQ(Run(FN_DBGetRecNo).GetInt(), 2);
  EXPECT_FALSE(Flag(FN_DBFindNext));
  EXPECT_TRUE(Flag(FN_DBFindFirst));
  EXPECT_FALSE(Flag(FN_DBFindPrior));
  EXPECT_TRUE(Flag(FN_DBFindLast));
  EXPECT_TRUE(Flag(FN_DBDelete));
  EXPECT_EQ(Run(FN_DBGetRecNo).GetInt(), 1);
  EXPECT_TRUE(Flag(FN_DBSetRecNo, I(-5)));
  EXPECT_FALSE(Flag(FN_DBDelete));  // no current record
  EXPECT_FALSE(Flag(FN_DBSetInt, S("HP"), I(1)));
  EXPECT_FALSE(Flag(FN_DBSetRecNo, I(2)));
}

TEST_F(TableFunctionsTest, LocateWithArrayVariablesAsKeyLists) {
  Items();
  Array("keys", {"Name", "HP"});
  Array("values", {"SWORD", "30"});
  ASSERT_TRUE(Flag(FN_DBFindFirst));
  EXPECT_FALSE(Flag(FN_DBLocate, V("keys"), V("values")));  // case matters
  EXPECT_EQ(Run(FN_DBGetRecNo).GetInt(), 0);
  EXPECT_TRUE(Flag(FN_DBLocate, V("keys"), V("values"), F(true)));
  EXPECT_EQ(Run(FN_DBGetRecNo).GetInt(), 2);
  Array("bad", {"Name", "Nope"});
  EXPECT_FALSE(Flag(FN_DBLocate, V("bad"), V("values"), F(true)));
  EXPECT_EQ(Run(FN_DBGetRecNo).GetInt(), 2);
  // A plain value is a list of one; partial looks for the field in the key.
  EXPECT_TRUE(Flag(FN_DBLocate, S("Name"), S("a big shield!"), F(false), F(true)));
  EXPECT_EQ(Run(FN_DBGetRecNo).GetInt(), 1);
  // Without key lists every record matches: the first becomes current.
  EXPECT_TRUE(Flag(FN_DBLocate));
  EXPECT_EQ(Run(FN_DBGetRecNo).GetInt(), 0);
}

TEST_F(TableFunctionsTest, DirectAccessReadsAllSevenOperands) {
  Items();
  Array("keys", {"HP"});
  EXPECT_EQ(
      Run(FN_DBDirectGetStr, S("items"), V("keys"), I(20), F(false), F(false), S("Name"), S("none"))
          .GetStr(),
      "shield");
  EXPECT_EQ(Run(FN_DBDirectGetInt, S("items"), V("keys"), I(99), F(false), F(false), S("HP"), I(-1))
                .GetInt(),
            -1);
  EXPECT_TRUE(
      Flag(FN_DBDirectSetBool, S("Items"), V("keys"), I(30), F(false), F(false), S("Ok"), F(true)));
  EXPECT_TRUE(
      Run(FN_DBDirectGetBool, S("Items"), V("keys"), I(30), F(false), F(false), S("Ok"), F(false))
          .GetFlag());
  EXPECT_EQ(
      Run(FN_DBDirectGetFloat, S("Items"), V("keys"), I(10), F(false), F(false), S("Rate"), R(-1))
          .GetFloat(),
      1.5L);
  // Fewer operands: the missing ones read as zero and empty.
  EXPECT_EQ(Run(FN_DBDirectGetInt, S("Items")).GetInt(), 0);
  EXPECT_FALSE(Flag(FN_DBDirectSetStr, S("Items"), V("keys"), I(10)));
}

TEST_F(TableFunctionsTest, CopyInsertAndDuplicateTables) {
  Items();
  ASSERT_TRUE(Flag(FN_DBCreateTable, S("Copy"), F(true)));
  ASSERT_TRUE(Flag(FN_DBSetActive, S("items")));
  EXPECT_FALSE(Flag(FN_DBCopyTable, S("Items")));  // the active table itself
  ASSERT_TRUE(Flag(FN_DBCopyTable, S("Copy")));    // every record and the fields
  EXPECT_EQ(tables.Table("Copy")->RecordCount(), 3);
  Array("keys", {"Ok"});
  ASSERT_TRUE(Flag(FN_DBCopyTable, S("Copy"), V("keys"), F(true)));
  EXPECT_EQ(tables.Table("Copy")->RecordCount(), 1);
  ASSERT_TRUE(Flag(FN_DBInsertTable, S("Copy")));
  EXPECT_EQ(Run(FN_DBRecordCount).GetInt(), 4);
  EXPECT_FALSE(Flag(FN_DBInsertTable, S("none")));
  ASSERT_TRUE(Flag(FN_DBFindFirst));
  ASSERT_TRUE(Flag(FN_DBCopy, S("items")));  // a duplicate of the current record
  EXPECT_EQ(Run(FN_DBRecordCount).GetInt(), 5);
  EXPECT_EQ(Run(FN_DBGetStr, S("Name")).GetStr(), "sword");
  ASSERT_TRUE(Flag(FN_DBAddField, S("Extra"), I(PT_INT)));
  EXPECT_FALSE(Flag(FN_DBCopy, S("Copy")));  // the layouts differ now
}

TEST_F(TableFunctionsTest, SortLoadClearAndDelete) {
  Items();
  Array("keys", {"Name", "HP"});
  Array("desc", {"", "TRUE"});
  ASSERT_TRUE(Flag(FN_DBSort, V("keys"), V("desc")));
  ASSERT_TRUE(Flag(FN_DBFindFirst));
  EXPECT_EQ(Run(FN_DBGetStr, S("Name")).GetStr(), "Sword");  // 'S' before 's'
  files_["data\\t.tsv"] = "Name\tHP int\r\nslime\t3\r\n\r\nbat\t5\r\n";
  files_["empty.tsv"] = "";
  EXPECT_FALSE(Flag(FN_DBLoadTsvFile, S("missing.tsv")));
  EXPECT_FALSE(Flag(FN_DBLoadTsvFile, S("empty.tsv")));
  EXPECT_EQ(Run(FN_DBRecordCount).GetInt(), 3);  // a missing file changes nothing
  ASSERT_TRUE(Flag(FN_DBLoadTsvFile, S("data\\t.tsv")));
  EXPECT_EQ(Run(FN_DBRecordCount).GetInt(), 2);
  EXPECT_EQ(Run(FN_DBGetInt, S("HP")).GetInt(), 5);
  ASSERT_TRUE(Flag(FN_DBClearRecord, S("ITEMS")));
  EXPECT_EQ(Run(FN_DBRecordCount).GetInt(), 0);
  EXPECT_FALSE(Flag(FN_DBClearRecord, S("none")));
  ASSERT_TRUE(Flag(FN_DBCreateTable, S("Status"), F(true)));
  ASSERT_TRUE(Flag(FN_DBDeleteTable, S("items")));
  EXPECT_EQ(Run(FN_DBGetActive).GetStr(), "Status");
  ASSERT_TRUE(Flag(FN_DBDeleteTable));
  EXPECT_EQ(Run(FN_DBGetActive).GetStr(), "");
  Flag(FN_DBCreateTable, S("a"), F(true));
  Run(FN_DBClearTable);
  EXPECT_EQ(tables.TableCount(), 0);
}

}  // namespace
}  // namespace vesk::db
