// Windows bitmap bytes into surfaces of each working bit count, then a save
// and a draw of what was read.
#include <cstdint>
#include <span>

#include "graphics/dibsfc.h"
#include "graphics/dibsfc_bitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vesk::graphics;
  const std::span<const uint8_t> bytes(data, size);
  // As for layered images: one input runs in well under a second, and every
  // picture of the corpus fits.
  constexpr size_t kBudget = size_t{16} << 20;
  TDIBX native;
  std::vector<uint8_t> alpha;
  try {
    DecodeBitmap(bytes, native, &alpha, kBudget);
  } catch (const EGraphicsError&) {
    return 0;
  }
  // The surfaces below decode again without a budget and convert to 32 bits
  // and back: only pictures that stay small at 32 bits go on.
  if (size_t(native.Width()) * size_t(native.Height()) * 4 > kBudget) return 0;
  for (int bits : {8, 16, 32}) {
    TDIBX surface(1, 1, bits);
    try {
      if (!surface.LoadFromStream(bytes, 0)) continue;
      const std::vector<uint8_t> saved = surface.SaveToBitmap();
      TDIBX again(1, 1, bits);
      again.LoadFromStream(saved, 0);
      TDIBX canvas(32, 32, bits);
      canvas.DrawAlpha(-3, 5, surface, surface.BoundsRect(), KeyMode::kUse, Flip::kBoth, 99);
    } catch (const EGraphicsError&) {
    }
  }
  return 0;
}
