#pragma once
// How commands evaluate their expressions: over the call manager's variable
// table and system functions. Shared by the command bodies.
#include <string>

#include "expr/params.h"
#include "expr/parser.h"
#include "script/callman.h"

namespace vesk::script {

// The expression's value, or null when it has none.
inline const expr::TCustomParam* Evaluate(expr::TVeskParser& e, TCallMan& man) {
  e.Run(*man.env().variables, man.env().functions);
  return e.Result.get();
}

// "A value and true": an expression without value is not true.
inline bool IsTrue(expr::TVeskParser& e, TCallMan& man) {
  const expr::TCustomParam* v = Evaluate(e, man);
  return v && v->GetFlag();
}

// The value as a string; empty without one.
inline std::string EvaluateStr(expr::TVeskParser& e, TCallMan& man) {
  const expr::TCustomParam* v = Evaluate(e, man);
  return v ? v->GetStr() : std::string();
}

}  // namespace vesk::script
