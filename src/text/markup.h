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

// A place in the lines given to ParseMarkup: the line's index and the byte
// offset in that line.
struct MarkupPlace {
  size_t line = 0;
  size_t offset = 0;
};

// What the parse accepts quietly but an author most likely did not mean;
// the script compiler reports these, the runtime ignores them.
enum class MarkupNoteKind {
  kUnknownTag,        // a tag not in the table: ignored
  kUnknownAttribute,  // an attribute the tag does not read: ignored
  kUnclosedTag,       // a "<" never closed: its text is shown as it stands
  kUnclosedComment,   // a comment never closed: the rest of the text is dropped
};

struct MarkupNote {
  MarkupNoteKind kind = MarkupNoteKind::kUnknownTag;
  MarkupPlace at;    // where the tag or comment starts
  std::string text;  // CP932: the tag's name, the attribute's name, or the open text
};

struct MarkupResult {
  GlyphStream Stream;
  // Set when the parse stopped at an error (CP932 text of the runtime's
  // message, e.g. an A tag without HREF); the glyphs before it stay.
  std::optional<std::string> Error;
  MarkupPlace ErrorAt;  // where the failing tag starts
  std::vector<MarkupNote> Notes;
};

// `lines` are CP932 lines (joined with CR); `text_delay` is the wait per
// character when no WAIT tag is open (the script's @TextDelay).
MarkupResult ParseMarkup(const std::vector<std::string>& lines, int32_t text_delay);

// Markup lines that ParseMarkup with the same `text_delay` turns into
// exactly `stream`: the same style records in the same order with the same
// reference counts, and the same glyphs. Lines break after each BR or
// CLEAR. Nothing when no markup gives that stream (older versions, records
// the sharing of styles would not make, values no tag can write); the
// answer is checked by parsing it back.
std::optional<std::vector<std::string>> PrintMarkup(const GlyphStream& stream, int32_t text_delay);

// Whether two streams hold the same version, records and glyphs.
bool SameStream(const GlyphStream& a, const GlyphStream& b);

}  // namespace vesk::text
