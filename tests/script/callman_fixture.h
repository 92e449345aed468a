#pragma once
// Pages built in memory and a call manager over them, shared by the
// interpreter tests.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>

#include "companion/trace_log.h"
#include "core/runtime_context.h"
#include "expr/param_collection.h"
#include "expr/sysfuncs.h"
#include "expr/system_variables.h"
#include "platform/headless/headless_platform.h"
#include "script/callman.h"
#include "storage/vrfiles.h"

namespace vesk::script::test {

using namespace vesk::lang;  // the vocabulary ids

using expr::TParamInt;
using expr::TParamVar;

inline std::unique_ptr<expr::TCustomParam> I(int32_t v) {
  auto p = std::make_unique<TParamInt>();
  p->SetInt(v);
  return p;
}
inline std::unique_ptr<expr::TCustomParam> V(const std::string& name) {
  auto p = std::make_unique<TParamVar>();
  p->RefName = name;
  return p;
}
inline void Op(TVeskParser& e, int op, const std::string& dest,
               std::unique_ptr<expr::TCustomParam> a,
               std::unique_ptr<expr::TCustomParam> b = nullptr) {
  auto o = std::make_unique<expr::TOpeData>();
  o->Op = static_cast<uint8_t>(op);
  o->Dest = dest;
  o->Operands.push_back(std::move(a));
  if (b) o->Operands.push_back(std::move(b));
  e.Ops.push_back(std::move(o));
}
// name := value
inline void Assign(TVeskParser& e, const std::string& name, int32_t value) {
  Op(e, ocTo, name, I(value));
}
// A condition: the constant `value` as the expression's result.
inline void Constant(TVeskParser& e, int32_t value) {
  Op(e, ocTo, "____arg", I(value));
}
// The string `value` as the expression's result.
inline void Text(TVeskParser& e, const std::string& value) {
  auto p = std::make_unique<expr::TParamStr>();
  p->SetStr(value);
  Op(e, ocTo, "____arg", std::move(p));
}
// A condition: var < limit
inline void Less(TVeskParser& e, const std::string& var, int32_t limit) {
  Op(e, ocSmall, "____0", V(var), I(limit));
  Op(e, ocTo, "____arg", V("____0"));
}

class Builder {
 public:
  explicit Builder(std::string name, uint8_t result_type = 1) {
    page_.Name = std::move(name);
    page_.Version = 109;
    page_.ResultType = result_type;
  }
  template <typename T>
  T& Add(int indent = 0) {
    auto c = std::make_unique<T>(&page_);
    c->Indent = indent;
    c->RunOn = 1;
    T& ref = *c;
    page_.Commands.push_back(std::move(c));
    return ref;
  }
  std::vector<uint8_t> Bytes() const {
    ByteWriter w;
    page_.SaveToStream(w);
    return w.bytes();
  }
  const std::string& name() const { return page_.Name; }

 private:
  TPage page_;
};

// Answers @Result, @ParamCount and @ParamStr from the call manager.
class CallHost final : public expr::SystemVariableHost {
 public:
  TCallMan* man = nullptr;
  bool Get(int id, int32_t index, expr::SysValue* out) override {
    if (id == lang::SV_ParamCount) out->i = man->ArgCount();
    if (id == lang::SV_ParamStr) out->s = man->Arg(index);
    return true;
  }
  int32_t ElementCount(int id) override { return id == lang::SV_ParamStr ? man->ArgCount() : 0; }
  expr::TCustomParam* CallResult() override { return man->TopResult(); }
};

// A scene without objects: the names in `gone` no longer exist, and the
// reset is only counted.
class FakeScene final : public ScenePort {
 public:
  explicit FakeScene(const std::set<std::string>& gone) : gone_(gone) {}
  std::function<void()> on_reset;
  SceneObject* FindComponent(const std::string&) override { return nullptr; }
  SceneObject* FindControl(const std::string&) override { return nullptr; }
  SceneObject* CreateByKind(int) override { return nullptr; }
  void GetProp(expr::TCustomParam&, SceneObject&, int32_t) override {}
  void SetProp(SceneObject&, int32_t, const expr::TCustomParam&) override {}
  void ApplyCreationProperty(SceneObject&, int, const CreationValue&) override {}
  void TakeCreationExpression(SceneObject&, int, const expr::TVeskParser&) override {}
  void CreationComplete(SceneObject&) override {}
  void DeleteObject(SceneObject&) override {}
  bool ObjectExists(const std::string& name) override { return gone_.count(name) == 0; }
  void Reset() override {
    if (on_reset) on_reset();
  }
  void SaveCabinet(const std::string&, const NameFilter&) override {}
  void LoadCabinet(const std::string&, const NameFilter&) override {}

 private:
  const std::set<std::string>& gone_;
};

class CallManFixture : public ::testing::Test {
 protected:
  void Mount(std::initializer_list<const Builder*> pages) {
    storage::TVrFileCollection archive;
    for (const Builder* b : pages) {
      auto bytes = b->Bytes();
      archive.AddEntry(b->name())->Source->Write(bytes.data(), static_cast<int64_t>(bytes.size()));
    }
    storage::TMemoryStream packed;
    ASSERT_TRUE(archive.SaveTo(packed));
    files_.AddMemoryArchive(std::make_shared<std::vector<uint8_t>>(packed.bytes()), "pages");
  }
  // A file that is not a page at all.
  void MountRaw(const std::string& name, const std::vector<uint8_t>& bytes) {
    storage::TVrFileCollection archive;
    archive.AddEntry(name)->Source->Write(bytes.data(), static_cast<int64_t>(bytes.size()));
    storage::TMemoryStream packed;
    ASSERT_TRUE(archive.SaveTo(packed));
    files_.AddMemoryArchive(std::make_shared<std::vector<uint8_t>>(packed.bytes()), name);
  }
  TCallMan& Man() {
    if (!man_) {
      CallEnvironment env;
      env.ctx = &ctx_;
      env.files = &files_;
      env.variables = &vars_;
      env.functions = &functions_;
      env.dialogs = &platform_.dialogs();
      env.trace = &trace_;
      env.events = &events_;
      env.ports.scene = &scene_;
      if (configure_) configure_(env);
      man_ = std::make_unique<TCallMan>(env);
      host_.man = man_.get();
      vars_.set_host(&host_);
    }
    return *man_;
  }
  // Runs frames of `delta_ms` each.
  void Frames(int n, int32_t delta_ms = 16) {
    for (int i = 0; i < n && !ctx_.terminated; ++i) {
      ctx_.frame_delta_ms = delta_ms;
      ctx_.game_clock_ms += delta_ms;
      Man().Step();
    }
  }
  int32_t Int(const std::string& name) {
    auto* v = vars_.Find(name);
    return v ? v->Value->GetInt() : -999;
  }
  // Whether any variable of that name exists, at whatever call depth.
  bool Declared(const std::string& name) {
    for (int i = 0; i < vars_.Count(); ++i)
      if (vars_.Item(i)->Name() == name) return true;
    return false;
  }
  void Globals(std::initializer_list<const char*> names) {
    for (const char* n : names) vars_.Declare(n, lang::PT_INT, expr::VarScope::kGlobal, 0);
  }

  RuntimeContext ctx_;
  platform::HeadlessPlatform platform_;
  storage::TVrFileManager files_;
  CallHost host_;
  expr::TParamCollection vars_;
  expr::TSysFuncMan functions_{vars_};
  companion::TraceLog trace_;
  TTimerList events_;
  std::set<std::string> gone_;  // objects the scene no longer has
  FakeScene scene_{gone_};
  std::function<void(CallEnvironment&)> configure_;  // more ports, before Man()
  std::unique_ptr<TCallMan> man_;
};

}  // namespace vesk::script::test
