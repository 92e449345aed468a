#include "scene/system_provider.h"

#include "scene/baselist.h"
#include "scene/scene_port.h"

namespace vesk::scene {

using namespace vesk::lang;

void SceneSystemProvider::RegisterWith(expr::SystemRouter& router) {
  router.AddVariables({SV_LClick, SV_RClick, SV_LPush, SV_RPush, SV_MouseX, SV_MouseY, SV_WheelDown,
                       SV_WheelUp, SV_KeyPush, SV_KeyClick, SV_KeyRepeat, SV_ActiveCompo},
                      this);
  router.AddFunctions({FN_GetProp, FN_SetProp, FN_Exists, FN_ListCompo, FN_ToClientX, FN_ToClientY,
                       FN_ToScreenX, FN_ToScreenY, FN_InPrimary, FN_GetCheck, FN_SetCheck,
                       FN_IndexOfMenu, FN_GetEnabled, FN_SetEnabled},
                      this);
}

bool SceneSystemProvider::Get(int id, int32_t index, expr::SysValue* out) {
  TVeskBase& base = *root_.ShownBase();
  switch (id) {
    case SV_LClick:
      out->b = base.LClick != 0;
      return true;
    case SV_RClick:
      out->b = base.RClick != 0;
      return true;
    case SV_LPush:
      out->b = base.LeftHeld && !(base.Capture & TVeskBase::kCaptureLeft);
      return true;
    case SV_RPush:
      out->b = base.RightHeld && !(base.Capture & TVeskBase::kCaptureRight);
      return true;
    case SV_MouseX:
      out->i = base.MouseX;
      return true;
    case SV_MouseY:
      out->i = base.MouseY;
      return true;
    case SV_WheelDown:
      out->b = base.WheelDown != 0;
      return true;
    case SV_WheelUp:
      out->b = base.WheelUp != 0;
      return true;
    case SV_KeyPush:
    case SV_KeyClick:
    case SV_KeyRepeat:
      // The key tables end with the wheel pulses.
      if (index == 256)
        out->b = base.WheelDown != 0;
      else if (index == 257)
        out->b = base.WheelUp != 0;
      else if (id == SV_KeyPush)
        out->b = root_.KeyHeld(index);
      else if (id == SV_KeyClick)
        out->b = root_.KeyPressed(index);
      else
        out->b = root_.KeyRepeated(index);
      return true;
    case SV_ActiveCompo:
      out->s = root_.Focus() ? root_.Focus()->Name : std::string();
      return true;
    default:
      return false;
  }
}

void SceneSystemProvider::Set(int id, const expr::SysValue& v) {
  TVeskBase& base = *root_.ShownBase();
  switch (id) {
    case SV_LClick:
      base.LClick = v.b;
      return;
    case SV_RClick:
      base.RClick = v.b;
      return;
    case SV_ActiveCompo: {
      // Only a control that can take the focus gets it.
      TVeskControl* c = root_.FindControl(v.s);
      if (c && !c->IsBase() && !c->Paused() && c->GetVisible() && c->HandleKey) root_.SetFocus(c);
      return;
    }
    default:
      return;
  }
}

bool SceneSystemProvider::CallFunction(int id, expr::TParamCollectionItem& dest,
                                       expr::Operands& operands) {
  return CallSceneFunction(root_, id, dest, operands);
}

}  // namespace vesk::scene
