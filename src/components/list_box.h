#pragma once
// TVeskCustomListBox: a list of text items, one per line of its Text, in a
// frame of nine border cells, with a scroll bar once the items outnumber
// the visible rows, check marks, the item under the mouse shown in its
// hover look, keys, the wheel, and choosing (@SelStr, @SelIndex and the
// select handler). The choice menu (menu.h) is the kind built on it.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "components/component_services.h"
#include "components/image_list.h"
#include "components/label_list.h"
#include "scene/vesk_object.h"

namespace vesk::components {

class TVeskCustomListBox : public scene::TVeskControl, public ServiceUser {
 public:
  explicit TVeskCustomListBox(scene::TVeskBaseList* root);
  ~TVeskCustomListBox() override;

  // The nine border cells, in property order (PR_BORDERSOURCETL ...).
  enum Cell {
    kTopLeft,
    kTop,
    kTopRight,
    kLeft,
    kCentre,
    kRight,
    kBottomLeft,
    kBottom,
    kBottomRight,
    kCellCount
  };
  struct BorderCell {
    std::string Source;
    TVeskImageList List;
    uint8_t HAlign = 0, VAlign = 0;  // kept for the scripts and the stored form
  };
  // What the left button is holding.
  enum PressMode : int32_t {
    kNoPress = -1,
    kThumbDrag = 0,
    kArrowUp = 1,
    kArrowDown = 2,
    kPageUp = 3,
    kPageDown = 4,
    kItemPress = 5
  };
  // Sizes and distances of the layout are held within this many pixels.
  static constexpr int32_t kMaxMetricPx = 1 << 16;
  static constexpr int kScrollCells = 7;
  static constexpr int kCheckCells = 2;

  std::vector<std::string> Items;
  TTpLabelList Normal, Hover;
  std::vector<uint8_t> Checks;
  std::vector<uint8_t> Enabled;  // 1 enabled (the default), 0 disabled
  int32_t LineSpace = 0;
  int32_t Alpha = 255;
  int32_t MarginX = 0, MarginY = 0;
  int32_t BorderWidth = 0;
  int32_t BorderColor = -1;
  int32_t RowCount = 0;  // visible rows; 0 or less: every item
  std::array<BorderCell, kCellCount> Cells;
  std::string ScrollSource, CheckSource;
  TVeskImageList ScrollList, CheckList;
  int32_t TopIndex = 0;
  int32_t HoverIndex = -1;
  int32_t Mode = kNoPress;
  int32_t RepeatMs = 0;  // until the held arrow or page steps again
  uint8_t Paused = 0;
  int32_t Index = -1;  // the chosen item
  std::string OnSelect;
  uint8_t HAlign = 0;
  int32_t HoverColor = -1;  // highlight behind the hovered item; -1 none
  int32_t Phase = 0;        // the menu's animation phase

  int32_t Count() const { return static_cast<int32_t>(Items.size()); }
  // Rows shown at once, and whether the scroll bar is needed for the rest.
  int32_t VisibleRows() const;
  bool ScrollShown() const;
  void SetText(const std::string& text);
  std::string Text() const;
  // Clamped to 0 .. count - rows.
  void SetTopIndex(int32_t top);
  // -1 or an enabled item; a change redraws.
  void SetHoverIndex(int32_t index);
  bool ItemEnabled(int32_t index) const;
  // Renders both looks and sizes the list to its items.
  void Relayout();

  // The item at a scene point, or -1 (outside the item area, between the
  // last row and the bottom, or a disabled item).
  int32_t ItemAt(int32_t x, int32_t y) const;
  // The scroll-bar part at a scene point: kArrowUp, kArrowDown, kThumbDrag,
  // kPageUp, kPageDown, or kNoPress outside the bar.
  int32_t ScrollPartAt(int32_t x, int32_t y) const;

  int32_t GetInt(int id) const override;
  void SetInt(int id, int32_t value) override;
  bool GetFlag(int id) const override;
  void SetFlag(int id, bool value) override;
  std::string GetStr(int id) const override;
  void SetStr(int id, const std::string& value) override;

  bool GetItemCheck(int32_t index) const override;
  void SetItemCheck(int32_t index, bool value) override;
  bool GetItemEnabled(const std::string& item) const override;
  void SetItemEnabled(const std::string& item, bool value) override;

  void Draw(graphics::TCustomDIBX& surface, const Rect& clip) override;
  void MouseMove() override;
  void MouseOut() override;
  void LeftDown() override;
  void LeftUp() override;
  void KeyRepeat() override;
  void MouseWheel(bool down) override;
  bool Update(int32_t frame_ms) override;
  void ReleaseSurfaces() override;
  void RestoreSurfaces() override { Relayout(); }

 protected:
  // Chooses the hovered item: Index, @SelStr, @SelIndex and one queued
  // select event; then Chosen for the kinds that react further.
  void Choose();
  virtual void Chosen() {}
  // Whether keys and the mouse act on the items now.
  virtual bool TakesInput() const { return !Paused && !IsInputLocked(); }
  // Whether the hover look has a colour and style of its own (a menu's);
  // otherwise it follows the normal look's.
  virtual bool HasHoverLook() const { return false; }
  // Puts the laid-out size into effect (a menu keeps its animated height).
  virtual void ApplyLayoutSize(int32_t width, int32_t height);
  // Moves the hover by the list keys held this step; true when one was.
  bool ListKeys();
  void TransferKindFields(RecordIO& io) override;
  // The list's fields in stored order (a menu appends its own after them).
  void TransferListFields(RecordIO& io);

 private:
  struct Geometry;
  Geometry Measure() const;
  void ClampMetrics();
  void SetCellSource(int cell, const std::string& name);
  void LoadPicture(TVeskImageList& list, const std::string& name);
  // The mouse position in scene coordinates from the base.
  bool MousePosition(int32_t* x, int32_t* y) const;
  void StepScroll(int32_t mode);
  void DragThumb(int32_t y);
  void ScrollHoverIntoView();
  void MoveHover(int32_t target, int32_t direction);
  void DrawBorder(graphics::TCustomDIBX& surface, const Geometry& g);
  void DrawItems(graphics::TCustomDIBX& surface, const Geometry& g);
  void DrawScrollBar(graphics::TCustomDIBX& surface, const Geometry& g);
  void SetLook(int id, int32_t value);
};

}  // namespace vesk::components
