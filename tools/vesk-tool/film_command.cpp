// "vesk-tool film": the description is one keyword a line, `#` starting a
// comment. The film's own lines come first; a kind word ("image", "label",
// "box", "wipe", "sound", "tile", "particle", "fire") opens a frame list and
// the keywords after it fill that list. A field left out keeps its default.
// Strings are quoted as in the script language (UTF-8, converted to CP932;
// `\xNN` for raw bytes). One table of fields per record (the Visit
// functions) serves both the parser and the printer, so they cannot
// disagree.
#include "vesk-tool/film_command.h"

#include <bit>
#include <charconv>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "anim/film_file.h"
#include "platform/files.h"
#include "vesk-tool/script/lexer.h"

namespace vesk::tool {
namespace {

using namespace anim;
using script::CompileError;
using script::QuoteString;
using script::Tok;
using script::TokenStream;

// The fields of a record, visited by keyword. A keyword takes the listed
// values on one line, start values before end values.
class FieldVisitor {
 public:
  virtual ~FieldVisitor() = default;
  virtual void Ints(const char* word, std::initializer_list<int32_t*> values) = 0;
  // Integers printed in hex (colours and the reserved word).
  virtual void Hex(const char* word, std::initializer_list<int32_t*> values) = 0;
  virtual void Bytes(const char* word, std::initializer_list<uint8_t*> values) = 0;
  virtual void Reals(const char* word, std::initializer_list<double*> values) = 0;
  virtual void Text(const char* word, std::string* value) = 0;
};

void VisitClip(FieldVisitor& v, ClipBlock& c, const char* word, const char* ease_word) {
  v.Ints(word, {&c.StartClipPos.x, &c.StartClipPos.y, &c.StartClipSize.x, &c.StartClipSize.y,
                &c.EndClipPos.x, &c.EndClipPos.y, &c.EndClipSize.x, &c.EndClipSize.y});
  v.Bytes(ease_word, {&c.EaseClipX, &c.EaseClipY});
}

void VisitPos(FieldVisitor& v, FilmPoint& start, FilmPoint& end, uint8_t& ease_x, uint8_t& ease_y) {
  v.Ints("pos", {&start.x, &start.y, &end.x, &end.y});
  v.Bytes("ease_pos", {&ease_x, &ease_y});
}

void VisitSize(FieldVisitor& v, int32_t& sw, int32_t& sh, int32_t& ew, int32_t& eh) {
  v.Ints("size", {&sw, &sh, &ew, &eh});
}

// A tile's image part holds a clip block that its second one replaces: the
// first is "first_clip" there, so that "clip" is always the one in use.
void VisitImagePart(FieldVisitor& v, ImagePart& p, bool tile) {
  v.Ints("anchor", {&p.Anchor.x, &p.Anchor.y});
  VisitPos(v, p.StartPos, p.EndPos, p.EaseX, p.EaseY);
  v.Ints("angle", {&p.StartAngle_deg, &p.EndAngle_deg});
  v.Bytes("ease_angle", {&p.EaseAngle});
  v.Reals("zoom_x", {&p.StartZoomX, &p.EndZoomX});
  v.Bytes("ease_zoom_x", {&p.EaseZoomX});
  v.Reals("zoom_y", {&p.StartZoomY, &p.EndZoomY});
  v.Bytes("ease_zoom_y", {&p.EaseZoomY});
  v.Ints("alpha", {&p.StartAlpha, &p.EndAlpha});
  if (tile)
    VisitClip(v, p.Clip, "first_clip", "ease_first_clip");
  else
    VisitClip(v, p.Clip, "clip", "ease_clip");
}

void Visit(FieldVisitor& v, ImageListData& d) {
  VisitImagePart(v, d.Image, false);
  v.Text("source", &d.Source);
}

void Visit(FieldVisitor& v, LabelListData& d) {
  VisitImagePart(v, d.Image, false);
  v.Text("text", &d.Text);
  v.Bytes("antialias", {&d.Antialias});
  v.Text("font_name", &d.FontName);
  v.Ints("font_height", {&d.FontHeight});
  v.Ints("line_space", {&d.LineSpace});
  v.Bytes("font_style", {&d.FontStyle});
  v.Hex("font_color", {&d.FontColor});
  v.Bytes("halign", {&d.HAlign});
}

void Visit(FieldVisitor& v, BoxListData& d) {
  VisitPos(v, d.StartPos, d.EndPos, d.EaseX, d.EaseY);
  VisitSize(v, d.StartWidth, d.StartHeight, d.EndWidth, d.EndHeight);
  v.Ints("alpha", {&d.StartAlpha, &d.EndAlpha});
  v.Hex("color", {&d.StartColor, &d.EndColor});
  v.Ints("border_width", {&d.StartBorderWidth, &d.EndBorderWidth});
  v.Hex("border_color", {&d.StartBorderColor, &d.EndBorderColor});
  VisitClip(v, d.Clip, "clip", "ease_clip");
}

void Visit(FieldVisitor& v, WipeListData& d) {
  v.Bytes("wipe_type", {&d.WipeType});
  v.Text("rule_image", &d.RuleImage);
  v.Ints("params", {&d.Param0, &d.Param1});
  v.Bytes("reverse", {&d.Reverse});
}

void Visit(FieldVisitor& v, SoundListData& d) {
  v.Text("source", &d.Source);
  v.Ints("volume", {&d.StartVolume, &d.EndVolume});
  v.Bytes("ease_volume", {&d.EaseVolume});
  v.Ints("balance", {&d.StartBalance, &d.EndBalance});
  v.Bytes("ease_balance", {&d.EaseBalance});
}

void Visit(FieldVisitor& v, TileListData& d) {
  VisitImagePart(v, d.Image, true);
  v.Text("source", &d.Source);
  VisitSize(v, d.StartWidth, d.StartHeight, d.EndWidth, d.EndHeight);
  v.Ints("scroll", {&d.StartScrollX, &d.StartScrollY, &d.EndScrollX, &d.EndScrollY});
  v.Bytes("ease_scroll", {&d.EaseScrollX, &d.EaseScrollY});
  v.Ints("distance", {&d.DistanceX, &d.DistanceY});
  VisitClip(v, d.Clip, "clip", "ease_clip");
}

void Visit(FieldVisitor& v, ParticleListData& d) {
  v.Text("source", &d.Source);
  v.Bytes("part_motion", {&d.PartMotion});
  v.Ints("warm_up_ms", {&d.WarmUp_ms});
  v.Ints("interval", {&d.StartIntervalBase, &d.EndIntervalBase});
  v.Ints("interval_range", {&d.StartIntervalRange, &d.EndIntervalRange});
  v.Ints("x_base", {&d.StartXBase, &d.EndXBase});
  v.Ints("y_base", {&d.StartYBase, &d.EndYBase});
  v.Bytes("ease_base", {&d.EaseXBase, &d.EaseYBase});
  v.Ints("x_range", {&d.StartXRange, &d.EndXRange});
  v.Ints("y_range", {&d.StartYRange, &d.EndYRange});
  v.Reals("param1", {&d.StartParam1, &d.EndParam1});
  v.Reals("param2", {&d.StartParam2, &d.EndParam2});
  v.Reals("param3", {&d.StartParam3, &d.EndParam3});
  VisitPos(v, d.StartPos, d.EndPos, d.EaseX, d.EaseY);
  VisitSize(v, d.StartWidth, d.StartHeight, d.EndWidth, d.EndHeight);
  v.Ints("alpha", {&d.StartAlpha, &d.EndAlpha});
  VisitClip(v, d.Clip, "clip", "ease_clip");
}

void Visit(FieldVisitor& v, FireListData& d) {
  VisitPos(v, d.StartPos, d.EndPos, d.EaseX, d.EaseY);
  VisitSize(v, d.StartWidth, d.StartHeight, d.EndWidth, d.EndHeight);
  v.Reals("zoom_x", {&d.StartZoomX, &d.EndZoomX});
  v.Bytes("ease_zoom_x", {&d.EaseZoomX});
  v.Reals("zoom_y", {&d.StartZoomY, &d.EndZoomY});
  v.Bytes("ease_zoom_y", {&d.EaseZoomY});
  v.Ints("power", {&d.Power});
  VisitClip(v, d.Clip, "clip", "ease_clip");
}

void VisitCommon(FieldVisitor& v, FrameList& list, int32_t& reserved) {
  v.Ints("parent", {&list.Parent});
  v.Ints("length", {&list.Length});
  v.Ints("start", {&list.OwnStart});
  v.Ints("cycle", {&list.Cycle});
  v.Ints("priority", {&list.Priority});
  v.Bytes("flip", {&list.FlipH, &list.FlipV});
  v.Bytes("back_base", {&list.BackBase});
  v.Hex("reserved", {&reserved});
}

void VisitList(FieldVisitor& v, FrameList& list) {
  auto reserved = static_cast<int32_t>(list.Reserved);
  VisitCommon(v, list, reserved);
  list.Reserved = static_cast<uint32_t>(reserved);
  std::visit([&v](auto& data) { Visit(v, data); }, list.Data);
}

void VisitHeader(FieldVisitor& v, FilmData& film) {
  v.Ints("film_size", {&film.Size.x, &film.Size.y});
  v.Hex("back_color", {&film.BackColor});
  v.Bytes("relative", {&film.Relative});
  v.Ints("design_origin", {&film.DesignOrigin.x, &film.DesignOrigin.y});
  v.Ints("loop_start", {&film.LoopStart});
}

// ---- printing

std::string RealText(double d) {
  if (!std::isfinite(d)) {
    // No number reads back as these: the bit pattern, quoted.
    char bits[24];
    std::snprintf(bits, sizeof bits, "\"0x%016" PRIX64 "\"", std::bit_cast<uint64_t>(d));
    return bits;
  }
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, d).ptr;
  return std::string(text, end);
}

std::string HexText(int32_t v) {
  if (v < 0) return std::to_string(v);
  char text[16];
  std::snprintf(text, sizeof text, "0x%06X", static_cast<unsigned>(v));
  return text;
}

class Printer : public FieldVisitor {
 public:
  explicit Printer(std::string indent) : indent_(std::move(indent)) {}
  void Ints(const char* word, std::initializer_list<int32_t*> values) override {
    Line(word, values, [](int32_t* p) { return std::to_string(*p); });
  }
  void Hex(const char* word, std::initializer_list<int32_t*> values) override {
    Line(word, values, [](int32_t* p) { return HexText(*p); });
  }
  void Bytes(const char* word, std::initializer_list<uint8_t*> values) override {
    Line(word, values, [](uint8_t* p) { return std::to_string(*p); });
  }
  void Reals(const char* word, std::initializer_list<double*> values) override {
    Line(word, values, [](double* p) { return RealText(*p); });
  }
  void Text(const char* word, std::string* value) override {
    out_ += indent_ + word + " " + QuoteString(*value) + "\n";
  }
  const std::string& text() const { return out_; }

 private:
  template <typename T, typename Format>
  void Line(const char* word, std::initializer_list<T*> values, Format format) {
    out_ += indent_ + word;
    for (T* p : values) out_ += " " + format(p);
    out_ += "\n";
  }
  std::string indent_;
  std::string out_;
};

// ---- parsing

int64_t Integer(TokenStream& ts, int64_t lo, int64_t hi, const std::string& what) {
  const bool negative = ts.Accept("-");
  const script::Token& t = ts.Next();
  if (t.kind != Tok::kInt) ts.Fail(t, what + " wants a whole number");
  const int64_t v = negative ? -t.int_value : t.int_value;
  if (v < lo || v > hi)
    ts.Fail(t, what + " must lie between " + std::to_string(lo) + " and " + std::to_string(hi));
  return v;
}

double Real(TokenStream& ts, const std::string& what) {
  if (ts.Peek().kind == Tok::kString) {
    const script::Token& t = ts.Next();
    char* end = nullptr;
    const uint64_t bits = std::strtoull(t.text.c_str(), &end, 16);
    if (t.text.size() != 18 || end != t.text.c_str() + t.text.size())
      ts.Fail(t, what + " wants a number or a quoted bit pattern \"0x\" + 16 hex digits");
    return std::bit_cast<double>(bits);
  }
  const bool negative = ts.Accept("-");
  const script::Token& t = ts.Next();
  long double v = 0;
  if (t.kind == Tok::kInt)
    v = static_cast<long double>(t.int_value);
  else if (t.kind == Tok::kReal)
    v = t.real_value;
  else
    ts.Fail(t, what + " wants a number");
  return static_cast<double>(negative ? -v : v);
}

// Fills the fields of the keyword `key` from the rest of its line.
class Parser : public FieldVisitor {
 public:
  Parser(TokenStream& ts, const script::Token& key) : ts_(ts), key_(key) {}
  bool matched() const { return matched_; }

  void Ints(const char* word, std::initializer_list<int32_t*> values) override {
    if (!Match(word)) return;
    for (int32_t* p : values) *p = static_cast<int32_t>(Integer(ts_, INT32_MIN, INT32_MAX, word));
  }
  void Hex(const char* word, std::initializer_list<int32_t*> values) override {
    if (!Match(word)) return;
    // Hex reads wrap to 32 bits; decimal up to 0xFFFFFFFF is allowed too.
    for (int32_t* p : values)
      *p = static_cast<int32_t>(static_cast<uint32_t>(Integer(ts_, INT32_MIN, UINT32_MAX, word)));
  }
  void Bytes(const char* word, std::initializer_list<uint8_t*> values) override {
    if (!Match(word)) return;
    for (uint8_t* p : values) *p = static_cast<uint8_t>(Integer(ts_, 0, 255, word));
  }
  void Reals(const char* word, std::initializer_list<double*> values) override {
    if (!Match(word)) return;
    for (double* p : values) *p = Real(ts_, word);
  }
  void Text(const char* word, std::string* value) override {
    if (!Match(word)) return;
    const script::Token& t = ts_.Next();
    if (t.kind != Tok::kString) ts_.Fail(t, std::string(word) + " wants a quoted string");
    *value = t.text;
  }

 private:
  bool Match(const char* word) {
    if (matched_ || !key_.IsWord(word)) return false;
    matched_ = true;
    return true;
  }
  TokenStream& ts_;
  const script::Token& key_;
  bool matched_ = false;
};

// The empty list of the kind named `key`, when it names one.
bool ListOfKind(const script::Token& key, FrameList& list) {
  for (int id = 0; id < kFrameListKindCount; ++id) {
    if (!key.IsWord(FrameListKindName(static_cast<FrameListKind>(id)))) continue;
    list = FrameList{};
    // The variant's alternatives stand in kind order.
    switch (static_cast<FrameListKind>(id)) {
      case FrameListKind::kImage:
        list.Data = ImageListData{};
        break;
      case FrameListKind::kLabel:
        list.Data = LabelListData{};
        break;
      case FrameListKind::kBox:
        list.Data = BoxListData{};
        break;
      case FrameListKind::kWipe:
        list.Data = WipeListData{};
        break;
      case FrameListKind::kSound:
        list.Data = SoundListData{};
        break;
      case FrameListKind::kTile:
        list.Data = TileListData{};
        break;
      case FrameListKind::kParticle:
        list.Data = ParticleListData{};
        break;
      case FrameListKind::kFire:
        list.Data = FireListData{};
        break;
    }
    return true;
  }
  return false;
}

void ParseLine(TokenStream& ts, FilmData& film) {
  const script::Token& key = ts.Next();
  if (key.kind != Tok::kIdent) ts.Fail(key, "a line starts with a keyword");
  FrameList list;
  if (key.IsWord("film")) {
    const script::Token& kind = ts.Next();
    if (kind.IsWord("cinema"))
      film.FileKind = FilmFileKind::kCinema;
    else if (kind.IsWord("motion"))
      film.FileKind = FilmFileKind::kMotion;
    else
      ts.Fail(kind, "film is 'cinema' or 'motion'");
  } else if (key.IsWord("version")) {
    film.Version = static_cast<int32_t>(Integer(ts, 0, 999, "the version"));
  } else if (ListOfKind(key, list)) {
    film.Lists.push_back(std::move(list));
  } else {
    Parser parser(ts, key);
    if (!film.Lists.empty()) VisitList(parser, film.Lists.back());
    if (!parser.matched() && film.Lists.empty()) VisitHeader(parser, film);
    if (!parser.matched())
      ts.Fail(key, "unknown keyword '" + key.text + "'" +
                       (film.Lists.empty() ? "" : " for a list of this kind"));
  }
  if (!ts.AtEnd()) ts.Fail("more than '" + key.text + "' takes on one line");
}

}  // namespace

std::string FilmUsage() {
  return "  vesk-tool film write DESC.txt OUT.lcm|OUT.lmt\n"
         "      a cinema or a motion from a description (docs/tool-manual.md)\n"
         "  vesk-tool film show FILE\n"
         "      every field of a film, as a description that write reads back\n";
}

FilmData ParseFilmDescription(const std::string& utf8) {
  FilmData film;
  script::ForEachDescriptionLine(utf8, [&](TokenStream& ts) { ParseLine(ts, film); });
  return film;
}

std::string DescribeFilm(const FilmData& film) {
  FilmData copy = film;
  std::string out =
      std::string("film ") + (film.FileKind == FilmFileKind::kMotion ? "motion" : "cinema") + "\n";
  out += "version " + std::to_string(film.Version) + "\n";
  Printer header("");
  VisitHeader(header, copy);
  out += header.text();
  for (size_t i = 0; i < copy.Lists.size(); ++i) {
    FrameList& list = copy.Lists[i];
    out +=
        "\n" + std::string(FrameListKindName(list.Kind())) + "  # list " + std::to_string(i) + "\n";
    Printer fields("  ");
    VisitList(fields, list);
    out += fields.text();
  }
  return out;
}

int RunFilmCommand(const std::vector<std::string>& args) {
  const bool write = args.size() == 3 && args[0] == "write";
  const bool show = args.size() == 2 && args[0] == "show";
  if (!write && !show) {
    std::cerr << "usage:\n" << FilmUsage();
    return 2;
  }
  const std::string& in_path = args[1];
  const auto bytes = platform::ReadWholeFile(in_path);
  if (!bytes) {
    std::cerr << "vesk-tool: " << in_path << ": cannot read\n";
    return 1;
  }
  if (show) {
    try {
      const auto film = ReadFilm(*bytes, in_path);
      if (!film) {
        std::cerr << "vesk-tool: " << in_path << ": not a film (no " << kCinemaMagic << " or "
                  << kMotionMagic << " at its start)\n";
        return 1;
      }
      std::cout << DescribeFilm(*film);
      return 0;
    } catch (const EFilmFile& e) {
      std::cerr << "vesk-tool: damaged film: " << e.what() << '\n';
      return 1;
    }
  }
  FilmData film;
  try {
    film = ParseFilmDescription(std::string(bytes->begin(), bytes->end()));
  } catch (const CompileError& e) {
    std::cerr << "vesk-tool: " << in_path << ":" << e.line() << ":" << e.column() << ": "
              << e.what() << '\n';
    return 1;
  }
  const std::vector<uint8_t> out = WriteFilm(film);
  std::string error;
  if (!platform::WriteFileAtomic(args[2], out.data(), out.size(), &error)) {
    std::cerr << "vesk-tool: " << args[2] << ": " << error << '\n';
    return 1;
  }
  return 0;
}

}  // namespace vesk::tool
