// Decoding pictures: an 800x600 layered image (zlib, 16x16 blocks) against
// libpng decoding the very same picture as a PNG, in the same run. Two
// pictures: one opaque layer, and a background with a masked character on
// top (the PNG then holds the composed result). Sizes of both files are
// reported as counters.
#include <benchmark/benchmark.h>
#include <png.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <random>
#include <stdexcept>

#include "graphics/image_codecs.h"
#include "graphics/orlo.h"
#include "graphics/orlo_writer.h"

namespace {

using namespace vesk::graphics;

constexpr int kW = 800, kH = 600;

// Something like a game's background: gradients, soft shapes, a textured
// band and flat areas.
TDIBX Background() {
  TDIBX s(kW, kH, 24);
  std::mt19937 rng(1);
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      int r = x * 255 / kW, g = y * 255 / kH,
          b = 128 + int(60 * std::sin(x / 40.0) * std::cos(y / 30.0));
      if (y > 380 && y < 470) {  // grass: noisy texture
        const int n = int(rng() % 40);
        r = 40 + n, g = 120 + n, b = 30 + n / 2;
      }
      if (y > 520) r = g = b = 60;  // a flat floor
      s.SetPixel(x, y, uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b));
    }
  }
  return s;
}

// A character: an ellipse with shading, soft-edged in its mask.
void Character(TDIBX& pixels, TDIBX& mask) {
  pixels.SetSize(kW, kH, 24);
  mask.SetSize(kW, kH, 8);
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      const double dx = (x - 400) / 150.0, dy = (y - 320) / 260.0, d = dx * dx + dy * dy;
      const int a = d < 0.9 ? 255 : d < 1.0 ? int((1.0 - d) * 2550) : 0;
      mask.SetPixel(x, y, uint32_t(a));
      const int shade = int(200 - 80 * d);
      pixels.SetPixel(
          x, y, a ? uint32_t(shade) << 16 | uint32_t(shade * 3 / 4) << 8 | uint32_t(shade / 2) : 0);
    }
  }
}

struct Files {
  std::vector<uint8_t> orlo, png;
};

Files Make(bool two_layers) {
  TDIBX back = Background();
  std::vector<TOrloFrameInput> frames(1);
  TOrloFrameInput& f = frames[0];
  f.Width = kW, f.Height = kH, f.BitCount = 24;
  TOrloLayerInput bottom;
  bottom.Pixels.Assign(back);
  f.Layers.push_back(std::move(bottom));
  if (two_layers) {
    TOrloLayerInput top;
    top.Mask = std::make_unique<TDIBX>();
    Character(top.Pixels, *top.Mask);
    f.Layers.push_back(std::move(top));
  }
  Files out;
  out.orlo = EncodeOrlo(frames, {});
  // The PNG holds what the layered image shows.
  TOrloFrameList list;
  list.LoadFromStream(out.orlo);
  out.png = EncodePng(list.Frame(0).Bitmap);
  return out;
}

const Files& Picture(bool two_layers) {
  static const Files one = Make(false), two = Make(true);
  return two_layers ? two : one;
}

void BM_OrloDecode(benchmark::State& state) {
  const Files& f = Picture(state.range(0) != 0);
  for (auto _ : state) {
    TOrloFrameList list;
    list.LoadFromStream(f.orlo);
    benchmark::DoNotOptimize(list.Frame(0).Bitmap.View().origin);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kW * kH * 3);
  state.counters["file_bytes"] = double(f.orlo.size());
}

// libpng's simplified reader into BGR rows, as a program would use it.
void DecodeWithLibpng(const std::vector<uint8_t>& png, std::vector<uint8_t>& pixels) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, png.data(), png.size()))
    throw std::runtime_error(image.message);
  image.format = PNG_FORMAT_BGR;
  if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr))
    throw std::runtime_error(image.message);
}

void BM_LibpngDecode(benchmark::State& state) {
  const Files& f = Picture(state.range(0) != 0);
  std::vector<uint8_t> pixels(size_t(kW) * kH * 3);
  for (auto _ : state) {
    DecodeWithLibpng(f.png, pixels);
    benchmark::DoNotOptimize(pixels.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kW * kH * 3);
  state.counters["file_bytes"] = double(f.png.size());
}

// The whole path of the image cache: decode, then the frame into a 32-bit
// surface.
void BM_OrloDecodeIntoSurface(benchmark::State& state) {
  const Files& f = Picture(state.range(0) != 0);
  TDIBX surface(kW, kH, 32);
  for (auto _ : state) {
    TOrloFrameList list;
    list.LoadFromStream(f.orlo);
    AssignTo(list.Frame(0), surface);
    benchmark::DoNotOptimize(surface.View().origin);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kW * kH * 3);
}

// Both decoders in turn within one loop, so that load from other programs
// hits both alike; the counters are the fastest run of each and their
// ratio (below 1: the layered image decodes faster).
void BM_OrloVersusLibpng(benchmark::State& state) {
  const Files& f = Picture(state.range(0) != 0);
  std::vector<uint8_t> pixels(size_t(kW) * kH * 3);
  using Clock = std::chrono::steady_clock;
  double orlo_best = 1e9, png_best = 1e9;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    TOrloFrameList list;
    list.LoadFromStream(f.orlo);
    benchmark::DoNotOptimize(list.Frame(0).Bitmap.View().origin);
    const auto t1 = Clock::now();
    DecodeWithLibpng(f.png, pixels);
    benchmark::DoNotOptimize(pixels.data());
    const auto t2 = Clock::now();
    orlo_best = std::min(orlo_best, std::chrono::duration<double, std::milli>(t1 - t0).count());
    png_best = std::min(png_best, std::chrono::duration<double, std::milli>(t2 - t1).count());
  }
  state.counters["orlo_ms"] = orlo_best;
  state.counters["libpng_ms"] = png_best;
  state.counters["ratio"] = orlo_best / png_best;
}

BENCHMARK(BM_OrloDecode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OrloVersusLibpng)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_LibpngDecode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OrloDecodeIntoSurface)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
