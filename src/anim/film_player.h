#pragma once
// TFilmManager: a loaded film as it plays. It keeps the frame lists' runtime
// state (their pictures, frame elements, chain starts, objects and sounds)
// and, for a frame number, applies every list in file order through the
// ports of film_ports.h. The owner picks the placement: a cinema's private
// stage (objects on the stage's bases, wipes driving its transitions), the
// main scene with the cinema as parent (direct), or one existing control
// that receives every value (motion).
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "anim/film_data.h"
#include "anim/film_math.h"
#include "anim/film_ports.h"

namespace vesk::anim {

enum class FilmPlacement : uint8_t { kStage, kDirect, kMotion };

class TFilmManager {
 public:
  TFilmManager() = default;
  ~TFilmManager();
  TFilmManager(const TFilmManager&) = delete;
  TFilmManager& operator=(const TFilmManager&) = delete;

  // Takes the film read from the file `name` (whose folder resolves the
  // lists' names) and acquires the image and tile lists' pictures; lengths
  // of image lists without one follow their pictures. `pictures` may be null
  // (those lists then have no frames).
  void Load(FilmData film, std::string_view name, FilmPictures* pictures);
  // ReadFilm then Load; another magic leaves the player empty. Throws
  // EFilmFile for a damaged film.
  void LoadFromBytes(std::span<const uint8_t> bytes, std::string_view name, FilmPictures* pictures);
  // Where the objects go; the ports outlive the player (or Place again).
  // `sounds` may be null: sound lists then stay silent.
  void Place(FilmPlacement placement, FilmStage* stage, FilmSounds* sounds);

  int32_t Volume = 1000;     // 0..1000, scales every sound list
  int32_t BasePriority = 0;  // motion placement: the control's Priority at (re)start
  // Motion placement with Relative: the point positions are measured from;
  // DesignOrigin of the film unless the owner moves it.
  FilmPoint Origin;

  // Stage placement: sizes and colours the stage; every sound list makes
  // its sound (paused).
  void Start();
  // Applies every list for frame f; in stage placement the active wipe.
  void SetFrame(int32_t frame);
  void SetPaused(bool paused);
  void SetRunning(bool running);

  bool NeedsStage() const;
  // The first list starting at frame 0, or -1.
  int32_t FirstList() const;
  int32_t ListCount() const { return static_cast<int32_t>(film_.Lists.size()); }
  const FrameList* GetList(int32_t i) const;
  int32_t StartFrameOf(int32_t i) const;

  int32_t FrameCount() const { return frame_count_; }
  int32_t CurrentFrame() const { return current_frame_; }
  int32_t LoopStart() const { return film_.LoopStart; }
  FilmPoint Size() const { return film_.Size; }
  int32_t BackColor() const { return film_.BackColor; }
  bool Relative() const { return film_.Relative != 0; }
  FilmPoint DesignOrigin() const { return film_.DesignOrigin; }
  FilmFileKind FileKind() const { return film_.FileKind; }
  bool Running() const { return running_; }
  FilmPlacement Placement() const { return placement_; }
  // The wipe list active at the last SetFrame, or -1.
  int32_t LastWipe() const { return last_wipe_; }

  // Wipe parity (see the .cpp): the base a list starting at `start` uses.
  int32_t WipeParity(int32_t start) const;

 private:
  struct ListState {
    FrameList played;  // with the chain's start values
    std::vector<FrameElement> elements;
    std::vector<FilmPictureFrame> picture;
    int32_t start = 0;
    int32_t follower = -1;
    int32_t chain_first = 0;
    int32_t last_applied = 0;  // sound lists: the frame of the previous Apply
    bool sound_paused = false;
  };

  void Clear();
  void LoadPictures(FilmPictures* pictures);
  void ApplyList(int32_t i, int32_t frame);
  void ApplyImage(int32_t i, int32_t frame);
  void ApplyLabel(int32_t i, int32_t frame);
  void ApplyTile(int32_t i, int32_t frame);
  void ApplyBox(int32_t i, int32_t frame);
  void ApplyParticle(int32_t i, int32_t frame);
  void ApplyFire(int32_t i, int32_t frame);
  void ApplySound(int32_t i, int32_t frame);
  void ShowWipe(int32_t frame);
  bool EnsureSound(int32_t i);

  // Shared pieces of Apply.
  bool Active(int32_t i, int32_t frame) const;
  FrameStep StepOf(int32_t i, int32_t frame) const;
  FilmPoint Position(FilmPoint start, FilmPoint end, uint8_t ease_x, uint8_t ease_y,
                     FrameStep at) const;
  int32_t BaseOf(int32_t i) const;
  int32_t SlotOf(int32_t owner) const;
  bool Motion() const { return placement_ == FilmPlacement::kMotion; }
  void DropIfShown(int32_t slot);
  // Lists with an object of their own: false (and the object dropped) while
  // list i is not active at `frame`; otherwise its object exists.
  bool EnsureOwnObject(int32_t i, int32_t frame, FilmObjectKind kind);
  // The element of image or tile list i shown at `frame`; null when it has
  // no picture frame.
  const FrameElement* PictureElementAt(int32_t i, int32_t frame, FrameListKind kind) const;
  // Particle and fire chains: keeps the chain's object while the chain runs.
  void DropChainOutside(int32_t i, int32_t frame);
  void Set(int32_t slot, FilmProp prop, int32_t value) { stage_->SetInt(slot, prop, value); }
  void SetClip(int32_t slot, const FilmClip& clip);

  FilmData film_;
  std::string folder_;
  std::vector<ListState> lists_;
  FilmPictures* pictures_ = nullptr;
  FilmStage* stage_ = nullptr;
  FilmSounds* sounds_ = nullptr;
  FilmPlacement placement_ = FilmPlacement::kStage;
  int32_t frame_count_ = 0;
  int32_t current_frame_ = 0;
  int32_t last_wipe_ = -1;
  bool running_ = true;
  bool sounds_paused_ = false;
};

}  // namespace vesk::anim
