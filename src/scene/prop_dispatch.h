#pragma once
// Reading and writing numbered properties: the property commands, the
// GetProp/SetProp system functions and the creation commands all come here.
#include <cstdint>

#include "expr/params.h"

namespace vesk::scene {

class TVeskObject;

// Reads property `id` (low 8 bits) into `dest` with the setter of the
// property's type. An id above 158 raises "GetPropエラー".
void GetProp(expr::TCustomParam& dest, const TVeskObject& object, int32_t id);
// Writes `value`, read with the getter of the property's type. Ids above
// 158 and the particle appear positions raise "SetPropエラー"; read-only ids
// change nothing.
void SetProp(TVeskObject& object, int32_t id, const expr::TCustomParam& value);

}  // namespace vesk::scene
