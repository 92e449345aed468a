#pragma once
// What the commands and the call manager ask of the scene. The scene links
// against this library (it owns the event queue from here), so the commands
// reach it through this interface, which the scene implements; objects come
// back as opaque SceneObject handles.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <variant>

#include "expr/params.h"
#include "expr/parser.h"
#include "script/scene_object.h"

namespace vesk::script {

// A property value as a creation command read it: string, integer, flag or
// real (the command's own table decides which).
using CreationValue = std::variant<std::string, int32_t, bool, expr::Real>;

// What the property-motion command hands the motion it made: the object to
// move by name, the property id, and the parts the command gave a value.
struct PropertyMotionSetup {
  std::string target_name;
  int32_t property_id = 0;
  std::optional<expr::Real> end_value;
  std::optional<int32_t> duration_ms;
  std::optional<int32_t> easing;  // an MT_ code
  std::optional<bool> paused;
};

class ScenePort {
 public:
  virtual ~ScenePort() = default;
  // An empty name and the base names give the bases.
  virtual SceneObject* FindComponent(const std::string& name) = 0;
  virtual SceneObject* FindControl(const std::string& name) = 0;
  // A new object of `LT_` kind `kind`; null for kinds that make nothing.
  virtual SceneObject* CreateByKind(int kind) = 0;
  // Property reads and writes with the catalogue's types and errors.
  virtual void GetProp(expr::TCustomParam& dest, SceneObject& object, int32_t id) = 0;
  virtual void SetProp(SceneObject& object, int32_t id, const expr::TCustomParam& value) = 0;
  // One property of a creation command, with the creation rules (names
  // only when given, parents by name, tags, font styles).
  virtual void ApplyCreationProperty(SceneObject& object, int id, const CreationValue& value) = 0;
  // An expression the object keeps instead of a value (ImgNew's end wait).
  virtual void TakeCreationExpression(SceneObject& object, int id,
                                      const expr::TVeskParser& expression) = 0;
  // What a property motion made by CreateByKind is to do. Scenes that make
  // no motions need not answer.
  virtual void SetUpPropertyMotion(SceneObject& motion, const PropertyMotionSetup& setup) {
    (void)motion;
    (void)setup;
  }
  // After the last property: a control marks its area for drawing.
  virtual void CreationComplete(SceneObject& object) = 0;
  virtual void DeleteObject(SceneObject& object) = 0;
  // Whether an object of that name is still registered (a handler's sender).
  virtual bool ObjectExists(const std::string& name) = 0;
  // The reset command: every object goes and the event queue empties.
  virtual void Reset() = 0;
  // Moves the selected children of the back base into the named cabinet
  // (made when missing) / back out of it; an emptied cabinet goes.
  using NameFilter = std::function<bool(const std::string& name)>;
  virtual void SaveCabinet(const std::string& name, const NameFilter& selected) = 0;
  virtual void LoadCabinet(const std::string& name, const NameFilter& selected) = 0;
};

}  // namespace vesk::script
