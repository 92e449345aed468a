#pragma once
// Golden pictures for drawings no formula states compactly. A missing golden
// is written and the test fails until a person has looked at it; a mismatch
// writes NAME-ACTUAL.png beside the golden.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "graphics/dibsfc.h"

namespace vesk::graphics::testing {

inline std::filesystem::path GoldenDir() {
  return std::filesystem::path(VESK_FIXTURES_DIR).parent_path() / "graphics" / "golden";
}

// RGB rows of a surface (through its colours, so any format works).
inline std::vector<uint8_t> RgbBytes(const TCustomDIBX& s) {
  std::vector<uint8_t> out;
  const ConstPixelView v = s.View();
  for (int y = 0; y < s.Height(); ++y) {
    for (int x = 0; x < s.Width(); ++x) {
      const auto c = uint32_t(NativeToColor(s.GetPixel(x, y), s.BitCount(), v.palette));
      out.push_back(uint8_t(c));
      out.push_back(uint8_t(c >> 8));
      out.push_back(uint8_t(c >> 16));
    }
  }
  return out;
}

inline bool WritePng(const std::filesystem::path& path, int w, int h,
                     const std::vector<uint8_t>& rgb) {
  std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "wb"), std::fclose);
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, f.get());
  png_set_IHDR(png, info, png_uint_32(w), png_uint_32(h), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < h; ++y) png_write_row(png, rgb.data() + size_t(y) * size_t(w) * 3);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

inline bool ReadPng(const std::filesystem::path& path, int& w, int& h, std::vector<uint8_t>& rgb) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_RGB;
  rgb.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) return false;
  w = int(image.width);
  h = int(image.height);
  return true;
}

// Against `dir`/NAME.png (other test folders keep their goldens beside them).
inline ::testing::AssertionResult MatchesGoldenIn(const std::filesystem::path& dir,
                                                  const TCustomDIBX& s, const std::string& name) {
  const auto golden = dir / (name + ".png"), actual = dir / (name + "-ACTUAL.png");
  const std::vector<uint8_t> rgb = RgbBytes(s);
  int w = 0, h = 0;
  std::vector<uint8_t> want;
  if (!ReadPng(golden, w, h, want)) {
    std::filesystem::create_directories(dir);
    WritePng(golden, s.Width(), s.Height(), rgb);
    return ::testing::AssertionFailure()
           << "golden " << golden << " was missing; written for review";
  }
  if (w == s.Width() && h == s.Height() && want == rgb) {
    std::filesystem::remove(actual);
    return ::testing::AssertionSuccess();
  }
  WritePng(actual, s.Width(), s.Height(), rgb);
  return ::testing::AssertionFailure() << "differs from " << golden << "; see " << actual;
}

inline ::testing::AssertionResult MatchesGolden(const TCustomDIBX& s, const std::string& name) {
  return MatchesGoldenIn(GoldenDir(), s, name);
}

}  // namespace vesk::graphics::testing
