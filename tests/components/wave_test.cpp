// The wave: its phase over frame time, the row offsets of the travelling
// sine, the limits on what it is given, drawing through the proxy (what
// lies beneath and its children sway, nothing at amplitude 0), dirty
// rectangles widened by the amplitude, a golden picture and the stored form.
#include <gtest/gtest.h>

#include <filesystem>

#include "components/box.h"
#include "components/wave.h"
#include "graphics/golden.h"
#include "image_fixture.h"

namespace vesk::components::test {
namespace {

class Waves : public ImageScene {
 protected:
  TVeskWave& Wave(int32_t amp, int32_t wave_len, int32_t w = kW, int32_t h = kH) {
    auto& wave = Make<TVeskWave>(LT_WAVE, "wave");
    wave.SetInt(PR_WIDTH, w);
    wave.SetInt(PR_HEIGHT, h);
    wave.SetInt(PR_AMP, amp);
    wave.SetInt(PR_WAVELEN, wave_len);
    wave.SetInt(PR_PRIORITY, 10);
    return wave;
  }
  TVeskBox& Box(const std::string& name, int32_t x, int32_t y, int32_t w, int32_t h, int32_t color,
                scene::TVeskControl* parent = nullptr) {
    auto& box = Make<TVeskBox>(LT_BOX, name);
    if (parent) box.SetParent(parent);
    box.SetBounds(x, y, w, h);
    box.SetInt(PR_COLOR, color);
    return box;
  }
};

TEST_F(Waves, RowOffsetsFollowTheSine) {
  auto& wave = Wave(10, 8, kW, 8);
  ASSERT_EQ(wave.Proxy().RowOffsets().size(), 8u);
  Frame(0);
  EXPECT_EQ(wave.Proxy().RowOffsets(), (std::vector<int32_t>{0, 7, 10, 7, 0, -7, -10, -7}));
  // Half a cycle later (128 units of 256) the sine is reversed; the phase
  // runs backwards, so it stands at 255 - 128.
  wave.SetInt(PR_DELAY, 256);
  Frame(128);
  EXPECT_EQ(wave.Phase, 127);
  EXPECT_EQ(wave.Proxy().RowOffsets()[2], -10);
  EXPECT_EQ(wave.Proxy().RowOffsets()[6], 10);
}

TEST_F(Waves, PhasePasses256UnitsPerDelayAndWrapsAt255) {
  auto& wave = Wave(4, 100);
  EXPECT_EQ(wave.GetInt(PR_DELAY), 2000);
  for (int i = 0; i < 125; ++i) Frame(16);  // 2000 ms
  EXPECT_EQ(wave.Phase, 254);
  EXPECT_EQ(wave.PhaseRemainder, 0);
  wave.SetFlag(PR_ANIPAUSED, true);
  Frame(500);
  EXPECT_EQ(wave.Phase, 254);
  EXPECT_FALSE(wave.GetFlag(PR_PLAYING));
}

TEST_F(Waves, ZeroAndHugeValuesAreHeld) {
  auto& wave = Wave(0, 0);
  EXPECT_EQ(wave.GetInt(PR_WAVELEN), 1);
  wave.SetInt(PR_DELAY, 0);
  EXPECT_EQ(wave.GetInt(PR_DELAY), 1);
  wave.SetInt(PR_AMP, INT32_MIN);
  EXPECT_EQ(wave.GetInt(PR_AMP), -TVeskWave::kMaxAmpPx);
  wave.SetInt(PR_HEIGHT, -5);
  EXPECT_TRUE(wave.Proxy().RowOffsets().empty());
  wave.SetInt(PR_HEIGHT, INT32_MAX);
  EXPECT_EQ(wave.Proxy().RowOffsets().size(), size_t{graphics::TDIBX::kMaxSidePx});
  Frame(3000);  // 768000 phase units at a delay of 1: no overflow
  EXPECT_GE(wave.Phase, 0);
  EXPECT_LT(wave.Phase, 255);
}

TEST_F(Waves, WithoutAmplitudeChildrenDrawStraight) {
  auto& wave = Wave(0, 8);
  Box("inner", 10, 8, 4, 4, 0x0000FF, &wave);
  Frame(0);
  DrawAll();
  for (int y = 8; y < 12; ++y) {
    EXPECT_EQ(Pixel(9, y), 0u);
    EXPECT_EQ(Pixel(10, y), 0xFF0000u);
    EXPECT_EQ(Pixel(13, y), 0xFF0000u);
    EXPECT_EQ(Pixel(14, y), 0u);
  }
}

TEST_F(Waves, ChildrenAndWhatLiesBeneathSwayRowByRow) {
  Box("post", 4, 0, 2, kH, 0x00FF00);  // beneath the wave
  auto& wave = Wave(3, 8);
  Box("inner", 16, 0, 4, kH, 0x0000FF, &wave);
  Frame(0);
  DrawAll();
  const std::vector<int32_t>& offsets = wave.Proxy().RowOffsets();
  for (int y = 0; y < kH; ++y) {
    const int d = offsets[static_cast<size_t>(y)];
    EXPECT_EQ(Pixel(16 + d, y), 0xFF0000u) << y;
    EXPECT_EQ(Pixel(19 + d, y), 0xFF0000u) << y;
    EXPECT_EQ(Pixel(20 + d, y), 0u) << y;
    EXPECT_EQ(Pixel(4 + d, y), 0x00FF00u) << y;
  }
}

TEST_F(Waves, DirtyRectanglesWidenByTheAmplitudeOnTheirWayUp) {
  auto& wave = Wave(5, 8);
  auto& inner = Box("inner", 10, 8, 4, 4, 0x0000FF, &wave);
  Frame(0);
  root_.ClearDirtyRects();
  inner.SetInt(PR_COLOR, 0x00FF00);
  ASSERT_EQ(root_.ShownBase()->DirtyRects.size(), 1u);
  EXPECT_EQ(root_.ShownBase()->DirtyRects[0], (Rect{5, 8, 19, 12}));
}

TEST_F(Waves, SwayingPictureMatchesItsGolden) {
  for (int x = 0; x < kW; x += 8) Box("stripe" + std::to_string(x), x, 0, 3, kH, 0xC08040);
  auto& wave = Wave(2, 12);
  Box("inner", 10, 6, 12, 12, 0x2020E0, &wave);
  Frame(0);
  DrawAll(0x101010);
  EXPECT_TRUE(graphics::testing::MatchesGoldenIn(
      std::filesystem::path(VESK_FIXTURES_DIR).parent_path() / "components" / "golden", screen_,
      "wave_stripes"));
}

TEST_F(Waves, StoredFormRoundTrips) {
  auto& wave = Wave(-7, 33, 20, 12);
  wave.SetInt(PR_DELAY, 900);
  wave.SetStr(PR_ONIDLE, "sway");
  Frame(100);
  ByteWriter first;
  root_.SaveToStream(first);
  scene::TVeskBaseList copy(Env());
  ByteReader in(first.bytes().data(), first.bytes().size());
  copy.LoadFromStream(in, kSaveVersion);
  EXPECT_EQ(in.remaining(), 0u);
  auto* loaded = dynamic_cast<TVeskWave*>(copy.FindComponent("wave"));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->GetInt(PR_AMP), -7);
  EXPECT_EQ(loaded->GetInt(PR_DELAY), 900);
  EXPECT_EQ(loaded->Proxy().RowOffsets().size(), 12u);
  ByteWriter second;
  copy.SaveToStream(second);
  EXPECT_EQ(first.bytes(), second.bytes());
}

}  // namespace
}  // namespace vesk::components::test
