#pragma once
// The particle emitter (kind 14) and its particles. The emitter spawns
// image particles at places and intervals its creation expressions give (or
// a preset area a film hands it) and moves them by one of four built-in
// motions. Motion runs on a fixed tick of one frame period; a slow frame is
// caught up by advancing several ticks at once through each motion's closed
// form, never tick by tick.
//
// Particles are registered objects of the root and children of the
// emitter; their names begin with the system byte, so they are never saved
// and scripts do not list them.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "components/component_services.h"
#include "components/effect_random.h"
#include "components/film_stage.h"
#include "components/image_list.h"
#include "components/images.h"
#include "expr/parser.h"

namespace vesk::components {

class TVeskParticle;
class TVeskParticleImages;

// Where and how often particles appear when a film sets it instead of the
// expressions: a particle appears at random(range) + base on each axis, the
// next one random(interval range) + interval base ms later.
struct TVeskParticleParam {
  int32_t XBase = 0, YBase = 0, XRange = 0, YRange = 0, IntervalBase = 0, IntervalRange = 0;
};

// A motion film every particle of one emitter shows at its own age
// (ComponentServices::make_particle_film makes it for an ".lmt" source).
// Without one such a source shows nothing while its particles still move.
class TVeskParticleFilm {
 public:
  virtual ~TVeskParticleFilm() = default;
  // Shows the film on `particle` at `age_ms`; true when the age is at or
  // beyond the film's end (the last frame is shown and the particle ends).
  virtual bool ShowAt(TVeskParticleImages& particle, int32_t age_ms) = 0;
};

class TVeskParticleImages final : public TVeskCustomImages {
 public:
  TVeskParticleImages(scene::TVeskBaseList* root, TVeskParticle* emitter);
  ~TVeskParticleImages() override;

  std::array<double, 3> Params{};  // P1..P3, adjusted by the motion's start
  // The motions' working values (MotionAngle: radians, apart from the
  // picture's own Angle).
  double PosX = 0, Progress = 0, Amplitude = 0, AngularSpeed = 0, MotionAngle = 0, Rate = 0;
  int32_t OriginX = 0, OriginY = 0;
  uint8_t PartMotion = 0;
  double Reach = 0;
  uint8_t Finished = 0;
  int32_t AgeMs = 0;

  int GetCompoType() const override { return lang::LT_NONE; }
  bool NeedsAutoName() const override { return false; }
  bool Repeats() const override { return true; }
  TVeskImageList* ShownList() override;
  bool GetFlag(int id) const override;
  std::string GetStr(int id) const override;
  // The emitter's film places the particle through its motion offsets.
  bool HasMotion() const override;
  bool Update(int32_t frame_ms) override;
  void Draw(graphics::TCustomDIBX& surface, const Rect& clip) override;
  void RestoreSurfaces() override { InvalidateImage(); }

  // The motion's start rule (anchors the particle at its centre first).
  void StartMotion(EffectRandom& random);
  // `ticks` frame periods of motion at once (ticks >= 1).
  void Advance(int64_t ticks);
  // The emitter is going: the particle forgets it.
  void DetachEmitter() { emitter_ = nullptr; }

 private:
  // Both coordinates at once: one invalidation of the old place and one of
  // the new.
  void MoveTo(int32_t left, int32_t top);
  void AdvanceSnow(int64_t ticks);
  void AdvanceStar(int64_t ticks);
  void AdvanceFluff(int64_t ticks);
  void AdvanceTwister(int64_t ticks);
  int32_t EmitterWidth() const;
  int32_t EmitterHeight() const;
  TVeskParticle* emitter_;
};

class TVeskParticle final : public scene::TVeskControl, public ServiceUser, public PresetAreaTaker {
 public:
  explicit TVeskParticle(scene::TVeskBaseList* root);
  ~TVeskParticle() override;

  // The X, Y and interval expressions of the creation command.
  expr::TVeskParser AppearX, AppearY, Interval;
  std::optional<TVeskParticleParam> PresetArea;
  std::string Source;
  uint8_t PartMotion = 0;
  std::array<expr::Real, 3> Params{};
  int32_t Alpha = 0;
  int32_t SpawnCountdownMs = 0;
  int32_t StepRemainderMs = 0;
  int32_t WarmUpMs = 0;  // PR_INDEX
  std::string OnIdle;
  uint8_t Paused = 0;
  int32_t DurationMs = 0;  // remaining spawning time; <= 0 spawns for ever
  uint8_t EmitState = 0;   // 0 not started, 1 spawning, 2 draining

  // Frame period of the motion tick.
  static constexpr int32_t kTickMs = 16;
  // Live particles one emitter keeps at most: a script asking for more (a
  // tiny interval over a long warm-up) gets spawning held back instead of
  // millions of objects.
  static constexpr size_t kMaxParticles = 10000;
  // The longest warm-up run through at once (ten minutes of particles).
  static constexpr int32_t kMaxWarmUpMs = 600000;

  int GetCompoType() const override { return lang::LT_PARTICLE; }
  void TakeCreationExpression(int id, const expr::TVeskParser& expression) override;
  // A film's particle list: particles appear in its area from now on.
  void TakePresetArea(const anim::ParticlePreset& preset) override;

  // The emitter's own motion (it places the emitter, not its particles);
  // an empty or unknown file takes it away.
  void SetMotion(const std::string& file);
  void RestartMotion();
  TVeskMotionLink* Motion() const { return motion_.get(); }
  bool HasMotion() const override { return motion_ != nullptr; }

  int32_t GetInt(int id) const override;
  void SetInt(int id, int32_t value) override;
  bool GetFlag(int id) const override;
  void SetFlag(int id, bool value) override;
  std::string GetStr(int id) const override;
  void SetStr(int id, const std::string& value) override;
  Real GetReal(int id) const override;
  void SetReal(int id, Real value) override;

  bool Update(int32_t frame_ms) override;
  void ReleaseSurfaces() override { images_.ReleaseSurfaces(); }
  void RestoreSurfaces() override { Invalidate(); }

  TVeskImageList& Images() { return images_; }
  TVeskParticleFilm* Film() const { return film_.get(); }
  const std::vector<TVeskParticleImages*>& Particles() const { return particles_; }
  void ForgetParticle(TVeskParticleImages* particle);
  // A particle's priority moved: the children are sorted after the step.
  void OrderChanged() { order_changed_ = true; }
  EffectRandom& Random() { return random_; }

 protected:
  void TransferKindFields(RecordIO& io) override;

 private:
  void SetSource(const std::string& name);
  void DeleteParticles();
  // `ticks` of motion for every particle, then (when spawning) the
  // particles that came due in them.
  void Emit(int64_t ticks, bool spawning);
  void SpawnDue(int64_t ticks);
  // Place (x, y) and interval of the next particle.
  void NextPlace(int32_t* x, int32_t* y, int32_t* interval_ms);
  int32_t EvaluateInt(expr::TVeskParser& expression, bool* had_value);
  TVeskParticleImages* Spawn(int32_t x, int32_t y);
  std::string NextParticleName();
  void JoinChildren(TVeskParticleImages* particle);
  static constexpr size_t kNameDigits = 10;

  TVeskImageList images_;
  std::unique_ptr<TVeskParticleFilm> film_;
  std::unique_ptr<TVeskMotionLink> motion_;
  std::vector<TVeskParticleImages*> particles_;
  EffectRandom random_{*this};
  std::string name_prefix_;
  uint64_t name_counter_ = 0;
  bool order_changed_ = false;
};

}  // namespace vesk::components
