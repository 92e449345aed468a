#include "storage/hash.h"

#include <algorithm>
#include <atomic>

#include "core/sjis.h"

namespace vesk::storage {

uint32_t THashCollection::HashOf(const std::string& name) {
  uint32_t h = 2166136261u;  // FNV-1a over the case-folded bytes
  for (char c : name) h = (h ^ static_cast<uint8_t>(LowerAsciiByte(c))) * 16777619u;
  return h;
}

bool THashCollection::SameName(const std::string& a, const std::string& b) {
  return EqualsIgnoreAsciiCase(a, b);
}

// Generations are unique in the process, so a lookup kept for one
// collection can never be mistaken as current for another that happens to
// take its place in memory.
uint64_t THashCollection::NextGeneration() {
  static std::atomic<uint64_t> next{1};
  return next.fetch_add(1, std::memory_order_relaxed);
}

void THashCollectionItem::SetName(const std::string& name) {
  if (owner_) owner_->Unlink(this);
  name_ = name;
  if (owner_) {
    owner_->Link(this);
    owner_->generation_ = THashCollection::NextGeneration();
  }
}

void THashCollection::Link(THashCollectionItem* item) {
  THashCollectionItem*& head = ChainHead(item->name_);
  item->next_in_chain_ = head;
  head = item;
}

void THashCollection::Unlink(THashCollectionItem* item) {
  THashCollectionItem** p = &ChainHead(item->name_);
  while (*p && *p != item) p = &(*p)->next_in_chain_;
  if (*p) *p = item->next_in_chain_;
  item->next_in_chain_ = nullptr;
}

THashCollectionItem* THashCollection::Add(std::unique_ptr<THashCollectionItem> item) {
  item->owner_ = this;
  item->index_ = Count();
  generation_ = NextGeneration();
  Link(item.get());
  items_.push_back(std::move(item));
  if (items_.size() > chains_.size()) Grow();
  return items_.back().get();
}

void THashCollection::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  generation_ = NextGeneration();
  Unlink(items_[static_cast<size_t>(index)].get());
  items_.erase(items_.begin() + index);
  for (size_t i = static_cast<size_t>(index); i < items_.size(); ++i)
    items_[i]->index_ = static_cast<int>(i);
}

void THashCollection::Clear() {
  generation_ = NextGeneration();
  items_.clear();
  chains_.assign(256, nullptr);
}

void THashCollection::Reserve(int n) {
  size_t size = chains_.size();
  while (size < static_cast<size_t>(std::max(n, 0))) size *= 4;
  if (size == chains_.size()) return;
  chains_.resize(size / 4);
  Grow();
}

void THashCollection::Grow() {
  std::vector<THashCollectionItem*> old = std::move(chains_);
  chains_.assign(old.size() * 4, nullptr);
  // Items of one name share a chain; relinking each old chain from its tail
  // keeps the newest of them in front.
  std::vector<THashCollectionItem*> chain;
  for (THashCollectionItem* head : old) {
    chain.clear();
    for (THashCollectionItem* it = head; it; it = it->next_in_chain_) chain.push_back(it);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) Link(*it);
  }
}

THashCollectionItem* THashCollection::Find(const std::string& name) const {
  for (THashCollectionItem* it = chains_[HashOf(name) & (chains_.size() - 1)]; it;
       it = it->next_in_chain_)
    if (SameName(it->name_, name)) return it;
  return nullptr;
}

int THashCollection::IndexOf(const std::string& name) const {
  const THashCollectionItem* found = Find(name);
  return found ? IndexOfItem(found) : -1;
}

}  // namespace vesk::storage
