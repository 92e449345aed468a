#pragma once
// Stored records written by hand, byte by byte, so that the tests check the
// readers against the layout itself rather than against our own writer.
#include <cstdint>
#include <string>
#include <vector>

namespace vesk::test_support {

struct RecordBytes {
  std::vector<uint8_t> b;

  RecordBytes& I32(int32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(uint32_t(v) >> (8 * i)));
    return *this;
  }
  RecordBytes& U8(uint8_t v) {
    b.push_back(v);
    return *this;
  }
  // A 32-bit byte count, then the bytes.
  RecordBytes& Str(const std::string& s) {
    I32(static_cast<int32_t>(s.size()));
    b.insert(b.end(), s.begin(), s.end());
    return *this;
  }

  // Stored expressions: "____arg = value", one assignment with one operand
  // of type 1 (integer) or 4 (string); an expression without operations.
  RecordBytes& IntExpr(int32_t value) {
    return I32(1).U8(1).Str("____arg").I32(1).U8(1).I32(value);
  }
  RecordBytes& StrExpr(const std::string& value) {
    return I32(1).U8(1).Str("____arg").I32(1).U8(4).Str(value);
  }
  RecordBytes& NoExpr() { return I32(0); }

  // The header every command record starts with.
  RecordBytes& Header(int32_t indent, uint8_t disabled, uint8_t run_on, int32_t line) {
    return I32(indent).U8(disabled).U8(run_on).I32(line);
  }
  RecordBytes& Header(int32_t line) { return Header(0, 0, 0, line); }
};

}  // namespace vesk::test_support
