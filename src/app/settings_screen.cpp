#include "app/settings_screen.h"

#include <algorithm>
#include <cstdlib>

#include "app/dialog_painter.h"
#include "platform/files.h"
#include "platform/vkeys.h"

namespace vesk::app {

namespace layout = settings_layout;
using platform::Event;
using platform::EventType;
using platform::PlayerSettings;
using SC = SettingsControl;

namespace settings_layout {

Rect ControlRect(SettingsControl c) {
  if (c == SC::kOk) return Rect::FromSize(kPanelW - 184, kPanelH - 34, 80, 24);
  if (c == SC::kCancel) return Rect::FromSize(kPanelW - 94, kPanelH - 34, 80, 24);
  const int row = static_cast<int>(c);
  return Rect::FromSize(kControlX, kRowTop + row * kRowH, kControlRight - kControlX, kRowH);
}

Rect ScalingChoiceRect(bool integer) {
  const Rect r = ControlRect(SC::kScaling);
  const int half = dialog::Width(r) / 2;
  return integer ? Rect{r.left + half, r.top, r.right, r.bottom}
                 : Rect{r.left, r.top, r.left + half, r.bottom};
}

Rect SliderTrackRect(SettingsControl c) {
  const Rect r = ControlRect(c);
  return {r.left + 6, r.top, r.right - 52, r.bottom};
}

Rect SoundFontArrowRect(bool next) {
  const Rect r = ControlRect(SC::kSoundFont);
  return next ? Rect{r.right - 20, r.top + 2, r.right, r.bottom - 2}
              : Rect{r.left, r.top + 2, r.left + 20, r.bottom - 2};
}

}  // namespace settings_layout

namespace {

constexpr const char* kTitle = "Player settings";
constexpr const char* kCaptureHint =
    "Press the new key with its modifiers; Escape keeps the old one";

const char* Label(SettingsControl c) {
  switch (c) {
    case SC::kScaling:
      return "Scaling";
    case SC::kFullscreen:
      return "Full screen";
    case SC::kModeSwitch:
      return "Display mode changes";
    case SC::kVolume:
      return "Volume";
    case SC::kMusicVolume:
      return "Music (MIDI)";
    case SC::kSoundsVolume:
      return "Sounds and films";
    case SC::kSoundFont:
      return "SoundFont (next start)";
    case SC::kKeyFullscreen:
      return "Full screen key";
    case SC::kKeyScaling:
      return "Scaling key";
    case SC::kKeyScreenshot:
      return "Screenshot key";
    case SC::kKeySettings:
      return "Settings key";
    case SC::kOk:
      return "OK";
    case SC::kCancel:
      return "Cancel";
    case SC::kCount:
      break;
  }
  return "";
}

bool IsKeyControl(SettingsControl c) {
  return c >= SC::kKeyFullscreen && c <= SC::kKeySettings;
}

bool IsSlider(SettingsControl c) {
  return c >= SC::kVolume && c <= SC::kSoundsVolume;
}

// The field a key control edits (null for other controls), for a settings
// object const or not.
template <typename Settings>
auto KeyField(Settings& s, SettingsControl c) -> decltype(&s.fullscreen_key) {
  switch (c) {
    case SC::kKeyFullscreen:
      return &s.fullscreen_key;
    case SC::kKeyScaling:
      return &s.scaling_key;
    case SC::kKeyScreenshot:
      return &s.screenshot_key;
    case SC::kKeySettings:
      return &s.settings_key;
    default:
      return nullptr;
  }
}

// The same for a volume slider.
template <typename Settings>
auto VolumeOf(Settings& s, SettingsControl c) -> decltype(&s.volume_percent) {
  switch (c) {
    case SC::kVolume:
      return &s.volume_percent;
    case SC::kMusicVolume:
      return &s.music_volume_percent;
    case SC::kSoundsVolume:
      return &s.sounds_volume_percent;
    default:
      return nullptr;
  }
}

bool IsModifierKey(int vk) {
  namespace k = platform::vk;
  return vk == k::kShift || vk == k::kControl || vk == k::kMenu || vk == k::kLWin ||
         vk == k::kRWin || (vk >= k::kLShift && vk <= k::kLShift + 5);
}

// Keys the screen itself and every game need unmodified: taking them for
// the player would leave no way to move around.
bool ReservedForNavigation(const platform::KeyChord& chord) {
  namespace k = platform::vk;
  if (chord.mods != 0 && chord.mods != platform::kModShift) return false;
  return chord.vk == k::kTab || chord.vk == k::kReturn || chord.vk == k::kSpace ||
         chord.vk == k::kEscape || (chord.vk >= k::kLeft && chord.vk <= k::kDown);
}

std::string BaseName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool Inside(const Rect& r, int x, int y) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

}  // namespace

std::vector<std::string> FindInstalledSoundFonts() {
  std::vector<std::string> dirs = {"/usr/share/sounds/sf2", "/usr/share/sounds/sf3",
                                   "/usr/share/soundfonts", "/usr/local/share/soundfonts"};
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && xdg[0] == '/')
    dirs.push_back(platform::JoinPath(xdg, "soundfonts"));
  else if (const char* home = std::getenv("HOME"); home && home[0])
    dirs.push_back(platform::JoinPath(home, ".local/share/soundfonts"));
  std::vector<std::string> found;
  for (const std::string& dir : dirs) {
    const auto names = platform::ListDirectory(dir);
    if (!names) continue;
    for (const std::string& name : *names) {
      const std::string ext = name.size() > 4 ? name.substr(name.size() - 4) : "";
      if (ext == ".sf2" || ext == ".sf3" || ext == ".SF2" || ext == ".SF3")
        found.push_back(platform::JoinPath(dir, name));
    }
  }
  std::sort(found.begin(), found.end());
  found.erase(std::unique(found.begin(), found.end()), found.end());
  if (found.size() > 64) found.resize(64);
  return found;
}

SettingsScreen::SettingsScreen(const PlayerSettings& current, std::vector<std::string> soundfonts)
    : edited_(current), own_key_(current.settings_key) {
  soundfonts_.push_back("");  // automatic
  for (auto& f : soundfonts)
    if (!f.empty()) soundfonts_.push_back(std::move(f));
  if (std::find(soundfonts_.begin(), soundfonts_.end(), current.soundfont) == soundfonts_.end())
    soundfonts_.push_back(current.soundfont);
}

void SettingsScreen::SetFrameSize(int width_px, int height_px) {
  frame_w_ = std::max(width_px, 1);
  frame_h_ = std::max(height_px, 1);
}

Rect SettingsScreen::PanelRect() const {
  // A frame smaller than the panel shows its top left part.
  const int x = std::max(0, (frame_w_ - layout::kPanelW) / 2);
  const int y = std::max(0, (frame_h_ - layout::kPanelH) / 2);
  return Rect::FromSize(x, y, layout::kPanelW, layout::kPanelH);
}

bool SettingsScreen::HandleEvent(const Event& e) {
  if (!open()) return false;
  switch (e.type) {
    case EventType::kKeyDown:
      return HandleKeyDown(e);
    case EventType::kMouseDown:
      return HandleMouseDown(e);
    case EventType::kMouseMove:
      return HandleMouseMove(e);
    case EventType::kMouseUp:
      return HandleMouseUp(e);
    case EventType::kWheel:
      return Change(e.wheel_down ? -1 : 1);
    default:
      return false;
  }
}

bool SettingsScreen::HandleKeyDown(const Event& e) {
  namespace k = platform::vk;
  if (capturing_ != SC::kCount) return HandleCapture(e);
  const bool plain = e.mods == 0;
  if (own_key_.Matches(e.vk, e.mods) && !e.repeat) {
    Close(Result::kCancel);
    return true;
  }
  // Held arrows repeat; what acts or closes does so once a press.
  const bool acts = e.vk == k::kEscape || e.vk == k::kSpace || e.vk == k::kReturn;
  if (acts && e.repeat) return false;
  switch (e.vk) {
    case k::kEscape:
      Close(Result::kCancel);
      return true;
    case k::kTab:
      MoveFocus((e.mods & platform::kModShift) ? -1 : 1);
      return true;
    case k::kUp:
    case k::kDown:
      MoveFocus(e.vk == k::kUp ? -1 : 1);
      return true;
    case k::kLeft:
    case k::kRight:
      return Change(e.vk == k::kLeft ? -1 : 1);
    case k::kSpace:
      return plain && Activate(focus_);
    case k::kReturn:
      // Return acts on what can be acted on; on a slider or a choice it
      // is the dialog's default button.
      if (focus_ == SC::kFullscreen || focus_ == SC::kModeSwitch || IsKeyControl(focus_) ||
          focus_ == SC::kCancel)
        return Activate(focus_);
      return Activate(SC::kOk);
    default:
      return false;
  }
}

bool SettingsScreen::HandleCapture(const Event& e) {
  if (e.repeat || IsModifierKey(e.vk)) return false;
  const SettingsControl target = capturing_;
  if (e.vk == platform::vk::kEscape && e.mods == 0) {
    capturing_ = SC::kCount;
    status_.clear();
    return true;
  }
  const platform::KeyChord chord{e.vk, e.mods};
  const std::string name = platform::FormatKeyChord(chord);
  if (name.empty() || name.back() == '+') {
    status_ = "That key has no name the settings file could keep";
    return true;
  }
  if (ReservedForNavigation(chord)) {
    status_ = name + " is needed to move around; choose another";
    return true;
  }
  for (SC other : {SC::kKeyFullscreen, SC::kKeyScaling, SC::kKeyScreenshot, SC::kKeySettings})
    if (other != target && *KeyField(edited_, other) == chord) {
      status_ = name + " is already the " + Label(other);
      return true;
    }
  *KeyField(edited_, target) = chord;
  capturing_ = SC::kCount;
  status_.clear();
  return true;
}

void SettingsScreen::MoveFocus(int by) {
  const int n = static_cast<int>(SC::kCount);
  focus_ = static_cast<SC>((static_cast<int>(focus_) + by + n) % n);
}

bool SettingsScreen::Change(int direction) {
  switch (focus_) {
    case SC::kScaling:
      edited_.scaling =
          direction > 0 ? platform::ScalingMode::kInteger : platform::ScalingMode::kFit;
      return true;
    case SC::kSoundFont:
      CycleSoundFont(direction);
      return true;
    case SC::kOk:
    case SC::kCancel:
      focus_ = direction > 0 ? SC::kCancel : SC::kOk;
      return true;
    default:
      break;
  }
  if (int* v = VolumeOf(edited_, focus_)) {
    *v = std::clamp(*v + direction * layout::kVolumeStep, 0, 100);
    return true;
  }
  return false;
}

void SettingsScreen::CycleSoundFont(int direction) {
  const auto at = std::find(soundfonts_.begin(), soundfonts_.end(), edited_.soundfont);
  const int n = static_cast<int>(soundfonts_.size());
  const int i = static_cast<int>(at - soundfonts_.begin());
  edited_.soundfont = soundfonts_[static_cast<size_t>(((i + direction) % n + n) % n)];
}

bool SettingsScreen::Activate(SettingsControl c) {
  focus_ = c;
  switch (c) {
    case SC::kFullscreen:
      edited_.fullscreen = !edited_.fullscreen;
      return true;
    case SC::kModeSwitch:
      edited_.allow_mode_switch = !edited_.allow_mode_switch;
      return true;
    case SC::kScaling:
      return Change(edited_.scaling == platform::ScalingMode::kFit ? 1 : -1);
    case SC::kSoundFont:
      CycleSoundFont(1);
      return true;
    case SC::kOk:
      Close(Result::kOk);
      return true;
    case SC::kCancel:
      Close(Result::kCancel);
      return true;
    default:
      break;
  }
  if (IsKeyControl(c)) {
    capturing_ = c;
    status_ = kCaptureHint;
    return true;
  }
  return false;
}

bool SettingsScreen::SetSliderAt(SettingsControl c, int panel_x) {
  int* v = VolumeOf(edited_, c);
  if (!v) return false;
  const Rect t = layout::SliderTrackRect(c);
  const int span = std::max(1, dialog::Width(t) - 1);
  const int raw = (std::clamp(panel_x, t.left, t.right - 1) - t.left) * 100 / span;
  const int stepped = (raw + layout::kVolumeStep / 2) / layout::kVolumeStep * layout::kVolumeStep;
  if (*v == stepped) return false;
  *v = stepped;
  return true;
}

bool SettingsScreen::HandleMouseDown(const Event& e) {
  if (e.button != platform::MouseButton::kLeft) return true;  // taken, nothing to do
  const Rect panel = PanelRect();
  const int x = e.x - panel.left, y = e.y - panel.top;
  capturing_ = SC::kCount;
  for (int i = 0; i < static_cast<int>(SC::kCount); ++i) {
    const SC c = static_cast<SC>(i);
    if (!Inside(layout::ControlRect(c), x, y)) continue;
    focus_ = c;
    if (c == SC::kScaling) {
      edited_.scaling = Inside(layout::ScalingChoiceRect(true), x, y)
                            ? platform::ScalingMode::kInteger
                            : platform::ScalingMode::kFit;
    } else if (IsSlider(c)) {
      dragging_ = true;
      SetSliderAt(c, x);
    } else if (c == SC::kSoundFont) {
      if (Inside(layout::SoundFontArrowRect(false), x, y)) CycleSoundFont(-1);
      if (Inside(layout::SoundFontArrowRect(true), x, y)) CycleSoundFont(1);
    } else {
      // Buttons, check boxes and keys act when the button comes up over them.
      pressed_ = c;
      pressed_inside_ = true;
    }
    return true;
  }
  return true;
}

bool SettingsScreen::HandleMouseMove(const Event& e) {
  const Rect panel = PanelRect();
  const int x = e.x - panel.left, y = e.y - panel.top;
  if (dragging_) return SetSliderAt(focus_, x);
  if (pressed_ == SC::kCount) return false;
  const bool inside = Inside(layout::ControlRect(pressed_), x, y);
  if (inside == pressed_inside_) return false;
  pressed_inside_ = inside;
  return true;
}

bool SettingsScreen::HandleMouseUp(const Event& e) {
  if (e.button != platform::MouseButton::kLeft) return false;
  dragging_ = false;
  const SC c = pressed_;
  const bool inside = pressed_inside_;
  pressed_ = SC::kCount;
  pressed_inside_ = false;
  if (c == SC::kCount) return false;
  if (inside) Activate(c);
  return true;
}

// ---- drawing ----

namespace {

using dialog::Caption;
using dialog::Painter;
using dialog::PlainCaption;

struct View {
  const SettingsScreen& screen;
  const PlayerSettings& s;
  Painter& p;
};

void DrawCheck(const View& v, SC c, bool checked, const char* text) {
  const Rect r = layout::ControlRect(c);
  const Rect box = Rect::FromSize(r.left, r.top + (dialog::Height(r) - 13) / 2, 13, 13);
  dialog::SunkenEdge(v.p, box);
  v.p.Fill(dialog::Inset(box, 2), dialog::kWindow);
  if (checked) dialog::CheckMark(v.p, box.left + 3, box.top + 3, dialog::kText);
  v.p.Text(PlainCaption(text), box.right + 6, r, true);
}

void DrawRadio(const View& v, const Rect& r, bool on, const char* text) {
  const int cy = r.top + dialog::Height(r) / 2;
  const Rect ring = Rect::FromSize(r.left, cy - 6, 12, 12);
  dialog::SunkenEdge(v.p, ring);
  v.p.Fill(dialog::Inset(ring, 2), dialog::kWindow);
  if (on) v.p.Fill(Rect::FromSize(ring.left + 4, ring.top + 4, 4, 4), dialog::kText);
  v.p.Text(PlainCaption(text), ring.right + 6, r, true);
}

void DrawSlider(const View& v, SC c, int value) {
  const Rect t = layout::SliderTrackRect(c);
  const int mid = t.top + dialog::Height(t) / 2;
  dialog::SunkenEdge(v.p, {t.left - 2, mid - 2, t.right + 2, mid + 2});
  const int x = t.left + value * (dialog::Width(t) - 1) / 100;
  dialog::TrackThumb(v.p, x, mid - 8, 9, 16, true);
  const Caption text = PlainCaption(std::to_string(value) + " %");
  const Rect r = layout::ControlRect(c);
  v.p.Text(text, r.right - v.p.TextWidth(text), r, true);
}

void DrawSoundFont(const View& v) {
  const Rect r = layout::ControlRect(SC::kSoundFont);
  for (bool next : {false, true}) {
    const Rect a = layout::SoundFontArrowRect(next);
    dialog::RaisedEdge(v.p, a);
    const Caption arrow = PlainCaption(next ? ">" : "<");
    v.p.Text(arrow, a.left + (dialog::Width(a) - v.p.TextWidth(arrow)) / 2, a, true);
  }
  const std::string name = v.s.soundfont.empty() ? "automatic" : BaseName(v.s.soundfont);
  const Caption text = PlainCaption(name);
  const int room = dialog::Width(r) - 44;
  v.p.Text(text, r.left + 22 + std::max(0, (room - v.p.TextWidth(text)) / 2), r, true);
}

void DrawKey(const View& v, SC c) {
  const Rect r = dialog::Inset(layout::ControlRect(c), 1);
  dialog::SunkenEdge(v.p, r);
  const bool waiting = v.screen.capturing() == c;
  v.p.Fill(dialog::Inset(r, 2), waiting ? dialog::kSelection : dialog::kWindow);
  const platform::KeyChord* chord = nullptr;
  switch (c) {
    case SC::kKeyFullscreen:
      chord = &v.s.fullscreen_key;
      break;
    case SC::kKeyScaling:
      chord = &v.s.scaling_key;
      break;
    case SC::kKeyScreenshot:
      chord = &v.s.screenshot_key;
      break;
    default:
      chord = &v.s.settings_key;
      break;
  }
  const Caption text = PlainCaption(waiting ? "press a key..." : platform::FormatKeyChord(*chord));
  v.p.Text(text, r.left + 6, r, true, waiting ? dialog::kSelectionText : dialog::kText);
}

void DrawControl(const View& v, SC c) {
  switch (c) {
    case SC::kScaling:
      DrawRadio(v, layout::ScalingChoiceRect(false), v.s.scaling == platform::ScalingMode::kFit,
                "Fit (smooth)");
      DrawRadio(v, layout::ScalingChoiceRect(true), v.s.scaling == platform::ScalingMode::kInteger,
                "Integer (sharp)");
      break;
    case SC::kFullscreen:
      DrawCheck(v, c, v.s.fullscreen, "Borderless window");
      break;
    case SC::kModeSwitch:
      DrawCheck(v, c, v.s.allow_mode_switch, "Allow when the game asks");
      break;
    case SC::kSoundFont:
      DrawSoundFont(v);
      break;
    case SC::kOk:
    case SC::kCancel:
      dialog::PushButton(
          v.p, layout::ControlRect(c), PlainCaption(Label(c)), v.screen.pushed() == c,
          (v.screen.focus() == SC::kCancel) != (c == SC::kOk), v.screen.focus() == c);
      break;
    default:
      if (IsSlider(c)) DrawSlider(v, c, *VolumeOf(v.s, c));
      if (IsKeyControl(c)) DrawKey(v, c);
      break;
  }
}

}  // namespace

void SettingsScreen::DimBackdrop(const platform::BackBuffer& game_frame,
                                 platform::BackBuffer& out) const {
  if (game_frame.empty()) {
    out.Resize(frame_w_, frame_h_, platform::PixelFormat::kXrgb8888);
    return;
  }
  out.Resize(game_frame.width_px(), game_frame.height_px(), game_frame.format());
  for (int y = 0; y < game_frame.height_px(); ++y)
    for (int x = 0; x < game_frame.width_px(); ++x)
      out.SetRgb(x, y, (game_frame.GetRgb(x, y) >> 1) & 0x7F7F7F);
}

void SettingsScreen::Render(const platform::BackBuffer& game_frame, platform::BackBuffer& out,
                            platform::FontFace* font) const {
  DimBackdrop(game_frame, out);
  RenderPanel(out, font);
}

void SettingsScreen::RenderPanel(platform::BackBuffer& out, platform::FontFace* font) const {
  const Rect panel = PanelRect();
  Painter p(out, font, panel.left, panel.top);
  const Rect whole = Rect::FromSize(0, 0, layout::kPanelW, layout::kPanelH);
  p.Fill(whole, dialog::kFace);
  dialog::RaisedEdge(p, whole);
  const Rect title{3, 3, layout::kPanelW - 3, 3 + layout::kTitleH};
  p.Fill(title, dialog::kSelection);
  p.Text(PlainCaption(kTitle), title.left + 6, title, true, dialog::kSelectionText);
  const View v{*this, edited_, p};
  for (int i = 0; i < static_cast<int>(SC::kCount); ++i) {
    const SC c = static_cast<SC>(i);
    const Rect r = layout::ControlRect(c);
    if (c != SC::kOk && c != SC::kCancel) p.Text(PlainCaption(Label(c)), layout::kLabelX, r, true);
    DrawControl(v, c);
    if (focus_ == c && c != SC::kOk && c != SC::kCancel)
      p.DottedFrame({r.left - 4, r.top, r.right + 4, r.bottom});
  }
  const Rect line = Rect::FromSize(layout::kLabelX, layout::kPanelH - 58,
                                   layout::kPanelW - 2 * layout::kLabelX, 20);
  p.Text(PlainCaption(status_), line.left, line, true);
}

}  // namespace vesk::app
