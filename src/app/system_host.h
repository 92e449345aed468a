#pragma once
// Answers the system variables the running shell knows: the game clock and
// frame counter, the scene size and title, and the input pulses of the
// scene. The rest read as zero until their subsystems arrive.
#include <functional>

#include "app/engine_ports.h"
#include "expr/param_collection.h"

namespace vesk::app {

class ShellSystemHost final : public expr::SystemVariableHost {
 public:
  explicit ShellSystemHost(const RuntimeContext& ctx) : ctx_(ctx) {}
  void Attach(const Scenario* scenario, SceneRoot* scene) {
    scenario_ = scenario;
    scene_ = scene;
    root_ = scene ? scene->root_list() : nullptr;
  }
  // The screen manager and what writing @FullScr / @DisplayModeIndex does.
  void AttachScreen(ScreenManager* screen, std::function<void(bool)> set_full_screen,
                    std::function<void(int)> set_display_mode) {
    screen_ = screen;
    set_full_screen_ = std::move(set_full_screen);
    set_display_mode_ = std::move(set_display_mode);
  }
  bool Get(int id, int32_t index, expr::SysValue* out) override;
  void Set(int id, const expr::SysValue& v) override;
  int32_t ElementCount(int id) override;
  expr::TCustomParam* CallResult() override;

 private:
  const script::TCallMan* calls() const { return scenario_ ? scenario_->call_manager() : nullptr; }
  const RuntimeContext& ctx_;
  const Scenario* scenario_ = nullptr;
  const SceneRoot* scene_ = nullptr;
  scene::TVeskBaseList* root_ = nullptr;  // the real scene, when there is one
  ScreenManager* screen_ = nullptr;
  std::function<void(bool)> set_full_screen_;
  std::function<void(int)> set_display_mode_;
  bool GetSceneValue(int id, int32_t index, expr::SysValue* out);
};

}  // namespace vesk::app
