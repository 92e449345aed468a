#include "components/particle.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <numbers>

#include "expr/param_collection.h"
#include "lang/vocabulary.h"
#include "scene/baselist.h"

namespace vesk::components {

using namespace vesk::lang;

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

// Positions from the motions' reals: nearest (ties to even) or truncated,
// saturated to the 32-bit range; not-a-number lands on 0.
int32_t Saturate(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(v);
}
int32_t RoundI(double v) {
  return Saturate(std::nearbyint(v));
}
int32_t TruncI(double v) {
  return Saturate(std::trunc(v));
}
int32_t Clamp32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

int ParamIndex(int id) {
  switch (id) {
    case PR_PARAM1:
      return 0;
    case PR_PARAM2:
      return 1;
    case PR_PARAM3:
      return 2;
    default:
      return -1;
  }
}

}  // namespace

// ---- TVeskParticleImages --------------------------------------------------------------

TVeskParticleImages::TVeskParticleImages(scene::TVeskBaseList* root, TVeskParticle* emitter)
    : TVeskCustomImages(root), emitter_(emitter) {
  IgnoreMouse = IM_ALL;
}

TVeskParticleImages::~TVeskParticleImages() {
  if (emitter_) emitter_->ForgetParticle(this);
}

TVeskImageList* TVeskParticleImages::ShownList() {
  return emitter_ ? &emitter_->Images() : nullptr;
}

bool TVeskParticleImages::GetFlag(int id) const {
  return id == PR_REPEAT ? true : TVeskCustomImages::GetFlag(id);
}

int32_t TVeskParticleImages::EmitterWidth() const {
  return emitter_ ? emitter_->Width : 0;
}
int32_t TVeskParticleImages::EmitterHeight() const {
  return emitter_ ? emitter_->Height : 0;
}

bool TVeskParticleImages::HasMotion() const {
  return emitter_ && emitter_->Film();
}

bool TVeskParticleImages::Update(int32_t frame_ms) {
  if (!Finished && emitter_ && emitter_->Film()) Finished = emitter_->Film()->ShowAt(*this, AgeMs);
  if (Finished) {
    if (emitter_) emitter_->ForgetParticle(this);
    emitter_ = nullptr;
    return true;
  }
  if (!emitter_ || emitter_->Film()) return false;
  TVeskCustomImage::Update(frame_ms);  // the size after a zoom
  // A still picture has no frames to step (most particles show one).
  return emitter_->Images().Count() > 1 && StepFrames(frame_ms);
}

std::string TVeskParticleImages::GetStr(int id) const {
  // Asked of every object in every update pass: particles have no handlers.
  return id == PR_ONIDLE ? std::string() : TVeskCustomImages::GetStr(id);
}

void TVeskParticleImages::Draw(graphics::TCustomDIBX& surface, const Rect& clip) {
  DrawPicture(surface);
  // Thousands are drawn a frame and hardly any has children of its own.
  if (!Children.empty()) DrawChildren(surface, clip);
}

void TVeskParticleImages::MoveTo(int32_t left, int32_t top) {
  if (left == Left && top == Top && MotionOffsetX == 0 && MotionOffsetY == 0) return;
  // A particle steps a pixel or two a tick: the old and the new place,
  // when they touch, go up as one rectangle (thousands move every frame).
  const bool plain = TVeskCustomImage::Angle == 0 && !Clips() && Parent && GetVisible();
  const Rect before = plain ? SceneRect() : Rect{};
  if (!plain) InvalidateImage();
  Left = left;
  Top = top;
  MotionOffsetX = MotionOffsetY = 0;
  if (!plain) {
    InvalidateImage();
  } else if (const Rect after = SceneRect(); !before.IsEmpty() || !after.IsEmpty()) {
    const Rect limit = Parent->GetHitRect();
    const auto mark = [&](const Rect& r) {
      if (const Rect c = r.Intersect(limit); !c.IsEmpty()) InvalidateRect(c);
    };
    const Rect both = before.Union(after);
    if (both.Width() * both.Height() <=
        before.Width() * before.Height() * 2 + after.Width() * after.Height()) {
      mark(both);
    } else {
      mark(before);
      mark(after);
    }
  }
  Moved();
}

void TVeskParticleImages::StartMotion(EffectRandom& random) {
  SetInt(PR_OFFSETX, Width / 2);
  SetInt(PR_OFFSETY, Height / 2);
  double& p1 = Params[0];
  double& p2 = Params[1];
  double& p3 = Params[2];
  switch (PartMotion) {
    case PM_SNOW:
      OriginX = Left;
      OriginY = Top;
      Amplitude = 0;
      AngularSpeed = random.Unit() * 0.02 + 0.02;
      if (p1 <= 0) p1 = 0.1;
      if (p3 > p2) Amplitude = random.Unit() * (p3 - p2);
      return;
    case PM_STAR: {
      OriginX = Left;
      OriginY = Top;
      MotionAngle = random.Unit() * kTwoPi;
      Rate = p1 + 0.1;
      SetInt(PR_LEFT, Clamp32(int64_t{RoundI(Rate * std::cos(MotionAngle))} + OriginX));
      SetInt(PR_TOP, Clamp32(int64_t{RoundI(Rate * std::sin(MotionAngle))} + OriginY));
      // The reach is the distance to the farther corner.
      const double w = EmitterWidth(), h = EmitterHeight();
      const double fx = OriginX >= w * 0.5 ? 0 : w;
      const double fy = OriginY >= h * 0.5 ? 0 : h;
      Reach = std::hypot(std::abs(fy - OriginY), std::abs(fx - OriginX));
      p3 = random.Unit() * (p3 * 0.3) + p3 * 0.7;
      return;
    }
    case PM_FLUFF:
      p2 = (p3 - p2) * random.Unit() + p2;
      PosX = Left;
      OriginY = Top;
      return;
    case PM_TWISTER:
      OriginX = Left;
      Progress = Top;
      Amplitude = random.Unit() * (p2 * 0.5 * 0.05) + p2 * 0.5 * 0.95;
      Rate = random.Unit() * (p3 * 0.5) + p3 * 0.5;
      return;
    default:
      return;
  }
}

void TVeskParticleImages::Advance(int64_t ticks) {
  AgeMs = Clamp32(int64_t{AgeMs} + ticks * TVeskParticle::kTickMs);
  switch (PartMotion) {
    case PM_SNOW:
      return AdvanceSnow(ticks);
    case PM_STAR:
      return AdvanceStar(ticks);
    case PM_FLUFF:
      return AdvanceFluff(ticks);
    case PM_TWISTER:
      return AdvanceTwister(ticks);
    default:
      Finished = 1;
  }
}

void TVeskParticleImages::AdvanceSnow(int64_t ticks) {
  const double n = static_cast<double>(ticks);
  MotionAngle += AngularSpeed * n;
  const int32_t left =
      Clamp32(int64_t{RoundI(std::sin(MotionAngle) * (Params[1] + Amplitude))} + OriginX);
  int32_t top = Top;
  Progress += n * Params[0];
  if (Progress >= 1) {
    const double k = std::trunc(Progress);
    top = Clamp32(int64_t{Top} + TruncI(k));
    Progress -= k;
  }
  MoveTo(left, top);
  if (!Finished && GetLocalTop() >= EmitterHeight()) Finished = 1;
}

void TVeskParticleImages::AdvanceStar(int64_t ticks) {
  const double p2 = Params[1];
  if (ticks > 1) Rate *= std::pow(p2, static_cast<double>(ticks - 1));
  // A radius beyond the 32-bit range (or lost to overflow) ends the star.
  if (!(Rate <= 2147483647.0 && Rate >= -2147483647.0)) {
    Finished = 1;
    return;
  }
  MoveTo(Clamp32(int64_t{RoundI(std::cos(MotionAngle) * Rate)} + OriginX),
         Clamp32(int64_t{RoundI(std::sin(MotionAngle) * Rate)} + OriginY));
  Rate *= p2;
  if (!Finished && Rate >= Reach) Finished = 1;
  MotionAngle += Params[2];
}

void TVeskParticleImages::AdvanceFluff(int64_t ticks) {
  const double n = static_cast<double>(ticks);
  PosX += n * Params[1];
  Progress += n;
  MoveTo(TruncI(PosX), Clamp32(int64_t{OriginY} - TruncI(Params[0] * Progress * Progress)));
  if (Finished) return;
  const int64_t left = GetLocalLeft(), top = GetLocalTop();
  const bool above = top + Height < 0;
  if (Params[1] >= 0 ? left >= EmitterWidth() || above : left + Width < 0 || above) Finished = 1;
}

void TVeskParticleImages::AdvanceTwister(int64_t ticks) {
  MotionAngle += static_cast<double>(ticks) * Rate;
  if (MotionAngle > kTwoPi) MotionAngle -= kTwoPi;
  const double g = std::abs(std::cos(MotionAngle * 0.5)) * 0.5 + 0.5;
  const int32_t zoom = RoundI(g * 256);
  SetInt(PR_ZOOMX, zoom);
  SetInt(PR_ZOOMY, zoom);
  Progress -= Params[0];
  MoveTo(Clamp32(int64_t{TruncI(g * (std::sin(MotionAngle) * Amplitude))} + OriginX),
         TruncI(Progress));
  // Front of the whirl over its back: the emitter sorts its children once
  // after moving them all, not once per particle.
  const int32_t priority = RoundI((g - 0.5) / 0.5 * 2000 - 1000);
  if (priority != Priority || PriorityBias != 0) {
    Priority = priority;
    PriorityBias = 0;
    if (emitter_) emitter_->OrderChanged();
    InvalidateImage();
  }
  if (!Finished && int64_t{GetLocalTop()} + Height < 0) Finished = 1;
}

// ---- TVeskParticle --------------------------------------------------------------------

TVeskParticle::TVeskParticle(scene::TVeskBaseList* root) : TVeskControl(root) {}

TVeskParticle::~TVeskParticle() {
  for (TVeskParticleImages* p : particles_) p->DetachEmitter();
}

void TVeskParticle::TakePresetArea(const anim::ParticlePreset& preset) {
  PresetArea = TVeskParticleParam{preset.x_base,  preset.y_base,        preset.x_range,
                                  preset.y_range, preset.interval_base, preset.interval_range};
}

void TVeskParticle::SetMotion(const std::string& file) {
  if (motion_) {
    motion_.reset();
    Invalidate();
    MotionOffsetX = MotionOffsetY = 0;
    PriorityBias = 0;
  }
  const ComponentServices* made_with = services();
  if (IsMotionFile(file) && made_with && made_with->make_motion)
    motion_ = made_with->make_motion(*this, file);
  Invalidate();
}

void TVeskParticle::RestartMotion() {
  if (motion_) motion_->Restart();
}

void TVeskParticle::TakeCreationExpression(int id, const expr::TVeskParser& expression) {
  switch (id) {
    case PR_APPEARX:
      AppearX.Assign(expression);
      return;
    case PR_APPEARY:
      AppearY.Assign(expression);
      return;
    case PR_DELAY:
      Interval.Assign(expression);
      return;
    default:
      return;
  }
}

void TVeskParticle::ForgetParticle(TVeskParticleImages* particle) {
  // The newest go first when the scene is taken down: look from the end.
  const auto it = std::find(particles_.rbegin(), particles_.rend(), particle);
  if (it != particles_.rend()) particles_.erase(std::next(it).base());
}

int32_t TVeskParticle::GetInt(int id) const {
  switch (id) {
    // Asked for every particle's position: an emitter neither scrolls nor
    // zooms, answered here without the catalogue.
    case PR_SCROLLX:
    case PR_SCROLLY:
      return 0;
    case PR_ZOOMX:
    case PR_ZOOMY:
      return 256;
    case PR_PARTMOTION:
      return PartMotion;
    case PR_ALPHA:
      return Alpha;
    case PR_INDEX:
      return WarmUpMs;
    case PR_DURATION:
      return DurationMs;
    default:
      return TVeskControl::GetInt(id);
  }
}

void TVeskParticle::SetInt(int id, int32_t value) {
  switch (id) {
    case PR_PARTMOTION:
      if (static_cast<uint8_t>(value) == PartMotion) return;
      PartMotion = static_cast<uint8_t>(value);
      EmitState = 0;
      return;
    case PR_ALPHA:
      if (value == Alpha) return;
      Alpha = value;
      Invalidate();
      return;
    case PR_INDEX:
      WarmUpMs = value;
      return;
    case PR_DURATION:
      DurationMs = value;
      return;
    default:
      TVeskControl::SetInt(id, value);
  }
}

bool TVeskParticle::GetFlag(int id) const {
  switch (id) {
    case PR_FLIPH:
    case PR_FLIPV:
      return false;
    case PR_PAUSED:
      return Paused != 0;
    case PR_PLAYING:
      return !Paused && !AniPaused && !(motion_ && motion_->Ended());
    default:
      return TVeskControl::GetFlag(id);
  }
}

void TVeskParticle::SetFlag(int id, bool value) {
  if (id == PR_PAUSED) {
    Paused = value ? 1 : 0;
    return;
  }
  TVeskControl::SetFlag(id, value);
}

std::string TVeskParticle::GetStr(int id) const {
  switch (id) {
    case PR_SOURCE:
      return Source;
    case PR_ONIDLE:
      return OnIdle;
    default:
      return TVeskControl::GetStr(id);
  }
}

void TVeskParticle::SetStr(int id, const std::string& value) {
  switch (id) {
    case PR_SOURCE:
      SetSource(value);
      return;
    case PR_ONIDLE:
      OnIdle = value;
      return;
    default:
      TVeskControl::SetStr(id, value);
  }
}

Real TVeskParticle::GetReal(int id) const {
  const int i = ParamIndex(id);
  return i < 0 ? TVeskControl::GetReal(id) : Params[static_cast<size_t>(i)];
}

void TVeskParticle::SetReal(int id, Real value) {
  const int i = ParamIndex(id);
  if (i < 0) return TVeskControl::SetReal(id, value);
  Params[static_cast<size_t>(i)] = value;
}

void TVeskParticle::DeleteParticles() {
  // Deleting a particle takes it out of the list (its destructor); the
  // root keeps its running update pass in place itself.
  while (!particles_.empty()) {
    TVeskParticleImages* p = particles_.back();
    if (Root) Root->DeleteObject(p);
    if (!particles_.empty() && particles_.back() == p) {  // not the root's: let it go
      p->DetachEmitter();
      particles_.pop_back();
    }
  }
}

void TVeskParticle::SetSource(const std::string& name) {
  if (name == Source) return;
  Source = name;
  DeleteParticles();
  images_.Clear();
  film_.reset();
  if (IsLayeredFile(name)) {
    images_.Load(pictures(), this, name, false);
  } else if (IsMotionFile(name)) {
    const ComponentServices* made_with = services();
    if (made_with && made_with->make_particle_film)
      film_ = made_with->make_particle_film(*this, name);
  }
  EmitState = 0;
}

bool TVeskParticle::Update(int32_t frame_ms) {
  const bool done = TVeskControl::Update(frame_ms);
  // The emitter has no play-end handler: the end of its motion only shows
  // in PR_PLAYING.
  if (motion_) motion_->Step(frame_ms);
  if (AniPaused) return done;
  switch (EmitState) {
    case 0: {
      EmitState = 1;
      SpawnCountdownMs = 0;
      const int32_t warm_up = std::min(WarmUpMs, kMaxWarmUpMs);
      StepRemainderMs = warm_up % kTickMs;
      Emit(warm_up / kTickMs, true);
      return done;
    }
    case 1: {
      StepRemainderMs = Clamp32(int64_t{StepRemainderMs} + frame_ms);
      const int32_t ticks = StepRemainderMs / kTickMs;
      StepRemainderMs %= kTickMs;
      Emit(ticks, true);
      if (DurationMs > 0) {
        DurationMs = Clamp32(int64_t{DurationMs} - frame_ms);
        if (DurationMs <= 0) EmitState = 2;
      }
      return done;
    }
    default: {
      if (particles_.empty()) return true;
      StepRemainderMs = Clamp32(int64_t{StepRemainderMs} + frame_ms);
      const int32_t ticks = StepRemainderMs / kTickMs;
      StepRemainderMs %= kTickMs;
      Emit(ticks, false);
      return done;
    }
  }
}

void TVeskParticle::Emit(int64_t ticks, bool spawning) {
  if (spawning) SpawnCountdownMs = Clamp32(int64_t{SpawnCountdownMs} - ticks * kTickMs);
  if (ticks > 0)
    for (size_t i = particles_.size(); i-- > 0;) particles_[i]->Advance(ticks);
  if (spawning && PartMotion != PM_NONE) SpawnDue(ticks);
  if (order_changed_) {
    order_changed_ = false;
    SortChildren();
  }
}

void TVeskParticle::SpawnDue(int64_t ticks) {
  if (!Root) return;
  int64_t rest_ms = ticks * kTickMs;
  while (SpawnCountdownMs <= 0) {
    if (particles_.size() >= kMaxParticles) {
      // Held back: the next particle is due once some have gone.
      SpawnCountdownMs = 1;
      return;
    }
    int32_t x = 0, y = 0, interval_ms = kTickMs;
    NextPlace(&x, &y, &interval_ms);
    SpawnCountdownMs = Clamp32(int64_t{SpawnCountdownMs} + interval_ms);
    rest_ms -= interval_ms;
    TVeskParticleImages* p = Spawn(x, y);
    p->StartMotion(random_);
    // A particle due early in the step has moved on by its end.
    if (rest_ms >= kTickMs) p->Advance(rest_ms / kTickMs);
  }
}

int32_t TVeskParticle::EvaluateInt(expr::TVeskParser& expression, bool* had_value) {
  *had_value = false;
  const ComponentServices* made_with = services();
  if (expression.Ops.empty() || !made_with || !made_with->variables) return 0;
  expression.Run(*made_with->variables, made_with->functions);
  if (!expression.Result) return 0;
  *had_value = true;
  return expression.Result->GetInt();
}

void TVeskParticle::NextPlace(int32_t* x, int32_t* y, int32_t* interval_ms) {
  if (PresetArea) {
    const TVeskParticleParam& a = *PresetArea;
    *x = Clamp32(int64_t{random_.Below(a.XRange)} + a.XBase);
    *y = Clamp32(int64_t{random_.Below(a.YRange)} + a.YBase);
    *interval_ms = std::max(2, Clamp32(int64_t{random_.Below(a.IntervalRange)} + a.IntervalBase));
    return;
  }
  bool had_value = false;
  const int32_t interval = EvaluateInt(Interval, &had_value);
  *interval_ms = had_value ? std::max(2, interval) : kTickMs;
  *x = EvaluateInt(AppearX, &had_value);
  *y = EvaluateInt(AppearY, &had_value);
}

void TVeskParticle::JoinChildren(TVeskParticleImages* p) {
  // System-named children come before the others, and a new particle's
  // name (zero-padded, counting up) sorts after every earlier one's: it
  // belongs right after the last particle unless that one stands higher.
  auto at = Children.begin();
  while (at != Children.end() && !(*at)->Name.empty() && (*at)->Name[0] == scene::kSystemNameByte)
    ++at;
  const bool in_order =
      at == Children.begin() || (int64_t{(*(at - 1))->Priority} + (*(at - 1))->PriorityBias <= 0 &&
                                 (*(at - 1))->Name < p->Name);
  Children.insert(at, p);
  if (!in_order) order_changed_ = true;
}

std::string TVeskParticle::NextParticleName() {
  // Particles are numbered on from the highest number their prefix bears,
  // looked up once per emitter name, so that a spawn never walks the
  // registry.
  const std::string prefix = std::string(1, scene::kSystemNameByte) + Name + scene::kSystemNameByte;
  if (prefix != name_prefix_) {
    name_prefix_ = prefix;
    name_counter_ = 0;
    for (int32_t i = 0; i < Root->ObjectCount(); ++i) {
      const std::string& other = Root->GetObject(i)->Name;
      if (other.size() <= prefix.size() || other.compare(0, prefix.size(), prefix) != 0) continue;
      const std::string digits = other.substr(prefix.size());
      if (digits.size() > 10 || digits.find_first_not_of("0123456789") != std::string::npos)
        continue;
      name_counter_ = std::max<uint64_t>(name_counter_, std::stoull(digits) + 1);
    }
  }
  std::string digits = std::to_string(name_counter_++);
  if (digits.size() < kNameDigits) digits.insert(0, kNameDigits - digits.size(), '0');
  return prefix + digits;
}

TVeskParticleImages* TVeskParticle::Spawn(int32_t x, int32_t y) {
  auto owned = std::make_unique<TVeskParticleImages>(Root, this);
  TVeskParticleImages* p = owned.get();
  p->BindServices(services());
  p->Name = NextParticleName();
  Root->AddObject(std::move(owned));
  particles_.push_back(p);
  p->PartMotion = PartMotion;
  p->Parent = this;
  JoinChildren(p);
  p->SetInt(PR_LEFT, x);
  p->SetInt(PR_TOP, y);
  p->SetInt(PR_ALPHA, Alpha);
  for (size_t i = 0; i < 3; ++i) p->Params[i] = static_cast<double>(Params[i]);
  if (images_.Count() > 0) p->SetFrameIndex(0);
  return p;
}

void TVeskParticle::TransferKindFields(RecordIO& io) {
  AppearX.Transfer(io);
  AppearY.Transfer(io);
  Interval.Transfer(io);
  io.Via(&RecordIO::Str, Source, "particle source", [&](const std::string& s) { SetSource(s); });
  io.U8(PartMotion, "particle motion");
  for (Real& p : Params) io.Ext(p, "particle parameter");
  io.I32(Alpha, "particle alpha");
  if (io.Since(104)) {
    io.I32(WarmUpMs, "particle warm-up");
    io.Str(OnIdle, "particle idle handler");
    io.Flag(Paused, "particle paused");
    io.I32(DurationMs, "particle duration");
  }
  io.Absent(EmitState, uint8_t{0});
}

}  // namespace vesk::components
