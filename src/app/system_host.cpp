#include "app/system_host.h"

#include "expr/system_variables.h"
#include "script/callman.h"

namespace vesk::app {

bool ShellSystemHost::Get(int id, int32_t index, expr::SysValue* out) {
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
    default: return false;
  }
}

int32_t ShellSystemHost::ElementCount(int id) {
  return id == expr::kSysParamStr && calls() ? calls()->ArgCount() : 0;
}

expr::TCustomParam* ShellSystemHost::CallResult() { return calls() ? calls()->TopResult() : nullptr; }

}  // namespace vesk::app
