#include "components/film_sounds.h"

#include "components/sound.h"
#include "scene/baselist.h"

namespace vesk::components {

using namespace vesk::lang;
using anim::FilmProp;

SceneFilmSounds::~SceneFilmSounds() {
  std::vector<int32_t> slots;
  for (const auto& entry : sounds_) slots.push_back(entry.first);
  for (int32_t slot : slots) Delete(slot);
}

TVeskSound* SceneFilmSounds::Sound(int32_t slot) const {
  const auto it = sounds_.find(slot);
  if (it == sounds_.end() || !root_ || !root_->IsRegistered(it->second) ||
      root_->IsDying(it->second))
    return nullptr;
  return it->second;
}

bool SceneFilmSounds::Create(int32_t slot, const std::string& source) {
  if (!root_) return false;
  Delete(slot);
  auto* sound = dynamic_cast<TVeskSound*>(root_->CreateByKind(LT_SOUND));
  if (!sound) return false;
  std::string prefix(1, scene::kSystemNameByte);
  if (cinema_) prefix += cinema_->Name + scene::kSystemNameByte;
  sound->SetName(root_->UniqueName(prefix));
  sound->SetStr(PR_SOURCE, source);
  sounds_[slot] = sound;
  return true;
}

void SceneFilmSounds::Delete(int32_t slot) {
  TVeskSound* sound = Sound(slot);
  sounds_.erase(slot);
  if (!sound) return;
  // Silent at once; it goes at the end of the frame, which is safe from
  // inside another object's update or deletion.
  sound->SetFlag(PR_PAUSED, true);
  root_->ScheduleDelete(sound);
}

int32_t SceneFilmSounds::GetInt(int32_t slot, FilmProp prop) const {
  const TVeskSound* sound = Sound(slot);
  if (!sound) return 0;
  switch (prop) {
    case FilmProp::kCount:
      return sound->GetInt(PR_COUNT);
    case FilmProp::kIndex:
      return sound->GetInt(PR_INDEX);
    case FilmProp::kPaused:
      return sound->GetFlag(PR_PAUSED) ? 1 : 0;
    default:
      return 0;
  }
}

void SceneFilmSounds::SetInt(int32_t slot, FilmProp prop, int32_t value) {
  TVeskSound* sound = Sound(slot);
  if (!sound) return;
  switch (prop) {
    case FilmProp::kVolume:
      return sound->SetInt(PR_VOLUME, value);
    case FilmProp::kBalance:
      return sound->SetInt(PR_BALANCE, value);
    case FilmProp::kIndex:
      return sound->SetInt(PR_INDEX, value);
    case FilmProp::kRepeat:
      return sound->SetFlag(PR_REPEAT, value != 0);
    case FilmProp::kPaused:
      return sound->SetFlag(PR_PAUSED, value != 0);
    default:
      return;
  }
}

void SceneFilmSounds::Play(int32_t slot) {
  if (TVeskSound* sound = Sound(slot)) sound->SetPlayMode(LP_PLAY);
}

bool SceneFilmSounds::Stopped(int32_t slot) const {
  const TVeskSound* sound = Sound(slot);
  return !sound || sound->PlayMode == LP_STOP;
}

void SceneFilmSounds::Replay(int32_t slot) {
  if (TVeskSound* sound = Sound(slot)) sound->Replay();
}

// ---- Sound effects --------------------------------------------------------

void SoundEffects::Play(const std::string& file) {
  Tick();
  media::TMediaManager* manager = SoundManagerFor(managers_, file);
  media::TDMediaItem* item = manager ? manager->Add(file) : nullptr;
  if (!item) return;
  if (items_.size() >= kMaxPlaying) {
    media::TDMediaItem* oldest = items_.front();
    items_.erase(items_.begin());
    oldest->Manager()->Remove(oldest);
  }
  item->SetLoop(false);
  item->SetVolume(0);
  item->Play();
  items_.push_back(item);
}

void SoundEffects::Tick() {
  std::erase_if(items_, [](media::TDMediaItem* item) {
    if (!item->PollEnded()) return false;
    item->Manager()->Remove(item);
    return true;
  });
}

void SoundEffects::Clear() {
  for (media::TDMediaItem* item : items_) item->Manager()->Remove(item);
  items_.clear();
}

}  // namespace vesk::components
