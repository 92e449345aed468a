#include "app/config_dialog.h"

#include <cstdio>
#include <memory>

#include "app/dialog_painter.h"
#include "app/runconfigs.h"
#include "core/messages.h"
#include "platform/headless/headless_platform.h"

namespace vesk::app {
namespace {

using platform::BackBuffer;
using platform::FontFace;
namespace layout = config_layout;

using dialog::Caption;
using dialog::Height;
using dialog::Inset;
using dialog::kFace;
using dialog::kShadow;
using dialog::kText;
using dialog::kWindow;
using dialog::Painter;
using dialog::ParseCaption;

void GroupBox(Painter& p) {
  dialog::EtchedFrame(p, layout::kGroupBox);
}

void DrawCheckBox(Painter& p, const TFormConfig& form) {
  const Rect& r = layout::kCheckSound;
  const Rect box = Rect::FromSize(r.left, r.top + (Height(r) - 13) / 2, 13, 13);
  dialog::SunkenEdge(p, box);
  const bool pushed = form.pushed() == ConfigControl::kCheckSound;
  p.Fill(Inset(box, 2), pushed ? kFace : kWindow);
  if (form.checked()) dialog::CheckMark(p, box.left + 3, box.top + 3, kText);
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
  const Caption info = dialog::PlainCaption(form.info_text());
  const Rect& r = layout::kLabelBuffInfo;
  p.Text(info, r.right - p.TextWidth(info), r, enabled);
}

void DrawTrackBar(Painter& p, const TFormConfig& form) {
  const Rect& r = layout::kTrackBuff;
  const bool enabled = form.delay_controls_enabled();
  const Rect channel{layout::kTrackFirstX - 4, r.top + 10, layout::kTrackLastX + 5, r.top + 14};
  dialog::SunkenEdge(p, channel);
  const int ticks_y = r.top + 3 + layout::kThumbH + 2;
  for (int pos = TFormConfig::kTrackMin; pos <= TFormConfig::kTrackMax;
       pos += TFormConfig::kTrackFrequency) {
    const bool end = pos == TFormConfig::kTrackMin || pos == TFormConfig::kTrackMax;
    p.VLine(TFormConfig::TrackX(pos), ticks_y, end ? 4 : 3, enabled ? kText : kShadow);
  }
  dialog::TrackThumb(p, TFormConfig::TrackX(form.position()), r.top + 3, layout::kThumbW,
                     layout::kThumbH, enabled);
  if (form.focus() == ConfigControl::kTrackBuff) p.DottedFrame(r);
}

void DrawButton(Painter& p, const TFormConfig& form, ConfigControl c) {
  const bool is_ok = c == ConfigControl::kOk;
  const Rect& r = is_ok ? layout::kOk : layout::kCancel;
  // Enter presses the focused button when it is Cancel, OK otherwise; the
  // button Enter would press wears the black default frame.
  const bool is_default = (form.focus() == ConfigControl::kCancel) != is_ok;
  dialog::PushButton(p, r, ParseCaption(MessageUtf8(is_ok ? Msg::kConfigOk : Msg::kConfigCancel)),
                     form.pushed() == c, is_default, form.focus() == c);
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
