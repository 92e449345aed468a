#pragma once
// Windows Media sounds (".wma", ".asf", ".wmv" as sound): each item is a
// handle of the companion module's WMA family, which gets the whole file.
#include <memory>
#include <string>

#include "companion/media_library.h"
#include "media/manager_base.h"

namespace vesk::media {

class TWmpItem final : public TDMediaItem {
 public:
  TWmpItem(TMediaManager* manager, companion::MediaLibrary& library, int handle);
  ~TWmpItem() override;

  bool GetLoop() override;
  void SetLoop(bool loop) override;
  int32_t GetPan() override;
  int32_t GetVolume() override;
  void SetPan(int32_t pan) override;
  void SetVolume(int32_t volume) override;
  int32_t GetPosition() override;
  // Also makes the next end reportable again.
  void SetPosition(int32_t position_ms) override;
  int32_t GetLength() override;
  // True once per end.
  bool PollEnded() override;
  bool AtEnd() override;
  bool IsPlaying() override;
  bool IsPaused() override;
  void Play() override;
  void Pause() override;
  MediaKind Kind() const override { return MediaKind::kWmp; }
  int handle() const { return handle_; }

 private:
  companion::MediaItem* Lib() const { return library_.Wmp(handle_); }
  companion::MediaLibrary& library_;
  int handle_;
  bool end_reported_ = false;
};

class TWmpManager final : public TMediaManagerBase {
 public:
  TWmpManager(const MediaServices& services, companion::MediaLibrary& library)
      : TMediaManagerBase(services), library_(library) {}
  ~TWmpManager() override { Clear(); }
  TDMediaItem* Add(const std::string& name, bool overlay = false) override;
  void Restore() { library_.WmpmanRestore(); }

 private:
  companion::MediaLibrary& library_;
};

}  // namespace vesk::media
