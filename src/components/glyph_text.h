#pragma once
// What the text kinds (labels, picture labels, text boxes) share about
// their CP932 text: characters (a lead byte and its trail byte are one),
// the lines of a text as a string list keeps them, and the face they draw
// with when none is given.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vesk::components {

// "ＭＳ Ｐゴシック" in CP932: labels and text boxes start with it.
extern const std::string kProportionalGothicFace;

// Byte length of the character at `pos` (2 for a lead byte with a byte
// after it, else 1; 0 at the end).
size_t CharLength(std::string_view text, size_t pos);
// The character at `pos` as the glyph cache names it: a single byte, or
// lead * 256 + trail.
uint16_t CharCode(std::string_view text, size_t pos);

// The lines of a text as a string list takes them: a line ends at CR LF,
// CR or LF, and a break at the very end starts no further line ("" has no
// lines, "a\r\n" one, "\r\n" one empty line).
std::vector<std::string> SplitLines(std::string_view text);
// The lines joined with CR LF, without one after the last.
std::string JoinLines(const std::vector<std::string>& lines);

}  // namespace vesk::components
