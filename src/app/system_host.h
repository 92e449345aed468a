#pragma once
// Answers the system variables the running shell knows: the game clock and
// frame counter, the scene size and title, and the input pulses of the
// scene. The rest read as zero until their subsystems arrive.
#include "app/engine_ports.h"
#include "expr/param_collection.h"

namespace vesk::app {

class ShellSystemHost final : public expr::SystemVariableHost {
 public:
  explicit ShellSystemHost(const RuntimeContext& ctx) : ctx_(ctx) {}
  void Attach(const Scenario* scenario, const SceneRoot* scene) {
    scenario_ = scenario;
    scene_ = scene;
  }
  bool Get(int id, int32_t index, expr::SysValue* out) override;
  int32_t ElementCount(int id) override;
  expr::TCustomParam* CallResult() override;

 private:
  const script::TCallMan* calls() const { return scenario_ ? scenario_->call_manager() : nullptr; }
  const RuntimeContext& ctx_;
  const Scenario* scenario_ = nullptr;
  const SceneRoot* scene_ = nullptr;
};

}  // namespace vesk::app
