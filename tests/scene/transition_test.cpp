// The scene's side of a page change: the transition composes the two bases'
// pictures on the screen while both draw into their own, the finish shows
// the other base, the flip's snapshot covers the old picture and is never
// saved, controls move between the bases, and the finish clears the old
// page with or without its cabinets.
#include <gtest/gtest.h>

#include "graphics/dibsfc.h"
#include "scene/flip_snapshot.h"
#include "scene/scene_port.h"
#include "scene_fixture.h"

namespace vesk::scene::test {
namespace {

constexpr int kW = 32, kH = 24;
constexpr int32_t kRed = 0x0000FF, kBlue = 0xFF0000;  // colours are 0x00BBGGRR

std::shared_ptr<const KindRegistry> BoxKinds() {
  auto kinds = std::make_shared<KindRegistry>();
  kinds->Register(LT_BOX, [](TVeskBaseList& r) { return std::make_unique<TestBox>(&r); });
  return kinds;
}

class Transitions : public ::testing::Test {
 protected:
  Transitions() {
    root.SetSceneSize(kW, kH);
    root.GetBaseAt(0)->Color = kRed;
    root.GetBaseAt(1)->Color = kBlue;
  }
  static SceneEnvironment Env() {
    SceneEnvironment env;
    env.kinds = BoxKinds();
    env.make_surface = [](int32_t w, int32_t h) {
      return std::make_unique<graphics::TDIBX>(w, h, 32);
    };
    return env;
  }
  void Draw() {
    root.DrawPass(&screen);
    root.ClearDirtyRects();
  }
  uint32_t At(int x, int y) const { return screen.GetPixel(x, y); }

  TVeskBaseList root{Env()};
  graphics::TDIBX screen{kW, kH, 32};
  SceneCommandPort port{root};
};

TEST_F(Transitions, WithoutATransitionTheShownBaseDrawsOnTheScreen) {
  Draw();
  EXPECT_EQ(At(5, 5), 0xFF0000u);  // red as a 32-bit pixel
  EXPECT_TRUE(root.TransitionRect().IsEmpty());
  // The back base was prepared in its own picture.
  EXPECT_EQ(root.BackBase()->Surface()->GetPixel(5, 5), 0x0000FFu);
}

TEST_F(Transitions, AFadeComposesBothPicturesAndTheFinishShowsTheOther) {
  script::TransitionRequest fade;
  fade.kind = lang::WP_FADE;
  fade.duration_ms = 100;
  ASSERT_TRUE(port.StartTransition(fade));
  EXPECT_EQ(root.TransitionDuration(), 100);
  root.SetTransitionTime(50);
  Draw();
  const uint32_t mid = At(5, 5);
  EXPECT_GT(mid & 0xFF, 0x40u);          // some blue
  EXPECT_GT((mid >> 16) & 0xFF, 0x40u);  // some red
  EXPECT_EQ(root.TransitionRect(), (Rect{0, 0, kW, kH}));
  port.FinishFlip(false, false);
  EXPECT_EQ(root.ShownBaseIndex(), 1);
  // The base names follow: "" is the page now shown, 0x01 the one behind.
  EXPECT_EQ(root.FindControl(""), root.GetBaseAt(1));
  EXPECT_EQ(root.FindControl(std::string(1, kSystemNameByte)), root.GetBaseAt(0));
  EXPECT_EQ(root.TransitionDuration(), 0);
  Draw();
  EXPECT_EQ(At(5, 5), 0x0000FFu);
  EXPECT_TRUE(root.TransitionRect().IsEmpty());
}

TEST_F(Transitions, KindsOutsideTheCatalogueMakeNone) {
  for (int kind : {0, -3, 32, 1000}) {
    script::TransitionRequest r;
    r.kind = kind;
    EXPECT_FALSE(port.StartTransition(r)) << kind;
    EXPECT_EQ(root.TransitionDuration(), 0);
  }
}

TEST_F(Transitions, BasesWithoutPicturesWaitWithoutDrawing) {
  SceneEnvironment env;
  env.kinds = BoxKinds();
  TVeskBaseList bare{env};
  bare.SetSceneSize(kW, kH);
  script::TransitionRequest r;
  r.kind = lang::WP_FADE;
  r.duration_ms = 100;
  EXPECT_TRUE(bare.StartTransition(0, r));
  bare.DrawPass(&screen);
  EXPECT_TRUE(bare.TransitionRect().IsEmpty());
  EXPECT_EQ(bare.TransitionDuration(), 100);
}

TEST_F(Transitions, TheSnapshotCoversTheOldPictureAndIsNeverSaved) {
  auto* box = root.Make<TestBox>();
  box->SetName("chara");
  box->SetParent(root.ShownBase());
  auto* other = root.Make<TestBox>();
  other->SetName("bg");
  other->SetParent(root.ShownBase());
  root.TakeSnapshot();
  TVeskControl* snapshot = root.FindControl(kSnapshotName);
  ASSERT_NE(snapshot, nullptr);
  EXPECT_EQ(root.ShownBase()->Children.back(), snapshot);
  root.ShownBase()->Color = 0x00FF00;  // the base changes; the snapshot keeps red
  root.ShownBase()->InvalidateAll();
  Draw();
  EXPECT_EQ(At(5, 5), 0xFF0000u);

  root.MoveToBackBase([](const std::string& name) { return name != "bg"; });
  EXPECT_EQ(box->Parent, root.BackBase());
  EXPECT_EQ(other->Parent, root.ShownBase());
  EXPECT_EQ(snapshot->Parent, root.ShownBase());

  ByteWriter with;
  root.ShownBase()->SaveToStream(with);
  root.DropSnapshot();
  EXPECT_EQ(root.FindControl(kSnapshotName), nullptr);
  ByteWriter without;
  root.ShownBase()->SaveToStream(without);
  EXPECT_EQ(with.bytes(), without.bytes());
}

TEST_F(Transitions, TheFinishClearsTheOldPageKeepingCabinetsUnlessAborted) {
  for (bool cabinets_too : {false, true}) {
    root.Reset();
    auto* box = root.Make<TestBox>();
    box->SetName("old");
    box->SetParent(root.ShownBase());
    TVeskObject* cabinet = root.CreateByKind(lang::LT_CABINET);
    ASSERT_NE(cabinet, nullptr);
    cabinet->SetName("drawer");
    cabinet->AsControl()->SetParent(root.ShownBase());
    port.FinishFlip(true, cabinets_too);
    EXPECT_EQ(root.IndexOfName("old"), -1);
    EXPECT_EQ(root.IndexOfName("drawer") >= 0, !cabinets_too);
  }
}

TEST_F(Transitions, NewPicturesDuringATransitionMakeItsEffectAgain) {
  script::TransitionRequest fade;
  fade.kind = lang::WP_FADE;
  fade.duration_ms = 100;
  port.StartTransition(fade);
  root.SetTransitionTime(50);
  Draw();
  // A display change gives the bases new pictures (and the screen with them).
  root.GetBaseAt(1)->SetSurface(std::make_unique<graphics::TDIBX>(kW, kH, 32));
  root.GetBaseAt(1)->InvalidateAll();
  Draw();
  EXPECT_EQ(root.TransitionRect(), (Rect{0, 0, kW, kH}));
  EXPECT_GT(At(5, 5) & 0xFF, 0x40u);
}

TEST_F(Transitions, AResetDropsTheRunningTransition) {
  script::TransitionRequest r;
  r.kind = lang::WP_FADE;
  r.duration_ms = 100;
  port.StartTransition(r);
  root.Reset();
  EXPECT_EQ(root.TransitionDuration(), 0);
  Draw();
  EXPECT_TRUE(root.TransitionRect().IsEmpty());
}

}  // namespace
}  // namespace vesk::scene::test
