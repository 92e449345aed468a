#include "app/system_host.h"

#include "lang/vocabulary.h"

namespace vesk::app {

using namespace vesk::lang;

void ShellSystemProvider::RegisterWith(expr::SystemRouter& router) {
  router.AddVariables({SV_TickCount, SV_UpdateCount, SV_ScrWidth, SV_ScrHeight, SV_Title,
                       SV_FullScr, SV_DisplayModeCount, SV_DisplayModeIndex},
                      this);
  // A real scene root answers these itself; a scene port that is not one
  // (a test double, the logo) still reports its clicks.
  router.AddVariables({SV_LClick, SV_KeyClick}, this, expr::SystemRouter::Rank::kFallback);
  router.AddFunctions({FN_GetDisplayMode}, this);
}

bool ShellSystemProvider::Get(int id, int32_t index, expr::SysValue* out) {
  switch (id) {
    case SV_TickCount:
      out->i = ctx_.game_clock_ms;
      return true;
    case SV_UpdateCount:
      out->i = ctx_.frame_counter;
      return true;
    case SV_ScrWidth:
      out->i = scenario_ ? scenario_->info().screen_width : 0;
      return true;
    case SV_ScrHeight:
      out->i = scenario_ ? scenario_->info().screen_height : 0;
      return true;
    case SV_Title:
      out->s = scenario_ ? scenario_->info().title : std::string();
      return true;
    case SV_LClick:
      out->b = scene_ && scene_->LeftClicked();
      return true;
    case SV_KeyClick:
      out->b = scene_ && index < 256 && scene_->KeyClicked(index);
      return true;
    case SV_FullScr:
      out->b = screen_ && screen_->full_screen();
      return true;
    case SV_DisplayModeCount:
      out->i = screen_ ? screen_->ModeCount() : 0;
      return true;
    case SV_DisplayModeIndex:
      out->i = screen_ ? screen_->chosen_mode() : -1;
      return true;
    default:
      return false;
  }
}

void ShellSystemProvider::Set(int id, const expr::SysValue& v) {
  if (id == SV_FullScr) {
    if (set_full_screen_) set_full_screen_(v.b);
    return;
  }
  if (id == SV_DisplayModeIndex && screen_ && v.i >= 0 && v.i < screen_->ModeCount()) {
    screen_->set_chosen_mode(v.i);
    if (set_display_mode_) set_display_mode_(v.i);
  }
}

// GetDisplayMode(index, var width, var height, var bits, var refresh)
bool ShellSystemProvider::CallFunction(int id, expr::TParamCollectionItem& dest,
                                       expr::Operands& operands) {
  if (id != FN_GetDisplayMode) return false;
  platform::DisplayMode mode;
  const bool found =
      screen_ && operands.size() >= 5 && screen_->GetMode(operands[0]->GetInt(), &mode);
  if (found) {
    const int32_t values[] = {mode.width_px, mode.height_px, mode.bits_per_pixel, mode.refresh_hz};
    for (size_t i = 0; i < 4; ++i) operands[i + 1]->SetInt(values[i]);
  }
  if (dest.Value) dest.Value->SetFlag(found);
  return true;
}

}  // namespace vesk::app
