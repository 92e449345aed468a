#pragma once
// Half-width <-> full-width conversion of Shift-JIS text (HanToZen and
// ZenToHan): ASCII and the half-width katakana of JIS X 0201 against their
// JIS X 0208 forms, with the voiced and semi-voiced marks combined.
#include <cstdint>
#include <string>

namespace vesk::expr {

// The full-width Shift-JIS code of a single byte, 0 when it has none
// (control bytes, 0x7F, 0x80, 0xA0, 0xFD-0xFF and lead bytes).
uint16_t FullWidthOf(uint8_t c);

// Every single-byte character becomes its full-width form (those without
// one are dropped); a half-width kana followed by its voiced or semi-voiced
// mark becomes the one combined kana. Double-byte characters pass.
std::string HanToZen(const std::string& s);
// Every double-byte character with a half-width form becomes it (a voiced
// kana becomes the kana and its mark); the others are dropped. Single bytes
// pass.
std::string ZenToHan(const std::string& s);

}  // namespace vesk::expr
