#include "expr/param_collection.h"

#include <algorithm>

#include "core/byte_reader.h"
#include "expr/expr_errors.h"
#include "expr/system_variables.h"
#include "lang/vocabulary.h"

namespace vesk::expr {

bool TParamCollectionItem::IsSystem() const {
  return Value && Value->IsSystemVariable();
}

TParamCollection::TParamCollection(SystemVariableHost* host) : host_(host) {
  const auto names = lang::SystemVariables();
  for (int id = 0; id < kSystemVariableCount; ++id) {
    auto item = std::make_unique<TParamCollectionItem>();
    item->Value = std::make_unique<TParamSystem>(static_cast<uint8_t>(id), this);
    item->SetName(id < static_cast<int>(names.size()) ? names[static_cast<size_t>(id)].name : "");
    Add(std::move(item));
  }
}

TParamCollectionItem* TParamCollection::Find(const std::string& name) const {
  TParamCollectionItem* found = nullptr;
  ForEachNamed(name, [&](storage::THashCollectionItem* raw) {
    auto* item = static_cast<TParamCollectionItem*>(raw);
    if (item->IsLocal) {
      if (item->ScopeId != CurrentScope) return true;
      found = item;  // a local of this depth wins at once
      return false;
    }
    found = item;  // keep going: the oldest non-local wins
    return true;
  });
  return found;
}

TParamCollectionItem* TParamCollection::FindScoped(const std::string& name, bool local) const {
  TParamCollectionItem* found = nullptr;
  ForEachNamed(name, [&](storage::THashCollectionItem* raw) {
    auto* item = static_cast<TParamCollectionItem*>(raw);
    const bool accept = local ? (item->IsLocal && item->ScopeId == CurrentScope) : !item->IsLocal;
    if (accept) found = item;
    return !accept;
  });
  return found;
}

TParamCollectionItem* TParamCollection::AddParam(int type_code) {
  auto value = MakeParam(type_code);
  if (!value) RaiseExpr(Msg::kInternalError);
  auto item = std::make_unique<TParamCollectionItem>();
  item->Value = std::move(value);
  return static_cast<TParamCollectionItem*>(Add(std::move(item)));
}

void TParamCollection::SetName(TParamCollectionItem& item, const std::string& name) {
  if (name.empty() || name.find(' ') != std::string::npos || (name[0] >= '0' && name[0] <= '9'))
    RaiseExpr(Msg::kBadVariableNameFormat, name);
  item.SetName(name);
}

std::unique_ptr<TCustomParam> TParamCollection::CloneValue(const std::string& name) const {
  const TParamCollectionItem* item = Find(name);
  return item ? CloneItemValue(*item) : nullptr;
}

std::unique_ptr<TCustomParam> TParamCollection::CloneItemValue(const TParamCollectionItem& item) {
  const int type = item.Value->ParamType();
  if (type < lang::PT_INT || type > lang::PT_STR) RaiseExpr(Msg::kBadVariableFormat, item.Name());
  auto copy = MakeParam(type);
  copy->Assign(*item.Value);
  return copy;
}

TParamCollectionItem* TParamCollection::AddTemp(int type_code, const std::string& name) {
  const uint64_t before = generation();
  TParamCollectionItem* item = AddParam(type_code);
  try {
    SetName(*item, name);
  } catch (...) {
    DeleteItem(item);
    RestoreGeneration(before);
    throw;
  }
  RestoreGeneration(before);
  return item;
}

void TParamCollection::DeleteTemp(TParamCollectionItem* item) {
  const uint64_t before = generation();
  DeleteItem(item);
  RestoreGeneration(before);
}

TParamCollectionItem* TParamCollection::Declare(const std::string& name, int type_code,
                                                VarScope scope, int32_t call_depth) {
  if (name.empty()) RaiseExpr(Msg::kNoVariableName);
  TParamCollectionItem* item = FindScoped(name, scope == VarScope::kLocal);
  if (!item) {
    item = AddParam(type_code);
    try {
      SetName(*item, name);
    } catch (...) {
      DeleteItem(item);
      throw;
    }
    if (scope == VarScope::kAutoDelete || scope == VarScope::kLocal) item->ScopeId = call_depth;
    if (scope == VarScope::kLocal) item->IsLocal = 1;
    if (scope == VarScope::kStatus) item->IsStatus = 1;
    return item;
  }
  return item->IsStatus ? nullptr : item;
}

void TParamCollection::DeleteItem(TParamCollectionItem* item) {
  if (item) Delete(IndexOfItem(item));
}

bool TParamCollection::DeleteVariable(const std::string& name) {
  TParamCollectionItem* item = Find(name);
  if (!item || item->IsSystem()) return false;
  DeleteItem(item);
  return true;
}

void TParamCollection::DeleteScope(int32_t depth) {
  for (int i = Count() - 1; i >= kSystemVariableCount; --i)
    if (Item(i)->ScopeId == depth) Delete(i);
}

void TParamCollection::ClearVariables() {
  for (int i = Count() - 1; i >= 0; --i)
    if (!Item(i)->IsSystem() && !Item(i)->IsStatus) Delete(i);
  TextDelay = 50;
  CursorFile.clear();
  HistoryFormat.fill(0);
}

// --- Stored forms ---

void TParamCollection::SaveRecords(ByteWriter& out, bool status) const {
  std::vector<const TParamCollectionItem*> pending;
  for (int i = 0; i < Count(); ++i) {
    const TParamCollectionItem* item = Item(i);
    if (!item->IsSystem() && (item->IsStatus != 0) == status) pending.push_back(item);
  }
  out.I32(static_cast<int32_t>(pending.size()));
  auto waits_for = [&](const TParamCollectionItem* item) {
    const auto* ref = item->Value->AsVar();
    // A reference is written after its target, when that target is written here at all.
    return ref && ref->Target && ref->Target != item &&
           std::find(pending.begin(), pending.end(), ref->Target) != pending.end();
  };
  auto write = [&](size_t k) {
    const TParamCollectionItem* item = pending[k];
    // References are stored as references whatever their target's type.
    const bool is_ref = item->Value->AsVar() != nullptr;
    out.U8(static_cast<uint8_t>(is_ref ? lang::PT_NONE : item->Value->ParamType()));
    out.Str(item->Name());
    item->Value->SaveToStream(out);
    out.U8(item->IsStatus);
    out.U8(item->Reserved);
    out.I32(item->ScopeId);
    out.U8(item->IsLocal);
    pending.erase(pending.begin() + static_cast<long>(k));
  };
  while (!pending.empty()) {
    bool wrote = false;
    for (size_t k = pending.size(); k-- > 0;) {
      if (waits_for(pending[k])) continue;
      write(k);
      wrote = true;
    }
    // References that wait on each other cannot stall the writer.
    if (!wrote) write(pending.size() - 1);
  }
}

void TParamCollection::LoadRecord(ByteReader& in) {
  const int type = in.U8("variable type");
  const std::string name = in.Str("variable name");
  auto value = MakeParam(type);
  if (!value) throw ETruncated("variable type " + std::to_string(type) + " is not a value type");
  value->LoadFromStream(in, this);
  const uint8_t is_status = in.U8("status flag");
  const uint8_t reserved = in.U8("reserved byte");
  const int32_t scope = in.I32("scope");
  const uint8_t is_local = in.U8("local flag");
  if (name.empty()) return;  // a nameless record is read and dropped
  auto item = std::make_unique<TParamCollectionItem>();
  item->Value = std::move(value);
  item->IsStatus = is_status;
  item->Reserved = reserved;
  item->ScopeId = scope;
  item->IsLocal = is_local;
  auto* added = static_cast<TParamCollectionItem*>(Add(std::move(item)));
  try {
    SetName(*added, name);
  } catch (...) {
    DeleteItem(added);
    throw;
  }
}

void TParamCollection::SaveToStream(ByteWriter& out) const {
  SaveRecords(out, false);
  out.I32(TextDelay);
  out.Str(CursorFile);
  out.Str(SelStr);
  out.I32(SelIndex);
  for (int32_t v : HistoryFormat) out.I32(v);
  out.Str(TempTarget);
}

void TParamCollection::LoadFromStream(ByteReader& in, int32_t version) {
  for (int i = Count() - 1; i >= 0; --i)
    if (!Item(i)->IsSystem() && !Item(i)->IsStatus) Delete(i);
  const int32_t n = in.I32("variable count");
  if (n < 0 || static_cast<size_t>(n) > in.remaining() / 10)
    throw ETruncated("variable count out of range");
  for (int32_t k = 0; k < n; ++k) LoadRecord(in);
  TextDelay = in.I32("text delay");
  CursorFile = in.Str("cursor file");
  if (version > 102) {
    SelStr = in.Str("menu choice");
    SelIndex = in.I32("menu index");
  }
  if (version > 112)
    for (int32_t& v : HistoryFormat) v = in.I32("history format");
  if (version > 120) TempTarget = in.Str("temp target");
}

void TParamCollection::SaveStatus(ByteWriter& out) const {
  SaveRecords(out, true);
}

void TParamCollection::LoadStatus(ByteReader& in, int32_t) {
  const int32_t n = in.I32("status variable count");
  if (n < 0 || static_cast<size_t>(n) > in.remaining() / 10)
    throw ETruncated("variable count out of range");
  for (int32_t k = 0; k < n; ++k) LoadRecord(in);
}

}  // namespace vesk::expr
