// Glyph stream back to markup: the tags that move the parser's attribute
// state from glyph to glyph, and the characters escaped where the first
// pass would read them otherwise. The result is parsed back before it is
// handed out, so whatever this file does not foresee gives no markup
// rather than wrong markup.
#include <cstdio>

#include "core/sjis.h"
#include "text/fontpixels.h"
#include "text/markup.h"

namespace vesk::text {
namespace {

// The seven values FONT pushes and /FONT pops together.
struct FontLook {
  int32_t size = 0;
  int32_t color = -1;
  int32_t border_color = -1;
  int32_t shadow_color = -1;
  std::string name;
  int32_t border = -1;
  int32_t shadow = -1;

  static FontLook Of(const DecorateRecord& d) {
    return {d.Size, d.Color, d.BorderColor, d.ShadowColor, d.FontName, d.Border, d.Shadow};
  }
  bool operator==(const FontLook&) const = default;
};

constexpr struct {
  uint8_t bit;
  const char* tag;
} kStyleTags[] = {
    {kStyleBold, "B"}, {kStyleItalic, "I"}, {kStyleUnderline, "U"}, {kStyleStrikeOut, "S"}};
constexpr uint8_t kAllStyles = kStyleBold | kStyleItalic | kStyleUnderline | kStyleStrikeOut;

// Thrown inside the printer when a glyph has no markup form.
struct NoMarkup {};

class Printer {
 public:
  Printer(const GlyphStream& stream, int32_t text_delay)
      : stream_(stream), delay_(text_delay), wait_(text_delay) {}

  std::vector<std::string> Run() {
    const auto& glyphs = stream_.Glyphs;
    size_t shown_end = 0;  // one past the last glyph that shows something
    for (size_t i = 0; i < glyphs.size(); ++i)
      if (Shown(glyphs[i])) shown_end = i + 1;
    for (size_t i = 0; i < glyphs.size(); ++i) {
      // After the last glyph shown, everything is closed at once; before a
      // line break, whatever the next glyph shown no longer has, so that
      // tags do not run over line ends needlessly.
      if (i == shown_end) {
        CloseAll();
      } else if (glyphs[i].Type == kGlyphReturn && i < shown_end && !quoted_) {
        size_t next = i + 1;
        while (!Shown(glyphs[next])) ++next;
        Close(TargetOf(glyphs[next]));
      }
      Glyph(glyphs[i]);
    }
    CloseAll();
    if (!line_.empty() || lines_.empty()) lines_.push_back(line_);
    return std::move(lines_);
  }

  static bool Shown(const GlyphRecord& g) {
    return g.Type == kGlyphChar || g.Type == kGlyphVar || g.Type == kGlyphImg;
  }

  void Glyph(const GlyphRecord& g) {
    switch (g.Type) {
      case kGlyphChar:
        Reach(TargetOf(g));
        Character(g.Code);
        return;
      case kGlyphVar:
        if (g.Name.empty()) throw NoMarkup{};
        Reach(TargetOf(g));
        Tag("<VAR NAME=" + Quoted(g.Name) + ">");
        return;
      case kGlyphImg:
        Image(g);
        return;
      case kGlyphAlign:
        Align(g.Align);
        return;
      case kGlyphReturn:
        Tag(g.Clear ? "<CLEAR>" : "<BR>");
        // The line end right after a tag adds nothing to the text.
        lines_.push_back(std::move(line_));
        line_.clear();
        return;
      case kGlyphIndent:
        Tag("<INDENT>");
        return;
      case kGlyphUndent:
        Tag("<UNDENT>");
        return;
      case kGlyphEvent: {
        std::string tag = "<EVENT";
        if (!g.Value.empty()) tag += " VALUE=" + Quoted(Escaped(g.Value));
        Tag(tag + (g.Stop ? " END>" : ">"));
        return;
      }
      default:
        throw NoMarkup{};
    }
  }

  // Inside an open double quote of the text closers cannot be written, and
  // need not be.
  void CloseAll() {
    static const DecorateRecord kPlain = [] {
      DecorateRecord d;
      d.Border = -1;
      d.Shadow = -1;
      return d;
    }();
    static const std::string kNoLink;
    if (!quoted_) Close({&kPlain, kNoLink, delay_});
  }

  const DecorateRecord& Record(const GlyphRecord& g) const {
    if (g.Style < 0 || static_cast<size_t>(g.Style) >= stream_.Decorates.size()) throw NoMarkup{};
    return stream_.Decorates[static_cast<size_t>(g.Style)];
  }

  void Image(const GlyphRecord& g) {
    if (g.Source.empty()) throw NoMarkup{};
    Reach(TargetOf(g));
    std::string tag = "<IMG SRC=" + Quoted(g.Source);
    if (g.Align == kAlignCenter)
      tag += " ALIGN=CENTER";
    else if (g.Align == kAlignTop)
      tag += " ALIGN=TOP";
    else if (g.Align != kAlignBottom)
      throw NoMarkup{};  // floating pictures have no tag
    Tag(tag + ">");
  }

  // DIV pushes, /DIV pops back to what is below.
  void Align(uint8_t align) {
    static const char* const kWords[] = {nullptr, "LEFT", "RIGHT", "CENTER"};
    if (align < kAlignLeft || align > kAlignCenter) throw NoMarkup{};
    const uint8_t below = divs_.size() >= 2 ? divs_[divs_.size() - 2] : uint8_t{kAlignLeft};
    if (!divs_.empty() && below == align) {
      divs_.pop_back();
      Tag("</DIV>");
      return;
    }
    divs_.push_back(align);
    Tag(std::string("<DIV ALIGN=") + kWords[align] + ">");
  }

  // What a glyph needs of the attribute state. `look` null: a picture,
  // which has no style record and takes only link and wait.
  struct Target {
    const DecorateRecord* look;
    const std::string& link;
    int32_t wait;
  };

  Target TargetOf(const GlyphRecord& g) const {
    return {g.Type == kGlyphImg ? nullptr : &Record(g), g.Link, g.Wait};
  }

  // Tags that take the state to what the next glyph needs: the closers
  // first, then the openers, so that they nest.
  void Reach(const Target& t) {
    Close(t);
    Open(t);
  }

  void Close(const Target& t) {
    if (!link_.empty() && t.link.empty()) Tag("</A>");
    link_ = t.link.empty() ? std::string() : link_;
    if (t.look) {
      const DecorateRecord& d = *t.look;
      if ((d.Style & ~kAllStyles) != 0 || d.NoBreak > 1) throw NoMarkup{};
      if (!ruby_.empty() && d.Ruby.empty()) Tag("</RUBY>");
      if (d.Ruby.empty()) ruby_.clear();
      if (no_break_ && !d.NoBreak) Tag("</NOBR>");
      no_break_ &= d.NoBreak;
      for (const auto& s : kStyleTags)
        if ((style_ & s.bit) && !(d.Style & s.bit)) Tag(std::string("</") + s.tag + ">");
      style_ &= d.Style;
      if (!(FontLook::Of(d) == font_) && font_open_) {
        Tag("</FONT>");
        font_open_ = false;
        font_ = FontLook{};
      }
    }
    if (t.wait != wait_ && wait_open_) {
      Tag("</WAIT>");
      wait_open_ = false;
      wait_ = delay_;
    }
  }

  void Open(const Target& t) {
    if (t.look) {
      const DecorateRecord& d = *t.look;
      if (!(FontLook::Of(d) == font_)) Font(FontLook::Of(d));
    }
    if (t.wait != wait_) {
      Tag("<WAIT VALUE=" + std::to_string(t.wait) + ">");
      wait_open_ = true;
      wait_ = t.wait;
    }
    if (t.look) {
      const DecorateRecord& d = *t.look;
      for (const auto& s : kStyleTags)
        if (!(style_ & s.bit) && (d.Style & s.bit)) Tag(std::string("<") + s.tag + ">");
      style_ = d.Style;
      if (!no_break_ && d.NoBreak) Tag("<NOBR>");
      no_break_ = d.NoBreak;
      if (d.Ruby != ruby_) Tag("<RUBY VALUE=" + Quoted(d.Ruby) + ">");
      ruby_ = d.Ruby;
    }
    if (t.link != link_) Tag("<A HREF=" + Quoted(Escaped(t.link)) + ">");
    link_ = t.link;
  }

  // One FONT level at most: /FONT returns every value to its default, and
  // an attribute left out of FONT keeps the default. Close has shut the
  // level before.
  void Font(const FontLook& f) {
    if (font_open_) throw NoMarkup{};
    std::string tag = "<FONT";
    if (f.size != 0) tag += " SIZE=" + std::to_string(f.size);
    tag += ColourAttribute("COLOR", f.color);
    tag += ColourAttribute("BCOLOR", f.border_color);
    tag += ColourAttribute("SCOLOR", f.shadow_color);
    if (!f.name.empty()) tag += " NAME=" + Quoted(f.name);
    tag += WidthAttribute("BORDER", f.border);
    tag += WidthAttribute("SHADOW", f.shadow);
    Tag(tag + ">");
    font_open_ = true;
    font_ = f;
  }

  static std::string ColourAttribute(const char* key, int32_t bgr) {
    if (bgr == -1) return {};
    if (bgr < 0 || bgr > 0xFFFFFF) throw NoMarkup{};
    char text[32];
    std::snprintf(text, sizeof text, " %s=#%02X%02X%02X", key, bgr & 0xFF, (bgr >> 8) & 0xFF,
                  (bgr >> 16) & 0xFF);
    return text;
  }

  static std::string WidthAttribute(const char* key, int32_t px) {
    if (px == -1) return {};
    if (px < 0) throw NoMarkup{};
    return std::string(" ") + key + "=" + std::to_string(px);
  }

  void Tag(const std::string& tag) {
    // Inside a pair of double quotes of the text a tag is only text.
    if (quoted_) throw NoMarkup{};
    line_ += tag;
    last_ = -1;
  }

  void Character(uint16_t code) {
    if (code > 0xFF) {
      const auto lead = static_cast<uint8_t>(code >> 8), trail = static_cast<uint8_t>(code);
      if (!IsSjisLeadByte(lead)) throw NoMarkup{};
      line_ += static_cast<char>(lead);
      line_ += static_cast<char>(trail);
      last_ = trail;
      return;
    }
    const auto b = static_cast<uint8_t>(code);
    // A lead byte alone pairs with whatever follows it; line ends, tabs and
    // 0x14 are white space to the markup.
    if (IsSjisLeadByte(b) || b == '\r' || b == '\n' || b == '\t' || b == 0x14) throw NoMarkup{};
    if (quoted_) {
      if (b == '"') quoted_ = false;
    } else if (b == '<' || b == '>' || b == '\\') {
      line_ += '\\';
    } else if (b == '"') {
      quoted_ = true;
    } else if (b == ' ' && last_ == ' ') {
      Tag("<>");  // runs of spaces collapse; the empty tag keeps them apart
    }
    line_ += static_cast<char>(b);
    last_ = b;
  }

  // A value in double quotes is taken as it stands, but cannot hold a
  // double quote, and loses line ends and tabs.
  static std::string Quoted(const std::string& value) {
    for (size_t i = 0; i < value.size(); ++i) {
      const auto b = static_cast<uint8_t>(value[i]);
      if (IsSjisLeadByte(b) && i + 1 < value.size()) {
        ++i;
        continue;
      }
      if (b == '"' || b == '\r' || b == '\n' || b == '\t') throw NoMarkup{};
    }
    return "\"" + value + "\"";
  }

  // HREF and EVENT VALUE are unescaped after reading.
  static std::string Escaped(const std::string& value) {
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
      const auto b = static_cast<uint8_t>(value[i]);
      if (IsSjisLeadByte(b) && i + 1 < value.size()) {
        out += value.substr(i, 2);
        ++i;
      } else if (b == '\\') {
        out += "\\\\";
      } else if (b == '\r' && i + 1 < value.size() && value[i + 1] == '\n') {
        out += "\\n";
        ++i;
      } else {
        out += static_cast<char>(b);
      }
    }
    return out;
  }

  const GlyphStream& stream_;
  const int32_t delay_;
  FontLook font_;
  bool font_open_ = false;
  uint8_t style_ = 0;
  uint8_t no_break_ = 0;
  std::string ruby_;
  std::string link_;
  int32_t wait_;
  bool wait_open_ = false;
  std::vector<uint8_t> divs_;
  bool quoted_ = false;  // an odd double quote of the text is open
  int last_ = -1;        // last byte of the text the parser holds; -1 after a tag
  std::string line_;
  std::vector<std::string> lines_;
};

}  // namespace

std::optional<std::vector<std::string>> PrintMarkup(const GlyphStream& stream, int32_t text_delay) {
  if (stream.Version != kGlyphStreamVersion || !stream.Complete) return std::nullopt;
  std::vector<std::string> lines;
  try {
    lines = Printer(stream, text_delay).Run();
  } catch (const NoMarkup&) {
    return std::nullopt;
  }
  const MarkupResult again = ParseMarkup(lines, text_delay);
  if (again.Error || !SameStream(again.Stream, stream)) return std::nullopt;
  return lines;
}

}  // namespace vesk::text
