#include "expr/param_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vesk::expr {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<int32_t> ParseInt(const std::string& s) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  int base = 10;
  if (i < s.size() && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) {
    base = 16;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i == s.size()) return std::nullopt;
  int64_t v = 0;
  for (; i < s.size(); ++i) {
    const int d = base == 16 ? HexDigit(s[i]) : (s[i] >= '0' && s[i] <= '9' ? s[i] - '0' : -1);
    if (d < 0) return std::nullopt;
    v = v * base + d;
    if (v > int64_t{1} << 31) return std::nullopt;
  }
  if (negative) v = -v;
  if (v > INT32_MAX || v < INT32_MIN) return std::nullopt;
  return static_cast<int32_t>(v);
}

std::optional<Real> ParseReal(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && s[b] == ' ') ++b;
  while (e > b && s[e - 1] == ' ') --e;
  size_t i = b;
  if (i < e && (s[i] == '+' || s[i] == '-')) ++i;
  size_t digits = 0;
  while (i < e && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
  if (i < e && s[i] == '.') {
    ++i;
    while (i < e && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) return std::nullopt;
  if (i < e && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < e && (s[i] == '+' || s[i] == '-')) ++i;
    size_t exp_digits = 0;
    while (i < e && s[i] >= '0' && s[i] <= '9') ++i, ++exp_digits;
    if (exp_digits == 0) return std::nullopt;
  }
  if (i != e) return std::nullopt;
  // Validated above, so strtold (C locale: '.' separator) reads all of it.
  const std::string text = s.substr(b, e - b);
  return std::strtold(text.c_str(), nullptr);
}

std::string IntToStr(int32_t v) {
  return std::to_string(v);
}

std::string RealToStr(Real x) {
  if (std::isnan(x)) return "NAN";
  if (std::isinf(x)) return x < 0 ? "-INF" : "INF";
  if (x == 0) return "0";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15Lg", x);
  std::string s = buf;
  // "1e+15" -> "1E15", "1e-05" -> "1E-5".
  const auto e = s.find('e');
  if (e == std::string::npos) return s;
  std::string mantissa = s.substr(0, e);
  std::string exp = s.substr(e + 1);
  std::string sign;
  if (!exp.empty() && (exp[0] == '+' || exp[0] == '-')) {
    if (exp[0] == '-') sign = "-";
    exp.erase(0, 1);
  }
  exp.erase(0, std::min(exp.find_first_not_of('0'), exp.size() - 1));
  return mantissa + "E" + sign + exp;
}

int32_t RealToInt(Real x) {
  if (std::isnan(x) || x >= 9223372036854775808.0L || x <= -9223372036854775809.0L) return 0;
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<int64_t>(x)));
}

}  // namespace vesk::expr
