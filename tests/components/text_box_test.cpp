// The edit and memo boxes: who holds the keyboard (showing, hiding,
// pausing, the scene focus, the mouse), the key notifications with Enter
// and Escape swallowed, typing and editing over double-byte characters,
// the clipboard, the input method's composition, drawing, and the stored
// form.
#include "components/text_box.h"

#include <gtest/gtest.h>

#include "components/box.h"
#include "platform/vkeys.h"
#include "support/record_builder.h"
#include "text_fixture.h"
#include "text_records.h"

namespace vesk::components::test {
namespace {

namespace vk = platform::vk;
using scene::kKeyControl;
using scene::kKeyShift;

const std::string kA = "\x83\x41";    // "ア"
const std::string kHyo = "\x95\x5c";  // "表", '\' as its trail byte

class TextBox : public TextScene {
 protected:
  template <class T = TVeskEdit>
  T& Box(const std::string& name, int kind = LT_EDIT, Rect r = {2, 2, 30, 18}) {
    auto& box = Make<T>(kind, name);
    box.SetBounds(r.left, r.top, r.Width(), r.Height());
    return box;
  }
  // Keys as the window hands them over: true when a box took the key.
  bool Key(int key, uint8_t mods = 0) { return root_.OfferKey(key, mods); }
  void Type(const std::string& cp932) { root_.OfferText(cp932); }
  int32_t At(int x, int y) const {
    return graphics::NativeToColor(Pixel(x, y), screen_.BitCount(), nullptr);
  }
};

TEST_F(TextBox, AShownBoxTakesTheKeyboardAndTheSceneFocus) {
  auto& edit = Box("edit");
  EXPECT_EQ(root_.KeyboardHolder(), nullptr);  // checked once a frame
  EXPECT_FALSE(Key('A'));
  Frame();
  EXPECT_TRUE(edit.BoxShown());
  EXPECT_EQ(root_.KeyboardHolder(), &edit);
  EXPECT_EQ(root_.Focus(), &edit);
  EXPECT_TRUE(Key('A'));
  EXPECT_EQ(edit.GetInt(PR_HANDLEKEY), 1);
  // Hidden, it gives the keyboard back; shown again, it takes it again.
  edit.SetFlag(PR_VISIBLE, false);
  Frame();
  EXPECT_FALSE(edit.BoxShown());
  EXPECT_EQ(root_.KeyboardHolder(), nullptr);
  EXPECT_FALSE(Key('A'));
  edit.SetFlag(PR_VISIBLE, true);
  Frame();
  EXPECT_EQ(root_.KeyboardHolder(), &edit);
}

TEST_F(TextBox, BoxesOffTheShownBaseOrPausedStayWithoutTheKeyboard) {
  auto& back = Box("back");
  back.SetParent(root_.BackBase());
  auto& paused = Box("paused");
  paused.SetFlag(PR_PAUSED, true);
  Frame();
  EXPECT_FALSE(back.BoxShown());
  EXPECT_TRUE(paused.BoxShown());
  EXPECT_EQ(root_.KeyboardHolder(), nullptr);
  // Enabling a box that is already shown does not take the keyboard...
  paused.SetFlag(PR_PAUSED, false);
  Frame();
  EXPECT_EQ(root_.KeyboardHolder(), nullptr);
  // ...but a flip to its base does.
  root_.ShowBase(1);
  Frame();
  EXPECT_EQ(root_.KeyboardHolder(), &back);
  // Pausing the holder gives the keyboard back at once.
  back.SetFlag(PR_PAUSED, true);
  EXPECT_EQ(root_.KeyboardHolder(), nullptr);
}

TEST_F(TextBox, TheSceneFocusTakesTheKeyboardAlong) {
  auto& first = Box("first");
  Frame();
  auto& second = Box("second", LT_EDIT, {2, 20, 30, 24});
  Frame();
  EXPECT_EQ(root_.KeyboardHolder(), &second);  // the box shown last
  root_.SetFocus(&first);
  EXPECT_EQ(root_.KeyboardHolder(), &first);
  // Another control taking the focus takes the keys back for the scene.
  auto& box = Make<TVeskBox>(LT_BOX, "plain");
  box.HandleKey = 1;
  root_.SetFocus(&box);
  EXPECT_EQ(root_.KeyboardHolder(), nullptr);
  EXPECT_FALSE(Key('A'));
  // Deleting the holder leaves no dangling keyboard.
  root_.SetFocus(&second);
  root_.DeleteObject(&second);
  EXPECT_EQ(root_.KeyboardHolder(), nullptr);
  EXPECT_FALSE(Key('A'));
}

TEST_F(TextBox, EveryKeyIsNotifiedAndEnterAndEscapeLeaveTheText) {
  auto& edit = Box("edit");
  edit.SetStr(PR_ONNOTIFY, "p.lsb:keys");
  Frame();
  Type("abc");
  EXPECT_TRUE(Key(vk::kReturn));
  EXPECT_TRUE(Key(vk::kEscape));
  EXPECT_TRUE(Key('D'));  // told before its character arrives
  Type("d");
  EXPECT_EQ(edit.GetStr(PR_TEXT), "abcd");
  EXPECT_EQ(
      Events(PR_ONNOTIFY),
      (std::vector<std::string>{"p.lsb:keys(13,abc)", "p.lsb:keys(27,abc)", "p.lsb:keys(68,abc)"}));
  // Typed line breaks and escapes never reach the text either.
  Type(
      "\r\n\x1b"
      "e");
  EXPECT_EQ(edit.GetStr(PR_TEXT), "abcde");
}

TEST_F(TextBox, EditingNeverSplitsADoubleByteCharacter) {
  auto& edit = Box("edit");
  Frame();
  Type("x" + kHyo + kA);
  EXPECT_EQ(edit.buffer().caret(), 5u);
  Key(vk::kLeft);
  Key(vk::kBack);
  EXPECT_EQ(edit.GetStr(PR_TEXT), "x" + kA);
  EXPECT_EQ(edit.buffer().caret(), 1u);
  Key(vk::kDelete);
  EXPECT_EQ(edit.GetStr(PR_TEXT), "x");
  // Selecting with Shift and typing over the selection.
  edit.SetStr(PR_TEXT, kA + kHyo + "yz");
  EXPECT_EQ(edit.buffer().caret(), 0u);  // a new text puts the caret at its start
  Key(vk::kRight, kKeyShift);
  Key(vk::kRight, kKeyShift);
  EXPECT_EQ(edit.buffer().SelectedText(), kA + kHyo);
  Type("q");
  EXPECT_EQ(edit.GetStr(PR_TEXT), "qyz");
  Key(vk::kEnd, kKeyShift);
  EXPECT_EQ(edit.buffer().SelectedText(), "yz");
  Key(vk::kHome);
  EXPECT_EQ(edit.buffer().caret(), 0u);
  Key(vk::kRight, kKeyControl);
  EXPECT_EQ(edit.buffer().caret(), 3u);
}

TEST_F(TextBox, TheClipboardCopiesCutsAndPastes) {
  auto& edit = Box("edit");
  Frame();
  Type("one " + kA);
  Key('A', kKeyControl);
  Key('C', kKeyControl);
  EXPECT_EQ(clipboard_, "one " + kA);
  Key(vk::kHome);
  Key(vk::kRight, kKeyShift | kKeyControl);
  Key('X', kKeyControl);
  EXPECT_EQ(clipboard_, "one ");
  EXPECT_EQ(edit.GetStr(PR_TEXT), kA);
  Key(vk::kEnd);
  Key('V', kKeyControl);
  EXPECT_EQ(edit.GetStr(PR_TEXT), kA + "one ");
  // A one-line box pastes the first line only; Shift+Insert pastes too.
  clipboard_ = "two\r\nthree";
  Key(vk::kInsert, kKeyShift);
  EXPECT_EQ(edit.GetStr(PR_TEXT), kA + "one two");
  // Read-only: copying still works, nothing changes the text.
  edit.SetFlag(PR_READONLY, true);
  Key('A', kKeyControl);
  Key('X', kKeyControl);
  Key(vk::kBack);
  Key('V', kKeyControl);
  Type("z");
  EXPECT_EQ(edit.GetStr(PR_TEXT), kA + "one two");
  EXPECT_EQ(clipboard_, kA + "one two");
  Rect caret;
  EXPECT_FALSE(root_.KeyboardCaret(&caret));  // it takes no text: no input method
}

TEST_F(TextBox, TheCompositionShowsAtTheCaretUntilCommitted) {
  auto& edit = Box("edit");
  edit.SetInt(PR_FONTCOLOR, 0xFF0000);  // blue
  Frame();
  Type("ab");
  Rect plain;
  ASSERT_TRUE(root_.KeyboardCaret(&plain));
  root_.OfferComposition(kA + kA, 4);
  EXPECT_EQ(edit.GetStr(PR_TEXT), "ab");  // nothing entered yet
  Rect composing;
  ASSERT_TRUE(root_.KeyboardCaret(&composing));
  EXPECT_GT(composing.left, plain.left);  // the candidate window follows the composition
  EXPECT_EQ(composing.top, plain.top);
  // Keys belong to the input method meanwhile.
  Key(vk::kBack);
  EXPECT_EQ(edit.GetStr(PR_TEXT), "ab");
  DrawAll();
  // Underlined along the bottom of its row, in the text colour, all the way.
  const int underline_y = plain.bottom - 1;
  for (int x = plain.left; x < composing.left; ++x) EXPECT_EQ(At(x, underline_y), 0xFF0000) << x;
  EXPECT_NE(At(composing.left + 1, underline_y), 0xFF0000);
  root_.OfferText(kHyo);
  EXPECT_EQ(edit.GetStr(PR_TEXT), "ab" + kHyo);
  EXPECT_FALSE(edit.buffer().composing());
  // Cancelling (an empty composition) enters nothing.
  root_.OfferComposition("x", 1);
  root_.OfferComposition("", 0);
  EXPECT_EQ(edit.GetStr(PR_TEXT), "ab" + kHyo);
}

TEST_F(TextBox, AMemoMakesLinesWithShiftEnterAndMovesBetweenThem) {
  auto& memo = Box<TVeskMemo>("memo", LT_MEMO, {0, 0, 200, 100});
  memo.SetStr(PR_ONNOTIFY, "p.lsb:keys");
  Frame();
  Type("abc");
  Key(vk::kReturn);  // swallowed, as in the edit
  EXPECT_EQ(memo.GetStr(PR_TEXT), "abc");
  Key(vk::kReturn, kKeyShift);
  Type("d");
  Key(vk::kReturn, kKeyControl);
  Type(kA + kA);
  EXPECT_EQ(memo.GetStr(PR_TEXT), "abc\r\nd\r\n" + kA + kA);
  EXPECT_EQ(Events(PR_ONNOTIFY).size(), 3u);
  // Up keeps the column as far as the line allows; down comes back to it.
  Rect bottom, middle, top;
  ASSERT_TRUE(root_.KeyboardCaret(&bottom));
  Key(vk::kUp);
  ASSERT_TRUE(root_.KeyboardCaret(&middle));
  EXPECT_EQ(memo.buffer().caret(), 6u);  // the end of "d"
  EXPECT_EQ(middle.top, bottom.top - 12);
  Key(vk::kUp);
  ASSERT_TRUE(root_.KeyboardCaret(&top));
  EXPECT_EQ(top.top, middle.top - 12);
  Key(vk::kDown);
  Key(vk::kDown);
  EXPECT_EQ(memo.buffer().caret(), memo.GetStr(PR_TEXT).size());
  // Backspace takes a line break whole.
  Key(vk::kHome);
  Key(vk::kBack);
  EXPECT_EQ(memo.GetStr(PR_TEXT), "abc\r\nd" + kA + kA);
  // Pasting keeps the lines.
  clipboard_ = "1\n2";
  Key('V', kKeyControl);
  EXPECT_EQ(memo.GetStr(PR_TEXT), "abc\r\nd1\r\n2" + kA + kA);
}

TEST_F(TextBox, AMemoWrapsLongLinesAtItsWidth) {
  auto& memo = Box<TVeskMemo>("memo", LT_MEMO, {0, 0, 40, 100});
  Frame();
  Rect first, wrapped;
  Type("ab");
  ASSERT_TRUE(root_.KeyboardCaret(&first));
  Type("cd efghijklmnop");
  ASSERT_TRUE(root_.KeyboardCaret(&wrapped));
  EXPECT_GT(wrapped.top, first.top);                     // the caret went down with the text
  EXPECT_EQ(memo.GetStr(PR_TEXT), "abcd efghijklmnop");  // wrapping adds no breaks
  Key(vk::kHome, kKeyControl);
  EXPECT_EQ(memo.buffer().caret(), 0u);
  // End stays on its row: before the space where the word wrapped.
  Key(vk::kEnd);
  Rect end;
  ASSERT_TRUE(root_.KeyboardCaret(&end));
  EXPECT_EQ(end.top, first.top);
}

TEST_F(TextBox, TheMouseGivesTheKeyboardPlacesTheCaretAndSelects) {
  auto& other = Box("other", LT_EDIT, {2, 20, 30, 24});
  auto& edit = Box("edit");
  edit.SetStr(PR_TEXT, "iiiiiiii");
  edit.SetStr(PR_ONLBTNDOWN, "p.lsb:down");
  Frame();
  root_.SetFocus(&other);
  ASSERT_EQ(root_.KeyboardHolder(), &other);
  MoveMouse(29, 8);
  root_.RecordMouseDown(true, false);
  Frame();
  EXPECT_EQ(root_.KeyboardHolder(), &edit);
  EXPECT_EQ(root_.Focus(), &edit);
  EXPECT_EQ(root_.ShownBase()->LClick, 0);     // the box took the click
  EXPECT_TRUE(Events(PR_ONLBTNDOWN).empty());  // and no handler hears it
  const size_t clicked = edit.buffer().caret();
  EXPECT_GT(clicked, 0u);
  // Dragging to the left selects back to the start.
  MoveMouse(0, 8);
  Frame();
  EXPECT_EQ(edit.buffer().caret(), 0u);
  EXPECT_EQ(edit.buffer().anchor(), clicked);
  root_.RecordMouseUp();
  Frame();
  MoveMouse(20, 8);
  Frame();
  EXPECT_EQ(edit.buffer().caret(), 0u);  // released: moving no longer selects
}

TEST_F(TextBox, TheBoxDrawsItsBackgroundTextAndCaret) {
  auto& edit = Box("edit");
  edit.SetInt(PR_COLOR, 0x00FF00);
  edit.SetInt(PR_FONTCOLOR, 0x0000FF);
  edit.SetStr(PR_TEXT, "W");
  Frame();
  DrawAll(0x123456);
  EXPECT_EQ(Pixel(1, 1), 0x123456u);  // outside the box
  EXPECT_EQ(At(29, 17), 0x00FF00);    // the background
  const int left = 2 + TVeskTextBox::kMarginXPx, top = 2 + TVeskTextBox::kMarginYPx;
  EXPECT_EQ(At(left, top + 5), 0x0000FF);  // the caret at the start, in the text colour
  int inked = 0;
  for (int y = top; y < top + 12; ++y)
    for (int x = left + 1; x < 28; ++x) inked += At(x, y) != 0x00FF00;
  EXPECT_GT(inked, 5);  // the letter (smoothed: its edges mix with the background)
  // The caret blinks away and back.
  Frame(TVeskTextBox::kCaretBlinkMs);
  EXPECT_FALSE(edit.CaretVisible());
  DrawChanged();
  EXPECT_EQ(At(left, top + 5), 0x00FF00);
  Key(vk::kEnd);  // any key shows it again
  EXPECT_TRUE(edit.CaretVisible());
  // A selection shows in the highlight with white text.
  Key(vk::kHome, kKeyShift);
  DrawAll();
  bool light = false, highlight = false;
  for (int y = top; y < top + 12; ++y)
    for (int x = left + 1; x < 20; ++x) {
      light |= (At(x, y) & 0xFF) > 0x80;  // white text mixed into the highlight (no red in it)
      highlight |= At(x, y) == 0xD77800;
    }
  EXPECT_TRUE(light);
  EXPECT_TRUE(highlight);
  // Hidden, nothing of it is drawn.
  edit.SetFlag(PR_VISIBLE, false);
  Frame();
  DrawAll(0x123456);
  EXPECT_EQ(Pixel(29, 17), 0x123456u);
}

TEST_F(TextBox, AbsurdSizesAndFontsDrawWithoutFailing) {
  auto& memo = Box<TVeskMemo>("memo", LT_MEMO, {0, 0, 100000, 100000});
  memo.SetStr(PR_TEXT, "a\r\nb");
  Frame();
  DrawAll(0x123456);
  EXPECT_EQ(Pixel(5, 5), 0xFFFFFFu);  // the background at least
  memo.SetInt(PR_FONTHEIGHT, -5);
  memo.SetBounds(0, 0, -3, 7);
  DrawAll(0x123456);
  EXPECT_EQ(Pixel(0, 0), 0x123456u);
  memo.SetBounds(0, 0, 20, 20);
  memo.SetInt(PR_FONTHEIGHT, 1 << 30);
  Key(vk::kDown);
  Key(vk::kNext);
  DrawAll();
  Rect caret;
  EXPECT_TRUE(root_.KeyboardCaret(&caret));
}

TEST_F(TextBox, TheStoredFormLoadsThroughTheSetters) {
  for (int kind : {LT_EDIT, LT_MEMO}) {
    SCOPED_TRACE(kind);
    test_support::RecordBytes r;
    ControlPart(r, "loaded", kSaveVersion);
    const size_t kind_part = r.b.size();
    r.U8(1).Str("a\r\nb").Str("").I32(20).U8(2).I32(0x0000FF).I32(0x00FFFF).U8(1).Str("p.lsb:k");
    if (kind == LT_MEMO) r.U8(2);
    r.I32(0);  // no children
    auto* box = dynamic_cast<TVeskTextBox*>(root_.CreateByKind(kind));
    ASSERT_NE(box, nullptr);
    box->SetParent(root_.ShownBase());
    ByteReader in(r.b.data(), r.b.size());
    box->LoadFromStream(in, kSaveVersion);
    EXPECT_EQ(in.remaining(), 0u);
    EXPECT_TRUE(box->GetFlag(PR_PAUSED));
    EXPECT_EQ(box->GetStr(PR_TEXT), "a\r\nb");
    EXPECT_EQ(box->GetStr(PR_FONTNAME), "");
    EXPECT_EQ(box->GetInt(PR_FONTHEIGHT), 20);
    EXPECT_EQ(box->GetInt(PR_FONTSTYLE), 2);
    EXPECT_EQ(box->GetInt(PR_FONTCOLOR), 0x0000FF);
    EXPECT_EQ(box->GetInt(PR_COLOR), 0x00FFFF);
    EXPECT_TRUE(box->GetFlag(PR_READONLY));
    EXPECT_EQ(box->GetStr(PR_ONNOTIFY), "p.lsb:k");
    EXPECT_EQ(box->GetInt(PR_HALIGN), kind == LT_MEMO ? 2 : 0);
    // Saved again, the kind's part is the same record.
    ByteWriter out;
    box->SaveToStream(out);
    ASSERT_EQ(out.bytes().size(), r.b.size());
    EXPECT_TRUE(std::equal(r.b.begin() + kind_part, r.b.end(), out.bytes().begin() + kind_part));
    root_.DeleteObject(box);
  }
}

TEST_F(TextBox, ALoadedSceneShowsItsBoxAgainWithTheKeyboard) {
  auto& edit = Box("edit1");
  edit.SetStr(PR_TEXT, "kept");
  Frame();
  ByteWriter out;
  root_.SaveToStream(out);
  scene::TVeskBaseList copy(Env());
  copy.SetSceneSize(kW, kH);
  ByteReader in(out.bytes().data(), out.bytes().size());
  copy.LoadFromStream(in, kSaveVersion);
  auto* loaded = dynamic_cast<TVeskEdit*>(copy.FindComponent("edit1"));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->GetStr(PR_TEXT), "kept");
  EXPECT_EQ(copy.Focus(), loaded);
  copy.InputStep(16);
  copy.UpdatePass(16);
  EXPECT_EQ(copy.KeyboardHolder(), loaded);
  EXPECT_TRUE(copy.Events.Count() == 0);  // no focus-in event for the focus it had
}

}  // namespace
}  // namespace vesk::components::test
