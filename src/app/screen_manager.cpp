#include "app/screen_manager.h"

namespace vesk::app {

ModeChoice ChooseDisplayModes(const std::vector<platform::DisplayMode>& modes, int screen_w,
                              int screen_h, int preferred_w, int preferred_h, int desktop_bits) {
  ModeChoice c;
  for (size_t i = 0; i < modes.size(); ++i) {
    const platform::DisplayMode& m = modes[i];
    if (m.width_px < screen_w || m.height_px < screen_h || m.bits_per_pixel < 16) continue;
    c.accepted.push_back(m);
    c.source_index.push_back(static_cast<int>(i));
    const int index = static_cast<int>(c.accepted.size()) - 1;
    if (c.preferred < 0) {
      c.preferred = index;
      continue;
    }
    const platform::DisplayMode& p = c.accepted[static_cast<size_t>(c.preferred)];
    const bool m_size = m.width_px == preferred_w && m.height_px == preferred_h;
    const bool p_size = p.width_px == preferred_w && p.height_px == preferred_h;
    if (!m_size) continue;
    const bool better =
        !p_size || (m.bits_per_pixel == desktop_bits &&
                    (p.bits_per_pixel != desktop_bits || m.refresh_hz < p.refresh_hz));
    if (better) c.preferred = index;
  }
  return c;
}

int WorkingBitCount(int bits, bool rgb555, bool full_screen) {
  // A 5-5-5 display is 16 bits wide to some (with 5-5-5 masks) and 15 bits
  // deep to others (SDL, X): both are the 15-bit format.
  const bool is_555 = bits == 15 || (bits == 16 && rgb555);
  if (full_screen) {
    if (bits < 16 || is_555) return 15;
    return bits == 16 ? 16 : 32;
  }
  if (is_555) return 15;
  return bits > 16 ? 32 : 16;
}

namespace {

platform::PixelFormat FormatOf(int bits) {
  return bits == 15   ? platform::PixelFormat::kRgb555
         : bits == 16 ? platform::PixelFormat::kRgb565
                      : platform::PixelFormat::kXrgb8888;
}

}  // namespace

TScreenManager::TScreenManager(platform::Window& window, int screen_w, int screen_h,
                               int preferred_w, int preferred_h, int desktop_bits)
    : window_(window), screen_w_(screen_w), screen_h_(screen_h), desktop_bits_(desktop_bits) {
  choice_ = ChooseDisplayModes(window_.ListDisplayModes(), screen_w, screen_h, preferred_w,
                               preferred_h, desktop_bits);
  chosen_mode_ = choice_.preferred;
  SetUp();
}

void TScreenManager::SetUp() {
  int bits = desktop_bits_;
  bool rgb555 = window_.DesktopIsRgb555();
  if (current_mode_ >= 0) {
    bits = choice_.accepted[static_cast<size_t>(current_mode_)].bits_per_pixel;
    rgb555 = false;  // a 16-bit mode we switch to is 5-6-5 on the displays SDL drives
  }
  working_bits_ = WorkingBitCount(bits, rgb555, current_mode_ >= 0);
  frame_.Resize(screen_w_, screen_h_, FormatOf(working_bits_));
  changed_ = true;
}

bool TScreenManager::SetDisplayMode(int index) {
  if (index == current_mode_) return true;
  if (index >= static_cast<int>(choice_.accepted.size())) return false;
  const int source = index < 0 ? -1 : choice_.source_index[static_cast<size_t>(index)];
  if (!window_.SetDisplayMode(source)) {
    // The display refused: stay in (or go back to) the window.
    window_.SetDisplayMode(-1);
    current_mode_ = -1;
    SetUp();
    return false;
  }
  current_mode_ = index;
  SetUp();
  return true;
}

void TScreenManager::NoteFrameChanged(bool changed, int zoom_percent) {
  changed_ = changed;
  zoom_percent_ = zoom_percent;
}

void TScreenManager::Present() {
  if (zoom_percent_ % 100 != 0 || changed_) ++present_counter_;
  // A scene that changed without saying where is shown whole.
  if (changed_ && frame_.changed().empty()) frame_.MarkAllChanged();
  // Called on every drawn frame, changed or not: the window may need the
  // whole frame again (its own copy was lost) even when nothing moved.
  window_.Present(frame_);
  frame_.ClearChanged();
  changed_ = false;
}

}  // namespace vesk::app
