// The draw pass: each base repaints its dirty rectangles, the shown base
// straight into the presentation surface, the back base into its own
// picture (where scripts prepare the next screen before a flip).
#include "graphics/dibsfc.h"
#include "scene/baselist.h"

namespace vesk::scene {

namespace {

graphics::TRect ToTRect(const Rect& r) { return {r.left, r.top, r.right, r.bottom}; }

// The 2 x 2 checker over a hatched control: every other pixel goes black.
void Hatch(graphics::TCustomDIBX& surface, const Rect& area) {
  const graphics::TRect clip = graphics::IntersectRect(surface.ClipRect(), ToTRect(area));
  for (int32_t y = clip.Top; y < clip.Bottom; ++y)
    for (int32_t x = clip.Left + ((clip.Left + y) & 1); x < clip.Right; x += 2) surface.SetPixel(x, y, 0);
}

}  // namespace

TVeskBase::~TVeskBase() = default;

void TVeskBase::SetSurface(std::unique_ptr<graphics::TCustomDIBX> surface) { surface_ = std::move(surface); }

void TVeskControl::DrawChildren(graphics::TCustomDIBX& surface, const Rect& clip) {
  const Rect area = GetHitRect().Intersect(clip);
  if (area.Empty()) return;
  for (TVeskControl* child : Children) {
    if (!child->Visible) continue;
    Rect child_clip = area;
    if (child->Clips()) {
      child_clip = child_clip.Intersect(child->ClipRect());
      if (child_clip.Empty()) continue;
    }
    surface.SetClipRect(ToTRect(child_clip));
    child->Draw(surface, child_clip);
    if (child->Hatched) {
      surface.SetClipRect(ToTRect(child_clip));
      Hatch(surface, child->SceneRect());
    }
  }
  surface.SetClipRect(ToTRect(clip));
}

void TVeskBaseList::DrawPass(graphics::TCustomDIBX* screen) {
  DrawBase(*bases_[0], screen);
  DrawBase(*bases_[1], screen);
}

void TVeskBaseList::DrawBase(TVeskBase& base, graphics::TCustomDIBX* screen) {
  if (!base.Visible) return;
  graphics::TCustomDIBX* target = &base == ShownBase() && screen ? screen : base.Surface();
  if (!target || target->IsEmpty()) return;
  const Rect whole = base.Clips() ? base.ClipRect().Intersect(base.SceneRect()) : base.SceneRect();
  for (const Rect& dirty : base.DirtyRects) {
    target->SetClipRect(ToTRect(dirty));
    if (base.Color >= 0) {
      const Rect fill = whole.Intersect(dirty);
      if (!fill.Empty()) target->FillRect(ToTRect(fill), static_cast<uint32_t>(target->ColorToPixel(base.Color)));
    }
    base.DrawChildren(*target, dirty);
  }
  target->ResetClip();
}

}  // namespace vesk::scene
