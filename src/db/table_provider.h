#pragma once
// The table functions of the script language (DBCreateTable ... DBClearRecord)
// over one TDBManager. The program registers one with its system router;
// DBLoadTsvFile reads files through the hooks it is given.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "db/db_manager.h"
#include "expr/system_router.h"

namespace vesk::db {

// How DBLoadTsvFile reaches the game's files; a hook left empty finds none.
struct TableFiles {
  // The project's file test (which may ask for another disk).
  std::function<bool(const std::string& name_cp932)> file_available;
  // The whole file through the virtual file manager.
  std::function<std::optional<std::vector<uint8_t>>(const std::string& name_cp932)> read_file;
};

class TableSystemProvider final : public expr::SystemProvider {
 public:
  TableSystemProvider(TDBManager& tables, TableFiles files)
      : tables_(tables), files_(std::move(files)) {}
  // Registers the functions 87 .. 124.
  void RegisterWith(expr::SystemRouter& router);

  bool Get(int /*id*/, int32_t /*index*/, expr::SysValue* /*out*/) override { return false; }
  bool CallFunction(int id, expr::TParamCollectionItem& dest, expr::Operands& operands) override;

 private:
  class Args;
  bool CallTableFunction(int id, Args& a);
  bool CallRecordFunction(int id, Args& a);
  bool CallFieldFunction(int id, Args& a);
  bool CallSearchFunction(int id, Args& a);
  bool CallDirectFunction(int id, Args& a);
  bool CallCopyFunction(int id, Args& a);
  bool LoadTsvFile(TDBTable& table, const std::string& name);

  TDBManager& tables_;
  TableFiles files_;
};

}  // namespace vesk::db
