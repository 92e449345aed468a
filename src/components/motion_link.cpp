#include "components/motion_link.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "anim/film_file.h"
#include "anim/film_math.h"
#include "lang/vocabulary.h"
#include "scene/vesk_object.h"

namespace vesk::components {

FilmMotionLink::FilmMotionLink(scene::TVeskControl& driven, anim::FilmData film,
                               const std::string& name, TOrloCollection* pictures)
    : driven_(&driven), pictures_(pictures), stage_(driven) {
  film_.Load(std::move(film), name, &pictures_);
  film_.Place(anim::FilmPlacement::kMotion, &stage_, nullptr);
  film_.BasePriority = driven_->Priority;
  Show(0);
}

FilmMotionLink::~FilmMotionLink() = default;

void FilmMotionLink::Show(int32_t frame) {
  if (shown_ && frame == film_.CurrentFrame()) return;
  shown_ = true;
  film_.SetFrame(frame);
}

bool FilmMotionLink::Step(int32_t frame_ms) {
  if (ended_) return false;
  if (!driven_->AniPaused)
    position_ms_ =
        static_cast<int32_t>(std::min<int64_t>(int64_t{position_ms_} + frame_ms, INT32_MAX));
  const int32_t count = film_.FrameCount();
  int32_t frame = anim::FrameOfElapsed(position_ms_);
  bool just_ended = false;
  if (frame >= count) {
    if (driven_->GetFlag(lang::PR_REPEAT) && count > 0) {
      frame = static_cast<int32_t>(
          std::min<int64_t>(int64_t{frame % count} + film_.LoopStart(), count - 1));
      position_ms_ = static_cast<int32_t>(std::lround(frame * anim::kFrame_ms));
    } else {
      frame = std::max(0, count - 1);
      ended_ = true;
      just_ended = true;
    }
  }
  Show(frame);
  return just_ended;
}

void FilmMotionLink::Restart() {
  position_ms_ = 0;
  ended_ = false;
  shown_ = false;
  film_.BasePriority = driven_->Priority;
  Show(0);
}

void FilmMotionLink::SetPositionMs(int32_t ms) {
  position_ms_ = std::max(0, ms);
  ended_ = false;
  Show(anim::FrameOfElapsed(position_ms_));
}

bool FilmMotionLink::ShowAt(int32_t time_ms) {
  position_ms_ = time_ms;
  const int32_t count = film_.FrameCount();
  const int32_t frame = anim::FrameOfElapsed(time_ms);
  if (frame >= count) {
    Show(std::max(0, count - 1));
    return true;
  }
  Show(frame);
  return false;
}

void FilmMotionLink::Attach(scene::TVeskControl& control) {
  if (driven_ == &control) return;
  driven_ = &control;
  stage_ = SceneFilmStage(control);
  shown_ = false;
}

bool FilmMotionLink::StepParticle(scene::TVeskControl& particle, int32_t age_ms) {
  Attach(particle);
  if (age_ms == 0) {
    film_.Origin =
        film_.Relative() ? anim::FilmPoint{particle.Left, particle.Top} : anim::FilmPoint{};
    film_.BasePriority = particle.Priority;
    shown_ = false;
  }
  return ShowAt(age_ms);
}

std::unique_ptr<FilmMotionLink> MakeFilmMotion(scene::TVeskControl& driven, const std::string& file,
                                               ComponentServices* services) {
  const std::optional<std::vector<uint8_t>> bytes = ReadGameFile(services, file);
  if (!bytes) return nullptr;
  std::optional<anim::FilmData> film;
  try {
    film = anim::ReadFilm(*bytes, file);
  } catch (const anim::EFilmFile&) {
    return nullptr;  // a damaged motion shows nothing, like a missing one
  }
  if (!film) return nullptr;
  return std::make_unique<FilmMotionLink>(driven, std::move(*film), file,
                                          services ? services->pictures : nullptr);
}

MotionFactory FilmMotionFactory(ComponentServices* services) {
  return [services](scene::TVeskControl& driven,
                    const std::string& file) -> std::unique_ptr<TVeskMotionLink> {
    return MakeFilmMotion(driven, file, services);
  };
}

}  // namespace vesk::components
