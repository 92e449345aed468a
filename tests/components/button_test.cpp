// Image buttons driven through the scene's input step: the four states,
// press tracking with the mouse captured, the click and its clicked
// animation, AutoScrap, and radio groups.
#include <gtest/gtest.h>

#include "components/button.h"
#include "image_fixture.h"

namespace vesk::components::test {
namespace {

class Buttons : public ImageScene {
 protected:
  Buttons() {
    fake_.pictures["n.orl"] = {Solid(4, 4, 0x000010)};
    fake_.pictures["h.orl"] = {Solid(4, 4, 0x000020)};
    fake_.pictures["p.orl"] = {Solid(4, 4, 0x000030)};
    fake_.pictures["c.orl"] = {Solid(4, 4, 0x000040, 30), Solid(4, 4, 0x000050, 30),
                               Solid(4, 4, 0x000060, 30)};
  }
  TVeskButton& Button(const std::string& name, int left, bool clicked_source = true) {
    auto& b = Make<TVeskButton>(LT_BUTTON, name);
    b.SetStr(PR_SOURCE, "n.orl");
    b.SetStr(PR_HOVERSOURCE, "h.orl");
    b.SetStr(PR_PRESSEDSOURCE, "p.orl");
    if (clicked_source) b.SetStr(PR_CLICKEDSOURCE, "c.orl");
    b.SetStr(PR_ONNOTIFY, "p.lsb:" + name);
    b.SetInt(PR_LEFT, left);
    return b;
  }
  void Press(int x, int y) {
    MoveMouse(x, y);
    root_.RecordMouseDown(true, false);
    Frame();
  }
  void Release() {
    root_.RecordMouseUp();
    Frame();
  }
};

TEST_F(Buttons, HoverPressAndClickWalkThroughTheStates) {
  auto& b = Button("ok", 0);
  EXPECT_EQ(b.GetInt(PR_COMPOTYPE), LT_BUTTON);
  EXPECT_EQ(b.State, TVeskButton::kNormal);
  MoveMouse(1, 1);
  Frame();
  EXPECT_EQ(b.State, TVeskButton::kHover);
  DrawAll();
  EXPECT_EQ(Pixel(0, 0), 0x200000u);
  root_.RecordMouseDown(true, false);
  Frame();
  EXPECT_EQ(b.State, TVeskButton::kPressed);
  EXPECT_EQ(b.Tracking, 1);
  EXPECT_TRUE(root_.ShownBase()->Capture & scene::TVeskBase::kCaptureLeft);
  EXPECT_EQ(root_.ShownBase()->LClick, 0);  // the button took the click
  Release();
  EXPECT_EQ(Events(PR_ONNOTIFY), std::vector<std::string>{"p.lsb:ok()"});
  EXPECT_EQ(b.State, TVeskButton::kClicked);
  EXPECT_FALSE(b.GetFlag(PR_REPEAT));
  EXPECT_EQ(b.Tracking, 0);
}

TEST_F(Buttons, ReleasingOutsideTheButtonIsNoClick) {
  auto& b = Button("ok", 0);
  Press(1, 1);
  MoveMouse(20, 20);
  Frame();
  EXPECT_EQ(b.State, TVeskButton::kNormal);  // tracking: no longer over the button
  MoveMouse(2, 2);
  Frame();
  EXPECT_EQ(b.State, TVeskButton::kPressed);
  MoveMouse(20, 20);
  Frame();
  Release();
  EXPECT_TRUE(Events(PR_ONNOTIFY).empty());
  EXPECT_EQ(b.Tracking, 0);
  EXPECT_EQ(b.State, TVeskButton::kNormal);
}

TEST_F(Buttons, TheClickedAnimationEndsInThePlayEndAndTheReturnState) {
  auto& b = Button("ok", 0);
  b.SetStr(PR_ONPLAYEND, "p.lsb:end");
  Click(1, 1);
  ASSERT_EQ(b.State, TVeskButton::kClicked);
  MoveMouse(20, 20);  // leaving during the animation changes nothing yet
  Frame();
  EXPECT_EQ(b.State, TVeskButton::kClicked);
  for (int i = 0; i < 4; ++i) Frame();
  EXPECT_EQ(Events(PR_ONPLAYEND), std::vector<std::string>{"p.lsb:end()"});
  EXPECT_EQ(b.State, TVeskButton::kNormal);
  EXPECT_TRUE(b.GetFlag(PR_REPEAT));
}

TEST_F(Buttons, AutoScrapWithAClickedAnimationGoesWhenItEnds) {
  auto& b = Button("ok", 0);
  b.SetFlag(PR_AUTOSCRAP, true);
  Click(1, 1);
  EXPECT_NE(root_.FindComponent("ok"), nullptr);
  for (int i = 0; i < 4; ++i) Frame();
  EXPECT_NE(root_.FindComponent("ok"), nullptr);
  Frame();
  EXPECT_EQ(root_.FindComponent("ok"), nullptr);
}

TEST_F(Buttons, AScrappedButtonLeavesNoPixelsBehind) {
  auto& b = Button("ok", 0);
  b.SetFlag(PR_AUTOSCRAP, true);
  root_.ShownBase()->Color = 0x0000FF;
  DrawChanged();
  ASSERT_EQ(Pixel(1, 1), 0x100000u);
  Click(1, 1);
  DrawChanged();
  for (int i = 0; i < 5; ++i) {
    Frame();
    DrawChanged();  // as the frame loop draws after every update pass
  }
  ASSERT_EQ(root_.FindComponent("ok"), nullptr);
  for (int i = 0; i < 20; ++i) DrawChanged();
  EXPECT_EQ(Pixel(1, 1), 0xFF0000u);  // the base's red (0x00RRGGBB)
  EXPECT_EQ(Pixel(3, 3), 0xFF0000u);
}

TEST_F(Buttons, WithoutAClickedSourceAutoScrapDestroysTheButtonRightAfterItsClick) {
  auto& b = Button("go", 0, false);
  b.SetFlag(PR_AUTOSCRAP, true);
  Press(1, 1);
  root_.RecordMouseUp();
  root_.InputStep(16);
  EXPECT_EQ(b.Tracking, -1);
  ASSERT_EQ(Events(PR_ONNOTIFY), std::vector<std::string>{"p.lsb:go()"});
  root_.Events[0].RunningDepth = 1;  // the scenario takes the event before the update pass
  root_.UpdatePass(16);
  EXPECT_EQ(root_.FindComponent("go"), nullptr);
  EXPECT_EQ(Events(PR_ONNOTIFY).size(), 1u);  // a running event outlives its object
}

TEST_F(Buttons, InARadioGroupWithoutAllowAllUpTheSelectedButtonStaysSelected) {
  auto& a = Button("a", 0);
  auto& b = Button("b", 10);
  a.SetInt(PR_GROUPINDEX, 1);
  b.SetInt(PR_GROUPINDEX, 1);
  Click(1, 1);
  EXPECT_TRUE(a.GetFlag(PR_SELECTED));
  EXPECT_EQ(a.State, TVeskButton::kPressed);
  Click(1, 1);
  EXPECT_TRUE(a.GetFlag(PR_SELECTED));
  Click(11, 1);
  EXPECT_TRUE(b.GetFlag(PR_SELECTED));
  EXPECT_FALSE(a.GetFlag(PR_SELECTED));
  EXPECT_EQ(a.State, TVeskButton::kNormal);
  EXPECT_EQ(Events(PR_ONNOTIFY).size(), 3u);
}

TEST_F(Buttons, WithAllowAllUpASecondClickReleasesIt) {
  auto& a = Button("a", 0);
  auto& b = Button("b", 10);
  a.SetInt(PR_GROUPINDEX, 2);
  b.SetInt(PR_GROUPINDEX, 2);
  b.SetFlag(PR_ALLOWALLUP, true);  // shared by the group
  EXPECT_TRUE(a.GetFlag(PR_ALLOWALLUP));
  Click(1, 1);
  EXPECT_TRUE(a.GetFlag(PR_SELECTED));
  Click(1, 1);
  EXPECT_FALSE(a.GetFlag(PR_SELECTED));
  EXPECT_FALSE(b.GetFlag(PR_SELECTED));
}

TEST_F(Buttons, SelectedNeedsAGroup) {
  auto& a = Button("a", 0);
  a.SetFlag(PR_SELECTED, true);
  EXPECT_FALSE(a.GetFlag(PR_SELECTED));
  a.SetInt(PR_GROUPINDEX, 3);
  a.SetFlag(PR_SELECTED, true);
  EXPECT_EQ(a.State, TVeskButton::kPressed);
  a.SetInt(PR_GROUPINDEX, 0);
  EXPECT_FALSE(a.GetFlag(PR_SELECTED));
  EXPECT_EQ(a.State, TVeskButton::kNormal);
}

}  // namespace
}  // namespace vesk::components::test
