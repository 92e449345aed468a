#pragma once
// Helpers of the glyph cache tests: a manager on the installed fonts, hand-made
// glyphs whose coverage a test controls, and pixel comparisons.
#include <functional>
#include <memory>
#include <optional>
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

// A font of 4 x 4 squares whose failures a test chooses.
class FakeFont final : public platform::Font {
 public:
  bool grey_fails = false;
  bool mono_fails = false;
  int outline_calls = 0;

  FakeFont() {
    metrics_.ascent_px = 10;
    metrics_.descent_px = 2;
    metrics_.underline_size_px = 1;
    metrics_.underline_position_px = -1;
    metrics_.strikeout_size_px = 1;
    metrics_.strikeout_position_px = 4;
  }
  const platform::OutlineTextMetrics& Metrics() const override { return metrics_; }
  std::optional<platform::GlyphOutline> Outline(char32_t cp, int level) override {
    ++outline_calls;
    if ((level > 0 && grey_fails) || (level == 0 && mono_fails)) return std::nullopt;
    platform::GlyphOutline g;
    g.advance_px = 6;
    if (cp == U' ') return g;
    g.width_px = g.height_px = 4;
    g.origin_x_px = 1;
    g.origin_y_px = 8;
    g.grey.assign(16, static_cast<uint8_t>(platform::MaxGreyValue(level)));
    return g;
  }
  platform::AbcWidths Abc(char32_t) override { return {1, 4, 1}; }
  int32_t TextWidth(char32_t) override { return 6; }
  const std::string& file_path() const override { return path_; }
  bool synthetic_bold() const override { return false; }
  bool synthetic_italic() const override { return false; }

 private:
  platform::OutlineTextMetrics metrics_;
  std::string path_ = "fake";
};

class FakeFontLibrary final : public platform::FontLibrary {
 public:
  explicit FakeFontLibrary(std::shared_ptr<FakeFont> font) : font_(std::move(font)) {}
  std::vector<platform::FontSpec> selected;
  bool IsInstalledFamily(const std::string&) override { return true; }
  std::shared_ptr<platform::Font> Select(const platform::FontSpec& spec) override {
    selected.push_back(spec);
    return font_;
  }

 private:
  std::shared_ptr<FakeFont> font_;
};

inline bool SamePixels(const graphics::TCustomDIBX& a, const graphics::TCustomDIBX& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (a.GetPixel(x, y) != b.GetPixel(x, y)) return false;
  return true;
}

}  // namespace vesk::text::testing
