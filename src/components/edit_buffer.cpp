#include "components/edit_buffer.h"

#include <algorithm>

#include "components/glyph_text.h"
#include "core/sjis.h"

namespace vesk::components {

namespace {

bool IsBreak(char c) {
  return c == '\r' || c == '\n';
}

}  // namespace

std::string EditBuffer::SelectedText() const {
  return text_.substr(SelectionStart(), SelectionEnd() - SelectionStart());
}

void EditBuffer::SetText(std::string text) {
  text_ = std::move(text);
  caret_ = anchor_ = 0;
  ClearComposition();
}

// ---- Boundaries -----------------------------------------------------------------

size_t EditBuffer::UnitLength(size_t pos) const {
  if (pos >= text_.size()) return 0;
  if (multi_line() && text_[pos] == '\r' && pos + 1 < text_.size() && text_[pos + 1] == '\n')
    return 2;
  return CharLength(text_, pos);
}

size_t EditBuffer::LineStart(size_t pos) const {
  pos = std::min(pos, text_.size());
  // Line breaks are never trail bytes: the byte scan is safe.
  while (pos > 0 && !IsBreak(text_[pos - 1])) --pos;
  return pos;
}

size_t EditBuffer::Snap(size_t pos) const {
  if (pos >= text_.size()) return text_.size();
  // Never between the two bytes of a CR LF.
  if (multi_line() && pos > 0 && text_[pos] == '\n' && text_[pos - 1] == '\r') return pos - 1;
  // Walk from the start of the line: only there is a boundary certain.
  size_t at = LineStart(pos);
  while (at < pos) {
    const size_t next = at + UnitLength(at);
    if (next > pos) break;
    at = next;
  }
  return at;
}

size_t EditBuffer::Next(size_t pos) const {
  pos = Snap(pos);
  return pos + UnitLength(pos);
}

size_t EditBuffer::Prev(size_t pos) const {
  pos = Snap(pos);
  if (pos == 0) return 0;
  // A CR LF before the position is one unit.
  if (multi_line() && pos >= 2 && text_[pos - 1] == '\n' && text_[pos - 2] == '\r') return pos - 2;
  if (IsBreak(text_[pos - 1])) return pos - 1;
  return Snap(pos - 1);
}

// ---- Moves ----------------------------------------------------------------------

void EditBuffer::MoveTo(size_t pos, bool extend) {
  caret_ = Snap(pos);
  if (!extend) anchor_ = caret_;
}

void EditBuffer::Left(bool extend) {
  if (HasSelection() && !extend)
    MoveTo(SelectionStart(), false);
  else
    MoveTo(Prev(caret_), extend);
}

void EditBuffer::Right(bool extend) {
  if (HasSelection() && !extend)
    MoveTo(SelectionEnd(), false);
  else
    MoveTo(Next(caret_), extend);
}

EditBuffer::CharClass EditBuffer::ClassAt(size_t pos) const {
  const auto b = static_cast<uint8_t>(text_[pos]);
  if (IsBreak(static_cast<char>(b))) return CharClass::kBreak;
  if (b == ' ' || b == '\t') return CharClass::kSpace;
  if (CharLength(text_, pos) == 2)
    return CharCode(text_, pos) == 0x8140 ? CharClass::kSpace
                                          : CharClass::kWord;  // full-width space
  if ((b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || b == '_' ||
      b >= 0xA1)  // half-width kana read as letters
    return CharClass::kWord;
  return CharClass::kSign;
}

void EditBuffer::WordRight(bool extend) {
  size_t pos = caret_;
  if (pos < text_.size()) {
    const CharClass first = ClassAt(pos);
    if (first == CharClass::kBreak) {
      pos = Next(pos);
    } else {
      while (pos < text_.size() && first != CharClass::kSpace && ClassAt(pos) == first)
        pos = Next(pos);
      while (pos < text_.size() && ClassAt(pos) == CharClass::kSpace) pos = Next(pos);
    }
  }
  MoveTo(pos, extend);
}

void EditBuffer::WordLeft(bool extend) {
  size_t pos = caret_;
  while (pos > 0 && ClassAt(Prev(pos)) == CharClass::kSpace) pos = Prev(pos);
  if (pos > 0) {
    const CharClass run = ClassAt(Prev(pos));
    if (run == CharClass::kBreak)
      pos = Prev(pos);
    else
      while (pos > 0 && ClassAt(Prev(pos)) == run) pos = Prev(pos);
  }
  MoveTo(pos, extend);
}

void EditBuffer::SelectAll() {
  anchor_ = 0;
  caret_ = text_.size();
}

// ---- Edits ----------------------------------------------------------------------

std::string EditBuffer::Clean(std::string_view text, bool allow_breaks) const {
  std::string out;
  for (size_t pos = 0; pos < text.size();) {
    const size_t n = CharLength(text, pos);
    const char c = text[pos];
    if (n == 2) {
      out.append(text.substr(pos, 2));
    } else if (IsBreak(c)) {
      if (!allow_breaks) {  // typed: Enter never reaches the text
        ++pos;
        continue;
      }
      if (!multi_line()) break;  // one line takes the first line only
      out += "\r\n";
      if (c == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n') ++pos;
    } else if (IsSjisLeadByte(static_cast<uint8_t>(c))) {
      // A lead byte without its trail would pair with the text after it.
    } else if (static_cast<uint8_t>(c) >= 0x20 || c == '\t') {
      out += c;
    }
    pos += n;
  }
  return out;
}

bool EditBuffer::ReplaceSelection(const std::string& with) {
  const size_t start = SelectionStart(), end = SelectionEnd();
  if (start == end && with.empty()) return false;
  text_.replace(start, end - start, with);
  caret_ = anchor_ = start + with.size();
  return true;
}

bool EditBuffer::Insert(std::string_view text) {
  return ReplaceSelection(Clean(text, true));
}

bool EditBuffer::Type(std::string_view text) {
  return ReplaceSelection(Clean(text, false));
}

bool EditBuffer::DeleteSelection() {
  return HasSelection() && ReplaceSelection({});
}

bool EditBuffer::DeleteBackward() {
  if (!HasSelection()) anchor_ = Prev(caret_);
  return ReplaceSelection({});
}

bool EditBuffer::DeleteForward() {
  if (!HasSelection()) anchor_ = Next(caret_);
  return ReplaceSelection({});
}

// ---- Composition ------------------------------------------------------------------

void EditBuffer::SetComposition(std::string text, size_t cursor) {
  composition_ = Clean(text, false);
  cursor = std::min(cursor, composition_.size());
  size_t at = 0;
  while (at < cursor && at + CharLength(composition_, at) <= cursor)
    at += CharLength(composition_, at);
  composition_cursor_ = at;
}

std::string EditBuffer::Display(size_t* start) const {
  const size_t from = composing() ? SelectionStart() : caret_;
  if (start) *start = from;
  if (!composing()) return text_;
  return text_.substr(0, from) + composition_ + text_.substr(SelectionEnd());
}

size_t EditBuffer::DisplayCaret() const {
  return composing() ? SelectionStart() + composition_cursor_ : caret_;
}

}  // namespace vesk::components
