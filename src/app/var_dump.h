#pragma once
// --dump-vars: the variables as JSON at exit,
// {"frames":N,"tick":T,"variables":[...]}. Names and strings arrive as CP932
// and are written as UTF-8.
#include <cstdint>
#include <string>
#include <vector>

namespace vesk::expr {
class TParamCollection;
}

namespace vesk::app {

// One variable as the dump shows it; values are already JSON texts.
struct DumpedVariable {
  std::string name_cp932;
  int type = 0;
  bool status = false;
  int scope = 0;
  bool local = false;
  std::vector<int32_t> dims;
  std::vector<std::string> values_json;
};

// Every non-system variable of the table, in table order.
std::vector<DumpedVariable> CollectVariables(const expr::TParamCollection& table);

std::string JsonString(const std::string& utf8);
std::string VarDumpJson(int32_t frames, int32_t tick_ms, const std::vector<DumpedVariable>& vars);
bool WriteVarDump(const std::string& path, int32_t frames, int32_t tick_ms,
                  const std::vector<DumpedVariable>& vars, std::string* error);

}  // namespace vesk::app
