#include "app/scene_adapter.h"

#include <algorithm>
#include <cstring>

#include "graphics/dibsfc.h"
#include "platform/cp932.h"
#include "platform/events.h"
#include "scene/vesk_object.h"

namespace vesk::app {

SceneAdapter::SceneAdapter(const RuntimeContext& ctx, scene::SceneEnvironment env)
    : ctx_(ctx), root_(std::make_unique<scene::TVeskBaseList>(std::move(env))), port_(*root_) {}

SceneAdapter::~SceneAdapter() = default;

void SceneAdapter::SetSceneSize(int width_px, int height_px) {
  root_->SetSceneSize(width_px, height_px);
  screen_.reset();  // made again in the back buffer's format at the next draw
  root_->SurfacesChanged();
}

void SceneAdapter::MouseDown(platform::MouseButton button) {
  root_->RecordMouseDown(button == platform::MouseButton::kLeft,
                         button == platform::MouseButton::kRight);
}

void SceneAdapter::ClearInput() {
  root_->ClearKeys();
  root_->RecordMouseUp();
}

bool SceneAdapter::OfferKey(int vk, uint8_t mods) {
  const uint8_t held =
      static_cast<uint8_t>((mods & platform::kModShift ? scene::kKeyShift : 0) |
                           (mods & platform::kModControl ? scene::kKeyControl : 0) |
                           (mods & platform::kModAlt ? scene::kKeyAlt : 0));
  return root_->OfferKey(vk, held);
}

void SceneAdapter::TextInput(const std::string& utf8) {
  // Characters the engine's code page lacks are not entered at all.
  const std::string text = platform::Utf8ToCp932Dropping(utf8);
  if (!text.empty()) root_->OfferText(text);
}

void SceneAdapter::TextEditing(const std::string& utf8, int cursor_chars) {
  // The cursor counts characters: its byte offset in the converted text is
  // the length of the converted characters before it.
  size_t split = 0;
  for (int seen = 0; split < utf8.size(); ++split) {
    const bool starts_character = (static_cast<uint8_t>(utf8[split]) & 0xC0) != 0x80;
    if (starts_character && seen++ == cursor_chars) break;
  }
  const std::string before = platform::Utf8ToCp932Dropping(utf8.substr(0, split));
  root_->OfferComposition(platform::Utf8ToCp932Dropping(utf8), before.size());
}

bool SceneAdapter::LeftClicked() const {
  return const_cast<scene::TVeskBaseList&>(*root_).ShownBase()->LClick != 0;
}

void SceneAdapter::AfterDisplayChange() {
  root_->GetBaseAt(0)->InvalidateAll();
  root_->GetBaseAt(1)->InvalidateAll();
}

// The bases keep pictures of their own in the screen's format: the back
// base is prepared there, and transitions compose the two. A reset makes
// new bases, so this is checked every frame.
void SceneAdapter::GiveBasesSurfaces(int bits) {
  for (int i = 0; i < 2; ++i) {
    scene::TVeskBase* base = root_->GetBaseAt(i);
    const graphics::TCustomDIBX* s = base->Surface();
    if (s && s->BitCount() == bits && s->Width() == root_->SceneWidth() &&
        s->Height() == root_->SceneHeight())
      continue;
    base->SetSurface(
        std::make_unique<graphics::TDIBX>(root_->SceneWidth(), root_->SceneHeight(), bits));
    base->InvalidateAll();
  }
}

// The scene draws into a 32-bit picture of its own; the dirty parts go to
// the back buffer in its working format.
void SceneAdapter::Draw(platform::BackBuffer& frame) {
  // The picture takes the back buffer's working format, so rows copy as they are.
  const int bits = static_cast<int>(frame.format());
  if (!screen_ || screen_->BitCount() != bits || screen_->Width() != root_->SceneWidth() ||
      screen_->Height() != root_->SceneHeight()) {
    screen_ = std::make_unique<graphics::TDIBX>(root_->SceneWidth(), root_->SceneHeight(), bits);
    root_->SurfacesChanged();
    root_->GetBaseAt(0)->InvalidateAll();
    root_->GetBaseAt(1)->InvalidateAll();
  }
  GiveBasesSurfaces(bits);
  root_->DrawPass(screen_.get());
  // A running transition composes the screen itself and says what changed.
  const Rect& transition = root_->TransitionRect();
  const std::vector<Rect> transition_rects{transition};
  const std::vector<Rect>& changed =
      transition.IsEmpty() ? root_->ShownDirtyRects() : transition_rects;
  frame_changed_ = !changed.empty();
  const int w = std::min(frame.width_px(), screen_->Width());
  const int h = std::min(frame.height_px(), screen_->Height());
  const graphics::PixelView picture = screen_->View();
  const int bytes = platform::BytesPerPixel(frame.format());
  for (const Rect& dirty : changed) {
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
