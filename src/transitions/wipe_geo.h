#pragma once
// The geometric effects (types 15-18 and 22-30): pictures that pixelate,
// smear, shine, shrink, ripple, blur, turn over like cards, break apart or
// zoom. Each redraws the whole destination per step unless said otherwise;
// CreateWipe makes them through MakeGeometricWipe.
#include <cstdint>
#include <functional>
#include <vector>

#include "transitions/wipe.h"

namespace vesk::transitions {

// Pixelate the old picture, cross-fade while pixelated, de-pixelate the new.
class TWipeMosaic : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;
  void Prepare() override;
  bool Step() override;

 private:
  graphics::TDIBX scratch_;
};

// A roll-up blind: one column (row) of the picture smeared over the part
// already rolled, first over the old picture, then back over the new one.
class TWipeSudareH : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;
  bool Step() override;
};

class TWipeSudareV : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;
  bool Step() override;
};

// A bright ring running out of the centre (reversed: into it); behind the
// ring the new picture shows.
class TWipeSpot : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;
  void SetReverse(bool reverse) override;
  void Prepare() override;
  bool Step() override;

 private:
  void BuildDistances();

  // Rounded distance of every pixel from the centre (reversed: from the
  // corner distance down), row by row.
  std::vector<uint16_t> distance_;
  std::vector<uint16_t> row_min_, row_max_;
  int64_t span_ = 0;
  bool built_ = false;
};

// The old picture shrinks (and turns by P0 / 256 of a turn) into the centre.
class TWipeSmall : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;
  bool Step() override;
};

// The new picture grows (and turns) out of the centre.
class TWipeBig : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;
  bool Step() override;
};

// A pixel's distance from the centre and the direction's cosine and sine in
// 16.16.
struct RipplePolar {
  int32_t distance = 0;
  int32_t cos16 = 0, sin16 = 0;
};

// A ring wave running out of the centre carrying the new picture; P0 is the
// wave's amplitude in pixels.
class TWipeRipple : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;
  void SetParam(int index, int32_t value) override;
  void Prepare() override;
  bool Step() override;

 private:
  void BuildQuadrant();
  void BuildWave();

  // Per pixel of the top-left quadrant (with the middle row and column of
  // odd sizes).
  std::vector<RipplePolar> quadrant_;
  int quadrant_width_ = 0, quadrant_height_ = 0;
  std::vector<int32_t> wave_;
  int32_t wave_length_ = 0;
  bool built_ = false;
};

// Box blur of radius `radius_px` on 8-bit channel values: each channel is
// the integer mean over the (2r+1) x (2r+1) window, counting only pixels
// inside the picture. Running sums make the cost independent of the radius.
// `out` takes the source's size and bit count.
void BoxBlur(const graphics::TCustomDIBX& source, graphics::TDIBX& out, int radius_px);

// Blur the old picture, go through white, unblur the new one.
class TWipeBlurWhite : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;
  void Prepare() override;
  bool Step() override;

 protected:
  // Through black instead of white.
  virtual bool Darkens() const { return false; }

 private:
  void BuildBlurred();

  graphics::TDIBX blurred_from_, blurred_to_;
  bool built_ = false;
};

class TWipeBlurBlack : public TWipeBlurWhite {
 public:
  using TWipeBlurWhite::TWipeBlurWhite;

 protected:
  bool Darkens() const override { return true; }
};

// Rows (TwistV: columns) turn over like cards from the top (left) edge, the
// old picture on the front and the new one on the back. Rows that have not
// started yet are left as the destination holds them.
class TWipeTwistH : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;
  bool Step() override;
};

class TWipeTwistV : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;
  bool Step() override;
};

// The old picture breaks into P0 x P0 tiles (at least 16) that jump and
// fall off in random order, one every P1 time units.
class TWipeCrack : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;
  void SetParam(int index, int32_t value) override;
  void Prepare() override;
  bool Step() override;

  static constexpr int32_t kMinTilePx = 16;

 private:
  struct Tile {
    int32_t column, row;
    int32_t speed;  // horizontal, pixels per 100 time units
  };
  void BuildTiles();

  std::vector<Tile> tiles_;
  int64_t fall_time_ = 1;
  bool built_ = false;
};

// Zoom into the point (P0, P1) of the old picture, then out of it on the
// new one.
class TWipeZoomin : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;
  bool Step() override;
};

}  // namespace vesk::transitions
