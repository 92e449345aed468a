#pragma once
// The system variables the shell itself answers: the game clock and frame
// counter, the scene size and title, full screen and the display modes
// (with GetDisplayMode), and, where no real scene answers them, the left
// click and key presses of the scene port. The subsystems answer the rest
// through their own providers on the same router.
#include <functional>

#include "app/engine_ports.h"
#include "expr/system_router.h"

namespace vesk::app {

class ShellSystemProvider final : public expr::SystemProvider {
 public:
  explicit ShellSystemProvider(const RuntimeContext& ctx) : ctx_(ctx) {}
  void RegisterWith(expr::SystemRouter& router);
  void Attach(const Scenario* scenario, const SceneRoot* scene) {
    scenario_ = scenario;
    scene_ = scene;
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
  bool CallFunction(int id, expr::TParamCollectionItem& dest, expr::Operands& operands) override;

 private:
  const RuntimeContext& ctx_;
  const Scenario* scenario_ = nullptr;
  const SceneRoot* scene_ = nullptr;
  ScreenManager* screen_ = nullptr;
  std::function<void(bool)> set_full_screen_;
  std::function<void(int)> set_display_mode_;
};

}  // namespace vesk::app
