#pragma once
// The glyph cache: one character of a face, cell height and style as an
// 8-bit coverage bitmap with its metrics, the 256 most recently used kept,
// and the renderer that stamps such a glyph into a colour surface and its
// 8-bit mask with border, shadow, underline and strike-out. Message text,
// list items and labels draw every character through one manager, which
// the runtime owns and hands down (there is no process-wide instance).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/rect.h"
#include "graphics/dibsfc.h"

namespace vesk::platform {
class FontLibrary;
}

namespace vesk::text {

// Style bits, shared with the style records of the layout.
inline constexpr uint8_t kStyleBold = 1;
inline constexpr uint8_t kStyleItalic = 2;
inline constexpr uint8_t kStyleUnderline = 4;
inline constexpr uint8_t kStyleStrikeOut = 8;

// The face every unknown name falls back to, CP932 ("ＭＳ ゴシック").
extern const std::string kDefaultFace;

struct TFontPixel {
  graphics::TDIBX Bitmap;  // 8-bit coverage of the black box; empty without ink
  uint16_t Code = 0;       // single byte, or lead * 256 + trail
  std::string Face;        // CP932, as requested
  int32_t Height = 0;      // requested cell height
  uint8_t Style = 0;
  int32_t Level = 0;  // quality level it was made with
  int32_t OriginX = 0;
  int32_t TopOffset = 0;
  int32_t UnderlineSize = 0;
  int32_t StrikePos = 0;
  int32_t StrikeSize = 0;
  int32_t RightPad = 0;

  bool HasInk() const { return !Bitmap.IsEmpty(); }
};

// Native pixel values (of the colour surface) for the three colours.
struct GlyphColors {
  uint32_t shadow = 0;
  uint32_t border = 0;
  uint32_t text = 0;
};

struct RenderOptions {
  int32_t border_px = 0;
  int32_t shadow_px = 0;
  bool left_differs = true;   // the character starts a run of equal decoration
  bool right_differs = true;  // the character ends such a run
};

class TFontPixelManager {
 public:
  // `trace` receives one UTF-8 line per character that no installed font
  // can draw (null: no trace).
  explicit TFontPixelManager(std::unique_ptr<platform::FontLibrary> fonts,
                             std::function<void(const std::string&)> trace = {});
  ~TFontPixelManager();
  TFontPixelManager(const TFontPixelManager&) = delete;
  TFontPixelManager& operator=(const TFontPixelManager&) = delete;

  // Quality level 0..3 (two-level, 5, 17, 65 grey levels); callers set it
  // before fetching (message windows and labels: 0 or 3).
  int32_t Level = 3;

  // Never null. The glyph stays valid while the caller holds it, even when
  // the cache evicts it.
  std::shared_ptr<const TFontPixel> Get(uint16_t code, const std::string& face_cp932, uint8_t style,
                                        int32_t height);

  // Draws `glyph` into `color` (native values) and `mask` (8-bit) inside
  // `cell` and returns the rectangle it touched: empty for a glyph without
  // ink, except that an underlined or struck-out space still draws its bars
  // so that the bars of a run do not break at its spaces.
  Rect Render(const TFontPixel& glyph, graphics::TCustomDIBX& color, graphics::TCustomDIBX& mask,
              const GlyphColors& colors, const RenderOptions& options, const Rect& cell);

  // Ascent of the font selected last.
  int32_t Ascent() const;

  // Number of glyphs held (at most 256).
  size_t CachedCount() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace vesk::text
