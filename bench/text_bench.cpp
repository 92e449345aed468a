// The glyph cache: a hit, and a kanji made cold (its outline rasterised,
// mapped to coverage) and rendered at 24 px with border 2 and shadow 2, with
// FreeType rasterising the same glyphs in the same run as the reference.
#include <benchmark/benchmark.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <memory>
#include <string>
#include <vector>

#include "platform/cp932.h"
#include "platform/font_library.h"
#include "platform/font_rasterizer.h"
#include "text/fontpixels.h"

namespace {

using vesk::text::kDefaultFace;
using vesk::text::TFontPixelManager;

constexpr int kCellPx = 24;

// 300 consecutive kanji of the first level (CP932 0x889F on): more than the
// cache holds, so going round them misses every time.
std::vector<uint16_t> ColdKanji() {
  std::vector<uint16_t> codes;
  for (uint16_t lead = 0x88; codes.size() < 300; ++lead) {
    for (uint16_t trail = lead == 0x88 ? 0x9F : 0x40; trail <= 0xFC && codes.size() < 300; ++trail)
      if (trail != 0x7F) codes.push_back(uint16_t(lead << 8 | trail));
  }
  return codes;
}

std::unique_ptr<TFontPixelManager> Manager() {
  auto m = std::make_unique<TFontPixelManager>(vesk::platform::MakeFontLibrary());
  m->Level = 3;
  return m;
}

void BM_GlyphCacheHit(benchmark::State& state) {
  auto m = Manager();
  m->Get(0x889F, kDefaultFace, 0, kCellPx);
  for (auto _ : state) benchmark::DoNotOptimize(m->Get(0x889F, kDefaultFace, 0, kCellPx));
}
BENCHMARK(BM_GlyphCacheHit);

// A full cache with many glyphs in the same bucket, hit in turn.
void BM_GlyphCacheHitFullCache(benchmark::State& state) {
  auto m = Manager();
  const std::vector<uint16_t> codes = ColdKanji();
  for (size_t i = 0; i < 256; ++i) m->Get(codes[i], kDefaultFace, 0, kCellPx);
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(m->Get(codes[i], kDefaultFace, 0, kCellPx));
    i = (i + 1) & 255;
  }
}
BENCHMARK(BM_GlyphCacheHitFullCache);

void BM_ColdKanjiGet(benchmark::State& state) {
  auto m = Manager();
  const std::vector<uint16_t> codes = ColdKanji();
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(m->Get(codes[i], kDefaultFace, 0, kCellPx));
    i = (i + 1) % codes.size();
  }
}
BENCHMARK(BM_ColdKanjiGet);

void BM_ColdKanjiGetAndRenderBorder2Shadow2(benchmark::State& state) {
  auto m = Manager();
  const std::vector<uint16_t> codes = ColdKanji();
  vesk::graphics::TDIBX color(64, 64, 32), mask(64, 64, 8);
  vesk::text::RenderOptions o;
  o.border_px = 2;
  o.shadow_px = 2;
  const vesk::Rect cell = vesk::Rect::FromSize(4, 4, kCellPx + 6, kCellPx + 6);
  size_t i = 0;
  for (auto _ : state) {
    const auto g = m->Get(codes[i], kDefaultFace, 0, kCellPx);
    benchmark::DoNotOptimize(m->Render(*g, color, mask, {0x1111, 0x2222, 0xFFFF}, o, cell));
    i = (i + 1) % codes.size();
  }
}
BENCHMARK(BM_ColdKanjiGetAndRenderBorder2Shadow2);

void BM_RenderBorder2Shadow2(benchmark::State& state) {
  auto m = Manager();
  const auto g = m->Get(0x889F, kDefaultFace, 0, kCellPx);
  vesk::graphics::TDIBX color(64, 64, 32), mask(64, 64, 8);
  vesk::text::RenderOptions o;
  o.border_px = 2;
  o.shadow_px = 2;
  const vesk::Rect cell = vesk::Rect::FromSize(4, 4, kCellPx + 6, kCellPx + 6);
  for (auto _ : state)
    benchmark::DoNotOptimize(m->Render(*g, color, mask, {0x1111, 0x2222, 0xFFFF}, o, cell));
}
BENCHMARK(BM_RenderBorder2Shadow2);

void BM_RenderPlain(benchmark::State& state) {
  auto m = Manager();
  const auto g = m->Get(0x889F, kDefaultFace, 0, kCellPx);
  vesk::graphics::TDIBX color(64, 64, 32), mask(64, 64, 8);
  const vesk::Rect cell = vesk::Rect::FromSize(4, 4, kCellPx, kCellPx);
  for (auto _ : state) benchmark::DoNotOptimize(m->Render(*g, color, mask, {}, {}, cell));
}
BENCHMARK(BM_RenderPlain);

// The reference: FreeType loading and rendering the same kanji at the same
// em size, straight from the font file the library chose.
void BM_FreeTypeRasteriseKanji(benchmark::State& state) {
  auto font = vesk::platform::MakeFontLibrary()->Select({"IPAGothic", kCellPx, false, false});
  FT_Library lib;
  FT_Init_FreeType(&lib);
  FT_Face face;
  if (!font || FT_New_Face(lib, font->file_path().c_str(), 0, &face) != 0) {
    state.SkipWithError("no font");
    return;
  }
  FT_Set_Pixel_Sizes(face, 0, kCellPx);
  std::vector<char32_t> cps;
  for (uint16_t code : ColdKanji()) {
    const std::string bytes{char(code >> 8), char(code & 0xFF)};
    cps.push_back(vesk::platform::DecodeUtf8(vesk::platform::Cp932ToUtf8(bytes)).front());
  }
  size_t i = 0;
  for (auto _ : state) {
    FT_Load_Char(face, cps[i], FT_LOAD_TARGET_NORMAL | FT_LOAD_NO_BITMAP);
    FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL);
    benchmark::DoNotOptimize(face->glyph->bitmap.buffer);
    i = (i + 1) % cps.size();
  }
  FT_Done_Face(face);
  FT_Done_FreeType(lib);
}
BENCHMARK(BM_FreeTypeRasteriseKanji);

}  // namespace

BENCHMARK_MAIN();
