#pragma once
// Turns text into 8-bit coverage bitmaps with an installed font found by
// family name. Used by the settings dialog now and the glyph cache later.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vesk::platform {

struct GlyphBitmap {
  int width_px = 0, height_px = 0;
  int left_px = 0;                // from the pen position to the bitmap's left edge
  int top_px = 0;                 // from the baseline up to the bitmap's top edge
  int advance_px = 0;             // pen movement after this glyph
  std::vector<uint8_t> coverage;  // width * height, 0 = empty, 255 = full
};

class FontFace {
 public:
  virtual ~FontFace() = default;
  virtual GlyphBitmap Render(char32_t code_point) = 0;
  virtual int ascent_px() const = 0;
  virtual int descent_px() const = 0;  // positive, below the baseline
  virtual const std::string& file_path() const = 0;
};

// Finds the best installed face for a family (Windows names such as
// "ＭＳ Ｐゴシック" map to the installed Japanese fonts) and opens it at a pixel
// height. Null when no usable font is installed.
std::unique_ptr<FontFace> OpenFont(const std::string& family_utf8, int pixel_height);

// Family names (UTF-8) of the installed scalable fonts that cover Japanese,
// optionally only the fixed-pitch ones; names beginning with "@" left out,
// sorted without regard to case, no duplicates.
std::vector<std::string> JapaneseFontFamilies(bool fixed_pitch_only);

// UTF-8 -> code points (invalid bytes become U+FFFD).
std::u32string DecodeUtf8(const std::string& utf8);

}  // namespace vesk::platform
