// JPEG-coded layers through libjpeg. libjpeg reports errors by calling
// error_exit, which must not return: it jumps back to the frame that set
// up the decoder, where the C++ objects it could cross already live.
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

#include "graphics/dibsfc_kernels.h"
#include "graphics/image_codecs.h"

namespace vesk::graphics {

using detail::LoadNative;

namespace {

// Progressive files may hold any number of scans; a hostile one with
// thousands of tiny scans would decode for minutes.
constexpr int kMaxScans = 1000;

struct JpegErrors {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void OnErrorExit(j_common_ptr cinfo) {
  auto* e = reinterpret_cast<JpegErrors*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, e->message);
  std::longjmp(e->jump, 1);
}

void OnMessage(j_common_ptr) {}

void OnProgress(j_common_ptr cinfo) {
  if (cinfo->is_decompressor) {
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > kMaxScans) {
      auto* e = reinterpret_cast<JpegErrors*>(cinfo->err);
      std::snprintf(e->message, sizeof e->message, "more than %d scans", kMaxScans);
      std::longjmp(e->jump, 1);
    }
  }
}

struct Decompressor {
  jpeg_decompress_struct cinfo{};
  bool created = false;
  ~Decompressor() {
    if (created) jpeg_destroy_decompress(&cinfo);
  }
};

struct Compressor {
  jpeg_compress_struct cinfo{};
  bool created = false;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  ~Compressor() {
    if (created) jpeg_destroy_compress(&cinfo);
    std::free(buffer);
  }
};

[[noreturn]] void Fail(const std::string& what) {
  throw EGraphicsError("JPEG: " + what);
}

}  // namespace

void DecodeJpeg(std::span<const uint8_t> bytes, TDIBX& out, size_t max_bytes) {
  if (bytes.size() < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8) Fail("no JPEG start marker");
  JpegErrors errors{};
  Decompressor d;
  jpeg_progress_mgr progress{};
  TDIBX image;
  d.cinfo.err = jpeg_std_error(&errors.mgr);
  errors.mgr.error_exit = OnErrorExit;
  errors.mgr.output_message = OnMessage;
  if (setjmp(errors.jump)) Fail(errors.message);
  jpeg_create_decompress(&d.cinfo);
  d.created = true;
  progress.progress_monitor = OnProgress;
  d.cinfo.progress = &progress;
  jpeg_mem_src(&d.cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&d.cinfo, TRUE);
  const JDIMENSION w = d.cinfo.image_width, h = d.cinfo.image_height;
  if (w == 0 || h == 0 || w > JDIMENSION(TDIBX::kMaxSidePx) || h > JDIMENSION(TDIBX::kMaxSidePx))
    Fail("picture size " + std::to_string(w) + " x " + std::to_string(h) + " out of range");
  // The bitmap and the decoder's own buffers (whole-image coefficients for
  // progressive files).
  if (uint64_t(w) * h * 9 > max_bytes) Fail("picture too large");
  if (d.cinfo.jpeg_color_space == JCS_CMYK || d.cinfo.jpeg_color_space == JCS_YCCK)
    Fail("CMYK pictures are not supported");
  d.cinfo.out_color_space = JCS_EXT_BGR;
  d.cinfo.mem->max_memory_to_use = static_cast<long>(std::min<uint64_t>(max_bytes, 1u << 30));
  image.SetSize(int(w), int(h), 24);
  jpeg_start_decompress(&d.cinfo);
  if (d.cinfo.output_width != w || d.cinfo.output_height != h || d.cinfo.output_components != 3)
    Fail("unexpected output layout");
  const PixelView v = image.View();
  while (d.cinfo.output_scanline < h) {
    JSAMPROW row = v.Row(int(d.cinfo.output_scanline));
    if (jpeg_read_scanlines(&d.cinfo, &row, 1) != 1) Fail("data ends early");
  }
  // Trailing garbage after the last scan is no reason to lose the picture.
  jpeg_abort_decompress(&d.cinfo);
  out = std::move(image);
}

std::vector<uint8_t> EncodeJpeg(const TCustomDIBX& image, int quality) {
  const int w = image.Width(), h = image.Height();
  if (w <= 0 || h <= 0) Fail("cannot write an empty picture");
  JpegErrors errors{};
  Compressor c;
  std::vector<uint8_t> row(size_t(w) * 3);
  const ConstPixelView v = image.View();
  c.cinfo.err = jpeg_std_error(&errors.mgr);
  errors.mgr.error_exit = OnErrorExit;
  errors.mgr.output_message = OnMessage;
  if (setjmp(errors.jump)) Fail(errors.message);
  jpeg_create_compress(&c.cinfo);
  c.created = true;
  jpeg_mem_dest(&c.cinfo, &c.buffer, &c.size);
  c.cinfo.image_width = JDIMENSION(w);
  c.cinfo.image_height = JDIMENSION(h);
  c.cinfo.input_components = 3;
  c.cinfo.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&c.cinfo);
  jpeg_set_quality(&c.cinfo, std::clamp(quality, 1, 100), TRUE);
  jpeg_start_compress(&c.cinfo, TRUE);
  while (c.cinfo.next_scanline < c.cinfo.image_height) {
    const int y = int(c.cinfo.next_scanline);
    for (int x = 0; x < w; ++x) {
      const uint32_t value =
          v.empty() ? image.GetPixel(x, y) : LoadNative(v.Row(y), x, v.bit_count);
      const auto color = uint32_t(NativeToColor(value, image.BitCount(), v.palette));
      row[size_t(x) * 3] = uint8_t(color >> 16);
      row[size_t(x) * 3 + 1] = uint8_t(color >> 8);
      row[size_t(x) * 3 + 2] = uint8_t(color);
    }
    JSAMPROW p = row.data();
    jpeg_write_scanlines(&c.cinfo, &p, 1);
  }
  jpeg_finish_compress(&c.cinfo);
  return std::vector<uint8_t>(c.buffer, c.buffer + c.size);
}

}  // namespace vesk::graphics
