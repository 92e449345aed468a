// TFormView's part in the player's settings screen: opening it over the
// paused game, giving it the input, drawing it and applying what it closed
// with. The game sees none of it: no key, click or frame while it is open.
#include "app/form_view.h"
#include "app/settings_screen.h"
#include "app/window_keys.h"

namespace vesk::app {

using platform::Event;
using platform::EventType;

namespace {
// A face every desktop has; the screen's captions are plain ASCII.
constexpr const char* kSettingsFontFamily = "sans-serif";
constexpr int kSettingsFontPx = 13;
}  // namespace

void TFormView::OpenSettings() {
  if (settings_screen_ || !window_keys_ || !window_ || !screen_ || closed_) return;
  settings_screen_ =
      std::make_unique<SettingsScreen>(window_keys_->settings(), FindInstalledSoundFonts());
  const platform::BackBuffer& game = screen_->back_buffer();
  settings_screen_->SetFrameSize(game.width_px(), game.height_px());
  settings_screen_->DimBackdrop(game, settings_backdrop_);
  PauseMedia();
  // Whatever the game thought was held is let go, as when the window loses
  // the focus.
  if (scene_) scene_->ClearInput();
  if (!settings_font_) settings_font_ = platform::OpenFont(kSettingsFontFamily, kSettingsFontPx);
  DrawSettings();
}

bool TFormView::RouteToSettings(const Event& e) {
  switch (e.type) {
    case EventType::kKeyDown:
      settings_keys_.insert(e.vk);
      break;
    case EventType::kKeyUp:
      // Releases of keys pressed before the screen opened go on as usual.
      return settings_keys_.erase(e.vk) > 0;
    case EventType::kMouseDown:
    case EventType::kMouseUp:
    case EventType::kMouseMove:
    case EventType::kWheel:
      pad_.NotePointer(e.x, e.y);
      break;
    case EventType::kTextInput:
    case EventType::kTextEditing:
      return true;
    case EventType::kExposed:
    case EventType::kDisplayChanged:
      DrawSettings();
      return false;
    default:
      return false;  // quit, focus, controller: handled as always
  }
  const bool changed = settings_screen_->HandleEvent(e);
  if (!settings_screen_->open())
    CloseSettings();
  else if (changed)
    DrawSettings();
  return true;
}

void TFormView::DrawSettings() {
  if (!settings_screen_ || !screen_ || !window_) return;
  settings_frame_ = settings_backdrop_;
  settings_screen_->RenderPanel(settings_frame_, settings_font_.get());
  settings_frame_.MarkAllChanged();
  window_->Present(settings_frame_);
}

void TFormView::CloseSettings() {
  const std::unique_ptr<SettingsScreen> closing = std::move(settings_screen_);
  if (closing->result() == SettingsScreen::Result::kOk && window_keys_ && window_)
    window_keys_->Apply(closing->edited(), *window_);
  last_tick_ = platform_.clock().NowMs();
  if (active_) ResumeMedia();
  if (screen_) {
    screen_->back_buffer().MarkAllChanged();
    screen_->Present();
  }
}

}  // namespace vesk::app
