// The geometric effects (15-18, 22-30): golden pictures at a quarter, half
// and three quarters of the time, the end of a run, 16-bit pictures and
// surfaces too small for the effects' arithmetic.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <string>
#include <vector>

#include "transitions/wipe_fixture.h"
#include "transitions/wipe_groups.h"

namespace vesk::transitions {
namespace {

using graphics::TDIBX;
using testing::RunWipe;
using testing::WipeScene;

struct GeoType {
  int type;
  const char* name;
};

constexpr std::array<GeoType, 13> kGeoTypes{{{15, "mosaic"},
                                             {16, "sudareh"},
                                             {17, "sudarev"},
                                             {18, "spot"},
                                             {22, "small"},
                                             {23, "big"},
                                             {24, "ripple"},
                                             {25, "blurwhite"},
                                             {26, "blurblack"},
                                             {27, "twisth"},
                                             {28, "twistv"},
                                             {29, "crack"},
                                             {30, "zoomin"}}};

constexpr int32_t kDurationMs = 1000;

std::string GoldenName(const GeoType& g, int percent, const std::string& variant = "") {
  return "wipe" + std::to_string(g.type) + "-" + g.name + variant + "-" + std::to_string(percent);
}

// Pixel values of a whole surface, row by row.
std::vector<uint32_t> Pixels(const graphics::TCustomDIBX& s) {
  std::vector<uint32_t> out;
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x) out.push_back(s.GetPixel(x, y));
  return out;
}

// A 32-bit picture converted to 16 bits pixel by pixel.
TDIBX To16(const graphics::TCustomDIBX& s) {
  TDIBX out(s.Width(), s.Height(), 16);
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x)
      out.SetPixel(
          x, y,
          graphics::ColorToNative(graphics::NativeToColor(s.GetPixel(x, y), 32, nullptr), 16));
  return out;
}

// RunWipe with parameters set as a command would set them.
std::unique_ptr<TCustomWipe> RunWithParams(WipeScene& scene, int type, int32_t p0, int32_t p1,
                                           int32_t elapsed_ms, bool reverse = false) {
  auto wipe = CreateWipe(type, scene.dest, scene.from, scene.to);
  wipe->Duration = kDurationMs;
  wipe->SetReverse(reverse);
  wipe->SetParam(0, p0);
  wipe->SetParam(1, p1);
  wipe->Prepare();
  for (int32_t t = 0; t < elapsed_ms; t += 50) {
    wipe->Elapsed = t;
    wipe->Step();
  }
  wipe->Elapsed = elapsed_ms;
  wipe->Step();
  return wipe;
}

class GeometricWipeGolden : public ::testing::TestWithParam<GeoType> {};

TEST_P(GeometricWipeGolden, MatchesAtQuarterHalfAndThreeQuarters) {
  for (int percent : {25, 50, 75}) {
    WipeScene scene(32);
    ASSERT_NE(RunWipe(scene, GetParam().type, kDurationMs, percent * kDurationMs / 100), nullptr);
    EXPECT_TRUE(testing::MatchesWipeGolden(scene.dest, GoldenName(GetParam(), percent)));
  }
}

// A clip rectangle left on the screen does not cut the effect short: the
// whole surface is opened and drawn.
TEST_P(GeometricWipeGolden, ClippedDestinationIsDrawnWhole) {
  WipeScene scene(32);
  scene.dest.SetClipRect(Rect{0, 0, 8, 8});
  ASSERT_NE(RunWipe(scene, GetParam().type, kDurationMs, kDurationMs / 2), nullptr);
  EXPECT_EQ(scene.dest.ClipRect(), scene.dest.BoundsRect());
  EXPECT_TRUE(testing::MatchesWipeGolden(scene.dest, GoldenName(GetParam(), 50)));
}

TEST_P(GeometricWipeGolden, StepAtTheEndAnswersTrueAndDrawsNothing) {
  WipeScene scene(32);
  auto wipe = RunWipe(scene, GetParam().type, kDurationMs, kDurationMs / 2);
  ASSERT_NE(wipe, nullptr);
  EXPECT_FALSE(wipe->ChangedRect().IsEmpty());
  EXPECT_TRUE(scene.dest.BoundsRect().Contains(wipe->ChangedRect()));
  const std::vector<uint32_t> before = Pixels(scene.dest);
  for (int32_t elapsed : {kDurationMs, kDurationMs + 1000}) {
    wipe->Elapsed = elapsed;
    EXPECT_TRUE(wipe->Step());
    EXPECT_TRUE(wipe->ChangedRect().IsEmpty());
    EXPECT_EQ(Pixels(scene.dest), before);
  }
}

TEST_P(GeometricWipeGolden, ZeroOrNegativeDurationLastsOneUnit) {
  for (int32_t duration : {0, -5}) {
    WipeScene scene(32);
    auto wipe = CreateWipe(GetParam().type, scene.dest, scene.from, scene.to);
    wipe->Duration = duration;
    wipe->Prepare();
    wipe->Elapsed = 0;
    EXPECT_FALSE(wipe->Step());
    wipe->Elapsed = 1;
    EXPECT_TRUE(wipe->Step());
  }
}

TEST_P(GeometricWipeGolden, SixteenBitPicturesRunAtHalfTime) {
  WipeScene scene(16);
  ASSERT_NE(RunWipe(scene, GetParam().type, kDurationMs, kDurationMs / 2), nullptr);
  // Whatever was drawn is made of the two pictures' 16-bit values or their
  // blends: nothing is left undrawn as garbage above the 16 bits.
  for (uint32_t v : Pixels(scene.dest)) EXPECT_LE(v, 0xFFFFu);
}

TEST_P(GeometricWipeGolden, TinyAndOddSurfacesStayInside) {
  for (auto [w, h] : {std::pair{1, 1}, {2, 3}, {3, 2}, {5, 7}, {1, 9}}) {
    for (int bits : {32, 16, 15, 8, 24}) {
      TDIBX from(w, h, bits), to(w, h, bits), dest(w, h, bits);
      from.Fill(uint32_t(from.ColorToPixel(0x204060)));
      to.Fill(uint32_t(to.ColorToPixel(0xC0A080)));
      dest.Fill(uint32_t(dest.ColorToPixel(0x204060)));
      auto wipe = CreateWipe(GetParam().type, dest, from, to);
      wipe->Duration = 100;
      wipe->Prepare();
      for (int32_t t = 0; t <= 100; t += 7) {
        wipe->Elapsed = t;
        wipe->Step();
      }
      wipe->Elapsed = 100;
      EXPECT_TRUE(wipe->Step()) << w << "x" << h << " at " << bits << " bits";
    }
  }
}

TEST_P(GeometricWipeGolden, MismatchedPicturesFallBackWithoutReadingOutside) {
  TDIBX dest(64, 48, 32), from(8, 8, 32), to(64, 48, 16);
  auto wipe = CreateWipe(GetParam().type, dest, from, to);
  wipe->Duration = 100;
  wipe->Prepare();
  for (int32_t t = 0; t < 100; t += 10) {
    wipe->Elapsed = t;
    EXPECT_FALSE(wipe->Step());
  }
}

INSTANTIATE_TEST_SUITE_P(Types, GeometricWipeGolden, ::testing::ValuesIn(kGeoTypes),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(GeometricWipe, MakesItsOwnTypesOnly) {
  WipeScene scene(32);
  for (int type = -1; type <= 33; ++type) {
    const bool mine = (type >= 15 && type <= 18) || (type >= 22 && type <= 30);
    EXPECT_EQ(MakeGeometricWipe(type, scene.dest, scene.from, scene.to) != nullptr, mine) << type;
  }
}

// Stretch-only effects copy pixels without blending, so the 16-bit run is
// the 32-bit one converted.
TEST(GeometricWipe, StretchingEffectsAgreeAcrossBitCounts) {
  for (int type : {15, 16, 17, 24, 27, 28, 29, 30}) {
    // The mosaic blends from 25 % on; at 20 % it only pixelates.
    const int32_t elapsed = type == 15 ? 200 : 500;
    WipeScene wide(32), narrow(16);
    RunWipe(wide, type, kDurationMs, elapsed);
    RunWipe(narrow, type, kDurationMs, elapsed);
    EXPECT_EQ(Pixels(narrow.dest), Pixels(To16(wide.dest))) << "type " << type;
  }
}

TEST(GeometricWipe, VariantsMatchTheirGoldens) {
  struct Variant {
    GeoType g;
    int32_t p0, p1;
    bool reverse;
    const char* suffix;
    std::array<int, 3> percents = {25, 50, 75};
  };
  const Variant variants[] = {
      {{16, "sudareh"}, 0, 0, true, "-reverse"},
      {{18, "spot"}, 0, 0, true, "-reverse"},
      {{22, "small"}, 64, 0, false, "-turn"},
      {{23, "big"}, 64, 0, true, "-turn-reverse"},
      {{24, "ripple"}, 20, 0, false, "-deep"},
      {{27, "twisth"}, 0, 0, true, "-reverse"},
      {{28, "twistv"}, 0, 0, true, "-reverse"},  // Tiles fly out of so small a picture early.
      {{29, "crack"}, 16, 30, false, "-16", {3, 8, 15}},
      {{30, "zoomin"}, 40, 30, false, "-point"},
  };
  for (const Variant& v : variants)
    for (int percent : v.percents) {
      WipeScene scene(32);
      RunWithParams(scene, v.g.type, v.p0, v.p1, percent * kDurationMs / 100, v.reverse);
      EXPECT_TRUE(testing::MatchesWipeGolden(scene.dest, GoldenName(v.g, percent, v.suffix)));
    }
}

}  // namespace
}  // namespace vesk::transitions
