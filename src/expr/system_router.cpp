#include "expr/system_router.h"

#include <algorithm>

namespace vesk::expr {
namespace {

template <class Chains>
auto* ChainAt(Chains& chains, int id) {
  return id >= 0 && static_cast<size_t>(id) < chains.size() ? &chains[static_cast<size_t>(id)]
                                                            : nullptr;
}

}  // namespace

void SystemRouter::Insert(Chain& chain, SystemProvider* provider, Rank rank) {
  // After every entry of the same or a stronger rank.
  auto at =
      std::find_if(chain.begin(), chain.end(), [rank](const Entry& e) { return e.rank > rank; });
  chain.insert(at, Entry{provider, rank});
}

void SystemRouter::AddVariables(std::initializer_list<int> ids, SystemProvider* provider,
                                Rank rank) {
  for (int id : ids)
    if (Chain* chain = ChainAt(variables_, id)) Insert(*chain, provider, rank);
}

void SystemRouter::AddFunctions(std::initializer_list<int> ids, SystemProvider* provider) {
  for (int id : ids)
    if (Chain* chain = ChainAt(functions_, id)) Insert(*chain, provider, Rank::kOwner);
}

void SystemRouter::Remove(const SystemProvider* provider) {
  const auto drop = [provider](Chain& chain) {
    std::erase_if(chain, [provider](const Entry& e) { return e.provider == provider; });
  };
  std::for_each(variables_.begin(), variables_.end(), drop);
  std::for_each(functions_.begin(), functions_.end(), drop);
}

SystemProvider* SystemRouter::First(int id) {
  Chain* chain = ChainAt(variables_, id);
  return chain && !chain->empty() ? chain->front().provider : nullptr;
}

bool SystemRouter::Get(int id, int32_t index, SysValue* out) {
  if (Chain* chain = ChainAt(variables_, id))
    for (const Entry& e : *chain)
      if (e.provider->Get(id, index, out)) return true;
  return false;
}

void SystemRouter::Set(int id, const SysValue& v) {
  if (SystemProvider* p = First(id)) p->Set(id, v);
}

int32_t SystemRouter::ElementCount(int id) {
  SystemProvider* p = First(id);
  return p ? p->ElementCount(id) : 0;
}

TCustomParam* SystemRouter::CallResult() {
  SystemProvider* p = First(lang::SV_Result);
  return p ? p->CallResult() : nullptr;
}

bool SystemRouter::FileExists(const std::string& name_cp932) {
  return file_host_ && file_host_->FileExists(name_cp932);
}

std::optional<std::vector<uint8_t>> SystemRouter::LoadFile(const std::string& name_cp932) {
  return file_host_ ? file_host_->LoadFile(name_cp932) : std::nullopt;
}

bool SystemRouter::OpenUrl(const std::string& url_cp932) {
  return file_host_ && file_host_->OpenUrl(url_cp932);
}

bool SystemRouter::CallObjectFunction(int id, TParamCollectionItem& dest, Operands& operands) {
  if (Chain* chain = ChainAt(functions_, id))
    for (const Entry& e : *chain)
      if (e.provider->CallFunction(id, dest, operands)) return true;
  return false;
}

}  // namespace vesk::expr
