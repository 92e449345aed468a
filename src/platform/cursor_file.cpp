#include "platform/cursor_file.h"

#include <png.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace vesk::platform {
namespace {

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

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

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
bool IsPng(Bytes b) {
  return b.size() >= 8 && std::memcmp(b.data(), kPngSignature, 8) == 0;
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

// ---------------------------------------------------------------- PNG

struct PngSource {
  Bytes data;
  size_t pos = 0;
  char message[160] = {};
};

void PngRead(png_structp png, png_bytep out, png_size_t length) {
  auto* src = static_cast<PngSource*>(png_get_io_ptr(png));
  if (length > src->data.size() - src->pos) png_error(png, "the PNG data is truncated");
  std::memcpy(out, src->data.data() + src->pos, length);
  src->pos += length;
}

void PngError(png_structp png, png_const_charp message) {
  auto* src = static_cast<PngSource*>(png_get_error_ptr(png));
  std::snprintf(src->message, sizeof src->message, "%s", message ? message : "bad PNG data");
  png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}  // ancillary trouble: the picture is still usable

// Only pointers live across setjmp here, so the jump back leaves nothing
// half-destroyed; the caller owns the vectors.
bool ReadPng(PngSource* src, std::vector<uint8_t>* rgba, std::vector<png_bytep>* rows, int* width,
             int* height) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, src, PngError, PngWarning);
  if (!png) {
    std::snprintf(src->message, sizeof src->message, "out of memory");
    return false;
  }
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    std::snprintf(src->message, sizeof src->message, "out of memory");
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, src, PngRead);
  png_set_user_limits(png, kMaxSide, kMaxSide);
  // Compressed text or colour profiles could otherwise inflate to gigabytes.
  png_set_chunk_malloc_max(png, 1u << 20);
  png_read_info(png, info);

  png_uint_32 w = 0, h = 0;
  int depth = 0, color = 0;
  png_get_IHDR(png, info, &w, &h, &depth, &color, nullptr, nullptr, nullptr);
  if (color == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (color == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (png_get_valid(png, info, PNG_INFO_tRNS))
    png_set_tRNS_to_alpha(png);
  else if (!(color & PNG_COLOR_MASK_ALPHA))
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  if (depth == 16) png_set_strip_16(png);
  if (!(color & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != static_cast<size_t>(w) * 4)
    png_error(png, "unexpected PNG layout");

  rgba->resize(static_cast<size_t>(w) * h * 4);
  rows->resize(h);
  for (png_uint_32 y = 0; y < h; ++y) (*rows)[y] = rgba->data() + static_cast<size_t>(y) * w * 4;
  png_read_image(png, rows->data());
  // The trailing chunks are not read: nothing there changes the picture.
  png_destroy_read_struct(&png, &info, nullptr);
  *width = static_cast<int>(w);
  *height = static_cast<int>(h);
  return true;
}

std::optional<CursorFrame> DecodePng(Bytes data, std::string* error) {
  PngSource src{data};
  std::vector<uint8_t> rgba;
  std::vector<png_bytep> rows;
  int w = 0, h = 0;
  if (!ReadPng(&src, &rgba, &rows, &w, &h))
    return Fail<CursorFrame>(error, std::string("PNG: ") + src.message);
  if (w <= 0 || h <= 0) return Fail<CursorFrame>(error, "PNG: empty picture");
  CursorFrame f;
  f.width = w;
  f.height = h;
  f.argb.resize(static_cast<size_t>(w) * h);
  for (size_t i = 0; i < f.argb.size(); ++i) {
    const uint8_t* p = &rgba[i * 4];
    f.argb[i] = static_cast<uint32_t>(p[3]) << 24 | static_cast<uint32_t>(p[0]) << 16 |
                static_cast<uint32_t>(p[1]) << 8 | p[2];
  }
  return f;
}

// ---------------------------------------------------------------- DIB

constexpr uint32_t kBiRgb = 0, kBiBitfields = 3, kBiAlphaBitfields = 6;

struct DibLayout {
  int width = 0, height = 0;
  bool top_down = false;
  int bpp = 0;
  uint32_t masks[4] = {};         // red, green, blue, alpha (16 and 32 bits)
  std::vector<uint32_t> palette;  // 0xFFRRGGBB (8 bits and fewer)
  size_t header_end = 0;          // header, masks and palette, from the header's start

  size_t stride() const { return (static_cast<size_t>(width) * bpp + 31) / 32 * 4; }
};

// In an icon the stored height covers the colour picture and the mask below
// it, so it is twice the picture's.
std::optional<DibLayout> ReadDibHeader(Bytes dib, bool in_icon, std::string* error) {
  if (dib.size() < 4) return Fail<DibLayout>(error, "bitmap header truncated");
  const uint32_t header_size = U32(dib, 0);
  if (header_size == 12) return Fail<DibLayout>(error, "OS/2 bitmaps are not supported");
  if (header_size < 40 || header_size > 1024)
    return Fail<DibLayout>(error, "bad bitmap header size " + std::to_string(header_size));
  if (dib.size() < header_size) return Fail<DibLayout>(error, "bitmap header truncated");

  DibLayout d;
  const int64_t w = I32(dib, 4);
  int64_t h = I32(dib, 8);
  d.bpp = U16(dib, 14);
  const uint32_t compression = U32(dib, 16);
  const uint32_t colours_used = U32(dib, 32);
  if (in_icon) {
    h /= 2;
  } else if (h < 0) {
    d.top_down = true;
    h = -h;
  }
  if (w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide)
    return Fail<DibLayout>(error, "bad bitmap size " + std::to_string(w) + "x" + std::to_string(h));
  d.width = static_cast<int>(w);
  d.height = static_cast<int>(h);

  switch (d.bpp) {
    case 1:
    case 4:
    case 8:
    case 24:
      if (compression != kBiRgb)
        return Fail<DibLayout>(error, "compressed bitmaps are not supported");
      break;
    case 16:
    case 32:
      if (compression != kBiRgb && compression != kBiBitfields && compression != kBiAlphaBitfields)
        return Fail<DibLayout>(error, "compressed bitmaps are not supported");
      break;
    default:
      return Fail<DibLayout>(error, "unsupported bitmap depth " + std::to_string(d.bpp));
  }

  size_t pos = header_size;
  if (d.bpp == 16) {
    d.masks[0] = 0x7C00, d.masks[1] = 0x03E0, d.masks[2] = 0x001F;
  } else if (d.bpp == 32) {
    // The top byte is alpha when anything in it is set; callers decide.
    d.masks[0] = 0xFF0000, d.masks[1] = 0xFF00, d.masks[2] = 0xFF, d.masks[3] = 0xFF000000;
  }
  if (compression == kBiBitfields || compression == kBiAlphaBitfields) {
    // Newer headers hold the masks; the plain one is followed by them.
    const size_t count = compression == kBiAlphaBitfields || header_size >= 56 ? 4 : 3;
    size_t at = 40;
    if (header_size == 40) {
      if (dib.size() - pos < count * 4)
        return Fail<DibLayout>(error, "bitmap colour masks truncated");
      pos += count * 4;
    } else if (header_size < 40 + count * 4) {
      return Fail<DibLayout>(error, "bitmap colour masks missing");
    }
    for (size_t i = 0; i < 4; ++i) d.masks[i] = i < count ? U32(dib, at + 4 * i) : 0;
  }

  uint64_t palette_size = colours_used;
  if (d.bpp <= 8 && palette_size == 0) palette_size = 1u << d.bpp;
  if (palette_size > 256)
    return Fail<DibLayout>(error, "bad palette size " + std::to_string(palette_size));
  if (dib.size() - pos < palette_size * 4)
    return Fail<DibLayout>(error, "bitmap palette truncated");
  if (d.bpp <= 8) {
    d.palette.resize(palette_size);
    for (size_t i = 0; i < palette_size; ++i)
      d.palette[i] = 0xFF000000u | (U32(dib, pos + 4 * i) & 0xFFFFFF);
  }
  d.header_end = pos + palette_size * 4;
  return d;
}

// One channel under a bit mask, widened or narrowed to eight bits.
uint32_t Channel(uint32_t value, uint32_t mask) {
  if (mask == 0) return 0;
  const int shift = std::countr_zero(mask);
  const int bits = std::popcount(mask);
  const uint64_t v = (value & mask) >> shift;
  const uint64_t max = bits >= 32 ? 0xFFFFFFFFull : (1ull << bits) - 1;
  return static_cast<uint32_t>(std::min<uint64_t>(255, v * 255 / max));
}

// The colour picture; alpha is whatever the alpha mask reads (zero without
// one), *any_alpha tells whether any pixel had some.
std::optional<std::vector<uint32_t>> DecodeDibPixels(Bytes pixels, const DibLayout& d,
                                                     bool* any_alpha, std::string* error) {
  const size_t stride = d.stride();
  if (pixels.size() / stride < static_cast<size_t>(d.height))
    return Fail<std::vector<uint32_t>>(error, "bitmap pixels truncated");
  std::vector<uint32_t> out(static_cast<size_t>(d.width) * d.height);
  uint32_t alpha_seen = 0;
  for (int y = 0; y < d.height; ++y) {
    const size_t src_row = d.top_down ? y : d.height - 1 - y;
    const uint8_t* row = pixels.data() + src_row * stride;
    uint32_t* dst = &out[static_cast<size_t>(y) * d.width];
    for (int x = 0; x < d.width; ++x) {
      uint32_t c = 0;
      if (d.bpp <= 8) {
        uint32_t index = 0;
        if (d.bpp == 1)
          index = row[x >> 3] >> (7 - (x & 7)) & 1;
        else if (d.bpp == 4)
          index = row[x >> 1] >> (x & 1 ? 0 : 4) & 0xF;
        else
          index = row[x];
        c = index < d.palette.size() ? d.palette[index] : 0xFF000000u;
        c &= 0xFFFFFF;
      } else if (d.bpp == 24) {
        const uint8_t* p = row + 3 * x;
        c = static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[0];
      } else {
        const uint8_t* p = row + (d.bpp / 8) * x;
        const uint32_t v =
            d.bpp == 16 ? static_cast<uint32_t>(p[0] | p[1] << 8)
                        : static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                              static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
        const uint32_t a = Channel(v, d.masks[3]);
        alpha_seen |= a;
        c = a << 24 | Channel(v, d.masks[0]) << 16 | Channel(v, d.masks[1]) << 8 |
            Channel(v, d.masks[2]);
      }
      dst[x] = c;
    }
  }
  *any_alpha = alpha_seen != 0;
  return out;
}

void MakeOpaque(std::vector<uint32_t>* px) {
  for (uint32_t& c : *px) c |= 0xFF000000u;
}

// An icon or cursor picture stored as a bitmap: colours, then a one-bit mask
// where set bits are see-through. Pictures with real alpha ignore the mask.
std::optional<CursorFrame> DecodeIconDib(Bytes dib, std::string* error) {
  auto d = ReadDibHeader(dib, true, error);
  if (!d) return std::nullopt;
  const Bytes rest = dib.subspan(d->header_end);
  bool any_alpha = false;
  auto px = DecodeDibPixels(rest, *d, &any_alpha, error);
  if (!px) return std::nullopt;
  if (!any_alpha) {
    const size_t mask_stride = (static_cast<size_t>(d->width) + 31) / 32 * 4;
    const Bytes mask = rest.subspan(d->stride() * d->height);
    if (mask.size() / mask_stride < static_cast<size_t>(d->height))
      return Fail<CursorFrame>(error, "transparency mask truncated");
    for (int y = 0; y < d->height; ++y) {
      const uint8_t* row = mask.data() + static_cast<size_t>(d->height - 1 - y) * mask_stride;
      uint32_t* dst = &(*px)[static_cast<size_t>(y) * d->width];
      for (int x = 0; x < d->width; ++x) {
        const bool see_through = row[x >> 3] >> (7 - (x & 7)) & 1;
        // A set mask bit over a coloured pixel inverts the screen there; a
        // colour cursor cannot, and black keeps such text cursors visible.
        if (!see_through)
          dst[x] |= 0xFF000000u;
        else
          dst[x] = (dst[x] & 0xFFFFFF) ? 0xFF000000u : 0;
      }
    }
  }
  CursorFrame f;
  f.width = d->width;
  f.height = d->height;
  f.argb = std::move(*px);
  return f;
}

std::optional<CursorFrame> DecodeBmpFile(Bytes b, std::string* error) {
  if (b.size() < 18) return Fail<CursorFrame>(error, "BMP: file truncated");
  const uint32_t pixel_offset = U32(b, 10);
  auto d = ReadDibHeader(b.subspan(14), false, error);
  if (!d) {
    if (error) *error = "BMP: " + *error;
    return std::nullopt;
  }
  // Some writers leave the offset zero; the pixels then follow the palette.
  const size_t start = pixel_offset == 0 ? 14 + d->header_end : pixel_offset;
  if (start < 14 + 40 || start > b.size())
    return Fail<CursorFrame>(error,
                             "BMP: pixel offset " + std::to_string(pixel_offset) + " out of range");
  bool any_alpha = false;
  auto px = DecodeDibPixels(b.subspan(start), *d, &any_alpha, error);
  if (!px) {
    if (error) *error = "BMP: " + *error;
    return std::nullopt;
  }
  // Alpha that is zero everywhere is an unused byte, not an invisible picture.
  if (!any_alpha) MakeOpaque(&*px);
  CursorFrame f;
  f.width = d->width;
  f.height = d->height;
  f.argb = std::move(*px);
  return f;
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
  if (IsPng(b)) {
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
    auto f = IsPng(c.data) ? DecodePng(c.data, &why) : DecodeIconDib(c.data, &why);
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
  if (IsPng(bytes)) {
    still = DecodePng(bytes, error);
  } else if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') {
    still = DecodeBmpFile(bytes, error);
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

}  // namespace vesk::platform
