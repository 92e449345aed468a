// Measuring, break rules, units, layout into pages of rows and row
// arrangement.
#include <algorithm>
#include <array>

#include "text/fontpixels.h"
#include "text/tpwords.h"

namespace vesk::text {
namespace {

// May not start a row: 。、｣」』)）､｡!?！？】
constexpr std::array<uint16_t, 14> kNoLineStart = {0x8142, 0x8141, 0xA3,   0x8176, 0x8178,
                                                   0x29,   0x816A, 0xA4,   0xA1,   0x21,
                                                   0x3F,   0x8149, 0x8148, 0x817A};
// May not end a row: ｢「『（([<【
constexpr std::array<uint16_t, 8> kNoLineEnd = {0xA2, 0x8175, 0x8177, 0x8169,
                                                0x28, 0x5B,   0x3C,   0x8179};

template <size_t N>
bool In(const std::array<uint16_t, N>& set, uint16_t code) {
  return std::find(set.begin(), set.end(), code) != set.end();
}

// The free span at height y beside the floating pictures of a page.
class TWdClipList {
 public:
  explicit TWdClipList(int32_t width) : width_(width) {}
  void Add(const Rect& r, int side) { items_.push_back({r, side}); }
  void Bounds(int32_t y, int32_t& left, int32_t& right) const {
    left = 0;
    right = width_;
    for (const auto& [r, side] : items_) {
      if (y < r.top || y >= r.bottom) continue;
      if (side == 0)
        left = std::max(left, r.right);
      else
        right = std::min(right, r.left);
    }
  }

 private:
  struct Item {
    Rect rect;
    int side;  // 0 left, 1 right
  };
  int32_t width_;
  std::vector<Item> items_;
};

struct Unit {
  int32_t width = 0;
  int32_t count = 0;
};

using GlyphList = std::vector<std::unique_ptr<TWdGlyph>>;

bool IsAsciiChar(const TWdGlyph& g) {
  return g.IsChar() && g.Code() >= 32 && g.Code() <= 126;
}

bool IsAlnum(const TWdGlyph& g) {
  const uint16_t c = g.Code();
  return g.IsChar() && ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'));
}

// With word wrapping, a hyphen between two letters or digits ends a word
// (unless the markup keeps the two sides together).
bool HyphenBreak(const GlyphList& glyphs, size_t i, size_t end) {
  if (i == 0 || i + 1 >= end || !glyphs[i]->IsChar() || glyphs[i]->Code() != '-') return false;
  const TWdGlyph &prev = *glyphs[i - 1], &hyphen = *glyphs[i], &next = *glyphs[i + 1];
  if (!IsAlnum(prev) || !IsAlnum(next)) return false;
  if (hyphen.NoBreak() && next.NoBreak()) return false;
  return next.Ruby().empty() || next.Ruby() != hyphen.Ruby();
}

bool Joined(const GlyphList& glyphs, size_t i, size_t end, LineBreak wrap) {
  if (BreakAllowed(*glyphs[i], *glyphs[i + 1])) return false;
  return wrap != LineBreak::kWords || !HyphenBreak(glyphs, i, end);
}

Unit UnitAt(const GlyphList& glyphs, size_t i, size_t end, LineBreak wrap) {
  Unit u{glyphs[i]->Width, 1};
  if (glyphs[i]->IsReturn()) return u;
  auto take_while_joined = [&](size_t last) {
    while (last + 1 < end && Joined(glyphs, last, end, wrap)) {
      ++last;
      u.width = Wrap32(int64_t{u.width} + glyphs[last]->Width);
      ++u.count;
      if (glyphs[last]->IsReturn()) break;
    }
    return last;
  };
  size_t last = take_while_joined(i);
  // An opening bracket stays with what follows it.
  if (u.count == 1 && glyphs[i]->IsChar() && In(kNoLineEnd, glyphs[i]->Code()) && i + 1 < end &&
      !glyphs[i + 1]->IsReturn()) {
    ++last;
    u.width = Wrap32(int64_t{u.width} + glyphs[last]->Width);
    ++u.count;
    take_while_joined(last);
  }
  return u;
}

}  // namespace

bool BreakAllowed(const TWdGlyph& prev, const TWdGlyph& next) {
  if (prev.NoBreak() && next.NoBreak()) return false;
  if (!next.Ruby().empty() && next.Ruby() == prev.Ruby()) return false;
  const uint16_t p = prev.Code(), n = next.Code();
  if (p >= 33 && p <= 255 && n >= 33 && n <= 255) return false;
  if (p != 32 && n == 32) return false;
  if (next.IsChar() && In(kNoLineStart, n)) return false;
  return true;
}

// ---- Measuring

int32_t TWdChar::EffectiveSize() const {
  return Decorate && Decorate->Size != 0 ? Decorate->Size : Word().FontHeight;
}

int32_t TWdChar::EffectiveBorder() const {
  return Decorate && Decorate->Border != -1 ? Decorate->Border : Word().BorderWidth;
}

int32_t TWdChar::EffectiveShadow() const {
  return Decorate && Decorate->Shadow != -1 ? Decorate->Shadow : Word().ShadowWidth;
}

int32_t TWdChar::EffectiveColor() const {
  if (Hover) return Word().HoverColor;
  if (!Decorate || Decorate->Color == -1) return Link.empty() ? Word().FontColor : Word().LinkColor;
  return Decorate->Color;
}

int32_t TWdChar::EffectiveBorderColor() const {
  return Decorate && Decorate->BorderColor != -1 ? Decorate->BorderColor : Word().BorderColor;
}

int32_t TWdChar::EffectiveShadowColor() const {
  return Decorate && Decorate->ShadowColor != -1 ? Decorate->ShadowColor : Word().ShadowColor;
}

// Sizes, borders and shadows come from scripts and saved games unchecked;
// beyond these no text could be read anyway, and the sums stay small.
constexpr int32_t kMaxCharPx = 4096;
constexpr int32_t kMaxDecorationPx = 1024;

void TWdChar::Measure() {
  const int32_t size = std::clamp(EffectiveSize(), 0, kMaxCharPx);
  Width = size;
  Height = size;
  if (Decorate && (Decorate->Style & kStyleItalic)) Width += size / 5;
  if (!Ruby().empty()) Height += std::max(1, size / 2);
  const int32_t border = std::clamp(EffectiveBorder(), 0, kMaxDecorationPx);
  const int32_t shadow = std::clamp(EffectiveShadow(), 0, kMaxDecorationPx);
  Width += 2 * border + shadow;
  Height += 2 * border + shadow;
}

void TWdImg::Measure() {
  if (!Picture) {
    TextEnvironment* env = Word().Environment();
    if (env && !Source.empty()) Picture = env->LoadPicture(Source);
  }
  Width = Picture ? Picture->Width() : 0;
  Height = Picture ? Picture->Height() : 0;
}

void TWdOpe::Measure() {
  Width = 0;
  Height = 0;  // a line break alone on its row gets a line's height when added
}

// ---- Rows

void TWdRow::AccountHeight(const TWdGlyph& g) {
  const auto* img = g.Kind() == GlyphKind::kImg ? static_cast<const TWdImg*>(&g) : nullptr;
  if (img && img->Floats()) return;  // beside the rows, not in them
  const uint8_t align = img ? img->Align : uint8_t{kAlignNone};
  if (align != kAlignCenter && align != kAlignTop && align != kAlignBottom) {
    Main = std::max(Main, g.Height);
    return;
  }
  // Pictures placed against the characters: keep the parts above and below.
  if (align == kAlignCenter) {
    const auto h = static_cast<int32_t>((int64_t{g.Height} - Main + 1) / 2);
    Above = std::max(Above, h);
    Below = std::max(Below, h);
  } else if (align == kAlignTop) {
    Below = std::max(Below, Wrap32(int64_t{g.Height} - Main));
  } else {
    Above = std::max(Above, Wrap32(int64_t{g.Height} - Main));
  }
}

void TWdRow::Add(TWdGlyph* glyph) {
  if (glyph->IsReturn()) {
    // An empty line keeps a line's height.
    const bool alone = std::none_of(Children.begin(), Children.end(), [](const TWdGlyph* g) {
      return g->Kind() != GlyphKind::kSpace;
    });
    glyph->Height = alone ? glyph->Word().FontHeight : 0;
  }
  glyph->Row = this;
  Children.push_back(glyph);
  AccountHeight(*glyph);
}

bool TWdRow::HoldsCharOrPicture() const {
  return std::any_of(Children.begin(), Children.end(),
                     [](const TWdGlyph* g) { return g->IsReal(); });
}

void TWdRow::Arrange() {
  int32_t x0 = LeftBound;
  if (Align == kAlignRight)
    x0 = Wrap32(int64_t{RightBound} - Width);
  else if (Align == kAlignCenter)
    x0 = Wrap32(LeftBound + (int64_t{RightBound} - LeftBound - Width) / 2);
  Width = Wrap32(int64_t{Width} + x0);
  Above = Main = Below = 0;
  for (TWdGlyph* g : Children) AccountHeight(*g);
  const int32_t height = RowHeight();
  int32_t x = x0;
  for (TWdGlyph* g : Children) {
    const auto* img = g->Kind() == GlyphKind::kImg ? static_cast<const TWdImg*>(g) : nullptr;
    if (img && img->Floats()) {
      g->Y = 0;  // keeps the X its float rectangle gave it
      continue;
    }
    g->X = x;
    x = Wrap32(int64_t{x} + g->Width);
    const uint8_t align = img ? img->Align : uint8_t{kAlignNone};
    if (g->Height == 0)
      g->Y = Above;
    else if (align == kAlignCenter)
      g->Y = Wrap32(Above + (int64_t{Main} - g->Height) / 2);
    else if (align == kAlignTop)
      g->Y = Above;
    else
      g->Y = Wrap32(int64_t{height} - Below - g->Height);
  }
}

int32_t TWdRow::ScreenY() const {
  return Wrap32(int64_t{Page().ScreenY()} + Y);
}

// ---- Layout

namespace {

class Layouter {
 public:
  Layouter(TTpWord& word, PageList& pages) : word_(word), pages_(pages), clips_(word.PageWidth) {}

  void Run(int32_t first, int32_t last) {
    const auto& glyphs = word_.GlyphList();
    for (int32_t i = first; i <= last; ++i) glyphs[static_cast<size_t>(i)]->Measure();
    const size_t end = static_cast<size_t>(last) + 1;
    size_t a = static_cast<size_t>(first);
    while (a < end) a = Place(a, end);
    for (TWdPage* page : made_)
      for (auto& row : page->Rows) row->Arrange();
    if (word_.PageWidth == 0) {
      int32_t widest = 0;
      for (TWdPage* page : made_)
        for (auto& row : page->Rows) widest = std::max(widest, row->Width);
      word_.PageWidth = widest;
    }
  }

 private:
  // Handles glyph `a`; returns the next glyph to handle.
  size_t Place(size_t a, size_t end) {
    const auto& glyphs = word_.GlyphList();
    TWdGlyph* g = glyphs[a].get();
    switch (g->Kind()) {
      case GlyphKind::kAlign:
        align_ = static_cast<TWdOpe*>(g)->Align;
        if (row_ && !row_->HoldsCharOrPicture()) row_->Align = align_;
        return a + 1;
      case GlyphKind::kIndent:
        if (row_) indent_ = row_->Width;
        return a + 1;
      case GlyphKind::kUndent:
        indent_ = 0;
        return a + 1;
      default:
        break;
    }
    if (!row_) OpenRow(a);
    if (g->Kind() == GlyphKind::kImg && static_cast<TWdImg*>(g)->Floats())
      return PlaceFloat(a, *static_cast<TWdImg*>(g));
    Unit u = UnitAt(glyphs, a, end, word_.Wrap);
    const bool words = word_.Wrap == LineBreak::kWords;
    // Word wrapping lets the spaces after a word hang past the row's end.
    const int32_t hanging = words ? TrailingSpaceWidth(a, u.count) : 0;
    const bool spaces_only = words && hanging == u.width && IsAsciiChar(*g) && g->Code() == 32;
    const int64_t room = int64_t{row_->RightBound} - row_->LeftBound;
    const bool overflows =
        word_.PageWidth != 0 && !spaces_only && room < int64_t{row_->Width} + u.width - hanging;
    // A row that holds nothing but its indent takes the unit however wide:
    // moving it on would only open the same row again.
    if (overflows && row_->Width > row_start_width_) {
      if (words) DropTrailingSpaces();
      CloseRow();
      return a;  // tried again on a new row
    }
    // With word wrapping, a word longer than the whole row breaks by characters.
    const bool split = overflows && words && SplitWord(a, room, u);
    for (int32_t k = 0; k < u.count; ++k) {
      row_->Add(glyphs[a + static_cast<size_t>(k)].get());
      if (word_.Paging && page_->Rows.size() > 1 &&
          int64_t{y_} + row_->RowHeight() > word_.PageHeight) {
        // The row does not fit: it starts the next page instead.
        const size_t restart = row_start_;
        DropRow();
        ClosePage();
        indent_ = row_indent_;
        align_ = row_align_;
        return restart;
      }
    }
    row_->Width = Wrap32(int64_t{row_->Width} + u.width);
    const TWdGlyph* tail = glyphs[a + static_cast<size_t>(u.count) - 1].get();
    if (split) {
      CloseRow();
    } else if (tail->IsReturn()) {
      CloseRow();
      if (static_cast<const TWdOpe*>(tail)->Clear) ClosePage();
    }
    return a + static_cast<size_t>(u.count);
  }

  int32_t TrailingSpaceWidth(size_t a, int32_t count) const {
    const auto& glyphs = word_.GlyphList();
    int32_t width = 0;
    for (size_t k = a + static_cast<size_t>(count); k > a; --k) {
      const TWdGlyph& g = *glyphs[k - 1];
      if (!IsAsciiChar(g) || g.Code() != 32) break;
      width = Wrap32(int64_t{width} + g.Width);
    }
    return width;
  }

  // The spaces a wrapped row ends with take no room: alignment sees the words.
  void DropTrailingSpaces() {
    for (auto it = row_->Children.rbegin(); it != row_->Children.rend(); ++it) {
      if (!IsAsciiChar(**it) || (*it)->Code() != 32) break;
      row_->Width = Wrap32(int64_t{row_->Width} - (*it)->Width);
    }
  }

  // Cuts `u` (a unit of single-byte characters on an empty row) to the
  // characters that fit, at least one, not starting the next row with a
  // character that may not start one. False when the unit is no plain word.
  bool SplitWord(size_t a, int64_t room, Unit& u) const {
    const auto& glyphs = word_.GlyphList();
    for (int32_t k = 0; k < u.count; ++k) {
      const TWdGlyph& g = *glyphs[a + static_cast<size_t>(k)];
      if (!IsAsciiChar(g) || g.NoBreak() || !g.Ruby().empty()) return false;
    }
    int32_t fit = 0;
    int64_t width = row_->Width;
    while (fit < u.count && width + glyphs[a + static_cast<size_t>(fit)]->Width <= room) {
      width += glyphs[a + static_cast<size_t>(fit)]->Width;
      ++fit;
    }
    if (fit == 0) fit = 1;
    if (fit >= u.count) return false;
    const TWdGlyph& next = *glyphs[a + static_cast<size_t>(fit)];
    if (fit > 1 && In(kNoLineStart, next.Code())) --fit;
    u.count = fit;
    u.width = 0;
    for (int32_t k = 0; k < fit; ++k)
      u.width = Wrap32(int64_t{u.width} + glyphs[a + static_cast<size_t>(k)]->Width);
    return true;
  }

  size_t PlaceFloat(size_t a, TWdImg& img) {
    if (row_->Children.size() > (row_indent_ > 0 ? 1u : 0u)) {
      CloseRow(/*with_line_space=*/false);
      return a;
    }
    if (word_.Paging && page_->Rows.size() > 1 && int64_t{y_} + img.Height > word_.PageHeight) {
      DropRow();
      ClosePage();
      return a;
    }
    int32_t left = 0, right = 0;
    clips_.Bounds(y_, left, right);
    const bool on_left = img.Align == kAlignLeft;
    const int32_t x = on_left ? left : Wrap32(int64_t{right} - img.Width);
    clips_.Add(Rect::FromSize(x, y_, img.Width, img.Height), on_left ? 0 : 1);
    row_->Add(&img);
    img.X = Wrap32(int64_t{x} - row_->X);
    clips_.Bounds(y_, row_->LeftBound, row_->RightBound);
    return a + 1;
  }

  void OpenRow(size_t a) {
    if (!page_) {
      pages_.push_back(std::make_unique<TWdPage>(word_));
      page_ = pages_.back().get();
      made_.push_back(page_);
      y_ = 0;
      clips_ = TWdClipList(word_.PageWidth);
    }
    auto row = std::make_unique<TWdRow>(*page_);
    row->Y = y_;
    row->Align = align_;
    row->Width = indent_;
    clips_.Bounds(y_, row->LeftBound, row->RightBound);
    if (indent_ > 0) {
      auto space = std::make_unique<TWdOpe>(word_, GlyphKind::kSpace);
      space->Width = indent_;
      row->Add(space.get());
      row->Owned.push_back(std::move(space));
    }
    row_start_ = a;
    row_start_width_ = indent_;
    row_indent_ = indent_;
    row_align_ = align_;
    row_ = row.get();
    page_->Rows.push_back(std::move(row));
  }

  void CloseRow(bool with_line_space = true) {
    if (!row_) return;
    y_ = Wrap32(int64_t{y_} + row_->RowHeight() + (with_line_space ? word_.LineSpace : 0));
    row_ = nullptr;
  }

  void DropRow() {
    for (TWdGlyph* g : row_->Children) g->Row = nullptr;
    page_->Rows.pop_back();
    row_ = nullptr;
  }

  void ClosePage() {
    CloseRow();
    page_ = nullptr;
  }

  TTpWord& word_;
  PageList& pages_;
  std::vector<TWdPage*> made_;
  TWdPage* page_ = nullptr;
  TWdRow* row_ = nullptr;
  TWdClipList clips_;
  int32_t y_ = 0;
  uint8_t align_ = kAlignLeft;
  int32_t indent_ = 0;
  size_t row_start_ = 0;
  int32_t row_start_width_ = 0;
  int32_t row_indent_ = 0;
  uint8_t row_align_ = kAlignLeft;
};

}  // namespace

void TTpWord::Layout(PageList& pages, int32_t first, int32_t last) {
  if (glyphs_list_.empty()) return;
  ResolveRange(first, last);
  if (first > last) return;
  Layouter(*this, pages).Run(first, last);
}

}  // namespace vesk::text
