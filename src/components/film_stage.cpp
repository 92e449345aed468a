#include "components/film_stage.h"

#include <cmath>
#include <type_traits>

#include "anim/film_math.h"
#include "components/box.h"
#include "components/component_services.h"
#include "components/custom_image.h"
#include "components/label.h"
#include "components/orlo_collection.h"
#include "components/tile.h"
#include "lang/properties.h"
#include "lang/vocabulary.h"
#include "scene/baselist.h"

namespace vesk::components {

using anim::FilmObjectKind;
using anim::FilmProp;
using namespace vesk::lang;

std::optional<int> PropertyOf(FilmProp prop) {
  switch (prop) {
    case FilmProp::kLeft:
      return PR_LEFT;
    case FilmProp::kTop:
      return PR_TOP;
    case FilmProp::kWidth:
      return PR_WIDTH;
    case FilmProp::kHeight:
      return PR_HEIGHT;
    case FilmProp::kOffsetX:
      return PR_OFFSETX;
    case FilmProp::kOffsetY:
      return PR_OFFSETY;
    case FilmProp::kZoomX:
      return PR_ZOOMX;
    case FilmProp::kZoomY:
      return PR_ZOOMY;
    case FilmProp::kAngle:
      return PR_ANGLE;
    case FilmProp::kAlpha:
      return PR_ALPHA;
    case FilmProp::kPriority:
      return PR_PRIORITY;
    case FilmProp::kFlipH:
      return PR_FLIPH;
    case FilmProp::kFlipV:
      return PR_FLIPV;
    case FilmProp::kClipLeft:
      return PR_CLIPLEFT;
    case FilmProp::kClipTop:
      return PR_CLIPTOP;
    case FilmProp::kClipWidth:
      return PR_CLIPWIDTH;
    case FilmProp::kClipHeight:
      return PR_CLIPHEIGHT;
    case FilmProp::kDistanceX:
      return PR_DISTANCEX;
    case FilmProp::kDistanceY:
      return PR_DISTANCEY;
    case FilmProp::kScrollX:
      return PR_SCROLLX;
    case FilmProp::kScrollY:
      return PR_SCROLLY;
    case FilmProp::kColor:
      return PR_COLOR;
    case FilmProp::kBorderWidth:
      return PR_BORDERWIDTH;
    case FilmProp::kBorderColor:
      return PR_BORDERCOLOR;
    case FilmProp::kFontName:
      return PR_FONTNAME;
    case FilmProp::kFontHeight:
      return PR_FONTHEIGHT;
    case FilmProp::kLineSpace:
      return PR_LINESPACE;
    case FilmProp::kFontColor:
      return PR_FONTCOLOR;
    case FilmProp::kFontStyle:
      return PR_FONTSTYLE;
    case FilmProp::kAntialias:
      return PR_ANTIALIAS;
    case FilmProp::kHAlign:
      return PR_HALIGN;
    case FilmProp::kText:
      return PR_TEXT;
    case FilmProp::kSource:
      return PR_SOURCE;
    case FilmProp::kPartMotion:
      return PR_PARTMOTION;
    case FilmProp::kIndex:
      return PR_INDEX;
    case FilmProp::kParam1:
      return PR_PARAM1;
    case FilmProp::kParam2:
      return PR_PARAM2;
    case FilmProp::kParam3:
      return PR_PARAM3;
    case FilmProp::kOrigWidth:
      return PR_ORIGWIDTH;
    case FilmProp::kOrigHeight:
      return PR_ORIGHEIGHT;
    case FilmProp::kPower:
      return PR_POWER;
    case FilmProp::kVolume:
      return PR_VOLUME;
    case FilmProp::kBalance:
      return PR_BALANCE;
    case FilmProp::kRepeat:
      return PR_REPEAT;
    case FilmProp::kPaused:
      return PR_PAUSED;
    case FilmProp::kCount:
      return PR_COUNT;
    case FilmProp::kMotionOffsetX:
    case FilmProp::kMotionOffsetY:
    case FilmProp::kPriorityBias:
      return std::nullopt;
  }
  return std::nullopt;
}

namespace {

// The motion fields are no properties: they move the control's drawn area
// (and its place among its siblings) without touching Left, Top or Priority.
void SetMotionField(scene::TVeskControl& c, FilmProp prop, int32_t value) {
  int32_t& field = prop == FilmProp::kMotionOffsetX   ? c.MotionOffsetX
                   : prop == FilmProp::kMotionOffsetY ? c.MotionOffsetY
                                                      : c.PriorityBias;
  if (field == value) return;
  c.InvalidateDrawn();
  field = value;
  if (prop == FilmProp::kPriorityBias && c.Parent) c.Parent->SortChildren();
  if (prop != FilmProp::kPriorityBias) c.Moved();
  c.InvalidateDrawn();
}

template <class Kind>
scene::TVeskControl* MakeKind(scene::TVeskBaseList& root, ComponentServices* services) {
  Kind* made = root.Make<Kind>();
  if constexpr (std::is_base_of_v<ServiceUser, Kind>) made->BindServices(services);
  return made;
}

}  // namespace

SceneFilmStage::SceneFilmStage(scene::TVeskBaseList& root, scene::TVeskControl* cinema,
                               ComponentServices* services)
    : root_(&root), cinema_(cinema), services_(services) {}

SceneFilmStage::SceneFilmStage(scene::TVeskControl& control)
    : root_(control.Root), control_(&control) {}

scene::TVeskControl* SceneFilmStage::Object(int32_t slot) const {
  if (control_) return slot == anim::kControlSlot ? control_ : nullptr;
  auto it = objects_.find(slot);
  if (it == objects_.end() || !root_->IsRegistered(it->second) || root_->IsDying(it->second))
    return nullptr;
  return it->second;
}

bool SceneFilmStage::Has(int32_t slot) const {
  return Object(slot) != nullptr;
}

scene::TVeskControl* SceneFilmStage::Make(FilmObjectKind kind) {
  scene::TVeskObject* made = nullptr;
  switch (kind) {
    case FilmObjectKind::kImage:
      made = MakeKind<TVeskImage>(*root_, services_);
      break;
    case FilmObjectKind::kLabel:
      made = MakeKind<TVeskLabel>(*root_, services_);
      break;
    case FilmObjectKind::kBox:
      made = MakeKind<TVeskBox>(*root_, services_);
      break;
    case FilmObjectKind::kTile:
      made = MakeKind<TVeskTile>(*root_, services_);
      break;
    case FilmObjectKind::kParticle:
      made = root_->CreateByKind(LT_PARTICLE);
      break;
    case FilmObjectKind::kFire:
      made = root_->CreateByKind(LT_FIRE);
      break;
  }
  scene::TVeskControl* control = made ? made->AsControl() : nullptr;
  if (!control) {
    if (made) root_->DeleteObject(made);
    return nullptr;
  }
  // Names of this form keep the objects out of saved games: the film makes
  // them again when it is loaded.
  std::string prefix(1, scene::kSystemNameByte);
  if (cinema_) prefix += cinema_->Name + scene::kSystemNameByte;
  control->SetName(root_->UniqueName(prefix));
  return control;
}

void SceneFilmStage::Ensure(int32_t slot, FilmObjectKind kind, int32_t base) {
  if (control_ || Has(slot)) return;
  objects_.erase(slot);
  scene::TVeskControl* made = Make(kind);
  if (!made) return;
  objects_[slot] = made;
  SetParent(slot, base);
}

void SceneFilmStage::Drop(int32_t slot) {
  scene::TVeskControl* c = Object(slot);
  if (!c || control_) return;
  c->InvalidateDrawn();
  if (auto* image = dynamic_cast<TVeskCustomImage*>(c)) image->SetExternalSurface(nullptr, nullptr);
  root_->ScheduleDelete(c);
  objects_.erase(slot);
}

void SceneFilmStage::SetParent(int32_t slot, int32_t base) {
  scene::TVeskControl* c = Object(slot);
  if (!c || control_) return;
  scene::TVeskControl* parent = base == anim::kCinemaParent ? cinema_ : root_->GetBaseAt(base);
  if (parent && c->Parent != parent) c->SetParent(parent);
}

void SceneFilmStage::SetInt(int32_t slot, FilmProp prop, int32_t value) {
  scene::TVeskControl* c = Object(slot);
  if (!c) return;
  const std::optional<int> id = PropertyOf(prop);
  if (!id) return SetMotionField(*c, prop, value);
  // Unchanged values are not written again: a film standing still leaves
  // its objects (and the dirty rectangles) alone.
  if (Property(*id).type == PropType::kFlag) {
    if (c->GetFlag(*id) != (value != 0)) c->SetFlag(*id, value != 0);
  } else if (c->GetInt(*id) != value) {
    c->SetInt(*id, value);
  }
}

void SceneFilmStage::SetStr(int32_t slot, FilmProp prop, const std::string& value) {
  scene::TVeskControl* c = Object(slot);
  const std::optional<int> id = PropertyOf(prop);
  if (c && id && c->GetStr(*id) != value) c->SetStr(*id, value);
}

void SceneFilmStage::SetReal(int32_t slot, FilmProp prop, double value) {
  scene::TVeskControl* c = Object(slot);
  const std::optional<int> id = PropertyOf(prop);
  if (c && id && c->GetReal(*id) != value) c->SetReal(*id, value);
}

void SceneFilmStage::ShowPicture(int32_t slot, const anim::FilmPictureFrame& frame,
                                 bool size_to_picture) {
  auto* image = dynamic_cast<TVeskCustomImage*>(Object(slot));
  if (!image) return;
  image->SetExternalSurface(frame.surface, frame.mask);
  if (!size_to_picture) return;
  if (image->ZoomX == 256 && image->Width != frame.width) {
    image->Invalidate();
    image->Width = frame.width;
  }
  if (image->ZoomY == 256 && image->Height != frame.height) {
    image->Invalidate();
    image->Height = frame.height;
  }
}

void SceneFilmStage::SetBounds(int32_t slot, int32_t left, int32_t top, int32_t width,
                               int32_t height) {
  scene::TVeskControl* c = Object(slot);
  if (!c) return;
  if (c->Left == left && c->Top == top && c->Width == width && c->Height == height) return;
  c->SetBounds(left, top, width, height);
}

void SceneFilmStage::SetPresetArea(int32_t slot, const anim::ParticlePreset& preset) {
  if (auto* taker = dynamic_cast<PresetAreaTaker*>(Object(slot))) taker->TakePresetArea(preset);
}

void SceneFilmStage::StartTransition(const anim::FilmTransition& t) {
  if (control_) return;
  const auto frames_ms = [](int32_t frames) {
    return static_cast<int32_t>(std::lround(frames * anim::kFrame_ms));
  };
  if (t.reset || root_->ShownBaseIndex() != t.shown_base) {
    script::TransitionRequest request;
    request.kind = t.type;
    request.reverse = t.reverse;
    request.duration_ms = frames_ms(t.duration_frames);
    if (t.type) {
      request.param0 = t.param0;
      request.param1 = t.param1;
      if (!t.rule_image.empty()) request.mask_source = t.rule_image;
    }
    root_->StartTransition(t.shown_base, request);
  }
  if (root_->TransitionKind()) root_->SetTransitionTime(frames_ms(t.elapsed_frames));
}

void SceneFilmStage::SortShownBase() {
  if (!control_) root_->ShownBase()->SortChildren();
}

void SceneFilmStage::SizeStage(int32_t width, int32_t height, int32_t back_color) {
  if (control_) return;
  if (root_->SceneWidth() != width || root_->SceneHeight() != height)
    root_->SetSceneSize(width, height);
  for (int i = 0; i < 2; ++i) root_->GetBaseAt(i)->Color = back_color;
}

// ---- Pictures -----------------------------------------------------------------------

CachePictures::~CachePictures() {
  for (auto& [owner, item] : held_) cache_->Release(static_cast<TOrloItem*>(item), owner);
}

std::vector<anim::FilmPictureFrame> CachePictures::Acquire(const void* owner,
                                                           const std::string& file) {
  std::vector<anim::FilmPictureFrame> frames;
  if (!cache_) return frames;
  // Films place their frames themselves: no masks, no offsets.
  TOrloItem* item = cache_->Acquire(owner, file, false, false);
  held_.emplace(owner, item);
  for (const TOrloItemFrame& f : item->Frames) {
    anim::FilmPictureFrame frame;
    frame.surface = f.Surface.get();
    frame.mask = f.Mask.get();
    frame.color_key = f.ColorKey;
    frame.width = f.Surface ? f.Surface->Width() : 0;
    frame.height = f.Surface ? f.Surface->Height() : 0;
    frame.delay_ms = f.Delay;
    frame.offset = {f.OffsetX, f.OffsetY};
    frames.push_back(frame);
  }
  return frames;
}

void CachePictures::Release(const void* owner) {
  auto [first, last] = held_.equal_range(owner);
  for (auto it = first; it != last; ++it)
    cache_->Release(static_cast<TOrloItem*>(it->second), owner);
  held_.erase(first, last);
}

std::optional<std::vector<uint8_t>> ReadGameFile(ComponentServices* services,
                                                 const std::string& name) {
  TOrloCollection* cache = services ? services->pictures : nullptr;
  if (!cache || name.empty()) return std::nullopt;
  PictureServices& files = cache->Services();
  if (files.file_available && !files.file_available(name)) return std::nullopt;
  if (!files.read_file) return std::nullopt;
  return files.read_file(name);
}

}  // namespace vesk::components
