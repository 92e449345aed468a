#include "components/system_provider.h"

#include "components/message_history.h"
#include "components/orlo_collection.h"
#include "scene/baselist.h"

namespace vesk::components {

void PictureSystemProvider::RegisterWith(expr::SystemRouter& router) {
  router.AddVariables({lang::SV_CGDither}, this);
}

bool PictureSystemProvider::Get(int id, int32_t, expr::SysValue* out) {
  if (id != lang::SV_CGDither) return false;
  out->b = pictures_ && pictures_->Dither();
  return true;
}

void PictureSystemProvider::Set(int id, const expr::SysValue& v) {
  if (id != lang::SV_CGDither || !pictures_ || pictures_->Dither() == v.b) return;
  // Every picture is decoded again; the whole scene is redrawn with them.
  pictures_->SetDither(v.b);
  root_.GetBaseAt(0)->InvalidateAll();
  root_.GetBaseAt(1)->InvalidateAll();
}

void HistorySystemProvider::RegisterWith(expr::SystemRouter& router) {
  router.AddVariables({lang::SV_HistoryCount, lang::SV_HistoryMaxCount}, this);
}

bool HistorySystemProvider::Get(int id, int32_t, expr::SysValue* out) {
  if (id == lang::SV_HistoryCount) {
    out->i = history_.Count();
    return true;
  }
  if (id == lang::SV_HistoryMaxCount) {
    out->i = history_.MaxCount;
    return true;
  }
  return false;
}

// @HistoryCount is read-only; the maximum applies from the next entry on.
void HistorySystemProvider::Set(int id, const expr::SysValue& v) {
  if (id == lang::SV_HistoryMaxCount) history_.MaxCount = v.i;
}

}  // namespace vesk::components
