#include "components/custom_image.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "components/component_services.h"
#include "components/image_list.h"
#include "components/orlo_collection.h"
#include "core/wrap32.h"
#include "lang/vocabulary.h"
#include "scene/baselist.h"

namespace vesk::components {

using namespace vesk::lang;
using graphics::KeyMode;

namespace {

int32_t Scale(int32_t size, int32_t zoom) {
  return static_cast<int32_t>(int64_t{size} * zoom / 256);
}

double Radians(int32_t angle) {
  return angle * 2.0 * std::numbers::pi / 256.0;
}

// One axis of a child laid on its zoomed parent's pixel grid: the start
// rounds to the nearest parent pixel, the end always up.
int32_t GridSize(int32_t start, int32_t size, int32_t parent_size, int32_t parent_picture) {
  const int64_t f = int64_t{parent_size} * 65536 / parent_picture;
  const int64_t a = int64_t{start} * f, b = (int64_t{start} + size) * f;
  const int64_t first = (a >> 16) + ((a & 0xFFFF) > 0x7FFF ? 1 : 0);
  const int64_t last = (b >> 16) + ((b & 0xFFFF) != 0 ? 1 : 0);
  return static_cast<int32_t>(std::clamp<int64_t>(last - first, 0, INT32_MAX));
}

}  // namespace

// ---- TVeskCustomImage: pictures and properties -------------------------------

void TVeskCustomImage::SetExternalSurface(const graphics::TCustomDIBX* surface,
                                          const graphics::TCustomDIBX* mask) {
  if (surface == ExternalSurface && mask == ExternalMask) return;
  InvalidateImage();
  ExternalSurface = surface;
  ExternalMask = surface ? mask : nullptr;
  MarkSizeDirty();
  InvalidateImage();
}

const graphics::TCustomDIBX* TVeskCustomImage::BaseSurface() const {
  return ExternalSurface ? ExternalSurface : OwnSurface.get();
}

const graphics::TCustomDIBX* TVeskCustomImage::ShownMask() const {
  return ExternalSurface ? ExternalMask : OwnMask.get();
}

int32_t TVeskCustomImage::GetInt(int id) const {
  switch (id) {
    case PR_ALPHA:
      return Alpha;
    case PR_ZOOMX:
      return ZoomX;
    case PR_ZOOMY:
      return ZoomY;
    case PR_ANGLE:
      return Angle;
    case PR_ORIGWIDTH: {
      const graphics::TCustomDIBX* s = BaseSurface();
      return s ? s->Width() : 0;
    }
    case PR_ORIGHEIGHT: {
      const graphics::TCustomDIBX* s = BaseSurface();
      return s ? s->Height() : 0;
    }
    default:
      return TVeskControl::GetInt(id);
  }
}

void TVeskCustomImage::SetInt(int id, int32_t value) {
  switch (id) {
    case PR_ALPHA:
      if (value == Alpha) return;
      Alpha = value;
      InvalidateImage();
      return;
    case PR_ZOOMX:
    case PR_ZOOMY: {
      int32_t& zoom = id == PR_ZOOMX ? ZoomX : ZoomY;
      if (value == zoom) return;
      InvalidateImage();
      zoom = std::max(1, value);
      MarkSizeDirty();
      for (TVeskControl* child : Children)
        if (child->PosZoomed)
          if (auto* image = dynamic_cast<TVeskCustomImage*>(child)) image->MarkSizeDirty();
      return;
    }
    case PR_ANGLE:
      if (value == Angle) return;
      InvalidateImage();
      Angle = value;
      InvalidateImage();
      return;
    case PR_WIDTH:
      // An explicit size stretches the picture; a motion sizes its own.
      if (!HasMotion()) ZoomX = 0;
      TVeskControl::SetInt(id, value);
      return;
    case PR_HEIGHT:
      if (!HasMotion()) ZoomY = 0;
      TVeskControl::SetInt(id, value);
      return;
    case PR_LEFT:
    case PR_TOP:
    case PR_OFFSETX:
    case PR_OFFSETY:
      // A turned picture reaches beyond the control's rectangle.
      if (Angle != 0) InvalidateImage();
      TVeskControl::SetInt(id, value);
      if (Angle != 0) InvalidateImage();
      return;
    default:
      TVeskControl::SetInt(id, value);
  }
}

bool TVeskCustomImage::GetFlag(int id) const {
  switch (id) {
    case PR_FLIPH:
      return FlipH != 0;
    case PR_FLIPV:
      return FlipV != 0;
    case PR_CAPTUREMASK:
      return CaptureMask != 0;
    default:
      return TVeskControl::GetFlag(id);
  }
}

void TVeskCustomImage::SetFlag(int id, bool value) {
  switch (id) {
    case PR_FLIPH:
    case PR_FLIPV: {
      uint8_t& flip = id == PR_FLIPH ? FlipH : FlipV;
      if ((flip != 0) == value) return;
      InvalidateImage();
      flip = value ? 1 : 0;
      MarkSizeDirty();
      RecomputeSize();
      InvalidateImage();
      return;
    }
    case PR_CAPTUREMASK:
      CaptureMask = value ? 1 : 0;
      return;
    default:
      TVeskControl::SetFlag(id, value);
  }
}

bool TVeskCustomImage::OwnSurfaceSize(int32_t* width, int32_t* height) const {
  const graphics::TCustomDIBX* s = BaseSurface();
  if (!s) return false;
  *width = s->Width();
  *height = s->Height();
  return true;
}

// ---- Size -------------------------------------------------------------------------

int32_t TVeskCustomImage::EffectiveZoomX() const {
  if (ZoomX > 0) return ZoomX;
  const graphics::TCustomDIBX* s = BaseSurface();
  return s && s->Width() > 0
             ? std::max<int32_t>(1, static_cast<int32_t>(int64_t{Width} * 256 / s->Width()))
             : 256;
}

int32_t TVeskCustomImage::EffectiveZoomY() const {
  if (ZoomY > 0) return ZoomY;
  const graphics::TCustomDIBX* s = BaseSurface();
  return s && s->Height() > 0
             ? std::max<int32_t>(1, static_cast<int32_t>(int64_t{Height} * 256 / s->Height()))
             : 256;
}

bool TVeskCustomImage::RecomputeSize() {
  size_dirty_ = false;
  if (!SizeFollowsPicture()) return false;
  const graphics::TCustomDIBX* s = BaseSurface();
  const int32_t sw = s ? s->Width() : 0, sh = s ? s->Height() : 0;
  int32_t w = ZoomX > 0 ? Scale(sw, ZoomX) : Width;
  int32_t h = ZoomY > 0 ? Scale(sh, ZoomY) : Height;
  const auto* parent = dynamic_cast<const TVeskCustomImage*>(Parent);
  const graphics::TCustomDIBX* ps = parent ? parent->BaseSurface() : nullptr;
  if (PosZoomed && s && ps && !HasMotion()) {
    if (ZoomX > 0 && ZoomX == parent->ZoomX && ps->Width() > 0) {
      const int32_t start = FlipH ? ps->Width() + OffsetX - Left - sw : Left - OffsetX;
      w = GridSize(start, sw, parent->Width, ps->Width());
    }
    if (ZoomY > 0 && ZoomY == parent->ZoomY && ps->Height() > 0) {
      const int32_t start = FlipV ? ps->Height() + OffsetY - Top - sh : Top - OffsetY;
      h = GridSize(start, sh, parent->Height, ps->Height());
    }
  }
  if (w == Width && h == Height) return false;
  InvalidateImage();
  Width = w;
  Height = h;
  InvalidateImage();
  return true;
}

bool TVeskCustomImage::Update(int32_t) {
  if (size_dirty_) RecomputeSize();
  return false;
}

// ---- Drawing ------------------------------------------------------------------------

void TVeskCustomImage::Draw(graphics::TCustomDIBX& surface, const Rect& clip) {
  DrawPicture(surface);
  DrawChildren(surface, clip);
}

void TVeskCustomImage::DrawPicture(graphics::TCustomDIBX& target) {
  const graphics::TCustomDIBX* src = ShownSurface();
  const int32_t blend = std::min(Alpha, 511);
  if (!src || src->IsEmpty() || blend < 1 || Width < 1 || Height < 1) return;
  const graphics::TCustomDIBX* mask = ShownMask();
  if (mask &&
      (mask->Width() != src->Width() || mask->Height() != src->Height() || mask->BitCount() != 8))
    mask = nullptr;  // a mask must cover its picture exactly
  const KeyMode key = src->ColorKey() >= 0 ? KeyMode::kUse : KeyMode::kIgnore;
  const graphics::Flip flip = graphics::MakeFlip(FlipH, FlipV);
  const Rect from = src->BoundsRect();

  if (Angle != 0) {
    const int32_t pivot_x = FlipH ? Wrap32(int64_t{src->Width()} - 1 - OffsetX) : OffsetX;
    const int32_t pivot_y = FlipV ? Wrap32(int64_t{src->Height()} - 1 - OffsetY) : OffsetY;
    if (mask)
      target.DrawRotateMask(AnchorX(), AnchorY(), EffectiveZoomX(), EffectiveZoomY(), *src, from,
                            pivot_x, pivot_y, Angle, flip, *mask, blend);
    else
      target.DrawRotate(AnchorX(), AnchorY(), EffectiveZoomX(), EffectiveZoomY(), *src, from,
                        pivot_x, pivot_y, Angle, key, flip, blend);
    return;
  }

  if (Width == src->Width() && Height == src->Height()) {
    const int32_t x = GetSceneLeft(), y = GetSceneTop();
    auto draw = [&] {
      if (mask)
        target.DrawMaskBlend(x, y, *src, from, flip, *mask, blend);
      else
        target.DrawBlend(x, y, *src, from, key, flip, blend);
    };
    const std::vector<Rect>* changed = ChangedRects();
    if (!changed || target.Target()) {
      draw();
      return;
    }
    // A producer's picture: only what it changed, each part in its own clip.
    const Rect clip = target.ClipRect();
    const bool had_clip = target.HasClipRect();
    for (const Rect& r : *changed) {
      const Rect part = Rect{r.left + x, r.top + y, r.right + x, r.bottom + y}.Intersect(clip);
      if (part.IsEmpty()) continue;
      target.SetClipRect(part);
      draw();
    }
    if (had_clip)
      target.SetClipRect(clip);
    else
      target.ResetClip();
    return;
  }

  const Rect dest = SceneRect();
  if (blend <= 255) {
    if (mask)
      target.StretchMaskAlpha(dest, *src, from, flip, *mask, blend);
    else
      target.StretchAlpha(dest, *src, from, key, flip, blend);
  } else {
    if (mask)
      target.StretchMaskAdd(dest, *src, from, flip, *mask, blend - 256);
    else
      target.StretchAdd(dest, *src, from, key, flip, blend - 256);
  }
}

Rect TVeskCustomImage::RotatedBounds() const {
  const graphics::TCustomDIBX* s = BaseSurface();
  if (!s || Angle == 0) return SceneRect();
  const double zx = EffectiveZoomX() / 256.0, zy = EffectiveZoomY() / 256.0;
  const double t = Radians(Angle), c = std::cos(t), sn = std::sin(t);
  const double px = (FlipH ? s->Width() - 1.0 - OffsetX : OffsetX) * zx;
  const double py = (FlipV ? s->Height() - 1.0 - OffsetY : OffsetY) * zy;
  const double w = s->Width() * zx, h = s->Height() * zy;
  double min_x = 1e18, min_y = 1e18, max_x = -1e18, max_y = -1e18;
  for (double cx : {-px, w - px - 1})
    for (double cy : {-py, h - py - 1}) {
      const double x = cx * c - cy * sn, y = cx * sn + cy * c;
      min_x = std::min(min_x, x);
      max_x = std::max(max_x, x);
      min_y = std::min(min_y, y);
      max_y = std::max(max_y, y);
    }
  auto clamp = [](double v) { return static_cast<int32_t>(std::clamp(v, -1e9, 1e9)); };
  // Stored anchors may lie anywhere: the edges wrap in 32 bits like all
  // geometry rather than overflow.
  const int64_t ax = AnchorX(), ay = AnchorY();
  return {static_cast<int32_t>(ax + clamp(std::floor(min_x)) - 1),
          static_cast<int32_t>(ay + clamp(std::floor(min_y)) - 1),
          static_cast<int32_t>(ax + clamp(max_x) + 2), static_cast<int32_t>(ay + clamp(max_y) + 2)};
}

void TVeskCustomImage::InvalidateScene(const Rect& area) {
  if (!GetVisible() || !GetBase()) return;
  Rect r = area;
  if (Parent) r = r.Intersect(Parent->GetHitRect());
  if (Clips()) r = r.Intersect(ClipRect());
  if (!r.IsEmpty()) InvalidateRect(r);
}

void TVeskCustomImage::InvalidateImage() {
  Invalidate();
  if (Angle != 0) InvalidateScene(RotatedBounds());
}

// ---- Hit test -------------------------------------------------------------------------

scene::TVeskControl* TVeskCustomImage::HitTest(int32_t x, int32_t y, uint32_t mask) {
  if (!GetVisible() || !GetHitRect().Contains(x, y)) return nullptr;
  for (auto it = Children.rbegin(); it != Children.rend(); ++it)
    if (TVeskControl* hit = (*it)->HitTest(x, y, mask)) return hit;
  if (IgnoreMouse >= 32 || !(mask >> IgnoreMouse & 1)) return nullptr;
  int32_t px = x, py = y;
  if (Angle != 0) {
    // Back into the unturned picture around the anchor.
    const double t = -Radians(Angle), c = std::cos(t), s = std::sin(t);
    const double dx = x - AnchorX(), dy = y - AnchorY();
    px = AnchorX() + static_cast<int32_t>(std::lround(dx * c - dy * s));
    py = AnchorY() + static_cast<int32_t>(std::lround(dx * s + dy * c));
    if (!GetHitRect().Contains(px, py)) return nullptr;
  }
  if (CaptureMask) {
    const graphics::TCustomDIBX* m = ShownMask();
    if (m) {
      // An explicit size has no stored zoom: the stretch stands in for it.
      int32_t ix = static_cast<int32_t>(int64_t{px - GetSceneLeft()} * 256 / EffectiveZoomX());
      int32_t iy = static_cast<int32_t>(int64_t{py - GetSceneTop()} * 256 / EffectiveZoomY());
      if (FlipH) ix = m->Width() - 1 - ix;
      if (FlipV) iy = m->Height() - 1 - iy;
      if (ix < 0 || iy < 0 || ix >= m->Width() || iy >= m->Height() || m->GetPixel(ix, iy) <= 127)
        return nullptr;
    }
  }
  return this;
}

// ---- Stored form -------------------------------------------------------------------------

void TVeskCustomImage::TransferKindFields(RecordIO& io) {
  io.I32(Alpha, "image alpha");
  io.I32(ZoomX, "image zoom");
  io.I32(Angle, "image angle");
  io.Flag(FlipH, "image mirror");
  io.Flag(FlipV, "image mirror");
  io.Flag(CaptureMask, "image mask hit");
  // Older saves had one zoom for both directions.
  if (io.Since(104))
    io.I32(ZoomY, "image vertical zoom");
  else
    io.Absent(ZoomY, ZoomX);
  if (io.loading()) MarkSizeDirty();
}

// ---- TVeskImage ------------------------------------------------------------------------------

int32_t TVeskImage::GetInt(int id) const {
  return id == PR_BRIGHTNESS ? Brightness : TVeskCustomImage::GetInt(id);
}

void TVeskImage::SetInt(int id, int32_t value) {
  if (id != PR_BRIGHTNESS) return TVeskCustomImage::SetInt(id, value);
  if (value == Brightness) return;
  Brightness = value;
  // The darkening is baked into the copy: take a fresh one.
  LoadPicture();
}

std::string TVeskImage::GetStr(int id) const {
  return id == PR_SOURCE ? Source : TVeskCustomImage::GetStr(id);
}

void TVeskImage::SetStr(int id, const std::string& value) {
  if (id != PR_SOURCE) return TVeskCustomImage::SetStr(id, value);
  if (value == Source) return;
  Source = value;
  LoadPicture();
}

void TVeskImage::LoadPicture() {
  InvalidateImage();
  OwnSurface.reset();
  OwnMask.reset();
  TOrloCollection* cache = pictures();
  if (Source.empty() || !cache) {
    InvalidateImage();
    return;
  }
  TOrloItem* item = cache->Acquire(this, Source, false, false);
  if (ZoomX > 0) Width = Scale(item->Width, ZoomX);
  if (ZoomY > 0) Height = Scale(item->Height, ZoomY);
  if (!item->Frames.empty() && item->Frames.front().Surface) {
    const TOrloItemFrame& frame = item->Frames.front();
    OwnSurface = std::make_unique<graphics::TDIBX>();
    OwnSurface->Assign(*frame.Surface);
    OwnSurface->SetColorKey(frame.Surface->ColorKey());
    // The mask is copied too: the cache may drop the item once released.
    if (frame.Mask) {
      OwnMask = std::make_unique<graphics::TDIBX>();
      OwnMask->Assign(*frame.Mask);
    }
  }
  cache->Release(item, this);
  if (OwnSurface && Brightness < 255)
    ApplyBrightness(*OwnSurface, -std::min(255, 255 - Brightness));
  InvalidateImage();
}

void TVeskImage::ReleaseSurfaces() {
  OwnSurface.reset();
  OwnMask.reset();
}

void TVeskImage::TransferKindFields(RecordIO& io) {
  TVeskCustomImage::TransferKindFields(io);
  std::string source = Source;
  int32_t brightness = Brightness;
  io.Str(source, "image source");
  io.I32(brightness, "image brightness");
  // The setters load the picture, once both are known.
  if (!io.loading()) return;
  SetStr(PR_SOURCE, source);
  SetInt(PR_BRIGHTNESS, brightness);
}

}  // namespace vesk::components
