// Pages: the reveal cursor, fading, embedded events, hover over links,
// hit testing and the saved reveal state.
#include <algorithm>

#include "core/record_io.h"
#include "core/sjis.h"
#include "core/version.h"
#include "core/vesk_error.h"
#include "text/tpwords.h"

namespace vesk::text {
namespace {

// Waits and fading sums saturate: a wait of years is as good as endless.
int32_t Saturate(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

}  // namespace

int32_t TWdPage::ScreenX() const {
  return word_->Left;
}

int32_t TWdPage::ScreenY() const {
  return word_->Paging ? word_->Top : Wrap32(int64_t{word_->Top} - ScrollY);
}

int32_t TWdPage::PageHeight() const {
  int32_t bottom = 0;
  for (const auto& row : Rows) {
    bottom = std::max(bottom, Wrap32(int64_t{row->Y} + row->RowHeight()));
    for (const TWdGlyph* g : row->Children)
      bottom = std::max(bottom, Wrap32(int64_t{row->Y} + g->Y + g->Height));
  }
  return bottom;
}

TWdGlyph* TWdPage::GlyphAtCursor() const {
  if (CursorPastEnd()) return nullptr;
  const auto& children = Rows[static_cast<size_t>(RowIndex)]->Children;
  if (GlyphIndex < 0 || GlyphIndex >= static_cast<int32_t>(children.size())) return nullptr;
  return children[static_cast<size_t>(GlyphIndex)];
}

void TWdPage::AdvanceCursor() {
  ++GlyphIndex;
  while (!CursorPastEnd() &&
         GlyphIndex >= static_cast<int32_t>(Rows[static_cast<size_t>(RowIndex)]->Children.size())) {
    ++RowIndex;
    GlyphIndex = 0;
  }
}

void TWdPage::SetCaretAfter(const TWdGlyph& glyph) {
  if (const TWdGlyph* next = GlyphAtCursor()) {
    word_->CaretX = Wrap32(int64_t{next->ScreenX()} - word_->Left);
    word_->CaretY = Wrap32(int64_t{next->ScreenY()} - word_->Top);
  } else {
    word_->CaretX = Wrap32(int64_t{glyph.ScreenX()} + glyph.Width - word_->Left);
    word_->CaretY =
        Wrap32(int64_t{glyph.Row ? glyph.Row->ScreenY() : glyph.ScreenY()} - word_->Top);
  }
}

void TWdPage::Step(int32_t elapsed_ms, bool& finished, std::string& revealed) {
  finished = false;
  if (!Finished) {
    finished = CursorPastEnd() && Fading.empty();
    if (finished) Finished = true;
  }
  revealed.clear();
  word_->DirtyRects.clear();
  if (SkipFrames >= 1) {
    --SkipFrames;
    return;
  }
  int32_t t = elapsed_ms;
  if (!CursorPastEnd() && !word_->TextPaused && PendingEvents.empty()) {
    if (RowIndex == 0 && GlyphIndex == 0) {
      WaitMs = 0;
      FadeAccumulator = 0;
      t = 0;
    } else if (EventJustFired) {
      EventJustFired = false;
      t = 0;
    }
    WaitMs = Saturate(int64_t{WaitMs} - t);
    while (!CursorPastEnd() && WaitMs <= 0) {
      const TWdRow& row = *Rows[static_cast<size_t>(RowIndex)];
      if (!word_->Paging && int64_t{row.Y} - ScrollY > word_->PageHeight) break;
      TWdGlyph* g = GlyphAtCursor();
      if (!g) {
        AdvanceCursor();
        continue;
      }
      if (g->IsReal()) g->Alpha = 0;  // other glyphs always count as shown
      WaitMs = Saturate(int64_t{WaitMs} + int64_t{g->Wait} * word_->DelayScale / 256);
      Fading.push_back(g);
      if (g->IsAnimated()) Animated.push_back(g);
      AdvanceCursor();
      SetCaretAfter(*g);
      if (g->Kind() == GlyphKind::kEvent) {
        if (!word_->NotifyEnabled) continue;
        const auto& event = static_cast<const TWdOpe&>(*g);
        if (!PendingEvents.empty()) PendingEvents += '\t';
        PendingEvents += event.Value;
        EventJustFired = true;
        const TWdGlyph* next = GlyphAtCursor();
        if (event.Stop || !next || next->Kind() != GlyphKind::kEvent) break;
      } else if (g->IsChar()) {
        revealed += g->CharText();
      } else if (g->Kind() == GlyphKind::kImg) {
        revealed += '*';
      }
    }
  }
  FadeAccumulator = Saturate(int64_t{FadeAccumulator} + int64_t{t} * 256);
  const int32_t d = word_->FadeTime > 0 ? FadeAccumulator / word_->FadeTime : 255;
  if (d > 0) {
    FadeAccumulator %= std::max(word_->FadeTime, 1);
    for (size_t i = Fading.size(); i-- > 0;) {
      TWdGlyph* g = Fading[i];
      g->Alpha = static_cast<int32_t>(std::min<int64_t>(255, int64_t{g->Alpha} + d));
      g->Invalidate();
      if (g->Alpha > 254) Fading.erase(Fading.begin() + static_cast<ptrdiff_t>(i));
    }
  }
  for (TWdGlyph* g : Animated) g->Animate(elapsed_ms);
  if (!PendingEvents.empty() && Fading.empty()) {
    const std::string events = std::move(PendingEvents);
    PendingEvents.clear();
    size_t start = 0;
    while (true) {
      const size_t tab = events.find('\t', start);
      word_->Notify(events.substr(start, tab == std::string::npos ? tab : tab - start));
      if (tab == std::string::npos) break;
      start = tab + 1;
    }
  }
}

void TWdPage::Rewind() {
  RowIndex = 0;
  GlyphIndex = 0;
  WaitMs = 0;
  FadeAccumulator = 0;
  SkipFrames = 0;
  PendingEvents.clear();
  Finished = false;
  EventJustFired = false;
  Fading.clear();
  Animated.clear();
  // A page that is empty at its start is past its end at once.
  if (!Rows.empty() && Rows[0]->Children.empty()) AdvanceCursor();
}

void TWdPage::RestartTiming() {
  WaitMs = 0;
  FadeAccumulator = 0;
  SkipFrames = word_->FadeTime > 0 ? 1 : 0;
}

bool TWdPage::HasMore() const {
  if (word_->Paging) return (!CursorPastEnd() && !word_->TextPaused) || !Fading.empty();
  if (!Fading.empty()) return true;
  if (CursorPastEnd()) return false;
  const TWdRow& row = *Rows[static_cast<size_t>(RowIndex)];
  return word_->PageHeight >= int64_t{row.RowHeight()} + row.Y - ScrollY;
}

// ---- Links

TWdGlyph* TWdPage::HitTest(int32_t x, int32_t y) const {
  x = Wrap32(int64_t{x} - word_->Left);
  y = Wrap32(int64_t{y} - word_->Top);
  if (x < 0 || x >= word_->PageWidth || y < 0 || y >= word_->PageHeight) return nullptr;
  if (!word_->Paging) y = Wrap32(int64_t{y} + ScrollY);
  for (const auto& row : Rows) {
    if (y < row->Y || y >= int64_t{row->Y} + row->RowHeight()) continue;
    for (TWdGlyph* g : row->Children) {
      if (!g->IsReal() || g->Alpha <= 254) continue;
      if (g->ScreenRectOnPage().Contains(x, y)) return g;
    }
  }
  for (const auto& row : Rows)
    for (TWdGlyph* g : row->Children)
      if (g->Kind() == GlyphKind::kImg && g->Alpha > 254 && g->ScreenRectOnPage().Contains(x, y))
        return g;
  return nullptr;
}

namespace {

// The glyphs of the page in reading order.
std::vector<TWdGlyph*> Flat(const TWdPage& page) {
  std::vector<TWdGlyph*> out;
  page.ForEachGlyph([&](TWdGlyph& g) { out.push_back(&g); });
  return out;
}

}  // namespace

void TWdPage::SetRunHover(TWdGlyph* first, bool hover) {
  if (!first) return;
  const std::vector<TWdGlyph*> glyphs = Flat(*this);
  auto it = std::find(glyphs.begin(), glyphs.end(), first);
  if (it == glyphs.end()) return;
  const std::string link = first->Link;
  for (; it != glyphs.end(); ++it) {
    TWdGlyph* g = *it;
    const bool in_run = g->Link == link;
    if (in_run) g->Hover = hover;
    // The glyph after the run may overlap the run's last one: draw it again.
    g->Erase();
    g->Prerender(false);
    g->Invalidate();
    if (!in_run) break;
  }
}

void TWdPage::UpdateHover(int32_t x, int32_t y) {
  TWdGlyph* hit = (x < 0 && y < 0) ? nullptr : HitTest(x, y);
  if (hit && hit->Link.empty()) hit = nullptr;
  if (hit) {
    const std::vector<TWdGlyph*> glyphs = Flat(*this);
    auto it = std::find(glyphs.begin(), glyphs.end(), hit);
    while (it != glyphs.begin() && (*(it - 1))->Link == hit->Link) --it;
    hit = *it;
  }
  if (hit == HoverGlyph) return;
  SetRunHover(HoverGlyph, false);
  HoverGlyph = hit;
  SetRunHover(HoverGlyph, true);
}

std::string TWdPage::HoveredLinkText() const {
  if (!HoverGlyph) return {};
  const std::vector<TWdGlyph*> glyphs = Flat(*this);
  auto it = std::find(glyphs.begin(), glyphs.end(), HoverGlyph);
  std::string text;
  for (; it != glyphs.end() && (*it)->Link == HoverGlyph->Link; ++it) text += (*it)->CharText();
  return text;
}

// ---- Variables and source glyphs

void TWdPage::CollectValues() {
  std::vector<std::string> names;
  std::string lines;
  ForEachGlyph([&](const TWdGlyph& g) {
    if (g.Kind() != GlyphKind::kVar) return;
    const auto& var = static_cast<const TWdOpeVar&>(g);
    if (std::find(names.begin(), names.end(), var.Name) != names.end()) return;
    names.push_back(var.Name);
    if (!lines.empty()) lines += "\r\n";
    lines += var.Name + "=" + var.ProducedValue();
  });
  CollectedValues = lines;
}

std::string TWdPage::ShownText() const {
  std::string text;
  for (const auto& row : Rows)
    for (const TWdGlyph* g : row->Children) {
      if (g->Alpha <= 0) return text;
      text += g->CharText();
    }
  return text;
}

TWdGlyph* TWdPage::FirstSourceGlyph() const {
  for (const auto& row : Rows)
    for (TWdGlyph* g : row->Children)
      if (g->SourceCount() == 1) return g;
  return nullptr;
}

TWdGlyph* TWdPage::LastSourceGlyph() const {
  for (auto r = Rows.rbegin(); r != Rows.rend(); ++r)
    for (auto g = (*r)->Children.rbegin(); g != (*r)->Children.rend(); ++g)
      if ((*g)->SourceCount() == 1) return *g;
  return nullptr;
}

// ---- Saved state

// Every glyph of the rows in order: visible glyphs their alpha (a glyph
// still fading counts as shown), variables the alpha of their output.
void TWdPage::TransferState(RecordIO& io) {
  io.I32(ScrollY, "scroll position");
  io.I32(RowIndex, "reveal row");
  io.I32(GlyphIndex, "reveal glyph");
  io.Bool8(Finished, "finished flag");
  io.Str(PendingEvents, "pending events");
  const bool loading = io.loading();
  if (loading) {
    Fading.clear();
    Animated.clear();
  }
  ForEachGlyph([&](TWdGlyph& g) {
    if (g.Kind() == GlyphKind::kVar) {
      auto& produced = static_cast<TWdOpeVar&>(g).Produced;
      int32_t alpha = produced.empty() ? 0 : produced.front()->Alpha;
      io.I32In(alpha, 0, 255, "variable alpha");
      if (loading)
        for (TWdGlyph* p : produced) p->Alpha = alpha;
    } else if (g.IsReal() && g.SourceCount() == 1) {
      const bool fading = std::find(Fading.begin(), Fading.end(), &g) != Fading.end();
      int32_t alpha = fading ? 255 : g.Alpha;
      io.I32In(alpha, 0, 255, "glyph alpha");
      if (loading) g.Alpha = alpha;
    }
  });
  if (!loading) return;
  // A cursor outside the rows is past the end or at a row's start.
  if (RowIndex < 0) RowIndex = 0;
  if (!CursorPastEnd() &&
      (GlyphIndex < 0 ||
       GlyphIndex >= static_cast<int32_t>(Rows[static_cast<size_t>(RowIndex)]->Children.size())))
    GlyphIndex = 0;
  ForEachGlyph([&](TWdGlyph& g) {
    if (g.Alpha > 0 && g.IsAnimated()) Animated.push_back(&g);
  });
}

void TWdPage::SaveState(ByteWriter& out) const {
  RecordIO io(out, kSaveVersion);
  const_cast<TWdPage*>(this)->TransferState(io);
}

void TWdPage::LoadState(ByteReader& in) {
  RecordIO io(in, kSaveVersion);
  TransferState(io);
}

}  // namespace vesk::text
