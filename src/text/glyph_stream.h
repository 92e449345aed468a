#pragma once
// The stored glyph stream: compiled message text as the text command
// carries it and as history entries replay it. A flat, owned form of the
// stream (style records, then glyph records) that the markup compiler
// produces, the layout engine builds its glyph tree from, and the tools
// print. Every version of the stream is read; the writer writes the newest.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/byte_reader.h"
#include "core/byte_writer.h"

namespace vesk::text {

// Newest stream version ("TpWord" + three digits).
inline constexpr int32_t kGlyphStreamVersion = 102;

// Type codes of glyphs in a stream.
enum GlyphType : uint8_t {
  kGlyphChar = 1,
  kGlyphAlign = 2,
  kGlyphReturn = 3,
  kGlyphIndent = 4,
  kGlyphUndent = 5,
  kGlyphEvent = 6,
  kGlyphVar = 7,
  kGlyphImg = 9,
};

// Alignment values of DIV and IMG.
enum Align : uint8_t {
  kAlignNone = 0,
  kAlignLeft = 1,
  kAlignRight = 2,
  kAlignCenter = 3,
  kAlignTop = 4,
  kAlignBottom = 5,
};

// One shared style record. -1 in a colour, border or shadow field and 0 in
// Size mean "the window's default".
struct DecorateRecord {
  int32_t RefCount = 1;
  int32_t Color = -1;
  int32_t BorderColor = -1;
  int32_t ShadowColor = -1;
  int32_t Size = 0;
  uint8_t Style = 0;  // bit 0 bold, 1 italic, 2 underline, 3 strike-out
  std::string FontName;
  uint8_t NoBreak = 0;
  std::string Ruby;
  int32_t Border = 0;
  int32_t Shadow = 0;

  // Every field but RefCount (strings compared byte for byte).
  bool SameLook(const DecorateRecord& o) const {
    return Color == o.Color && BorderColor == o.BorderColor && ShadowColor == o.ShadowColor &&
           Size == o.Size && Style == o.Style && FontName == o.FontName && NoBreak == o.NoBreak &&
           Ruby == o.Ruby && Border == o.Border && Shadow == o.Shadow;
  }
};

// One glyph; which fields count depends on the type.
struct GlyphRecord {
  uint8_t Type = kGlyphChar;
  std::string Link;                 // char, var (version > 100), img
  int32_t Wait = 0;                 // char, var (version > 100), img: milliseconds per character
  uint16_t Code = 0;                // char: single byte, or lead * 256 + trail
  int32_t Style = 0;                // char, var: index into the stream's style records
  uint8_t Align = 0;                // align; img (1 or 2 float the picture)
  bool Clear = false;               // return: also starts a new page
  std::string Value;                // event
  bool Stop = false;                // event: passed alone (stored as a leading 0x01)
  std::string Name;                 // var (version >= 102)
  std::vector<uint8_t> Expression;  // var below version 102: a stored expression
  std::string Source;               // img: picture file name

  bool operator==(const GlyphRecord&) const = default;
};

struct GlyphStream {
  int32_t Version = kGlyphStreamVersion;  // 0: the stream had no header
  std::vector<DecorateRecord> Decorates;
  std::vector<GlyphRecord> Glyphs;
  // False when reading stopped at a type code outside the list; the glyphs
  // before it were kept.
  bool Complete = true;
};

// Reads the stored expression of a version-101 variable glyph and returns
// its bytes (the stream's reader cannot know its length; expressions are
// not this library's). Empty: such glyphs end the reading like an unknown
// type code.
using ExpressionReader = std::function<std::vector<uint8_t>(ByteReader&)>;

// Reads one stream. Throws ETruncated (naming what was cut) when a count or
// string runs past the bytes, and EVeskError for counts no stream can hold.
GlyphStream ReadGlyphStream(ByteReader& in, const ExpressionReader& read_expression = {});
// Writes at `stream.Version` (0: no header), mirroring the reader.
void WriteGlyphStream(const GlyphStream& stream, ByteWriter& out);

}  // namespace vesk::text
