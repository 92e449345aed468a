#pragma once
// Shift-JIS byte-string helpers shared by every subsystem.
#include <cstdint>

namespace vesk {

// Lead bytes of a double-byte character: 0x81..0x9F and 0xE0..0xFC.
constexpr bool IsSjisLeadByte(uint8_t b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

}  // namespace vesk
