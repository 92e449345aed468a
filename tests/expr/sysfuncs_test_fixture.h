#pragma once
// What the system function tests share: a variable table, a host with
// in-memory files, operand builders and a call that returns the destination.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/vesk_error.h"
#include "expr/param_collection.h"
#include "expr/params.h"
#include "expr/sysfuncs.h"
#include "platform/cp932.h"
#include "script/vocabulary.h"

namespace vesk::expr::test {

using namespace script;  // FN_ ids

inline std::string J(const char* utf8) { return platform::Utf8ToCp932(utf8); }

class FakeHost : public SysFuncHost {
 public:
  std::map<std::string, std::vector<uint8_t>> files;
  std::vector<std::string> asked, opened;
  bool FileExists(const std::string& name) override {
    asked.push_back(name);
    return files.count(name) > 0;
  }
  std::optional<std::vector<uint8_t>> LoadFile(const std::string& name) override {
    auto it = files.find(name);
    if (it == files.end()) return std::nullopt;
    return it->second;
  }
  bool OpenUrl(const std::string& url) override {
    opened.push_back(url);
    return true;
  }
  void Put(const std::string& name, const std::string& content) {
    files[name] = std::vector<uint8_t>(content.begin(), content.end());
  }
};

inline std::unique_ptr<TCustomParam> I(int32_t v) {
  auto p = std::make_unique<TParamInt>();
  p->SetInt(v);
  return p;
}
inline std::unique_ptr<TCustomParam> R(Real x) {
  auto p = std::make_unique<TParamFloat>();
  p->SetFloat(x);
  return p;
}
inline std::unique_ptr<TCustomParam> S(const std::string& s) {
  auto p = std::make_unique<TParamStr>();
  p->SetStr(s);
  return p;
}
inline std::unique_ptr<TCustomParam> F(bool b) {
  auto p = std::make_unique<TParamFlag>();
  p->SetFlag(b);
  return p;
}

class SysFuncTest : public ::testing::Test {
 protected:
  TCustomParam& Declare(const std::string& name, int type) {
    return *table.Declare(name, type, VarScope::kGlobal, 0)->Value;
  }
  TCustomParam& Array(const std::string& name, int type, std::vector<int32_t> dims) {
    TCustomParam& v = Declare(name, type);
    v.SetDims(dims);
    return v;
  }
  // A reference operand as the evaluator hands it over: resolved, or with
  // no target when the name is unknown.
  std::unique_ptr<TCustomParam> V(const std::string& name, int32_t index = 0) {
    auto p = std::make_unique<TParamVar>();
    p->RefName = name;
    p->Target = table.Find(name);
    p->Index = index;
    return p;
  }

  // Calls `id` into a fresh destination of the function's result type and
  // returns that destination.
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
  // The UTF-8 text of the error a call raises, "" when it succeeds.
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
    const TCustomParam& v = *table.Find(name)->Value;
    std::vector<std::string> out;
    for (int32_t i = 0; i < v.Count(); ++i) out.push_back(v.GetStrAt(i));
    return out;
  }

  TParamCollection table;
  FakeHost host;
  TSysFuncMan man{table, &host};

 private:
  std::unique_ptr<TParamCollectionItem> dest_;
};

}  // namespace vesk::expr::test
