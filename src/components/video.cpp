#include "components/video.h"

#include <algorithm>

#include "scene/baselist.h"

namespace vesk::components {

using namespace vesk::lang;

namespace {

int32_t ZoomedSize(int32_t size, int32_t zoom) {
  return static_cast<int32_t>(int64_t{size} * zoom / 256);
}

// Pixels of B, G, R, X into 32-bit 0x00RRGGBB, 5-6-5 or 5-5-5 words.
void CopyRow(const uint8_t* from, uint8_t* to, int width_px, int bit_count) {
  for (int x = 0; x < width_px; ++x, from += 4) {
    const uint32_t b = from[0], g = from[1], r = from[2];
    if (bit_count == 32) {
      const uint32_t v = r << 16 | g << 8 | b;
      std::copy_n(reinterpret_cast<const uint8_t*>(&v), 4, to + x * 4);
      continue;
    }
    const uint16_t v = bit_count == 16
                           ? static_cast<uint16_t>((r >> 3) << 11 | (g >> 2) << 5 | b >> 3)
                           : static_cast<uint16_t>((r >> 3) << 10 | (g >> 3) << 5 | b >> 3);
    std::copy_n(reinterpret_cast<const uint8_t*>(&v), 2, to + x * 2);
  }
}

}  // namespace

void CopyBgrxPicture(const uint8_t* pixels, int stride_bytes, int width_px, int height_px,
                     graphics::TCustomDIBX& target) {
  if (!pixels) return;
  const int w = std::min(width_px, target.Width()), h = std::min(height_px, target.Height());
  if (w <= 0 || h <= 0) return;
  const int bits = target.BitCount();
  graphics::PixelView view = target.View();
  const bool direct = !view.empty() && (bits == 32 || bits == 16 || bits == 15);
  for (int y = 0; y < h; ++y) {
    const uint8_t* row = pixels + static_cast<ptrdiff_t>(y) * stride_bytes;
    if (direct) {
      CopyRow(row, view.Row(y), w, bits);
      continue;
    }
    for (int x = 0; x < w; ++x) {
      const uint8_t* p = row + x * 4;
      const int32_t color = p[0] << 16 | p[1] << 8 | p[2];  // 0x00BBGGRR
      target.SetPixel(x, y, static_cast<uint32_t>(target.ColorToPixel(color)));
    }
  }
}

TVeskVideo::~TVeskVideo() {
  ReleaseItem();
  SetExternalSurface(nullptr, nullptr);
  FrameSurface.reset();
}

// ---- Properties -----------------------------------------------------------

int32_t TVeskVideo::GetInt(int id) const {
  if (const std::optional<int32_t> value = PlaybackInt(id)) return *value;
  return TVeskCustomImage::GetInt(id);
}

void TVeskVideo::SetInt(int id, int32_t value) {
  switch (id) {
    case PR_INDEX:
      StartPosition = value;
      if (Item) Item->SetPosition(value);
      return;
    case PR_VOLUME:
      // A fade-in under way rises to the new volume.
      if (ChangeVolume(value) && Fade && !Fade->FadesOut())
        Fade->TargetVolume = ScaledVolume(Item, Volume);
      return;
    case PR_ZOOMX:
    case PR_ZOOMY: {
      if (value == (id == PR_ZOOMX ? ZoomX : ZoomY)) return;
      TVeskCustomImage::SetInt(id, value);  // invalidates, stores at least 1
      SizeToSource();
      if (Overlay)
        PlaceOverlay();
      else
        InvalidateImage();
      return;
    }
    case PR_CLIPLEFT:
    case PR_CLIPTOP:
    case PR_CLIPWIDTH:
    case PR_CLIPHEIGHT:
      TVeskCustomImage::SetInt(id, value);
      PlaceIfMoved(true);
      return;
    default:
      if (!SetPlaybackInt(id, value)) TVeskCustomImage::SetInt(id, value);
  }
}

bool TVeskVideo::GetFlag(int id) const {
  switch (id) {
    case PR_ANIPAUSED:
      return AniPaused;
    case PR_PLAYING: {
      const int32_t position_ms = Item ? Item->GetPosition() : 0;
      const int32_t length_ms = Item ? Item->GetLength() : 0;
      return !Halted() && (Repeat || position_ms < length_ms - 1);
    }
    case PR_OVERLAY:
      return Overlay;
    default:
      if (const std::optional<bool> value = PlaybackFlag(id)) return *value;
      return TVeskCustomImage::GetFlag(id);
  }
}

void TVeskVideo::SetFlag(int id, bool value) {
  const uint8_t v = value ? 1 : 0;
  switch (id) {
    case PR_PAUSED:
    case PR_ANIPAUSED: {
      uint8_t& flag = id == PR_PAUSED ? Paused : AniPaused;
      if (flag == v) return;
      const bool was_halted = Halted();
      flag = v;
      PauseChanged(was_halted);
      return;
    }
    case PR_OVERLAY: {
      if (v == Overlay) return;
      Overlay = v;
      if (!Item) return;
      // Reopened in the other mode at the same place.
      const int32_t position_ms = Item->GetPosition();
      SetPlayMode(LP_STOP);
      StartPosition = position_ms;
      SetPlayMode(LP_PLAY);
      return;
    }
    default:
      // PR_VISIBLE comes through SetVisible.
      if (!SetPlaybackFlag(id, value)) TVeskCustomImage::SetFlag(id, value);
  }
}

void TVeskVideo::SetVisible(bool visible) {
  const bool before = Visible != 0;
  TVeskCustomImage::SetVisible(visible);
  PlaceIfMoved((Visible != 0) != before);
}

std::string TVeskVideo::GetStr(int id) const {
  if (id == PR_ONIDLE) return OnIdle;
  if (std::optional<std::string> value = PlaybackStr(id)) return std::move(*value);
  return TVeskCustomImage::GetStr(id);
}

void TVeskVideo::SetStr(int id, const std::string& value) {
  if (id == PR_ONIDLE)
    OnIdle = value;
  else if (!SetPlaybackStr(id, value))
    TVeskCustomImage::SetStr(id, value);
}

void TVeskVideo::ChangeSource(const std::string& source) {
  SetExternalSurface(nullptr, nullptr);
  ReleaseItem();
  FrameSurface.reset();
  has_picture_ = false;
  Source = source;
  PlayMode = LP_STOP;
}

// ---- Playing --------------------------------------------------------------

media::TMediaManager* TVeskVideo::PlaybackManager() const {
  const ComponentServices* s = services();
  return s && s->media ? s->media->video : nullptr;
}

uint32_t TVeskVideo::SystemMs() const {
  const ComponentServices* s = services();
  return s && s->system_clock_ms ? s->system_clock_ms() : static_cast<uint32_t>(NowMs());
}

void TVeskVideo::MakeFrameSurface() {
  if (!Item) return;
  const ComponentServices* s = services();
  const int bits = s && s->screen_bit_count ? s->screen_bit_count() : 15;
  has_picture_ = false;
  try {
    FrameSurface = std::make_unique<graphics::TDIBX>(std::max(1, Video()->SourceWidth()),
                                                     std::max(1, Video()->SourceHeight()), bits);
  } catch (const graphics::EGraphicsError&) {
    FrameSurface.reset();  // a size no surface takes: the video shows nothing
    SetExternalSurface(nullptr, nullptr);
    return;
  }
  SetExternalSurface(FrameSurface.get(), nullptr);
}

void TVeskVideo::SizeToSource() {
  const int32_t sw = Item ? Video()->SourceWidth() : 0, sh = Item ? Video()->SourceHeight() : 0;
  // Straight to the control (an explicit size would stretch the picture);
  // a size the script gave (zoom 0) stays.
  if (ZoomX > 0) TVeskControl::SetInt(PR_WIDTH, ZoomedSize(sw, ZoomX));
  if (ZoomY > 0) TVeskControl::SetInt(PR_HEIGHT, ZoomedSize(sh, ZoomY));
}

void TVeskVideo::CloseItem() {
  InvalidateImage();
  ReleaseItem();
  SetExternalSurface(nullptr, nullptr);
  FrameSurface.reset();
  has_picture_ = false;
  StartPosition = 0;
}

void TVeskVideo::SetPlayMode(int mode) {
  mode = EnterPlayMode(mode);
  if (mode == LP_PLAY || mode == LP_PLAYFADE) {
    media::TMediaManager* manager = PlaybackManager();
    if (Item || !manager || !HoldsSource()) return;
    media::TDMediaItem* item = manager->Add(Source, OpensOverlay());
    if (!dynamic_cast<media::TVideoItem*>(item)) {
      if (item) manager->Remove(item);
      return;
    }
    Item = item;
    Item->SetLoop(Repeat);
    if (Overlay && IsShown()) PlaceOverlay();
    MakeFrameSurface();
    SizeToSource();
    InvalidateImage();
    Item->SetPan(Balance);
  }
  switch (mode) {
    case LP_STOP:
      if (Item) CloseItem();
      return;
    case LP_PLAY:
      Item->SetVolume(ScaledVolume(Item, Volume));
      Item->Play();
      if (Halted()) Item->Pause();
      if (StartPosition >= 1) Item->SetPosition(StartPosition);
      return;
    case LP_PLAYFADE:
      if (!Halted()) StartFadeIn();
      return;
    default:  // LP_STOPFADE
      // The fade keeps the item to the end and gives it back then.
      if (!FadeOutItem(true) && Root) Root->ScheduleDelete(this);
  }
}

void TVeskVideo::Replay() {
  StartPosition = 0;
  Paused = 0;
  SetPlayMode(LP_PLAYFADE);
  if (Item && !RewindForReplay() && Item->IsPaused()) Item->Play();
}

void TVeskVideo::PauseChanged(bool was_halted) {
  if (!Item || Halted() == was_halted) return;
  if (Halted())
    Item->Pause();
  else if (PlayMode == LP_PLAYFADE)
    StartFadeIn();
  else
    Item->Play();
}

void TVeskVideo::CabinetAttached() {
  if (Item && !Halted() && (PlayMode == LP_PLAY || PlayMode == LP_PLAYFADE)) Item->Pause();
}

void TVeskVideo::CabinetDetached() {
  if (Item && !Halted() && (PlayMode == LP_PLAY || PlayMode == LP_PLAYFADE)) Item->Play();
}

// ---- Overlay --------------------------------------------------------------

// The overlay follows the video wherever it or an ancestor moves.
void TVeskVideo::Moved() {
  TVeskCustomImage::Moved();
  PlaceIfMoved(true);
}

void TVeskVideo::ClipChanged() {
  TVeskCustomImage::ClipChanged();
  PlaceIfMoved(true);
}

void TVeskVideo::PlaceIfMoved(bool changed) {
  if (changed && Overlay && Item) PlaceOverlay();
}

Rect TVeskVideo::ParentVisibleArea() const {
  if (!Parent) return Rect{};
  Rect area = Parent->GetHitRect();
  for (const TVeskControl* c = Parent; c; c = c->Parent) {
    area = area.Intersect(c->GetHitRect());
    if (c->Clips()) area = area.Intersect(c->ClipRect());
  }
  return area;
}

void TVeskVideo::PlaceOverlay() {
  if (!Overlay || !Item) return;
  const int32_t sw = Video()->SourceWidth(), sh = Video()->SourceHeight();
  const int32_t zx = std::max(1, EffectiveZoomX()), zy = std::max(1, EffectiveZoomY());
  const int32_t left = GetSceneLeft(), top = GetSceneTop();
  const Rect dest{left, top, left + ZoomedSize(sw, zx), top + ZoomedSize(sh, zy)};
  Rect visible = dest.Intersect(ParentVisibleArea());
  if (Clips()) visible = visible.Intersect(ClipRect());
  bool shown = false;
  if (!visible.IsEmpty()) {
    const media::TVideoItem::Rect source{
        static_cast<int32_t>(int64_t{visible.left - dest.left} * 256 / zx),
        static_cast<int32_t>(int64_t{visible.top - dest.top} * 256 / zy),
        static_cast<int32_t>(sw - int64_t{dest.right - visible.right} * 256 / zx),
        static_cast<int32_t>(sh - int64_t{dest.bottom - visible.bottom} * 256 / zy)};
    if (source.right > source.left && source.bottom > source.top && IsShown()) {
      const ComponentServices* s = services();
      const int64_t scale = s && s->display_scale_percent ? s->display_scale_percent() : 100;
      auto scaled = [scale](int32_t v) { return static_cast<int32_t>(v * scale / 100); };
      Video()->SetRect(source, {scaled(visible.left), scaled(visible.top), scaled(visible.right),
                                scaled(visible.bottom)});
      shown = true;
    }
  }
  Video()->SetVisible(shown);
}

// ---- Frames ---------------------------------------------------------------

bool TVeskVideo::Update(int32_t frame_ms) {
  AdvanceClock(frame_ms);
  TVeskCustomImage::Update(frame_ms);
  if (Item) {
    if (Overlay && IsShown() != Video()->GetVisible()) PlaceOverlay();
    const uint32_t now_ms = SystemMs();
    if (now_ms - LastRefresh > 32) {
      LastRefresh = now_ms;
      if (Video()->NeedPaint()) InvalidateImage();
    }
    if (Item->PollEnded() && !Repeat) {
      Item->ClearEnded(0);
      if (AutoScrap) {
        if (Root) Root->ScheduleDelete(this);
      } else if (!OnPlayEnd.empty()) {
        QueueEvent(PR_ONPLAYEND, OnPlayEnd);
      }
    }
  }
  if (!FadeOver()) return false;
  if (Fade->FadesOut()) {
    InvalidateImage();
    return true;  // the fade goes with the video and gives its item back
  }
  Fade.reset();
  return false;
}

void TVeskVideo::Draw(graphics::TCustomDIBX& surface, const Rect& clip) {
  if (Item && FrameSurface && Video()->NeedPaint()) {
    int stride = 0;
    const uint8_t* pixels = Video()->GetDC(&stride);
    if (pixels) {
      CopyBgrxPicture(pixels, stride, Video()->SourceWidth(), Video()->SourceHeight(),
                      *FrameSurface);
      has_picture_ = true;
    }
  }
  // The last picture stays up between new ones.
  if (FrameSurface && has_picture_) DrawPicture(surface);
  DrawChildren(surface, clip);
}

void TVeskVideo::ReleaseSurfaces() {
  SetExternalSurface(nullptr, nullptr);
  FrameSurface.reset();
  has_picture_ = false;
}

void TVeskVideo::RestoreSurfaces() {
  if (Item) MakeFrameSurface();
}

// ---- Stored form ----------------------------------------------------------

void TVeskVideo::TransferKindFields(RecordIO& io) {
  static const StoredLabels kLabels("video");
  TVeskCustomImage::TransferKindFields(io);
  StoredPlayback stored = StoredNow();
  TransferHead(io, stored, kLabels);
  TransferBody(io, stored, kLabels);
  io.Str(OnIdle, "video idle handler");
  if (io.loading()) MuteOnLoad = 0;
  if (io.version() > 107) io.Flag(RewindOnLoad, "video rewind on load");
  if (io.version() >= 112) io.Flag(Overlay, "video overlay");
  if (io.version() > 128) io.Flag(MuteOnLoad, "video mute on load");
  if (!io.loading()) return;
  ReopenLoaded(stored);
  ResumeLoaded(stored);
  SetPlayMode(stored.mode);
}

}  // namespace vesk::components
