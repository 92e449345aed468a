// The picture cache: sharing by key, the idle list and its byte budget,
// missing files, the mask and key rules, trimming, and reloads.
#include <gtest/gtest.h>

#include "components/custom_image.h"
#include "components/images.h"
#include "components/orlo_collection.h"
#include "image_fixture.h"

namespace vesk::components::test {
namespace {

class Collection : public ::testing::Test {
 protected:
  FakePictures fake;
  TOrloCollection cache{fake.Services()};
  int owner_a = 0, owner_b = 0;
};

TEST_F(Collection, KeysCarryTheOptionsAndSameKeysShareOneDecode) {
  fake.pictures["a.orl"] = {Solid(4, 4, 0x0000FF)};
  TOrloItem* plain = cache.Acquire(&owner_a, "a.orl", false, false);
  TOrloItem* again = cache.Acquire(&owner_b, "A.ORL", false, false);  // names ignore ASCII case
  TOrloItem* masked = cache.Acquire(&owner_a, "a.orl", false, true);
  TOrloItem* both = cache.Acquire(&owner_a, "a.orl", true, true);
  EXPECT_EQ(plain, again);
  EXPECT_NE(plain, masked);
  EXPECT_EQ(plain->Name(), "a.orl");
  EXPECT_EQ(masked->Name(), "a.orl?m");
  EXPECT_EQ(both->Name(), "a.orl?m?t");
  EXPECT_EQ(fake.decodes, 3);
  EXPECT_EQ(plain->Users().size(), 2u);
}

TEST_F(Collection, ReleasedItemsWaitIdleUntilTheBudgetIsExceeded) {
  // 600 x 600 x 4 bytes = 1,440,000 per picture: four fit the budget, five do not.
  for (int i = 0; i < 6; ++i)
    fake.pictures["big" + std::to_string(i) + ".orl"] = {Solid(600, 600, i)};
  TOrloItem* first = cache.Acquire(&owner_a, "big0.orl", false, false);
  cache.Acquire(&owner_b, "big0.orl", false, false);
  cache.Release(first, &owner_a);
  EXPECT_FALSE(cache.IsIdle(first));  // still shown by b
  cache.Release(first, &owner_b);
  EXPECT_TRUE(cache.IsIdle(first));
  for (int i = 1; i < 4; ++i)
    cache.Release(cache.Acquire(&owner_a, "big" + std::to_string(i) + ".orl", false, false),
                  &owner_a);
  EXPECT_EQ(cache.IdleCount(), 4);
  EXPECT_EQ(cache.IdleBytes(), 4u * 1440000u);
  EXPECT_NE(cache.Find("big0.orl"), nullptr);

  cache.Release(cache.Acquire(&owner_a, "big4.orl", false, false), &owner_a);
  EXPECT_EQ(cache.Find("big0.orl"), nullptr);  // the oldest went
  EXPECT_EQ(cache.IdleCount(), 4);
  EXPECT_LE(cache.IdleBytes(), TOrloCollection::kIdleByteBudget);

  // Taking an idle item back reuses it without decoding.
  const int decodes = fake.decodes;
  TOrloItem* reused = cache.Acquire(&owner_a, "big2.orl", false, false);
  EXPECT_FALSE(cache.IsIdle(reused));
  EXPECT_EQ(fake.decodes, decodes);
}

TEST_F(Collection, OneIdleItemStaysWhateverItsSize) {
  fake.pictures["huge.orl"] = {Solid(1300, 1200, 1)};  // 6,240,000 bytes alone
  cache.Release(cache.Acquire(&owner_a, "huge.orl", false, false), &owner_a);
  EXPECT_EQ(cache.IdleCount(), 1);
  EXPECT_NE(cache.Find("huge.orl"), nullptr);
}

TEST_F(Collection, AnOwnerHoldingTwoAcquisitionsKeepsTheItemUntilBothAreGiven) {
  fake.pictures["a.orl"] = {Solid(2, 2, 1)};
  TOrloItem* item = cache.Acquire(&owner_a, "a.orl", false, false);
  cache.Acquire(&owner_a, "a.orl", false, false);  // a button showing one file in two states
  cache.Release(item, &owner_a);
  EXPECT_FALSE(cache.IsIdle(item));
  cache.Release(item, &owner_b);  // not a user: nothing happens
  EXPECT_FALSE(cache.IsIdle(item));
  cache.Release(item, &owner_a);
  EXPECT_TRUE(cache.IsIdle(item));
}

TEST_F(Collection, AMissingFileGivesABlankEightByEightFrame) {
  TOrloItem* plain = cache.Acquire(&owner_a, "gone.orl", false, false);
  ASSERT_EQ(plain->Count(), 1);
  EXPECT_EQ(plain->Width, 8);
  EXPECT_EQ(plain->Frames[0].Surface->Width(), 8);
  EXPECT_EQ(plain->Frames[0].Mask, nullptr);
  EXPECT_EQ(plain->Frames[0].Delay, 1);
  TOrloItem* masked = cache.Acquire(&owner_a, "gone.orl", false, true);
  ASSERT_NE(masked->Frames[0].Mask, nullptr);
  EXPECT_EQ(masked->Frames[0].Mask->BitCount(), 8);
  EXPECT_EQ(fake.decodes, 0);
}

TEST_F(Collection, FramesTakeKeysDelaysAndMasksByTheRules) {
  FakeFrame keyed = Solid(2, 1, 0x00FF00, 0);
  keyed.pixels[1] = 0xFF00FF;
  keyed.key = 0xFF00FF;
  keyed.mask = {255, 255};  // decoded alpha alongside a key: dropped unless masks are asked for
  FakeFrame alpha = Solid(2, 1, 0x0000FF, 40);
  alpha.mask = {255, 0};
  fake.pictures["k.orl"] = {keyed, alpha};
  TOrloItem* item = cache.Acquire(&owner_a, "k.orl", false, false);
  ASSERT_EQ(item->Count(), 2);
  EXPECT_EQ(item->Frames[0].Delay, 1);  // 0 becomes 1
  EXPECT_EQ(item->Total, 41);
  EXPECT_EQ(item->Frames[0].ColorKey, 0xFF00FF);
  EXPECT_EQ(item->Frames[0].Surface->ColorKey(), 0xFF00FF);  // magenta is the same in 0x00RRGGBB
  EXPECT_EQ(item->Frames[0].Mask, nullptr);
  ASSERT_NE(item->Frames[1].Mask, nullptr);  // own alpha, no key: kept

  TOrloItem* masked = cache.Acquire(&owner_a, "k.orl", false, true);
  ASSERT_NE(masked->Frames[0].Mask, nullptr);
  fake.pictures["keyonly.orl"] = {keyed};
  fake.pictures["keyonly.orl"][0].mask.clear();
  TOrloItem* made = cache.Acquire(&owner_a, "keyonly.orl", false, true);
  ASSERT_NE(made->Frames[0].Mask, nullptr);  // made from the key
  EXPECT_EQ(made->Frames[0].Mask->GetPixel(0, 0), 255u);
  EXPECT_EQ(made->Frames[0].Mask->GetPixel(1, 0), 0u);
}

TEST_F(Collection, OffsetsTrimFramesToTheirVisiblePixels) {
  FakeFrame f = Solid(5, 4, 0x123456);
  f.key = 0x123456;
  f.pixels[2 * 5 + 3] = 0xFFFFFF;  // the only visible pixel, at (3, 2)
  fake.pictures["t.orl"] = {f};
  TOrloItem* item = cache.Acquire(&owner_a, "t.orl", true, false);
  EXPECT_EQ(item->Width, 5);  // the picture's size stays the untrimmed one
  const TOrloItemFrame& frame = item->Frames[0];
  EXPECT_EQ(frame.Surface->Width(), 1);
  EXPECT_EQ(frame.Surface->Height(), 1);
  EXPECT_EQ(frame.OffsetX, 3);
  EXPECT_EQ(frame.OffsetY, 2);
  EXPECT_EQ(frame.Surface->GetPixel(0, 0), 0xFFFFFFu);
  // Without offsets nothing is cut.
  EXPECT_EQ(cache.Acquire(&owner_a, "t.orl", false, false)->Frames[0].Surface->Width(), 5);
}

TEST_F(Collection, DitherAndDisplayChangesDecodeEveryPictureAgain) {
  fake.pictures["a.orl"] = {Solid(2, 2, 0x0000FF)};
  TOrloItem* item = cache.Acquire(&owner_a, "a.orl", false, false);
  const uint32_t generation = item->Generation;
  cache.SetDither(true);
  EXPECT_TRUE(cache.Dither());
  EXPECT_EQ(fake.decodes, 2);
  EXPECT_NE(item->Generation, generation);
  cache.SetDither(true);  // unchanged: nothing
  EXPECT_EQ(fake.decodes, 2);
  cache.RestoreSurfaces(16);
  EXPECT_EQ(fake.decodes, 3);
  EXPECT_EQ(item->Frames[0].Surface->BitCount(), 16);
  EXPECT_EQ(item->Frames[0].Surface->GetPixel(0, 0), 0xF800u);  // red in 5-6-5
}

TEST_F(Collection, ADecoderAnsweringInAnotherFormatIsConverted) {
  PictureServices services = fake.Services();
  services.decode = [](const std::string&, std::span<const uint8_t>, int, bool, bool) {
    std::vector<DecodedFrame> frames(1);
    frames[0].surface = std::make_unique<graphics::TDIBX>(1, 1, 24);
    frames[0].surface->SetPixel(0, 0, 0x00FF00);
    return frames;
  };
  fake.pictures["g.orl"] = {};
  TOrloCollection cache15(services);
  cache15.RestoreSurfaces(15);
  TOrloItem* item = cache15.Acquire(&owner_a, "g.orl", false, false);
  EXPECT_EQ(item->Frames[0].Surface->BitCount(), 15);
  EXPECT_EQ(item->Frames[0].Surface->GetPixel(0, 0), 0x03E0u);
}

// Through the scene: two images of one file share the cache item, and the
// item outlives them on the idle list.
class SharedPictures : public ImageScene {};

TEST_F(SharedPictures, TwoImagesShareOneItemThatOutlivesThem) {
  fake_.pictures["same.orl"] = {Solid(3, 3, 0xFFFFFF)};
  auto& a = MakeByCode<TVeskImage>("a");
  auto& b = MakeByCode<TVeskImage>("b");
  a.SetStr(PR_SOURCE, "same.orl");
  b.SetStr(PR_SOURCE, "same.orl");
  // A still image copies its frame and gives the item back at once.
  EXPECT_EQ(fake_.decodes, 1);
  EXPECT_TRUE(pictures_.IsIdle(pictures_.Find("same.orl")));
  auto& c = Make<TVeskImages>(LT_IMAGES, "c");
  auto& d = Make<TVeskImages>(LT_IMAGES, "d");
  c.SetStr(PR_SOURCE, "same.orl");
  d.SetStr(PR_SOURCE, "same.orl");
  EXPECT_EQ(fake_.decodes, 1);
  TOrloItem* item = pictures_.Find("same.orl");
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->Users().size(), 2u);
  root_.DeleteObject(&c);
  root_.DeleteObject(&d);
  EXPECT_TRUE(pictures_.IsIdle(item));
  EXPECT_EQ(pictures_.Find("same.orl"), item);
}

}  // namespace
}  // namespace vesk::components::test
