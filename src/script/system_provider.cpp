#include "script/system_provider.h"

#include "script/callman.h"

namespace vesk::script {

void CallSystemProvider::RegisterWith(expr::SystemRouter& router) {
  router.AddVariables({lang::SV_ParamCount, lang::SV_ParamStr, lang::SV_Sender, lang::SV_Result},
                      this);
}

bool CallSystemProvider::Get(int id, int32_t index, expr::SysValue* out) {
  switch (id) {
    case lang::SV_ParamCount:
      out->i = calls_.ArgCount();
      return true;
    case lang::SV_ParamStr:
      out->s = calls_.Arg(index);
      return true;
    case lang::SV_Sender:
      out->s = calls_.SenderName();
      return true;
    default:
      return false;
  }
}

int32_t CallSystemProvider::ElementCount(int id) {
  return id == lang::SV_ParamStr ? calls_.ArgCount() : 0;
}

expr::TCustomParam* CallSystemProvider::CallResult() {
  return calls_.TopResult();
}

}  // namespace vesk::script
