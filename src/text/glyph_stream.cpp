#include "text/glyph_stream.h"

#include <cstdio>
#include <cstring>

#include "core/record_io.h"
#include "core/vesk_error.h"

namespace vesk::text {
namespace {

constexpr char kMagic[] = "TpWord";
constexpr size_t kMagicSize = 6;
constexpr size_t kHeaderSize = 9;

// The smallest stored style record, so that a count the remaining bytes
// cannot hold is refused before anything is read.
size_t MinDecorateBytes(int32_t version) {
  const size_t fixed = 4 * 4 + 2 + 4 + 4;  // four integers, two bytes, two string lengths
  return version >= 100 ? fixed + 4 + 8 : fixed + 1;
}

[[noreturn]] void Refuse(const std::string& what) {
  throw EVeskError("glyph stream: " + what);
}

int32_t ReadCount(ByteReader& in, size_t min_item_bytes, const char* what) {
  const size_t at = in.position();
  const int32_t n = in.I32(what);
  if (n < 0 || static_cast<size_t>(n) > in.remaining() / min_item_bytes)
    Refuse(std::string(what) + " count " + std::to_string(n) + " out of range at offset " +
           std::to_string(at));
  return n;
}

// "TpWord" and three digits, or nothing at all (version 0).
int32_t ReadHeader(ByteReader& in) {
  if (in.remaining() < kHeaderSize) return 0;
  ByteReader probe = in;
  const uint8_t* p = probe.Bytes(kHeaderSize, "header");
  if (std::memcmp(p, kMagic, kMagicSize) != 0) return 0;
  int32_t version = 0;
  for (size_t i = kMagicSize; i < kHeaderSize; ++i) {
    if (p[i] < '0' || p[i] > '9') Refuse("the version after \"TpWord\" is not three digits");
    version = version * 10 + (p[i] - '0');
  }
  in = probe;
  return version;
}

void TransferDecorate(RecordIO& io, DecorateRecord& d) {
  io.I32(d.RefCount, "style record reference count");
  io.I32(d.Color, "style record colour");
  io.I32(d.BorderColor, "style record border colour");
  io.I32(d.Size, "style record size");
  io.U8(d.Style, "style record style");
  io.U8(d.NoBreak, "style record no-break flag");
  if (io.Since(100)) {
    io.I32(d.Border, "style record border");
  } else {
    // Older records only knew whether a character is outlined.
    uint8_t outlined = d.Border != 0 ? 1 : 0;
    io.Flag(outlined, "style record border");
    io.Absent(d.Border, outlined);
  }
  io.Str(d.FontName, "style record face name");
  io.Str(d.Ruby, "style record ruby");
  if (io.Since(100)) {
    io.I32(d.Shadow, "style record shadow");
    io.I32(d.ShadowColor, "style record shadow colour");
  } else {
    io.Absent(d.Shadow, 0);
    io.Absent(d.ShadowColor, 0);
  }
}

void Code16(RecordIO& io, uint16_t& code) {
  uint8_t b[2] = {static_cast<uint8_t>(code & 0xFF), static_cast<uint8_t>(code >> 8)};
  io.Bytes(b, 2, "character code");
  if (io.loading()) code = static_cast<uint16_t>(b[0] | b[1] << 8);
}

// The Stop flag travels as a leading 0x01 of the value.
void EventValue(RecordIO& io, GlyphRecord& g) {
  std::string stored = g.Stop ? "\x01" + g.Value : g.Value;
  io.Str(stored, "event value");
  if (!io.loading()) return;
  g.Stop = !stored.empty() && stored[0] == '\x01';
  g.Value = g.Stop ? stored.substr(1) : std::move(stored);
}

// Streams before 102 show the value of a stored expression, whose length
// only the expression reader knows.
bool VarExpression(RecordIO& io, GlyphRecord& g, const ExpressionReader& read_expression) {
  if (!io.loading()) {
    if (g.Expression.empty()) {
      io.writer().I32(0);  // the empty expression
    } else {
      io.writer().Bytes(g.Expression.data(), g.Expression.size());
    }
    return true;
  }
  if (!read_expression) return false;
  g.Expression = read_expression(io.reader());
  return !g.Expression.empty();
}

// The payload of one glyph after its type code. False: the type is not one
// a stream holds (or its expression cannot be read), so nothing after it
// can be found.
bool TransferGlyph(RecordIO& io, GlyphRecord& g, const ExpressionReader& read_expression) {
  switch (g.Type) {
    case kGlyphChar:
      io.Str(g.Link, "character link");
      io.I32(g.Wait, "character wait");
      Code16(io, g.Code);
      io.I32(g.Style, "character style index");
      return true;
    case kGlyphAlign:
      io.U8(g.Align, "alignment");
      return true;
    case kGlyphReturn:
      io.Bool8(g.Clear, "line break clear flag");
      return true;
    case kGlyphIndent:
    case kGlyphUndent:
      return true;
    case kGlyphEvent:
      EventValue(io, g);
      return true;
    case kGlyphVar:
      io.I32(g.Style, "variable style index");
      if (io.version() > 100) {
        io.I32(g.Wait, "variable wait");
        io.Str(g.Link, "variable link");
      }
      if (io.Since(102)) {
        io.Str(g.Name, "variable name");
        return true;
      }
      return VarExpression(io, g, read_expression);
    case kGlyphImg:
      io.Str(g.Link, "picture link");
      io.I32(g.Wait, "picture wait");
      io.Str(g.Source, "picture source");
      io.U8(g.Align, "picture alignment");
      return true;
    default:
      return false;
  }
}

bool HasStyle(const GlyphRecord& g) {
  return g.Type == kGlyphChar || g.Type == kGlyphVar;
}

}  // namespace

GlyphStream ReadGlyphStream(ByteReader& in, const ExpressionReader& read_expression) {
  GlyphStream stream;
  stream.Version = ReadHeader(in);
  RecordIO io(in, stream.Version);
  const int32_t records = ReadCount(in, MinDecorateBytes(stream.Version), "style record");
  for (int32_t i = 0; i < records; ++i) {
    DecorateRecord d;
    TransferDecorate(io, d);
    stream.Decorates.push_back(std::move(d));
  }
  const int32_t glyphs = ReadCount(in, 1, "glyph");
  for (int32_t i = 0; i < glyphs; ++i) {
    GlyphRecord g;
    g.Type = in.U8("glyph type");
    if (!TransferGlyph(io, g, read_expression)) {
      stream.Complete = false;
      break;
    }
    // The layout looks records up by these indices; one that points nowhere
    // is refused here rather than trusted there.
    if (HasStyle(g) && (g.Style < 0 || static_cast<size_t>(g.Style) >= stream.Decorates.size()))
      Refuse("glyph " + std::to_string(i) + " refers to style record " + std::to_string(g.Style) +
             " of " + std::to_string(stream.Decorates.size()));
    stream.Glyphs.push_back(std::move(g));
  }
  return stream;
}

void WriteGlyphStream(const GlyphStream& stream, ByteWriter& out) {
  if (stream.Version < 0 || stream.Version > 999)
    Refuse("version " + std::to_string(stream.Version) + " has no three-digit header");
  if (stream.Version != 0) {
    char header[kHeaderSize + 1];
    std::snprintf(header, sizeof header, "%s%03d", kMagic, static_cast<int>(stream.Version));
    out.Bytes(reinterpret_cast<const uint8_t*>(header), kHeaderSize);
  }
  // Saving only reads the records; the transfer functions serve both ways.
  RecordIO io(out, stream.Version);
  out.I32(static_cast<int32_t>(stream.Decorates.size()));
  for (const DecorateRecord& d : stream.Decorates)
    TransferDecorate(io, const_cast<DecorateRecord&>(d));
  out.I32(static_cast<int32_t>(stream.Glyphs.size()));
  for (const GlyphRecord& g : stream.Glyphs) {
    out.U8(g.Type);
    TransferGlyph(io, const_cast<GlyphRecord&>(g), {});
  }
}

}  // namespace vesk::text
