// The screen manager's choices: which display modes a game may use full
// screen, which one it prefers, and the working bit count.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/screen_manager.h"
#include "platform/headless/headless_platform.h"

namespace vesk::app {
namespace {

using platform::DisplayMode;

TEST(ScreenManagerModes, TooSmallOrTooShallowModesAreNotOffered) {
  const std::vector<DisplayMode> modes = {
      {640, 480, 32, 60}, {800, 600, 8, 60}, {1024, 768, 16, 60}};
  ModeChoice c = ChooseDisplayModes(modes, 800, 600, 800, 600, 32);
  ASSERT_EQ(c.accepted.size(), 1u);
  EXPECT_EQ(c.accepted[0].width_px, 1024);
  EXPECT_EQ(c.source_index[0], 2);
  EXPECT_EQ(c.preferred, 0);  // the only one, though not of the preferred size

  EXPECT_EQ(ChooseDisplayModes({{640, 480, 32, 60}}, 800, 600, 800, 600, 32).preferred, -1);
}

TEST(ScreenManagerModes, PreferredSizeThenDesktopDepthThenTheLowestRefresh) {
  const std::vector<DisplayMode> modes = {{1024, 768, 32, 60}, {800, 600, 16, 60},
                                          {800, 600, 32, 85},  {800, 600, 32, 60},
                                          {800, 600, 32, 75},  {800, 600, 16, 50}};
  ModeChoice c = ChooseDisplayModes(modes, 800, 600, 800, 600, 32);
  ASSERT_GE(c.preferred, 0);
  const DisplayMode& chosen = c.accepted[static_cast<size_t>(c.preferred)];
  EXPECT_EQ(chosen, (DisplayMode{800, 600, 32, 60}));
  // A lower refresh rate at another depth never displaces the desktop depth.
  EXPECT_EQ(c.source_index[static_cast<size_t>(c.preferred)], 3);
}

TEST(ScreenManagerModes, WorkingBitCountFollowsTheDisplay) {
  EXPECT_EQ(WorkingBitCount(16, true, false), 15);
  EXPECT_EQ(WorkingBitCount(15, false, false), 15);  // 5-5-5 as SDL and X count it
  EXPECT_EQ(WorkingBitCount(15, true, false), 15);
  EXPECT_EQ(WorkingBitCount(16, false, false), 16);
  EXPECT_EQ(WorkingBitCount(24, false, false), 32);
  EXPECT_EQ(WorkingBitCount(32, false, false), 32);
  EXPECT_EQ(WorkingBitCount(8, false, true), 15);
  EXPECT_EQ(WorkingBitCount(16, true, true), 15);
  EXPECT_EQ(WorkingBitCount(16, false, true), 16);
  EXPECT_EQ(WorkingBitCount(32, false, true), 32);
}

TEST(ScreenManagerPresent, CountsOnlyFramesThatChangedOrAreZoomedUnevenly) {
  platform::HeadlessPlatform platform;
  std::string error;
  auto window = platform.CreateMainWindow({"t", 64, 48, true}, &error);
  ASSERT_NE(window, nullptr) << error;
  TScreenManager screen(*window, 64, 48, 64, 48, 32);
  EXPECT_EQ(screen.back_buffer().width_px(), 64);
  EXPECT_EQ(screen.working_bit_count(), 32);
  screen.NoteFrameChanged(false, 100);
  screen.Present();
  EXPECT_EQ(screen.present_counter(), 0);
  screen.NoteFrameChanged(true, 200);
  screen.Present();
  EXPECT_EQ(screen.present_counter(), 1);
  screen.NoteFrameChanged(false, 150);
  screen.Present();
  EXPECT_EQ(screen.present_counter(), 2);
}

TEST(ScreenManagerPresent, TheWindowGetsOnlyWhatChanged) {
  platform::HeadlessPlatform platform;
  std::string error;
  auto owned = platform.CreateMainWindow({"t", 64, 48, true}, &error);
  ASSERT_NE(owned, nullptr) << error;
  auto& window = static_cast<platform::HeadlessWindow&>(*owned);
  TScreenManager screen(window, 64, 48, 64, 48, 32);
  screen.Present();  // the first frame shows whole
  EXPECT_THAT(window.last_upload(), ::testing::ElementsAre(Rect::FromSize(0, 0, 64, 48)));
  const platform::PresentStats first = window.present_stats();

  // Nothing moved: nothing is copied and the window is not drawn.
  screen.NoteFrameChanged(false, 100);
  screen.Present();
  EXPECT_TRUE(window.last_upload().empty());
  EXPECT_EQ(window.present_stats().presents, first.presents);

  // One changed rectangle is all that travels; the marks are then spent.
  screen.back_buffer().MarkChanged(Rect::FromSize(10, 20, 4, 3));
  screen.NoteFrameChanged(true, 100);
  screen.Present();
  EXPECT_THAT(window.last_upload(), ::testing::ElementsAre(Rect::FromSize(10, 20, 4, 3)));
  EXPECT_EQ(window.present_stats().pixels_uploaded, first.pixels_uploaded + 12);
  EXPECT_TRUE(screen.back_buffer().changed().empty());

  // A scene that changed without saying where is shown whole.
  screen.NoteFrameChanged(true, 100);
  screen.Present();
  EXPECT_THAT(window.last_upload(), ::testing::ElementsAre(Rect::FromSize(0, 0, 64, 48)));
}

}  // namespace
}  // namespace vesk::app
