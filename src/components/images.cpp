#include "components/images.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "core/sjis.h"
#include "expr/param_collection.h"
#include "lang/vocabulary.h"
#include "scene/baselist.h"

namespace vesk::components {

using namespace vesk::lang;

namespace {

constexpr double kMotionFrameMs = 16.666666666666668;

int32_t AddSaturated(int32_t a, int32_t b) {
  return static_cast<int32_t>(std::clamp<int64_t>(int64_t{a} + b, INT32_MIN, INT32_MAX));
}

}  // namespace

bool IsMotionFile(const std::string& name) {
  return EndsWithIgnoreAsciiCase(name, ".lmt");
}
bool IsLayeredFile(const std::string& name) {
  return EndsWithIgnoreAsciiCase(name, ".orl");
}

// ---- TVeskCustomImages: the shown frame ------------------------------------------

const graphics::TCustomDIBX* TVeskCustomImages::BaseSurface() const {
  if (ExternalSurface) return ExternalSurface;
  auto* list = const_cast<TVeskImageList*>(ShownList());
  return list && list->Valid(FrameIndex) ? list->Data(FrameIndex).Surface(0) : nullptr;
}

const graphics::TCustomDIBX* TVeskCustomImages::ShownSurface() {
  if (ExternalSurface) return ExternalSurface;
  TVeskImageList* list = ShownList();
  return list && list->Valid(FrameIndex) ? list->Data(FrameIndex).Surface(Brightness) : nullptr;
}

const graphics::TCustomDIBX* TVeskCustomImages::ShownMask() const {
  if (ExternalSurface) return ExternalMask;
  auto* list = const_cast<TVeskImageList*>(ShownList());
  return list && list->Valid(FrameIndex) ? list->Data(FrameIndex).Mask() : nullptr;
}

int32_t TVeskCustomImages::EndWaitValue() {
  if (EndWait.Ops.empty()) return 0;
  const ComponentServices* made_with = services();
  if (!made_with || !made_with->variables) return 0;
  EndWait.Run(*made_with->variables, made_with->functions);
  return EndWait.Result ? EndWait.Result->GetInt() : 0;
}

void TVeskCustomImages::SetFrameIndex(int32_t index) {
  if (TVeskMotionLink* motion = ShownMotion()) {
    motion->SetPositionMs(static_cast<int32_t>(std::lround(index * kMotionFrameMs)));
    return;
  }
  if (index == FrameIndex) return;
  TVeskImageList* list = ShownList();
  if (list && list->Valid(FrameIndex))
    InvalidateImage();
  else
    Remaining = 0;
  FrameIndex = index;
  end_reported_ = false;
  if (list && list->Valid(index)) {
    list->Data(index).Surface(Brightness);  // the brightness copy is made now, not while drawing
    Remaining = AddSaturated(Remaining, list->Delay(index));
    if (index == list->Count() - 1 && list->Count() > 1)
      Remaining = AddSaturated(Remaining, EndWaitValue());
  }
  RecomputeSize();
  InvalidateImage();
}

bool TVeskCustomImages::StepFrames(int32_t frame_ms) {
  TVeskImageList* list = ShownList();
  if (!list || !list->Valid(FrameIndex) || !GetVisible() || Paused || AniPaused) return false;
  if (Remaining > 0) Remaining -= frame_ms;
  const int32_t count = list->Count();
  while (Remaining < 1) {
    if (FrameIndex < count - 1) {
      if (count <= 2) Remaining = 0;
      SetFrameIndex(FrameIndex + 1);
      continue;
    }
    if (Repeats()) {
      if (count <= 1) break;  // a single frame has nothing to loop through
      Remaining = 0;
      SetFrameIndex(0);
      continue;
    }
    // The end is told once, not on every frame the last picture stays up.
    if (end_reported_) break;
    end_reported_ = true;
    return AnimationEnded();
  }
  return false;
}

bool TVeskCustomImages::Playing() const {
  if (Paused || AniPaused) return false;
  if (const TVeskMotionLink* motion = ShownMotion()) return !motion->Ended();
  const TVeskImageList* list = ShownList();
  if (!list || !list->Valid(FrameIndex)) return false;
  return Repeats() || FrameIndex != list->Count() - 1 || Remaining >= 1;
}

int32_t TVeskCustomImages::GetInt(int id) const {
  switch (id) {
    case PR_INDEX:
      if (const TVeskMotionLink* motion = ShownMotion())
        return static_cast<int32_t>(std::lround(motion->PositionMs() / kMotionFrameMs));
      return FrameIndex;
    case PR_COUNT: {
      if (const TVeskMotionLink* motion = ShownMotion()) return motion->FrameCount();
      const TVeskImageList* list = ShownList();
      return list ? list->Count() : 0;
    }
    case PR_BRIGHTNESS:
      return Brightness;
    default:
      return TVeskCustomImage::GetInt(id);
  }
}

void TVeskCustomImages::SetInt(int id, int32_t value) {
  switch (id) {
    case PR_INDEX:
      SetFrameIndex(value);
      return;
    case PR_BRIGHTNESS:
      value = std::clamp(value, -255, 255);
      if (value == Brightness) return;
      Brightness = value;
      if (TVeskImageList* list = ShownList(); list && list->Valid(FrameIndex))
        list->Data(FrameIndex).Surface(value);
      InvalidateImage();
      return;
    default:
      TVeskCustomImage::SetInt(id, value);
  }
}

bool TVeskCustomImages::GetFlag(int id) const {
  switch (id) {
    case PR_PAUSED:
      return Paused != 0;
    case PR_PLAYING:
      return Playing();
    default:
      return TVeskCustomImage::GetFlag(id);
  }
}

void TVeskCustomImages::SetFlag(int id, bool value) {
  if (id != PR_PAUSED) return TVeskCustomImage::SetFlag(id, value);
  Paused = value ? 1 : 0;
  if (value) Remaining = 0;
}

bool TVeskCustomImages::Update(int32_t frame_ms) {
  TVeskCustomImage::Update(frame_ms);
  return StepFrames(frame_ms);
}

void TVeskCustomImages::ReleaseSurfaces() {
  if (TVeskImageList* list = ShownList()) list->ReleaseSurfaces();
}

void TVeskCustomImages::RestoreLoadedFrame() {
  SetFrameIndex(loaded_index_);
  Remaining = loaded_remaining_;
}

void TVeskCustomImages::TransferKindFields(RecordIO& io) {
  TVeskCustomImage::TransferKindFields(io);
  // A loaded frame waits until the frames exist (RestoreLoadedFrame).
  io.Via(&RecordIO::I32, Remaining, "frame time left", [&](int32_t v) { loaded_remaining_ = v; });
  io.Via(&RecordIO::I32, FrameIndex, "frame index", [&](int32_t v) { loaded_index_ = v; });
  io.I32In(Brightness, -255, 255, "brightness");
  io.Flag(Paused, "paused");
  EndWait.Transfer(io);
}

// ---- TVeskImages -------------------------------------------------------------------------

TVeskImages::TVeskImages(scene::TVeskBaseList* root, int list_count)
    : TVeskCustomImages(root),
      sources_(static_cast<size_t>(list_count)),
      motions_(static_cast<size_t>(list_count)) {
  for (int i = 0; i < list_count; ++i) lists_.push_back(std::make_unique<TVeskImageList>());
}

TVeskImages::~TVeskImages() = default;

int TVeskImages::GetCompoType() const {
  return LT_IMAGES;
}

TVeskImageList* TVeskImages::ShownList() {
  const int i = CurrentList();
  return i >= 0 && i < ListCount() ? lists_[static_cast<size_t>(i)].get() : nullptr;
}

TVeskMotionLink* TVeskImages::ShownMotion() const {
  const int i = CurrentList();
  return i >= 0 && i < ListCount() ? motions_[static_cast<size_t>(i)].get() : nullptr;
}

void TVeskImages::DropMotion(int i) {
  if (!motions_[static_cast<size_t>(i)]) return;
  motions_[static_cast<size_t>(i)].reset();
  if (i == CurrentList()) SetExternalSurface(nullptr, nullptr);
  MotionOffsetX = MotionOffsetY = 0;
  PriorityBias = 0;
}

void TVeskImages::SetListSource(int i, const std::string& name) {
  if (i < 0 || i >= ListCount() || name == sources_[static_cast<size_t>(i)]) return;
  sources_[static_cast<size_t>(i)] = name;
  const bool current = i == CurrentList();
  if (current) {
    InvalidateImage();
    if (!ShownMotion()) FrameIndex = -1;
  }
  lists_[static_cast<size_t>(i)]->Clear();
  DropMotion(i);
  if (IsLayeredFile(name)) {
    lists_[static_cast<size_t>(i)]->Load(pictures(), this, name, false);
  } else if (IsMotionFile(name)) {
    // Without a motion maker (or for a file the game lacks) the source shows
    // nothing.
    const ComponentServices* made_with = services();
    if (made_with && made_with->make_motion)
      motions_[static_cast<size_t>(i)] = made_with->make_motion(*this, name);
  }
  if (!current) return;
  end_reported_ = false;
  if (lists_[static_cast<size_t>(i)]->Count() > 0 && !ShownMotion()) SetFrameIndex(0);
  MarkSizeDirty();
  RecomputeSize();
  InvalidateImage();
}

bool TVeskImages::GetFlag(int id) const {
  switch (id) {
    case PR_REPEAT:
      return Repeats();
    case PR_AUTOSCRAP:
      return AutoScrap != 0;
    default:
      return TVeskCustomImages::GetFlag(id);
  }
}

void TVeskImages::SetFlag(int id, bool value) {
  switch (id) {
    case PR_REPEAT:
      Repeat = value ? 1 : 0;
      end_reported_ = false;
      if (TVeskMotionLink* motion = ShownMotion(); value && motion && motion->Ended())
        motion->Restart();
      return;
    case PR_AUTOSCRAP:
      AutoScrap = value ? 1 : 0;
      return;
    default:
      TVeskCustomImages::SetFlag(id, value);
  }
}

std::string TVeskImages::GetStr(int id) const {
  switch (id) {
    case PR_SOURCE:
      return sources_[0];
    case PR_ONPLAYEND:
      return OnPlayEnd;
    case PR_ONIDLE:
      return OnIdle;
    default:
      return TVeskCustomImages::GetStr(id);
  }
}

void TVeskImages::SetStr(int id, const std::string& value) {
  switch (id) {
    case PR_SOURCE:
      SetListSource(0, value);
      return;
    case PR_ONPLAYEND:
      OnPlayEnd = value;
      return;
    case PR_ONIDLE:
      OnIdle = value;
      return;
    default:
      TVeskCustomImages::SetStr(id, value);
  }
}

bool TVeskImages::AnimationEnded() {
  if (AutoScrap) return true;
  QueueEvent(PR_ONPLAYEND, OnPlayEnd);
  return false;
}

bool TVeskImages::Update(int32_t frame_ms) {
  TVeskCustomImage::Update(frame_ms);
  if (TVeskMotionLink* motion = ShownMotion()) return motion->Step(frame_ms) && AnimationEnded();
  return StepFrames(frame_ms);
}

void TVeskImages::ReleaseSurfaces() {
  for (auto& list : lists_) list->ReleaseSurfaces();
}

void TVeskImages::TransferImagesFields(RecordIO& io) {
  TVeskCustomImages::TransferKindFields(io);
  io.Flag(Repeat, "repeat");
  io.Flag(AutoScrap, "auto scrap");
  io.Via(&RecordIO::Str, sources_[0], "images source",
         [&](const std::string& s) { SetListSource(0, s); });
  io.Str(OnPlayEnd, "play-end handler");
  if (io.Since(104)) io.Str(OnIdle, "idle handler");
}

void TVeskImages::TransferKindFields(RecordIO& io) {
  TransferImagesFields(io);
  if (io.loading()) RestoreLoadedFrame();
}

// ---- TVeskPrevImages -----------------------------------------------------------------------

bool TVeskPrevImages::Update(int32_t frame_ms) {
  if (TVeskImages::Update(frame_ms)) return true;
  bool finished = false;
  if (!Repeats()) {
    if (const TVeskMotionLink* motion = ShownMotion()) {
      finished = motion->Ended();
    } else if (const TVeskImageList* list = ShownList()) {
      finished = list->Count() > 0 && FrameIndex == list->Count() - 1 && Remaining < 1;
    }
  }
  if (!finished) {
    finish_reported_ = false;
  } else if (!finish_reported_) {
    finish_reported_ = true;
    if (OnAnimationFinished) OnAnimationFinished(*this);
  }
  return false;
}

}  // namespace vesk::components
