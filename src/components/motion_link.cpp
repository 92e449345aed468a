#include "components/motion_link.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <optional>

#include "anim/film_file.h"
#include "anim/film_math.h"
#include "components/particle.h"
#include "lang/vocabulary.h"
#include "scene/vesk_object.h"

namespace vesk::components {

FilmMotionLink::FilmMotionLink(scene::TVeskControl& driven, anim::FilmData film,
                               const std::string& name, TOrloCollection* pictures, bool show_first)
    : driven_(&driven), pictures_(pictures), stage_(driven) {
  film_.Load(std::move(film), name, &pictures_);
  film_.Place(anim::FilmPlacement::kMotion, &stage_, nullptr);
  film_.BasePriority = driven_->Priority;
  if (show_first) Show(0);
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
  }
  // The particle's own motion moved it (and cleared its motion offsets)
  // since the film last showed on it: the frame is written again.
  shown_ = false;
  return ShowAt(age_ms);
}

namespace {

std::optional<anim::FilmData> ReadMotion(const std::string& file, ComponentServices* services) {
  const std::optional<std::vector<uint8_t>> bytes = ReadGameFile(services, file);
  if (!bytes) return std::nullopt;
  try {
    return anim::ReadFilm(*bytes, file);
  } catch (const anim::EFilmFile&) {
    return std::nullopt;  // a damaged motion shows nothing, like a missing one
  }
}

// One emitter's film, moved from particle to particle as each updates.
class FilmParticleLink final : public TVeskParticleFilm {
 public:
  explicit FilmParticleLink(std::unique_ptr<FilmMotionLink> link) : link_(std::move(link)) {}
  bool ShowAt(TVeskParticleImages& particle, int32_t age_ms) override {
    return link_->StepParticle(particle, age_ms);
  }

 private:
  std::unique_ptr<FilmMotionLink> link_;
};

}  // namespace

std::unique_ptr<FilmMotionLink> MakeFilmMotion(scene::TVeskControl& driven, const std::string& file,
                                               ComponentServices* services) {
  std::optional<anim::FilmData> film = ReadMotion(file, services);
  if (!film) return nullptr;
  return std::make_unique<FilmMotionLink>(driven, std::move(*film), file,
                                          services ? services->pictures : nullptr);
}

std::unique_ptr<TVeskParticleFilm> MakeParticleFilm(TVeskParticle& emitter, const std::string& file,
                                                    ComponentServices* services) {
  std::optional<anim::FilmData> film = ReadMotion(file, services);
  if (!film) return nullptr;
  return std::make_unique<FilmParticleLink>(std::make_unique<FilmMotionLink>(
      emitter, std::move(*film), file, services ? services->pictures : nullptr, false));
}

ParticleFilmFactory FilmParticleFactory(ComponentServices* services) {
  return [services](TVeskParticle& emitter, const std::string& file) {
    return MakeParticleFilm(emitter, file, services);
  };
}

MotionFactory FilmMotionFactory(ComponentServices* services) {
  return [services](scene::TVeskControl& driven,
                    const std::string& file) -> std::unique_ptr<TVeskMotionLink> {
    return MakeFilmMotion(driven, file, services);
  };
}

}  // namespace vesk::components
