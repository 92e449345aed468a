#pragma once
// What the menu command and MenuClose ask of the menus. The scene
// implements it: a menu is a scene object that opens and closes itself,
// other objects take no notice.
#include "script/scene_object.h"

namespace vesk::script {

class MenuPort {
 public:
  virtual ~MenuPort() = default;
  // Starts the opening of a menu just made (after its properties).
  virtual void OpenMenu(SceneObject& object) = 0;
  // Starts the closing of a menu; other objects take no notice.
  virtual void CloseMenu(SceneObject& object) = 0;
};

}  // namespace vesk::script
