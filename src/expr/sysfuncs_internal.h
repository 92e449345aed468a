#pragma once
// Shared by the function families of TSysFuncMan: one call's view of its
// operands and destination, and the Shift-JIS text helpers several families
// need. Not part of the dispatcher's public interface.
#include <cstdint>
#include <string>
#include <vector>

#include "core/sjis.h"
#include "expr/expr_errors.h"
#include "expr/param_collection.h"
#include "expr/params.h"
#include "expr/sysfuncs.h"

namespace vesk::expr::sysfuncs {

// Longest text a function builds. Scripts can ask for absurd repeat counts
// or paddings; past this the call fails like an allocation would.
inline constexpr int64_t kMaxTextBytes = int64_t{1} << 26;
inline void CheckTextSize(int64_t bytes) {
  if (bytes < 0 || bytes > kMaxTextBytes) RaiseExpr(Msg::kOutOfMemory);
}

// One call: operands by position (a missing operand reads as zero of every
// type and is never a variable) and the destination entry.
class Call {
 public:
  Call(TSysFuncMan& man, TParamCollectionItem& dest, Operands& ops)
      : man_(man), dest_(dest), ops_(ops) {}

  size_t count() const { return ops_.size(); }
  bool Has(size_t i) const { return i < ops_.size() && ops_[i]; }
  const TCustomParam& Arg(size_t i) const {
    static const TCustomParam kAbsent;  // base class: 0, 0.0, false, ""
    return Has(i) ? *ops_[i] : kAbsent;
  }
  int32_t Int(size_t i) const { return Arg(i).GetInt(); }
  Real Float(size_t i) const { return Arg(i).GetFloat(); }
  bool Flag(size_t i) const { return Arg(i).GetFlag(); }
  std::string Str(size_t i) const { return Arg(i).GetStr(); }

  // Operand i when it is a variable reference (found or not), else null.
  // Functions write back only through references, never into a constant
  // operand, which belongs to the stored expression.
  TParamVar* Var(size_t i) const {
    return Has(i) ? dynamic_cast<TParamVar*>(ops_[i].get()) : nullptr;
  }
  // Operand i when it is a reference whose variable was found, else null.
  TParamVar* FoundVar(size_t i) const {
    TParamVar* v = Var(i);
    return v && v->Target && v->Target->Value ? v : nullptr;
  }

  // The destination's value; writes into an entry without one go nowhere.
  TCustomParam& Dest() {
    static TCustomParam sink;
    return dest_.Value ? *dest_.Value : sink;
  }
  void SetInt(int32_t v) { Dest().SetInt(v); }
  void SetFloat(Real x) { Dest().SetFloat(x); }
  void SetFlag(bool b) { Dest().SetFlag(b); }
  void SetStr(const std::string& s) { Dest().SetStr(s); }

  TSysFuncMan& man() { return man_; }
  TParamCollection& table() { return man_.table(); }
  SysFuncHost& host() { return *man_.host(); }

 private:
  TSysFuncMan& man_;
  TParamCollectionItem& dest_;
  Operands& ops_;
};

// --- Shift-JIS text ---

// Byte offsets where each character starts, plus the length at the end. A
// lead byte with a byte after it starts a two-byte character; a lead byte
// cut off at the end stands alone.
std::vector<size_t> CharStarts(const std::string& s);
// True when byte i (0-based) is a character of its own: neither half of a
// double-byte character.
bool IsSingleByteAt(const std::string& s, size_t i);
// Splits at CR, LF or CR LF; a final line break adds no empty line.
std::vector<std::string> SplitLines(const std::string& text);

// --- Families: each returns false when the id is not one of its own ---
bool CallStringFunction(int id, Call& call);
bool CallArrayFunction(int id, Call& call);
bool CallMathFunction(int id, Call& call);
bool CallDateFunction(int id, Call& call);
bool CallFileFunction(int id, Call& call);

}  // namespace vesk::expr::sysfuncs
