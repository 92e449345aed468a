// Property motions driven frame by frame through a real scene root: the
// value of every frame against the easing formulas, the exact end value,
// the end, pause, missing targets, and the stored form.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "components/box.h"
#include "components/particle.h"
#include "components/prop_motion.h"
#include "expr/param_text.h"
#include "image_fixture.h"
#include "scene/scene_port.h"

namespace vesk::components::test {
namespace {

using expr::Real;

constexpr Real kQuarter = std::numbers::pi_v<Real> / 2;

// The eased value after e of l ms from a to b, before the end.
Real Linear(Real e, Real l, Real a, Real b) {
  return (b - a) * e / l + a;
}
Real SlowStart(Real e, Real l, Real a, Real b) {
  return b - std::sin((l - e - 1) * kQuarter / l) * (b - a);
}
Real FastStart(Real e, Real l, Real a, Real b) {
  return std::sin(e * kQuarter / l) * (b - a) + a;
}

class PropMotions : public ImageScene {
 protected:
  TVeskPropMotion& Motion(const std::string& target, int prop, Real end, int32_t duration_ms,
                          int easing = MT_NORMAL) {
    // Made and set up as the command does it, through the scene's port.
    scene::SceneCommandPort port(root_);
    auto* m = dynamic_cast<TVeskPropMotion*>(port.CreateByKind(LT_PROPMOTION));
    EXPECT_NE(m, nullptr);
    port.ApplyCreationProperty(*m, PR_NAME, std::string("pm"));
    script::PropertyMotionSetup setup;
    setup.target_name = target;
    setup.property_id = prop;
    setup.end_value = end;
    setup.duration_ms = duration_ms;
    setup.easing = easing;
    port.SetUpPropertyMotion(*m, setup);
    return *m;
  }
  bool MotionExists() const { return root_.IndexOfName("pm") >= 0; }
};

TEST_F(PropMotions, ALinearMotionWritesItsStartFirstAndItsTargetAtTheEnd) {
  auto& box = Make<TVeskBox>(LT_BOX, "box");
  box.SetInt(PR_LEFT, 0);
  auto& m = Motion("box", PR_LEFT, 100, 1000);
  EXPECT_EQ(m.GetCompoType(), LT_PROPMOTION);
  box.SetInt(PR_LEFT, 7);  // the start is what the target holds at the first update
  Frame(16);
  EXPECT_EQ(box.Left, 7);
  EXPECT_EQ(m.StartValue, 7);
  int32_t elapsed = 16;
  for (; elapsed < 999; elapsed += 16) {
    Frame(16);
    ASSERT_TRUE(MotionExists()) << elapsed;
    EXPECT_EQ(box.Left, expr::RealToInt(Linear(elapsed, 1000, 7, 100))) << elapsed;
  }
  EXPECT_EQ(elapsed, 1008);
  Frame(16);  // Elapsed 1008 >= 999: the target, then the motion goes
  EXPECT_EQ(box.Left, 100);
  EXPECT_FALSE(MotionExists());
}

TEST_F(PropMotions, EasedMotionsFollowTheirCurvesAndEndExactlyAtTheTarget) {
  for (int easing : {MT_INC, MT_DEC}) {
    auto& p = Make<TVeskParticle>(LT_PARTICLE, "p");
    p.SetReal(PR_PARAM1, -2.5L);
    Motion("p", PR_PARAM1, 10.25L, 500, easing);
    Frame(20);
    EXPECT_EQ(p.GetReal(PR_PARAM1), -2.5L);
    for (int32_t e = 20; e < 499; e += 20) {
      Frame(20);
      const Real want =
          easing == MT_INC ? SlowStart(e, 500, -2.5L, 10.25L) : FastStart(e, 500, -2.5L, 10.25L);
      EXPECT_NEAR(static_cast<double>(p.GetReal(PR_PARAM1)), static_cast<double>(want), 1e-12)
          << easing << " at " << e;
    }
    EXPECT_TRUE(MotionExists());
    Frame(20);  // 500 ms
    EXPECT_EQ(p.GetReal(PR_PARAM1), 10.25L) << easing;
    EXPECT_FALSE(MotionExists());
    root_.DeleteObject(&p);
  }
  // Slow start stays behind the line halfway, fast start runs ahead of it.
  EXPECT_LT(SlowStart(250, 500, 0, 1), 0.5L);
  EXPECT_GT(FastStart(250, 500, 0, 1), 0.5L);
}

TEST_F(PropMotions, APausedMotionStandsStillAndResumesWhereItStopped) {
  auto& box = Make<TVeskBox>(LT_BOX, "box");
  auto& m = Motion("box", PR_TOP, 50, 100);
  Frame(10);
  Frame(10);
  EXPECT_EQ(box.Top, 5);
  m.SetFlag(PR_PAUSED, true);
  EXPECT_TRUE(m.GetFlag(PR_PAUSED));
  for (int i = 0; i < 20; ++i) Frame(10);
  EXPECT_EQ(box.Top, 5);
  EXPECT_EQ(m.Elapsed, 20);
  m.SetFlag(PR_PAUSED, false);
  Frame(10);
  EXPECT_EQ(box.Top, 10);
}

TEST_F(PropMotions, WithoutATargetOrWithABadPropertyItEndsWritingNothing) {
  Motion("nobody", PR_LEFT, 10, 100);
  Frame();
  EXPECT_FALSE(MotionExists());
  auto& box = Make<TVeskBox>(LT_BOX, "box");
  box.SetInt(PR_LEFT, 3);
  for (int bad : {kPropertyCount, TVeskPropMotion::kNoProperty, -1}) {
    Motion("box", bad, 10, 100);
    Frame();
    EXPECT_FALSE(MotionExists()) << bad;
  }
  // A property the dispatcher refuses to write ends the motion too.
  Motion("box", PR_APPEARX, 10, 100);
  Frame();
  EXPECT_FALSE(MotionExists());
  EXPECT_EQ(box.Left, 3);
  // A target that goes away mid-course ends the motion at its next update.
  Motion("box", PR_LEFT, 10, 100);
  Frame();
  ASSERT_TRUE(MotionExists());
  root_.DeleteObject(&box);
  Frame();
  EXPECT_FALSE(MotionExists());
}

TEST_F(PropMotions, TheStoredFormRoundTripsAndFindsItsTargetAgainAfterLoading) {
  auto& box = Make<TVeskBox>(LT_BOX, "box");
  auto& m = Motion("box", PR_LEFT, 100, 1000, MT_DEC);
  m.SetFlag(PR_PAUSED, false);
  Frame(100);
  Frame(100);
  ByteWriter first;
  m.SaveToStream(first);
  auto& back = *dynamic_cast<TVeskPropMotion*>(root_.CreateByKind(LT_PROPMOTION));
  ByteReader in(first.bytes().data(), first.bytes().size());
  back.LoadFromStream(in, kSaveVersion);
  EXPECT_EQ(in.remaining(), 0u);
  EXPECT_EQ(back.TargetName, "box");
  EXPECT_EQ(back.Target, nullptr);
  EXPECT_EQ(back.PropId, PR_LEFT);
  EXPECT_EQ(back.TargetValue, 100);
  EXPECT_EQ(back.Duration, 1000);
  EXPECT_EQ(back.Easing, MT_DEC);
  EXPECT_EQ(back.Elapsed, 200);
  ByteWriter second;
  back.SaveToStream(second);
  EXPECT_EQ(first.bytes(), second.bytes());
  // The loaded motion takes the target's present value as its new start.
  root_.DeleteObject(&m);
  box.SetInt(PR_LEFT, 40);
  Frame(100);
  EXPECT_EQ(back.StartValue, 40);
  EXPECT_EQ(box.Left, expr::RealToInt(FastStart(200, 1000, 40, 100)));
  // Saved after its target went, it keeps no target name.
  root_.DeleteObject(&box);
  ByteWriter orphan;
  back.SaveToStream(orphan);
  back.Target = nullptr;
  back.TargetName.clear();
  ByteWriter cleared;
  back.SaveToStream(cleared);
  EXPECT_EQ(orphan.bytes(), cleared.bytes());
}

}  // namespace
}  // namespace vesk::components::test
