// Preview menus: the file reader and writer (round trips, cut and hostile
// files, other magics), and the menu driven through the scene: its item
// children, hover and leave pictures, sounds and events, the choice into
// @SelStr/@SelIndex with the clicked animation and AutoScrap, check and
// enabled flags, the right-click cancel and the stored form; items whose
// pictures are motions (preloaded picture by picture, played on the item).
#include <gtest/gtest.h>

#include <algorithm>

#include "components/images.h"
#include "components/prev_menu.h"
#include "film_fixture.h"

namespace vesk::components::test {
namespace {

PrevMenuFile TwoItems(int32_t version = kPrevMenuVersion) {
  PrevMenuFile menu;
  menu.Version = version;
  menu.Width = 16;
  menu.Height = 8;
  PrevMenuItem first;
  first.Source = "a.orl";
  first.Caption = "はい";
  first.HoverSource = "ah.orl";
  first.LeaveSource = "al.orl";
  first.PressedSource = "ap.orl";
  first.HoverSound = "in.wav";
  first.LeaveSound = "out.wav";
  first.ClickedSource = "click.orl";
  first.ClickedX = 2;
  first.ClickedY = 3;
  first.Cursor = "hand.cur";
  PrevMenuItem second;
  second.X = 8;
  second.Source = "b.orl";
  second.UncheckedSource = version > 100 ? "bu.orl" : "";
  menu.Items = {first, second};
  return menu;
}

TEST(PrevMenuFileTest, WhatTheWriterWritesTheReaderReadsBack) {
  for (int32_t version : {100, 101}) {
    SCOPED_TRACE(version);
    const PrevMenuFile menu = TwoItems(version);
    const std::vector<uint8_t> bytes = WritePrevMenuFile(menu);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 15),
              "VeskPrevMenu" + std::to_string(version));
    const PrevMenuFile back = ReadPrevMenuFile(bytes);
    EXPECT_TRUE(back.Recognised);
    EXPECT_EQ(back.Version, version);
    EXPECT_EQ(back.Width, 16);
    EXPECT_EQ(back.Height, 8);
    EXPECT_EQ(back.Items, menu.Items);
    EXPECT_EQ(WritePrevMenuFile(back), bytes);
  }
  // Version 100 has no unchecked pictures: a length less an item (and the
  // second item's name, which only 101 can hold).
  EXPECT_EQ(WritePrevMenuFile(TwoItems(101)).size() - WritePrevMenuFile(TwoItems(100)).size(),
            2 * 4 + std::string("bu.orl").size());
}

TEST(PrevMenuFileTest, ACutFileIsAnErrorAtEveryLength) {
  const std::vector<uint8_t> bytes = WritePrevMenuFile(TwoItems());
  for (size_t n = 12; n < bytes.size(); ++n) {
    SCOPED_TRACE(n);
    EXPECT_THROW(ReadPrevMenuFile(std::span(bytes.data(), n)), EPrevMenuFile);
  }
}

TEST(PrevMenuFileTest, AbsurdCountsAndBadVersionsAreRefusedOtherMagicsGiveNothing) {
  std::vector<uint8_t> bytes = WritePrevMenuFile(TwoItems());
  for (int32_t count : {0x7FFFFFFF, -1, 3}) {
    std::vector<uint8_t> hostile = bytes;
    std::memcpy(hostile.data() + 15 + 8, &count, 4);
    try {
      ReadPrevMenuFile(hostile);
      ADD_FAILURE() << count;
    } catch (const EPrevMenuFile& e) {
      EXPECT_NE(std::string(e.what()).find("preview-menu"), std::string::npos) << e.what();
    }
  }
  std::vector<uint8_t> lettered = bytes;
  lettered[13] = 'x';
  EXPECT_THROW(ReadPrevMenuFile(lettered), EPrevMenuFile);

  std::vector<uint8_t> other = bytes;
  other[0] = 'W';
  EXPECT_FALSE(ReadPrevMenuFile(other).Recognised);
  EXPECT_FALSE(ReadPrevMenuFile({}).Recognised);
  const std::string old = "VeskPrevMenu099 anything";
  const PrevMenuFile early =
      ReadPrevMenuFile(std::span(reinterpret_cast<const uint8_t*>(old.data()), old.size()));
  EXPECT_TRUE(early.Recognised);
  EXPECT_TRUE(early.Items.empty());
}

class PrevMenus : public ImageScene {
 protected:
  PrevMenus() {
    const std::pair<const char*, int32_t> pictures[] = {
        {"menu\\a.orl", 0x10},  {"menu\\ah.orl", 0x11}, {"menu\\al.orl", 0x12},
        {"menu\\ap.orl", 0x13}, {"menu\\b.orl", 0x20},  {"menu\\bu.orl", 0x21}};
    for (const auto& [name, colour] : pictures) fake_.pictures[name] = {Solid(4, 4, colour)};
    fake_.pictures["menu\\click.orl"] = {Solid(2, 2, 0x30, 30), Solid(2, 2, 0x31, 30)};
    fake_.files["menu\\top.pmn"] = WritePrevMenuFile(TwoItems());
    services_.play_sound = [this](const std::string& file) { sounds_.push_back(file); };
  }
  TVeskPrevMenu& Menu() {
    auto& m = Make<TVeskPrevMenu>(LT_PREVMENU, "pm");
    m.SetStr(PR_ONMAPIN, "p:in");
    m.SetStr(PR_ONMAPOUT, "p:out");
    m.SetStr(PR_ONSELECT, "p:select");
    m.SetStr(PR_ONPLAYEND, "p:end");
    m.SetStr(PR_SOURCE, "menu\\top.pmn");
    return m;
  }
  static std::string Shows(const TVeskPrevMenu& m, int i) {
    return m.ItemImage(i) ? m.ItemImage(i)->GetStr(PR_SOURCE) : "(none)";
  }
  std::vector<std::string> sounds_;
};

TEST_F(PrevMenus, TheFileMakesOneNamedChildPerItem) {
  auto& m = Menu();
  EXPECT_EQ(m.GetInt(PR_COMPOTYPE), LT_PREVMENU);
  EXPECT_EQ(m.GetInt(PR_COUNT), 2);
  EXPECT_EQ(m.Width, 16);
  EXPECT_EQ(m.Height, 8);
  ASSERT_NE(m.ItemImage(1), nullptr);
  EXPECT_EQ(m.ItemImage(0)->Name, std::string("\x01pm\x01") + "0000");
  EXPECT_EQ(m.ItemImage(1)->Parent, &m);
  EXPECT_EQ(m.ItemImage(1)->Left, 8);
  EXPECT_EQ(Shows(m, 0), "menu\\a.orl");   // names are relative to the menu file
  EXPECT_EQ(Shows(m, 1), "menu\\bu.orl");  // unchecked until checked
  EXPECT_EQ(m.GetStr(PR_TEXT), "はい\r\nButton02");
  // Every picture is kept in the cache while the menu lives.
  const TOrloItem* pressed = pictures_.Find("menu\\ap.orl");
  ASSERT_NE(pressed, nullptr);
  EXPECT_FALSE(pressed->Users().empty());
  m.SetName("renamed");
  EXPECT_EQ(m.ItemImage(1)->Name, std::string("\x01renamed\x01") + "0001");
  DrawAll();
  EXPECT_EQ(Pixel(1, 1), 0x100000u);
  EXPECT_EQ(Pixel(9, 1), 0x210000u);
}

TEST_F(PrevMenus, HoverAndLeaveShowTheirPicturesPlayTheirSoundsAndPost) {
  auto& m = Menu();
  MoveMouse(1, 1);
  Frame();
  EXPECT_EQ(m.Hovered, 0);
  EXPECT_EQ(Shows(m, 0), "menu\\ah.orl");
  EXPECT_EQ(m.GetCursorFile(), "menu\\hand.cur");
  MoveMouse(9, 1);
  Frame();
  EXPECT_EQ(Shows(m, 0), "menu\\al.orl");
  EXPECT_EQ(Shows(m, 1), "menu\\bu.orl");  // no hover picture: the resting one
  MoveMouse(30, 20);
  Frame();
  EXPECT_EQ(m.Hovered, -1);
  EXPECT_EQ(sounds_, (std::vector<std::string>{"menu\\in.wav", "menu\\out.wav"}));
  EXPECT_EQ(Events(PR_ONMAPIN), (std::vector<std::string>{"p:in(はい,0)", "p:in(Button02,1)"}));
  EXPECT_EQ(Events(PR_ONMAPOUT), (std::vector<std::string>{"p:out(はい,0)", "p:out(Button02,1)"}));
}

TEST_F(PrevMenus, AClickChoosesPlaysTheClickedAnimationAndThenPostsPlayEnd) {
  auto& m = Menu();
  Click(1, 1);
  EXPECT_EQ(variables_.SelStr, "はい");
  EXPECT_EQ(variables_.SelIndex, 0);
  EXPECT_EQ(Events(PR_ONSELECT), std::vector<std::string>{"p:select(はい,0)"});
  EXPECT_EQ(Shows(m, 0), "menu\\ap.orl");
  auto* clicked =
      dynamic_cast<TVeskPrevImages*>(root_.FindComponent(std::string("\x01pm\x01") + "c"));
  ASSERT_NE(clicked, nullptr);
  EXPECT_EQ(clicked->Left, 2);
  EXPECT_EQ(clicked->Top, 3);
  Click(9, 1);  // locked while the click plays out
  EXPECT_EQ(variables_.SelIndex, 0);
  for (int i = 0; i < 6; ++i) Frame();
  EXPECT_EQ(Events(PR_ONPLAYEND), std::vector<std::string>{"p:end(はい,0)"});
  Click(9, 1);
  EXPECT_EQ(variables_.SelIndex, 1);
  EXPECT_EQ(Events(PR_ONSELECT).size(), 2u);
}

TEST_F(PrevMenus, WithAutoScrapTheMenuGoesOnceTheAnimationHasRunOut) {
  auto& m = Menu();
  m.SetFlag(PR_AUTOSCRAP, true);
  Click(9, 1);  // no clicked animation: the pressed look, its own single frame
  EXPECT_NE(root_.FindComponent("pm"), nullptr);
  for (int i = 0; i < 10; ++i) Frame();
  EXPECT_EQ(root_.FindComponent("pm"), nullptr);
  EXPECT_EQ(root_.FindComponent(std::string("\x01pm\x01") + "0001"), nullptr);
  EXPECT_TRUE(Events(PR_ONPLAYEND).empty());
}

TEST_F(PrevMenus, CheckAndEnabledFlagsByNumberOrCaption) {
  auto& m = Menu();
  EXPECT_FALSE(m.GetItemCheck(1));
  m.SetItemCheck(1, true);
  EXPECT_TRUE(m.GetItemCheck(1));
  EXPECT_EQ(Shows(m, 1), "menu\\b.orl");
  EXPECT_FALSE(m.GetItemCheck(2));
  m.SetItemCheck(-1, true);  // outside the items: nothing

  EXPECT_TRUE(m.GetItemEnabled("1"));
  EXPECT_TRUE(m.GetItemEnabled("button02"));
  EXPECT_FALSE(m.GetItemEnabled("7"));
  EXPECT_FALSE(m.GetItemEnabled("nothing"));
  m.SetItemEnabled("BUTTON02", false);
  EXPECT_FALSE(m.GetItemEnabled("1"));
  Click(9, 1);
  EXPECT_EQ(m.Hovered, -1);
  EXPECT_TRUE(Events(PR_ONSELECT).empty());
  m.SetItemEnabled("1", true);
  Click(9, 1);
  EXPECT_EQ(Events(PR_ONSELECT), std::vector<std::string>{"p:select(Button02,1)"});
}

TEST_F(PrevMenus, AnItemWithItsCaptureMaskIsHitOnlyWhereTheMaskShows) {
  PrevMenuFile file = TwoItems();
  file.Items[0].CaptureMask = 1;
  fake_.files["menu\\top.pmn"] = WritePrevMenuFile(file);
  FakeFrame holed = Solid(4, 4, 0x10);
  holed.mask = std::vector<uint8_t>(16, 255);
  holed.mask[5] = 0;  // (1, 1)
  fake_.pictures["menu\\a.orl"] = {holed};
  auto& m = Menu();
  MoveMouse(1, 1);
  Frame();
  EXPECT_EQ(m.Hovered, -1);
  MoveMouse(2, 2);
  Frame();
  EXPECT_EQ(m.Hovered, 0);
}

TEST_F(PrevMenus, ARightClickCancelsAndEndsTheMenu) {
  auto& m = Menu();
  m.SetFlag(PR_RCLICKSCRAP, true);
  variables_.SelIndex = 4;
  RightClick(1, 1);
  EXPECT_EQ(variables_.SelIndex, -1);
  EXPECT_EQ(variables_.SelStr, "");
  EXPECT_EQ(root_.FindComponent("pm"), nullptr);
}

TEST_F(PrevMenus, DamagedAndForeignFilesGiveAnEmptyMenu) {
  std::vector<uint8_t> cut = WritePrevMenuFile(TwoItems());
  cut.resize(cut.size() - 3);
  fake_.files["menu\\cut.pmn"] = cut;
  fake_.files["menu\\other.pmn"] = {'n', 'o', 'p', 'e'};
  auto& m = Menu();
  for (const char* name : {"menu\\cut.pmn", "menu\\other.pmn", "menu\\missing.pmn"}) {
    SCOPED_TRACE(name);
    m.SetStr(PR_SOURCE, "menu\\top.pmn");
    EXPECT_EQ(m.GetInt(PR_COUNT), 2);
    m.SetStr(PR_SOURCE, name);
    EXPECT_EQ(m.GetInt(PR_COUNT), 0);
    EXPECT_EQ(m.GetStr(PR_TEXT), "");
    EXPECT_EQ(root_.FindComponent(std::string("\x01pm\x01") + "0000"), nullptr);
  }
}

TEST_F(PrevMenus, TheStoredFormComesBackByteForByte) {
  auto& m = Menu();
  m.SetItemCheck(1, true);
  m.SetItemEnabled("0", false);
  m.SetFlag(PR_RCLICKSCRAP, true);
  ByteWriter first;
  root_.SaveToStream(first);
  scene::TVeskBaseList copy(Env());
  ByteReader in(first.bytes().data(), first.bytes().size());
  copy.LoadFromStream(in, kSaveVersion);
  EXPECT_EQ(in.remaining(), 0u);
  auto* loaded = dynamic_cast<TVeskPrevMenu*>(copy.FindComponent("pm"));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->GetInt(PR_COUNT), 2);
  EXPECT_TRUE(loaded->GetItemCheck(1));
  EXPECT_FALSE(loaded->GetItemEnabled("0"));
  EXPECT_EQ(Shows(*loaded, 1), "menu\\b.orl");
  ByteWriter second;
  copy.SaveToStream(second);
  EXPECT_EQ(first.bytes(), second.bytes());
}

class MotionPrevMenus : public FilmScene {
 protected:
  MotionPrevMenus() {
    fake_.pictures["menu\\dot.orl"] = {Solid(4, 4, 0x0000FF)};
    fake_.pictures["menu\\ring.orl"] = {Solid(4, 4, 0x00FF00)};
    // An image list per picture (a box list has none); the motion's names
    // are relative to it.
    anim::FilmData film;
    film.FileKind = anim::FilmFileKind::kMotion;
    film.Lists.push_back(FilmList(FilmBox({0, 0}, {2, 2}, 0xFF), 0, 6));
    film.Lists.push_back(FilmList(FilmImage("dot.orl", {0, 0}, {4, 0}), 0, 3));
    film.Lists.push_back(FilmList(FilmImage("ring.orl", {0, 0}, {0, 0}), 3, 3));
    AddFilm("menu\\glow.lmt", film);
    PrevMenuFile menu;
    menu.Width = 16;
    menu.Height = 8;
    PrevMenuItem item;
    item.Source = "glow.lmt";
    menu.Items = {item};
    fake_.files["menu\\m.pmn"] = WritePrevMenuFile(menu);
  }
  bool Held(const std::string& file, const void* by) {
    const TOrloItem* item = pictures_.Find(file);
    if (!item) return false;
    const auto& users = item->Users();
    return std::find(users.begin(), users.end(), by) != users.end();
  }
};

TEST_F(MotionPrevMenus, AMotionItemsPicturesArePreloadedAndItsMotionPlays) {
  auto& m = Make<TVeskPrevMenu>(LT_PREVMENU, "pm");
  m.SetStr(PR_SOURCE, "menu\\m.pmn");
  ASSERT_EQ(m.GetInt(PR_COUNT), 1);
  EXPECT_TRUE(Held("menu\\dot.orl", &m));
  EXPECT_TRUE(Held("menu\\ring.orl", &m));
  TVeskPrevImages* item = m.ItemImage(0);
  ASSERT_NE(item, nullptr);
  EXPECT_TRUE(item->HasMotion());
  Frame();
  EXPECT_EQ(item->MotionOffsetX, 2);
  // The menu lets its preloaded pictures go with its items.
  m.SetStr(PR_SOURCE, "");
  EXPECT_FALSE(Held("menu\\dot.orl", &m));
  EXPECT_FALSE(Held("menu\\ring.orl", &m));
}

TEST_F(MotionPrevMenus, AMissingOrDamagedMotionPreloadsNothing) {
  fake_.files["menu\\glow.lmt"] = {'V', 'e', 's', 'k', 'M', 'o', 't', 'i', 'o', 'n', '9'};
  auto& m = Make<TVeskPrevMenu>(LT_PREVMENU, "pm");
  m.SetStr(PR_SOURCE, "menu\\m.pmn");
  ASSERT_EQ(m.GetInt(PR_COUNT), 1);
  EXPECT_FALSE(Held("menu\\dot.orl", &m));
  EXPECT_FALSE(m.ItemImage(0)->HasMotion());
  Frame();
}

}  // namespace
}  // namespace vesk::components::test
