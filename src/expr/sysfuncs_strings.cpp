// String functions. Byte functions count bytes; the "J" functions count
// characters, a Shift-JIS double-byte character being one. Positions are
// 1-based as scripts write them.
#include <algorithm>
#include <cstdio>

#include "core/sjis.h"
#include "expr/sysfuncs_internal.h"
#include "expr/width_conversion.h"
#include "lang/vocabulary.h"

namespace vesk::expr::sysfuncs {
namespace {

using namespace lang;

// The clipped-substring rule shared by Copy and JCopy, over `length` units:
// a start below 1 eats into the count, a start past the end gives nothing,
// the count stops at the end. Returns the 0-based start and the count.
std::pair<int64_t, int64_t> ClipRange(int64_t length, int64_t start, int64_t count) {
  if (start < 1) {
    count -= 1 - start;
    start = 1;
  }
  if (start > length || count <= 0) return {0, 0};
  return {start - 1, std::min(count, length - start + 1)};
}

std::string CopyChars(const std::string& s, int64_t start, int64_t count) {
  const std::vector<size_t> at = CharStarts(s);
  const int64_t chars = static_cast<int64_t>(at.size()) - 1;
  const auto [from, n] = ClipRange(chars, start, count);
  if (n == 0) return {};
  return s.substr(at[static_cast<size_t>(from)],
                  at[static_cast<size_t>(from + n)] - at[static_cast<size_t>(from)]);
}

// Removes `count` units from 1-based `pos`; units are bytes or characters.
std::string DeleteUnits(const std::string& s, int64_t pos, int64_t count, bool chars) {
  std::vector<size_t> at;
  if (chars) {
    at = CharStarts(s);
  } else {
    at.resize(s.size() + 1);
    for (size_t i = 0; i <= s.size(); ++i) at[i] = i;
  }
  const int64_t length = static_cast<int64_t>(at.size()) - 1;
  if (pos < 1 || pos > length || count <= 0) return s;
  count = std::min(count, length - pos + 1);
  const size_t from = at[static_cast<size_t>(pos - 1)],
               to = at[static_cast<size_t>(pos - 1 + count)];
  return s.substr(0, from) + s.substr(to);
}

// Inserts before 1-based `pos`, clamped to the start and to just past the end.
std::string InsertUnits(const std::string& text, const std::string& s, int64_t pos, bool chars) {
  const std::vector<size_t> at = chars ? CharStarts(s) : std::vector<size_t>{};
  const int64_t length =
      chars ? static_cast<int64_t>(at.size()) - 1 : static_cast<int64_t>(s.size());
  pos = std::clamp<int64_t>(pos, 1, length + 1);
  CheckTextSize(static_cast<int64_t>(s.size() + text.size()));
  const size_t byte = chars ? at[static_cast<size_t>(pos - 1)] : static_cast<size_t>(pos - 1);
  return s.substr(0, byte) + text + s.substr(byte);
}

int32_t CompareBytes(const std::string& a, const std::string& b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i)
    if (a[i] != b[i]) return int32_t{static_cast<uint8_t>(a[i])} - static_cast<uint8_t>(b[i]);
  return static_cast<int32_t>(static_cast<int64_t>(a.size()) - static_cast<int64_t>(b.size()));
}

std::string Trim(const std::string& s) {
  size_t begin = 0, end = s.size();
  while (begin < end && static_cast<uint8_t>(s[begin]) <= 0x20) ++begin;
  while (end > begin && static_cast<uint8_t>(s[end - 1]) <= 0x20) --end;
  return s.substr(begin, end - begin);
}

// Trims half-width and full-width spaces. Walks characters from the start
// so that "81 40" is only taken for a space where it really is one.
std::string JTrim(const std::string& s) {
  const std::vector<size_t> at = CharStarts(s);
  auto is_space = [&](size_t k) {
    const size_t len = at[k + 1] - at[k];
    return (len == 1 && s[at[k]] == ' ') || (len == 2 && static_cast<uint8_t>(s[at[k]]) == 0x81 &&
                                             static_cast<uint8_t>(s[at[k] + 1]) == 0x40);
  };
  size_t first = 0, last = at.size() - 1;  // character range [first, last)
  while (first < last && is_space(first)) ++first;
  while (last > first && is_space(last - 1)) --last;
  return s.substr(at[first], at[last] - at[first]);
}

std::string FixStr(const std::string& s) {
  if (s.size() <= 1) return s;
  const std::vector<size_t> at = CharStarts(s);
  const size_t last = at[at.size() - 2];
  const bool cut_lead = last == s.size() - 1 && IsSjisLeadByte(static_cast<uint8_t>(s[last]));
  return cut_lead ? s.substr(0, last) : s;
}

// "%." + digits + "d": at least `digits` digits, zero-padded after the sign.
std::string PadDigits(const std::string& digits, bool negative, int64_t width) {
  if (width > 0) CheckTextSize(width + 1);
  std::string out = negative ? "-" : "";
  if (static_cast<int64_t>(digits.size()) < width)
    out.append(static_cast<size_t>(width) - digits.size(), '0');
  return out + digits;
}

std::string IntToStrWithDigits(int32_t v, const std::string& precision) {
  // The precision is the text of a format, so anything but plain decimal
  // digits makes the format invalid.
  int64_t width = 0;
  bool valid = !precision.empty();
  for (char c : precision) {
    if (c < '0' || c > '9') {
      valid = false;
      break;
    }
    width = std::min<int64_t>(width * 10 + (c - '0'), kMaxTextBytes + 1);
  }
  if (!valid) RaiseExpr(Msg::kInvalidFormatFormat, "%." + precision + "d");
  const int64_t magnitude = v < 0 ? -int64_t{v} : int64_t{v};
  return PadDigits(std::to_string(magnitude), v < 0, width);
}

std::string IntToHex(int32_t v, int32_t digits) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%X", static_cast<uint32_t>(v));
  return PadDigits(buf, false, digits);
}

std::string StringOfChar(const std::string& s, int32_t times) {
  if (times <= 0 || s.empty()) return {};
  CheckTextSize(static_cast<int64_t>(s.size()) * times);
  std::string out;
  out.reserve(s.size() * static_cast<size_t>(times));
  for (int32_t i = 0; i < times; ++i) out += s;
  return out;
}

std::string StringReplace(const std::string& s, const std::string& from, const std::string& to,
                          bool all, bool ignore_case) {
  // ASCII case folding keeps every byte where it was, so positions found
  // in the folded texts are positions in the originals.
  const std::string hay = ignore_case ? UpperAsciiSjis(s) : s;
  const std::string needle = ignore_case ? UpperAsciiSjis(from) : from;
  std::string out;
  size_t done = 0;
  for (size_t at = SjisFind(hay, needle); at != std::string::npos;
       at = SjisFind(hay, needle, done)) {
    CheckTextSize(static_cast<int64_t>(out.size() + (at - done) + to.size()));
    out.append(s, done, at - done);
    out += to;
    done = at + needle.size();
    if (!all) break;
  }
  CheckTextSize(static_cast<int64_t>(out.size() + s.size() - done));
  out.append(s, done, std::string::npos);
  return out;
}

int64_t CountArg(const Call& call, size_t i, int64_t absent) {
  return call.count() > i ? int64_t{call.Int(i)} : absent;
}

}  // namespace

bool CallStringFunction(int id, Call& call) {
  switch (id) {
    case FN_IntToStr:
      if (call.count() < 2)
        call.SetStr(IntToStr(call.Int(0)));
      else
        call.SetStr(IntToStrWithDigits(call.Int(0), call.Str(1)));
      return true;
    case FN_IntToHex:
      call.SetStr(IntToHex(call.Int(0), call.Int(1)));
      return true;
    case FN_Length:
      call.SetInt(static_cast<int32_t>(call.Str(0).size()));
      return true;
    case FN_JLength:
      call.SetInt(static_cast<int32_t>(CharStarts(call.Str(0)).size() - 1));
      return true;
    case FN_Copy: {
      const std::string s = call.Str(0);
      const auto [from, n] = ClipRange(static_cast<int64_t>(s.size()), call.Int(1),
                                       CountArg(call, 2, static_cast<int64_t>(s.size())));
      call.SetStr(s.substr(static_cast<size_t>(from), static_cast<size_t>(n)));
      return true;
    }
    case FN_JCopy: {
      const std::string s = call.Str(0);
      call.SetStr(CopyChars(s, call.Int(1),
                            CountArg(call, 2, static_cast<int64_t>(CharStarts(s).size()) - 1)));
      return true;
    }
    case FN_Delete:
    case FN_JDelete:
      if (TParamVar* a = call.Var(0)) {
        const std::string s = a->GetStr();
        const bool chars = id == FN_JDelete;
        const int64_t length =
            chars ? static_cast<int64_t>(CharStarts(s).size()) - 1 : static_cast<int64_t>(s.size());
        a->SetStr(DeleteUnits(s, call.Int(1), CountArg(call, 2, length), chars));
      }
      return true;
    case FN_Insert:
    case FN_JInsert:
      if (TParamVar* b = call.Var(1))
        b->SetStr(InsertUnits(call.Str(0), b->GetStr(), call.Int(2), id == FN_JInsert));
      return true;
    case FN_CompareStr:
      call.SetInt(CompareBytes(call.Str(0), call.Str(1)));
      return true;
    case FN_CompareText:
      call.SetInt(CompareBytes(UpperAsciiSjis(call.Str(0)), UpperAsciiSjis(call.Str(1))));
      return true;
    case FN_Pos: {
      const std::string needle = call.Str(0), hay = call.Str(1);
      const size_t at = needle.empty() ? std::string::npos : hay.find(needle);
      call.SetInt(at == std::string::npos ? 0 : static_cast<int32_t>(at + 1));
      return true;
    }
    case FN_JPos: {
      const std::string hay = call.Str(1);
      const size_t at = SjisFind(hay, call.Str(0));
      if (at == std::string::npos) {
        call.SetInt(0);
      } else {
        const std::vector<size_t> starts = CharStarts(hay);
        call.SetInt(static_cast<int32_t>(std::lower_bound(starts.begin(), starts.end(), at) -
                                         starts.begin() + 1));
      }
      return true;
    }
    case FN_Trim:
      call.SetStr(Trim(call.Str(0)));
      return true;
    case FN_JTrim:
      call.SetStr(JTrim(call.Str(0)));
      return true;
    case FN_FixStr:
      call.SetStr(FixStr(call.Str(0)));
      return true;
    case FN_LowerCase:
      call.SetStr(LowerAsciiSjis(call.Str(0)));
      return true;
    case FN_UpperCase:
      call.SetStr(UpperAsciiSjis(call.Str(0)));
      return true;
    case FN_StringOfChar:
      call.SetStr(StringOfChar(call.Str(0), call.Int(1)));
      return true;
    case FN_StringReplace:
      call.SetStr(StringReplace(call.Str(0), call.Str(1), call.Str(2), call.Flag(3), call.Flag(4)));
      return true;
    case FN_HanToZen: {
      const std::string s = call.Str(0);
      CheckTextSize(static_cast<int64_t>(s.size()) * 2);
      call.SetStr(HanToZen(s));
      return true;
    }
    case FN_ZenToHan:
      call.SetStr(ZenToHan(call.Str(0)));
      return true;
    case FN_AddDelimiter: {
      // Joins list items: the delimiter goes after a text that already has one.
      const std::string text = call.Str(1);
      call.SetStr(text.empty() ? std::string() : text + call.Str(0));
      return true;
    }
    default:
      return false;
  }
}

}  // namespace vesk::expr::sysfuncs
