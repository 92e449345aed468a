#pragma once
// Positions and offsets are 32-bit values that scripts and saved games set
// freely; sums of them wrap in 32 bits (as they always did) instead of being
// undefined. Compute in 64 bits and wrap the result with this.
#include <cstdint>

namespace vesk {

constexpr int32_t Wrap32(int64_t v) {
  return static_cast<int32_t>(static_cast<uint32_t>(v));
}

}  // namespace vesk
