#include "anim/film_player.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "anim/film_file.h"

namespace vesk::anim {

namespace {

bool IsObjectKind(FrameListKind kind) {
  return kind != FrameListKind::kWipe && kind != FrameListKind::kSound;
}

int32_t Scaled(int32_t value, int32_t numerator, int32_t denominator) {
  return static_cast<int32_t>(int64_t{value} * numerator / denominator);
}

}  // namespace

TFilmManager::~TFilmManager() {
  Clear();
}

void TFilmManager::Clear() {
  for (size_t i = 0; i < lists_.size(); ++i) {
    const auto slot = static_cast<int32_t>(i);
    const FrameListKind kind = film_.Lists[i].Kind();
    if (stage_ && !Motion() && IsObjectKind(kind) && stage_->Has(slot)) stage_->Drop(slot);
    if (sounds_ && kind == FrameListKind::kSound && sounds_->Has(slot)) sounds_->Delete(slot);
    if (pictures_ && !lists_[i].picture.empty()) pictures_->Release(&lists_[i]);
  }
  lists_.clear();
  film_ = FilmData{};
  frame_count_ = 0;
  current_frame_ = 0;
  last_wipe_ = -1;
}

void TFilmManager::LoadFromBytes(std::span<const uint8_t> bytes, std::string_view name,
                                 FilmPictures* pictures) {
  std::optional<FilmData> film = ReadFilm(bytes, name);
  if (!film) {
    Clear();
    return;
  }
  Load(std::move(*film), name, pictures);
}

void TFilmManager::Load(FilmData film, std::string_view name, FilmPictures* pictures) {
  Clear();
  film_ = std::move(film);
  folder_ = FilmFolder(name);
  Origin = film_.DesignOrigin;
  lists_.resize(film_.Lists.size());
  LoadPictures(pictures);
  for (size_t i = 0; i < lists_.size(); ++i) {
    const auto index = static_cast<int32_t>(i);
    ListState& list = lists_[i];
    list.start = StartFrame(film_, index);
    list.follower = FollowerOf(film_, index);
    list.chain_first = ChainFirst(film_, index);
    list.played = WithChainStarts(film_, index);
    if (list.elements.empty()) list.elements.push_back(FrameElement{});
  }
  frame_count_ = anim::FrameCount(film_);
}

// Image and tile lists take their frames from their picture: one element
// per picture frame, a length of the whole picture when the file gave none,
// and a tile's unset sizes from the first frame.
void TFilmManager::LoadPictures(FilmPictures* pictures) {
  pictures_ = pictures;
  for (size_t i = 0; i < lists_.size(); ++i) {
    FrameList& stored = film_.Lists[i];
    const std::string* source = nullptr;
    if (auto* image = std::get_if<ImageListData>(&stored.Data)) source = &image->Source;
    if (auto* tile = std::get_if<TileListData>(&stored.Data)) source = &tile->Source;
    if (!source || source->empty() || !pictures) continue;
    ListState& list = lists_[i];
    list.picture = pictures->Acquire(&list, ResolveRelative(*source, folder_));
    int32_t total = 0;
    for (size_t k = 0; k < list.picture.size(); ++k) {
      const FilmPictureFrame& frame = list.picture[k];
      FrameElement e;
      e.Width = frame.width;
      e.Height = frame.height;
      e.Offset = frame.offset;
      e.Duration = FrameDuration(frame.delay_ms);
      e.PictureFrame = static_cast<int32_t>(k);
      total += e.Duration;
      list.elements.push_back(e);
    }
    if (stored.Length <= 0) stored.Length = total;
    stored.Cycle = total;
    auto* tile = std::get_if<TileListData>(&stored.Data);
    if (!tile || list.elements.empty()) continue;
    const FrameElement& first = list.elements.front();
    if (stored.Parent < 0 && tile->StartWidth == 0) tile->StartWidth = first.Width;
    if (stored.Parent < 0 && tile->StartHeight == 0) tile->StartHeight = first.Height;
    if (tile->EndWidth == 0) tile->EndWidth = first.Width;
    if (tile->EndHeight == 0) tile->EndHeight = first.Height;
  }
}

void TFilmManager::Place(FilmPlacement placement, FilmStage* stage, FilmSounds* sounds) {
  placement_ = placement;
  stage_ = stage;
  sounds_ = sounds;
}

const FrameList* TFilmManager::GetList(int32_t i) const {
  return i >= 0 && i < ListCount() ? &lists_[static_cast<size_t>(i)].played : nullptr;
}

int32_t TFilmManager::StartFrameOf(int32_t i) const {
  return i >= 0 && i < ListCount() ? lists_[static_cast<size_t>(i)].start : 0;
}

bool TFilmManager::NeedsStage() const {
  for (const FrameList& list : film_.Lists)
    if (list.Kind() == FrameListKind::kWipe || list.BackBase) return true;
  return false;
}

int32_t TFilmManager::FirstList() const {
  for (size_t i = 0; i < lists_.size(); ++i)
    if (lists_[i].start == 0) return static_cast<int32_t>(i);
  return -1;
}

// ---- Start, frames, pause -----------------------------------------------------------

void TFilmManager::Start() {
  if (stage_ && placement_ == FilmPlacement::kStage)
    stage_->SizeStage(film_.Size.x, film_.Size.y, film_.BackColor);
  for (int32_t i = 0; i < ListCount(); ++i)
    if (film_.Lists[static_cast<size_t>(i)].Kind() == FrameListKind::kSound) EnsureSound(i);
}

void TFilmManager::SetFrame(int32_t frame) {
  if (stage_) {
    for (int32_t i = 0; i < ListCount(); ++i) ApplyList(i, frame);
    if (placement_ == FilmPlacement::kStage) ShowWipe(frame);
  }
  current_frame_ = frame;
}

void TFilmManager::SetPaused(bool paused) {
  if (paused == sounds_paused_) return;
  sounds_paused_ = paused;
  for (int32_t i = 0; i < ListCount(); ++i) {
    ListState& list = lists_[static_cast<size_t>(i)];
    if (list.played.Kind() != FrameListKind::kSound) continue;
    list.sound_paused = paused;
    if (sounds_ && list.chain_first == i && sounds_->Has(i))
      sounds_->SetInt(i, FilmProp::kPaused, paused ? 1 : 0);
  }
}

void TFilmManager::SetRunning(bool running) {
  running_ = running;
  if (running || !sounds_) return;
  for (int32_t i = 0; i < ListCount(); ++i) {
    const ListState& list = lists_[static_cast<size_t>(i)];
    if (list.played.Kind() == FrameListKind::kSound && list.chain_first == i && sounds_->Has(i))
      sounds_->SetInt(i, FilmProp::kPaused, 1);
  }
}

// ---- Wipes --------------------------------------------------------------------------

// A list that starts on the last frame of a wipe, or later, belongs to the
// base the wipe leads to.
int32_t TFilmManager::WipeParity(int32_t start) const {
  int32_t parity = 0;
  for (size_t j = 0; j < lists_.size(); ++j) {
    if (film_.Lists[j].Kind() != FrameListKind::kWipe) continue;
    if (int64_t{start} >= int64_t{lists_[j].start} + lists_[j].played.Length - 1) parity ^= 1;
  }
  return parity;
}

void TFilmManager::ShowWipe(int32_t frame) {
  int32_t active = -1;
  int32_t parity = 0;
  for (int32_t j = 0; j < ListCount(); ++j) {
    const ListState& list = lists_[static_cast<size_t>(j)];
    if (list.played.Kind() != FrameListKind::kWipe) continue;
    if (Active(j, frame))
      active = j;
    else if (int64_t{frame} >= int64_t{list.start} + list.played.Length - 1)
      parity ^= 1;
  }
  FilmTransition t;
  t.shown_base = parity;
  if (active >= 0) {
    const ListState& list = lists_[static_cast<size_t>(active)];
    const auto& wipe = std::get<WipeListData>(list.played.Data);
    t.type = wipe.WipeType;
    t.reverse = wipe.Reverse != 0;
    t.reset = active != last_wipe_;
    t.elapsed_frames = frame - list.start;
    t.duration_frames = list.played.Length;
    t.param0 = wipe.Param0;
    t.param1 = wipe.Param1;
    t.rule_image =
        wipe.RuleImage.empty() ? std::string() : ResolveRuleImage(wipe.RuleImage, folder_);
  } else {
    t.reset = last_wipe_ >= 0;
  }
  stage_->StartTransition(t);
  stage_->SortShownBase();
  last_wipe_ = active;
}

// ---- Shared pieces ------------------------------------------------------------------

bool TFilmManager::Active(int32_t i, int32_t frame) const {
  const ListState& list = lists_[static_cast<size_t>(i)];
  return list.start <= frame && int64_t{frame} < int64_t{list.start} + list.played.Length;
}

FrameStep TFilmManager::StepOf(int32_t i, int32_t frame) const {
  const ListState& list = lists_[static_cast<size_t>(i)];
  FrameStep at;
  at.step = frame - list.start;
  at.count = list.played.Length;
  at.has_follower = list.follower >= 0;
  return at;
}

FilmPoint TFilmManager::Position(FilmPoint start, FilmPoint end, uint8_t ease_x, uint8_t ease_y,
                                 FrameStep at) const {
  if (Motion() && film_.Relative) {
    start = {start.x - Origin.x, start.y - Origin.y};
    end = {end.x - Origin.x, end.y - Origin.y};
  }
  return InterpolatePoint(start, end, ease_x, ease_y, at);
}

int32_t TFilmManager::BaseOf(int32_t i) const {
  if (placement_ == FilmPlacement::kDirect) return kCinemaParent;
  const ListState& list = lists_[static_cast<size_t>(i)];
  return WipeParity(list.start) ^ (list.played.BackBase & 1);
}

int32_t TFilmManager::SlotOf(int32_t owner) const {
  return Motion() ? kControlSlot : owner;
}

void TFilmManager::DropIfShown(int32_t slot) {
  if (stage_->Has(slot)) stage_->Drop(slot);
}

void TFilmManager::DropChainOutside(int32_t i, int32_t frame) {
  const ListState& list = lists_[static_cast<size_t>(i)];
  if (Motion() || list.follower >= 0) return;
  const int32_t chain_start = lists_[static_cast<size_t>(list.chain_first)].start;
  if (chain_start <= frame && int64_t{frame} < int64_t{list.start} + list.played.Length) return;
  DropIfShown(list.chain_first);
}

void TFilmManager::SetClip(int32_t slot, const FilmClip& clip) {
  Set(slot, FilmProp::kClipLeft, clip.left);
  Set(slot, FilmProp::kClipTop, clip.top);
  Set(slot, FilmProp::kClipWidth, clip.width);
  Set(slot, FilmProp::kClipHeight, clip.height);
}

// ---- Apply --------------------------------------------------------------------------

void TFilmManager::ApplyList(int32_t i, int32_t frame) {
  switch (film_.Lists[static_cast<size_t>(i)].Kind()) {
    case FrameListKind::kImage:
      return ApplyImage(i, frame);
    case FrameListKind::kLabel:
      return ApplyLabel(i, frame);
    case FrameListKind::kBox:
      return ApplyBox(i, frame);
    case FrameListKind::kWipe:
      return;  // SetFrame shows the wipes
    case FrameListKind::kSound:
      return ApplySound(i, frame);
    case FrameListKind::kTile:
      return ApplyTile(i, frame);
    case FrameListKind::kParticle:
      return ApplyParticle(i, frame);
    case FrameListKind::kFire:
      return ApplyFire(i, frame);
  }
}

bool TFilmManager::EnsureOwnObject(int32_t i, int32_t frame, FilmObjectKind kind) {
  if (!Active(i, frame)) {
    if (!Motion()) DropIfShown(i);
    return false;
  }
  if (!Motion()) stage_->Ensure(SlotOf(i), kind, BaseOf(i));
  return true;
}

const FrameElement* TFilmManager::PictureElementAt(int32_t i, int32_t frame,
                                                   FrameListKind kind) const {
  const ListState& list = lists_[static_cast<size_t>(i)];
  const int32_t e = FrameAt(kind, list.elements, list.played.Cycle, frame - list.start);
  if (e < 0 || list.elements[static_cast<size_t>(e)].PictureFrame < 0) return nullptr;
  return &list.elements[static_cast<size_t>(e)];
}

void TFilmManager::ApplyImage(int32_t i, int32_t frame) {
  ListState& list = lists_[static_cast<size_t>(i)];
  if (!EnsureOwnObject(i, frame, FilmObjectKind::kImage)) return;
  const int32_t slot = SlotOf(i);
  const FrameElement* shown = PictureElementAt(i, frame, FrameListKind::kImage);
  if (!shown) return;
  const FrameElement& element = *shown;
  const FilmPictureFrame& picture = list.picture[static_cast<size_t>(element.PictureFrame)];
  const ImagePart& part = std::get<ImageListData>(list.played.Data).Image;
  const FrameStep at = StepOf(i, frame);
  const FilmPoint pos = Position(part.StartPos, part.EndPos, part.EaseX, part.EaseY, at);
  const int32_t zoom_x = InterpolateZoom(part.EaseZoomX, part.StartZoomX, part.EndZoomX, at);
  const int32_t zoom_y = InterpolateZoom(part.EaseZoomY, part.StartZoomY, part.EndZoomY, at);
  const FilmPoint offset{part.Anchor.x - element.Offset.x, part.Anchor.y - element.Offset.y};
  if (placement_ == FilmPlacement::kStage) stage_->SetParent(slot, BaseOf(i));
  if (!Motion()) {
    stage_->ShowPicture(slot, picture, true);
    if (placement_ == FilmPlacement::kDirect) stage_->SetParent(slot, kCinemaParent);
    Set(slot, FilmProp::kZoomX, zoom_x);
    Set(slot, FilmProp::kZoomY, zoom_y);
    Set(slot, FilmProp::kPriority, list.played.Priority);
    Set(slot, FilmProp::kFlipH, list.played.FlipH);
    Set(slot, FilmProp::kFlipV, list.played.FlipV);
    Set(slot, FilmProp::kOffsetX, offset.x);
    Set(slot, FilmProp::kOffsetY, offset.y);
    Set(slot, FilmProp::kLeft, pos.x);
    Set(slot, FilmProp::kTop, pos.y);
  } else {
    stage_->ShowPicture(slot, picture, false);
    Set(slot, FilmProp::kWidth, Scaled(element.Width, zoom_x, 256));
    Set(slot, FilmProp::kHeight, Scaled(element.Height, zoom_y, 256));
    Set(slot, FilmProp::kPriorityBias, list.played.Priority);
    Set(slot, FilmProp::kFlipH, list.played.FlipH);
    Set(slot, FilmProp::kFlipV, list.played.FlipV);
    Set(slot, FilmProp::kMotionOffsetX, pos.x);
    Set(slot, FilmProp::kMotionOffsetY, pos.y);
    Set(slot, FilmProp::kOffsetX, offset.x);
    Set(slot, FilmProp::kOffsetY, offset.y);
    Set(slot, FilmProp::kZoomX, zoom_x);
    Set(slot, FilmProp::kZoomY, zoom_y);
  }
  Set(slot, FilmProp::kAngle,
      InterpolateAngle(part.EaseAngle, part.StartAngle_deg, part.EndAngle_deg, at));
  Set(slot, FilmProp::kAlpha, InterpolateAlpha(part.StartAlpha, part.EndAlpha, at));
  SetClip(slot, InterpolateClip(part.Clip, at));
}

void TFilmManager::ApplyLabel(int32_t i, int32_t frame) {
  ListState& list = lists_[static_cast<size_t>(i)];
  if (!EnsureOwnObject(i, frame, FilmObjectKind::kLabel)) return;
  const int32_t slot = SlotOf(i);
  const auto& label = std::get<LabelListData>(list.played.Data);
  const ImagePart& part = label.Image;
  const FrameStep at = StepOf(i, frame);
  const FilmPoint pos = Position(part.StartPos, part.EndPos, part.EaseX, part.EaseY, at);
  if (!Motion()) stage_->SetParent(slot, BaseOf(i));
  stage_->SetStr(slot, FilmProp::kFontName, label.FontName);
  Set(slot, FilmProp::kFontHeight, label.FontHeight);
  Set(slot, FilmProp::kLineSpace, label.LineSpace);
  Set(slot, FilmProp::kFontColor, label.FontColor);
  Set(slot, FilmProp::kFontStyle, label.FontStyle);
  Set(slot, FilmProp::kAntialias, label.Antialias);
  Set(slot, FilmProp::kHAlign, label.HAlign);
  Set(slot, FilmProp::kFlipH, list.played.FlipH);
  Set(slot, FilmProp::kFlipV, list.played.FlipV);
  stage_->SetStr(slot, FilmProp::kText, label.Text);
  if (Motion()) {
    Set(slot, FilmProp::kPriority, BasePriority + list.played.Priority);
    Set(slot, FilmProp::kMotionOffsetX, pos.x);
    Set(slot, FilmProp::kMotionOffsetY, pos.y);
  } else {
    Set(slot, FilmProp::kPriority, list.played.Priority);
    Set(slot, FilmProp::kLeft, pos.x);
    Set(slot, FilmProp::kTop, pos.y);
  }
  Set(slot, FilmProp::kOffsetX, part.Anchor.x);
  Set(slot, FilmProp::kOffsetY, part.Anchor.y);
  Set(slot, FilmProp::kAlpha, InterpolateAlpha(part.StartAlpha, part.EndAlpha, at));
  Set(slot, FilmProp::kAngle,
      InterpolateAngle(part.EaseAngle, part.StartAngle_deg, part.EndAngle_deg, at));
  Set(slot, FilmProp::kZoomX, InterpolateZoom(part.EaseZoomX, part.StartZoomX, part.EndZoomX, at));
  Set(slot, FilmProp::kZoomY, InterpolateZoom(part.EaseZoomY, part.StartZoomY, part.EndZoomY, at));
  SetClip(slot, InterpolateClip(part.Clip, at));
}

void TFilmManager::ApplyTile(int32_t i, int32_t frame) {
  ListState& list = lists_[static_cast<size_t>(i)];
  if (!EnsureOwnObject(i, frame, FilmObjectKind::kTile)) return;
  const int32_t slot = SlotOf(i);
  const FrameElement* shown = PictureElementAt(i, frame, FrameListKind::kTile);
  if (!shown) return;
  const FrameElement& element = *shown;
  const FilmPictureFrame& picture = list.picture[static_cast<size_t>(element.PictureFrame)];
  const auto& tile = std::get<TileListData>(list.played.Data);
  const ImagePart& part = tile.Image;
  const FrameStep at = StepOf(i, frame);
  FilmPoint start = part.StartPos, end = part.EndPos;
  const FilmPoint pos = Position(start, end, part.EaseX, part.EaseY, at);
  if (Motion() && film_.Relative) {
    start = {start.x - Origin.x, start.y - Origin.y};
    end = {end.x - Origin.x, end.y - Origin.y};
  }
  const FilmPoint size =
      SizeByEdges(start, end, {tile.StartWidth, tile.StartHeight}, {tile.EndWidth, tile.EndHeight},
                  part.EaseX, part.EaseY, pos, at);
  const int32_t zoom_x = InterpolateZoom(part.EaseZoomX, part.StartZoomX, part.EndZoomX, at);
  const int32_t zoom_y = InterpolateZoom(part.EaseZoomY, part.StartZoomY, part.EndZoomY, at);
  const FilmPoint offset{part.Anchor.x - element.Offset.x, part.Anchor.y - element.Offset.y};
  if (placement_ == FilmPlacement::kStage) stage_->SetParent(slot, BaseOf(i));
  if (!Motion()) {
    Set(slot, FilmProp::kWidth, size.x);
    Set(slot, FilmProp::kHeight, size.y);
    if (placement_ == FilmPlacement::kDirect) stage_->SetParent(slot, kCinemaParent);
    stage_->ShowPicture(slot, picture, false);
    Set(slot, FilmProp::kZoomX, zoom_x);
    Set(slot, FilmProp::kZoomY, zoom_y);
    Set(slot, FilmProp::kPriority, list.played.Priority);
  } else {
    stage_->ShowPicture(slot, picture, false);
    Set(slot, FilmProp::kPriority, BasePriority + list.played.Priority);
  }
  Set(slot, FilmProp::kDistanceX, tile.DistanceX);
  Set(slot, FilmProp::kDistanceY, tile.DistanceY);
  Set(slot, FilmProp::kFlipH, list.played.FlipH);
  Set(slot, FilmProp::kFlipV, list.played.FlipV);
  if (Motion()) {
    Set(slot, FilmProp::kMotionOffsetX, pos.x);
    Set(slot, FilmProp::kMotionOffsetY, pos.y);
    Set(slot, FilmProp::kWidth, size.x);
    Set(slot, FilmProp::kHeight, size.y);
  }
  Set(slot, FilmProp::kOffsetX, offset.x);
  Set(slot, FilmProp::kOffsetY, offset.y);
  if (Motion()) {
    Set(slot, FilmProp::kZoomX, zoom_x);
    Set(slot, FilmProp::kZoomY, zoom_y);
  } else {
    Set(slot, FilmProp::kLeft, pos.x);
    Set(slot, FilmProp::kTop, pos.y);
  }
  Set(slot, FilmProp::kAlpha, InterpolateAlpha(part.StartAlpha, part.EndAlpha, at));
  Set(slot, FilmProp::kScrollX,
      Interpolate(tile.EaseScrollX, tile.StartScrollX, tile.EndScrollX, at));
  Set(slot, FilmProp::kScrollY,
      Interpolate(tile.EaseScrollY, tile.StartScrollY, tile.EndScrollY, at));
  SetClip(slot, InterpolateClip(tile.Clip, at));
}

void TFilmManager::ApplyBox(int32_t i, int32_t frame) {
  ListState& list = lists_[static_cast<size_t>(i)];
  if (!EnsureOwnObject(i, frame, FilmObjectKind::kBox)) return;
  const int32_t slot = SlotOf(i);
  const auto& box = std::get<BoxListData>(list.played.Data);
  const FrameStep at = StepOf(i, frame);
  FilmPoint start = box.StartPos, end = box.EndPos;
  const FilmPoint pos = Position(start, end, box.EaseX, box.EaseY, at);
  if (Motion() && film_.Relative) {
    start = {start.x - Origin.x, start.y - Origin.y};
    end = {end.x - Origin.x, end.y - Origin.y};
  }
  const FilmPoint size = SizeByEdges(start, end, {box.StartWidth, box.StartHeight},
                                     {box.EndWidth, box.EndHeight}, box.EaseX, box.EaseY, pos, at);
  if (Motion()) {
    Set(slot, FilmProp::kMotionOffsetX, pos.x);
    Set(slot, FilmProp::kMotionOffsetY, pos.y);
    Set(slot, FilmProp::kWidth, size.x);
    Set(slot, FilmProp::kHeight, size.y);
    Set(slot, FilmProp::kPriority, BasePriority + list.played.Priority);
  } else {
    stage_->SetParent(slot, BaseOf(i));
    stage_->SetBounds(slot, pos.x, pos.y, size.x, size.y);
    Set(slot, FilmProp::kPriority, list.played.Priority);
  }
  Set(slot, FilmProp::kAlpha, InterpolateAlpha(box.StartAlpha, box.EndAlpha, at));
  Set(slot, FilmProp::kColor, InterpolateColor(box.StartColor, box.EndColor, at));
  Set(slot, FilmProp::kBorderWidth, InterpolateWidth(box.StartBorderWidth, box.EndBorderWidth, at));
  Set(slot, FilmProp::kBorderColor, InterpolateColor(box.StartBorderColor, box.EndBorderColor, at));
  SetClip(slot, InterpolateClip(box.Clip, at));
}

void TFilmManager::ApplyParticle(int32_t i, int32_t frame) {
  ListState& list = lists_[static_cast<size_t>(i)];
  if (!Active(i, frame)) return DropChainOutside(i, frame);
  const int32_t slot = SlotOf(list.chain_first);
  if (!Motion()) stage_->Ensure(slot, FilmObjectKind::kParticle, BaseOf(i));
  const auto& p = std::get<ParticleListData>(list.played.Data);
  const FrameStep at = StepOf(i, frame);
  FilmPoint start = p.StartPos, end = p.EndPos;
  const FilmPoint pos = Position(start, end, p.EaseX, p.EaseY, at);
  if (Motion() && film_.Relative) {
    start = {start.x - Origin.x, start.y - Origin.y};
    end = {end.x - Origin.x, end.y - Origin.y};
  }
  const FilmPoint size = SizeByEdges(start, end, {p.StartWidth, p.StartHeight},
                                     {p.EndWidth, p.EndHeight}, p.EaseX, p.EaseY, pos, at);
  const int32_t alpha = InterpolateAlpha(p.StartAlpha, p.EndAlpha, at);
  const FilmClip clip = InterpolateClip(p.Clip, at);
  if (Motion()) {
    Set(slot, FilmProp::kMotionOffsetX, pos.x);
    Set(slot, FilmProp::kMotionOffsetY, pos.y);
    Set(slot, FilmProp::kWidth, size.x);
    Set(slot, FilmProp::kHeight, size.y);
    Set(slot, FilmProp::kPriority, BasePriority + list.played.Priority);
    Set(slot, FilmProp::kAlpha, alpha);
    return SetClip(slot, clip);
  }
  ParticlePreset preset;
  preset.interval_range = Interpolate(0, p.StartIntervalRange, p.EndIntervalRange, at);
  preset.interval_base =
      Interpolate(0, p.StartIntervalBase, p.EndIntervalBase, at) - preset.interval_range / 2;
  preset.x_base = Interpolate(p.EaseXBase, p.StartXBase, p.EndXBase, at);
  preset.y_base = Interpolate(p.EaseYBase, p.StartYBase, p.EndYBase, at);
  preset.x_range = Interpolate(0, p.StartXRange, p.EndXRange, at);
  preset.y_range = Interpolate(0, p.StartYRange, p.EndYRange, at);
  stage_->SetParent(slot, BaseOf(i));
  stage_->SetBounds(slot, pos.x, pos.y, size.x, size.y);
  Set(slot, FilmProp::kPriority, list.played.Priority);
  Set(slot, FilmProp::kAlpha, alpha);
  stage_->SetStr(slot, FilmProp::kSource,
                 p.Source.empty() ? std::string() : ResolveRelative(p.Source, folder_));
  Set(slot, FilmProp::kPartMotion, p.PartMotion);
  Set(slot, FilmProp::kIndex, p.WarmUp_ms);
  stage_->SetReal(slot, FilmProp::kParam1, InterpolateReal(0, p.StartParam1, p.EndParam1, at));
  stage_->SetReal(slot, FilmProp::kParam2, InterpolateReal(0, p.StartParam2, p.EndParam2, at));
  stage_->SetReal(slot, FilmProp::kParam3, InterpolateReal(0, p.StartParam3, p.EndParam3, at));
  stage_->SetPresetArea(slot, preset);
  SetClip(slot, clip);
}

void TFilmManager::ApplyFire(int32_t i, int32_t frame) {
  ListState& list = lists_[static_cast<size_t>(i)];
  if (!Active(i, frame)) return DropChainOutside(i, frame);
  const int32_t slot = SlotOf(list.chain_first);
  if (!Motion()) stage_->Ensure(slot, FilmObjectKind::kFire, BaseOf(i));
  const auto& fire = std::get<FireListData>(list.played.Data);
  const FrameStep at = StepOf(i, frame);
  const FilmPoint pos = Position(fire.StartPos, fire.EndPos, fire.EaseX, fire.EaseY, at);
  if (Motion()) {
    Set(slot, FilmProp::kPriority, BasePriority + list.played.Priority);
    Set(slot, FilmProp::kMotionOffsetX, pos.x);
    Set(slot, FilmProp::kMotionOffsetY, pos.y);
  } else {
    stage_->SetParent(slot, BaseOf(i));
    Set(slot, FilmProp::kPriority, list.played.Priority);
    Set(slot, FilmProp::kLeft, pos.x);
    Set(slot, FilmProp::kTop, pos.y);
  }
  Set(slot, FilmProp::kOrigWidth, Interpolate(fire.EaseX, fire.StartWidth, fire.EndWidth, at));
  Set(slot, FilmProp::kOrigHeight, Interpolate(fire.EaseY, fire.StartHeight, fire.EndHeight, at));
  Set(slot, FilmProp::kZoomX, InterpolateZoom(fire.EaseZoomX, fire.StartZoomX, fire.EndZoomX, at));
  Set(slot, FilmProp::kZoomY, InterpolateZoom(fire.EaseZoomY, fire.StartZoomY, fire.EndZoomY, at));
  Set(slot, FilmProp::kPower, fire.Power);
  SetClip(slot, InterpolateClip(fire.Clip, at));
}

// ---- Sounds -------------------------------------------------------------------------

// The chain's sound, made by and for the chain's first list, paused and
// ready to play.
bool TFilmManager::EnsureSound(int32_t i) {
  if (!sounds_) return false;
  const int32_t first = lists_[static_cast<size_t>(i)].chain_first;
  if (sounds_->Has(first)) return true;
  const ListState& list = lists_[static_cast<size_t>(first)];
  const auto& sound = std::get<SoundListData>(list.played.Data);
  if (!sounds_->Create(
          first, sound.Source.empty() ? std::string() : ResolveRelative(sound.Source, folder_)))
    return false;
  sounds_->SetInt(first, FilmProp::kVolume, Scaled(sound.StartVolume, Volume, 1000));
  const int64_t end = int64_t{list.start} + list.played.Length;
  const int32_t loop = film_.LoopStart;
  const bool longer = static_cast<int64_t>(list.played.Length * kFrame_ms) >
                      sounds_->GetInt(first, FilmProp::kCount);
  const bool loops_at_end = end >= frame_count_ && list.start <= loop && loop < end && 0 < loop &&
                            loop < frame_count_ - 1;
  sounds_->SetInt(first, FilmProp::kRepeat, longer || loops_at_end ? 1 : 0);
  sounds_->SetInt(first, FilmProp::kBalance, sound.StartBalance);
  sounds_->SetInt(first, FilmProp::kPaused, 1);
  sounds_->Play(first);
  return true;
}

void TFilmManager::ApplySound(int32_t i, int32_t frame) {
  ListState& list = lists_[static_cast<size_t>(i)];
  const bool has = EnsureSound(i);
  const int32_t first = list.chain_first;
  if (has && frame < list.last_applied && running_ && first == i)
    sounds_->SetInt(first, FilmProp::kPaused, 1);
  list.last_applied = frame;
  if (!has) return;
  const int32_t chain_start = lists_[static_cast<size_t>(first)].start;
  const int64_t stop =
      std::min<int64_t>(int64_t{list.start} + list.played.Length, frame_count_ - 1);
  if (list.start <= frame && frame < stop) {
    const auto& sound = std::get<SoundListData>(list.played.Data);
    const FrameStep at = StepOf(i, frame);
    const int32_t volume = Interpolate(sound.EaseVolume, sound.StartVolume, sound.EndVolume, at);
    sounds_->SetInt(first, FilmProp::kVolume, Scaled(volume, Volume, 1000));
    sounds_->SetInt(first, FilmProp::kBalance,
                    Interpolate(sound.EaseBalance, sound.StartBalance, sound.EndBalance, at));
    if (!running_) return sounds_->SetInt(first, FilmProp::kPaused, 1);
    if (sounds_->GetInt(first, FilmProp::kPaused) || sounds_->Stopped(first))
      return sounds_->Replay(first);
    const auto expected_ms = static_cast<int32_t>((int64_t{frame} - chain_start) * 1000 / 60);
    if (std::llabs(int64_t{sounds_->GetInt(first, FilmProp::kIndex)} - expected_ms) >= 3000)
      sounds_->SetInt(first, FilmProp::kIndex, expected_ms);
    return;
  }
  if (list.follower >= 0) return;
  if (chain_start <= frame && frame < stop) return;
  sounds_->SetInt(first, FilmProp::kPaused, 1);
}

}  // namespace vesk::anim
