#include "graphics/image_reader.h"

#include <algorithm>
#include <cstring>

#include "graphics/image_codecs.h"

namespace vesk::graphics {

bool ImageFormatReader::Read(std::span<const uint8_t> bytes, uint32_t scramble_seed,
                             TDIBX& image) const {
  TOrloFrameList list(scramble_seed);
  if (LooksLikePng(bytes)) {
    list.LoadFromBytes(".png", bytes);
  } else if (bytes.size() >= 4 && std::memcmp(bytes.data(), "Orlo", 4) == 0) {
    list.LoadFromStream(bytes, /*first_frame_only=*/true);
  } else {
    return false;
  }
  if (list.Count() == 0) return false;
  TOrloFrame& frame = list.Frame(0);
  static_cast<TDIBX&>(image) = std::move(static_cast<TDIBX&>(frame.Bitmap));
  image.FirstAreas = std::move(frame.FirstAreas);
  image.SecondAreas = std::move(frame.SecondAreas);
  return true;
}

const ForeignImageReader& ImageFormats() {
  static const ImageFormatReader reader;
  return reader;
}

std::vector<PictureFrame> LoadPictureFrames(const std::string& name, std::span<const uint8_t> bytes,
                                            const PictureOptions& options) {
  TOrloFrameList list(options.scramble_seed);
  if (options.dither) list.TargetBitCount = options.working_bit_count;
  if (!list.LoadFromBytes(name, bytes)) return {};
  if (options.want_masks) list.MakeKeyMasks();
  std::vector<PictureFrame> frames;
  frames.reserve(size_t(list.Count()));
  for (auto& f : list.Frames) {
    TOrloFrame& frame = *f;
    PictureFrame out;
    if (options.want_offsets) {
      const Rect box = frame.Trim();
      out.OffsetX = box.left;
      out.OffsetY = box.top;
    }
    out.Surface = std::make_unique<TDIBX>(0, 0, options.working_bit_count);
    AssignTo(frame, *out.Surface);
    out.ColorKey = frame.ColorKeyColor;
    out.Surface->SetColorKey(out.Surface->ColorToPixel(frame.ColorKeyColor));
    if (frame.HasMask() && (options.want_masks || frame.ColorKey < 0)) {
      out.Mask = std::make_unique<TDIBX>();
      MaskTo(frame, *out.Mask);
    }
    out.Delay = std::max(frame.FrameTime, 1);
    frames.push_back(std::move(out));
  }
  return frames;
}

}  // namespace vesk::graphics
