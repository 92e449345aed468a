#include "components/button.h"

#include "lang/vocabulary.h"
#include "scene/baselist.h"

namespace vesk::components {

using namespace vesk::lang;

namespace {

constexpr uint32_t Bit(int mode) {
  return 1u << mode;
}
constexpr uint32_t kMoveMask = Bit(IM_NONE) | Bit(IM_CLICK) | Bit(IM_LCLICK) | Bit(IM_RCLICK);

}  // namespace

int TVeskButton::GetCompoType() const {
  return LT_BUTTON;
}

template <class F>
void TVeskButton::ForGroup(F&& f) {
  if (!Parent || GroupIndex == 0) return;
  const std::vector<TVeskControl*> siblings = Parent->Children;
  for (TVeskControl* c : siblings) {
    auto* other = dynamic_cast<TVeskButton*>(c);
    if (other && other != this && other->GroupIndex == GroupIndex) f(*other);
  }
}

void TVeskButton::SetState(int32_t s) {
  if (s < kNone) s = kNone;
  if (State == kClicked) {
    ReturnState = s;
    return;
  }
  if (s == State) return;
  const bool shows = s <= kNormal || (s <= kClicked && (Motion(s) || List(s).Count() > 0));
  if (!shows) return;
  InvalidateImage();
  // A motion's picture does not stay up once another state shows.
  if (ShownMotion() && (s < 0 || !Motion(s))) SetExternalSurface(nullptr, nullptr);
  State = s;
  if (s == kClicked) ReturnState = kNormal;
  FrameIndex = -1;
  Remaining = 0;
  end_reported_ = false;
  if (TVeskMotionLink* motion = ShownMotion())
    motion->Restart();
  else if (TVeskImageList* list = ShownList(); list && list->Count() > 0)
    SetFrameIndex(0);
  MarkSizeDirty();
  RecomputeSize();
  InvalidateImage();
}

bool TVeskButton::MouseOver() {
  scene::TVeskBase* base = GetBase();
  return base && base->HitTest(base->MouseX, base->MouseY, kMoveMask) == this;
}

void TVeskButton::MouseMove() {
  if (Tracking != 1)
    SetState(Selected ? kPressed : Paused ? kNormal : kHover);
  else
    SetState(Selected || MouseOver() ? kPressed : kNormal);
  TVeskImages::MouseMove();
}

void TVeskButton::MouseOut() {
  if (State != kClicked) SetState(Selected ? kPressed : kNormal);
  TVeskImages::MouseOut();
}

void TVeskButton::LeftDown() {
  if (IgnoreMouse != IM_NONE && IgnoreMouse != IM_RCLICK) return TVeskImages::LeftDown();
  scene::TVeskBase* base = GetBase();
  if (base) base->LClick = 0;  // the button took the click
  if (Paused || State == kClicked) return;
  if (base) base->Capture |= scene::TVeskBase::kCaptureLeft;
  SetState(kPressed);
  Tracking = 1;
}

void TVeskButton::LeftUp() {
  if (Tracking == 1 && MouseOver()) Click();
  if (Tracking != -1) Tracking = 0;
  if (GroupIndex == 0 && State != kClicked) SetState(kNormal);
  if (scene::TVeskBase* base = GetBase())
    base->Capture &= static_cast<uint8_t>(~scene::TVeskBase::kCaptureLeft);
}

void TVeskButton::Click() {
  QueueEvent(PR_ONNOTIFY, OnNotify);
  if (GroupIndex == 0) {
    SetState(kClicked);
    // Nothing to play after the click: an auto-scrapped button goes now.
    if (State != kClicked && AutoScrap) Tracking = -1;
  } else if (AllowAllUp || !Selected) {
    SetSelected(!Selected);
  }
}

void TVeskButton::SetSelected(bool selected) {
  if (selected && GroupIndex == 0) return;
  Selected = selected ? 1 : 0;
  SetState(selected ? kPressed : kNormal);
  if (selected)
    ForGroup([](TVeskButton& other) {
      if (other.Selected) other.SetSelected(false);
    });
}

void TVeskButton::SetGroupIndex(int32_t group) {
  if (group == GroupIndex) return;
  GroupIndex = group;
  if (group == 0) {
    // Outside a group a button cannot stay down.
    if (Selected) SetSelected(false);
    return;
  }
  if (Selected)
    ForGroup([](TVeskButton& other) {
      if (other.Selected) other.SetSelected(false);
    });
}

void TVeskButton::SetAllowAllUp(bool allow) {
  AllowAllUp = allow ? 1 : 0;
  // The whole group shares the setting.
  ForGroup([allow](TVeskButton& other) { other.AllowAllUp = allow ? 1 : 0; });
}

bool TVeskButton::Update(int32_t frame_ms) {
  if (Tracking == -1) return true;
  return TVeskImages::Update(frame_ms);
}

bool TVeskButton::AnimationEnded() {
  if (AutoScrap) return true;
  QueueEvent(PR_ONPLAYEND, OnPlayEnd);
  const int32_t back = ReturnState;
  State = kNone;
  SetState(back);
  return false;
}

int32_t TVeskButton::GetInt(int id) const {
  return id == PR_GROUPINDEX ? GroupIndex : TVeskImages::GetInt(id);
}

void TVeskButton::SetInt(int id, int32_t value) {
  if (id == PR_GROUPINDEX) return SetGroupIndex(value);
  TVeskImages::SetInt(id, value);
}

bool TVeskButton::GetFlag(int id) const {
  switch (id) {
    case PR_SELECTED:
      return Selected != 0;
    case PR_ALLOWALLUP:
      return AllowAllUp != 0;
    default:
      return TVeskImages::GetFlag(id);
  }
}

void TVeskButton::SetFlag(int id, bool value) {
  switch (id) {
    case PR_SELECTED:
      SetSelected(value);
      return;
    case PR_ALLOWALLUP:
      SetAllowAllUp(value);
      return;
    case PR_REPEAT:
      return;  // a button loops every state but the clicked one
    default:
      TVeskImages::SetFlag(id, value);
  }
}

std::string TVeskButton::GetStr(int id) const {
  switch (id) {
    case PR_HOVERSOURCE:
      return ListSource(kHover);
    case PR_PRESSEDSOURCE:
      return ListSource(kPressed);
    case PR_CLICKEDSOURCE:
      return ListSource(kClicked);
    case PR_ONNOTIFY:
      return OnNotify;
    default:
      return TVeskImages::GetStr(id);
  }
}

void TVeskButton::SetStr(int id, const std::string& value) {
  switch (id) {
    case PR_HOVERSOURCE:
      SetListSource(kHover, value);
      return;
    case PR_PRESSEDSOURCE:
      SetListSource(kPressed, value);
      return;
    case PR_CLICKEDSOURCE:
      SetListSource(kClicked, value);
      return;
    case PR_ONNOTIFY:
      OnNotify = value;
      return;
    default:
      TVeskImages::SetStr(id, value);
  }
}

void TVeskButton::TransferKindFields(RecordIO& io) {
  TransferImagesFields(io);
  std::string hover = ListSource(kHover), pressed = ListSource(kPressed),
              clicked = ListSource(kClicked);
  uint8_t selected = Selected;
  io.Str(hover, "hover source");
  io.Str(pressed, "pressed source");
  io.I32(GroupIndex, "group index");
  io.U8(selected, "selected");
  io.Flag(AllowAllUp, "allow all up");
  io.Str(OnNotify, "click handler");
  if (io.Since(104)) {
    io.Str(OnIdle, "idle handler");
    io.Str(clicked, "clicked source");
  } else {
    io.Absent(clicked, std::string());
  }
  if (!io.loading()) return;
  // The pictures and the group follow from all the fields together.
  SetListSource(kHover, hover);
  SetListSource(kPressed, pressed);
  SetListSource(kClicked, clicked);
  SetSelected(selected != 0);
  Tracking = 0;
  RestoreLoadedFrame();
}

}  // namespace vesk::components
