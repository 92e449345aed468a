#include "components/kinds.h"

#include "components/box.h"
#include "scene/baselist.h"
#include "script/vocabulary.h"

namespace vesk::components {

void RegisterComponentKinds() {
  using scene::TVeskBaseList;
  TVeskBaseList::RegisterKind(script::LT_BOX, [](TVeskBaseList& root) { return std::make_unique<TVeskBox>(&root); });
}

}  // namespace vesk::components
