#include "storage/hash.h"

#include <algorithm>

namespace vesk::storage {
namespace {

uint8_t Lower(uint8_t c) { return (c >= 'A' && c <= 'Z') ? static_cast<uint8_t>(c + 32) : c; }

}  // namespace

int THashCollection::ChainOf(const std::string& name) {
  const size_t len = name.size();
  uint32_t b = 0;
  if (len >= 2)
    b = Lower(static_cast<uint8_t>(name[0])) + Lower(static_cast<uint8_t>(name[len - 2]));
  return static_cast<int>((static_cast<uint32_t>(len) * 16 + b) % 256);
}

bool THashCollection::SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return Lower(static_cast<uint8_t>(x)) == Lower(static_cast<uint8_t>(y));
         });
}

void THashCollectionItem::SetName(const std::string& name) {
  if (owner_) owner_->Unlink(this);
  name_ = name;
  if (owner_) owner_->Link(this);
}

void THashCollection::Link(THashCollectionItem* item) {
  THashCollectionItem*& head = chains_[ChainOf(item->name_)];
  item->next_in_chain_ = head;
  head = item;
}

void THashCollection::Unlink(THashCollectionItem* item) {
  THashCollectionItem** p = &chains_[ChainOf(item->name_)];
  while (*p && *p != item) p = &(*p)->next_in_chain_;
  if (*p) *p = item->next_in_chain_;
  item->next_in_chain_ = nullptr;
}

THashCollectionItem* THashCollection::Add(std::unique_ptr<THashCollectionItem> item) {
  item->owner_ = this;
  item->index_ = Count();
  Link(item.get());
  items_.push_back(std::move(item));
  return items_.back().get();
}

void THashCollection::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  Unlink(items_[static_cast<size_t>(index)].get());
  items_.erase(items_.begin() + index);
  for (size_t i = static_cast<size_t>(index); i < items_.size(); ++i) items_[i]->index_ = static_cast<int>(i);
}

void THashCollection::Clear() {
  items_.clear();
  std::fill(std::begin(chains_), std::end(chains_), nullptr);
}

THashCollectionItem* THashCollection::Find(const std::string& name) const {
  for (THashCollectionItem* it = chains_[ChainOf(name)]; it; it = it->next_in_chain_)
    if (SameName(it->name_, name)) return it;
  return nullptr;
}

int THashCollection::IndexOf(const std::string& name) const {
  const THashCollectionItem* found = Find(name);
  return found ? IndexOfItem(found) : -1;
}


}  // namespace vesk::storage
