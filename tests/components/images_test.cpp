// Animated images on a scene: frame timing, the end of a non-repeating
// animation, AutoScrap, the end wait, brightness, sources of other kinds
// and the motion seam, and the preview-menu item's report.
#include <gtest/gtest.h>

#include "components/images.h"
#include "image_fixture.h"

namespace vesk::components::test {
namespace {

class AnimatedImages : public ImageScene {
 protected:
  AnimatedImages() {
    fake_.pictures["three.orl"] = {Solid(4, 3, 0x0000FF, 10), Solid(4, 3, 0x00FF00, 20),
                                   Solid(4, 3, 0xFF0000, 30)};
  }
  TVeskImages& Three(const std::string& name = "anim") {
    auto& image = Make<TVeskImages>(LT_IMAGES, name);
    image.SetStr(PR_ONPLAYEND, "p.lsb:end");
    image.SetStr(PR_SOURCE, "three.orl");
    return image;
  }
};

TEST_F(AnimatedImages, ASourceShowsFrameZeroAtThePictureSize) {
  auto& image = Three();
  EXPECT_EQ(image.GetInt(PR_INDEX), 0);
  EXPECT_EQ(image.GetInt(PR_COUNT), 3);
  EXPECT_EQ(image.Remaining, 10);
  EXPECT_EQ(image.Width, 4);
  EXPECT_EQ(image.Height, 3);
  EXPECT_EQ(image.GetInt(PR_ORIGWIDTH), 4);
  EXPECT_TRUE(image.GetFlag(PR_PLAYING));
  DrawAll();
  EXPECT_EQ(Pixel(0, 0), 0xFF0000u);
}

TEST_F(AnimatedImages, WithoutRepeatItStopsOnTheLastFrameAndPostsThePlayEndOnce) {
  auto& image = Three();
  Frame(16);  // 10 - 16 < 1: frame 1 with 20 - 6 left
  EXPECT_EQ(image.FrameIndex, 1);
  EXPECT_EQ(image.Remaining, 14);
  Frame(16);
  EXPECT_EQ(image.FrameIndex, 2);
  EXPECT_EQ(image.Remaining, 28);
  Frame(16);
  EXPECT_TRUE(Events(PR_ONPLAYEND).empty());
  Frame(16);
  EXPECT_EQ(Events(PR_ONPLAYEND), std::vector<std::string>{"p.lsb:end()"});
  EXPECT_FALSE(image.GetFlag(PR_PLAYING));
  for (int i = 0; i < 5; ++i) Frame(16);
  EXPECT_EQ(Events(PR_ONPLAYEND).size(), 1u);
  EXPECT_EQ(image.FrameIndex, 2);
  DrawAll();
  EXPECT_EQ(Pixel(1, 1), 0x0000FFu);  // the last frame stays up (blue in 0x00RRGGBB)

  // Showing an earlier frame again lets the end come once more.
  image.SetInt(PR_INDEX, 1);
  for (int i = 0; i < 5; ++i) Frame(16);
  EXPECT_EQ(Events(PR_ONPLAYEND).size(), 2u);
}

TEST_F(AnimatedImages, WithAutoScrapTheImageDisappearsInsteadOfPosting) {
  auto& image = Three("gone");
  image.SetFlag(PR_AUTOSCRAP, true);
  for (int i = 0; i < 3; ++i) Frame(16);
  EXPECT_NE(root_.FindComponent("gone"), nullptr);
  Frame(16);
  EXPECT_EQ(root_.FindComponent("gone"), nullptr);
  EXPECT_TRUE(Events(PR_ONPLAYEND).empty());
}

TEST_F(AnimatedImages, AScrappedImageLeavesNoPixelsBehind) {
  auto& image = Three("gone");
  image.SetFlag(PR_AUTOSCRAP, true);
  image.SetInt(PR_ANGLE, 45);  // rotated pictures reach beyond their rectangle
  root_.ShownBase()->Color = 0x00FF00;
  DrawChanged();
  const int ax = image.AnchorX(), ay = image.AnchorY();
  ASSERT_NE(Pixel(ax, ay), 0x00FF00u);
  for (int i = 0; i < 4; ++i) {
    Frame(16);
    DrawChanged();  // as the frame loop draws after every update pass
  }
  ASSERT_EQ(root_.FindComponent("gone"), nullptr);
  for (int i = 0; i < 20; ++i) DrawChanged();
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) ASSERT_EQ(Pixel(x, y), 0x00FF00u) << x << "," << y;
}

TEST_F(AnimatedImages, RepeatLoopsBackToTheFirstFrame) {
  auto& image = Three();
  image.SetFlag(PR_REPEAT, true);
  for (int i = 0; i < 4; ++i) Frame(16);
  EXPECT_EQ(image.FrameIndex, 0);
  EXPECT_EQ(image.Remaining, 10);  // Remaining := 0, then the first frame's delay
  EXPECT_TRUE(image.GetFlag(PR_PLAYING));
  EXPECT_TRUE(Events(PR_ONPLAYEND).empty());
}

TEST_F(AnimatedImages, ASingleFrameThatRepeatsDoesNotSpin) {
  fake_.pictures["one.orl"] = {Solid(2, 2, 1, 5)};
  auto& image = Make<TVeskImages>(LT_IMAGES, "one");
  image.SetStr(PR_SOURCE, "one.orl");
  image.SetFlag(PR_REPEAT, true);
  for (int i = 0; i < 3; ++i) Frame(16);
  EXPECT_EQ(image.FrameIndex, 0);
}

TEST_F(AnimatedImages, PausesStopTheTiming) {
  auto& image = Three();
  image.SetFlag(PR_ANIPAUSED, true);
  Frame(100);
  EXPECT_EQ(image.FrameIndex, 0);
  EXPECT_FALSE(image.GetFlag(PR_PLAYING));
  image.SetFlag(PR_ANIPAUSED, false);
  image.SetFlag(PR_PAUSED, true);
  EXPECT_EQ(image.Remaining, 0);
  EXPECT_FALSE(image.GetFlag(PR_PLAYING));
  Frame(100);  // a paused object is not stepped by the scene
  EXPECT_EQ(image.FrameIndex, 0);
  image.SetVisible(false);
  image.SetFlag(PR_PAUSED, false);
  Frame(100);  // nor does a hidden one animate
  EXPECT_EQ(image.FrameIndex, 0);
}

TEST_F(AnimatedImages, TheEndWaitIsAddedWhenTheLastFrameComesUp) {
  auto& image = Three();
  auto op = std::make_unique<expr::TOpeData>();
  op->Op = lang::ocTo;
  op->Dest = expr::kResultTemp;
  auto value = expr::MakeParam(lang::PT_INT);
  value->SetInt(500);
  op->Operands.push_back(std::move(value));
  image.EndWait.Ops.push_back(std::move(op));
  image.SetInt(PR_INDEX, 2);
  EXPECT_EQ(image.Remaining, 10 + 30 + 500);
  // Without a variable table the wait counts as nothing.
  services_.variables = nullptr;
  image.SetInt(PR_INDEX, 1);
  image.SetInt(PR_INDEX, 2);
  EXPECT_EQ(image.Remaining, 10 + 30 + 500 + 20 + 30);
}

TEST_F(AnimatedImages, AnIndexOutsideTheListShowsNothing) {
  auto& image = Three();
  image.SetInt(PR_INDEX, 7);
  EXPECT_EQ(image.GetInt(PR_INDEX), 7);
  EXPECT_EQ(image.ShownSurface(), nullptr);
  DrawAll(0x445566);
  EXPECT_EQ(Pixel(0, 0), 0x445566u);
  Frame(100);  // and does not animate
  EXPECT_EQ(image.FrameIndex, 7);
  EXPECT_FALSE(image.GetFlag(PR_PLAYING));
}

TEST_F(AnimatedImages, BrightnessMinus255MakesFramesBlackButKeepsTheKeyTransparent) {
  FakeFrame f = Solid(3, 1, 0x336699);
  f.pixels[1] = 0xFF00FF;
  f.key = 0xFF00FF;
  FakeFrame g = f;
  g.pixels[0] = 0xFFFFFF;
  fake_.pictures["keyed.orl"] = {f, g};
  auto& image = Make<TVeskImages>(LT_IMAGES, "k");
  image.SetStr(PR_SOURCE, "keyed.orl");
  image.SetInt(PR_BRIGHTNESS, -300);  // held to -255
  EXPECT_EQ(image.GetInt(PR_BRIGHTNESS), -255);
  for (int index : {0, 1}) {
    image.SetInt(PR_INDEX, index);
    DrawAll(0x00AA00);
    EXPECT_EQ(Pixel(0, 0), 0x000000u) << index;
    EXPECT_EQ(Pixel(1, 0), 0x00AA00u) << index;  // the key pixel lets the background through
    EXPECT_EQ(Pixel(2, 0), 0x000000u) << index;
  }
  image.SetInt(PR_BRIGHTNESS, 0);
  DrawAll(0x00AA00);
  EXPECT_EQ(Pixel(2, 0), 0x996633u);
}

TEST_F(AnimatedImages, OnlyLayeredFilesAndMotionsAreSources) {
  fake_.pictures["flat.png"] = {Solid(2, 2, 0xFFFFFF)};
  auto& image = Make<TVeskImages>(LT_IMAGES, "png");
  image.SetStr(PR_SOURCE, "flat.png");
  EXPECT_EQ(image.GetStr(PR_SOURCE), "flat.png");
  EXPECT_EQ(image.GetInt(PR_COUNT), 0);
  EXPECT_EQ(image.FrameIndex, -1);
  EXPECT_EQ(fake_.decodes, 0);
  image.SetStr(PR_SOURCE, "walk.LMT");  // no motions in this scene: nothing
  EXPECT_FALSE(image.HasMotion());
  EXPECT_EQ(image.ShownSurface(), nullptr);
}

// A motion that ends after a number of frames.
class FakeMotion : public TVeskMotionLink {
 public:
  explicit FakeMotion(int frames) : frames_(frames) {}
  bool Step(int32_t ms) override {
    if (ended_) return false;
    position_ += ms;
    if (position_ < frames_ * 16) return false;
    ended_ = true;
    return true;
  }
  bool Ended() const override { return ended_; }
  void Restart() override {
    ended_ = false;
    position_ = 0;
    ++restarts;
  }
  int32_t PositionMs() const override { return position_; }
  void SetPositionMs(int32_t ms) override { position_ = ms; }
  int32_t FrameCount() const override { return frames_; }
  int restarts = 0;

 private:
  int frames_;
  int32_t position_ = 0;
  bool ended_ = false;
};

TEST_F(AnimatedImages, MotionSourcesDriveTheImageThroughTheSeam) {
  FakeMotion* made = nullptr;
  services_.make_motion = [&](scene::TVeskControl&,
                              const std::string& file) -> std::unique_ptr<TVeskMotionLink> {
    if (file != "walk.lmt") return nullptr;
    auto motion = std::make_unique<FakeMotion>(3);
    made = motion.get();
    return motion;
  };
  auto& image = Make<TVeskImages>(LT_IMAGES, "m");
  image.SetStr(PR_ONPLAYEND, "p.lsb:end");
  image.SetStr(PR_SOURCE, "walk.lmt");
  ASSERT_NE(made, nullptr);
  EXPECT_TRUE(image.HasMotion());
  EXPECT_EQ(image.GetInt(PR_COUNT), 3);
  image.SetInt(PR_INDEX, 2);
  EXPECT_EQ(made->PositionMs(), 33);  // 2 x 16.67 ms
  EXPECT_EQ(image.GetInt(PR_INDEX), 2);
  Frame(16);
  EXPECT_FALSE(image.GetFlag(PR_PLAYING));
  EXPECT_EQ(Events(PR_ONPLAYEND).size(), 1u);
  image.SetFlag(PR_REPEAT, true);  // restarts the ended motion
  EXPECT_EQ(made->restarts, 1);
  EXPECT_TRUE(image.GetFlag(PR_PLAYING));
  image.SetStr(PR_SOURCE, "three.orl");
  EXPECT_FALSE(image.HasMotion());
  EXPECT_EQ(image.FrameIndex, 0);
}

TEST_F(AnimatedImages, APreviewItemReportsTheEndOfItsAnimationOnce) {
  auto* item = root_.Make<TVeskPrevImages>();
  item->BindServices(&services_);  // made by code, as a preview menu makes its items
  item->SetParent(root_.ShownBase());
  item->SetStr(PR_SOURCE, "three.orl");
  int reports = 0;
  item->OnAnimationFinished = [&](TVeskPrevImages& who) {
    EXPECT_EQ(&who, item);
    ++reports;
  };
  EXPECT_EQ(item->GetCompoType(), LT_IMAGES);
  for (int i = 0; i < 8; ++i) Frame(16);
  EXPECT_EQ(reports, 1);
  item->SetInt(PR_INDEX, 0);
  for (int i = 0; i < 8; ++i) Frame(16);
  EXPECT_EQ(reports, 2);
}

}  // namespace
}  // namespace vesk::components::test
