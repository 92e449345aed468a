#include "scene/baselist.h"

#include <algorithm>

#include "graphics/dibsfc.h"
#include "lang/vocabulary.h"

namespace vesk::scene {

using namespace vesk::lang;  // PR_, IM_ and LT_ ids

namespace {

const std::string kBase0Name = std::string(1, kSystemNameByte) + "BASE0";
const std::string kBase1Name = std::string(1, kSystemNameByte) + "BASE1";
const std::string kBackBaseName(1, kSystemNameByte);

constexpr uint32_t Bit(int mode) {
  return 1u << mode;
}
constexpr uint32_t kLeftClickMask = Bit(IM_NONE) | Bit(IM_RCLICK);
constexpr uint32_t kRightClickMask = Bit(IM_NONE) | Bit(IM_LCLICK);
constexpr uint32_t kMoveMask = Bit(IM_NONE) | Bit(IM_CLICK) | Bit(IM_LCLICK) | Bit(IM_RCLICK);
constexpr int32_t kMergeDistance = 20;

}  // namespace

// ---- TVeskBase ----------------------------------------------------------

TVeskBase::TVeskBase(TVeskBaseList* root) : TVeskControl(root) {}

void TVeskBase::AddDirtyRect(Rect r) {
  r = r.Intersect({0, 0, Width, Height});
  if (r.IsEmpty()) return;
  while (true) {
    auto near = std::find_if(DirtyRects.begin(), DirtyRects.end(), [&](const Rect& o) {
      return r.left <= o.right + kMergeDistance && r.top <= o.bottom + kMergeDistance &&
             r.right >= o.left - kMergeDistance && r.bottom >= o.top - kMergeDistance;
    });
    if (near == DirtyRects.end()) break;
    if (near->Contains(r)) return;
    r = r.Union(*near);
    DirtyRects.erase(near);
  }
  DirtyRects.push_back(r);
}

// ---- Construction and registry -------------------------------------------

TVeskBaseList::TVeskBaseList(SceneEnvironment env) : TVeskComponent(nullptr), env_(std::move(env)) {
  if (!env_.kinds) env_.kinds = std::make_shared<const KindRegistry>();
  Name = std::string(1, kSystemNameByte) + "ROOT";
  MakeBases();
}

TVeskBaseList::~TVeskBaseList() {
  // Controls point at each other and at the bases; take the registry down
  // first, from the newest object, with no events left to tidy.
  Events.Clear();
  focus_ = nullptr;
  while (!registry_.empty()) DeleteObject(registry_.back().get());
}

void TVeskBaseList::MakeBases() {
  for (int i = 0; i < 2; ++i) {
    auto base = std::make_unique<TVeskBase>(this);
    base->Name = i == 0 ? kBase0Name : kBase1Name;
    base->Width = width_;
    base->Height = height_;
    if (env_.make_surface) base->SetSurface(env_.make_surface(width_, height_));
    bases_[static_cast<size_t>(i)] = std::move(base);
  }
}

void TVeskBaseList::AddObject(std::unique_ptr<TVeskObject> object) {
  object->Root = this;
  if (object->NeedsAutoName() && object->Name.empty()) object->Name = UniqueName("object");
  registry_.push_back(std::move(object));
}

TVeskObject* TVeskBaseList::GetObject(int32_t i) const {
  return i >= 0 && i < ObjectCount() ? registry_[static_cast<size_t>(i)].get() : nullptr;
}

int32_t TVeskBaseList::IndexOfObject(const TVeskObject* object) const {
  for (size_t i = 0; i < registry_.size(); ++i)
    if (registry_[i].get() == object) return static_cast<int32_t>(i);
  return -1;
}

bool TVeskBaseList::IsRegistered(const TVeskObject* object) const {
  return object &&
         (IndexOfObject(object) >= 0 || object == bases_[0].get() || object == bases_[1].get());
}

int32_t TVeskBaseList::IndexOfName(const std::string& name) const {
  for (size_t i = 0; i < registry_.size(); ++i)
    if (registry_[i]->Name == name) return static_cast<int32_t>(i);
  return -1;
}

std::string TVeskBaseList::UniqueName(const std::string& prefix) const {
  for (int64_t n = 0;; ++n) {
    std::string name = prefix + std::to_string(n);
    if (IndexOfName(name) < 0) return name;
  }
}

TVeskObject* TVeskBaseList::FindComponent(const std::string& name) {
  if (name.empty() || name == kBase0Name) return ShownBase();
  if (name == kBackBaseName || name == kBase1Name) return BackBase();
  const int32_t i = IndexOfName(name);
  return i < 0 ? nullptr : registry_[static_cast<size_t>(i)].get();
}

TVeskControl* TVeskBaseList::FindControl(const std::string& name) {
  if (name.empty()) return ShownBase();
  if (name == kBackBaseName) return BackBase();
  if (name == kBase0Name) return bases_[0].get();
  if (name == kBase1Name) return bases_[1].get();
  for (const auto& o : registry_)
    if (o->Name == name)
      if (TVeskControl* c = o->AsControl()) return c;
  return nullptr;
}

int TVeskBaseList::ListNames(std::vector<std::string>& list, int kind, const TVeskObject* parent) {
  int added = 0;
  for (const auto& o : registry_) {
    if (kind != 0 && o->GetCompoType() != kind) continue;
    if (parent != this) {
      const TVeskControl* c = o->AsControl();
      const TVeskObject* own_parent = c ? c->Parent : nullptr;
      if (own_parent != parent) continue;
    }
    list.push_back(o->Name);
    ++added;
  }
  return added;
}

TVeskObject* TVeskBaseList::CreateByKind(int id) {
  const KindRegistry::Factory* factory = env_.kinds->Find(id);
  if (!factory) return nullptr;
  std::unique_ptr<TVeskObject> object = (*factory)(*this);
  if (!object) return nullptr;
  TVeskObject* raw = object.get();
  AddObject(std::move(object));
  return raw;
}

// ---- Deletion -------------------------------------------------------------

void TVeskBaseList::DeleteObject(TVeskObject* object) {
  const int32_t index = IndexOfObject(object);
  if (index < 0) return;
  if (TVeskControl* control = object->AsControl()) {
    while (!control->Children.empty()) DeleteObject(control->Children.back());
    // What it drew must be repainted from what lies beneath.
    control->InvalidateDrawn();
    if (control->Parent) control->Parent->RemoveChild(control);
    control->Parent = nullptr;
    const bool had_focus = focus_ == control;
    Forget(control);
    if (had_focus) RequestRefocus();
  }
  std::erase(pending_deletes_, object);
  // The registry may have moved while the children went.
  const int32_t at = IndexOfObject(object);
  if (at < update_index_) --update_index_;
  std::unique_ptr<TVeskObject> owned = std::move(registry_[static_cast<size_t>(at)]);
  registry_.erase(registry_.begin() + at);
  owned.reset();
}

void TVeskBaseList::Forget(TVeskControl* control) {
  if (focus_ == control) focus_ = nullptr;
  if (modal_ == control) modal_ = nullptr;
  if (keyboard_ == control) keyboard_ = nullptr;
  std::erase(overlays_, control);
  for (auto& base : bases_) {
    if (base->Hovered == control) {
      base->Hovered = nullptr;
      base->Capture = 0;
    }
  }
  std::erase(RightClickTakers, control);
}

void TVeskBaseList::ScheduleDelete(TVeskObject* object) {
  if (!IsDying(object)) pending_deletes_.push_back(object);
}

bool TVeskBaseList::IsDying(const TVeskObject* object) const {
  return std::find(pending_deletes_.begin(), pending_deletes_.end(), object) !=
         pending_deletes_.end();
}

// ---- Bases and size -------------------------------------------------------

void TVeskBaseList::SetSceneSize(int32_t width, int32_t height) {
  width_ = std::max(1, width);
  height_ = std::max(1, height);
  for (auto& base : bases_) {
    base->Width = width_;
    base->Height = height_;
    base->DirtyRects.clear();
    if (env_.make_surface) base->SetSurface(env_.make_surface(width_, height_));
    base->InvalidateAll();
  }
}

// ---- Focus ----------------------------------------------------------------

void TVeskBaseList::SetFocus(TVeskControl* control) {
  if (control == focus_) return;
  // Nothing takes the focus from the holder of the modal focus.
  if (modal_ && control != modal_) return;
  if (focus_ && IsRegistered(focus_) && !focus_->Name.empty() && !focus_->IsInputLocked())
    focus_->QueueEvent(PR_ONFOCUSOUT, focus_->KeyHandlers[kOnFocusOut]);
  focus_ = control;
  if (control && !control->IsInputLocked())
    control->QueueEvent(PR_ONFOCUSIN, control->KeyHandlers[kOnFocusIn]);
  refocus_pending_ = false;
  // The keys follow the focus to another control; losing the focus to
  // nobody leaves them where they are.
  if (control && keyboard_ && control != keyboard_) GiveKeyboard(nullptr);
  if (control) control->FocusGained();
}

// ---- Keyboard of text entry ------------------------------------------------

void TVeskBaseList::GiveKeyboard(TVeskControl* control) {
  if (control == keyboard_) return;
  TVeskControl* previous = keyboard_;
  keyboard_ = control;
  if (previous && IsRegistered(previous)) previous->KeyboardLost();
  if (control) SetFocus(control);
}

bool TVeskBaseList::OfferKey(int vk, uint8_t mods) {
  if (keyboard_ && !IsRegistered(keyboard_)) keyboard_ = nullptr;
  if (!keyboard_) return false;
  keyboard_->TextKeyDown(vk, mods);
  return true;
}

bool TVeskBaseList::OfferText(const std::string& cp932) {
  if (!keyboard_ || !IsRegistered(keyboard_)) return false;
  keyboard_->TextTyped(cp932);
  return true;
}

bool TVeskBaseList::OfferComposition(const std::string& cp932, size_t cursor_bytes) {
  if (!keyboard_ || !IsRegistered(keyboard_)) return false;
  keyboard_->TextComposing(cp932, cursor_bytes);
  return true;
}

bool TVeskBaseList::KeyboardCaret(Rect* caret) const {
  return keyboard_ && IsRegistered(keyboard_) && keyboard_->TextCaret(caret);
}

void TVeskBaseList::AddOverlay(TVeskControl* control) {
  if (std::find(overlays_.begin(), overlays_.end(), control) == overlays_.end())
    overlays_.push_back(control);
}

void TVeskBaseList::DropFocus() {
  focus_ = nullptr;
  refocus_pending_ = true;
}

void TVeskBaseList::TakeModalFocus(TVeskControl* control) {
  modal_ = control;
  if (!control) return;
  SetFocus(control);
  refocus_pending_ = false;
}

void TVeskBaseList::ReleaseModalFocus(TVeskControl* control) {
  if (!control || modal_ != control) return;
  modal_ = nullptr;
  RequestRefocus();
}

// ---- Recorded input --------------------------------------------------------

void TVeskBaseList::RecordMouseDown(bool left, bool right) {
  for (auto& base : bases_) {
    base->LeftHeld = left;
    base->RightHeld = right;
  }
  ShownBase()->LClickPending = left;
  ShownBase()->RClickPending = right;
}

void TVeskBaseList::RecordMouseUp() {
  for (auto& base : bases_) base->LeftHeld = base->RightHeld = 0;
}

void TVeskBaseList::RecordMouseMove(int32_t x, int32_t y) {
  for (auto& base : bases_) {
    if (base->MouseX == x && base->MouseY == y) continue;
    base->MouseX = x;
    base->MouseY = y;
    base->MouseMoved = 1;
  }
}

void TVeskBaseList::RecordWheel(bool down) {
  if (down)
    ShownBase()->WheelDownPending = 1;
  else
    ShownBase()->WheelUpPending = 1;
}

void TVeskBaseList::RecordKeyDown(int vk) {
  if (!InKeys(vk)) return;
  SetKey(vk, true);
  key_pressed_pending_[static_cast<size_t>(vk)] = 1;
}

void TVeskBaseList::RecordKeyUp(int vk) {
  if (InKeys(vk)) SetKey(vk, false);
}

void TVeskBaseList::ClearKeys() {
  for (auto* table :
       {&key_held_, &key_pressed_pending_, &key_pressed_, &key_repeat_flag_, &key_repeated_})
    table->fill(0);
  key_repeat_timer_.fill(0);
  key_down_pending_ = key_up_pending_ = key_repeat_pending_ = false;
}

void TVeskBaseList::SetKey(int vk, bool down) {
  if (!InKeys(vk)) return;
  const auto k = static_cast<size_t>(vk);
  if ((key_held_[k] != 0) == down) return;
  key_held_[k] = key_repeat_flag_[k] = down ? 1 : 0;
  if (down) {
    key_repeat_timer_[k] = kKeyRepeatDelayMs;
    key_down_pending_ = key_repeat_pending_ = true;
  } else {
    key_up_pending_ = true;
  }
}

// ---- Input step -------------------------------------------------------------

void TVeskBaseList::InputStep(int32_t frame_ms) {
  if (modal_ && !IsRegistered(modal_)) modal_ = nullptr;
  if (refocus_pending_) {
    SetFocus(modal_ ? modal_ : ShownBase()->FindFocusable());
    refocus_pending_ = false;
  }
  key_pressed_ = key_pressed_pending_;
  key_pressed_pending_.fill(0);
  key_repeated_ = key_repeat_flag_;
  MouseStep(*ShownBase());
  if (focus_ && IsRegistered(focus_) && (focus_->HandleKey || focus_ == modal_)) {
    if (key_down_pending_) focus_->KeyDown();
    if (key_repeat_pending_ && IsRegistered(focus_)) focus_->KeyRepeat();
    if (key_up_pending_ && IsRegistered(focus_)) focus_->KeyUp();
  }
  key_down_pending_ = key_up_pending_ = key_repeat_pending_ = false;
  for (size_t k = 0; k < key_held_.size(); ++k) {
    if (!key_held_[k]) continue;
    key_repeat_timer_[k] -= frame_ms;
    key_repeat_flag_[k] = key_repeat_timer_[k] <= 0;
    if (key_repeat_timer_[k] <= 0) {
      key_repeat_timer_[k] += kKeyRepeatIntervalMs;
      key_repeat_pending_ = true;
    }
  }
}

void TVeskBaseList::MouseStep(TVeskBase& base) {
  base.LClick = base.LClickPending;
  base.RClick = base.RClickPending;
  base.WheelDown = base.WheelDownPending;
  base.WheelUp = base.WheelUpPending;
  base.LClickPending = base.RClickPending = base.WheelDownPending = base.WheelUpPending = 0;
  if (base.RClick) OfferRightClick(base);

  if (base.Capture && base.Hovered && IsRegistered(base.Hovered)) {
    TVeskControl* held = base.Hovered;
    if ((base.Capture & TVeskBase::kCaptureLeft) && !base.LeftHeld) {
      held->LeftUp();
      base.Capture &= static_cast<uint8_t>(~TVeskBase::kCaptureLeft);
    } else if ((base.Capture & TVeskBase::kCaptureRight) && !base.RightHeld) {
      held->RightUp();
      base.Capture &= static_cast<uint8_t>(~TVeskBase::kCaptureRight);
    }
    if (IsRegistered(held) && base.MouseMoved) held->MouseMove();
    if (IsRegistered(held)) held->MouseHold();
    base.MouseMoved = 0;
    return;
  }

  const uint32_t mask = base.LClick ? kLeftClickMask : base.RClick ? kRightClickMask : kMoveMask;
  TVeskControl* candidate = base.HitTest(base.MouseX, base.MouseY, mask);
  if (!candidate) candidate = &base;
  base.Capture = 0;
  ShowCursorFor(base, candidate);
  if (base.LClick) {
    candidate->LeftDown();
    if (IsRegistered(candidate) && !candidate->Paused() && candidate->HandleKey)
      SetFocus(candidate);
  } else if (base.RClick) {
    candidate->RightDown();
  } else if (base.WheelDown || base.WheelUp) {
    // The control hears the notch first (lists scroll, sliders step); an
    // input-locked one hears nothing.
    if (!candidate->IsInputLocked()) candidate->MouseWheel(base.WheelDown != 0);
    const int id = base.WheelDown ? PR_ONWHEELDOWN : PR_ONWHEELUP;
    const std::string& handler =
        candidate->MouseHandlers[base.WheelDown ? kOnWheelDown : kOnWheelUp];
    if (!handler.empty() && !candidate->EventWaiting(id) && !candidate->IsInputLocked())
      candidate->QueueEvent(id, handler);
  }
  if (!IsRegistered(candidate)) candidate = nullptr;
  HoverStep(base, candidate);
}

void TVeskBaseList::HoverStep(TVeskBase& base, TVeskControl* candidate) {
  TVeskControl* previous = base.Hovered;
  if (previous && previous != candidate && IsRegistered(previous)) previous->MouseOut();
  if (candidate && IsRegistered(candidate) && (base.MouseMoved || candidate != previous)) {
    if (candidate != previous) candidate->MouseIn();
    if (IsRegistered(candidate)) candidate->MouseMove();
  }
  base.Hovered = candidate && IsRegistered(candidate) ? candidate : nullptr;
  base.MouseMoved = 0;
}

void TVeskBaseList::ShowCursorFor(TVeskBase& base, TVeskControl* candidate) {
  std::string file = candidate->GetCursorFile();
  if (file.empty() && env_.default_cursor) file = env_.default_cursor();
  if (!env_.show_cursor) return;
  if (file != base.CursorShown) {
    base.CursorShown = file;
    env_.show_cursor(file);
  }
}

void TVeskBaseList::OfferRightClick(TVeskBase& base) {
  const std::vector<TVeskControl*> takers = RightClickTakers;
  for (TVeskControl* c : takers) {
    if (!IsRegistered(c) || !c->GetFlag(PR_RCLICKSCRAP) || !c->GetVisible() ||
        c->GetBase() != &base || c->Paused() ||
        (c->IgnoreMouse != IM_NONE && c->IgnoreMouse != IM_LCLICK))
      continue;
    if (c->TakeRightClick()) {
      base.RClick = 0;
      return;
    }
  }
}

// ---- Update pass -------------------------------------------------------------

void TVeskBaseList::UpdatePass(int32_t frame_ms) {
  bases_[0]->Update(frame_ms);
  bases_[1]->Update(frame_ms);
  for (update_index_ = 0; update_index_ < ObjectCount();) {
    TVeskObject* object = registry_[static_cast<size_t>(update_index_)].get();
    const TVeskControl* control = object->AsControl();
    const bool in_cabinet = control && control->IsInCabinet();
    const std::string idle = object->GetStr(PR_ONIDLE);
    if (!idle.empty() && !in_cabinet && !object->IsInputLocked() &&
        !object->EventWaiting(PR_ONIDLE))
      object->QueueEvent(PR_ONIDLE, idle);
    if (object->Paused() || IsDying(object) || in_cabinet || !object->Update(frame_ms)) {
      ++update_index_;
      continue;
    }
    DeleteObject(object);
  }
  update_index_ = 0;
  const std::vector<TVeskObject*> dying = std::move(pending_deletes_);
  pending_deletes_.clear();
  for (TVeskObject* object : dying)
    if (IndexOfObject(object) >= 0) DeleteObject(object);
  // What overlays follow (place, visibility, the keyboard) is settled now.
  const std::vector<TVeskControl*> overlays = overlays_;
  for (TVeskControl* c : overlays)
    if (IsRegistered(c)) c->SyncOverlay();
}

void TVeskBaseList::ClearDirtyRects() {
  for (auto& base : bases_) base->DirtyRects.clear();
}

// ---- Reset and stored form -----------------------------------------------------

void TVeskBaseList::Reset() {
  DropTransition();
  Events.Clear();
  focus_ = nullptr;
  modal_ = nullptr;
  keyboard_ = nullptr;
  refocus_pending_ = false;
  RightClickTakers.clear();
  while (!registry_.empty()) DeleteObject(registry_.back().get());
  pending_deletes_.clear();
  int32_t mouse_x = bases_[0]->MouseX, mouse_y = bases_[0]->MouseY;
  MakeBases();
  for (auto& base : bases_) {
    base->MouseX = mouse_x;
    base->MouseY = mouse_y;
    base->InvalidateAll();
  }
}

}  // namespace vesk::scene
