#pragma once
// Byte-string helpers shared by every subsystem: game names, script text and
// stored strings are Shift-JIS, where the second byte of a double-byte
// character may be any of '@'..'~' (ASCII letters and '\' among them).
//
// Two families, named for what they do to those trail bytes:
// - ...Sjis walks characters: a lead byte and the byte after it are one
//   character and are never changed or matched on their own. A lead byte
//   at the very end stands alone.
// - ...Bytes / ...IgnoreAsciiCase look at every byte by itself, so a trail
//   byte in 'A'..'Z' counts as a letter. Right for ASCII-only text (command
//   words, option names, extensions); on Shift-JIS names two different
//   characters may compare equal.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vesk {

// Lead bytes of a double-byte character: 0x81..0x9F and 0xE0..0xFC.
constexpr bool IsSjisLeadByte(uint8_t b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

constexpr char LowerAsciiByte(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
constexpr char UpperAsciiByte(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Every byte in 'A'..'Z' (resp. 'a'..'z') changed, trail bytes included.
std::string LowerAsciiBytes(std::string_view s);
std::string UpperAsciiBytes(std::string_view s);

// ASCII letters changed; both bytes of a double-byte character kept.
std::string LowerAsciiSjis(std::string_view s);
std::string UpperAsciiSjis(std::string_view s);

// Byte by byte, 'A'..'Z' equal to 'a'..'z'.
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);
bool EndsWithIgnoreAsciiCase(std::string_view s, std::string_view suffix);

// From the last '.' of the last path element to the end ("" without one),
// found byte by byte: a separator byte that is the trail byte of a
// double-byte character still ends an element.
std::string_view ExtensionByBytes(std::string_view name, std::string_view separators);

// Offset of the last character of `s` that is a single byte found in
// `bytes` (never half of a double-byte character), or npos.
size_t SjisFindLastOf(std::string_view s, std::string_view bytes);

// Offset of the first occurrence of `needle` that starts on a character
// boundary at or after `from`, or npos (also for an empty needle).
size_t SjisFind(std::string_view hay, std::string_view needle, size_t from = 0);

}  // namespace vesk
