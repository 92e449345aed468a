// Rendering: characters into the text surface and its mask once per page,
// then each frame the revealed characters onto the target.
#include <algorithm>
#include <cmath>

#include "core/sjis.h"
#include "text/fontpixels.h"
#include "text/tpwords.h"

namespace vesk::text {
namespace {

// The neighbour in the row, or null at the row's ends.
const TWdGlyph* Neighbour(const TWdGlyph& g, int step) {
  if (!g.Row) return nullptr;
  const auto& c = g.Row->Children;
  auto it = std::find(c.begin(), c.end(), &g);
  if (it == c.end()) return nullptr;
  if (step < 0) return it == c.begin() ? nullptr : *(it - 1);
  return it + 1 == c.end() ? nullptr : *(it + 1);
}

// Bars of a run of characters join only where border and shadow agree.
bool DecorationDiffers(const TWdChar& c, const TWdGlyph* other) {
  if (!other || !other->IsChar()) return true;
  const auto& o = static_cast<const TWdChar&>(*other);
  return c.EffectiveBorder() != o.EffectiveBorder() || c.EffectiveShadow() != o.EffectiveShadow() ||
         c.EffectiveBorderColor() != o.EffectiveBorderColor() ||
         c.EffectiveShadowColor() != o.EffectiveShadowColor();
}

std::vector<uint16_t> RubyCodes(const std::string& ruby) {
  std::vector<uint16_t> out;
  for (size_t i = 0; i < ruby.size(); ++i) {
    const auto b = static_cast<uint8_t>(ruby[i]);
    if (IsSjisLeadByte(b) && i + 1 < ruby.size()) {
      out.push_back(static_cast<uint16_t>(b << 8 | static_cast<uint8_t>(ruby[i + 1])));
      ++i;
    } else {
      out.push_back(b);
    }
  }
  return out;
}

}  // namespace

void TWdChar::Prerender(bool hide) {
  if (hide) Alpha = 0;
  TTpWord& word = Word();
  TFontPixelManager* cache = word.Glyphs();
  graphics::TDIBX& text = word.TextSurface();
  graphics::TDIBX& mask = word.MaskSurface();
  drawn_ = {};
  if (!cache || text.IsEmpty()) return;
  const std::string& face =
      Decorate && !Decorate->FontName.empty() ? Decorate->FontName : word.EffectiveFontName();
  uint8_t style = Decorate ? Decorate->Style : 0;
  if (!Link.empty()) style |= kStyleUnderline;
  const int32_t size = EffectiveSize();
  cache->Level = word.AntiAlias;
  const GlyphColors colors{static_cast<uint32_t>(text.ColorToPixel(EffectiveShadowColor())),
                           static_cast<uint32_t>(text.ColorToPixel(EffectiveBorderColor())),
                           static_cast<uint32_t>(text.ColorToPixel(EffectiveColor()))};
  const int32_t x = SurfaceX(), top = SurfaceY();
  int32_t ruby_size = 0;
  const std::string& ruby = Ruby();
  if (!ruby.empty()) {
    ruby_size = std::max(1, size / 2);
    const TWdGlyph* prev = Neighbour(*this, -1);
    if (!prev || prev->Ruby() != ruby) {
      int32_t span = Width;
      for (const TWdGlyph* next = Neighbour(*this, 1);
           next && !next->IsReturn() && next->Ruby() == ruby; next = Neighbour(*next, 1))
        span = Wrap32(int64_t{span} + next->Width);
      const std::vector<uint16_t> codes = RubyCodes(ruby);
      const auto n = static_cast<int64_t>(codes.size());
      for (int64_t k = 1; k <= n; ++k) {
        const uint16_t code = codes[static_cast<size_t>(k - 1)];
        auto glyph = cache->Get(code, face, style & (kStyleBold | kStyleItalic), ruby_size);
        const int32_t centre =
            static_cast<int32_t>(std::lround(static_cast<double>((2 * k - 1) * span) / n / 2.0));
        const int32_t rx =
            Wrap32(int64_t{centre} + x - (code > 255 ? ruby_size / 2 : ruby_size / 4));
        cache->Render(*glyph, text, mask, colors, RenderOptions{},
                      Rect::FromSize(rx, top, ruby_size, ruby_size));
      }
    }
    drawn_ = Rect::FromSize(x, top, Width, Height);
  }
  auto glyph = cache->Get(CodeValue, face, style, size);
  RenderOptions options;
  options.border_px = std::max(0, EffectiveBorder());
  options.shadow_px = std::max(0, EffectiveShadow());
  options.left_differs = DecorationDiffers(*this, Neighbour(*this, -1));
  options.right_differs = DecorationDiffers(*this, Neighbour(*this, 1));
  const Rect touched =
      cache->Render(*glyph, text, mask, colors, options,
                    Rect::FromSize(x, Wrap32(int64_t{top} + ruby_size), Width, Height - ruby_size));
  if (touched.IsEmpty()) return;
  drawn_ = drawn_.IsEmpty() ? touched : drawn_.Union(touched);
}

void TWdChar::Erase() {
  if (drawn_.IsEmpty()) return;
  Word().TextSurface().FillRect(drawn_, 0);
  Word().MaskSurface().FillRect(drawn_, 0);
}

void TWdChar::Draw() {
  TTpWord& word = Word();
  if (Alpha <= 0 || drawn_.IsEmpty() || !word.Target || !Row) return;
  const TWdPage& page = Row->Page();
  const Rect on_screen{Wrap32(int64_t{drawn_.left} + page.ScreenX()),
                       Wrap32(int64_t{drawn_.top} + page.ScreenY()),
                       Wrap32(int64_t{drawn_.right} + page.ScreenX()),
                       Wrap32(int64_t{drawn_.bottom} + page.ScreenY())};
  if (on_screen.IsEmpty()) return;
  const Rect dest =
      on_screen.Intersect(Rect::FromSize(word.Left, word.Top, word.PageWidth, word.PageHeight));
  if (dest.IsEmpty()) return;
  const Rect src{drawn_.left + (dest.left - on_screen.left),
                 drawn_.top + (dest.top - on_screen.top),
                 drawn_.right - (on_screen.right - dest.right),
                 drawn_.bottom - (on_screen.bottom - dest.bottom)};
  graphics::TCustomDIBX& target = *word.Target;
  if (EffectiveBorder() != 0 || EffectiveShadow() != 0) {
    if (Alpha >= 255)
      target.DrawMask(dest.left, dest.top, word.TextSurface(), src, graphics::Flip::kNone,
                      word.MaskSurface());
    else
      target.DrawMaskAlpha(dest.left, dest.top, word.TextSurface(), src, graphics::Flip::kNone,
                           word.MaskSurface(), Alpha);
    return;
  }
  target.DrawColorMask(dest.left, dest.top, word.MaskSurface(), src, graphics::Flip::kNone,
                       static_cast<uint32_t>(target.ColorToPixel(EffectiveColor())), Alpha);
}

// ---- Pictures

void TWdImg::Draw() {
  TTpWord& word = Word();
  if (!Picture || Alpha <= 0 || !word.Target) return;
  const int64_t a = Alpha, total = std::clamp(word.Alpha, 0, 511);
  int64_t v = a;
  if (total < 255)
    v = a * total / 256;
  else if (total >= 256)
    v = a * (total - 256) / 256 + 256;
  if (v <= 0 || v == 256) return;
  Picture->Draw(*word.Target, ScreenX(), ScreenY(), static_cast<int32_t>(v));
}

void TWdImg::Animate(int32_t elapsed_ms) {
  if (Picture && Picture->Animate(elapsed_ms)) Invalidate();
}

void TWdImg::ReleaseSurfaces() {
  if (Picture) Picture->ReleaseSurfaces();
}

void TWdImg::RestoreSurfaces() {
  if (Picture) Picture->RestoreSurfaces();
}

// ---- Pages

void TWdPage::Prerender(bool hide) {
  TTpWord& word = *word_;
  graphics::TDIBX& text = word.TextSurface();
  graphics::TDIBX& mask = word.MaskSurface();
  const int bits = word.Environment() ? word.Environment()->ScreenBitCount() : 15;
  const int32_t w = std::max(0, word.PageWidth), h = std::max(0, word.PageHeight);
  if (text.Width() != w || text.Height() != h || text.BitCount() != bits) text.SetSize(w, h, bits);
  if (mask.Width() != w || mask.Height() != h || mask.BitCount() != 8) mask.SetSize(w, h, 8);
  text.Fill(0);
  mask.Fill(0);
  ForEachGlyph([&](TWdGlyph& g) {
    if (text.IsEmpty()) {
      if (hide && g.IsReal()) g.Alpha = 0;
      return;
    }
    if (g.IsChar()) {
      g.Prerender(hide);
    } else if (hide && g.IsReal()) {
      g.Alpha = 0;
    }
  });
}

void TWdPage::Draw() {
  TTpWord& word = *word_;
  if (!word.Target) return;
  for (const auto& row : Rows) {
    const Rect row_rect =
        Rect::FromSize(ScreenX(), row->ScreenY(), std::max(word.PageWidth, row->Width),
                       std::max(row->RowHeight(), 1));
    bool tall_glyph = false;
    for (const TWdGlyph* g : row->Children)
      tall_glyph |= int64_t{g->Y} + g->Height > row->RowHeight();
    if (!tall_glyph && row_rect.Intersect(word.ClipRect).IsEmpty() && !word.ClipRect.IsEmpty())
      continue;
    for (TWdGlyph* g : row->Children) g->Draw();
  }
}

}  // namespace vesk::text
