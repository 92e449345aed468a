#include <cstdint>
#include <span>
#include <string>

#include "graphics/cursor_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string error;
  const auto image = vesk::graphics::DecodeCursorFile(std::span(data, size), &error);
  if (!image) {
    // A refusal always says why.
    if (error.empty()) __builtin_trap();
    return 0;
  }
  // What the window will hand to the window system must hold together.
  const auto well_formed = [](int w, int h, int hx, int hy, size_t pixels) {
    return w > 0 && h > 0 && hx >= 0 && hx < w && hy >= 0 && hy < h &&
           pixels == static_cast<size_t>(w) * static_cast<size_t>(h);
  };
  if (!well_formed(image->width, image->height, image->hot_x, image->hot_y, image->argb.size()))
    __builtin_trap();
  for (const auto& f : image->frames)
    if (!well_formed(f.width, f.height, f.hot_x, f.hot_y, f.argb.size())) __builtin_trap();
  for (const auto& s : image->steps)
    if (s.frame < 0 || static_cast<size_t>(s.frame) >= image->frames.size() || s.delay_ms <= 0)
      __builtin_trap();
  return 0;
}
