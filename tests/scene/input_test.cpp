// The input step: hit testing with the mouse modes, click pulses, capture,
// hover, the wheel, key timing and the keyboard focus.
#include <gtest/gtest.h>

#include "scene_fixture.h"

namespace vesk::scene::test {
namespace {

using InputTest = SceneTest;

// ---- Hit testing ------------------------------------------------------------

enum class Action { kLeft, kRight, kMove };

struct HitCase {
  const char* what;
  int mode;  // IgnoreMouse of the upper control
  Action action;
  const char* receiver;
};
void PrintTo(const HitCase& c, std::ostream* os) {
  *os << c.what;
}

class HitTestModes : public SceneTest, public ::testing::WithParamInterface<HitCase> {};

TEST_P(HitTestModes, TheUpperControlTakesOrPassesTheMouse) {
  const HitCase& c = GetParam();
  AllHandlers(Box("under", 0, 0, 100, 100));
  TestBox& over = Box("over", 0, 0, 100, 100);
  over.SetInt(PR_PRIORITY, 1);
  over.SetInt(PR_IGNOREMOUSE, c.mode);
  AllHandlers(over);
  const std::string who = c.receiver;
  if (c.action == Action::kMove) {
    MoveTo(30, 40);
    EXPECT_EQ(Take(PR_ONMOUSEIN), Lines{who + " 103"});
    return;
  }
  const bool left = c.action == Action::kLeft;
  Press(30, 40, left);
  EXPECT_EQ(Take(left ? PR_ONLBTNDOWN : PR_ONRBTNDOWN),
            Lines{who + (left ? " 36" : " 38") + " 30 40"});
  EXPECT_EQ(left ? Shown().LClick : Shown().RClick, 0);  // a control consumed the pulse
}

INSTANTIATE_TEST_SUITE_P(Modes, HitTestModes,
                         ::testing::ValuesIn(std::vector<HitCase>{
                             {"none_left", IM_NONE, Action::kLeft, "over"},
                             {"none_right", IM_NONE, Action::kRight, "over"},
                             {"none_move", IM_NONE, Action::kMove, "over"},
                             {"all_left", IM_ALL, Action::kLeft, "under"},
                             {"all_right", IM_ALL, Action::kRight, "under"},
                             {"all_move", IM_ALL, Action::kMove, "under"},
                             {"click_left", IM_CLICK, Action::kLeft, "under"},
                             {"click_right", IM_CLICK, Action::kRight, "under"},
                             {"click_move", IM_CLICK, Action::kMove, "over"},
                             {"lclick_left", IM_LCLICK, Action::kLeft, "under"},
                             {"lclick_right", IM_LCLICK, Action::kRight, "over"},
                             {"rclick_left", IM_RCLICK, Action::kLeft, "over"},
                             {"rclick_right", IM_RCLICK, Action::kRight, "under"}}));

TEST_F(InputTest, AClickThatOnlyTheBaseTakesKeepsThePulseForTheFrame) {
  AllHandlers(Box("ghost", 0, 0, 100, 100)).SetInt(PR_IGNOREMOUSE, IM_ALL);
  Press(50, 50, true);
  EXPECT_EQ(Shown().LClick, 1);
  EXPECT_TRUE(Take(PR_ONLBTNDOWN).empty());
  Release();
  EXPECT_EQ(Shown().LClick, 0);
  Press(300, 300, false);
  EXPECT_EQ(Shown().RClick, 1);
  EXPECT_EQ(Shown().Capture, 0);
}

TEST_F(InputTest, HitRectanglesExcludeTheirFarEdgesAndHiddenControls) {
  AllHandlers(Box("box", 10, 10, 20, 20));
  AllHandlers(Box("hidden", 100, 100, 20, 20)).SetFlag(PR_VISIBLE, false);
  TestBox& parent = Box("parent", 200, 200, 20, 20);
  parent.SetFlag(PR_VISIBLE, false);
  AllHandlers(Box("inner", 0, 0, 20, 20, &parent));
  const struct {
    int32_t x, y;
    Lines taken;
  } cases[] = {{10, 10, {"box 36 0 0"}},
               {29, 29, {"box 36 19 19"}},
               {30, 15, {}},
               {15, 30, {}},
               {9, 15, {}},
               {105, 105, {}},
               {205, 205, {}}};
  for (const auto& c : cases) {
    Press(c.x, c.y);
    EXPECT_EQ(Take(PR_ONLBTNDOWN), c.taken) << c.x << "," << c.y;
    Release();
    root.Events.Clear();
  }
}

// ---- Capture, hover and wheel ---------------------------------------------------

TEST_F(InputTest, APressedControlGetsItsReleaseEvenOutsideItself) {
  AllHandlers(Box("btn", 10, 10, 20, 20));
  Press(15, 15);
  EXPECT_EQ(Take({PR_ONLBTNDOWN, PR_ONMOUSEIN, PR_ONMOUSEMOVE}),
            (Lines{"btn 36 5 5", "btn 103", "btn 34 5 5"}));
  EXPECT_EQ(Shown().Capture, TVeskBase::kCaptureLeft);
  MoveTo(200, 200);  // dragged away: still the button's, no mouse-out
  EXPECT_EQ(Take({PR_ONMOUSEMOVE, PR_ONMOUSEOUT}), (Lines{"btn 34 190 190"}));
  Release();
  EXPECT_EQ(Take({PR_ONLBTNUP, PR_ONMOUSEOUT}), (Lines{"btn 37 190 190"}));
  EXPECT_EQ(Shown().Capture, 0);
  root.InputStep(16);  // free again: the pointer is over the base
  EXPECT_EQ(Queued(), (Lines{"btn 35"}));
}

TEST_F(InputTest, NoDownEventOrCaptureWhilePausedOrWhileOneWaits) {
  TestBox& btn = Box("btn", 10, 10, 20, 20);
  AllHandlers(btn);
  btn.paused = true;
  Press(15, 15);
  EXPECT_TRUE(Take(PR_ONLBTNDOWN).empty());
  EXPECT_EQ(Shown().LClick, 0);
  EXPECT_EQ(Shown().Capture, 0);
  Release();
  btn.paused = false;
  Press(15, 15);
  Release();
  Press(16, 16);  // the first press has not been handled yet
  EXPECT_EQ(Take(PR_ONLBTNDOWN), (Lines{"btn 36 5 5"}));
  EXPECT_EQ(Shown().Capture, 0);
}

TEST_F(InputTest, HoverAndWheelFollowThePointerAndForgetDeletedControls) {
  AllHandlers(Box("a", 0, 0, 50, 50));
  TestBox& b = Box("b", 50, 0, 50, 50);
  AllHandlers(b);
  MoveTo(10, 10);
  EXPECT_EQ(Take({PR_ONMOUSEIN, PR_ONMOUSEMOVE}), (Lines{"a 103", "a 34 10 10"}));
  root.InputStep(16);  // no movement: nothing
  EXPECT_TRUE(Queued().empty());
  MoveTo(60, 10);
  EXPECT_EQ(Queued(), (Lines{"a 35", "b 103", "b 34 10 10"}));
  root.Events.Clear();
  for (bool down : {true, true, false}) {  // one wheel event of a kind waits at a time
    root.RecordWheel(down);
    root.InputStep(16);
  }
  EXPECT_EQ(Take({PR_ONWHEELDOWN, PR_ONWHEELUP}), (Lines{"b 40", "b 41"}));
  root.DeleteObject(&b);
  EXPECT_EQ(Shown().Hovered, nullptr);
  MoveTo(61, 10);
  EXPECT_TRUE(Queued().empty());
}

// ---- Keys -------------------------------------------------------------------------

struct RepeatCase {
  int32_t frame_ms;
  std::vector<int> repeat_frames;  // frames (1 = the first after the press) with @KeyRepeat
};
void PrintTo(const RepeatCase& c, std::ostream* os) {
  *os << c.frame_ms << "ms";
}

class KeyRepeatTiming : public SceneTest, public ::testing::WithParamInterface<RepeatCase> {};

TEST_P(KeyRepeatTiming, ClickOnceThenRepeatAfter300AndEvery50) {
  const RepeatCase& c = GetParam();
  TestBox& edit = Box("edit", 0, 0, 10, 10);
  AllHandlers(edit);
  edit.SetInt(PR_HANDLEKEY, 1);
  root.InputStep(c.frame_ms);
  ASSERT_EQ(root.Focus(), &edit);
  EXPECT_EQ(Take(PR_ONFOCUSIN), Lines{"edit 148"});

  constexpr int kKey = 0x41;
  root.RecordKeyDown(kKey);
  root.RecordKeyDown(kKey + 1);  // two keys in one frame: one key-down event
  std::vector<int> clicked, repeated, repeat_events, down_events;
  for (int frame = 1; frame <= c.repeat_frames.back(); ++frame) {
    root.InputStep(c.frame_ms);
    EXPECT_TRUE(root.KeyHeld(kKey));
    if (root.KeyPressed(kKey)) clicked.push_back(frame);
    if (root.KeyRepeated(kKey)) repeated.push_back(frame);
    for (const std::string& line : Take({PR_ONKEYREPEAT, PR_ONKEYDOWN}))
      (line == "edit 146" ? repeat_events : down_events).push_back(frame);
  }
  EXPECT_EQ(clicked, std::vector<int>{1});
  EXPECT_EQ(down_events, std::vector<int>{1});
  EXPECT_EQ(repeated, c.repeat_frames);
  EXPECT_EQ(repeat_events, c.repeat_frames);

  root.RecordKeyUp(kKey);
  root.InputStep(c.frame_ms);
  EXPECT_FALSE(root.KeyHeld(kKey));
  EXPECT_FALSE(root.KeyRepeated(kKey));
  EXPECT_EQ(Queued(), (Lines{"edit 145"}));
}

INSTANTIATE_TEST_SUITE_P(FrameLengths, KeyRepeatTiming,
                         ::testing::Values(RepeatCase{10, {1, 31, 36, 41, 46}},
                                           // the overshoot carries into the next interval
                                           RepeatCase{16, {1, 20, 23, 26, 30, 33}}));

// ---- Focus ----------------------------------------------------------------------------

class FocusTest : public SceneTest {
 protected:
  TestBox& Focusable(const std::string& name, int32_t priority, TVeskControl* parent = nullptr) {
    TestBox& b = Box(name, priority * 10, 0, 10, 10, parent);
    AllHandlers(b);
    b.SetInt(PR_PRIORITY, priority);
    b.SetInt(PR_HANDLEKEY, 1);
    return b;
  }
};

TEST_F(FocusTest, DeletingTheFocusHandsItToTheTopmostVisibleKeyControl) {
  TestBox& a = Focusable("a", 0);
  TestBox& b = Focusable("b", 1);
  Focusable("hidden", 2).SetFlag(PR_VISIBLE, false);
  Focusable("stopped", 3).paused = true;
  Focusable("back", 4, root.BackBase());
  Box("plain", 0, 0, 10, 10).SetInt(PR_PRIORITY, 5);
  root.InputStep(16);
  EXPECT_EQ(root.Focus(), &b);
  root.Events.Clear();

  root.DeleteObject(&b);
  EXPECT_EQ(root.Focus(), nullptr);
  root.InputStep(16);
  EXPECT_EQ(root.Focus(), &a);
  EXPECT_EQ(Queued(), (Lines{"a 148"}));  // no focus-out from the deleted one

  Focusable("c", 1);  // clicking a key control moves the focus to it
  root.Events.Clear();
  Press(11, 1);
  EXPECT_EQ(root.Focus()->Name, "c");
  EXPECT_EQ(Take({PR_ONFOCUSIN, PR_ONFOCUSOUT}), (Lines{"a 149", "c 148"}));
}

TEST_F(FocusTest, HidingMovingOrDisablingTheFocusStartsANewSearch) {
  TestBox& a = Focusable("a", 0);
  TestBox& holder = Box("holder", 0, 0, 100, 100);
  holder.SetInt(PR_PRIORITY, 1);
  TestBox& b = Focusable("b", 1, &holder);
  root.InputStep(16);
  ASSERT_EQ(root.Focus(), &b);

  holder.SetFlag(PR_VISIBLE, false);  // hiding an ancestor
  EXPECT_EQ(root.Focus(), nullptr);
  root.InputStep(16);
  EXPECT_EQ(root.Focus(), &a);
  holder.SetFlag(PR_VISIBLE, true);  // the focus stays where it is
  root.InputStep(16);
  EXPECT_EQ(root.Focus(), &a);

  a.SetInt(PR_HANDLEKEY, 0);
  root.InputStep(16);
  EXPECT_EQ(root.Focus(), &b);
  b.SetStr(PR_PARENT, std::string(1, '\x01'));  // onto the back base
  EXPECT_EQ(root.Focus(), nullptr);
  root.InputStep(16);
  EXPECT_EQ(root.Focus(), nullptr);  // a no longer handles keys
  root.ShowBase(1);
  root.InputStep(16);
  EXPECT_EQ(root.Focus(), &b);
}

TEST_F(FocusTest, TheModalFocusKeepsTheKeysUntilItIsReleased) {
  TestBox& a = Focusable("a", 0);
  TestBox& menu = Box("menu", 0, 20, 10, 10);  // takes no focus of its own
  AllHandlers(menu);
  root.InputStep(16);
  ASSERT_EQ(root.Focus(), &a);
  root.Events.Clear();

  root.TakeModalFocus(&menu);
  EXPECT_EQ(root.Focus(), &menu);
  EXPECT_EQ(Take({PR_ONFOCUSIN, PR_ONFOCUSOUT}), (Lines{"a 149", "menu 148"}));
  Press(1, 1);  // a click on a key control does not move it
  Release();
  EXPECT_EQ(root.Focus(), &menu);
  root.DropFocus();  // nor does a search
  root.InputStep(16);
  EXPECT_EQ(root.Focus(), &menu);
  root.Events.Clear();
  root.RecordKeyDown(0x41);  // keys reach it without HandleKey
  root.InputStep(16);
  EXPECT_EQ(Take({PR_ONKEYDOWN}), (Lines{"menu 144"}));
  root.RecordKeyUp(0x41);

  root.ReleaseModalFocus(&a);  // only the holder releases it
  EXPECT_EQ(root.ModalFocus(), &menu);
  root.ReleaseModalFocus(&menu);
  EXPECT_EQ(root.ModalFocus(), nullptr);
  root.InputStep(16);
  EXPECT_EQ(root.Focus(), &a);

  root.TakeModalFocus(&menu);
  root.DeleteObject(&menu);  // a deleted holder lets the focus go
  EXPECT_EQ(root.ModalFocus(), nullptr);
  root.InputStep(16);
  EXPECT_EQ(root.Focus(), &a);
}

}  // namespace
}  // namespace vesk::scene::test
