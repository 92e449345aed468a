// The draw pass: each base repaints its dirty rectangles, the shown base
// straight into the presentation surface, the back base into its own
// picture (where scripts prepare the next screen before a flip).
#include "graphics/dibsfc.h"
#include "scene/baselist.h"

namespace vesk::scene {

namespace {

// The 2 x 2 checker over a hatched control: every other pixel goes black.
void Hatch(graphics::TCustomDIBX& surface, const Rect& area) {
  const Rect clip = surface.ClipRect().Intersect(area);
  for (int32_t y = clip.top; y < clip.bottom; ++y)
    for (int32_t x = clip.left + ((clip.left + y) & 1); x < clip.right; x += 2)
      surface.SetPixel(x, y, 0);
}

}  // namespace

TVeskBase::~TVeskBase() = default;

void TVeskBase::SetSurface(std::unique_ptr<graphics::TCustomDIBX> surface) {
  // A running transition draws from this picture: it is made again.
  if (Root) Root->SurfacesChanged();
  surface_ = std::move(surface);
}

void TVeskControl::DrawChildren(graphics::TCustomDIBX& surface, const Rect& clip) {
  const Rect area = GetHitRect().Intersect(clip);
  if (area.IsEmpty()) return;
  for (TVeskControl* child : Children) {
    if (!child->Visible) continue;
    Rect child_clip = area;
    if (child->Clips()) {
      child_clip = child_clip.Intersect(child->ClipRect());
      if (child_clip.IsEmpty()) continue;
    }
    surface.SetClipRect(child_clip);
    child->Draw(surface, child_clip);
    if (child->Hatched) {
      surface.SetClipRect(child_clip);
      Hatch(surface, child->SceneRect());
    }
  }
  surface.SetClipRect(clip);
}

void TVeskBaseList::DrawPass(graphics::TCustomDIBX* screen) {
  transition_rect_ = Rect{};
  DrawBase(*bases_[0], screen);
  DrawBase(*bases_[1], screen);
  if (transition_kind_) StepTransition(screen);
}

void TVeskBaseList::DrawBase(TVeskBase& base, graphics::TCustomDIBX* screen) {
  if (!base.Visible) return;
  // While a transition runs both bases draw into their own pictures, which
  // the transition composes on the screen.
  const bool to_screen = &base == ShownBase() && screen && !transition_kind_;
  graphics::TCustomDIBX* target = to_screen ? screen : base.Surface();
  if (!target || target->IsEmpty()) return;
  const Rect whole = base.Clips() ? base.ClipRect().Intersect(base.SceneRect()) : base.SceneRect();
  for (const Rect& dirty : base.DirtyRects) {
    target->SetClipRect(dirty);
    if (base.Color >= 0) {
      const Rect fill = whole.Intersect(dirty);
      if (!fill.IsEmpty())
        target->FillRect(fill, static_cast<uint32_t>(target->ColorToPixel(base.Color)));
    }
    base.DrawChildren(*target, dirty);
  }
  target->ResetClip();
}

}  // namespace vesk::scene
