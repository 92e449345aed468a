#pragma once
// The mask effects: blinds, curtains, growing grid squares, the random
// dissolve, the rule-picture transition and the clock hand. Each builds its
// mask from one integer progress value and leaves composing to TWipeMask.
#include <cstdint>
#include <vector>

#include "transitions/wipe_mask.h"

namespace vesk::transitions {

// Stripes P0 pixels wide opening across, each column P1 steps after its
// neighbour; one mask row serves the whole height.
class TWipeBlindH : public TWipeMask {
 public:
  using TWipeMask::TWipeMask;

 protected:
  bool UpdateMask() override;
  int MaskHeight() override { return 1; }
};

// Stripes P0 pixels high opening downwards; the mask is one stripe.
class TWipeBlindV : public TWipeMask {
 public:
  using TWipeMask::TWipeMask;

 protected:
  bool UpdateMask() override;
  // One stripe, never taller than the picture (rows past it are never
  // shown, so a huge P0 costs no memory).
  int MaskHeight() override;
};

// Lines (columns here, rows in TWipeOrderVMask) that turn one after another
// in an order the subclass gives: line i starts at 16 * Order(i) and takes
// P1 steps.
class TWipeOrderHMask : public TWipeMask {
 public:
  using TWipeMask::TWipeMask;
  // Both parameters are stored as at least 1.
  void SetParam(int index, int32_t value) override;

 protected:
  bool UpdateMask() override;
  int MaskHeight() override { return 1; }
  // The number of lines and where line i of them is set.
  virtual int LineCount() { return dest().Width(); }
  virtual void SetLine(int index, uint8_t value) { MaskRow(0)[index] = value; }
  virtual int64_t Order(int64_t index) const = 0;
  virtual int64_t MaxOrder(int64_t line_count) const = 0;
};

class TWipeCurtainH : public TWipeOrderHMask {
 public:
  using TWipeOrderHMask::TWipeOrderHMask;

 protected:
  // A staircase: P0 lines per step, each line within a step one later.
  int64_t Order(int64_t index) const override;
  int64_t MaxOrder(int64_t line_count) const override;
};

class TWipeOrderVMask : public TWipeOrderHMask {
 public:
  using TWipeOrderHMask::TWipeOrderHMask;

 protected:
  int MaskHeight() override { return dest().Height(); }
  int LineCount() override { return dest().Height(); }
  void SetLine(int index, uint8_t value) override;
};

class TWipeCurtainV : public TWipeOrderVMask {
 public:
  using TWipeOrderVMask::TWipeOrderVMask;

 protected:
  int64_t Order(int64_t index) const override;
  int64_t MaxOrder(int64_t line_count) const override;
};

// Cells of P0 x P0 pixels, each growing a centred square over P1 steps,
// starting along the diagonal (distance from the first corner).
class TWipeGrid : public TWipeMask {
 public:
  using TWipeMask::TWipeMask;
  void Prepare() override;

 protected:
  bool UpdateMask() override;
  // The step a cell starts at and the span of all starts (columns x rows).
  virtual int64_t CellStart(int64_t row, int64_t column) const;
  virtual int64_t StartSpan(int64_t rows, int64_t columns) const;

 private:
  void FillSquare(int64_t row, int64_t column, int64_t side, uint8_t value);

  // What the mask was last built for. A square's side and value only grow
  // with b, and each square covers its smaller self, so a later b of the
  // same layout draws over the mask without clearing it first.
  struct Built {
    int64_t b = -1;
    int32_t p0 = 0, p1 = 0;
    int width = 0, height = 0;
    bool reverse = false;
  };
  Built built_;
};

// Column by column; every row of cells is the same, so the mask is one.
class TWipeGridH : public TWipeGrid {
 public:
  using TWipeGrid::TWipeGrid;

 protected:
  int MaskHeight() override;
  int64_t CellStart(int64_t row, int64_t column) const override;
  int64_t StartSpan(int64_t rows, int64_t columns) const override;
};

// Row by row.
class TWipeGridV : public TWipeGrid {
 public:
  using TWipeGrid::TWipeGrid;

 protected:
  int64_t CellStart(int64_t row, int64_t column) const override;
  int64_t StartSpan(int64_t rows, int64_t columns) const override;
};

// A fixed random order of the 4096 cells of a 64 x 64 block, repeated over
// the picture; at time t the first 4096 * t div T cells show the new one.
class TWipeDither : public TWipeMask {
 public:
  using TWipeMask::TWipeMask;
  void Prepare() override;

  static constexpr int kBlockSide = 64;
  static constexpr uint32_t kSeed = 12341;

 protected:
  bool UpdateMask() override;
  int MaskHeight() override { return kBlockSide; }

 private:
  std::vector<int> order_;
  std::vector<uint8_t> block_;
};

// The rule picture decides when each pixel changes: bright ones first, each
// over half of the time. Without a rule picture everything changes at once.
class TWipeShadow : public TWipeMask {
 public:
  using TWipeMask::TWipeMask;
  void Prepare() override;

 protected:
  bool UpdateMask() override;
  // UpdateMask makes the runs from the rule's level ranges.
  void BuildSegments() override;

 private:
  RuleLevels levels_;
};

// A hand sweeping round from 12 o'clock (clockwise; reverse:
// counter-clockwise) uncovers the new picture.
class TWipeClockhand : public TWipeMask {
 public:
  using TWipeMask::TWipeMask;

 protected:
  bool UpdateMask() override;

 private:
  void FillTriangle(const double (&xs)[3], const double (&ys)[3]);
};

}  // namespace vesk::transitions
