#pragma once
// TVeskCustomImage: one picture shown with zoom, rotation, mirroring and a
// blend value, hit-tested through its mask when asked to. TVeskImage (kind
// 0) is the still picture: the first frame of a file, optionally darkened,
// kept as its own copy.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "components/component_services.h"
#include "graphics/dibsfc.h"
#include "scene/vesk_object.h"

namespace vesk::components {

class TVeskCustomImage : public scene::TVeskControl, public ServiceUser {
 public:
  explicit TVeskCustomImage(scene::TVeskBaseList* root) : TVeskControl(root) {}

  int32_t Alpha = 255;               // blend value 0..511
  int32_t ZoomX = 256, ZoomY = 256;  // 256 = 100 %; 0 after an explicit width / height
  int32_t Angle = 0;                 // 256 units per turn
  uint8_t FlipH = 0, FlipV = 0;
  uint8_t CaptureMask = 0;

  // A picture someone else owns (a motion frame, a video), shown instead of
  // the component's own; null gives the component's own back.
  void SetExternalSurface(const graphics::TCustomDIBX* surface, const graphics::TCustomDIBX* mask);

  // The picture and mask drawn now (null: nothing to draw). BaseSurface is
  // the picture before brightness: its size is the picture's size.
  virtual const graphics::TCustomDIBX* BaseSurface() const;
  virtual const graphics::TCustomDIBX* ShownSurface() { return BaseSurface(); }
  virtual const graphics::TCustomDIBX* ShownMask() const;
  // Rectangles a producer changed in the external picture since the last
  // draw (video); null redraws the whole picture.
  virtual const std::vector<Rect>* ChangedRects() const { return nullptr; }

  int32_t GetInt(int id) const override;
  void SetInt(int id, int32_t value) override;
  bool GetFlag(int id) const override;
  void SetFlag(int id, bool value) override;
  bool OwnSurfaceSize(int32_t* width, int32_t* height) const override;

  void Draw(graphics::TCustomDIBX& surface, const Rect& clip) override;
  TVeskControl* HitTest(int32_t x, int32_t y, uint32_t mask) override;
  bool Update(int32_t frame_ms) override;

  // The size follows the picture and the zoom at the next frame step.
  void MarkSizeDirty() { size_dirty_ = true; }
  bool SizeDirty() const { return size_dirty_; }
  // Width and height from the picture and the zoom (on a zoomed parent's
  // pixel grid with PR_POSZOOMED); true when they changed.
  bool RecomputeSize();
  // The zoom actually drawn: the stored one, or the stretch an explicit size
  // gives.
  int32_t EffectiveZoomX() const;
  int32_t EffectiveZoomY() const;

 protected:
  // Tiles cover their own rectangle; the others take the picture's size.
  virtual bool SizeFollowsPicture() const { return true; }
  // Draws the picture alone (children follow in Draw).
  void DrawPicture(graphics::TCustomDIBX& target);
  // Marks the area the picture covers, the rotated one included.
  void InvalidateImage();
  void InvalidateDrawn() override { InvalidateImage(); }
  void TransferKindFields(RecordIO& io) override;

  std::unique_ptr<graphics::TDIBX> OwnSurface;
  std::unique_ptr<graphics::TDIBX> OwnMask;
  const graphics::TCustomDIBX* ExternalSurface = nullptr;
  const graphics::TCustomDIBX* ExternalMask = nullptr;

 private:
  // The scene rectangle a rotated picture covers.
  Rect RotatedBounds() const;
  void InvalidateScene(const Rect& r);
  bool size_dirty_ = false;
};

class TVeskImage final : public TVeskCustomImage {
 public:
  explicit TVeskImage(scene::TVeskBaseList* root) : TVeskCustomImage(root) {}

  std::string Source;
  int32_t Brightness = 255;  // 255 as is; lower darkens

  int GetCompoType() const override { return lang::LT_NONE; }
  int32_t GetInt(int id) const override;
  void SetInt(int id, int32_t value) override;
  std::string GetStr(int id) const override;
  void SetStr(int id, const std::string& value) override;
  void ReleaseSurfaces() override;
  void RestoreSurfaces() override { LoadPicture(); }

 protected:
  void TransferKindFields(RecordIO& io) override;

 private:
  // Copies frame 0 of Source out of the cache and darkens the copy.
  void LoadPicture();
};

}  // namespace vesk::components
