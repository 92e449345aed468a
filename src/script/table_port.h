#pragma once
// What the commands ask of the game's data tables; the reset command
// empties them. There are no tables yet: without this port the reset skips
// them (the table functions will reach them through the system router).
namespace vesk::script {

class TablePort {
 public:
  virtual ~TablePort() = default;
  virtual void ResetTables() = 0;
};

}  // namespace vesk::script
