#pragma once
// The handle the commands hold for a scene object. Script never looks
// inside one: it only hands it back to the port that gave it out. The
// scene's objects derive from it, so the port converts back without a table.
namespace vesk::script {

class SceneObject {
 public:
  virtual ~SceneObject() = default;

 protected:
  SceneObject() = default;
  SceneObject(const SceneObject&) = default;
  SceneObject& operator=(const SceneObject&) = default;
};

}  // namespace vesk::script
