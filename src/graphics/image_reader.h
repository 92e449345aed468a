#pragma once
// The picture files of a game as the rest of the player sees them: the
// reader that drawing surfaces use for PNG and layered-image bytes, and one
// call that turns a picture file into ready surfaces, frame by frame.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "graphics/dibsfc.h"
#include "graphics/orlo.h"

namespace vesk::graphics {

// PNG and "Orlo" bytes for TCustomDIBX::LoadFromStream (first frame only).
class ImageFormatReader : public ForeignImageReader {
 public:
  bool Read(std::span<const uint8_t> bytes, uint32_t scramble_seed, TDIBX& image) const override;
};

// The process-wide instance.
const ForeignImageReader& ImageFormats();

struct PictureOptions {
  // Bit count of the surfaces made (the screen's working bit count).
  int working_bit_count = 32;
  // The project's image seed.
  uint32_t scramble_seed = 0;
  // "?m": every frame gets a mask (from its colour key when it has none).
  bool want_masks = false;
  // "?t": frames are cut to their visible pixels; the offsets say where.
  bool want_offsets = false;
  // The decoder itself reduces frames to the working bit count.
  bool dither = false;
};

// One frame ready to draw.
struct PictureFrame {
  std::unique_ptr<TDIBX> Surface;  // working bit count; its ColorKey() is native
  std::unique_ptr<TDIBX> Mask;     // 8 bits, or none
  int32_t ColorKey = -1;           // colour value 0x00BBGGRR, -1 none
  int32_t Delay = 1;               // milliseconds, at least 1
  int32_t OffsetX = 0;             // where the trimmed frame lay (want_offsets)
  int32_t OffsetY = 0;
};

// Decodes the picture file `name` (".orl", ".png", ".bmp", ".dib"; the
// extension decides) from `bytes`. A frame gets a mask when masks are
// wanted, or when it has an alpha channel and no colour key. An unknown
// extension gives no frames; damaged data raises EGraphicsError.
std::vector<PictureFrame> LoadPictureFrames(const std::string& name, std::span<const uint8_t> bytes,
                                            const PictureOptions& options);

}  // namespace vesk::graphics
