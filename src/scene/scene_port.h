#pragma once
// The scene as the commands and the system functions see it.
#include <cstdint>

#include "expr/param_collection.h"
#include "expr/sysfuncs.h"
#include "scene/baselist.h"
#include "script/scene_port.h"

namespace vesk::scene {

class SceneCommandPort final : public script::ScenePort {
 public:
  explicit SceneCommandPort(TVeskBaseList& root) : root_(root) {}
  TVeskObject* FindComponent(const std::string& name) override { return root_.FindComponent(name); }
  TVeskObject* FindControl(const std::string& name) override { return root_.FindControl(name); }
  TVeskObject* CreateByKind(int kind) override { return root_.CreateByKind(kind); }
  void GetProp(expr::TCustomParam& dest, TVeskObject& object, int32_t id) override;
  void SetProp(TVeskObject& object, int32_t id, const expr::TCustomParam& value) override;
  void ApplyCreationProperty(TVeskObject& object, int id, const script::CreationValue& value) override;
  void TakeCreationExpression(TVeskObject& object, int id, const expr::TVeskParser& expression) override {
    object.TakeCreationExpression(id, expression);
  }
  void CreationComplete(TVeskObject& object) override;
  void DeleteObject(TVeskObject& object) override { root_.DeleteObject(&object); }
  void CloseMenu(TVeskObject& object) override { object.CloseMenu(); }
  void SaveCabinet(const std::string& name, const NameFilter& selected) override;
  void LoadCabinet(const std::string& name, const NameFilter& selected) override;

 private:
  TVeskBaseList& root_;
};

// The system functions that act on scene objects (GetProp, SetProp, Exists,
// ListCompo, ToClientX/Y, ToScreenX/Y, InPrimary). False for other ids.
bool CallSceneFunction(TVeskBaseList& root, int id, expr::TParamCollectionItem& dest, expr::Operands& operands);

}  // namespace vesk::scene
