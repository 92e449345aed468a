#include "components/tile.h"

#include <algorithm>

#include "components/component_services.h"
#include "lang/vocabulary.h"
#include "scene/baselist.h"

namespace vesk::components {

using namespace vesk::lang;

namespace {

// x mod m in 0 .. m - 1.
int32_t Wrap(int32_t x, int32_t m) {
  const int64_t r = int64_t{x} % m;
  return static_cast<int32_t>(r < 0 ? r + m : r);
}

}  // namespace

TVeskTile::~TVeskTile() = default;

int TVeskTile::GetCompoType() const {
  return LT_TILE;
}

void TVeskTile::SetSource(const std::string& name) {
  if (name == Source) return;
  Source = name;
  InvalidateImage();
  if (!motion_) FrameIndex = -1;
  list_.Clear();
  if (motion_) {
    motion_.reset();
    SetExternalSurface(nullptr, nullptr);
    MotionOffsetX = MotionOffsetY = 0;
    PriorityBias = 0;
  }
  if (IsLayeredFile(name)) {
    list_.Load(pictures(), this, name, false);
  } else if (IsMotionFile(name)) {
    const ComponentServices* made_with = services();
    if (made_with && made_with->make_motion) motion_ = made_with->make_motion(*this, name);
  }
  if (list_.Count() > 0 && !motion_) SetFrameIndex(0);
  InvalidateImage();
}

int32_t TVeskTile::GetInt(int id) const {
  switch (id) {
    case PR_SCROLLX:
      return ScrollX;
    case PR_SCROLLY:
      return ScrollY;
    case PR_DISTANCEX:
      return DistanceX;
    case PR_DISTANCEY:
      return DistanceY;
    default:
      return TVeskCustomImages::GetInt(id);
  }
}

void TVeskTile::SetInt(int id, int32_t value) {
  int32_t* field = nullptr;
  switch (id) {
    case PR_SCROLLX:
      field = &ScrollX;
      break;
    case PR_SCROLLY:
      field = &ScrollY;
      break;
    case PR_DISTANCEX:
      field = &DistanceX;
      break;
    case PR_DISTANCEY:
      field = &DistanceY;
      break;
    case PR_WIDTH:
    case PR_HEIGHT:
      // The tile's rectangle, not a stretch of its picture.
      TVeskControl::SetInt(id, value);
      return;
    default:
      TVeskCustomImages::SetInt(id, value);
      return;
  }
  if (*field == value) return;
  *field = value;
  Invalidate();
}

bool TVeskTile::GetFlag(int id) const {
  return id == PR_REPEAT ? true : TVeskCustomImages::GetFlag(id);
}

void TVeskTile::SetFlag(int id, bool value) {
  if (id != PR_REPEAT) TVeskCustomImages::SetFlag(id, value);
}

std::string TVeskTile::GetStr(int id) const {
  switch (id) {
    case PR_SOURCE:
      return Source;
    case PR_ONIDLE:
      return OnIdle;
    default:
      return TVeskCustomImages::GetStr(id);
  }
}

void TVeskTile::SetStr(int id, const std::string& value) {
  switch (id) {
    case PR_SOURCE:
      SetSource(value);
      return;
    case PR_ONIDLE:
      OnIdle = value;
      return;
    default:
      TVeskCustomImages::SetStr(id, value);
  }
}

bool TVeskTile::Update(int32_t frame_ms) {
  if (motion_) {
    motion_->Step(frame_ms);
    return false;
  }
  return TVeskCustomImages::Update(frame_ms);
}

void TVeskTile::Draw(graphics::TCustomDIBX& surface, const Rect& clip) {
  DrawTiles(surface);
  DrawChildren(surface, clip);
}

void TVeskTile::DrawTiles(graphics::TCustomDIBX& target) {
  const graphics::TCustomDIBX* src = ShownSurface();
  const int32_t blend = std::min(Alpha, 511);
  if (!src || src->IsEmpty() || blend < 1 || Width < 1 || Height < 1) return;
  const graphics::TCustomDIBX* mask = ShownMask();
  if (mask &&
      (mask->Width() != src->Width() || mask->Height() != src->Height() || mask->BitCount() != 8))
    mask = nullptr;
  const graphics::KeyMode key =
      src->ColorKey() >= 0 ? graphics::KeyMode::kUse : graphics::KeyMode::kIgnore;
  const graphics::Flip flip = graphics::MakeFlip(FlipH, FlipV);
  const Rect dest = SceneRect();
  const int32_t w = src->Width(), h = src->Height();
  const int32_t zoom_x = std::max(1, ZoomX), zoom_y = std::max(1, ZoomY);

  if (DistanceX == 0 && DistanceY == 0) {
    const int32_t ox = Wrap(ScrollX, w), oy = Wrap(ScrollY, h);
    if (zoom_x == 256 && zoom_y == 256 && key == graphics::KeyMode::kIgnore && !mask &&
        blend == 255)
      target.FillPattern(dest, *src, ox, oy, flip);
    else if (mask)
      target.FillPatternZoomMask(dest, zoom_x, zoom_y, *src, ox, oy, flip, *mask, blend);
    else
      target.FillPatternZoom(dest, zoom_x, zoom_y, *src, ox, oy, key, flip, blend);
    return;
  }
  // With gaps the pattern repeats every picture plus gap, so the scroll
  // wraps there (in drawn pixels) rather than at the picture's size.
  const int32_t cell_w = std::max(1, w + DistanceX), cell_h = std::max(1, h + DistanceY);
  const auto ox = static_cast<int32_t>(int64_t{Wrap(ScrollX, cell_w)} * zoom_x / 256);
  const auto oy = static_cast<int32_t>(int64_t{Wrap(ScrollY, cell_h)} * zoom_y / 256);
  if (mask)
    target.TileStretchMask(dest, cell_w, cell_h, zoom_x, zoom_y, *src, src->BoundsRect(), *mask,
                           flip, blend, ox, oy);
  else
    target.TileStretch(dest, cell_w, cell_h, zoom_x, zoom_y, *src, src->BoundsRect(), key, flip,
                       blend, ox, oy);
}

void TVeskTile::TransferKindFields(RecordIO& io) {
  TVeskCustomImages::TransferKindFields(io);
  io.I32(ScrollX, "tile scroll");
  io.I32(ScrollY, "tile scroll");
  std::string source = Source;
  io.Str(source, "tile source");
  io.Str(OnIdle, "idle handler");
  io.I32(DistanceX, "tile gap");
  io.I32(DistanceY, "tile gap");
  if (!io.loading()) return;
  // The picture is loaded with the gaps known; then the saved frame returns.
  SetSource(source);
  RestoreLoadedFrame();
}

}  // namespace vesk::components
