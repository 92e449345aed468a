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

// Every pixel of a PNG as 0xRRGGBB, row by row; empty when the file cannot
// be read.
inline std::vector<uint32_t> PngPixels(const std::filesystem::path& file, int* w, int* h) {
  std::vector<uint32_t> out;
  *w = *h = 0;
  std::FILE* f = std::fopen(file.c_str(), "rb");
  if (!f) return out;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (!setjmp(png_jmpbuf(png))) {
    png_init_io(png, f);
    png_read_info(png, info);
    png_set_strip_alpha(png);
    png_read_update_info(png, info);
    const int width = static_cast<int>(png_get_image_width(png, info));
    const int height = static_cast<int>(png_get_image_height(png, info));
    std::vector<uint8_t> rows(static_cast<size_t>(width) * height * 3);
    std::vector<png_bytep> pointers(static_cast<size_t>(height));
    for (int r = 0; r < height; ++r)
      pointers[static_cast<size_t>(r)] = rows.data() + static_cast<size_t>(r) * width * 3;
    png_read_image(png, pointers.data());
    out.resize(static_cast<size_t>(width) * height);
    for (size_t i = 0; i < out.size(); ++i)
      out[i] = uint32_t{rows[i * 3]} << 16 | uint32_t{rows[i * 3 + 1]} << 8 | rows[i * 3 + 2];
    *w = width;
    *h = height;
  }
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(f);
  return out;
}

// The pixel at (x, y) of a PNG as 0xRRGGBB; -1 when the file cannot be read.
inline int64_t PngPixel(const std::filesystem::path& file, int x, int y) {
  int w = 0, h = 0;
  const std::vector<uint32_t> pixels = PngPixels(file, &w, &h);
  if (pixels.empty() || x < 0 || y < 0 || x >= w || y >= h) return -1;
  return pixels[static_cast<size_t>(y) * w + x];
}

}  // namespace vesk::test_support
