#pragma once
// Code page 932 (Shift-JIS as Windows has it) <-> UTF-8, for the platform
// boundary: titles, file names on disk, message boxes, JSON output.
#include <string>
#include <string_view>

namespace vesk::platform {

// Bytes that do not convert become '?' (CP932 -> UTF-8 gives U+FFFD).
std::string Cp932ToUtf8(std::string_view cp932);
std::string Utf8ToCp932(std::string_view utf8);
// Characters without a CP932 form are left out (typed text: a character the
// engine cannot hold is not entered at all).
std::string Utf8ToCp932Dropping(std::string_view utf8);
// True when every character of utf8 has a CP932 form.
bool IsCp932Representable(std::string_view utf8);

}  // namespace vesk::platform
