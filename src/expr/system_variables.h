#pragma once
// TParamSystem: a system variable ("@LClick", "@TickCount", ...). It stores
// nothing: reads and writes go to the table's own values, the platform, or
// the running system through SystemVariableHost. @Result and @Temp forward
// every operation to another value.
#include "expr/param_collection.h"
#include "expr/params.h"

namespace vesk::expr {

class TParamCollection;

enum SystemVariableId : int {
  kSysResult = 0, kSysLClick = 1, kSysRClick = 2, kSysLPush = 3, kSysRPush = 4,
  kSysMouseX = 5, kSysMouseY = 6, kSysTextDelay = 7, kSysHistoryCount = 8,
  kSysParamCount = 9, kSysParamStr = 10, kSysSender = 11, kSysScrWidth = 12,
  kSysScrHeight = 13, kSysTickCount = 14, kSysPcTickCount = 15, kSysUpdateCount = 16,
  kSysYear = 17, kSysMonth = 18, kSysDay = 19, kSysWeek = 20, kSysHour = 21, kSysMin = 22,
  kSysSec = 23, kSysFonts = 24, kSysFixedFonts = 25, kSysFullScr = 26, kSysCursor = 27,
  kSysSelStr = 28, kSysSelIndex = 29, kSysPi = 30, kSysCgDither = 31, kSys1Hour = 32,
  kSys1Min = 33, kSys1Sec = 34, kSysKeyPush = 35, kSysKeyClick = 36,
  kSysDisplayModeCount = 37, kSysDisplayModeIndex = 38, kSysTitle = 39, kSysSoundOn = 40,
  kSysActiveCompo = 41, kSysKeyRepeat = 42, kSysHistoryMaxCount = 43, kSysTemp = 44,
  kSysMidiPort = 45, kSysMidiPorts = 46, kSysWheelDown = 47, kSysWheelUp = 48,
};

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
  bool Forwards() const { return id_ == kSysResult || id_ == kSysTemp; }
  SysValue Read(int32_t index) const;
  void Write(const SysValue& v);
  int OwnType() const;

  uint8_t id_;
  TParamCollection* table_;
};

}  // namespace vesk::expr
