#include "expr/width_conversion.h"

#include <array>
#include <unordered_map>

#include "core/sjis.h"

namespace vesk::expr {
namespace {

constexpr uint8_t kVoicedMark = 0xDE;
constexpr uint8_t kSemiVoicedMark = 0xDF;

// 0x20-0x7E. Letters and digits run in blocks; the symbols are listed one
// by one because JIS X 0208 orders them differently.
constexpr std::array<uint16_t, 0x5F> kAscii = {
    0x8140, 0x8149, 0x8168, 0x8194, 0x8190, 0x8193, 0x8195, 0x8166,  // 20-27  !"#$%&'
    0x8169, 0x816A, 0x8196, 0x817B, 0x8143, 0x817C, 0x8144, 0x815E,  // 28-2F ()*+,-./
    0x824F, 0x8250, 0x8251, 0x8252, 0x8253, 0x8254, 0x8255, 0x8256,  // 30-37
    0x8257, 0x8258, 0x8146, 0x8147, 0x8183, 0x8181, 0x8184, 0x8148,  // 38-3F 89:;<=>?
    0x8197, 0x8260, 0x8261, 0x8262, 0x8263, 0x8264, 0x8265, 0x8266,  // 40-47 @A-G
    0x8267, 0x8268, 0x8269, 0x826A, 0x826B, 0x826C, 0x826D, 0x826E,  // 48-4F
    0x826F, 0x8270, 0x8271, 0x8272, 0x8273, 0x8274, 0x8275, 0x8276,  // 50-57
    0x8277, 0x8278, 0x8279, 0x816D, 0x818F, 0x816E, 0x814F, 0x8151,  // 58-5F XYZ[\]^_
    0x8165, 0x8281, 0x8282, 0x8283, 0x8284, 0x8285, 0x8286, 0x8287,  // 60-67 `a-g
    0x8288, 0x8289, 0x828A, 0x828B, 0x828C, 0x828D, 0x828E, 0x828F,  // 68-6F
    0x8290, 0x8291, 0x8292, 0x8293, 0x8294, 0x8295, 0x8296, 0x8297,  // 70-77
    0x8298, 0x8299, 0x829A, 0x816F, 0x8162, 0x8170, 0x8160,          // 78-7E xyz{|}~
};

// 0xA1-0xDF: half-width punctuation and katakana, JIS X 0201 order.
constexpr std::array<uint16_t, 0x3F> kKana = {
    0x8142, 0x8175, 0x8176, 0x8141, 0x8145, 0x8392, 0x8340,          // A1-A7 。「」、・ヲァ
    0x8342, 0x8344, 0x8346, 0x8348, 0x8383, 0x8385, 0x8387, 0x8362,  // A8-AF ィゥェォャュョッ
    0x815B, 0x8341, 0x8343, 0x8345, 0x8347, 0x8349, 0x834A, 0x834C,  // B0-B7 ーアイウエオカキ
    0x834E, 0x8350, 0x8352, 0x8354, 0x8356, 0x8358, 0x835A, 0x835C,  // B8-BF クケコサシスセソ
    0x835E, 0x8360, 0x8363, 0x8365, 0x8367, 0x8369, 0x836A, 0x836B,  // C0-C7 タチツテトナニヌ
    0x836C, 0x836D, 0x836E, 0x8371, 0x8374, 0x8377, 0x837A, 0x837D,  // C8-CF ネノハヒフヘホマ
    0x837E, 0x8380, 0x8381, 0x8382, 0x8384, 0x8386, 0x8388, 0x8389,  // D0-D7 ミムメモヤユヨラ
    0x838A, 0x838B, 0x838C, 0x838D, 0x838F, 0x8393, 0x814A, 0x814B,  // D8-DF リルレロワン゛゜
};

// Kana that take the voiced mark: カ-ト (the ウ of ヴ is left out on
// purpose: that combination stays two characters) and ハ-ホ, which also
// take the semi-voiced mark. Their combined forms follow them in JIS X 0208.
constexpr bool TakesVoicedMark(uint8_t c) {
  return (c >= 0xB6 && c <= 0xC4) || (c >= 0xCA && c <= 0xCE);
}
constexpr bool TakesSemiVoicedMark(uint8_t c) {
  return c >= 0xCA && c <= 0xCE;
}

void AppendCode(std::string& out, uint16_t code) {
  out += static_cast<char>(code >> 8);
  out += static_cast<char>(code & 0xFF);
}

const std::unordered_map<uint16_t, std::string>& HalfWidthForms() {
  static const auto table = [] {
    std::unordered_map<uint16_t, std::string> t;
    for (int c = 0x20; c <= 0x7E; ++c)
      t[FullWidthOf(static_cast<uint8_t>(c))] = std::string(1, static_cast<char>(c));
    for (int c = 0xA1; c <= 0xDF; ++c) {
      const auto b = static_cast<uint8_t>(c);
      const uint16_t full = FullWidthOf(b);
      t[full] = std::string(1, static_cast<char>(b));
      if (TakesVoicedMark(b)) t[full + 1] = {static_cast<char>(b), static_cast<char>(kVoicedMark)};
      if (TakesSemiVoicedMark(b))
        t[full + 2] = {static_cast<char>(b), static_cast<char>(kSemiVoicedMark)};
    }
    t[0x8167] = "\"";  // the opening double quote as well as the closing one
    return t;
  }();
  return table;
}

}  // namespace

uint16_t FullWidthOf(uint8_t c) {
  if (c >= 0x20 && c <= 0x7E) return kAscii[c - 0x20];
  if (c >= 0xA1 && c <= 0xDF) return kKana[c - 0xA1];
  return 0;
}

std::string HanToZen(const std::string& s) {
  std::string out;
  out.reserve(s.size() * 2);
  for (size_t i = 0; i < s.size();) {
    const auto c = static_cast<uint8_t>(s[i]);
    if (IsSjisLeadByte(c)) {
      const size_t len = i + 1 < s.size() ? 2 : 1;
      out.append(s, i, len);
      i += len;
      continue;
    }
    const uint16_t full = FullWidthOf(c);
    const uint8_t next = i + 1 < s.size() ? static_cast<uint8_t>(s[i + 1]) : 0;
    if (full == 0) {
      ++i;
    } else if (next == kVoicedMark && TakesVoicedMark(c)) {
      AppendCode(out, full + 1);
      i += 2;
    } else if (next == kSemiVoicedMark && TakesSemiVoicedMark(c)) {
      AppendCode(out, full + 2);
      i += 2;
    } else {
      AppendCode(out, full);
      ++i;
    }
  }
  return out;
}

std::string ZenToHan(const std::string& s) {
  const auto& forms = HalfWidthForms();
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    const auto c = static_cast<uint8_t>(s[i]);
    if (!IsSjisLeadByte(c)) {
      out += static_cast<char>(c);
      ++i;
    } else if (i + 1 < s.size()) {
      const auto code = static_cast<uint16_t>(c << 8 | static_cast<uint8_t>(s[i + 1]));
      if (auto it = forms.find(code); it != forms.end()) out += it->second;
      i += 2;
    } else {
      ++i;  // a lead byte cut off at the end has no half-width form either
    }
  }
  return out;
}

}  // namespace vesk::expr
