#pragma once
// Writing layered images ("Orlo106"): the authoring tool's side of the
// format. Layers are stored in blocks with de-duplication (a block equal to
// an earlier block of the same bitmap, or to the block at the same place in
// an earlier layer of the same size, is stored as a reference), zlib, plain
// or JPEG-coded, optionally scrambled with the project's image seed.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "graphics/dibsfc.h"
#include "graphics/orlo.h"

namespace vesk::graphics {

struct TOrloLayerInput {
  TDIBX Pixels;                 // the frame's size; converted to its bit count
  std::unique_ptr<TDIBX> Mask;  // 8 bits, the frame's size, or none
  bool Visible = true;
  int32_t ColorKey = -1;     // native value (palette index when paletted)
  int32_t Opacity = 255;     // 0..255
  bool AlphaEnabled = true;  // whether the mask is used
};

struct TOrloFrameInput {
  int Width = 0;
  int Height = 0;
  int BitCount = 24;      // 1, 4, 8, 16 (5-6-5), 24 or 32
  Palette Colors{};       // for 8 bits and fewer
  int32_t ColorKey = -1;  // native value / palette index, -1 none
  int32_t FrameTime = 0;  // milliseconds
  std::vector<TOrloLayerInput> Layers;
  std::vector<Rect> FirstAreas;
  std::vector<Rect> SecondAreas;
};

struct OrloWriteOptions {
  int Version = 106;  // 103 .. 106
  OrloCompression Compression = OrloCompression::kZlib;
  bool Scramble = false;
  uint32_t ScrambleSeed = 0;  // the project's image seed; the file does not carry it
  int BlockWidth = 16;        // 0 (either) stores whole rows, without de-duplication
  int BlockHeight = 16;
  int32_t BackgroundColor = 0;  // 0x00BBGGRR
  bool OpaqueBottom = false;
  int JpegQuality = 90;
  int ZlibLevel = 6;
};

// The file's bytes. Throws EGraphicsError for layers that do not fit their
// frame, unknown bit counts and options out of range.
std::vector<uint8_t> EncodeOrlo(const std::vector<TOrloFrameInput>& frames,
                                const OrloWriteOptions& options);

}  // namespace vesk::graphics
