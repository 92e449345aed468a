#include "app/runconfigs.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <utility>

#include "app/game_ini.h"
#include "core/messages.h"
#include "platform/vkeys.h"

namespace vesk::app {
namespace {

namespace vk = platform::vk;
using platform::EventType;

constexpr std::array<ConfigControl, 4> kTabOrder = {ConfigControl::kCheckSound,
                                                    ConfigControl::kTrackBuff, ConfigControl::kOk,
                                                    ConfigControl::kCancel};

Rect ControlRect(ConfigControl c) {
  switch (c) {
    case ConfigControl::kCheckSound:
      return config_layout::kCheckSound;
    case ConfigControl::kTrackBuff:
      return config_layout::kTrackBuff;
    case ConfigControl::kOk:
      return config_layout::kOk;
    case ConfigControl::kCancel:
      return config_layout::kCancel;
    case ConfigControl::kNone:
      break;
  }
  return {};
}

// The letters of the captions' accelerators.
constexpr int kKeyS = vk::kA + ('S' - 'A');
constexpr int kKeyD = vk::kA + ('D' - 'A');

bool IsShift(int key) {
  return key == vk::kShift || key == vk::kLShift || key == vk::kRShift;
}
bool IsAlt(int key) {
  return key == vk::kMenu || key == vk::kLMenu || key == vk::kRMenu;
}

}  // namespace

TFormConfig::TFormConfig(std::string ini_path, platform::Dialogs* dialogs)
    : ini_path_(std::move(ini_path)), dialogs_(dialogs) {
  open_ = true;
  const SoundSettings stored = ReadGameIniRaw(ini_path_);
  checked_ = stored.direct_sound;
  // The file keeps milliseconds; the track bar counts hundreds of them.
  position_ = std::clamp(stored.delay_ms / 100, kTrackMin, kTrackMax);
  CheckSoundClick();
  TrackBuffChange();
}

void TFormConfig::CheckSoundClick() {
  // The delay is the wave-out buffer length: DirectSound ignores it.
  delay_enabled_ = !checked_;
  if (!delay_enabled_) dragging_ = false;
  if (!Enabled(focus_)) focus_ = ConfigControl::kCheckSound;
}

void TFormConfig::TrackBuffChange() {
  char text[32];
  std::snprintf(text, sizeof text, MessageUtf8(Msg::kConfigDelayFormat), position_ * 100);
  info_text_ = text;
}

void TFormConfig::SetPosition(int position) {
  position = std::clamp(position, kTrackMin, kTrackMax);
  if (position == position_) return;
  position_ = position;
  TrackBuffChange();
}

void TFormConfig::SetChecked(bool checked) {
  checked_ = checked;
  CheckSoundClick();
}

void TFormConfig::OkClick() {
  if (WriteGameIni(ini_path_, SoundSettings{checked_, position_ * 100})) {
    Close(ConfigResult::kOk);
    return;
  }
  // Keep the form open so the user can retry or cancel.
  if (dialogs_)
    dialogs_->ShowMessage(FormatMessage(MessageUtf8(Msg::kCannotWriteFormat), ini_path_),
                          MessageUtf8(Msg::kErrorCaption), platform::MessageIcon::kError,
                          platform::MessageButtons::kOk);
}

void TFormConfig::CancelClick() {
  Close(ConfigResult::kCancel);
}

void TFormConfig::Close(ConfigResult result) {
  open_ = false;
  result_ = result;
  pressed_ = ConfigControl::kNone;
  dragging_ = false;
}

bool TFormConfig::HandleEvent(const platform::Event& e) {
  if (!open_) return false;
  switch (e.type) {
    case EventType::kQuit:
      CancelClick();
      return true;
    case EventType::kKeyDown:
      // A held Space would toggle the check box on every auto-repeat.
      return !(e.repeat && e.vk == vk::kSpace) && HandleKeyDown(e.vk);
    case EventType::kKeyUp:
      return HandleKeyUp(e.vk);
    case EventType::kMouseDown:
      return HandleMouseDown(e);
    case EventType::kMouseMove:
      return HandleMouseMove(e);
    case EventType::kMouseUp:
      return HandleMouseUp(e);
    case EventType::kDeactivated:
      // Key-ups and button-ups go elsewhere while another window is active.
      shift_down_ = alt_down_ = dragging_ = false;
      pressed_ = ConfigControl::kNone;
      return true;
    case EventType::kActivated:
    case EventType::kExposed:
    case EventType::kDisplayChanged:
      return true;
    default:
      return false;
  }
}

bool TFormConfig::HandleKeyDown(int key) {
  if (IsShift(key)) shift_down_ = true;
  if (IsAlt(key)) alt_down_ = true;
  if (IsShift(key) || IsAlt(key)) return false;
  if (alt_down_) return HandleAccelerator(key);
  switch (key) {
    case vk::kTab:
      MoveFocus(shift_down_);
      return true;
    case vk::kSpace:
      Activate(focus_);
      return true;
    case vk::kReturn:
      if (focus_ == ConfigControl::kCancel)
        CancelClick();
      else
        OkClick();
      return true;
    case vk::kEscape:
      CancelClick();
      return true;
    default:
      return focus_ == ConfigControl::kTrackBuff && HandleTrackKey(key);
  }
}

bool TFormConfig::HandleKeyUp(int key) {
  if (IsShift(key)) shift_down_ = false;
  if (IsAlt(key)) alt_down_ = false;
  return false;
}

bool TFormConfig::HandleAccelerator(int key) {
  if (key == kKeyS) {
    Focus(ConfigControl::kCheckSound);
    SetChecked(!checked_);
    return true;
  }
  // The label's accelerator goes to the control it names.
  if (key == kKeyD && Enabled(ConfigControl::kTrackBuff)) {
    Focus(ConfigControl::kTrackBuff);
    return true;
  }
  return false;
}

bool TFormConfig::HandleTrackKey(int key) {
  const int before = position_;
  switch (key) {
    case vk::kLeft:
    case vk::kUp:
      SetPosition(position_ - 1);
      break;
    case vk::kRight:
    case vk::kDown:
      SetPosition(position_ + 1);
      break;
    case vk::kHome:
      SetPosition(kTrackMin);
      break;
    case vk::kEnd:
      SetPosition(kTrackMax);
      break;
    case vk::kPrior:
      SetPosition(position_ - kTrackPageSize);
      break;
    case vk::kNext:
      SetPosition(position_ + kTrackPageSize);
      break;
    default:
      return false;
  }
  return position_ != before;
}

bool TFormConfig::HandleMouseDown(const platform::Event& e) {
  if (e.button != platform::MouseButton::kLeft) return false;
  for (ConfigControl c : kTabOrder) {
    if (!Enabled(c) || !ControlRect(c).Contains(e.x, e.y)) continue;
    Focus(c);
    if (c == ConfigControl::kTrackBuff) {
      dragging_ = true;
      SetPosition(TrackPositionAt(e.x));
    } else {
      pressed_ = c;
      pressed_inside_ = true;
    }
    return true;
  }
  return false;
}

bool TFormConfig::HandleMouseMove(const platform::Event& e) {
  if (dragging_) {
    const int before = position_;
    SetPosition(TrackPositionAt(e.x));
    return position_ != before;
  }
  if (pressed_ == ConfigControl::kNone) return false;
  const bool inside = ControlRect(pressed_).Contains(e.x, e.y);
  const bool changed = inside != pressed_inside_;
  pressed_inside_ = inside;
  return changed;
}

bool TFormConfig::HandleMouseUp(const platform::Event& e) {
  if (e.button != platform::MouseButton::kLeft) return false;
  dragging_ = false;
  if (pressed_ == ConfigControl::kNone) return false;
  const ConfigControl c = pressed_;
  pressed_ = ConfigControl::kNone;
  // Like any push button: releasing outside the control cancels the click.
  if (ControlRect(c).Contains(e.x, e.y)) Activate(c);
  return true;
}

bool TFormConfig::Enabled(ConfigControl c) const {
  if (c == ConfigControl::kNone) return false;
  return c != ConfigControl::kTrackBuff || delay_enabled_;
}

void TFormConfig::Focus(ConfigControl c) {
  if (Enabled(c)) focus_ = c;
}

void TFormConfig::MoveFocus(bool backward) {
  const int n = static_cast<int>(kTabOrder.size());
  int i =
      static_cast<int>(std::find(kTabOrder.begin(), kTabOrder.end(), focus_) - kTabOrder.begin());
  for (int step = 0; step < n; ++step) {
    i = ((backward ? i - 1 : i + 1) % n + n) % n;
    if (Enabled(kTabOrder[i])) {
      focus_ = kTabOrder[i];
      return;
    }
  }
}

void TFormConfig::Activate(ConfigControl c) {
  switch (c) {
    case ConfigControl::kCheckSound:
      SetChecked(!checked_);
      break;
    case ConfigControl::kOk:
      OkClick();
      break;
    case ConfigControl::kCancel:
      CancelClick();
      break;
    default:
      break;
  }
}

int TFormConfig::TrackX(int position) {
  using namespace config_layout;
  const int p = std::clamp(position, kTrackMin, kTrackMax);
  return kTrackFirstX + (p - kTrackMin) * (kTrackLastX - kTrackFirstX) / (kTrackMax - kTrackMin);
}

int TFormConfig::TrackPositionAt(int x) {
  using namespace config_layout;
  const int span = kTrackLastX - kTrackFirstX;
  const int offset = std::clamp(x, kTrackFirstX, kTrackLastX) - kTrackFirstX;
  // Round to the nearest tick.
  return kTrackMin + (2 * offset * (kTrackMax - kTrackMin) + span) / (2 * span);
}

}  // namespace vesk::app
