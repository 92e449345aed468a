#pragma once
// "vesk-tool glyphs": the glyph streams of a page's TextIns commands, one
// glyph a line, for looking into compiled message text.
#include <cstdint>
#include <string>
#include <vector>

namespace vesk::tool {

std::string GlyphsUsage();

// "glyphs FILE.lsb": 0 when every stream was read whole, 1 when the page or
// a stream is damaged (what could be read is still printed), 2 for a bad
// command line.
int RunGlyphsCommand(const std::vector<std::string>& args);

// One stream described (UTF-8 lines, each indented by `indent`). False when
// it is damaged or not read to its end; the description then says why.
bool DescribeGlyphStream(const std::vector<uint8_t>& bytes, const std::string& indent,
                         std::string& out);

}  // namespace vesk::tool
