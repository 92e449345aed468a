#include "app/system_host.h"

#include "expr/system_variables.h"
#include "components/component_services.h"
#include "components/orlo_collection.h"
#include "scene/baselist.h"
#include "script/callman.h"
#include "lang/vocabulary.h"

namespace vesk::app {

bool ShellSystemHost::Get(int id, int32_t index, expr::SysValue* out) {
  if (root_ && GetSceneValue(id, index, out)) return true;
  switch (id) {
    case lang::SV_TickCount: out->i = ctx_.game_clock_ms; return true;
    case lang::SV_UpdateCount: out->i = ctx_.frame_counter; return true;
    case lang::SV_ScrWidth: out->i = scenario_ ? scenario_->info().screen_width : 0; return true;
    case lang::SV_ScrHeight: out->i = scenario_ ? scenario_->info().screen_height : 0; return true;
    case lang::SV_Title: out->s = scenario_ ? scenario_->info().title : std::string(); return true;
    case lang::SV_LClick: out->b = scene_ && scene_->LeftClicked(); return true;
    case lang::SV_KeyClick: out->b = scene_ && index < 256 && scene_->KeyClicked(index); return true;
    case lang::SV_ParamCount: out->i = calls() ? calls()->ArgCount() : 0; return true;
    case lang::SV_ParamStr: out->s = calls() ? calls()->Arg(index) : std::string(); return true;
    case lang::SV_Sender: out->s = calls() ? calls()->SenderName() : std::string(); return true;
    case lang::SV_FullScr: out->b = screen_ && screen_->full_screen(); return true;
    case lang::SV_DisplayModeCount: out->i = screen_ ? screen_->ModeCount() : 0; return true;
    case lang::SV_DisplayModeIndex: out->i = screen_ ? screen_->chosen_mode() : -1; return true;
    default: return false;
  }
}

int32_t ShellSystemHost::ElementCount(int id) {
  return id == lang::SV_ParamStr && calls() ? calls()->ArgCount() : 0;
}

expr::TCustomParam* ShellSystemHost::CallResult() { return calls() ? calls()->TopResult() : nullptr; }

// The input pulses, buttons, keys and focus the scene root keeps.
bool ShellSystemHost::GetSceneValue(int id, int32_t index, expr::SysValue* out) {
  scene::TVeskBase& base = *root_->ShownBase();
  switch (id) {
    case lang::SV_LClick: out->b = base.LClick != 0; return true;
    case lang::SV_RClick: out->b = base.RClick != 0; return true;
    case lang::SV_LPush: out->b = base.LeftHeld && !(base.Capture & scene::TVeskBase::kCaptureLeft); return true;
    case lang::SV_RPush: out->b = base.RightHeld && !(base.Capture & scene::TVeskBase::kCaptureRight); return true;
    case lang::SV_MouseX: out->i = base.MouseX; return true;
    case lang::SV_MouseY: out->i = base.MouseY; return true;
    case lang::SV_WheelDown: out->b = base.WheelDown != 0; return true;
    case lang::SV_WheelUp: out->b = base.WheelUp != 0; return true;
    case lang::SV_KeyPush:
    case lang::SV_KeyClick:
    case lang::SV_KeyRepeat:
      if (index == 256) out->b = base.WheelDown != 0;
      else if (index == 257) out->b = base.WheelUp != 0;
      else if (id == lang::SV_KeyPush) out->b = root_->KeyHeld(index);
      else if (id == lang::SV_KeyClick) out->b = root_->KeyPressed(index);
      else out->b = root_->KeyRepeated(index);
      return true;
    case lang::SV_ActiveCompo: out->s = root_->Focus() ? root_->Focus()->Name : std::string(); return true;
    case lang::SV_CGDither: {
      const components::ComponentServices* services = root_->env().components;
      out->b = services && services->pictures && services->pictures->Dither();
      return true;
    }
    default: return false;
  }
}

void ShellSystemHost::Set(int id, const expr::SysValue& v) {
  if (id == lang::SV_FullScr) {
    if (set_full_screen_) set_full_screen_(v.b);
    return;
  }
  if (id == lang::SV_DisplayModeIndex) {
    if (screen_ && v.i >= 0 && v.i < screen_->ModeCount()) {
      screen_->set_chosen_mode(v.i);
      if (set_display_mode_) set_display_mode_(v.i);
    }
    return;
  }
  if (!root_) return;
  scene::TVeskBase& base = *root_->ShownBase();
  switch (id) {
    case lang::SV_LClick: base.LClick = v.b; return;
    case lang::SV_RClick: base.RClick = v.b; return;
    case lang::SV_CGDither: {
      // Every picture is decoded again; the whole scene is redrawn with them.
      const components::ComponentServices* services = root_->env().components;
      if (!services || !services->pictures || services->pictures->Dither() == v.b) return;
      services->pictures->SetDither(v.b);
      root_->GetBaseAt(0)->InvalidateAll();
      root_->GetBaseAt(1)->InvalidateAll();
      return;
    }
    case lang::SV_ActiveCompo: {
      // Only a control that can take the focus gets it.
      scene::TVeskControl* c = root_->FindControl(v.s);
      if (c && !c->IsBase() && !c->Paused() && c->GetVisible() && c->HandleKey) root_->SetFocus(c);
      return;
    }
    default: return;
  }
}

}  // namespace vesk::app
