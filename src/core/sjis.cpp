#include "core/sjis.h"

namespace vesk {
namespace {

template <typename Map>
std::string MapBytes(std::string_view s, Map map) {
  std::string out(s);
  for (char& c : out) c = map(c);
  return out;
}

// Single-byte characters mapped; the pairs copied as they are.
template <typename Map>
std::string MapSjis(std::string_view s, Map map) {
  std::string out(s);
  for (size_t i = 0; i < out.size(); ++i) {
    if (IsSjisLeadByte(static_cast<uint8_t>(out[i])))
      ++i;
    else
      out[i] = map(out[i]);
  }
  return out;
}

}  // namespace

std::string LowerAsciiBytes(std::string_view s) {
  return MapBytes(s, LowerAsciiByte);
}
std::string UpperAsciiBytes(std::string_view s) {
  return MapBytes(s, UpperAsciiByte);
}
std::string LowerAsciiSjis(std::string_view s) {
  return MapSjis(s, LowerAsciiByte);
}
std::string UpperAsciiSjis(std::string_view s) {
  return MapSjis(s, UpperAsciiByte);
}

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (LowerAsciiByte(a[i]) != LowerAsciiByte(b[i])) return false;
  return true;
}

bool EndsWithIgnoreAsciiCase(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() &&
         EqualsIgnoreAsciiCase(s.substr(s.size() - suffix.size()), suffix);
}

std::string_view ExtensionByBytes(std::string_view name, std::string_view separators) {
  const size_t dot = name.find_last_of('.');
  const size_t sep = name.find_last_of(separators);
  if (dot == std::string_view::npos || (sep != std::string_view::npos && dot < sep)) return {};
  return name.substr(dot);
}

size_t SjisFindLastOf(std::string_view s, std::string_view bytes) {
  size_t last = std::string_view::npos;
  for (size_t i = 0; i < s.size(); ++i) {
    if (IsSjisLeadByte(static_cast<uint8_t>(s[i]))) {
      ++i;
      continue;
    }
    if (bytes.find(s[i]) != std::string_view::npos) last = i;
  }
  return last;
}

size_t SjisFind(std::string_view hay, std::string_view needle, size_t from) {
  if (needle.empty()) return std::string_view::npos;
  for (size_t i = from; i + needle.size() <= hay.size();) {
    if (hay.compare(i, needle.size(), needle) == 0) return i;
    i += IsSjisLeadByte(static_cast<uint8_t>(hay[i])) ? 2 : 1;
  }
  return std::string_view::npos;
}

}  // namespace vesk
