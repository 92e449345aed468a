// Text lists driven through the scene root: layout from the items and the
// cells, the scroll bar (arrows with repeat, paging, the thumb), keys, the
// wheel, choosing, check marks and disabled items, and the drawing of
// the hovered and checked items.
#include <gtest/gtest.h>

#include <set>

#include "components/list_box.h"
#include "components/menu.h"
#include "platform/vkeys.h"
#include "text_fixture.h"

namespace vesk::components::test {
namespace {

namespace vk = platform::vk;

// Seven 4 x 4 cells side by side, cell n of colour value n + 1.
FakeFrame ScrollCells() {
  FakeFrame f{28, 4, std::vector<int32_t>(28 * 4), {}, -1, 100};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 28; ++x) f.pixels[static_cast<size_t>(y * 28 + x)] = x / 4 + 1;
  return f;
}

constexpr int32_t kMarkColor = 0x0000AA;       // check cell 0 (red in native order)
constexpr int32_t kHoverMarkColor = 0xBB0000;  // check cell 1 (blue)

class ListBoxes : public TextScene {
 protected:
  ListBoxes() {
    root_.SetSceneSize(200, 200);
    screen_.SetSize(200, 200, 32);
    fake_.pictures["scroll.orl"] = {ScrollCells()};
    FakeFrame check{6, 3, std::vector<int32_t>(18), {}, -1, 100};
    for (int i = 0; i < 18; ++i)
      check.pixels[static_cast<size_t>(i)] = i % 6 < 3 ? kMarkColor : kHoverMarkColor;
    fake_.pictures["check.orl"] = {check};
  }

  // A list of `text` with rows of 10 pixels and no gaps.
  TVeskCustomListBox& List(const std::string& text, int32_t rows = 0) {
    auto& list = MakeByCode<TVeskCustomListBox>("list");
    list.SetInt(PR_FONTHEIGHT, 10);
    list.SetInt(PR_ROWCOUNT, rows);
    list.SetStr(PR_TEXT, text);
    return list;
  }
  static std::string Items(int n) {
    std::string text;
    for (int i = 0; i < n; ++i) text += "item" + std::to_string(i) + "\r\n";
    return text;
  }
  void Key(int vk) {
    root_.RecordKeyDown(vk);
    Frame();
    root_.RecordKeyUp(vk);
    Frame();
  }
  // The keyboard focus on `list`, the mouse away from it.
  void Focus(TVeskCustomListBox& list) {
    list.SetInt(PR_HANDLEKEY, 1);
    root_.SetFocus(&list);
    MoveMouse(190, 190);
    Frame();
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

TEST_F(ListBoxes, TextMakesTheItemsAndTheLayoutSizesTheList) {
  auto& list = List("\r\n\tone\r\ntwo\r\nthree\r\n\r\n");
  EXPECT_EQ(list.GetInt(PR_COUNT), 3);
  EXPECT_EQ(list.GetStr(PR_TEXT), "one\r\ntwo\r\nthree");
  EXPECT_EQ(list.GetInt(PR_INDEX), -1);
  const int32_t text_w = list.Normal.TextWidth();
  EXPECT_GT(text_w, 0);
  EXPECT_EQ(list.Width, text_w);
  EXPECT_EQ(list.Height, 30);

  list.SetInt(PR_LINESPACE, 2);
  list.SetInt(PR_MARGINX, 3);
  list.SetInt(PR_MARGINY, 4);
  list.SetInt(PR_BORDERWIDTH, 1);
  list.SetStr(PR_CHECKSOURCE, "check.orl");
  EXPECT_EQ(list.Width, text_w + 2 + 6 + 3);  // border, margins, check column
  EXPECT_EQ(list.Height, 3 * 10 + 2 * 2 + 2 + 8);
  list.SetInt(PR_ROWCOUNT, 2);
  list.SetStr(PR_SCROLLSOURCE, "scroll.orl");
  EXPECT_TRUE(list.ScrollShown());
  EXPECT_EQ(list.Width, text_w + 2 + 6 + 3 + 4);
  EXPECT_EQ(list.Height, 2 * 10 + 2 + 2 + 8);

  // Pictures that cannot be had take no room.
  list.SetStr(PR_CHECKSOURCE, "missing.orl");
  list.SetStr(PR_BORDERSOURCETL, "missing.orl");
  EXPECT_EQ(list.Width, text_w + 2 + 6 + 4);

  list.SetInt(PR_TOPINDEX, 1);
  EXPECT_EQ(list.TopIndex, 1);
  list.SetInt(PR_TOPINDEX, 5);  // clamped to count - rows
  EXPECT_EQ(list.TopIndex, 1);
  list.SetStr(PR_TEXT, "x\r\ny");
  EXPECT_EQ(list.TopIndex, 0);
  EXPECT_FALSE(list.ScrollShown());
  list.SetInt(PR_TOPINDEX, 1);  // everything fits
  EXPECT_EQ(list.TopIndex, 0);
}

TEST_F(ListBoxes, KeysMoveTheHoverAndScrollItIntoView) {
  auto& list = List(Items(10), 4);
  Focus(list);
  Key(vk::kDown);  // from none: the first item
  EXPECT_EQ(list.HoverIndex, 0);
  Key(vk::kNext);
  EXPECT_EQ(list.HoverIndex, 4);
  EXPECT_EQ(list.TopIndex, 1);
  Key(vk::kNext);
  Key(vk::kNext);  // clamped at the last item
  EXPECT_EQ(list.HoverIndex, 9);
  EXPECT_EQ(list.TopIndex, 6);
  Key(vk::kPrior);
  EXPECT_EQ(list.HoverIndex, 5);
  EXPECT_EQ(list.TopIndex, 5);
  Key(vk::kUp);
  EXPECT_EQ(list.HoverIndex, 4);
  EXPECT_EQ(list.TopIndex, 4);

  list.SetHoverIndex(-1);
  Key(vk::kUp);  // from none: the last item
  EXPECT_EQ(list.HoverIndex, 9);

  // A held key steps again at every repeat.
  list.SetHoverIndex(0);
  root_.RecordKeyDown(vk::kDown);
  for (int i = 0; i < 19; ++i) Frame();  // 304 ms: the first repeat is due
  EXPECT_EQ(list.HoverIndex, 1);
  Frame();
  EXPECT_EQ(list.HoverIndex, 2);
  root_.RecordKeyUp(vk::kDown);
  Frame();
}

TEST_F(ListBoxes, TheWheelScrollsOneRowPerNotchAndTheHoverFollowsTheMouse) {
  auto& list = List(Items(6), 3);
  MoveMouse(2, 15);  // row 1
  Frame();
  EXPECT_EQ(list.HoverIndex, 1);
  root_.RecordWheel(true);
  Frame();
  EXPECT_EQ(list.TopIndex, 1);
  EXPECT_EQ(list.HoverIndex, 2);
  for (int i = 0; i < 5; ++i) {
    root_.RecordWheel(true);
    Frame();
  }
  EXPECT_EQ(list.TopIndex, 3);  // clamped
  EXPECT_EQ(list.HoverIndex, 4);
  root_.RecordWheel(false);
  Frame();
  EXPECT_EQ(list.TopIndex, 2);
  EXPECT_EQ(list.HoverIndex, 3);
}

TEST_F(ListBoxes, ArrowsStepAndRepeatWhileHeldOnThem) {
  auto& list = List(Items(10), 4);
  list.SetStr(PR_SCROLLSOURCE, "scroll.orl");
  const int32_t bar = list.Width - 4;
  EXPECT_EQ(list.ScrollPartAt(bar, 1), TVeskCustomListBox::kArrowUp);
  EXPECT_EQ(list.ScrollPartAt(bar, 37), TVeskCustomListBox::kArrowDown);
  EXPECT_EQ(list.ScrollPartAt(bar, 5), TVeskCustomListBox::kThumbDrag);
  EXPECT_EQ(list.ScrollPartAt(bar, 20), TVeskCustomListBox::kPageDown);
  EXPECT_EQ(list.ScrollPartAt(bar - 1, 20), TVeskCustomListBox::kNoPress);

  Press(bar + 1, 37);
  EXPECT_EQ(list.TopIndex, 1);
  EXPECT_EQ(list.Mode, TVeskCustomListBox::kArrowDown);
  for (int i = 0; i < 17; ++i) Frame();  // 288 ms held
  EXPECT_EQ(list.TopIndex, 1);
  Frame();  // 304 ms
  EXPECT_EQ(list.TopIndex, 2);
  for (int i = 0; i < 3; ++i) Frame();  // the next one 50 ms later
  EXPECT_EQ(list.TopIndex, 3);
  MoveMouse(bar + 1, 20);  // off the arrow: no more steps
  for (int i = 0; i < 10; ++i) Frame();
  EXPECT_EQ(list.TopIndex, 3);
  Release();
  EXPECT_EQ(list.Mode, TVeskCustomListBox::kNoPress);

  Press(bar + 1, 1);
  EXPECT_EQ(list.TopIndex, 2);
  Release();
}

TEST_F(ListBoxes, TheTrackPagesAndTheThumbDrags) {
  auto& list = List(Items(10), 4);
  list.SetStr(PR_SCROLLSOURCE, "scroll.orl");
  const int32_t bar = list.Width - 4;
  Press(bar + 1, 20);  // below the thumb
  EXPECT_EQ(list.TopIndex, 4);
  Release();
  // The thumb is now at 4 + 28 * 4 / 6 = 22.
  EXPECT_EQ(list.ScrollPartAt(bar, 22), TVeskCustomListBox::kThumbDrag);
  Press(bar + 1, 10);  // above it
  EXPECT_EQ(list.TopIndex, 0);
  Release();

  Press(bar + 1, 5);
  EXPECT_EQ(list.Mode, TVeskCustomListBox::kThumbDrag);
  MoveMouse(bar + 1, 30);  // round(6 * (30 - 6) / 40) = 4
  Frame();
  EXPECT_EQ(list.TopIndex, 4);
  MoveMouse(bar + 1, 190);
  Frame();
  EXPECT_EQ(list.TopIndex, 6);
  Release();
  EXPECT_EQ(list.HoverIndex, -1);  // dragging hovers nothing
}

TEST_F(ListBoxes, ReleasingOnAnItemChoosesIt) {
  auto& list = List("a\r\nb\r\nc");
  list.SetStr(PR_ONSELECT, "p.lsb:sel");
  Click(2, 25);
  EXPECT_EQ(list.GetInt(PR_INDEX), 2);
  EXPECT_EQ(variables_.SelStr, "c");
  EXPECT_EQ(variables_.SelIndex, 2);
  EXPECT_EQ(Events(PR_ONSELECT), std::vector<std::string>{"p.lsb:sel(c,2)"});
  Click(2, 5);  // one select event while one waits
  EXPECT_EQ(variables_.SelIndex, 0);
  EXPECT_EQ(Events(PR_ONSELECT).size(), 1u);

  root_.Events.Clear();
  Press(2, 15);
  MoveMouse(150, 150);  // released outside the items
  Frame();
  Release();
  EXPECT_EQ(list.GetInt(PR_INDEX), 0);
  EXPECT_TRUE(Events(PR_ONSELECT).empty());
}

TEST_F(ListBoxes, ChecksAndDisabledItemsAreKeptPerItem) {
  auto& list = List("a\r\nb\r\nc");
  Focus(list);
  list.SetItemCheck(1, true);
  EXPECT_TRUE(list.GetItemCheck(1));
  EXPECT_FALSE(list.GetItemCheck(0));
  EXPECT_FALSE(list.GetItemCheck(-1));
  EXPECT_FALSE(list.GetItemCheck(3));
  list.SetItemCheck(7, true);  // outside: nothing
  EXPECT_FALSE(list.GetItemCheck(7));

  EXPECT_TRUE(list.GetItemEnabled("1"));
  list.SetItemEnabled("1", false);
  EXPECT_FALSE(list.GetItemEnabled("1"));
  EXPECT_TRUE(list.GetItemEnabled(" 2 "));
  EXPECT_FALSE(list.GetItemEnabled("x"));
  EXPECT_FALSE(list.GetItemEnabled("9"));
  list.SetItemEnabled("9", false);  // outside: nothing

  Key(vk::kDown);
  Key(vk::kDown);  // passes over the disabled item
  EXPECT_EQ(list.HoverIndex, 2);
  Key(vk::kUp);
  EXPECT_EQ(list.HoverIndex, 0);
  MoveMouse(2, 15);
  Frame();
  EXPECT_EQ(list.HoverIndex, -1);
  Click(2, 15);
  EXPECT_EQ(list.GetInt(PR_INDEX), -1);

  list.SetStr(PR_TEXT, "x\r\ny");  // new items: unchecked and enabled
  EXPECT_FALSE(list.GetItemCheck(1));
  EXPECT_TRUE(list.GetItemEnabled("1"));
}

TEST_F(ListBoxes, TheHoveredItemGetsItsHighlightAndCheckedItemsTheirMarks) {
  auto& list = List("a\r\nb\r\nc");
  list.SetInt(PR_FONTHEIGHT, 8);
  list.SetInt(PR_LINESPACE, 2);
  list.SetInt(PR_MARGINX, 2);
  list.SetInt(PR_MARGINY, 1);
  list.SetStr(PR_CHECKSOURCE, "check.orl");
  list.HoverColor = 0x00FF00;
  list.SetItemCheck(1, true);
  list.SetItemCheck(2, true);
  MoveMouse(6, 14);
  Frame();
  ASSERT_EQ(list.HoverIndex, 1);
  DrawAll();
  // Rows 10 apart from y 1; the highlight of row 1 spans y 10..19 from x 1.
  EXPECT_EQ(Pixel(1, 10), 0x00FF00u);
  EXPECT_EQ(Pixel(1, 19), 0x00FF00u);
  EXPECT_EQ(Pixel(0, 15), 0u);
  EXPECT_EQ(Pixel(1, 9), 0u);
  EXPECT_EQ(Pixel(1, 20), 0u);
  // The marks sit left of the text column (x 5), centred on the row.
  EXPECT_EQ(Pixel(2, 13), 0x0000BBu);  // hovered and checked: cell 1
  EXPECT_EQ(Pixel(4, 15), 0x0000BBu);
  EXPECT_EQ(Pixel(2, 23), 0xAA0000u);  // checked: cell 0
  EXPECT_EQ(Pixel(2, 3), 0u);          // unchecked: no mark

  list.SetInt(PR_ALPHA, 0);
  DrawAll();
  EXPECT_EQ(Pixel(1, 10), 0u);
  EXPECT_EQ(Pixel(2, 23), 0u);
}

TEST_F(ListBoxes, TheHoveredItemShowsTheHoverLookAndADisabledOneIsDimmed) {
  auto& menu = Make<TVeskMenu>(LT_MENU, "menu");
  menu.SetInt(PR_FONTHEIGHT, 10);
  menu.SetInt(PR_FONTCOLOR, 0xFFFFFF);
  menu.SetInt(PR_FONTHOVERCOLOR, 0x00FF00);
  menu.SetStr(PR_TEXT, "WW\r\nWW\r\nWW");
  menu.SetItemEnabled("2", false);
  menu.SetMenuState(TVeskMenu::kOpen);
  MoveMouse(1, 15);
  Frame();
  ASSERT_EQ(menu.HoverIndex, 1);
  DrawAll();
  // The colours drawn in each row of 10 pixels.
  const auto row = [&](int index) {
    std::set<uint32_t> seen;
    for (int y = index * 10; y < index * 10 + 10; ++y)
      for (int x = 0; x < menu.Width; ++x)
        if (Pixel(x, y) != 0) seen.insert(Pixel(x, y));
    return seen;
  };
  EXPECT_EQ(row(0), std::set<uint32_t>{0xFFFFFFu});
  EXPECT_EQ(row(1), std::set<uint32_t>{0x00FF00u});
  const std::set<uint32_t> dimmed = row(2);
  ASSERT_EQ(dimmed.size(), 1u);
  EXPECT_NEAR(static_cast<int>(*dimmed.begin() & 0xFF), 0x7F, 2);
}

TEST_F(ListBoxes, HostileSizesNeitherCrashNorAllocateWithoutBound) {
  auto& list = List(Items(5), -3);
  EXPECT_EQ(list.VisibleRows(), 5);  // no row count: every item
  EXPECT_FALSE(list.ScrollShown());
  list.SetStr(PR_SCROLLSOURCE, "scroll.orl");
  list.SetStr(PR_CHECKSOURCE, "check.orl");
  list.SetItemCheck(1, true);
  list.HoverColor = 0x00FF00;
  for (auto [id, value] : std::vector<std::pair<int, int32_t>>{{PR_FONTBORDER, 1000},
                                                               {PR_FONTBORDER, 0},
                                                               {PR_FONTHEIGHT, 100000},
                                                               {PR_LINESPACE, -50},
                                                               {PR_MARGINX, INT32_MAX},
                                                               {PR_MARGINY, INT32_MIN},
                                                               {PR_BORDERWIDTH, INT32_MAX},
                                                               {PR_ROWCOUNT, 2},
                                                               {PR_TOPINDEX, INT32_MAX},
                                                               {PR_ALPHA, 9999}}) {
    list.SetInt(id, value);
    Click(3, 3);
    root_.RecordWheel(true);
    Frame();
    DrawAll();
  }
  EXPECT_EQ(list.TopIndex, 3);
  EXPECT_EQ(list.Alpha, 511);
  EXPECT_EQ(list.GetInt(PR_MARGINX), TVeskCustomListBox::kMaxMetricPx);
}

TEST_F(ListBoxes, TheScrollBarShowsItsCells) {
  auto& list = List(Items(10), 4);
  list.SetStr(PR_SCROLLSOURCE, "scroll.orl");
  const int32_t bar = list.Width - 4;
  DrawAll();
  // Colour values 1..7 are native 0x010000 .. 0x070000.
  EXPECT_EQ(Pixel(bar, 0), 0x010000u);   // up arrow
  EXPECT_EQ(Pixel(bar, 36), 0x030000u);  // down arrow
  EXPECT_EQ(Pixel(bar, 4), 0x070000u);   // thumb
  EXPECT_EQ(Pixel(bar, 20), 0x050000u);  // track
  Press(bar + 1, 37);
  DrawAll();
  EXPECT_EQ(Pixel(bar, 36), 0x040000u);  // pressed down arrow
  Release();
}

}  // namespace
}  // namespace vesk::components::test
