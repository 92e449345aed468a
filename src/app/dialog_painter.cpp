#include "app/dialog_painter.h"

namespace vesk::app::dialog {

Caption ParseCaption(const std::string& utf8) {
  Caption c;
  const std::u32string in = platform::DecodeUtf8(utf8);
  for (size_t i = 0; i < in.size(); ++i) {
    if (in[i] == U'&' && i + 1 < in.size()) {
      ++i;
      if (in[i] != U'&') c.accel = static_cast<int>(c.text.size());
    }
    c.text += in[i];
  }
  return c;
}

Caption PlainCaption(const std::string& utf8) {
  Caption c;
  c.text = platform::DecodeUtf8(utf8);
  return c;
}

void Painter::Dot(int x, int y, uint32_t rgb) {
  x += ox_;
  y += oy_;
  if (x >= 0 && y >= 0 && x < out_.width_px() && y < out_.height_px()) out_.SetRgb(x, y, rgb);
}

void Painter::Frame(const Rect& r, uint32_t top_left, uint32_t bottom_right) {
  HLine(r.left, r.top, Width(r) - 1, top_left);
  VLine(r.left, r.top, Height(r) - 1, top_left);
  HLine(r.left, r.bottom - 1, Width(r), bottom_right);
  VLine(r.right - 1, r.top, Height(r), bottom_right);
}

void Painter::DottedFrame(const Rect& r) {
  for (int x = r.left; x < r.right; x += 2) {
    Dot(x, r.top, kText);
    Dot(x, r.bottom - 1, kText);
  }
  for (int y = r.top; y < r.bottom; y += 2) {
    Dot(r.left, y, kText);
    Dot(r.right - 1, y, kText);
  }
}

int Painter::TextWidth(const Caption& c) const {
  int w = 0;
  if (font_)
    for (char32_t cp : c.text) w += font_->Render(cp).advance_px;
  return w;
}

void Painter::Text(const Caption& c, int x, const Rect& r, bool enabled, uint32_t rgb) {
  if (!font_) return;
  const int top = r.top + (Height(r) - font_->ascent_px() - font_->descent_px()) / 2;
  const int baseline = top + font_->ascent_px();
  if (!enabled) TextRun(c, x + 1, baseline + 1, kHighlight);
  TextRun(c, x, baseline, enabled ? rgb : kShadow);
}

void Painter::TextRun(const Caption& c, int x, int baseline, uint32_t rgb) {
  for (size_t i = 0; i < c.text.size(); ++i) {
    const platform::GlyphBitmap g = font_->Render(c.text[i]);
    Glyph(g, x + g.left_px, baseline - g.top_px, rgb);
    if (static_cast<int>(i) == c.accel) HLine(x, baseline + 1, g.advance_px, rgb);
    x += g.advance_px;
  }
}

void Painter::Glyph(const platform::GlyphBitmap& g, int x0, int y0, uint32_t rgb) {
  if (g.coverage.size() < static_cast<size_t>(g.width_px) * g.height_px) return;
  for (int y = 0; y < g.height_px; ++y)
    for (int x = 0; x < g.width_px; ++x)
      Blend(x0 + x, y0 + y, rgb, g.coverage[static_cast<size_t>(y) * g.width_px + x]);
}

void Painter::Blend(int x, int y, uint32_t rgb, int alpha) {
  x += ox_;
  y += oy_;
  if (alpha == 0 || x < 0 || y < 0 || x >= out_.width_px() || y >= out_.height_px()) return;
  const uint32_t bg = out_.GetRgb(x, y);
  uint32_t mixed = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const int f = (rgb >> shift) & 255, b = (bg >> shift) & 255;
    mixed |= static_cast<uint32_t>(b + (f - b) * alpha / 255) << shift;
  }
  out_.SetRgb(x, y, mixed);
}

void RaisedEdge(Painter& p, const Rect& r) {
  p.Frame(r, kHighlight, kDarkShadow);
  p.Frame(Inset(r, 1), kFace, kShadow);
}

void SunkenEdge(Painter& p, const Rect& r) {
  p.Frame(r, kShadow, kHighlight);
  p.Frame(Inset(r, 1), kDarkShadow, kFace);
}

void EtchedFrame(Painter& p, const Rect& r) {
  // A shadow frame with a highlight one pixel inside it.
  p.Frame({r.left + 1, r.top + 1, r.right, r.bottom}, kHighlight, kHighlight);
  p.Frame({r.left, r.top, r.right - 1, r.bottom - 1}, kShadow, kShadow);
}

void CheckMark(Painter& p, int x, int y, uint32_t rgb) {
  for (int i = 0; i < 7; ++i) {
    const int top = i < 3 ? y + 2 + i : y + 4 - (i - 2);
    p.VLine(x + i, top, 3, rgb);
  }
}

void TrackThumb(Painter& p, int cx, int top, int w, int h, bool enabled) {
  const int half = w / 2;
  const int body = h - half;
  for (int row = 0; row < h; ++row) {
    const int inset = row < body ? 0 : row - body + 1;
    const int x0 = cx - half + inset, x1 = cx + half - inset, y = top + row;
    for (int x = x0 + 1; x < x1; ++x) p.Dot(x, y, enabled || (x + y) % 2 ? kFace : kHighlight);
    p.Dot(x0, y, kHighlight);
    if (x1 - 1 > x0 && row > 0) p.Dot(x1 - 1, y, kShadow);
    p.Dot(x1, y, kDarkShadow);
  }
  p.HLine(cx - half, top, 2 * half, kHighlight);
}

void PushButton(Painter& p, const Rect& r, const Caption& caption, bool pushed, bool is_default,
                bool focused) {
  Rect face = r;
  if (is_default || pushed) {
    p.Frame(r, kText, kText);
    face = Inset(r, 1);
  }
  if (pushed)
    p.Frame(face, kShadow, kShadow);
  else
    RaisedEdge(p, face);
  const int shift = pushed ? 1 : 0;
  const Rect text_box{r.left, r.top + shift, r.right, r.bottom + shift};
  p.Text(caption, r.left + (Width(r) - p.TextWidth(caption)) / 2 + shift, text_box, true);
  if (focused) p.DottedFrame(Inset(r, 4));
}

}  // namespace vesk::app::dialog
