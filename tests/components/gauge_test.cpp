// Gauges: the delayed shrinking of a fall's remainder, growth, the speed
// over the whole range, the fill direction by orientation and Reverse, the
// drawing clipped to the level, and the stored form mid-animation.
#include <gtest/gtest.h>

#include "components/gauge.h"
#include "image_fixture.h"

namespace vesk::components::test {
namespace {

class Gauges : public ImageScene {
 protected:
  Gauges() {
    fake_.pictures["bar.orl"] = {Solid(10, 2, 0x0000C8)};
    fake_.pictures["tall.orl"] = {Solid(2, 10, 0x00C800)};
  }
  // 0..100 over a 10-pixel bar, full at once, then 0.1 a millisecond.
  TVeskGauge& Gauge(const std::string& source = "bar.orl") {
    auto& g = Make<TVeskGauge>(LT_GAUGE, "g");
    g.SetStr(PR_SOURCE, source);
    g.SetInt(PR_MAX, 100);
    g.SetInt(PR_VALUE, 100);
    g.SetInt(PR_DURATION, 1000);
    return g;
  }
};

TEST_F(Gauges, AFallKeepsItsRemainderForTheDelayThenShrinks) {
  auto& g = Gauge();
  EXPECT_EQ(g.GetInt(PR_COMPOTYPE), LT_GAUGE);
  EXPECT_EQ(g.Shown, 100);  // a new range puts the bar at the value at once
  EXPECT_FALSE(g.GetFlag(PR_PLAYING));
  g.SetInt(PR_DELAY, 300);
  g.SetInt(PR_VALUE, 40);
  EXPECT_EQ(g.GetInt(PR_VALUE), 40);
  EXPECT_EQ(g.Shown, 40);
  EXPECT_TRUE(g.GetFlag(PR_PLAYING));
  for (int i = 0; i < 6; ++i) Frame(50);
  EXPECT_EQ(g.Remainder, 100);  // 300 ms: still the whole 60-unit remainder
  EXPECT_EQ(g.State, TVeskGauge::kShrinking);
  Frame(50);
  EXPECT_EQ(g.Remainder, 95);
  int frames = 7;
  while (g.GetFlag(PR_PLAYING) && frames < 100) {
    Frame(50);
    ++frames;
  }
  EXPECT_EQ(frames, 18);  // 300 ms of waiting and 600 ms for 60 units
  EXPECT_EQ(g.Remainder, 40);
  EXPECT_EQ(g.Shown, 40);
}

TEST_F(Gauges, ARiseGrowsFromTheOldLevelAndStopsExactlyAtTheValue) {
  auto& g = Gauge();
  g.SetInt(PR_DURATION, 0);
  g.SetInt(PR_VALUE, 40);  // without a duration the change is instant
  EXPECT_EQ(g.Shown, 40);
  EXPECT_FALSE(g.GetFlag(PR_PLAYING));
  g.SetInt(PR_DURATION, 1000);
  g.SetInt(PR_VALUE, 93);
  EXPECT_EQ(g.State, TVeskGauge::kGrowing);
  for (int i = 0; i < 5; ++i) Frame(50);
  EXPECT_EQ(g.Shown, 65);
  for (int i = 0; i < 6; ++i) Frame(50);
  EXPECT_EQ(g.Shown, 93);
  EXPECT_EQ(g.State, TVeskGauge::kIdle);
  g.SetInt(PR_VALUE, 500);  // clamped to the range
  EXPECT_EQ(g.GetInt(PR_VALUE), 100);
  g.SetFlag(PR_PAUSED, true);  // the scene stops updating it
  Frame(500);
  EXPECT_EQ(g.Shown, 93);
  EXPECT_TRUE(g.GetFlag(PR_PLAYING));
}

TEST_F(Gauges, TheBarIsDrawnUpToTheLevelAndTheRemainderAtHalfStrength) {
  auto& g = Gauge();
  g.SetInt(PR_DELAY, 300);
  g.SetInt(PR_VALUE, 40);
  DrawAll();
  EXPECT_EQ(Pixel(0, 0), 0xC80000u);
  EXPECT_EQ(Pixel(3, 1), 0xC80000u);
  EXPECT_EQ(Pixel(4, 0), 0x630000u);  // the remainder (blend 127) over black
  EXPECT_EQ(Pixel(9, 1), 0x630000u);
  EXPECT_EQ(Pixel(10, 0), 0u);
  g.SetFlag(PR_REVERSE, true);  // from the right end
  DrawAll();
  EXPECT_EQ(Pixel(9, 0), 0xC80000u);
  EXPECT_EQ(Pixel(6, 0), 0xC80000u);
  EXPECT_EQ(Pixel(5, 0), 0x630000u);
}

TEST_F(Gauges, AVerticalBarFillsFromTheBottomOrWithReverseFromTheTop) {
  auto& g = Gauge("tall.orl");
  g.SetInt(PR_ORIENTATION, 1);
  g.SetInt(PR_BARSIZE, 8);  // a bar shorter than the gauge, at its filling end
  g.SetInt(PR_DURATION, 0);
  g.SetInt(PR_VALUE, 50);
  EXPECT_EQ(g.LevelPx(g.Shown), 4);
  DrawAll();
  EXPECT_EQ(Pixel(0, 9), 0x00C800u);
  EXPECT_EQ(Pixel(1, 6), 0x00C800u);
  EXPECT_EQ(Pixel(0, 5), 0u);
  g.SetFlag(PR_REVERSE, true);
  DrawAll();
  EXPECT_EQ(Pixel(0, 0), 0x00C800u);
  EXPECT_EQ(Pixel(0, 3), 0x00C800u);
  EXPECT_EQ(Pixel(0, 4), 0u);
}

TEST_F(Gauges, ExtremeGeometryAndRangesStayWithinBounds) {
  // What a hostile saved game could hold: all arithmetic must stay defined.
  for (int orientation : {0, 1}) {
    auto& g = Gauge();
    g.SetInt(PR_ORIENTATION, orientation);
    g.SetBounds(INT32_MAX - 5, INT32_MIN + 3, INT32_MAX, INT32_MAX);
    g.SetInt(PR_MIN, INT32_MIN);
    g.SetInt(PR_MAX, INT32_MAX);
    g.SetInt(PR_BARSIZE, INT32_MAX);
    g.SetInt(PR_DURATION, 1);
    g.SetInt(PR_VALUE, INT32_MIN);
    for (bool reverse : {false, true}) {
      g.SetFlag(PR_REVERSE, reverse);
      DrawAll();
      Frame(3000);
    }
    EXPECT_EQ(g.Shown, INT32_MIN);
    root_.DeleteObject(&g);
  }
}

TEST_F(Gauges, TheStoredFormKeepsAnAnimationGoing) {
  auto& g = Gauge();
  g.SetInt(PR_DELAY, 300);
  g.SetInt(PR_VALUE, 20);
  Frame(350);
  ByteWriter first;
  root_.SaveToStream(first);
  scene::TVeskBaseList copy(Env());
  ByteReader in(first.bytes().data(), first.bytes().size());
  copy.LoadFromStream(in, kSaveVersion);
  EXPECT_EQ(in.remaining(), 0u);
  auto* loaded = dynamic_cast<TVeskGauge*>(copy.FindComponent("g"));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->Remainder, 95);
  EXPECT_EQ(loaded->State, TVeskGauge::kShrinking);
  ByteWriter second;
  copy.SaveToStream(second);
  EXPECT_EQ(first.bytes(), second.bytes());
  copy.UpdatePass(100);
  EXPECT_EQ(loaded->Remainder, 85);
}

}  // namespace
}  // namespace vesk::components::test
