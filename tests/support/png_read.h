#pragma once
// Reading back the PNG screenshots the player writes.
#include <png.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace vesk::test_support {

inline void PngSize(const std::filesystem::path& file, int* w, int* h) {
  *w = *h = -1;
  std::FILE* f = std::fopen(file.c_str(), "rb");
  if (!f) return;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (!setjmp(png_jmpbuf(png))) {
    png_init_io(png, f);
    png_read_info(png, info);
    *w = static_cast<int>(png_get_image_width(png, info));
    *h = static_cast<int>(png_get_image_height(png, info));
  }
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(f);
}

// The pixel at (x, y) of a PNG as 0xRRGGBB; -1 when the file cannot be read.
inline int64_t PngPixel(const std::filesystem::path& file, int x, int y) {
  std::FILE* f = std::fopen(file.c_str(), "rb");
  if (!f) return -1;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  int64_t result = -1;
  if (!setjmp(png_jmpbuf(png))) {
    png_init_io(png, f);
    png_read_info(png, info);
    png_set_strip_alpha(png);
    png_read_update_info(png, info);
    const int w = static_cast<int>(png_get_image_width(png, info));
    const int h = static_cast<int>(png_get_image_height(png, info));
    std::vector<uint8_t> rows(static_cast<size_t>(w) * h * 3);
    std::vector<png_bytep> pointers(static_cast<size_t>(h));
    for (int r = 0; r < h; ++r)
      pointers[static_cast<size_t>(r)] = rows.data() + static_cast<size_t>(r) * w * 3;
    png_read_image(png, pointers.data());
    if (x >= 0 && y >= 0 && x < w && y < h) {
      const uint8_t* p = rows.data() + (static_cast<size_t>(y) * w + x) * 3;
      result = (int64_t{p[0]} << 16) | (p[1] << 8) | p[2];
    }
  }
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(f);
  return result;
}

}  // namespace vesk::test_support
