// Frame lists: loading, their own frame timing, and brightness copies with
// the colour key carried along.
#include <gtest/gtest.h>

#include "components/image_list.h"
#include "image_fixture.h"

namespace vesk::components::test {
namespace {

class ImageList : public ::testing::Test {
 protected:
  ImageList() {
    fake.pictures["three.orl"] = {Solid(2, 2, 0x0000FF, 10), Solid(2, 2, 0x00FF00, 20),
                                  Solid(2, 2, 0xFF0000, 30)};
  }
  FakePictures fake;
  TOrloCollection cache{fake.Services()};
  int owner = 0;
};

TEST_F(ImageList, LoadSetFrameAndAdvanceFollowTheDelays) {
  TVeskImageList list;
  list.Load(&cache, &owner, "three.orl", false);
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Index, 0);
  EXPECT_EQ(list.Remaining, 11);  // Delay(0) + 1
  EXPECT_FALSE(list.Advance(10));
  EXPECT_TRUE(list.Advance(1));  // 11 - 11 = 0 < 1: next frame
  EXPECT_EQ(list.Index, 1);
  EXPECT_EQ(list.Remaining, 20);
  EXPECT_TRUE(list.Advance(50));  // through frame 2 and back to 0, where the step stops
  EXPECT_EQ(list.Index, 0);
  EXPECT_EQ(list.Remaining, 10);
  list.SetFrame(7);
  EXPECT_EQ(list.Index, 2);
  EXPECT_EQ(list.Remaining, 31);
}

TEST_F(ImageList, BrightnessCopiesAddOrSubtractGreyAndKeepTheSharedFrame) {
  FakeFrame f = Solid(2, 1, 0x404040);
  f.pixels[1] = 0xF0F0F0;
  fake.pictures["grey.orl"] = {f};
  TVeskImageList list;
  list.Load(&cache, &owner, "grey.orl", false);
  TVeskImageData& d = list.Data(0);
  const graphics::TCustomDIBX* shared = d.Surface(0);
  const graphics::TCustomDIBX* brighter = d.Surface(32);
  EXPECT_NE(shared, brighter);
  EXPECT_EQ(brighter->GetPixel(0, 0), 0x606060u);
  EXPECT_EQ(brighter->GetPixel(1, 0), 0xFFFFFFu);  // saturates
  const graphics::TCustomDIBX* darker = d.Surface(-0x50);
  EXPECT_EQ(darker->GetPixel(0, 0), 0x000000u);
  EXPECT_EQ(darker->GetPixel(1, 0), 0xA0A0A0u);
  EXPECT_EQ(shared->GetPixel(0, 0), 0x404040u);  // the cache's frame is untouched
  EXPECT_EQ(d.Surface(-0x50), darker);           // kept while the brightness stays
}

TEST_F(ImageList, TheColourKeyMovesWithTheBrightness) {
  graphics::TDIBX image(3, 1, 32);
  image.SetPixel(0, 0, 0x102030);
  image.SetPixel(1, 0, 0x800080);  // the key
  image.SetPixel(2, 0, 0x101010);
  image.SetColorKey(0x800080);
  ApplyBrightness(image, 0x10);
  EXPECT_EQ(image.ColorKey(), 0x901090);
  EXPECT_EQ(image.GetPixel(1, 0), 0x901090u);
  EXPECT_EQ(image.GetPixel(0, 0), 0x203040u);
}

TEST_F(ImageList, FullDarknessKeepsTransparencyApartFromTheBlackPixels) {
  graphics::TDIBX image(3, 1, 32);
  image.SetPixel(0, 0, 0x336699);
  image.SetPixel(1, 0, 0xFF00FF);
  image.SetPixel(2, 0, 0xFFFFFF);
  image.SetColorKey(0xFF00FF);
  ApplyBrightness(image, -255);
  EXPECT_EQ(image.GetPixel(0, 0), 0u);
  EXPECT_EQ(image.GetPixel(2, 0), 0u);
  // The key would have become black too; it takes a value no visible pixel has.
  EXPECT_NE(image.ColorKey(), 0);
  EXPECT_EQ(image.GetPixel(1, 0), static_cast<uint32_t>(image.ColorKey()));
}

TEST_F(ImageList, CopiesFollowAReloadOfTheCache) {
  TVeskImageList list;
  list.Load(&cache, &owner, "three.orl", false);
  const graphics::TCustomDIBX* before = list.Data(0).Surface(10);
  EXPECT_EQ(before->GetPixel(0, 0), 0xFF0A0Au);
  cache.RestoreSurfaces(16);
  const graphics::TCustomDIBX* after = list.Data(0).Surface(10);
  EXPECT_EQ(after->BitCount(), 16);
  list.ReleaseSurfaces();
  EXPECT_FALSE(list.Data(0).HasCopy());
}

}  // namespace
}  // namespace vesk::components::test
