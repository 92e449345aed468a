#include "script/system_provider.h"

#include "script/callman.h"
#include "script/save_data.h"

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

void SaveSystemProvider::RegisterWith(expr::SystemRouter& router) {
  router.AddFunctions({lang::FN_GetSaveCaption, lang::FN_ListSaveCaption}, this);
}

bool SaveSystemProvider::CallFunction(int id, expr::TParamCollectionItem& dest,
                                      expr::Operands& ops) {
  static expr::TParamInt nowhere;  // a destination without a value takes nothing
  expr::TCustomParam& out = dest.Value ? *dest.Value : nowhere;
  auto arg = [&](size_t i) { return i < ops.size() ? ops[i].get() : nullptr; };
  // Lists go only into variables, never into a constant of the expression.
  auto var = [&](size_t i) -> expr::TCustomParam* {
    expr::TCustomParam* p = arg(i);
    return p && p->AsVar() ? p : nullptr;
  };
  if (id == lang::FN_GetSaveCaption) {
    out.SetStr(saves_.CaptionOf(arg(0) ? arg(0)->GetInt() : 0));
    return true;
  }
  if (id != lang::FN_ListSaveCaption) return false;
  const auto& captions = saves_.captions();
  const auto n = static_cast<int32_t>(captions.size());
  // No saved game makes the dimensioning fail, as an array of none would.
  if (expr::TCustomParam* a = var(0)) {
    a->SetDims({n});
    for (int32_t i = 0; i < n; ++i) a->SetStrAt(i, captions[static_cast<size_t>(i)].first);
  }
  if (expr::TCustomParam* b = var(1)) {
    b->SetDims({n});
    for (int32_t i = 0; i < n; ++i) b->SetIntAt(i, captions[static_cast<size_t>(i)].second);
  }
  out.SetInt(n);
  return true;
}

}  // namespace vesk::script
