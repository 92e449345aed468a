#pragma once
// What the scenario asks of the data tables: the reset command empties the
// game's tables, the save data writes and reads their sections (status 0:
// the game's tables in a saved game; 1: the status tables in the status
// data). The table functions reach the tables through the system router.
#include <cstdint>

#include "core/byte_reader.h"
#include "core/byte_writer.h"

namespace vesk::script {

class TablePort {
 public:
  virtual ~TablePort() = default;
  virtual void ResetTables() = 0;
  virtual void SaveTables(ByteWriter& out, int32_t status) = 0;
  virtual void LoadTables(ByteReader& in, int32_t status) = 0;
};

}  // namespace vesk::script
