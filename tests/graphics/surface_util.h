#pragma once
// Helpers for the surface tests: surfaces of random pixels valid in their
// format, channel masks written out independently of the library, and the
// blend rules as the formulas state them on the full masks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "graphics/dibsfc.h"

namespace vesk::graphics::testing {

// The channel masks of a format; surfaces of 8 bits and fewer are one
// channel covering the whole value.
inline std::vector<uint32_t> ChannelMasks(int bits) {
  switch (bits) {
    case 1:
      return {0x1};
    case 4:
      return {0xF};
    case 8:
      return {0xFF};
    case 15:
      return {0x7C00, 0x03E0, 0x001F};
    case 16:
      return {0xF800, 0x07E0, 0x001F};
    default:
      return {0xFF0000, 0x00FF00, 0x0000FF};
  }
}

inline uint32_t AllMasks(int bits) {
  uint32_t m = 0;
  for (uint32_t c : ChannelMasks(bits)) m |= c;
  return m;
}

// ((a*(s&M) + (255-a)*(d&M)) >> 8) & M over the channels.
inline uint32_t FormulaBlend(uint32_t s, uint32_t d, uint64_t a, int bits) {
  uint32_t out = 0;
  for (uint64_t m : ChannelMasks(bits))
    out |= uint32_t(((a * (s & m) + (255 - a) * (d & m)) >> 8) & m);
  return out;
}

// min(M, (d&M) + ((a*(s&M)) >> 8 & M)) over the channels.
inline uint32_t FormulaAddScaled(uint32_t s, uint32_t d, uint64_t a, int bits) {
  uint32_t out = 0;
  for (uint64_t m : ChannelMasks(bits))
    out |= uint32_t(std::min<uint64_t>(m, (d & m) + ((a * (s & m)) >> 8 & m)));
  return out;
}

inline uint32_t FormulaAdd(uint32_t s, uint32_t d, int bits) {
  uint32_t out = 0;
  for (uint64_t m : ChannelMasks(bits)) out |= uint32_t(std::min<uint64_t>(m, (s & m) + (d & m)));
  return out;
}

inline uint32_t FormulaSub(uint32_t v, uint32_t d, int bits) {
  uint32_t out = 0;
  for (uint32_t m : ChannelMasks(bits)) out |= (d & m) > (v & m) ? (d & m) - (v & m) : 0;
  return out;
}

// A surface of random values valid in its format.
inline void Randomise(TCustomDIBX& s, uint32_t seed) {
  std::mt19937 rng(seed);
  const uint32_t all = AllMasks(s.BitCount());
  for (int y = 0; y < s.Height(); ++y) {
    for (int x = 0; x < s.Width(); ++x) s.SetPixel(x, y, rng() & all);
  }
}

inline TDIBX Random(int bits, int w, int h, uint32_t seed) {
  TDIBX s(w, h, bits);
  Randomise(s, seed);
  return s;
}

// Every pixel as a vector, row by row.
inline std::vector<uint32_t> Pixels(const TCustomDIBX& s) {
  std::vector<uint32_t> out;
  for (int y = 0; y < s.Height(); ++y) {
    for (int x = 0; x < s.Width(); ++x) out.push_back(s.GetPixel(x, y));
  }
  return out;
}

inline void CopyPixels(const TCustomDIBX& from, TCustomDIBX& to) {
  to.SetSize(from.Width(), from.Height(), from.BitCount());
  for (int y = 0; y < from.Height(); ++y) {
    for (int x = 0; x < from.Width(); ++x) to.SetPixel(x, y, from.GetPixel(x, y));
  }
}

inline TDIBX Copy(const TCustomDIBX& from) {
  TDIBX to;
  CopyPixels(from, to);
  return to;
}

// Compares two surfaces pixel by pixel and reports the first differences.
inline ::testing::AssertionResult SamePixels(const TCustomDIBX& got, const TCustomDIBX& want) {
  if (got.Width() != want.Width() || got.Height() != want.Height()) {
    return ::testing::AssertionFailure() << "size " << got.Width() << "x" << got.Height() << " vs "
                                         << want.Width() << "x" << want.Height();
  }
  int bad = 0;
  std::string first;
  for (int y = 0; y < got.Height(); ++y) {
    for (int x = 0; x < got.Width(); ++x) {
      if (got.GetPixel(x, y) == want.GetPixel(x, y)) continue;
      if (bad++ < 4) {
        first += " (" + std::to_string(x) + "," + std::to_string(y) + ") got " +
                 std::to_string(got.GetPixel(x, y)) + " want " +
                 std::to_string(want.GetPixel(x, y));
      }
    }
  }
  if (bad == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << bad << " pixels differ:" << first;
}

}  // namespace vesk::graphics::testing
