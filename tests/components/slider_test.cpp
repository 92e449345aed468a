// Sliders and scroll bars driven through the scene's input step: dragging
// the thumb, the step buttons and the track with their repeat, the keys by
// orientation, the wheel, hover, the inert range, and the stored form.
#include <gtest/gtest.h>

#include "components/slider.h"
#include "image_fixture.h"

namespace vesk::components::test {
namespace {

constexpr int kUp = 0x26, kRight = 0x27, kDown = 0x28;

// A picture of `columns` x `rows` cells of w x h, cell (c, r) filled with
// colours[r * columns + c].
FakeFrame Cells(int w, int h, int columns, int rows, const std::vector<int32_t>& colours) {
  FakeFrame f{w * columns, h * rows, {}, {}, -1, 100};
  f.pixels.resize(static_cast<size_t>(f.w * f.h));
  for (int y = 0; y < f.h; ++y)
    for (int x = 0; x < f.w; ++x)
      f.pixels[static_cast<size_t>(y * f.w + x)] =
          colours[static_cast<size_t>((y / h) * columns + x / w)];
  return f;
}

class Sliders : public ImageScene {
 protected:
  Sliders() {
    fake_.pictures["track.orl"] = {Solid(20, 4, 0x000001)};
    fake_.pictures["thumb.orl"] = {Cells(2, 4, 3, 1, {0x000010, 0x000011, 0x000012})};
    fake_.pictures["buttons.orl"] = {
        Cells(2, 4, 3, 2, {0x000020, 0x000021, 0x000022, 0x000030, 0x000031, 0x000032})};
  }
  // 20 x 4 (horizontal) or 4 x 20 (vertical): buttons of 2 at both ends,
  // 16 pixels of axis between them.
  template <class T = TVeskSlider>
  T& Slider(int kind = LT_SLIDER, int orientation = 0, int32_t max = 16) {
    auto& s = Make<T>(kind, "s");
    s.SetInt(PR_ORIENTATION, orientation);
    if (orientation != 0) s.SetBounds(0, 0, 4, 20);
    s.SetStr(PR_SOURCE, "track.orl");
    s.SetStr(PR_THUMBSOURCE, "thumb.orl");
    s.SetStr(PR_BUTTONSOURCE, "buttons.orl");
    s.SetInt(PR_MAX, max);
    s.SetStr(PR_ONNOTIFY, "p:changed");
    s.SetStr(PR_ONHOLD, "p:hold");
    s.SetStr(PR_ONRELEASE, "p:release");
    return s;
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
  // Frames (counted from 1) in which `s` changed value while `run` holds.
  std::vector<int> ChangeFrames(const TVeskSlider& s, int frames, int32_t ms = 10) {
    std::vector<int> out;
    int32_t last = s.GetInt(PR_VALUE);
    for (int f = 1; f <= frames; ++f) {
      Frame(ms);
      if (s.GetInt(PR_VALUE) != last) out.push_back(f);
      last = s.GetInt(PR_VALUE);
    }
    return out;
  }
};

TEST_F(Sliders, DraggingPastTheEndStaysAtMaxAndPostsTheValues) {
  auto& s = Slider(LT_SLIDER, 0, 10);
  EXPECT_EQ(s.GetInt(PR_COMPOTYPE), LT_SLIDER);
  EXPECT_EQ(s.Width, 20);  // from the track picture
  Press(2, 1);             // the thumb's centre sits at the start of the axis
  EXPECT_EQ(Events(PR_ONHOLD), std::vector<std::string>{"p:hold()"});
  EXPECT_EQ(s.ThumbState, TVeskSlider::kPressed);
  MoveMouse(10, 1);  // half of the 16 pixels: 5 of 10
  Frame();
  EXPECT_EQ(s.GetInt(PR_VALUE), 5);
  MoveMouse(31, 20);  // far past the end, off the slider: the capture holds
  Frame();
  EXPECT_EQ(s.GetInt(PR_VALUE), 10);
  MoveMouse(30, 1);
  Frame();
  EXPECT_EQ(s.GetInt(PR_VALUE), 10);
  Release();
  EXPECT_EQ(Events(PR_ONNOTIFY), (std::vector<std::string>{"p:changed(5)", "p:changed(10)"}));
  EXPECT_EQ(Events(PR_ONRELEASE), std::vector<std::string>{"p:release()"});
  EXPECT_EQ(s.ThumbState, TVeskSlider::kNormal);

  // The track jumps the thumb under the mouse and drags from there.
  Press(6, 1);
  EXPECT_EQ(s.GetInt(PR_VALUE), 3);  // round(10 * 4 / 16)
  MoveMouse(-8, 1);
  Frame();
  EXPECT_EQ(s.GetInt(PR_VALUE), 0);
  Release();
  EXPECT_EQ(Events(PR_ONRELEASE).size(), 2u);
}

TEST_F(Sliders, AThumbPressKeepsTheGrabOffset) {
  auto& s = Slider();
  s.SetInt(PR_VALUE, 8);  // centre at 2 + 8 = 10, the thumb over 9..10
  Press(9, 1);
  EXPECT_EQ(s.PressedPart, TVeskSlider::kThumb);
  MoveMouse(12, 1);
  Frame();
  EXPECT_EQ(s.GetInt(PR_VALUE), 11);  // moved by the mouse's 3, not jumped to 10
}

TEST_F(Sliders, ScriptWritesAreClampedOnReadingAndPostNothing) {
  auto& s = Slider(LT_SLIDER, 0, 10);
  s.SetInt(PR_VALUE, 50);
  EXPECT_EQ(s.GetInt(PR_VALUE), 10);
  s.SetInt(PR_VALUE, -3);
  EXPECT_EQ(s.GetInt(PR_VALUE), 0);
  s.SetInt(PR_MIN, 2);
  EXPECT_EQ(s.GetInt(PR_VALUE), 2);
  EXPECT_TRUE(Events(PR_ONNOTIFY).empty());
}

TEST_F(Sliders, AnEmptyRangeIsInert) {
  auto& s = Slider(LT_SLIDER, 0, 5);
  s.SetInt(PR_MIN, 5);
  s.SetInt(PR_VALUE, 5);
  s.HandleKey = 1;
  root_.SetFocus(&s);
  Press(19, 1);  // the increase button
  Release();
  Press(10, 1);  // the track
  MoveMouse(0, 1);
  Frame();
  Release();
  root_.RecordKeyDown(kRight);
  Frame();
  root_.RecordWheel(true);
  Frame();
  EXPECT_EQ(s.GetInt(PR_VALUE), 5);
  EXPECT_TRUE(Events(PR_ONNOTIFY).empty());
  EXPECT_TRUE(Events(PR_ONHOLD).empty());
  EXPECT_EQ(s.ButtonStates[1], TVeskSlider::kNormal);  // no hover either
}

TEST_F(Sliders, ButtonsStepAndRepeatAfter300EveryFiftyWhileTheMouseStays) {
  auto& s = Slider();
  s.SetInt(PR_SMALLCHANGE, 2);
  MoveMouse(19, 1);
  root_.RecordMouseDown(true, false);
  EXPECT_EQ(ChangeFrames(s, 40), (std::vector<int>{1, 30, 35, 40}));
  EXPECT_EQ(s.GetInt(PR_VALUE), 8);
  EXPECT_EQ(s.ButtonStates[1], TVeskSlider::kPressed);
  MoveMouse(10, 1);  // off the button: the repeat stops, the button lets go
  EXPECT_TRUE(ChangeFrames(s, 20).empty());
  EXPECT_EQ(s.ButtonStates[1], TVeskSlider::kNormal);
  Release();
  EXPECT_TRUE(Events(PR_ONRELEASE).empty());  // no thumb was dragged
  Press(0, 1);                                // the decrease button
  EXPECT_EQ(s.GetInt(PR_VALUE), 6);
  Release();
  EXPECT_EQ(Events(PR_ONNOTIFY).back(), "p:changed(6)");
}

TEST_F(Sliders, KeysFollowTheOrientationAndRepeatWithTheScene) {
  auto& s = Slider(LT_SLIDER, 1);
  s.HandleKey = 1;
  root_.SetFocus(&s);
  root_.RecordKeyDown(kUp);  // a vertical slider rises with Up
  EXPECT_EQ(ChangeFrames(s, 41), (std::vector<int>{1, 31, 36, 41}));
  root_.RecordKeyUp(kUp);
  Frame();
  root_.RecordKeyDown(kDown);
  Frame();
  EXPECT_EQ(s.GetInt(PR_VALUE), 3);
  EXPECT_EQ(Events(PR_ONNOTIFY).back(), "p:changed(3)");
  root_.RecordKeyUp(kDown);
  root_.RecordKeyDown(kRight);  // not this orientation's keys
  Frame();
  EXPECT_EQ(s.GetInt(PR_VALUE), 3);
}

TEST_F(Sliders, AVerticalScrollBarRisesWithDown) {
  auto& v = Slider<TVeskScrollbar>(LT_SCROLLBAR, 1);
  v.HandleKey = 1;
  root_.SetFocus(&v);
  root_.RecordKeyDown(kDown);
  Frame();
  EXPECT_EQ(v.GetInt(PR_VALUE), 1);
  root_.RecordKeyUp(kDown);
  root_.RecordKeyDown(kUp);
  Frame();
  EXPECT_EQ(v.GetInt(PR_VALUE), 0);
}

TEST_F(Sliders, AWheelNotchUpMovesTheThumbTowardsTheTopOrLeftEnd) {
  struct Case {
    int kind, orientation, after_up;
  };
  for (const Case c : {Case{LT_SLIDER, 0, 4}, Case{LT_SLIDER, 1, 6}, Case{LT_SCROLLBAR, 1, 4},
                       Case{LT_SCROLLBAR, 0, 4}}) {
    SCOPED_TRACE(c.kind * 10 + c.orientation);
    auto& s = Slider(c.kind, c.orientation);
    s.SetInt(PR_VALUE, 5);
    MoveMouse(1, 1);
    Frame();
    root_.RecordWheel(false);
    Frame();
    EXPECT_EQ(s.GetInt(PR_VALUE), c.after_up);
    root_.RecordWheel(true);
    Frame();
    EXPECT_EQ(s.GetInt(PR_VALUE), 5);
    root_.DeleteObject(&s);
  }
}

TEST_F(Sliders, AScrollBarPagesTowardsTheMouseUntilTheThumbIsThere) {
  auto& s = Slider<TVeskScrollbar>(LT_SCROLLBAR, 0, 100);
  s.SetInt(PR_LARGECHANGE, 10);
  // The page is 10 of 110: 16 * 10 / 110 = 1 pixel, less than the thumb's 2.
  EXPECT_EQ(s.ComputeLayout().thumb_length, 2);
  EXPECT_EQ(s.ComputeLayout().track_length, 14);
  MoveMouse(12, 1);
  root_.RecordMouseDown(true, false);
  ChangeFrames(s, 200);
  // The thumb starts at 2 + 14 * v / 100 and stops once it covers x = 12.
  EXPECT_EQ(s.GetInt(PR_VALUE), 70);
  EXPECT_EQ(s.ComputeLayout().anchor, 12);
  Release();
  EXPECT_EQ(Events(PR_ONNOTIFY).size(), 7u);
  s.SetInt(PR_BARSIZE, 6);
  EXPECT_EQ(s.ComputeLayout().thumb_length, 6);
}

TEST_F(Sliders, HoverLightsThePartUnderTheMouseAndCaptureMaskLooksAtTheMask) {
  auto& s = Slider();
  s.SetInt(PR_VALUE, 8);
  MoveMouse(10, 1);
  Frame();
  EXPECT_EQ(s.ThumbState, TVeskSlider::kHover);
  DrawAll();
  EXPECT_EQ(Pixel(9, 0), 0x110000u);   // the thumb's hover cell
  EXPECT_EQ(Pixel(5, 0), 0x010000u);   // the track
  EXPECT_EQ(Pixel(19, 3), 0x300000u);  // the increase button, normal
  MoveMouse(1, 1);
  Frame();
  EXPECT_EQ(s.ThumbState, TVeskSlider::kNormal);
  EXPECT_EQ(s.ButtonStates[0], TVeskSlider::kHover);
  MoveMouse(25, 20);
  Frame();
  EXPECT_EQ(s.ButtonStates[0], TVeskSlider::kNormal);

  FakeFrame holed = Cells(2, 4, 3, 1, {0x10, 0x11, 0x12});
  holed.mask.assign(static_cast<size_t>(holed.w * holed.h), 0);
  fake_.pictures["holed.orl"] = {holed};
  s.SetStr(PR_THUMBSOURCE, "holed.orl");
  s.SetFlag(PR_CAPTUREMASK, true);
  MoveMouse(10, 1);
  Frame();
  EXPECT_EQ(s.ThumbState, TVeskSlider::kNormal);  // transparent there: the track
}

TEST_F(Sliders, AVerticalSliderHasItsMinimumAtTheBottom) {
  auto& s = Slider(LT_SLIDER, 1);
  Press(1, 19);  // the decrease button sits at the bottom
  EXPECT_EQ(s.GetInt(PR_VALUE), 0);
  Release();
  Press(1, 0);  // the increase button at the top
  EXPECT_EQ(s.GetInt(PR_VALUE), 1);
  Release();
  // The track: 20 - 6 = 14 from the bottom; the button cells stand 4 high,
  // so the axis runs 12 pixels from 4: round(16 * (14 - 4) / 12).
  Press(1, 6);
  EXPECT_EQ(s.GetInt(PR_VALUE), 13);
  Release();
}

TEST_F(Sliders, ExtremeGeometryAndRangesStayWithinBounds) {
  // What a hostile saved game could hold: all arithmetic must stay defined.
  for (int orientation : {0, 1}) {
    auto& s = Slider<TVeskScrollbar>(LT_SCROLLBAR, orientation);
    s.SetBounds(INT32_MAX - 5, INT32_MIN + 3, INT32_MAX, INT32_MAX);
    s.SetInt(PR_MIN, INT32_MIN);
    s.SetInt(PR_MAX, INT32_MAX);
    s.SetInt(PR_VALUE, 7);
    s.SetInt(PR_BARSIZE, INT32_MAX);
    s.SetInt(PR_LARGECHANGE, INT32_MAX);
    s.SetInt(PR_SMALLCHANGE, INT32_MIN);
    (void)s.ComputeLayout();
    (void)s.PartAt(3, 3);
    Press(1, 1);
    MoveMouse(-30000, 30000);
    Frame();
    Release();
    root_.RecordWheel(true);
    Frame();
    DrawAll();
    EXPECT_GE(s.GetInt(PR_VALUE), INT32_MIN);
    root_.DeleteObject(&s);
  }
}

TEST_F(Sliders, TheStoredFormComesBackByteForByte) {
  auto& s = Slider<TVeskScrollbar>(LT_SCROLLBAR, 1, 40);
  s.SetInt(PR_MIN, -4);
  s.SetInt(PR_VALUE, 17);
  s.SetInt(PR_LARGECHANGE, 9);
  s.SetInt(PR_SMALLCHANGE, 3);
  s.SetInt(PR_BARSIZE, 5);
  s.SetInt(PR_ALPHA, 300);
  s.SetFlag(PR_CAPTUREMASK, true);
  s.SetFlag(PR_PAUSED, true);
  ByteWriter first;
  root_.SaveToStream(first);
  scene::TVeskBaseList copy(Env());
  ByteReader in(first.bytes().data(), first.bytes().size());
  copy.LoadFromStream(in, kSaveVersion);
  EXPECT_EQ(in.remaining(), 0u);
  auto* loaded = dynamic_cast<TVeskScrollbar*>(copy.FindComponent("s"));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->GetInt(PR_VALUE), 17);
  EXPECT_EQ(loaded->GetInt(PR_LARGECHANGE), 9);
  EXPECT_EQ(loaded->GetStr(PR_THUMBSOURCE), "thumb.orl");
  EXPECT_EQ(loaded->ComputeLayout().thumb_length, 5);
  ByteWriter second;
  copy.SaveToStream(second);
  EXPECT_EQ(first.bytes(), second.bytes());
}

}  // namespace
}  // namespace vesk::components::test
