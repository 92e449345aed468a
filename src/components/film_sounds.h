#pragma once
// Sounds that play outside the scripts' sight. SceneFilmSounds gives the
// sound lists of a film their TVeskSound objects, made in the main scene
// root under system names (kept out of saved games) and deleted with the
// film. SoundEffects plays a file once, fire and forget (the sound of a
// preview-menu item), and gives each item back when it has ended.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "anim/film_ports.h"
#include "media/media_item.h"

namespace vesk::scene {
class TVeskBaseList;
class TVeskControl;
}  // namespace vesk::scene

namespace vesk::components {

class TVeskSound;

class SceneFilmSounds final : public anim::FilmSounds {
 public:
  // Sounds are made in `root` and named after `cinema` when given.
  SceneFilmSounds(scene::TVeskBaseList* root, const scene::TVeskControl* cinema)
      : root_(root), cinema_(cinema) {}
  ~SceneFilmSounds() override;
  SceneFilmSounds(const SceneFilmSounds&) = delete;
  SceneFilmSounds& operator=(const SceneFilmSounds&) = delete;

  bool Create(int32_t slot, const std::string& source) override;
  bool Has(int32_t slot) const override { return Sound(slot) != nullptr; }
  void Delete(int32_t slot) override;
  int32_t GetInt(int32_t slot, anim::FilmProp prop) const override;
  void SetInt(int32_t slot, anim::FilmProp prop, int32_t value) override;
  void Play(int32_t slot) override;
  bool Stopped(int32_t slot) const override;
  void Replay(int32_t slot) override;

  // The sound of a slot, or null (also when it was deleted behind the
  // film's back).
  TVeskSound* Sound(int32_t slot) const;

 private:
  scene::TVeskBaseList* root_;
  const scene::TVeskControl* cinema_;
  std::map<int32_t, TVeskSound*> sounds_;
};

class SoundEffects {
 public:
  explicit SoundEffects(const media::TMediaManagers* managers) : managers_(managers) {}
  ~SoundEffects() { Clear(); }
  SoundEffects(const SoundEffects&) = delete;
  SoundEffects& operator=(const SoundEffects&) = delete;

  // Plays `file` (CP932) once at full volume through the manager its
  // extension names; nothing when it cannot be had.
  void Play(const std::string& file);
  // Gives back the items that have ended; once a frame.
  void Tick();
  // Gives back every item (before the managers go).
  void Clear();
  size_t Playing() const { return items_.size(); }

  // Beyond this many at once the oldest is cut off.
  static constexpr size_t kMaxPlaying = 16;

 private:
  const media::TMediaManagers* managers_;
  std::vector<media::TDMediaItem*> items_;
};

}  // namespace vesk::components
