#pragma once
// TTpLabelList: the items of a list or menu rendered in one look (face,
// height, style, colours, border, shadow, anti-alias), each a TTpLabelDIB
// with a colour picture and an 8-bit mask sized to its text. A list keeps
// two of them over the same items: the normal look and the look of the
// item under the mouse.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/record_io.h"
#include "graphics/dibsfc.h"

namespace vesk::text {
class TFontPixelManager;
}

namespace vesk::components {

class TTpLabelDIB {
 public:
  explicit TTpLabelDIB(std::string text) : Text(std::move(text)) {}

  std::string Text;  // CP932, one line
  // Null until rendered, or when the text has no ink and no width.
  std::unique_ptr<graphics::TDIBX> Surface;
  std::unique_ptr<graphics::TDIBX> Mask;
  int32_t TextWidth = 0;  // the advances of its characters with the decoration
};

class TTpLabelList {
 public:
  // What a rendering takes at most of the look's sizes.
  static constexpr int32_t kMaxFontHeightPx = 512;
  static constexpr int32_t kMaxBorderPx = 16;
  static constexpr int32_t kMaxShadowPx = 64;

  // The look, in stored order.
  int32_t AntiAlias = 0;  // glyph quality level: 0 or 3
  int32_t BorderWidth = 0;
  int32_t Alpha = 255;
  int32_t FontHeight = 16;
  std::string FontName;  // CP932; empty: the default face
  int32_t FontColor = 0;
  int32_t Spare = 0;  // kept for the stored form
  uint8_t FontStyle = 0;
  int32_t ShadowWidth = 0;
  int32_t BorderColor = 0;
  int32_t ShadowColor = 0;

  std::vector<TTpLabelDIB> Items;

  // Replaces the items (unrendered).
  void SetItems(const std::vector<std::string>& lines);
  int32_t Count() const { return static_cast<int32_t>(Items.size()); }
  // Renders every item in `bit_count` bits through the glyph cache
  // (null: the items stay empty and measure 0).
  void Render(text::TFontPixelManager* glyphs, int bit_count);
  // The widest item, as the last rendering measured it.
  int32_t TextWidth() const;
  int32_t ItemWidth(int32_t index) const;
  // Draws item `index` with its top-left corner at (x, y) by the blend
  // value (0 nothing, 1..254 alpha, 255 opaque, 256..511 additive).
  void Draw(graphics::TCustomDIBX& target, int32_t index, int32_t x, int32_t y,
            int32_t blend) const;
  void ReleaseSurfaces();

  // The look in stored order (the items belong to the list's text).
  void Transfer(RecordIO& io);

 private:
  void RenderItem(TTpLabelDIB& item, text::TFontPixelManager& glyphs, int bit_count) const;
};

}  // namespace vesk::components
