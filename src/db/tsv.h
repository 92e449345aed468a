#pragma once
// Tab-separated table text: the line and column splitting TDBTable's
// LoadFromStrings reads with, and the escapes of its data lines.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vesk::db {

// Lines split at CR, LF or CR LF; a final line break adds no empty line.
std::vector<std::string> SplitTextLines(std::string_view text);

// Columns at tab characters, never at the byte after a Shift-JIS lead byte.
// Two adjacent tabs give an empty column; the text after the last tab is a
// column only when it is not empty. The views point into `line`.
void SplitTabs(std::string_view line, std::vector<std::string_view>& columns);

// "\n" becomes CR LF, "\"" a double quote, "\\" one backslash; any other
// backslash stays, and a double-byte character is never part of an escape.
void DecodeEscapes(std::string_view line, std::string& out);

}  // namespace vesk::db
