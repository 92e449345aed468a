// Drawing and hit testing of one picture: zoom, mirroring, blend values,
// rotation, explicit sizes, the zoomed parent's grid, the mask hit test,
// and the still image's darkened copy.
#include <gtest/gtest.h>

#include "components/box.h"
#include "components/custom_image.h"
#include "components/images.h"
#include "image_fixture.h"

namespace vesk::components::test {
namespace {

// Grey levels read the same as colour values and as 32-bit pixels.
constexpr uint32_t kA = 0x111111, kB = 0x444444, kC = 0x777777, kD = 0xAAAAAA;

class Pictures : public ImageScene {
 protected:
  Pictures() {
    FakeFrame quad{2, 2, {int32_t(kA), int32_t(kB), int32_t(kC), int32_t(kD)}, {}, -1, 100};
    fake_.pictures["quad.orl"] = {quad};
    FakeFrame half{4,  2,  std::vector<int32_t>(8, int32_t(kD)), {255, 255, 0, 0, 255, 255, 0, 0},
                   -1, 100};
    fake_.pictures["half.orl"] = {half};
  }
  TVeskImages& Image(const std::string& name, const std::string& source, int left = 0,
                     int top = 0) {
    auto& image = Make<TVeskImages>(LT_IMAGES, name);
    image.SetStr(PR_SOURCE, source);
    image.SetInt(PR_LEFT, left);
    image.SetInt(PR_TOP, top);
    return image;
  }
};

TEST_F(Pictures, ZoomStretchesAtTheNextFrameStep) {
  auto& image = Image("z", "quad.orl", 1, 1);
  image.SetInt(PR_ZOOMX, 512);
  image.SetInt(PR_ZOOMY, 512);
  EXPECT_EQ(image.Width, 2);  // the size follows at the next step
  EXPECT_TRUE(image.SizeDirty());
  Frame();
  EXPECT_EQ(image.Width, 4);
  EXPECT_EQ(image.Height, 4);
  DrawAll(0x010203);
  EXPECT_EQ(Pixel(1, 1), kA);
  EXPECT_EQ(Pixel(2, 2), kA);
  EXPECT_EQ(Pixel(3, 1), kB);
  EXPECT_EQ(Pixel(4, 4), kD);
  EXPECT_EQ(Pixel(5, 5), 0x010203u);
  image.SetInt(PR_ZOOMX, -5);
  EXPECT_EQ(image.GetInt(PR_ZOOMX), 1);
}

TEST_F(Pictures, MirroringTurnsThePictureAroundItsAnchor) {
  auto& image = Image("f", "quad.orl", 5, 5);
  image.SetFlag(PR_FLIPH, true);
  // Anchor offset with a mirror: Width - OffsetX - 1.
  EXPECT_EQ(image.GetSceneLeft(), 4);
  DrawAll();
  EXPECT_EQ(Pixel(4, 5), kB);
  EXPECT_EQ(Pixel(5, 5), kA);
  EXPECT_EQ(Pixel(4, 6), kD);
  image.SetFlag(PR_FLIPH, false);
  image.SetFlag(PR_FLIPV, true);
  DrawAll();
  EXPECT_EQ(Pixel(5, 4), kC);
  EXPECT_EQ(Pixel(5, 5), kA);
}

TEST_F(Pictures, BlendValuesPickAlphaAddOrNothing) {
  auto& image = Image("b", "quad.orl");
  image.SetInt(PR_ALPHA, 128);
  DrawAll(0x000000);
  EXPECT_EQ(Pixel(1, 0), 0x222222u);  // 0x44 x 128 / 256
  image.SetInt(PR_ALPHA, 256 + 128);
  DrawAll(0x101010);
  EXPECT_EQ(Pixel(1, 0), 0x323232u);  // 0x10 + 0x22
  image.SetInt(PR_ALPHA, 0);
  DrawAll(0x101010);
  EXPECT_EQ(Pixel(1, 0), 0x101010u);
  image.SetInt(PR_ALPHA, 255);
  DrawAll(0x101010);
  EXPECT_EQ(Pixel(1, 0), kB);
}

TEST_F(Pictures, AQuarterTurnDrawsTheRowDownwards) {
  fake_.pictures["row.orl"] = {FakeFrame{2, 1, {int32_t(kA), int32_t(kB)}, {}, -1, 100}};
  auto& image = Image("r", "row.orl", 10, 10);
  image.SetInt(PR_ANGLE, 64);
  DrawAll(0x010101);
  EXPECT_EQ(Pixel(10, 10), kA);
  EXPECT_EQ(Pixel(10, 11), kB);
  EXPECT_EQ(Pixel(11, 10), 0x010101u);
}

TEST_F(Pictures, AnExplicitSizeStretchesAndClearsTheZoom) {
  auto& image = Image("s", "quad.orl");
  image.SetInt(PR_WIDTH, 4);
  EXPECT_EQ(image.GetInt(PR_ZOOMX), 0);
  EXPECT_EQ(image.EffectiveZoomX(), 512);
  Frame();  // the zoom no longer sizes that side
  EXPECT_EQ(image.Width, 4);
  DrawAll();
  EXPECT_EQ(Pixel(1, 0), kA);
  EXPECT_EQ(Pixel(2, 0), kB);
  EXPECT_EQ(Pixel(3, 1), kD);
  image.SetFlag(PR_FLIPH, true);  // a flip recomputes the size, keeping the explicit width
  EXPECT_EQ(image.Width, 4);
}

TEST_F(Pictures, AZoomedChildSitsOnItsParentsPixelGrid) {
  fake_.pictures["ten.orl"] = {Solid(10, 10, 0x000080)};
  fake_.pictures["three.orl"] = {Solid(3, 3, 0x008000)};
  auto& parent = Image("parent", "ten.orl");
  auto& child = Image("child", "three.orl", 2, 0);
  child.SetParent(&parent);
  child.SetFlag(PR_POSZOOMED, true);
  parent.SetInt(PR_ZOOMX, 384);
  parent.SetInt(PR_ZOOMY, 384);
  child.SetInt(PR_ZOOMX, 384);
  child.SetInt(PR_ZOOMY, 384);
  Frame();
  EXPECT_EQ(parent.Width, 15);
  // Parent pixels 2..5 of 10 cover scaled pixels 3 up to 7.5, so 3..8.
  EXPECT_EQ(child.GetSceneLeft(), 3);
  EXPECT_EQ(child.Width, 5);
  // Without the parent's zoom the child keeps its own size.
  child.SetFlag(PR_POSZOOMED, false);
  child.MarkSizeDirty();
  Frame();
  EXPECT_EQ(child.Width, 4);
}

TEST_F(Pictures, WithCaptureMaskAClickOnATransparentPixelFallsThrough) {
  auto& below = Make<TVeskBox>(LT_BOX, "below");
  below.SetBounds(0, 0, 8, 8);
  below.SetStr(PR_ONLBTNDOWN, "p.lsb:below");
  auto& image = Image("masked", "half.orl");
  image.SetInt(PR_PRIORITY, 1);
  image.SetStr(PR_ONLBTNDOWN, "p.lsb:image");
  image.SetInt(PR_ZOOMX, 512);
  Frame();
  ASSERT_EQ(image.Width, 8);

  // Without CaptureMask the rectangle decides.
  Click(6, 0);
  EXPECT_EQ(Events(PR_ONLBTNDOWN), std::vector<std::string>{"p.lsb:image(6,0)"});
  root_.Events.Clear();
  image.SetFlag(PR_CAPTUREMASK, true);
  Click(6, 0);  // image column 3: mask 0
  EXPECT_EQ(Events(PR_ONLBTNDOWN), std::vector<std::string>{"p.lsb:below(6,0)"});
  root_.Events.Clear();
  Click(3, 1);  // image column 1: opaque
  EXPECT_EQ(Events(PR_ONLBTNDOWN), std::vector<std::string>{"p.lsb:image(3,1)"});
  root_.Events.Clear();
  image.SetInt(PR_LEFT, 10);
  image.SetFlag(PR_FLIPH, true);  // mirrored: the opaque half is on the right
  Frame();
  const int left = image.GetSceneLeft();
  ASSERT_EQ(left, 3);
  Click(left + 6, 0);
  EXPECT_EQ(Events(PR_ONLBTNDOWN), std::vector<std::string>{"p.lsb:image(6,0)"});
  root_.Events.Clear();
  Click(left + 1, 0);
  EXPECT_EQ(Events(PR_ONLBTNDOWN), std::vector<std::string>{"p.lsb:below(4,0)"});
}

TEST_F(Pictures, ATurnedPictureIsHitWhereItIsDrawn) {
  fake_.pictures["bar.orl"] = {Solid(8, 2, 0xFFFFFF)};
  auto& image = Image("bar", "bar.orl", 10, 10);
  image.SetInt(PR_ANGLE, 64);
  EXPECT_EQ(image.HitTest(10, 11, ~0u), &image);   // on the turned bar
  EXPECT_EQ(image.HitTest(15, 10, ~0u), nullptr);  // in the unturned rectangle only
  image.SetInt(PR_ANGLE, 0);
  EXPECT_EQ(image.HitTest(15, 10, ~0u), &image);
}

TEST_F(Pictures, AStillImageDarkensItsOwnCopy) {
  fake_.pictures["light.orl"] = {Solid(2, 2, 0xC0C0C0)};
  auto& image = MakeByCode<TVeskImage>("still");
  image.SetStr(PR_SOURCE, "light.orl");
  EXPECT_EQ(image.GetInt(PR_COMPOTYPE), 0);
  EXPECT_EQ(image.Width, 2);
  DrawAll();
  EXPECT_EQ(Pixel(0, 0), 0xC0C0C0u);
  image.SetInt(PR_BRIGHTNESS, 0x80);  // subtracts 255 - 0x80
  DrawAll();
  EXPECT_EQ(Pixel(0, 0), 0x414141u);
  // The cache's frame stays as decoded for everybody else.
  EXPECT_EQ(pictures_.Find("light.orl")->Frames[0].Surface->GetPixel(0, 0), 0xC0C0C0u);
}

TEST_F(Pictures, AStillImageKeepsItsMaskWhenTheCacheDropsThePicture) {
  auto& image = MakeByCode<TVeskImage>("still");
  image.SetStr(PR_SOURCE, "half.orl");
  // Push the picture out of the idle list.
  for (int i = 0; i < 6; ++i) {
    const std::string name = "big" + std::to_string(i) + ".orl";
    fake_.pictures[name] = {Solid(600, 600, 1)};
    int owner = 0;
    pictures_.Release(pictures_.Acquire(&owner, name, false, false), &owner);
  }
  ASSERT_EQ(pictures_.Find("half.orl"), nullptr);
  ASSERT_NE(image.ShownMask(), nullptr);
  DrawAll(0x000001);
  EXPECT_EQ(Pixel(0, 0), kD);
  EXPECT_EQ(Pixel(2, 0), 0x000001u);
  image.SetStr(PR_SOURCE, "");
  EXPECT_EQ(image.ShownSurface(), nullptr);
}

}  // namespace
}  // namespace vesk::components::test
