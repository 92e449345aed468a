#include "components/cinema.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "anim/film_file.h"
#include "anim/film_math.h"
#include "components/orlo_collection.h"

namespace vesk::components {

using namespace vesk::lang;

namespace {

Rect Shifted(const Rect& r, int32_t dx, int32_t dy) {
  return {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

}  // namespace

TVeskCinema::TVeskCinema(scene::TVeskBaseList* root) : TVeskControl(root), sounds_(root, this) {
  scene::SceneEnvironment env;
  if (root) {
    env.kinds = root->env().kinds;
    env.wipes = root->env().wipes;
  }
  env.make_surface = [this](int32_t width, int32_t height) {
    return std::make_unique<graphics::TDIBX>(width, height, bit_count_);
  };
  stage_ = std::make_unique<scene::TVeskBaseList>(std::move(env));
}

TVeskCinema::~TVeskCinema() {
  film_.reset();  // its objects go while the ports and the stage still stand
}

// ---- Properties ---------------------------------------------------------------------

int32_t TVeskCinema::GetInt(int id) const {
  switch (id) {
    case PR_INDEX:
      return film_ ? film_->CurrentFrame() : 0;
    case PR_COUNT:
      return film_ ? film_->FrameCount() : 0;
    case PR_VOLUME:
      return Volume;
    default:
      return TVeskControl::GetInt(id);
  }
}

void TVeskCinema::SetInt(int id, int32_t value) {
  switch (id) {
    case PR_INDEX:
      Position_ms = static_cast<int32_t>(
          std::clamp(value * anim::kFrame_ms, double{INT32_MIN}, double{INT32_MAX}));
      Ended = 0;
      HoldFrames = 2;
      return;
    case PR_VOLUME:
      Volume = std::max(0, value);
      if (film_) film_->Volume = Volume;
      return;
    case PR_WIDTH:
    case PR_HEIGHT:
      TVeskControl::SetInt(id, value);
      if (OnStage() && (stage_->SceneWidth() != Width || stage_->SceneHeight() != Height))
        stage_->SetSceneSize(Width, Height);
      return;
    default:
      TVeskControl::SetInt(id, value);
  }
}

bool TVeskCinema::GetFlag(int id) const {
  switch (id) {
    case PR_REPEAT:
      return Repeat != 0;
    case PR_PAUSED:
      return Paused != 0;
    case PR_AUTOSCRAP:
      return AutoScrap != 0;
    case PR_REWINDONLOAD:
      return RewindOnLoad != 0;
    case PR_MUTEONLOAD:
      return MuteOnLoad != 0;
    case PR_PLAYING:
      return film_ && film_->CurrentFrame() < film_->FrameCount() - 1 && !Paused && !AniPaused;
    default:
      return TVeskControl::GetFlag(id);
  }
}

void TVeskCinema::SetFlag(int id, bool value) {
  const uint8_t flag = value ? 1 : 0;
  switch (id) {
    case PR_REPEAT:
      if (flag == Repeat) return;
      Repeat = flag;
      if (flag) Ended = 0;
      return;
    case PR_PAUSED:
      if (flag == Paused) return;
      Paused = flag;
      return SetPausedFlags();
    case PR_ANIPAUSED:
      if (flag == AniPaused) return;
      TVeskControl::SetFlag(id, value);
      return SetPausedFlags();
    case PR_AUTOSCRAP:
      AutoScrap = flag;
      return;
    case PR_REWINDONLOAD:
      RewindOnLoad = flag;
      return;
    case PR_MUTEONLOAD:
      return;  // read-only for scripts
    default:
      TVeskControl::SetFlag(id, value);
  }
}

void TVeskCinema::SetPausedFlags() {
  if (film_) film_->SetPaused(Paused || AniPaused);
}

std::string TVeskCinema::GetStr(int id) const {
  switch (id) {
    case PR_SOURCE:
      return Source;
    case PR_ONPLAYEND:
      return OnPlayEnd;
    case PR_ONIDLE:
      return OnIdle;
    default:
      return TVeskControl::GetStr(id);
  }
}

void TVeskCinema::SetStr(int id, const std::string& value) {
  switch (id) {
    case PR_SOURCE:
      return SetSource(value);
    case PR_ONPLAYEND:
      OnPlayEnd = value;
      return;
    case PR_ONIDLE:
      OnIdle = value;
      return;
    default:
      TVeskControl::SetStr(id, value);
  }
}

// ---- Source -------------------------------------------------------------------------

void TVeskCinema::SetSource(const std::string& name) {
  Invalidate();
  if (name == Source) return;
  Source = name;
  film_.reset();
  ports_.reset();
  pictures_.reset();
  LoadFilm(name);
  stage_->UpdatePass(0);
  Invalidate();
  Position_ms = 0;
  Ended = 0;
  HoldFrames = 2;
}

void TVeskCinema::LoadFilm(const std::string& name) {
  const std::optional<std::vector<uint8_t>> bytes = ReadGameFile(services(), name);
  if (!bytes) return;
  if (TOrloCollection* cache = ServiceUser::pictures()) bit_count_ = cache->BitCount();
  pictures_ = std::make_unique<CachePictures>(ServiceUser::pictures());
  auto film = std::make_unique<anim::TFilmManager>();
  film->Volume = Volume;
  try {
    film->LoadFromBytes(*bytes, name, pictures_.get());
  } catch (const anim::EFilmFile&) {
    return;  // a damaged film leaves the cinema without one, as a missing file does
  }
  on_stage_ = film->BackColor() >= 0 || film->NeedsStage();
  if (on_stage_) {
    ports_ = std::make_unique<SceneFilmStage>(*stage_, nullptr, services());
    film->Place(anim::FilmPlacement::kStage, ports_.get(), &sounds_);
  } else {
    ports_ = std::make_unique<SceneFilmStage>(*Root, this, services());
    film->Place(anim::FilmPlacement::kDirect, ports_.get(), &sounds_);
  }
  film_ = std::move(film);
  film_->Start();
  const anim::FilmPoint size =
      on_stage_ ? anim::FilmPoint{stage_->SceneWidth(), stage_->SceneHeight()} : film_->Size();
  TVeskControl::SetInt(PR_WIDTH, size.x);
  TVeskControl::SetInt(PR_HEIGHT, size.y);
  SetPausedFlags();
}

// ---- Update and drawing -------------------------------------------------------------

bool TVeskCinema::Update(int32_t frame_ms) {
  if (!film_) return false;
  film_->SetRunning(!AniPaused && !Paused);
  if (Paused) return false;
  if (!Ended && !AniPaused && HoldFrames < 1)
    Position_ms =
        static_cast<int32_t>(std::min<int64_t>(int64_t{Position_ms} + frame_ms, INT32_MAX));
  int32_t frame = anim::FrameOfElapsed(Position_ms);
  const int32_t count = film_->FrameCount();
  bool finished = false;
  if (frame >= count) {
    // The end is told once, when the film first reaches it.
    if (!Repeat && !Ended) {
      Ended = 1;
      if (AutoScrap)
        finished = true;
      else
        QueueEvent(PR_ONPLAYEND, OnPlayEnd);
    }
    if (Repeat) {
      frame = static_cast<int32_t>(
          std::min<int64_t>(int64_t{frame % std::max(count, 1)} + film_->LoopStart(), count - 1));
      Position_ms = static_cast<int32_t>(std::lround(frame * anim::kFrame_ms));
    } else {
      frame = count - 1;
    }
  }
  if (HoldFrames == 2 || frame != film_->CurrentFrame()) film_->SetFrame(frame);
  if (HoldFrames > 0) --HoldFrames;
  stage_->UpdatePass(frame_ms);
  if (on_stage_) PassStageDirt();
  return finished;
}

void TVeskCinema::PassStageDirt() {
  scene::TVeskBase& shown = *stage_->ShownBase();
  const Rect whole{0, 0, shown.Width, shown.Height};
  const int32_t left = GetSceneLeft(), top = GetSceneTop();
  Rect changed = stage_->TransitionRect();
  for (const Rect& r : shown.DirtyRects) {
    if (r.Contains(whole)) return Invalidate();
  }
  for (const Rect& r : shown.DirtyRects) InvalidateRect(Shifted(r, left, top));
  if (!changed.IsEmpty()) InvalidateRect(Shifted(changed, left, top));
  // A running transition changes the picture every frame.
  if (stage_->TransitionKind()) Invalidate();
}

graphics::TDIBX& TVeskCinema::StageScreen() {
  const int32_t width = stage_->SceneWidth(), height = stage_->SceneHeight();
  if (!stage_screen_ || stage_screen_->Width() != width || stage_screen_->Height() != height ||
      stage_screen_->BitCount() != bit_count_) {
    stage_screen_ = std::make_unique<graphics::TDIBX>(width, height, bit_count_);
    stage_->ShownBase()->InvalidateAll();
    stage_->SurfacesChanged();
  }
  return *stage_screen_;
}

void TVeskCinema::Draw(graphics::TCustomDIBX& surface, const Rect& clip) {
  if (film_ && on_stage_) {
    const int32_t left = GetSceneLeft(), top = GetSceneTop();
    graphics::TDIBX& screen = StageScreen();
    // The stage redraws what the scene redraws here, and only that.
    const Rect area = clip.Intersect(SceneRect());
    if (!area.IsEmpty()) {
      stage_->ShownBase()->AddDirtyRect(Shifted(area, -left, -top));
      stage_->DrawPass(&screen);
      const Rect source = Shifted(area, -left, -top);
      surface.Draw(area.left, area.top, screen, source, graphics::KeyMode::kIgnore,
                   graphics::Flip::kNone);
    }
    stage_->ClearDirtyRects();
    surface.SetClipRect(clip);
  }
  DrawChildren(surface, clip);
}

void TVeskCinema::RestoreSurfaces() {
  if (film_ && !Paused) film_->SetFrame(film_->CurrentFrame());
}

// ---- Stored form --------------------------------------------------------------------

void TVeskCinema::TransferKindFields(RecordIO& io) {
  io.Via(&RecordIO::Str, Source, "cinema source", [&](const std::string& s) { SetSource(s); });
  io.U8(Repeat, "cinema repeat");
  io.U8(Paused, "cinema paused");
  io.U8(AutoScrap, "cinema auto scrap");
  io.Str(OnPlayEnd, "cinema play-end handler");
  if (io.Since(104)) io.Str(OnIdle, "cinema idle handler");
  if (io.Since(117)) {
    int32_t frame = film_ ? film_->CurrentFrame() : 0;
    io.I32(frame, "cinema frame");
    io.U8(RewindOnLoad, "cinema rewind on load");
    if (io.loading() && frame > 0 && !RewindOnLoad) SetInt(PR_INDEX, frame);
  }
  if (io.Since(129)) {
    io.I32(Volume, "cinema volume");
    io.U8(MuteOnLoad, "cinema mute on load");
  } else if (io.loading()) {
    MuteOnLoad = 0;
  }
  if (!io.loading()) return;
  if (MuteOnLoad) Volume = 0;
  SetInt(PR_VOLUME, Volume);
  SetPausedFlags();
}

}  // namespace vesk::components
