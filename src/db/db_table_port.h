#pragma once
// The script library's table port over a TDBManager: the reset command and
// the save data reach the tables through it. Header only: db needs no more
// of the script library than this interface.
#include "core/byte_reader.h"
#include "core/byte_writer.h"
#include "db/db_manager.h"
#include "script/table_port.h"

namespace vesk::db {

class DBTablePort final : public script::TablePort {
 public:
  explicit DBTablePort(TDBManager& tables) : tables_(tables) {}
  void ResetTables() override { tables_.RemoveGameTables(); }
  void SaveTables(ByteWriter& out, int32_t status) override { tables_.SaveToStream(out, status); }
  void LoadTables(ByteReader& in, int32_t status) override { tables_.LoadFromStream(in, status); }

 private:
  TDBManager& tables_;
};

}  // namespace vesk::db
