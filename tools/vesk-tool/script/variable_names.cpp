#include "vesk-tool/script/variable_names.h"

#include "core/vesk_error.h"
#include "expr/param_collection.h"

namespace vesk::tool::script {

bool PlayerAcceptsVariableName(const std::string& name) {
  return DeclaredVariables().Declare(name);
}

DeclaredVariables::DeclaredVariables() : table_(std::make_unique<expr::TParamCollection>()) {}
DeclaredVariables::~DeclaredVariables() = default;

bool DeclaredVariables::Declare(const std::string& name) {
  if (Has(name)) return true;
  expr::TParamCollectionItem* item = table_->AddParam(lang::PT_INT);
  try {
    // The call the player makes for every VarNew and status line: it raises
    // for a name the game would refuse.
    table_->SetName(*item, name);
  } catch (const EVeskError&) {
    table_->DeleteItem(item);
    return false;
  }
  return true;
}

bool DeclaredVariables::Has(const std::string& name) const {
  return table_->Find(name) != nullptr;
}

}  // namespace vesk::tool::script
