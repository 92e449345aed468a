#pragma once
// What the commands and the save data ask of the script tables: the reset
// command empties the game tables; a saved game holds the table section of
// status 0, the status file that of status 1. Without this port the reset
// skips the tables (the table functions reach them through the system
// router).
#include <cstdint>

namespace vesk {
class ByteReader;
class ByteWriter;
}  // namespace vesk

namespace vesk::script {

class TablePort {
 public:
  virtual ~TablePort() = default;
  virtual void ResetTables() = 0;
  // The tables whose status flag equals `status` (0 game, 1 status data).
  virtual void SaveTables(ByteWriter& out, int32_t status) = 0;
  // Replaces the tables of that status; throws on a section that does not
  // read, leaving the tables as they were.
  virtual void LoadTables(ByteReader& in, int32_t status) = 0;
};

}  // namespace vesk::script
