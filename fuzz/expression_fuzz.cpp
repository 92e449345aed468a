// Stored expressions from the fuzzer: loaded, then run against a table with
// a few variables of every type (errors end a run silently by design).
#include <cstdint>

#include "core/byte_reader.h"
#include "expr/param_collection.h"
#include "expr/parser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vesk::expr;
  TVeskParser parser;
  try {
    vesk::ByteReader in(data, size);
    parser.LoadFromStream(in);
  } catch (const std::exception&) {
    return 0;
  }
  TParamCollection table;
  TSysFuncMan functions(table);
  table.Declare("a", vesk::lang::PT_INT, VarScope::kGlobal, 0)->Value->SetDims({2, 3});
  table.Declare("b", vesk::lang::PT_STR, VarScope::kGlobal, 0);
  table.Declare("c", vesk::lang::PT_FLOAT, VarScope::kGlobal, 0);
  table.Declare("d", vesk::lang::PT_BOOL, VarScope::kGlobal, 0);
  parser.Run(table, &functions);
  parser.Run(table, &functions);
  return 0;
}
