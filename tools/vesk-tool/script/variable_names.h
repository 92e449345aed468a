#pragma once
// Variable names as the player sees them. The name rule and the lookup
// (ASCII case ignored, system variables included) are the player's own
// variable table's, so a name the compiler accepts is one the game accepts.
#include <memory>
#include <string>

namespace vesk::expr {
class TParamCollection;
}

namespace vesk::tool::script {

// Whether the player's variable table takes `name` (CP932) as a name.
bool PlayerAcceptsVariableName(const std::string& name);

// The names a game declares (VarNew commands and status lines), asked the
// way the player looks a variable up.
class DeclaredVariables {
 public:
  DeclaredVariables();
  ~DeclaredVariables();
  DeclaredVariables(const DeclaredVariables&) = delete;
  DeclaredVariables& operator=(const DeclaredVariables&) = delete;

  // False, declaring nothing, when the player would refuse the name.
  bool Declare(const std::string& name);
  // Declared here, or one of the system variables ("@TickCount").
  bool Has(const std::string& name) const;

 private:
  std::unique_ptr<expr::TParamCollection> table_;
};

}  // namespace vesk::tool::script
