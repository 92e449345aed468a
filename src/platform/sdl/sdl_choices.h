#pragma once
// The SDL window's decisions that depend only on what the display and the
// driver report, declared without SDL's headers so that tests can reach them.
#include <cstdint>
#include <string>

namespace vesk::platform {

// A display format (an SDL_PIXELFORMAT_ value) as the screen manager counts
// it: a 5-5-5 display, which SDL reports as 15 bits per pixel, is a 16-bit
// one with 5-5-5 masks. An unknown format reads as 24 bits.
struct DesktopDepth {
  int bits_per_pixel = 24;
  bool rgb555 = false;
};
DesktopDepth DescribeDesktop(uint32_t sdl_pixel_format);

// A GL driver that rasterises on the processor (Mesa's llvmpipe, softpipe
// or the old swrast, as under a virtual X server) is far dearer per frame
// than SDL's own software renderer: the window uses the latter instead.
bool IsSoftwareRasterizer(const std::string& gl_renderer_name);

// Waiting for the vertical blank must not slow the game down. A present
// waits up to one refresh period; the frame loop still sleeps its minimum
// and does its work within its own period only when the display refreshes
// fast enough. Unknown rates (0) get no waiting.
bool VsyncKeepsPace(int refresh_hz, int frame_period_ms);

}  // namespace vesk::platform
