#include "components/media_playback.h"

#include <algorithm>

namespace vesk::components {

using namespace vesk::lang;

int32_t MediaClockMs(const ComponentServices* services, int32_t fallback_ms) {
  return services && services->game_clock_ms ? services->game_clock_ms() : fallback_ms;
}

// ---- Properties -----------------------------------------------------------

std::optional<int32_t> MediaPlayback::PlaybackInt(int id) const {
  switch (id) {
    case PR_INDEX:
      return Item ? Item->GetPosition() : 0;
    case PR_COUNT:
      return LengthMs();
    case PR_VOLUME:
      return Volume;
    case PR_BALANCE:
      return Balance;
    case PR_DELAY:
      return Delay;
    default:
      return std::nullopt;
  }
}

bool MediaPlayback::SetPlaybackInt(int id, int32_t value) {
  switch (id) {
    case PR_VOLUME:
      ChangeVolume(value);
      return true;
    case PR_BALANCE:
      if (value == Balance) return true;
      Balance = std::clamp(value, -10000, 10000);
      if (Item) Item->SetPan(Balance);
      return true;
    case PR_DELAY:
      Delay = value;
      return true;
    case PR_COUNT:
      return true;
    default:
      return false;
  }
}

bool MediaPlayback::ChangeVolume(int32_t value) {
  if (value == Volume) return false;
  Volume = value;
  if (!Item) return false;
  Item->SetVolume(ScaledVolume(Item, Volume));
  return true;
}

std::optional<bool> MediaPlayback::PlaybackFlag(int id) const {
  switch (id) {
    case PR_REPEAT:
      return Repeat;
    case PR_PAUSED:
      return Paused;
    case PR_AUTOSCRAP:
      return AutoScrap;
    case PR_REWINDONLOAD:
      return RewindOnLoad;
    case PR_MUTEONLOAD:
      return MuteOnLoad;
    default:
      return std::nullopt;
  }
}

bool MediaPlayback::SetPlaybackFlag(int id, bool value) {
  const uint8_t v = value ? 1 : 0;
  switch (id) {
    case PR_REPEAT:
      ChangeRepeat(value);
      return true;
    case PR_AUTOSCRAP:
      AutoScrap = v;
      return true;
    case PR_REWINDONLOAD:
      RewindOnLoad = v;
      return true;
    case PR_MUTEONLOAD:
      // The creating command sets it; the script property only reads it.
      MuteOnLoad = v;
      return true;
    case PR_PLAYING:
      return true;
    default:
      return false;
  }
}

bool MediaPlayback::ChangeRepeat(bool value) {
  Repeat = value ? 1 : 0;
  if (!Item) return false;
  Item->SetLoop(value);
  if (!Repeat || Paused || Item->GetPosition() < Item->GetLength() - 1) return false;
  Item->SetPosition(0);
  return true;
}

std::optional<std::string> MediaPlayback::PlaybackStr(int id) const {
  if (id == PR_SOURCE) return Source;
  if (id == PR_ONPLAYEND) return OnPlayEnd;
  return std::nullopt;
}

bool MediaPlayback::SetPlaybackStr(int id, const std::string& value) {
  if (id == PR_SOURCE) {
    if (value != Source) ChangeSource(value);
    return true;
  }
  if (id != PR_ONPLAYEND) return false;
  OnPlayEnd = value;
  return true;
}

// ---- Playing --------------------------------------------------------------

bool MediaPlayback::HoldsSource() const {
  const ComponentServices* s = PlaybackServices();
  return s && s->file_available && s->file_available(Source);
}

int32_t MediaPlayback::LengthMs() const {
  if (Item) return Item->GetLength();
  media::TMediaManager* manager = PlaybackManager();
  if (!manager || !HoldsSource()) return 0;
  // The length of a file not open yet: open it for a moment.
  media::TDMediaItem* probe = manager->Add(Source, OpensOverlay());
  if (!probe) return 0;
  const int32_t length_ms = probe->GetLength();
  manager->Remove(probe);
  return length_ms;
}

void MediaPlayback::ReleaseItem() {
  // A fade of the item given back would reach a freed item.
  Fade.reset();
  if (!Item) return;
  media::TDMediaItem* item = Item;
  Item = nullptr;
  if (item->Manager()) item->Manager()->Remove(item);
}

void MediaPlayback::StartFadeIn() {
  Fade = std::make_unique<TVeskMixerFadein>(Item, Delay);
  Fade->TargetVolume = ScaledVolume(Item, Volume);
}

bool MediaPlayback::FadeOutItem(bool hand_over) {
  if (!Item) return false;
  Fade = std::make_unique<TVeskMixerFadeout>(Item, Delay);
  if (hand_over) {
    Fade->ReturnsItem = true;
    Item = nullptr;
  }
  StartPosition = 0;
  return true;
}

int MediaPlayback::EnterPlayMode(int mode) {
  Fade.reset();
  if (mode < LP_PLAY || mode > LP_STOPFADE) mode = LP_STOP;
  PlayMode = static_cast<uint8_t>(mode);
  return mode;
}

bool MediaPlayback::RewindForReplay() {
  Fade.reset();
  if (Delay > 0) {
    Item->Pause();
    Item->SetVolume(kSilentVolume);
    Item->SetPosition(0);
    StartFadeIn();
    return true;
  }
  Item->SetVolume(ScaledVolume(Item, Volume));
  Item->SetPosition(0);
  return false;
}

void MediaPlayback::AdvanceClock(int32_t frame_ms) {
  own_clock_ms_ =
      static_cast<int32_t>(static_cast<uint32_t>(own_clock_ms_) + static_cast<uint32_t>(frame_ms));
}

// ---- Stored form ----------------------------------------------------------

MediaPlayback::StoredLabels::StoredLabels(const std::string& kind)
    : source(kind + " source"),
      repeat(kind + " repeat"),
      auto_scrap(kind + " auto scrap"),
      paused(kind + " paused"),
      volume(kind + " volume"),
      balance(kind + " balance"),
      delay(kind + " delay"),
      position(kind + " position"),
      mode(kind + " play mode"),
      play_end(kind + " play end handler") {}

MediaPlayback::StoredPlayback MediaPlayback::StoredNow() const {
  return {Source, Paused, PlayMode, Delay, Item ? Item->GetPosition() : 0};
}

void MediaPlayback::TransferHead(RecordIO& io, StoredPlayback& stored, const StoredLabels& labels) {
  io.Str(stored.source, labels.source.c_str());
  io.Flag(Repeat, labels.repeat.c_str());
  io.Flag(AutoScrap, labels.auto_scrap.c_str());
  io.Flag(stored.paused, labels.paused.c_str());
}

void MediaPlayback::TransferBody(RecordIO& io, StoredPlayback& stored, const StoredLabels& labels) {
  io.I32(Volume, labels.volume.c_str());
  io.I32In(Balance, -10000, 10000, labels.balance.c_str());
  io.I32(stored.delay_ms, labels.delay.c_str());
  io.I32(stored.position_ms, labels.position.c_str());
  io.U8(stored.mode, labels.mode.c_str());
  io.Str(OnPlayEnd, labels.play_end.c_str());
}

void MediaPlayback::ReopenLoaded(StoredPlayback& stored) {
  if (stored.mode > LP_STOPFADE) stored.mode = LP_STOP;
  if (MuteOnLoad) Volume = 0;
  // No fade while the file reopens.
  Delay = 0;
  if (stored.source != Source) ChangeSource(stored.source);
  StartPosition = RewindOnLoad ? 0 : stored.position_ms;
  Paused = stored.paused;
}

void MediaPlayback::ResumeLoaded(const StoredPlayback& stored) {
  // A fade-out stored midway opens the item playing, to fade it out anew.
  if (stored.mode == LP_STOPFADE) SetPlayMode(LP_PLAY);
  Delay = stored.delay_ms;
}

}  // namespace vesk::components
