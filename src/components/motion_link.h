#pragma once
// Motions on controls: a motion file (".lmt") played by a film player in
// motion placement, every list writing into the driven control (its motion
// offsets, picture, size, zoom, angle, alpha, clip). The image kinds, the
// buttons and the labels drive it through TVeskMotionLink; a particle film
// drives one the same way with the particle's age as its time.
#include <cstdint>
#include <memory>
#include <string>

#include "anim/film_player.h"
#include "components/component_services.h"
#include "components/film_stage.h"

namespace vesk::components {

class FilmMotionLink final : public TVeskMotionLink {
 public:
  // Shows the first frame on `driven` at once unless `show_first` is false
  // (a particle film waits for its first particle instead).
  FilmMotionLink(scene::TVeskControl& driven, anim::FilmData film, const std::string& name,
                 TOrloCollection* pictures, bool show_first = true);
  ~FilmMotionLink() override;

  // Time moves on unless the control's animation is paused; past the last
  // frame a repeating control wraps to the loop start, any other stays on
  // the last frame and reports the end once.
  bool Step(int32_t frame_ms) override;
  bool Ended() const override { return ended_; }
  void Restart() override;
  int32_t PositionMs() const override { return position_ms_; }
  void SetPositionMs(int32_t ms) override;
  int32_t FrameCount() const override { return film_.FrameCount(); }

  // Shows the frame at `time_ms` without the repeat rule; true at or past
  // the end (the last frame is then shown).
  bool ShowAt(int32_t time_ms);
  // The particle film (one per emitter, shared by its particles): the film
  // moves to `particle`, takes its origin (its position when the film is
  // relative, else (0, 0)) and base priority at age 0, and shows the frame
  // of `age_ms`; true once the film is over (the particle is finished).
  bool StepParticle(scene::TVeskControl& particle, int32_t age_ms);
  // Points the film at another control; the next step shows its frame again.
  void Attach(scene::TVeskControl& control);
  anim::TFilmManager& Film() { return film_; }

 private:
  void Show(int32_t frame);

  scene::TVeskControl* driven_;
  CachePictures pictures_;
  SceneFilmStage stage_;
  anim::TFilmManager film_;  // last: lets its pictures go before the ports
  int32_t position_ms_ = 0;
  bool ended_ = false;
  bool shown_ = false;
};

// The motion of `file` for `driven`, or null when the game does not hold it
// or it is no film (the control then shows nothing).
std::unique_ptr<FilmMotionLink> MakeFilmMotion(scene::TVeskControl& driven, const std::string& file,
                                               ComponentServices* services);
// What ComponentServices::make_motion is filled with.
MotionFactory FilmMotionFactory(ComponentServices* services);

// The film the particles of `emitter` share, from the motion file `file`:
// nothing is shown on the emitter itself. Null when the game does not hold
// the file or it is no film (the particles then show nothing).
std::unique_ptr<TVeskParticleFilm> MakeParticleFilm(TVeskParticle& emitter, const std::string& file,
                                                    ComponentServices* services);
// What ComponentServices::make_particle_film is filled with.
ParticleFilmFactory FilmParticleFactory(ComponentServices* services);

}  // namespace vesk::components
