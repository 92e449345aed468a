#include "platform/sdl/sdl_window.h"

#include "platform/keymap.h"

namespace vesk::platform {
namespace {

Uint32 SdlFormat(PixelFormat f) {
  switch (f) {
    case PixelFormat::kRgb555: return SDL_PIXELFORMAT_RGB555;
    case PixelFormat::kRgb565: return SDL_PIXELFORMAT_RGB565;
    case PixelFormat::kXrgb8888: return SDL_PIXELFORMAT_RGB888;
  }
  return SDL_PIXELFORMAT_RGB888;
}

}  // namespace

std::unique_ptr<SdlWindow> SdlWindow::Create(const WindowSpec& look, std::string* error) {
  Uint32 flags = SDL_WINDOW_HIDDEN | (look.resizable ? SDL_WINDOW_RESIZABLE : 0);
  SDL_Window* w = SDL_CreateWindow(look.title_utf8.c_str(), SDL_WINDOWPOS_CENTERED,
                                   SDL_WINDOWPOS_CENTERED, look.client_w_px, look.client_h_px, flags);
  if (!w) {
    if (error) *error = std::string("cannot create the window: ") + SDL_GetError();
    return nullptr;
  }
  // No vsync: the frame loop paces itself, as the game expects.
  SDL_Renderer* r = SDL_CreateRenderer(w, -1, SDL_RENDERER_ACCELERATED);
  if (!r) r = SDL_CreateRenderer(w, -1, SDL_RENDERER_SOFTWARE);
  if (!r) {
    if (error) *error = std::string("cannot create a renderer: ") + SDL_GetError();
    SDL_DestroyWindow(w);
    return nullptr;
  }
  return std::unique_ptr<SdlWindow>(new SdlWindow(w, r, look.client_w_px, look.client_h_px));
}

SdlWindow::SdlWindow(SDL_Window* window, SDL_Renderer* renderer, int w, int h)
    : window_(window), renderer_(renderer), scene_w_(w), scene_h_(h) {
  UpdateMappings();
}

SdlWindow::~SdlWindow() {
  if (texture_) SDL_DestroyTexture(texture_);
  SDL_DestroyRenderer(renderer_);
  SDL_DestroyWindow(window_);
}

void SdlWindow::SetTitle(const std::string& title_utf8) { SDL_SetWindowTitle(window_, title_utf8.c_str()); }

void SdlWindow::SetClientSize(int w_px, int h_px) {
  scene_w_ = w_px;
  scene_h_ = h_px;
  if (current_mode_ < 0) SDL_SetWindowSize(window_, w_px, h_px);
  UpdateMappings();
}

void SdlWindow::CenterOnWorkArea() {
  SDL_Rect work;
  int display = SDL_GetWindowDisplayIndex(window_);
  if (SDL_GetDisplayUsableBounds(display < 0 ? 0 : display, &work) != 0) return;
  int w, h;
  SDL_GetWindowSize(window_, &w, &h);
  SDL_SetWindowPosition(window_, work.x + (work.w - w) / 2, work.y + (work.h - h) / 2);
}

void SdlWindow::Show() {
  SDL_ShowWindow(window_);
  SDL_RaiseWindow(window_);
  // Without a window manager (a bare X server) nobody hands us the focus,
  // and the frame loop only runs while the window is active.
  SDL_SetWindowInputFocus(window_);
}

void SdlWindow::UpdateMappings() {
  int ww, wh, ow, oh;
  SDL_GetWindowSize(window_, &ww, &wh);
  if (SDL_GetRendererOutputSize(renderer_, &ow, &oh) != 0) {
    ow = ww;
    oh = wh;
  }
  window_mapping_.Update(ww, wh, scene_w_, scene_h_);
  output_mapping_.Update(ow, oh, scene_w_, scene_h_);
}

bool SdlWindow::EnsureTexture(const BackBuffer& frame) {
  if (texture_ && texture_w_ == frame.width_px() && texture_h_ == frame.height_px() &&
      texture_format_ == frame.format())
    return true;
  if (texture_) SDL_DestroyTexture(texture_);
  texture_ = SDL_CreateTexture(renderer_, SdlFormat(frame.format()), SDL_TEXTUREACCESS_STREAMING,
                               frame.width_px(), frame.height_px());
  texture_w_ = frame.width_px();
  texture_h_ = frame.height_px();
  texture_format_ = frame.format();
  return texture_ != nullptr;
}

void SdlWindow::Present(const BackBuffer& frame) {
  if (frame.empty() || !EnsureTexture(frame)) return;
  SDL_UpdateTexture(texture_, nullptr, frame.data(), frame.pitch_bytes());
  Redraw();
}

void SdlWindow::Redraw() {
  SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  SDL_RenderClear(renderer_);
  if (texture_) {
    const Rect& d = output_mapping_.dest();
    SDL_Rect dest{d.x, d.y, d.w, d.h};
    SDL_RenderCopy(renderer_, texture_, nullptr, &dest);
  }
  SDL_RenderPresent(renderer_);
}

bool SdlWindow::PollEvent(Event* out) {
  SDL_Event e;
  while (SDL_PollEvent(&e))
    if (Translate(e, out)) return true;
  return false;
}

bool SdlWindow::WaitEvent(Event* out, int timeout_ms) {
  SDL_Event e;
  if (!SDL_WaitEventTimeout(&e, timeout_ms)) return false;
  if (Translate(e, out)) return true;
  return PollEvent(out);
}

bool SdlWindow::Translate(const SDL_Event& e, Event* out) {
  auto to_scene = [&](int wx, int wy, int* sx, int* sy) { window_mapping_.WindowToScene(wx, wy, sx, sy); };
  switch (e.type) {
    case SDL_QUIT:
      *out = Event::Of(EventType::kQuit);
      return true;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      int vk = HidUsageToVirtualKey(e.key.keysym.scancode);
      if (vk == 0) return false;
      *out = Event::Key(e.type == SDL_KEYDOWN ? EventType::kKeyDown : EventType::kKeyUp, vk,
                        e.key.repeat != 0);
      return true;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      MouseButton b = e.button.button == SDL_BUTTON_LEFT    ? MouseButton::kLeft
                      : e.button.button == SDL_BUTTON_RIGHT ? MouseButton::kRight
                                                            : MouseButton::kMiddle;
      int x, y;
      to_scene(e.button.x, e.button.y, &x, &y);
      *out = Event::Mouse(e.type == SDL_MOUSEBUTTONDOWN ? EventType::kMouseDown : EventType::kMouseUp,
                          b, x, y);
      return true;
    }
    case SDL_MOUSEMOTION: {
      int x, y;
      to_scene(e.motion.x, e.motion.y, &x, &y);
      *out = Event::Move(x, y);
      return true;
    }
    case SDL_MOUSEWHEEL: {
      int dy = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
      if (dy == 0) return false;
      *out = Event::Wheel(dy < 0);
      return true;
    }
    case SDL_TEXTINPUT:
      *out = Event::Of(EventType::kTextInput);
      out->text = e.text.text;
      return true;
    case SDL_WINDOWEVENT:
      switch (e.window.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED: *out = Event::Of(EventType::kActivated); return true;
        case SDL_WINDOWEVENT_FOCUS_LOST: *out = Event::Of(EventType::kDeactivated); return true;
        case SDL_WINDOWEVENT_CLOSE: *out = Event::Of(EventType::kQuit); return true;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
          UpdateMappings();
          Redraw();
          *out = Event::Of(EventType::kExposed);
          return true;
        case SDL_WINDOWEVENT_EXPOSED:
          Redraw();
          *out = Event::Of(EventType::kExposed);
          return true;
        default: return false;
      }
    case SDL_RENDER_TARGETS_RESET:
    case SDL_RENDER_DEVICE_RESET:
      // The texture's content is gone; the next Present refills it.
      if (texture_) SDL_DestroyTexture(texture_);
      texture_ = nullptr;
      return false;
    case SDL_DISPLAYEVENT:
      UpdateMappings();
      *out = Event::Of(EventType::kDisplayChanged);
      return true;
    default:
      return false;
  }
}

std::vector<DisplayMode> SdlWindow::ListDisplayModes() {
  std::vector<DisplayMode> modes;
  int display = SDL_GetWindowDisplayIndex(window_);
  if (display < 0) display = 0;
  const int n = SDL_GetNumDisplayModes(display);
  for (int i = 0; i < n; ++i) {
    SDL_DisplayMode m;
    if (SDL_GetDisplayMode(display, i, &m) != 0) continue;
    modes.push_back({m.w, m.h, static_cast<int>(SDL_BITSPERPIXEL(m.format)), m.refresh_rate});
  }
  return modes;
}

bool SdlWindow::SetDisplayMode(int index) {
  if (index < 0) {
    if (SDL_SetWindowFullscreen(window_, 0) != 0) return false;
    current_mode_ = -1;
    SDL_SetWindowSize(window_, scene_w_, scene_h_);
    UpdateMappings();
    return true;
  }
  int display = SDL_GetWindowDisplayIndex(window_);
  if (display < 0) display = 0;
  SDL_DisplayMode m;
  if (SDL_GetDisplayMode(display, index, &m) != 0) return false;
  if (SDL_SetWindowDisplayMode(window_, &m) != 0) return false;
  if (SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN) != 0) return false;
  current_mode_ = index;
  UpdateMappings();
  return true;
}

void SdlWindow::WarpMouse(int scene_x, int scene_y) {
  int wx, wy;
  window_mapping_.SceneToWindow(scene_x, scene_y, &wx, &wy);
  SDL_WarpMouseInWindow(window_, wx, wy);
}

void SdlWindow::MousePosition(int* scene_x, int* scene_y) const {
  int wx, wy;
  SDL_GetMouseState(&wx, &wy);
  window_mapping_.WindowToScene(wx, wy, scene_x, scene_y);
}

}  // namespace vesk::platform
