#pragma once
// Mouse cursor files as games ship them: Windows cursors and icons (.cur,
// .ico), animated cursors (.ani) and plain pictures (.bmp, .png). The bytes
// come from the game's files; the window turns the result into a colour
// cursor. The format is told by the content, not by the name, because games
// are careless with extensions.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
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

// Decodes a cursor, icon, animated cursor, BMP or PNG file. Icons and plain
// pictures point at their top-left pixel. nullopt with *error set when the
// bytes are none of these or are damaged.
std::optional<CursorImage> DecodeCursorFile(std::span<const uint8_t> bytes, std::string* error);

}  // namespace vesk::platform
