#include "app/config_dialog.h"

#include <cstdio>
#include <memory>

#include "app/runconfigs.h"
#include "core/messages.h"
#include "platform/headless/headless_platform.h"

namespace vesk::app {
namespace {

using platform::BackBuffer;
using platform::FontFace;
namespace layout = config_layout;

// The classic dialog palette.
constexpr uint32_t kFace = 0xD4D0C8, kHighlight = 0xFFFFFF, kShadow = 0x808080;
constexpr uint32_t kDarkShadow = 0x404040, kText = 0x000000, kWindow = 0xFFFFFF;

// Text with its accelerator: "&S" draws an underlined S, "&&" a plain '&'.
struct Caption {
  std::u32string text;
  int accel = -1;  // index into text, or -1
};

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

// The layout's small rectangles in the int arithmetic of the drawing calls.
int Width(const Rect& r) {
  return static_cast<int>(r.Width());
}
int Height(const Rect& r) {
  return static_cast<int>(r.Height());
}
Rect Inset(const Rect& r, int by) {
  return {r.left + by, r.top + by, r.right - by, r.bottom - by};
}

// Drawing primitives over one back buffer; every call clips to it.
class Painter {
 public:
  Painter(BackBuffer& out, FontFace* font) : out_(out), font_(font) {}

  bool has_font() const { return font_ != nullptr; }

  void Fill(const Rect& r, uint32_t rgb) { out_.FillRect(r.left, r.top, Width(r), Height(r), rgb); }
  void HLine(int x, int y, int w, uint32_t rgb) { out_.FillRect(x, y, w, 1, rgb); }
  void VLine(int x, int y, int h, uint32_t rgb) { out_.FillRect(x, y, 1, h, rgb); }

  // A one-pixel frame, lit from the top left.
  void Frame(const Rect& r, uint32_t top_left, uint32_t bottom_right) {
    HLine(r.left, r.top, Width(r) - 1, top_left);
    VLine(r.left, r.top, Height(r) - 1, top_left);
    HLine(r.left, r.bottom - 1, Width(r), bottom_right);
    VLine(r.right - 1, r.top, Height(r), bottom_right);
  }

  void DottedFrame(const Rect& r) {
    for (int x = r.left; x < r.right; x += 2) {
      Dot(x, r.top, kText);
      Dot(x, r.bottom - 1, kText);
    }
    for (int y = r.top; y < r.bottom; y += 2) {
      Dot(r.left, y, kText);
      Dot(r.right - 1, y, kText);
    }
  }

  void Dot(int x, int y, uint32_t rgb) {
    if (x >= 0 && y >= 0 && x < out_.width_px() && y < out_.height_px()) out_.SetRgb(x, y, rgb);
  }

  int TextWidth(const Caption& c) {
    int w = 0;
    if (font_)
      for (char32_t cp : c.text) w += font_->Render(cp).advance_px;
    return w;
  }

  // Text vertically centred in `r`, starting at `x`; disabled text is
  // drawn embossed, the way the system greys out captions.
  void Text(const Caption& c, int x, const Rect& r, bool enabled) {
    if (!font_) return;
    const int top = r.top + (Height(r) - font_->ascent_px() - font_->descent_px()) / 2;
    const int baseline = top + font_->ascent_px();
    if (!enabled) TextRun(c, x + 1, baseline + 1, kHighlight);
    TextRun(c, x, baseline, enabled ? kText : kShadow);
  }

 private:
  void TextRun(const Caption& c, int x, int baseline, uint32_t rgb) {
    for (size_t i = 0; i < c.text.size(); ++i) {
      const platform::GlyphBitmap g = font_->Render(c.text[i]);
      Glyph(g, x + g.left_px, baseline - g.top_px, rgb);
      if (static_cast<int>(i) == c.accel) HLine(x, baseline + 1, g.advance_px, rgb);
      x += g.advance_px;
    }
  }

  void Glyph(const platform::GlyphBitmap& g, int x0, int y0, uint32_t rgb) {
    if (g.coverage.size() < static_cast<size_t>(g.width_px) * g.height_px) return;
    for (int y = 0; y < g.height_px; ++y)
      for (int x = 0; x < g.width_px; ++x)
        Blend(x0 + x, y0 + y, rgb, g.coverage[static_cast<size_t>(y) * g.width_px + x]);
  }

  void Blend(int x, int y, uint32_t rgb, int alpha) {
    if (alpha == 0 || x < 0 || y < 0 || x >= out_.width_px() || y >= out_.height_px()) return;
    const uint32_t bg = out_.GetRgb(x, y);
    uint32_t mixed = 0;
    for (int shift = 0; shift < 24; shift += 8) {
      const int f = (rgb >> shift) & 255, b = (bg >> shift) & 255;
      mixed |= static_cast<uint32_t>(b + (f - b) * alpha / 255) << shift;
    }
    out_.SetRgb(x, y, mixed);
  }

  BackBuffer& out_;
  FontFace* font_;
};

// The two-pixel bevels of raised (buttons) and sunken (check boxes) edges.
void RaisedEdge(Painter& p, const Rect& r) {
  p.Frame(r, kHighlight, kDarkShadow);
  p.Frame(Inset(r, 1), kFace, kShadow);
}

void SunkenEdge(Painter& p, const Rect& r) {
  p.Frame(r, kShadow, kHighlight);
  p.Frame(Inset(r, 1), kDarkShadow, kFace);
}

void GroupBox(Painter& p) {
  const Rect& r = layout::kGroupBox;
  // An etched line: a shadow frame with a highlight one pixel inside it.
  p.Frame({r.left + 1, r.top + 1, r.right, r.bottom}, kHighlight, kHighlight);
  p.Frame({r.left, r.top, r.right - 1, r.bottom - 1}, kShadow, kShadow);
}

void CheckMark(Painter& p, int x, int y, uint32_t rgb) {
  // The classic 7x7 tick, three pixels thick.
  for (int i = 0; i < 7; ++i) {
    const int top = i < 3 ? y + 2 + i : y + 4 - (i - 2);
    p.VLine(x + i, top, 3, rgb);
  }
}

void DrawCheckBox(Painter& p, const TFormConfig& form) {
  const Rect& r = layout::kCheckSound;
  const Rect box = Rect::FromSize(r.left, r.top + (Height(r) - 13) / 2, 13, 13);
  SunkenEdge(p, box);
  const bool pushed = form.pushed() == ConfigControl::kCheckSound;
  p.Fill(Inset(box, 2), pushed ? kFace : kWindow);
  if (form.checked()) CheckMark(p, box.left + 3, box.top + 3, kText);
  const Caption caption = ParseCaption(MessageUtf8(Msg::kConfigUseDirectSound));
  const int text_x = box.right + 4;
  p.Text(caption, text_x, r, true);
  if (form.focus() != ConfigControl::kCheckSound) return;
  const int text_w = p.has_font() ? p.TextWidth(caption) : r.right - text_x - 2;
  p.DottedFrame({text_x - 2, r.top, text_x + text_w + 2, r.bottom});
}

void DrawLabels(Painter& p, const TFormConfig& form) {
  const bool enabled = form.delay_controls_enabled();
  const Rect& label = layout::kLabelBuff;
  p.Text(ParseCaption(MessageUtf8(Msg::kConfigDelayLabel)), label.left, label, enabled);
  // LabelBuffInfo is right-aligned; its text never carries an accelerator.
  Caption info;
  info.text = platform::DecodeUtf8(form.info_text());
  const Rect& r = layout::kLabelBuffInfo;
  p.Text(info, r.right - p.TextWidth(info), r, enabled);
}

// The thumb points down at the ticks below it.
void DrawThumb(Painter& p, int cx, int top, bool enabled) {
  const int half = layout::kThumbW / 2;
  const int body = layout::kThumbH - half;
  for (int row = 0; row < layout::kThumbH; ++row) {
    const int inset = row < body ? 0 : row - body + 1;
    const int x0 = cx - half + inset, x1 = cx + half - inset, y = top + row;
    for (int x = x0 + 1; x < x1; ++x)  // disabled thumbs are hatched
      p.Dot(x, y, enabled || (x + y) % 2 ? kFace : kHighlight);
    p.Dot(x0, y, kHighlight);
    if (x1 - 1 > x0 && row > 0) p.Dot(x1 - 1, y, kShadow);
    p.Dot(x1, y, kDarkShadow);
  }
  p.HLine(cx - half, top, 2 * half, kHighlight);
}

void DrawTrackBar(Painter& p, const TFormConfig& form) {
  const Rect& r = layout::kTrackBuff;
  const bool enabled = form.delay_controls_enabled();
  const Rect channel{layout::kTrackFirstX - 4, r.top + 10, layout::kTrackLastX + 5, r.top + 14};
  SunkenEdge(p, channel);
  const int ticks_y = r.top + 3 + layout::kThumbH + 2;
  for (int pos = TFormConfig::kTrackMin; pos <= TFormConfig::kTrackMax;
       pos += TFormConfig::kTrackFrequency) {
    const bool end = pos == TFormConfig::kTrackMin || pos == TFormConfig::kTrackMax;
    p.VLine(TFormConfig::TrackX(pos), ticks_y, end ? 4 : 3, enabled ? kText : kShadow);
  }
  DrawThumb(p, TFormConfig::TrackX(form.position()), r.top + 3, enabled);
  if (form.focus() == ConfigControl::kTrackBuff) p.DottedFrame(r);
}

void DrawButton(Painter& p, const TFormConfig& form, ConfigControl c) {
  const bool is_ok = c == ConfigControl::kOk;
  const Rect& r = is_ok ? layout::kOk : layout::kCancel;
  const bool pushed = form.pushed() == c;
  // Enter presses the focused button when it is Cancel, OK otherwise; the
  // button Enter would press wears the black default frame.
  const bool is_default = (form.focus() == ConfigControl::kCancel) != is_ok;
  Rect face = r;
  if (is_default || pushed) {
    p.Frame(r, kText, kText);
    face = Inset(r, 1);
  }
  if (pushed)
    p.Frame(face, kShadow, kShadow);
  else
    RaisedEdge(p, face);
  const Caption caption = ParseCaption(MessageUtf8(is_ok ? Msg::kConfigOk : Msg::kConfigCancel));
  const int shift = pushed ? 1 : 0;
  const Rect text_box{r.left, r.top + shift, r.right, r.bottom + shift};
  p.Text(caption, r.left + (Width(r) - p.TextWidth(caption)) / 2 + shift, text_box, true);
  if (form.focus() == c) p.DottedFrame(Inset(r, 4));
}

}  // namespace

void TFormConfig::Render(platform::BackBuffer& out, platform::FontFace* font) const {
  if (out.width_px() != layout::kClientW || out.height_px() != layout::kClientH)
    out.Resize(layout::kClientW, layout::kClientH, platform::PixelFormat::kXrgb8888);
  Painter p(out, font);
  p.Fill({0, 0, layout::kClientW, layout::kClientH}, kFace);
  GroupBox(p);
  DrawCheckBox(p, *this);
  DrawLabels(p, *this);
  DrawTrackBar(p, *this);
  DrawButton(p, *this, ConfigControl::kOk);
  DrawButton(p, *this, ConfigControl::kCancel);
}

namespace {

// How long one wait for input lasts before the loop looks around again.
constexpr int kWaitTimeoutMs = 100;

void Draw(const TFormConfig& form, platform::Window& window, platform::FontFace* font,
          BackBuffer& frame) {
  form.Render(frame, font);
  window.Present(frame);
}

// Runs until the form closes. Headless, nothing more can arrive once the
// queue is empty, so an open dialog is then cancelled instead of waiting.
void EventLoop(TFormConfig& form, platform::Window& window, platform::FontFace* font,
               bool headless) {
  BackBuffer frame;
  bool dirty = true;
  while (form.open()) {
    if (dirty) Draw(form, window, font, frame);
    dirty = false;
    platform::Event e;
    if (window.WaitEvent(&e, kWaitTimeoutMs))
      dirty = form.HandleEvent(e);
    else if (headless)
      form.CancelClick();
  }
  // Headless runs are inspected afterwards: leave the final state on screen.
  if (headless && dirty) Draw(form, window, font, frame);
}

}  // namespace

int RunConfigDialog(platform::Platform& platform, const std::string& ini_path,
                    const std::vector<platform::Event>& scripted_events,
                    platform::BackBuffer* final_frame) {
  TFormConfig form(ini_path, &platform.dialogs());
  const platform::WindowSpec look{MessageUtf8(Msg::kConfigCaption), layout::kClientW,
                                  layout::kClientH, /*resizable=*/false};
  std::string error;
  std::unique_ptr<platform::Window> window = platform.CreateMainWindow(look, &error);
  if (!window) {
    std::fprintf(stderr, "%s\n",
                 error.empty() ? "cannot create the settings window" : error.c_str());
    return 1;
  }
  window->CenterOnWorkArea();
  window->Show();
  if (auto* queue = dynamic_cast<platform::HeadlessWindow*>(window.get())) {
    for (const auto& e : scripted_events) queue->Inject(e);
  } else {
    for (const auto& e : scripted_events) form.HandleEvent(e);
  }
  const std::unique_ptr<FontFace> font =
      platform::OpenFont(TFormConfig::kFontFamily, TFormConfig::kFontHeightPx);
  EventLoop(form, *window, font.get(), platform.headless());
  if (final_frame) form.Render(*final_frame, font.get());
  return 0;
}

}  // namespace vesk::app
