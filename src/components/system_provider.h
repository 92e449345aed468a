#pragma once
// The system variables the component kinds answer: @CGDither, the picture
// cache's dithering. The program registers one per scene with its system
// router.
#include "expr/system_router.h"

namespace vesk::scene {
class TVeskBaseList;
}

namespace vesk::components {

class TOrloCollection;

class PictureSystemProvider final : public expr::SystemProvider {
 public:
  // No cache: @CGDither reads false and ignores writes.
  PictureSystemProvider(TOrloCollection* pictures, scene::TVeskBaseList& root)
      : pictures_(pictures), root_(root) {}
  void RegisterWith(expr::SystemRouter& router);

  bool Get(int id, int32_t index, expr::SysValue* out) override;
  void Set(int id, const expr::SysValue& v) override;

 private:
  TOrloCollection* pictures_;
  scene::TVeskBaseList& root_;
};

}  // namespace vesk::components
