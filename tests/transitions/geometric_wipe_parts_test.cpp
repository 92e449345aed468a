// Parts of the geometric effects checked on their own: the box blur against
// the plain sum over each window, the crack's tiles and random order, and
// the ripple's parameter.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <vector>

#include "transitions/wipe_fixture.h"
#include "transitions/wipe_geo.h"
#include "transitions/wipe_geo_support.h"

namespace vesk::transitions {
namespace {

using graphics::TDIBX;
using testing::WipeScene;

TDIBX NoisePicture(int w, int h, int bits, uint32_t seed) {
  TDIBX s(w, h, bits);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      seed = seed * 1103515245u + 12345u;
      s.SetPixel(x, y, uint32_t(s.ColorToPixel(int32_t((seed >> 8) & 0xFFFFFF))));
    }
  return s;
}

// The mean of each channel over the window cut to the picture, pixel by
// pixel.
TDIBX BruteForceBlur(const TDIBX& s, int r) {
  TDIBX out(s.Width(), s.Height(), s.BitCount());
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x) {
      uint32_t sum[3] = {0, 0, 0}, count = 0;
      for (int yy = y - r; yy <= y + r; ++yy)
        for (int xx = x - r; xx <= x + r; ++xx) {
          if (xx < 0 || yy < 0 || xx >= s.Width() || yy >= s.Height()) continue;
          const auto c =
              uint32_t(graphics::NativeToColor(s.GetPixel(xx, yy), s.BitCount(), nullptr));
          for (int k = 0; k < 3; ++k) sum[k] += (c >> (8 * k)) & 0xFF;
          ++count;
        }
      const int32_t c = int32_t(sum[0] / count | (sum[1] / count) << 8 | (sum[2] / count) << 16);
      out.SetPixel(x, y, graphics::ColorToNative(c, s.BitCount()));
    }
  return out;
}

std::vector<uint32_t> Pixels(const graphics::TCustomDIBX& s) {
  std::vector<uint32_t> out;
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x) out.push_back(s.GetPixel(x, y));
  return out;
}

TEST(BoxBlur, EqualsTheSumOverEachWindow) {
  for (int bits : {32, 16, 15})
    for (auto [w, h] : {std::pair{9, 7}, {1, 5}, {6, 1}, {13, 11}})
      for (int r : {0, 1, 2, 4, 20}) {
        const TDIBX picture = NoisePicture(w, h, bits, uint32_t(w * 31 + h + r));
        TDIBX blurred;
        BoxBlur(picture, blurred, r);
        ASSERT_EQ(blurred.BitCount(), bits);
        EXPECT_EQ(Pixels(blurred), Pixels(BruteForceBlur(picture, r)))
            << w << "x" << h << " r=" << r << " at " << bits << " bits";
      }
}

TEST(BoxBlur, RadiusZeroKeepsThePicture) {
  const TDIBX picture = NoisePicture(8, 6, 16, 7);
  TDIBX blurred;
  BoxBlur(picture, blurred, 0);
  EXPECT_EQ(Pixels(blurred), Pixels(picture));
}

// Dest pixels that differ from the old picture, as a bounding box, and
// whether every one of them shows the new picture.
struct Uncovered {
  Rect box{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
  int count = 0;
  bool all_new = true;
};

Uncovered Differences(const WipeScene& scene) {
  Uncovered u;
  for (int y = 0; y < scene.dest.Height(); ++y)
    for (int x = 0; x < scene.dest.Width(); ++x) {
      if (scene.dest.GetPixel(x, y) == scene.from.GetPixel(x, y)) continue;
      ++u.count;
      u.all_new = u.all_new && scene.dest.GetPixel(x, y) == scene.to.GetPixel(x, y);
      u.box = u.box.Union(Rect{x, y, x + 1, y + 1});
    }
  return u;
}

// With one tile started long enough ago to have fallen and the next not yet
// started, the old picture shows everywhere but in the first tile's cell.
Uncovered FirstTileGone(int32_t p0, const WipeServices* services) {
  WipeScene scene(32);
  auto wipe = CreateWipe(29, scene.dest, scene.from, scene.to, services);
  wipe->SetParam(0, p0);
  wipe->SetParam(1, 100000);
  wipe->Duration = 1000000;
  wipe->Prepare();
  wipe->Elapsed = 50000;  // b is about 55000: beyond the fall, before P1
  wipe->Step();
  return Differences(scene);
}

TEST(Crack, SmallTilesAreSixteenPixels) {
  WipeScene scene(32);
  auto wipe = CreateWipe(29, scene.dest, scene.from, scene.to);
  wipe->SetParam(0, 4);
  wipe->SetParam(1, -3);
  EXPECT_EQ(wipe->GetParam(0), TWipeCrack::kMinTilePx);
  EXPECT_EQ(wipe->GetParam(1), 0);

  const Uncovered u = FirstTileGone(4, nullptr);
  EXPECT_EQ(u.count, 16 * 16);
  EXPECT_TRUE(u.all_new);
  EXPECT_EQ(u.box.Width(), 16);
  EXPECT_EQ(u.box.Height(), 16);
  EXPECT_EQ(u.box.left % 16, 0);
  EXPECT_EQ(u.box.top % 16, 0);
}

TEST(Crack, OrderComesFromTheRuntimeGeneratorOrRepeats) {
  // The first pick of a generator answering 0 is the first cell, of one
  // answering n - 1 the last (the 4 x 3 cells of 64 x 48).
  WipeServices first{.load_rule_image = {}, .random = [](int32_t) { return 0; }};
  WipeServices last{.load_rule_image = {}, .random = [](int32_t n) { return n - 1; }};
  EXPECT_EQ(FirstTileGone(16, &first).box, (Rect{0, 0, 16, 16}));
  EXPECT_EQ(FirstTileGone(16, &last).box, (Rect{48, 32, 64, 48}));
  // Out-of-range answers are taken modulo the count.
  WipeServices wild{.load_rule_image = {}, .random = [](int32_t) { return -7; }};
  EXPECT_EQ(FirstTileGone(16, &wild).count, 16 * 16);
  // Without a generator runs repeat.
  EXPECT_EQ(FirstTileGone(16, nullptr).box, FirstTileGone(16, nullptr).box);
}

TEST(Crack, TileLargerThanThePictureIsCut) {
  WipeScene scene(32);
  auto wipe = CreateWipe(29, scene.dest, scene.from, scene.to);
  wipe->SetParam(0, INT32_MAX);
  wipe->SetParam(1, INT32_MAX);
  wipe->Duration = 1000;
  wipe->Prepare();
  for (int32_t t = 0; t < 1000; t += 100) {
    wipe->Elapsed = t;
    EXPECT_FALSE(wipe->Step());
  }
}

TEST(Ripple, AmplitudeChangesTheWaveAndHugeOnesStayInRange) {
  const auto run = [](int32_t p0) {
    WipeScene scene(32);
    auto wipe = CreateWipe(24, scene.dest, scene.from, scene.to);
    wipe->Duration = 1000;
    wipe->Prepare();
    // Set after Prepare, as a command may: the wave is rebuilt.
    wipe->SetParam(0, p0);
    wipe->Elapsed = 500;
    wipe->Step();
    return Pixels(scene.dest);
  };
  EXPECT_NE(run(5), run(20));
  EXPECT_EQ(run(0), run(0));
  for (int32_t p0 : {INT32_MAX, INT32_MIN, -40}) run(p0);
}

TEST(Spot, ReverseRunsTheRingInwards) {
  // Early on, the normal ring brightens the centre first, the reversed one
  // the corners.
  const auto brightness = [](bool reverse, int x, int y) {
    WipeScene scene(32);
    scene.from.Fill(0);
    scene.dest.Fill(0);
    auto wipe = CreateWipe(18, scene.dest, scene.from, scene.to);
    wipe->Duration = 1000;
    wipe->SetReverse(reverse);
    wipe->Prepare();
    wipe->Elapsed = 40;
    wipe->Step();
    return scene.dest.GetPixel(x, y) & 0xFF;
  };
  EXPECT_GT(brightness(false, 32, 24), brightness(false, 0, 0));
  EXPECT_LT(brightness(true, 32, 24), brightness(true, 0, 0));
}

// Small and Big draw on raw rows what the surfaces' rotation draws: the new
// (old) picture, then the other one turned and zoomed over the centre.
TEST(SmallAndBig, DrawWhatTheSurfaceRotationDraws) {
  for (int type : {22, 23})
    for (int32_t turn : {0, 64, 37, -200})
      for (int32_t elapsed : {0, 130, 500, 871, 999}) {
        WipeScene scene(32), expect(32);
        auto wipe = CreateWipe(type, scene.dest, scene.from, scene.to);
        wipe->Duration = 1000;
        wipe->SetParam(0, turn);
        wipe->Prepare();
        wipe->Elapsed = elapsed;
        wipe->Step();

        const bool small = type == 22;
        const double ratio = elapsed / 1000.0, rest = (1000 - elapsed - 1) / 1000.0;
        const int zoom = int(std::nearbyint(255 * (small ? rest : ratio)));
        const int angle = int(std::nearbyint(turn * (small ? ratio : rest)));
        const TDIBX& base = small ? expect.to : expect.from;
        const TDIBX& picture = small ? expect.from : expect.to;
        expect.dest.Draw(0, 0, base, base.BoundsRect(), graphics::KeyMode::kIgnore,
                         graphics::Flip::kNone);
        if (zoom > 0)
          expect.dest.DrawRotate(32, 24, zoom, zoom, picture, picture.BoundsRect(), 32, 24,
                                 ((angle % 256) + 256) % 256, graphics::KeyMode::kIgnore,
                                 graphics::Flip::kNone, zoom);
        EXPECT_EQ(Pixels(scene.dest), Pixels(expect.dest))
            << "type " << type << " turn " << turn << " at " << elapsed;
      }
}

// The grey levels the row loops compute are the surfaces' own greys.
TEST(GreyLevels, MatchColorToPixelInEveryRowFormat) {
  for (int bits : {8, 15, 16, 32}) {
    const TDIBX s(1, 1, bits);
    geo::WithRowFormat(bits, [&](auto fmt) {
      using F = decltype(fmt);
      // 8-bit surfaces use the low byte of a colour as the grey level.
      const uint32_t mask = bits == 8 ? 0xFFu : 0xFFFFFFFFu;
      for (uint32_t v = 0; v < 256; ++v)
        ASSERT_EQ(uint32_t(geo::GreyOf<F>(v)),
                  uint32_t(s.ColorToPixel(int32_t(v * 0x010101u))) & mask)
            << bits << " bits, level " << v;
    });
  }
}

}  // namespace
}  // namespace vesk::transitions
