// The page change between the two bases: the running transition, the
// flip's snapshot and the moving of controls between the bases.
#include <algorithm>

#include "scene/baselist.h"
#include "scene/flip_snapshot.h"

namespace vesk::scene {

TFlipSnapshot::TFlipSnapshot(TVeskBaseList* root, const graphics::TCustomDIBX& picture)
    : TVeskControl(root) {
  picture_.Assign(picture);
  Name = kSnapshotName;
  Width = picture_.Width();
  Height = picture_.Height();
}

void TFlipSnapshot::Draw(graphics::TCustomDIBX& surface, const Rect& clip) {
  surface.Draw(GetSceneLeft(), GetSceneTop(), picture_, picture_.BoundsRect(),
               graphics::KeyMode::kIgnore, graphics::Flip::kNone);
  DrawChildren(surface, clip);
}

bool TVeskBaseList::StartTransition(int32_t shown, const script::TransitionRequest& request) {
  shown_base_ = shown & 1;
  DropTransition();
  for (auto& base : bases_) base->InvalidateAll();
  if (request.kind >= 1 && request.kind <= transitions::kWipeCount) {
    transition_kind_ = request.kind;
    transition_ = request;
    transition_.duration_ms = std::max(1, request.duration_ms);
  }
  if (!focus_ || focus_->GetBase() != ShownBase()) DropFocus();
  return transition_kind_ != 0;
}

void TVeskBaseList::DropTransition() {
  wipe_.reset();
  wipe_tried_ = false;
  transition_kind_ = 0;
  transition_ = {};
  transition_elapsed_ms_ = 0;
  transition_rect_ = Rect{};
}

// The effect is made at the first draw pass: only then are the screen and
// the bases' pictures known. Pictures of differing sizes or formats make
// none; the flip then waits out its time and changes the page at the end.
void TVeskBaseList::StepTransition(graphics::TCustomDIBX* screen) {
  if (!wipe_tried_ && screen) {
    wipe_tried_ = true;
    graphics::TCustomDIBX* from = ShownBase()->Surface();
    graphics::TCustomDIBX* to = BackBase()->Surface();
    const auto same_as_screen = [screen](const graphics::TCustomDIBX* s) {
      return s && s->Width() == screen->Width() && s->Height() == screen->Height() &&
             s->BitCount() == screen->BitCount();
    };
    if (same_as_screen(from) && same_as_screen(to)) {
      wipe_ = transitions::CreateWipe(transition_kind_, *screen, *from, *to, &env_.wipes);
      if (wipe_) {
        wipe_->Duration = transition_.duration_ms;
        wipe_->SetReverse(transition_.reverse);
        if (transition_.param0) wipe_->SetParam(0, *transition_.param0);
        if (transition_.param1) wipe_->SetParam(1, *transition_.param1);
        if (transition_.mask_source) wipe_->SetImageName(*transition_.mask_source);
        wipe_->Prepare();
      }
    }
  }
  if (!wipe_) return;
  wipe_->Elapsed = transition_elapsed_ms_;
  wipe_->Step();
  transition_rect_ = wipe_->ChangedRect();
}

void TVeskBaseList::TakeSnapshot() {
  TVeskBase& shown = *ShownBase();
  if (!shown.Surface() || shown.Surface()->IsEmpty()) return;
  DropSnapshot();
  // The shown base normally draws on the screen: draw it whole into its
  // own picture once.
  shown.InvalidateAll();
  DrawBase(shown, nullptr);
  auto snapshot = std::make_unique<TFlipSnapshot>(this, *shown.Surface());
  TFlipSnapshot* raw = snapshot.get();
  AddObject(std::move(snapshot));
  raw->SetParent(&shown);
  raw->Invalidate();
}

void TVeskBaseList::DropSnapshot() {
  for (auto& base : bases_) {
    const std::vector<TVeskControl*> children = base->Children;
    for (TVeskControl* c : children)
      if (c->Name == kSnapshotName) DeleteObject(c);
  }
}

void TVeskBaseList::MoveToBackBase(const std::function<bool(const std::string& name)>& moves) {
  TVeskBase& shown = *ShownBase();
  TVeskBase& back = *BackBase();
  const std::vector<TVeskControl*> children = shown.Children;
  for (auto it = children.rbegin(); it != children.rend(); ++it) {
    TVeskControl* c = *it;
    if (c->Name == kSnapshotName || !moves(c->Name)) continue;
    c->SetParent(&back);
  }
}

}  // namespace vesk::scene
