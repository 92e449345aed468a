// The particle emitter: the four motions against their closed forms at
// given ages (a slow frame moves a particle exactly as far as the same time
// in single ticks would by the formula), spawning counts, warm-up,
// duration and removal, a source change during the update pass, the limits
// on what scripts and saved games may ask for, and the stored form.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "components/particle.h"
#include "image_fixture.h"

namespace vesk::components::test {
namespace {

constexpr double kPi = std::numbers::pi;

class Particles : public ImageScene {
 protected:
  // An emitter of `motion` spawning at (x, y) every `interval_ms`.
  TVeskParticle& Emitter(int motion, int32_t x, int32_t y, int32_t interval_ms,
                         std::array<double, 3> params, int32_t width = 400, int32_t height = 400) {
    auto& e = Make<TVeskParticle>(LT_PARTICLE, "emitter");
    e.SetInt(PR_WIDTH, width);
    e.SetInt(PR_HEIGHT, height);
    e.SetInt(PR_ALPHA, 255);
    const int ids[] = {PR_PARAM1, PR_PARAM2, PR_PARAM3};
    for (int i = 0; i < 3; ++i) e.SetReal(ids[i], params[static_cast<size_t>(i)]);
    e.PresetArea = TVeskParticleParam{x, y, 0, 0, interval_ms, 0};
    e.SetInt(PR_PARTMOTION, motion);
    return e;
  }
  // The one particle a slow emitter made at its first update.
  TVeskParticleImages& First(TVeskParticle& e) {
    EXPECT_EQ(e.Particles().size(), 1u);
    return *e.Particles().front();
  }
  int Count(const TVeskParticle& e) const { return static_cast<int>(e.Particles().size()); }
};

TEST_F(Particles, SnowSwaysAndFallsByItsClosedForm) {
  auto& e = Emitter(PM_SNOW, 100, 20, 1000000, {0.25, 12, 30});
  Frame();
  TVeskParticleImages& p = First(e);
  EXPECT_EQ(p.OriginX, 100);
  EXPECT_GE(p.AngularSpeed, 0.02);
  EXPECT_LT(p.AngularSpeed, 0.04);
  EXPECT_GE(p.Amplitude, 0.0);
  EXPECT_LT(p.Amplitude, 18.0);
  // 160 ms in one frame: ten ticks at once.
  Frame(160);
  EXPECT_EQ(p.Left, 100 + std::lrint(std::sin(p.AngularSpeed * 10) * (12 + p.Amplitude)));
  EXPECT_EQ(p.Top, 20 + 2);  // 10 x 0.25
  EXPECT_DOUBLE_EQ(p.Progress, 0.5);
  EXPECT_EQ(p.AgeMs, 160);
}

TEST_F(Particles, SnowWithoutSpeedFallsATenthPerTickAndSwaysByParam2) {
  auto& e = Emitter(PM_SNOW, 50, 0, 1000000, {0, 8, 8});
  Frame();
  TVeskParticleImages& p = First(e);
  EXPECT_DOUBLE_EQ(p.Params[0], 0.1);
  EXPECT_EQ(p.Amplitude, 0.0);  // P3 <= P2: the sway is P2 exactly
  Frame(1600);                  // 100 ticks
  EXPECT_EQ(p.Top, 10);
  EXPECT_EQ(p.Left, 50 + std::lrint(std::sin(p.AngularSpeed * 100) * 8));
}

TEST_F(Particles, SnowFinishesBelowTheEmitterAndIsDeleted) {
  auto& e = Emitter(PM_SNOW, 5, 0, 1000000, {1, 0, 0}, 20, 10);
  Frame();
  TVeskParticleImages* p = &First(e);
  const std::string name = p->Name;
  Frame(16 * 9);
  EXPECT_EQ(p->Finished, 0);
  Frame(16);  // top 10: out at the bottom
  EXPECT_EQ(root_.IndexOfName(name), -1);
  EXPECT_EQ(Count(e), 0);
}

TEST_F(Particles, StarGrowsGeometricallyAndStopsAtItsReach) {
  auto& e = Emitter(PM_STAR, 200, 200, 1000000, {20, 1.5, 0});
  Frame();
  TVeskParticleImages& p = First(e);
  const double angle = p.MotionAngle;
  EXPECT_EQ(p.Left, 200 + std::lrint(20.1 * std::cos(angle)));
  EXPECT_DOUBLE_EQ(p.Reach, std::hypot(200.0, 200.0));
  // Five ticks at once: the radius of the fifth tick, then one more growth.
  Frame(80);
  const double r5 = 20.1 * std::pow(1.5, 4);
  EXPECT_EQ(p.Left, 200 + std::lrint(std::cos(angle) * r5));
  EXPECT_EQ(p.Top, 200 + std::lrint(std::sin(angle) * r5));
  EXPECT_NEAR(p.Rate, r5 * 1.5, 1e-9);
  EXPECT_EQ(p.Finished, 0);
  Frame(16);  // 152.6 shown, grown to 228.9
  EXPECT_EQ(p.Finished, 0);
  Frame(16);               // 228.9 shown, grown to 343.4: beyond the corner at 282.8
  EXPECT_EQ(Count(e), 0);  // finished and deleted in the same pass
}

TEST_F(Particles, StarThatOverflowsIsFinishedAtOnceAndOneThatNeverGrowsStays) {
  auto& e = Emitter(PM_STAR, 10, 10, 1000000, {1, 1e6, 0});
  Frame();
  First(e);
  Frame(16 * 3);  // 1.1e12: beyond 32 bits
  EXPECT_EQ(Count(e), 0);

  auto& still = Make<TVeskParticle>(LT_PARTICLE, "still");
  still.SetInt(PR_WIDTH, 40);
  still.SetInt(PR_HEIGHT, 40);
  still.SetReal(PR_PARAM1, 3);
  still.SetReal(PR_PARAM2, 1);
  still.PresetArea = TVeskParticleParam{20, 20, 0, 0, 1000000, 0};
  still.SetInt(PR_PARTMOTION, PM_STAR);
  Frame();
  Frame(16 * 1000);
  ASSERT_EQ(still.Particles().size(), 1u);
  EXPECT_EQ(still.Particles().front()->Finished, 0);
}

TEST_F(Particles, FluffDriftsAndRisesByItsClosedForm) {
  auto& e = Emitter(PM_FLUFF, 10, 300, 1000000, {0.05, 1, 3});
  Frame();
  TVeskParticleImages& p = First(e);
  const double speed = p.Params[1];
  EXPECT_GE(speed, 1.0);
  EXPECT_LT(speed, 3.0);
  Frame(16 * 40);
  EXPECT_EQ(p.Left, static_cast<int32_t>(std::trunc(10 + 40 * speed)));
  EXPECT_EQ(p.Top, 300 - static_cast<int32_t>(std::trunc(0.05 * 40 * 40)));
  EXPECT_EQ(p.Finished, 0);
  Frame(16 * 40);  // 80 ticks: 320 above its start, out at the top
  EXPECT_EQ(Count(e), 0);
}

TEST_F(Particles, TwisterWhirlsWithZoomAndPriorityAndRisesOncePerAdvance) {
  auto& e = Emitter(PM_TWISTER, 100, 300, 1000000, {2, 40, 0.2});
  Frame();
  TVeskParticleImages& p = First(e);
  EXPECT_GE(p.Amplitude, 19.0);
  EXPECT_LT(p.Amplitude, 20.0);
  EXPECT_GE(p.Rate, 0.1);
  EXPECT_LT(p.Rate, 0.2);
  const double rate = p.Rate, amp = p.Amplitude;
  Frame(16 * 7);
  const double angle = 7 * rate;
  const double g = std::abs(std::cos(angle * 0.5)) * 0.5 + 0.5;
  EXPECT_DOUBLE_EQ(p.MotionAngle, angle);
  EXPECT_EQ(p.ZoomX, std::lrint(g * 256));
  EXPECT_EQ(p.ZoomY, p.ZoomX);
  EXPECT_EQ(p.Left, 100 + static_cast<int32_t>(std::trunc(g * std::sin(angle) * amp)));
  EXPECT_EQ(p.Top, 298);  // P1 once for the seven ticks
  EXPECT_EQ(p.Priority, std::lrint((g - 0.5) / 0.5 * 2000 - 1000));
  // Past a full turn the angle comes back by 2 pi.
  Frame(16 * static_cast<int32_t>(std::ceil(2 * kPi / rate)));
  EXPECT_LE(p.MotionAngle, 2 * kPi);
}

TEST_F(Particles, AnUnknownMotionFinishesItsParticlesAtOnce) {
  auto& e = Emitter(9, 10, 10, 1000000, {0, 0, 0});
  Frame();
  EXPECT_EQ(Count(e), 1);
  Frame();  // finished by its first tick, deleted in the same pass
  EXPECT_EQ(Count(e), 0);
}

TEST_F(Particles, ShortIntervalsSpawnEveryTwoMillisecondsAndSpreadTheirAges) {
  auto& e = Emitter(PM_SNOW, 10, 10, 0, {0.01, 0, 0});
  Frame();
  EXPECT_EQ(Count(e), 1);
  Frame();
  EXPECT_EQ(Count(e), 9);  // eight in one 16 ms tick
  // The emitter's own particles are its children, named below its name.
  auto* p = e.Particles().back();
  EXPECT_EQ(p->Parent, &e);
  EXPECT_EQ(p->Name.front(), scene::kSystemNameByte);
  EXPECT_EQ(p->IgnoreMouse, IM_ALL);

  auto& w = Emitter(PM_SNOW, 10, 10, 100, {0.01, 0, 0});
  w.SetName("warm");
  w.SetInt(PR_INDEX, 1000);
  Frame(0);
  // A second in advance: ten particles, the first 55 ticks old, no two alike.
  ASSERT_EQ(Count(w), 10);
  EXPECT_EQ(w.Particles().front()->AgeMs, 55 * 16);
  for (size_t i = 1; i < w.Particles().size(); ++i)
    EXPECT_LT(w.Particles()[i]->AgeMs, w.Particles()[i - 1]->AgeMs);
}

// A parser whose value is the integer `v`.
expr::TVeskParser Constant(int32_t v) {
  expr::TVeskParser e;
  auto op = std::make_unique<expr::TOpeData>();
  op->Op = lang::ocTo;
  op->Dest = expr::kResultTemp;
  auto value = expr::MakeParam(lang::PT_INT);
  value->SetInt(v);
  op->Operands.push_back(std::move(value));
  e.Ops.push_back(std::move(op));
  return e;
}

TEST_F(Particles, TheCreationExpressionsPlaceAndTimeEveryParticle) {
  auto& e = Make<TVeskParticle>(LT_PARTICLE, "e");
  e.SetInt(PR_WIDTH, 400);
  e.SetInt(PR_HEIGHT, 400);
  e.TakeCreationExpression(PR_APPEARX, Constant(7));
  e.TakeCreationExpression(PR_APPEARY, Constant(9));
  e.TakeCreationExpression(PR_DELAY, Constant(40));
  e.SetReal(PR_PARAM1, 0.01);
  e.SetInt(PR_PARTMOTION, PM_SNOW);
  Frame();
  Frame(64);
  ASSERT_EQ(Count(e), 2);  // at 0 and 40 ms
  EXPECT_EQ(e.Particles().back()->OriginX, 7);
  EXPECT_EQ(e.Particles().back()->OriginY, 9);
  // An interval that yields nothing is a frame period.
  e.Interval = expr::TVeskParser();
  e.SetInt(PR_PARTMOTION, PM_FLUFF);
  Frame(0);
  Frame(48);
  EXPECT_EQ(Count(e), 2 + 4);
}

TEST_F(Particles, WithoutMotionNothingSpawnsButExistingParticlesKeepMoving) {
  auto& e = Emitter(PM_SNOW, 10, 10, 1000000, {1, 0, 0});
  Frame();
  TVeskParticleImages& p = First(e);
  e.PartMotion = PM_NONE;  // as if written without restarting
  e.SpawnCountdownMs = 0;
  Frame(32);
  EXPECT_EQ(Count(e), 1);
  EXPECT_EQ(p.Top, 12);
}

TEST_F(Particles, DurationEndsSpawningAndTheEmitterGoesWithItsLastParticle) {
  auto& e = Emitter(PM_SNOW, 5, 0, 100, {1, 0, 0}, 20, 10);
  e.SetInt(PR_DURATION, 500);
  Frame();
  Frame(100);
  EXPECT_EQ(e.GetInt(PR_DURATION), 400);  // counts down while spawning
  for (int i = 0; i < 4; ++i) Frame(100);
  EXPECT_EQ(e.EmitState, 2);
  const int left = Count(e);
  EXPECT_GT(left, 0);
  Frame(16);
  EXPECT_LE(Count(e), left);  // draining: no more particles
  for (int i = 0; i < 20 && root_.IndexOfName("emitter") >= 0; ++i) Frame(16);
  EXPECT_EQ(root_.IndexOfName("emitter"), -1);
}

TEST_F(Particles, PausedOrAnimationPausedStopsTheEffect) {
  auto& e = Emitter(PM_SNOW, 10, 10, 1000000, {1, 0, 0});
  Frame();
  TVeskParticleImages& p = First(e);
  e.SetFlag(PR_ANIPAUSED, true);
  EXPECT_FALSE(e.GetFlag(PR_PLAYING));
  Frame(160);
  EXPECT_EQ(p.Top, 10);
  e.SetFlag(PR_ANIPAUSED, false);
  EXPECT_TRUE(e.GetFlag(PR_PLAYING));
}

// Counts its updates and, at its first, changes the emitter's source: the
// particles before it in the registry go while the pass runs.
class SourceChanger final : public scene::TVeskComponent {
 public:
  using TVeskComponent::TVeskComponent;
  TVeskParticle* emitter = nullptr;
  int updates = 0;
  bool Update(int32_t) override {
    if (updates++ == 0 && emitter) emitter->SetStr(PR_SOURCE, "other.orl");
    return false;
  }
};

TEST_F(Particles, ASourceChangeDuringTheUpdatePassKeepsThePassInPlace) {
  fake_.pictures["dot.orl"] = {Solid(2, 2, 0xFFFFFF)};
  fake_.pictures["other.orl"] = {Solid(4, 4, 0x00FF00)};
  auto& e = Emitter(PM_SNOW, 10, 10, 0, {0.01, 0, 0});
  e.SetStr(PR_SOURCE, "dot.orl");
  Frame();
  Frame();
  ASSERT_EQ(Count(e), 9);
  auto* changer = root_.Make<SourceChanger>();
  changer->emitter = &e;
  auto* after = root_.Make<SourceChanger>();
  Frame(0);
  EXPECT_EQ(changer->updates, 1);
  EXPECT_EQ(after->updates, 1);  // not skipped by the nine deletions
  EXPECT_EQ(e.Images().Count(), 1);
  EXPECT_EQ(e.EmitState, 0);  // starts again at its next update
}

TEST_F(Particles, ParticlesShowTheEmittersImageAnchoredAtTheirCentre) {
  fake_.pictures["dot.orl"] = {Solid(4, 2, 0x0000FF)};
  auto& e = Emitter(PM_SNOW, 8, 6, 1000000, {0.01, 0, 0}, kW, kH);
  e.SetInt(PR_LEFT, 10);
  e.SetStr(PR_SOURCE, "dot.orl");
  Frame();
  TVeskParticleImages& p = First(e);
  EXPECT_EQ(p.Width, 4);
  EXPECT_EQ(p.OffsetX, 2);
  EXPECT_EQ(p.OffsetY, 1);
  DrawAll();
  EXPECT_EQ(Pixel(10 + 6, 5), 0xFF0000u);
  EXPECT_EQ(Pixel(10 + 9, 6), 0xFF0000u);
  EXPECT_EQ(Pixel(10 + 10, 6), 0u);
  EXPECT_EQ(Pixel(10 + 5, 5), 0u);
}

TEST_F(Particles, HugeWarmUpsAndTinyIntervalsAreHeldToTheLimits) {
  auto& e = Emitter(PM_SNOW, 10, 10, 0, {0.001, 0, 0});
  e.SetInt(PR_INDEX, INT32_MAX);
  Frame();
  EXPECT_EQ(Count(e), static_cast<int>(TVeskParticle::kMaxParticles));
  Frame();
  EXPECT_EQ(Count(e), static_cast<int>(TVeskParticle::kMaxParticles));
}

TEST_F(Particles, StoredFormRoundTripsAndRestartsTheEmitter) {
  fake_.pictures["dot.orl"] = {Solid(2, 2, 0xFFFFFF)};
  auto& e = Emitter(PM_FLUFF, 10, 10, 50, {0.5, -1.25, 3});
  e.SetStr(PR_SOURCE, "dot.orl");
  e.SetInt(PR_INDEX, 320);
  e.SetInt(PR_DURATION, 900);
  e.SetStr(PR_ONIDLE, "idle");
  Frame();
  ByteWriter first;
  root_.SaveToStream(first);

  scene::TVeskBaseList copy(Env());
  ByteReader in(first.bytes().data(), first.bytes().size());
  copy.LoadFromStream(in, kSaveVersion);
  EXPECT_EQ(in.remaining(), 0u);
  auto* loaded = dynamic_cast<TVeskParticle*>(copy.FindComponent("emitter"));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->Images().Count(), 1);
  EXPECT_EQ(loaded->GetReal(PR_PARAM2), -1.25L);
  EXPECT_EQ(loaded->GetInt(PR_INDEX), 320);
  EXPECT_EQ(loaded->EmitState, 0);
  EXPECT_TRUE(loaded->Particles().empty());  // particles are not saved
  ByteWriter second;
  copy.SaveToStream(second);
  EXPECT_EQ(first.bytes(), second.bytes());
}

}  // namespace
}  // namespace vesk::components::test
