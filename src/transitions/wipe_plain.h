#pragma once
// The whole-picture effects: cross-fade, the two scrolls, through white,
// through black, the flash and the rule-picture transitions through white
// and black. Each redraws the whole destination every step.
#include <cstdint>
#include <vector>

#include "transitions/wipe.h"
#include "transitions/wipe_kernels.h"
#include "transitions/wipe_support.h"

namespace vesk::transitions {

// The new picture fades in over the old one, sliding from (P0, P1) to its
// place.
class TWipeFade : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;
  bool Step() override;

 private:
  void BlendRows(int32_t ox, int32_t oy, uint32_t alpha);
  PictureRows rows_;
};

// The new picture pushes the old one out to the left (reverse: right).
class TWipeScrollH : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;
  bool Step() override;
};

// The same upwards (reverse: downwards).
class TWipeScrollV : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;
  bool Step() override;
};

// Shared by the effects that add or subtract one grey over a whole picture.
class TWipeGreyBase : public TCustomWipe {
 public:
  TWipeGreyBase(graphics::TCustomDIBX& dest, const graphics::TCustomDIBX& from,
                const graphics::TCustomDIBX& to);

 protected:
  // Destination = picture (from when !use_to) with grey(level) added or
  // subtracted.
  void DrawGrey(bool use_to, int level, GreyOp op);
  // Through white or black: the old picture goes to full grey over the
  // first half, the new one comes back out of it over the second.
  bool StepThrough(GreyOp op);

 private:
  GreyTable greys_;
  PictureRows rows_;
};

// The old picture brightens to white, the new one comes out of it.
class TWipeWhite : public TWipeGreyBase {
 public:
  using TWipeGreyBase::TWipeGreyBase;
  bool Step() override { return StepThrough(GreyOp::kAdd); }
};

// The same through black.
class TWipeBlack : public TWipeGreyBase {
 public:
  using TWipeGreyBase::TWipeGreyBase;
  bool Step() override { return StepThrough(GreyOp::kSub); }
};

// The new picture appears in white and fades to its own colours.
class TWipeFlash : public TWipeGreyBase {
 public:
  using TWipeGreyBase::TWipeGreyBase;
  bool Step() override;
};

// The rule picture's grey levels decide when each pixel goes to white and
// comes back as the new picture.
class TWipeShadowWhite : public TCustomWipe {
 public:
  TWipeShadowWhite(graphics::TCustomDIBX& dest, const graphics::TCustomDIBX& from,
                   const graphics::TCustomDIBX& to);
  void Prepare() override;
  bool Step() override;

 protected:
  virtual GreyOp Op() const { return GreyOp::kAdd; }

 private:
  void DrawRow(int y, int32_t u);

  GreyTable greys_;
  bool formula_greys_;
  PictureRows rows_;
  RuleLevels levels_;
  std::vector<ColumnRun> runs_;
};

// The same through black.
class TWipeShadowBlack : public TWipeShadowWhite {
 public:
  using TWipeShadowWhite::TWipeShadowWhite;

 protected:
  GreyOp Op() const override { return GreyOp::kSub; }
};

}  // namespace vesk::transitions
