#pragma once
// A scene for the text kinds: the image fixture's scene with a glyph cache
// on the installed fonts and an in-memory clipboard in the services.
#include <memory>
#include <string>

#include "image_fixture.h"
#include "platform/font_library.h"
#include "text/fontpixels.h"

namespace vesk::components::test {

class TextScene : public ImageScene {
 protected:
  TextScene() : glyphs_(std::make_unique<text::TFontPixelManager>(platform::MakeFontLibrary())) {
    services_.glyphs = glyphs_.get();
    services_.read_clipboard = [this] { return clipboard_; };
    services_.write_clipboard = [this](const std::string& text) { clipboard_ = text; };
  }

  // The columns of an 8-bit mask that hold any coverage, as [first,
  // last + 1); (0, 0) for none.
  static std::pair<int, int> InkedColumns(const graphics::TCustomDIBX& mask) {
    int first = mask.Width(), last = -1;
    for (int y = 0; y < mask.Height(); ++y)
      for (int x = 0; x < mask.Width(); ++x)
        if (mask.GetPixel(x, y) != 0) {
          first = std::min(first, x);
          last = std::max(last, x);
        }
    return last < 0 ? std::pair{0, 0} : std::pair{first, last + 1};
  }

  std::unique_ptr<text::TFontPixelManager> glyphs_;
  std::string clipboard_;
};

}  // namespace vesk::components::test
