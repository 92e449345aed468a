#pragma once
#include <vector>

namespace vesk::platform {

struct DisplayMode {
  int width_px = 0;
  int height_px = 0;
  int bits_per_pixel = 32;
  int refresh_hz = 0;
  bool operator==(const DisplayMode&) const = default;
};

}  // namespace vesk::platform
