#include "components/component_services.h"

#include "expr/param_collection.h"

namespace vesk::components {

void ServiceUser::SetSelection(const std::string& text, int32_t index) const {
  if (!services_ || !services_->variables) return;
  services_->variables->SelStr = text;
  services_->variables->SelIndex = index;
}

}  // namespace vesk::components
