#pragma once
#include <optional>
// Helpers shared by the drawing operations. Internal to the graphics library.
#include <vector>

#include "graphics/dibsfc_kernels.h"

namespace vesk::graphics::detail {

// A source view that stays valid while the destination is written: when
// both share memory (a surface drawn onto itself) the source rows are
// copied first.
class StableView {
 public:
  StableView(const ConstPixelView& src, const PixelView& dst);
  const ConstPixelView& view() const { return view_; }

 private:
  std::vector<uint8_t> copy_;
  ConstPixelView view_;
};

// The mask of a mask operation when it is usable: 8 bits with pixels.
inline bool UsableMask(const ConstPixelView& mask) {
  return !mask.empty() && mask.bit_count == 8;
}

// What a drawing call reads: the source rows and, for the mask operations,
// the mask rows (each a snapshot when it is the destination itself), and
// the part of the source that both cover. `ok` is false when there is
// nothing to read (an empty source, or a mask that is not 8 bits).
struct SourceViews {
  SourceViews(const TCustomDIBX& source, const TCustomDIBX* mask, const PixelView& dst);
  StableView src;
  std::optional<StableView> mask_view;
  Rect limit{};
  bool ok = false;
};

// Runs a rule over a planned copy; `mask` is read by the mask rules only.
// The key, when rp.use_key, is the source's colour key in its own format.
void BlitRows(const PixelView& dst, const ConstPixelView& src, const ConstPixelView* mask,
              const CopyPlan& plan, RuleParams rp, int32_t src_key);

// Sets a surface's clip rectangle for the length of a tiling call and puts
// the old one back, also when drawing throws.
class ClipScope {
 public:
  ClipScope(TCustomDIBX& s, const Rect& area)
      : surface_(s), saved_(s.HasClipRect() ? s.ClipRect() : Rect{}) {
    surface_.SetClipRect(area);
  }
  ~ClipScope() { surface_.SetClipRect(saved_); }
  ClipScope(const ClipScope&) = delete;
  ClipScope& operator=(const ClipScope&) = delete;

 private:
  TCustomDIBX& surface_;
  Rect saved_;
};

// Rule of the alpha-and-copy family for stretching and tiling: alpha 255
// copies.
inline RuleParams AlphaOrCopy(int alpha, KeyMode key) {
  RuleParams rp;
  rp.rule = alpha >= 255 ? Rule::kCopy : Rule::kAlpha;
  rp.amount = uint32_t(std::min(alpha, 255));
  rp.use_key = key == KeyMode::kUse;
  return rp;
}

}  // namespace vesk::graphics::detail
