#pragma once
// The stored form of a film (a cinema ".lcm" or a motion ".lmt") as plain
// data: the header and the frame lists in file order, each list with the
// fields every kind shares and the fields of its kind, in stored order.
// Frame numbers are frames of 1/60 s as played: the reader has already
// doubled the 1/30 s counts of old files and converted old sound volumes.
// Names (Source, RuleImage) are kept as stored, relative to the film's
// folder; film_math.h resolves them, and derives the start frames of
// chained lists and the film's FrameCount. The reader and writer are in
// film_file.h; the player builds its objects from this data.
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace vesk::anim {

inline constexpr char kCinemaMagic[] = "VeskCinema";  // ".lcm"
inline constexpr char kMotionMagic[] = "VeskMotion";  // ".lmt"
inline constexpr size_t kFilmMagicBytes = 10;
// The version a writer produces and the newest one the reader knows.
inline constexpr int32_t kFilmVersion = 108;

// Which magic the file carried; recorded, not used in playback.
enum class FilmFileKind : uint8_t {
  kCinema = 0,
  kMotion = 1,
};

// The kind id: the low 7 bits of the byte before each list's record.
enum class FrameListKind : uint8_t {
  kImage = 0,     // TImageFrameList: a TVeskImage
  kLabel = 1,     // TLabelFrameList: a TVeskLabel
  kBox = 2,       // TBoxFrameList: a TVeskBox
  kWipe = 3,      // TWipeFrameList: a transition between the two bases
  kSound = 4,     // TSoundFrameList: a TVeskSound in the main scene root
  kTile = 5,      // TTileFrameList: a TVeskTile
  kParticle = 6,  // TParticleFrameList: a TVeskParticle
  kFire = 7,      // TFireFrameList: a TVeskFire
};
inline constexpr int kFrameListKindCount = 8;

// Easing bytes, the script's motion easing ids. Any value other than 0 and
// 1 eases like kDecelerate, so a stored easing byte is kept as it is.
inline constexpr uint8_t kEaseLinear = 0;      // MT_NORMAL
inline constexpr uint8_t kEaseAccelerate = 1;  // MT_INC
inline constexpr uint8_t kEaseDecelerate = 2;  // MT_DEC

// A point or a size in film pixels, stored as two int32.
struct FilmPoint {
  int32_t x = 0, y = 0;
  bool operator==(const FilmPoint&) const = default;
};

// The clip block (34 bytes): a clip rectangle moving from start to end. A
// width or height below 1 means no clipping.
struct ClipBlock {
  FilmPoint StartClipPos;
  FilmPoint StartClipSize;  // x = width, y = height
  FilmPoint EndClipPos;
  FilmPoint EndClipSize;
  uint8_t EaseClipX = kEaseLinear;
  uint8_t EaseClipY = kEaseLinear;
  bool operator==(const ClipBlock&) const = default;
};

// The part image, label and tile lists share, after the common part.
struct ImagePart {
  FilmPoint Anchor;  // the point of the object placed at the position
  FilmPoint StartPos;
  FilmPoint EndPos;
  uint8_t EaseX = kEaseLinear;
  uint8_t EaseY = kEaseLinear;
  int32_t StartAngle_deg = 0;
  int32_t EndAngle_deg = 0;
  double StartZoomX = 1.0;  // 1.0 = 100 %
  double EndZoomX = 1.0;
  uint8_t EaseZoomX = kEaseLinear;
  // 0 with 0 = opaque; 0 reads as 255; negative = additive at level -a.
  int32_t StartAlpha = 0;
  int32_t EndAlpha = 0;
  uint8_t EaseAngle = kEaseLinear;
  ClipBlock Clip;  // from version 101; a tile list uses its second block
  // From version 105; older files take the three zoom X values.
  double StartZoomY = 1.0;
  double EndZoomY = 1.0;
  uint8_t EaseZoomY = kEaseLinear;
  bool operator==(const ImagePart&) const = default;
};

// Kind 0.
struct ImageListData {
  ImagePart Image;
  std::string Source;  // a layered picture (".orl")
  bool operator==(const ImageListData&) const = default;
};

// Kind 1.
struct LabelListData {
  ImagePart Image;
  std::string Text;
  uint8_t Antialias = 0;
  std::string FontName;
  int32_t FontHeight = 0;
  int32_t LineSpace = 0;  // files before version 103 hold 4 ignored bytes here
  uint8_t FontStyle = 0;
  int32_t FontColor = 0;  // 0x00BBGGRR
  uint8_t HAlign = 0;     // from version 103
  bool operator==(const LabelListData&) const = default;
};

// Kind 2.
struct BoxListData {
  FilmPoint StartPos;
  FilmPoint EndPos;
  uint8_t EaseX = kEaseLinear;
  uint8_t EaseY = kEaseLinear;
  int32_t StartAlpha = 0;
  int32_t EndAlpha = 0;
  int32_t StartWidth = 0, StartHeight = 0;
  int32_t EndWidth = 0, EndHeight = 0;
  int32_t StartColor = 0, EndColor = 0;  // 0x00BBGGRR
  int32_t StartBorderWidth = 0, EndBorderWidth = 0;
  int32_t StartBorderColor = 0, EndBorderColor = 0;
  ClipBlock Clip;  // from version 101
  bool operator==(const BoxListData&) const = default;
};

// Kind 3: drives a transition of the player's scene root.
struct WipeListData {
  uint8_t WipeType = 0;  // a WP_ transition type; 0 = none
  // From version 101. RuleImage is used as stored when it begins with "\"
  // or its second character is ":", else the film's folder goes in front.
  std::string RuleImage;
  int32_t Param0 = 0;
  int32_t Param1 = 0;
  uint8_t Reverse = 0;
  bool operator==(const WipeListData&) const = default;
};

// Kind 4. Volumes on the script scale 0..1000 (files before version 108
// stored hundredths of a decibel; the reader converted them).
struct SoundListData {
  std::string Source;
  int32_t StartVolume = 1000, EndVolume = 1000;
  int32_t StartBalance = 0, EndBalance = 0;  // for PR_BALANCE
  uint8_t EaseVolume = kEaseLinear;
  uint8_t EaseBalance = kEaseLinear;
  bool operator==(const SoundListData&) const = default;
};

// Kind 5: the image list record, then the tile's own fields.
struct TileListData {
  ImagePart Image;  // Image.Clip is stored but replaced by Clip below (v >= 101)
  std::string Source;
  int32_t StartWidth = 0, StartHeight = 0;
  int32_t EndWidth = 0, EndHeight = 0;
  int32_t StartScrollX = 0, StartScrollY = 0;
  int32_t EndScrollX = 0, EndScrollY = 0;
  uint8_t EaseScrollX = kEaseLinear;
  uint8_t EaseScrollY = kEaseLinear;
  int32_t DistanceX = 0, DistanceY = 0;  // PR_DISTANCEX, PR_DISTANCEY
  ClipBlock Clip;                        // from version 101: the clip the tile uses
  bool operator==(const TileListData&) const = default;
};

// Kind 6. Every field after Source is stored also when Source is empty.
struct ParticleListData {
  std::string Source;      // the particle picture or a motion file
  uint8_t PartMotion = 0;  // a PM_ particle motion id
  int32_t WarmUp_ms = 0;   // given to the emitter as PR_INDEX
  int32_t StartIntervalBase = 0, EndIntervalBase = 0;
  int32_t StartIntervalRange = 0, EndIntervalRange = 0;
  int32_t StartXBase = 0, StartYBase = 0;
  int32_t EndXBase = 0, EndYBase = 0;
  int32_t StartXRange = 0, StartYRange = 0;
  int32_t EndXRange = 0, EndYRange = 0;
  uint8_t EaseXBase = kEaseLinear;
  uint8_t EaseYBase = kEaseLinear;
  double StartParam1 = 0, StartParam2 = 0, StartParam3 = 0;
  double EndParam1 = 0, EndParam2 = 0, EndParam3 = 0;
  FilmPoint StartPos;
  FilmPoint EndPos;
  uint8_t EaseX = kEaseLinear;
  uint8_t EaseY = kEaseLinear;
  int32_t StartWidth = 0, StartHeight = 0;
  int32_t EndWidth = 0, EndHeight = 0;
  ClipBlock Clip;  // in every version
  int32_t StartAlpha = 0;
  int32_t EndAlpha = 0;
  bool operator==(const ParticleListData&) const = default;
};

// Kind 7. Width and height interpolate directly, not by edges.
struct FireListData {
  FilmPoint StartPos;
  FilmPoint EndPos;
  uint8_t EaseX = kEaseLinear;
  uint8_t EaseY = kEaseLinear;
  int32_t StartWidth = 0, StartHeight = 0;
  int32_t EndWidth = 0, EndHeight = 0;
  ClipBlock Clip;  // in every version
  double StartZoomX = 1.0, StartZoomY = 1.0;
  double EndZoomX = 1.0, EndZoomY = 1.0;
  uint8_t EaseZoomX = kEaseLinear;
  uint8_t EaseZoomY = kEaseLinear;
  int32_t Power = 0;  // PR_POWER
  bool operator==(const FireListData&) const = default;
};

// The alternatives stand in kind order: the index of the held one is the
// kind id (see Kind()).
using FrameListData = std::variant<ImageListData, LabelListData, BoxListData, WipeListData,
                                   SoundListData, TileListData, ParticleListData, FireListData>;

// One frame list (TCustomFrameList): the common part, then its kind's record.
struct FrameList {
  // The list this one continues, as a position among the film's lists; -1
  // when none (the reader maps every stored index outside the lists to -1).
  int32_t Parent = -1;
  int32_t Length = 0;     // frames the list is active
  uint32_t Reserved = 0;  // stored, not used in playback
  int32_t OwnStart = 0;   // first active frame when the list has no parent
  int32_t Cycle = 0;      // frames of one pass; image and tile lists recompute it
  int32_t Priority = 0;   // z-order given to the object
  uint8_t FlipH = 0;
  uint8_t FlipV = 0;
  uint8_t BackBase = 0;  // stage placement: the object goes on the other base
  FrameListData Data;

  FrameListKind Kind() const { return static_cast<FrameListKind>(Data.index()); }
  bool operator==(const FrameList&) const = default;
};

// A whole film as stored. What a player adds while playing (the current
// frame, the last wipe, running and paused flags, the volume, the
// placement, the scene root) is the player's state, not part of the file.
struct FilmData {
  FilmFileKind FileKind = FilmFileKind::kCinema;
  int32_t Version = kFilmVersion;  // the three digits the file carried
  FilmPoint Size;                  // width, height
  int32_t BackColor = -1;          // 0x00BBGGRR, -1 = none
  uint8_t Relative = 0;            // from version 102: positions relative to DesignOrigin
  FilmPoint DesignOrigin;          // from version 104
  int32_t LoopStart = 0;           // from version 106: where a repeating owner resumes
  std::vector<FrameList> Lists;    // in file order, which is the order of applying
  bool operator==(const FilmData&) const = default;
};

// A frame element (TCustomFrame): what the player holds per list. Image and
// tile lists hold one per frame of their picture; every other kind holds
// exactly one with no data.
struct FrameElement {
  int32_t Width = 0, Height = 0;  // the picture frame's surface
  FilmPoint Offset;               // the picture frame's OffsetX, OffsetY
  int32_t Duration = 1;           // frames, at least 1
  int32_t PictureFrame = -1;      // index into the list's picture; -1 = none
  bool operator==(const FrameElement&) const = default;
};

}  // namespace vesk::anim
