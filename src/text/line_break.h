#pragma once
// Where rows of single-byte text may break. kChars is the layout every game
// was made with; kWords lets translated text wrap at spaces and hyphens.
#include <cstdint>

namespace vesk::text {

enum class LineBreak : uint8_t { kChars, kWords };

}  // namespace vesk::text
