#pragma once
// The value objects every script datum lives in. A value is always an array:
// a flat list of elements of one type with an optional shape (`Dims`); a
// scalar is one element and no shape. TParamInt, TParamFloat, TParamFlag and
// TParamStr store elements; TParamVar refers to an element of a variable;
// TParamSystem answers for one of the system variables ("@...").
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/byte_writer.h"
#include "expr/param_text.h"
#include "lang/vocabulary.h"

namespace vesk {
class ByteReader;
class RecordIO;
}  // namespace vesk

namespace vesk::expr {

class TParamCollection;
class TParamCollectionItem;

class TParamVar;

class TCustomParam {
 public:
  virtual ~TCustomParam() = default;

  std::vector<int32_t> Dims;

  virtual int32_t Count() const { return 1; }
  virtual void SetCount(int32_t) {}
  virtual int ParamType() const { return lang::PT_INT; }
  virtual bool GetFlag() const { return false; }
  virtual Real GetFloat() const { return 0; }
  virtual int32_t GetInt() const { return 0; }
  virtual std::string GetStr() const { return {}; }
  virtual void SetFlag(bool) {}
  virtual void SetFloat(Real) {}
  virtual void SetInt(int32_t) {}
  virtual void SetStr(const std::string&) {}
  virtual int32_t GetIntAt(int32_t) const { return 0; }
  virtual void SetIntAt(int32_t, int32_t) {}
  virtual Real GetFloatAt(int32_t) const { return 0; }
  virtual void SetFloatAt(int32_t, Real) {}
  virtual bool GetFlagAt(int32_t) const { return false; }
  virtual void SetFlagAt(int32_t, bool) {}
  virtual std::string GetStrAt(int32_t) const { return {}; }
  virtual void SetStrAt(int32_t, const std::string&) {}
  virtual int32_t DimCount() const { return Dims.empty() ? 1 : static_cast<int32_t>(Dims.size()); }
  virtual int32_t DimSize(int32_t k) const {
    return k >= 0 && k < static_cast<int32_t>(Dims.size()) ? Dims[static_cast<size_t>(k)] : 1;
  }
  virtual void Assign(const TCustomParam&) {}
  virtual void SetDims(const std::vector<int32_t>& sizes);
  virtual void FillInt(int32_t) {}
  virtual void FillFloat(Real) {}
  virtual void FillFlag(bool) {}
  virtual void FillStr(const std::string&) {}
  virtual void CopyMem(const TCustomParam&) {}
  // The stored value, through Transfer; a loaded reference finds its
  // target in `table`.
  void SaveToStream(ByteWriter& out) const;
  void LoadFromStream(ByteReader& in, const TParamCollection* table);
  // The fields for both directions (core/record_io.h): the shape here, then
  // what each kind of value keeps. `table` is looked at only when loading.
  virtual void Transfer(RecordIO& io, const TParamCollection* table);
  virtual void ClearDims();
  virtual int32_t IndexOfStr(const std::string&, bool /*case_sensitive*/, bool /*partial*/) const {
    return -1;
  }

  // Cheap type tests for the evaluator's hot path (no RTTI walk).
  virtual TParamVar* AsVar() { return nullptr; }
  virtual const TParamVar* AsVar() const { return nullptr; }
  virtual bool IsSystemVariable() const { return false; }

  // The value operations really act on: the referenced or forwarded value
  // for references and forwarding system variables (null when none).
  virtual const TCustomParam* Underlying() const { return this; }

  // Copies any value in with conversion: v's shape, then each element read
  // with this value's own type.
  void CopyFrom(const TCustomParam& v);
  // Row-major flat index of (i1 ... in) against this value's DimSize.
  int32_t FlatIndex(const std::vector<int32_t>& indices) const;
};

// A fresh value for a type code (high bit ignored); null for other codes.
std::unique_ptr<TCustomParam> MakeParam(int type_code);

// Element storage of one type: TParamInt, TParamFloat, TParamFlag, TParamStr.
template <typename T, int Code>
class TParamArray : public TCustomParam {
 public:
  TParamArray() : elements_(1) {}

  int32_t Count() const override { return static_cast<int32_t>(elements_.size()); }
  void SetCount(int32_t n) override;
  int ParamType() const override { return Code; }
  // Scalar reads of an emptied value give the type's zero, never an error.
  bool GetFlag() const override { return !elements_.empty() && GetFlagAt(0); }
  Real GetFloat() const override { return elements_.empty() ? 0 : GetFloatAt(0); }
  int32_t GetInt() const override { return elements_.empty() ? 0 : GetIntAt(0); }
  std::string GetStr() const override { return elements_.empty() ? std::string() : GetStrAt(0); }
  void SetFlag(bool b) override { SetScalar(From(b)); }
  void SetFloat(Real x) override { SetScalar(From(x)); }
  void SetInt(int32_t v) override { SetScalar(From(v)); }
  void SetStr(const std::string& s) override { SetScalar(From(s)); }
  int32_t GetIntAt(int32_t i) const override;
  void SetIntAt(int32_t i, int32_t v) override { At(i) = From(v); }
  Real GetFloatAt(int32_t i) const override;
  void SetFloatAt(int32_t i, Real x) override { At(i) = From(x); }
  bool GetFlagAt(int32_t i) const override;
  void SetFlagAt(int32_t i, bool b) override { At(i) = From(b); }
  std::string GetStrAt(int32_t i) const override;
  void SetStrAt(int32_t i, const std::string& s) override { At(i) = From(s); }
  void Assign(const TCustomParam& v) override;
  void FillInt(int32_t v) override { Fill(From(v)); }
  void FillFloat(Real x) override { Fill(From(x)); }
  void FillFlag(bool b) override { Fill(From(b)); }
  void FillStr(const std::string& s) override { Fill(From(s)); }
  void CopyMem(const TCustomParam& v) override;
  void Transfer(RecordIO& io, const TParamCollection* table) override;
  void ClearDims() override;
  int32_t IndexOfStr(const std::string& text, bool case_sensitive, bool partial) const override;

  const std::vector<T>& elements() const { return elements_; }

  static T From(int32_t v);
  static T From(Real x);
  static T From(bool b);
  static T From(const std::string& s);

 private:
  T& At(int32_t i);
  const T& At(int32_t i) const;
  void SetScalar(T v);
  void Fill(const T& v) { std::fill(elements_.begin(), elements_.end(), v); }

  std::vector<T> elements_;
};

using TParamInt = TParamArray<int32_t, lang::PT_INT>;
using TParamFloat = TParamArray<Real, lang::PT_FLOAT>;
using TParamFlag = TParamArray<uint8_t, lang::PT_BOOL>;
using TParamStr = TParamArray<std::string, lang::PT_STR>;

// A reference to element `Index` of a variable, resolved by name before
// each operation and released after it.
class TParamVar final : public TCustomParam {
 public:
  std::string RefName;
  TParamCollectionItem* Target = nullptr;
  uint8_t Reserved = 0;
  int32_t Index = 0;

  int32_t Count() const override;
  void SetCount(int32_t n) override;
  int ParamType() const override;
  bool GetFlag() const override { return GetFlagAt(Index); }
  Real GetFloat() const override { return GetFloatAt(Index); }
  int32_t GetInt() const override { return GetIntAt(Index); }
  std::string GetStr() const override { return GetStrAt(Index); }
  void SetFlag(bool b) override;
  void SetFloat(Real x) override;
  void SetInt(int32_t v) override;
  void SetStr(const std::string& s) override;
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
  void SetDims(const std::vector<int32_t>& sizes) override;
  void FillInt(int32_t v) override;
  void FillFloat(Real x) override;
  void FillFlag(bool b) override;
  void FillStr(const std::string& s) override;
  void CopyMem(const TCustomParam& v) override;
  void Transfer(RecordIO& io, const TParamCollection* table) override;
  int32_t IndexOfStr(const std::string& text, bool case_sensitive, bool partial) const override;

  // Reads and writes without an index go to element `Index` of the target.
  // Looks RefName up; raises "\"%s\" 変数がありません" when absent. A target
  // that is itself a reference lends its element index.
  void Resolve(const TParamCollection& table);
  const TCustomParam* Underlying() const override;
  TParamVar* AsVar() override { return this; }
  const TParamVar* AsVar() const override { return this; }

 private:
  TCustomParam* TargetValue() const;
};

}  // namespace vesk::expr
