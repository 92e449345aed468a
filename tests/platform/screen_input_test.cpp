// Pixels, scaling and keys: what the window turns into scene input and output.
#include <gtest/gtest.h>

#include "platform/back_buffer.h"
#include "platform/headless/headless_platform.h"
#include "platform/keymap.h"
#include "platform/view_mapping.h"
#include "platform/vkeys.h"

namespace vesk::platform {
namespace {

TEST(BackBuffer, EveryFormatStoresAndReturnsColours) {
  for (PixelFormat f : {PixelFormat::kRgb555, PixelFormat::kRgb565, PixelFormat::kXrgb8888}) {
    BackBuffer b(3, 2, f);
    EXPECT_EQ(b.pitch_bytes(), 3 * BytesPerPixel(f));
    b.SetRgb(2, 1, 0xFFFFFF);
    b.SetRgb(0, 0, 0xFF0000);
    EXPECT_EQ(b.GetRgb(2, 1), 0xFFFFFFu) << int(f);
    EXPECT_EQ(b.GetRgb(0, 0), 0xFF0000u) << int(f);
    EXPECT_EQ(b.GetRgb(1, 0), 0u);
  }
  BackBuffer b565(1, 1, PixelFormat::kRgb565);
  b565.SetRgb(0, 0, 0x00FF00);
  EXPECT_EQ(b565.Row(0)[0] | b565.Row(0)[1] << 8, 0x07E0);
  BackBuffer b555(1, 1, PixelFormat::kRgb555);
  b555.SetRgb(0, 0, 0x00FF00);
  EXPECT_EQ(b555.Row(0)[0] | b555.Row(0)[1] << 8, 0x03E0);
}

TEST(BackBuffer, FillRectClipsAtEveryEdge) {
  BackBuffer b(4, 4, PixelFormat::kXrgb8888);
  b.FillRect(-2, -2, 3, 3, 0x123456);
  b.FillRect(3, 3, 10, 10, 0x654321);
  EXPECT_EQ(b.GetRgb(0, 0), 0x123456u);
  EXPECT_EQ(b.GetRgb(1, 1), 0u);
  EXPECT_EQ(b.GetRgb(3, 3), 0x654321u);
  EXPECT_EQ(b.GetRgb(2, 3), 0u);
}

TEST(ViewMapping, WholeStepsWhenTheWindowAllowsAndLetterboxOtherwise) {
  ViewMapping m;
  m.Update(640, 480, 640, 480);
  EXPECT_EQ(m.dest(), Rect::FromSize(0, 0, 640, 480));
  m.Update(1400, 1000, 640, 480);  // room for 2x
  EXPECT_EQ(m.dest(), Rect::FromSize(60, 20, 1280, 960));
  m.Update(1000, 500, 640, 480);  // 1x fits, centred
  EXPECT_EQ(m.dest(), Rect::FromSize(180, 10, 640, 480));
  m.Update(320, 400, 640, 480);  // smaller: fit with the aspect kept
  EXPECT_EQ(m.dest(), Rect::FromSize(0, 80, 320, 240));
}

TEST(ViewMapping, HandheldScreenShowsAnOldGameAtOneToOneLetterboxed) {
  // 1280x800 has no room for 2x 800x600: the picture stays whole-pixel.
  ViewMapping m;
  m.Update(1280, 800, 800, 600);
  EXPECT_EQ(m.dest(), Rect::FromSize(240, 100, 800, 600));
}

TEST(ViewMapping, MouseMapsBackToSceneCoordinates) {
  ViewMapping m;
  m.Update(1400, 1000, 640, 480);
  int x, y;
  m.WindowToScene(60, 20, &x, &y);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 0);
  m.WindowToScene(60 + 1279, 20 + 959, &x, &y);
  EXPECT_EQ(x, 639);
  EXPECT_EQ(y, 479);
  m.WindowToScene(59, 19, &x, &y);  // the letterbox lies outside the scene
  EXPECT_EQ(x, -1);
  EXPECT_EQ(y, -1);
  for (int sx : {0, 17, 639}) {
    int wx, wy, bx, by;
    m.SceneToWindow(sx, 100, &wx, &wy);
    m.WindowToScene(wx, wy, &bx, &by);
    EXPECT_EQ(bx, sx);
    EXPECT_EQ(by, 100);
  }
}

TEST(KeyMap, JapaneseKeyboardLayout) {
  EXPECT_EQ(HidUsageToVirtualKey(4), 'A');
  EXPECT_EQ(HidUsageToVirtualKey(29), 'Z');
  EXPECT_EQ(HidUsageToVirtualKey(30), '1');
  EXPECT_EQ(HidUsageToVirtualKey(39), '0');
  EXPECT_EQ(HidUsageToVirtualKey(40), vk::kReturn);
  EXPECT_EQ(HidUsageToVirtualKey(88), vk::kReturn);  // keypad enter
  EXPECT_EQ(HidUsageToVirtualKey(58), vk::kF1);
  EXPECT_EQ(HidUsageToVirtualKey(69), vk::kF1 + 11);
  EXPECT_EQ(HidUsageToVirtualKey(47), vk::kOem3);     // '@'
  EXPECT_EQ(HidUsageToVirtualKey(46), vk::kOem7);     // '^'
  EXPECT_EQ(HidUsageToVirtualKey(137), vk::kOem5);    // yen
  EXPECT_EQ(HidUsageToVirtualKey(135), vk::kOem102);  // ro
  EXPECT_EQ(HidUsageToVirtualKey(138), vk::kConvert);
  EXPECT_EQ(HidUsageToVirtualKey(139), vk::kNonConvert);
  EXPECT_EQ(HidUsageToVirtualKey(53), vk::kOemAuto);  // hankaku/zenkaku
  EXPECT_EQ(HidUsageToVirtualKey(225), vk::kShift);
  EXPECT_EQ(HidUsageToVirtualKey(229), vk::kShift);
  EXPECT_EQ(HidUsageToVirtualKey(230), vk::kMenu);
  EXPECT_EQ(HidUsageToVirtualKey(0), 0);
  EXPECT_EQ(HidUsageToVirtualKey(1000), 0);
}

TEST(KeyMap, EveryScriptKeyHasAVirtualKeyAndAPhysicalKey) {
  // Each of the 68 keyboard keys scripts can test must be reachable.
  std::vector<bool> reachable(256, false);
  for (int usage = 0; usage < 256; ++usage) reachable[HidUsageToVirtualKey(usage)] = true;
  for (int id = 0; id < 68; ++id) {
    const int key = vk::VkmToVirtualKey(id);
    ASSERT_GT(key, 0) << id;
    ASSERT_LT(key, 256) << id;
    EXPECT_TRUE(reachable[key]) << "Vkm id " << id;
  }
  EXPECT_EQ(vk::VkmToVirtualKey(68), vk::kVkmWheelDownIndex);
  EXPECT_EQ(vk::VkmToVirtualKey(69), vk::kVkmWheelUpIndex);
  EXPECT_EQ(vk::VkmToVirtualKey(70), -1);
}

TEST(HeadlessPlatform, ClockMovesOnlyWhenToldAndDialogsAnswerTheDefault) {
  HeadlessPlatform p;
  const uint32_t t = p.clock().NowMs();
  p.clock().SleepMs(100);
  EXPECT_EQ(p.clock().NowMs(), t);
  p.manual_clock().Advance(16);
  EXPECT_EQ(p.clock().NowMs(), t + 16);
  EXPECT_EQ(
      p.dialogs().ShowMessage("text", "caption", MessageIcon::kWarning, MessageButtons::kOkCancel),
      MessageResult::kOk);
  EXPECT_EQ(p.headless_dialogs().shown().back(), "caption: text");
}

}  // namespace
}  // namespace vesk::platform
