#pragma once
// What MenuClose asks of the menus. The scene implements it today: a menu
// is a scene object that closes itself, other objects take no notice.
#include "script/scene_object.h"

namespace vesk::script {

class MenuPort {
 public:
  virtual ~MenuPort() = default;
  // Starts the closing of a menu; other objects take no notice.
  virtual void CloseMenu(SceneObject& object) = 0;
};

}  // namespace vesk::script
