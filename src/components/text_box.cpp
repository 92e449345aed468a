#include "components/text_box.h"

#include <algorithm>

#include "lang/vocabulary.h"
#include "platform/vkeys.h"
#include "scene/baselist.h"
#include "text/fontpixels.h"

namespace vesk::components {

using namespace vesk::lang;
namespace vk = platform::vk;

namespace {

// The colours of a desktop text box: the selection, its text, and the
// text of a disabled box (0x00BBGGRR).
constexpr int32_t kHighlightColor = 0xD77800;
constexpr int32_t kHighlightTextColor = 0xFFFFFF;
constexpr int32_t kGrayTextColor = 0x6D6D6D;

}  // namespace

TVeskTextBox::TVeskTextBox(scene::TVeskBaseList* root, EditBuffer::Lines lines)
    : TVeskControl(root), buffer_(lines) {
  // A box can always take the keyboard; it starts white like a desktop one.
  HandleKey = 1;
  Color = 0xFFFFFF;
  if (Root) Root->AddOverlay(this);
}

TVeskTextBox::~TVeskTextBox() = default;

bool TVeskTextBox::HasKeyboard() const {
  return Root && Root->KeyboardHolder() == this;
}

const std::string& TVeskTextBox::Face() const {
  return FontName.empty() ? text::kDefaultFace : FontName;
}

int32_t TVeskTextBox::Advance(uint16_t code) const {
  text::TFontPixelManager* cache = glyphs();
  // Without fonts the text still lays out, on a half-square grid.
  if (!cache) return std::max(1, code > 0xFF ? FontHeight : FontHeight / 2);
  cache->Level = 3;
  const auto glyph = cache->Get(code, Face(), FontStyle, FontHeight);
  return glyph->Bitmap.Width() + glyph->OriginX + glyph->RightPad;
}

// ---- Properties ----------------------------------------------------------------------

int32_t TVeskTextBox::GetInt(int id) const {
  switch (id) {
    case PR_FONTHEIGHT:
      return FontHeight;
    case PR_FONTSTYLE:
      return FontStyle;
    case PR_FONTCOLOR:
      return FontColor;
    case PR_HANDLEKEY:
      return 1;
    case PR_HALIGN:
      if (buffer_.multi_line()) return HAlign;
      return TVeskControl::GetInt(id);
    default:
      return TVeskControl::GetInt(id);
  }
}

void TVeskTextBox::SetInt(int id, int32_t value) {
  switch (id) {
    case PR_FONTHEIGHT:
      FontHeight = value;
      break;
    case PR_FONTSTYLE:
      FontStyle = static_cast<uint8_t>(value);
      break;
    case PR_FONTCOLOR:
      FontColor = value;
      break;
    case PR_HANDLEKEY:
      return;  // always true
    case PR_HALIGN:
      if (!buffer_.multi_line()) return TVeskControl::SetInt(id, value);
      HAlign = static_cast<uint8_t>(value);
      break;
    default:
      TVeskControl::SetInt(id, value);
      return;
  }
  Changed();
}

bool TVeskTextBox::GetFlag(int id) const {
  switch (id) {
    case PR_READONLY:
      return ReadOnly != 0;
    case PR_PAUSED:
      return Paused != 0;
    default:
      return TVeskControl::GetFlag(id);
  }
}

void TVeskTextBox::SetFlag(int id, bool value) {
  switch (id) {
    case PR_READONLY:
      ReadOnly = value ? 1 : 0;
      if (value) buffer_.ClearComposition();
      break;
    case PR_PAUSED:
      // A disabled box gives the keyboard back.
      Paused = value ? 1 : 0;
      if (value) {
        buffer_.ClearComposition();
        dragging_ = false;
        if (HasKeyboard()) Root->GiveKeyboard(nullptr);
      }
      break;
    default:
      TVeskControl::SetFlag(id, value);
      return;
  }
  Changed();
}

std::string TVeskTextBox::GetStr(int id) const {
  switch (id) {
    case PR_TEXT:
      return buffer_.text();
    case PR_FONTNAME:
      return FontName;
    case PR_ONNOTIFY:
      return OnNotify;
    default:
      return TVeskControl::GetStr(id);
  }
}

void TVeskTextBox::SetStr(int id, const std::string& value) {
  switch (id) {
    case PR_TEXT:
      buffer_.SetText(value);
      scroll_x_ = first_row_ = 0;
      goal_x_ = -1;
      break;
    case PR_FONTNAME:
      FontName = value;
      break;
    case PR_ONNOTIFY:
      OnNotify = value;
      return;
    default:
      TVeskControl::SetStr(id, value);
      return;
  }
  Changed();
}

// ---- Layout ---------------------------------------------------------------------------

void TVeskTextBox::Changed() {
  layout_dirty_ = true;
  caret_on_ = true;
  blink_ms_ = 0;
  Invalidate();
}

void TVeskTextBox::EnsureLayout() {
  if (!layout_dirty_ && rows_.size() > 0 && laid_width_ == Width && laid_height_ == Height) return;
  layout_dirty_ = false;
  layer_dirty_ = true;
  laid_width_ = Width;
  laid_height_ = Height;
  shown_ = buffer_.Display(&composition_at_);
  rows_.clear();
  if (!buffer_.multi_line()) {
    LayOutRow(shown_, 0, shown_.size(), false);
  } else {
    // Every line of the memo, wrapped at the box's width.
    for (size_t start = 0;;) {
      const size_t end = std::min(shown_.find_first_of("\r\n", start), shown_.size());
      LayOutRow(shown_, start, end, true);
      if (end == shown_.size()) break;
      start =
          end + (shown_[end] == '\r' && end + 1 < shown_.size() && shown_[end + 1] == '\n' ? 2 : 1);
    }
  }
  ScrollToCaret();
}

void TVeskTextBox::LayOutRow(const std::string& shown, size_t start, size_t end, bool wrap) {
  // A line break ends the characters: a lead byte just before it stands alone.
  const std::string_view line = std::string_view(shown).substr(0, end);
  const int32_t limit = AreaWidth();
  size_t row_start = start;
  do {
    Row row;
    row.start = row_start;
    row.stops.push_back(row_start);
    row.xs.push_back(0);
    size_t pos = row_start, space_stop = 0;
    int64_t x = 0;
    while (pos < end) {
      const size_t n = CharLength(line, pos);
      const int32_t advance = Advance(CharCode(line, pos));
      // At least one character a row, so that the layout always moves on.
      if (wrap && x + advance > limit && pos > row_start) {
        if (space_stop > 0) {
          // Words wrap whole when a space allows it.
          row.stops.resize(space_stop + 1);
          row.xs.resize(space_stop + 1);
          pos = row.stops.back();
        }
        break;
      }
      x += advance;
      pos += n;
      row.stops.push_back(pos);
      row.xs.push_back(static_cast<int32_t>(std::min<int64_t>(x, INT32_MAX)));
      if (n == 1 && line[pos - 1] == ' ') space_stop = row.stops.size() - 1;
    }
    row.end = row.stops.back();
    if (buffer_.multi_line()) {
      const int32_t spare = std::max(0, limit - row.width());
      row.left = HAlign == 1 ? spare / 2 : HAlign == 2 ? spare : 0;
    }
    rows_.push_back(std::move(row));
    row_start = pos;
  } while (row_start < end);
}

size_t TVeskTextBox::RowOf(size_t display_pos) const {
  // A position where a wrapped row ends belongs to the row it begins.
  size_t r = 0;
  for (size_t i = 0; i < rows_.size(); ++i)
    if (rows_[i].start <= display_pos) r = i;
  return r;
}

int32_t TVeskTextBox::XOf(const Row& row, size_t display_pos) const {
  const auto at = std::upper_bound(row.stops.begin(), row.stops.end(), display_pos);
  const size_t i = at == row.stops.begin() ? 0 : static_cast<size_t>(at - row.stops.begin()) - 1;
  return row.xs[i];
}

size_t TVeskTextBox::StopNear(const Row& row, int32_t x) const {
  for (size_t i = 0; i + 1 < row.stops.size(); ++i)
    if (x < (int64_t{row.xs[i]} + row.xs[i + 1]) / 2) return row.stops[i];
  return row.stops.back();
}

void TVeskTextBox::ScrollToCaret() {
  const size_t caret = buffer_.DisplayCaret();
  if (!buffer_.multi_line()) {
    const int32_t area = AreaWidth(), total = rows_[0].width(), x = XOf(rows_[0], caret);
    // Text that fits is never scrolled; otherwise the caret stays in view.
    scroll_x_ = total < area ? 0 : std::clamp(scroll_x_, 0, total - area + 1);
    if (x < scroll_x_) scroll_x_ = x;
    if (x - scroll_x_ > area - 1) scroll_x_ = x - area + 1;
    scroll_x_ = std::max(0, scroll_x_);
    return;
  }
  const int32_t visible = VisibleRows(), count = static_cast<int32_t>(rows_.size());
  const int32_t row = static_cast<int32_t>(RowOf(caret));
  first_row_ = std::clamp(first_row_, 0, std::max(0, count - visible));
  if (row < first_row_) first_row_ = row;
  if (row >= first_row_ + visible) first_row_ = row - visible + 1;
}

size_t TVeskTextBox::PositionAt(int32_t scene_x, int32_t scene_y) {
  EnsureLayout();
  const int64_t x = int64_t{scene_x} - GetSceneLeft() - kMarginXPx + scroll_x_;
  const int64_t y = int64_t{scene_y} - GetSceneTop() - kMarginYPx;
  int64_t r = 0;
  if (buffer_.multi_line())
    r = std::clamp<int64_t>(first_row_ + (y < 0 ? -1 : y / RowHeight()), 0,
                            static_cast<int64_t>(rows_.size()) - 1);
  const Row& row = rows_[static_cast<size_t>(r)];
  return StopNear(row,
                  static_cast<int32_t>(std::clamp<int64_t>(x - row.left, INT32_MIN, INT32_MAX)));
}

Rect TVeskTextBox::CaretRect() {
  EnsureLayout();
  const size_t caret = buffer_.DisplayCaret();
  const size_t r = RowOf(caret);
  const Row& row = rows_[r];
  const int64_t x = int64_t{GetSceneLeft()} + kMarginXPx + row.left + XOf(row, caret) - scroll_x_;
  const int64_t y =
      int64_t{GetSceneTop()} + kMarginYPx + (static_cast<int64_t>(r) - first_row_) * RowHeight();
  return Rect::FromSize(static_cast<int32_t>(std::clamp<int64_t>(x, INT32_MIN, INT32_MAX - 1)),
                        static_cast<int32_t>(std::clamp<int64_t>(y, INT32_MIN, INT32_MAX - 1)), 1,
                        RowHeight());
}

Rect TVeskTextBox::TextArea() const {
  const Rect box = SceneRect();
  return Rect{box.left + kMarginXPx, box.top + kMarginYPx, box.right - kMarginXPx,
              box.bottom - kMarginYPx};
}

// ---- Keys and text -------------------------------------------------------------------

void TVeskTextBox::Notify(int key) {
  if (!OnNotify.empty()) QueueEvent(PR_ONNOTIFY, OnNotify, {std::to_string(key), buffer_.text()});
}

void TVeskTextBox::Copy() {
  const ComponentServices* made_with = services();
  if (buffer_.HasSelection() && made_with && made_with->write_clipboard)
    made_with->write_clipboard(buffer_.SelectedText());
}

void TVeskTextBox::Paste() {
  const ComponentServices* made_with = services();
  if (Editable() && made_with && made_with->read_clipboard)
    buffer_.Insert(made_with->read_clipboard());
}

void TVeskTextBox::MoveVertically(int32_t rows, bool extend) {
  if (!buffer_.multi_line()) {
    // One line: up and down step like left and right.
    if (rows < 0) buffer_.Left(extend);
    if (rows > 0) buffer_.Right(extend);
    return;
  }
  EnsureLayout();
  const size_t caret = buffer_.caret();
  const int64_t r = static_cast<int64_t>(RowOf(caret));
  const Row& from = rows_[static_cast<size_t>(r)];
  const int32_t x = goal_x_ >= 0 ? goal_x_ : from.left + XOf(from, caret);
  const int64_t target = std::clamp<int64_t>(r + rows, 0, static_cast<int64_t>(rows_.size()) - 1);
  const Row& to = rows_[static_cast<size_t>(target)];
  if (target != r) buffer_.MoveTo(StopNear(to, x - to.left), extend);
  goal_x_ = x;
}

void TVeskTextBox::TextKeyDown(int key, uint8_t mods) {
  // Every key is told, Enter and Escape too, with the text as it is.
  Notify(key);
  if (Paused || buffer_.composing()) return;  // the input method has the keys
  const bool shift = (mods & scene::kKeyShift) != 0, control = (mods & scene::kKeyControl) != 0;
  const int32_t kept_goal = goal_x_;
  goal_x_ = -1;
  EnsureLayout();
  const Row& row = rows_[RowOf(buffer_.caret())];
  switch (key) {
    case vk::kReturn:
      // Enter alone never reaches the text; a memo takes Shift+Enter or
      // Ctrl+Enter as a new line.
      if (buffer_.multi_line() && (shift || control) && Editable()) buffer_.Insert("\r\n");
      break;
    case vk::kLeft:
      control ? buffer_.WordLeft(shift) : buffer_.Left(shift);
      break;
    case vk::kRight:
      control ? buffer_.WordRight(shift) : buffer_.Right(shift);
      break;
    case vk::kUp:
    case vk::kDown:
    case vk::kPrior:
    case vk::kNext: {
      if (!buffer_.multi_line() && (key == vk::kPrior || key == vk::kNext)) break;
      const int32_t step = key == vk::kUp || key == vk::kDown ? 1 : VisibleRows();
      goal_x_ = kept_goal;
      MoveVertically(key == vk::kUp || key == vk::kPrior ? -step : step, shift);
      break;
    }
    case vk::kHome:
      buffer_.MoveTo(control ? 0 : row.start, shift);
      break;
    case vk::kEnd: {
      // A wrapped row ends where the next begins: stop before its last
      // character so that the caret stays on this row.
      const size_t r = RowOf(buffer_.caret());
      const bool wrapped = r + 1 < rows_.size() && rows_[r + 1].start == row.end;
      const size_t end =
          wrapped && row.stops.size() > 1 ? row.stops[row.stops.size() - 2] : row.end;
      buffer_.MoveTo(control ? buffer_.text().size() : end, shift);
      break;
    }
    case vk::kBack:
      if (Editable()) buffer_.DeleteBackward();
      break;
    case vk::kDelete:
      if (shift) Copy();  // Shift+Delete cuts
      if (Editable()) shift ? buffer_.DeleteSelection() : buffer_.DeleteForward();
      break;
    case vk::kInsert:
      if (control) Copy();
      if (shift) Paste();
      break;
    default:
      if (!control) break;
      if (key == 'A') buffer_.SelectAll();
      if (key == 'C' || key == 'X') Copy();
      if (key == 'X' && Editable()) buffer_.DeleteSelection();
      if (key == 'V') Paste();
      break;
  }
  Changed();
}

void TVeskTextBox::TextTyped(const std::string& cp932) {
  if (!Editable()) return;
  buffer_.ClearComposition();
  buffer_.Type(cp932);
  goal_x_ = -1;
  Changed();
}

void TVeskTextBox::TextComposing(const std::string& cp932, size_t cursor_bytes) {
  if (!Editable()) return;
  buffer_.SetComposition(cp932, cursor_bytes);
  Changed();
}

bool TVeskTextBox::TextCaret(Rect* caret) const {
  if (!Editable() || !box_shown_ || !HasKeyboard()) return false;
  *caret = const_cast<TVeskTextBox*>(this)->CaretRect();
  return true;
}

void TVeskTextBox::KeyboardLost() {
  buffer_.ClearComposition();
  dragging_ = false;
  Changed();
}

void TVeskTextBox::FocusGained() {
  if (Root && !Paused && IsShown()) Root->GiveKeyboard(this);
}

// ---- Mouse ------------------------------------------------------------------------------

void TVeskTextBox::LeftDown() {
  scene::TVeskBase* base = GetBase();
  if (Paused || !IsShown() || !base) {
    TVeskControl::LeftDown();
    return;
  }
  base->LClick = 0;  // the box took the click
  base->Capture |= scene::TVeskBase::kCaptureLeft;
  if (Root) Root->GiveKeyboard(this);
  if (!buffer_.composing()) {
    buffer_.MoveTo(PositionAt(base->MouseX, base->MouseY), false);
    dragging_ = true;
  }
  goal_x_ = -1;
  Changed();
}

void TVeskTextBox::MouseHold() {
  scene::TVeskBase* base = GetBase();
  if (!dragging_ || !base) return;
  const size_t at = PositionAt(base->MouseX, base->MouseY);
  if (at == buffer_.caret()) return;
  buffer_.MoveTo(at, true);
  Changed();
}

void TVeskTextBox::LeftUp() {
  dragging_ = false;
  if (scene::TVeskBase* base = GetBase())
    base->Capture &= static_cast<uint8_t>(~scene::TVeskBase::kCaptureLeft);
}

void TVeskTextBox::RightDown() {
  if (scene::TVeskBase* base = GetBase()) base->RClick = 0;
}

// ---- Frames ------------------------------------------------------------------------------

void TVeskTextBox::SyncOverlay() {
  const bool shown = IsShown();
  if (shown == box_shown_) return;
  box_shown_ = shown;
  Changed();
  if (!Root) return;
  // Showing an enabled box hands it the keyboard; hiding one gives it back.
  if (shown && !Paused)
    Root->GiveKeyboard(this);
  else if (!shown && HasKeyboard())
    Root->GiveKeyboard(nullptr);
}

bool TVeskTextBox::Update(int32_t frame_ms) {
  if (!HasKeyboard() || !box_shown_ || frame_ms <= 0) return false;
  blink_ms_ += frame_ms;
  if (blink_ms_ < kCaretBlinkMs) return false;
  if ((blink_ms_ / kCaretBlinkMs) % 2 == 1) caret_on_ = !caret_on_;
  blink_ms_ %= kCaretBlinkMs;
  Invalidate();
  return false;
}

void TVeskTextBox::ReleaseSurfaces() {
  layer_.SetSize(0, 0, 0);
  layer_mask_.SetSize(0, 0, 0);
  layer_dirty_ = true;
}

// ---- Drawing -----------------------------------------------------------------------------

void TVeskTextBox::Draw(graphics::TCustomDIBX& surface, const Rect& clip) {
  if (IsShown() && Width > 0 && Height > 0) DrawBox(surface);
  DrawChildren(surface, clip);
}

void TVeskTextBox::DrawBox(graphics::TCustomDIBX& surface) {
  EnsureLayout();
  if (Color >= 0) surface.FillRect(SceneRect(), static_cast<uint32_t>(surface.ColorToPixel(Color)));
  const Rect area = TextArea();
  if (area.IsEmpty()) return;
  const int64_t origin_x = int64_t{area.left} - scroll_x_;
  auto fill = [&](int64_t left, int64_t top, int64_t right, int64_t bottom, int32_t color) {
    const auto clamp = [](int64_t v) {
      return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
    };
    const Rect r = Rect{clamp(left), clamp(top), clamp(right), clamp(bottom)}.Intersect(area);
    if (!r.IsEmpty()) surface.FillRect(r, static_cast<uint32_t>(surface.ColorToPixel(color)));
  };
  // Under the text: the selection.
  const size_t sel_start = buffer_.SelectionStart(), sel_end = buffer_.SelectionEnd();
  const int32_t last =
      std::min<int32_t>(static_cast<int32_t>(rows_.size()), first_row_ + VisibleRows() + 1);
  for (int32_t r = first_row_; r < last; ++r) {
    const Row& row = rows_[static_cast<size_t>(r)];
    const int64_t top = int64_t{area.top} + int64_t{r - first_row_} * RowHeight();
    if (!buffer_.composing() && sel_start < sel_end && sel_start <= row.end &&
        sel_end >= row.start) {
      const int64_t x0 = origin_x + row.left + XOf(row, std::max(sel_start, row.start));
      int64_t x1 = origin_x + row.left + XOf(row, std::min(sel_end, row.end));
      if (sel_end > row.end) x1 += 3;  // a selected line break shows as a little room
      fill(x0, top, x1, top + RowHeight(), kHighlightColor);
    }
  }
  if (!RenderLayer(surface.BitCount())) return;
  surface.DrawMask(SceneRect().left, SceneRect().top, layer_, layer_.BoundsRect(),
                   graphics::Flip::kNone, layer_mask_);
  const int32_t text_color = Paused ? kGrayTextColor : FontColor;
  // Over it: the composition underlined, and the caret.
  if (buffer_.composing()) {
    const size_t from = composition_at_, to = composition_at_ + buffer_.composition().size();
    for (int32_t r = first_row_; r < last; ++r) {
      const Row& row = rows_[static_cast<size_t>(r)];
      if (from > row.end || to < row.start) continue;
      const int64_t bottom = int64_t{area.top} + int64_t{r - first_row_ + 1} * RowHeight();
      fill(origin_x + row.left + XOf(row, std::max(from, row.start)), bottom - 1,
           origin_x + row.left + XOf(row, std::min(to, row.end)), bottom, text_color);
    }
  }
  if (HasKeyboard() && !Paused && caret_on_) {
    const Rect caret = CaretRect();
    fill(caret.left, caret.top, caret.right, caret.bottom, text_color);
  }
}

bool TVeskTextBox::RenderLayer(int bit_count) {
  // Text beyond the first few thousand pixels of a box is never drawn: no
  // picture is made larger than that, whatever size a script gives.
  const int32_t layer_w = std::min(Width, kMaxLayerSidePx),
                layer_h = std::min(Height, kMaxLayerSidePx);
  if (layer_.Width() != layer_w || layer_.Height() != layer_h || layer_.BitCount() != bit_count) {
    try {
      layer_.SetSize(layer_w, layer_h, bit_count);
      layer_mask_.SetSize(layer_w, layer_h, 8);
    } catch (const graphics::EGraphicsError&) {
      // A box larger than any picture shows its background only.
      layer_.SetSize(0, 0, 0);
      layer_mask_.SetSize(0, 0, 0);
      return false;
    }
    layer_dirty_ = true;
  }
  if (!layer_dirty_) return true;
  layer_dirty_ = false;
  layer_mask_.ResetClip();
  layer_mask_.Fill(0);
  text::TFontPixelManager* cache = glyphs();
  if (!cache) return true;
  cache->Level = 3;
  // The glyphs stay inside the text area, margins clear.
  const Rect area = Rect{kMarginXPx, kMarginYPx, Width - kMarginXPx, Height - kMarginYPx}.Intersect(
      layer_.BoundsRect());
  if (area.IsEmpty()) return true;
  layer_.SetClipRect(area);
  const std::string_view shown = shown_;
  const size_t sel_start = buffer_.SelectionStart(), sel_end = buffer_.SelectionEnd();
  const int32_t plain = Paused ? kGrayTextColor : FontColor;
  const int32_t last =
      std::min<int32_t>(static_cast<int32_t>(rows_.size()), first_row_ + VisibleRows() + 1);
  for (int32_t r = first_row_; r < last; ++r) {
    const Row& row = rows_[static_cast<size_t>(r)];
    const int64_t top = int64_t{kMarginYPx} + int64_t{r - first_row_} * RowHeight();
    const int64_t left = int64_t{kMarginXPx} + row.left - scroll_x_;
    const std::string_view line = shown.substr(0, row.end);
    for (size_t i = 0; i + 1 < row.stops.size(); ++i) {
      const int64_t x = left + row.xs[i], w = int64_t{row.xs[i + 1]} - row.xs[i];
      if (x + w <= 0 || x >= layer_w) continue;
      const size_t pos = row.stops[i];
      const bool selected = !buffer_.composing() && pos >= sel_start && pos < sel_end;
      text::GlyphColors colors;
      colors.text =
          static_cast<uint32_t>(layer_.ColorToPixel(selected ? kHighlightTextColor : plain));
      text::RenderOptions options;
      options.left_differs = i == 0;
      options.right_differs = i + 2 == row.stops.size();
      const auto glyph = cache->Get(CharCode(line, pos), Face(), FontStyle, FontHeight);
      cache->Render(*glyph, layer_, layer_mask_, colors, options,
                    Rect::FromSize(static_cast<int32_t>(x), static_cast<int32_t>(top),
                                   static_cast<int32_t>(w), RowHeight()));
    }
  }
  layer_.ResetClip();
  return true;
}

// ---- Stored form -----------------------------------------------------------------------------

void TVeskTextBox::TransferKindFields(RecordIO& io) {
  // Loading goes through the setters, then the box is placed and shown anew
  // at the next frame's check.
  io.Via(&RecordIO::Flag, Paused, "text box pause", [&](uint8_t v) { SetFlag(PR_PAUSED, v != 0); });
  io.Via(&RecordIO::Str, buffer_.text(), "text box text",
         [&](const std::string& s) { SetStr(PR_TEXT, s); });
  io.Via(&RecordIO::Str, FontName, "text box font",
         [&](const std::string& s) { SetStr(PR_FONTNAME, s); });
  io.Via(&RecordIO::I32, FontHeight, "text box font height",
         [&](int32_t v) { SetInt(PR_FONTHEIGHT, v); });
  io.Via(&RecordIO::U8, FontStyle, "text box font style",
         [&](uint8_t v) { SetInt(PR_FONTSTYLE, v); });
  io.Via(&RecordIO::I32, FontColor, "text box font colour",
         [&](int32_t v) { SetInt(PR_FONTCOLOR, v); });
  io.Via(&RecordIO::I32, Color, "text box colour", [&](int32_t v) { SetInt(PR_COLOR, v); });
  io.Via(&RecordIO::Flag, ReadOnly, "text box read-only",
         [&](uint8_t v) { SetFlag(PR_READONLY, v != 0); });
  io.Via(&RecordIO::Str, OnNotify, "text box key handler",
         [&](const std::string& s) { SetStr(PR_ONNOTIFY, s); });
  if (io.loading()) box_shown_ = false;
}

void TVeskMemo::TransferKindFields(RecordIO& io) {
  TVeskTextBox::TransferKindFields(io);
  io.Via(&RecordIO::U8, HAlign, "memo alignment", [&](uint8_t v) { SetInt(PR_HALIGN, v); });
}

}  // namespace vesk::components
