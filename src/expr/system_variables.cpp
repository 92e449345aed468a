#include "expr/system_variables.h"

#include <numbers>

#include "expr/expr_errors.h"
#include "expr/param_collection.h"
#include "platform/clock.h"
#include "platform/cp932.h"
#include "platform/font_rasterizer.h"

namespace vesk::expr {
namespace {

constexpr int kKeyTableCount = 258;  // 256 keys, then the wheel-down and wheel-up pulses

// The type each system variable answers in (@Result and @Temp: their target's).
constexpr int kTypes[kSystemVariableCount] = {
    kPtNone, kPtBool, kPtBool, kPtBool, kPtBool, kPtInt,   kPtInt,   kPtInt,   kPtInt,   kPtInt,
    kPtStr,  kPtStr,  kPtInt,  kPtInt,  kPtInt,  kPtInt,   kPtInt,   kPtInt,   kPtInt,   kPtInt,
    kPtInt,  kPtInt,  kPtInt,  kPtInt,  kPtStr,  kPtStr,   kPtBool,  kPtStr,   kPtStr,   kPtInt,
    kPtFloat, kPtBool, kPtFloat, kPtFloat, kPtFloat, kPtBool, kPtBool, kPtInt, kPtInt, kPtStr,
    kPtBool, kPtStr, kPtBool, kPtInt, kPtNone, kPtStr, kPtStr, kPtBool, kPtBool};

std::string FontList(bool fixed) {
  std::string out;
  for (const std::string& name : platform::JapaneseFontFamilies(fixed)) {
    if (!out.empty()) out += "\r\n";
    out += platform::Utf8ToCp932(name);
  }
  return out;
}

// A value in `type` read as each of the four kinds.
int32_t AsInt(int type, const SysValue& v) {
  switch (type) {
    case kPtFloat: return RealToInt(v.r);
    case kPtBool: return v.b ? 1 : 0;
    case kPtStr: return ParseInt(v.s).value_or(0);
    default: return v.i;
  }
}
Real AsReal(int type, const SysValue& v) {
  switch (type) {
    case kPtFloat: return v.r;
    case kPtBool: return v.b ? 1 : 0;
    case kPtStr: return ParseReal(v.s).value_or(0);
    default: return v.i;
  }
}
bool AsFlag(int type, const SysValue& v) {
  switch (type) {
    case kPtFloat: return v.r != 0;
    case kPtBool: return v.b;
    case kPtStr: return v.s == "TRUE";
    default: return v.i != 0;
  }
}
std::string AsStr(int type, const SysValue& v) {
  switch (type) {
    case kPtFloat: return RealToStr(v.r);
    case kPtBool: return v.b ? "TRUE" : "FALSE";
    case kPtStr: return v.s;
    default: return IntToStr(v.i);
  }
}

}  // namespace

int TParamSystem::OwnType() const {
  if (id_ >= kSystemVariableCount) RaiseExpr(Msg::kInternalError);
  return kTypes[id_];
}

TCustomParam* TParamSystem::Forward() const {
  if (id_ == kSysResult) return table_->host() ? table_->host()->CallResult() : nullptr;
  if (id_ == kSysTemp) {
    TParamCollectionItem* target = table_->TempTarget.empty() ? nullptr : table_->Find(table_->TempTarget);
    // @Temp naming itself would forward for ever.
    return target && target->Value.get() != this ? target->Value.get() : nullptr;
  }
  return nullptr;
}

const TCustomParam* TParamSystem::Underlying() const {
  if (!Forwards()) return this;
  const TCustomParam* f = Forward();
  return f ? f->Underlying() : nullptr;
}

SysValue TParamSystem::Read(int32_t index) const {
  SysValue v;
  switch (id_) {
    case kSysTextDelay: v.i = table_->TextDelay; return v;
    case kSysCursor: v.s = table_->CursorFile; return v;
    case kSysSelStr: v.s = table_->SelStr; return v;
    case kSysSelIndex: v.i = table_->SelIndex; return v;
    case kSysPi: v.r = std::numbers::pi_v<long double>; return v;
    case kSys1Hour: v.r = 1.0L / 24; return v;
    case kSys1Min: v.r = 1.0L / 1440; return v;
    case kSys1Sec: v.r = 1.0L / 86400; return v;
    case kSysPcTickCount: v.i = static_cast<int32_t>(platform::SystemTickMs()); return v;
    case kSysFonts: v.s = FontList(false); return v;
    case kSysFixedFonts: v.s = FontList(true); return v;
    default: break;
  }
  if (id_ >= kSysYear && id_ <= kSysSec) {
    const platform::LocalDateTime t = platform::NowLocal();
    const int fields[] = {t.year, t.month, t.day, t.weekday, t.hour, t.minute, t.second};
    v.i = fields[id_ - kSysYear];
    return v;
  }
  if (table_->host()) table_->host()->Get(id_, index, &v);
  return v;
}

void TParamSystem::Write(const SysValue& v) {
  switch (id_) {
    case kSysTextDelay: table_->TextDelay = v.i; return;
    case kSysCursor: table_->CursorFile = v.s; return;
    case kSysSelStr: table_->SelStr = v.s; return;
    case kSysSelIndex: table_->SelIndex = v.i; return;
    default: break;
  }
  if (table_->host()) table_->host()->Set(id_, v);
}

int32_t TParamSystem::Count() const {
  if (Forwards()) return Forward() ? Forward()->Count() : 1;
  switch (id_) {
    case kSysKeyPush: case kSysKeyClick: case kSysKeyRepeat: return kKeyTableCount;
    case kSysParamStr: case kSysMidiPorts:
      return table_->host() ? table_->host()->ElementCount(id_) : 0;
    default: return 1;
  }
}

int TParamSystem::ParamType() const {
  if (Forwards()) return Forward() ? Forward()->ParamType() : kPtNone;
  return OwnType();
}

int32_t TParamSystem::DimCount() const { return Forwards() && Forward() ? Forward()->DimCount() : 1; }
int32_t TParamSystem::DimSize(int32_t k) const {
  return Forwards() && Forward() ? Forward()->DimSize(k) : (k == 0 ? Count() : 1);
}

std::string TParamSystem::GetStr() const {
  // @ParamStr read as a scalar is empty; its elements are the arguments.
  if (id_ == kSysParamStr) return {};
  return GetStrAt(0);
}

int32_t TParamSystem::GetIntAt(int32_t i) const {
  if (Forwards()) return Forward() ? Forward()->GetIntAt(i) : 0;
  return AsInt(OwnType(), Read(i));
}
Real TParamSystem::GetFloatAt(int32_t i) const {
  if (Forwards()) return Forward() ? Forward()->GetFloatAt(i) : 0;
  return AsReal(OwnType(), Read(i));
}
bool TParamSystem::GetFlagAt(int32_t i) const {
  if (Forwards()) return Forward() && Forward()->GetFlagAt(i);
  return AsFlag(OwnType(), Read(i));
}
std::string TParamSystem::GetStrAt(int32_t i) const {
  if (Forwards()) return Forward() ? Forward()->GetStrAt(i) : std::string();
  return AsStr(OwnType(), Read(i));
}

void TParamSystem::SetIntAt(int32_t i, int32_t v) {
  if (Forwards()) {
    if (auto* f = Forward()) f->SetIntAt(i, v);
    return;
  }
  SysValue out;
  out.i = v;
  out.r = v;
  out.b = v != 0;
  out.s = IntToStr(v);
  Write(out);
}

void TParamSystem::SetFloatAt(int32_t i, Real x) {
  if (Forwards()) {
    if (auto* f = Forward()) f->SetFloatAt(i, x);
    return;
  }
  SysValue out;
  out.i = RealToInt(x);
  out.r = x;
  out.b = x != 0;
  out.s = RealToStr(x);
  Write(out);
}

void TParamSystem::SetFlagAt(int32_t i, bool b) {
  if (Forwards()) {
    if (auto* f = Forward()) f->SetFlagAt(i, b);
    return;
  }
  SysValue out;
  out.i = b ? 1 : 0;
  out.r = b ? 1 : 0;
  out.b = b;
  out.s = b ? "TRUE" : "FALSE";
  Write(out);
}

void TParamSystem::SetStrAt(int32_t i, const std::string& s) {
  if (Forwards()) {
    if (auto* f = Forward()) f->SetStrAt(i, s);
    return;
  }
  SysValue out;
  out.s = s;
  const auto parsed_int = ParseInt(s);
  switch (OwnType()) {
    case kPtInt:
      if (!parsed_int) return;  // an unparsable string leaves it unchanged
      out.i = *parsed_int;
      break;
    case kPtFloat: {
      const auto parsed = ParseReal(s);
      if (!parsed) return;
      out.r = *parsed;
      break;
    }
    case kPtBool:
      // Flags take a number here, not "TRUE".
      out.b = parsed_int.value_or(0) != 0;
      break;
    default: break;
  }
  Write(out);
}

void TParamSystem::SetCount(int32_t n) {
  if (Forwards() && Forward()) Forward()->SetCount(n);
}
void TParamSystem::Assign(const TCustomParam& v) {
  if (Forwards() && Forward()) Forward()->Assign(v);
}
void TParamSystem::SetDims(const std::vector<int32_t>& sizes) {
  if (Forwards() && Forward()) Forward()->SetDims(sizes);
}
void TParamSystem::FillInt(int32_t v) {
  if (Forwards() && Forward()) Forward()->FillInt(v);
}
void TParamSystem::FillFloat(Real x) {
  if (Forwards() && Forward()) Forward()->FillFloat(x);
}
void TParamSystem::FillFlag(bool b) {
  if (Forwards() && Forward()) Forward()->FillFlag(b);
}
void TParamSystem::FillStr(const std::string& s) {
  if (Forwards() && Forward()) Forward()->FillStr(s);
}
void TParamSystem::CopyMem(const TCustomParam& v) {
  if (Forwards() && Forward()) Forward()->CopyMem(v);
}
int32_t TParamSystem::IndexOfStr(const std::string& text, bool cs, bool partial) const {
  if (Forwards()) return Forward() ? Forward()->IndexOfStr(text, cs, partial) : -1;
  for (int32_t i = 0; i < Count(); ++i)
    if (GetStrAt(i) == text) return i;
  return -1;
}

}  // namespace vesk::expr
