#pragma once
// The value layer raises the runtime's fixed messages; the evaluator decides
// what becomes of them.
#include <string>

#include "core/messages.h"
#include "core/vesk_error.h"

namespace vesk::expr {

using ExprMsg = Msg;

[[noreturn]] inline void RaiseExpr(Msg id) {
  throw EVeskError(MessageCp932(id));
}
[[noreturn]] inline void RaiseExpr(Msg id, const std::string& arg_cp932) {
  throw EVeskError(FormatMessage(MessageCp932(id), arg_cp932));
}

}  // namespace vesk::expr
