#pragma once
// What the evaluator asks of the runtime it runs in. The runtime hands one
// to its variable table, so two runtimes in one process (a player and a
// test, say) never share them.
#include <functional>
#include <string>

namespace vesk::expr {

struct EvalServices {
  // Where the errors that end an expression go for debugging (the trace);
  // may be empty.
  std::function<void(const std::string& message_cp932)> error_sink;
  // The value type code of a property id, which types the temporary that
  // receives GetProp (the scene's property catalogue); integer when empty.
  std::function<int(int property_id)> property_type;
};

}  // namespace vesk::expr
