#include "text/markup.h"

#include <algorithm>
#include <array>
#include <map>
#include <string_view>
#include <tuple>

#include "core/messages.h"
#include "core/sjis.h"
#include "text/fontpixels.h"
#include "text/markup_tokens.h"

namespace vesk::text {
namespace {

using markup::Token;
using markup::TokenKind;

// ---- Tags and their attributes ------------------------------------------

struct Attribute {
  std::string name;
  std::optional<std::string> value;  // none: written bare
};

struct Tag {
  std::string name;
  std::vector<Attribute> attributes;

  const Attribute* Find(std::string_view key) const {
    for (const Attribute& a : attributes)
      if (EqualsIgnoreAsciiCase(a.name, key)) return &a;
    return nullptr;
  }
  bool Has(std::string_view key) const { return Find(key) != nullptr; }
  // The value as the tag table reads it: empty when absent or bare.
  std::string Value(std::string_view key) const {
    const Attribute* a = Find(key);
    return a && a->value ? *a->value : std::string();
  }
};

bool IsBlankByte(char c) {
  return static_cast<uint8_t>(c) <= 0x20;
}

// Offset of the first byte of `s` at or after `from` that is one of
// `stops` and not the trail byte of a double-byte character.
size_t FindStop(std::string_view s, size_t from, std::string_view stops) {
  for (size_t i = from; i < s.size(); ++i) {
    if (IsSjisLeadByte(static_cast<uint8_t>(s[i])) && i + 1 < s.size()) {
      ++i;
      continue;
    }
    if (stops.find(s[i]) != std::string_view::npos) return i;
  }
  return s.size();
}

// Name, then attributes: bare, name=value, name="value" or name='value'.
Tag SplitTag(std::string_view token) {
  std::string_view inner = token.substr(1, token.size() - 2);
  while (!inner.empty() && IsBlankByte(inner.front())) inner.remove_prefix(1);
  while (!inner.empty() && IsBlankByte(inner.back())) inner.remove_suffix(1);
  Tag tag;
  size_t pos = FindStop(inner, 0, " =");
  tag.name = std::string(inner.substr(0, pos));
  while (pos < inner.size()) {
    while (pos < inner.size() && IsBlankByte(inner[pos])) ++pos;
    if (pos >= inner.size()) break;
    const size_t name_end = std::max(FindStop(inner, pos, " ="), pos + 1);
    Attribute a{std::string(inner.substr(pos, name_end - pos)), std::nullopt};
    pos = name_end;
    if (pos < inner.size() && inner[pos] == '=') {
      ++pos;
      if (pos < inner.size() && inner[pos] != ' ') {
        const char quote = inner[pos];
        size_t end = inner.size();
        if (quote == '"' || quote == '\'') {
          end = FindStop(inner, pos + 1, std::string_view(&quote, 1));
          if (end < inner.size()) {
            a.value = std::string(inner.substr(pos + 1, end - pos - 1));
            pos = end + 1;
            tag.attributes.push_back(std::move(a));
            continue;
          }
          ++pos;  // no closing quote: the value ends at the next space
        }
        end = FindStop(inner, pos, " ");
        a.value = std::string(inner.substr(pos, end - pos));
        pos = end;
      }
    }
    tag.attributes.push_back(std::move(a));
  }
  return tag;
}

// HREF and EVENT VALUE: \" gives ", \\ gives \, \n gives CR LF.
std::string Unescape(std::string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    const auto b = static_cast<uint8_t>(s[i]);
    if (IsSjisLeadByte(b) && i + 1 < s.size()) {
      out += s.substr(i, 2);
      ++i;
      continue;
    }
    if (b == '\\' && i + 1 < s.size()) {
      const char e = s[i + 1];
      if (e == '"' || e == '\\') {
        out += e;
        ++i;
        continue;
      }
      if (e == 'n') {
        out += "\r\n";
        ++i;
        continue;
      }
    }
    out += static_cast<char>(b);
  }
  return out;
}

std::optional<int32_t> Number(std::string_view s) {
  size_t i = 0;
  const bool negative = !s.empty() && s[0] == '-';
  if (!s.empty() && (s[0] == '-' || s[0] == '+')) i = 1;
  if (i >= s.size()) return std::nullopt;
  int64_t v = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return std::nullopt;
    v = v * 10 + (s[i] - '0');
    if (v > int64_t{INT32_MAX} + 1) return std::nullopt;
  }
  if (negative) v = -v;
  if (v > INT32_MAX || v < INT32_MIN) return std::nullopt;
  return static_cast<int32_t>(v);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "#RRGGBB" as the colour value 0x00BBGGRR.
std::optional<int32_t> Colour(std::string_view s) {
  if (s.size() != 7 || s[0] != '#') return std::nullopt;
  int32_t rgb = 0;
  for (size_t i = 1; i < 7; ++i) {
    const int d = HexDigit(s[i]);
    if (d < 0) return std::nullopt;
    rgb = rgb * 16 + d;
  }
  const int32_t r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
  return b << 16 | g << 8 | r;
}

struct AlignWord {
  const char* word;
  uint8_t value;
};
constexpr std::array<AlignWord, 5> kAlignWords = {{{"LEFT", kAlignLeft},
                                                   {"RIGHT", kAlignRight},
                                                   {"CENTER", kAlignCenter},
                                                   {"TOP", kAlignTop},
                                                   {"BOTTOM", kAlignBottom}}};

// The ALIGN value when it is one of `allowed`, else the tag's default.
uint8_t AlignOf(const Tag& tag, std::initializer_list<uint8_t> allowed, uint8_t fallback) {
  const std::string v = tag.Value("ALIGN");
  for (const AlignWord& w : kAlignWords)
    if (EqualsIgnoreAsciiCase(v, w.word) &&
        std::find(allowed.begin(), allowed.end(), w.value) != allowed.end())
      return w.value;
  return fallback;
}

// ---- The attribute state ---------------------------------------------------

template <typename T>
class Stack {
 public:
  explicit Stack(T fallback) : fallback_(std::move(fallback)) {}
  const T& Top() const { return items_.empty() ? fallback_ : items_.back(); }
  void Push(T v) { items_.push_back(std::move(v)); }
  void Pop() {
    if (!items_.empty()) items_.pop_back();
  }

 private:
  T fallback_;
  std::vector<T> items_;
};

struct AttributeState {
  explicit AttributeState(int32_t text_delay) : wait(text_delay) {}
  Stack<int32_t> size{0}, color{-1}, border_color{-1}, shadow_color{-1};
  Stack<std::string> font_name{std::string()};
  Stack<uint8_t> align{kAlignLeft};
  Stack<int32_t> wait;
  Stack<int32_t> border{-1}, shadow{-1};
  uint8_t style = 0;
  uint8_t no_break = 0;
  std::string ruby;
  std::string link;
};

// ---- Shared style records --------------------------------------------------

// The records every character and variable glyph points at. The runtime
// sets a new glyph's look one field after the other, each change going
// through the sharing rule: a record of the new look in use is shared (the
// one left loses a user and goes at none), a record used by the glyph alone
// is changed in place, else a new record is made; a new glyph starts on the
// record of the default look. Followed through, every record a glyph passes
// on the way is either one in use, whose count it gives back, or one of its
// own, made last and changed in place or dropped when left. So the rule
// ends as: the record of the glyph's final look when one is in use, else a
// new one after all the others. No record is ever left unused, and the
// records come in the order their looks first appear.
class DecorateTable {
 public:
  size_t Use(const DecorateRecord& look) {
    const auto [at, added] = index_.emplace(KeyOf(look), records_.size());
    if (added) {
      records_.push_back(look);
      records_.back().RefCount = 0;
    }
    ++records_[at->second].RefCount;
    return at->second;
  }

  std::vector<DecorateRecord> Finish() { return std::move(records_); }

 private:
  // Every field but the reference count.
  using Key = std::tuple<int32_t, int32_t, int32_t, int32_t, uint8_t, std::string, uint8_t,
                         std::string, int32_t, int32_t>;
  static Key KeyOf(const DecorateRecord& d) {
    return {d.Color,    d.BorderColor, d.ShadowColor, d.Size,   d.Style,
            d.FontName, d.NoBreak,     d.Ruby,        d.Border, d.Shadow};
  }

  std::vector<DecorateRecord> records_;
  std::map<Key, size_t> index_;
};

// ---- Pass 2 ----------------------------------------------------------------

class Interpreter {
 public:
  Interpreter(const std::vector<std::string>& lines, int32_t text_delay) : state_(text_delay) {
    size_t at = 0;
    for (const std::string& line : lines) {
      line_starts_.push_back(at);
      at += line.size() + 1;
    }
    if (line_starts_.empty()) line_starts_.push_back(0);
  }

  MarkupResult Run(const std::vector<Token>& tokens) {
    for (const Token& t : tokens) {
      if (!One(t)) break;
    }
    Finish();
    return std::move(result_);
  }

 private:
  MarkupPlace Place(size_t offset) const {
    const auto it = std::upper_bound(line_starts_.begin(), line_starts_.end(), offset);
    const size_t line = static_cast<size_t>(it - line_starts_.begin()) - 1;
    return {line, offset - line_starts_[line]};
  }

  void Note(MarkupNoteKind kind, size_t offset, std::string text) {
    result_.Notes.push_back({kind, Place(offset), std::move(text)});
  }

  // False: the parse stops here.
  bool One(const Token& t) {
    if (t.kind == TokenKind::kComment) {
      if (t.unclosed) Note(MarkupNoteKind::kUnclosedComment, t.start, t.text);
      return true;
    }
    if (t.kind == TokenKind::kText) {
      if (t.unclosed) Note(MarkupNoteKind::kUnclosedTag, t.start, t.text);
      Text(t.text);
      return true;
    }
    return Interpret(SplitTag(t.text), t.start);
  }

  void Text(std::string_view s) {
    for (size_t i = 0; i < s.size(); ++i) {
      const auto b = static_cast<uint8_t>(s[i]);
      uint16_t code = b;
      if (IsSjisLeadByte(b) && i + 1 < s.size())
        code = static_cast<uint16_t>(b << 8 | static_cast<uint8_t>(s[++i]));
      GlyphRecord g;
      g.Type = kGlyphChar;
      g.Code = code;
      Styled(g);
      glyphs_.push_back(std::move(g));
    }
  }

  // A character or variable glyph takes the current attributes.
  void Styled(GlyphRecord& g) {
    const AttributeState& s = state_;
    DecorateRecord look;
    look.Size = s.size.Top();
    look.Color = s.color.Top();
    look.BorderColor = s.border_color.Top();
    look.ShadowColor = s.shadow_color.Top();
    look.FontName = s.font_name.Top();
    look.Style = s.style;
    look.NoBreak = s.no_break;
    look.Ruby = s.ruby;
    look.Border = s.border.Top();
    look.Shadow = s.shadow.Top();
    g.Link = s.link;
    g.Wait = s.wait.Top();
    g.Style = static_cast<int32_t>(records_.Use(look));
  }

  void Emit(GlyphRecord g) { glyphs_.push_back(std::move(g)); }

  bool Interpret(const Tag& tag, size_t start) {
    const std::string name = UpperAsciiBytes(tag.name);
    static const std::vector<std::pair<std::string_view, uint8_t>> kStyleTags = {
        {"B", kStyleBold}, {"I", kStyleItalic}, {"U", kStyleUnderline}, {"S", kStyleStrikeOut}};
    for (const auto& [word, bit] : kStyleTags) {
      if (name == word) {
        state_.style |= bit;
        return Checked(tag, start, {});
      }
      if (name.size() == 2 && name[0] == '/' && name.substr(1) == word) {
        state_.style &= static_cast<uint8_t>(~bit);
        return Checked(tag, start, {});
      }
    }
    if (name == "A") return Link(tag, start);
    if (name == "/A") state_.link.clear();
    if (name == "FONT") Font(tag);
    if (name == "/FONT") PopFont();
    if (name == "NOBR" || name == "/NOBR") state_.no_break = name == "NOBR" ? 1 : 0;
    if (name == "RUBY") state_.ruby = tag.Value("VALUE");
    if (name == "/RUBY") state_.ruby.clear();
    if (name == "DIV") Div(tag);
    if (name == "/DIV") {
      state_.align.Pop();
      Emit(AlignGlyph(state_.align.Top()));
    }
    if (name == "INDENT" || name == "UNDENT")
      Emit(Simple(name == "INDENT" ? kGlyphIndent : kGlyphUndent));
    if (name == "BR" || name == "CLEAR") {
      GlyphRecord g = Simple(kGlyphReturn);
      g.Clear = name == "CLEAR" || tag.Has("CLEAR");
      Emit(std::move(g));
    }
    if (name == "EVENT") Event(tag);
    if (name == "WAIT") state_.wait.Push(Number(tag.Value("VALUE")).value_or(state_.wait.Top()));
    if (name == "/WAIT") state_.wait.Pop();
    if (name == "VAR") Var(tag);
    if (name == "IMG") Img(tag);
    return Checked(tag, start, name);
  }

  // Notes for tags and attributes the table does not read.
  bool Checked(const Tag& tag, size_t start, const std::string& name) {
    struct Known {
      std::string_view tag;
      std::vector<std::string_view> attributes;
    };
    static const std::vector<Known> kKnown = {
        {"A", {"HREF"}},
        {"/A", {}},
        {"FONT", {"SIZE", "COLOR", "BCOLOR", "SCOLOR", "NAME", "BORDER", "SHADOW"}},
        {"/FONT", {}},
        {"NOBR", {}},
        {"/NOBR", {}},
        {"RUBY", {"VALUE"}},
        {"/RUBY", {}},
        {"DIV", {"ALIGN"}},
        {"/DIV", {}},
        {"INDENT", {}},
        {"UNDENT", {}},
        {"BR", {"CLEAR"}},
        {"CLEAR", {}},
        {"EVENT", {"VALUE", "END"}},
        {"WAIT", {"VALUE"}},
        {"/WAIT", {}},
        {"VAR", {"NAME"}},
        {"IMG", {"SRC", "ALIGN"}},
        {"PRE", {}},
        {"/PRE", {}},
        {"TEXTAREA", {}},
        {"/TEXTAREA", {}},
    };
    // The style tags come here with an empty name: they take no attributes.
    // So does "<>", the empty tag that keeps two spaces apart.
    const Known* known = nullptr;
    static const Known kNone{"", {}};
    if (name.empty()) known = &kNone;
    for (const Known& k : kKnown)
      if (k.tag == name) known = &k;
    if (!known) {
      Note(MarkupNoteKind::kUnknownTag, start, tag.name);
      return true;
    }
    // PRE and TEXTAREA take whatever HTML gives them.
    if (name == "PRE" || name == "TEXTAREA") return true;
    for (const Attribute& a : tag.attributes) {
      const bool read =
          std::any_of(known->attributes.begin(), known->attributes.end(),
                      [&](std::string_view k) { return EqualsIgnoreAsciiCase(a.name, k); });
      if (!read) Note(MarkupNoteKind::kUnknownAttribute, start, a.name);
    }
    return true;
  }

  bool Link(const Tag& tag, size_t start) {
    const std::string href = tag.Value("HREF");
    if (href.empty()) {
      result_.Error = MessageCp932(Msg::kLinkWithoutHref);
      result_.ErrorAt = Place(start);
      return false;
    }
    state_.link = Unescape(href);
    return Checked(tag, start, "A");
  }

  void Font(const Tag& tag) {
    AttributeState& s = state_;
    s.size.Push(Number(tag.Value("SIZE")).value_or(s.size.Top()));
    s.color.Push(Colour(tag.Value("COLOR")).value_or(s.color.Top()));
    s.border_color.Push(Colour(tag.Value("BCOLOR")).value_or(s.border_color.Top()));
    s.shadow_color.Push(Colour(tag.Value("SCOLOR")).value_or(s.shadow_color.Top()));
    const std::string face = tag.Value("NAME");
    s.font_name.Push(face.empty() ? s.font_name.Top() : face);
    s.border.Push(Width(tag, "BORDER", s.border.Top()));
    s.shadow.Push(Width(tag, "SHADOW", s.shadow.Top()));
  }

  // BORDER and SHADOW: present without a number means 1, negative means 0.
  static int32_t Width(const Tag& tag, std::string_view key, int32_t current) {
    if (!tag.Has(key)) return current;
    const std::optional<int32_t> n = Number(tag.Value(key));
    if (!n) return 1;
    return std::max(*n, 0);
  }

  void PopFont() {
    AttributeState& s = state_;
    s.size.Pop();
    s.color.Pop();
    s.border_color.Pop();
    s.shadow_color.Pop();
    s.font_name.Pop();
    s.border.Pop();
    s.shadow.Pop();
  }

  void Div(const Tag& tag) {
    const uint8_t a = AlignOf(tag, {kAlignLeft, kAlignRight, kAlignCenter}, kAlignLeft);
    state_.align.Push(a);
    Emit(AlignGlyph(a));
  }

  void Event(const Tag& tag) {
    GlyphRecord g = Simple(kGlyphEvent);
    g.Value = Unescape(tag.Value("VALUE"));
    g.Stop = tag.Has("END");
    Emit(std::move(g));
  }

  void Var(const Tag& tag) {
    const std::string name = tag.Value("NAME");
    if (name.empty()) return;
    GlyphRecord g = Simple(kGlyphVar);
    g.Name = name;
    Styled(g);
    Emit(std::move(g));
  }

  void Img(const Tag& tag) {
    const std::string source = tag.Value("SRC");
    if (source.empty()) return;
    GlyphRecord g = Simple(kGlyphImg);
    g.Source = source;
    g.Align = AlignOf(tag, {kAlignCenter, kAlignTop, kAlignBottom}, kAlignBottom);
    g.Link = state_.link;
    g.Wait = state_.wait.Top();
    Emit(std::move(g));
  }

  static GlyphRecord Simple(uint8_t type) {
    GlyphRecord g;
    g.Type = type;
    return g;
  }
  static GlyphRecord AlignGlyph(uint8_t align) {
    GlyphRecord g = Simple(kGlyphAlign);
    g.Align = align;
    return g;
  }

  void Finish() {
    result_.Stream.Version = kGlyphStreamVersion;
    result_.Stream.Decorates = records_.Finish();
    result_.Stream.Glyphs = std::move(glyphs_);
  }

  AttributeState state_;
  DecorateTable records_;
  std::vector<GlyphRecord> glyphs_;
  std::vector<size_t> line_starts_;
  MarkupResult result_;
};

}  // namespace

MarkupResult ParseMarkup(const std::vector<std::string>& lines, int32_t text_delay) {
  std::string joined;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i) joined += '\r';
    joined += lines[i];
  }
  return Interpreter(lines, text_delay).Run(markup::Tokenize(joined));
}

bool SameStream(const GlyphStream& a, const GlyphStream& b) {
  if (a.Version != b.Version || a.Complete != b.Complete || a.Glyphs != b.Glyphs ||
      a.Decorates.size() != b.Decorates.size())
    return false;
  for (size_t i = 0; i < a.Decorates.size(); ++i)
    if (!a.Decorates[i].SameLook(b.Decorates[i]) ||
        a.Decorates[i].RefCount != b.Decorates[i].RefCount)
      return false;
  return true;
}

}  // namespace vesk::text
