#include "app/screenshot.h"

#include <exception>
#include <vector>

#include "graphics/image_codecs.h"
#include "platform/files.h"

namespace vesk::app {

bool SavePng(const platform::BackBuffer& frame, const std::string& path, std::string* error) {
  if (frame.empty()) {
    if (error) *error = "no frame has been drawn";
    return false;
  }
  std::vector<uint8_t> rgb;
  rgb.reserve(static_cast<size_t>(frame.width_px()) * frame.height_px() * 3);
  for (int y = 0; y < frame.height_px(); ++y) {
    for (int x = 0; x < frame.width_px(); ++x) {
      const uint32_t c = frame.GetRgb(x, y);
      rgb.insert(rgb.end(), {static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8),
                             static_cast<uint8_t>(c)});
    }
  }
  std::vector<uint8_t> encoded;
  try {
    encoded = graphics::EncodePngRgb(rgb, frame.width_px(), frame.height_px());
  } catch (const std::exception&) {
    if (error) *error = "PNG encoding failed";
    return false;
  }
  if (!platform::WriteFileAtomic(path, encoded.data(), encoded.size())) {
    if (error) *error = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace vesk::app
