#include "components/map_image.h"

#include <algorithm>
#include <cmath>

#include "components/component_services.h"
#include "components/orlo_collection.h"
#include "core/byte_reader.h"
#include "lang/vocabulary.h"
#include "scene/baselist.h"

namespace vesk::components {

using namespace vesk::lang;

namespace {

// The scene's key numbering (the platform's virtual keys).
constexpr int kKeyReturn = 0x0D, kKeyEscape = 0x1B, kKeySpace = 0x20;
constexpr int kKeyLeft = 0x25, kKeyUp = 0x26, kKeyRight = 0x27, kKeyDown = 0x28;

// More corners than any drawn outline needs; a larger count marks a hostile
// file (every row of the area would walk them all).
constexpr int32_t kMaxPolygonPoints = 65536;

int32_t ClampToInt(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// Rectangles and ellipses store both edges inclusive.
Rect InclusiveBox(int32_t l, int32_t t, int32_t r, int32_t b) {
  if (l > r) std::swap(l, r);
  if (t > b) std::swap(t, b);
  return {l, t, ClampToInt(int64_t{r} + 1), ClampToInt(int64_t{b} + 1)};
}

// Where the polygon's edges cross the row through pixel centres yc, with
// the edge direction for the winding count.
void Crossings(const std::vector<std::pair<int32_t, int32_t>>& pts, double yc,
               std::vector<std::pair<double, int>>& out) {
  out.clear();
  const size_t n = pts.size();
  for (size_t i = 0; i < n; ++i) {
    const double x0 = pts[i].first, y0 = pts[i].second;
    const double x1 = pts[(i + 1) % n].first, y1 = pts[(i + 1) % n].second;
    int dir = 0;
    if (y0 <= yc && yc < y1)
      dir = 1;
    else if (y1 <= yc && yc < y0)
      dir = -1;
    if (dir == 0) continue;
    out.emplace_back(x0 + (yc - y0) * (x1 - x0) / (y1 - y0), dir);
  }
}

bool InEllipse(const Rect& box, int32_t x, int32_t y) {
  const double w = double(box.right) - box.left, h = double(box.bottom) - box.top;
  if (w <= 0 || h <= 0) return false;
  const double dx = (2.0 * x + 1 - (double(box.left) + box.right)) / w;
  const double dy = (2.0 * y + 1 - (double(box.top) + box.bottom)) / h;
  return dx * dx + dy * dy <= 1.0;
}

}  // namespace

// ---- Areas ------------------------------------------------------------------------------------

bool MapArea::Contains(int32_t x, int32_t y) const {
  if (!Bounds.Contains(x, y)) return false;
  if (Shape == kRectangle) return true;
  if (Shape == kEllipse) return InEllipse(Bounds, x, y);
  if (Points.size() < 3) return false;
  std::vector<std::pair<double, int>> cross;
  Crossings(Points, y + 0.5, cross);
  int winding = 0;
  for (const auto& [xi, dir] : cross)
    if (xi > x + 0.5) winding += dir;
  return winding != 0;
}

void MapArea::Paint(graphics::TCustomDIBX& mask, uint8_t value) const {
  const Rect area = Bounds.Intersect({0, 0, mask.Width(), mask.Height()});
  if (area.IsEmpty()) return;
  if (Shape == kRectangle) {
    const Rect saved = mask.HasClipRect() ? mask.ClipRect() : Rect{};
    mask.ResetClip();
    mask.FillRect({area.left, area.top, area.right, area.bottom}, value);
    mask.SetClipRect(saved);
    return;
  }
  if (Shape == kEllipse) {
    for (int32_t y = area.top; y < area.bottom; ++y)
      for (int32_t x = area.left; x < area.right; ++x)
        if (InEllipse(Bounds, x, y)) mask.SetPixel(x, y, value);
    return;
  }
  if (Points.size() < 3) return;
  std::vector<std::pair<double, int>> cross;
  for (int32_t y = area.top; y < area.bottom; ++y) {
    Crossings(Points, y + 0.5, cross);
    if (cross.empty()) continue;
    std::sort(cross.begin(), cross.end());
    // Winding of the crossings to the right of the pixel centre, as
    // Contains counts it.
    int winding = 0;
    for (const auto& c : cross) winding += c.second;
    size_t next = 0;
    for (int32_t x = area.left; x < area.right; ++x) {
      const double xc = x + 0.5;
      while (next < cross.size() && cross[next].first <= xc) winding -= cross[next++].second;
      if (winding != 0) mask.SetPixel(x, y, value);
    }
  }
}

std::vector<MapArea> ParseMapFile(std::span<const uint8_t> bytes) {
  std::vector<MapArea> areas;
  ByteReader in(bytes.data(), bytes.size());
  try {
    const int32_t count = in.I32("map area count");
    for (int32_t i = 0; i < count && !in.at_end(); ++i) {
      MapArea area;
      area.Name = in.Str("map area name");
      area.Shape = in.U8("map area shape");
      if (area.Shape == MapArea::kRectangle || area.Shape == MapArea::kEllipse) {
        const int32_t l = in.I32("map area"), t = in.I32("map area"), r = in.I32("map area"),
                      b = in.I32("map area");
        area.Bounds = InclusiveBox(l, t, r, b);
      } else {
        const int32_t n = in.I32("map polygon size");
        if (n < 0 || n > kMaxPolygonPoints || static_cast<size_t>(n) > in.remaining() / 8) break;
        area.Points.reserve(static_cast<size_t>(n));
        int64_t l = INT64_MAX, t = INT64_MAX, r = INT64_MIN, b = INT64_MIN;
        for (int32_t k = 0; k < n; ++k) {
          const int32_t x = in.I32("map polygon"), y = in.I32("map polygon");
          area.Points.emplace_back(x, y);
          l = std::min<int64_t>(l, x);
          t = std::min<int64_t>(t, y);
          r = std::max<int64_t>(r, x);
          b = std::max<int64_t>(b, y);
        }
        if (n > 0)
          area.Bounds = {ClampToInt(l), ClampToInt(t), ClampToInt(r + 1), ClampToInt(b + 1)};
      }
      areas.push_back(std::move(area));
    }
  } catch (const ETruncated&) {
    // The areas read so far stay.
  }
  return areas;
}

// ---- TVeskMapImage
// -------------------------------------------------------------------------------

TVeskMapImage::TVeskMapImage(scene::TVeskBaseList* root) : TVeskControl(root) {
  if (root) root->RightClickTakers.push_back(this);
}

int TVeskMapImage::GetCompoType() const {
  return LT_MAPIMG;
}

void TVeskMapImage::SetSource(const std::string& name) {
  if (name == Source) return;
  Source = name;
  Invalidate();
  source_.Load(pictures(), this, name, true);
  source_masks_.clear();
  const graphics::TCustomDIBX* first = source_.Count() > 0 ? source_.Data(0).Surface(0) : nullptr;
  Width = first ? first->Width() : 0;
  Height = first ? first->Height() : 0;
  Invalidate();
}

void TVeskMapImage::SetHoverSource(const std::string& name) {
  if (name == HoverSource) return;
  HoverSource = name;
  hover_.Load(pictures(), this, name, true);
  hover_masks_.clear();
  InvalidateArea(Hovered);
}

void TVeskMapImage::SetMapSource(const std::string& name) {
  MapSource = name;
  Areas.clear();
  Invalidate();
  Hovered = -1;
  TOrloCollection* cache = pictures();
  if (name.empty() || !cache || !cache->Services().read_file) return;
  if (cache->Services().file_available && !cache->Services().file_available(name)) return;
  if (auto bytes = cache->Services().read_file(name)) Areas = ParseMapFile(*bytes);
}

int32_t TVeskMapImage::AreaAt(int32_t x, int32_t y) const {
  for (size_t i = 0; i < Areas.size(); ++i)
    if (Areas[i].Contains(x, y)) return static_cast<int32_t>(i);
  return -1;
}

void TVeskMapImage::InvalidateArea(int32_t index) {
  if (index < 0 || index >= static_cast<int32_t>(Areas.size()) || !GetVisible() || !GetBase())
    return;
  const Rect& b = Areas[static_cast<size_t>(index)].Bounds;
  const int32_t x = GetSceneLeft(), y = GetSceneTop();
  Rect r = Rect{ClampToInt(int64_t{b.left} + x), ClampToInt(int64_t{b.top} + y),
                ClampToInt(int64_t{b.right} + x), ClampToInt(int64_t{b.bottom} + y)}
               .Intersect(SceneRect());
  if (Parent) r = r.Intersect(Parent->GetHitRect());
  if (Clips()) r = r.Intersect(ClipRect());
  if (!r.IsEmpty()) InvalidateRect(r);
}

void TVeskMapImage::SetHovered(int32_t index) {
  if (index < -1 || index >= static_cast<int32_t>(Areas.size())) index = -1;
  if (index == Hovered) return;
  const int32_t old = Hovered;
  if (old >= 0 && !IsInputLocked())
    QueueEvent(PR_ONMAPOUT, OnMapOut, {Areas[static_cast<size_t>(old)].Name});
  InvalidateArea(old);
  Hovered = index;
  if (hover_.Count() > 0) hover_.SetFrame(0);
  InvalidateArea(index);
  if (index >= 0 && !IsInputLocked())
    QueueEvent(PR_ONMAPIN, OnMapIn, {Areas[static_cast<size_t>(index)].Name});
}

void TVeskMapImage::Select(int32_t index) {
  if (index < 0 || index >= static_cast<int32_t>(Areas.size())) return;
  const std::string& name = Areas[static_cast<size_t>(index)].Name;
  SetSelection(name, index);
  if (!OnSelect.empty() && !EventWaiting(PR_ONSELECT))
    QueueEvent(PR_ONSELECT, OnSelect, {name, std::to_string(index)});
  if (AutoScrap) RequestScrap();
}

void TVeskMapImage::RequestScrap() {
  if (ScrapCountdown == 0) ScrapCountdown = 100;
}

bool TVeskMapImage::TakeRightClick() {
  if (IsInputLocked() || (IgnoreMouse != IM_NONE && IgnoreMouse != IM_LCLICK)) return false;
  locked_ = true;
  SetSelection(std::string(), -1);
  RequestScrap();
  return true;
}

void TVeskMapImage::HoverFromMouse() {
  const scene::TVeskBase* base = GetBase();
  if (!base) return;
  SetHovered(AreaAt(base->MouseX - GetSceneLeft(), base->MouseY - GetSceneTop()));
}

void TVeskMapImage::MouseMove() {
  HoverFromMouse();
  TVeskControl::MouseMove();
}

void TVeskMapImage::MouseOut() {
  SetHovered(-1);
  TVeskControl::MouseOut();
}

void TVeskMapImage::LeftDown() {
  TVeskControl::LeftDown();
  if ((IgnoreMouse != IM_NONE && IgnoreMouse != IM_RCLICK) || Paused || IsInputLocked()) return;
  // The pointer may have moved since the last hover step.
  HoverFromMouse();
  if (Hovered >= 0) Select(Hovered);
}

void TVeskMapImage::KeyDown() {
  if (Root && !IsInputLocked()) {
    if ((Root->KeyPressed(kKeyReturn) || Root->KeyPressed(kKeySpace)) && Hovered >= 0) {
      Select(Hovered);
    } else if (Root->KeyPressed(kKeyEscape) && RClickScrap) {
      SetSelection(std::string(), -1);
      RequestScrap();
    }
  }
  TVeskControl::KeyDown();
}

void TVeskMapImage::KeyRepeat() {
  const auto count = static_cast<int32_t>(Areas.size());
  if (Root && count > 0 && !IsInputLocked()) {
    if (Root->KeyRepeated(kKeyLeft) || Root->KeyRepeated(kKeyUp))
      SetHovered(Hovered <= 0 ? count - 1 : Hovered - 1);
    else if (Root->KeyRepeated(kKeyRight) || Root->KeyRepeated(kKeyDown))
      SetHovered(Hovered < 0 || Hovered >= count - 1 ? 0 : Hovered + 1);
  }
  TVeskControl::KeyRepeat();
}

bool TVeskMapImage::Update(int32_t frame_ms) {
  if (ScrapCountdown >= 101) return true;
  if (ScrapCountdown == 100) {
    ScrapCountdown = 101;
    locked_ = true;
  }
  if (!AniPaused) {
    if (source_.Advance(frame_ms)) Invalidate();
    if (hover_.Advance(frame_ms)) InvalidateArea(Hovered);
  }
  return false;
}

const graphics::TCustomDIBX* TVeskMapImage::PreparedMask(TVeskImageList& list,
                                                         std::vector<WorkMask>& work, bool inside) {
  if (!list.Valid(list.Index)) return nullptr;
  const graphics::TDIBX* decoded = list.Data(list.Index).Mask();
  if (!decoded || decoded->BitCount() != 8) return nullptr;
  work.resize(static_cast<size_t>(list.Count()));
  WorkMask& w = work[static_cast<size_t>(list.Index)];
  const uint32_t generation = list.Item() ? list.Item()->Generation : 0;
  if (w.mask && w.prepared_for == Hovered && w.generation == generation) return w.mask.get();
  const int mw = decoded->Width(), mh = decoded->Height();
  if (!w.mask || w.mask->Width() != mw || w.mask->Height() != mh)
    w.mask = std::make_unique<graphics::TDIBX>(mw, mh, 8);
  w.mask->Fill(0);
  if (Hovered >= 0) Areas[static_cast<size_t>(Hovered)].Paint(*w.mask, 255);
  for (int y = 0; y < mh; ++y)
    for (int x = 0; x < mw; ++x) {
      uint32_t v = w.mask->GetPixel(x, y);
      if (!inside) v = 255 - v;
      w.mask->SetPixel(x, y, v & decoded->GetPixel(x, y));
    }
  w.prepared_for = Hovered;
  w.generation = generation;
  return w.mask.get();
}

void TVeskMapImage::DrawList(graphics::TCustomDIBX& target, TVeskImageList& list,
                             std::vector<WorkMask>& work, bool inside) {
  if (!list.Valid(list.Index)) return;
  const graphics::TCustomDIBX* src = list.Data(list.Index).Surface(Brightness);
  if (!src || src->IsEmpty()) return;
  const graphics::TCustomDIBX* mask = PreparedMask(list, work, inside);
  const int32_t blend = std::min(Alpha, 511);
  const int32_t x = GetSceneLeft(), y = GetSceneTop();
  if (mask && mask->Width() == src->Width() && mask->Height() == src->Height())
    target.DrawMaskBlend(x, y, *src, src->BoundsRect(), graphics::Flip::kNone, *mask, blend);
}

void TVeskMapImage::Draw(graphics::TCustomDIBX& surface, const Rect& clip) {
  if (Alpha >= 1) {
    DrawList(surface, source_, source_masks_, false);
    if (Hovered >= 0) DrawList(surface, hover_, hover_masks_, true);
  }
  DrawChildren(surface, clip);
}

void TVeskMapImage::ReleaseSurfaces() {
  source_.ReleaseSurfaces();
  hover_.ReleaseSurfaces();
  source_masks_.clear();
  hover_masks_.clear();
}

int32_t TVeskMapImage::GetInt(int id) const {
  switch (id) {
    case PR_ALPHA:
      return Alpha;
    case PR_BRIGHTNESS:
      return Brightness;
    default:
      return TVeskControl::GetInt(id);
  }
}

void TVeskMapImage::SetInt(int id, int32_t value) {
  switch (id) {
    case PR_ALPHA:
      if (value == Alpha) return;
      Alpha = value;
      Invalidate();
      return;
    case PR_BRIGHTNESS:
      value = std::clamp(value, -255, 255);
      if (value == Brightness) return;
      Brightness = value;
      Invalidate();
      return;
    default:
      TVeskControl::SetInt(id, value);
  }
}

bool TVeskMapImage::GetFlag(int id) const {
  switch (id) {
    case PR_AUTOSCRAP:
      return AutoScrap != 0;
    case PR_RCLICKSCRAP:
      return RClickScrap != 0;
    case PR_PAUSED:
      return Paused != 0;
    case PR_REPEAT:
      return true;
    default:
      return TVeskControl::GetFlag(id);
  }
}

void TVeskMapImage::SetFlag(int id, bool value) {
  switch (id) {
    case PR_AUTOSCRAP:
      AutoScrap = value ? 1 : 0;
      return;
    case PR_RCLICKSCRAP:
      RClickScrap = value ? 1 : 0;
      return;
    case PR_PAUSED:
      Paused = value ? 1 : 0;
      if (value) source_.Remaining = hover_.Remaining = 0;
      return;
    case PR_REPEAT:
      return;
    default:
      TVeskControl::SetFlag(id, value);
  }
}

std::string TVeskMapImage::GetStr(int id) const {
  switch (id) {
    case PR_SOURCE:
      return Source;
    case PR_HOVERSOURCE:
      return HoverSource;
    case PR_MAPSOURCE:
      return MapSource;
    case PR_ONMAPIN:
      return OnMapIn;
    case PR_ONMAPOUT:
      return OnMapOut;
    case PR_ONSELECT:
      return OnSelect;
    case PR_ONIDLE:
      return OnIdle;
    default:
      return TVeskControl::GetStr(id);
  }
}

void TVeskMapImage::SetStr(int id, const std::string& value) {
  switch (id) {
    case PR_SOURCE:
      SetSource(value);
      return;
    case PR_HOVERSOURCE:
      SetHoverSource(value);
      return;
    case PR_MAPSOURCE:
      SetMapSource(value);
      return;
    case PR_ONMAPIN:
      OnMapIn = value;
      return;
    case PR_ONMAPOUT:
      OnMapOut = value;
      return;
    case PR_ONSELECT:
      OnSelect = value;
      return;
    case PR_ONIDLE:
      OnIdle = value;
      return;
    default:
      TVeskControl::SetStr(id, value);
  }
}

void TVeskMapImage::TransferKindFields(RecordIO& io) {
  io.Via(&RecordIO::Str, Source, "map source", [&](const std::string& s) { SetSource(s); });
  io.Via(&RecordIO::Str, HoverSource, "map hover source",
         [&](const std::string& s) { SetHoverSource(s); });
  io.Via(&RecordIO::Str, MapSource, "map areas", [&](const std::string& s) { SetMapSource(s); });
  io.I32(Alpha, "map alpha");
  io.I32In(Brightness, -255, 255, "map brightness");
  io.Str(OnMapIn, "map-in handler");
  io.Str(OnMapOut, "map-out handler");
  io.Flag(AutoScrap, "map auto scrap");
  io.Flag(RClickScrap, "map right-click scrap");
  if (io.Since(104)) {
    io.Str(OnIdle, "idle handler");
    io.Flag(Paused, "map paused");
    io.Str(OnSelect, "select handler");
  }
  if (io.Since(115)) {
    io.I32(ScrapCountdown, "map scrap countdown");
    // Only the two countdown states survive a load.
    if (io.loading() && ScrapCountdown != 100 && ScrapCountdown != 101) ScrapCountdown = 0;
  }
}

}  // namespace vesk::components
