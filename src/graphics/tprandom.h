#pragma once
// The permutation generator shared by archives, layered images and
// transitions: a state s stepped as s := s * 5 + k (mod 2^32), and a list of
// the indices not drawn yet. Seed 0 draws 0, 1, 2, ... in order, so
// unscrambled data needs no special case.
#include <cstdint>
#include <vector>

namespace vesk::graphics {

class TTpRandom {
 public:
  explicit TTpRandom(uint32_t seed = 0) : increment_(seed) {}

  // s := s * 5 + k; returns the new s.
  uint32_t Step() {
    state_ = state_ * 5u + increment_;
    return state_;
  }
  // The remaining indices become 0 .. n-1 (none for n <= 0).
  void Reset(int n);
  // Removes and returns the remaining index at position Step() mod (number
  // remaining). Throws EGraphicsError when none is left.
  int Next();
  int Remaining() const { return remaining_; }

  // The whole permutation of 0 .. n-1 that n calls of Next after Reset(n)
  // give, from a fresh generator.
  static std::vector<int> Permutation(uint32_t seed, int n);

 private:
  uint32_t state_ = 0;
  uint32_t increment_;
  // The remaining indices stay in ascending order, so "the one at position
  // i" is the (i+1)-th smallest still present: a Fenwick tree over presence
  // finds it in O(log n) where removing from a list would cost O(n), which
  // matters for tall images and fine block grids.
  std::vector<int> tree_;
  int size_ = 0;
  int remaining_ = 0;
  int top_bit_ = 0;
};

}  // namespace vesk::graphics
