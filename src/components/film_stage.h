#pragma once
// The film player's ports over the scene: SceneFilmStage creates, places and
// deletes the objects of a film's lists in a scene root (a cinema's private
// stage, or the main root with the cinema as parent) or, for a motion,
// writes every value into the one driven control; CachePictures hands out
// the frames of the program-wide picture cache.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "anim/film_ports.h"

namespace vesk::scene {
class TVeskBaseList;
class TVeskControl;
}  // namespace vesk::scene

namespace vesk::components {

struct ComponentServices;
class TOrloCollection;

// A kind that spawns by a film's preset area (the particle emitter)
// implements this; other objects ignore the preset.
class PresetAreaTaker {
 public:
  virtual ~PresetAreaTaker() = default;
  virtual void TakePresetArea(const anim::ParticlePreset& preset) = 0;
};

class SceneFilmStage final : public anim::FilmStage {
 public:
  // Objects are made in `root` and named after `cinema` (when given), which
  // also becomes their parent in direct placement.
  SceneFilmStage(scene::TVeskBaseList& root, scene::TVeskControl* cinema,
                 ComponentServices* services);
  // Motion placement: every slot is `control`.
  explicit SceneFilmStage(scene::TVeskControl& control);

  void Ensure(int32_t slot, anim::FilmObjectKind kind, int32_t base) override;
  bool Has(int32_t slot) const override;
  void Drop(int32_t slot) override;
  void SetParent(int32_t slot, int32_t base) override;
  void SetInt(int32_t slot, anim::FilmProp prop, int32_t value) override;
  void SetStr(int32_t slot, anim::FilmProp prop, const std::string& value) override;
  void SetReal(int32_t slot, anim::FilmProp prop, double value) override;
  void ShowPicture(int32_t slot, const anim::FilmPictureFrame& frame,
                   bool size_to_picture) override;
  void SetBounds(int32_t slot, int32_t left, int32_t top, int32_t width, int32_t height) override;
  void SetPresetArea(int32_t slot, const anim::ParticlePreset& preset) override;
  void StartTransition(const anim::FilmTransition& transition) override;
  void SortShownBase() override;
  void SizeStage(int32_t width, int32_t height, int32_t back_color) override;

  // The object of a slot, or null (tests look at them).
  scene::TVeskControl* Object(int32_t slot) const;

 private:
  scene::TVeskControl* Make(anim::FilmObjectKind kind);

  scene::TVeskBaseList* root_;
  scene::TVeskControl* cinema_ = nullptr;
  scene::TVeskControl* control_ = nullptr;  // motion placement
  ComponentServices* services_ = nullptr;
  std::map<int32_t, scene::TVeskControl*> objects_;
};

// The scene property a film setting writes; nullopt for the motion fields.
std::optional<int> PropertyOf(anim::FilmProp prop);

class CachePictures final : public anim::FilmPictures {
 public:
  explicit CachePictures(TOrloCollection* cache) : cache_(cache) {}
  ~CachePictures() override;
  CachePictures(const CachePictures&) = delete;
  CachePictures& operator=(const CachePictures&) = delete;
  std::vector<anim::FilmPictureFrame> Acquire(const void* owner, const std::string& file) override;
  void Release(const void* owner) override;

 private:
  TOrloCollection* cache_;
  std::multimap<const void*, void*> held_;  // owner -> TOrloItem
};

// The bytes of a film among the game's files (the picture cache's file
// access); nullopt when the game does not hold it.
std::optional<std::vector<uint8_t>> ReadGameFile(ComponentServices* services,
                                                 const std::string& name);

}  // namespace vesk::components
