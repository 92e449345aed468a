#include "components/component_services.h"

#include "expr/param_collection.h"
#include "scene/vesk_object.h"

namespace vesk::components {

ComponentServices* ServicesOf(const scene::TVeskObject& object) {
  const auto* user = dynamic_cast<const ServiceUser*>(&object);
  return user ? user->services() : nullptr;
}

TOrloCollection* PicturesOf(const scene::TVeskObject& object) {
  ComponentServices* services = ServicesOf(object);
  return services ? services->pictures : nullptr;
}

void SetSelection(const scene::TVeskObject& object, const std::string& text, int32_t index) {
  ComponentServices* services = ServicesOf(object);
  if (!services || !services->variables) return;
  services->variables->SelStr = text;
  services->variables->SelIndex = index;
}

}  // namespace vesk::components
