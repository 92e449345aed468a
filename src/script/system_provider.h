#pragma once
// The system variables of the running call: @ParamCount, @ParamStr,
// @Sender and @Result, read from the call manager. The program registers
// one with its system router once the call manager exists.
#include "expr/system_router.h"

namespace vesk::script {

class TCallMan;

class CallSystemProvider final : public expr::SystemProvider {
 public:
  explicit CallSystemProvider(const TCallMan& calls) : calls_(calls) {}
  void RegisterWith(expr::SystemRouter& router);

  bool Get(int id, int32_t index, expr::SysValue* out) override;
  int32_t ElementCount(int id) override;
  expr::TCustomParam* CallResult() override;

 private:
  const TCallMan& calls_;
};

}  // namespace vesk::script
