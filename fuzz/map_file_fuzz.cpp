// Map files from the fuzzer: the areas read, then each one asked about a
// few points and painted into a small mask.
#include <cstdint>
#include <span>

#include "components/map_image.h"
#include "graphics/dibsfc.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vesk;
  const auto areas = components::ParseMapFile(std::span<const uint8_t>(data, size));
  graphics::TDIBX mask(48, 32, 8);
  for (const auto& area : areas) {
    for (int32_t p : {-1, 0, 1, 7, 31, 1 << 30}) (void)area.Contains(p, p / 2);
    area.Paint(mask, 0xFF);
  }
  return 0;
}
