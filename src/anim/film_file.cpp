#include "anim/film_file.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <utility>

#include "anim/film_math.h"
#include "core/byte_reader.h"
#include "core/byte_writer.h"
#include "core/record_io.h"
#include "core/wrap32.h"
#include "storage/vrfiles.h"

namespace vesk::anim {

namespace {

constexpr int32_t kClipVersion = 101;      // clip blocks, wipe rule pictures
constexpr int32_t kRelativeVersion = 102;  // the header's Relative flag
constexpr int32_t kLabelVersion = 103;     // LineSpace and HAlign of labels
constexpr int32_t kOriginVersion = 104;    // the header's DesignOrigin
constexpr int32_t kZoomYVersion = 105;     // zoom Y of image parts
constexpr int32_t kLoopVersion = 106;      // the header's LoopStart
// Up to this version frames are 1/30 s; LoopStart came in its last one.
constexpr int32_t kLastHalfRateVersion = 106;
// Up to this version sound volumes are hundredths of a decibel.
constexpr int32_t kLastDecibelVersion = 107;

// The fewest bytes a list takes: its kind byte and the common part.
constexpr size_t kMinListBytes = 1 + 6 * 4 + 3;

void F64(RecordIO& io, double& v, const char* what) {
  int64_t bits = std::bit_cast<int64_t>(v);
  io.I64(bits, what);
  if (io.loading()) v = std::bit_cast<double>(bits);
}

void Point(RecordIO& io, FilmPoint& p, const char* what) {
  io.I32(p.x, what);
  io.I32(p.y, what);
}

void TransferClip(RecordIO& io, ClipBlock& clip) {
  Point(io, clip.StartClipPos, "clip start position");
  Point(io, clip.StartClipSize, "clip start size");
  Point(io, clip.EndClipPos, "clip end position");
  Point(io, clip.EndClipSize, "clip end size");
  io.U8(clip.EaseClipX, "clip easing x");
  io.U8(clip.EaseClipY, "clip easing y");
}

void TransferImagePart(RecordIO& io, ImagePart& p) {
  Point(io, p.Anchor, "anchor");
  Point(io, p.StartPos, "start position");
  Point(io, p.EndPos, "end position");
  io.U8(p.EaseX, "easing x");
  io.U8(p.EaseY, "easing y");
  io.I32(p.StartAngle_deg, "start angle");
  io.I32(p.EndAngle_deg, "end angle");
  F64(io, p.StartZoomX, "start zoom x");
  F64(io, p.EndZoomX, "end zoom x");
  io.U8(p.EaseZoomX, "zoom easing x");
  io.I32(p.StartAlpha, "start alpha");
  io.I32(p.EndAlpha, "end alpha");
  io.U8(p.EaseAngle, "angle easing");
  if (io.Since(kClipVersion)) TransferClip(io, p.Clip);
  if (io.Since(kZoomYVersion)) {
    F64(io, p.StartZoomY, "start zoom y");
    F64(io, p.EndZoomY, "end zoom y");
    io.U8(p.EaseZoomY, "zoom easing y");
  } else {
    io.Absent(p.StartZoomY, p.StartZoomX);
    io.Absent(p.EndZoomY, p.EndZoomX);
    io.Absent(p.EaseZoomY, p.EaseZoomX);
  }
}

void Transfer(RecordIO& io, ImageListData& d) {
  TransferImagePart(io, d.Image);
  io.Str(d.Source, "image source");
}

void Transfer(RecordIO& io, LabelListData& d) {
  TransferImagePart(io, d.Image);
  io.Str(d.Text, "label text");
  io.U8(d.Antialias, "label antialias");
  io.Str(d.FontName, "label font name");
  io.I32(d.FontHeight, "label font height");
  if (io.Since(kLabelVersion)) {
    io.I32(d.LineSpace, "label line space");
  } else {
    // Older files hold four bytes here that mean nothing.
    int32_t unused = 0;
    io.I32(unused, "label unused field");
  }
  io.U8(d.FontStyle, "label font style");
  io.I32(d.FontColor, "label font colour");
  if (io.Since(kLabelVersion)) io.U8(d.HAlign, "label alignment");
}

void Transfer(RecordIO& io, BoxListData& d) {
  Point(io, d.StartPos, "box start position");
  Point(io, d.EndPos, "box end position");
  io.U8(d.EaseX, "box easing x");
  io.U8(d.EaseY, "box easing y");
  io.I32(d.StartAlpha, "box start alpha");
  io.I32(d.EndAlpha, "box end alpha");
  io.I32(d.StartWidth, "box start width");
  io.I32(d.StartHeight, "box start height");
  io.I32(d.EndWidth, "box end width");
  io.I32(d.EndHeight, "box end height");
  io.I32(d.StartColor, "box start colour");
  io.I32(d.EndColor, "box end colour");
  io.I32(d.StartBorderWidth, "box start border width");
  io.I32(d.EndBorderWidth, "box end border width");
  io.I32(d.StartBorderColor, "box start border colour");
  io.I32(d.EndBorderColor, "box end border colour");
  if (io.Since(kClipVersion)) TransferClip(io, d.Clip);
}

void Transfer(RecordIO& io, WipeListData& d) {
  io.U8(d.WipeType, "wipe type");
  if (!io.Since(kClipVersion)) return;
  io.Str(d.RuleImage, "wipe rule image");
  io.I32(d.Param0, "wipe parameter 0");
  io.I32(d.Param1, "wipe parameter 1");
  io.U8(d.Reverse, "wipe reverse flag");
}

void Transfer(RecordIO& io, SoundListData& d) {
  io.Str(d.Source, "sound source");
  io.I32(d.StartVolume, "sound start volume");
  io.I32(d.EndVolume, "sound end volume");
  io.I32(d.StartBalance, "sound start balance");
  io.I32(d.EndBalance, "sound end balance");
  io.U8(d.EaseVolume, "sound volume easing");
  io.U8(d.EaseBalance, "sound balance easing");
}

void Transfer(RecordIO& io, TileListData& d) {
  TransferImagePart(io, d.Image);
  io.Str(d.Source, "tile source");
  io.I32(d.StartWidth, "tile start width");
  io.I32(d.StartHeight, "tile start height");
  io.I32(d.EndWidth, "tile end width");
  io.I32(d.EndHeight, "tile end height");
  io.I32(d.StartScrollX, "tile start scroll x");
  io.I32(d.StartScrollY, "tile start scroll y");
  io.I32(d.EndScrollX, "tile end scroll x");
  io.I32(d.EndScrollY, "tile end scroll y");
  io.U8(d.EaseScrollX, "tile scroll easing x");
  io.U8(d.EaseScrollY, "tile scroll easing y");
  io.I32(d.DistanceX, "tile distance x");
  io.I32(d.DistanceY, "tile distance y");
  if (io.Since(kClipVersion)) TransferClip(io, d.Clip);
}

void Transfer(RecordIO& io, ParticleListData& d) {
  io.Str(d.Source, "particle source");
  io.U8(d.PartMotion, "particle motion");
  io.I32(d.WarmUp_ms, "particle warm-up");
  io.I32(d.StartIntervalBase, "particle start interval");
  io.I32(d.EndIntervalBase, "particle end interval");
  io.I32(d.StartIntervalRange, "particle start interval range");
  io.I32(d.EndIntervalRange, "particle end interval range");
  io.I32(d.StartXBase, "particle start x base");
  io.I32(d.StartYBase, "particle start y base");
  io.I32(d.EndXBase, "particle end x base");
  io.I32(d.EndYBase, "particle end y base");
  io.I32(d.StartXRange, "particle start x range");
  io.I32(d.StartYRange, "particle start y range");
  io.I32(d.EndXRange, "particle end x range");
  io.I32(d.EndYRange, "particle end y range");
  io.U8(d.EaseXBase, "particle x base easing");
  io.U8(d.EaseYBase, "particle y base easing");
  F64(io, d.StartParam1, "particle start parameter 1");
  F64(io, d.StartParam2, "particle start parameter 2");
  F64(io, d.StartParam3, "particle start parameter 3");
  F64(io, d.EndParam1, "particle end parameter 1");
  F64(io, d.EndParam2, "particle end parameter 2");
  F64(io, d.EndParam3, "particle end parameter 3");
  Point(io, d.StartPos, "particle start position");
  Point(io, d.EndPos, "particle end position");
  io.U8(d.EaseX, "particle easing x");
  io.U8(d.EaseY, "particle easing y");
  io.I32(d.StartWidth, "particle start width");
  io.I32(d.StartHeight, "particle start height");
  io.I32(d.EndWidth, "particle end width");
  io.I32(d.EndHeight, "particle end height");
  TransferClip(io, d.Clip);
  io.I32(d.StartAlpha, "particle start alpha");
  io.I32(d.EndAlpha, "particle end alpha");
}

void Transfer(RecordIO& io, FireListData& d) {
  Point(io, d.StartPos, "fire start position");
  Point(io, d.EndPos, "fire end position");
  io.U8(d.EaseX, "fire easing x");
  io.U8(d.EaseY, "fire easing y");
  io.I32(d.StartWidth, "fire start width");
  io.I32(d.StartHeight, "fire start height");
  io.I32(d.EndWidth, "fire end width");
  io.I32(d.EndHeight, "fire end height");
  TransferClip(io, d.Clip);
  F64(io, d.StartZoomX, "fire start zoom x");
  F64(io, d.StartZoomY, "fire start zoom y");
  F64(io, d.EndZoomX, "fire end zoom x");
  F64(io, d.EndZoomY, "fire end zoom y");
  io.U8(d.EaseZoomX, "fire zoom easing x");
  io.U8(d.EaseZoomY, "fire zoom easing y");
  io.I32(d.Power, "fire power");
}

void TransferCommon(RecordIO& io, FrameList& list) {
  io.I32(list.Parent, "parent index");
  io.I32(list.Length, "length");
  int32_t reserved = static_cast<int32_t>(list.Reserved);
  io.I32(reserved, "reserved field");
  list.Reserved = static_cast<uint32_t>(reserved);
  io.I32(list.OwnStart, "start frame");
  io.I32(list.Cycle, "cycle");
  io.I32(list.Priority, "priority");
  io.U8(list.FlipH, "horizontal flip");
  io.U8(list.FlipV, "vertical flip");
  io.U8(list.BackBase, "back base flag");
}

FrameListData EmptyListOfKind(FrameListKind kind) {
  switch (kind) {
    case FrameListKind::kImage:
      return ImageListData{};
    case FrameListKind::kLabel:
      return LabelListData{};
    case FrameListKind::kBox:
      return BoxListData{};
    case FrameListKind::kWipe:
      return WipeListData{};
    case FrameListKind::kSound:
      return SoundListData{};
    case FrameListKind::kTile:
      return TileListData{};
    case FrameListKind::kParticle:
      return ParticleListData{};
    case FrameListKind::kFire:
      return FireListData{};
  }
  return ImageListData{};
}

// Files of the half frame rate count frames of 1/30 s.
void ScaleFrames(FrameList& list, bool to_file) {
  auto scale = [to_file](int32_t& v) { v = to_file ? v / 2 : Wrap32(int64_t{v} * 2); };
  scale(list.OwnStart);
  scale(list.Length);
  scale(list.Cycle);
}

// Old sound volumes are hundredths of a decibel: v div 10 + 1000.
void ScaleVolumes(SoundListData& sound, bool to_file) {
  auto scale = [to_file](int32_t& v) {
    v = to_file ? Wrap32((int64_t{v} - 1000) * 10) : Wrap32(int64_t{v} / 10 + 1000);
  };
  scale(sound.StartVolume);
  scale(sound.EndVolume);
}

// Between the stored meaning of `version` and the current one.
void ConvertList(FrameList& list, int32_t version, bool to_file) {
  if (version <= kLastHalfRateVersion) ScaleFrames(list, to_file);
  if (auto* sound = std::get_if<SoundListData>(&list.Data); sound && version <= kLastDecibelVersion)
    ScaleVolumes(*sound, to_file);
}

void TransferHeader(RecordIO& io, FilmData& film) {
  Point(io, film.Size, "film size");
  io.I32(film.BackColor, "background colour");
  if (io.Since(kRelativeVersion)) io.U8(film.Relative, "relative flag");
  if (io.Since(kOriginVersion)) Point(io, film.DesignOrigin, "design origin");
  if (io.Since(kLoopVersion)) io.I32(film.LoopStart, "loop start");
}

std::string ListLabel(size_t index, FrameListKind kind) {
  return "list " + std::to_string(index) + " (" + FrameListKindName(kind) + ")";
}

void ReadLists(RecordIO& io, FilmData& film, const std::string& name) {
  const int32_t count = io.Count(0, kMinListBytes, "frame list count");
  film.Lists.reserve(static_cast<size_t>(count));
  ByteReader& in = io.reader();
  for (int32_t i = 0; i < count; ++i) {
    const size_t at = in.position();
    const uint8_t kind_byte = in.U8("kind byte");
    // Bit 7 of the kind byte carries nothing.
    const uint8_t kind_id = kind_byte & 0x7F;
    if (kind_id >= kFrameListKindCount)
      throw EFilmFile(name + ": list " + std::to_string(i) + ": unknown kind " +
                      std::to_string(kind_id) + " at offset " + std::to_string(at));
    FrameList list;
    list.Data = EmptyListOfKind(static_cast<FrameListKind>(kind_id));
    try {
      TransferCommon(io, list);
      std::visit([&io](auto& data) { Transfer(io, data); }, list.Data);
    } catch (const ETruncated& e) {
      throw EFilmFile(name + ": " + ListLabel(static_cast<size_t>(i), list.Kind()) + ": " +
                      e.what());
    }
    ConvertList(list, io.version(), false);
    film.Lists.push_back(std::move(list));
  }
}

int32_t VersionDigits(std::span<const uint8_t> bytes, const std::string& name) {
  if (bytes.size() < kFilmMagicBytes + 3) throw EFilmFile(name + ": version cut short");
  int32_t version = 0;
  for (size_t i = kFilmMagicBytes; i < kFilmMagicBytes + 3; ++i) {
    if (bytes[i] < '0' || bytes[i] > '9') throw EFilmFile(name + ": version is not three digits");
    version = version * 10 + (bytes[i] - '0');
  }
  return version;
}

}  // namespace

const char* FrameListKindName(FrameListKind kind) {
  static constexpr const char* kNames[kFrameListKindCount] = {"image", "label", "box",      "wipe",
                                                              "sound", "tile",  "particle", "fire"};
  const auto id = static_cast<size_t>(kind);
  return id < kFrameListKindCount ? kNames[id] : "?";
}

std::optional<FilmData> ReadFilm(std::span<const uint8_t> bytes, std::string_view name_view) {
  const std::string name(name_view);
  FilmData film;
  if (bytes.size() >= kFilmMagicBytes &&
      std::memcmp(bytes.data(), kCinemaMagic, kFilmMagicBytes) == 0)
    film.FileKind = FilmFileKind::kCinema;
  else if (bytes.size() >= kFilmMagicBytes &&
           std::memcmp(bytes.data(), kMotionMagic, kFilmMagicBytes) == 0)
    film.FileKind = FilmFileKind::kMotion;
  else
    return std::nullopt;
  film.Version = VersionDigits(bytes, name);
  ByteReader in(bytes.data(), bytes.size());
  in.Skip(kFilmMagicBytes + 3, "film header");
  RecordIO io(in, film.Version);
  try {
    TransferHeader(io, film);
  } catch (const ETruncated& e) {
    throw EFilmFile(name + ": header: " + e.what());
  }
  if (film.Version == kLastHalfRateVersion) film.LoopStart = Wrap32(int64_t{film.LoopStart} * 2);
  try {
    ReadLists(io, film, name);
  } catch (const ETruncated& e) {
    throw EFilmFile(name + ": " + e.what());
  }
  const auto list_count = static_cast<int32_t>(film.Lists.size());
  for (FrameList& list : film.Lists)
    if (list.Parent < 0 || list.Parent >= list_count) list.Parent = -1;
  if (HasParentLoop(film)) throw EFilmFile(name + ": a parent chain loops back on itself");
  return film;
}

std::optional<FilmData> ReadFilmFile(storage::TVrFileManager& files, const std::string& name) {
  const std::vector<uint8_t> bytes = files.ReadFileBytes(name);
  return ReadFilm(bytes, name);
}

std::vector<uint8_t> WriteFilm(const FilmData& film) {
  const int32_t version = std::clamp(film.Version, 0, 999);
  ByteWriter out;
  const char* magic = film.FileKind == FilmFileKind::kMotion ? kMotionMagic : kCinemaMagic;
  out.Bytes(reinterpret_cast<const uint8_t*>(magic), kFilmMagicBytes);
  const uint8_t digits[3] = {static_cast<uint8_t>('0' + version / 100),
                             static_cast<uint8_t>('0' + version / 10 % 10),
                             static_cast<uint8_t>('0' + version % 10)};
  out.Bytes(digits, 3);
  RecordIO io(out, version);
  FilmData header = film;
  header.Lists.clear();
  if (version == kLastHalfRateVersion) header.LoopStart /= 2;
  TransferHeader(io, header);
  const auto list_count = static_cast<int32_t>(film.Lists.size());
  out.I32(list_count);
  for (const FrameList& stored : film.Lists) {
    FrameList list = stored;
    if (list.Parent < 0 || list.Parent >= list_count) list.Parent = -1;
    ConvertList(list, version, true);
    out.U8(static_cast<uint8_t>(list.Kind()));
    TransferCommon(io, list);
    std::visit([&io](auto& data) { Transfer(io, data); }, list.Data);
  }
  return std::move(out.bytes());
}

}  // namespace vesk::anim
