#pragma once
// What the effects share: the time arithmetic, the grey table, raw rows of
// the three pictures in one format, and the rule pictures.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "graphics/dibsfc.h"
#include "transitions/wipe.h"

namespace vesk::transitions {

// The duration an effect works with: at least 1.
inline int32_t EffectiveDuration(const TCustomWipe& w) {
  return w.Duration < 1 ? 1 : w.Duration;
}
// Elapsed >= duration: the effect is over and draws nothing.
inline bool WipeFinished(const TCustomWipe& w) {
  return w.Elapsed >= EffectiveDuration(w);
}
// Elapsed held in 0 .. duration.
int32_t ClampedElapsed(const TCustomWipe& w);
// n * elapsed div duration, exact for any n in 0 .. 2^62 (no overflow of
// the product).
int64_t ScaleElapsed(const TCustomWipe& w, int64_t n);
// elapsed / duration as a real in 0 .. 1.
double ElapsedRatio(const TCustomWipe& w);

// grey(v): the native value of the grey (v, v, v) in a surface's format.
using GreyTable = std::array<uint32_t, 256>;
GreyTable MakeGreyTable(const graphics::TCustomDIBX& dest);

// Copies a picture over the whole destination; parts the picture does not
// cover become 0. Works for any size and format.
void CopyPicture(graphics::TCustomDIBX& dest, const graphics::TCustomDIBX& source);

// Raw rows of the destination and of the two pictures, all in the
// destination's format and at least its size. Pictures of another size or
// format (and destinations without pixels of their own) go through copies
// held here, so the per-pixel loops never read outside a surface.
class PictureRows {
 public:
  // False when the destination has nothing to draw on.
  bool Begin(graphics::TCustomDIBX& dest, const graphics::TCustomDIBX& from,
             const graphics::TCustomDIBX& to);
  // Puts the rows drawn into the destination when they went to a copy.
  void Commit(graphics::TCustomDIBX& dest);

  const graphics::PixelView& Dest() const { return dest_; }
  const graphics::ConstPixelView& From() const { return from_; }
  const graphics::ConstPixelView& To() const { return to_; }

 private:
  graphics::ConstPixelView Conform(const graphics::TCustomDIBX& source, graphics::TDIBX& holder);

  graphics::TDIBX dest_copy_, from_copy_, to_copy_;
  graphics::PixelView dest_{};
  graphics::ConstPixelView from_{}, to_{};
  bool dest_is_copy_ = false;
};

// Which picture a run of columns of a row shows as it is (plain copies), or
// that its pixels need the per-pixel rule.
enum class RunKind : uint8_t { kFrom, kTo, kMixed };
struct ColumnRun {
  int32_t x0, x1;
  RunKind kind;
};

// The grey levels (0..255, row after row) of the named rule picture tiled
// over width x height, each pixel the nearest grey of its colour, inverted
// when asked. All 255 when there is no such picture (or it cannot be read).
std::vector<uint8_t> LoadRuleGreys(const WipeServices* services, const std::string& name,
                                   bool invert, int width_px, int height_px);

// Rule levels with the lowest and highest level of every run of kChunkPx
// columns, so that a step finds the parts of a row that are wholly before
// or past their change without reading each pixel.
class RuleLevels {
 public:
  static constexpr int kChunkPx = 64;

  void Load(const WipeServices* services, const std::string& name, bool invert, int width_px,
            int height_px);
  // All 255 (no rule picture) unless already of this size.
  void EnsureSize(int width_px, int height_px);
  const uint8_t* Row(int y) const { return levels_.data() + size_t(y) * size_t(width_); }

  // Appends the runs of row y: chunks whose every level + offset is at most
  // `from_limit` show the old picture, at least `to_limit` the new one.
  void Runs(int y, int offset, int from_limit, int to_limit, std::vector<ColumnRun>& out) const;

 private:
  void Summarise();

  std::vector<uint8_t> levels_, low_, high_;
  int width_ = 0, height_ = 0, chunks_ = 0;
};

}  // namespace vesk::transitions
