// The fire: its cooling table at hand-worked entries, one heat step on a
// tiny buffer worked out by hand, the 40 ms rhythm of the steps, Power and
// size limits, the colour ramp, golden pictures and the stored form.
#include <gtest/gtest.h>

#include <filesystem>

#include "components/fire.h"
#include "graphics/golden.h"
#include "image_fixture.h"

namespace vesk::components::test {
namespace {

class Fires : public ImageScene {
 protected:
  TVeskFire& Fire(int32_t w, int32_t h, int32_t zoom = 256) {
    auto& f = Make<TVeskFire>(LT_FIRE, "fire");
    f.SetInt(PR_ZOOMX, zoom);
    f.SetInt(PR_ZOOMY, zoom);
    f.SetInt(PR_ORIGWIDTH, w);
    f.SetInt(PR_ORIGHEIGHT, h);
    return f;
  }
  static uint8_t Heat(const TVeskFire& f, int x, int y) {
    return static_cast<uint8_t>(f.HeatSurface().GetPixel(x, y));
  }
};

TEST_F(Fires, CoolingTableFollowsPower) {
  auto& f = Fire(8, 8);
  EXPECT_DOUBLE_EQ(f.Divisor(), 4.5);  // made before any Power was written
  EXPECT_EQ(f.HeatTable()[0], 0);
  EXPECT_EQ(f.HeatTable()[64], 14);  // 64 / (4.5 - 0.9374^3 x 0.05) = 14.35
  EXPECT_EQ(f.HeatTable()[302], 67);
  EXPECT_EQ(f.HeatTable()[1016], 226);
  EXPECT_EQ(f.HeatTable()[1023], 227);
  f.SetInt(PR_POWER, 1);  // the value it has: no new table
  EXPECT_DOUBLE_EQ(f.Divisor(), 4.5);

  f.SetInt(PR_POWER, 300);
  EXPECT_EQ(f.GetInt(PR_POWER), 255);
  EXPECT_NEAR(f.Divisor(), 2.945, 1e-3);
  EXPECT_EQ(f.HeatTable()[64], 22);
  EXPECT_EQ(f.HeatTable()[700], 238);
  EXPECT_EQ(f.HeatTable()[1016], 254);  // 345 is held below full heat

  f.SetInt(PR_POWER, -5);
  EXPECT_EQ(f.GetInt(PR_POWER), 0);
  EXPECT_DOUBLE_EQ(f.Divisor(), 5.5);
  EXPECT_EQ(f.HeatTable()[64], 12);
}

TEST_F(Fires, OneHeatStepOnATinyBuffer) {
  auto& f = Fire(4, 6);
  f.Initialise();
  std::fill(f.Noise().begin(), f.Noise().end(), uint8_t{0});
  // Step 1 moves the row offset to 1 and keeps the column offset at 0, so
  // cell (x, y) takes the noise at x + ((y + 2) mod 6) x 4.
  f.Noise()[1 + 2 * 4] = 5;
  f.HeatSurface().SetPixel(2, 1, 100);
  f.HeatStep();
  EXPECT_EQ(f.RowOffset(), 1);
  EXPECT_EQ(f.ColumnOffset(), 0);
  // Row 0, x 1: 16 + 16 + 100 + 254 = 386 -> 86, less noise 5.
  EXPECT_EQ(Heat(f, 1, 0), 81);
  // Row 0, x 2: 16 + 16 + 16 + 254 = 302 -> 67.
  EXPECT_EQ(Heat(f, 2, 0), 67);
  // Row 1 from the filled rows below: 100 + 254 x 3 = 862 -> 192 and
  // 16 + 254 x 3 = 778 -> 173.
  EXPECT_EQ(Heat(f, 1, 1), 173);
  EXPECT_EQ(Heat(f, 2, 1), 192);
  // Rows 2 and 3 from full heat: 1016 -> 226; rows 4 and 5 stay full.
  EXPECT_EQ(Heat(f, 1, 2), 226);
  EXPECT_EQ(Heat(f, 2, 3), 226);
  EXPECT_EQ(Heat(f, 1, 4), 254);
  EXPECT_EQ(Heat(f, 2, 5), 254);
  // The edge columns only take the fill.
  EXPECT_EQ(Heat(f, 0, 0), 16);
  EXPECT_EQ(Heat(f, 3, 1), 16);
  EXPECT_EQ(Heat(f, 0, 2), 254);
}

TEST_F(Fires, ANarrowBufferOnlyGetsItsBottomRowsFilled) {
  auto& f = Fire(2, 3);
  f.Initialise();
  f.HeatStep();
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 2; ++x) EXPECT_EQ(Heat(f, x, y), 254);
}

TEST_F(Fires, StepsComeEveryFortyMillisecondsAtMostOncePerUpdate) {
  auto& f = Fire(8, 8);
  Frame();
  Frame();
  EXPECT_EQ(f.RowOffset(), 0);
  Frame();  // 48 ms
  EXPECT_EQ(f.RowOffset(), 1);
  EXPECT_EQ(f.StepRemainderMs, 8);
  Frame(200);  // a long frame still runs one step
  EXPECT_EQ(f.RowOffset(), 2);
  f.SetFlag(PR_ANIPAUSED, true);
  Frame(100);
  EXPECT_EQ(f.RowOffset(), 2);
  EXPECT_FALSE(f.GetFlag(PR_PLAYING));
}

TEST_F(Fires, SizeFollowsTheBufferAndZoomAndHugeSizesAreHeld) {
  auto& f = Fire(40, 30, 512);
  EXPECT_EQ(f.Width, 80);
  EXPECT_EQ(f.Height, 60);
  f.SetInt(PR_WIDTH, 5);
  EXPECT_EQ(f.Width, 80);
  f.SetInt(PR_ZOOMX, -3);
  EXPECT_EQ(f.GetInt(PR_ZOOMX), 1);
  f.SetInt(PR_ORIGWIDTH, INT32_MAX);
  f.SetInt(PR_ZOOMX, INT32_MAX);
  EXPECT_EQ(f.GetInt(PR_ORIGWIDTH), TVeskFire::kMaxSidePx);
  EXPECT_EQ(f.Width, INT32_MAX);  // wide, not wrapped
  EXPECT_EQ(f.Initialised, 0);
  f.SetInt(PR_ORIGHEIGHT, 3);
  Frame();
  Frame();
  Frame();
  EXPECT_EQ(f.HeatSurface().Width(), TVeskFire::kMaxSidePx);
  DrawAll();  // stretched beyond any screen: only the screen's part is drawn
  EXPECT_NE(Pixel(0, 0), 0u);
}

TEST_F(Fires, RampPassesThroughItsKeysInEachTargetFormat) {
  const auto* p32 = TVeskFire::PaletteFor(32);
  ASSERT_NE(p32, nullptr);
  EXPECT_EQ((*p32)[0], 0x000000u);
  EXPECT_EQ((*p32)[32], 0x662703u);
  EXPECT_EQ((*p32)[113], 0xD66207u);
  EXPECT_EQ((*p32)[192], 0xFFC037u);
  EXPECT_EQ((*p32)[255], 0xFFE6AFu);
  EXPECT_EQ((*p32)[16], 0x331402u);  // half way to 32, rounded
  const auto* p16 = TVeskFire::PaletteFor(16);
  ASSERT_NE(p16, nullptr);
  EXPECT_EQ((*p16)[255], (255u >> 3) << 11 | (230u >> 2) << 5 | (175u >> 3));
  const auto* p15 = TVeskFire::PaletteFor(15);
  ASSERT_NE(p15, nullptr);
  EXPECT_EQ((*p15)[255], (255u >> 3) << 10 | (230u >> 3) << 5 | (175u >> 3));
  EXPECT_EQ(TVeskFire::PaletteFor(24), nullptr);
  EXPECT_EQ(TVeskFire::PaletteFor(8), nullptr);
}

std::filesystem::path GoldenDir() {
  return std::filesystem::path(VESK_FIXTURES_DIR).parent_path() / "components" / "golden";
}

TEST_F(Fires, FlamePicturesMatchTheirGoldens) {
  // Over a dark blue ground the flame adds its colours; cells at 16 add nothing.
  auto& f = Fire(kW, kH);
  f.SetInt(PR_POWER, 0);
  for (int i = 0; i < 30; ++i) Frame(40);
  DrawAll(0x000030);
  EXPECT_TRUE(graphics::testing::MatchesGoldenIn(GoldenDir(), screen_, "fire_flame"));
  EXPECT_EQ(Pixel(0, 0), 0x000030u);

  root_.DeleteObject(&f);
  auto& zoomed = Fire(kW / 2, kH / 2, 512);
  zoomed.SetInt(PR_POWER, 64);
  for (int i = 0; i < 20; ++i) Frame(40);
  DrawAll(0x000030);
  EXPECT_TRUE(graphics::testing::MatchesGoldenIn(GoldenDir(), screen_, "fire_zoomed"));
}

TEST_F(Fires, NoFlameOnOtherBitCounts) {
  auto& f = Fire(8, 8);
  f.Initialise();
  f.HeatStep();
  graphics::TDIBX grey(8, 8, 8);
  grey.Fill(7);
  f.Draw(grey, grey.BoundsRect());
  EXPECT_EQ(grey.GetPixel(3, 7), 7u);
}

TEST_F(Fires, StoredFormRoundTrips) {
  auto& f = Fire(20, 10, 384);
  f.SetInt(PR_ZOOMY, 200);
  f.SetInt(PR_POWER, 77);
  f.SetStr(PR_ONIDLE, "burn");
  f.SetFlag(PR_PAUSED, true);
  Frame();
  ByteWriter first;
  root_.SaveToStream(first);
  scene::TVeskBaseList copy(Env());
  ByteReader in(first.bytes().data(), first.bytes().size());
  copy.LoadFromStream(in, kSaveVersion);
  EXPECT_EQ(in.remaining(), 0u);
  auto* loaded = dynamic_cast<TVeskFire*>(copy.FindComponent("fire"));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->Width, 30);
  EXPECT_EQ(loaded->Height, 7);
  EXPECT_DOUBLE_EQ(loaded->Divisor(), (128.0 - 77) / 128 * 1.2825 + 4.2175);
  EXPECT_EQ(loaded->Initialised, 0);
  ByteWriter second;
  copy.SaveToStream(second);
  EXPECT_EQ(first.bytes(), second.bytes());
}

}  // namespace
}  // namespace vesk::components::test
