#pragma once
// How values turn into text and back: the integer and real parses, the
// general real format, and the 10-byte extended real of stored data.
#include <cstdint>
#include <optional>
#include <string>

#include "core/extended_real.h"

namespace vesk::expr {

// Reals are x87 extended precision (core/extended_real.h).
using vesk::Real;

// Optional blanks, optional sign, decimal digits or hex introduced by "$",
// "x", "X", "0x" or "0X"; nothing may follow; must fit in signed 32 bits.
std::optional<int32_t> ParseInt(const std::string& s);
// Optional blanks around, optional sign, digits with an optional "." and
// fraction, optional exponent.
std::optional<Real> ParseReal(const std::string& s);

std::string IntToStr(int32_t v);
// General format: 15 significant digits, no trailing zeros, plain notation
// for decimal exponents -4..14, otherwise mantissa "E" exponent (1E-5, 1E15).
std::string RealToStr(Real x);
// Truncated toward zero, low 32 bits; 0 for NaN and values beyond 64 bits.
int32_t RealToInt(Real x);

}  // namespace vesk::expr
