#pragma once
// The system variables of the running call: @ParamCount, @ParamStr,
// @Sender and @Result, read from the call manager. The program registers
// one with its system router once the call manager exists; the save
// captions' functions come with the project.
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

class TSaveData;

// GetSaveCaption and ListSaveCaption: the captions of the saved games.
class SaveSystemProvider final : public expr::SystemProvider {
 public:
  explicit SaveSystemProvider(const TSaveData& saves) : saves_(saves) {}
  void RegisterWith(expr::SystemRouter& router);

  bool Get(int, int32_t, expr::SysValue*) override { return false; }
  bool CallFunction(int id, expr::TParamCollectionItem& dest, expr::Operands& operands) override;

 private:
  const TSaveData& saves_;
};

}  // namespace vesk::script
