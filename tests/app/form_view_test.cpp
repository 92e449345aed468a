#include "app/form_view.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <filesystem>

#include "app/engine_fakes.h"
#include "app/main_loop.h"
#include "expr/system_variables.h"
#include "platform/files.h"
#include "platform/headless/headless_platform.h"
#include "platform/vkeys.h"

namespace vesk::app {
namespace {

using platform::Event;
using platform::EventType;
using ::testing::ElementsAre;
using testing::FakeFactory;
using testing::FakeScene;
using testing::Log;

class FormViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    exe_dir_ =
        std::filesystem::temp_directory_path() /
        ("vesk-formview-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(exe_dir_);
  }
  void TearDown() override { std::filesystem::remove_all(exe_dir_); }

  bool Create() {
    FormViewOptions o;
    o.exe_dir = exe_dir_.string();
    o.args = {"game"};
    return view_.Create(o);
  }
  void CreateActive() {
    ASSERT_TRUE(Create());
    view_.HandleEvent(Event::Of(EventType::kActivated));
    log_.clear();
  }
  // One idle call after `delta_ms` of wall time.
  bool Idle(uint32_t delta_ms) {
    platform_.manual_clock().Advance(delta_ms);
    return view_.OnIdle();
  }
  std::vector<std::string> LogSince(size_t start) const {
    return std::vector<std::string>(log_.begin() + static_cast<long>(start), log_.end());
  }

  std::filesystem::path exe_dir_;
  Log log_;
  platform::HeadlessPlatform platform_;
  RuntimeContext ctx_;
  companion::Companion companion_;
  FakeFactory factory_{&log_};
  TFormView view_{ctx_, platform_, companion_, factory_};
};

TEST_F(FormViewTest, StartupCreatesSubsystemsInOrderAndSizesTheWindow) {
  ASSERT_TRUE(Create());
  EXPECT_THAT(log_, ElementsAre("mount", "sound", "create-scene", "create-project", "create-screen",
                                "create-media"));
  auto* w = platform_.window();
  EXPECT_EQ(w->client_w_px(), 64);
  EXPECT_EQ(w->client_h_px(), 48 + kDockStripHeightPx);
  EXPECT_EQ(w->title(), "Test");
  EXPECT_TRUE(w->shown());
  EXPECT_EQ(view_.scene()->SceneWidth(), 64);
  EXPECT_EQ(view_.panel_x(), 0);
  EXPECT_EQ(view_.panel_y(), kDockStripHeightPx);
  EXPECT_TRUE(companion_.initialized());
}

TEST_F(FormViewTest, GameIniWithoutDirectSoundSkipsSoundAndClampsDelay) {
  const std::string ini = "[Sound]\r\nDirectSound=0\r\nDelayTime=250\r\n";
  ASSERT_TRUE(platform::WriteFileAtomic((exe_dir_ / "game.ini").string(), ini.data(), ini.size()));
  ASSERT_TRUE(Create());
  EXPECT_EQ(std::count(log_.begin(), log_.end(), "sound"), 0);
  EXPECT_FALSE(ctx_.sound.direct_sound);
  EXPECT_EQ(ctx_.sound.delay_ms, 200);
}

TEST_F(FormViewTest, FailedProjectEndsBeforeTheFirstFrame) {
  factory_.fail_project = true;
  EXPECT_FALSE(Create());
  EXPECT_TRUE(ctx_.terminated);
  EXPECT_EQ(view_.start_error(), "no project");
  EXPECT_FALSE(platform_.window()->shown());
  EXPECT_EQ(std::count(log_.begin(), log_.end(), "create-screen"), 0);
}

TEST_F(FormViewTest, FrameStepRunsInOrder) {
  CreateActive();
  EXPECT_FALSE(Idle(16));
  EXPECT_THAT(log_, ElementsAre("input", "scenario", "update", "save-load", "draw", "present",
                                "clear-dirty"));
  EXPECT_EQ(ctx_.frame_counter, 1);
  EXPECT_EQ(ctx_.game_clock_ms, 16);
  EXPECT_EQ(ctx_.frame_delta_ms, 16);
}

TEST_F(FormViewTest, LogoRunsBeforeTheScenarioWhichStartsTheFrameAfter) {
  factory_.logo_frames = 2;
  CreateActive();
  Idle(16);
  Idle(16);
  const size_t third = log_.size();
  Idle(16);
  EXPECT_EQ(std::count(log_.begin(), log_.begin() + static_cast<long>(third), "scenario"), 0);
  EXPECT_EQ(std::count(log_.begin(), log_.begin() + static_cast<long>(third), "logo"), 2);
  EXPECT_EQ(LogSince(third)[1], "scenario");
  EXPECT_TRUE(view_.logo_done());
}

TEST_F(FormViewTest, TerminationDuringTheScenarioEndsTheFrameAtOnce) {
  CreateActive();
  factory_.project->on_step = [this] { ctx_.Terminate(); };
  Idle(16);
  EXPECT_THAT(log_, ElementsAre("input", "scenario"));
  EXPECT_EQ(ctx_.frame_counter, 0);
  EXPECT_TRUE(Idle(16));  // the loop may now wait: nothing runs any more
}

TEST_F(FormViewTest, LoadSkipsDrawingForThreeFrames) {
  CreateActive();
  factory_.project->load_next = true;
  for (int i = 0; i < 4; ++i) Idle(16);
  EXPECT_EQ(std::count(log_.begin(), log_.end(), "draw"), 1);
  EXPECT_EQ(log_.back(), "clear-dirty");
  EXPECT_EQ(ctx_.frame_counter, 4);
}

TEST_F(FormViewTest, StallAboveThreeSecondsDoesNotAdvanceTheGameClock) {
  CreateActive();
  Idle(16);
  Idle(3001);
  EXPECT_EQ(ctx_.game_clock_ms, 16);
  EXPECT_EQ(ctx_.frame_counter, 1);
  Idle(16);
  EXPECT_EQ(ctx_.game_clock_ms, 32);
  Idle(3000);  // exactly three seconds still counts
  EXPECT_EQ(ctx_.game_clock_ms, 3032);
  EXPECT_EQ(ctx_.frame_delta_ms, 3000);
}

TEST_F(FormViewTest, TheGameClockWrapsLikeA32BitTickCounter) {
  CreateActive();
  // 2^31 ms of play, less 20: the next frames cross the wrap.
  ctx_.game_clock_ms = INT32_MAX - 19;
  ctx_.frame_counter = INT32_MAX;
  expr::SysValue before, after;
  ASSERT_TRUE(view_.variables()->host()->Get(lang::SV_TickCount, 0, &before));
  LoopOptions loop;
  loop.frames = 3;
  loop.step_ms = 3000;
  loop.manual_clock = &platform_.manual_clock();
  RunMainLoop(view_, ctx_, *view_.window(), loop);
  EXPECT_EQ(ctx_.game_clock_ms, INT32_MIN + 8980);
  EXPECT_EQ(ctx_.frame_counter, INT32_MIN + 2);
  // What a script reads still differs by the time played.
  ASSERT_TRUE(view_.variables()->host()->Get(lang::SV_TickCount, 0, &after));
  EXPECT_EQ(static_cast<int32_t>(static_cast<uint32_t>(after.i) - static_cast<uint32_t>(before.i)),
            9000);
}

TEST_F(FormViewTest, SleepsOutTheRestOfTheFramePeriodButAtLeastTwoMs) {
  factory_.info.sleep_between_frames = 1;
  CreateActive();
  Idle(16);
  EXPECT_EQ(platform_.manual_clock().slept_ms(), 16u);
  factory_.project->on_step = [this] { platform_.manual_clock().Advance(15); };
  Idle(16);
  EXPECT_EQ(platform_.manual_clock().slept_ms(), 16u + 2u);
}

TEST_F(FormViewTest, NoSleepWhenTheProjectDoesNotAskForIt) {
  factory_.info.sleep_between_frames = 0;
  CreateActive();
  Idle(16);
  EXPECT_EQ(platform_.manual_clock().slept_ms(), 0u);
}

TEST_F(FormViewTest, InactiveWindowRunsNoFrames) {
  ASSERT_TRUE(Create());
  log_.clear();
  EXPECT_TRUE(Idle(16));
  EXPECT_TRUE(log_.empty());
}

TEST_F(FormViewTest, BackgroundTimeIsNotGameTimeAndMediaPauseInOrder) {
  CreateActive();
  Idle(16);
  Idle(16);
  log_.clear();
  view_.HandleEvent(Event::Of(EventType::kDeactivated));
  EXPECT_THAT(log_, ElementsAre("pause video", "pause wave", "pause wma", "pause ogg", "pause cd",
                                "release cd", "pause midi", "clear-input"));
  EXPECT_TRUE(Idle(10000));  // nothing runs in the background
  log_.clear();
  view_.HandleEvent(Event::Of(EventType::kActivated));
  EXPECT_THAT(log_, ElementsAre("resume video", "resume wave", "resume wma", "resume ogg",
                                "reacquire cd", "resume cd", "resume midi"));
  Idle(16);
  EXPECT_EQ(ctx_.game_clock_ms, 48);
}

TEST_F(FormViewTest, MediaWithoutItemsAreLeftAloneExceptVideoAndTheCdDrive) {
  factory_.media_items = false;
  CreateActive();
  view_.HandleEvent(Event::Of(EventType::kDeactivated));
  view_.HandleEvent(Event::Of(EventType::kActivated));
  EXPECT_THAT(log_, ElementsAre("pause video", "release cd", "clear-input", "resume video",
                                "reacquire cd"));
}

TEST_F(FormViewTest, ModalLoopPausesEverythingAndItsTimeIsNotCounted) {
  CreateActive();
  view_.HandleEvent(Event::Of(EventType::kModalLoopEnter));
  platform_.manual_clock().Advance(2000);
  view_.HandleEvent(Event::Of(EventType::kModalLoopLeave));
  EXPECT_THAT(log_, ElementsAre("pause wave", "pause video", "pause wma", "pause ogg", "pause cd",
                                "pause midi", "resume wave", "resume video", "resume wma",
                                "resume ogg", "resume cd", "resume midi"));
  Idle(16);
  EXPECT_EQ(ctx_.game_clock_ms, 16);
}

TEST_F(FormViewTest, KeyAutoRepeatAtTheWindowGivesOnePress) {
  CreateActive();
  view_.HandleEvent(Event::Key(EventType::kKeyDown, 'A'));
  for (int i = 0; i < 5; ++i) view_.HandleEvent(Event::Key(EventType::kKeyDown, 'A', true));
  EXPECT_EQ(std::count(log_.begin(), log_.end(), "key-down 65"), 1);
  Idle(16);
  EXPECT_TRUE(factory_.scene->KeyClicked('A'));
  Idle(16);
  EXPECT_FALSE(factory_.scene->KeyClicked('A'));
  EXPECT_TRUE(factory_.scene->recorder.KeyHeld('A'));
  view_.HandleEvent(Event::Key(EventType::kKeyUp, 'A'));
  EXPECT_FALSE(factory_.scene->recorder.KeyHeld('A'));
}

TEST_F(FormViewTest, ATextBoxHoldingTheKeyboardTakesKeysRepeatsAndText) {
  CreateActive();
  FakeScene& scene = *factory_.scene;
  scene.takes_keys = true;
  view_.HandleEvent(Event::Key(EventType::kKeyDown, 'A', false, platform::kModShift));
  view_.HandleEvent(
      Event::Key(EventType::kKeyDown, 'A', true));  // repeats too, as an edit has them
  view_.HandleEvent(Event::Text("あ"));
  view_.HandleEvent(Event::Editing("かな", 1));
  EXPECT_THAT(log_, ElementsAre("box-key 65 1", "box-key 65 0", "text あ", "editing かな 1"));
  EXPECT_FALSE(scene.recorder.KeyHeld('A'));  // the scene never saw the key
  // The window takes text while the box does, its candidate window at the caret.
  platform::HeadlessWindow& window = *platform_.window();
  scene.has_caret = true;
  scene.caret = Rect{10, 20, 11, 32};
  Idle(16);
  EXPECT_TRUE(window.text_input_started());
  EXPECT_EQ(window.text_input_caret(), scene.caret);
  scene.has_caret = false;
  Idle(16);
  EXPECT_FALSE(window.text_input_started());
  // Without a box the keys are the scene's again; inactive, text goes nowhere.
  scene.takes_keys = false;
  log_.clear();
  view_.HandleEvent(Event::Key(EventType::kKeyDown, 'B'));
  EXPECT_THAT(log_, ElementsAre("key-down 66"));
  view_.HandleEvent(Event::Of(EventType::kDeactivated));
  log_.clear();
  view_.HandleEvent(Event::Text("x"));
  EXPECT_TRUE(log_.empty());
}

TEST_F(FormViewTest, KeysAreIgnoredWhileInactiveAndAbove255) {
  ASSERT_TRUE(Create());
  log_.clear();
  view_.HandleEvent(Event::Key(EventType::kKeyDown, 'A'));
  view_.PanelKeyDown(300);
  EXPECT_TRUE(log_.empty());
}

TEST_F(FormViewTest, MouseRoutingRecordsButtonsPositionAndWheel) {
  CreateActive();
  auto& rec = factory_.scene->recorder;
  view_.HandleEvent(Event::Mouse(EventType::kMouseDown, platform::MouseButton::kRight, 10, 20));
  EXPECT_TRUE(rec.right_held());
  EXPECT_FALSE(rec.left_held());
  EXPECT_EQ(rec.mouse_x(), 10);
  EXPECT_EQ(rec.mouse_y(), 20);
  view_.HandleEvent(Event::Mouse(EventType::kMouseUp, platform::MouseButton::kRight, 11, 21));
  EXPECT_FALSE(rec.right_held());
  view_.HandleEvent(Event::Wheel(true));
  Idle(16);
  EXPECT_TRUE(rec.right_click());
  EXPECT_TRUE(rec.wheel_down());
  EXPECT_FALSE(rec.wheel_up());
}

TEST_F(FormViewTest, ControllerButtonsReachTheSceneAsKeysAndClicks) {
  CreateActive();
  auto& rec = factory_.scene->recorder;
  using platform::PadAxis;
  using platform::PadButton;
  view_.HandleEvent(Event::Pad(PadButton::kA, true));
  EXPECT_TRUE(rec.KeyHeld(platform::vk::kReturn));
  view_.HandleEvent(Event::Pad(PadButton::kA, false));
  EXPECT_FALSE(rec.KeyHeld(platform::vk::kReturn));
  view_.HandleEvent(Event::Pad(PadButton::kDpadLeft, true));
  EXPECT_TRUE(rec.KeyHeld(platform::vk::kLeft));
  view_.HandleEvent(Event::Pad(PadButton::kDpadLeft, false));
  // The right stick moves the pointer a frame at a time; Y clicks there.
  view_.HandleEvent(Event::Move(10, 20));  // the fake scene is 64 pixels wide
  view_.HandleEvent(Event::Axis(PadAxis::kRightX, 32767));
  Idle(16);
  view_.HandleEvent(Event::Axis(PadAxis::kRightX, 0));
  EXPECT_EQ(rec.mouse_x(), 22);  // full deflection: 12 pixels a frame
  EXPECT_EQ(rec.mouse_y(), 20);
  view_.HandleEvent(Event::Pad(PadButton::kY, true));
  EXPECT_TRUE(rec.right_held());
  view_.HandleEvent(Event::Pad(PadButton::kY, false));
  EXPECT_FALSE(rec.right_held());
  // Unplugged with a direction held, the key is let go rather than stuck.
  view_.HandleEvent(Event::Pad(PadButton::kDpadUp, true));
  EXPECT_TRUE(rec.KeyHeld(platform::vk::kUp));
  view_.HandleEvent(Event::Of(EventType::kPadRemoved));
  EXPECT_FALSE(rec.KeyHeld(platform::vk::kUp));
}

TEST_F(FormViewTest, FullScreenNeedsAChosenModeAndCentresThePanel) {
  CreateActive();
  view_.SetFullScreen(true);
  EXPECT_TRUE(log_.empty());            // no mode chosen: nothing happens
  factory_.screen->set_chosen_mode(0);  // 640 x 480 on the headless display
  view_.SetFullScreen(true);
  EXPECT_THAT(log_, ElementsAre("before-display-change", "release-display", "set-mode 0",
                                "after-display-change"));
  EXPECT_TRUE(factory_.screen->full_screen());
  EXPECT_EQ(view_.panel_x(), (640 - 64) / 2);
  EXPECT_EQ(view_.panel_y(), (480 - 48) / 2);
  EXPECT_FALSE(companion_.video_suspended());
  view_.SetFullScreen(false);
  EXPECT_FALSE(factory_.screen->full_screen());
  EXPECT_EQ(view_.panel_x(), 0);
  EXPECT_EQ(platform_.window()->client_h_px(), 48 + kDockStripHeightPx);
}

TEST_F(FormViewTest, FailedModeSwitchFallsBackToTheWindow) {
  CreateActive();
  factory_.screen->set_chosen_mode(1);
  factory_.screen->fail_switch = true;
  view_.SetFullScreen(true);
  EXPECT_THAT(log_, ElementsAre("before-display-change", "release-display", "set-mode 1",
                                "set-mode -1", "after-display-change"));
  EXPECT_FALSE(factory_.screen->full_screen());
}

TEST_F(FormViewTest, ApplyDisplayModeOnlyInFullScreenAndOnlyForANewMode) {
  CreateActive();
  factory_.screen->set_chosen_mode(2);
  view_.ApplyDisplayMode();
  EXPECT_TRUE(log_.empty());
  view_.SetFullScreen(true);
  log_.clear();
  view_.ApplyDisplayMode();
  EXPECT_TRUE(log_.empty());
  factory_.screen->set_chosen_mode(1);
  view_.ApplyDisplayMode();
  EXPECT_THAT(log_, ElementsAre("before-display-change", "set-mode 1", "after-display-change"));
  EXPECT_EQ(factory_.screen->current_mode(), 1);
}

TEST_F(FormViewTest, CursorSettersMoveOneCoordinate) {
  CreateActive();
  view_.HandleEvent(Event::Move(5, 6));
  platform::Event e;
  while (platform_.window()->PollEvent(&e)) {
  }
  view_.SetCursorX(30);
  int x, y;
  platform_.window()->MousePosition(&x, &y);
  EXPECT_EQ(x, 30);
  view_.SetCursorY(40);
  platform_.window()->MousePosition(&x, &y);
  EXPECT_EQ(x, 30);
  EXPECT_EQ(y, 40);
}

TEST_F(FormViewTest, ShutdownFreesInOrderOnce) {
  CreateActive();
  view_.HandleEvent(Event::Of(EventType::kQuit));
  EXPECT_THAT(log_, ElementsAre("~project", "~scene", "~video", "~wave", "~wma", "~ogg", "~cd",
                                "~midi", "~screen"));
  EXPECT_TRUE(ctx_.terminated);
  EXPECT_FALSE(companion_.initialized());
  view_.Close();
  EXPECT_EQ(log_.size(), 9u);
}

TEST_F(FormViewTest, HeadlessLoopStepsTheClockAndDeliversInputOnItsFrame) {
  CreateActive();
  LoopOptions loop;
  loop.frames = 5;
  loop.step_ms = 10;
  loop.manual_clock = &platform_.manual_clock();
  loop.input = {{2, Event::Key(EventType::kKeyDown, platform::vk::kReturn)},
                {3, Event::Key(EventType::kKeyUp, platform::vk::kReturn)}};
  std::vector<int> clicked_frames;
  loop.after_frame = [&](int frame) {
    if (factory_.scene->KeyClicked(platform::vk::kReturn)) clicked_frames.push_back(frame);
  };
  RunMainLoop(view_, ctx_, *view_.window(), loop);
  EXPECT_EQ(ctx_.frame_counter, 5);
  EXPECT_EQ(ctx_.game_clock_ms, 50);
  EXPECT_THAT(clicked_frames, ElementsAre(2));
}

}  // namespace
}  // namespace vesk::app
