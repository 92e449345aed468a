#pragma once
// A mouse cursor as the window shows it: straight-alpha pixels with a hot
// spot, and for animated cursors the frames with the order and delays they
// play in. graphics/cursor_file decodes the files games ship into this; the
// window turns it into colour cursors of the window system.
#include <cstdint>
#include <vector>

namespace vesk::platform {

// One picture: 0xAARRGGBB pixels, straight alpha, rows top to bottom.
// Always 1 <= width, height and 0 <= hot_x < width, 0 <= hot_y < height.
struct CursorFrame {
  int width = 0, height = 0;
  int hot_x = 0, hot_y = 0;
  std::vector<uint32_t> argb;
};

// One step of an animation: which frame, for how long.
struct CursorStep {
  int frame = 0;
  int delay_ms = 0;
};

struct CursorImage {
  // What shows first (the whole cursor when it does not move).
  int width = 0, height = 0;
  int hot_x = 0, hot_y = 0;
  std::vector<uint32_t> argb;
  // Animated cursors only: the distinct frames and the order they play in,
  // looping. frames[steps[0].frame] is the picture above. Both empty for a
  // still cursor.
  std::vector<CursorFrame> frames;
  std::vector<CursorStep> steps;

  bool animated() const { return steps.size() > 1; }
};

}  // namespace vesk::platform
