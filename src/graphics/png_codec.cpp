// PNG pictures through libpng. libpng reports errors by longjmp, so every
// C++ object the jump could cross lives in the calling frame, declared
// before setjmp, and our own failures are thrown from our own frames only.
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "graphics/dibsfc_kernels.h"
#include "graphics/image_codecs.h"

namespace vesk::graphics {

using detail::LoadNative;

namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

struct PngIo {
  const uint8_t* data = nullptr;
  size_t size = 0;
  size_t pos = 0;
  std::vector<uint8_t>* out = nullptr;
  char message[256] = {};
};

void OnError(png_structp png, png_const_charp msg) {
  auto* io = static_cast<PngIo*>(png_get_error_ptr(png));
  std::snprintf(io->message, sizeof io->message, "%s", msg ? msg : "unknown error");
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void OnRead(png_structp png, png_bytep out, size_t n) {
  auto* io = static_cast<PngIo*>(png_get_io_ptr(png));
  if (n > io->size - io->pos) png_error(png, "data ends early");
  std::memcpy(out, io->data + io->pos, n);
  io->pos += n;
}

void OnWrite(png_structp png, png_bytep data, size_t n) {
  auto* io = static_cast<PngIo*>(png_get_io_ptr(png));
  try {
    io->out->insert(io->out->end(), data, data + n);
  } catch (const std::bad_alloc&) {
    png_error(png, "out of memory");
  }
}

void OnFlush(png_structp) {}

[[noreturn]] void Fail(const std::string& what) {
  throw EGraphicsError("PNG: " + what);
}

// A reader of `io`'s bytes refusing sides over max_side and ancillary
// chunks over max_chunk bytes. Nothing here can jump: the caller sets the
// jump point right after.
struct ReadStructs {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ReadStructs(PngIo& io, png_uint_32 max_side, png_alloc_size_t max_chunk) {
    png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &io, OnError, OnWarning);
    if (png) info = png_create_info_struct(png);
    if (!info) {
      png_destroy_read_struct(&png, nullptr, nullptr);
      Fail("cannot create a reader");
    }
    png_set_read_fn(png, &io, OnRead);
    png_set_user_limits(png, max_side, max_side);
    png_set_chunk_malloc_max(png, max_chunk);
  }
  ReadStructs(const ReadStructs&) = delete;
  ReadStructs& operator=(const ReadStructs&) = delete;
  ~ReadStructs() { png_destroy_read_struct(&png, &info, nullptr); }
};

struct WriteStructs {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~WriteStructs() { png_destroy_write_struct(&png, info ? &info : nullptr); }
};

enum class Layout { kIndexed, kRgb, kRgba };

// Everything the decoder decides before reading rows; lives in the frame
// that calls setjmp.
struct Plan {
  Layout layout = Layout::kRgb;
  int32_t key = -1;
  png_uint_32 width = 0, height = 0;
};

// A grey or channel sample of the file's bit depth, as 8 bits.
uint32_t To8(uint32_t v, int depth) {
  if (depth == 16) return v >> 8;
  if (depth >= 8) return v & 0xFF;
  return (v & ((1u << depth) - 1)) * 255 / ((1u << depth) - 1);
}

// Reads the header and sets up the transformations. Holds no object with a
// destructor: libpng may jump out of it.
void Prepare(png_structp png, png_infop info, Plan& plan, size_t max_bytes) {
  png_read_info(png, info);
  int depth = 0, color_type = 0;
  png_get_IHDR(png, info, &plan.width, &plan.height, &depth, &color_type, nullptr, nullptr,
               nullptr);
  if (plan.width == 0 || plan.height == 0 || plan.width > png_uint_32(TDIBX::kMaxSidePx) ||
      plan.height > png_uint_32(TDIBX::kMaxSidePx)) {
    png_error(png, "picture size out of range");
  }
  // Room for the widest layout (RGBA rows) and the bitmap.
  if (uint64_t(plan.width) * plan.height * 7 > max_bytes) png_error(png, "picture too large");

  png_bytep trans_alpha = nullptr;
  int trans_count = 0;
  png_color_16p trans_color = nullptr;
  const bool has_trns = png_get_valid(png, info, PNG_INFO_tRNS) != 0 &&
                        png_get_tRNS(png, info, &trans_alpha, &trans_count, &trans_color) != 0;
  png_set_strip_16(png);
  switch (color_type) {
    case PNG_COLOR_TYPE_PALETTE: {
      int zero = 0, partial = 0, zero_index = -1;
      for (int i = 0; has_trns && trans_alpha && i < trans_count; ++i) {
        if (trans_alpha[i] == 0) {
          ++zero;
          zero_index = i;
        } else if (trans_alpha[i] != 255) {
          ++partial;
        }
      }
      if (partial > 0 || zero > 1) {
        png_set_palette_to_rgb(png);
        png_set_tRNS_to_alpha(png);
        plan.layout = Layout::kRgba;
      } else {
        if (depth < 8) png_set_packing(png);
        plan.layout = Layout::kIndexed;
        plan.key = zero == 1 ? zero_index : -1;
      }
      break;
    }
    case PNG_COLOR_TYPE_GRAY:
      if (depth < 8) png_set_expand_gray_1_2_4_to_8(png);
      png_set_gray_to_rgb(png);
      plan.layout = Layout::kRgb;
      if (has_trns && trans_color) {
        const uint32_t g = To8(trans_color->gray, depth);
        plan.key = int32_t(g | g << 8 | g << 16);
      }
      break;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
      png_set_gray_to_rgb(png);
      plan.layout = Layout::kRgba;
      break;
    case PNG_COLOR_TYPE_RGB:
      plan.layout = Layout::kRgb;
      if (has_trns && trans_color) {
        plan.key = int32_t(To8(trans_color->blue, depth) | To8(trans_color->green, depth) << 8 |
                           To8(trans_color->red, depth) << 16);
      }
      break;
    case PNG_COLOR_TYPE_RGB_ALPHA:
      plan.layout = Layout::kRgba;
      break;
    default:
      png_error(png, "unknown colour type");
  }
  png_set_bgr(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  const size_t want = plan.layout == Layout::kIndexed ? plan.width
                      : plan.layout == Layout::kRgb   ? size_t(plan.width) * 3
                                                      : size_t(plan.width) * 4;
  if (png_get_rowbytes(png, info) != want) png_error(png, "unexpected row layout");
}

// Reads the header and asks for 8-bit RGBA rows whatever the file holds:
// colour tables expanded, a transparent colour turned into alpha, grey
// spread to RGB, 16-bit samples cut to their high byte. Holds no object
// with a destructor: libpng may jump out of it.
void PrepareRgba(png_structp png, png_infop info, png_uint_32* width, png_uint_32* height) {
  png_read_info(png, info);
  int depth = 0, color_type = 0;
  png_get_IHDR(png, info, width, height, &depth, &color_type, nullptr, nullptr, nullptr);
  if (color_type == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (color_type == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (png_get_valid(png, info, PNG_INFO_tRNS))
    png_set_tRNS_to_alpha(png);
  else if (!(color_type & PNG_COLOR_MASK_ALPHA))
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  if (depth == 16) png_set_strip_16(png);
  if (!(color_type & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != size_t(*width) * 4) png_error(png, "unexpected PNG layout");
}

}  // namespace

bool LooksLikePng(std::span<const uint8_t> bytes) {
  return bytes.size() >= 8 && std::memcmp(bytes.data(), kSignature, 8) == 0;
}

void DecodePng(std::span<const uint8_t> bytes, TDIBSurface& out, int32_t* color_key,
               size_t max_bytes) {
  if (!LooksLikePng(bytes)) Fail("no PNG signature");
  PngIo io{bytes.data(), bytes.size()};
  ReadStructs s(io, TDIBX::kMaxSidePx, 16u << 20);
  Plan plan;
  TDIBSurface image;
  std::vector<uint8_t> rgba;
  std::vector<png_bytep> rows;
  if (setjmp(png_jmpbuf(s.png))) Fail(io.message);
  Prepare(s.png, s.info, plan, max_bytes);

  const int w = int(plan.width), h = int(plan.height);
  image.SetSize(w, h, plan.layout == Layout::kIndexed ? 8 : 24);
  rows.resize(size_t(h));
  if (plan.layout == Layout::kIndexed) {
    png_colorp entries = nullptr;
    int count = 0;
    Palette palette{};
    if (png_get_PLTE(s.png, s.info, &entries, &count) != 0) {
      for (int i = 0; i < std::min(count, 256); ++i) {
        palette[size_t(i)] = PaletteEntry{entries[i].blue, entries[i].green, entries[i].red, 0};
      }
    }
    image.SetPalette(palette);
  }
  const PixelView v = image.View();
  if (plan.layout == Layout::kRgba) {
    rgba.resize(size_t(w) * 4 * size_t(h));
    for (int y = 0; y < h; ++y) rows[size_t(y)] = rgba.data() + size_t(y) * size_t(w) * 4;
  } else {
    // Indexed and RGB rows land straight in the bitmap.
    for (int y = 0; y < h; ++y) rows[size_t(y)] = v.Row(y);
  }
  png_read_image(s.png, rows.data());

  if (plan.layout == Layout::kRgba) {
    TDIBX& mask = image.CreateMask(0);
    const PixelView m = mask.View();
    for (int y = 0; y < h; ++y) {
      const uint8_t* from = rows[size_t(y)];
      uint8_t* to = v.Row(y);
      uint8_t* alpha = m.Row(y);
      for (int x = 0; x < w; ++x, from += 4, to += 3) {
        to[0] = from[0];
        to[1] = from[1];
        to[2] = from[2];
        alpha[x] = from[3];
      }
    }
  }
  out = std::move(image);
  if (color_key) *color_key = plan.key;
}

ArgbPicture DecodePngArgb(std::span<const uint8_t> bytes, int max_side) {
  if (!LooksLikePng(bytes)) Fail("no PNG signature");
  PngIo io{bytes.data(), bytes.size()};
  // Compressed text or colour profiles could otherwise inflate to megabytes
  // for a picture of a few thousand pixels.
  ReadStructs s(io, png_uint_32(max_side), 1u << 20);
  png_uint_32 w = 0, h = 0;
  std::vector<uint8_t> rgba;
  std::vector<png_bytep> rows;
  if (setjmp(png_jmpbuf(s.png))) Fail(io.message);
  PrepareRgba(s.png, s.info, &w, &h);
  rgba.resize(size_t(w) * h * 4);
  rows.resize(h);
  for (png_uint_32 y = 0; y < h; ++y) rows[y] = rgba.data() + size_t(y) * w * 4;
  png_read_image(s.png, rows.data());
  // The trailing chunks are not read: nothing there changes the picture.

  ArgbPicture out{int(w), int(h), std::vector<uint32_t>(size_t(w) * h)};
  for (size_t i = 0; i < out.argb.size(); ++i) {
    const uint8_t* p = &rgba[i * 4];
    out.argb[i] = uint32_t(p[3]) << 24 | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
  }
  return out;
}

namespace {

// Writes rows of 8-bit samples, `channels` to a pixel (3: RGB, 4: RGBA), with
// `trans` as the transparent colour when given.
std::vector<uint8_t> WriteRows(int w, int h, int channels, const std::vector<const uint8_t*>& rows,
                               const png_color_16* trans) {
  std::vector<uint8_t> out;
  PngIo io;
  io.out = &out;
  WriteStructs s;
  s.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &io, OnError, OnWarning);
  if (!s.png) Fail("cannot create a writer");
  s.info = png_create_info_struct(s.png);
  if (!s.info) Fail("cannot create a writer");
  if (setjmp(png_jmpbuf(s.png))) Fail(io.message);
  png_set_write_fn(s.png, &io, OnWrite, OnFlush);
  png_set_IHDR(s.png, s.info, png_uint_32(w), png_uint_32(h), 8,
               channels == 4 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (trans) png_set_tRNS(s.png, s.info, nullptr, 0, trans);
  png_write_info(s.png, s.info);
  for (const uint8_t* row : rows) png_write_row(s.png, row);
  png_write_end(s.png, nullptr);
  return out;
}

}  // namespace

std::vector<uint8_t> EncodePng(const TCustomDIBX& image, const TCustomDIBX* mask,
                               int32_t color_key_color) {
  const int w = image.Width(), h = image.Height();
  if (w <= 0 || h <= 0) Fail("cannot write an empty picture");
  const bool with_alpha = mask != nullptr;
  const int channels = with_alpha ? 4 : 3;
  std::vector<uint8_t> pixels(size_t(w) * size_t(channels) * size_t(h));
  std::vector<const uint8_t*> rows(static_cast<size_t>(h));
  const ConstPixelView v = image.View();
  for (int y = 0; y < h; ++y) {
    uint8_t* row = pixels.data() + size_t(y) * size_t(w) * size_t(channels);
    rows[size_t(y)] = row;
    for (int x = 0; x < w; ++x, row += channels) {
      const uint32_t c = uint32_t(
          NativeToColor(v.empty() ? image.GetPixel(x, y) : LoadNative(v.Row(y), x, v.bit_count),
                        image.BitCount(), v.palette));
      row[0] = uint8_t(c);
      row[1] = uint8_t(c >> 8);
      row[2] = uint8_t(c >> 16);
      if (with_alpha) row[3] = uint8_t(mask->GetPixel(x, y));
    }
  }
  png_color_16 trans{};
  if (!with_alpha && color_key_color >= 0) {
    trans.red = png_uint_16(color_key_color & 0xFF);
    trans.green = png_uint_16((color_key_color >> 8) & 0xFF);
    trans.blue = png_uint_16((color_key_color >> 16) & 0xFF);
    return WriteRows(w, h, channels, rows, &trans);
  }
  return WriteRows(w, h, channels, rows, nullptr);
}

std::vector<uint8_t> EncodePngRgb(std::span<const uint8_t> rgb, int width, int height) {
  if (width <= 0 || height <= 0) Fail("cannot write an empty picture");
  const size_t stride = size_t(width) * 3;
  if (rgb.size() / stride < size_t(height)) Fail("fewer pixels than the picture's size");
  std::vector<const uint8_t*> rows(static_cast<size_t>(height));
  for (size_t y = 0; y < rows.size(); ++y) rows[y] = rgb.data() + y * stride;
  return WriteRows(width, height, 3, rows, nullptr);
}

}  // namespace vesk::graphics
