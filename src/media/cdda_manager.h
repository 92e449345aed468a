#pragma once
// CD audio ("CD_" + track number). Each track is an audio file standing in
// for it (cd_tracks.h), played by one CD player for all items, through the
// wave output. As on a real drive: one item is current at a time,
// positions are whole seconds, a track plays to one second before its
// length in whole seconds, a paused item resumes a second before where it
// stopped, looping is the player's repeat, and the volume is the player's
// level rather than the mixer's. A missing track or a name that is no
// number gives a silent item (length 0, never current).
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "audio/wav_out.h"
#include "media/manager_base.h"

namespace vesk::media {

class TCddaManager;

// The player: one track loaded at a time.
class CdPlayer {
 public:
  explicit CdPlayer(audio::TWavOut& out) : out_(out) {}
  ~CdPlayer() { Unload(); }
  CdPlayer(const CdPlayer&) = delete;
  CdPlayer& operator=(const CdPlayer&) = delete;

  // Takes the decoded track; false (nothing loaded) when it is empty.
  bool Load(int track, std::unique_ptr<audio::PcmStream> stream);
  void Unload();
  int track() const { return track_; }
  bool loaded() const { return buffer_ != nullptr; }

  void Play();
  void Stop();
  void Seek(int32_t seconds);
  bool Playing() const;
  bool AtEnd() const;
  int32_t PositionS() const;
  int32_t LengthS() const { return length_s_; }
  void SetRepeat(bool on);
  void SetLevel(int32_t level);

 private:
  audio::TWavOut& out_;
  int track_ = 0;
  int32_t length_s_ = 0;
  std::unique_ptr<audio::PcmStream> stream_;
  audio::TWavBuffer* buffer_ = nullptr;
  bool rewound_ = false;  // moved since it ended, not started since
};

class TCddaItem final : public TDMediaItem {
 public:
  TCddaItem(TCddaManager* manager, std::string name);

  bool GetLoop() override { return loop_; }
  void SetLoop(bool loop) override;
  int32_t GetVolume() override { return volume_; }
  void SetVolume(int32_t volume) override;
  int32_t GetPosition() override;
  void SetPosition(int32_t position_ms) override;
  int32_t GetLength() override;
  bool PollEnded() override;
  bool AtEnd() override;
  bool IsPlaying() override;
  bool IsPaused() override { return paused_; }
  void Play() override;
  void Pause() override;
  MediaKind Kind() const override { return MediaKind::kCdda; }

  const std::string& name() const { return name_; }
  std::optional<int> track() const { return track_; }
  int32_t resume_s() const { return resume_s_; }

 private:
  bool Current() const;
  CdPlayer& Player() const;
  void ApplyVolume();

  TCddaManager& cd_;
  std::string name_;
  std::optional<int> track_;
  int32_t resume_s_ = 0;
  bool paused_ = false;
  int32_t volume_ = 0;
  int32_t length_ms_ = 0;
  bool loop_ = false;
  bool pending_play_ = false;
  bool measured_ = false;
};

class TCddaManager final : public TMediaManagerBase {
 public:
  TCddaManager(const MediaServices& services, audio::TWavOut& out);
  ~TCddaManager() override { Clear(); }
  TDMediaItem* Add(const std::string& name, bool overlay = false) override;

  TCddaItem* current() const { return current_; }
  CdPlayer& player() { return player_; }
  // Makes item current with its track loaded (stopping another); false
  // when the track cannot be had (no item is current then).
  bool MakeCurrent(TCddaItem* item, int track);
  // The track's length in ms without playing it; 0 when missing.
  int32_t MeasureTrackMs(int track);

  // The player's level for a volume: ((max(v, -5000) + 5000) * 256) div 5000.
  static int32_t LevelForVolume(int32_t volume);

 protected:
  void Forget(TDMediaItem* item) override;

 private:
  std::unique_ptr<audio::PcmStream> OpenTrack(int track);

  audio::TWavOut& out_;
  CdPlayer player_;
  TCddaItem* current_ = nullptr;
};

}  // namespace vesk::media
