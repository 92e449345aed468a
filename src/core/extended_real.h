#pragma once
// Reals of the stored forms: x87 extended precision, kept in memory as long
// double (the x86-64 long double is that format) and stored as 10 bytes.
#include <cstdint>
#include <cstring>

namespace vesk {

using Real = long double;

// The stored 10-byte form: 64-bit significand (explicit integer bit), then
// sign and 15-bit biased exponent, little-endian.
inline void StoreExtended(Real x, uint8_t out[10]) {
  static_assert(sizeof(Real) >= 10, "long double must be the x87 extended format");
  uint8_t raw[sizeof(Real)] = {};
  std::memcpy(raw, &x, sizeof(Real));
  std::memcpy(out, raw, 10);
}

inline Real LoadExtended(const uint8_t in[10]) {
  uint8_t raw[sizeof(Real)] = {};
  std::memcpy(raw, in, 10);
  Real x;
  std::memcpy(&x, raw, sizeof(Real));
  return x;
}

}  // namespace vesk
