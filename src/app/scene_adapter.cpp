#include "app/scene_adapter.h"

#include <algorithm>
#include <cstring>

#include "graphics/dibsfc.h"

namespace vesk::app {

SceneAdapter::SceneAdapter(const RuntimeContext& ctx, scene::SceneEnvironment env)
    : ctx_(ctx), root_(std::make_unique<scene::TVeskBaseList>(std::move(env))), port_(*root_) {}

SceneAdapter::~SceneAdapter() = default;

void SceneAdapter::SetSceneSize(int width_px, int height_px) {
  root_->SetSceneSize(width_px, height_px);
  screen_.reset();  // made again in the back buffer's format at the next draw
}

void SceneAdapter::MouseDown(platform::MouseButton button) {
  root_->RecordMouseDown(button == platform::MouseButton::kLeft,
                         button == platform::MouseButton::kRight);
}

void SceneAdapter::ClearInput() {
  root_->ClearKeys();
  root_->RecordMouseUp();
}

bool SceneAdapter::LeftClicked() const {
  return const_cast<scene::TVeskBaseList&>(*root_).ShownBase()->LClick != 0;
}

void SceneAdapter::AfterDisplayChange() {
  root_->GetBaseAt(0)->InvalidateAll();
  root_->GetBaseAt(1)->InvalidateAll();
}

// The scene draws into a 32-bit picture of its own; the dirty parts go to
// the back buffer in its working format.
void SceneAdapter::Draw(platform::BackBuffer& frame) {
  // The picture takes the back buffer's working format, so rows copy as they are.
  const int bits = static_cast<int>(frame.format());
  if (!screen_ || screen_->BitCount() != bits || screen_->Width() != root_->SceneWidth() ||
      screen_->Height() != root_->SceneHeight()) {
    screen_ = std::make_unique<graphics::TDIBX>(root_->SceneWidth(), root_->SceneHeight(), bits);
    root_->GetBaseAt(0)->InvalidateAll();
    root_->GetBaseAt(1)->InvalidateAll();
  }
  root_->DrawPass(screen_.get());
  frame_changed_ = !root_->ShownDirtyRects().empty();
  const int w = std::min(frame.width_px(), screen_->Width());
  const int h = std::min(frame.height_px(), screen_->Height());
  const graphics::PixelView picture = screen_->View();
  const int bytes = platform::BytesPerPixel(frame.format());
  for (const Rect& dirty : root_->ShownDirtyRects()) {
    const Rect r = dirty.Intersect({0, 0, w, h});
    if (r.IsEmpty()) continue;
    for (int y = r.top; y < r.bottom; ++y) {
      std::memcpy(frame.Row(y) + r.left * bytes, picture.Row(y) + r.left * bytes,
                  static_cast<size_t>(r.Width()) * bytes);
    }
    // The window copies only what is marked.
    frame.MarkChanged(r);
  }
}

}  // namespace vesk::app
