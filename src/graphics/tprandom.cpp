#include "graphics/tprandom.h"

#include <bit>

#include "graphics/dibsfc.h"

namespace vesk::graphics {

void TTpRandom::Reset(int n) {
  size_ = n > 0 ? n : 0;
  remaining_ = size_;
  tree_.assign(size_t(size_) + 1, 0);
  // Every index present: node i covers (i - lowbit(i), i], so it counts
  // lowbit(i) indices.
  for (int i = 1; i <= size_; ++i) tree_[size_t(i)] = i & -i;
  top_bit_ = size_ > 0 ? int(std::bit_floor(unsigned(size_))) : 0;
}

int TTpRandom::Next() {
  if (remaining_ <= 0) throw EGraphicsError("permutation generator: no index left");
  const uint32_t k = Step() % uint32_t(remaining_);  // unsigned, as stored data expects
  // Descend to the largest prefix holding at most k present indices; the
  // next position is the one wanted.
  int pos = 0;
  int rest = int(k);
  for (int step = top_bit_; step > 0; step >>= 1) {
    const int next = pos + step;
    if (next <= size_ && tree_[size_t(next)] <= rest) {
      pos = next;
      rest -= tree_[size_t(next)];
    }
  }
  const int index = pos;  // 0-based: tree position pos + 1
  for (int i = index + 1; i <= size_; i += i & -i) --tree_[size_t(i)];
  --remaining_;
  return index;
}

std::vector<int> TTpRandom::Permutation(uint32_t seed, int n) {
  TTpRandom r(seed);
  r.Reset(n);
  std::vector<int> p(size_t(n > 0 ? n : 0));
  for (int& v : p) v = r.Next();
  return p;
}

}  // namespace vesk::graphics
