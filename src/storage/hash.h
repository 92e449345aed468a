#pragma once
// THashCollection: items in creation order plus hash chains for lookup by
// name without regard to ASCII case. Shared by the archive index and the
// variable table. New or renamed items go to the head of their chain, so
// with duplicate names the one added last is found.
//
// The chains are keyed by a hash of the whole folded name and grow with the
// collection. A fixed 256-chain table keyed by length and two bytes puts
// names like "voice0001.ogg" ... "voice9999.ogg" into a handful of
// chains, and a lookup in a 20,000-entry archive then walks thousands of
// items; which chain an item sits in is never visible outside.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vesk::storage {

class THashCollection;

class THashCollectionItem {
 public:
  virtual ~THashCollectionItem() = default;
  const std::string& Name() const { return name_; }
  // Renames and moves the item to the head of its new chain.
  void SetName(const std::string& name);

 private:
  friend class THashCollection;
  std::string name_;
  THashCollection* owner_ = nullptr;
  THashCollectionItem* next_in_chain_ = nullptr;
  int index_ = -1;  // position in the owner, kept current so lookups stay O(chain)
};

class THashCollection {
 public:
  static uint32_t HashOf(const std::string& name);
  // ASCII case folding only: Shift-JIS trail bytes are never touched.
  static bool SameName(const std::string& a, const std::string& b);

  THashCollection() = default;
  virtual ~THashCollection() = default;
  THashCollection(const THashCollection&) = delete;
  THashCollection& operator=(const THashCollection&) = delete;

  // Appends (taking ownership) and files it under its current name.
  THashCollectionItem* Add(std::unique_ptr<THashCollectionItem> item);
  void Delete(int index);
  // Sizes the chain table for n items up front (an index of known size).
  void Reserve(int n);
  void Clear();
  // Position of the first item in the name's chain with that name, else -1.
  int IndexOf(const std::string& name) const;
  THashCollectionItem* Find(const std::string& name) const;
  int Count() const { return static_cast<int>(items_.size()); }
  // Visits the items called `name` in chain order, newest first, while f
  // returns true.
  template <typename F>
  void ForEachNamed(const std::string& name, F&& f) const {
    for (THashCollectionItem* it = chains_[HashOf(name) & (chains_.size() - 1)]; it;
         it = it->next_in_chain_)
      if (SameName(it->name_, name) && !f(it)) return;
  }
  THashCollectionItem* At(int index) const { return items_.at(static_cast<size_t>(index)).get(); }
  int IndexOfItem(const THashCollectionItem* item) const { return item ? item->index_ : -1; }
  // Changes whenever what a name finds may have changed (items added,
  // deleted or renamed), so callers can keep what they looked up until then.
  uint64_t generation() const { return generation_; }

 protected:
  // For entries that no kept lookup can name (the evaluator's own
  // temporaries): their coming and going leaves the generation alone.
  void RestoreGeneration(uint64_t generation) { generation_ = generation; }

 private:
  friend class THashCollectionItem;
  void Link(THashCollectionItem* item);
  void Unlink(THashCollectionItem* item);
  THashCollectionItem*& ChainHead(const std::string& name) {
    return chains_[HashOf(name) & (chains_.size() - 1)];
  }
  void Grow();

  std::vector<std::unique_ptr<THashCollectionItem>> items_;
  std::vector<THashCollectionItem*> chains_ = std::vector<THashCollectionItem*>(256, nullptr);
  static uint64_t NextGeneration();
  uint64_t generation_ = NextGeneration();
};

}  // namespace vesk::storage
