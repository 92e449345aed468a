#pragma once
// Helpers of the glyph cache tests: a manager on the installed fonts, hand-made
// glyphs whose coverage a test controls, and pixel comparisons.
#include <memory>
#include <string>
#include <vector>

#include "graphics/dibsfc.h"
#include "platform/font_library.h"
#include "text/fontpixels.h"

namespace vesk::text::testing {

inline std::unique_ptr<TFontPixelManager> MakeManager(std::vector<std::string>* trace = nullptr) {
  std::function<void(const std::string&)> sink;
  if (trace) sink = [trace](const std::string& line) { trace->push_back(line); };
  return std::make_unique<TFontPixelManager>(platform::MakeFontLibrary(), sink);
}

// A glyph of one coverage value, as wide as its cell height so that the
// renderer never looks for its ink centre.
inline TFontPixel SolidGlyph(int width_px, int height_px, uint8_t coverage) {
  TFontPixel g;
  g.Bitmap.SetSize(width_px, height_px, 8);
  for (int y = 0; y < height_px; ++y)
    for (int x = 0; x < width_px; ++x) g.Bitmap.SetPixel(x, y, coverage);
  g.Height = width_px;
  return g;
}

inline bool SamePixels(const graphics::TCustomDIBX& a, const graphics::TCustomDIBX& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (a.GetPixel(x, y) != b.GetPixel(x, y)) return false;
  return true;
}

}  // namespace vesk::text::testing
