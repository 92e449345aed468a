#include "text/fontpixels.h"

#include <array>
#include <cmath>
#include <list>
#include <vector>

#include "core/messages.h"
#include "core/vesk_error.h"
#include "platform/cp932.h"
#include "platform/font_library.h"
#include "platform/font_rasterizer.h"
#include "text/fontpixels_draw.h"

namespace vesk::text {
namespace {

// Grey value -> coverage, per quality level. The tables are fixed, uneven
// steps and all: text has to come out as the games' authors saw it.
constexpr std::array<uint8_t, 2> kLevel0 = {0, 255};
constexpr std::array<uint8_t, 5> kLevel1 = {0, 79, 127, 207, 255};
constexpr std::array<uint8_t, 17> kLevel2 = {0,   43,  55,  67,  79,  91,  103, 115, 159,
                                             171, 183, 195, 207, 219, 231, 243, 255};
constexpr std::array<uint8_t, 65> kLevel3 = {
    0,   18,  21,  24,  27,  30,  33,  36,  55,  58,  61,  64,  67,  70,  73,  76,  79,
    82,  85,  88,  91,  94,  97,  100, 119, 122, 125, 128, 131, 134, 137, 140, 143, 146,
    149, 152, 155, 158, 161, 164, 183, 186, 189, 192, 195, 198, 201, 204, 207, 210, 213,
    216, 219, 222, 225, 228, 231, 234, 237, 240, 243, 246, 249, 252, 255};

uint8_t Coverage(int level, uint8_t grey) {
  switch (level) {
    case 1:
      return kLevel1[std::min<size_t>(grey, kLevel1.size() - 1)];
    case 2:
      return kLevel2[std::min<size_t>(grey, kLevel2.size() - 1)];
    case 3:
      return kLevel3[std::min<size_t>(grey, kLevel3.size() - 1)];
    default:
      return kLevel0[grey != 0 ? 1 : 0];
  }
}

constexpr size_t kMaxGlyphs = 256;

// The character of a cache code: one byte, or lead * 256 + trail.
char32_t CodePoint(uint16_t code) {
  std::string bytes;
  if (code > 0xFF) bytes.push_back(static_cast<char>(code >> 8));
  bytes.push_back(static_cast<char>(code & 0xFF));
  // A code whose high byte is no lead byte is two characters, not one.
  const std::u32string cps = platform::DecodeUtf8(platform::Cp932ToUtf8(bytes));
  return cps.size() == 1 ? cps.front() : U'\uFFFD';
}

std::string HexCode(uint32_t v, int digits) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string s(static_cast<size_t>(digits), '0');
  for (int i = digits - 1; i >= 0; --i, v >>= 4) s[static_cast<size_t>(i)] = kHex[v & 15];
  return s;
}

}  // namespace

struct TFontPixelManager::Impl {
  using Entry = std::shared_ptr<TFontPixel>;
  using Mru = std::list<Entry>;

  std::unique_ptr<platform::FontLibrary> fonts;
  std::function<void(const std::string&)> trace;

  Mru mru;  // most recent first
  std::array<std::vector<Mru::iterator>, 256> buckets;

  // The font selected for building glyphs, and what it was selected for.
  std::shared_ptr<platform::Font> font;
  std::string font_face;
  int32_t font_height = -1;
  uint8_t font_style = 0;
  bool font_selected = false;

  // Characters already reported as missing everywhere: one line each.
  std::vector<bool> reported = std::vector<bool>(65536, false);

  platform::FontSpec SpecFor(const std::string& face_cp932, int32_t height, uint8_t style) {
    std::string face_utf8 = platform::Cp932ToUtf8(face_cp932);
    // A face the system does not know draws in the default face.
    if (!fonts->IsInstalledFamily(face_utf8)) face_utf8 = platform::Cp932ToUtf8(kDefaultFace);
    platform::FontSpec spec;
    spec.face_utf8 = std::move(face_utf8);
    spec.cell_height_px = height;
    spec.bold = (style & kStyleBold) != 0;
    spec.italic = (style & kStyleItalic) != 0;
    return spec;
  }

  std::shared_ptr<platform::Font> FontFor(const std::string& face_cp932, int32_t height,
                                          uint8_t style) {
    auto f = fonts ? fonts->Select(SpecFor(face_cp932, height, style)) : nullptr;
    if (!f) throw EVeskError(MessageCp932(Msg::kGetOutlineTextMetrics));
    return f;
  }

  void SelectFont(const std::string& face, int32_t height, uint8_t style) {
    if (font_selected && face == font_face && height == font_height && style == font_style) return;
    font = FontFor(face, height, style);
    font_face = face;
    font_height = height;
    font_style = style;
    font_selected = true;
  }

  void Report(uint16_t code, char32_t cp) {
    if (reported[code]) return;
    reported[code] = true;
    if (trace)
      trace("no installed font has U+" + HexCode(cp, cp > 0xFFFF ? 6 : 4) + " (code " +
            HexCode(code, code > 0xFF ? 4 : 2) + "): drawn as a box");
  }

  void Build(TFontPixel& g, int32_t& level) {
    SelectFont(g.Face, g.Height, g.Style);
    const platform::OutlineTextMetrics& m = font->Metrics();
    const char32_t cp = CodePoint(g.Code);
    auto outline = font->Outline(cp, level);
    if (!outline && level != 0) {
      // The grey formats are optional; the two-level one stays for good.
      level = 0;
      outline = font->Outline(cp, 0);
    }
    g.Level = level;
    if (!outline) return;
    if (outline->replacement) Report(g.Code, cp);
    // Bars belong to every character of a decorated run, spaces too.
    if (g.Style & kStyleUnderline) g.UnderlineSize = m.underline_size_px;
    if (g.Style & kStyleStrikeOut) {
      g.StrikePos = m.ascent_px - m.strikeout_position_px;
      g.StrikeSize = m.strikeout_size_px;
    }
    if (outline->width_px <= 0 || outline->height_px <= 0) {
      g.RightPad = font->TextWidth(cp);
      return;
    }
    g.Bitmap.SetSize(outline->width_px, outline->height_px, 8);
    const graphics::PixelView v = g.Bitmap.View();
    for (int y = 0; y < outline->height_px; ++y) {
      uint8_t* row = v.Row(y);
      const uint8_t* grey = outline->grey.data() + static_cast<size_t>(y) * outline->width_px;
      for (int x = 0; x < outline->width_px; ++x) row[x] = Coverage(level, grey[x]);
    }
    g.OriginX = std::max(0, outline->origin_x_px);
    g.TopOffset = std::max(0, m.ascent_px - outline->origin_y_px);
    g.RightPad = std::max(0, outline->advance_px - outline->width_px - g.OriginX);
  }

  void Insert(Entry glyph) {
    const size_t bucket = glyph->Code & 0xFF;
    mru.push_front(std::move(glyph));
    buckets[bucket].push_back(mru.begin());
    if (mru.size() <= kMaxGlyphs) return;
    auto last = std::prev(mru.end());
    auto& list = buckets[(*last)->Code & 0xFF];
    list.erase(std::find(list.begin(), list.end(), last));
    mru.erase(last);
  }

  // Where a narrow glyph sits in its square cell: at its ink centre.
  int32_t Shift(const TFontPixel& g, const Rect& cell) {
    const int64_t room = std::min<int64_t>(cell.Width(), g.Height);
    const int64_t spare = room - g.Bitmap.Width();
    if (g.OriginX + g.RightPad >= spare) return 0;
    const platform::AbcWidths abc = FontFor(g.Face, g.Height, g.Style)->Abc(CodePoint(g.Code));
    const int64_t total = int64_t{abc.a} + abc.b + abc.c;
    int64_t p = spare / 2;
    if (int64_t{abc.a} + abc.c != 0 && total != 0)
      p = std::llround(static_cast<double>(abc.a + abc.b / 2) * static_cast<double>(spare) /
                       static_cast<double>(total));
    return static_cast<int32_t>(std::max<int64_t>(0, p - g.OriginX));
  }
};

TFontPixelManager::TFontPixelManager(std::unique_ptr<platform::FontLibrary> fonts,
                                     std::function<void(const std::string&)> trace)
    : impl_(std::make_unique<Impl>()) {
  impl_->fonts = std::move(fonts);
  impl_->trace = std::move(trace);
}

TFontPixelManager::~TFontPixelManager() = default;

std::shared_ptr<const TFontPixel> TFontPixelManager::Get(uint16_t code,
                                                         const std::string& face_cp932,
                                                         uint8_t style, int32_t height) {
  auto& bucket = impl_->buckets[code & 0xFF];
  for (auto it : bucket) {
    const TFontPixel& g = **it;
    if (g.Code == code && g.Height == height && g.Style == style && g.Level == Level &&
        g.Face == face_cp932) {
      impl_->mru.splice(impl_->mru.begin(), impl_->mru, it);
      return *it;
    }
  }
  auto glyph = std::make_shared<TFontPixel>();
  glyph->Code = code;
  glyph->Face = face_cp932;
  glyph->Height = height;
  glyph->Style = style;
  int32_t level = std::clamp(Level, 0, 3);
  impl_->Build(*glyph, level);
  Level = level;
  impl_->Insert(glyph);
  return glyph;
}

Rect TFontPixelManager::Render(const TFontPixel& glyph, graphics::TCustomDIBX& color,
                               graphics::TCustomDIBX& mask, const GlyphColors& colors,
                               const RenderOptions& options, const Rect& cell) {
  if (!glyph.HasInk() && glyph.UnderlineSize <= 0 && glyph.StrikeSize <= 0) return Rect{};
  const int32_t shift = glyph.HasInk() ? impl_->Shift(glyph, cell) : 0;
  return DrawGlyph(glyph, color, mask, colors, options, cell, shift);
}

int32_t TFontPixelManager::Ascent() const {
  return impl_->font ? impl_->font->Metrics().ascent_px : 0;
}

size_t TFontPixelManager::CachedCount() const {
  return impl_->mru.size();
}

}  // namespace vesk::text
