#include "components/sound.h"

#include <algorithm>

#include "scene/baselist.h"

namespace vesk::components {

using namespace vesk::lang;

namespace {

bool IsCdTrack(const std::string& source) {
  return source.rfind("CD_", 0) == 0;
}

// The system name a fading sound steps aside to.
std::string ScrapName(const std::string& name) {
  return std::string(1, scene::kSystemNameByte) + "SCRAP_" + name;
}

}  // namespace

media::TMediaManager* SoundManagerFor(const media::TMediaManagers* managers,
                                      const std::string& source) {
  return managers ? managers->ForSoundName(source) : nullptr;
}

TVeskSound::~TVeskSound() {
  if (Item) Item->SetVolume(kSilentVolume);
  Fade.reset();
  ReleaseItem();
}

// ---- Properties -----------------------------------------------------------

int32_t TVeskSound::GetInt(int id) const {
  if (const std::optional<int32_t> value = PlaybackInt(id)) return *value;
  return TVeskComponent::GetInt(id);
}

void TVeskSound::SetInt(int id, int32_t value) {
  if (id != PR_INDEX) {
    if (!SetPlaybackInt(id, value)) TVeskComponent::SetInt(id, value);
    return;
  }
  StartPosition = value;
  if (!Item) return;
  Item->SetPosition(value);
  Ended = 0;
  if (!Paused && !Item->IsPlaying()) Item->Play();
}

bool TVeskSound::GetFlag(int id) const {
  if (id == PR_PLAYING) return Item && Item->IsPlaying();
  if (const std::optional<bool> value = PlaybackFlag(id)) return *value;
  return TVeskComponent::GetFlag(id);  // PR_ANIPAUSED reads the default
}

void TVeskSound::SetFlag(int id, bool value) {
  const uint8_t v = value ? 1 : 0;
  switch (id) {
    case PR_REPEAT:
      if (ChangeRepeat(value)) Ended = 0;
      return;
    case PR_PAUSED:
    case PR_ANIPAUSED: {
      uint8_t& flag = id == PR_PAUSED ? Paused : AniPaused;
      if (flag == v) return;
      flag = v;
      ApplyPauseState();
      return;
    }
    default:
      if (!SetPlaybackFlag(id, value)) TVeskComponent::SetFlag(id, value);
  }
}

std::string TVeskSound::GetStr(int id) const {
  if (std::optional<std::string> value = PlaybackStr(id)) return std::move(*value);
  return TVeskComponent::GetStr(id);
}

void TVeskSound::SetStr(int id, const std::string& value) {
  if (!SetPlaybackStr(id, value)) TVeskComponent::SetStr(id, value);
}

void TVeskSound::ChangeSource(const std::string& source) {
  ReleaseItem();
  Source = source;
  PlayMode = LP_STOP;
  Paused = 0;
  StartPosition = 0;
  Ended = 0;
}

// ---- Playing --------------------------------------------------------------

media::TMediaManager* TVeskSound::PlaybackManager() const {
  return SoundManagerFor(services() ? services()->media : nullptr, Source);
}

bool TVeskSound::OpenItem() {
  if (Item) return true;
  if (!HoldsSource() && !IsCdTrack(Source)) return false;
  media::TMediaManager* manager = PlaybackManager();
  if (!manager) return false;
  Item = manager->Add(Source);
  if (!Item) return false;
  Item->SetPan(Balance);
  if (StartPosition > 0) Item->SetPosition(StartPosition);
  return true;
}

void TVeskSound::SetPlayMode(int mode) {
  Ended = 0;
  EnterPlayMode(mode);
  if (PlayMode == LP_PLAYFADE && Delay <= 0) PlayMode = LP_PLAY;
  if (PlayMode == LP_PLAY || PlayMode == LP_PLAYFADE) {
    // An open item keeps playing as it does: only the mode is recorded.
    if (Item || !OpenItem()) return;
  }
  switch (PlayMode) {
    case LP_STOP:
      if (!Item) return;
      ReleaseItem();
      StartPosition = 0;
      if (Root) Root->ScheduleDelete(this);
      return;
    case LP_PLAY:
      Item->SetLoop(Repeat);
      Item->SetVolume(ScaledVolume(Item, Volume));
      if (Paused)
        Item->Pause();
      else
        Item->Play();
      if (StartPosition > 0) Item->SetPosition(StartPosition);
      return;
    case LP_PLAYFADE:
      Item->SetLoop(Repeat);
      if (!Paused) StartFadeIn();
      return;
    default:  // LP_STOPFADE
      if (!FadeOutItem(false)) {
        if (Root) Root->ScheduleDelete(this);
        return;
      }
      SetName(ScrapName(Name));
  }
}

void TVeskSound::Replay() {
  StartPosition = 0;
  Paused = 0;
  Ended = 0;
  SetPlayMode(LP_PLAYFADE);
  if (Item && !RewindForReplay() && !Item->IsPlaying()) Item->Play();
}

void TVeskSound::ApplyPauseState() {
  if (!Item) return;
  if (Paused || AniPaused) {
    Item->Pause();
    Item->SetVolume(kSilentVolume);
  } else if (PlayMode == LP_PLAYFADE) {
    StartFadeIn();
  } else {
    Item->SetVolume(ScaledVolume(Item, Volume));
    Item->Play();
  }
}

bool TVeskSound::Update(int32_t frame_ms) {
  AdvanceClock(frame_ms);
  if (Item && Item->PollEnded()) {
    Item->ClearEnded(0);
    Ended = 1;
    if (Repeat) {
      Item->SetPosition(0);
      return false;
    }
    if (AutoScrap) return true;
    if (!OnPlayEnd.empty()) QueueEvent(PR_ONPLAYEND, OnPlayEnd);
    return false;
  }
  if (!FadeOver()) return false;
  const bool faded_out = Fade->FadesOut();
  Fade.reset();
  return faded_out;
}

// ---- Stored form ----------------------------------------------------------

void TVeskSound::Transfer(RecordIO& io) {
  static const StoredLabels kLabels("sound");
  TVeskComponent::Transfer(io);
  StoredPlayback stored = StoredNow();
  uint8_t ani_paused = AniPaused, ended = Ended;
  TransferHead(io, stored, kLabels);
  io.Flag(ani_paused, "sound animation pause");
  io.Flag(ended, "sound ended");
  TransferBody(io, stored, kLabels);
  if (io.loading()) RewindOnLoad = MuteOnLoad = 0;
  if (io.version() > 107) io.Flag(RewindOnLoad, "sound rewind on load");
  if (io.version() > 128) io.Flag(MuteOnLoad, "sound mute on load");
  if (!io.loading()) return;
  ReopenLoaded(stored);
  AniPaused = ani_paused;
  Ended = ended;
  ResumeLoaded(stored);
  if (ended)
    PlayMode = stored.mode;
  else
    SetPlayMode(stored.mode);
  if (Paused || AniPaused) ApplyPauseState();
}

}  // namespace vesk::components
