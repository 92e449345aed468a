// The editing rules of the text boxes: the caret, deletions and the
// selection never split a double-byte character (whatever its trail byte
// looks like) or a line break, inserted text is cleaned for the kind of
// box, and the input method's composition stands in for the selection.
#include "components/edit_buffer.h"

#include <gtest/gtest.h>

namespace vesk::components {
namespace {

// CP932: "表" has '\' as its trail byte, "ア" has 'A'.
const std::string kHyo = "\x95\x5c";
const std::string kA = "\x83\x41";
const std::string kI = "\x83\x43";

TEST(EditBuffer, TheCaretStepsOverDoubleByteCharactersWhole) {
  EditBuffer b(EditBuffer::Lines::kSingle);
  b.SetText("a" + kHyo + "b" + kA);
  EXPECT_EQ(b.caret(), 0u);  // a new text puts the caret at its start
  b.MoveTo(b.text().size(), false);
  b.Left(false);
  EXPECT_EQ(b.caret(), 4u);
  b.Left(false);
  EXPECT_EQ(b.caret(), 3u);
  b.Left(false);
  EXPECT_EQ(b.caret(), 1u);
  b.Right(false);
  EXPECT_EQ(b.caret(), 3u);
  // A place inside a character snaps to its start.
  b.MoveTo(2, false);
  EXPECT_EQ(b.caret(), 1u);
  b.MoveTo(5, false);
  EXPECT_EQ(b.caret(), 4u);
  b.MoveTo(99, false);
  EXPECT_EQ(b.caret(), 6u);
  b.Right(false);
  EXPECT_EQ(b.caret(), 6u);
}

TEST(EditBuffer, BackspaceAndDeleteTakeWholeCharacters) {
  EditBuffer b(EditBuffer::Lines::kSingle);
  b.SetText(kHyo + kA + "x");
  b.MoveTo(4, false);
  EXPECT_TRUE(b.DeleteBackward());
  EXPECT_EQ(b.text(), kHyo + "x");
  EXPECT_EQ(b.caret(), 2u);
  EXPECT_TRUE(b.DeleteBackward());
  EXPECT_EQ(b.text(), "x");
  EXPECT_FALSE(b.DeleteBackward());  // nothing before the caret
  b.SetText(kA + kHyo);
  EXPECT_TRUE(b.DeleteForward());
  EXPECT_EQ(b.text(), kHyo);
  b.MoveTo(2, false);
  EXPECT_FALSE(b.DeleteForward());  // nothing after it
}

TEST(EditBuffer, ShiftMovesSelectAndPlainMovesCollapse) {
  EditBuffer b(EditBuffer::Lines::kSingle);
  b.SetText("x" + kA + kI + "y");
  b.MoveTo(1, false);
  b.Right(true);
  b.Right(true);
  EXPECT_TRUE(b.HasSelection());
  EXPECT_EQ(b.SelectedText(), kA + kI);
  EXPECT_EQ(b.anchor(), 1u);
  b.Left(true);
  EXPECT_EQ(b.SelectedText(), kA);
  b.Right(true);
  b.Left(false);  // collapses to the left edge, not one further
  EXPECT_FALSE(b.HasSelection());
  EXPECT_EQ(b.caret(), 1u);
  b.MoveTo(5, true);
  b.Right(false);
  EXPECT_EQ(b.caret(), 5u);
  // Deleting a selection takes exactly it.
  b.MoveTo(1, false);
  b.MoveTo(5, true);
  EXPECT_TRUE(b.DeleteBackward());
  EXPECT_EQ(b.text(), "xy");
  b.SelectAll();
  EXPECT_EQ(b.SelectedText(), "xy");
}

TEST(EditBuffer, InsertedTextIsCleanedForTheBox) {
  EditBuffer one(EditBuffer::Lines::kSingle);
  one.SetText("ad");
  one.MoveTo(1, false);
  EXPECT_TRUE(
      one.Insert("b\x01"
                 "c\r\nnext line"));
  EXPECT_EQ(one.text(), "abcd");  // control characters dropped, the first line only
  EXPECT_EQ(one.caret(), 3u);
  EXPECT_FALSE(one.Insert("\x82"));  // a lead byte alone would pair with what follows
  EXPECT_EQ(one.text(), "abcd");

  EditBuffer memo(EditBuffer::Lines::kMulti);
  EXPECT_TRUE(memo.Insert("1\n2\r3\r\n4"));
  EXPECT_EQ(memo.text(), "1\r\n2\r\n3\r\n4");
  memo.SelectAll();
  EXPECT_TRUE(memo.Type("a\r\nb\x1b"));  // Enter and Escape never reach the text
  EXPECT_EQ(memo.text(), "ab");
}

TEST(EditBuffer, ALineBreakIsOneCharacterInAMemo) {
  EditBuffer b(EditBuffer::Lines::kMulti);
  b.SetText("a\r\n" + kHyo);
  b.MoveTo(1, false);
  b.Right(false);
  EXPECT_EQ(b.caret(), 3u);
  b.Left(false);
  EXPECT_EQ(b.caret(), 1u);
  b.MoveTo(2, false);  // between CR and LF
  EXPECT_EQ(b.caret(), 1u);
  b.MoveTo(3, false);
  EXPECT_TRUE(b.DeleteBackward());
  EXPECT_EQ(b.text(), "a" + kHyo);
  EXPECT_EQ(b.LineStart(1), 0u);
  b.SetText("ab\r\ncd");
  EXPECT_EQ(b.LineStart(5), 4u);
}

TEST(EditBuffer, WordMovesStopAtWordsAndSigns) {
  EditBuffer b(EditBuffer::Lines::kSingle);
  b.SetText("ab cd,ef " + kA + kI);
  b.WordRight(false);
  EXPECT_EQ(b.caret(), 3u);  // after the word and its space
  b.WordRight(false);
  EXPECT_EQ(b.caret(), 5u);
  b.WordRight(false);
  EXPECT_EQ(b.caret(), 6u);
  b.WordRight(true);
  EXPECT_EQ(b.caret(), 9u);
  b.WordRight(true);
  EXPECT_EQ(b.caret(), 13u);
  EXPECT_EQ(b.SelectedText(), "ef " + kA + kI);
  b.WordLeft(false);
  EXPECT_EQ(b.caret(), 9u);
  b.WordLeft(false);
  EXPECT_EQ(b.caret(), 6u);
  b.WordLeft(false);
  EXPECT_EQ(b.caret(), 5u);
}

TEST(EditBuffer, TheCompositionStandsInForTheSelection) {
  EditBuffer b(EditBuffer::Lines::kSingle);
  b.SetText("abcd");
  b.MoveTo(1, false);
  b.MoveTo(3, true);
  b.SetComposition(kA + kI, 3);  // a cursor inside a character snaps back
  EXPECT_TRUE(b.composing());
  EXPECT_EQ(b.composition_cursor(), 2u);
  size_t start = 0;
  EXPECT_EQ(b.Display(&start), "a" + kA + kI + "d");
  EXPECT_EQ(start, 1u);
  EXPECT_EQ(b.DisplayCaret(), 3u);
  EXPECT_EQ(b.text(), "abcd");  // nothing entered yet
  // Committing replaces the selection.
  b.ClearComposition();
  EXPECT_TRUE(b.Type(kHyo));
  EXPECT_EQ(b.text(), "a" + kHyo + "d");
  EXPECT_EQ(b.caret(), 3u);
  EXPECT_EQ(b.Display(nullptr), b.text());
}

}  // namespace
}  // namespace vesk::components
