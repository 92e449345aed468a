#pragma once
// EditBuffer: the text of a text box and the edits made on it. The text is
// CP932; the caret and the selection anchor always sit on character
// boundaries, so no edit or move ever splits a double-byte character. In a
// box of several lines a line break is CR LF and counts as one character.
// The input method's composition is kept beside the text until committed.
#include <cstddef>
#include <string>
#include <string_view>

namespace vesk::components {

class EditBuffer {
 public:
  enum class Lines { kSingle, kMulti };
  explicit EditBuffer(Lines lines) : lines_(lines) {}

  bool multi_line() const { return lines_ == Lines::kMulti; }
  const std::string& text() const { return text_; }
  size_t caret() const { return caret_; }
  size_t anchor() const { return anchor_; }
  bool HasSelection() const { return caret_ != anchor_; }
  size_t SelectionStart() const { return caret_ < anchor_ ? caret_ : anchor_; }
  size_t SelectionEnd() const { return caret_ < anchor_ ? anchor_ : caret_; }
  std::string SelectedText() const;

  // Replaces everything as it stands; the caret goes to the start and the
  // composition is dropped.
  void SetText(std::string text);
  // Replaces the selection with `text` and puts the caret after it. Control
  // characters are left out; line breaks (any of CR LF, CR, LF) become CR LF
  // in a box of several lines, and a one-line box takes the first line
  // only. False when nothing changed.
  bool Insert(std::string_view text);
  // The same for typed text, whose line breaks are left out.
  bool Type(std::string_view text);
  // Backspace and Delete: the selection, else the character before or
  // after the caret.
  bool DeleteBackward();
  bool DeleteForward();
  bool DeleteSelection();

  // Moves the caret to the boundary at or before `pos`; `extend` keeps the
  // anchor (a selection), else the anchor follows.
  void MoveTo(size_t pos, bool extend);
  // Left and right by a character; without `extend` a selection collapses
  // to its edge instead.
  void Left(bool extend);
  void Right(bool extend);
  // Left and right by a word: a run of letters and digits (double-byte
  // characters count as letters), or of other signs, with the spaces after it.
  void WordLeft(bool extend);
  void WordRight(bool extend);
  void SelectAll();

  // Character boundaries: the one after and before `pos`, and the one at or
  // before it.
  size_t Next(size_t pos) const;
  size_t Prev(size_t pos) const;
  size_t Snap(size_t pos) const;
  // Start of the line holding `pos`.
  size_t LineStart(size_t pos) const;

  // The input method's composition (empty: none) with its cursor, a byte
  // offset into it snapped to a boundary. It stands in for the selection
  // until text is committed or it is cancelled.
  void SetComposition(std::string text, size_t cursor);
  void ClearComposition() { SetComposition({}, 0); }
  bool composing() const { return !composition_.empty(); }
  const std::string& composition() const { return composition_; }
  size_t composition_cursor() const { return composition_cursor_; }

  // The text as shown: the composition in place of the selection. `start`
  // receives where the composition begins in it.
  std::string Display(size_t* start) const;
  // The caret in the shown text.
  size_t DisplayCaret() const;

 private:
  // Length of the unit at `pos`: a character, or CR LF in a box of lines.
  size_t UnitLength(size_t pos) const;
  std::string Clean(std::string_view text, bool allow_breaks) const;
  bool ReplaceSelection(const std::string& with);
  enum class CharClass { kSpace, kBreak, kWord, kSign };
  CharClass ClassAt(size_t pos) const;

  Lines lines_;
  std::string text_;
  size_t caret_ = 0, anchor_ = 0;
  std::string composition_;
  size_t composition_cursor_ = 0;
};

}  // namespace vesk::components
