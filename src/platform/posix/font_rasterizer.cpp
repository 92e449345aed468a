#include "platform/font_rasterizer.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <mutex>

#include "core/sjis.h"

namespace vesk::platform {
namespace {

// Windows Japanese face names and the installed families that stand in for
// them. fontconfig picks the closest installed font for anything else.
struct FaceAlias {
  const char* windows_name;
  const char* family;
};
constexpr FaceAlias kAliases[] = {
    {"ＭＳ Ｐゴシック", "IPAPGothic"}, {"ＭＳ ゴシック", "IPAGothic"},
    {"MS PGothic", "IPAPGothic"},      {"MS Gothic", "IPAGothic"},
    {"ＭＳ Ｐ明朝", "IPAPMincho"},     {"ＭＳ 明朝", "IPAMincho"},
    {"MS PMincho", "IPAPMincho"},      {"MS Mincho", "IPAMincho"},
    {"MS UI Gothic", "IPAPGothic"},    {"メイリオ", "IPAPGothic"},
};

std::string ResolveFontFile(const std::string& family_utf8) {
  std::string family = family_utf8;
  for (const auto& a : kAliases)
    if (family == a.windows_name) family = a.family;
  static std::mutex mutex;
  std::lock_guard lock(mutex);
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  // Prefer fonts that cover Japanese when the family is not installed.
  FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  std::string file;
  FcChar8* path = nullptr;
  if (match && FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch)
    file = reinterpret_cast<const char*>(path);
  if (match) FcPatternDestroy(match);
  FcPatternDestroy(pattern);
  return file;
}

class FreeTypeFace final : public FontFace {
 public:
  FreeTypeFace(FT_Library lib, FT_Face face, std::string path)
      : lib_(lib), face_(face), path_(std::move(path)) {}
  ~FreeTypeFace() override {
    FT_Done_Face(face_);
    FT_Done_FreeType(lib_);
  }

  GlyphBitmap Render(char32_t cp) override {
    GlyphBitmap g;
    FT_UInt index = FT_Get_Char_Index(face_, cp);
    if (FT_Load_Glyph(face_, index, FT_LOAD_DEFAULT) != 0) return g;
    if (FT_Render_Glyph(face_->glyph, FT_RENDER_MODE_NORMAL) != 0) return g;
    const FT_Bitmap& bm = face_->glyph->bitmap;
    g.width_px = static_cast<int>(bm.width);
    g.height_px = static_cast<int>(bm.rows);
    g.left_px = face_->glyph->bitmap_left;
    g.top_px = face_->glyph->bitmap_top;
    g.advance_px = static_cast<int>(face_->glyph->advance.x >> 6);
    g.coverage.resize(static_cast<size_t>(g.width_px) * g.height_px);
    for (int y = 0; y < g.height_px; ++y)
      for (int x = 0; x < g.width_px; ++x)
        g.coverage[static_cast<size_t>(y) * g.width_px + x] = bm.buffer[y * bm.pitch + x];
    return g;
  }
  int ascent_px() const override { return static_cast<int>(face_->size->metrics.ascender >> 6); }
  int descent_px() const override { return static_cast<int>(-face_->size->metrics.descender >> 6); }
  const std::string& file_path() const override { return path_; }

 private:
  FT_Library lib_;
  FT_Face face_;
  std::string path_;
};

}  // namespace

std::unique_ptr<FontFace> OpenFont(const std::string& family_utf8, int pixel_height) {
  const std::string file = ResolveFontFile(family_utf8);
  if (file.empty()) return nullptr;
  FT_Library lib;
  if (FT_Init_FreeType(&lib) != 0) return nullptr;
  FT_Face face;
  if (FT_New_Face(lib, file.c_str(), 0, &face) != 0) {
    FT_Done_FreeType(lib);
    return nullptr;
  }
  FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixel_height > 0 ? pixel_height : 12));
  return std::make_unique<FreeTypeFace>(lib, face, file);
}

std::vector<std::string> JapaneseFontFamilies(bool fixed_pitch_only) {
  std::vector<std::string> names;
  FcPattern* pattern = FcPatternCreate();
  FcLangSet* langs = FcLangSetCreate();
  FcLangSetAdd(langs, reinterpret_cast<const FcChar8*>("ja"));
  FcPatternAddLangSet(pattern, FC_LANG, langs);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  if (fixed_pitch_only) FcPatternAddInteger(pattern, FC_SPACING, FC_MONO);
  FcObjectSet* fields = FcObjectSetBuild(FC_FAMILY, nullptr);
  FcFontSet* found = FcFontList(nullptr, pattern, fields);
  if (found) {
    for (int i = 0; i < found->nfont; ++i) {
      FcChar8* family = nullptr;
      for (int k = 0; FcPatternGetString(found->fonts[i], FC_FAMILY, k, &family) == FcResultMatch;
           ++k) {
        std::string name = reinterpret_cast<const char*>(family);
        if (!name.empty() && name[0] != '@') names.push_back(name);
      }
    }
    FcFontSetDestroy(found);
  }
  FcObjectSetDestroy(fields);
  FcLangSetDestroy(langs);
  FcPatternDestroy(pattern);
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return LowerAsciiBytes(a) < LowerAsciiBytes(b);
  });
  names.erase(std::unique(names.begin(), names.end()), names.end());
  return names;
}

std::u32string DecodeUtf8(const std::string& s) {
  std::u32string out;
  for (size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    int len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (len == 0 || i + len > s.size()) {
      out += U'\uFFFD';
      ++i;
      continue;
    }
    char32_t cp = len == 1 ? b : b & (0x7F >> len);
    bool ok = true;
    for (int k = 1; k < len; ++k) {
      const auto c = static_cast<unsigned char>(s[i + k]);
      if ((c & 0xC0) != 0x80) ok = false;
      cp = (cp << 6) | (c & 0x3F);
    }
    out += ok ? cp : U'\uFFFD';
    i += ok ? len : 1;
  }
  return out;
}

}  // namespace vesk::platform
