// The window conveniences that sit beside the game's own display modes: the
// desktop full screen, the scaling mode and the remembered placement.
#include <SDL.h>

#include "platform/sdl/sdl_window.h"

namespace vesk::platform {

bool SdlWindow::SetDesktopFullscreen(bool on) {
  if (on == desktop_fullscreen_) return true;
  if (on) windowed_ = Placement();
  if (SDL_SetWindowFullscreen(window_, on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0) return false;
  desktop_fullscreen_ = on;
  // Without a window manager nobody gives the window its old size back.
  if (!on && windowed_.valid) {
    SDL_SetWindowSize(window_, windowed_.w, windowed_.h);
    SDL_SetWindowPosition(window_, windowed_.x, windowed_.y);
  }
  UpdateMappings();
  UpdateVsync();
  Redraw();
  return true;
}

bool SdlWindow::EnterDesktopFullscreenFor(int mode_index) {
  if (!SetDesktopFullscreen(true)) return false;
  // The game asked for this mode and goes on believing it has it.
  current_mode_ = mode_index;
  return true;
}

void SdlWindow::SetScalingMode(ScalingMode mode) {
  scaling_ = mode;
  ApplyTextureFilter();
  UpdateMappings();
  Redraw();
}

void SdlWindow::ApplyTextureFilter() {
  if (!texture_) return;
  SDL_SetTextureScaleMode(
      texture_, scaling_ == ScalingMode::kFit ? SDL_ScaleModeLinear : SDL_ScaleModeNearest);
}

WindowPlacement SdlWindow::Placement() const {
  WindowPlacement p;
  if (desktop_fullscreen_ || current_mode_ >= 0) return p;
  SDL_GetWindowPosition(window_, &p.x, &p.y);
  SDL_GetWindowSize(window_, &p.w, &p.h);
  p.valid = p.w > 0 && p.h > 0;
  return p;
}

void SdlWindow::RestorePlacement(const WindowPlacement& placement) {
  if (!placement.valid || placement.w <= 0 || placement.h <= 0) return;
  // Only where the whole window still lies on one of the displays.
  const SDL_Rect want{placement.x, placement.y, placement.w, placement.h};
  for (int i = 0; i < SDL_GetNumVideoDisplays(); ++i) {
    SDL_Rect bounds;
    if (SDL_GetDisplayBounds(i, &bounds) != 0) continue;
    SDL_Rect both;
    if (SDL_IntersectRect(&want, &bounds, &both) && both.w == want.w && both.h == want.h) {
      SDL_SetWindowSize(window_, placement.w, placement.h);
      SDL_SetWindowPosition(window_, placement.x, placement.y);
      UpdateMappings();
      return;
    }
  }
}

bool SdlWindow::SaveWindowBmp(const std::string& bmp_path) {
  Redraw();
  int w = 0, h = 0;
  if (SDL_GetRendererOutputSize(renderer_, &w, &h) != 0 || w <= 0 || h <= 0) return false;
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_XRGB8888);
  if (!s) return false;
  // Read before the next present: the renderer's picture is still the one shown.
  const bool ok = SDL_RenderReadPixels(renderer_, nullptr, SDL_PIXELFORMAT_XRGB8888, s->pixels,
                                       s->pitch) == 0 &&
                  SDL_SaveBMP(s, bmp_path.c_str()) == 0;
  SDL_FreeSurface(s);
  return ok;
}

}  // namespace vesk::platform
