#pragma once
// TVeskVideo: one video file played through an item of the video manager.
// Its pictures land in FrameSurface, which the image shows as any custom
// image would (zoom, flips, alpha). With Overlay (the default) the item is
// also told which part of the picture is shown where in the window, and
// the program lays it over the scene there. Fades and the play modes are
// those of the sound, except that LP_STOP only closes the item (the stop
// command deletes the video) and a fade-out keeps the item until it ends.
#include <cstdint>
#include <memory>
#include <string>

#include "components/custom_image.h"
#include "components/mixer.h"
#include "graphics/dibsfc.h"
#include "media/media_item.h"
#include "scene/media_object.h"

namespace vesk::components {

// Copies a picture of 4-byte B, G, R, X pixels into `target`, converted to
// its pixel format; rows and columns beyond either picture are left alone.
void CopyBgrxPicture(const uint8_t* pixels, int stride_bytes, int width_px, int height_px,
                     graphics::TCustomDIBX& target);

class TVeskVideo final : public TVeskCustomImage, public scene::MediaObject {
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

  int GetPlayMode() const override { return PlayMode; }
  void SetPlayMode(int mode) override;
  void Replay() override;
  const std::string& MediaSource() const override { return Source; }

  // The item's part and window rectangle for the overlay, from the scene
  // rectangle, the clipping and the display scale.
  void PlaceOverlay();

  std::string Source;
  uint8_t PlayMode = lang::LP_STOP;
  media::TVideoItem* Item = nullptr;
  std::unique_ptr<graphics::TDIBX> FrameSurface;
  uint8_t Repeat = 0, Paused = 0;
  int32_t Volume = 0, Balance = 0, Delay = 0, StartPosition = 0;
  std::unique_ptr<TVeskMixer> Fade;
  uint8_t AutoScrap = 0;
  std::string OnPlayEnd, OnIdle;
  uint8_t RewindOnLoad = 0, MuteOnLoad = 0;
  uint8_t Overlay = 1;
  uint32_t LastRefresh = 0;  // system ms

 protected:
  void TransferKindFields(RecordIO& io) override;

 private:
  media::TMediaManager* Manager() const;
  bool HoldsSource() const;
  bool Halted() const { return Paused || AniPaused; }
  void CloseItem();
  void MakeFrameSurface();
  void StartFadeIn();
  void SizeToSource();
  void PauseChanged(bool was_halted);
  // Places the overlay when `changed` and the video is an overlay one.
  void PlaceIfMoved(bool changed);
  Rect ParentVisibleArea() const;
  int32_t NowMs() const;
  uint32_t SystemMs() const;
  int32_t own_clock_ms_ = 0;
  bool has_picture_ = false;
};

}  // namespace vesk::components
