#include "expr/param_collection.h"

#include <algorithm>

#include "core/byte_reader.h"
#include "core/record_io.h"
#include "core/version.h"
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

void TParamCollection::TransferRecords(RecordIO& io, bool status) {
  std::vector<TParamCollectionItem*> pending;
  for (int i = 0; !io.loading() && i < Count(); ++i) {
    TParamCollectionItem* item = Item(i);
    if (!item->IsSystem() && (item->IsStatus != 0) == status) pending.push_back(item);
  }
  int32_t n = static_cast<int32_t>(pending.size());
  io.I32(n, status ? "status variable count" : "variable count");
  if (io.loading()) {
    if (n < 0 || static_cast<size_t>(n) > io.reader().remaining() / 10)
      throw ETruncated("variable count out of range");
    for (int32_t k = 0; k < n; ++k) LoadVariable(io);
    return;
  }
  auto waits_for = [&](const TParamCollectionItem* item) {
    const auto* ref = item->Value->AsVar();
    // A reference is written after its target, when that target is written here at all.
    return ref && ref->Target && ref->Target != item &&
           std::find(pending.begin(), pending.end(), ref->Target) != pending.end();
  };
  auto write = [&](size_t k) {
    std::string name = pending[k]->Name();
    TransferRecord(io, *pending[k], name);
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

// One variable: type, name, value, then the entry's flags and scope.
void TParamCollection::TransferRecord(RecordIO& io, TParamCollectionItem& item, std::string& name) {
  uint8_t type = 0;
  // References are stored as references whatever their target's type.
  if (!io.loading())
    type = static_cast<uint8_t>(item.Value->AsVar() ? lang::PT_NONE : item.Value->ParamType());
  io.U8(type, "variable type");
  io.Str(name, "variable name");
  if (io.loading()) {
    item.Value = MakeParam(type);
    if (!item.Value)
      throw ETruncated("variable type " + std::to_string(type) + " is not a value type");
  }
  item.Value->Transfer(io, this);
  io.U8(item.IsStatus, "status flag");
  io.U8(item.Reserved, "reserved byte");
  io.I32(item.ScopeId, "scope");
  io.U8(item.IsLocal, "local flag");
}

void TParamCollection::LoadVariable(RecordIO& io) {
  auto item = std::make_unique<TParamCollectionItem>();
  std::string name;
  TransferRecord(io, *item, name);
  if (name.empty()) return;  // a nameless record is read and dropped
  auto* added = static_cast<TParamCollectionItem*>(Add(std::move(item)));
  try {
    SetName(*added, name);
  } catch (...) {
    DeleteItem(added);
    throw;
  }
}

void TParamCollection::SaveToStream(ByteWriter& out) const {
  vesk::SaveRecord(*this, out, kSaveVersion);
}

void TParamCollection::LoadFromStream(ByteReader& in, int32_t version) {
  vesk::LoadRecord(*this, in, version);
}

void TParamCollection::Transfer(RecordIO& io) {
  if (io.loading())
    for (int i = Count() - 1; i >= 0; --i)
      if (!Item(i)->IsSystem() && !Item(i)->IsStatus) Delete(i);
  TransferRecords(io, false);
  io.I32(TextDelay, "text delay");
  io.Str(CursorFile, "cursor file");
  if (io.Since(103)) {
    io.Str(SelStr, "menu choice");
    io.I32(SelIndex, "menu index");
  }
  if (io.Since(113))
    for (int32_t& v : HistoryFormat) io.I32(v, "history format");
  if (io.Since(121)) io.Str(TempTarget, "temp target");
}

void TParamCollection::SaveStatus(ByteWriter& out) const {
  RecordIO io(out, kSaveVersion);
  // Saving only reads the fields.
  const_cast<TParamCollection*>(this)->TransferRecords(io, true);
}

void TParamCollection::LoadStatus(ByteReader& in, int32_t version) {
  RecordIO io(in, version);
  TransferRecords(io, true);
}

}  // namespace vesk::expr
