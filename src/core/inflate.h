#pragma once
// Whole-buffer inflation of zlib streams whose decoded size is known or
// bounded (archive entries, layer data), through libdeflate, which is about
// twice as fast as zlib's streaming inflate. Callers keep zlib for writing,
// for streaming and for the exact diagnosis of a stream that fails here.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vesk {

enum class InflateResult { kOk, kTooSmall, kBadData };

// Inflates the zlib stream at the start of `in` into `out`, which holds at
// most `limit` bytes; on kOk, `out` is resized to what the stream holds.
// Bytes after the stream are ignored. kTooSmall: the stream holds more than
// `limit`; kBadData: a damaged, cut or mis-summed stream.
InflateResult InflateZlibWhole(std::span<const uint8_t> in, size_t limit,
                               std::vector<uint8_t>& out);
// The same straight into `out` (a bitmap, say); `produced` says how much of
// it the stream filled.
InflateResult InflateZlibInto(std::span<const uint8_t> in, std::span<uint8_t> out,
                              size_t* produced);

}  // namespace vesk
