#pragma once
// The message markup: a small HTML-like tag language over Shift-JIS text
// (27 tags: A, B, I, U, S, FONT, NOBR, RUBY, DIV, INDENT, UNDENT, BR, CLEAR,
// EVENT, WAIT, VAR, IMG and their closers; comments, PRE and TEXTAREA).
// Parsing is two passes: the lines are cut into tag and text tokens, then
// the tokens are interpreted against a stack of attributes into style
// records and glyph records, shared as the glyph stream shares them.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "text/glyph_stream.h"

namespace vesk::text {

struct MarkupResult {
  GlyphStream Stream;
  // Set when the parse stopped at an error (CP932 text of the runtime's
  // message, e.g. an A tag without HREF); the glyphs before it stay.
  std::optional<std::string> Error;
};

// `lines` are CP932 lines (joined with CR); `text_delay` is the wait per
// character when no WAIT tag is open (the script's @TextDelay).
MarkupResult ParseMarkup(const std::vector<std::string>& lines, int32_t text_delay);

}  // namespace vesk::text
