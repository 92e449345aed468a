#include "components/kinds.h"

#include "components/box.h"
#include "components/button.h"
#include "components/images.h"
#include "components/map_image.h"
#include "components/tile.h"
#include "scene/baselist.h"
#include "lang/vocabulary.h"

namespace vesk::components {

void RegisterComponentKinds() {
  using scene::TVeskBaseList;
  TVeskBaseList::RegisterKind(lang::LT_BOX, [](TVeskBaseList& root) { return std::make_unique<TVeskBox>(&root); });
  TVeskBaseList::RegisterKind(lang::LT_IMAGES,
                              [](TVeskBaseList& root) { return std::make_unique<TVeskImages>(&root); });
  TVeskBaseList::RegisterKind(lang::LT_TILE, [](TVeskBaseList& root) { return std::make_unique<TVeskTile>(&root); });
  TVeskBaseList::RegisterKind(lang::LT_MAPIMG,
                              [](TVeskBaseList& root) { return std::make_unique<TVeskMapImage>(&root); });
  TVeskBaseList::RegisterKind(lang::LT_BUTTON,
                              [](TVeskBaseList& root) { return std::make_unique<TVeskButton>(&root); });
}

}  // namespace vesk::components
