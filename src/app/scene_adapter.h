#pragma once
// The scene root as the frame loop drives it: raw input from the window,
// the three passes, and the picture copied into the back buffer.
#include <functional>
#include <memory>

#include "app/engine_ports.h"
#include "expr/system_router.h"
#include "scene/baselist.h"
#include "scene/scene_port.h"

namespace vesk::graphics {
class TDIBX;
}

namespace vesk::app {

class SceneAdapter final : public SceneRoot {
 public:
  SceneAdapter(const RuntimeContext& ctx, scene::SceneEnvironment env);
  ~SceneAdapter() override;

  scene::TVeskBaseList& root() { return *root_; }
  const scene::TVeskBaseList& root() const { return *root_; }
  scene::SceneCommandPort& port() { return port_; }
  // The system variable providers that read this scene; they leave the
  // router with it.
  expr::ProviderSet& providers() { return providers_; }

  void SetSceneSize(int width_px, int height_px) override;
  int SceneWidth() const override { return root_->SceneWidth(); }
  int SceneHeight() const override { return root_->SceneHeight(); }
  void MouseDown(platform::MouseButton button) override;
  void MouseUp() override { root_->RecordMouseUp(); }
  void MouseMove(int x, int y) override { root_->RecordMouseMove(x, y); }
  void Wheel(bool down) override { root_->RecordWheel(down); }
  void KeyDown(int vk) override { root_->RecordKeyDown(vk); }
  void KeyUp(int vk) override { root_->RecordKeyUp(vk); }
  void ClearInput() override;
  void InputStep() override { root_->InputStep(ctx_.frame_delta_ms); }
  void UpdatePass() override {
    root_->UpdatePass(ctx_.frame_delta_ms);
    if (after_update_) after_update_();
  }
  // Runs after every update pass (the sound effects give back what ended).
  void set_after_update(std::function<void()> f) { after_update_ = std::move(f); }
  void Draw(platform::BackBuffer& frame) override;
  void ClearDirtyRects() override { root_->ClearDirtyRects(); }
  bool LeftClicked() const override;
  bool KeyClicked(int vk) const override { return root_->KeyPressed(vk); }
  void BeforeDisplayChange() override {}
  void AfterDisplayChange() override;
  bool FrameChanged() const override { return frame_changed_; }
  bool OfferKey(int vk, uint8_t mods) override;
  void TextInput(const std::string& utf8) override;
  void TextEditing(const std::string& utf8, int cursor_chars) override;
  bool TextCaret(Rect* caret) const override { return root_->KeyboardCaret(caret); }

 private:
  void GiveBasesSurfaces(int bits);
  const RuntimeContext& ctx_;
  std::unique_ptr<scene::TVeskBaseList> root_;
  scene::SceneCommandPort port_;
  expr::ProviderSet providers_;
  std::unique_ptr<graphics::TDIBX> screen_;  // the shown base draws here
  bool frame_changed_ = true;
  std::function<void()> after_update_;
};

}  // namespace vesk::app
