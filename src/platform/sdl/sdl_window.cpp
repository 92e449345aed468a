#include "platform/sdl/sdl_window.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "core/sjis.h"
#include "platform/keymap.h"
#include "platform/sdl/sdl_choices.h"
#include "platform/sdl/sdl_controller.h"

namespace vesk::platform {
namespace {

Uint32 SdlFormat(PixelFormat f) {
  switch (f) {
    case PixelFormat::kRgb555:
      return SDL_PIXELFORMAT_RGB555;
    case PixelFormat::kRgb565:
      return SDL_PIXELFORMAT_RGB565;
    case PixelFormat::kXrgb8888:
      return SDL_PIXELFORMAT_RGB888;
  }
  return SDL_PIXELFORMAT_RGB888;
}

bool WellFormed(int w, int h, int hot_x, int hot_y, const std::vector<uint32_t>& argb) {
  return w > 0 && h > 0 && hot_x >= 0 && hot_x < w && hot_y >= 0 && hot_y < h &&
         argb.size() == static_cast<size_t>(w) * h;
}

// Null when the picture is unusable or the video driver has no colour cursors.
SDL_Cursor* MakeColorCursor(int w, int h, int hot_x, int hot_y, const std::vector<uint32_t>& argb) {
  if (!WellFormed(w, h, hot_x, hot_y, argb)) return nullptr;
  // SDL only reads the pixels while it builds the cursor.
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(argb.data()), w,
                                                            h, 32, w * 4, SDL_PIXELFORMAT_ARGB8888);
  if (!surface) return nullptr;
  SDL_Cursor* cursor = SDL_CreateColorCursor(surface, hot_x, hot_y);
  SDL_FreeSurface(surface);
  return cursor;
}

uint8_t Modifiers(Uint16 mod) {
  return static_cast<uint8_t>(
      ((mod & KMOD_SHIFT) ? kModShift : 0) | ((mod & KMOD_CTRL) ? kModControl : 0) |
      ((mod & KMOD_ALT) ? kModAlt : 0) | ((mod & KMOD_GUI) ? kModSuper : 0));
}

bool IsSoftwareRenderer(SDL_Renderer* r) {
  SDL_RendererInfo info;
  return SDL_GetRendererInfo(r, &info) == 0 && (info.flags & SDL_RENDERER_SOFTWARE) != 0;
}

// Whether an accelerated renderer's GL in fact rasterises on the processor.
bool RendersOnTheProcessor(SDL_Renderer* r) {
  SDL_RendererInfo info;
  if (SDL_GetRendererInfo(r, &info) != 0 || std::strncmp(info.name, "opengl", 6) != 0) return false;
  // The renderer's context is current once it is made.
  using GetString = const unsigned char* (*)(unsigned);
  constexpr unsigned kGlRenderer = 0x1F01;
  auto get_string = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
  const unsigned char* name = get_string ? get_string(kGlRenderer) : nullptr;
  return name && IsSoftwareRasterizer(reinterpret_cast<const char*>(name));
}

// An accelerated renderer where there is real acceleration, else SDL's
// software renderer. A renderer named in SDL_RENDER_DRIVER is taken as it is.
SDL_Renderer* CreateRenderer(SDL_Window* w) {
  // The software renderer draws into the window surface, which SDL would
  // otherwise route through a GL texture of its own on X11: a second copy
  // of every frame, in a GL that may itself run on the processor.
  SDL_SetHintWithPriority(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0", SDL_HINT_DEFAULT);
  SDL_Renderer* r = SDL_CreateRenderer(w, -1, SDL_RENDERER_ACCELERATED);
  if (r && !SDL_GetHint(SDL_HINT_RENDER_DRIVER) && RendersOnTheProcessor(r)) {
    SDL_DestroyRenderer(r);
    r = nullptr;
  }
  return r ? r : SDL_CreateRenderer(w, -1, SDL_RENDERER_SOFTWARE);
}

}  // namespace

DesktopDepth DescribeDesktop(uint32_t sdl_pixel_format) {
  int bpp = 0;
  Uint32 rmask = 0, gmask = 0, bmask = 0, amask = 0;
  if (!SDL_PixelFormatEnumToMasks(sdl_pixel_format, &bpp, &rmask, &gmask, &bmask, &amask) ||
      bpp <= 0)
    return {};
  // Five bits in each colour, whatever their order and whether a bit of
  // alpha comes with them: a 16-bit display of the 5-5-5 kind.
  const auto bits = [](Uint32 m) { return std::popcount(m); };
  if (bits(rmask) == 5 && bits(gmask) == 5 && bits(bmask) == 5) return {16, true};
  return {static_cast<int>(SDL_BITSPERPIXEL(sdl_pixel_format)), false};
}

bool IsSoftwareRasterizer(const std::string& gl_renderer_name) {
  const std::string name = LowerAsciiBytes(gl_renderer_name);
  for (const char* soft : {"llvmpipe", "softpipe", "swrast", "software rasterizer"})
    if (name.find(soft) != std::string::npos) return true;
  return false;
}

bool VsyncKeepsPace(int refresh_hz, int frame_period_ms) {
  // The frame loop sleeps at least 2 ms a frame; leave it a few more for
  // the frame's own work.
  constexpr int kMinSleepMs = 2, kWorkAllowanceMs = 4;
  const int room_ms = frame_period_ms - kMinSleepMs - kWorkAllowanceMs;
  return refresh_hz > 0 && room_ms > 0 && int64_t{refresh_hz} * room_ms >= 1000;
}

std::unique_ptr<SdlWindow> SdlWindow::Create(const WindowSpec& look, std::string* error) {
  Uint32 flags = SDL_WINDOW_HIDDEN | (look.resizable ? SDL_WINDOW_RESIZABLE : 0);
  SDL_Window* w =
      SDL_CreateWindow(look.title_utf8.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                       look.client_w_px, look.client_h_px, flags);
  if (!w) {
    if (error) *error = std::string("cannot create the window: ") + SDL_GetError();
    return nullptr;
  }
  SDL_Renderer* r = CreateRenderer(w);
  if (!r) {
    if (error) *error = std::string("cannot create a renderer: ") + SDL_GetError();
    SDL_DestroyWindow(w);
    return nullptr;
  }
  return std::unique_ptr<SdlWindow>(new SdlWindow(w, r, look));
}

SdlWindow::SdlWindow(SDL_Window* window, SDL_Renderer* renderer, const WindowSpec& look)
    : window_(window),
      renderer_(renderer),
      software_(IsSoftwareRenderer(renderer)),
      frame_period_ms_(look.frame_period_ms),
      scene_w_(look.client_w_px),
      scene_h_(look.client_h_px),
      controllers_(std::make_unique<SdlControllers>()) {
  UpdateMappings();
  UpdateVsync();
  // SDL starts with text input on; an input method would then take the
  // game's keys. It runs only while a text box has the keyboard.
  SDL_StopTextInput();
}

void SdlWindow::UpdateVsync() {
  // The software renderer has no vertical blank to wait for.
  if (software_) return;
  int display = SDL_GetWindowDisplayIndex(window_);
  if (display < 0) display = 0;
  SDL_DisplayMode m;
  const int hz = SDL_GetCurrentDisplayMode(display, &m) == 0 ? m.refresh_rate : 0;
  const bool on = VsyncKeepsPace(hz, frame_period_ms_);
  if (on != vsync_ && SDL_RenderSetVSync(renderer_, on ? 1 : 0) == 0) vsync_ = on;
}

SdlWindow::~SdlWindow() {
  cursors_.clear();
  if (texture_) SDL_DestroyTexture(texture_);
  SDL_DestroyRenderer(renderer_);
  SDL_DestroyWindow(window_);
}

void SdlWindow::SetTitle(const std::string& title_utf8) {
  SDL_SetWindowTitle(window_, title_utf8.c_str());
}

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
  window_mapping_.Update(ww, wh, scene_w_, scene_h_, scaling_);
  output_mapping_.Update(ow, oh, scene_w_, scene_h_, scaling_);
}

bool SdlWindow::EnsureTexture(const BackBuffer& frame, bool* made) {
  *made = false;
  if (texture_ && texture_w_ == frame.width_px() && texture_h_ == frame.height_px() &&
      texture_format_ == frame.format())
    return true;
  if (texture_) SDL_DestroyTexture(texture_);
  texture_ = SDL_CreateTexture(renderer_, SdlFormat(frame.format()), SDL_TEXTUREACCESS_STREAMING,
                               frame.width_px(), frame.height_px());
  texture_w_ = frame.width_px();
  texture_h_ = frame.height_px();
  texture_format_ = frame.format();
  ApplyTextureFilter();
  *made = texture_ != nullptr;
  return *made;
}

void SdlWindow::Present(const BackBuffer& frame) {
  controllers_->Step(++frames_offered_);
  bool made = false;
  if (frame.empty() || !EnsureTexture(frame, &made)) return;
  // A new texture holds nothing yet: it takes the whole frame. Otherwise
  // only the marked changes travel, and an unchanged frame costs nothing.
  const std::vector<Rect> whole{{0, 0, frame.width_px(), frame.height_px()}};
  const std::vector<Rect>& rects = made ? whole : frame.changed();
  if (rects.empty()) return;
  const int bytes = BytesPerPixel(frame.format());
  for (const Rect& r : rects) {
    const SDL_Rect area{r.left, r.top, static_cast<int>(r.Width()), static_cast<int>(r.Height())};
    SDL_UpdateTexture(texture_, &area, frame.Row(r.top) + r.left * bytes, frame.pitch_bytes());
    stats_.pixels_uploaded += r.Width() * r.Height();
  }
  Redraw();
}

// The whole window, from the texture: the renderer's own back buffer holds
// nothing worth keeping after a present.
void SdlWindow::Redraw() {
  ++stats_.presents;
  SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  SDL_RenderClear(renderer_);
  if (texture_) {
    const Rect& d = output_mapping_.dest();
    SDL_Rect dest{d.left, d.top, static_cast<int>(d.Width()), static_cast<int>(d.Height())};
    SDL_RenderCopy(renderer_, texture_, nullptr, &dest);
  }
  SDL_RenderPresent(renderer_);
}

bool SdlWindow::PollEvent(Event* out) {
  AnimateCursor();
  SDL_Event e;
  while (SDL_PollEvent(&e))
    if (Translate(e, out)) return true;
  return false;
}

bool SdlWindow::WaitEvent(Event* out, int timeout_ms) {
  // The wait is cut into pieces at the cursor's steps so that an animated
  // cursor keeps moving while the game idles.
  const Uint64 start = SDL_GetTicks64();
  SDL_Event e;
  for (;;) {
    AnimateCursor();
    int wait = timeout_ms;  // negative: no limit
    if (timeout_ms >= 0) {
      const Uint64 spent = SDL_GetTicks64() - start;
      wait = spent >= static_cast<Uint64>(timeout_ms) ? 0 : timeout_ms - static_cast<int>(spent);
    }
    const int until_step = MsUntilCursorStep();
    const bool cut = until_step >= 0 && (wait < 0 || until_step < wait);
    if (cut) wait = until_step;
    if (SDL_WaitEventTimeout(&e, wait)) {
      if (Translate(e, out)) return true;
      return PollEvent(out);
    }
    if (!cut) return false;
  }
}

bool SdlWindow::Translate(const SDL_Event& e, Event* out) {
  auto to_scene = [&](int wx, int wy, int* sx, int* sy) {
    window_mapping_.WindowToScene(wx, wy, sx, sy);
  };
  switch (e.type) {
    case SDL_QUIT:
      *out = Event::Of(EventType::kQuit);
      return true;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      int vk = HidUsageToVirtualKey(e.key.keysym.scancode);
      if (vk == 0) return false;
      *out = Event::Key(e.type == SDL_KEYDOWN ? EventType::kKeyDown : EventType::kKeyUp, vk,
                        e.key.repeat != 0, Modifiers(e.key.keysym.mod));
      return true;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      MouseButton b = e.button.button == SDL_BUTTON_LEFT    ? MouseButton::kLeft
                      : e.button.button == SDL_BUTTON_RIGHT ? MouseButton::kRight
                                                            : MouseButton::kMiddle;
      int x, y;
      to_scene(e.button.x, e.button.y, &x, &y);
      *out = Event::Mouse(
          e.type == SDL_MOUSEBUTTONDOWN ? EventType::kMouseDown : EventType::kMouseUp, b, x, y);
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
      *out = Event::Text(e.text.text);
      return true;
    case SDL_TEXTEDITING:
      *out = Event::Editing(e.edit.text, e.edit.start);
      return true;
    case SDL_TEXTEDITING_EXT: {
      // Compositions too long for the fixed event come in their own buffer.
      *out = Event::Editing(e.editExt.text ? e.editExt.text : "", e.editExt.start);
      SDL_free(e.editExt.text);
      return true;
    }
    case SDL_WINDOWEVENT:
      switch (e.window.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED:
          *out = Event::Of(EventType::kActivated);
          return true;
        case SDL_WINDOWEVENT_FOCUS_LOST:
          *out = Event::Of(EventType::kDeactivated);
          return true;
        case SDL_WINDOWEVENT_CLOSE:
          *out = Event::Of(EventType::kQuit);
          return true;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
          UpdateMappings();
          Redraw();
          *out = Event::Of(EventType::kExposed);
          return true;
        case SDL_WINDOWEVENT_EXPOSED:
          // Answered at once from the texture: the game may not draw again
          // for a long while (or at all, while in the background).
          Redraw();
          *out = Event::Of(EventType::kExposed);
          return true;
        case SDL_WINDOWEVENT_DISPLAY_CHANGED:
          UpdateVsync();
          return false;
        default:
          return false;
      }
    case SDL_RENDER_TARGETS_RESET:
    case SDL_RENDER_DEVICE_RESET:
      // The texture's content is gone; the next Present refills it.
      if (texture_) SDL_DestroyTexture(texture_);
      texture_ = nullptr;
      return false;
    case SDL_DISPLAYEVENT:
      UpdateMappings();
      UpdateVsync();
      *out = Event::Of(EventType::kDisplayChanged);
      return true;
    default:
      return controllers_->Translate(e, out);
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

namespace {

// The desktop's pixel format; a 24-bit one when it cannot be read, as a
// desktop most likely is.
uint32_t DesktopFormat(SDL_Window* window) {
  int display = SDL_GetWindowDisplayIndex(window);
  if (display < 0) display = 0;
  SDL_DisplayMode m;
  return SDL_GetDesktopDisplayMode(display, &m) == 0
             ? m.format
             : static_cast<uint32_t>(SDL_PIXELFORMAT_RGB888);
}

}  // namespace

int SdlWindow::DesktopBitsPerPixel() const {
  return DescribeDesktop(DesktopFormat(window_)).bits_per_pixel;
}

bool SdlWindow::DesktopIsRgb555() const {
  return DescribeDesktop(DesktopFormat(window_)).rgb555;
}

bool SdlWindow::SetDisplayMode(int index) {
  if (index < 0) {
    if (desktop_fullscreen_) SetDesktopFullscreen(false);
    if (SDL_SetWindowFullscreen(window_, 0) != 0) return false;
    current_mode_ = -1;
    SDL_SetWindowSize(window_, scene_w_, scene_h_);
    UpdateMappings();
    UpdateVsync();
    return true;
  }
  int display = SDL_GetWindowDisplayIndex(window_);
  if (display < 0) display = 0;
  SDL_DisplayMode m;
  if (SDL_GetDisplayMode(display, index, &m) != 0) return false;
  if (!allow_mode_switch_) return EnterDesktopFullscreenFor(index);
  if (SDL_SetWindowDisplayMode(window_, &m) != 0) return false;
  if (SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN) != 0) return false;
  current_mode_ = index;
  UpdateMappings();
  UpdateVsync();
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

void SdlWindow::SetCursorImage(const CursorImage* image) {
  std::vector<CursorPtr> cursors;
  std::vector<CursorStep> steps;
  if (image && image->animated()) {
    for (const CursorFrame& f : image->frames) {
      cursors.emplace_back(MakeColorCursor(f.width, f.height, f.hot_x, f.hot_y, f.argb));
      if (!cursors.back()) break;
    }
    const bool steps_valid =
        std::all_of(image->steps.begin(), image->steps.end(), [&](const CursorStep& s) {
          return s.frame >= 0 && static_cast<size_t>(s.frame) < image->frames.size();
        });
    if (!cursors.empty() && cursors.back() && steps_valid)
      steps = image->steps;
    else
      cursors.clear();  // shown still, as its first picture
  }
  if (image && cursors.empty()) {
    cursors.emplace_back(
        MakeColorCursor(image->width, image->height, image->hot_x, image->hot_y, image->argb));
    // A cursor the window system refuses leaves the arrow rather than nothing.
    if (!cursors.back()) cursors.clear();
  }
  SDL_SetCursor(cursors.empty() ? SDL_GetDefaultCursor()
                                : cursors[steps.empty() ? 0 : steps[0].frame].get());
  // Only now is the previous cursor no longer shown and safe to free.
  cursors_ = std::move(cursors);
  cursor_steps_ = std::move(steps);
  cursor_step_ = 0;
  if (!cursor_steps_.empty())
    cursor_step_due_ms_ = SDL_GetTicks64() + std::max(1, cursor_steps_[0].delay_ms);
}

void SdlWindow::AnimateCursor() {
  if (cursor_steps_.size() < 2) return;
  const Uint64 now = SDL_GetTicks64();
  if (now < cursor_step_due_ms_) return;
  cursor_step_ = (cursor_step_ + 1) % cursor_steps_.size();
  const CursorStep& step = cursor_steps_[cursor_step_];
  cursor_step_due_ms_ += std::max(1, step.delay_ms);
  // After a stall, carry on from now rather than racing through the steps missed.
  if (cursor_step_due_ms_ <= now) cursor_step_due_ms_ = now + std::max(1, step.delay_ms);
  SDL_SetCursor(cursors_[step.frame].get());
}

int SdlWindow::MsUntilCursorStep() const {
  if (cursor_steps_.size() < 2) return -1;
  const Uint64 now = SDL_GetTicks64();
  return now >= cursor_step_due_ms_
             ? 0
             : static_cast<int>(std::min<Uint64>(cursor_step_due_ms_ - now, 1u << 30));
}

void SdlWindow::StartTextInput(const Rect& caret_scene) {
  if (text_input_ && caret_scene == text_input_caret_) return;
  text_input_caret_ = caret_scene;
  int left, top, right, bottom;
  window_mapping_.SceneToWindow(caret_scene.left, caret_scene.top, &left, &top);
  window_mapping_.SceneToWindow(caret_scene.right, caret_scene.bottom, &right, &bottom);
  SDL_Rect area{left, top, std::max(1, right - left), std::max(1, bottom - top)};
  SDL_SetTextInputRect(&area);
  if (!text_input_) SDL_StartTextInput();
  text_input_ = true;
}

void SdlWindow::StopTextInput() {
  if (!text_input_) return;
  SDL_StopTextInput();
  text_input_ = false;
}

std::string SdlWindow::ClipboardText() const {
  char* text = SDL_GetClipboardText();
  std::string out = text ? text : "";
  SDL_free(text);
  return out;
}

void SdlWindow::SetClipboardText(const std::string& utf8) {
  SDL_SetClipboardText(utf8.c_str());
}

}  // namespace vesk::platform
