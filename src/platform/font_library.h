#pragma once
// Installed outline fonts for the glyph cache: a face chosen by name, cell
// height and style, its outline text metrics, and glyph coverage in the
// four quality formats (two-level and 5, 17 or 65 grey levels). Windows
// Japanese face names resolve to the installed Japanese families; a
// character the chosen face lacks comes from the next installed font that
// has it, and one that no installed font has comes out as a hollow box.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vesk::platform {

struct FontSpec {
  std::string face_utf8;
  int32_t cell_height_px = 0;  // ascent + descent
  bool bold = false;           // weight 700: a bold face, else emboldened
  bool italic = false;         // an italic face, else sheared
  bool operator==(const FontSpec&) const = default;
};

struct OutlineTextMetrics {
  int32_t ascent_px = 0;
  int32_t descent_px = 0;
  int32_t underline_size_px = 0;
  int32_t underline_position_px = 0;  // above the baseline; negative below it
  int32_t strikeout_size_px = 0;
  int32_t strikeout_position_px = 0;  // above the baseline
};

// Quality levels: 0 two-level (values 0/1), 1 five levels (0..4), 2 17
// levels (0..16), 3 65 levels (0..64).
inline constexpr int kGlyphLevelCount = 4;
constexpr int MaxGreyValue(int level) {
  return level <= 0 ? 1 : level == 1 ? 4 : level == 2 ? 16 : 64;
}

struct GlyphOutline {
  int32_t width_px = 0;  // black box; 0 for a glyph without ink
  int32_t height_px = 0;
  int32_t origin_x_px = 0;     // pen position to the black box's left edge
  int32_t origin_y_px = 0;     // baseline up to the black box's top edge
  int32_t advance_px = 0;      // cell advance
  std::vector<uint8_t> grey;   // width * height, row by row, 0..MaxGreyValue
  bool from_fallback = false;  // drawn from another installed font
  bool replacement = false;    // no installed font has it: a hollow box
};

struct AbcWidths {
  int32_t a = 0;  // pen position to the ink
  int32_t b = 0;  // the ink
  int32_t c = 0;  // ink to the next pen position
};

// One selected font. Calls for one code point always answer alike.
class Font {
 public:
  virtual ~Font() = default;
  virtual const OutlineTextMetrics& Metrics() const = 0;
  // Null when the format cannot be produced.
  virtual std::optional<GlyphOutline> Outline(char32_t code_point, int level) = 0;
  virtual AbcWidths Abc(char32_t code_point) = 0;
  virtual int32_t TextWidth(char32_t code_point) = 0;
  // The file the face was read from (diagnostics and tests).
  virtual const std::string& file_path() const = 0;
  // Whether the face is synthesised from a regular one.
  virtual bool synthetic_bold() const = 0;
  virtual bool synthetic_italic() const = 0;
};

class FontLibrary {
 public:
  virtual ~FontLibrary() = default;
  // True when `face_utf8` names an installed family (directly or as one of
  // the Windows names mapped to an installed family).
  virtual bool IsInstalledFamily(const std::string& face_utf8) = 0;
  // The closest installed font; null when no usable font is installed.
  // Fonts are cached: asking again for the same spec is cheap.
  virtual std::shared_ptr<Font> Select(const FontSpec& spec) = 0;
};

// FreeType and fontconfig; each library has its own FreeType instance and
// font configuration.
std::unique_ptr<FontLibrary> MakeFontLibrary();

}  // namespace vesk::platform
