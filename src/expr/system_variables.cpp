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
    lang::PT_NONE,  lang::PT_BOOL, lang::PT_BOOL,  lang::PT_BOOL,  lang::PT_BOOL,  lang::PT_INT,
    lang::PT_INT,   lang::PT_INT,  lang::PT_INT,   lang::PT_INT,   lang::PT_STR,   lang::PT_STR,
    lang::PT_INT,   lang::PT_INT,  lang::PT_INT,   lang::PT_INT,   lang::PT_INT,   lang::PT_INT,
    lang::PT_INT,   lang::PT_INT,  lang::PT_INT,   lang::PT_INT,   lang::PT_INT,   lang::PT_INT,
    lang::PT_STR,   lang::PT_STR,  lang::PT_BOOL,  lang::PT_STR,   lang::PT_STR,   lang::PT_INT,
    lang::PT_FLOAT, lang::PT_BOOL, lang::PT_FLOAT, lang::PT_FLOAT, lang::PT_FLOAT, lang::PT_BOOL,
    lang::PT_BOOL,  lang::PT_INT,  lang::PT_INT,   lang::PT_STR,   lang::PT_BOOL,  lang::PT_STR,
    lang::PT_BOOL,  lang::PT_INT,  lang::PT_NONE,  lang::PT_STR,   lang::PT_STR,   lang::PT_BOOL,
    lang::PT_BOOL};

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
    case lang::PT_FLOAT:
      return RealToInt(v.r);
    case lang::PT_BOOL:
      return v.b ? 1 : 0;
    case lang::PT_STR:
      return ParseInt(v.s).value_or(0);
    default:
      return v.i;
  }
}
Real AsReal(int type, const SysValue& v) {
  switch (type) {
    case lang::PT_FLOAT:
      return v.r;
    case lang::PT_BOOL:
      return v.b ? 1 : 0;
    case lang::PT_STR:
      return ParseReal(v.s).value_or(0);
    default:
      return v.i;
  }
}
bool AsFlag(int type, const SysValue& v) {
  switch (type) {
    case lang::PT_FLOAT:
      return v.r != 0;
    case lang::PT_BOOL:
      return v.b;
    case lang::PT_STR:
      return v.s == "TRUE";
    default:
      return v.i != 0;
  }
}
std::string AsStr(int type, const SysValue& v) {
  switch (type) {
    case lang::PT_FLOAT:
      return RealToStr(v.r);
    case lang::PT_BOOL:
      return v.b ? "TRUE" : "FALSE";
    case lang::PT_STR:
      return v.s;
    default:
      return IntToStr(v.i);
  }
}

}  // namespace

int TParamSystem::OwnType() const {
  if (id_ >= kSystemVariableCount) RaiseExpr(Msg::kInternalError);
  return kTypes[id_];
}

TCustomParam* TParamSystem::Forward() const {
  if (id_ == lang::SV_Result) return table_->host() ? table_->host()->CallResult() : nullptr;
  if (id_ == lang::SV_Temp) {
    TParamCollectionItem* target =
        table_->TempTarget.empty() ? nullptr : table_->Find(table_->TempTarget);
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
    case lang::SV_TextDelay:
      v.i = table_->TextDelay;
      return v;
    case lang::SV_Cursor:
      v.s = table_->CursorFile;
      return v;
    case lang::SV_SelStr:
      v.s = table_->SelStr;
      return v;
    case lang::SV_SelIndex:
      v.i = table_->SelIndex;
      return v;
    case lang::SV_Pi:
      v.r = std::numbers::pi_v<long double>;
      return v;
    case lang::SV_1Hour:
      v.r = 1.0L / 24;
      return v;
    case lang::SV_1Min:
      v.r = 1.0L / 1440;
      return v;
    case lang::SV_1Sec:
      v.r = 1.0L / 86400;
      return v;
    case lang::SV_PCTickCount:
      v.i = static_cast<int32_t>(platform::SystemTickMs());
      return v;
    case lang::SV_Fonts:
      v.s = FontList(false);
      return v;
    case lang::SV_FixedFonts:
      v.s = FontList(true);
      return v;
    default:
      break;
  }
  if (id_ >= lang::SV_Year && id_ <= lang::SV_Sec) {
    const platform::LocalDateTime t = platform::NowLocal();
    const int fields[] = {t.year, t.month, t.day, t.weekday, t.hour, t.minute, t.second};
    v.i = fields[id_ - lang::SV_Year];
    return v;
  }
  if (table_->host()) table_->host()->Get(id_, index, &v);
  return v;
}

void TParamSystem::Write(const SysValue& v) {
  switch (id_) {
    case lang::SV_TextDelay:
      table_->TextDelay = v.i;
      return;
    case lang::SV_Cursor:
      table_->CursorFile = v.s;
      return;
    case lang::SV_SelStr:
      table_->SelStr = v.s;
      return;
    case lang::SV_SelIndex:
      table_->SelIndex = v.i;
      return;
    default:
      break;
  }
  if (table_->host()) table_->host()->Set(id_, v);
}

int32_t TParamSystem::Count() const {
  if (Forwards()) return Forward() ? Forward()->Count() : 1;
  switch (id_) {
    case lang::SV_KeyPush:
    case lang::SV_KeyClick:
    case lang::SV_KeyRepeat:
      return kKeyTableCount;
    case lang::SV_ParamStr:
    case lang::SV_MidiPorts:
      return table_->host() ? table_->host()->ElementCount(id_) : 0;
    default:
      return 1;
  }
}

int TParamSystem::ParamType() const {
  if (Forwards()) return Forward() ? Forward()->ParamType() : lang::PT_NONE;
  return OwnType();
}

int32_t TParamSystem::DimCount() const {
  return Forwards() && Forward() ? Forward()->DimCount() : 1;
}
int32_t TParamSystem::DimSize(int32_t k) const {
  return Forwards() && Forward() ? Forward()->DimSize(k) : (k == 0 ? Count() : 1);
}

std::string TParamSystem::GetStr() const {
  // @ParamStr read as a scalar is empty; its elements are the arguments.
  if (id_ == lang::SV_ParamStr) return {};
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
    case lang::PT_INT:
      if (!parsed_int) return;  // an unparsable string leaves it unchanged
      out.i = *parsed_int;
      break;
    case lang::PT_FLOAT: {
      const auto parsed = ParseReal(s);
      if (!parsed) return;
      out.r = *parsed;
      break;
    }
    case lang::PT_BOOL:
      // Flags take a number here, not "TRUE".
      out.b = parsed_int.value_or(0) != 0;
      break;
    default:
      break;
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
