#include "app/controller_input.h"

#include <gtest/gtest.h>

#include "platform/vkeys.h"

namespace vesk::app {
namespace {

using platform::Event;
using platform::EventType;
using platform::MouseButton;
using platform::PadAxis;
using platform::PadButton;
namespace vk = platform::vk;

// Events as short words, so a sequence reads at a glance.
std::string Describe(const Event& e) {
  const char* name = vk::VirtualKeyName(e.vk);
  switch (e.type) {
    case EventType::kKeyDown:
      return std::string(e.repeat ? "repeat " : "down ") + (name ? name : "?");
    case EventType::kKeyUp:
      return std::string("up ") + (name ? name : "?");
    case EventType::kMouseDown:
    case EventType::kMouseUp:
      return std::string(e.type == EventType::kMouseDown ? "press " : "release ") +
             (e.button == MouseButton::kLeft ? "left" : "right") + " " + std::to_string(e.x) + "," +
             std::to_string(e.y);
    case EventType::kMouseMove:
      return "move " + std::to_string(e.x) + "," + std::to_string(e.y);
    default:
      return "other";
  }
}

class ControllerInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pad_.SetSceneSize(800, 600);
    pad_.NotePointer(100, 200);
  }
  std::vector<std::string> Send(const Event& e) {
    std::vector<Event> out;
    pad_.Handle(e, now_ms_, &out);
    return Words(out);
  }
  std::vector<std::string> Button(PadButton b, bool down) { return Send(Event::Pad(b, down)); }
  std::vector<std::string> Tick(uint32_t advance_ms) {
    now_ms_ += advance_ms;
    std::vector<Event> out;
    pad_.Tick(now_ms_, &out);
    return Words(out);
  }
  static std::vector<std::string> Words(const std::vector<Event>& events) {
    std::vector<std::string> words;
    for (const Event& e : events) words.push_back(Describe(e));
    return words;
  }
  using V = std::vector<std::string>;

  ControllerInput pad_;
  uint32_t now_ms_ = 1000;
};

TEST_F(ControllerInputTest, DefaultButtonsPressKeysAndClickAtThePointer) {
  EXPECT_EQ(Button(PadButton::kA, true), V{"down Return"});
  EXPECT_EQ(Button(PadButton::kA, false), V{"up Return"});
  EXPECT_EQ(Button(PadButton::kB, true), V{"down Escape"});
  EXPECT_EQ(Button(PadButton::kB, false), V{"up Escape"});
  EXPECT_EQ(Button(PadButton::kX, true), V{"press left 100,200"});
  EXPECT_EQ(Button(PadButton::kX, false), V{"release left 100,200"});
  pad_.NotePointer(5000, -3);  // kept within the scene
  EXPECT_EQ(Button(PadButton::kY, true), V{"press right 799,0"});
  EXPECT_EQ(Button(PadButton::kY, false), V{"release right 799,0"});
  // Back asks for the player's settings screen, once a press, and the
  // game hears nothing of it.
  EXPECT_TRUE(Button(PadButton::kBack, true).empty());
  EXPECT_TRUE(pad_.TakeSettingsRequest());
  EXPECT_FALSE(pad_.TakeSettingsRequest());
  EXPECT_TRUE(Button(PadButton::kBack, false).empty());
  EXPECT_FALSE(pad_.TakeSettingsRequest());
  // Start and the shoulders do nothing unless bound.
  EXPECT_TRUE(Button(PadButton::kStart, true).empty());
  EXPECT_TRUE(Button(PadButton::kLeftShoulder, true).empty());
  // A release without its press, or a press twice, sends nothing more.
  EXPECT_TRUE(Button(PadButton::kA, false).empty());
  EXPECT_EQ(Button(PadButton::kA, true), V{"down Return"});
  EXPECT_TRUE(Button(PadButton::kA, true).empty());
}

TEST_F(ControllerInputTest, DpadAndStickShareTheArrowKeys) {
  EXPECT_EQ(Button(PadButton::kDpadLeft, true), V{"down Left"});
  // The stick pushed the same way while the d-pad holds it: still one press.
  EXPECT_TRUE(Send(Event::Axis(PadAxis::kLeftX, -32000)).empty());
  EXPECT_TRUE(Button(PadButton::kDpadLeft, false).empty());
  EXPECT_EQ(Send(Event::Axis(PadAxis::kLeftX, 0)), V{"up Left"});
  EXPECT_EQ(Button(PadButton::kDpadDown, true), V{"down Down"});
  EXPECT_EQ(Button(PadButton::kDpadDown, false), V{"up Down"});
  // Swinging the stick across lets go of one side and presses the other.
  EXPECT_EQ(Send(Event::Axis(PadAxis::kLeftY, -20000)), V{"down Up"});
  EXPECT_EQ(Send(Event::Axis(PadAxis::kLeftY, 20000)), (V{"up Up", "down Down"}));
}

TEST_F(ControllerInputTest, StickInsideTheDeadZoneIsIgnored) {
  // 30 % of full travel is about 9830.
  EXPECT_TRUE(Send(Event::Axis(PadAxis::kLeftX, 9000)).empty());
  EXPECT_TRUE(Send(Event::Axis(PadAxis::kLeftX, -9000)).empty());
  EXPECT_EQ(Send(Event::Axis(PadAxis::kLeftX, 10500)), V{"down Right"});
  EXPECT_EQ(Send(Event::Axis(PadAxis::kLeftX, 9000)), V{"up Right"});
  // The most negative value is no further than the most positive one.
  EXPECT_EQ(Send(Event::Axis(PadAxis::kLeftY, -32768)), V{"down Up"});
  // Triggers are not arrows.
  EXPECT_TRUE(Send(Event::Axis(PadAxis::kTriggerLeft, 32767)).empty());
}

TEST_F(ControllerInputTest, HeldDirectionRepeatsAsAKeyboardDoes) {
  EXPECT_EQ(Button(PadButton::kDpadRight, true), V{"down Right"});
  EXPECT_TRUE(Tick(399).empty());
  EXPECT_EQ(Tick(1), V{"repeat Right"});
  EXPECT_TRUE(Tick(59).empty());
  EXPECT_EQ(Tick(1), V{"repeat Right"});
  EXPECT_EQ(Tick(60), V{"repeat Right"});
  EXPECT_EQ(Button(PadButton::kDpadRight, false), V{"up Right"});
  EXPECT_TRUE(Tick(1000).empty());
  // A new press waits the whole first delay again.
  Button(PadButton::kDpadRight, true);
  EXPECT_TRUE(Tick(300).empty());
  EXPECT_EQ(Tick(100), V{"repeat Right"});
}

TEST_F(ControllerInputTest, RepeatSurvivesTheTickCountWrapping) {
  now_ms_ = 0xFFFFFF00u;
  Button(PadButton::kDpadUp, true);
  EXPECT_TRUE(Tick(200).empty());  // past the wrap, not yet due
  EXPECT_EQ(Tick(200), V{"repeat Up"});
}

TEST_F(ControllerInputTest, RightStickMovesThePointerByItsDeflection) {
  Send(Event::Axis(PadAxis::kRightX, 32767));
  EXPECT_EQ(Tick(16), V{"move 112,200"});  // full travel: the full speed
  Send(Event::Axis(PadAxis::kRightX, 0));
  Send(Event::Axis(PadAxis::kRightY, -8000));  // inside the dead zone
  EXPECT_TRUE(Tick(16).empty());
  // Halfway between the dead zone's edge and full travel: half the speed.
  Send(Event::Axis(PadAxis::kRightY, -21300));
  EXPECT_EQ(Tick(16), V{"move 112,194"});
  // The pointer stops at the scene's edge.
  pad_.NotePointer(795, 10);
  Send(Event::Axis(PadAxis::kRightY, 0));
  Send(Event::Axis(PadAxis::kRightX, 32767));
  EXPECT_EQ(Tick(16), V{"move 799,10"});
  EXPECT_TRUE(Tick(16).empty());
  // A click lands where the stick took the pointer.
  EXPECT_EQ(Button(PadButton::kX, true), V{"press left 799,10"});
}

TEST_F(ControllerInputTest, SlowStickStillCreepsThroughTheFractions) {
  // A tenth of the speed (1.2 px a frame) moves 12 px in ten frames.
  Send(Event::Axis(PadAxis::kRightX, 9830 + (32767 - 9830) / 10 + 1));
  int moves = 0;
  for (int i = 0; i < 10; ++i) moves += static_cast<int>(Tick(16).size());
  EXPECT_GE(moves, 9);
  EXPECT_EQ(Button(PadButton::kX, true), V{"press left 112,200"});
}

TEST_F(ControllerInputTest, ReleaseAllLetsGoOfEverythingHeld) {
  Button(PadButton::kA, true);
  Button(PadButton::kX, true);
  Button(PadButton::kDpadUp, true);
  std::vector<Event> out;
  pad_.ReleaseAll(&out);
  EXPECT_EQ(Words(out), (V{"up Return", "release left 100,200", "up Up"}));
  EXPECT_TRUE(Tick(1000).empty());
}

TEST(ControllerMappingParse, LinesRebindButtonsOverTheDefaults) {
  ControllerMapping m = ControllerMapping::Defaults();
  std::string error;
  ASSERT_TRUE(
      ParseControllerMapping("# my pad\n"
                             "a = space\n"
                             "B=Return ; swapped\r\n"
                             "\n"
                             "start=Escape\n"
                             "x=rclick\n"
                             "y=none\n"
                             "dpad=none\n"
                             "dpup=F5\n"
                             "rstick=none\n"
                             "deadzone=20\n"
                             "pointer_speed=30\n"
                             "repeat_delay=250\n"
                             "repeat_interval=40",
                             &m, &error))
      << error;
  const auto at = [&](PadButton b) { return m.buttons[static_cast<size_t>(b)]; };
  EXPECT_EQ(at(PadButton::kA).vk, vk::kSpace);
  EXPECT_EQ(at(PadButton::kB).vk, vk::kReturn);
  EXPECT_EQ(at(PadButton::kStart).vk, vk::kEscape);
  EXPECT_EQ(at(PadButton::kX).action, PadAction::kRightClick);
  EXPECT_EQ(at(PadButton::kY).action, PadAction::kNone);
  EXPECT_FALSE(m.dpad_arrows);
  EXPECT_FALSE(m.right_stick_pointer);
  EXPECT_TRUE(m.left_stick_arrows);
  EXPECT_EQ(m.dead_zone_percent, 20);
  EXPECT_EQ(m.pointer_speed_px, 30);
  EXPECT_EQ(m.repeat_delay_ms, 250);
  EXPECT_EQ(m.repeat_interval_ms, 40);

  // With the d-pad unbound from the arrows, its buttons act as bound.
  ControllerInput pad(m);
  std::vector<Event> out;
  pad.Handle(Event::Pad(PadButton::kDpadUp, true), 0, &out);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].vk, vk::kF1 + 4);
}

TEST(ControllerMappingParse, BadLinesAreNamedAndStopTheParse) {
  for (const char* bad : {"a", "a=NoSuchKey", "z=Return", "dpad=pointer", "deadzone=100",
                          "deadzone=-1", "pointer_speed=fast", "repeat_delay=99999999999"}) {
    ControllerMapping m = ControllerMapping::Defaults();
    std::string error;
    EXPECT_FALSE(ParseControllerMapping(std::string("b=Space\n") + bad, &m, &error)) << bad;
    EXPECT_NE(error.find("line 2"), std::string::npos) << error;
    EXPECT_EQ(m.buttons[static_cast<size_t>(PadButton::kB)].vk, vk::kSpace);
    EXPECT_EQ(m.buttons[static_cast<size_t>(PadButton::kA)].vk, vk::kReturn);
  }
  EXPECT_EQ(VirtualKeyFromName("escape"), vk::kEscape);
  EXPECT_EQ(VirtualKeyFromName(""), 0);
}

}  // namespace
}  // namespace vesk::app
