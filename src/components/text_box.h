#pragma once
// The text boxes: TVeskEdit (kind 5, one line) and TVeskMemo (kind 11,
// several lines). The system has no native edit controls, so a box is our
// own text-entry overlay drawn with the glyph renderer at the component's
// scene rectangle: background, text, selection, the input method's
// composition (underlined) and a blinking caret. It is shown while the
// component is shown on the base on screen (checked every frame), and on
// showing, when enabled (not paused), it takes the keyboard and with it
// the scene focus. Every key pressed in it posts PR_ONNOTIFY with the
// virtual key code and the box's text; Enter and Escape never reach the
// text. The text is CP932; typed text arrives converted.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "components/component_services.h"
#include "components/edit_buffer.h"
#include "components/glyph_text.h"
#include "graphics/dibsfc.h"
#include "scene/vesk_object.h"

namespace vesk::components {

class TVeskTextBox : public scene::TVeskControl, public ServiceUser {
 public:
  TVeskTextBox(scene::TVeskBaseList* root, EditBuffer::Lines lines);
  ~TVeskTextBox() override;

  std::string FontName = kProportionalGothicFace;
  int32_t FontHeight = 12;
  uint8_t FontStyle = 0;
  int32_t FontColor = 0;
  uint8_t ReadOnly = 0;
  uint8_t Paused = 0;  // a paused box is disabled: greyed, no keyboard
  std::string OnNotify;
  uint8_t HAlign = 0;  // the memo's line alignment

  // Pixels between the box's edges and its text.
  static constexpr int32_t kMarginXPx = 2;
  static constexpr int32_t kMarginYPx = 1;
  static constexpr int32_t kCaretBlinkMs = 530;
  // The largest picture of a box's text, per side.
  static constexpr int32_t kMaxLayerSidePx = 4096;

  const EditBuffer& buffer() const { return buffer_; }
  // Whether the box is on screen now (as of the last frame's check).
  bool BoxShown() const { return box_shown_; }
  bool HasKeyboard() const;
  bool CaretVisible() const { return caret_on_; }

  int32_t GetInt(int id) const override;
  void SetInt(int id, int32_t value) override;
  bool GetFlag(int id) const override;
  void SetFlag(int id, bool value) override;
  std::string GetStr(int id) const override;
  void SetStr(int id, const std::string& value) override;

  void Draw(graphics::TCustomDIBX& surface, const Rect& clip) override;
  bool Update(int32_t frame_ms) override;
  void SyncOverlay() override;
  void ReleaseSurfaces() override;
  void RestoreSurfaces() override { Changed(); }

  // The box takes the mouse itself: a click places the caret (and gives it
  // the keyboard), a drag selects; no mouse handler of the component runs.
  void LeftDown() override;
  void LeftUp() override;
  void RightDown() override;
  void RightUp() override {}
  void MouseMove() override {}
  void MouseIn() override {}
  void MouseOut() override {}
  void MouseHold() override;
  void FocusGained() override;

  void TextKeyDown(int vk, uint8_t mods) override;
  void TextTyped(const std::string& cp932) override;
  void TextComposing(const std::string& cp932, size_t cursor_bytes) override;
  bool TextCaret(Rect* caret) const override;
  void KeyboardLost() override;

 protected:
  void TransferKindFields(RecordIO& io) override;

 private:
  // One shown row of text: display bytes [start, end) without a break, the
  // byte offset and x of every character boundary in it, and its left edge
  // (by the alignment) in the text area.
  struct Row {
    size_t start = 0, end = 0;
    std::vector<size_t> stops;
    std::vector<int32_t> xs;
    int32_t left = 0;
    int32_t width() const { return xs.empty() ? 0 : xs.back(); }
  };

  bool Editable() const { return !ReadOnly && !Paused; }
  int32_t AreaWidth() const { return std::max(0, Width - 2 * kMarginXPx); }
  int32_t AreaHeight() const { return std::max(0, Height - 2 * kMarginYPx); }
  int32_t RowHeight() const { return std::max(1, FontHeight); }
  int32_t VisibleRows() const { return std::max(1, AreaHeight() / RowHeight()); }
  int32_t Advance(uint16_t code) const;
  const std::string& Face() const;

  // Something the box shows changed: the rows are laid out again and the
  // box drawn again; the caret shows at once.
  void Changed();
  void EnsureLayout();
  void LayOutRow(const std::string& shown, size_t start, size_t end, bool wrap);
  void ScrollToCaret();
  size_t RowOf(size_t display_pos) const;
  int32_t XOf(const Row& row, size_t display_pos) const;
  size_t StopNear(const Row& row, int32_t x) const;
  // The text position under a scene point.
  size_t PositionAt(int32_t scene_x, int32_t scene_y);
  // The caret and the text area (the box less its margins), in the scene.
  Rect CaretRect();
  Rect TextArea() const;
  void MoveVertically(int32_t rows, bool extend);
  void Notify(int vk);
  void Copy();
  void Paste();
  void DrawBox(graphics::TCustomDIBX& surface);
  // The text drawn into the layer and its mask (again when anything
  // changed); false when the box is too large for any picture.
  bool RenderLayer(int bit_count);

  EditBuffer buffer_;
  std::vector<Row> rows_;
  std::string shown_;          // the text as laid out (the composition in place)
  size_t composition_at_ = 0;  // where the composition begins in it
  bool layout_dirty_ = true;
  bool layer_dirty_ = true;
  int32_t laid_width_ = 0, laid_height_ = 0;  // the size the rows were laid out for
  int32_t scroll_x_ = 0;                      // the edit's horizontal scroll
  int32_t first_row_ = 0;                     // the memo's first shown row
  int32_t goal_x_ = -1;                       // the x that up and down keep (-1: the caret's)
  bool box_shown_ = false;
  bool caret_on_ = true;
  int32_t blink_ms_ = 0;
  bool dragging_ = false;
  graphics::TDIBX layer_;  // the text, drawn through its mask
  graphics::TDIBX layer_mask_;
};

class TVeskEdit final : public TVeskTextBox {
 public:
  explicit TVeskEdit(scene::TVeskBaseList* root) : TVeskTextBox(root, EditBuffer::Lines::kSingle) {}
  int GetCompoType() const override { return lang::LT_EDIT; }
};

class TVeskMemo final : public TVeskTextBox {
 public:
  explicit TVeskMemo(scene::TVeskBaseList* root) : TVeskTextBox(root, EditBuffer::Lines::kMulti) {}
  int GetCompoType() const override { return lang::LT_MEMO; }

 protected:
  void TransferKindFields(RecordIO& io) override;
};

}  // namespace vesk::components
