#include "text/tpwords.h"

#include <algorithm>

#include "core/record_io.h"
#include "core/sjis.h"
#include "core/version.h"
#include "text/fontpixels.h"
#include "text/markup.h"

namespace vesk::text {
namespace {

const std::string kEmpty;

std::string CodeText(uint16_t code) {
  if (code > 255) return {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
  return std::string(1, static_cast<char>(code));
}

// Splits CP932 text into character codes (double-byte as lead * 256 + trail).
std::vector<uint16_t> CodesOf(const std::string& s) {
  std::vector<uint16_t> out;
  for (size_t i = 0; i < s.size(); ++i) {
    const auto b = static_cast<uint8_t>(s[i]);
    if (IsSjisLeadByte(b) && i + 1 < s.size()) {
      out.push_back(static_cast<uint16_t>(b << 8 | static_cast<uint8_t>(s[i + 1])));
      ++i;
    } else {
      out.push_back(b);
    }
  }
  return out;
}

}  // namespace

// ---- TWdGlyph

uint8_t TWdGlyph::TypeCode() const {
  switch (kind_) {
    case GlyphKind::kChar:
    case GlyphKind::kVarChar:
      return kGlyphChar;
    case GlyphKind::kImg:
      return kGlyphImg;
    case GlyphKind::kAlign:
      return kGlyphAlign;
    case GlyphKind::kReturn:
    case GlyphKind::kVarReturn:
      return kGlyphReturn;
    case GlyphKind::kIndent:
      return kGlyphIndent;
    case GlyphKind::kUndent:
      return kGlyphUndent;
    case GlyphKind::kEvent:
      return kGlyphEvent;
    case GlyphKind::kVar:
      return kGlyphVar;
    case GlyphKind::kSpace:
      break;
  }
  return 0;
}

int32_t TWdGlyph::SourceCount() const {
  switch (kind_) {
    case GlyphKind::kVarChar:
    case GlyphKind::kVarReturn:
    case GlyphKind::kSpace:
      return 0;
    default:
      return 1;
  }
}

bool TWdGlyph::NoBreak() const {
  const DecorateRecord* d = IsChar() ? Style() : nullptr;
  return d && d->NoBreak != 0;
}

const std::string& TWdGlyph::Ruby() const {
  const DecorateRecord* d = IsChar() ? Style() : nullptr;
  return d ? d->Ruby : kEmpty;
}

int32_t TWdGlyph::ScreenX() const {
  return Row ? Wrap32(int64_t{Row->Page().ScreenX()} + Row->X + X) : X;
}

int32_t TWdGlyph::ScreenY() const {
  return Row ? Wrap32(int64_t{Row->ScreenY()} + Y) : Y;
}

int32_t TWdGlyph::SurfaceX() const {
  return Row ? Wrap32(int64_t{Row->X} + X) : X;
}

int32_t TWdGlyph::SurfaceY() const {
  return Row ? Wrap32(int64_t{Row->Y} + Y) : Y;
}

void TWdGlyph::Invalidate() {
  if (Width > 0 && Height > 0) word_->AddDirty(ScreenRect());
}

void TWdGlyph::Assign(const TWdGlyph& other) {
  Link = other.Link;
  Wait = other.Wait;
  Alpha = other.Alpha;
}

GlyphRecord TWdGlyph::ToRecord() const {
  GlyphRecord r;
  r.Type = TypeCode();
  r.Link = Link;
  r.Wait = Wait;
  return r;
}

// ---- Kinds

std::string TWdChar::CharText() const {
  return CodeText(CodeValue);
}

void TWdChar::Assign(const TWdGlyph& other) {
  TWdGlyph::Assign(other);
  const auto& o = static_cast<const TWdChar&>(other);
  CodeValue = o.CodeValue;
}

void TWdImg::Assign(const TWdGlyph& other) {
  TWdGlyph::Assign(other);
  const auto& o = static_cast<const TWdImg&>(other);
  Source = o.Source;
  Align = o.Align;
}

void TWdOpe::Assign(const TWdGlyph& other) {
  TWdGlyph::Assign(other);
  const auto& o = static_cast<const TWdOpe&>(other);
  Align = o.Align;
  Clear = o.Clear;
  Value = o.Value;
  Stop = o.Stop;
}

void TWdOpeVar::Assign(const TWdGlyph& other) {
  TWdGlyph::Assign(other);
  const auto& o = static_cast<const TWdOpeVar&>(other);
  Name = o.Name;
  Expression = o.Expression;
}

std::string TWdOpeVar::ProducedValue() const {
  std::string v;
  for (const TWdGlyph* g : Produced) v += g->IsReturn() ? std::string("\x01") : g->CharText();
  return v;
}

// ---- TTpWord

TTpWord::TTpWord(TFontPixelManager* glyphs, TextEnvironment* environment)
    : FontName(kDefaultFace), glyphs_(glyphs), environment_(environment) {
  mask_surface_.SetSize(0, 0, 8);
}

TTpWord::~TTpWord() = default;

const std::string& TTpWord::EffectiveFontName() const {
  return FontName.empty() ? kDefaultFace : FontName;
}

void TTpWord::AddDirty(const Rect& r) {
  if (!r.IsEmpty()) DirtyRects.push_back(r);
}

void TTpWord::Clear() {
  glyphs_list_.clear();
  decorates_.clear();
  DecorateBase = 0;
  VarSnapshot.clear();
}

DecorateRecord* TTpWord::AddDecorate(const DecorateRecord& record) {
  decorates_.push_back(std::make_unique<DecorateRecord>(record));
  return decorates_.back().get();
}

DecorateRecord* TTpWord::FindOrAddDecorate(const DecorateRecord& record) {
  for (auto& d : decorates_)
    if (d->SameLook(record)) {
      ++d->RefCount;
      return d.get();
    }
  DecorateRecord r = record;
  r.RefCount = 1;
  return AddDecorate(r);
}

DecorateRecord* TTpWord::DefaultDecorate() {
  DecorateRecord plain;
  plain.Border = 0;
  plain.Shadow = 0;
  return FindOrAddDecorate(plain);
}

std::unique_ptr<TWdGlyph> TTpWord::NewGlyph(uint8_t type_code) {
  switch (type_code) {
    case kGlyphChar:
      return std::make_unique<TWdChar>(*this);
    case kGlyphAlign:
      return std::make_unique<TWdOpe>(*this, GlyphKind::kAlign);
    case kGlyphReturn:
      return std::make_unique<TWdOpe>(*this, GlyphKind::kReturn);
    case kGlyphIndent:
      return std::make_unique<TWdOpe>(*this, GlyphKind::kIndent);
    case kGlyphUndent:
      return std::make_unique<TWdOpe>(*this, GlyphKind::kUndent);
    case kGlyphEvent:
      return std::make_unique<TWdOpe>(*this, GlyphKind::kEvent);
    case kGlyphVar:
      return std::make_unique<TWdOpeVar>(*this);
    case kGlyphImg:
      return std::make_unique<TWdImg>(*this);
    default:
      return nullptr;
  }
}

std::unique_ptr<TWdGlyph> TTpWord::GlyphFromRecord(const GlyphRecord& r, int32_t decorate_base) {
  auto glyph = NewGlyph(r.Type);
  if (!glyph) return nullptr;
  // A style index outside the records falls back to the plain style rather
  // than pointing anywhere.
  auto style = [&](int32_t index) -> DecorateRecord* {
    const int64_t at = int64_t{decorate_base} + index;
    if (index < 0 || at >= static_cast<int64_t>(decorates_.size())) return DefaultDecorate();
    return decorates_[static_cast<size_t>(at)].get();
  };
  glyph->Link = r.Link;
  glyph->Wait = r.Wait;
  switch (r.Type) {
    case kGlyphChar: {
      auto& c = static_cast<TWdChar&>(*glyph);
      c.CodeValue = r.Code;
      c.Decorate = style(r.Style);
      break;
    }
    case kGlyphImg: {
      auto& img = static_cast<TWdImg&>(*glyph);
      img.Source = r.Source;
      img.Align = r.Align;
      break;
    }
    case kGlyphVar: {
      auto& v = static_cast<TWdOpeVar&>(*glyph);
      v.Name = r.Name;
      v.Expression = r.Expression;
      v.Decorate = style(r.Style);
      break;
    }
    default: {
      auto& o = static_cast<TWdOpe&>(*glyph);
      o.Align = r.Align;
      o.Clear = r.Clear;
      o.Value = r.Value;
      o.Stop = r.Stop;
      glyph->Link.clear();
      glyph->Wait = 0;
      break;
    }
  }
  return glyph;
}

void TTpWord::AppendStream(const GlyphStream& stream) {
  // Style indices of a stream count from the records that existed before it.
  DecorateBase = static_cast<int32_t>(decorates_.size());
  for (const auto& d : stream.Decorates) AddDecorate(d);
  for (const auto& r : stream.Glyphs)
    if (auto g = GlyphFromRecord(r, DecorateBase)) glyphs_list_.push_back(std::move(g));
}

void TTpWord::ReadGlyphs(ByteReader& in) {
  const ExpressionReader reader = environment_ ? environment_->ExpressionReaderFor() : nullptr;
  AppendStream(ReadGlyphStream(in, reader));
}

std::optional<std::string> TTpWord::Parse(const std::vector<std::string>& lines,
                                          int32_t text_delay) {
  Clear();
  MarkupResult result = ParseMarkup(lines, text_delay);
  AppendStream(result.Stream);
  return result.Error;
}

GlyphStream TTpWord::ToStream(int32_t first, int32_t last) const {
  GlyphStream s;
  ResolveRange(first, last);
  std::vector<const DecorateRecord*> used;
  auto index_of = [&](const DecorateRecord* d) {
    auto it = std::find(used.begin(), used.end(), d);
    if (it != used.end()) return static_cast<int32_t>(it - used.begin());
    used.push_back(d);
    return static_cast<int32_t>(used.size() - 1);
  };
  for (int32_t i = first; i <= last; ++i) {
    const TWdGlyph& g = *glyphs_list_[static_cast<size_t>(i)];
    if (g.SourceCount() == 0) continue;
    GlyphRecord r = g.ToRecord();
    switch (g.Kind()) {
      case GlyphKind::kChar: {
        const auto& c = static_cast<const TWdChar&>(g);
        r.Code = c.CodeValue;
        r.Style = c.Decorate ? index_of(c.Decorate) : 0;
        break;
      }
      case GlyphKind::kImg: {
        const auto& img = static_cast<const TWdImg&>(g);
        r.Source = img.Source;
        r.Align = img.Align;
        break;
      }
      case GlyphKind::kVar: {
        const auto& v = static_cast<const TWdOpeVar&>(g);
        r.Name = v.Name;
        r.Expression = v.Expression;
        r.Style = v.Decorate ? index_of(v.Decorate) : 0;
        break;
      }
      default: {
        const auto& o = static_cast<const TWdOpe&>(g);
        r.Link.clear();
        r.Wait = 0;
        r.Align = o.Align;
        r.Clear = o.Clear;
        r.Value = o.Value;
        r.Stop = o.Stop;
        break;
      }
    }
    s.Glyphs.push_back(std::move(r));
  }
  for (const DecorateRecord* d : used) {
    DecorateRecord copy = *d;
    copy.RefCount = 0;
    s.Decorates.push_back(copy);
  }
  for (const auto& r : s.Glyphs)
    if (r.Type == kGlyphChar || r.Type == kGlyphVar) ++s.Decorates[r.Style].RefCount;
  return s;
}

void TTpWord::CopyGlyphs(const TTpWord& source, int32_t first, int32_t last) {
  if (source.glyphs_list_.empty()) return;
  source.ResolveRange(first, last);
  std::vector<std::pair<const DecorateRecord*, DecorateRecord*>> mapped;
  auto own = [&](const DecorateRecord* d) -> DecorateRecord* {
    if (!d) return DefaultDecorate();
    for (auto& [from, to] : mapped)
      if (from == d) {
        ++to->RefCount;
        return to;
      }
    DecorateRecord* to = FindOrAddDecorate(*d);
    mapped.emplace_back(d, to);
    return to;
  };
  for (int32_t i = first; i <= last; ++i) {
    const TWdGlyph& g = *source.glyphs_list_[static_cast<size_t>(i)];
    if (g.SourceCount() == 0) continue;  // variable output is made again by ExpandVars
    auto copy = NewGlyph(g.TypeCode());
    if (!copy) continue;
    copy->Assign(g);
    copy->Alpha = 255;
    if (g.Kind() == GlyphKind::kChar)
      static_cast<TWdChar&>(*copy).Decorate = own(static_cast<const TWdChar&>(g).Decorate);
    else if (g.Kind() == GlyphKind::kVar)
      static_cast<TWdOpeVar&>(*copy).Decorate = own(static_cast<const TWdOpeVar&>(g).Decorate);
    glyphs_list_.push_back(std::move(copy));
  }
}

void TTpWord::ResolveRange(int32_t& first, int32_t& last) const {
  const auto count = static_cast<int32_t>(glyphs_list_.size());
  first = std::clamp(first, 0, count);
  if (last < 0 || last >= count) last = count - 1;
}

// ---- Variables

void TTpWord::ExpandVars(int32_t first, int32_t last) {
  ResolveRange(first, last);
  for (int32_t i = last; i >= first; --i)
    if (glyphs_list_[static_cast<size_t>(i)]->Kind() == GlyphKind::kVar)
      Expand(static_cast<size_t>(i));
}

void TTpWord::CollapseVars(int32_t first, int32_t last) {
  ResolveRange(first, last);
  for (int32_t i = last; i >= first; --i)
    if (glyphs_list_[static_cast<size_t>(i)]->Kind() == GlyphKind::kVar)
      Collapse(static_cast<size_t>(i));
}

void TTpWord::Expand(size_t index) {
  auto& var = static_cast<TWdOpeVar&>(*glyphs_list_[index]);
  if (!var.Produced.empty()) Collapse(index);
  std::optional<std::string> value;
  if (!VarSnapshot.empty()) {
    // A snapshot stands for the moment it was taken: a name it lacks is
    // empty, never the current value.
    const std::string prefix = var.Name + "=";
    value = std::string();
    for (const auto& line : VarSnapshot)
      if (line.compare(0, prefix.size(), prefix) == 0) {
        value = line.substr(prefix.size());
        std::replace(value->begin(), value->end(), '\x01', '\r');
        break;
      }
  } else if (environment_) {
    value = var.Name.empty() && !var.Expression.empty()
                ? environment_->ExpressionText(var.Expression)
                : environment_->VariableText(var.Name);
  }
  if (!value) return;
  std::vector<std::unique_ptr<TWdGlyph>> made;
  for (uint16_t code : CodesOf(*value)) {
    if (code == '\r') {
      made.push_back(std::make_unique<TWdOpe>(*this, GlyphKind::kVarReturn));
    } else if (code >= 32) {
      auto c = std::make_unique<TWdChar>(*this, GlyphKind::kVarChar);
      c->CodeValue = code;
      c->Decorate = var.Decorate ? var.Decorate : DefaultDecorate();
      if (var.Decorate) ++var.Decorate->RefCount;
      c->Link = var.Link;
      c->Wait = var.Wait;
      made.push_back(std::move(c));
    }
  }
  for (auto& g : made) var.Produced.push_back(g.get());
  glyphs_list_.insert(glyphs_list_.begin() + static_cast<ptrdiff_t>(index) + 1,
                      std::make_move_iterator(made.begin()), std::make_move_iterator(made.end()));
}

void TTpWord::Collapse(size_t index) {
  auto& var = static_cast<TWdOpeVar&>(*glyphs_list_[index]);
  const size_t n = var.Produced.size();
  var.Produced.clear();
  if (n == 0) return;
  const auto from = glyphs_list_.begin() + static_cast<ptrdiff_t>(index) + 1;
  const auto to = from + static_cast<ptrdiff_t>(std::min(n, glyphs_list_.size() - index - 1));
  glyphs_list_.erase(from, to);
}

// ---- Source positions

int32_t TTpWord::SourceToIndex(int32_t source) const {
  if (source <= 0) return 0;
  int32_t seen = 0;
  for (size_t i = 0; i < glyphs_list_.size(); ++i) {
    if (seen >= source && glyphs_list_[i]->SourceCount() > 0) return static_cast<int32_t>(i);
    seen += glyphs_list_[i]->SourceCount();
  }
  return -1;
}

int32_t TTpWord::IndexToSource(const TWdGlyph* glyph) const {
  int32_t seen = 0;
  for (const auto& g : glyphs_list_) {
    if (g.get() == glyph) return seen;
    seen += g->SourceCount();
  }
  return seen;
}

int32_t TTpWord::IndexOf(const TWdGlyph* glyph) const {
  for (size_t i = 0; i < glyphs_list_.size(); ++i)
    if (glyphs_list_[i].get() == glyph) return static_cast<int32_t>(i);
  return -1;
}

// ---- Settings record

void TTpWord::TransferSettings(RecordIO& io) {
  io.I32(Left, "text left");
  io.I32(Top, "text top");
  io.I32(FontHeight, "font height");
  io.Str(FontName, "font name");
  io.I32(FontColor, "font colour");
  io.I32(PageHeight, "page height");
  io.I32(PageWidth, "page width");
  io.I32(AntiAlias, "anti-alias");
  io.I32(LineSpace, "line space");
  io.Bool8(Paging, "paging");
  io.I32(LinkColor, "link colour");
  io.I32(HoverColor, "hover colour");
  io.I32In(FadeTime, 0, INT32_MAX, "fade time");
  io.I32(BorderColor, "border colour");
  io.I32(Alpha, "text alpha");
  io.Bool8(TextPaused, "text paused");
  io.I32(CaretX, "caret x");
  io.I32(CaretY, "caret y");
  io.I32(DelayScale, "delay scale");
  io.Bool8(NotifyEnabled, "notify");
  if (!io.Since(110)) return;
  io.I32(ShadowColor, "shadow colour");
  if (!io.Since(111)) return;
  io.I32(BorderWidth, "border width");
  io.I32(ShadowWidth, "shadow width");
}

void TTpWord::WriteSettings(ByteWriter& out) const {
  SaveRecord(*this, out, kSaveVersion);
}

void TTpWord::ReadSettings(ByteReader& in, int32_t version) {
  RecordIO io(in, version);
  TransferSettings(io);
}

void TTpWord::ReleaseSurfaces() {
  for (auto& g : glyphs_list_) g->ReleaseSurfaces();
}

void TTpWord::RestoreSurfaces() {
  for (auto& g : glyphs_list_) g->RestoreSurfaces();
}

}  // namespace vesk::text
