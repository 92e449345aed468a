// Tiling with the 1:1 copies: the first tile starts inside the source at the
// offset and covers the rest of that row and column; the following tiles are
// whole, gap pixels apart.
#include <climits>

#include "graphics/dibsfc.h"
#include "graphics/dibsfc_draw.h"

namespace vesk::graphics {

using namespace detail;

namespace {

// Tile positions along one axis: the first (partial) tile and then whole
// tiles `pitch` apart. A gap that would stall the walk still advances one
// pixel per tile.
struct TileAxis {
  int64_t first_pos, first_len, first_src;  // partial tile
  int64_t pitch;                            // between whole tiles
  int64_t lo, len;                          // src_rect span
};

TileAxis MakeAxis(int dest_lo, int src_lo, int64_t src_len, int offset, int gap) {
  const int64_t o = FloorMod(offset, src_len);
  return TileAxis{dest_lo, src_len - o, src_lo + o, std::max<int64_t>(1, int64_t(src_len) + gap),
                  src_lo,  src_len};
}

// Calls visit(pos, src_start, src_end) for every tile meeting [lo, hi),
// with what lies before lo cut off so that every value fits 32 bits.
template <class Visit>
void WalkAxis(const TileAxis& a, int lo, int hi, Visit visit) {
  auto tile = [&](int64_t pos, int64_t s0, int64_t s1) {
    if (pos < lo) s0 += lo - pos, pos = lo;
    visit(pos, s0, std::min<int64_t>(s1, std::min<int64_t>(s0 + (hi - pos), INT32_MAX)));
  };
  if (a.first_pos + a.first_len > lo && a.first_pos < hi) {
    tile(a.first_pos, a.first_src, a.first_src + a.first_len);
  }
  int64_t pos = a.first_pos + std::max<int64_t>(1, a.first_len + (a.pitch - a.len));
  // Whole tiles that end before lo are skipped arithmetically.
  if (pos + a.len <= lo) pos += (lo - (pos + a.len)) / a.pitch * a.pitch;
  for (; pos < hi; pos += a.pitch) {
    if (pos + a.len > lo) tile(pos, a.lo, a.lo + a.len);
  }
}

template <class DrawTile>
void TileWith(TCustomDIBX& dest, const Rect& dest_rect, int gap_x, int gap_y, const Rect& src_rect,
              int offset_x, int offset_y, DrawTile draw) {
  if (src_rect.IsEmpty()) return;
  // Inside the surface, so that the temporary clip never has right = 0.
  const Rect area = dest_rect.Intersect(dest.ClipRect().Intersect(dest.BoundsRect()));
  if (area.IsEmpty()) return;
  const TileAxis ax = MakeAxis(dest_rect.left, src_rect.left, src_rect.Width(), offset_x, gap_x);
  const TileAxis ay = MakeAxis(dest_rect.top, src_rect.top, src_rect.Height(), offset_y, gap_y);
  ClipScope clip(dest, area);
  WalkAxis(ay, area.top, area.bottom, [&](int64_t y, int64_t sy0, int64_t sy1) {
    WalkAxis(ax, area.left, area.right, [&](int64_t x, int64_t sx0, int64_t sx1) {
      draw(int(x), int(y), Rect{int32_t(sx0), int32_t(sy0), int32_t(sx1), int32_t(sy1)});
    });
  });
}

}  // namespace

void TCustomDIBX::Tile(const Rect& dest_rect, int gap_x, int gap_y, const TCustomDIBX& source,
                       const Rect& src_rect, KeyMode key, int offset_x, int offset_y) {
  TileWith(*this, dest_rect, gap_x, gap_y, src_rect, offset_x, offset_y,
           [&](int x, int y, const Rect& r) { Draw(x, y, source, r, key, Flip::kNone); });
}

void TCustomDIBX::TileAlpha(const Rect& dest_rect, int gap_x, int gap_y, const TCustomDIBX& source,
                            const Rect& src_rect, KeyMode key, int alpha, int offset_x,
                            int offset_y) {
  if (alpha <= 0) return;
  TileWith(
      *this, dest_rect, gap_x, gap_y, src_rect, offset_x, offset_y,
      [&](int x, int y, const Rect& r) { DrawAlpha(x, y, source, r, key, Flip::kNone, alpha); });
}

void TCustomDIBX::TileAdd(const Rect& dest_rect, int gap_x, int gap_y, const TCustomDIBX& source,
                          const Rect& src_rect, KeyMode key, int level, int offset_x,
                          int offset_y) {
  if (level <= 0) return;
  TileWith(*this, dest_rect, gap_x, gap_y, src_rect, offset_x, offset_y,
           [&](int x, int y, const Rect& r) { DrawAdd(x, y, source, r, key, Flip::kNone, level); });
}

void TCustomDIBX::TileMask(const Rect& dest_rect, int gap_x, int gap_y, const TCustomDIBX& source,
                           const Rect& src_rect, const TCustomDIBX& mask, int offset_x,
                           int offset_y) {
  TileWith(*this, dest_rect, gap_x, gap_y, src_rect, offset_x, offset_y,
           [&](int x, int y, const Rect& r) { DrawMask(x, y, source, r, Flip::kNone, mask); });
}

void TCustomDIBX::TileMaskAlpha(const Rect& dest_rect, int gap_x, int gap_y,
                                const TCustomDIBX& source, const Rect& src_rect,
                                const TCustomDIBX& mask, int alpha, int offset_x, int offset_y) {
  if (alpha <= 0) return;
  TileWith(*this, dest_rect, gap_x, gap_y, src_rect, offset_x, offset_y,
           [&](int x, int y, const Rect& r) {
             DrawMaskAlpha(x, y, source, r, Flip::kNone, mask, alpha);
           });
}

void TCustomDIBX::TileMaskAdd(const Rect& dest_rect, int gap_x, int gap_y,
                              const TCustomDIBX& source, const Rect& src_rect,
                              const TCustomDIBX& mask, int level, int offset_x, int offset_y) {
  if (level <= 0) return;
  TileWith(
      *this, dest_rect, gap_x, gap_y, src_rect, offset_x, offset_y,
      [&](int x, int y, const Rect& r) { DrawMaskAdd(x, y, source, r, Flip::kNone, mask, level); });
}

}  // namespace vesk::graphics
