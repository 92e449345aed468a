#pragma once
// A scene stand-in for the frame-loop tests: raw input as the scene root
// keeps it, latched once per input step, and a black frame.
#include <array>

#include "app/engine_ports.h"

namespace vesk::app {

// Raw input as the scene root keeps it, latched once per input step.
class InputRecorderScene final : public SceneRoot {
 public:
  void SetSceneSize(int width_px, int height_px) override;
  int SceneWidth() const override { return width_px_; }
  int SceneHeight() const override { return height_px_; }
  void MouseDown(platform::MouseButton button) override;
  void MouseUp() override;
  void MouseMove(int x, int y) override;
  void Wheel(bool down) override;
  void KeyDown(int vk) override;
  void KeyUp(int vk) override;
  void ClearInput() override;
  void InputStep() override;
  void UpdatePass() override {}
  void Draw(platform::BackBuffer& frame) override { frame.Clear(); }
  void ClearDirtyRects() override {}
  bool LeftClicked() const override { return left_click_; }
  bool KeyClicked(int vk) const override { return vk >= 0 && vk < 256 && key_pressed_[vk]; }
  void BeforeDisplayChange() override {}
  void AfterDisplayChange() override {}

  bool KeyHeld(int vk) const { return vk >= 0 && vk < 256 && key_held_[vk]; }
  bool left_held() const { return left_held_; }
  bool right_held() const { return right_held_; }
  bool right_click() const { return right_click_; }
  bool wheel_down() const { return wheel_down_; }
  bool wheel_up() const { return wheel_up_; }
  int mouse_x() const { return mouse_x_; }
  int mouse_y() const { return mouse_y_; }

 private:
  int width_px_ = 8, height_px_ = 8;
  std::array<bool, 256> key_held_{}, key_pressed_pending_{}, key_pressed_{};
  bool left_held_ = false, right_held_ = false;
  bool left_click_pending_ = false, left_click_ = false;
  bool right_click_pending_ = false, right_click_ = false;
  bool wheel_down_pending_ = false, wheel_down_ = false;
  bool wheel_up_pending_ = false, wheel_up_ = false;
  int mouse_x_ = 0, mouse_y_ = 0;
};

inline void InputRecorderScene::SetSceneSize(int width_px, int height_px) {
  width_px_ = width_px;
  height_px_ = height_px;
}

inline void InputRecorderScene::MouseDown(platform::MouseButton button) {
  left_held_ = button == platform::MouseButton::kLeft;
  right_held_ = button == platform::MouseButton::kRight;
  left_click_pending_ = left_held_;
  right_click_pending_ = right_held_;
}

inline void InputRecorderScene::MouseUp() {
  left_held_ = right_held_ = false;
}

inline void InputRecorderScene::MouseMove(int x, int y) {
  mouse_x_ = x;
  mouse_y_ = y;
}

inline void InputRecorderScene::Wheel(bool down) {
  (down ? wheel_down_pending_ : wheel_up_pending_) = true;
}

inline void InputRecorderScene::KeyDown(int vk) {
  if (vk < 0 || vk >= 256) return;
  key_held_[vk] = true;
  key_pressed_pending_[vk] = true;
}

inline void InputRecorderScene::KeyUp(int vk) {
  if (vk >= 0 && vk < 256) key_held_[vk] = false;
}

inline void InputRecorderScene::ClearInput() {
  *this = InputRecorderScene{};
}

inline void InputRecorderScene::InputStep() {
  // Pulses live for exactly one frame.
  key_pressed_ = key_pressed_pending_;
  key_pressed_pending_.fill(false);
  left_click_ = std::exchange(left_click_pending_, false);
  right_click_ = std::exchange(right_click_pending_, false);
  wheel_down_ = std::exchange(wheel_down_pending_, false);
  wheel_up_ = std::exchange(wheel_up_pending_, false);
}

}  // namespace vesk::app
