#pragma once
// The mask family: each effect keeps an 8-bit mask of the destination's
// width (0 shows the old picture, 255 the new one, values between blend) and
// rebuilds it only when its progress value changes. Masks whose rows repeat
// (blinds, dither, rows of grid cells) are stored once in a short mask that
// the composition repeats downwards.
#include <cstdint>
#include <utility>
#include <vector>

#include "graphics/dibsfc.h"
#include "transitions/wipe.h"
#include "transitions/wipe_support.h"

namespace vesk::transitions {

class TWipeMask : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;

  // P0 is stored as at least 2, P1 as at least 1.
  void SetParam(int index, int32_t value) override;
  // Sizes the mask (width x MaskHeight) and clears it to 0.
  void Prepare() override;
  // Rebuilds the mask for Elapsed and recomposes the destination when it
  // changed; the changed rectangle is empty when it did not.
  bool Step() override;

  const graphics::TDIBX& Mask() const { return mask_; }
  // The mask holds only 0 and 255: pixels are chosen, not blended.
  bool TwoLevel() const { return two_level_; }

 protected:
  // Rebuilds the mask for the current Elapsed; true when it changed.
  virtual bool UpdateMask() = 0;
  virtual int MaskHeight() { return dest().Height(); }

  // True (and remembered) when `progress` differs from the value the mask
  // was last built for.
  bool NewProgress(int64_t progress);
  graphics::TDIBX& mask() { return mask_; }
  uint8_t* MaskRow(int y) { return mask_.View().Row(y); }
  int MaskWidth() const { return mask_.Width(); }
  int MaskRows() const { return mask_.Height(); }
  void SetTwoLevel(bool two_level) { two_level_ = two_level; }

  // Splits every mask row into runs of columns to copy from one picture
  // and runs to compose pixel by pixel. The default reads the mask.
  virtual void BuildSegments();
  // Filled by BuildSegments: the runs of mask row y are
  // [row_segments_[y].first, row_segments_[y].second) of segments_.
  std::vector<ColumnRun> segments_;
  std::vector<std::pair<size_t, size_t>> row_segments_;

 private:
  void EnsureMask();
  void AppendChunkRuns(const uint8_t* mask_row, int width_px);
  void Compose();

  graphics::TDIBX mask_{0, 0, 8};
  PictureRows rows_;
  int64_t last_progress_ = -1;
  bool two_level_ = false;
};

// ramp(b, s): 0 before the start s, then rising by 255 over `length` steps.
uint8_t Ramp(int64_t b, int64_t start, int64_t length);

}  // namespace vesk::transitions
