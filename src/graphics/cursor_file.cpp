#include "graphics/cursor_file.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "graphics/dibsfc_bitmap.h"
#include "graphics/image_codecs.h"

namespace vesk::graphics {
namespace {

using platform::CursorFrame;
using platform::CursorImage;

using Bytes = std::span<const uint8_t>;

// Cursors are small; anything past this is damage or an attack, and would
// only make the window system refuse the cursor anyway.
constexpr int kMaxSide = 1024;
// An animated cursor may hold many frames; bound the memory they take.
constexpr uint64_t kMaxAnimationPixels = 8u << 20;
constexpr size_t kMaxAnimationFrames = 1024;
constexpr size_t kMaxAnimationSteps = 4096;
// One jiffy is a sixtieth of a second; the delay is capped so that a damaged
// rate cannot freeze the animation for days.
constexpr uint64_t kMaxJiffies = 60 * 60;

uint16_t U16(Bytes b, size_t at) {
  return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}
uint32_t U32(Bytes b, size_t at) {
  return static_cast<uint32_t>(b[at]) | static_cast<uint32_t>(b[at + 1]) << 8 |
         static_cast<uint32_t>(b[at + 2]) << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
int32_t I32(Bytes b, size_t at) {
  return static_cast<int32_t>(U32(b, at));
}
uint32_t BigU32(Bytes b, size_t at) {
  return static_cast<uint32_t>(b[at]) << 24 | static_cast<uint32_t>(b[at + 1]) << 16 |
         static_cast<uint32_t>(b[at + 2]) << 8 | static_cast<uint32_t>(b[at + 3]);
}
bool HasTag(Bytes b, size_t at, const char* tag) {
  return b.size() >= at + 4 && std::memcmp(b.data() + at, tag, 4) == 0;
}

template <typename T>
std::optional<T> Fail(std::string* error, std::string message) {
  if (error) *error = std::move(message);
  return std::nullopt;
}

void ClampHotSpot(CursorFrame* f) {
  f->hot_x = std::clamp(f->hot_x, 0, f->width - 1);
  f->hot_y = std::clamp(f->hot_y, 0, f->height - 1);
}

// A still picture from the graphics decoders, pointing at its top-left pixel.
template <typename Decode>
std::optional<CursorFrame> Picture(Decode decode, std::string* error) {
  try {
    ArgbPicture p = decode();
    return CursorFrame{p.width, p.height, 0, 0, std::move(p.argb)};
  } catch (const EGraphicsError& e) {
    return Fail<CursorFrame>(error, e.what());
  }
}

std::optional<CursorFrame> PngFrame(Bytes data, std::string* error) {
  return Picture([&] { return DecodePngArgb(data, kMaxSide); }, error);
}

std::optional<CursorFrame> IconFrame(Bytes dib, std::string* error) {
  return Picture([&] { return DecodeIconBitmap(dib, kMaxSide); }, error);
}

std::optional<CursorFrame> BmpFrame(Bytes b, std::string* error) {
  return Picture([&] { return DecodeBitmapArgb(b, kMaxSide); }, error);
}

// ---------------------------------------------------------------- ICO / CUR

struct IconCandidate {
  size_t index = 0;
  Bytes data;
  int width = 0, height = 0, bits = 0;
  int hot_x = 0, hot_y = 0;
};

// Size and depth of an entry from its own data: the directory's fields are
// hot spots in a cursor and often zero in icons.
bool PeekEntry(IconCandidate* c) {
  const Bytes b = c->data;
  if (LooksLikePng(b)) {
    if (b.size() < 26 || !HasTag(b, 12, "IHDR")) return false;
    c->width = static_cast<int>(std::min<uint32_t>(BigU32(b, 16), 1u << 20));
    c->height = static_cast<int>(std::min<uint32_t>(BigU32(b, 20), 1u << 20));
    c->bits = 32;
    return true;
  }
  if (b.size() < 40) return false;
  c->width = std::clamp<int64_t>(I32(b, 4), -(1 << 20), 1 << 20);
  c->height = std::clamp<int64_t>(I32(b, 8) / 2, -(1 << 20), 1 << 20);
  c->bits = U16(b, 14);
  return true;
}

std::optional<CursorFrame> DecodeIconDirectory(Bytes b, std::string* error) {
  if (b.size() < 6) return Fail<CursorFrame>(error, "cursor directory truncated");
  const bool is_cursor = U16(b, 2) == 2;
  const size_t count = U16(b, 4);
  if (count == 0) return Fail<CursorFrame>(error, "cursor file holds no pictures");
  if ((b.size() - 6) / 16 < count) return Fail<CursorFrame>(error, "cursor directory truncated");

  std::vector<IconCandidate> candidates;
  for (size_t i = 0; i < count; ++i) {
    const size_t at = 6 + 16 * i;
    const uint32_t size = U32(b, at + 8);
    const uint32_t offset = U32(b, at + 12);
    if (offset < 6 || offset >= b.size()) continue;
    IconCandidate c;
    c.index = i;
    // Writers get the size wrong now and then; the decoder finds real truncation.
    c.data = b.subspan(offset, std::min<size_t>(size, b.size() - offset));
    if (is_cursor) {
      c.hot_x = U16(b, at + 4);
      c.hot_y = U16(b, at + 6);
    }
    if (PeekEntry(&c)) candidates.push_back(c);
  }
  if (candidates.empty())
    return Fail<CursorFrame>(error, "no readable picture in the cursor directory");

  // The picture nearest the usual 32x32 cursor, then the richest colours.
  std::stable_sort(candidates.begin(), candidates.end(),
                   [](const IconCandidate& a, const IconCandidate& b) {
                     const int64_t da = std::abs(a.width - 32) + std::abs(a.height - 32);
                     const int64_t db = std::abs(b.width - 32) + std::abs(b.height - 32);
                     if (da != db) return da < db;
                     return a.bits > b.bits;
                   });
  std::string first_error;
  for (const IconCandidate& c : candidates) {
    std::string why;
    auto f = LooksLikePng(c.data) ? PngFrame(c.data, &why) : IconFrame(c.data, &why);
    if (f) {
      f->hot_x = c.hot_x;
      f->hot_y = c.hot_y;
      ClampHotSpot(&*f);
      return f;
    }
    if (first_error.empty()) first_error = "picture " + std::to_string(c.index) + ": " + why;
  }
  return Fail<CursorFrame>(error, first_error);
}

// ---------------------------------------------------------------- ANI

std::optional<CursorImage> DecodeAnimated(Bytes b, std::string* error) {
  const auto fail = [&](std::string message) {
    return Fail<CursorImage>(error, "ANI: " + message);
  };
  // The RIFF size is often off by a little; trust the bytes we have.
  const size_t end = std::min<uint64_t>(b.size(), 8ull + U32(b, 4));
  bool have_header = false;
  uint32_t header_steps = 0, header_rate = 0;
  std::vector<uint32_t> rates, sequence;
  std::vector<Bytes> icons;

  const auto read_list = [](Bytes chunk, std::vector<uint32_t>* out) {
    const size_t n = std::min(chunk.size() / 4, kMaxAnimationSteps + 1);
    out->resize(n);
    for (size_t i = 0; i < n; ++i) (*out)[i] = U32(chunk, 4 * i);
  };

  size_t pos = 12;
  while (end >= 8 && pos <= end - 8) {
    const uint32_t length = U32(b, pos + 4);
    if (length > end - pos - 8)
      return fail("chunk '" + std::string(reinterpret_cast<const char*>(b.data() + pos), 4) +
                  "' runs past the end");
    const Bytes chunk = b.subspan(pos + 8, length);
    if (HasTag(b, pos, "anih")) {
      if (length < 36) return fail("header chunk too short");
      header_steps = U32(chunk, 8);
      header_rate = U32(chunk, 28);
      have_header = true;
    } else if (HasTag(b, pos, "rate")) {
      read_list(chunk, &rates);
    } else if (HasTag(b, pos, "seq ")) {
      read_list(chunk, &sequence);
    } else if (HasTag(b, pos, "LIST") && HasTag(chunk, 0, "fram")) {
      size_t at = 4;
      while (chunk.size() >= 8 && at <= chunk.size() - 8) {
        const uint32_t sub_length = U32(chunk, at + 4);
        if (sub_length > chunk.size() - at - 8)
          return fail("frame chunk runs past the end of its list");
        if (HasTag(chunk, at, "icon")) {
          if (icons.size() == kMaxAnimationFrames) return fail("too many frames");
          icons.push_back(chunk.subspan(at + 8, sub_length));
        }
        at += 8 + static_cast<size_t>(sub_length) + (sub_length & 1);
      }
    }
    pos += 8 + static_cast<size_t>(length) + (length & 1);
  }
  if (!have_header) return fail("no 'anih' header");
  if (icons.empty()) return fail("no frames");

  CursorImage image;
  uint64_t pixels = 0;
  for (size_t i = 0; i < icons.size(); ++i) {
    std::string why;
    auto f = DecodeIconDirectory(icons[i], &why);
    if (!f) return fail("frame " + std::to_string(i) + ": " + why);
    pixels += f->argb.size();
    if (pixels > kMaxAnimationPixels) return fail("frames too large altogether");
    image.frames.push_back(std::move(*f));
  }

  // Without a sequence the frames play in order; the header's step count may
  // shorten that but never reaches past what is there.
  size_t step_count = sequence.empty() ? icons.size() : sequence.size();
  if (header_steps > 0 && header_steps < step_count) step_count = header_steps;
  if (step_count > kMaxAnimationSteps) return fail("too many steps");
  for (size_t i = 0; i < step_count; ++i) {
    const uint32_t frame = sequence.empty() ? static_cast<uint32_t>(i) : sequence[i];
    if (frame >= image.frames.size())
      return fail("step " + std::to_string(i) + " shows frame " + std::to_string(frame) + " of " +
                  std::to_string(image.frames.size()));
    const uint64_t jiffies =
        std::clamp<uint64_t>(i < rates.size() ? rates[i] : header_rate, 1, kMaxJiffies);
    image.steps.push_back({static_cast<int>(frame), static_cast<int>(jiffies * 1000 / 60)});
  }

  const CursorFrame& first = image.frames[image.steps[0].frame];
  image.width = first.width;
  image.height = first.height;
  image.hot_x = first.hot_x;
  image.hot_y = first.hot_y;
  image.argb = first.argb;
  if (!image.animated()) {
    image.frames.clear();
    image.steps.clear();
  }
  return image;
}

CursorImage Still(CursorFrame f) {
  CursorImage image;
  image.width = f.width;
  image.height = f.height;
  image.hot_x = f.hot_x;
  image.hot_y = f.hot_y;
  image.argb = std::move(f.argb);
  return image;
}

}  // namespace

std::optional<CursorImage> DecodeCursorFile(std::span<const uint8_t> bytes, std::string* error) {
  std::optional<CursorFrame> still;
  if (LooksLikePng(bytes)) {
    still = PngFrame(bytes, error);
  } else if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') {
    still = BmpFrame(bytes, error);
  } else if (HasTag(bytes, 0, "RIFF")) {
    if (bytes.size() < 12 || !HasTag(bytes, 8, "ACON"))
      return Fail<CursorImage>(error, "a RIFF file that is not an animated cursor");
    return DecodeAnimated(bytes, error);
  } else if (bytes.size() >= 6 && U16(bytes, 0) == 0 &&
             (U16(bytes, 2) == 1 || U16(bytes, 2) == 2)) {
    still = DecodeIconDirectory(bytes, error);
  } else {
    return Fail<CursorImage>(error, bytes.empty()
                                        ? "empty cursor file"
                                        : "not a cursor, icon, animated cursor, BMP or PNG file");
  }
  if (!still) return std::nullopt;
  return Still(std::move(*still));
}

}  // namespace vesk::graphics
