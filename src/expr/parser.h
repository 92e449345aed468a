#pragma once
// TVeskParser: a compiled expression. The script compiler settled precedence
// and order, so an expression is a list of three-address operations
// (TOpeData) run first to last; intermediate results live in temporaries
// named "____...", made on demand and dropped when the run ends, and the
// value of "____arg" is the expression's result.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "expr/params.h"
#include "expr/sysfuncs.h"

namespace vesk {
class ByteReader;
class RecordIO;
}  // namespace vesk

namespace vesk::expr {

inline constexpr const char* kResultTemp = "____arg";

struct TOpeData {
  uint8_t Op = 0;
  std::string Dest;
  uint8_t FuncId = 0;
  expr::Operands Operands;
};

class TVeskParser {
 public:
  TVeskParser();
  ~TVeskParser();
  TVeskParser(TVeskParser&&) noexcept;
  TVeskParser& operator=(TVeskParser&&) noexcept;

  std::vector<std::unique_ptr<TOpeData>> Ops;
  std::unique_ptr<TCustomParam> Result;

  // Replaces the operations with the stored form. Throws ETruncated (naming
  // the field) on a cut or hostile record.
  void LoadFromStream(ByteReader& in);
  void SaveToStream(ByteWriter& out) const;
  // The stored form in either direction (core/record_io.h), for the records
  // that carry expressions.
  void Transfer(RecordIO& io);
  void Assign(const TVeskParser& source);

  // Runs the operations. A failing operation ends the run silently: earlier
  // effects stay, the error goes to the table's error sink, Result is set
  // only when "____arg" exists.
  void Run(TParamCollection& table, TSysFuncMan* functions);
  // Runs and reads the result as a condition: no result is false.
  bool RunCondition(TParamCollection& table, TSysFuncMan* functions);

  // The message of the error that ended the last run ("" when none), CP932.
  const std::string& last_error() const { return last_error_; }

 private:
  struct Plan;
  void Execute(TOpeData& op, TParamCollection& table, TSysFuncMan* functions,
               std::vector<TParamCollectionItem*>& temps);
  // The run with names resolved once per table state (see Plan).
  void RunPlanned(Plan& plan, TParamCollection& table, TSysFuncMan* functions);
  Plan* PlanFor(const TParamCollection& table);

  std::string last_error_;
  std::unique_ptr<Plan> plan_;
};

}  // namespace vesk::expr
