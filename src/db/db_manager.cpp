#include "db/db_manager.h"

#include <algorithm>

#include "core/sjis.h"

namespace vesk::db {
namespace {

// A stored table: kind byte, name count, status byte, field count, record
// count and current record.
constexpr size_t kMinStoredTableBytes = 1 + 4 + 1 + 4 + 4 + 4;

bool AllInRange(const TDBTable& t, const std::vector<int32_t>& indices) {
  return std::all_of(indices.begin(), indices.end(),
                     [&](int32_t i) { return i >= 0 && i < t.RecordCount(); });
}

}  // namespace

int32_t TDBManager::IndexOfTable(std::string_view name) const {
  for (size_t i = 0; i < tables_.size(); ++i)
    if (EqualsIgnoreAsciiCase(tables_[i]->Name, name)) return static_cast<int32_t>(i);
  return -1;
}

int32_t TDBManager::CreateTable(const std::string& name, bool is_status) {
  if (name.empty() || IndexOfTable(name) >= 0) return -1;
  tables_.push_back(std::make_unique<TDBTable>(name, is_status));
  active_ = TableCount() - 1;
  return active_;
}

bool TDBManager::SetActive(std::string_view name) {
  const int32_t i = IndexOfTable(name);
  if (i < 0) return false;
  active_ = i;
  return true;
}

bool TDBManager::DeleteTable(std::string_view name) {
  const std::string active_name = ActiveTable() ? ActiveTable()->Name : std::string();
  const int32_t i = IndexOfTable(name);
  if (i < 0) return false;
  tables_.erase(tables_.begin() + i);
  if (!active_name.empty()) active_ = IndexOfTable(active_name);
  return true;
}

// --- Direct access ---

std::optional<FoundField> TDBManager::FindRecord(std::string_view table, const FindKeys& keys,
                                                 std::string_view field_name) const {
  TDBTable* t = Table(table);
  if (!t) return std::nullopt;
  std::vector<int32_t> found;
  t->FindUpTo(found, keys, 1);
  const int32_t field = t->Fields().IndexOfField(field_name);
  if (found.empty() || field < 0) return std::nullopt;
  return FoundField{t, found.front(), field};
}

int32_t TDBManager::DirectGetInt(std::string_view table, const FindKeys& keys,
                                 std::string_view field, int32_t fallback) const {
  const auto f = FindRecord(table, keys, field);
  int32_t v = fallback;
  if (f) f->table->GetInt(f->record, f->field, v);
  return v;
}
Real TDBManager::DirectGetFloat(std::string_view table, const FindKeys& keys,
                                std::string_view field, Real fallback) const {
  const auto f = FindRecord(table, keys, field);
  Real x = fallback;
  if (f) f->table->GetFloat(f->record, f->field, x);
  return x;
}
bool TDBManager::DirectGetBool(std::string_view table, const FindKeys& keys, std::string_view field,
                               bool fallback) const {
  const auto f = FindRecord(table, keys, field);
  bool b = fallback;
  if (f) f->table->GetBool(f->record, f->field, b);
  return b;
}
std::string TDBManager::DirectGetStr(std::string_view table, const FindKeys& keys,
                                     std::string_view field, const std::string& fallback) const {
  const auto f = FindRecord(table, keys, field);
  std::string s = fallback;
  if (f) f->table->GetStr(f->record, f->field, s);
  return s;
}
bool TDBManager::DirectSetInt(std::string_view table, const FindKeys& keys, std::string_view field,
                              int32_t v) {
  const auto f = FindRecord(table, keys, field);
  return f && f->table->SetInt(f->record, f->field, v);
}
bool TDBManager::DirectSetFloat(std::string_view table, const FindKeys& keys,
                                std::string_view field, Real x) {
  const auto f = FindRecord(table, keys, field);
  return f && f->table->SetFloat(f->record, f->field, x);
}
bool TDBManager::DirectSetBool(std::string_view table, const FindKeys& keys, std::string_view field,
                               bool b) {
  const auto f = FindRecord(table, keys, field);
  return f && f->table->SetBool(f->record, f->field, b);
}
bool TDBManager::DirectSetStr(std::string_view table, const FindKeys& keys, std::string_view field,
                              const std::string& s) {
  const auto f = FindRecord(table, keys, field);
  return f && f->table->SetStr(f->record, f->field, s);
}

// --- Copying between tables ---

bool TDBManager::CopyRecordsTo(std::string_view dest_name, const std::vector<int32_t>& indices) {
  TDBTable* source = ActiveTable();
  TDBTable* dest = Table(dest_name);
  if (!source || !dest || dest == source || !AllInRange(*source, indices)) return false;
  dest->Clear();
  dest->Fields().Assign(source->Fields());
  for (int32_t i : indices) dest->AppendRecordOf(*source, i);
  return true;
}

bool TDBManager::AppendRecordsFrom(std::string_view source_name,
                                   const std::vector<int32_t>& indices) {
  TDBTable* dest = ActiveTable();
  TDBTable* source = Table(source_name);
  if (!dest || !source || !source->Fields().SameFields(dest->Fields()) ||
      !AllInRange(*source, indices))
    return false;
  for (int32_t i : indices) dest->AppendRecordOf(*source, i);
  return true;
}

bool TDBManager::CopyCurrentRecordTo(std::string_view dest_name) {
  TDBTable* source = ActiveTable();
  TDBTable* dest = Table(dest_name);
  if (!source || source->RecNo() < 0 || !dest || !dest->Fields().SameFields(source->Fields()))
    return false;
  // Taken before the append, which moves the current record of the active
  // table when it is also the destination.
  const int32_t current = source->RecNo();
  return dest->AppendRecordOf(*source, current);
}

// --- Stored form ---

void TDBManager::SaveToStream(ByteWriter& out, int32_t status) const {
  RecordIO io(out, kTablesFormat);
  const_cast<TDBManager*>(this)->Transfer(io, status);
}

void TDBManager::LoadFromStream(ByteReader& in, int32_t status) {
  RecordIO io(in, kTablesFormat);
  Transfer(io, status);
}

void TDBManager::Transfer(RecordIO& io, int32_t status) {
  int32_t format = kTablesFormat;
  io.I32(format, "table format");  // one table layout for every format number

  std::vector<TDBTable*> saved;
  if (!io.loading())
    for (const auto& t : tables_)
      if (t->IsStatus == status) saved.push_back(t.get());
  std::vector<std::unique_ptr<TDBTable>> loaded;
  const int32_t n = io.Count(saved.size(), kMinStoredTableBytes, "table count");
  for (int32_t i = 0; i < n; ++i) {
    uint8_t kind = io.loading() ? 0 : saved[static_cast<size_t>(i)]->TableKind();
    io.U8(kind, "table kind");  // every kind loads as the in-memory table
    if (!io.loading()) {
      saved[static_cast<size_t>(i)]->Transfer(io);
      continue;
    }
    loaded.push_back(std::make_unique<TDBTable>());
    loaded.back()->Transfer(io);
  }

  std::string active_name;
  if (status == 0) {
    if (!io.loading() && ActiveTable()) active_name = ActiveTable()->Name;
    io.Str(active_name, "active table name");
  }
  if (!io.loading()) return;

  // Everything read: only now do the old tables of this status go.
  active_ = -1;
  std::erase_if(tables_, [status](const auto& t) { return t->IsStatus == status; });
  for (auto& t : loaded) tables_.push_back(std::move(t));
  if (status == 0)
    active_ = active_name.empty() ? -1 : IndexOfTable(active_name);
  else
    active_ = loaded.empty() ? -1 : TableCount() - 1;
}

void TDBManager::RemoveGameTables() {
  active_ = -1;
  std::erase_if(tables_, [](const auto& t) { return t->IsStatus == 0; });
}

void TDBManager::Clear() {
  tables_.clear();
  active_ = -1;
}

}  // namespace vesk::db
