#pragma once
// Message text in scripts: the markup an author writes for TextIns, compiled
// to the glyph stream the command carries, and glyph streams shown back as
// markup (or, where no markup gives their bytes, as raw bytes).
#include <cstdint>
#include <string>
#include <vector>

#include "core/byte_reader.h"
#include "text/glyph_stream.h"
#include "vesk-tool/script/lexer.h"

namespace vesk::tool::script {

// The wait per character outside every WAIT tag: the player's @TextDelay
// is not known when a script compiles, so its initial value is used.
inline constexpr int32_t kCompileTextDelay = 50;

// One line of markup (CP932) and where it starts in the source. A line
// out of a string literal has `column` at the literal: its escapes hide the
// place of each byte, so errors point at the literal.
struct MarkupSourceLine {
  std::string text;
  int line = 0;
  int column = 1;
  bool from_literal = false;
};

// The glyph stream of the markup. An A tag without HREF, a tag or comment
// never closed are errors (CompileError); unknown tags and attributes are
// warnings.
std::vector<uint8_t> CompileMessage(const std::vector<MarkupSourceLine>& lines,
                                    std::vector<CompileWarning>& warnings);

// How the decompiler writes a TextIns text.
struct MessageForm {
  enum Kind {
    kNone,    // no text data: the field is left out
    kString,  // a string literal of markup, lines joined by "\n"
    kBlock,   // "| " lines after the command
    kRaw,     // raw "..." with the bytes as they are
  };
  Kind kind = kNone;
  std::string literal;             // kString, kRaw: the field's text
  std::vector<std::string> lines;  // kBlock: UTF-8 markup lines
};
MessageForm DecompileMessage(const std::vector<uint8_t>& text_data);

// Reads the expressions of old variable glyphs with the expression
// library's own reader, keeping their bytes as stored. `base` is the first
// byte of the buffer the reader reads.
text::ExpressionReader StoredExpressionReader(const uint8_t* base);

}  // namespace vesk::tool::script
