#include "platform/font_library.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SYNTHESIS_H
#include FT_SIZES_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <list>
#include <map>
#include <utility>

#include "core/sjis.h"
#include "platform/font_rasterizer.h"

namespace vesk::platform {
namespace {

// The Windows Japanese faces games name, and the installed families that
// stand in for them. Names compare in a folded form (full-width letters and
// spaces as ASCII, no spaces, ASCII lower case), so "ＭＳ ゴシック",
// "MS ゴシック" and "MS Gothic" all find the same family.
struct FaceAlias {
  const char* folded_name;
  const char* family;
};
constexpr FaceAlias kAliases[] = {
    {"msゴシック", "IPAGothic"},  {"mspゴシック", "IPAPGothic"}, {"ms明朝", "IPAMincho"},
    {"msp明朝", "IPAPMincho"},    {"msgothic", "IPAGothic"},     {"mspgothic", "IPAPGothic"},
    {"msmincho", "IPAMincho"},    {"mspmincho", "IPAPMincho"},   {"msuiゴシック", "IPAPGothic"},
    {"msuigothic", "IPAPGothic"},
};

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::string FoldedFaceName(const std::string& face_utf8) {
  std::string out;
  for (char32_t cp : DecodeUtf8(face_utf8)) {
    if (cp >= 0xFF01 && cp <= 0xFF5E) cp -= 0xFF01 - 0x21;  // full-width ASCII
    if (cp == U' ' || cp == 0x3000) continue;
    if (cp >= U'A' && cp <= U'Z') cp += U'a' - U'A';
    AppendUtf8(out, cp);
  }
  return out;
}

std::string MappedFamily(const std::string& face) {
  const std::string folded = FoldedFaceName(face);
  for (const auto& a : kAliases)
    if (folded == a.folded_name) return a.family;
  return face;
}

// Faces larger than this are drawn at this height: a script may ask for
// any number, and a glyph bitmap grows with its square.
constexpr int32_t kMaxCellHeightPx = 1024;

// Slant of a sheared italic (the tangent FreeType's own oblique uses).
constexpr FT_Fixed kObliqueShear = 0x0366A;

struct LibraryHandle {
  FT_Library ft = nullptr;
  FcConfig* fc = nullptr;
  LibraryHandle() {
    if (FT_Init_FreeType(&ft) != 0) ft = nullptr;
    fc = FcInitLoadConfigAndFonts();
  }
  ~LibraryHandle() {
    if (fc) FcConfigDestroy(fc);
    if (ft) FT_Done_FreeType(ft);
  }
  LibraryHandle(const LibraryHandle&) = delete;
  LibraryHandle& operator=(const LibraryHandle&) = delete;
};

// One opened font file; sizes of it are separate FT_Size objects.
struct FaceHandle {
  std::shared_ptr<LibraryHandle> library;
  FT_Face face = nullptr;
  std::string path;
  FaceHandle(std::shared_ptr<LibraryHandle> lib, FT_Face f, std::string p)
      : library(std::move(lib)), face(f), path(std::move(p)) {}
  ~FaceHandle() { FT_Done_Face(face); }
  FaceHandle(const FaceHandle&) = delete;
  FaceHandle& operator=(const FaceHandle&) = delete;
};

int32_t RoundPx(double v) {
  return static_cast<int32_t>(std::lround(v));
}

// A face at one cell height, with the synthesis it needs.
class SizedFace {
 public:
  SizedFace(std::shared_ptr<FaceHandle> face, int32_t cell_height_px, bool embolden, bool oblique)
      : face_(std::move(face)), embolden_(embolden), oblique_(oblique) {
    FT_Face f = face_->face;
    if (FT_New_Size(f, &size_) != 0) {
      size_ = nullptr;
      return;
    }
    FT_Activate_Size(size_);
    // A positive Windows font height is the cell, ascent + descent, not the
    // em. The families standing in for the Windows Japanese faces declare a
    // taller Windows cell (OS/2) than the faces they replace, whose cell is
    // their em; their horizontal-header box is the em, so it is the cell
    // here and text keeps the size its layout was made for. The OS/2 cell
    // serves fonts without that box.
    double ascent_u = f->ascender, descent_u = -f->descender;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(f, FT_SFNT_OS2));
    if (os2 && os2->version != 0xFFFF) {
      if (ascent_u + descent_u <= 0 && os2->usWinAscent + os2->usWinDescent > 0) {
        ascent_u = os2->usWinAscent;
        descent_u = os2->usWinDescent;
      }
      if (os2->yStrikeoutSize > 0) {
        strike_size_u_ = os2->yStrikeoutSize;
        strike_pos_u_ = os2->yStrikeoutPosition;
      }
    }
    if (ascent_u + descent_u <= 0) {
      ascent_u = f->units_per_EM * 0.88;
      descent_u = f->units_per_EM * 0.12;
    }
    const double cell_u = ascent_u + descent_u;
    const double em_px = cell_height_px * f->units_per_EM / cell_u;
    FT_Set_Char_Size(f, 0, static_cast<FT_F26Dot6>(std::lround(em_px * 64)), 72, 72);
    px_per_unit_ = em_px / f->units_per_EM;
    metrics_.ascent_px = RoundPx(cell_height_px * ascent_u / cell_u);
    metrics_.descent_px = cell_height_px - metrics_.ascent_px;
    const double ul_size =
        f->underline_thickness > 0 ? f->underline_thickness : f->units_per_EM / 20;
    metrics_.underline_size_px = std::max(1, RoundPx(ul_size * px_per_unit_));
    metrics_.underline_position_px = RoundPx(f->underline_position * px_per_unit_);
    if (strike_size_u_ <= 0) {
      strike_size_u_ = ul_size;
      strike_pos_u_ = f->units_per_EM * 0.25;
    }
    metrics_.strikeout_size_px = std::max(1, RoundPx(strike_size_u_ * px_per_unit_));
    metrics_.strikeout_position_px = RoundPx(strike_pos_u_ * px_per_unit_);
  }
  ~SizedFace() {
    if (size_) FT_Done_Size(size_);
  }
  SizedFace(const SizedFace&) = delete;
  SizedFace& operator=(const SizedFace&) = delete;

  bool ok() const { return size_ != nullptr; }
  const OutlineTextMetrics& metrics() const { return metrics_; }
  const std::string& path() const { return face_->path; }
  bool embolden() const { return embolden_; }
  bool oblique() const { return oblique_; }
  bool Has(char32_t cp) const { return FT_Get_Char_Index(face_->face, cp) != 0; }

  std::optional<GlyphOutline> Render(char32_t cp, int level) {
    FT_Face f = face_->face;
    FT_Activate_Size(size_);
    const bool mono = level <= 0;
    const FT_UInt index = FT_Get_Char_Index(f, cp);
    const FT_Int32 load = FT_LOAD_NO_BITMAP | (mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
    if (FT_Load_Glyph(f, index, load) != 0) return std::nullopt;
    FT_GlyphSlot slot = f->glyph;
    if (slot->format != FT_GLYPH_FORMAT_OUTLINE) return std::nullopt;
    if (oblique_) {
      FT_Matrix shear{0x10000, kObliqueShear, 0, 0x10000};
      FT_Outline_Transform(&slot->outline, &shear);
    }
    if (embolden_) FT_GlyphSlot_Embolden(slot);
    GlyphOutline g;
    g.advance_px = static_cast<int32_t>((slot->advance.x + 32) >> 6);
    if (slot->outline.n_points == 0) return g;
    if (FT_Render_Glyph(slot, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0)
      return std::nullopt;
    const FT_Bitmap& bm = slot->bitmap;
    if (bm.width == 0 || bm.rows == 0) return g;
    g.width_px = static_cast<int32_t>(bm.width);
    g.height_px = static_cast<int32_t>(bm.rows);
    g.origin_x_px = slot->bitmap_left;
    g.origin_y_px = slot->bitmap_top;
    g.grey.resize(static_cast<size_t>(g.width_px) * g.height_px);
    const int max_grey = MaxGreyValue(level);
    for (int y = 0; y < g.height_px; ++y) {
      const unsigned char* row = bm.buffer + static_cast<ptrdiff_t>(y) * bm.pitch;
      uint8_t* out = g.grey.data() + static_cast<size_t>(y) * g.width_px;
      for (int x = 0; x < g.width_px; ++x) {
        if (bm.pixel_mode == FT_PIXEL_MODE_MONO)
          out[x] = (row[x >> 3] >> (7 - (x & 7))) & 1;
        else
          out[x] = static_cast<uint8_t>((row[x] * max_grey + 127) / 255);
      }
    }
    return g;
  }

 private:
  std::shared_ptr<FaceHandle> face_;
  FT_Size size_ = nullptr;
  bool embolden_;
  bool oblique_;
  double px_per_unit_ = 0;
  double strike_size_u_ = 0, strike_pos_u_ = 0;
  OutlineTextMetrics metrics_;
};

// What fontconfig chose for a request.
struct Resolved {
  std::string path;
  int index = 0;
  bool installed = false;  // the matched family is the one asked for
};

FcPattern* RequestPattern(FcConfig* fc, const std::string& family, bool bold, bool italic) {
  FcPattern* p = FcPatternCreate();
  FcPatternAddString(p, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(p, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(p, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(p, FC_SCALABLE, FcTrue);
  // When the family is missing, a Japanese font is the closest stand-in.
  FcPatternAddString(p, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
  FcConfigSubstitute(fc, p, FcMatchPattern);
  FcDefaultSubstitute(p);
  return p;
}

bool FamilyMatches(FcPattern* font, const std::string& wanted, const std::string& original) {
  FcChar8* name = nullptr;
  for (int k = 0; FcPatternGetString(font, FC_FAMILY, k, &name) == FcResultMatch; ++k) {
    const std::string n = LowerAsciiBytes(reinterpret_cast<const char*>(name));
    if (n == LowerAsciiBytes(wanted) || n == LowerAsciiBytes(original)) return true;
  }
  return false;
}

class FreeTypeFont;

class FreeTypeLibrary final : public FontLibrary {
 public:
  FreeTypeLibrary() = default;

  bool IsInstalledFamily(const std::string& face_utf8) override {
    if (auto it = installed_.find(face_utf8); it != installed_.end()) return it->second;
    const bool found = Resolve(face_utf8, false, false).installed;
    installed_.emplace(face_utf8, found);
    return found;
  }

  std::shared_ptr<Font> Select(const FontSpec& spec) override;

  // The opened file, shared by every size of it.
  std::shared_ptr<FaceHandle> OpenFace(const std::string& path, int index) {
    const auto key = std::make_pair(path, index);
    if (auto it = faces_.find(key); it != faces_.end()) return it->second;
    FT_Face face = nullptr;
    if (!Handle().ft || FT_New_Face(Handle().ft, path.c_str(), index, &face) != 0) return nullptr;
    if (!FT_IS_SCALABLE(face)) {
      FT_Done_Face(face);
      return nullptr;
    }
    FT_Select_Charmap(face, FT_ENCODING_UNICODE);
    auto handle = std::make_shared<FaceHandle>(handle_, face, path);
    faces_.emplace(key, handle);
    return handle;
  }

  Resolved Resolve(const std::string& face_utf8, bool bold, bool italic) {
    Resolved r;
    if (!Handle().fc) return r;
    const std::string family = MappedFamily(face_utf8);
    FcPattern* pattern = RequestPattern(handle_->fc, family, bold, italic);
    FcResult result;
    FcPattern* match = FcFontMatch(handle_->fc, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) return r;
    FcChar8* file = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
      r.path = reinterpret_cast<const char*>(file);
      FcPatternGetInteger(match, FC_INDEX, 0, &r.index);
      r.installed = !face_utf8.empty() && FamilyMatches(match, family, face_utf8);
    }
    FcPatternDestroy(match);
    return r;
  }

  // The installed fonts in fontconfig's order of closeness to a request,
  // each with the characters it has.
  std::vector<std::pair<std::string, int>> FallbackFiles(const std::string& face_utf8, bool bold,
                                                         bool italic, char32_t cp) {
    std::vector<std::pair<std::string, int>> files;
    if (!Handle().fc) return files;
    FcPattern* pattern = RequestPattern(handle_->fc, MappedFamily(face_utf8), bold, italic);
    FcResult result;
    FcFontSet* sorted = FcFontSort(handle_->fc, pattern, FcTrue, nullptr, &result);
    FcPatternDestroy(pattern);
    if (!sorted) return files;
    for (int i = 0; i < sorted->nfont; ++i) {
      FcCharSet* chars = nullptr;
      FcChar8* file = nullptr;
      int index = 0;
      if (FcPatternGetCharSet(sorted->fonts[i], FC_CHARSET, 0, &chars) != FcResultMatch ||
          !FcCharSetHasChar(chars, cp) ||
          FcPatternGetString(sorted->fonts[i], FC_FILE, 0, &file) != FcResultMatch)
        continue;
      FcPatternGetInteger(sorted->fonts[i], FC_INDEX, 0, &index);
      files.emplace_back(reinterpret_cast<const char*>(file), index);
    }
    FcFontSetDestroy(sorted);
    return files;
  }

 private:
  // Fonts are kept for the specs asked for recently; callers hold what
  // they still use.
  static constexpr size_t kMaxFonts = 64;
  // FreeType and the font configuration are loaded on first use: a run
  // that draws no text never reads the font list.
  LibraryHandle& Handle() {
    if (!handle_) handle_ = std::make_shared<LibraryHandle>();
    return *handle_;
  }
  std::shared_ptr<LibraryHandle> handle_;
  std::map<std::pair<std::string, int>, std::shared_ptr<FaceHandle>> faces_;
  std::map<std::string, bool> installed_;
  std::list<std::pair<FontSpec, std::shared_ptr<FreeTypeFont>>> fonts_;  // most recent first
};

class FreeTypeFont final : public Font {
 public:
  FreeTypeFont(FreeTypeLibrary& library, const FontSpec& spec, std::unique_ptr<SizedFace> primary)
      : library_(library), spec_(spec), primary_(std::move(primary)) {}

  const OutlineTextMetrics& Metrics() const override { return primary_->metrics(); }

  std::optional<GlyphOutline> Outline(char32_t cp, int level) override {
    level = std::clamp(level, 0, kGlyphLevelCount - 1);
    SizedFace* face = FaceFor(cp);
    if (!face) return Box(level);
    auto g = face->Render(cp, level);
    if (g) g->from_fallback = face != primary_.get();
    return g;
  }

  AbcWidths Abc(char32_t cp) override {
    const auto g = Outline(cp, kGlyphLevelCount - 1);
    if (!g) return {};
    return {g->origin_x_px, g->width_px, g->advance_px - g->origin_x_px - g->width_px};
  }

  int32_t TextWidth(char32_t cp) override {
    const auto g = Outline(cp, kGlyphLevelCount - 1);
    return g ? g->advance_px : 0;
  }

  const std::string& file_path() const override { return primary_->path(); }
  bool synthetic_bold() const override { return primary_->embolden(); }
  bool synthetic_italic() const override { return primary_->oblique(); }

 private:
  // The primary face when it has the character, else the closest installed
  // font that has it; null when none has it.
  SizedFace* FaceFor(char32_t cp) {
    if (primary_->Has(cp)) return primary_.get();
    if (auto it = by_char_.find(cp); it != by_char_.end()) return it->second;
    SizedFace* found = nullptr;
    for (const auto& [path, index] :
         library_.FallbackFiles(spec_.face_utf8, spec_.bold, spec_.italic, cp)) {
      found = Fallback(path, index);
      if (found && found->Has(cp)) break;
      found = nullptr;
    }
    // Remember misses too: the sorted list is costly and the answer fixed.
    by_char_.emplace(cp, found);
    return found;
  }

  SizedFace* Fallback(const std::string& path, int index) {
    const auto key = std::make_pair(path, index);
    if (auto it = fallbacks_.find(key); it != fallbacks_.end()) return it->second.get();
    std::unique_ptr<SizedFace> sized;
    if (auto face = library_.OpenFace(path, index)) {
      const FT_Long own_style = face->face->style_flags;
      sized = std::make_unique<SizedFace>(std::move(face), primary_cell_height(),
                                          spec_.bold && !(own_style & FT_STYLE_FLAG_BOLD),
                                          spec_.italic && !(own_style & FT_STYLE_FLAG_ITALIC));
      if (!sized->ok()) sized.reset();
    }
    SizedFace* raw = sized.get();
    fallbacks_.emplace(key, std::move(sized));
    return raw;
  }

  int32_t primary_cell_height() const {
    return primary_->metrics().ascent_px + primary_->metrics().descent_px;
  }

  // A hollow box standing on the baseline, as wide as half the cell.
  GlyphOutline Box(int level) const {
    const OutlineTextMetrics& m = primary_->metrics();
    GlyphOutline g;
    g.replacement = true;
    const int32_t cell = m.ascent_px + m.descent_px;
    g.height_px = std::max(3, m.ascent_px * 3 / 4);
    g.width_px = std::max(3, cell / 2 - 2);
    g.origin_x_px = std::max(1, cell / 12);
    g.origin_y_px = g.height_px;
    g.advance_px = g.width_px + 2 * g.origin_x_px;
    const int32_t edge = std::max(1, cell / 16);
    const uint8_t ink = static_cast<uint8_t>(MaxGreyValue(level));
    g.grey.assign(static_cast<size_t>(g.width_px) * g.height_px, 0);
    for (int32_t y = 0; y < g.height_px; ++y)
      for (int32_t x = 0; x < g.width_px; ++x)
        if (x < edge || y < edge || x >= g.width_px - edge || y >= g.height_px - edge)
          g.grey[static_cast<size_t>(y) * g.width_px + x] = ink;
    return g;
  }

  FreeTypeLibrary& library_;
  FontSpec spec_;
  std::unique_ptr<SizedFace> primary_;
  std::map<std::pair<std::string, int>, std::unique_ptr<SizedFace>> fallbacks_;
  std::map<char32_t, SizedFace*> by_char_;
};

std::shared_ptr<Font> FreeTypeLibrary::Select(const FontSpec& requested) {
  FontSpec spec = requested;
  spec.cell_height_px = std::clamp(spec.cell_height_px, 1, kMaxCellHeightPx);
  for (auto it = fonts_.begin(); it != fonts_.end(); ++it) {
    if (it->first == spec) {
      fonts_.splice(fonts_.begin(), fonts_, it);
      return fonts_.front().second;
    }
  }
  const Resolved r = Resolve(spec.face_utf8, spec.bold, spec.italic);
  if (r.path.empty()) return nullptr;
  auto face = OpenFace(r.path, r.index);
  if (!face) return nullptr;
  // fontconfig reports a synthesised style as if the face had it; the face
  // itself tells.
  const FT_Long own_style = face->face->style_flags;
  const bool embolden = spec.bold && !(own_style & FT_STYLE_FLAG_BOLD);
  const bool oblique = spec.italic && !(own_style & FT_STYLE_FLAG_ITALIC);
  auto sized = std::make_unique<SizedFace>(std::move(face), spec.cell_height_px, embolden, oblique);
  if (!sized->ok()) return nullptr;
  auto font = std::make_shared<FreeTypeFont>(*this, spec, std::move(sized));
  fonts_.emplace_front(spec, font);
  if (fonts_.size() > kMaxFonts) fonts_.pop_back();
  return font;
}

}  // namespace

std::unique_ptr<FontLibrary> MakeFontLibrary() {
  return std::make_unique<FreeTypeLibrary>();
}

}  // namespace vesk::platform
