#include <SDL.h>

#include "platform/platform.h"
#include "platform/sdl/sdl_audio_device.h"
#include "platform/sdl/sdl_window.h"

namespace vesk::platform {
namespace {

class SdlClock final : public Clock {
 public:
  uint32_t NowMs() override { return SDL_GetTicks(); }
  void SleepMs(uint32_t duration_ms) override { SDL_Delay(duration_ms); }
};

class SdlDialogs final : public Dialogs {
 public:
  MessageResult ShowMessage(const std::string& text_utf8, const std::string& caption_utf8,
                            MessageIcon icon, MessageButtons buttons) override {
    Uint32 flags = icon == MessageIcon::kError     ? SDL_MESSAGEBOX_ERROR
                   : icon == MessageIcon::kWarning ? SDL_MESSAGEBOX_WARNING
                                                   : SDL_MESSAGEBOX_INFORMATION;
    SDL_MessageBoxButtonData button_data[2] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "OK"},
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, "Cancel"},
    };
    if (buttons == MessageButtons::kOk)
      button_data[0].flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
    SDL_MessageBoxData data{flags,
                            nullptr,
                            caption_utf8.c_str(),
                            text_utf8.c_str(),
                            buttons == MessageButtons::kOk ? 1 : 2,
                            button_data,
                            nullptr};
    int pressed = 1;
    if (SDL_ShowMessageBox(&data, &pressed) != 0) {
      // No way to show it (no display): say it on standard error instead.
      SDL_Log("[%s] %s", caption_utf8.c_str(), text_utf8.c_str());
      return MessageResult::kOk;
    }
    return pressed == 1 ? MessageResult::kOk : MessageResult::kCancel;
  }
};

class SdlPlatform final : public Platform {
 public:
  ~SdlPlatform() override { SDL_Quit(); }
  Clock& clock() override { return clock_; }
  Dialogs& dialogs() override { return dialogs_; }
  std::unique_ptr<Window> CreateMainWindow(const WindowSpec& look, std::string* error) override {
    return SdlWindow::Create(look, error);
  }
  bool headless() const override { return false; }
  std::unique_ptr<AudioDevice> OpenAudioDevice() override {
    return OpenSdlAudioDevice(AudioBlockFramesFromEnvironment());
  }

 private:
  SdlClock clock_;
  SdlDialogs dialogs_;
};

}  // namespace

std::unique_ptr<Platform> CreateSdlPlatform(std::string* error) {
  // The game keeps the screen awake as the original refused the saver.
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "0");
  // Long compositions arrive whole rather than cut at 32 bytes.
  SDL_SetHint(SDL_HINT_IME_SUPPORT_EXTENDED_TEXT, "1");
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS | SDL_INIT_TIMER) != 0) {
    if (error) *error = std::string("cannot start SDL: ") + SDL_GetError();
    return nullptr;
  }
  return std::make_unique<SdlPlatform>();
}

}  // namespace vesk::platform
