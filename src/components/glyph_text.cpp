#include "components/glyph_text.h"

#include "core/sjis.h"

namespace vesk::components {

const std::string kProportionalGothicFace =
    "\x82\x6c\x82\x72\x20\x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e";

size_t CharLength(std::string_view text, size_t pos) {
  if (pos >= text.size()) return 0;
  return IsSjisLeadByte(static_cast<uint8_t>(text[pos])) && pos + 1 < text.size() ? 2 : 1;
}

uint16_t CharCode(std::string_view text, size_t pos) {
  const auto lead = static_cast<uint8_t>(text[pos]);
  if (CharLength(text, pos) == 1) return lead;
  return static_cast<uint16_t>(lead << 8 | static_cast<uint8_t>(text[pos + 1]));
}

std::vector<std::string> SplitLines(std::string_view text) {
  // CR and LF are never trail bytes, so a byte scan finds every break.
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.emplace_back(text.substr(start));
      break;
    }
    lines.emplace_back(text.substr(start, end - start));
    start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
  }
  return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string out;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i) out += "\r\n";
    out += lines[i];
  }
  return out;
}

}  // namespace vesk::components
