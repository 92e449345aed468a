// What reaches the screen and when: the back buffer's change marks, the
// real window's uploads and redraws (under SDL's dummy video driver, so no
// display is needed), and the choices the window makes from what the
// display reports; the cursor the window keeps.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <SDL2/SDL.h>

#include <cstdint>
#include <cstdlib>

#include "platform/back_buffer.h"
#include "platform/headless/headless_platform.h"
#include "platform/platform.h"
#include "platform/sdl/sdl_choices.h"

namespace vesk::platform {
namespace {

using ::testing::ElementsAre;

TEST(BackBufferMarks, ClippedMergedWhenNestedAndCollapsedWhenMany) {
  BackBuffer b(100, 50, PixelFormat::kXrgb8888);
  EXPECT_THAT(b.changed(), ElementsAre(Rect::FromSize(0, 0, 100, 50)));  // new pixels are all news
  b.ClearChanged();
  b.MarkChanged(Rect::FromSize(-5, -5, 10, 10));
  b.MarkChanged(Rect{95, 45, INT32_MAX, INT32_MAX});  // to the integer limit: clipped
  b.MarkChanged(Rect::FromSize(200, 0, 10, 10));      // outside: nothing
  b.MarkChanged(Rect::FromSize(10, 10, 0, 5));        // empty: nothing
  EXPECT_THAT(b.changed(), ElementsAre(Rect::FromSize(0, 0, 5, 5), Rect::FromSize(95, 45, 5, 5)));
  b.MarkChanged(Rect::FromSize(1, 1, 2, 2));      // inside one already marked
  b.MarkChanged(Rect::FromSize(90, 40, 10, 10));  // holds one already marked
  EXPECT_THAT(b.changed(), ElementsAre(Rect::FromSize(0, 0, 5, 5), Rect::FromSize(90, 40, 10, 10)));

  b.ClearChanged();
  for (int i = 0; i < 33; ++i) b.MarkChanged(Rect::FromSize(i * 2, i, 1, 1));
  EXPECT_THAT(b.changed(), ElementsAre(Rect::FromSize(0, 0, 65, 33)));  // one box around them all
}

TEST(HeadlessWindowPresent, CopiesOnlyTheMarkedChanges) {
  HeadlessWindow w({"t", 8, 8, true});
  BackBuffer frame(8, 8, PixelFormat::kXrgb8888);
  frame.FillRect(0, 0, 8, 8, 0x112233);
  w.Present(frame);
  EXPECT_EQ(w.present_stats().pixels_uploaded, 64);
  frame.ClearChanged();
  frame.FillRect(0, 0, 8, 8, 0x445566);  // drawn but not marked: not shown
  frame.MarkChanged(Rect::FromSize(2, 3, 2, 1));
  w.Present(frame);
  EXPECT_THAT(w.last_upload(), ElementsAre(Rect::FromSize(2, 3, 2, 1)));
  EXPECT_EQ(w.last_frame().GetRgb(2, 3), 0x445566u);
  EXPECT_EQ(w.last_frame().GetRgb(1, 3), 0x112233u);
  frame.ClearChanged();
  w.Present(frame);
  EXPECT_TRUE(w.last_upload().empty());
  EXPECT_EQ(w.present_stats().presents, 2);
}

// The real window on SDL's dummy video driver, drawn by the software renderer.
class SdlWindowPresent : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    std::string error;
    platform_ = CreateSdlPlatform(&error);
    ASSERT_NE(platform_, nullptr) << error;
    window_ = platform_->CreateMainWindow({"t", 64, 48, true}, &error);
    ASSERT_NE(window_, nullptr) << error;
  }
  void TearDown() override {
    window_.reset();
    platform_.reset();
    unsetenv("SDL_VIDEODRIVER");
  }
  void PushWindowEvent(Uint8 what) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = what;
    SDL_PushEvent(&e);
  }

  std::unique_ptr<Platform> platform_;
  std::unique_ptr<Window> window_;
};

TEST_F(SdlWindowPresent, UploadsWhatChangedAndDrawsOnlyForChangesOrTheWindowSystem) {
  BackBuffer frame(64, 48, PixelFormat::kXrgb8888);
  window_->Present(frame);  // the first frame fills the new texture
  EXPECT_EQ(window_->present_stats().presents, 1);
  EXPECT_EQ(window_->present_stats().pixels_uploaded, 64 * 48);

  frame.ClearChanged();
  for (int i = 0; i < 3; ++i) window_->Present(frame);  // idle frames
  EXPECT_EQ(window_->present_stats().presents, 1);
  EXPECT_EQ(window_->present_stats().pixels_uploaded, 64 * 48);

  frame.FillRect(5, 6, 10, 4, 0xFF0000);
  frame.MarkChanged(Rect::FromSize(5, 6, 10, 4));
  window_->Present(frame);
  EXPECT_EQ(window_->present_stats().presents, 2);
  EXPECT_EQ(window_->present_stats().pixels_uploaded, 64 * 48 + 40);

  // The window system asks: the window is drawn again from what it holds.
  PushWindowEvent(SDL_WINDOWEVENT_EXPOSED);
  Event e;
  ASSERT_TRUE(window_->PollEvent(&e));
  EXPECT_EQ(e.type, EventType::kExposed);
  EXPECT_EQ(window_->present_stats().presents, 3);
  EXPECT_EQ(window_->present_stats().pixels_uploaded, 64 * 48 + 40);

  // A lost device takes the texture with it: the next frame goes up whole.
  SDL_Event reset{};
  reset.type = SDL_RENDER_DEVICE_RESET;
  SDL_PushEvent(&reset);
  // SDL ends a round of polling at the events it had when the round began;
  // the reset comes in the next one.
  for (int round = 0; round < 2; ++round)
    while (window_->PollEvent(&e)) {
    }
  frame.ClearChanged();
  window_->Present(frame);
  EXPECT_EQ(window_->present_stats().presents, 4);
  EXPECT_EQ(window_->present_stats().pixels_uploaded, 2 * 64 * 48 + 40);
}

TEST(SdlChoices, A555DesktopIsSixteenBitsWith555MasksInEveryLayout) {
  for (uint32_t f : {uint32_t{SDL_PIXELFORMAT_RGB555}, uint32_t{SDL_PIXELFORMAT_XRGB1555},
                     uint32_t{SDL_PIXELFORMAT_BGR555}, uint32_t{SDL_PIXELFORMAT_ARGB1555}}) {
    const DesktopDepth d = DescribeDesktop(f);
    EXPECT_EQ(d.bits_per_pixel, 16) << SDL_GetPixelFormatName(f);
    EXPECT_TRUE(d.rgb555) << SDL_GetPixelFormatName(f);
  }
  EXPECT_EQ(DescribeDesktop(SDL_PIXELFORMAT_RGB565).bits_per_pixel, 16);
  EXPECT_FALSE(DescribeDesktop(SDL_PIXELFORMAT_RGB565).rgb555);
  EXPECT_EQ(DescribeDesktop(SDL_PIXELFORMAT_RGB888).bits_per_pixel, 24);
  EXPECT_EQ(DescribeDesktop(SDL_PIXELFORMAT_ARGB8888).bits_per_pixel, 32);
  EXPECT_FALSE(DescribeDesktop(SDL_PIXELFORMAT_ARGB8888).rgb555);
  EXPECT_EQ(DescribeDesktop(SDL_PIXELFORMAT_UNKNOWN).bits_per_pixel, 24);
}

TEST(SdlChoices, GlThatRasterisesOnTheProcessorIsPassedOver) {
  EXPECT_TRUE(IsSoftwareRasterizer("llvmpipe (LLVM 15.0.6, 256 bits)"));
  EXPECT_TRUE(IsSoftwareRasterizer("softpipe"));
  EXPECT_TRUE(IsSoftwareRasterizer("Mesa DRI swrast"));
  EXPECT_TRUE(IsSoftwareRasterizer("Software Rasterizer"));
  EXPECT_FALSE(IsSoftwareRasterizer("Mesa Intel(R) UHD Graphics 620 (KBL GT2)"));
  EXPECT_FALSE(IsSoftwareRasterizer("NVIDIA GeForce GTX 1060/PCIe/SSE2"));
  EXPECT_FALSE(IsSoftwareRasterizer("AMD Radeon RX 580 (polaris10, LLVM 15.0.6, DRM 3.49)"));
}

TEST(SdlChoices, VsyncOnlyWhereItNeverHoldsA16MsFrameBack) {
  EXPECT_FALSE(VsyncKeepsPace(0, 16));  // rate unknown
  EXPECT_FALSE(VsyncKeepsPace(50, 16));
  EXPECT_FALSE(VsyncKeepsPace(60, 16));
  EXPECT_FALSE(VsyncKeepsPace(75, 16));
  EXPECT_TRUE(VsyncKeepsPace(100, 16));
  EXPECT_TRUE(VsyncKeepsPace(144, 16));
  EXPECT_TRUE(VsyncKeepsPace(240, 16));
  EXPECT_FALSE(VsyncKeepsPace(1000, 5));  // no room at all
}

TEST(CursorWindow, HeadlessWindowKeepsItsOwnCopy) {
  HeadlessWindow window(WindowSpec{});
  EXPECT_EQ(window.cursor(), nullptr);
  {
    const CursorImage c{4, 2, 2, 1, std::vector<uint32_t>(8, 0xFFFF0000), {}, {}};
    window.SetCursorImage(&c);
  }
  ASSERT_NE(window.cursor(), nullptr);
  EXPECT_EQ(window.cursor()->hot_x, 2);
  EXPECT_EQ(window.cursor()->argb[0], 0xFFFF0000u);
  window.SetCursorImage(nullptr);
  EXPECT_EQ(window.cursor(), nullptr);
  EXPECT_EQ(window.cursor_changes(), 2);
}

}  // namespace
}  // namespace vesk::platform
