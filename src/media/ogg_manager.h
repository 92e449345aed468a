#pragma once
// Ogg Vorbis and wave sounds (".ogg", ".wav"). game.ini's DirectSound
// decides which kind of item the manager makes; both play through our
// mixer, but they answer differently:
// - TOggItem (DirectSound on, the default): a sound of the companion
//   module's Ogg family. IsPlaying is "playing and not paused"; an end is
//   reported once, and SetPosition does not make it reportable again (Play
//   does).
// - TOggWaveItem (DirectSound off): the module only decodes (TOggStream)
//   and the item drives a buffer of the wave output itself: volume as the
//   buffer's level, no pan, positions from the buffer's estimate, an end
//   reported for as long as the buffer stands drained.
#include <memory>
#include <string>

#include "audio/wav_out.h"
#include "companion/media_library.h"
#include "media/manager_base.h"
#include "media/ogg_stream.h"

namespace vesk::media {

class TCustomOggItem : public TDMediaItem {
 public:
  using TDMediaItem::TDMediaItem;
  MediaKind Kind() const override { return MediaKind::kOgg; }
};

class TOggItem final : public TCustomOggItem {
 public:
  TOggItem(TMediaManager* manager, companion::MediaLibrary& library, int handle,
           platform::MediaBytes source);
  ~TOggItem() override;

  bool GetLoop() override;
  void SetLoop(bool loop) override;
  int32_t GetPan() override;
  int32_t GetVolume() override;
  void SetPan(int32_t pan) override;
  void SetVolume(int32_t volume) override;
  int32_t GetPosition() override;
  void SetPosition(int32_t position_ms) override;
  int32_t GetLength() override;
  bool PollEnded() override;
  bool AtEnd() override;
  bool IsPlaying() override;
  bool IsPaused() override;
  // With sound off it only remembers the wish: sound on plays it.
  void Play() override;
  void Pause() override;
  bool pending_play() const { return pending_play_; }

 private:
  companion::MediaItem* Lib() const { return library_.Ogg(handle_); }
  companion::MediaLibrary& library_;
  int handle_;
  platform::MediaBytes source_;
  bool pending_play_ = false;
  bool end_reported_ = false;
};

class TOggWaveItem final : public TCustomOggItem {
 public:
  // buffer: made on `out` over *stream.
  TOggWaveItem(TMediaManager* manager, audio::TWavOut& out, platform::MediaBytes source,
               std::unique_ptr<TOggStream> stream, audio::TWavBuffer* buffer);
  ~TOggWaveItem() override;

  bool GetLoop() override { return buffer_->Loop(); }
  void SetLoop(bool loop) override { buffer_->SetLoop(loop); }
  int32_t GetVolume() override { return volume_; }
  // The buffer's level: ((max(v, -5000) + 5000) * 256) div 5000.
  void SetVolume(int32_t volume) override;
  int32_t GetPosition() override;
  void SetPosition(int32_t position_ms) override;
  int32_t GetLength() override { return stream_->LengthMs(); }
  // A looping buffer that has drained is started again (false); otherwise
  // true while the buffer stands drained.
  bool PollEnded() override;
  bool AtEnd() override;
  bool IsPlaying() override;
  bool IsPaused() override { return paused_; }
  void Play() override;
  void Pause() override;
  audio::TWavBuffer* buffer() const { return buffer_; }

  static int32_t LevelForVolume(int32_t volume);

 private:
  // Bits x channels x rate of the stream: eight times its bytes per second.
  int64_t BitRate() const;

  audio::TWavOut& out_;
  platform::MediaBytes source_;
  std::unique_ptr<TOggStream> stream_;
  audio::TWavBuffer* buffer_;
  bool paused_ = false;
  int32_t volume_ = 0;
};

class TOggManager final : public TMediaManagerBase {
 public:
  // out: the wave output the decoded items play through.
  TOggManager(const MediaServices& services, companion::MediaLibrary& library, audio::TWavOut& out)
      : TMediaManagerBase(services), library_(library), out_(out) {}
  ~TOggManager() override { Clear(); }
  TDMediaItem* Add(const std::string& name, bool overlay = false) override;
  void Restore() { library_.OggmanRestore(); }
  audio::TWavOut& wav_out() { return out_; }

 private:
  TDMediaItem* AddLibraryItem(const std::string& name, platform::MediaBytes bytes, bool is_ogg);
  TDMediaItem* AddWaveItem(const std::string& name, platform::MediaBytes bytes, bool is_ogg);

  companion::MediaLibrary& library_;
  audio::TWavOut& out_;
};

}  // namespace vesk::media
