#include "expr/params.h"

#include <algorithm>

#include "core/byte_reader.h"
#include "core/record_io.h"
#include "core/sjis.h"
#include "expr/expr_errors.h"
#include "expr/param_collection.h"

namespace vesk::expr {
namespace {

// Shapes beyond this many elements are refused like a zero size: a script
// cannot make the player allocate without bound.
constexpr int64_t kMaxElements = int64_t{1} << 26;

// Element conversions, by stored type.
int32_t ToInt(int32_t v) {
  return v;
}
int32_t ToInt(Real x) {
  return RealToInt(x);
}
int32_t ToInt(uint8_t b) {
  return b ? 1 : 0;
}
int32_t ToInt(const std::string& s) {
  return ParseInt(s).value_or(0);
}
Real ToReal(int32_t v) {
  return v;
}
Real ToReal(Real x) {
  return x;
}
Real ToReal(uint8_t b) {
  return b ? 1 : 0;
}
Real ToReal(const std::string& s) {
  return ParseReal(s).value_or(0);
}
bool ToFlag(int32_t v) {
  return v != 0;
}
bool ToFlag(Real x) {
  return x != 0;
}
bool ToFlag(uint8_t b) {
  return b != 0;
}
bool ToFlag(const std::string& s) {
  return s == "TRUE";
}
std::string ToStr(int32_t v) {
  return IntToStr(v);
}
std::string ToStr(Real x) {
  return RealToStr(x);
}
std::string ToStr(uint8_t b) {
  return b ? "TRUE" : "FALSE";
}
std::string ToStr(const std::string& s) {
  return s;
}

// Substring search that only matches at character boundaries.
bool ContainsText(const std::string& hay, const std::string& needle) {
  return needle.empty() || SjisFind(hay, needle) != std::string::npos;
}

void TransferElement(RecordIO& io, int32_t& v) {
  io.I32(v, "integer element");
}
void TransferElement(RecordIO& io, Real& x) {
  io.Ext(x, "real element");
}
void TransferElement(RecordIO& io, uint8_t& b) {
  io.U8(b, "flag element");
}
void TransferElement(RecordIO& io, std::string& s) {
  io.Str(s, "string element");
}
constexpr size_t MinStoredSize(int32_t) {
  return 4;
}
constexpr size_t MinStoredSize(Real) {
  return 10;
}
constexpr size_t MinStoredSize(uint8_t) {
  return 1;
}
size_t MinStoredSize(const std::string&) {
  return 4;
}

}  // namespace

// --- TCustomParam ---

void TCustomParam::SetDims(const std::vector<int32_t>& sizes) {
  int64_t product = 1;
  for (int32_t d : sizes) {
    if (d <= 0) RaiseExpr(ExprMsg::kBadDimension);
    product *= d;
    if (product > kMaxElements) RaiseExpr(ExprMsg::kBadDimension);
  }
  SetCount(static_cast<int32_t>(product));
  Dims = sizes;
}

void TCustomParam::ClearDims() {
  Dims.clear();
}

// Values have no versioned fields: the version is not looked at.
void TCustomParam::SaveToStream(ByteWriter& out) const {
  RecordIO io(out, 0);
  // Saving only reads the fields.
  const_cast<TCustomParam*>(this)->Transfer(io, nullptr);
}

void TCustomParam::LoadFromStream(ByteReader& in, const TParamCollection* table) {
  RecordIO io(in, 0);
  Transfer(io, table);
}

void TCustomParam::Transfer(RecordIO& io, const TParamCollection*) {
  io.List(Dims, 4, "dimension count", [&](int32_t& d) { io.I32(d, "dimension size"); });
}

void TCustomParam::CopyFrom(const TCustomParam& v) {
  std::vector<int32_t> shape;
  int64_t product = 1;
  for (int32_t k = 0; k < v.DimCount(); ++k) {
    shape.push_back(v.DimSize(k));
    product *= shape.back();
  }
  if (product == v.Count()) {
    SetDims(shape);
  } else {
    // An unshaped list of several elements: its shape would say one element
    // and the copy would stop at the first; take the whole list instead.
    ClearDims();
    SetCount(v.Count());
  }
  const int type = ParamType();
  for (int32_t i = 0; i < v.Count(); ++i) {
    switch (type) {
      case lang::PT_INT:
        SetIntAt(i, v.GetIntAt(i));
        break;
      case lang::PT_FLOAT:
        SetFloatAt(i, v.GetFloatAt(i));
        break;
      case lang::PT_BOOL:
        SetFlagAt(i, v.GetFlagAt(i));
        break;
      case lang::PT_STR:
        SetStrAt(i, v.GetStrAt(i));
        break;
      default:
        break;
    }
  }
}

int32_t TCustomParam::FlatIndex(const std::vector<int32_t>& indices) const {
  int64_t flat = 0;
  for (size_t k = 0; k < indices.size(); ++k) {
    int64_t stride = 1;
    for (size_t j = k + 1; j < indices.size(); ++j) stride *= DimSize(static_cast<int32_t>(j));
    flat += int64_t{indices[k]} * stride;
  }
  return static_cast<int32_t>(std::clamp<int64_t>(flat, INT32_MIN, INT32_MAX));
}

std::unique_ptr<TCustomParam> MakeParam(int type_code) {
  switch (type_code & 0x7F) {
    case lang::PT_NONE:
      return std::make_unique<TParamVar>();
    case lang::PT_INT:
      return std::make_unique<TParamInt>();
    case lang::PT_FLOAT:
      return std::make_unique<TParamFloat>();
    case lang::PT_BOOL:
      return std::make_unique<TParamFlag>();
    case lang::PT_STR:
      return std::make_unique<TParamStr>();
    default:
      return nullptr;
  }
}

// --- TParamArray ---

template <typename T, int C>
T TParamArray<T, C>::From(int32_t v) {
  if constexpr (C == lang::PT_INT)
    return v;
  else if constexpr (C == lang::PT_FLOAT)
    return static_cast<Real>(v);
  else if constexpr (C == lang::PT_BOOL)
    return v != 0;
  else
    return IntToStr(v);
}
template <typename T, int C>
T TParamArray<T, C>::From(Real x) {
  if constexpr (C == lang::PT_INT)
    return RealToInt(x);
  else if constexpr (C == lang::PT_FLOAT)
    return x;
  else if constexpr (C == lang::PT_BOOL)
    return x != 0;
  else
    return RealToStr(x);
}
template <typename T, int C>
T TParamArray<T, C>::From(bool b) {
  if constexpr (C == lang::PT_INT)
    return b ? 1 : 0;
  else if constexpr (C == lang::PT_FLOAT)
    return b ? 1 : 0;
  else if constexpr (C == lang::PT_BOOL)
    return b ? 1 : 0;
  else
    return b ? "TRUE" : "FALSE";
}
template <typename T, int C>
T TParamArray<T, C>::From(const std::string& s) {
  if constexpr (C == lang::PT_INT)
    return ParseInt(s).value_or(0);
  else if constexpr (C == lang::PT_FLOAT)
    return ParseReal(s).value_or(0);
  else if constexpr (C == lang::PT_BOOL)
    return s == "TRUE";
  else
    return s;
}

template <typename T, int C>
T& TParamArray<T, C>::At(int32_t i) {
  if (i < 0 || i >= Count()) RaiseExpr(ExprMsg::kBadIndex);
  return elements_[static_cast<size_t>(i)];
}
template <typename T, int C>
const T& TParamArray<T, C>::At(int32_t i) const {
  if (i < 0 || i >= Count()) RaiseExpr(ExprMsg::kBadIndex);
  return elements_[static_cast<size_t>(i)];
}

template <typename T, int C>
void TParamArray<T, C>::SetCount(int32_t n) {
  if (n < 0 || n > kMaxElements) RaiseExpr(ExprMsg::kBadDimension);
  elements_.resize(static_cast<size_t>(n), T{});
}

template <typename T, int C>
int32_t TParamArray<T, C>::GetIntAt(int32_t i) const {
  return ToInt(At(i));
}
template <typename T, int C>
Real TParamArray<T, C>::GetFloatAt(int32_t i) const {
  return ToReal(At(i));
}
template <typename T, int C>
bool TParamArray<T, C>::GetFlagAt(int32_t i) const {
  return ToFlag(At(i));
}
template <typename T, int C>
std::string TParamArray<T, C>::GetStrAt(int32_t i) const {
  return ToStr(At(i));
}

template <typename T, int C>
void TParamArray<T, C>::ClearDims() {
  if (Dims.empty()) return;
  Dims.clear();
  elements_.resize(1, T{});
}

template <typename T, int C>
void TParamArray<T, C>::SetScalar(T v) {
  ClearDims();
  if (elements_.empty()) elements_.resize(1);
  elements_[0] = std::move(v);
}

template <typename T, int C>
void TParamArray<T, C>::Assign(const TCustomParam& v) {
  const auto* same = dynamic_cast<const TParamArray*>(v.Underlying());
  if (!same) return;
  Dims = same->Dims;
  elements_ = same->elements_;
}

template <typename T, int C>
void TParamArray<T, C>::CopyMem(const TCustomParam& v) {
  const auto* same = dynamic_cast<const TParamArray*>(v.Underlying());
  if (!same) RaiseExpr(ExprMsg::kCopyMemTypes);
  std::vector<int32_t> shape;
  for (int32_t k = 0; k < same->DimCount(); ++k) shape.push_back(same->DimSize(k));
  std::vector<T> copy = same->elements_;
  elements_ = std::move(copy);
  Dims = std::move(shape);
}

template <typename T, int C>
void TParamArray<T, C>::Transfer(RecordIO& io, const TParamCollection* table) {
  TCustomParam::Transfer(io, table);
  io.List(elements_, MinStoredSize(T{}), "element count", [&](T& e) { TransferElement(io, e); });
}

template <typename T, int C>
int32_t TParamArray<T, C>::IndexOfStr(const std::string& text, bool case_sensitive,
                                      bool partial) const {
  const std::string key = partial && !case_sensitive ? LowerAsciiSjis(text) : text;
  for (int32_t i = 0; i < Count(); ++i) {
    const std::string e = ToStr(elements_[static_cast<size_t>(i)]);
    bool match;
    if (partial)
      match = ContainsText(case_sensitive ? e : LowerAsciiSjis(e), key);
    else
      match = case_sensitive ? e == text : LowerAsciiSjis(e) == LowerAsciiSjis(text);
    if (match) return i;
  }
  return -1;
}

template class TParamArray<int32_t, lang::PT_INT>;
template class TParamArray<Real, lang::PT_FLOAT>;
template class TParamArray<uint8_t, lang::PT_BOOL>;
template class TParamArray<std::string, lang::PT_STR>;

// --- TParamVar ---

TCustomParam* TParamVar::TargetValue() const {
  return Target ? Target->Value.get() : nullptr;
}

const TCustomParam* TParamVar::Underlying() const {
  const TCustomParam* t = TargetValue();
  return t ? t->Underlying() : nullptr;
}

void TParamVar::Resolve(const TParamCollection& table) {
  TParamCollectionItem* entry = table.Find(RefName);
  if (!entry) RaiseExpr(ExprMsg::kNoVariableFormat, RefName);
  Target = entry;
  if (const TParamVar* ref = entry->Value->AsVar()) Index = ref->Index;
}

int32_t TParamVar::Count() const {
  return TargetValue() ? TargetValue()->Count() : 0;
}
void TParamVar::SetCount(int32_t n) {
  if (auto* t = TargetValue()) t->SetCount(n);
}
int TParamVar::ParamType() const {
  return TargetValue() ? TargetValue()->ParamType() : lang::PT_NONE;
}
void TParamVar::SetFlag(bool b) {
  SetFlagAt(Index, b);
}
void TParamVar::SetFloat(Real x) {
  SetFloatAt(Index, x);
}
void TParamVar::SetInt(int32_t v) {
  SetIntAt(Index, v);
}
void TParamVar::SetStr(const std::string& s) {
  SetStrAt(Index, s);
}
int32_t TParamVar::GetIntAt(int32_t i) const {
  return TargetValue() ? TargetValue()->GetIntAt(i) : 0;
}
void TParamVar::SetIntAt(int32_t i, int32_t v) {
  if (auto* t = TargetValue()) t->SetIntAt(i, v);
}
Real TParamVar::GetFloatAt(int32_t i) const {
  return TargetValue() ? TargetValue()->GetFloatAt(i) : 0;
}
void TParamVar::SetFloatAt(int32_t i, Real x) {
  if (auto* t = TargetValue()) t->SetFloatAt(i, x);
}
bool TParamVar::GetFlagAt(int32_t i) const {
  return TargetValue() && TargetValue()->GetFlagAt(i);
}
void TParamVar::SetFlagAt(int32_t i, bool b) {
  if (auto* t = TargetValue()) t->SetFlagAt(i, b);
}
std::string TParamVar::GetStrAt(int32_t i) const {
  return TargetValue() ? TargetValue()->GetStrAt(i) : std::string();
}
void TParamVar::SetStrAt(int32_t i, const std::string& s) {
  if (auto* t = TargetValue()) t->SetStrAt(i, s);
}
int32_t TParamVar::DimCount() const {
  return TargetValue() ? TargetValue()->DimCount() : 0;
}
int32_t TParamVar::DimSize(int32_t k) const {
  return TargetValue() ? TargetValue()->DimSize(k) : 1;
}
void TParamVar::SetDims(const std::vector<int32_t>& sizes) {
  if (auto* t = TargetValue()) t->SetDims(sizes);
}
void TParamVar::FillInt(int32_t v) {
  if (auto* t = TargetValue()) t->FillInt(v);
}
void TParamVar::FillFloat(Real x) {
  if (auto* t = TargetValue()) t->FillFloat(x);
}
void TParamVar::FillFlag(bool b) {
  if (auto* t = TargetValue()) t->FillFlag(b);
}
void TParamVar::FillStr(const std::string& s) {
  if (auto* t = TargetValue()) t->FillStr(s);
}
void TParamVar::CopyMem(const TCustomParam& v) {
  if (auto* t = TargetValue()) t->CopyMem(v);
}
int32_t TParamVar::IndexOfStr(const std::string& text, bool cs, bool partial) const {
  return TargetValue() ? TargetValue()->IndexOfStr(text, cs, partial) : -1;
}

void TParamVar::Transfer(RecordIO& io, const TParamCollection* table) {
  TCustomParam::Transfer(io, table);
  io.Str(RefName, "reference name");
  // The target goes by name and is looked up again after a load.
  std::string target = !io.loading() && Target ? Target->Name() : std::string();
  io.Str(target, "reference target");
  io.U8(Reserved, "reference byte");
  io.I32(Index, "reference index");
  if (io.loading()) Target = (!target.empty() && table) ? table->Find(target) : nullptr;
}

}  // namespace vesk::expr
