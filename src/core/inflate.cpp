#include "core/inflate.h"

#include <libdeflate.h>

#include <memory>

namespace vesk {
namespace {

struct DecompressorDeleter {
  void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

}  // namespace

InflateResult InflateZlibInto(std::span<const uint8_t> in, std::span<uint8_t> out,
                              size_t* produced) {
  // A decompressor holds about 32 KiB of tables; one per call keeps this
  // free of shared state (the window's thread and tool workers both call it).
  std::unique_ptr<libdeflate_decompressor, DecompressorDeleter> d(libdeflate_alloc_decompressor());
  *produced = 0;
  if (!d) return InflateResult::kBadData;
  size_t in_used = 0;
  switch (libdeflate_zlib_decompress_ex(d.get(), in.data(), in.size(), out.data(), out.size(),
                                        &in_used, produced)) {
    case LIBDEFLATE_SUCCESS:
      return InflateResult::kOk;
    case LIBDEFLATE_INSUFFICIENT_SPACE:
      return InflateResult::kTooSmall;
    default:
      return InflateResult::kBadData;
  }
}

InflateResult InflateZlibWhole(std::span<const uint8_t> in, size_t limit,
                               std::vector<uint8_t>& out) {
  // Decoded into uninitialised memory: zero-filling a generous limit would
  // cost more than the copy of what the stream really holds.
  auto buffer = std::make_unique_for_overwrite<uint8_t[]>(limit);
  size_t size = 0;
  const InflateResult r = InflateZlibInto(in, {buffer.get(), limit}, &size);
  if (r == InflateResult::kOk) out.assign(buffer.get(), buffer.get() + size);
  return r;
}

}  // namespace vesk
