#pragma once
// Videos: each item is a handle of the companion module's video family
// (pictures for the video component, the film's sound through the wave
// output). SuspendAll/ResumeAll pause and resume every film around focus
// and display changes.
#include <memory>
#include <string>

#include "companion/media_library.h"
#include "media/manager_base.h"

namespace vesk::media {

class TCompanionVideoItem final : public TVideoItem {
 public:
  TCompanionVideoItem(TMediaManager* manager, companion::MediaLibrary& library, int handle);
  ~TCompanionVideoItem() override;

  bool GetLoop() override;
  void SetLoop(bool loop) override;
  int32_t GetPan() override;
  int32_t GetVolume() override;
  void SetPan(int32_t pan) override;
  void SetVolume(int32_t volume) override;
  int32_t GetPosition() override;
  void SetPosition(int32_t position_ms) override;
  int32_t GetLength() override;
  // Once per end, as the sounds do: a film left standing at its end would
  // otherwise queue its play-end handler again on every frame. Moving it
  // (SetPosition) arms the report again.
  bool PollEnded() override;
  bool AtEnd() override;
  bool IsPlaying() override;
  bool IsPaused() override;
  void Play() override;
  void Pause() override;

  bool NeedPaint() override;
  const uint8_t* GetDC(int* stride) override;
  int32_t SourceWidth() override;
  int32_t SourceHeight() override;
  void SetRect(const Rect& source, const Rect& screen) override;
  bool GetVisible() override;
  void SetVisible(bool visible) override;
  int handle() const { return handle_; }

 private:
  bool end_reported_ = false;
  companion::VideoMedia* Lib() const { return library_.Video(handle_); }
  companion::MediaLibrary& library_;
  int handle_;
};

class TVideoManager final : public TMediaManagerBase {
 public:
  TVideoManager(const MediaServices& services, companion::MediaLibrary& library)
      : TMediaManagerBase(services), library_(library) {}
  ~TVideoManager() override { Clear(); }
  // overlay: the film is drawn over the window rather than into the scene.
  TDMediaItem* Add(const std::string& name, bool overlay = false) override;
  void SuspendAll() { library_.VidmanSuspend(); }
  void ResumeAll() { library_.VidmanResume(); }

 private:
  companion::MediaLibrary& library_;
};

}  // namespace vesk::media
