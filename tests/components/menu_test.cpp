// Choice menus driven through the scene root: the open and close
// animation in frame time with its four events, the modal focus and the
// menu keys, AutoScrap and RClickScrap, the stored form, and the item
// functions scripts call on lists.
#include <gtest/gtest.h>

#include "components/menu.h"
#include "core/byte_reader.h"
#include "core/version.h"
#include "expr/params.h"
#include "platform/vkeys.h"
#include "scene/scene_port.h"
#include "text_fixture.h"

namespace vesk::components::test {
namespace {

namespace vk = platform::vk;
using Strings = std::vector<std::string>;

class Menus : public TextScene {
 protected:
  Menus() {
    root_.SetSceneSize(200, 200);
    screen_.SetSize(200, 200, 32);
    MoveMouse(190, 190);
  }

  // A closed menu of three rows of 10 pixels with every handler set.
  TVeskMenu& Menu(int32_t delay = 0) {
    auto& m = Make<TVeskMenu>(LT_MENU, "menu");
    m.SetInt(PR_FONTHEIGHT, 10);
    m.SetInt(PR_DELAY, delay);
    m.SetStr(PR_TEXT, "one\r\ntwo\r\nthree");
    for (int id : {PR_ONSELECT, PR_ONOPENING, PR_ONOPENED, PR_ONCLOSING, PR_ONCLOSED})
      m.SetStr(id, "h" + std::to_string(id));
    return m;
  }
  // The menu events queued, as "id(args)".
  Strings MenuEvents() const {
    Strings out;
    for (const script::TTimerData& e : root_.Events) {
      if (e.Object != "menu" || e.EventId < PR_ONSELECT || e.EventId > PR_ONCLOSED) continue;
      std::string line = std::to_string(e.EventId) + "(";
      for (size_t i = 0; i < e.Args.size(); ++i) line += (i ? "," : "") + e.Args[i];
      out.push_back(line + ")");
    }
    return out;
  }
  void Key(int vk) {
    root_.RecordKeyDown(vk);
    Frame();
    root_.RecordKeyUp(vk);
    Frame();
  }
  // The handlers of every queued event start (they stay queued while
  // they run) or return.
  void StartHandlers() {
    while (script::TTimerData* e = root_.Events.NextWaiting()) e->RunningDepth = 1;
  }
  void ReturnHandlers() { root_.Events.RemoveAtDepth(1); }
  bool MenuExists() const { return root_.IndexOfName("menu") >= 0; }
};

const std::string kOpening = std::to_string(PR_ONOPENING) + "()";
const std::string kOpened = std::to_string(PR_ONOPENED) + "()";
const std::string kClosing = std::to_string(PR_ONCLOSING) + "()";
const std::string kClosed = std::to_string(PR_ONCLOSED) + "()";

TEST_F(Menus, ADelayedMenuGrowsToItsFullHeightInFrameTime) {
  TVeskMenu& m = Menu(500);
  EXPECT_EQ(m.GetInt(PR_COMPOTYPE), LT_MENU);
  EXPECT_EQ(m.MenuState, TVeskMenu::kClosed);
  EXPECT_EQ(m.Height, 0);
  m.OpenMenu();
  Frame();
  EXPECT_EQ(m.Height, 0);
  EXPECT_EQ(m.GetInt(PR_ORIGHEIGHT), 30);  // the full height while animating
  EXPECT_EQ(MenuEvents(), Strings{kOpening});
  for (int i = 0; i < 16; ++i) Frame();  // 256 ms
  EXPECT_EQ(m.Height, 256 * 30 / 500);
  for (int i = 0; i < 15; ++i) Frame();  // 496 ms
  EXPECT_EQ(m.Height, 29);
  EXPECT_EQ(MenuEvents(), Strings{kOpening});
  Frame();  // 512 ms
  EXPECT_EQ(m.Height, 30);
  EXPECT_EQ(m.MenuState, TVeskMenu::kOpen);
  for (int i = 0; i < 5; ++i) Frame();
  EXPECT_EQ(MenuEvents(), (Strings{kOpening, kOpened}));
  EXPECT_EQ(root_.Focus(), &m);

  root_.Events.Clear();
  m.OpenMenu();  // already open
  m.SetMenuState(TVeskMenu::kOpen);
  Frame();
  EXPECT_TRUE(MenuEvents().empty());

  m.CloseMenu();
  Frame();
  EXPECT_EQ(MenuEvents(), Strings{kClosing});
  EXPECT_TRUE(m.IsInputLocked());
  for (int i = 0; i < 16; ++i) Frame();
  EXPECT_EQ(m.Height, 30 - 256 * 30 / 500);
  for (int i = 0; i < 16; ++i) Frame();
  EXPECT_EQ(m.Height, 0);
  EXPECT_EQ(m.MenuState, TVeskMenu::kClosed);
  EXPECT_EQ(MenuEvents(), (Strings{kClosing, kClosed}));
  EXPECT_TRUE(MenuExists());  // without AutoScrap it stays, closed
}

TEST_F(Menus, StatesZeroAndTwoTakeEffectAtOnce) {
  TVeskMenu& m = Menu(500);
  m.SetMenuState(TVeskMenu::kOpen);
  EXPECT_EQ(m.Height, 30);
  EXPECT_EQ(MenuEvents(), (Strings{kOpening, kOpened}));
  root_.Events.Clear();
  m.SetMenuState(TVeskMenu::kClosed);
  EXPECT_EQ(m.Height, 0);
  EXPECT_EQ(MenuEvents(), (Strings{kClosing, kClosed}));
  m.SetMenuState(TVeskMenu::kClosing);  // closed already
  m.SetMenuState(7);
  EXPECT_EQ(m.Phase, TVeskMenu::kSteady);
}

TEST_F(Menus, AnOpenMenuHoldsTheFocusAndChoosesWithEnterOnce) {
  auto& other = MakeByCode<TVeskCustomListBox>("other");
  other.SetInt(PR_HANDLEKEY, 1);
  other.SetInt(PR_TOP, 100);
  Frame();
  ASSERT_EQ(root_.Focus(), &other);
  TVeskMenu& m = Menu();
  m.SetMenuState(TVeskMenu::kOpen);
  EXPECT_EQ(root_.Focus(), &m);
  root_.DropFocus();
  Frame();
  EXPECT_EQ(root_.Focus(), &m);  // a focus search comes back to it
  root_.Events.Clear();

  Key(vk::kDown);
  Key(vk::kDown);
  EXPECT_EQ(m.HoverIndex, 1);
  Key(vk::kReturn);
  EXPECT_EQ(variables_.SelStr, "two");
  EXPECT_EQ(variables_.SelIndex, 1);
  Key(vk::kDown);
  Key(vk::kSpace);  // chosen again, but one select event waits already
  EXPECT_EQ(variables_.SelIndex, 2);
  EXPECT_EQ(MenuEvents(), Strings{std::to_string(PR_ONSELECT) + "(two,1)"});

  m.CloseMenu();
  Frame();
  Frame();
  EXPECT_EQ(root_.Focus(), &other);  // released: the search finds the other list
  root_.Events.Clear();
  Key(vk::kReturn);  // a closed menu takes no keys
  Key(vk::kUp);
  EXPECT_TRUE(MenuEvents().empty());
}

TEST_F(Menus, AutoScrapDestroysTheMenuOnlyAfterItsHandlersRan) {
  TVeskMenu& m = Menu();
  m.SetFlag(PR_AUTOSCRAP, true);
  m.SetMenuState(TVeskMenu::kOpen);
  root_.Events.Clear();
  Click(2, 15);
  EXPECT_EQ(variables_.SelIndex, 1);
  EXPECT_TRUE(m.IsInputLocked());
  Click(2, 25);  // locked: no second choice
  EXPECT_EQ(variables_.SelIndex, 1);
  EXPECT_EQ(MenuEvents(), (Strings{std::to_string(PR_ONSELECT) + "(two,1)", kClosing, kClosed}));
  StartHandlers();
  for (int i = 0; i < 5; ++i) Frame();
  EXPECT_TRUE(MenuExists());
  ReturnHandlers();
  Frame();
  EXPECT_FALSE(MenuExists());
  EXPECT_EQ(root_.ModalFocus(), nullptr);
}

TEST_F(Menus, ARightClickOrEscapeCancelsAMenuWithRClickScrap) {
  TVeskMenu& m = Menu(100);
  m.SetFlag(PR_RCLICKSCRAP, true);
  m.SetMenuState(TVeskMenu::kOpen);
  variables_.SelIndex = 5;
  root_.Events.Clear();
  RightClick(2, 5);
  EXPECT_EQ(variables_.SelIndex, -1);
  EXPECT_EQ(variables_.SelStr, "");
  EXPECT_EQ(root_.ShownBase()->RClick, 0);  // the menu took the click
  EXPECT_EQ(m.MenuState, TVeskMenu::kClosing);
  for (int i = 0; i < 10; ++i) Frame();
  EXPECT_EQ(m.MenuState, TVeskMenu::kClosed);
  EXPECT_EQ(MenuEvents(), (Strings{kClosing, kClosed}));

  m.SetMenuState(TVeskMenu::kOpen);
  Key(vk::kEscape);
  Frame();
  EXPECT_EQ(m.MenuState, TVeskMenu::kClosing);

  m.SetFlag(PR_RCLICKSCRAP, false);  // without it Escape does nothing
  for (int i = 0; i < 10; ++i) Frame();
  m.SetMenuState(TVeskMenu::kOpen);
  Key(vk::kEscape);
  Frame();
  EXPECT_EQ(m.MenuState, TVeskMenu::kOpen);
}

TEST_F(Menus, AnAutoScrapMenuCancelledByRightClickGoesAfterItsClose) {
  TVeskMenu& m = Menu(50);
  m.SetFlag(PR_RCLICKSCRAP, true);
  m.SetFlag(PR_AUTOSCRAP, true);
  m.SetMenuState(TVeskMenu::kOpen);
  RightClick(2, 5);
  for (int i = 0; i < 6; ++i) Frame();
  EXPECT_TRUE(MenuExists());  // its close events wait
  root_.Events.Clear();
  Frame();
  EXPECT_FALSE(MenuExists());
}

// ---- Stored form ---------------------------------------------------------------------

class MenuRecords : public Menus {
 protected:
  std::vector<uint8_t> Save(scene::TVeskBaseList& root) {
    ByteWriter out;
    root.SaveToStream(out);
    return out.bytes();
  }
  std::unique_ptr<scene::TVeskBaseList> Load(const std::vector<uint8_t>& bytes) {
    auto copy = std::make_unique<scene::TVeskBaseList>(Env());
    ByteReader in(bytes.data(), bytes.size());
    copy->LoadFromStream(in, kSaveVersion);
    EXPECT_EQ(in.remaining(), 0u);
    return copy;
  }
};

TEST_F(MenuRecords, SavingALoadedMenuGivesTheSameBytes) {
  TVeskMenu& m = Menu(200);
  m.SetInt(PR_ROWCOUNT, 2);
  m.SetInt(PR_MARGINX, 3);
  m.SetInt(PR_HOVERCOLOR, 0x123456);
  m.SetInt(PR_FONTHOVERCOLOR, 0x00FF00);
  m.SetInt(PR_BORDERHALIGNC, 2);
  m.SetInt(PR_HALIGN, HA_CENTER);
  m.SetStr(PR_BORDERSOURCECC, "centre.orl");
  m.SetFlag(PR_AUTOSCRAP, true);
  m.SetItemCheck(2, true);
  m.SetItemEnabled("1", false);
  m.SetMenuState(TVeskMenu::kOpen);
  m.SetInt(PR_TOPINDEX, 1);
  const std::vector<uint8_t> first = Save(root_);
  auto copy = Load(first);
  EXPECT_EQ(Save(*copy), first);

  auto* loaded = dynamic_cast<TVeskMenu*>(copy->FindComponent("menu"));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->Count(), 3);
  EXPECT_EQ(loaded->TopIndex, 1);
  EXPECT_TRUE(loaded->GetItemCheck(2));
  EXPECT_FALSE(loaded->GetItemEnabled("1"));
  EXPECT_EQ(loaded->GetInt(PR_FONTHOVERCOLOR), 0x00FF00);
  EXPECT_EQ(loaded->GetInt(PR_BORDERHALIGNC), 2);
  EXPECT_EQ(loaded->GetInt(PR_HALIGN), HA_CENTER);
  EXPECT_EQ(loaded->MenuState, TVeskMenu::kOpen);
  EXPECT_EQ(loaded->Height, m.Height);
  EXPECT_EQ(copy->ModalFocus(), loaded);
}

TEST_F(MenuRecords, AnOpeningMenuStartsItsAnimationAgainFromTheLoad) {
  TVeskMenu& m = Menu(160);
  m.OpenMenu();
  for (int i = 0; i < 6; ++i) Frame();
  ASSERT_GT(m.Height, 0);
  auto copy = Load(Save(root_));
  auto* loaded = dynamic_cast<TVeskMenu*>(copy->FindComponent("menu"));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->Phase, TVeskMenu::kOpenGrow);
  EXPECT_EQ(loaded->Height, 0);
  EXPECT_EQ(loaded->GetInt(PR_ORIGHEIGHT), 30);
  for (int i = 0; i < 10; ++i) {
    copy->InputStep(16);
    copy->UpdatePass(16);
  }
  EXPECT_EQ(loaded->Height, 30);
  EXPECT_EQ(loaded->MenuState, TVeskMenu::kOpen);
}

TEST_F(MenuRecords, ACutRecordIsRefused) {
  Menu().SetMenuState(TVeskMenu::kOpen);
  std::vector<uint8_t> bytes = Save(root_);
  for (size_t cut : {bytes.size() / 2, bytes.size() - 30}) {
    std::vector<uint8_t> part(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(cut));
    scene::TVeskBaseList copy(Env());
    ByteReader in(part.data(), part.size());
    EXPECT_THROW(copy.LoadFromStream(in, kSaveVersion), ETruncated);
  }
}

// ---- The functions scripts call ---------------------------------------------------------

class ItemFunctions : public Menus {
 protected:
  template <typename... Ops>
  expr::TCustomParam& Call(int id, int type, Ops... operands) {
    ops_.clear();
    (ops_.push_back(std::move(operands)), ...);
    dest_.Value = expr::MakeParam(type);
    EXPECT_TRUE(scene::CallSceneFunction(root_, id, dest_, ops_));
    return *dest_.Value;
  }
  static std::unique_ptr<expr::TCustomParam> Str(const std::string& s) {
    auto p = expr::MakeParam(PT_STR);
    p->SetStr(s);
    return p;
  }
  static std::unique_ptr<expr::TCustomParam> Int(int32_t v) {
    auto p = expr::MakeParam(PT_INT);
    p->SetInt(v);
    return p;
  }
  static std::unique_ptr<expr::TCustomParam> Flag(bool v) {
    auto p = expr::MakeParam(PT_BOOL);
    p->SetFlag(v);
    return p;
  }
  int32_t IndexOf(const std::string& name, const std::string& item) {
    return Call(FN_IndexOfMenu, PT_INT, Str(name), Str(item)).GetInt();
  }

  expr::TParamCollectionItem dest_;
  expr::Operands ops_;
};

TEST_F(ItemFunctions, ChecksAndEnabledStatesGoThroughTheObject) {
  Menu();
  Call(FN_SetCheck, PT_NONE, Str("menu"), Int(1), Flag(true));
  EXPECT_TRUE(Call(FN_GetCheck, PT_BOOL, Str("menu"), Int(1)).GetFlag());
  EXPECT_FALSE(Call(FN_GetCheck, PT_BOOL, Str("menu"), Int(0)).GetFlag());
  EXPECT_FALSE(Call(FN_GetCheck, PT_BOOL, Str("menu"), Int(3)).GetFlag());
  EXPECT_FALSE(Call(FN_GetCheck, PT_BOOL, Str("nobody"), Int(1)).GetFlag());
  EXPECT_TRUE(Call(FN_GetEnabled, PT_BOOL, Str("menu"), Int(2)).GetFlag());
  Call(FN_SetEnabled, PT_NONE, Str("menu"), Int(2), Flag(false));
  EXPECT_FALSE(Call(FN_GetEnabled, PT_BOOL, Str("menu"), Int(2)).GetFlag());
  EXPECT_FALSE(Call(FN_GetEnabled, PT_BOOL, Str("menu"), Int(5)).GetFlag());
}

TEST_F(ItemFunctions, IndexOfMenuComparesWithoutLetterCase) {
  TVeskMenu& m = Menu();
  // "Ｙｅｓ" in full-width letters, then a kana line whose trail bytes
  // fall in the ASCII letter range.
  m.SetStr(PR_TEXT, "Alpha\r\n\x82\x78\x82\x85\x82\x93\r\n\x83\x41\x83\x61");
  EXPECT_EQ(IndexOf("menu", "ALPHA"), 0);
  EXPECT_EQ(IndexOf("menu", "\x82\x99\x82\x64\x82\x72"), 1);  // "ｙＥＳ"
  EXPECT_EQ(IndexOf("menu", "\x83\x41\x83\x61"), 2);
  EXPECT_EQ(IndexOf("menu", "\x83\x61\x83\x61"), -1);  // trail bytes are not letters
  EXPECT_EQ(IndexOf("menu", "beta"), -1);
  EXPECT_EQ(IndexOf("nobody", "alpha"), -1);
  m.SetStr(PR_TEXT, "");
  EXPECT_EQ(IndexOf("menu", ""), -1);
}

}  // namespace
}  // namespace vesk::components::test
