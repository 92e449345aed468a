#pragma once
// The arithmetic of playing a film, free of any scene object: interpolation
// and easing, the value rules the kinds share (position, size, zoom, alpha,
// rotation, clip, colours), the frame element at a time, chains of lists
// (start frames, followers, start values taken from the parent) and the
// resolution of names against the film's folder. The player calls these
// once per list for every shown frame.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "anim/film_data.h"

namespace vesk::anim {

// Films run at 60 frames per second.
inline constexpr double kFrame_ms = 16.666666666666668;

// Where a list stands at a frame: step = frame - StartFrame, count = the
// list's Length. A list with a follower takes one step more and so never
// reaches its own end values: the follower starts with them.
struct FrameStep {
  int32_t step = 0;
  int32_t count = 1;
  bool has_follower = false;

  int32_t Steps() const;  // count, plus one with a follower
};

// The value of an integer setting at `at`. Easing 0 is linear (truncating),
// 1 accelerates, anything else decelerates; the first step gives `from`, the
// last `to`. Sums wrap in 32 bits.
int32_t Interpolate(uint8_t easing, int32_t from, int32_t to, FrameStep at);
// The same on reals without rounding, except that the linear case divides
// by the steps rather than by the steps less one (the last step still gives
// exactly `to`).
double InterpolateReal(uint8_t easing, double from, double to, FrameStep at);

// A position or size moving from `start` to `end` with one easing per axis.
FilmPoint InterpolatePoint(FilmPoint start, FilmPoint end, uint8_t ease_x, uint8_t ease_y,
                           FrameStep at);

// Width and height of box, particle and tile lists: the right and bottom
// edges move (eased like x and y) and the size is what lies between them and
// the position `pos` of this frame. `start`/`end` are the positions the
// position was interpolated from.
FilmPoint SizeByEdges(FilmPoint start, FilmPoint end, FilmPoint start_size, FilmPoint end_size,
                      uint8_t ease_x, uint8_t ease_y, FilmPoint pos, FrameStep at);

// A stored zoom (1.0 = 100 %) in 1/256 units, truncated; values that do not
// fit (and NaN) are held to the int32 range (NaN as 0).
int32_t ZoomUnits(double zoom);
int32_t InterpolateZoom(uint8_t easing, double start, double end, FrameStep at);

// The blend value: 255 (opaque) when both are 0; otherwise 0 stands for 255,
// the value moves linearly, and a negative value -a gives 256 + a (additive
// at level a).
int32_t InterpolateAlpha(int32_t start_alpha, int32_t end_alpha, FrameStep at);

// The angle in 256ths of a turn (0..255): 0 when both are 0, else the
// degrees interpolated as reals, rounded to units and reduced into a turn.
int32_t InterpolateAngle(uint8_t easing, int32_t start_deg, int32_t end_deg, FrameStep at);

// A clip rectangle; all zero means no clipping.
struct FilmClip {
  int32_t left = 0, top = 0, width = 0, height = 0;
  bool operator==(const FilmClip&) const = default;
};
FilmClip InterpolateClip(const ClipBlock& clip, FrameStep at);

// A colour 0x00BBGGRR: equal ends give that colour, otherwise red, green and
// blue move linearly, each on its own.
int32_t InterpolateColor(int32_t start_color, int32_t end_color, FrameStep at);
// A border width: the start value when both are equal, else linear.
int32_t InterpolateWidth(int32_t start_width, int32_t end_width, FrameStep at);

// Frames an image frame shows for: its delay in frames, rounded, at least 1.
int32_t FrameDuration(int32_t delay_ms);
// The frame an owner shows after `elapsed_ms`, rounded to the nearest.
int32_t FrameOfElapsed(int64_t elapsed_ms);

// The element shown at t = frame - StartFrame: for image and tile lists, t
// is taken modulo max(1, cycle) and the elements' durations are walked;
// past them all, the last one. Other kinds answer element 0. -1 when there
// are no elements.
int32_t FrameAt(FrameListKind kind, std::span<const FrameElement> elements, int32_t cycle,
                int32_t t);

// Chains. Indexes are positions in film.Lists; a parent outside the lists
// counts as none, and a walk stops after as many steps as there are lists,
// so even a looping chain built by hand ends.
int32_t ParentOf(const FilmData& film, int32_t index);  // -1 when none
// The first list whose parent is `index`, or -1.
int32_t FollowerOf(const FilmData& film, int32_t index);
// The list that starts the chain `index` belongs to (itself without parent).
int32_t ChainFirst(const FilmData& film, int32_t index);
// OwnStart without parent, else the parent's StartFrame + its Length.
int32_t StartFrame(const FilmData& film, int32_t index);
// The largest StartFrame + Length of all lists; 0 for a film without lists.
int32_t FrameCount(const FilmData& film);
// The step of list `index` at `frame`, with its follower taken into account.
FrameStep StepAt(const FilmData& film, int32_t index, int32_t frame);
bool IsActive(const FilmData& film, int32_t index, int32_t frame);
// Whether some parent chain loops back on itself.
bool HasParentLoop(const FilmData& film);

// Stage placement. The base (0 or 1) a list starting at `start_frame`
// belongs to: the number of wipe lists whose last frame it is at or past,
// modulo 2 (a list starting on a wipe's last frame is on the wipe's new
// base). The base of a list's object is this XOR its BackBase.
int32_t WipeParity(const FilmData& film, int32_t start_frame);
// The wipe shown at `frame`: the last wipe list active there (-1 when
// none), and the shown base: the number of wipe lists not active there
// whose last frame `frame` is at or past, modulo 2.
struct ActiveWipe {
  int32_t list = -1;
  int32_t parity = 0;
  bool operator==(const ActiveWipe&) const = default;
};
ActiveWipe ActiveWipeAt(const FilmData& film, int32_t frame);
// Whether the film needs a private stage: some list is a wipe or has
// BackBase set.
bool NeedsStage(const FilmData& film);
// The first list whose StartFrame is 0, or -1.
int32_t FirstList(const FilmData& film);

// The list as it plays: with a parent, every start value is its parent's
// corresponding end value, whatever it stores itself. Lists of kinds with
// the same record take the whole set; image, label and tile lists share
// their image part; a parent of another kind gives nothing.
FrameList WithChainStarts(const FilmData& film, int32_t index);

// The folder of a film named `name`: up to and including its last "\" or
// ":" ("" when it has none).
std::string FilmFolder(std::string_view name);
// Source of image, tile, sound and particle lists: names of one character,
// names starting with "\" and names with a drive ("X:...") are kept;
// others are put after `folder`, each leading "..\" taking one folder
// component away while any is left (the folder is upper-cased then; its
// server or drive part counts as one component).
std::string ResolveRelative(std::string_view name, std::string_view folder);
// RuleImage of wipe lists: kept when it starts with "\" or has a drive,
// else put after `folder`; ".." is not looked at.
std::string ResolveRuleImage(std::string_view name, std::string_view folder);

}  // namespace vesk::anim
