#pragma once
// The scene as the commands and the system functions see it.
#include <cstdint>

#include "expr/param_collection.h"
#include "expr/sysfuncs.h"
#include "scene/baselist.h"
#include "script/flip_port.h"
#include "script/media_port.h"
#include "script/menu_port.h"
#include "script/scene_port.h"

namespace vesk::scene {

// The scene as the commands see it; it closes menus too, since a menu is a
// scene object, serves the flip, whose bases and transition it owns, and
// plays and stops the media objects (scene/media_object.h).
class SceneCommandPort final : public script::ScenePort,
                               public script::MenuPort,
                               public script::FlipPort,
                               public script::MediaPort {
 public:
  using NameFilter = script::ScenePort::NameFilter;  // the same in both ports
  explicit SceneCommandPort(TVeskBaseList& root) : root_(root) {}
  TVeskObject* FindComponent(const std::string& name) override { return root_.FindComponent(name); }
  TVeskObject* FindControl(const std::string& name) override { return root_.FindControl(name); }
  TVeskObject* CreateByKind(int kind) override { return root_.CreateByKind(kind); }
  void GetProp(expr::TCustomParam& dest, script::SceneObject& object, int32_t id) override;
  void SetProp(script::SceneObject& object, int32_t id, const expr::TCustomParam& value) override;
  void ApplyCreationProperty(script::SceneObject& object, int id,
                             const script::CreationValue& value) override;
  void TakeCreationExpression(script::SceneObject& object, int id,
                              const expr::TVeskParser& expression) override {
    Object(object).TakeCreationExpression(id, expression);
  }
  void SetUpPropertyMotion(script::SceneObject& motion,
                           const script::PropertyMotionSetup& setup) override {
    Object(motion).TakePropertyMotion(setup);
  }
  void CreationComplete(script::SceneObject& object) override;
  void DeleteObject(script::SceneObject& object) override { root_.DeleteObject(&Object(object)); }
  bool ObjectExists(const std::string& name) override { return root_.IndexOfName(name) >= 0; }
  void Reset() override { root_.Reset(); }
  void OpenMenu(script::SceneObject& object) override { Object(object).OpenMenu(); }
  void CloseMenu(script::SceneObject& object) override { Object(object).CloseMenu(); }
  void TakeSnapshot() override { root_.TakeSnapshot(); }
  void MoveToBackBase(const FlipPort::NameFilter& moves) override { root_.MoveToBackBase(moves); }
  bool StartTransition(const script::TransitionRequest& request) override {
    return root_.StartTransition(root_.ShownBaseIndex(), request);
  }
  int32_t TransitionDuration() override { return root_.TransitionDuration(); }
  void SetTransitionTime(int32_t elapsed_ms) override { root_.SetTransitionTime(elapsed_ms); }
  void FinishFlip(bool clear_back, bool cabinets_too) override;
  void SaveCabinet(const std::string& name, const ScenePort::NameFilter& selected) override;
  void LoadCabinet(const std::string& name, const ScenePort::NameFilter& selected) override;
  void Play(const std::string& object) override;
  std::string Stop(const std::string& object, int32_t fade_ms,
                   const std::function<bool(const std::string&)>& file_available) override;

 private:
  // Every handle this port gives out is a scene object.
  static TVeskObject& Object(script::SceneObject& object) {
    return static_cast<TVeskObject&>(object);
  }
  TVeskBaseList& root_;
};

// The system functions that act on scene objects (GetProp, SetProp, Exists,
// ListCompo, ToClientX/Y, ToScreenX/Y, InPrimary, and the items of lists and
// menus: GetCheck, SetCheck, IndexOfMenu, GetEnabled, SetEnabled). False for
// other ids.
bool CallSceneFunction(TVeskBaseList& root, int id, expr::TParamCollectionItem& dest,
                       expr::Operands& operands);

}  // namespace vesk::scene
