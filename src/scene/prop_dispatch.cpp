#include "scene/prop_dispatch.h"

#include "core/messages.h"
#include "core/vesk_error.h"
#include "lang/properties.h"
#include "lang/vocabulary.h"
#include "scene/vesk_object.h"

namespace vesk::scene {

using namespace vesk::lang;  // PR_ ids and the property table

void GetProp(expr::TCustomParam& dest, const TVeskObject& object, int32_t id) {
  const int p = id & 0xFF;
  if (p >= kPropertyCount) throw EVeskError(MessageCp932(Msg::kGetPropError));
  switch (Property(p).type) {
    case PropType::kStr:
      dest.SetStr(object.GetStr(p));
      break;
    case PropType::kInt:
      dest.SetInt(object.GetInt(p));
      break;
    case PropType::kFlag:
      dest.SetFlag(object.GetFlag(p));
      break;
    case PropType::kReal:
      dest.SetFloat(object.GetReal(p));
      break;
  }
}

void SetProp(TVeskObject& object, int32_t id, const expr::TCustomParam& value) {
  const int p = id & 0xFF;
  if (p >= kPropertyCount || p == lang::PR_APPEARX || p == lang::PR_APPEARY)
    throw EVeskError(MessageCp932(Msg::kSetPropError));
  if (Property(p).read_only) return;
  switch (Property(p).type) {
    case PropType::kStr:
      object.SetStr(p, value.GetStr());
      break;
    case PropType::kInt:
      object.SetInt(p, value.GetInt());
      break;
    case PropType::kFlag:
      object.SetFlag(p, value.GetFlag());
      break;
    case PropType::kReal:
      object.SetReal(p, value.GetFloat());
      break;
  }
}

}  // namespace vesk::scene
