// The characters translations bring that Shift-JIS cannot hold, mapped to
// the nearest form it can (for "text import --replace").
#include <cstdint>
#include <string>

#include "platform/cp932.h"
#include "vesk-tool/text_command.h"

namespace vesk::tool {
namespace {

struct Replacement {
  uint32_t code;
  const char* with;
};

// Punctuation first, then the Latin-1 letters (their base letter).
constexpr Replacement kReplacements[] = {
    {0x00A0, " "},   {0x2002, " "},   {0x2003, " "},   {0x2009, " "},      {0x202F, " "},
    {0x2010, "-"},   {0x2011, "-"},   {0x2012, "-"},   {0x2013, "-"},      {0x2014, "\u2015"},
    {0x2212, "-"},   {0x2018, "'"},   {0x2019, "'"},   {0x201A, ","},      {0x201B, "'"},
    {0x201C, "\""},  {0x201D, "\""},  {0x201E, "\""},  {0x00AB, "\""},     {0x00BB, "\""},
    {0x2039, "'"},   {0x203A, "'"},   {0x2026, "..."}, {0x2022, "\u30FB"}, {0x00B7, "\u30FB"},
    {0x00A9, "(c)"}, {0x00AE, "(R)"}, {0x2122, "TM"},  {0x00A1, "!"},      {0x00BF, "?"},
    {0x0152, "OE"},  {0x0153, "oe"},  {0x00C6, "AE"},  {0x00E6, "ae"},     {0x00DF, "ss"},
    {0x00D8, "O"},   {0x00F8, "o"},   {0x00D0, "D"},   {0x00F0, "d"},      {0x00DE, "Th"},
    {0x00FE, "th"},
};

// U+00C0..U+00FF: the letter without its accent ('\0': none).
constexpr char kLatin1Base[] =
    "AAAAAAACEEEEIIII"    // C0..CF
    "DNOOOOO\0OUUUUYTs"   // D0..DF
    "aaaaaaaceeeeiiii"    // E0..EF
    "dnooooo\0ouuuuyty";  // F0..FF

uint32_t Decode(const std::string& s, size_t i, size_t* length) {
  const auto b = static_cast<uint8_t>(s[i]);
  size_t n = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : 4;
  if (i + n > s.size()) n = 1;
  uint32_t cp = n == 1 ? b : n == 2 ? b & 0x1F : n == 3 ? b & 0x0F : b & 0x07;
  for (size_t k = 1; k < n; ++k) cp = cp << 6 | (static_cast<uint8_t>(s[i + k]) & 0x3F);
  *length = n;
  return cp;
}

const char* ReplacementFor(uint32_t cp, char* buf) {
  for (const Replacement& r : kReplacements)
    if (r.code == cp) return r.with;
  if (cp >= 0xC0 && cp <= 0xFF && kLatin1Base[cp - 0xC0] != '\0') {
    buf[0] = kLatin1Base[cp - 0xC0];
    buf[1] = '\0';
    return buf;
  }
  return nullptr;
}

}  // namespace

std::string ReplaceForShiftJis(const std::string& utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    size_t n = 1;
    const uint32_t cp = Decode(utf8, i, &n);
    const std::string one = utf8.substr(i, n);
    char buf[2];
    const char* with = cp >= 0x80 ? ReplacementFor(cp, buf) : nullptr;
    out += with && !platform::IsCp932Representable(one) ? std::string(with) : one;
    i += n;
  }
  return out;
}

}  // namespace vesk::tool
