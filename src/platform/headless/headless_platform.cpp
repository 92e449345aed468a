#include "platform/headless/headless_platform.h"

#include <cstdio>
#include <cstring>

namespace vesk::platform {

HeadlessWindow::HeadlessWindow(const WindowSpec& look)
    : title_(look.title_utf8), client_w_(look.client_w_px), client_h_(look.client_h_px) {
  modes_ = {{640, 480, 32, 60}, {800, 600, 32, 60}, {1024, 768, 32, 60}, {1280, 720, 32, 60}};
}

void HeadlessWindow::SetClientSize(int w_px, int h_px) {
  client_w_ = w_px;
  client_h_ = h_px;
}

void HeadlessWindow::Present(const BackBuffer& frame) {
  // Kept like a real window's picture: only the marked changes are copied
  // into it, so a frame drawn without marking what changed shows up here
  // as it would on screen.
  const bool same_shape = !last_frame_.empty() && last_frame_.width_px() == frame.width_px() &&
                          last_frame_.height_px() == frame.height_px() &&
                          last_frame_.format() == frame.format();
  last_upload_.clear();
  if (!same_shape) {
    last_frame_ = frame;
    if (!frame.empty()) last_upload_.push_back({0, 0, frame.width_px(), frame.height_px()});
  } else {
    const int bytes = BytesPerPixel(frame.format());
    for (const Rect& r : frame.changed()) {
      for (int y = r.top; y < r.bottom; ++y)
        std::memcpy(last_frame_.Row(y) + r.left * bytes, frame.Row(y) + r.left * bytes,
                    static_cast<size_t>(r.Width()) * bytes);
      last_upload_.push_back(r);
    }
  }
  last_frame_.ClearChanged();
  if (last_upload_.empty()) return;
  ++stats_.presents;
  for (const Rect& r : last_upload_) stats_.pixels_uploaded += r.Width() * r.Height();
}

bool HeadlessWindow::PollEvent(Event* out) {
  if (queue_.empty()) return false;
  *out = queue_.front();
  queue_.pop_front();
  if (out->type == EventType::kMouseMove || out->type == EventType::kMouseDown ||
      out->type == EventType::kMouseUp) {
    mouse_x_ = out->x;
    mouse_y_ = out->y;
  }
  return true;
}

bool HeadlessWindow::WaitEvent(Event* out, int /*timeout_ms*/) {
  // Nothing can arrive while we wait: never block.
  return PollEvent(out);
}

bool HeadlessWindow::SetDisplayMode(int index) {
  if (index >= static_cast<int>(modes_.size())) return false;
  current_mode_ = index < 0 ? -1 : index;
  return true;
}

void HeadlessWindow::WarpMouse(int scene_x, int scene_y) {
  mouse_x_ = scene_x;
  mouse_y_ = scene_y;
  queue_.push_back(Event::Move(scene_x, scene_y));
}

void HeadlessWindow::MousePosition(int* scene_x, int* scene_y) const {
  *scene_x = mouse_x_;
  *scene_y = mouse_y_;
}

void HeadlessWindow::SetCursorImage(const CursorImage* image) {
  cursor_ = image ? std::optional<CursorImage>(*image) : std::nullopt;
  ++cursor_changes_;
}

MessageResult HeadlessDialogs::ShowMessage(const std::string& text_utf8,
                                           const std::string& caption_utf8, MessageIcon,
                                           MessageButtons) {
  std::fprintf(stderr, "[%s] %s\n", caption_utf8.c_str(), text_utf8.c_str());
  shown_.push_back(caption_utf8 + ": " + text_utf8);
  return MessageResult::kOk;  // the default button
}

HeadlessPlatform::HeadlessPlatform() {
  clock_.SetSleepAdvances(false);
}

std::unique_ptr<Window> HeadlessPlatform::CreateMainWindow(const WindowSpec& look, std::string*) {
  auto w = std::make_unique<HeadlessWindow>(look);
  window_ = w.get();
  return w;
}

std::unique_ptr<AudioDevice> HeadlessPlatform::OpenAudioDevice() {
  auto device = std::make_unique<HeadlessAudioDevice>();
  audio_device_ = device.get();
  return device;
}

}  // namespace vesk::platform
