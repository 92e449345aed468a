#include "components/list_box.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "components/glyph_text.h"
#include "components/images.h"
#include "components/orlo_collection.h"
#include "lang/vocabulary.h"
#include "platform/vkeys.h"
#include "scene/baselist.h"

namespace vesk::components {

using namespace vesk::lang;
using graphics::Flip;
using graphics::KeyMode;

namespace {

int32_t Clamp32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// The size of one of `cells` equal cells side by side in the picture of
// `list`; 0 x 0 without a picture (also for a file that could not be had).
void CellSize(const TVeskImageList& list, int cells, int32_t* width, int32_t* height) {
  const TOrloItem* item = list.Item();
  if (!item || item->Blank || list.Count() == 0) {
    *width = *height = 0;
    return;
  }
  *width = item->Width / cells;
  *height = item->Height;
}

// The frame a picture shows now; null surface without one.
struct Picture {
  const graphics::TCustomDIBX* surface = nullptr;
  const graphics::TDIBX* mask = nullptr;
  explicit operator bool() const { return surface != nullptr; }
};

Picture Shown(TVeskImageList& list) {
  const TOrloItem* item = list.Item();
  if (!item || item->Blank || !list.Valid(list.Index)) return {};
  TVeskImageData& data = list.Data(list.Index);
  return {data.Surface(0), data.Mask()};
}

KeyMode KeyOf(const graphics::TCustomDIBX& surface) {
  return surface.ColorKey() >= 0 ? KeyMode::kUse : KeyMode::kIgnore;
}

void DrawPicture(graphics::TCustomDIBX& target, const Picture& p, int32_t x, int32_t y,
                 const Rect& src, int32_t blend) {
  if (!p || blend <= 0) return;
  if (p.mask)
    target.DrawMaskBlend(x, y, *p.surface, src, Flip::kNone, *p.mask, blend);
  else
    target.DrawBlend(x, y, *p.surface, src, KeyOf(*p.surface), Flip::kNone, blend);
}

void StretchPicture(graphics::TCustomDIBX& target, const Picture& p, const Rect& dest,
                    const Rect& src, int32_t blend) {
  if (!p || blend <= 0 || dest.IsEmpty() || src.IsEmpty()) return;
  const int32_t alpha = std::min(blend, 255);
  if (p.mask) {
    if (blend > 255)
      target.StretchMaskAdd(dest, *p.surface, src, Flip::kNone, *p.mask, blend - 256);
    else
      target.StretchMaskAlpha(dest, *p.surface, src, Flip::kNone, *p.mask, alpha);
  } else if (blend > 255) {
    target.StretchAdd(dest, *p.surface, src, KeyOf(*p.surface), Flip::kNone, blend - 256);
  } else {
    target.StretchAlpha(dest, *p.surface, src, KeyOf(*p.surface), Flip::kNone, alpha);
  }
}

void TilePicture(graphics::TCustomDIBX& target, const Picture& p, const Rect& dest, const Rect& src,
                 int32_t blend, int32_t offset_y) {
  if (!p || blend <= 0 || dest.IsEmpty() || src.IsEmpty()) return;
  const graphics::TCustomDIBX& s = *p.surface;
  if (p.mask) {
    if (blend == 255)
      target.TileMask(dest, 0, 0, s, src, *p.mask, 0, offset_y);
    else if (blend < 255)
      target.TileMaskAlpha(dest, 0, 0, s, src, *p.mask, blend, 0, offset_y);
    else
      target.TileMaskAdd(dest, 0, 0, s, src, *p.mask, blend - 256, 0, offset_y);
  } else if (blend == 255) {
    target.Tile(dest, 0, 0, s, src, KeyOf(s), 0, offset_y);
  } else if (blend < 255) {
    target.TileAlpha(dest, 0, 0, s, src, KeyOf(s), blend, 0, offset_y);
  } else {
    target.TileAdd(dest, 0, 0, s, src, KeyOf(s), blend - 256, 0, offset_y);
  }
}

// A colour value scaled by an additive level 0..255.
int32_t ScaleColor(int32_t color, int32_t level) {
  int32_t out = 0;
  for (int shift : {0, 8, 16}) {
    const int32_t c = (color >> shift) & 0xFF;
    out |= (c * level / 255) << shift;
  }
  return out;
}

void FillBlend(graphics::TCustomDIBX& target, const Rect& r, int32_t color, int32_t blend) {
  if (blend <= 0 || r.IsEmpty() || color < 0) return;
  if (blend > 255) {
    target.FillRectAdd(
        r, static_cast<uint32_t>(target.ColorToPixel(ScaleColor(color, (blend - 256) & 0xFF))));
    return;
  }
  const auto pixel = static_cast<uint32_t>(target.ColorToPixel(color));
  if (blend == 255)
    target.FillRect(r, pixel);
  else
    target.FillRectAlpha(r, pixel, blend);
}

void FrameBlend(graphics::TCustomDIBX& target, const Rect& r, int32_t width, int32_t color,
                int32_t blend) {
  if (blend <= 0 || width <= 0 || color < 0) return;
  if (blend > 255) {
    target.FrameRectAdd(
        r, width,
        static_cast<uint32_t>(target.ColorToPixel(ScaleColor(color, (blend - 256) & 0xFF))));
    return;
  }
  const auto pixel = static_cast<uint32_t>(target.ColorToPixel(color));
  if (blend == 255)
    target.FrameRect(r, width, pixel);
  else
    target.FrameRectAlpha(r, width, pixel, blend);
}

// Disabled items are drawn at half the list's blend value.
int32_t HalfBlend(int32_t blend) {
  return blend > 255 ? 256 + (blend - 256) / 2 : blend / 2;
}

// Strips control characters (below 32) from both ends of the whole text.
std::string_view StripControls(std::string_view text) {
  while (!text.empty() && static_cast<uint8_t>(text.front()) < 32) text.remove_prefix(1);
  while (!text.empty() && static_cast<uint8_t>(text.back()) < 32) text.remove_suffix(1);
  return text;
}

// An item number given as text; false when it is not one.
bool ParseItem(const std::string& item, int32_t* index) {
  std::string_view s = item;
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), *index);
  return ec == std::errc() && end == s.data() + s.size() && !s.empty();
}

constexpr int kCellOfHAlign[] = {TVeskCustomListBox::kTop, TVeskCustomListBox::kCentre,
                                 TVeskCustomListBox::kBottom};
constexpr int kCellOfVAlign[] = {TVeskCustomListBox::kLeft, TVeskCustomListBox::kCentre,
                                 TVeskCustomListBox::kRight};

// Stored check bytes: bit 0 the check mark, bit 1 set for a disabled item
// (saves without disabled items carry plain 0 and 1).
constexpr uint8_t kStoredCheck = 1;
constexpr uint8_t kStoredDisabled = 2;

}  // namespace

// Everything the drawing and the hit tests measure, in scene coordinates.
struct TVeskCustomListBox::Geometry {
  Rect inner;
  int32_t left_w = 0, right_w = 0, top_h = 0, bottom_h = 0;
  int32_t cell_w[kCellCount] = {}, cell_h[kCellCount] = {};
  int32_t check_w = 0, check_h = 0;
  bool scroll = false;
  int32_t scroll_w = 0, scroll_h = 0;
  int32_t x0 = 0, w0 = 0, y0 = 0;
  int32_t rows = 0, row_step = 0, font_h = 0;
  int32_t scroll_x = 0, track_len = 0, thumb_top = 0;
  Rect up, down;
};

TVeskCustomListBox::TVeskCustomListBox(scene::TVeskBaseList* root) : TVeskControl(root) {}

TVeskCustomListBox::~TVeskCustomListBox() = default;

// ---- Items ----------------------------------------------------------------------

int32_t TVeskCustomListBox::VisibleRows() const {
  return RowCount > 0 ? std::min(RowCount, Count()) : Count();
}

bool TVeskCustomListBox::ScrollShown() const {
  return RowCount > 0 && Count() > RowCount;
}

void TVeskCustomListBox::SetText(const std::string& text) {
  Items = SplitLines(StripControls(text));
  Normal.SetItems(Items);
  Hover.SetItems(Items);
  Checks.assign(Items.size(), 0);
  Enabled.assign(Items.size(), 1);
  TopIndex = 0;
  HoverIndex = -1;
  if (Index >= Count()) Index = -1;
  Relayout();
}

std::string TVeskCustomListBox::Text() const {
  return JoinLines(Items);
}

void TVeskCustomListBox::SetTopIndex(int32_t top) {
  const int32_t most = std::max(0, Count() - VisibleRows());
  top = std::clamp(top, 0, most);
  if (top == TopIndex) return;
  TopIndex = top;
  Invalidate();
}

void TVeskCustomListBox::SetHoverIndex(int32_t index) {
  if (index < 0 || index >= Count() || !ItemEnabled(index)) index = -1;
  if (index == HoverIndex) return;
  HoverIndex = index;
  Invalidate();
}

bool TVeskCustomListBox::ItemEnabled(int32_t index) const {
  return index >= 0 && index < Count() && Enabled[static_cast<size_t>(index)] != 0;
}

bool TVeskCustomListBox::GetItemCheck(int32_t index) const {
  return index >= 0 && index < Count() && Checks[static_cast<size_t>(index)] != 0;
}

void TVeskCustomListBox::SetItemCheck(int32_t index, bool value) {
  if (index < 0 || index >= Count()) return;
  uint8_t& check = Checks[static_cast<size_t>(index)];
  if ((check != 0) == value) return;
  check = value ? 1 : 0;
  Invalidate();
}

bool TVeskCustomListBox::GetItemEnabled(const std::string& item) const {
  int32_t index = -1;
  return ParseItem(item, &index) && ItemEnabled(index);
}

void TVeskCustomListBox::SetItemEnabled(const std::string& item, bool value) {
  int32_t index = -1;
  if (!ParseItem(item, &index) || index < 0 || index >= Count()) return;
  uint8_t& enabled = Enabled[static_cast<size_t>(index)];
  if ((enabled != 0) == value) return;
  enabled = value ? 1 : 0;
  if (!value && HoverIndex == index) HoverIndex = -1;
  Invalidate();
}

// ---- Layout -----------------------------------------------------------------------

TVeskCustomListBox::Geometry TVeskCustomListBox::Measure() const {
  Geometry g;
  const Rect scene = SceneRect();
  const int32_t bw = std::max(0, BorderWidth);
  g.inner = {Clamp32(int64_t{scene.left} + bw), Clamp32(int64_t{scene.top} + bw),
             Clamp32(int64_t{scene.right} - bw), Clamp32(int64_t{scene.bottom} - bw)};
  for (int i = 0; i < kCellCount; ++i)
    CellSize(Cells[static_cast<size_t>(i)].List, 1, &g.cell_w[i], &g.cell_h[i]);
  g.left_w = std::max({g.cell_w[kTopLeft], g.cell_w[kLeft], g.cell_w[kBottomLeft]});
  g.right_w = std::max({g.cell_w[kTopRight], g.cell_w[kRight], g.cell_w[kBottomRight]});
  g.top_h = std::max({g.cell_h[kTopLeft], g.cell_h[kTop], g.cell_h[kTopRight]});
  g.bottom_h = std::max({g.cell_h[kBottomLeft], g.cell_h[kBottom], g.cell_h[kBottomRight]});
  CellSize(CheckList, kCheckCells, &g.check_w, &g.check_h);
  g.scroll = ScrollShown();
  if (g.scroll) CellSize(ScrollList, kScrollCells, &g.scroll_w, &g.scroll_h);
  g.x0 = Clamp32(int64_t{g.inner.left} + g.left_w + MarginX + g.check_w);
  g.w0 = Clamp32(int64_t{g.inner.right} - g.right_w - MarginX - g.x0 - g.scroll_w);
  g.y0 = Clamp32(int64_t{g.inner.top} + g.top_h + MarginY);
  g.rows = VisibleRows();
  g.font_h = Normal.FontHeight;
  g.row_step = Clamp32(int64_t{g.font_h} + LineSpace);
  g.scroll_x = Clamp32(int64_t{g.inner.right} - g.right_w - g.scroll_w);
  g.up = Rect::FromSize(g.scroll_x, g.inner.top + g.top_h, g.scroll_w, g.scroll_h);
  g.down = Rect::FromSize(g.scroll_x, Clamp32(int64_t{g.inner.bottom} - g.bottom_h - g.scroll_h),
                          g.scroll_w, g.scroll_h);
  g.track_len = Clamp32(int64_t{Height} - 2 * int64_t{bw} - g.top_h - g.bottom_h);
  const int64_t range = std::max(1, Count() - g.rows);
  g.thumb_top = Clamp32(int64_t{g.inner.top} + g.top_h + g.scroll_h +
                        (int64_t{g.track_len} - 3 * int64_t{g.scroll_h}) * TopIndex / range);
  return g;
}

void TVeskCustomListBox::ClampMetrics() {
  // Scripts and saved games may hold any number; the geometry stays far
  // from the limits of its 32-bit coordinates.
  BorderWidth = std::clamp(BorderWidth, 0, kMaxMetricPx);
  MarginX = std::clamp(MarginX, -kMaxMetricPx, kMaxMetricPx);
  MarginY = std::clamp(MarginY, -kMaxMetricPx, kMaxMetricPx);
  LineSpace = std::clamp(LineSpace, -kMaxMetricPx, kMaxMetricPx);
  for (TTpLabelList* look : {&Normal, &Hover})
    look->FontHeight = std::clamp(look->FontHeight, 0, kMaxMetricPx);
  Alpha = std::clamp(Alpha, 0, 511);
}

void TVeskCustomListBox::Relayout() {
  ClampMetrics();
  const int bits = pictures() ? pictures()->BitCount() : 32;
  Normal.Render(glyphs(), bits);
  Hover.Render(glyphs(), bits);
  const Geometry g = Measure();
  const int64_t bw = std::max(0, BorderWidth);
  const int64_t width = int64_t{std::max(Normal.TextWidth(), Hover.TextWidth())} + 2 * bw +
                        g.left_w + g.right_w + 2 * int64_t{MarginX} + g.scroll_w + g.check_w;
  const int64_t rows = VisibleRows();
  const int64_t height = rows * g.font_h + std::max<int64_t>(0, rows - 1) * LineSpace + 2 * bw +
                         g.top_h + g.bottom_h + 2 * int64_t{MarginY};
  ApplyLayoutSize(Clamp32(std::max<int64_t>(0, width)), Clamp32(std::max<int64_t>(0, height)));
  SetTopIndex(TopIndex);
  Invalidate();
}

void TVeskCustomListBox::ApplyLayoutSize(int32_t width, int32_t height) {
  SetBounds(Left, Top, width, height);
}

// ---- Hit tests ----------------------------------------------------------------------

int32_t TVeskCustomListBox::ItemAt(int32_t x, int32_t y) const {
  if (Count() == 0 || !SceneRect().Contains(x, y)) return -1;
  const Geometry g = Measure();
  const int64_t left = int64_t{g.inner.left} + g.left_w + MarginX;
  const int64_t right = int64_t{g.inner.right} - g.right_w - MarginX - g.scroll_w;
  if (x < left || x >= right || g.row_step <= 0) return -1;
  const int64_t top = int64_t{g.y0} - LineSpace / 2;
  if (y < top) return -1;
  const int64_t row = (y - top) / g.row_step;
  if (row >= g.rows) return -1;
  const int64_t index = TopIndex + row;
  if (index >= Count() || !ItemEnabled(static_cast<int32_t>(index))) return -1;
  return static_cast<int32_t>(index);
}

int32_t TVeskCustomListBox::ScrollPartAt(int32_t x, int32_t y) const {
  const Geometry g = Measure();
  if (!g.scroll || g.scroll_w <= 0 || g.scroll_h <= 0) return kNoPress;
  if (x < g.scroll_x || x >= int64_t{g.scroll_x} + g.scroll_w || y < g.up.top || y >= g.down.bottom)
    return kNoPress;
  if (y < g.up.bottom) return kArrowUp;
  if (y >= g.down.top) return kArrowDown;
  if (y >= g.thumb_top && y < int64_t{g.thumb_top} + g.scroll_h) return kThumbDrag;
  return y < g.thumb_top ? kPageUp : kPageDown;
}

bool TVeskCustomListBox::MousePosition(int32_t* x, int32_t* y) const {
  const scene::TVeskBase* base = const_cast<TVeskCustomListBox*>(this)->GetBase();
  if (!base) return false;
  *x = base->MouseX;
  *y = base->MouseY;
  return true;
}

// ---- Mouse ---------------------------------------------------------------------------

void TVeskCustomListBox::MouseMove() {
  int32_t x = 0, y = 0;
  if (TakesInput() && MousePosition(&x, &y)) {
    if (Mode == kThumbDrag)
      DragThumb(y);
    else
      SetHoverIndex(ItemAt(x, y));
  }
  TVeskControl::MouseMove();
}

void TVeskCustomListBox::MouseOut() {
  if (IgnoreMouse != IM_ALL && Mode != kThumbDrag) SetHoverIndex(-1);
  TVeskControl::MouseOut();
}

void TVeskCustomListBox::LeftDown() {
  TVeskControl::LeftDown();
  if (IgnoreMouse != IM_NONE && IgnoreMouse != IM_RCLICK) return;
  int32_t x = 0, y = 0;
  if (!TakesInput() || !MousePosition(&x, &y)) return;
  const int32_t part = ScrollPartAt(x, y);
  if (part != kNoPress) {
    Mode = part;
    if (part == kThumbDrag) {
      DragThumb(y);
    } else {
      StepScroll(part);
      RepeatMs = scene::TVeskBaseList::kKeyRepeatDelayMs;
    }
  } else {
    SetHoverIndex(ItemAt(x, y));
    if (HoverIndex < 0) return;
    Mode = kItemPress;
  }
  if (scene::TVeskBase* base = GetBase()) base->Capture |= scene::TVeskBase::kCaptureLeft;
  Invalidate();
}

void TVeskCustomListBox::LeftUp() {
  const int32_t mode = Mode;
  Mode = kNoPress;
  if (mode != kNoPress) Invalidate();
  TVeskControl::LeftUp();
  int32_t x = 0, y = 0;
  if (mode != kItemPress || !TakesInput() || !MousePosition(&x, &y)) return;
  SetHoverIndex(ItemAt(x, y));
  if (HoverIndex >= 0) Choose();
}

void TVeskCustomListBox::MouseWheel(bool down) {
  int32_t x = 0, y = 0;
  if (!TakesInput()) return;
  SetTopIndex(TopIndex + (down ? 1 : -1));
  if (MousePosition(&x, &y)) SetHoverIndex(ItemAt(x, y));
}

void TVeskCustomListBox::StepScroll(int32_t mode) {
  const int32_t page = std::max(1, VisibleRows());
  switch (mode) {
    case kArrowUp:
      SetTopIndex(TopIndex - 1);
      break;
    case kArrowDown:
      SetTopIndex(TopIndex + 1);
      break;
    case kPageUp:
      SetTopIndex(TopIndex - page);
      break;
    case kPageDown:
      SetTopIndex(TopIndex + page);
      break;
    default:
      break;
  }
}

void TVeskCustomListBox::DragThumb(int32_t y) {
  const Geometry g = Measure();
  if (g.track_len <= 0) return;
  const double range = Count() - g.rows;
  const double track_start = int64_t{g.inner.top} + g.top_h;
  const double pos = range * (y - track_start - g.scroll_h * 1.5) / g.track_len;
  SetTopIndex(static_cast<int32_t>(std::clamp(std::round(pos), 0.0, std::max(0.0, range))));
}

// ---- Choosing and keys ---------------------------------------------------------------

void TVeskCustomListBox::Choose() {
  if (!ItemEnabled(HoverIndex)) return;
  Index = HoverIndex;
  const std::string& text = Items[static_cast<size_t>(Index)];
  SetSelection(text, Index);
  if (!OnSelect.empty() && !EventWaiting(PR_ONSELECT))
    QueueEvent(PR_ONSELECT, OnSelect, {text, std::to_string(Index)});
  Chosen();
}

void TVeskCustomListBox::KeyRepeat() {
  if (TakesInput()) ListKeys();
  TVeskControl::KeyRepeat();
}

bool TVeskCustomListBox::ListKeys() {
  if (!Root || Count() == 0) return false;
  namespace vk = platform::vk;
  const int32_t page = std::max(1, VisibleRows());
  if (Root->KeyRepeated(vk::kUp))
    MoveHover(HoverIndex < 0 ? Count() - 1 : HoverIndex - 1, -1);
  else if (Root->KeyRepeated(vk::kDown))
    MoveHover(HoverIndex < 0 ? 0 : HoverIndex + 1, 1);
  else if (Root->KeyRepeated(vk::kPrior))
    MoveHover(HoverIndex - page, -1);
  else if (Root->KeyRepeated(vk::kNext))
    MoveHover(HoverIndex < 0 ? page - 1 : HoverIndex + page, 1);
  else
    return false;
  return true;
}

void TVeskCustomListBox::MoveHover(int32_t target, int32_t direction) {
  target = std::clamp(target, 0, Count() - 1);
  // Disabled items are passed over: on in the direction of the move, else
  // back toward where the hover came from.
  int32_t found = -1;
  for (int32_t i = target; i >= 0 && i < Count() && found < 0; i += direction)
    if (ItemEnabled(i)) found = i;
  for (int32_t i = target; i >= 0 && i < Count() && found < 0; i -= direction)
    if (ItemEnabled(i)) found = i;
  if (found < 0) return;
  SetHoverIndex(found);
  ScrollHoverIntoView();
}

void TVeskCustomListBox::ScrollHoverIntoView() {
  if (HoverIndex < 0) return;
  const int32_t rows = std::max(1, VisibleRows());
  if (HoverIndex < TopIndex)
    SetTopIndex(HoverIndex);
  else if (HoverIndex >= TopIndex + rows)
    SetTopIndex(HoverIndex - rows + 1);
}

// ---- Frame step ----------------------------------------------------------------------

bool TVeskCustomListBox::Update(int32_t frame_ms) {
  bool changed = false;
  for (BorderCell& cell : Cells)
    if (cell.List.Count() > 1) changed |= cell.List.Advance(frame_ms);
  if (ScrollList.Count() > 1) changed |= ScrollList.Advance(frame_ms);
  if (CheckList.Count() > 1) changed |= CheckList.Advance(frame_ms);
  if (changed) Invalidate();

  // A held arrow or page steps again after the first delay, then at every
  // repeat interval, while the mouse stays on the part it pressed.
  if (Mode >= kArrowUp && Mode <= kPageDown) {
    RepeatMs -= frame_ms;
    int32_t x = 0, y = 0;
    const bool on_part = MousePosition(&x, &y) && ScrollPartAt(x, y) == Mode;
    while (RepeatMs <= 0) {
      if (on_part) StepScroll(Mode);
      RepeatMs += scene::TVeskBaseList::kKeyRepeatIntervalMs;
    }
  }
  return false;
}

// ---- Drawing -------------------------------------------------------------------------

void TVeskCustomListBox::Draw(graphics::TCustomDIBX& surface, const Rect& clip) {
  const Rect area = clip.Intersect(SceneRect());
  if (!area.IsEmpty()) {
    surface.SetClipRect(area);
    const Geometry g = Measure();
    FrameBlend(surface, SceneRect(), BorderWidth, BorderColor, Alpha);
    DrawBorder(surface, g);
    DrawItems(surface, g);
    if (g.scroll) DrawScrollBar(surface, g);
    surface.SetClipRect(clip);
  }
  DrawChildren(surface, clip);
}

void TVeskCustomListBox::DrawBorder(graphics::TCustomDIBX& surface, const Geometry& g) {
  const Rect& in = g.inner;
  const int32_t* w = g.cell_w;
  const int32_t* h = g.cell_h;
  // A menu opening from nothing is at first lower than its top cells.
  const bool bottom = in.Height() >= g.top_h;
  const int32_t lower = bottom ? in.bottom : in.bottom + g.bottom_h;
  Rect place[kCellCount];
  place[kTopLeft] = Rect::FromSize(in.left, in.top, w[kTopLeft], h[kTopLeft]);
  place[kTopRight] = Rect::FromSize(in.right - w[kTopRight], in.top, w[kTopRight], h[kTopRight]);
  place[kTop] = {in.left + w[kTopLeft], in.top, in.right - w[kTopRight], in.top + h[kTop]};
  place[kBottomLeft] =
      Rect::FromSize(in.left, in.bottom - h[kBottomLeft], w[kBottomLeft], h[kBottomLeft]);
  place[kBottomRight] = Rect::FromSize(in.right - w[kBottomRight], in.bottom - h[kBottomRight],
                                       w[kBottomRight], h[kBottomRight]);
  place[kBottom] = {in.left + w[kBottomLeft], in.bottom - h[kBottom], in.right - w[kBottomRight],
                    in.bottom};
  place[kLeft] = {in.left, in.top + h[kTopLeft], in.left + w[kLeft],
                  lower - (bottom ? h[kBottomLeft] : 0)};
  place[kRight] = {in.right - w[kRight], in.top + h[kTopRight], in.right,
                   lower - (bottom ? h[kBottomRight] : 0)};
  place[kCentre] = {in.left + w[kLeft], in.top + h[kTop], in.right - w[kRight],
                    lower - (bottom ? h[kBottom] : 0)};
  for (int i = 0; i < kCellCount; ++i) {
    if (!bottom && (i == kBottomLeft || i == kBottom || i == kBottomRight)) continue;
    const Picture p = Shown(Cells[static_cast<size_t>(i)].List);
    if (!p) continue;
    StretchPicture(surface, p, place[i], p.surface->BoundsRect(), Alpha);
  }
}

void TVeskCustomListBox::DrawItems(graphics::TCustomDIBX& surface, const Geometry& g) {
  const Picture check = Shown(CheckList);
  const int32_t e = std::min(LineSpace / 2, MarginY);
  for (int32_t row = 0; row < g.rows; ++row) {
    const int32_t i = TopIndex + row;
    if (i >= Count()) break;
    const int32_t y = Clamp32(int64_t{g.y0} + int64_t{row} * g.row_step);
    const bool hovered = i == HoverIndex;
    const int32_t blend = ItemEnabled(i) ? Alpha : HalfBlend(Alpha);
    if (hovered && HoverColor != -1) {
      const Rect highlight = Rect::FromSize(g.inner.left + g.left_w + 1, y - e,
                                            2 * MarginX + g.w0 + g.check_w - 2, g.font_h + 2 * e);
      FillBlend(surface, highlight, HoverColor, Alpha);
    }
    const TTpLabelList& look = hovered ? Hover : Normal;
    const int32_t text_w = look.ItemWidth(i);
    int32_t x = g.x0;
    if (HAlign == HA_CENTER) x = g.x0 + (g.w0 - text_w) / 2;
    if (HAlign == HA_RIGHT) x = g.x0 + g.w0 - text_w;
    look.Draw(surface, i, x, y, blend);
    if (Checks[static_cast<size_t>(i)] && check && g.check_w > 0) {
      const Rect src = Rect::FromSize(hovered ? g.check_w : 0, 0, g.check_w, g.check_h);
      DrawPicture(surface, check, g.x0 - g.check_w, y + (g.font_h - g.check_h) / 2, src, blend);
    }
  }
}

void TVeskCustomListBox::DrawScrollBar(graphics::TCustomDIBX& surface, const Geometry& g) {
  const Picture p = Shown(ScrollList);
  if (!p || g.scroll_w <= 0 || g.scroll_h <= 0) return;
  int32_t mx = 0, my = 0;
  const bool mouse = MousePosition(&mx, &my);
  const int32_t under = mouse ? ScrollPartAt(mx, my) : kNoPress;
  const auto cell = [&](int n) {
    return Rect::FromSize(n * g.scroll_w, 0, g.scroll_w, g.scroll_h);
  };
  const auto pressed = [&](int32_t mode) { return Mode == mode && under == mode; };
  const int32_t x = g.scroll_x;
  const int32_t thumb_bottom = Clamp32(int64_t{g.thumb_top} + g.scroll_h);
  const Rect above{x, g.up.bottom, x + g.scroll_w, g.thumb_top};
  const Rect below{x, thumb_bottom, x + g.scroll_w, g.down.top};
  TilePicture(surface, p, g.up, cell(pressed(kArrowUp) ? 1 : 0), Alpha, 0);
  TilePicture(surface, p, g.down, cell(pressed(kArrowDown) ? 3 : 2), Alpha, 0);
  TilePicture(surface, p, above, cell(pressed(kPageUp) ? 5 : 4), Alpha, 0);
  // The track's pattern runs on behind the thumb.
  const int32_t run = static_cast<int32_t>((int64_t{below.top} - above.top) % g.scroll_h);
  TilePicture(surface, p, below, cell(pressed(kPageDown) ? 5 : 4), Alpha, -run);
  TilePicture(surface, p, Rect::FromSize(x, g.thumb_top, g.scroll_w, g.scroll_h), cell(6), Alpha,
              0);
}

void TVeskCustomListBox::ReleaseSurfaces() {
  Normal.ReleaseSurfaces();
  Hover.ReleaseSurfaces();
  for (BorderCell& cell : Cells) cell.List.ReleaseSurfaces();
  ScrollList.ReleaseSurfaces();
  CheckList.ReleaseSurfaces();
}

// ---- Pictures ------------------------------------------------------------------------

void TVeskCustomListBox::LoadPicture(TVeskImageList& list, const std::string& name) {
  Invalidate();
  if (name.empty())
    list.Clear();
  else
    list.Load(pictures(), this, name, true);
  list.SetFrame(0);
}

void TVeskCustomListBox::SetCellSource(int cell, const std::string& name) {
  BorderCell& c = Cells[static_cast<size_t>(cell)];
  if (c.Source == name) return;
  c.Source = name;
  LoadPicture(c.List, name);
  Relayout();
}

// ---- Properties ----------------------------------------------------------------------

int32_t TVeskCustomListBox::GetInt(int id) const {
  switch (id) {
    case PR_BORDERWIDTH:
      return BorderWidth;
    case PR_BORDERCOLOR:
      return BorderColor;
    case PR_ALPHA:
      return Alpha;
    case PR_FONTHEIGHT:
      return Normal.FontHeight;
    case PR_FONTSTYLE:
      return Normal.FontStyle;
    case PR_FONTCOLOR:
      return Normal.FontColor;
    case PR_FONTBORDERCOLOR:
      return Normal.BorderColor;
    case PR_FONTSHADOWCOLOR:
      return Normal.ShadowColor;
    case PR_FONTBORDER:
      return Normal.BorderWidth;
    case PR_FONTSHADOW:
      return Normal.ShadowWidth;
    case PR_FONTHOVERBORDER:
      return Hover.BorderWidth;
    case PR_FONTHOVERBORDERCOLOR:
      return Hover.BorderColor;
    case PR_FONTHOVERSHADOW:
      return Hover.ShadowWidth;
    case PR_FONTHOVERSHADOWCOLOR:
      return Hover.ShadowColor;
    case PR_LINESPACE:
      return LineSpace;
    case PR_INDEX:
      return Index;
    case PR_COUNT:
      return Count();
    case PR_ROWCOUNT:
      return RowCount;
    case PR_MARGINX:
      return MarginX;
    case PR_MARGINY:
      return MarginY;
    case PR_HALIGN:
      return HAlign;
    case PR_BORDERHALIGNT:
    case PR_BORDERHALIGNC:
    case PR_BORDERHALIGNB:
      return Cells[static_cast<size_t>(kCellOfHAlign[id - PR_BORDERHALIGNT])].HAlign;
    case PR_BORDERVALIGNL:
    case PR_BORDERVALIGNC:
    case PR_BORDERVALIGNR:
      return Cells[static_cast<size_t>(kCellOfVAlign[id - PR_BORDERVALIGNL])].VAlign;
    case PR_TOPINDEX:
      return TopIndex;
    default:
      return TVeskControl::GetInt(id);
  }
}

// A setting of the item look: the normal look, and for a list without a
// hover colour and style of its own the hover look as well.
void TVeskCustomListBox::SetLook(int id, int32_t value) {
  const auto both = [&](auto member) {
    Normal.*member = value;
    Hover.*member = value;
  };
  switch (id) {
    case PR_FONTHEIGHT:
      both(&TTpLabelList::FontHeight);
      break;
    case PR_FONTSTYLE:
      Normal.FontStyle = static_cast<uint8_t>(value);
      if (!HasHoverLook()) Hover.FontStyle = static_cast<uint8_t>(value);
      break;
    case PR_FONTCOLOR:
      Normal.FontColor = value;
      if (!HasHoverLook()) Hover.FontColor = value;
      break;
    case PR_FONTBORDERCOLOR:
      Normal.BorderColor = value;
      break;
    case PR_FONTSHADOWCOLOR:
      Normal.ShadowColor = value;
      break;
    case PR_FONTBORDER:
      Normal.BorderWidth = value;
      break;
    case PR_FONTSHADOW:
      Normal.ShadowWidth = value;
      break;
    case PR_FONTHOVERBORDER:
      Hover.BorderWidth = value;
      break;
    case PR_FONTHOVERBORDERCOLOR:
      Hover.BorderColor = value;
      break;
    case PR_FONTHOVERSHADOW:
      Hover.ShadowWidth = value;
      break;
    case PR_FONTHOVERSHADOWCOLOR:
      Hover.ShadowColor = value;
      break;
    default:
      return;
  }
  Relayout();
}

void TVeskCustomListBox::SetInt(int id, int32_t value) {
  switch (id) {
    case PR_FONTHEIGHT:
    case PR_FONTSTYLE:
    case PR_FONTCOLOR:
    case PR_FONTBORDERCOLOR:
    case PR_FONTSHADOWCOLOR:
    case PR_FONTBORDER:
    case PR_FONTSHADOW:
    case PR_FONTHOVERBORDER:
    case PR_FONTHOVERBORDERCOLOR:
    case PR_FONTHOVERSHADOW:
    case PR_FONTHOVERSHADOWCOLOR:
      SetLook(id, value);
      return;
    case PR_BORDERWIDTH:
      BorderWidth = value;
      break;
    case PR_BORDERCOLOR:
      BorderColor = value;
      break;
    case PR_ALPHA:
      Alpha = std::clamp(value, 0, 511);
      Normal.Alpha = Hover.Alpha = Alpha;
      break;
    case PR_LINESPACE:
      LineSpace = value;
      break;
    case PR_INDEX:
      Index = value >= 0 && value < Count() ? value : -1;
      return;
    case PR_ROWCOUNT:
      RowCount = value;
      break;
    case PR_MARGINX:
      MarginX = value;
      break;
    case PR_MARGINY:
      MarginY = value;
      break;
    case PR_HALIGN:
      HAlign = static_cast<uint8_t>(std::clamp(value, 0, 2));
      break;
    case PR_BORDERHALIGNT:
    case PR_BORDERHALIGNC:
    case PR_BORDERHALIGNB:
      Cells[static_cast<size_t>(kCellOfHAlign[id - PR_BORDERHALIGNT])].HAlign =
          static_cast<uint8_t>(value);
      break;
    case PR_BORDERVALIGNL:
    case PR_BORDERVALIGNC:
    case PR_BORDERVALIGNR:
      Cells[static_cast<size_t>(kCellOfVAlign[id - PR_BORDERVALIGNL])].VAlign =
          static_cast<uint8_t>(value);
      break;
    case PR_TOPINDEX:
      SetTopIndex(value);
      return;
    default:
      TVeskControl::SetInt(id, value);
      return;
  }
  Relayout();
}

bool TVeskCustomListBox::GetFlag(int id) const {
  switch (id) {
    case PR_ANTIALIAS:
      return Normal.AntiAlias != 0;
    case PR_PAUSED:
      return Paused != 0;
    default:
      return TVeskControl::GetFlag(id);
  }
}

void TVeskCustomListBox::SetFlag(int id, bool value) {
  switch (id) {
    case PR_ANTIALIAS:
      Normal.AntiAlias = Hover.AntiAlias = value ? 3 : 0;
      Relayout();
      return;
    case PR_PAUSED:
      Paused = value ? 1 : 0;
      return;
    default:
      TVeskControl::SetFlag(id, value);
  }
}

std::string TVeskCustomListBox::GetStr(int id) const {
  if (id >= PR_BORDERSOURCETL && id <= PR_BORDERSOURCEBR)
    return Cells[static_cast<size_t>(id - PR_BORDERSOURCETL)].Source;
  switch (id) {
    case PR_TEXT:
      return Text();
    case PR_FONTNAME:
      return Normal.FontName;
    case PR_SCROLLSOURCE:
      return ScrollSource;
    case PR_CHECKSOURCE:
      return CheckSource;
    case PR_ONSELECT:
      return OnSelect;
    default:
      return TVeskControl::GetStr(id);
  }
}

void TVeskCustomListBox::SetStr(int id, const std::string& value) {
  if (id >= PR_BORDERSOURCETL && id <= PR_BORDERSOURCEBR)
    return SetCellSource(id - PR_BORDERSOURCETL, value);
  switch (id) {
    case PR_TEXT:
      SetText(value);
      return;
    case PR_FONTNAME:
      Normal.FontName = Hover.FontName = value;
      Relayout();
      return;
    case PR_SCROLLSOURCE:
      if (value == ScrollSource) return;
      ScrollSource = value;
      LoadPicture(ScrollList, value);
      Relayout();
      return;
    case PR_CHECKSOURCE:
      if (value == CheckSource) return;
      CheckSource = value;
      LoadPicture(CheckList, value);
      Relayout();
      return;
    case PR_ONSELECT:
      OnSelect = value;
      return;
    default:
      TVeskControl::SetStr(id, value);
  }
}

// ---- Stored form ---------------------------------------------------------------------

void TVeskCustomListBox::TransferKindFields(RecordIO& io) {
  TransferListFields(io);
}

void TVeskCustomListBox::TransferListFields(RecordIO& io) {
  Normal.Transfer(io);
  Hover.Transfer(io);
  // The text makes the items (and their check bytes) before the rest.
  io.Via(&RecordIO::Str, Text(), "list text", [&](const std::string& s) {
    Items = SplitLines(StripControls(s));
    Normal.SetItems(Items);
    Hover.SetItems(Items);
    Checks.assign(Items.size(), 0);
    Enabled.assign(Items.size(), 1);
  });
  for (int32_t* v : {&LineSpace, &Alpha, &MarginX, &MarginY, &BorderWidth, &BorderColor, &RowCount})
    io.I32(*v, "list layout");
  for (BorderCell& cell : Cells) {
    io.Str(cell.Source, "list border source");
    io.U8(cell.HAlign, "list border alignment");
    io.U8(cell.VAlign, "list border alignment");
  }
  io.Str(ScrollSource, "list scroll source");
  io.Str(CheckSource, "list check source");
  io.I32(TopIndex, "list top index");
  // The record keeps one spare byte here (records before 104 another byte,
  // skipped); the alignment of the items goes into it, which older saves
  // leave 0 (left).
  io.U8(HAlign, "list alignment");
  if (io.loading() && (!io.Since(104) || HAlign > HA_RIGHT)) HAlign = HA_LEFT;
  for (size_t i = 0; i < Items.size(); ++i) {
    uint8_t stored =
        static_cast<uint8_t>((Checks[i] ? kStoredCheck : 0) | (Enabled[i] ? 0 : kStoredDisabled));
    io.U8(stored, "list check");
    Checks[i] = (stored & kStoredCheck) ? 1 : 0;
    Enabled[i] = (stored & kStoredDisabled) ? 0 : 1;
  }
  io.Str(OnSelect, "list select handler");
  io.Flag(Paused, "list pause");
  io.I32(Index, "list index");
  io.I32(Phase, "menu phase");
  if (!io.loading()) return;
  if (Index < -1 || Index >= Count()) Index = -1;
  for (BorderCell& cell : Cells) LoadPicture(cell.List, cell.Source);
  LoadPicture(ScrollList, ScrollSource);
  LoadPicture(CheckList, CheckSource);
  HoverIndex = -1;
  Mode = kNoPress;
  const int32_t top = TopIndex;
  TopIndex = 0;
  Relayout();
  SetTopIndex(top);
}

}  // namespace vesk::components
