#include "app/screenshot.h"

#include <png.h>

#include <vector>

#include "platform/files.h"

namespace vesk::app {
namespace {

void AppendToVector(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

}  // namespace

bool SavePng(const platform::BackBuffer& frame, const std::string& path, std::string* error) {
  if (frame.empty()) {
    if (error) *error = "no frame has been drawn";
    return false;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    if (error) *error = "out of memory";
    return false;
  }
  std::vector<uint8_t> encoded;
  std::vector<uint8_t> row(static_cast<size_t>(frame.width_px()) * 3);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    if (error) *error = "PNG encoding failed";
    return false;
  }
  png_set_write_fn(png, &encoded, AppendToVector, nullptr);
  png_set_IHDR(png, info, frame.width_px(), frame.height_px(), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < frame.height_px(); ++y) {
    for (int x = 0; x < frame.width_px(); ++x) {
      const uint32_t rgb = frame.GetRgb(x, y);
      row[x * 3] = static_cast<uint8_t>(rgb >> 16);
      row[x * 3 + 1] = static_cast<uint8_t>(rgb >> 8);
      row[x * 3 + 2] = static_cast<uint8_t>(rgb);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  if (!platform::WriteFileAtomic(path, encoded.data(), encoded.size())) {
    if (error) *error = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace vesk::app
