#include "app/default_engine.h"

#include <utility>

#include "platform/files.h"

namespace vesk::app {

void InputRecorderScene::SetSceneSize(int width_px, int height_px) {
  width_px_ = width_px;
  height_px_ = height_px;
}

void InputRecorderScene::MouseDown(platform::MouseButton button) {
  left_held_ = button == platform::MouseButton::kLeft;
  right_held_ = button == platform::MouseButton::kRight;
  left_click_pending_ = left_held_;
  right_click_pending_ = right_held_;
}

void InputRecorderScene::MouseUp() { left_held_ = right_held_ = false; }

void InputRecorderScene::MouseMove(int x, int y) {
  mouse_x_ = x;
  mouse_y_ = y;
}

void InputRecorderScene::Wheel(bool down) { (down ? wheel_down_pending_ : wheel_up_pending_) = true; }

void InputRecorderScene::KeyDown(int vk) {
  if (vk < 0 || vk >= 256) return;
  key_held_[vk] = true;
  key_pressed_pending_[vk] = true;
}

void InputRecorderScene::KeyUp(int vk) {
  if (vk >= 0 && vk < 256) key_held_[vk] = false;
}

void InputRecorderScene::ClearInput() { *this = InputRecorderScene{}; }

void InputRecorderScene::InputStep() {
  // Pulses live for exactly one frame.
  key_pressed_ = key_pressed_pending_;
  key_pressed_pending_.fill(false);
  left_click_ = std::exchange(left_click_pending_, false);
  right_click_ = std::exchange(right_click_pending_, false);
  wheel_down_ = std::exchange(wheel_down_pending_, false);
  wheel_up_ = std::exchange(wheel_up_pending_, false);
}

WindowScreenManager::WindowScreenManager(platform::Window& window, int width_px, int height_px)
    : window_(window), frame_(width_px, height_px, platform::PixelFormat::kXrgb8888) {}

void DefaultEngineFactory::MountDataSources(const std::vector<std::string>& args) {
  data_folder_ = args.empty() ? std::string() : args.front();
}

std::unique_ptr<SceneRoot> DefaultEngineFactory::CreateScene() {
  return std::make_unique<InputRecorderScene>();
}

std::unique_ptr<Scenario> DefaultEngineFactory::CreateProject(RuntimeContext& ctx,
                                                              std::string* error) {
  ctx.Terminate();  // cleared once the project is ready
  if (data_folder_.empty()) {
    *error = "no game was given";
    return nullptr;
  }
  const std::string path = platform::JoinPath(data_folder_, "vesk.lpb");
  auto data = platform::ReadWholeFile(path);
  if (!data) {
    *error = path + ": no project file";
    return nullptr;
  }
  script::ProjectReadResult r = script::ReadProjectInfo(*data);
  switch (r.status) {
    case script::ProjectReadStatus::kOk: break;
    case script::ProjectReadStatus::kEmpty: *error = path + ": the project file is empty"; return nullptr;
    case script::ProjectReadStatus::kTooNew:
      *error = path + ": project version " + std::to_string(r.info.version) + " is newer than this player";
      return nullptr;
    case script::ProjectReadStatus::kTruncated: *error = path + ": " + r.error; return nullptr;
  }
  constexpr int32_t kMaxSide = 16384;
  if (r.info.screen_width > kMaxSide || r.info.screen_height > kMaxSide) {
    *error = path + ": scene size " + std::to_string(r.info.screen_width) + "x" +
             std::to_string(r.info.screen_height) + " is out of range";
    return nullptr;
  }
  ctx.terminated = false;
  return std::make_unique<ProjectFileScenario>(std::move(r.info));
}

std::unique_ptr<ScreenManager> DefaultEngineFactory::CreateScreenManager(
    platform::Window& window, const script::ProjectInfo& info) {
  return std::make_unique<WindowScreenManager>(window, info.screen_width, info.screen_height);
}

MediaManagers DefaultEngineFactory::CreateMedia() {
  MediaManagers m;
  m.video = std::make_unique<IdleMediaManager>();
  m.wave = std::make_unique<IdleMediaManager>();
  m.wma = std::make_unique<IdleMediaManager>();
  m.ogg = std::make_unique<IdleMediaManager>();
  m.cd_audio = std::make_unique<IdleMediaManager>();
  m.midi = std::make_unique<IdleMediaManager>();
  return m;
}

std::unique_ptr<StartupLogo> DefaultEngineFactory::CreateLogo(bool) {
  // No logo cinema until cinemas play: the scenario starts on the first frame.
  return nullptr;
}

}  // namespace vesk::app
