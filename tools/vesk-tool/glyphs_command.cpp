// "vesk-tool glyphs": compiled message text made readable.
#include "vesk-tool/glyphs_command.h"

#include <cstdio>
#include <iostream>

#include "core/byte_reader.h"
#include "expr/parser.h"
#include "lang/vocabulary.h"
#include "platform/cp932.h"
#include "platform/files.h"
#include "script/pages.h"
#include "text/fontpixels.h"
#include "text/glyph_stream.h"
#include "vesk-tool/script/expr_compiler.h"
#include "vesk-tool/script/lexer.h"
#include "vesk-tool/script/message_text.h"

namespace vesk::tool {
namespace {

using script::QuoteString;

std::string Colour(int32_t bgr) {
  char text[16];
  if (bgr >= 0 && bgr <= 0xFFFFFF)
    std::snprintf(text, sizeof text, "#%02X%02X%02X", bgr & 0xFF, (bgr >> 8) & 0xFF,
                  (bgr >> 16) & 0xFF);
  else
    std::snprintf(text, sizeof text, "0x%08X", static_cast<uint32_t>(bgr));
  return text;
}

// The fields that differ from "the window's default".
std::string Look(const text::DecorateRecord& d) {
  std::string s;
  auto add = [&s](const std::string& part) { s += (s.empty() ? ": " : ", ") + part; };
  static const struct {
    uint8_t bit;
    const char* word;
  } kStyles[] = {{text::kStyleBold, "bold"},
                 {text::kStyleItalic, "italic"},
                 {text::kStyleUnderline, "underline"},
                 {text::kStyleStrikeOut, "strike-out"}};
  for (const auto& st : kStyles)
    if (d.Style & st.bit) add(st.word);
  if (d.Style & 0xF0) add("style bits " + std::to_string(d.Style));
  if (d.Size != 0) add("size " + std::to_string(d.Size));
  if (d.Color != -1) add("colour " + Colour(d.Color));
  if (!d.FontName.empty()) add("face " + QuoteString(d.FontName));
  if (d.Border != -1) add("border " + std::to_string(d.Border));
  if (d.BorderColor != -1) add("border colour " + Colour(d.BorderColor));
  if (d.Shadow != -1) add("shadow " + std::to_string(d.Shadow));
  if (d.ShadowColor != -1) add("shadow colour " + Colour(d.ShadowColor));
  if (d.NoBreak)
    add("no break" + (d.NoBreak == 1 ? std::string() : " " + std::to_string(d.NoBreak)));
  if (!d.Ruby.empty()) add("ruby " + QuoteString(d.Ruby));
  return s;
}

std::string AlignWord(uint8_t align) {
  static const char* const kWords[] = {"none", "left", "right", "center", "top", "bottom"};
  return align < 6 ? kWords[align] : std::to_string(align);
}

std::string Timing(const text::GlyphRecord& g) {
  std::string s = " wait " + std::to_string(g.Wait);
  if (!g.Link.empty()) s += " link " + QuoteString(g.Link);
  return s;
}

std::string Character(uint16_t code) {
  std::string bytes;
  if (code > 0xFF) bytes += static_cast<char>(code >> 8);
  bytes += static_cast<char>(code & 0xFF);
  char hex[8];
  std::snprintf(hex, sizeof hex, code > 0xFF ? "0x%04X" : "0x%02X", code);
  return std::string("char ") + hex + " " + QuoteString(bytes);
}

std::string Expression(const std::vector<uint8_t>& stored) {
  try {
    ByteReader in(stored.data(), stored.size());
    expr::TVeskParser e;
    e.LoadFromStream(in);
    return script::DecompileExpression(e);
  } catch (const std::exception&) {
    return "?";
  }
}

std::string Glyph(const text::GlyphRecord& g) {
  const std::string style = " style " + std::to_string(g.Style);
  switch (g.Type) {
    case text::kGlyphChar:
      return Character(g.Code) + style + Timing(g);
    case text::kGlyphAlign:
      return "align " + AlignWord(g.Align);
    case text::kGlyphReturn:
      return g.Clear ? "break, new page" : "break";
    case text::kGlyphIndent:
      return "indent";
    case text::kGlyphUndent:
      return "undent";
    case text::kGlyphEvent:
      return "event " + QuoteString(g.Value) + (g.Stop ? " (alone)" : "");
    case text::kGlyphVar:
      if (!g.Expression.empty())
        return "var (expression " + Expression(g.Expression) + ")" + style + Timing(g);
      return "var " + QuoteString(g.Name) + style + Timing(g);
    case text::kGlyphImg:
      return "picture " + QuoteString(g.Source) + " align " + AlignWord(g.Align) + Timing(g);
    default:
      return "type " + std::to_string(g.Type);
  }
}

}  // namespace

bool DescribeGlyphStream(const std::vector<uint8_t>& bytes, const std::string& indent,
                         std::string& out) {
  ByteReader in(bytes.data(), bytes.size());
  text::GlyphStream s;
  try {
    s = text::ReadGlyphStream(in, script::StoredExpressionReader(bytes.data()));
  } catch (const std::exception& e) {
    out += indent + "damaged: " + e.what() + "\n";
    return false;
  }
  out += indent +
         (s.Version == 0 ? std::string("no header (version 0)")
                         : "version " + std::to_string(s.Version)) +
         "\n";
  out += indent + "style records: " + std::to_string(s.Decorates.size()) + "\n";
  for (size_t i = 0; i < s.Decorates.size(); ++i)
    out += indent + "  [" + std::to_string(i) + "] refs " +
           std::to_string(s.Decorates[i].RefCount) + Look(s.Decorates[i]) + "\n";
  out += indent + "glyphs: " + std::to_string(s.Glyphs.size()) + "\n";
  for (size_t i = 0; i < s.Glyphs.size(); ++i)
    out += indent + "  [" + std::to_string(i) + "] " + Glyph(s.Glyphs[i]) + "\n";
  if (!s.Complete) {
    out += indent + "reading stopped at offset " + std::to_string(in.position() - 1) +
           ": type code " + std::to_string(bytes[in.position() - 1]) + " is not a glyph\n";
    return false;
  }
  if (!in.at_end()) {
    out += indent + std::to_string(in.remaining()) + " bytes after the stream\n";
    return false;
  }
  return true;
}

std::string GlyphsUsage() {
  return "  vesk-tool glyphs FILE.lsb\n";
}

int RunGlyphsCommand(const std::vector<std::string>& args) {
  if (args.size() != 1 || (!args[0].empty() && args[0][0] == '-')) {
    std::cerr << "usage:\n" << GlyphsUsage();
    return 2;
  }
  const std::string& path = args[0];
  const auto bytes = platform::ReadWholeFile(path);
  if (!bytes) {
    std::cerr << "vesk-tool: " << path << ": cannot read\n";
    return 1;
  }
  vesk::script::TPage page;
  try {
    const size_t slash = path.find_last_of('/');
    const std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
    if (page.Load(platform::Utf8ToCp932(name), *bytes) != vesk::script::PageLoad::kLoaded) {
      std::cerr << "vesk-tool: " << path << ": page version " << page.Version
                << " is not one the player reads\n";
      return 1;
    }
  } catch (const std::exception& e) {
    std::cerr << "vesk-tool: " << path << ": not a readable page: " << e.what() << '\n';
    return 1;
  }
  std::string out;
  int texts = 0;
  bool whole = true;
  for (size_t i = 0; i < page.Commands.size(); ++i) {
    const vesk::script::TCommand& c = *page.Commands[i];
    if (c.ComType() != lang::CMD_TextIns) continue;
    const auto& data = static_cast<const vesk::script::TComTextIns&>(c).TextData;
    ++texts;
    out += "command " + std::to_string(i) + ", line " + std::to_string(c.Line) + ": " +
           std::to_string(data.size()) + " bytes\n";
    if (data.empty()) continue;
    if (!DescribeGlyphStream(data, "  ", out)) whole = false;
  }
  std::cout << path << ": " << texts << " TextIns\n" << out;
  if (!whole) std::cerr << "vesk-tool: " << path << ": a glyph stream is damaged\n";
  return whole ? 0 : 1;
}

}  // namespace vesk::tool
