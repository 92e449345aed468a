// Drawing surfaces against in-process references on the same 800x600
// pictures: the opaque copy against memcpy, and the alpha, mask and additive
// copies against pixman's OVER (solid mask, a8 mask) and ADD, in 32-bit
// x8r8g8b8 and 16-bit r5g6b5. pixman works on the very pixels of the
// surfaces. Each pair is registered side by side so the ratios read off
// directly.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstring>
#include <random>

#include "graphics/dibsfc.h"

namespace {

using vesk::graphics::Flip;
using vesk::graphics::KeyMode;
using vesk::graphics::PixelView;
using vesk::graphics::TDIBX;

constexpr int kW = 800, kH = 600;

void Randomise(TDIBX& s, uint32_t seed, uint32_t mask) {
  std::mt19937 rng(seed);
  for (int y = 0; y < s.Height(); ++y) {
    for (int x = 0; x < s.Width(); ++x) s.SetPixel(x, y, rng() & mask);
  }
}

// A surface's pixels seen by pixman, without copying.
struct PixmanImage {
  pixman_image_t* image = nullptr;
  PixmanImage(TDIBX& s, pixman_format_code_t format) {
    const PixelView v = s.View();
    image = pixman_image_create_bits(format, v.width_px, v.height_px,
                                     reinterpret_cast<uint32_t*>(v.origin), int(v.stride_bytes));
  }
  ~PixmanImage() { pixman_image_unref(image); }
  PixmanImage(const PixmanImage&) = delete;
  PixmanImage& operator=(const PixmanImage&) = delete;
};

struct Pictures {
  TDIBX dst, src, mask;
  PixmanImage p_dst, p_src, p_mask;
  pixman_image_t* solid = nullptr;
  Pictures(int bits, pixman_format_code_t format)
      : dst(kW, kH, bits),
        src(kW, kH, bits),
        mask(kW, kH, 8),
        p_dst(dst, format),
        p_src(src, format),
        p_mask(mask, PIXMAN_a8) {
    const uint32_t all = bits == 32 ? 0xFFFFFF : 0xFFFF;
    Randomise(dst, 1, all);
    Randomise(src, 2, all);
    Randomise(mask, 3, 0xFF);
    const pixman_color_t half{0x8000, 0x8000, 0x8000, 0x8000};
    solid = pixman_image_create_solid_fill(&half);
  }
  ~Pictures() { pixman_image_unref(solid); }
  void Composite(pixman_op_t op, pixman_image_t* m) {
    pixman_image_composite32(op, p_src.image, m, p_dst.image, 0, 0, 0, 0, 0, 0, kW, kH);
  }
};

Pictures& Get32() {
  static Pictures p(32, PIXMAN_x8r8g8b8);
  return p;
}
Pictures& Get16() {
  static Pictures p(16, PIXMAN_r5g6b5);
  return p;
}

template <Pictures& (*kGet)()>
void SetBytes(benchmark::State& state) {
  Pictures& p = kGet();
  state.SetBytesProcessed(int64_t(state.iterations()) * p.dst.Stride() * kH);
}

// --- 32-bit ---

void BM_Ref32_Memcpy(benchmark::State& state) {
  Pictures& p = Get32();
  for (auto _ : state) {
    std::memcpy(p.dst.View().origin, p.src.View().origin, size_t(p.dst.Stride()) * kH);
    benchmark::ClobberMemory();
  }
  SetBytes<Get32>(state);
}
void BM_Vesk32_Draw(benchmark::State& state) {
  Pictures& p = Get32();
  for (auto _ : state) {
    p.dst.Draw(0, 0, p.src, p.src.BoundsRect(), KeyMode::kIgnore, Flip::kNone);
    benchmark::ClobberMemory();
  }
  SetBytes<Get32>(state);
}
// A copy that is not one block: 700x500 pixels at an offset, row by row.
void BM_Ref32_MemcpyRows700x500(benchmark::State& state) {
  Pictures& p = Get32();
  for (auto _ : state) {
    for (int y = 0; y < 500; ++y) {
      std::memcpy(p.dst.PixelPtr(50, 50 + y), p.src.PixelPtr(20, 30 + y), 700 * 4);
    }
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * 700 * 4 * 500);
}
void BM_Vesk32_Draw700x500(benchmark::State& state) {
  Pictures& p = Get32();
  for (auto _ : state) {
    p.dst.Draw(50, 50, p.src, vesk::Rect{20, 30, 720, 530}, KeyMode::kIgnore, Flip::kNone);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * 700 * 4 * 500);
}
void BM_Ref32_PixmanOverSolid(benchmark::State& state) {
  Pictures& p = Get32();
  for (auto _ : state) p.Composite(PIXMAN_OP_OVER, p.solid);
  SetBytes<Get32>(state);
}
void BM_Vesk32_DrawAlpha128(benchmark::State& state) {
  Pictures& p = Get32();
  for (auto _ : state) {
    p.dst.DrawAlpha(0, 0, p.src, p.src.BoundsRect(), KeyMode::kIgnore, Flip::kNone, 128);
    benchmark::ClobberMemory();
  }
  SetBytes<Get32>(state);
}
void BM_Ref32_PixmanOverA8(benchmark::State& state) {
  Pictures& p = Get32();
  for (auto _ : state) p.Composite(PIXMAN_OP_OVER, p.p_mask.image);
  SetBytes<Get32>(state);
}
void BM_Vesk32_DrawMask(benchmark::State& state) {
  Pictures& p = Get32();
  for (auto _ : state) {
    p.dst.DrawMask(0, 0, p.src, p.src.BoundsRect(), Flip::kNone, p.mask);
    benchmark::ClobberMemory();
  }
  SetBytes<Get32>(state);
}
void BM_Ref32_PixmanAdd(benchmark::State& state) {
  Pictures& p = Get32();
  for (auto _ : state) p.Composite(PIXMAN_OP_ADD, nullptr);
  SetBytes<Get32>(state);
}
void BM_Vesk32_DrawAdd255(benchmark::State& state) {
  Pictures& p = Get32();
  for (auto _ : state) {
    p.dst.DrawAdd(0, 0, p.src, p.src.BoundsRect(), KeyMode::kIgnore, Flip::kNone, 255);
    benchmark::ClobberMemory();
  }
  SetBytes<Get32>(state);
}

// --- 16-bit ---

void BM_Ref16_Memcpy(benchmark::State& state) {
  Pictures& p = Get16();
  for (auto _ : state) {
    std::memcpy(p.dst.View().origin, p.src.View().origin, size_t(p.dst.Stride()) * kH);
    benchmark::ClobberMemory();
  }
  SetBytes<Get16>(state);
}
void BM_Vesk16_Draw(benchmark::State& state) {
  Pictures& p = Get16();
  for (auto _ : state) {
    p.dst.Draw(0, 0, p.src, p.src.BoundsRect(), KeyMode::kIgnore, Flip::kNone);
    benchmark::ClobberMemory();
  }
  SetBytes<Get16>(state);
}
void BM_Ref16_PixmanOverSolid(benchmark::State& state) {
  Pictures& p = Get16();
  for (auto _ : state) p.Composite(PIXMAN_OP_OVER, p.solid);
  SetBytes<Get16>(state);
}
void BM_Vesk16_DrawAlpha128(benchmark::State& state) {
  Pictures& p = Get16();
  for (auto _ : state) {
    p.dst.DrawAlpha(0, 0, p.src, p.src.BoundsRect(), KeyMode::kIgnore, Flip::kNone, 128);
    benchmark::ClobberMemory();
  }
  SetBytes<Get16>(state);
}
void BM_Ref16_PixmanOverA8(benchmark::State& state) {
  Pictures& p = Get16();
  for (auto _ : state) p.Composite(PIXMAN_OP_OVER, p.p_mask.image);
  SetBytes<Get16>(state);
}
void BM_Vesk16_DrawMask(benchmark::State& state) {
  Pictures& p = Get16();
  for (auto _ : state) {
    p.dst.DrawMask(0, 0, p.src, p.src.BoundsRect(), Flip::kNone, p.mask);
    benchmark::ClobberMemory();
  }
  SetBytes<Get16>(state);
}
void BM_Ref16_PixmanAdd(benchmark::State& state) {
  Pictures& p = Get16();
  for (auto _ : state) p.Composite(PIXMAN_OP_ADD, nullptr);
  SetBytes<Get16>(state);
}
void BM_Vesk16_DrawAdd255(benchmark::State& state) {
  Pictures& p = Get16();
  for (auto _ : state) {
    p.dst.DrawAdd(0, 0, p.src, p.src.BoundsRect(), KeyMode::kIgnore, Flip::kNone, 255);
    benchmark::ClobberMemory();
  }
  SetBytes<Get16>(state);
}

// --- other hot paths, for the record (no reference) ---

void BM_Vesk32_StretchAlpha_1_5x(benchmark::State& state) {
  Pictures& p = Get32();
  for (auto _ : state) {
    p.dst.StretchAlpha(p.dst.BoundsRect(), p.src, vesk::Rect{0, 0, 533, 400}, KeyMode::kIgnore,
                       Flip::kNone, 200);
    benchmark::ClobberMemory();
  }
  SetBytes<Get32>(state);
}
void BM_Vesk32_DrawRotate(benchmark::State& state) {
  Pictures& p = Get32();
  for (auto _ : state) {
    p.dst.DrawRotate(400, 300, 256, 256, p.src, vesk::Rect{0, 0, 400, 400}, 200, 200, 20,
                     KeyMode::kIgnore, Flip::kNone, 255);
    benchmark::ClobberMemory();
  }
  SetBytes<Get32>(state);
}

BENCHMARK(BM_Ref32_Memcpy);
BENCHMARK(BM_Vesk32_Draw);
BENCHMARK(BM_Ref32_MemcpyRows700x500);
BENCHMARK(BM_Vesk32_Draw700x500);
BENCHMARK(BM_Ref32_PixmanOverSolid);
BENCHMARK(BM_Vesk32_DrawAlpha128);
BENCHMARK(BM_Ref32_PixmanOverA8);
BENCHMARK(BM_Vesk32_DrawMask);
BENCHMARK(BM_Ref32_PixmanAdd);
BENCHMARK(BM_Vesk32_DrawAdd255);
BENCHMARK(BM_Ref16_Memcpy);
BENCHMARK(BM_Vesk16_Draw);
BENCHMARK(BM_Ref16_PixmanOverSolid);
BENCHMARK(BM_Vesk16_DrawAlpha128);
BENCHMARK(BM_Ref16_PixmanOverA8);
BENCHMARK(BM_Vesk16_DrawMask);
BENCHMARK(BM_Ref16_PixmanAdd);
BENCHMARK(BM_Vesk16_DrawAdd255);
BENCHMARK(BM_Vesk32_StretchAlpha_1_5x);
BENCHMARK(BM_Vesk32_DrawRotate);

}  // namespace

BENCHMARK_MAIN();
