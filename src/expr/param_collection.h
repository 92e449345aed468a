#pragma once
// TParamCollection: the variable table. Every script variable, the 49
// system variables (table positions 0..48) and the expression temporaries
// are entries here, looked up by name without regard to ASCII case with the
// scope rules of locals, and saved with the game or status data.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "expr/eval_services.h"
#include "expr/params.h"
#include "storage/hash.h"

namespace vesk::expr {

inline constexpr int kSystemVariableCount = 49;
inline constexpr const char* kTempPrefix = "____";

enum class VarScope : int { kGlobal = 0, kAutoDelete = 1, kLocal = 2, kStatus = 3 };

class TParamCollectionItem : public storage::THashCollectionItem {
 public:
  std::unique_ptr<TCustomParam> Value;
  uint8_t Reserved = 0;
  uint8_t IsStatus = 0;
  int32_t ScopeId = -1;
  uint8_t IsLocal = 0;
  bool IsSystem() const;
};

// What the running system answers for the system variables the table does
// not keep itself (input pulses, the mouse, the call frame, the screen...).
// Values come in the variable's own type; unknown ones read as zero.
struct SysValue {
  int32_t i = 0;
  Real r = 0;
  bool b = false;
  std::string s;
};

class SystemVariableHost {
 public:
  virtual ~SystemVariableHost() = default;
  // Element `index` of variable `id` (its scalar for non-arrays); false when
  // the host has nothing for it.
  virtual bool Get(int /*id*/, int32_t /*index*/, SysValue* /*out*/) { return false; }
  virtual void Set(int /*id*/, const SysValue& /*v*/) {}
  // Element counts of @ParamStr and @MidiPorts.
  virtual int32_t ElementCount(int /*id*/) { return 0; }
  // The current call frame's result value for @Result, or null.
  virtual TCustomParam* CallResult() { return nullptr; }
};

class TParamCollection : public storage::THashCollection {
 public:
  explicit TParamCollection(SystemVariableHost* host = nullptr);

  int32_t CurrentScope = 0;
  std::string SelStr;
  int32_t SelIndex = 0;
  int32_t TextDelay = 50;
  std::string CursorFile;
  std::array<int32_t, 6> HistoryFormat{};  // font size, border, shadow, width, height, spacing
  std::string TempTarget;
  SystemVariableHost* host() const { return host_; }
  void set_host(SystemVariableHost* host) { host_ = host; }
  // The runtime's services for the expressions run on this table; none by
  // default (errors go nowhere, GetProp yields integers).
  const EvalServices& services() const { return services_ ? *services_ : kNoServices; }
  void set_services(const EvalServices* services) { services_ = services; }

  TParamCollectionItem* Item(int index) const {
    return static_cast<TParamCollectionItem*>(At(index));
  }
  // The scope rule: a local of the current depth at once, otherwise the
  // oldest non-local of that name; locals of other depths are never found.
  TParamCollectionItem* Find(const std::string& name) const;
  int IndexOf(const std::string& name) const { return IndexOfItem(Find(name)); }
  // For declarations: the first local of the current depth (local) or the
  // first non-local (not local) in chain order.
  TParamCollectionItem* FindScoped(const std::string& name, bool local) const;

  TParamCollectionItem* AddParam(int type_code);
  // Raises "\"%s\"：変数名が不正です" for an empty name, a half-width space or
  // a leading ASCII digit.
  void SetName(TParamCollectionItem& item, const std::string& name);
  // A detached copy of the named variable's value; null when not found.
  std::unique_ptr<TCustomParam> CloneValue(const std::string& name) const;
  // The same for an entry in hand (one of the evaluator's own temporaries).
  static std::unique_ptr<TCustomParam> CloneItemValue(const TParamCollectionItem& item);

  // The evaluator's temporaries, entered under their "____" names for the
  // length of one run. What other names find does not change with them, so
  // the lookup generation stays as it was.
  TParamCollectionItem* AddTemp(int type_code, const std::string& name);
  void DeleteTemp(TParamCollectionItem* item);

  // Declares a variable (empty name: "変数名がありません"). Returns the entry
  // to store the initial value into, or null for an existing status variable,
  // which keeps its value.
  TParamCollectionItem* Declare(const std::string& name, int type_code, VarScope scope,
                                int32_t call_depth);
  void DeleteItem(TParamCollectionItem* item);
  bool DeleteVariable(const std::string& name);
  void DeleteScope(int32_t depth);
  void ClearVariables();

  // Game data: the variables that are neither system nor status ones, then
  // the process-wide values. Status data: the status variables.
  void SaveToStream(ByteWriter& out) const;
  void LoadFromStream(ByteReader& in, int32_t version);
  // The game data for both directions; the variables a load replaces go
  // first.
  void Transfer(RecordIO& io);
  void SaveStatus(ByteWriter& out) const;
  void LoadStatus(ByteReader& in, int32_t version);

 private:
  // The counted variable records of one kind (status or not); saving puts
  // references after their targets.
  void TransferRecords(RecordIO& io, bool status);
  void TransferRecord(RecordIO& io, TParamCollectionItem& item, std::string& name);
  void LoadVariable(RecordIO& io);
  SystemVariableHost* host_;
  const EvalServices* services_ = nullptr;
  static inline const EvalServices kNoServices{};
};

}  // namespace vesk::expr
