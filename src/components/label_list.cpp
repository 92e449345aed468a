#include "components/label_list.h"

#include <algorithm>

#include "components/glyph_text.h"
#include "text/fontpixels.h"

namespace vesk::components {

void TTpLabelList::SetItems(const std::vector<std::string>& lines) {
  Items.clear();
  Items.reserve(lines.size());
  for (const std::string& line : lines) Items.emplace_back(line);
}

void TTpLabelList::Render(text::TFontPixelManager* glyphs, int bit_count) {
  for (TTpLabelDIB& item : Items) {
    item.Surface.reset();
    item.Mask.reset();
    item.TextWidth = 0;
    if (glyphs) RenderItem(item, *glyphs, bit_count);
  }
}

void TTpLabelList::RenderItem(TTpLabelDIB& item, text::TFontPixelManager& glyphs,
                              int bit_count) const {
  const std::string& face = FontName.empty() ? text::kDefaultFace : FontName;
  // A border stamps every glyph pixel (2B + 1)^2 times: hostile sizes are
  // held to what a screen can show.
  const int32_t height = std::clamp(FontHeight, 0, kMaxFontHeightPx);
  const int32_t border = std::clamp(BorderWidth, 0, kMaxBorderPx);
  const int32_t shadow = std::clamp(ShadowWidth, 0, kMaxShadowPx);
  if (height == 0) return;
  glyphs.Level = AntiAlias ? 3 : 0;

  // Every glyph is measured first: the picture is as wide as the advances.
  std::vector<std::shared_ptr<const text::TFontPixel>> held;
  std::vector<int32_t> advances;
  int64_t width = 0;
  for (size_t pos = 0; pos < item.Text.size(); pos += CharLength(item.Text, pos)) {
    auto glyph = glyphs.Get(CharCode(item.Text, pos), face, FontStyle, height);
    const int32_t advance = glyph->Bitmap.Width() + glyph->OriginX + glyph->RightPad;
    advances.push_back(advance);
    width += advance;
    held.push_back(std::move(glyph));
  }
  if (width == 0) return;
  width += 2 * border + shadow;
  const int64_t picture_height = int64_t{height} + 2 * border + shadow;
  if (width > graphics::TDIBX::kMaxSidePx) return;
  item.TextWidth = static_cast<int32_t>(width);
  try {
    item.Surface = std::make_unique<graphics::TDIBX>(
        item.TextWidth, static_cast<int32_t>(picture_height), bit_count);
    item.Mask =
        std::make_unique<graphics::TDIBX>(item.TextWidth, static_cast<int32_t>(picture_height), 8);
  } catch (const graphics::EGraphicsError&) {
    item.Surface.reset();
    item.Mask.reset();
    return;
  }
  item.Mask->Fill(0);
  item.Surface->Fill(0);
  text::GlyphColors colors;
  colors.text = static_cast<uint32_t>(item.Surface->ColorToPixel(FontColor));
  colors.border = static_cast<uint32_t>(item.Surface->ColorToPixel(BorderColor));
  colors.shadow = static_cast<uint32_t>(item.Surface->ColorToPixel(ShadowColor));
  const bool decorated = border > 0 || shadow > 0;
  int32_t x = 0;
  for (size_t j = 0; j < held.size(); ++j) {
    text::RenderOptions options;
    options.border_px = border;
    options.shadow_px = shadow;
    // The item is one run: its bars start at its first character and end
    // at its last.
    options.left_differs = j == 0;
    options.right_differs = j + 1 == held.size();
    glyphs.Render(*held[j], *item.Surface, *item.Mask, colors, options,
                  Rect::FromSize(x, 0, advances[j], height));
    x += advances[j];
  }
  // Without decoration the renderer leaves the colour where it found it
  // outside the ink; the whole picture takes the text colour so that the
  // mask alone shapes the item.
  if (!decorated) item.Surface->Fill(colors.text);
}

int32_t TTpLabelList::TextWidth() const {
  int32_t widest = 0;
  for (const TTpLabelDIB& item : Items) widest = std::max(widest, item.TextWidth);
  return widest;
}

int32_t TTpLabelList::ItemWidth(int32_t index) const {
  if (index < 0 || index >= Count()) return 0;
  return Items[static_cast<size_t>(index)].TextWidth;
}

void TTpLabelList::Draw(graphics::TCustomDIBX& target, int32_t index, int32_t x, int32_t y,
                        int32_t blend) const {
  if (index < 0 || index >= Count() || blend <= 0) return;
  const TTpLabelDIB& item = Items[static_cast<size_t>(index)];
  if (!item.Surface || !item.Mask) return;
  target.DrawMaskBlend(x, y, *item.Surface, item.Surface->BoundsRect(), graphics::Flip::kNone,
                       *item.Mask, std::min(blend, 511));
}

void TTpLabelList::ReleaseSurfaces() {
  for (TTpLabelDIB& item : Items) {
    item.Surface.reset();
    item.Mask.reset();
  }
}

void TTpLabelList::Transfer(RecordIO& io) {
  io.I32(AntiAlias, "list anti-alias");
  io.I32(BorderWidth, "list font border");
  io.I32(Alpha, "list font alpha");
  io.I32(FontHeight, "list font height");
  io.Str(FontName, "list font name");
  io.I32(FontColor, "list font colour");
  io.I32(Spare, "list font spare");
  io.U8(FontStyle, "list font style");
  io.I32(ShadowWidth, "list font shadow");
  io.I32(BorderColor, "list font border colour");
  io.I32(ShadowColor, "list font shadow colour");
}

}  // namespace vesk::components
