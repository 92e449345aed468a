#pragma once
// TDBManager: every table of the run in creation and load order, and the
// active table most script functions work on. Tables belong to the game
// data (saved with each game, removed by the reset command) or to the
// status data (kept across resets, saved in the status file).
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/dbs.h"

namespace vesk::db {

// What FindRecord found: a table, its first matching record and a field.
struct FoundField {
  TDBTable* table;
  int32_t record;
  int32_t field;
};

class TDBManager {
 public:
  // The stored form's format number.
  static constexpr int32_t kTablesFormat = 100;

  int32_t TableCount() const { return static_cast<int32_t>(tables_.size()); }
  TDBTable* TableAt(int32_t i) const {
    return i >= 0 && i < TableCount() ? tables_[static_cast<size_t>(i)].get() : nullptr;
  }
  int32_t ActiveIndex() const { return active_; }
  TDBTable* ActiveTable() const { return TableAt(active_); }
  // First table of that name without regard to ASCII case; -1 when none.
  int32_t IndexOfTable(std::string_view name) const;
  TDBTable* Table(std::string_view name) const { return TableAt(IndexOfTable(name)); }

  // The new table's index, or -1 for an empty or existing name. The new
  // table becomes active.
  int32_t CreateTable(const std::string& name, bool is_status);
  bool SetActive(std::string_view name);
  // The active table stays active (found again by name) unless it is the
  // one deleted.
  bool DeleteTable(std::string_view name);

  // Runs the named table's search and takes its first match and the named
  // field; none unless the table exists, a record matches and it has the
  // field. The table's current record does not move.
  std::optional<FoundField> FindRecord(std::string_view table, const FindKeys& keys,
                                       std::string_view field_name) const;
  int32_t DirectGetInt(std::string_view table, const FindKeys& keys, std::string_view field,
                       int32_t fallback) const;
  Real DirectGetFloat(std::string_view table, const FindKeys& keys, std::string_view field,
                      Real fallback) const;
  bool DirectGetBool(std::string_view table, const FindKeys& keys, std::string_view field,
                     bool fallback) const;
  std::string DirectGetStr(std::string_view table, const FindKeys& keys, std::string_view field,
                           const std::string& fallback) const;
  bool DirectSetInt(std::string_view table, const FindKeys& keys, std::string_view field,
                    int32_t v);
  bool DirectSetFloat(std::string_view table, const FindKeys& keys, std::string_view field, Real x);
  bool DirectSetBool(std::string_view table, const FindKeys& keys, std::string_view field, bool b);
  bool DirectSetStr(std::string_view table, const FindKeys& keys, std::string_view field,
                    const std::string& s);

  // The destination (not the active table) is cleared and takes the active
  // table's fields and, byte for byte, its records at `indices`. False,
  // changing nothing, when a check fails or an index is out of range.
  bool CopyRecordsTo(std::string_view dest_name, const std::vector<int32_t>& indices);
  // The active table appends byte copies of the source's records at
  // `indices` (the source may be the active table). The layouts must be the
  // same; an index out of range refuses the whole call.
  bool AppendRecordsFrom(std::string_view source_name, const std::vector<int32_t>& indices);
  // The named table, of the active table's layout, appends a copy of the
  // active table's current record; it becomes that table's current record.
  bool CopyCurrentRecordTo(std::string_view dest_name);

  // The table section of a saved game (status 0) or of the status file
  // (status 1): the tables whose IsStatus equals status.
  void SaveToStream(ByteWriter& out, int32_t status) const;
  // Replaces the tables of that status with the stored ones. A section that
  // does not read throws (ETruncated or std::runtime_error naming what was
  // wrong) and leaves every table as it was: the new tables are read
  // completely before any old one goes.
  void LoadFromStream(ByteReader& in, int32_t status);
  void Transfer(RecordIO& io, int32_t status);

  // No table active; then the game tables go, the status tables stay.
  void RemoveGameTables();
  void Clear();

 private:
  std::vector<std::unique_ptr<TDBTable>> tables_;
  int32_t active_ = -1;
};

}  // namespace vesk::db
