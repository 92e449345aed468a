#include "scene/kind_registry.h"

#include "lang/vocabulary.h"
#include "scene/vesk_object.h"

namespace vesk::scene {

KindRegistry::KindRegistry() {
  Register(lang::LT_CABINET,
           [](TVeskBaseList& root) { return std::make_unique<TVeskCabinet>(&root); });
}

void KindRegistry::Register(int id, Factory factory) {
  kinds_[id & 0x7F] = std::move(factory);
}

const KindRegistry::Factory* KindRegistry::Find(int id) const {
  auto it = kinds_.find(id & 0x7F);
  return it == kinds_.end() ? nullptr : &it->second;
}

}  // namespace vesk::scene
