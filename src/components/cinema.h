#pragma once
// TVeskCinema (kind 4): a film played as a component. A film with a
// background colour, a wipe or a list on the other base plays on the
// cinema's private stage (a scene root of its own, drawn into the cinema's
// area, only where something changed); any other film places its objects
// straight into the scene as the cinema's children.
#include <cstdint>
#include <memory>
#include <string>

#include "anim/film_player.h"
#include "components/component_services.h"
#include "components/film_sounds.h"
#include "components/film_stage.h"
#include "graphics/dibsfc.h"
#include "scene/baselist.h"

namespace vesk::components {

class TVeskCinema final : public scene::TVeskControl, public ServiceUser {
 public:
  explicit TVeskCinema(scene::TVeskBaseList* root);
  ~TVeskCinema() override;

  std::string Source;
  int32_t Position_ms = 0;  // film time
  uint8_t Ended = 0;
  uint8_t Repeat = 0, Paused = 0, AutoScrap = 0;
  std::string OnPlayEnd, OnIdle;
  int32_t HoldFrames = 0;  // updates that show the frame at Position_ms without advancing
  int32_t Volume = 1000;
  uint8_t RewindOnLoad = 0, MuteOnLoad = 0;

  int GetCompoType() const override { return lang::LT_CINEMA; }
  int32_t GetInt(int id) const override;
  void SetInt(int id, int32_t value) override;
  bool GetFlag(int id) const override;
  void SetFlag(int id, bool value) override;
  std::string GetStr(int id) const override;
  void SetStr(int id, const std::string& value) override;

  bool Update(int32_t frame_ms) override;
  void Draw(graphics::TCustomDIBX& surface, const Rect& clip) override;
  void RestoreSurfaces() override;

  anim::TFilmManager* Film() { return film_.get(); }
  bool OnStage() const { return film_ && on_stage_; }
  scene::TVeskBaseList& Stage() { return *stage_; }

 protected:
  void TransferKindFields(RecordIO& io) override;

 private:
  void SetSource(const std::string& name);
  void LoadFilm(const std::string& name);
  void SetPausedFlags();
  // The stage's changes become the scene's dirty rectangles.
  void PassStageDirt();
  // The picture the stage's shown base draws into (and its transitions
  // compose on), as large as the stage.
  graphics::TDIBX& StageScreen();

  std::unique_ptr<scene::TVeskBaseList> stage_;
  std::unique_ptr<graphics::TDIBX> stage_screen_;
  std::unique_ptr<CachePictures> pictures_;
  std::unique_ptr<SceneFilmStage> ports_;
  SceneFilmSounds sounds_;                    // in the main scene root, named after the cinema
  std::unique_ptr<anim::TFilmManager> film_;  // after its ports: freed first
  bool on_stage_ = false;
  int bit_count_ = 32;
};

}  // namespace vesk::components
