#pragma once
// Helpers for the layered-image tests: a byte builder for files written by
// hand, a list-based permutation generator written the plain way (the
// library's uses a tree), and short constructors for frames and layers.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "graphics/orlo.h"
#include "graphics/orlo_writer.h"
#include "surface_util.h"

namespace vesk::graphics::testing {

struct Bytes {
  std::vector<uint8_t> b;
  Bytes& u8(uint8_t v) {
    b.push_back(v);
    return *this;
  }
  Bytes& i32(int64_t value) {
    const auto v = uint32_t(value);
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
    return *this;
  }
  Bytes& str(const std::string& s) {
    b.insert(b.end(), s.begin(), s.end());
    return *this;
  }
  Bytes& raw(const std::vector<uint8_t>& v) {
    b.insert(b.end(), v.begin(), v.end());
    return *this;
  }
  Bytes& zeros(size_t n) {
    b.resize(b.size() + n, 0);
    return *this;
  }
  // int32 length, then the bytes.
  Bytes& data(const std::vector<uint8_t>& v) { return i32(int64_t(v.size())).raw(v); }
};

// s := s*5 + k; index at Step() mod remaining, removed from a plain list.
inline std::vector<int> NaivePermutation(uint32_t seed, int n) {
  std::vector<int> remaining;
  for (int i = 0; i < n; ++i) remaining.push_back(i);
  uint32_t s = 0;
  std::vector<int> out;
  while (!remaining.empty()) {
    s = s * 5u + seed;
    const size_t i = s % uint32_t(remaining.size());
    out.push_back(remaining[i]);
    remaining.erase(remaining.begin() + ptrdiff_t(i));
  }
  return out;
}

// The "Orlo1xx" header record of the newer versions.
struct RecordSpec {
  int version = 106;
  int frames = 1;
  bool scrambled = false;
  int compression = 1;
  int32_t background = 0;
  int block_w = 0, block_h = 0;
  bool opaque_bottom = false;
  int length = 40;  // bytes of the record present
};

inline Bytes NewHeader(const RecordSpec& r) {
  Bytes rec;
  rec.i32(r.version).zeros(12).i32(r.frames).u8(0).u8(r.scrambled).u8(uint8_t(r.compression)).u8(0);
  rec.i32(r.background).i32(r.block_w).i32(r.block_h).u8(r.opaque_bottom).zeros(3);
  Bytes out;
  char magic[8];
  std::snprintf(magic, sizeof magic, "Orlo%03d", r.version);
  out.str(magic).i32(r.length);
  for (int i = 0; i < r.length; ++i) out.u8(i < 40 ? rec.b[size_t(i)] : 0xEE);
  return out;
}

// Frame header up to (not including) the colour table.
inline void FrameHead(Bytes& b, int w, int h, int bits, int layers, int32_t key = -1,
                      int32_t time = 0) {
  b.i32(0).i32(key).i32(time).u8(0).i32(0).i32(layers).i32(w).i32(h).i32(bits);
}

// Layer header up to (not including) the pixel data.
inline void LayerHead(Bytes& b, int version, bool visible = true, int32_t key = -1,
                      int32_t opacity = 255, bool alpha = true) {
  b.zeros(8).u8(visible).i32(key).i32(opacity);
  if (version >= 101) b.u8(alpha);
  b.i32(0);
}

inline TOrloLayerInput Layer(TDIBX pixels, int opacity = 255, int32_t key = -1,
                             std::unique_ptr<TDIBX> mask = nullptr) {
  TOrloLayerInput l;
  l.Pixels = std::move(pixels);
  l.Opacity = opacity;
  l.ColorKey = key;
  l.Mask = std::move(mask);
  return l;
}

inline TOrloFrameInput FrameOf(int bits, std::vector<TOrloLayerInput> layers, int32_t key = -1,
                               int32_t time = 0) {
  TOrloFrameInput f;
  f.BitCount = bits;
  f.Width = layers.empty() ? 0 : layers[0].Pixels.Width();
  f.Height = layers.empty() ? 0 : layers[0].Pixels.Height();
  f.Layers = std::move(layers);
  f.ColorKey = key;
  f.FrameTime = time;
  return f;
}

inline std::unique_ptr<TDIBX> RandomMask(int w, int h, uint32_t seed) {
  auto m = std::make_unique<TDIBX>(Random(8, w, h, seed));
  // Make sure the rules' special values appear.
  m->SetPixel(0, 0, 0);
  if (w > 1) m->SetPixel(1, 0, 255);
  return m;
}

inline TOrloFrameList ReadOrlo(const std::vector<uint8_t>& bytes, uint32_t seed = 0,
                               int target_bits = 0) {
  TOrloFrameList list(seed);
  list.TargetBitCount = target_bits;
  list.LoadFromStream(bytes);
  return list;
}

// Colour values of every pixel, so pictures of different formats compare.
inline std::vector<int32_t> Colors(const TCustomDIBX& s) {
  std::vector<int32_t> out;
  const ConstPixelView v = s.View();
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x)
      out.push_back(NativeToColor(s.GetPixel(x, y), s.BitCount(), v.palette));
  return out;
}

// A picture of smooth gradients that survives JPEG nearly unchanged.
inline TDIBX Smooth(int bits, int w, int h) {
  TDIBX s(w, h, bits);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      s.SetPixel(x, y,
                 ColorToNative(int32_t((x * 255 / std::max(1, w - 1)) |
                                       (y * 255 / std::max(1, h - 1)) << 8 | 0x80 << 16),
                               bits));
  return s;
}

}  // namespace vesk::graphics::testing
