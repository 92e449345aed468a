#include "app/system_host.h"

#include "expr/system_variables.h"
#include "components/component_services.h"
#include "components/orlo_collection.h"
#include "scene/baselist.h"
#include "script/callman.h"
#include "script/vocabulary.h"

namespace vesk::app {

bool ShellSystemHost::Get(int id, int32_t index, expr::SysValue* out) {
  if (root_ && GetSceneValue(id, index, out)) return true;
  switch (id) {
    case expr::kSysTickCount: out->i = ctx_.game_clock_ms; return true;
    case expr::kSysUpdateCount: out->i = ctx_.frame_counter; return true;
    case expr::kSysScrWidth: out->i = scenario_ ? scenario_->info().screen_width : 0; return true;
    case expr::kSysScrHeight: out->i = scenario_ ? scenario_->info().screen_height : 0; return true;
    case expr::kSysTitle: out->s = scenario_ ? scenario_->info().title : std::string(); return true;
    case expr::kSysLClick: out->b = scene_ && scene_->LeftClicked(); return true;
    case expr::kSysKeyClick: out->b = scene_ && index < 256 && scene_->KeyClicked(index); return true;
    case expr::kSysParamCount: out->i = calls() ? calls()->ArgCount() : 0; return true;
    case expr::kSysParamStr: out->s = calls() ? calls()->Arg(index) : std::string(); return true;
    case expr::kSysSender: out->s = calls() ? calls()->SenderName() : std::string(); return true;
    case expr::kSysFullScr: out->b = screen_ && screen_->full_screen(); return true;
    case expr::kSysDisplayModeCount: out->i = screen_ ? screen_->ModeCount() : 0; return true;
    case expr::kSysDisplayModeIndex: out->i = screen_ ? screen_->chosen_mode() : -1; return true;
    default: return false;
  }
}

int32_t ShellSystemHost::ElementCount(int id) {
  return id == expr::kSysParamStr && calls() ? calls()->ArgCount() : 0;
}

expr::TCustomParam* ShellSystemHost::CallResult() { return calls() ? calls()->TopResult() : nullptr; }

// The input pulses, buttons, keys and focus the scene root keeps.
bool ShellSystemHost::GetSceneValue(int id, int32_t index, expr::SysValue* out) {
  scene::TVeskBase& base = *root_->ShownBase();
  switch (id) {
    case expr::kSysLClick: out->b = base.LClick != 0; return true;
    case expr::kSysRClick: out->b = base.RClick != 0; return true;
    case expr::kSysLPush: out->b = base.LeftHeld && !(base.Capture & scene::TVeskBase::kCaptureLeft); return true;
    case expr::kSysRPush: out->b = base.RightHeld && !(base.Capture & scene::TVeskBase::kCaptureRight); return true;
    case expr::kSysMouseX: out->i = base.MouseX; return true;
    case expr::kSysMouseY: out->i = base.MouseY; return true;
    case expr::kSysWheelDown: out->b = base.WheelDown != 0; return true;
    case expr::kSysWheelUp: out->b = base.WheelUp != 0; return true;
    case expr::kSysKeyPush:
    case expr::kSysKeyClick:
    case expr::kSysKeyRepeat:
      if (index == 256) out->b = base.WheelDown != 0;
      else if (index == 257) out->b = base.WheelUp != 0;
      else if (id == expr::kSysKeyPush) out->b = root_->KeyHeld(index);
      else if (id == expr::kSysKeyClick) out->b = root_->KeyPressed(index);
      else out->b = root_->KeyRepeated(index);
      return true;
    case expr::kSysActiveCompo: out->s = root_->Focus() ? root_->Focus()->Name : std::string(); return true;
    case expr::kSysCgDither: {
      const components::ComponentServices* services = root_->env().components;
      out->b = services && services->pictures && services->pictures->Dither();
      return true;
    }
    default: return false;
  }
}

void ShellSystemHost::Set(int id, const expr::SysValue& v) {
  if (id == expr::kSysFullScr) {
    if (set_full_screen_) set_full_screen_(v.b);
    return;
  }
  if (id == expr::kSysDisplayModeIndex) {
    if (screen_ && v.i >= 0 && v.i < screen_->ModeCount()) {
      screen_->set_chosen_mode(v.i);
      if (set_display_mode_) set_display_mode_(v.i);
    }
    return;
  }
  if (!root_) return;
  scene::TVeskBase& base = *root_->ShownBase();
  switch (id) {
    case expr::kSysLClick: base.LClick = v.b; return;
    case expr::kSysRClick: base.RClick = v.b; return;
    case expr::kSysCgDither: {
      // Every picture is decoded again; the whole scene is redrawn with them.
      const components::ComponentServices* services = root_->env().components;
      if (!services || !services->pictures || services->pictures->Dither() == v.b) return;
      services->pictures->SetDither(v.b);
      root_->GetBaseAt(0)->InvalidateAll();
      root_->GetBaseAt(1)->InvalidateAll();
      return;
    }
    case expr::kSysActiveCompo: {
      // Only a control that can take the focus gets it.
      scene::TVeskControl* c = root_->FindControl(v.s);
      if (c && !c->IsBase() && !c->Paused() && c->GetVisible() && c->HandleKey) root_->SetFocus(c);
      return;
    }
    default: return;
  }
}

}  // namespace vesk::app
