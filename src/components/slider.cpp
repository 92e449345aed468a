#include "components/slider.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "components/part_drawing.h"
#include "lang/vocabulary.h"
#include "scene/baselist.h"

namespace vesk::components {

using namespace vesk::lang;

namespace {

// The scene's key numbering (the platform's virtual keys).
constexpr int kKeyLeft = 0x25, kKeyUp = 0x26, kKeyRight = 0x27, kKeyDown = 0x28;

constexpr int32_t kRepeatDelayMs = scene::TVeskBaseList::kKeyRepeatDelayMs;
constexpr int32_t kRepeatIntervalMs = scene::TVeskBaseList::kKeyRepeatIntervalMs;

// The frame a list shows now (null when none).
const graphics::TCustomDIBX* ShownFrame(TVeskImageList& list) {
  if (!list.Valid(list.Index)) return nullptr;
  const graphics::TCustomDIBX* picture = list.Data(list.Index).Surface(0);
  return picture && !picture->IsEmpty() ? picture : nullptr;
}

// A cell of a picture cut into `columns` x `rows`.
Rect Cell(const graphics::TCustomDIBX* picture, int columns, int rows, int column, int row) {
  if (!picture) return {};
  const int32_t w = picture->Width() / columns, h = picture->Height() / rows;
  return Rect::FromSize(column * w, row * h, w, h);
}

int32_t Clamp64(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// Geometry from saved games may sit anywhere in 32 bits: sums are taken in
// 64 and clamped back.
Rect Offset(const Rect& r, int32_t dx, int32_t dy) {
  return {Clamp64(int64_t{r.left} + dx), Clamp64(int64_t{r.top} + dy),
          Clamp64(int64_t{r.right} + dx), Clamp64(int64_t{r.bottom} + dy)};
}

}  // namespace

// ---- Value -----------------------------------------------------------------------------------

int32_t TVeskSlider::ClampedValue() const {
  if (Value <= Min) return Min;
  if (Value >= Max) return std::max(Min, Max);
  return Value;
}

void TVeskSlider::ChangeValue(int64_t value, bool by_user) {
  if (Inert()) return;
  const auto next = static_cast<int32_t>(std::clamp<int64_t>(value, Min, Max));
  const int32_t before = ClampedValue();
  Value = next;
  if (next == before) return;
  Invalidate();
  if (by_user) QueueEvent(PR_ONNOTIFY, OnNotify, {std::to_string(next)});
}

// ---- Layout ----------------------------------------------------------------------------------

Rect TVeskSlider::AxisRect(int64_t start, int64_t length, int64_t across,
                           int64_t across_size) const {
  const int32_t c = Clamp64(Forward() ? start : AxisLength() - start - length);
  const int32_t a = Clamp64(across);
  const int32_t n = Clamp64(length), w = Clamp64(across_size);
  if (Orientation == 0) return Rect::FromSize(c, a, n, w);
  return Rect::FromSize(a, c, w, n);
}

int32_t TVeskSlider::AxisPos(int32_t x, int32_t y) const {
  const int32_t c = Orientation == 0 ? x : y;
  return Forward() ? c : Clamp64(int64_t{AxisLength()} - c);
}

TVeskSlider::Layout TVeskSlider::ComputeLayout() const {
  auto& self = const_cast<TVeskSlider&>(*this);
  Layout l;
  const bool horizontal = Orientation == 0;
  const int64_t length = AxisLength(), thickness = horizontal ? Height : Width;

  const Rect button = Cell(FirstPicture(self.buttons_), 3, 2, 0, 0);
  const auto button_along = static_cast<int32_t>(horizontal ? button.Width() : button.Height());
  const auto button_across = static_cast<int32_t>(horizontal ? button.Height() : button.Width());
  if (button_along > 0) {
    l.decrease = AxisRect(0, button_along, (thickness - button_across) / 2, button_across);
    l.increase = AxisRect(length - button_along, button_along, (thickness - button_across) / 2,
                          button_across);
  }
  l.area_start = std::max(0, button_along);
  const auto area_length =
      static_cast<int32_t>(std::clamp<int64_t>(length - 2 * int64_t{l.area_start}, 0, INT32_MAX));

  const Rect thumb = Cell(FirstPicture(self.thumb_), 3, 1, 0, 0);
  const auto thumb_along = static_cast<int32_t>(horizontal ? thumb.Width() : thumb.Height());
  const auto thumb_across = static_cast<int32_t>(horizontal ? thumb.Height() : thumb.Width());
  l.thumb_length = BarSize > 0 ? BarSize : PageLength(area_length, thumb_along);
  if (IsScrollbar()) l.thumb_length = std::min(l.thumb_length, area_length);
  l.track_length = IsScrollbar() ? area_length - l.thumb_length : area_length;

  const int64_t range = int64_t{Max} - Min;
  const int64_t offset = range > 0 ? std::llround(static_cast<double>(l.track_length) *
                                                  (int64_t{ClampedValue()} - Min) / range)
                                   : 0;
  l.anchor = Clamp64(l.area_start + offset);
  const int64_t start = IsScrollbar() ? l.anchor : int64_t{l.anchor} - l.thumb_length / 2;
  if (l.thumb_length > 0 && thumb_across > 0)
    l.thumb = AxisRect(start, l.thumb_length, (thickness - thumb_across) / 2, thumb_across);
  return l;
}

bool TVeskSlider::MaskAllows(TVeskImageList& list, const Rect& cell, int64_t px, int64_t py) const {
  if (!CaptureMask) return true;
  const graphics::TCustomDIBX* mask = FirstMask(list);
  if (!mask || cell.IsEmpty()) return true;
  const auto x = static_cast<int>(cell.left + px % cell.Width());
  const auto y = static_cast<int>(cell.top + py % cell.Height());
  return mask->GetPixel(x, y) > 127;
}

int32_t TVeskSlider::PartAt(int32_t x, int32_t y) {
  if (x < 0 || y < 0 || x >= Width || y >= Height) return kNoPart;
  const Layout l = ComputeLayout();
  const graphics::TCustomDIBX* buttons = FirstPicture(buttons_);
  const Rect* rects[2] = {&l.decrease, &l.increase};
  for (int i = 0; i < 2; ++i) {
    const Rect& r = *rects[i];
    if (r.Contains(x, y) && MaskAllows(buttons_, Cell(buttons, 3, 2, ButtonStates[i], i),
                                       int64_t{x} - r.left, int64_t{y} - r.top))
      return i == 0 ? kDecrease : kIncrease;
  }
  if (l.thumb.Contains(x, y) && MaskAllows(thumb_, Cell(FirstPicture(thumb_), 3, 1, ThumbState, 0),
                                           int64_t{x} - l.thumb.left, int64_t{y} - l.thumb.top))
    return kThumb;
  return kTrack;
}

// ---- Drawing ---------------------------------------------------------------------------------

void TVeskSlider::Draw(graphics::TCustomDIBX& surface, const Rect& clip) {
  const int32_t sx = GetSceneLeft(), sy = GetSceneTop();
  if (Alpha >= 1 && Width > 0 && Height > 0) {
    if (const graphics::TCustomDIBX* track = ShownFrame(track_)) {
      const graphics::TCustomDIBX* mask = track_.Data(track_.Index).Mask();
      if (mask && (mask->Width() != track->Width() || mask->Height() != track->Height()))
        mask = nullptr;
      TileCell(surface, SceneRect(), *track, mask, track->BoundsRect(), Alpha);
    }
    const Layout l = ComputeLayout();
    if (const graphics::TCustomDIBX* thumb = FirstPicture(thumb_))
      TileCell(surface, Offset(l.thumb, sx, sy), *thumb, FirstMask(thumb_),
               Cell(thumb, 3, 1, ThumbState, 0), Alpha);
    if (const graphics::TCustomDIBX* buttons = FirstPicture(buttons_)) {
      TileCell(surface, Offset(l.decrease, sx, sy), *buttons, FirstMask(buttons_),
               Cell(buttons, 3, 2, ButtonStates[0], 0), Alpha);
      TileCell(surface, Offset(l.increase, sx, sy), *buttons, FirstMask(buttons_),
               Cell(buttons, 3, 2, ButtonStates[1], 1), Alpha);
    }
  }
  DrawChildren(surface, clip);
}

// ---- Input -----------------------------------------------------------------------------------

int32_t TVeskSlider::LocalMouseX() const {
  const scene::TVeskBase* base = const_cast<TVeskSlider*>(this)->GetBase();
  return base ? Clamp64(int64_t{base->MouseX} - GetSceneLeft()) : -1;
}

int32_t TVeskSlider::LocalMouseY() const {
  const scene::TVeskBase* base = const_cast<TVeskSlider*>(this)->GetBase();
  return base ? Clamp64(int64_t{base->MouseY} - GetSceneTop()) : -1;
}

void TVeskSlider::SetPartStates(int32_t thumb, int32_t decrease, int32_t increase) {
  if (thumb == ThumbState && decrease == ButtonStates[0] && increase == ButtonStates[1]) return;
  ThumbState = thumb;
  ButtonStates[0] = decrease;
  ButtonStates[1] = increase;
  Invalidate();
}

void TVeskSlider::HoverFromMouse() {
  if (!Interactive() || IgnoreMouse == IM_ALL) return SetPartStates(kNormal, kNormal, kNormal);
  const int32_t part = PartAt(LocalMouseX(), LocalMouseY());
  SetPartStates(part == kThumb ? kHover : kNormal, part == kDecrease ? kHover : kNormal,
                part == kIncrease ? kHover : kNormal);
}

void TVeskSlider::StartDrag(int32_t offset) {
  drag_offset_ = offset;
  PressedPart = kThumb;
  SetPartStates(kPressed, kNormal, kNormal);
  QueueEvent(PR_ONHOLD, OnHold);
}

void TVeskSlider::DragTo(int32_t axis_pos) {
  const Layout l = ComputeLayout();
  if (l.track_length <= 0) return;
  const double range = static_cast<double>(int64_t{Max} - Min);
  const double along = static_cast<double>(int64_t{axis_pos} - l.area_start - drag_offset_);
  ChangeValue(int64_t{Min} + std::llround(range * along / l.track_length), true);
}

void TVeskSlider::TrackPressed(int32_t axis_pos) {
  // A slider's thumb jumps under the mouse and follows it from there.
  StartDrag(0);
  DragTo(axis_pos);
}

void TVeskSlider::LeftDown() {
  TVeskControl::LeftDown();  // the script's own handler
  if ((IgnoreMouse != IM_NONE && IgnoreMouse != IM_RCLICK) || !Interactive() || IsInputLocked())
    return;
  scene::TVeskBase* base = GetBase();
  if (!base) return;
  const int32_t x = LocalMouseX(), y = LocalMouseY();
  const int32_t part = PartAt(x, y);
  if (part == kNoPart) return;
  base->Capture |= scene::TVeskBase::kCaptureLeft;
  PressedPart = part;
  switch (part) {
    case kThumb:
      StartDrag(Clamp64(int64_t{AxisPos(x, y)} - ComputeLayout().anchor));
      return;
    case kDecrease:
    case kIncrease:
      SetPartStates(kNormal, part == kDecrease ? kPressed : kNormal,
                    part == kIncrease ? kPressed : kNormal);
      StepBy(part == kDecrease ? -int64_t{SmallChange} : int64_t{SmallChange});
      RepeatMs = kRepeatDelayMs;
      return;
    default:
      RepeatMs = kRepeatDelayMs;
      TrackPressed(AxisPos(x, y));
  }
}

void TVeskSlider::LeftUp() {
  TVeskControl::LeftUp();
  const int32_t released = PressedPart;
  PressedPart = kNoPart;
  page_direction_ = 0;
  if (released == kThumb) QueueEvent(PR_ONRELEASE, OnRelease);
  HoverFromMouse();
}

void TVeskSlider::MouseMove() {
  const int32_t x = LocalMouseX(), y = LocalMouseY();
  if (PressedPart == kThumb) {
    DragTo(AxisPos(x, y));
  } else if (PressedPart == kDecrease || PressedPart == kIncrease) {
    // A held button looks pressed only while the mouse is on it.
    const int32_t state = PartAt(x, y) == PressedPart ? kPressed : kNormal;
    SetPartStates(kNormal, PressedPart == kDecrease ? state : kNormal,
                  PressedPart == kIncrease ? state : kNormal);
  } else if (PressedPart == kNoPart) {
    HoverFromMouse();
  }
  TVeskControl::MouseMove();
}

void TVeskSlider::MouseOut() {
  if (PressedPart == kNoPart) SetPartStates(kNormal, kNormal, kNormal);
  TVeskControl::MouseOut();
}

void TVeskSlider::MouseWheel(bool down) {
  if (!Interactive()) return;
  // A notch up moves the thumb towards the top or left end.
  const bool raises_towards_top = Orientation != 0 && !IsScrollbar();
  const int64_t step = raises_towards_top ? SmallChange : -int64_t{SmallChange};
  StepBy(down ? -step : step);
}

void TVeskSlider::KeyRepeat() {
  if (Root && Interactive() && !IsInputLocked()) {
    int increase = kKeyRight, decrease = kKeyLeft;
    if (Orientation != 0) {
      increase = IsScrollbar() ? kKeyDown : kKeyUp;
      decrease = IsScrollbar() ? kKeyUp : kKeyDown;
    }
    const int32_t v = ClampedValue();
    if (Root->KeyRepeated(increase) && v < Max)
      ChangeValue(std::min<int64_t>(Max, int64_t{v} + SmallChange), true);
    else if (Root->KeyRepeated(decrease) && v > Min)
      ChangeValue(std::max<int64_t>(Min, int64_t{v} - SmallChange), true);
  }
  TVeskControl::KeyRepeat();
}

bool TVeskSlider::Update(int32_t frame_ms) {
  if (!AniPaused && track_.Advance(frame_ms)) Invalidate();
  if (PressedPart == kThumb || PressedPart == kNoPart || !Interactive()) return false;
  RepeatMs -= frame_ms;
  if (RepeatMs > 0) return false;
  RepeatMs += kRepeatIntervalMs;
  if (RepeatMs <= 0) RepeatMs = kRepeatIntervalMs;  // one step a frame, however long it was
  const int32_t x = LocalMouseX(), y = LocalMouseY();
  const int32_t part = PartAt(x, y);
  if (part != PressedPart) return false;  // only while the mouse stays on the held part
  if (part == kTrack)
    TrackRepeat(AxisPos(x, y));
  else
    StepBy(part == kDecrease ? -int64_t{SmallChange} : int64_t{SmallChange});
  return false;
}

// ---- Properties ------------------------------------------------------------------------------

void TVeskSlider::SetSource(std::string& field, TVeskImageList& list, const std::string& name) {
  if (name == field) return;
  field = name;
  Invalidate();
  list.Load(pictures(), this, name, false);
  // A slider without a size of its own takes its track picture's.
  if (&list == &track_ && Width == 0 && Height == 0) {
    if (const graphics::TCustomDIBX* picture = FirstPicture(list))
      SetBounds(Left, Top, picture->Width(), picture->Height());
  }
  Invalidate();
}

int32_t TVeskSlider::GetInt(int id) const {
  switch (id) {
    case PR_MIN:
      return Min;
    case PR_MAX:
      return Max;
    case PR_VALUE:
      return ClampedValue();
    case PR_ORIENTATION:
      return Orientation;
    case PR_ALPHA:
      return Alpha;
    case PR_SMALLCHANGE:
      return SmallChange;
    case PR_BARSIZE:
      return BarSize;
    default:
      return TVeskControl::GetInt(id);
  }
}

void TVeskSlider::SetInt(int id, int32_t value) {
  int32_t* field = nullptr;
  switch (id) {
    case PR_MIN:
      field = &Min;
      break;
    case PR_MAX:
      field = &Max;
      break;
    case PR_VALUE:
      field = &Value;  // a script's write posts nothing
      break;
    case PR_ORIENTATION:
      field = &Orientation;
      value = value != 0 ? 1 : 0;
      break;
    case PR_ALPHA:
      field = &Alpha;
      break;
    case PR_SMALLCHANGE:
      SmallChange = value;
      return;
    case PR_BARSIZE:
      field = &BarSize;
      break;
    default:
      return TVeskControl::SetInt(id, value);
  }
  if (*field == value) return;
  Invalidate();
  *field = value;
  Invalidate();
}

bool TVeskSlider::GetFlag(int id) const {
  switch (id) {
    case PR_PAUSED:
      return Paused != 0;
    case PR_CAPTUREMASK:
      return CaptureMask != 0;
    default:
      return TVeskControl::GetFlag(id);
  }
}

void TVeskSlider::SetFlag(int id, bool value) {
  switch (id) {
    case PR_PAUSED:
      Paused = value ? 1 : 0;
      if (value) SetPartStates(kNormal, kNormal, kNormal);
      return;
    case PR_CAPTUREMASK:
      CaptureMask = value ? 1 : 0;
      return;
    default:
      TVeskControl::SetFlag(id, value);
  }
}

std::string TVeskSlider::GetStr(int id) const {
  switch (id) {
    case PR_SOURCE:
      return Source;
    case PR_THUMBSOURCE:
      return ThumbSource;
    case PR_BUTTONSOURCE:
      return ButtonSource;
    case PR_ONNOTIFY:
      return OnNotify;
    case PR_ONHOLD:
      return OnHold;
    case PR_ONRELEASE:
      return OnRelease;
    default:
      return TVeskControl::GetStr(id);
  }
}

void TVeskSlider::SetStr(int id, const std::string& value) {
  switch (id) {
    case PR_SOURCE:
      return SetSource(Source, track_, value);
    case PR_THUMBSOURCE:
      return SetSource(ThumbSource, thumb_, value);
    case PR_BUTTONSOURCE:
      return SetSource(ButtonSource, buttons_, value);
    case PR_ONNOTIFY:
      OnNotify = value;
      return;
    case PR_ONHOLD:
      OnHold = value;
      return;
    case PR_ONRELEASE:
      OnRelease = value;
      return;
    default:
      TVeskControl::SetStr(id, value);
  }
}

void TVeskSlider::ReleaseSurfaces() {
  track_.ReleaseSurfaces();
  thumb_.ReleaseSurfaces();
  buttons_.ReleaseSurfaces();
}

void TVeskSlider::TransferKindFields(RecordIO& io) {
  io.Via(&RecordIO::Str, Source, "slider track source",
         [&](const std::string& s) { SetSource(Source, track_, s); });
  io.Via(&RecordIO::Str, ThumbSource, "slider thumb source",
         [&](const std::string& s) { SetSource(ThumbSource, thumb_, s); });
  io.Via(&RecordIO::Str, ButtonSource, "slider button source",
         [&](const std::string& s) { SetSource(ButtonSource, buttons_, s); });
  io.I32(Min, "slider minimum");
  io.I32(Max, "slider maximum");
  io.I32(Value, "slider value");
  io.I32In(Orientation, 0, 1, "slider orientation");
  io.I32(Alpha, "slider alpha");
  io.Flag(Paused, "slider paused");
  io.Flag(CaptureMask, "slider capture mask");
  io.I32(SmallChange, "slider small change");
  io.I32(BarSize, "slider bar size");
  io.Str(OnNotify, "slider change handler");
  io.Str(OnHold, "slider hold handler");
  io.Str(OnRelease, "slider release handler");
  if (io.loading()) PressedPart = kNoPart;
}

// ---- TVeskScrollbar --------------------------------------------------------------------------

int32_t TVeskScrollbar::PageLength(int32_t area_length, int32_t cell_length) const {
  // The thumb shows how much of the range one page is.
  const int64_t range = int64_t{Max} - Min;
  if (range < 1 || LargeChange < 1) return cell_length;
  const int64_t page = int64_t{area_length} * LargeChange / (range + LargeChange);
  return static_cast<int32_t>(std::max<int64_t>(cell_length, page));
}

void TVeskScrollbar::TrackPressed(int32_t axis_pos) {
  page_direction_ = axis_pos < ComputeLayout().anchor ? -1 : 1;
  StepBy(page_direction_ * int64_t{LargeChange});
}

void TVeskScrollbar::TrackRepeat(int32_t axis_pos) {
  // Paging stops once the thumb has reached the mouse.
  const Layout l = ComputeLayout();
  if ((page_direction_ < 0 && axis_pos < l.anchor) ||
      (page_direction_ > 0 && axis_pos >= l.anchor + l.thumb_length))
    StepBy(page_direction_ * int64_t{LargeChange});
}

int32_t TVeskScrollbar::GetInt(int id) const {
  return id == PR_LARGECHANGE ? LargeChange : TVeskSlider::GetInt(id);
}

void TVeskScrollbar::SetInt(int id, int32_t value) {
  if (id != PR_LARGECHANGE) return TVeskSlider::SetInt(id, value);
  if (value == LargeChange) return;
  LargeChange = value;
  Invalidate();  // the thumb's length may follow the page
}

void TVeskScrollbar::TransferKindFields(RecordIO& io) {
  TVeskSlider::TransferKindFields(io);
  io.I32(LargeChange, "scroll bar large change");
}

}  // namespace vesk::components
