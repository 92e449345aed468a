#pragma once
// SystemRouter: the one place the variable table and the built-in functions
// ask the running system. Each subsystem answers the system variables and
// functions it owns through a SystemProvider registered for their ids; the
// router passes every request to the providers of that id, so no subsystem
// knows the others and the shell knows none of their insides.
#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

#include "expr/param_collection.h"
#include "expr/sysfuncs.h"
#include "lang/vocabulary.h"

namespace vesk::expr {

// One subsystem's answers. Each method is asked only for ids the provider
// was registered for.
class SystemProvider {
 public:
  virtual ~SystemProvider() = default;
  // Element `index` of variable `id` in the variable's own type; false when
  // this provider has no answer now (the next provider of the id is asked).
  virtual bool Get(int id, int32_t index, SysValue* out) = 0;
  virtual void Set(int /*id*/, const SysValue& /*v*/) {}
  virtual int32_t ElementCount(int /*id*/) { return 0; }
  // The current call frame's result (@Result), or null.
  virtual TCustomParam* CallResult() { return nullptr; }
  // System function `id`; false when it did not run it.
  virtual bool CallFunction(int /*id*/, TParamCollectionItem& /*dest*/, Operands& /*operands*/) {
    return false;
  }
};

class SystemRouter final : public SystemVariableHost, public SysFuncHost {
 public:
  // Owners are asked before fallbacks, each group in registration order; a
  // fallback answers only where no owner does (the shell's input pulses
  // when there is no real scene).
  enum class Rank { kOwner, kFallback };
  void AddVariables(std::initializer_list<int> ids, SystemProvider* provider,
                    Rank rank = Rank::kOwner);
  void AddFunctions(std::initializer_list<int> ids, SystemProvider* provider);
  // Every registration of the provider goes (before the provider does).
  void Remove(const SystemProvider* provider);
  // What the file and shell functions reach (FileExists, LoadTextFile,
  // OpenUrl); none: no file exists.
  void set_file_host(SysFuncHost* host) { file_host_ = host; }

  // SystemVariableHost: the first provider of the id that answers; ids
  // nobody owns read as zero and ignore writes. Set and ElementCount go to
  // the first provider of the id.
  bool Get(int id, int32_t index, SysValue* out) override;
  void Set(int id, const SysValue& v) override;
  int32_t ElementCount(int id) override;
  TCustomParam* CallResult() override;

  // SysFuncHost.
  bool FileExists(const std::string& name_cp932) override;
  std::optional<std::vector<uint8_t>> LoadFile(const std::string& name_cp932) override;
  bool OpenUrl(const std::string& url_cp932) override;
  bool CallObjectFunction(int id, TParamCollectionItem& dest, Operands& operands) override;

 private:
  struct Entry {
    SystemProvider* provider;
    Rank rank;
  };
  using Chain = std::vector<Entry>;
  static void Insert(Chain& chain, SystemProvider* provider, Rank rank);
  SystemProvider* First(int id);

  std::array<Chain, kSystemVariableCount> variables_{};
  std::array<Chain, lang::kSystemFunctionCount> functions_{};
  SysFuncHost* file_host_ = nullptr;
};

// The providers of one subsystem, registered with a router for as long as
// the set lives (the subsystem's owner keeps it beside the subsystem).
class ProviderSet {
 public:
  ProviderSet() = default;
  ProviderSet(const ProviderSet&) = delete;
  ProviderSet& operator=(const ProviderSet&) = delete;
  ~ProviderSet() {
    for (const auto& p : providers_) router_->Remove(p.get());
  }
  // Registers the provider (through its RegisterWith) and keeps it.
  template <class Provider>
  Provider& Add(SystemRouter& router, std::unique_ptr<Provider> provider) {
    router_ = &router;
    provider->RegisterWith(router);
    Provider& added = *provider;
    providers_.push_back(std::move(provider));
    return added;
  }

 private:
  SystemRouter* router_ = nullptr;  // one router per set
  std::vector<std::unique_ptr<SystemProvider>> providers_;
};

}  // namespace vesk::expr
