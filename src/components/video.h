#pragma once
// TVeskVideo: one video file played through an item of the video manager.
// Its pictures land in FrameSurface, which the image shows as any custom
// image would (zoom, flips, alpha). With Overlay (the default) the item is
// also told which part of the picture is shown where in the window, and
// the program lays it over the scene there. Fades and the play modes are
// those of the sound, except that LP_STOP only closes the item (the stop
// command deletes the video) and a fade-out keeps the item until it ends;
// what the two share is in MediaPlayback.
#include <cstdint>
#include <memory>
#include <string>

#include "components/custom_image.h"
#include "components/media_playback.h"
#include "graphics/dibsfc.h"
#include "media/media_item.h"

namespace vesk::components {

// Copies a picture of 4-byte B, G, R, X pixels into `target`, converted to
// its pixel format; rows and columns beyond either picture are left alone.
void CopyBgrxPicture(const uint8_t* pixels, int stride_bytes, int width_px, int height_px,
                     graphics::TCustomDIBX& target);

class TVeskVideo final : public TVeskCustomImage, public MediaPlayback {
 public:
  explicit TVeskVideo(scene::TVeskBaseList* root) : TVeskCustomImage(root) {}
  ~TVeskVideo() override;

  int GetCompoType() const override { return lang::LT_VIDEO; }
  int32_t GetInt(int id) const override;
  void SetInt(int id, int32_t value) override;
  bool GetFlag(int id) const override;
  void SetFlag(int id, bool value) override;
  std::string GetStr(int id) const override;
  void SetStr(int id, const std::string& value) override;
  void SetVisible(bool visible) override;
  void Moved() override;
  void ClipChanged() override;
  bool Update(int32_t frame_ms) override;
  void Draw(graphics::TCustomDIBX& surface, const Rect& clip) override;
  void ReleaseSurfaces() override;
  void RestoreSurfaces() override;
  void CabinetAttached() override;
  void CabinetDetached() override;

  void SetPlayMode(int mode) override;
  void Replay() override;

  // The item's part and window rectangle for the overlay, from the scene
  // rectangle, the clipping and the display scale.
  void PlaceOverlay();

  // The file played, not the image's picture; the field, not the
  // component's pause query.
  using MediaPlayback::Paused;
  using MediaPlayback::Source;
  std::unique_ptr<graphics::TDIBX> FrameSurface;
  std::string OnIdle;
  uint8_t Overlay = 1;
  uint32_t LastRefresh = 0;  // system ms

 protected:
  void TransferKindFields(RecordIO& io) override;
  const ComponentServices* PlaybackServices() const override { return services(); }
  media::TMediaManager* PlaybackManager() const override;
  bool OpensOverlay() const override { return Overlay != 0; }
  void ChangeSource(const std::string& source) override;

 private:
  // Item as the video item it always is here.
  media::TVideoItem* Video() const { return static_cast<media::TVideoItem*>(Item); }
  bool Halted() const { return Paused || AniPaused; }
  void CloseItem();
  void MakeFrameSurface();
  void SizeToSource();
  void PauseChanged(bool was_halted);
  // Places the overlay when `changed` and the video is an overlay one.
  void PlaceIfMoved(bool changed);
  Rect ParentVisibleArea() const;
  uint32_t SystemMs() const;
  bool has_picture_ = false;
};

}  // namespace vesk::components
