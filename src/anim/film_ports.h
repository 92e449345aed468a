#pragma once
// What a playing film reaches outside the anim folder: the scene objects its
// lists animate (FilmStage), the layered pictures of image and tile lists
// (FilmPictures) and the sounds of sound lists (FilmSounds). The player only
// ever names an object by a slot, the position of the list that owns it; in
// motion placement every write goes to the one driven control instead
// (kControlSlot). The owners implement these over their scene root.
#include <cstdint>
#include <string>
#include <vector>

#include "anim/film_data.h"

namespace vesk::graphics {
class TCustomDIBX;
}

namespace vesk::anim {

// The slot of the driven control in motion placement.
inline constexpr int32_t kControlSlot = -1;
// The parent of direct placement: the owning cinema instead of a base.
inline constexpr int32_t kCinemaParent = -1;

// The kinds of object a list creates.
enum class FilmObjectKind : uint8_t { kImage, kLabel, kBox, kTile, kParticle, kFire };

// The settings a list hands to its object, each one scene property (or, for
// the last three, the motion fields of a control). Flags take 0 or 1.
enum class FilmProp : uint8_t {
  kLeft,
  kTop,
  kWidth,
  kHeight,
  kOffsetX,
  kOffsetY,
  kZoomX,
  kZoomY,
  kAngle,
  kAlpha,
  kPriority,
  kFlipH,
  kFlipV,
  kClipLeft,
  kClipTop,
  kClipWidth,
  kClipHeight,
  kDistanceX,
  kDistanceY,
  kScrollX,
  kScrollY,
  kColor,
  kBorderWidth,
  kBorderColor,
  kFontName,
  kFontHeight,
  kLineSpace,
  kFontColor,
  kFontStyle,
  kAntialias,
  kHAlign,
  kText,
  kSource,
  kPartMotion,
  kIndex,
  kParam1,
  kParam2,
  kParam3,
  kOrigWidth,
  kOrigHeight,
  kPower,
  kVolume,
  kBalance,
  kRepeat,
  kPaused,
  kCount,
  kMotionOffsetX,
  kMotionOffsetY,
  kPriorityBias,
};

// One frame of a list's picture as the picture cache holds it.
struct FilmPictureFrame {
  const graphics::TCustomDIBX* surface = nullptr;
  const graphics::TCustomDIBX* mask = nullptr;
  int32_t color_key = -1;  // 0x00BBGGRR, -1 none
  int32_t width = 0, height = 0;
  int32_t delay_ms = 1;
  FilmPoint offset;
};

// A particle emitter's spawning area, as a particle list fills it.
struct ParticlePreset {
  int32_t x_base = 0, y_base = 0, x_range = 0, y_range = 0;
  int32_t interval_base = 0, interval_range = 0;
  bool operator==(const ParticlePreset&) const = default;
};

// A wipe list's request to the stage's root. Times are film frames.
struct FilmTransition {
  int32_t shown_base = 0;
  uint8_t type = 0;  // 0: show the base at once
  bool reverse = false;
  bool reset = false;  // a new transition (else only its time moves)
  int32_t elapsed_frames = 0;
  int32_t duration_frames = 0;
  int32_t param0 = 0, param1 = 0;
  std::string rule_image;  // resolved against the film's folder
};

class FilmStage {
 public:
  virtual ~FilmStage() = default;
  // Creates the object of `slot` when it has none (or it was deleted
  // behind the film's back), as a child of base `base` (0, 1) or of the
  // cinema (kCinemaParent).
  virtual void Ensure(int32_t slot, FilmObjectKind kind, int32_t base) = 0;
  virtual bool Has(int32_t slot) const = 0;
  // Invalidates the object, takes its picture away and schedules its deletion.
  virtual void Drop(int32_t slot) = 0;
  virtual void SetParent(int32_t slot, int32_t base) = 0;
  virtual void SetInt(int32_t slot, FilmProp prop, int32_t value) = 0;
  virtual void SetStr(int32_t slot, FilmProp prop, const std::string& value) = 0;
  virtual void SetReal(int32_t slot, FilmProp prop, double value) = 0;
  // Shows `frame` (surface, mask, colour key) as the object's picture; with
  // `size_to_picture` an unzoomed axis first takes the picture's size.
  virtual void ShowPicture(int32_t slot, const FilmPictureFrame& frame, bool size_to_picture) = 0;
  virtual void SetBounds(int32_t slot, int32_t left, int32_t top, int32_t width,
                         int32_t height) = 0;
  virtual void SetPresetArea(int32_t slot, const ParticlePreset& preset) = 0;
  // Stage placement only: the root's transition, its shown base's order and
  // its size and background colour.
  virtual void StartTransition(const FilmTransition& transition) = 0;
  virtual void SortShownBase() = 0;
  virtual void SizeStage(int32_t width, int32_t height, int32_t back_color) = 0;
};

class FilmPictures {
 public:
  virtual ~FilmPictures() = default;
  // The frames of `file` for `owner` (a stand-in frame when it cannot be
  // had); they stay valid until Release(owner).
  virtual std::vector<FilmPictureFrame> Acquire(const void* owner, const std::string& file) = 0;
  virtual void Release(const void* owner) = 0;
};

// The sounds of sound lists, one per chain, named by slot. Without a sound
// system Create answers false and the lists play silently.
class FilmSounds {
 public:
  virtual ~FilmSounds() = default;
  virtual bool Create(int32_t slot, const std::string& source) = 0;
  virtual bool Has(int32_t slot) const = 0;
  virtual void Delete(int32_t slot) = 0;
  // kCount (length in ms), kIndex (position in ms), kPaused.
  virtual int32_t GetInt(int32_t slot, FilmProp prop) const = 0;
  // kVolume, kBalance, kRepeat, kPaused, kIndex.
  virtual void SetInt(int32_t slot, FilmProp prop, int32_t value) = 0;
  // Play mode: Play sets it to playing; Stopped reads whether it stopped.
  virtual void Play(int32_t slot) = 0;
  virtual bool Stopped(int32_t slot) const = 0;
  virtual void Replay(int32_t slot) = 0;
};

// The sound port of today: no sound system, so no sound is ever made.
class SilentFilmSounds final : public FilmSounds {
 public:
  bool Create(int32_t, const std::string&) override { return false; }
  bool Has(int32_t) const override { return false; }
  void Delete(int32_t) override {}
  int32_t GetInt(int32_t, FilmProp) const override { return 0; }
  void SetInt(int32_t, FilmProp, int32_t) override {}
  void Play(int32_t) override {}
  bool Stopped(int32_t) const override { return true; }
  void Replay(int32_t) override {}
};

}  // namespace vesk::anim
