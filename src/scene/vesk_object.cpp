#include "scene/vesk_object.h"

#include <algorithm>

#include "core/wrap32.h"
#include "expr/param_text.h"
#include "lang/properties.h"
#include "lang/vocabulary.h"
#include "scene/baselist.h"

namespace vesk::scene {

using namespace vesk::lang;  // PR_ and IM_ ids

// ---- TVeskObject --------------------------------------------------------

int32_t TVeskObject::GetInt(int id) const {
  if (id == PR_PRIORITY) return Priority;
  if (id == PR_COMPOTYPE) return GetCompoType();
  if (id == PR_COLOR) return 0xFFFFFF;
  // The original size defaults to the current one.
  if (id == PR_ORIGWIDTH) return GetInt(PR_WIDTH);
  if (id == PR_ORIGHEIGHT) return GetInt(PR_HEIGHT);
  return Property(id).default_int;
}

void TVeskObject::SetInt(int id, int32_t value) {
  if (id == PR_PRIORITY) {
    Priority = value;
    PriorityBias = 0;
  }
}

bool TVeskObject::GetFlag(int id) const {
  if (id == PR_VISIBLE) return GetVisible();
  return Property(id).default_int != 0;
}
void TVeskObject::SetFlag(int, bool) {}

std::string TVeskObject::GetStr(int id) const {
  if (id == PR_NAME) return Name;
  if (id == PR_TAG) return Tag;
  return {};
}

void TVeskObject::SetStr(int id, const std::string& value) {
  if (id == PR_NAME) SetName(value);
  if (id == PR_TAG) Tag = value;
}

Real TVeskObject::GetReal(int) const {
  return 0;
}
void TVeskObject::SetReal(int, Real) {}

namespace {

// The queue knows objects by name: the items an object raised follow it
// when it is renamed.
void RenameEvents(script::TTimerList& events, const std::string& from, const std::string& to) {
  if (from.empty()) return;
  for (size_t i = 0; i < events.Count(); ++i)
    if (events[i].Object == from) events[i].Object = to;
}

}  // namespace

void TVeskObject::SetName(const std::string& name) {
  if (name == Name) return;
  // A non-visual object takes the name; the one that had it goes at the end
  // of the frame.
  if (Root) {
    const int32_t other = Root->IndexOfName(name);
    if (other >= 0) {
      TVeskObject* holder = Root->GetObject(other);
      if (holder != this) {
        Root->ScheduleDelete(holder);
        // Its waiting events go with it, not to the new bearer of the name.
        Root->Events.RemoveWaitingOf(holder->Name);
        RenameEvents(Root->Events, holder->Name, std::string());
        holder->Name.clear();
      }
    }
    RenameEvents(Root->Events, Name, name);
  }
  Name = name;
}

void TVeskObject::SaveToStream(ByteWriter& out) const {
  SaveRecord(*this, out, kSaveVersion);
}

void TVeskObject::LoadFromStream(ByteReader& in, int32_t version) {
  LoadRecord(*this, in, version);
}

void TVeskObject::Transfer(RecordIO& io) {
  io.Str(Name, "object name");
  io.I32(Priority, "object priority");
  if (io.Since(104)) io.I32(PriorityBias, "object priority bias");
  if (io.Since(120)) io.Str(Tag, "object tag");
}

void TVeskObject::QueueEvent(int event_id, const std::string& handler,
                             std::vector<std::string> args) {
  if (handler.empty() || !Root) return;
  Root->Events.Enqueue(Name, handler, std::move(args), static_cast<uint8_t>(event_id));
}

bool TVeskObject::EventWaiting(int event_id) const {
  return Root && Root->Events.FindWaiting(Name, static_cast<uint8_t>(event_id)) >= 0;
}

TVeskComponent::~TVeskComponent() {
  if (Root && !Name.empty()) Root->Events.RemoveWaitingOf(Name);
}

// ---- TVeskControl: properties -------------------------------------------

TVeskControl::~TVeskControl() = default;

int32_t TVeskControl::GetInt(int id) const {
  switch (id) {
    case PR_LEFT:
      return Left;
    case PR_TOP:
      return Top;
    case PR_WIDTH:
      return Width;
    case PR_HEIGHT:
      return Height;
    case PR_COLOR:
      return Color;
    case PR_OFFSETX:
      return OffsetX;
    case PR_OFFSETY:
      return OffsetY;
    case PR_IGNOREMOUSE:
      return IgnoreMouse;
    case PR_CLIPLEFT:
      return ClipLeft;
    case PR_CLIPTOP:
      return ClipTop;
    case PR_CLIPWIDTH:
      return ClipWidth;
    case PR_CLIPHEIGHT:
      return ClipHeight;
    case PR_HANDLEKEY:
      return HandleKey;
    default:
      return TVeskComponent::GetInt(id);
  }
}

void TVeskControl::SetInt(int id, int32_t value) {
  switch (id) {
    case PR_LEFT:
      MotionOffsetX = 0;
      SetGeometry(Left, value);
      Moved();
      return;
    case PR_TOP:
      MotionOffsetY = 0;
      SetGeometry(Top, value);
      Moved();
      return;
    case PR_WIDTH:
      SetGeometry(Width, value);
      return;
    case PR_HEIGHT:
      SetGeometry(Height, value);
      return;
    case PR_OFFSETX:
      SetGeometry(OffsetX, value);
      Moved();
      return;
    case PR_OFFSETY:
      SetGeometry(OffsetY, value);
      Moved();
      return;
    case PR_COLOR:
      Color = value;
      Invalidate();
      return;
    case PR_PRIORITY:
      TVeskComponent::SetInt(id, value);
      if (Parent) Parent->SortChildren();
      Invalidate();
      return;
    case PR_IGNOREMOUSE:
      IgnoreMouse = static_cast<uint8_t>(value);
      return;
    case PR_CLIPLEFT:
      SetClipField(ClipLeft, value);
      return;
    case PR_CLIPTOP:
      SetClipField(ClipTop, value);
      return;
    case PR_CLIPWIDTH:
      SetClipField(ClipWidth, value);
      return;
    case PR_CLIPHEIGHT:
      SetClipField(ClipHeight, value);
      return;
    case PR_HANDLEKEY: {
      const uint8_t old = HandleKey;
      HandleKey = static_cast<uint8_t>(value);
      HandleKeyChanged(old);
      return;
    }
    default:
      TVeskComponent::SetInt(id, value);
  }
}

bool TVeskControl::GetFlag(int id) const {
  switch (id) {
    case PR_VISIBLE:
      return GetVisible();
    case PR_POSZOOMED:
      return PosZoomed != 0;
    case PR_ANIPAUSED:
      return AniPaused != 0;
    case PR_PLAYING:
      return false;  // true only while a motion plays (motions come with their kinds)
    default:
      return TVeskComponent::GetFlag(id);
  }
}

void TVeskControl::SetFlag(int id, bool value) {
  switch (id) {
    case PR_VISIBLE:
      SetVisible(value);
      return;
    case PR_POSZOOMED: {
      int32_t v = PosZoomed;
      SetGeometry(v, value ? 1 : 0);
      PosZoomed = static_cast<uint8_t>(v);
      return;
    }
    case PR_ANIPAUSED:
      AniPaused = value ? 1 : 0;
      return;
    default:
      TVeskComponent::SetFlag(id, value);
  }
}

std::string TVeskControl::GetStr(int id) const {
  switch (id) {
    case PR_PARENT:
      return Parent ? Parent->Name : std::string();
    case PR_CURSOR:
      return Cursor;
    case PR_ONMOUSEMOVE:
      return MouseHandlers[kOnMouseMove];
    case PR_ONMOUSEIN:
      return MouseHandlers[kOnMouseIn];
    case PR_ONMOUSEOUT:
      return MouseHandlers[kOnMouseOut];
    case PR_ONLBTNDOWN:
      return MouseHandlers[kOnLBtnDown];
    case PR_ONLBTNUP:
      return MouseHandlers[kOnLBtnUp];
    case PR_ONRBTNDOWN:
      return MouseHandlers[kOnRBtnDown];
    case PR_ONRBTNUP:
      return MouseHandlers[kOnRBtnUp];
    case PR_ONWHEELDOWN:
      return MouseHandlers[kOnWheelDown];
    case PR_ONWHEELUP:
      return MouseHandlers[kOnWheelUp];
    case PR_ONKEYDOWN:
      return KeyHandlers[kOnKeyDown];
    case PR_ONKEYUP:
      return KeyHandlers[kOnKeyUp];
    case PR_ONKEYREPEAT:
      return KeyHandlers[kOnKeyRepeat];
    case PR_ONFOCUSIN:
      return KeyHandlers[kOnFocusIn];
    case PR_ONFOCUSOUT:
      return KeyHandlers[kOnFocusOut];
    default:
      return TVeskComponent::GetStr(id);
  }
}

void TVeskControl::SetStr(int id, const std::string& value) {
  std::string* slot = nullptr;
  switch (id) {
    case PR_PARENT:
      if (Root && !IsBase())
        if (TVeskControl* p = Root->FindControl(value)) SetParent(p);
      return;
    case PR_CURSOR:
      Cursor = value;
      return;
    case PR_ONMOUSEMOVE:
      slot = &MouseHandlers[kOnMouseMove];
      break;
    case PR_ONMOUSEIN:
      slot = &MouseHandlers[kOnMouseIn];
      break;
    case PR_ONMOUSEOUT:
      slot = &MouseHandlers[kOnMouseOut];
      break;
    case PR_ONLBTNDOWN:
      slot = &MouseHandlers[kOnLBtnDown];
      break;
    case PR_ONLBTNUP:
      slot = &MouseHandlers[kOnLBtnUp];
      break;
    case PR_ONRBTNDOWN:
      slot = &MouseHandlers[kOnRBtnDown];
      break;
    case PR_ONRBTNUP:
      slot = &MouseHandlers[kOnRBtnUp];
      break;
    case PR_ONWHEELDOWN:
      slot = &MouseHandlers[kOnWheelDown];
      break;
    case PR_ONWHEELUP:
      slot = &MouseHandlers[kOnWheelUp];
      break;
    case PR_ONKEYDOWN:
      slot = &KeyHandlers[kOnKeyDown];
      break;
    case PR_ONKEYUP:
      slot = &KeyHandlers[kOnKeyUp];
      break;
    case PR_ONKEYREPEAT:
      slot = &KeyHandlers[kOnKeyRepeat];
      break;
    case PR_ONFOCUSIN:
      slot = &KeyHandlers[kOnFocusIn];
      break;
    case PR_ONFOCUSOUT:
      slot = &KeyHandlers[kOnFocusOut];
      break;
    default:
      TVeskComponent::SetStr(id, value);
      return;
  }
  *slot = value;
}

// A control keeps its name and gives the one that had it a new name
// instead of deleting it: btn becomes btn_2 (or the next free number).
void TVeskControl::SetName(const std::string& name) {
  if (name == Name) return;
  if (Root) {
    const int32_t other = Root->IndexOfName(name);
    if (other >= 0 && Root->GetObject(other) != this) {
      TVeskObject* holder = Root->GetObject(other);
      std::string stem = name;
      int64_t n = 2;
      for (size_t i = name.size(); i-- > 1;) {
        if (name[i] != '_') continue;
        const auto parsed = expr::ParseInt(name.substr(i + 1));
        if (parsed && *parsed > 1) {
          stem = name.substr(0, i);
          n = *parsed;
          break;
        }
      }
      while (Root->IndexOfName(stem + "_" + std::to_string(n)) >= 0) ++n;
      RenameEvents(Root->Events, holder->Name, stem + "_" + std::to_string(n));
      holder->Name = stem + "_" + std::to_string(n);
    }
    RenameEvents(Root->Events, Name, name);
  }
  Name = name;
}

// ---- Tree ---------------------------------------------------------------

void TVeskControl::SetParent(TVeskControl* parent) {
  if (parent == Parent || parent == this || (parent && IsAncestorOf(parent))) return;
  InvalidateDrawn();
  if (Parent) {
    Parent->RemoveChild(this);
    if (Parent->IsCabinet()) CabinetDetached();
  }
  Parent = parent;
  if (Parent) {
    Parent->AddChild(this);
    if (Parent->IsCabinet()) CabinetAttached();
  }
  InvalidateDrawn();
  if (!Root) return;
  TVeskControl* focus = Root->Focus();
  const bool on_shown = GetBase() == Root->ShownBase();
  if (focus && (focus == this || IsAncestorOf(focus)) && !on_shown) {
    Root->DropFocus();
  } else if (!focus && on_shown) {
    Root->RequestRefocus();
  }
}

TVeskBase* TVeskControl::GetBase() {
  TVeskControl* c = this;
  while (c && !c->IsBase()) c = c->Parent;
  return static_cast<TVeskBase*>(c);
}

bool TVeskControl::IsAncestorOf(const TVeskControl* other) const {
  for (const TVeskControl* c = other ? other->Parent : nullptr; c; c = c->Parent)
    if (c == this) return true;
  return false;
}

bool TVeskControl::IsInCabinet() const {
  for (const TVeskControl* c = this; c && c->Parent; c = c->Parent)
    if (c->Parent->IsCabinet()) return true;
  return false;
}

void TVeskControl::AddChild(TVeskControl* child) {
  Children.push_back(child);
  SortChildren();
}

void TVeskControl::RemoveChild(TVeskControl* child) {
  std::erase(Children, child);
}

namespace {

bool IsSnapshotName(const std::string& n) {
  return n.size() == 2 && n[0] == kSystemNameByte && n[1] == kSystemNameByte;
}
bool IsSystemName(const std::string& n) {
  return !n.empty() && n[0] == kSystemNameByte;
}

// The flip snapshot goes last, other system objects first, then by the sum
// of priority and bias, then by name.
bool DrawsBefore(const TVeskControl* a, const TVeskControl* b) {
  if (a == b) return false;
  if (IsSnapshotName(a->Name) != IsSnapshotName(b->Name)) return IsSnapshotName(b->Name);
  if (IsSystemName(a->Name) != IsSystemName(b->Name)) return IsSystemName(a->Name);
  const int64_t pa = int64_t{a->Priority} + a->PriorityBias,
                pb = int64_t{b->Priority} + b->PriorityBias;
  if (pa != pb) return pa < pb;
  return std::lexicographical_compare(
      a->Name.begin(), a->Name.end(), b->Name.begin(), b->Name.end(),
      [](char x, char y) { return static_cast<uint8_t>(x) < static_cast<uint8_t>(y); });
}

}  // namespace

void TVeskControl::SortChildren() {
  std::stable_sort(Children.begin(), Children.end(), DrawsBefore);
}

// ---- Visibility ---------------------------------------------------------

bool TVeskControl::GetVisible() const {
  return Visible && Parent && Parent->GetVisible();
}

void TVeskControl::SetVisible(bool visible) {
  if ((Visible != 0) == visible) return;
  if (!visible) {
    InvalidateDrawn();
    Visible = 0;
    if (Root && Root->Focus() && (Root->Focus() == this || IsAncestorOf(Root->Focus())))
      Root->DropFocus();
  } else {
    Visible = 1;
    Invalidate();
    if (Root && !Root->Focus()) Root->RequestRefocus();
  }
}

bool TVeskControl::IsShown() const {
  if (!GetVisible() || !Root) return false;
  return const_cast<TVeskControl*>(this)->GetBase() == Root->ShownBase();
}

// ---- Geometry -----------------------------------------------------------

int32_t TVeskControl::AnchorOffsetX(bool minus_one) const {
  const int32_t zoom = GetInt(PR_ZOOMX);
  if (!GetFlag(PR_FLIPH))
    return zoom == 256 ? OffsetX : static_cast<int32_t>(int64_t{OffsetX} * zoom / 256);
  const int32_t scaled =
      zoom == 256 ? OffsetX : static_cast<int32_t>(int64_t{zoom} * OffsetX / 256);
  return Wrap32(int64_t{Width} - scaled - (minus_one ? 1 : 0));
}

int32_t TVeskControl::AnchorOffsetY(bool minus_one) const {
  const int32_t zoom = GetInt(PR_ZOOMY);
  if (!GetFlag(PR_FLIPV))
    return zoom == 256 ? OffsetY : static_cast<int32_t>(int64_t{OffsetY} * zoom / 256);
  const int32_t scaled =
      zoom == 256 ? OffsetY : static_cast<int32_t>(int64_t{zoom} * OffsetY / 256);
  return Wrap32(int64_t{Height} - scaled - (minus_one ? 1 : 0));
}

int32_t TVeskControl::PositionX() const {
  if (HasMotion()) return Wrap32(int64_t{Left} + MotionOffsetX);
  return PosZoomed ? static_cast<int32_t>(int64_t{Left} * GetInt(PR_ZOOMX) / 256) : Left;
}

int32_t TVeskControl::PositionY() const {
  if (HasMotion()) return Wrap32(int64_t{Top} + MotionOffsetY);
  return PosZoomed ? static_cast<int32_t>(int64_t{Top} * GetInt(PR_ZOOMY) / 256) : Top;
}

namespace {

// A zoomed child placed on its parent's picture: its position is mapped
// through the ratio of the parent's surface to the parent's size.
int32_t MapThroughParent(int32_t parent_surface, int32_t parent_size, int64_t g) {
  const int64_t s = std::max<int64_t>(
      1, static_cast<int64_t>(static_cast<double>(parent_surface) / parent_size * 65536));
  int64_t e = g / s;
  if (g % s > 32767) ++e;
  return static_cast<int32_t>(e);
}

}  // namespace

int32_t TVeskControl::GetSceneLeft() const {
  if (!Parent) return Wrap32(int64_t{PositionX()} - AnchorOffsetX(true));
  int32_t pw = 0, ph = 0, ow = 0, oh = 0;
  if (PosZoomed && !Parent->IsBase() && Parent->OwnSurfaceSize(&pw, &ph) &&
      OwnSurfaceSize(&ow, &oh) && !HasMotion() && GetInt(PR_ZOOMX) == Parent->GetInt(PR_ZOOMX) &&
      Parent->Width != 0) {
    const int64_t g = GetFlag(PR_FLIPH) ? (int64_t{pw} + OffsetX - Left - ow) * 65536
                                        : (int64_t{Left} - OffsetX) * 65536;
    return Wrap32(int64_t{Parent->GetSceneLeft()} + MapThroughParent(pw, Parent->Width, g) -
                  Parent->GetInt(PR_SCROLLX));
  }
  return Wrap32(int64_t{Parent->GetSceneLeft()} + PositionX() - Parent->GetInt(PR_SCROLLX) -
                AnchorOffsetX(true));
}

int32_t TVeskControl::GetSceneTop() const {
  if (!Parent) return Wrap32(int64_t{PositionY()} - AnchorOffsetY(true));
  int32_t pw = 0, ph = 0, ow = 0, oh = 0;
  if (PosZoomed && !Parent->IsBase() && Parent->OwnSurfaceSize(&pw, &ph) &&
      OwnSurfaceSize(&ow, &oh) && !HasMotion() && GetInt(PR_ZOOMY) == Parent->GetInt(PR_ZOOMY) &&
      Parent->Height != 0) {
    const int64_t g = GetFlag(PR_FLIPV) ? (int64_t{ph} + OffsetY - Top - oh) * 65536
                                        : (int64_t{Top} - OffsetY) * 65536;
    return Wrap32(int64_t{Parent->GetSceneTop()} + MapThroughParent(ph, Parent->Height, g) -
                  Parent->GetInt(PR_SCROLLY));
  }
  return Wrap32(int64_t{Parent->GetSceneTop()} + PositionY() - Parent->GetInt(PR_SCROLLY) -
                AnchorOffsetY(true));
}

int32_t TVeskControl::GetLocalLeft() const {
  return Wrap32(int64_t{PositionX()} - AnchorOffsetX(false));
}
int32_t TVeskControl::GetLocalTop() const {
  return Wrap32(int64_t{PositionY()} - AnchorOffsetY(false));
}

Rect TVeskControl::SceneRect() const {
  return Rect::FromSize(GetSceneLeft(), GetSceneTop(), Width, Height);
}

Rect TVeskControl::ClipRect() const {
  if (!Clips()) return {};
  return Rect::FromSize(Wrap32(int64_t{GetSceneLeft()} + ClipLeft),
                        Wrap32(int64_t{GetSceneTop()} + ClipTop), ClipWidth, ClipHeight);
}

int32_t TVeskControl::AnchorX() const {
  int64_t x = int64_t{PosZoomed && !HasMotion()
                          ? static_cast<int32_t>(int64_t{Left} * GetInt(PR_ZOOMX) / 256)
                          : Left} +
              MotionOffsetX;
  if (Parent) x += int64_t{Parent->GetSceneLeft()} - Parent->GetInt(PR_SCROLLX);
  return Wrap32(x);
}

int32_t TVeskControl::AnchorY() const {
  int64_t y = int64_t{PosZoomed && !HasMotion()
                          ? static_cast<int32_t>(int64_t{Top} * GetInt(PR_ZOOMY) / 256)
                          : Top} +
              MotionOffsetY;
  if (Parent) y += int64_t{Parent->GetSceneTop()} - Parent->GetInt(PR_SCROLLY);
  return Wrap32(y);
}

void TVeskControl::SetGeometry(int32_t& field, int32_t value) {
  if (field == value) return;
  Invalidate();
  field = value;
  Invalidate();
}

void TVeskControl::SetClipField(int32_t& field, int32_t value) {
  if (field == value) return;
  Invalidate();
  field = value;
  Invalidate();
  for (TVeskControl* c : Children) c->ClipChanged();
}

void TVeskControl::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  Invalidate();
  Left = left;
  Top = top;
  Width = width;
  Height = height;
  Invalidate();
  Moved();
}

void TVeskControl::Moved() {
  for (TVeskControl* c : Children) c->Moved();
}

void TVeskControl::ClipChanged() {
  for (TVeskControl* c : Children) c->ClipChanged();
}

void TVeskControl::HandleKeyChanged(uint8_t old_value) {
  if (!Root || old_value == HandleKey) return;
  if (HandleKey && !Root->Focus()) Root->RequestRefocus();
  if (!HandleKey && Root->Focus() == this) Root->DropFocus();
}

// ---- Drawing ------------------------------------------------------------

void TVeskControl::Invalidate() {
  if (!GetVisible() && !IsBase()) return;
  TVeskBase* base = GetBase();
  if (!base) return;
  Rect r = SceneRect();
  if (Parent) r = r.Intersect(Parent->GetHitRect());
  if (r.IsEmpty()) return;
  if (Clips()) {
    r = r.Intersect(ClipRect());
    if (r.IsEmpty()) return;
  }
  InvalidateRect(r);
}

void TVeskControl::InvalidateRect(const Rect& r) {
  if (Parent) Parent->InvalidateRect(r);
}

void TVeskControl::Draw(graphics::TCustomDIBX& surface, const Rect& clip) {
  DrawChildren(surface, clip);
}

// ---- Input --------------------------------------------------------------

TVeskControl* TVeskControl::HitTest(int32_t x, int32_t y, uint32_t mask) {
  if (!IsBase() && !GetVisible()) return nullptr;
  if (IsBase() && !Visible) return nullptr;
  if (!GetHitRect().Contains(x, y)) return nullptr;
  for (auto it = Children.rbegin(); it != Children.rend(); ++it)
    if (TVeskControl* hit = (*it)->HitTest(x, y, mask)) return hit;
  return IgnoreMouse < 32 && (mask >> IgnoreMouse & 1) ? this : nullptr;
}

std::vector<std::string> TVeskControl::RelativeMouse() const {
  const TVeskBase* base = const_cast<TVeskControl*>(this)->GetBase();
  const int32_t mx = base ? base->MouseX : 0, my = base ? base->MouseY : 0;
  // Differences wrap in 32 bits, as the positions themselves do.
  auto minus = [](int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
  };
  return {std::to_string(minus(mx, GetSceneLeft())), std::to_string(minus(my, GetSceneTop()))};
}

void TVeskControl::LeftDown() {
  if (IsBase() || (IgnoreMouse != IM_NONE && IgnoreMouse != IM_RCLICK)) return;
  TVeskBase* base = GetBase();
  if (base) base->LClick = 0;  // a control took the click
  if (Paused() || EventWaiting(PR_ONLBTNDOWN) || IsInputLocked()) return;
  QueueEvent(PR_ONLBTNDOWN, MouseHandlers[kOnLBtnDown], RelativeMouse());
  if (base) base->Capture |= TVeskBase::kCaptureLeft;
}

void TVeskControl::LeftUp() {
  if (!IsInputLocked()) QueueEvent(PR_ONLBTNUP, MouseHandlers[kOnLBtnUp], RelativeMouse());
  if (TVeskBase* base = GetBase()) base->Capture &= static_cast<uint8_t>(~TVeskBase::kCaptureLeft);
}

void TVeskControl::RightDown() {
  if (IsBase() || (IgnoreMouse != IM_NONE && IgnoreMouse != IM_LCLICK)) return;
  TVeskBase* base = GetBase();
  if (base) base->RClick = 0;
  if (Paused() || EventWaiting(PR_ONRBTNDOWN) || IsInputLocked()) return;
  QueueEvent(PR_ONRBTNDOWN, MouseHandlers[kOnRBtnDown], RelativeMouse());
  if (base) base->Capture |= TVeskBase::kCaptureRight;
}

void TVeskControl::RightUp() {
  if (!IsInputLocked()) QueueEvent(PR_ONRBTNUP, MouseHandlers[kOnRBtnUp], RelativeMouse());
  if (TVeskBase* base = GetBase()) base->Capture &= static_cast<uint8_t>(~TVeskBase::kCaptureRight);
}

void TVeskControl::MouseMove() {
  if (MouseHandlers[kOnMouseMove].empty() || EventWaiting(PR_ONMOUSEMOVE) || IsInputLocked())
    return;
  QueueEvent(PR_ONMOUSEMOVE, MouseHandlers[kOnMouseMove], RelativeMouse());
}

void TVeskControl::MouseIn() {
  if (!IsInputLocked()) QueueEvent(PR_ONMOUSEIN, MouseHandlers[kOnMouseIn]);
}

void TVeskControl::MouseOut() {
  if (!IsInputLocked()) QueueEvent(PR_ONMOUSEOUT, MouseHandlers[kOnMouseOut]);
}

namespace {

void KeyEvent(TVeskControl& c, int id, const std::string& handler) {
  if (handler.empty() || c.Paused() || c.EventWaiting(id) || c.IsBase() || c.IsInputLocked())
    return;
  c.QueueEvent(id, handler);
}

}  // namespace

void TVeskControl::KeyDown() {
  KeyEvent(*this, PR_ONKEYDOWN, KeyHandlers[kOnKeyDown]);
}
void TVeskControl::KeyUp() {
  KeyEvent(*this, PR_ONKEYUP, KeyHandlers[kOnKeyUp]);
}
void TVeskControl::KeyRepeat() {
  KeyEvent(*this, PR_ONKEYREPEAT, KeyHandlers[kOnKeyRepeat]);
}

TVeskControl* TVeskControl::FindFocusable() {
  // The topmost visible child that has a candidate wins.
  for (auto it = Children.rbegin(); it != Children.rend(); ++it)
    if ((*it)->Visible && !(*it)->IsCabinet())
      if (TVeskControl* found = (*it)->FindFocusable()) return found;
  return HandleKey && !Paused() ? this : nullptr;
}

// ---- Stored form --------------------------------------------------------

void TVeskControl::TransferControlFields(RecordIO& io) {
  TVeskComponent::Transfer(io);
  for (int32_t* v : {&Left, &Top, &Width, &Height, &OffsetX, &OffsetY})
    io.I32(*v, "control geometry");
  io.U8(PosZoomed, "control zoomed position");
  if (io.Since(104)) {
    for (int32_t* v : {&ClipLeft, &ClipTop, &ClipWidth, &ClipHeight}) io.I32(*v, "control clip");
    io.U8(AniPaused, "control animation pause");
  }
  io.U8(Visible, "control visibility");
  io.I32(Color, "control colour");
  for (int32_t* v : {&SavedRect.left, &SavedRect.top, &SavedRect.right, &SavedRect.bottom})
    io.I32(*v, "control saved rectangle");
  io.U8(IgnoreMouse, "control mouse mode");
  io.Str(Cursor, "control cursor");
  for (int h = 0; h < kMouseHandlerCount; ++h)
    if (h != kOnMouseIn || io.Since(102)) io.Str(MouseHandlers[h], "mouse handler");
  if (io.Since(118)) {
    io.U8(HandleKey, "control key handling");
    for (std::string& h : KeyHandlers) io.Str(h, "key handler");
  }
}

void TVeskControl::TransferChildren(RecordIO& io) {
  if (io.loading()) {
    if (Root) Root->LoadChildren(io, *this);
    return;
  }
  std::vector<TVeskControl*> saved;
  for (TVeskControl* c : Children)
    if (c->GetCompoType() != 0 && !IsSystemName(c->Name) && !(Root && Root->IsDying(c)))
      saved.push_back(c);
  io.Count(saved.size(), 1, "child count");
  for (TVeskControl* c : saved) {
    uint8_t kind = static_cast<uint8_t>(c->GetCompoType());
    io.U8(kind, "child kind");
    c->Transfer(io);
  }
}

void TVeskControl::Transfer(RecordIO& io) {
  TransferControlFields(io);
  TransferKindFields(io);
  TransferChildren(io);
}

}  // namespace vesk::scene
