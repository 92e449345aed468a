#include "db/table_provider.h"

#include "db/tsv.h"
#include "lang/vocabulary.h"

namespace vesk::db {

using namespace lang;  // FN_ ids, PT_ codes

// One call: operands by position and the destination. A missing operand
// reads as zero of every type and as an absent list.
class TableSystemProvider::Args {
 public:
  Args(expr::TParamCollectionItem& dest, expr::Operands& ops) : dest_(dest), ops_(ops) {}

  // Optional operands are told by how many were given.
  bool Given(size_t i) const { return i < ops_.size(); }
  const expr::TCustomParam* List(size_t i) const {
    return i < ops_.size() ? ops_[i].get() : nullptr;
  }
  const expr::TCustomParam& Arg(size_t i) const {
    static const expr::TCustomParam kAbsent;  // 0, 0.0, false, ""
    const expr::TCustomParam* p = List(i);
    return p ? *p : kAbsent;
  }
  int32_t Int(size_t i) const { return Arg(i).GetInt(); }
  Real Float(size_t i) const { return Arg(i).GetFloat(); }
  bool Flag(size_t i) const { return Arg(i).GetFlag(); }
  std::string Str(size_t i) const { return Arg(i).GetStr(); }
  size_t count() const { return ops_.size(); }

  // Key fields, key values, then the ignore-case and partial flags.
  FindKeys Keys(size_t first) const {
    return FindKeys{List(first), List(first + 1), Flag(first + 2), Flag(first + 3)};
  }

  void SetInt(int32_t v) {
    if (dest_.Value) dest_.Value->SetInt(v);
  }
  void SetFloat(Real x) {
    if (dest_.Value) dest_.Value->SetFloat(x);
  }
  void SetFlag(bool b) {
    if (dest_.Value) dest_.Value->SetFlag(b);
  }
  void SetStr(const std::string& s) {
    if (dest_.Value) dest_.Value->SetStr(s);
  }

 private:
  expr::TParamCollectionItem& dest_;
  expr::Operands& ops_;
};

void TableSystemProvider::RegisterWith(expr::SystemRouter& router) {
  router.AddFunctions(
      {FN_DBCreateTable,    FN_DBSetActive,     FN_DBAddField,      FN_DBSetRecNo,
       FN_DBInsert,         FN_DBDelete,        FN_DBGetInt,        FN_DBSetInt,
       FN_DBGetFloat,       FN_DBSetFloat,      FN_DBGetBool,       FN_DBSetBool,
       FN_DBGetStr,         FN_DBSetStr,        FN_DBRecordCount,   FN_DBFindFirst,
       FN_DBFindLast,       FN_DBFindNext,      FN_DBFindPrior,     FN_DBLocate,
       FN_DBLoadTsvFile,    FN_DBDirectGetInt,  FN_DBDirectSetInt,  FN_DBDirectGetFloat,
       FN_DBDirectSetFloat, FN_DBDirectGetBool, FN_DBDirectSetBool, FN_DBDirectGetStr,
       FN_DBDirectSetStr,   FN_DBCopyTable,     FN_DBDeleteTable,   FN_DBInsertTable,
       FN_DBCopy,           FN_DBClearTable,    FN_DBSort,          FN_DBGetActive,
       FN_DBGetRecNo,       FN_DBClearRecord},
      this);
}

bool TableSystemProvider::CallFunction(int id, expr::TParamCollectionItem& dest,
                                       expr::Operands& operands) {
  Args a(dest, operands);
  return CallTableFunction(id, a) || CallRecordFunction(id, a) || CallFieldFunction(id, a) ||
         CallSearchFunction(id, a) || CallDirectFunction(id, a) || CallCopyFunction(id, a);
}

bool TableSystemProvider::CallTableFunction(int id, Args& a) {
  TDBTable* active = tables_.ActiveTable();
  switch (id) {
    case FN_DBCreateTable:
      a.SetFlag(tables_.CreateTable(a.Str(0), a.Flag(1)) >= 0);
      return true;
    case FN_DBSetActive:
      a.SetFlag(tables_.SetActive(a.Str(0)));
      return true;
    case FN_DBRecordCount: {
      const TDBTable* t = a.Given(0) ? tables_.Table(a.Str(0)) : active;
      a.SetInt(t ? t->RecordCount() : -1);
      return true;
    }
    case FN_DBDeleteTable:
      if (a.Given(0))
        a.SetFlag(tables_.DeleteTable(a.Str(0)));
      else
        a.SetFlag(active && tables_.DeleteTable(active->Name));
      return true;
    case FN_DBClearTable:
      tables_.Clear();  // stores no result
      return true;
    case FN_DBGetActive:
      a.SetStr(active ? active->Name : std::string());
      return true;
    case FN_DBGetRecNo:
      a.SetInt(active ? active->RecNo() : -1);
      return true;
    case FN_DBClearRecord: {
      TDBTable* t = a.Given(0) ? tables_.Table(a.Str(0)) : active;
      if (t) t->ClearRecords();
      a.SetFlag(t != nullptr);
      return true;
    }
    default:
      return false;
  }
}

bool TableSystemProvider::CallRecordFunction(int id, Args& a) {
  TDBTable* t = tables_.ActiveTable();
  switch (id) {
    case FN_DBSetRecNo:
      a.SetFlag(t && t->SetRecNo(a.Int(0)));
      return true;
    case FN_DBInsert:
      if (!t || !t->Append()) return a.SetFlag(false), true;
      for (size_t i = 0; i < a.count() && i < static_cast<size_t>(t->Fields().Count()); ++i) {
        const expr::TCustomParam* v = a.List(i);
        if (!v) continue;
        const auto field = static_cast<int32_t>(i);
        switch (v->ParamType()) {
          case PT_INT:
            t->SetInt(t->RecNo(), field, v->GetInt());
            break;
          case PT_FLOAT:
            t->SetFloat(t->RecNo(), field, v->GetFloat());
            break;
          case PT_BOOL:
            t->SetBool(t->RecNo(), field, v->GetFlag());
            break;
          case PT_STR:
            t->SetStr(t->RecNo(), field, v->GetStr());
            break;
          default:
            break;  // an operand of no value type is skipped
        }
      }
      a.SetFlag(true);
      return true;
    case FN_DBDelete:
      a.SetFlag(t && t->Delete());
      return true;
    case FN_DBFindFirst:
      a.SetFlag(t && t->First());
      return true;
    case FN_DBFindLast:
      a.SetFlag(t && t->Last());
      return true;
    case FN_DBFindNext:
      a.SetFlag(t && t->Next());
      return true;
    case FN_DBFindPrior:
      a.SetFlag(t && t->Prior());
      return true;
    default:
      return false;
  }
}

bool TableSystemProvider::CallFieldFunction(int id, Args& a) {
  TDBTable* t = tables_.ActiveTable();
  const std::string name = id >= FN_DBAddField && id <= FN_DBSetStr ? a.Str(0) : std::string();
  switch (id) {
    case FN_DBAddField:
      // Without a length a string field holds only the empty string.
      a.SetFlag(t && t->Fields().AddField(name, a.Int(1), a.Given(2) ? a.Int(2) : 0) >= 0);
      return true;
    case FN_DBGetInt: {
      int32_t v = 0;
      if (!t || !t->GetIntByName(name, v)) v = 0;
      a.SetInt(v);
      return true;
    }
    case FN_DBSetInt:
      a.SetFlag(t && t->SetIntByName(name, a.Int(1)));
      return true;
    case FN_DBGetFloat: {
      Real x = 0;
      if (!t || !t->GetFloatByName(name, x)) x = 0;
      a.SetFloat(x);
      return true;
    }
    case FN_DBSetFloat:
      a.SetFlag(t && t->SetFloatByName(name, a.Float(1)));
      return true;
    case FN_DBGetBool: {
      bool b = false;
      if (!t || !t->GetBoolByName(name, b)) b = false;
      a.SetFlag(b);
      return true;
    }
    case FN_DBSetBool:
      a.SetFlag(t && t->SetBoolByName(name, a.Flag(1)));
      return true;
    case FN_DBGetStr: {
      std::string s;
      if (!t || !t->GetStrByName(name, s)) s.clear();
      a.SetStr(s);
      return true;
    }
    case FN_DBSetStr:
      a.SetFlag(t && t->SetStrByName(name, a.Str(1)));
      return true;
    default:
      return false;
  }
}

bool TableSystemProvider::CallSearchFunction(int id, Args& a) {
  TDBTable* t = tables_.ActiveTable();
  switch (id) {
    case FN_DBLocate: {
      std::vector<int32_t> found;
      if (t) t->FindUpTo(found, a.Keys(0), 1);
      a.SetFlag(!found.empty() && t->SetRecNo(found.front()));
      return true;
    }
    case FN_DBLoadTsvFile:
      a.SetFlag(t && LoadTsvFile(*t, a.Str(0)));
      return true;
    case FN_DBSort:
      if (t) t->Sort(a.List(0), a.List(1));
      a.SetFlag(t != nullptr);
      return true;
    default:
      return false;
  }
}

bool TableSystemProvider::LoadTsvFile(TDBTable& table, const std::string& name) {
  if (!files_.file_available || !files_.read_file || !files_.file_available(name)) return false;
  const std::optional<std::vector<uint8_t>> bytes = files_.read_file(name);
  if (!bytes || bytes->empty()) return false;
  const std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
  return table.LoadFromStrings(SplitTextLines(text));
}

bool TableSystemProvider::CallDirectFunction(int id, Args& a) {
  if (id < FN_DBDirectGetInt || id > FN_DBDirectSetStr) return false;
  // Table A, key fields B, key values C, ignore case D, partial E, field F,
  // default or value G.
  const std::string table = a.Str(0);
  const FindKeys keys = a.Keys(1);
  const std::string field = a.Str(5);
  switch (id) {
    case FN_DBDirectGetInt:
      a.SetInt(tables_.DirectGetInt(table, keys, field, a.Int(6)));
      break;
    case FN_DBDirectSetInt:
      a.SetFlag(tables_.DirectSetInt(table, keys, field, a.Int(6)));
      break;
    case FN_DBDirectGetFloat:
      a.SetFloat(tables_.DirectGetFloat(table, keys, field, a.Float(6)));
      break;
    case FN_DBDirectSetFloat:
      a.SetFlag(tables_.DirectSetFloat(table, keys, field, a.Float(6)));
      break;
    case FN_DBDirectGetBool:
      a.SetFlag(tables_.DirectGetBool(table, keys, field, a.Flag(6)));
      break;
    case FN_DBDirectSetBool:
      a.SetFlag(tables_.DirectSetBool(table, keys, field, a.Flag(6)));
      break;
    case FN_DBDirectGetStr:
      a.SetStr(tables_.DirectGetStr(table, keys, field, a.Str(6)));
      break;
    default:
      a.SetFlag(tables_.DirectSetStr(table, keys, field, a.Str(6)));
      break;
  }
  return true;
}

bool TableSystemProvider::CallCopyFunction(int id, Args& a) {
  TDBTable* active = tables_.ActiveTable();
  std::vector<int32_t> found;
  switch (id) {
    case FN_DBCopyTable:
      if (active) active->Find(found, a.Keys(1));
      a.SetFlag(active && tables_.CopyRecordsTo(a.Str(0), found));
      return true;
    case FN_DBInsertTable: {
      const TDBTable* source = active ? tables_.Table(a.Str(0)) : nullptr;
      if (source) source->Find(found, a.Keys(1));
      a.SetFlag(source && tables_.AppendRecordsFrom(a.Str(0), found));
      return true;
    }
    case FN_DBCopy:
      a.SetFlag(tables_.CopyCurrentRecordTo(a.Str(0)));
      return true;
    default:
      return false;
  }
}

}  // namespace vesk::db
