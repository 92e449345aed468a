#pragma once
// Shared by the system function tests: a variable table, a host with
// in-memory files, operand builders and a call that returns the destination.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/vesk_error.h"
#include "expr/param_collection.h"
#include "expr/sysfuncs.h"
#include "lang/vocabulary.h"
#include "platform/cp932.h"

namespace vesk::expr::test {

using namespace lang;  // FN_ ids

inline std::string J(const char* utf8) {
  return platform::Utf8ToCp932(utf8);
}

struct FakeHost : SysFuncHost {
  std::map<std::string, std::string> files;
  std::vector<std::string> asked, opened;
  bool FileExists(const std::string& name) override {
    return asked.push_back(name), files.count(name) > 0;
  }
  std::optional<std::vector<uint8_t>> LoadFile(const std::string& name) override {
    if (!files.count(name)) return std::nullopt;
    return std::vector<uint8_t>(files[name].begin(), files[name].end());
  }
  bool OpenUrl(const std::string& url) override { return opened.push_back(url), true; }
};

template <typename T, typename V>
std::unique_ptr<TCustomParam> Const(V v) {
  auto p = std::make_unique<T>();
  if constexpr (std::is_same_v<T, TParamInt>)
    p->SetInt(v);
  else if constexpr (std::is_same_v<T, TParamFloat>)
    p->SetFloat(v);
  else if constexpr (std::is_same_v<T, TParamFlag>)
    p->SetFlag(v);
  else
    p->SetStr(v);
  return p;
}
inline auto I(int32_t v) {
  return Const<TParamInt>(v);
}
inline auto R(Real x) {
  return Const<TParamFloat>(x);
}
inline auto F(bool b) {
  return Const<TParamFlag>(b);
}
inline auto S(const std::string& s) {
  return Const<TParamStr>(s);
}

class SysFuncTest : public ::testing::Test {
 protected:
  TCustomParam& Declare(const std::string& name, int type, std::vector<int32_t> dims = {}) {
    TCustomParam& v = *table.Declare(name, type, VarScope::kGlobal, 0)->Value;
    if (!dims.empty()) v.SetDims(dims);
    return v;
  }
  TCustomParam& Var(const std::string& name) { return *table.Find(name)->Value; }
  // A reference as the evaluator hands it over: resolved, or without a
  // target when the name is unknown.
  std::unique_ptr<TCustomParam> V(const std::string& name, int32_t index = 0) {
    auto p = std::make_unique<TParamVar>();
    p->RefName = name;
    p->Target = table.Find(name);
    p->Index = index;
    return p;
  }
  // Calls `id` into a fresh destination of its result type.
  template <typename... Args>
  TCustomParam& Run(int id, Args... operands) {
    Operands ops;
    (ops.push_back(std::move(operands)), ...);
    return RunOps(id, ops);
  }
  TCustomParam& RunOps(int id, Operands& ops) {
    dest_ = std::make_unique<TParamCollectionItem>();
    dest_->Value = MakeParam(TSysFuncMan::ResultType(id));
    man.Call(id, *dest_, ops);
    return *dest_->Value;
  }
  // The UTF-8 text of the error a call raises, "" when none.
  template <typename... Args>
  std::string ErrorOf(int id, Args... operands) {
    try {
      Run(id, std::move(operands)...);
    } catch (const EVeskError& e) {
      return platform::Cp932ToUtf8(e.Message());
    }
    return "";
  }
  std::vector<std::string> Strings(const std::string& name) {
    std::vector<std::string> out;
    for (int32_t i = 0; i < Var(name).Count(); ++i) out.push_back(Var(name).GetStrAt(i));
    return out;
  }

  TParamCollection table;
  FakeHost host;
  TSysFuncMan man{table, &host};

 private:
  std::unique_ptr<TParamCollectionItem> dest_;
};

}  // namespace vesk::expr::test
