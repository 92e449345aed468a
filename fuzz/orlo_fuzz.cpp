// Picture bytes from the fuzzer: the layered-image reader with and without
// a scramble seed and a target bit count, the post-processing the image
// cache runs on what it read, and the PNG and JPEG decoders.
#include <cstdint>
#include <span>

#include "graphics/image_codecs.h"
#include "graphics/orlo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vesk::graphics;
  const std::span<const uint8_t> bytes(data, size);
  // Small enough that one input runs in well under a second, large enough
  // for every picture in the corpus.
  constexpr size_t kBudget = size_t{16} << 20;
  for (const uint32_t seed : {0u, 0x1234u}) {
    TOrloFrameList list(seed);
    list.MaxDecodedBytes = kBudget;
    list.TargetBitCount = seed == 0 ? 0 : 16;
    try {
      list.LoadFromStream(bytes);
    } catch (const EGraphicsError&) {
    }
    list.MakeKeyMasks();
    for (auto& frame : list.Frames) {
      frame->Trim();
      TDIBX surface(1, 1, 32), mask;
      AssignTo(*frame, surface);
      MaskTo(*frame, mask);
    }
  }
  IsPlainOrlo(bytes);
  try {
    TDIBSurface png;
    int32_t key = -1;
    DecodePng(bytes, png, &key, kBudget);
  } catch (const EGraphicsError&) {
  }
  try {
    TDIBX jpeg;
    DecodeJpeg(bytes, jpeg, kBudget);
  } catch (const EGraphicsError&) {
  }
  return 0;
}
