#pragma once
// MediaPlayback: what a sound and a video have in common. It holds the
// file, the media item playing it, the play mode, repeat and pause, the
// volume, balance and fade over Delay, the end handler and the load
// options, answers the properties both answer alike and stores the fields
// both store. TVeskSound and TVeskVideo derive from it beside their own
// bases (which differ) and keep what differs: how an item is chosen and
// opened, their play mode, pause and end rules, and what a video shows.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "components/component_services.h"
#include "components/mixer.h"
#include "core/record_io.h"
#include "lang/vocabulary.h"
#include "media/media_item.h"
#include "scene/media_object.h"

namespace vesk::components {

// The game clock from the services, or `fallback` without one.
int32_t MediaClockMs(const ComponentServices* services, int32_t fallback_ms);

class MediaPlayback : public scene::MediaObject {
 public:
  int GetPlayMode() const override { return PlayMode; }
  const std::string& MediaSource() const override { return Source; }

  std::string Source;
  uint8_t PlayMode = lang::LP_STOP;
  media::TDMediaItem* Item = nullptr;  // the manager's, given back when dropped
  uint8_t Repeat = 0, Paused = 0;
  int32_t Volume = 0;
  int32_t Balance = 0;
  std::unique_ptr<TVeskMixer> Fade;
  int32_t Delay = 0;          // fade time, ms
  int32_t StartPosition = 0;  // ms
  uint8_t AutoScrap = 0;
  std::string OnPlayEnd;
  uint8_t RewindOnLoad = 0, MuteOnLoad = 0;

 protected:
  // What names each stored field in a load error: the kind's word and the
  // field's ("sound volume").
  struct StoredLabels {
    explicit StoredLabels(const std::string& kind);
    std::string source, repeat, auto_scrap, paused, volume, balance, delay, position, mode,
        play_end;
  };
  // The stored fields a load hands on to the setters rather than keeping.
  struct StoredPlayback {
    std::string source;
    uint8_t paused = 0, mode = lang::LP_STOP;
    int32_t delay_ms = 0, position_ms = 0;
  };

  virtual const ComponentServices* PlaybackServices() const = 0;
  // The manager the item of Source comes from, or null.
  virtual media::TMediaManager* PlaybackManager() const = 0;
  // Whether items are opened as overlays.
  virtual bool OpensOverlay() const { return false; }
  // Takes a Source other than the current one: drops the item and what
  // the kind made of it.
  virtual void ChangeSource(const std::string& source) = 0;

  // The properties both kinds answer alike; nothing (or false) for others.
  std::optional<int32_t> PlaybackInt(int id) const;
  bool SetPlaybackInt(int id, int32_t value);
  std::optional<bool> PlaybackFlag(int id) const;
  bool SetPlaybackFlag(int id, bool value);
  std::optional<std::string> PlaybackStr(int id) const;
  bool SetPlaybackStr(int id, const std::string& value);
  // True when the volume changed and the open item took it.
  bool ChangeVolume(int32_t value);
  // True when repeating rewound an item standing at its end.
  bool ChangeRepeat(bool value);

  bool HoldsSource() const;
  // The item's length, or that of the file opened for a moment.
  int32_t LengthMs() const;
  // Gives the item back to its manager, dropping the fade first.
  void ReleaseItem();
  void StartFadeIn();
  // LP_STOPFADE: fades the item out from the start over Delay; with
  // `hand_over` the fade takes the item and gives it back at its end. False
  // when there is no item, and the kind goes at once.
  bool FadeOutItem(bool hand_over);
  // Drops the fade and records `mode` (LP_STOP when out of range).
  int EnterPlayMode(int mode);
  // Replay on an open item: back to the start, faded in over Delay (true)
  // or at full volume for the caller to resume (false).
  bool RewindForReplay();
  // Steps the fade; true when it is over.
  bool FadeOver() { return Fade && Fade->Step(NowMs()); }
  void AdvanceClock(int32_t frame_ms);
  int32_t NowMs() const { return MediaClockMs(PlaybackServices(), own_clock_ms_); }

  // The stored fields: the file, repeat, auto scrap and pause first, then,
  // after any of the kind's own, volume through the end handler.
  StoredPlayback StoredNow() const;
  void TransferHead(RecordIO& io, StoredPlayback& stored, const StoredLabels& labels);
  void TransferBody(RecordIO& io, StoredPlayback& stored, const StoredLabels& labels);
  // After a load, the file reopens the way a script would have set it up:
  // ReopenLoaded takes the source, position and pause, ResumeLoaded the
  // fade time after the mode a fade-out was stored in.
  void ReopenLoaded(StoredPlayback& stored);
  void ResumeLoaded(const StoredPlayback& stored);

 private:
  int32_t own_clock_ms_ = 0;
};

}  // namespace vesk::components
