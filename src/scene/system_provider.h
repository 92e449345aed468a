#pragma once
// The system variables the scene root keeps (the input pulses, buttons and
// mouse of the shown base, the key tables, the focus) and the system
// functions on scene objects. The program registers one per scene root
// with its system router.
#include "expr/system_router.h"

namespace vesk::scene {

class TVeskBaseList;

class SceneSystemProvider final : public expr::SystemProvider {
 public:
  explicit SceneSystemProvider(TVeskBaseList& root) : root_(root) {}
  void RegisterWith(expr::SystemRouter& router);

  bool Get(int id, int32_t index, expr::SysValue* out) override;
  void Set(int id, const expr::SysValue& v) override;
  bool CallFunction(int id, expr::TParamCollectionItem& dest, expr::Operands& operands) override;

 private:
  TVeskBaseList& root_;
};

}  // namespace vesk::scene
