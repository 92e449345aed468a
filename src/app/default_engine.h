#pragma once
// The subsystems the player runs with today. Where a subsystem is not built
// yet, the stand-in here does the least that keeps the frame loop honest:
// the scene records raw input and draws a black frame, the project reads the
// project file's leading fields and runs no scenario, media managers hold no
// items, and there is no logo. The README's status table lists each gap.
#include <array>
#include <string>
#include <vector>

#include "app/engine_ports.h"
#include "app/function_host.h"
#include "app/scene_adapter.h"
#include "components/component_services.h"
#include "components/orlo_collection.h"
#include "platform/dialogs.h"
#include "platform/window.h"
#include "script/project.h"
#include "storage/vrfiles.h"

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

// The loaded project, stepped through its call manager.
class ProjectScenario final : public Scenario {
 public:
  explicit ProjectScenario(std::unique_ptr<script::TProject> project) : project_(std::move(project)) {}
  const script::ProjectInfo& info() const override { return project_->info; }
  void Step() override {
    if (project_->CallMan) project_->CallMan->Step();
  }
  bool RunDeferredSaveLoad() override { return false; }
  const script::TCallMan* call_manager() const override { return project_->CallMan.get(); }
  script::TProject& project() { return *project_; }

 private:
  std::unique_ptr<script::TProject> project_;
};

class IdleMediaManager final : public MediaManager {
 public:
  void PauseAll() override {}
  void ResumeAll() override {}
  bool HasItems() const override { return false; }
};

class DefaultEngineFactory final : public EngineFactory {
 public:
  // The file manager outlives the factory and the game (it is made before
  // the window and freed at program end).
  DefaultEngineFactory(storage::TVrFileManager& files, platform::Dialogs& dialogs,
                       std::vector<std::string> args, std::string exe_dir)
      : files_(files), dialogs_(dialogs), args_(std::move(args)), exe_dir_(std::move(exe_dir)) {}
  void MountDataSources(const std::vector<std::string>& args) override;
  void InitSound(const SoundSettings&) override {}
  std::unique_ptr<SceneRoot> CreateScene(const RuntimeContext& ctx) override;
  std::unique_ptr<Scenario> CreateProject(RuntimeContext& ctx, expr::TParamCollection& variables,
                                          expr::TSysFuncMan& functions, std::string* error) override;
  void set_trace(companion::TraceLog* trace) { trace_ = trace; }
  // The scene functions of the expression evaluator reach the scene here.
  void set_function_host(PlayerFunctionHost* host) { function_host_ = host; }
  std::unique_ptr<ScreenManager> CreateScreenManager(platform::Window& window,
                                                     const script::ProjectInfo& info) override;
  MediaManagers CreateMedia() override;
  std::unique_ptr<StartupLogo> CreateLogo(bool skip) override;

 private:
  storage::TVrFileManager& files_;
  platform::Dialogs& dialogs_;
  std::vector<std::string> args_;
  std::string exe_dir_;
  companion::TraceLog* trace_ = nullptr;
  void ShowCursorFile(const std::string& file_cp932);
  components::PictureServices PictureServicesFor();
  // The picture cache and what the component kinds share; they outlive the
  // scene (the factory outlives the main window).
  std::unique_ptr<components::TOrloCollection> pictures_;
  std::unique_ptr<components::ComponentServices> component_services_;
  uint32_t image_seed_ = 0;
  SceneAdapter* scene_ = nullptr;
  platform::Window* window_ = nullptr;
  expr::TParamCollection* variables_ = nullptr;
  PlayerFunctionHost* function_host_ = nullptr;  // owned by the main window, made before the project
};

}  // namespace vesk::app
