#pragma once
// The services one runtime hands down to its subsystems instead of
// process-wide hooks: made by the program entry (or a test), outliving
// everything that uses them.
#include "expr/eval_services.h"

namespace vesk::app {

struct RuntimeServices {
  expr::EvalServices eval;  // the variable table's: trace sink, property types
};

}  // namespace vesk::app
