#include "anim/film_math.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <type_traits>
#include <variant>
#include <vector>

#include "core/sjis.h"
#include "core/wrap32.h"

namespace vesk::anim {

namespace {

constexpr double kQuarterTurn = std::numbers::pi / 2;

// Ties to even, as the authoring system rounds; held to the int64 range so
// the conversion is always defined.
int64_t RoundEven(double v) {
  if (std::isnan(v)) return 0;
  constexpr double kLimit = 9.2e18;
  return static_cast<int64_t>(std::nearbyint(std::clamp(v, -kLimit, kLimit)));
}

int32_t Byte(int32_t color, int shift) {
  return (color >> shift) & 0xFF;
}

bool ValidIndex(const FilmData& film, int32_t index) {
  return index >= 0 && static_cast<size_t>(index) < film.Lists.size();
}

}  // namespace

int32_t FrameStep::Steps() const {
  return has_follower ? Wrap32(int64_t{count} + 1) : count;
}

int32_t Interpolate(uint8_t easing, int32_t from, int32_t to, FrameStep at) {
  const int64_t n = at.Steps();
  if (at.step == 0) return from;
  // A list of one step (or none) has no way between its ends.
  if (n <= 1 || at.step == n - 1) return to;
  const int64_t span = int64_t{to} - from;
  const int64_t step = at.step;
  if (easing == kEaseLinear) return Wrap32(from + span * step / (n - 1));
  if (easing == kEaseAccelerate) {
    const double angle = static_cast<double>(n - step - 1) * kQuarterTurn / static_cast<double>(n);
    return Wrap32(to - RoundEven(static_cast<double>(span) * std::sin(angle)));
  }
  const double angle = static_cast<double>(step) * kQuarterTurn / static_cast<double>(n);
  return Wrap32(from + RoundEven(std::sin(angle) * static_cast<double>(span)));
}

double InterpolateReal(uint8_t easing, double from, double to, FrameStep at) {
  const int64_t n = at.Steps();
  if (at.step == 0) return from;
  if (n <= 1 || at.step == n - 1) return to;
  const double step = at.step;
  const double steps = static_cast<double>(n);
  if (easing == kEaseLinear) return from + (to - from) * step / steps;
  if (easing == kEaseAccelerate)
    return to - (to - from) * std::sin((steps - step - 1) * kQuarterTurn / steps);
  return from + std::sin(step * kQuarterTurn / steps) * (to - from);
}

FilmPoint InterpolatePoint(FilmPoint start, FilmPoint end, uint8_t ease_x, uint8_t ease_y,
                           FrameStep at) {
  return {Interpolate(ease_x, start.x, end.x, at), Interpolate(ease_y, start.y, end.y, at)};
}

FilmPoint SizeByEdges(FilmPoint start, FilmPoint end, FilmPoint start_size, FilmPoint end_size,
                      uint8_t ease_x, uint8_t ease_y, FilmPoint pos, FrameStep at) {
  const int32_t right = Interpolate(ease_x, Wrap32(int64_t{start_size.x} + start.x - 1),
                                    Wrap32(int64_t{end_size.x} + end.x - 1), at);
  const int32_t bottom = Interpolate(ease_y, Wrap32(int64_t{start_size.y} + start.y - 1),
                                     Wrap32(int64_t{end_size.y} + end.y - 1), at);
  return {Wrap32(int64_t{right} - pos.x + 1), Wrap32(int64_t{bottom} - pos.y + 1)};
}

int32_t ZoomUnits(double zoom) {
  if (std::isnan(zoom)) return 0;
  const double units = std::trunc(zoom * 256);
  constexpr double kLo = std::numeric_limits<int32_t>::min();
  constexpr double kHi = std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(std::clamp(units, kLo, kHi));
}

int32_t InterpolateZoom(uint8_t easing, double start, double end, FrameStep at) {
  return Interpolate(easing, ZoomUnits(start), ZoomUnits(end), at);
}

int32_t InterpolateAlpha(int32_t start_alpha, int32_t end_alpha, FrameStep at) {
  if (start_alpha == 0 && end_alpha == 0) return 255;
  const int32_t s = start_alpha == 0 ? 255 : start_alpha;
  const int32_t e = end_alpha == 0 ? 255 : end_alpha;
  const int32_t a = Interpolate(kEaseLinear, s, e, at);
  return a < 0 ? Wrap32(256 - int64_t{a}) : a;
}

int32_t InterpolateAngle(uint8_t easing, int32_t start_deg, int32_t end_deg, FrameStep at) {
  if (start_deg == 0 && end_deg == 0) return 0;
  const double deg = InterpolateReal(easing, start_deg, end_deg, at);
  const int64_t units = RoundEven(deg * 256 / 360);
  // Reduced into one turn whatever the sign.
  return static_cast<int32_t>(((units % 256) + 256) % 256);
}

FilmClip InterpolateClip(const ClipBlock& clip, FrameStep at) {
  const int32_t w = Interpolate(clip.EaseClipX, clip.StartClipSize.x, clip.EndClipSize.x, at);
  const int32_t h = Interpolate(clip.EaseClipY, clip.StartClipSize.y, clip.EndClipSize.y, at);
  if (w < 1 || h < 1) return {};
  return {Interpolate(clip.EaseClipX, clip.StartClipPos.x, clip.EndClipPos.x, at),
          Interpolate(clip.EaseClipY, clip.StartClipPos.y, clip.EndClipPos.y, at), w, h};
}

int32_t InterpolateColor(int32_t start_color, int32_t end_color, FrameStep at) {
  if (start_color == end_color) return start_color;
  int32_t color = 0;
  for (int shift : {0, 8, 16}) {
    const int32_t c =
        Interpolate(kEaseLinear, Byte(start_color, shift), Byte(end_color, shift), at);
    color |= (c & 0xFF) << shift;
  }
  return color;
}

int32_t InterpolateWidth(int32_t start_width, int32_t end_width, FrameStep at) {
  if (start_width == end_width) return start_width;
  return Interpolate(kEaseLinear, start_width, end_width, at);
}

int32_t FrameDuration(int32_t delay_ms) {
  return static_cast<int32_t>(std::max<int64_t>(1, RoundEven(delay_ms / kFrame_ms)));
}

int32_t FrameOfElapsed(int64_t elapsed_ms) {
  return Wrap32(RoundEven(static_cast<double>(elapsed_ms) / kFrame_ms));
}

int32_t FrameAt(FrameListKind kind, std::span<const FrameElement> elements, int32_t cycle,
                int32_t t) {
  if (elements.empty()) return -1;
  if (kind != FrameListKind::kImage && kind != FrameListKind::kTile) return 0;
  int64_t left = int64_t{t} % std::max(1, cycle);
  for (size_t i = 0; i < elements.size(); ++i) {
    left -= elements[i].Duration;
    if (left < 0) return static_cast<int32_t>(i);
  }
  return static_cast<int32_t>(elements.size() - 1);
}

int32_t ParentOf(const FilmData& film, int32_t index) {
  if (!ValidIndex(film, index)) return -1;
  const int32_t parent = film.Lists[static_cast<size_t>(index)].Parent;
  return ValidIndex(film, parent) ? parent : -1;
}

int32_t FollowerOf(const FilmData& film, int32_t index) {
  if (!ValidIndex(film, index)) return -1;
  for (size_t i = 0; i < film.Lists.size(); ++i)
    if (film.Lists[i].Parent == index) return static_cast<int32_t>(i);
  return -1;
}

int32_t ChainFirst(const FilmData& film, int32_t index) {
  int32_t first = index;
  for (size_t steps = 0; steps < film.Lists.size(); ++steps) {
    const int32_t parent = ParentOf(film, first);
    if (parent < 0) break;
    first = parent;
  }
  return first;
}

int32_t StartFrame(const FilmData& film, int32_t index) {
  if (!ValidIndex(film, index)) return 0;
  // The parents from `index` up to the chain's first list, then summed
  // from the first list down.
  std::vector<int32_t> chain{index};
  for (size_t steps = 0; steps < film.Lists.size(); ++steps) {
    const int32_t parent = ParentOf(film, chain.back());
    if (parent < 0) break;
    chain.push_back(parent);
  }
  int64_t start = film.Lists[static_cast<size_t>(chain.back())].OwnStart;
  for (size_t i = chain.size() - 1; i > 0; --i)
    start = Wrap32(start + film.Lists[static_cast<size_t>(chain[i])].Length);
  return static_cast<int32_t>(start);
}

int32_t FrameCount(const FilmData& film) {
  int32_t count = 0;
  for (size_t i = 0; i < film.Lists.size(); ++i) {
    const int64_t end = int64_t{StartFrame(film, static_cast<int32_t>(i))} + film.Lists[i].Length;
    count = std::max(count, Wrap32(end));
  }
  return count;
}

FrameStep StepAt(const FilmData& film, int32_t index, int32_t frame) {
  FrameStep at;
  if (!ValidIndex(film, index)) return at;
  at.step = Wrap32(int64_t{frame} - StartFrame(film, index));
  at.count = film.Lists[static_cast<size_t>(index)].Length;
  at.has_follower = FollowerOf(film, index) >= 0;
  return at;
}

bool IsActive(const FilmData& film, int32_t index, int32_t frame) {
  if (!ValidIndex(film, index)) return false;
  const int64_t start = StartFrame(film, index);
  return start <= frame && frame < start + film.Lists[static_cast<size_t>(index)].Length;
}

bool HasParentLoop(const FilmData& film) {
  const size_t n = film.Lists.size();
  for (size_t i = 0; i < n; ++i) {
    int32_t at = static_cast<int32_t>(i);
    size_t steps = 0;
    while ((at = ParentOf(film, at)) >= 0)
      if (++steps > n) return true;
  }
  return false;
}

namespace {

bool IsWipe(const FrameList& list) {
  return list.Kind() == FrameListKind::kWipe;
}

// The last frame of list `index`, in 64 bits.
int64_t LastFrame(const FilmData& film, int32_t index) {
  return int64_t{StartFrame(film, index)} + film.Lists[static_cast<size_t>(index)].Length - 1;
}

}  // namespace

int32_t WipeParity(const FilmData& film, int32_t start_frame) {
  int32_t passed = 0;
  for (size_t i = 0; i < film.Lists.size(); ++i)
    if (IsWipe(film.Lists[i]) && start_frame >= LastFrame(film, static_cast<int32_t>(i))) ++passed;
  return passed % 2;
}

ActiveWipe ActiveWipeAt(const FilmData& film, int32_t frame) {
  ActiveWipe wipe;
  int32_t passed = 0;
  for (size_t i = 0; i < film.Lists.size(); ++i) {
    if (!IsWipe(film.Lists[i])) continue;
    const auto index = static_cast<int32_t>(i);
    if (IsActive(film, index, frame))
      wipe.list = index;
    else if (frame >= LastFrame(film, index))
      ++passed;
  }
  wipe.parity = passed % 2;
  return wipe;
}

bool NeedsStage(const FilmData& film) {
  for (const FrameList& list : film.Lists)
    if (IsWipe(list) || list.BackBase != 0) return true;
  return false;
}

int32_t FirstList(const FilmData& film) {
  for (size_t i = 0; i < film.Lists.size(); ++i)
    if (StartFrame(film, static_cast<int32_t>(i)) == 0) return static_cast<int32_t>(i);
  return -1;
}

namespace {

void TakeClipStart(ClipBlock& clip, const ClipBlock& parent) {
  clip.StartClipPos = parent.EndClipPos;
  clip.StartClipSize = parent.EndClipSize;
}

void TakeImageStarts(ImagePart& part, const ImagePart& parent) {
  part.StartPos = parent.EndPos;
  part.StartAngle_deg = parent.EndAngle_deg;
  part.StartZoomX = parent.EndZoomX;
  part.StartZoomY = parent.EndZoomY;
  part.StartAlpha = parent.EndAlpha;
  TakeClipStart(part.Clip, parent.Clip);
}

ImagePart* ImagePartOf(FrameListData& data) {
  if (auto* image = std::get_if<ImageListData>(&data)) return &image->Image;
  if (auto* label = std::get_if<LabelListData>(&data)) return &label->Image;
  if (auto* tile = std::get_if<TileListData>(&data)) return &tile->Image;
  return nullptr;
}

void TakeStarts(BoxListData& box, const BoxListData& parent) {
  box.StartPos = parent.EndPos;
  box.StartAlpha = parent.EndAlpha;
  box.StartWidth = parent.EndWidth;
  box.StartHeight = parent.EndHeight;
  box.StartColor = parent.EndColor;
  box.StartBorderWidth = parent.EndBorderWidth;
  box.StartBorderColor = parent.EndBorderColor;
  TakeClipStart(box.Clip, parent.Clip);
}

void TakeStarts(SoundListData& sound, const SoundListData& parent) {
  sound.StartVolume = parent.EndVolume;
  sound.StartBalance = parent.EndBalance;
}

void TakeStarts(TileListData& tile, const TileListData& parent) {
  tile.StartWidth = parent.EndWidth;
  tile.StartHeight = parent.EndHeight;
  tile.StartScrollX = parent.EndScrollX;
  tile.StartScrollY = parent.EndScrollY;
  TakeClipStart(tile.Clip, parent.Clip);
}

void TakeStarts(ParticleListData& p, const ParticleListData& parent) {
  p.StartIntervalBase = parent.EndIntervalBase;
  p.StartIntervalRange = parent.EndIntervalRange;
  p.StartXBase = parent.EndXBase;
  p.StartYBase = parent.EndYBase;
  p.StartXRange = parent.EndXRange;
  p.StartYRange = parent.EndYRange;
  p.StartParam1 = parent.EndParam1;
  p.StartParam2 = parent.EndParam2;
  p.StartParam3 = parent.EndParam3;
  p.StartPos = parent.EndPos;
  p.StartWidth = parent.EndWidth;
  p.StartHeight = parent.EndHeight;
  TakeClipStart(p.Clip, parent.Clip);
  p.StartAlpha = parent.EndAlpha;
}

void TakeStarts(FireListData& fire, const FireListData& parent) {
  fire.StartPos = parent.EndPos;
  fire.StartWidth = parent.EndWidth;
  fire.StartHeight = parent.EndHeight;
  TakeClipStart(fire.Clip, parent.Clip);
  fire.StartZoomX = parent.EndZoomX;
  fire.StartZoomY = parent.EndZoomY;
}

// Image and label records keep all their start values in the image part.
void TakeStarts(ImageListData&, const ImageListData&) {}
void TakeStarts(LabelListData&, const LabelListData&) {}
void TakeStarts(WipeListData&, const WipeListData&) {}

}  // namespace

FrameList WithChainStarts(const FilmData& film, int32_t index) {
  if (!ValidIndex(film, index)) return {};
  FrameList list = film.Lists[static_cast<size_t>(index)];
  const int32_t parent_index = ParentOf(film, index);
  if (parent_index < 0) return list;
  FrameListData parent = film.Lists[static_cast<size_t>(parent_index)].Data;
  ImagePart* own_part = ImagePartOf(list.Data);
  if (const ImagePart* parent_part = ImagePartOf(parent); own_part && parent_part)
    TakeImageStarts(*own_part, *parent_part);
  if (list.Data.index() == parent.index())
    std::visit(
        [&parent](auto& own) { TakeStarts(own, std::get<std::decay_t<decltype(own)>>(parent)); },
        list.Data);
  return list;
}

std::string FilmFolder(std::string_view name) {
  const size_t at = SjisFindLastOf(name, "\\:");
  return at == std::string_view::npos ? std::string() : std::string(name.substr(0, at + 1));
}

namespace {

bool KeptAsNamed(std::string_view name) {
  return name.size() <= 1 || name[0] == '\\' || name[1] == ':';
}

// The folder's components, each with its trailing "\": the server part
// ("\\server\") or the drive part ("C:\") first when there is one.
std::vector<std::string> FolderComponents(std::string folder) {
  folder = UpperAsciiSjis(folder);
  if (folder.empty() || SjisFindLastOf(folder, "\\") != folder.size() - 1) folder += '\\';
  std::vector<std::string> parts;
  size_t from = 0;
  if (folder.rfind("\\\\", 0) == 0) {
    const size_t end = SjisFind(folder, "\\", 2);
    from = end == std::string::npos ? folder.size() : end + 1;
    parts.push_back(folder.substr(0, from));
  } else if (folder.size() >= 2 && folder[1] == ':') {
    from = std::min<size_t>(3, folder.size());
    parts.push_back(folder.substr(0, from));
  }
  while (from < folder.size()) {
    const size_t end = SjisFind(folder, "\\", from);
    const size_t next = end == std::string::npos ? folder.size() : end + 1;
    parts.push_back(folder.substr(from, next - from));
    from = next;
  }
  return parts;
}

}  // namespace

std::string ResolveRelative(std::string_view name, std::string_view folder) {
  if (KeptAsNamed(name)) return std::string(name);
  constexpr std::string_view kUp = "..\\";
  if (name.substr(0, kUp.size()) != kUp) return std::string(folder) + std::string(name);
  std::vector<std::string> parts = FolderComponents(std::string(folder));
  while (!parts.empty() && name.substr(0, kUp.size()) == kUp) {
    parts.pop_back();
    name.remove_prefix(kUp.size());
  }
  std::string resolved;
  for (const std::string& part : parts) resolved += part;
  return resolved + std::string(name);
}

std::string ResolveRuleImage(std::string_view name, std::string_view folder) {
  // No rule picture stays none rather than naming the folder.
  if (name.empty()) return {};
  if ((!name.empty() && name[0] == '\\') || (name.size() >= 2 && name[1] == ':'))
    return std::string(name);
  return std::string(folder) + std::string(name);
}

}  // namespace vesk::anim
