#include "components/sound.h"

#include <algorithm>

#include "scene/baselist.h"

namespace vesk::components {

using namespace vesk::lang;

namespace {

std::string LowerExtension(const std::string& name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos) return {};
  std::string ext = name.substr(dot);
  for (char& c : ext)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return ext;
}

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
  if (!managers) return nullptr;
  const std::string ext = LowerExtension(source);
  if (ext == ".mid" || ext == ".sgt") return managers->midi;
  if (ext == ".wma" || ext == ".asf" || ext == ".wmv") return managers->wmp;
  if (ext == ".ogg" || ext == ".wav") return managers->ogg;
  return IsCdTrack(source) ? managers->cdda : nullptr;
}

int32_t MediaClockMs(const ComponentServices* services, int32_t fallback_ms) {
  return services && services->game_clock_ms ? services->game_clock_ms() : fallback_ms;
}

TVeskSound::~TVeskSound() {
  if (Item) Item->SetVolume(kSilentVolume);
  Fade.reset();
  ReleaseItem();
}

// ---- Properties -----------------------------------------------------------

int32_t TVeskSound::GetInt(int id) const {
  switch (id) {
    case PR_INDEX:
      return Item ? Item->GetPosition() : 0;
    case PR_COUNT: {
      if (Item) return Item->GetLength();
      if (!HoldsSource()) return 0;
      // The length of a file not open yet: open it for a moment.
      media::TMediaManager* manager =
          SoundManagerFor(services() ? services()->media : nullptr, Source);
      media::TDMediaItem* probe = manager ? manager->Add(Source) : nullptr;
      if (!probe) return 0;
      const int32_t length_ms = probe->GetLength();
      manager->Remove(probe);
      return length_ms;
    }
    case PR_VOLUME:
      return Volume;
    case PR_BALANCE:
      return Balance;
    case PR_DELAY:
      return Delay;
    default:
      return TVeskComponent::GetInt(id);
  }
}

void TVeskSound::SetInt(int id, int32_t value) {
  switch (id) {
    case PR_INDEX:
      StartPosition = value;
      if (!Item) return;
      Item->SetPosition(value);
      Ended = 0;
      if (!Paused && !Item->IsPlaying()) Item->Play();
      return;
    case PR_VOLUME:
      if (value == Volume) return;
      Volume = value;
      if (Item) Item->SetVolume(ScaledVolume(Item, Volume));
      return;
    case PR_BALANCE:
      if (value == Balance) return;
      Balance = std::clamp(value, -10000, 10000);
      if (Item) Item->SetPan(Balance);
      return;
    case PR_DELAY:
      Delay = value;
      return;
    case PR_COUNT:
      return;
    default:
      TVeskComponent::SetInt(id, value);
  }
}

bool TVeskSound::GetFlag(int id) const {
  switch (id) {
    case PR_REPEAT:
      return Repeat;
    case PR_PAUSED:
      return Paused;
    case PR_PLAYING:
      return Item && Item->IsPlaying();
    case PR_AUTOSCRAP:
      return AutoScrap;
    case PR_REWINDONLOAD:
      return RewindOnLoad;
    case PR_MUTEONLOAD:
      return MuteOnLoad;
    default:
      return TVeskComponent::GetFlag(id);  // PR_ANIPAUSED reads the default
  }
}

void TVeskSound::SetFlag(int id, bool value) {
  const uint8_t v = value ? 1 : 0;
  switch (id) {
    case PR_REPEAT:
      Repeat = v;
      if (!Item) return;
      Item->SetLoop(value);
      if (Repeat && !Paused && Item->GetPosition() >= Item->GetLength() - 1) {
        Item->SetPosition(0);
        Ended = 0;
      }
      return;
    case PR_PAUSED:
    case PR_ANIPAUSED: {
      uint8_t& flag = id == PR_PAUSED ? Paused : AniPaused;
      if (flag == v) return;
      flag = v;
      ApplyPauseState();
      return;
    }
    case PR_AUTOSCRAP:
      AutoScrap = v;
      return;
    case PR_REWINDONLOAD:
      RewindOnLoad = v;
      return;
    case PR_MUTEONLOAD:
      // The creating command sets it; the script property only reads it.
      MuteOnLoad = v;
      return;
    case PR_PLAYING:
      return;
    default:
      TVeskComponent::SetFlag(id, value);
  }
}

std::string TVeskSound::GetStr(int id) const {
  switch (id) {
    case PR_SOURCE:
      return Source;
    case PR_ONPLAYEND:
      return OnPlayEnd;
    default:
      return TVeskComponent::GetStr(id);
  }
}

void TVeskSound::SetStr(int id, const std::string& value) {
  switch (id) {
    case PR_SOURCE:
      if (value == Source) return;
      ReleaseItem();
      Source = value;
      PlayMode = LP_STOP;
      Paused = 0;
      StartPosition = 0;
      Ended = 0;
      return;
    case PR_ONPLAYEND:
      OnPlayEnd = value;
      return;
    default:
      TVeskComponent::SetStr(id, value);
  }
}

// ---- Playing --------------------------------------------------------------

bool TVeskSound::HoldsSource() const {
  const ComponentServices* s = services();
  return s && s->file_available && s->file_available(Source);
}

bool TVeskSound::OpenItem() {
  if (Item) return true;
  if (!HoldsSource() && !IsCdTrack(Source)) return false;
  media::TMediaManager* manager = SoundManagerFor(services() ? services()->media : nullptr, Source);
  if (!manager) return false;
  Item = manager->Add(Source);
  if (!Item) return false;
  Item->SetPan(Balance);
  if (StartPosition > 0) Item->SetPosition(StartPosition);
  return true;
}

void TVeskSound::ReleaseItem() {
  // A fade of the item given back would reach a freed item.
  Fade.reset();
  if (!Item) return;
  media::TDMediaItem* item = Item;
  Item = nullptr;
  if (item->Manager()) item->Manager()->Remove(item);
}

void TVeskSound::StartFadeIn() {
  Fade = std::make_unique<TVeskMixerFadein>(Item, Delay);
  Fade->TargetVolume = ScaledVolume(Item, Volume);
}

void TVeskSound::SetPlayMode(int mode) {
  Fade.reset();
  Ended = 0;
  if (mode < LP_PLAY || mode > LP_STOPFADE) mode = LP_STOP;
  PlayMode = static_cast<uint8_t>(mode);
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
      if (!Item) {
        if (Root) Root->ScheduleDelete(this);
        return;
      }
      Fade = std::make_unique<TVeskMixerFadeout>(Item, Delay);
      StartPosition = 0;
      SetName(ScrapName(Name));
  }
}

void TVeskSound::Replay() {
  StartPosition = 0;
  Paused = 0;
  Ended = 0;
  SetPlayMode(LP_PLAYFADE);
  if (!Item) return;
  Fade.reset();
  if (Delay <= 0) {
    Item->SetVolume(ScaledVolume(Item, Volume));
    Item->SetPosition(0);
    if (!Item->IsPlaying()) Item->Play();
    return;
  }
  Item->Pause();
  Item->SetVolume(kSilentVolume);
  Item->SetPosition(0);
  StartFadeIn();
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
  own_clock_ms_ =
      static_cast<int32_t>(static_cast<uint32_t>(own_clock_ms_) + static_cast<uint32_t>(frame_ms));
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
  if (!Fade || !Fade->Step(NowMs())) return false;
  const bool faded_out = Fade->FadesOut();
  Fade.reset();
  return faded_out;
}

// ---- Stored form ----------------------------------------------------------

void TVeskSound::Transfer(RecordIO& io) {
  TVeskComponent::Transfer(io);
  if (io.loading()) return LoadFields(io);
  int32_t position_ms = Item ? Item->GetPosition() : 0;
  io.Str(Source, "sound source");
  for (uint8_t* f : {&Repeat, &AutoScrap, &Paused, &AniPaused, &Ended}) io.Flag(*f, "sound flag");
  io.I32(Volume, "sound volume");
  io.I32(Balance, "sound balance");
  io.I32(Delay, "sound delay");
  io.I32(position_ms, "sound position");
  io.U8(PlayMode, "sound play mode");
  io.Str(OnPlayEnd, "sound play end handler");
  if (io.version() > 107) io.Flag(RewindOnLoad, "sound rewind on load");
  if (io.version() > 128) io.Flag(MuteOnLoad, "sound mute on load");
}

void TVeskSound::LoadFields(RecordIO& io) {
  std::string source;
  uint8_t paused = 0, ani_paused = 0, ended = 0, mode = LP_STOP;
  int32_t delay_ms = 0, position_ms = 0;
  io.Str(source, "sound source");
  io.Flag(Repeat, "sound repeat");
  io.Flag(AutoScrap, "sound auto scrap");
  io.Flag(paused, "sound paused");
  io.Flag(ani_paused, "sound animation pause");
  io.Flag(ended, "sound ended");
  io.I32(Volume, "sound volume");
  io.I32In(Balance, -10000, 10000, "sound balance");
  io.I32(delay_ms, "sound delay");
  io.I32(position_ms, "sound position");
  io.U8(mode, "sound play mode");
  io.Str(OnPlayEnd, "sound play end handler");
  RewindOnLoad = 0;
  MuteOnLoad = 0;
  if (io.version() > 107) io.Flag(RewindOnLoad, "sound rewind on load");
  if (io.version() > 128) io.Flag(MuteOnLoad, "sound mute on load");
  if (mode > LP_STOPFADE) mode = LP_STOP;
  if (MuteOnLoad) Volume = 0;
  // The sound reopens its file the way a script would have set it up.
  Delay = 0;
  SetStr(PR_SOURCE, source);
  StartPosition = RewindOnLoad ? 0 : position_ms;
  Paused = paused;
  AniPaused = ani_paused;
  Ended = ended;
  if (mode == LP_STOPFADE) SetPlayMode(LP_PLAY);
  Delay = delay_ms;
  if (ended)
    PlayMode = mode;
  else
    SetPlayMode(mode);
  if (Paused || AniPaused) ApplyPauseState();
}

}  // namespace vesk::components
