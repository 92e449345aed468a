#include "app/settings_screen.h"

#include <gtest/gtest.h>

#include "platform/vkeys.h"

namespace vesk::app {
namespace {

namespace vk = platform::vk;
namespace layout = settings_layout;
using platform::Event;
using platform::EventType;
using platform::kModAlt;
using platform::kModControl;
using platform::kModShift;
using platform::ScalingMode;
using SC = SettingsControl;
using Result = SettingsScreen::Result;

Event Down(int key, uint8_t mods = 0) {
  return Event::Key(EventType::kKeyDown, key, false, mods);
}

// A point inside a panel rectangle, in the frame's pixels.
Event Click(const SettingsScreen& s, EventType t, const Rect& r, int dx = 2) {
  const Rect panel = s.PanelRect();
  return Event::Mouse(t, platform::MouseButton::kLeft, panel.left + r.left + dx,
                      panel.top + r.top + static_cast<int>(r.Height()) / 2);
}

void ClickOn(SettingsScreen& s, const Rect& r, int dx = 2) {
  s.HandleEvent(Click(s, EventType::kMouseDown, r, dx));
  s.HandleEvent(Click(s, EventType::kMouseUp, r, dx));
}

void FocusOn(SettingsScreen& s, SC target) {
  for (int i = 0; i < static_cast<int>(SC::kCount) && s.focus() != target; ++i)
    s.HandleEvent(Down(vk::kDown));
  ASSERT_EQ(s.focus(), target);
}

TEST(SettingsScreen, KeyboardWalksEveryControlAndChangesValues) {
  platform::PlayerSettings start;
  SettingsScreen s(start, {"/fonts/a.sf2", "/fonts/b.sf2"});
  // Up from the first control wraps to Cancel, Tab and Shift+Tab step.
  s.HandleEvent(Down(vk::kUp));
  EXPECT_EQ(s.focus(), SC::kCancel);
  s.HandleEvent(Down(vk::kTab));
  EXPECT_EQ(s.focus(), SC::kScaling);
  s.HandleEvent(Down(vk::kTab, kModShift));
  EXPECT_EQ(s.focus(), SC::kCancel);
  s.HandleEvent(Down(vk::kTab));

  s.HandleEvent(Down(vk::kLeft));
  EXPECT_EQ(s.edited().scaling, ScalingMode::kFit);
  FocusOn(s, SC::kFullscreen);
  s.HandleEvent(Down(vk::kSpace));
  EXPECT_TRUE(s.edited().fullscreen);
  s.HandleEvent(Down(vk::kReturn));  // Return toggles a check box too
  EXPECT_FALSE(s.edited().fullscreen);

  FocusOn(s, SC::kMusicVolume);
  for (int i = 0; i < 3; ++i) s.HandleEvent(Down(vk::kLeft));
  EXPECT_EQ(s.edited().music_volume_percent, 85);
  for (int i = 0; i < 30; ++i) s.HandleEvent(Down(vk::kLeft));
  EXPECT_EQ(s.edited().music_volume_percent, 0);
  s.HandleEvent(Down(vk::kRight));
  EXPECT_EQ(s.edited().music_volume_percent, 5);
  EXPECT_EQ(s.edited().volume_percent, 100);

  // The SoundFont cycles through automatic and the files found, both ways.
  FocusOn(s, SC::kSoundFont);
  s.HandleEvent(Down(vk::kRight));
  EXPECT_EQ(s.edited().soundfont, "/fonts/a.sf2");
  s.HandleEvent(Down(vk::kLeft));
  s.HandleEvent(Down(vk::kLeft));
  EXPECT_EQ(s.edited().soundfont, "/fonts/b.sf2");

  EXPECT_TRUE(s.open());
  s.HandleEvent(Down(vk::kReturn));  // on a choice, Return is OK
  EXPECT_EQ(s.result(), Result::kOk);
  EXPECT_FALSE(s.HandleEvent(Down(vk::kLeft)));  // closed: nothing more is taken
}

TEST(SettingsScreen, EscapeAndTheSettingsKeyCancel) {
  platform::PlayerSettings start;
  SettingsScreen a(start, {});
  a.HandleEvent(Down(vk::kEscape));
  EXPECT_EQ(a.result(), Result::kCancel);
  SettingsScreen b(start, {});
  b.HandleEvent(Down('O', kModAlt));
  EXPECT_EQ(b.result(), Result::kCancel);
  // A SoundFont the file names that is nowhere to be found stays a choice.
  start.soundfont = "/elsewhere/mine.sf2";
  SettingsScreen c(start, {"/fonts/a.sf2"});
  EXPECT_EQ(c.soundfont_choices().size(), 3u);
}

TEST(SettingsScreen, KeyCaptureTakesAChordAndRefusesClashesAndNavigationKeys) {
  SettingsScreen s(platform::PlayerSettings{}, {});
  FocusOn(s, SC::kKeyScreenshot);
  s.HandleEvent(Down(vk::kReturn));
  ASSERT_EQ(s.capturing(), SC::kKeyScreenshot);
  // Modifiers alone wait for the key; plain Return is needed to move around.
  EXPECT_FALSE(s.HandleEvent(Down(vk::kControl, kModControl)));
  s.HandleEvent(Down(vk::kReturn));
  EXPECT_EQ(s.capturing(), SC::kKeyScreenshot);
  EXPECT_NE(s.status().find("needed"), std::string::npos);
  // Another of the player's keys is refused by name.
  s.HandleEvent(Down('S', kModAlt));
  EXPECT_EQ(s.capturing(), SC::kKeyScreenshot);
  EXPECT_NE(s.status().find("Scaling key"), std::string::npos);
  // While capturing even the settings key is just a key.
  s.HandleEvent(Down(vk::kF1 + 11, kModControl | kModShift));
  EXPECT_EQ(s.capturing(), SC::kCount);
  EXPECT_EQ(s.edited().screenshot_key, (platform::KeyChord{vk::kF1 + 11, kModControl | kModShift}));
  EXPECT_TRUE(s.status().empty());
  EXPECT_TRUE(s.open());

  // Escape leaves the old key.
  s.HandleEvent(Down(vk::kReturn));
  s.HandleEvent(Down(vk::kEscape));
  EXPECT_EQ(s.capturing(), SC::kCount);
  EXPECT_EQ(s.edited().screenshot_key.vk, vk::kF1 + 11);
  EXPECT_TRUE(s.open());
}

TEST(SettingsScreen, MouseClicksChoicesChecksSlidersAndButtons) {
  SettingsScreen s(platform::PlayerSettings{}, {"/fonts/a.sf2"});
  s.SetFrameSize(800, 600);
  EXPECT_EQ(s.PanelRect(), Rect::FromSize((800 - layout::kPanelW) / 2, (600 - layout::kPanelH) / 2,
                                          layout::kPanelW, layout::kPanelH));
  ClickOn(s, layout::ScalingChoiceRect(false));
  EXPECT_EQ(s.edited().scaling, ScalingMode::kFit);
  ClickOn(s, layout::ControlRect(SC::kModeSwitch));
  EXPECT_TRUE(s.edited().allow_mode_switch);
  EXPECT_EQ(s.focus(), SC::kModeSwitch);

  // A slider follows the press and the drag, in steps of five.
  const Rect track = layout::SliderTrackRect(SC::kSoundsVolume);
  s.HandleEvent(Click(s, EventType::kMouseDown, track, 0));
  EXPECT_EQ(s.edited().sounds_volume_percent, 0);
  const Rect panel = s.PanelRect();
  const int mid_x = panel.left + track.left + static_cast<int>(track.Width()) / 2;
  s.HandleEvent(Event::Move(mid_x, panel.top + track.top + 5));
  EXPECT_EQ(s.edited().sounds_volume_percent, 50);
  s.HandleEvent(Click(s, EventType::kMouseUp, track, 0));
  s.HandleEvent(Event::Move(panel.left + track.left, panel.top + track.top + 5));
  EXPECT_EQ(s.edited().sounds_volume_percent, 50);  // let go: no longer dragged

  ClickOn(s, layout::SoundFontArrowRect(true));
  EXPECT_EQ(s.edited().soundfont, "/fonts/a.sf2");

  // A press that leaves the button before it comes up does nothing.
  s.HandleEvent(Click(s, EventType::kMouseDown, layout::ControlRect(SC::kCancel)));
  s.HandleEvent(Event::Move(0, 0));
  s.HandleEvent(Click(s, EventType::kMouseUp, layout::ControlRect(SC::kCancel)));
  EXPECT_TRUE(s.open());
  ClickOn(s, layout::ControlRect(SC::kOk));
  EXPECT_EQ(s.result(), Result::kOk);
}

TEST(SettingsScreen, DrawsThePanelOverTheDimmedGame) {
  platform::PlayerSettings start;
  start.fullscreen = true;
  SettingsScreen s(start, {});
  platform::BackBuffer game(640, 480, platform::PixelFormat::kXrgb8888);
  game.FillRect(0, 0, 640, 480, 0xC08040);
  s.SetFrameSize(640, 480);
  platform::BackBuffer out;
  s.Render(game, out, nullptr);
  ASSERT_EQ(out.width_px(), 640);
  ASSERT_EQ(out.height_px(), 480);
  EXPECT_EQ(out.GetRgb(0, 0), 0x604020u);  // the game at half its light
  const Rect panel = s.PanelRect();
  EXPECT_EQ(out.GetRgb(panel.left, panel.top), 0xFFFFFFu);            // the raised edge's light
  EXPECT_EQ(out.GetRgb(panel.left + 10, panel.top + 10), 0x0A246Au);  // the title bar
  // The full-screen box is ticked: its tick's darkest column is inside the box.
  const Rect fs = layout::ControlRect(SC::kFullscreen);
  const int box_top = fs.top + (static_cast<int>(fs.Height()) - 13) / 2;
  EXPECT_EQ(out.GetRgb(panel.left + fs.left + 3 + 3, panel.top + box_top + 3 + 5), 0u);
  // The first control has the focus rectangle; the second has none.
  const Rect sc = layout::ControlRect(SC::kScaling);
  EXPECT_EQ(out.GetRgb(panel.left + sc.left - 4, panel.top + sc.top), 0u);
  EXPECT_EQ(out.GetRgb(panel.left + fs.left - 4, panel.top + fs.top), 0xD4D0C8u);

  // A frame smaller than the panel shows its top left part, without a fault.
  SettingsScreen small(start, {});
  small.SetFrameSize(320, 240);
  platform::BackBuffer tiny(320, 240, platform::PixelFormat::kXrgb8888);
  small.Render(tiny, out, nullptr);
  EXPECT_EQ(small.PanelRect().left, 0);
  EXPECT_EQ(out.width_px(), 320);
}

}  // namespace
}  // namespace vesk::app
