#pragma once
// TParamSystem: a system variable ("@LClick", "@TickCount", ...). It stores
// nothing: reads and writes go to the table's own values, the platform, or
// the running system through SystemVariableHost. @Result and @Temp forward
// every operation to another value.
#include "expr/param_collection.h"
#include "expr/params.h"
#include "lang/vocabulary.h"

namespace vesk::expr {

class TParamCollection;

class TParamSystem final : public TCustomParam {
 public:
  TParamSystem(uint8_t id, TParamCollection* table) : id_(id), table_(table) {}
  uint8_t id() const { return id_; }
  bool IsSystemVariable() const override { return true; }

  int32_t Count() const override;
  void SetCount(int32_t n) override;
  int ParamType() const override;
  bool GetFlag() const override { return GetFlagAt(0); }
  Real GetFloat() const override { return GetFloatAt(0); }
  int32_t GetInt() const override { return GetIntAt(0); }
  std::string GetStr() const override;
  void SetFlag(bool b) override { SetFlagAt(0, b); }
  void SetFloat(Real x) override { SetFloatAt(0, x); }
  void SetInt(int32_t v) override { SetIntAt(0, v); }
  void SetStr(const std::string& s) override { SetStrAt(0, s); }
  int32_t GetIntAt(int32_t i) const override;
  void SetIntAt(int32_t i, int32_t v) override;
  Real GetFloatAt(int32_t i) const override;
  void SetFloatAt(int32_t i, Real x) override;
  bool GetFlagAt(int32_t i) const override;
  void SetFlagAt(int32_t i, bool b) override;
  std::string GetStrAt(int32_t i) const override;
  void SetStrAt(int32_t i, const std::string& s) override;
  int32_t DimCount() const override;
  int32_t DimSize(int32_t k) const override;
  void Assign(const TCustomParam& v) override;
  void SetDims(const std::vector<int32_t>& sizes) override;
  void FillInt(int32_t v) override;
  void FillFloat(Real x) override;
  void FillFlag(bool b) override;
  void FillStr(const std::string& s) override;
  void CopyMem(const TCustomParam& v) override;
  int32_t IndexOfStr(const std::string& text, bool cs, bool partial) const override;
  const TCustomParam* Underlying() const override;

 private:
  TCustomParam* Forward() const;  // @Result / @Temp target, else null
  bool Forwards() const { return id_ == lang::SV_Result || id_ == lang::SV_Temp; }
  SysValue Read(int32_t index) const;
  void Write(const SysValue& v);
  int OwnType() const;

  uint8_t id_;
  TParamCollection* table_;
};

}  // namespace vesk::expr
