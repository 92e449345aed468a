#include "audio/pcm_stream.h"

#include <algorithm>
#include <cstring>

namespace vesk::audio {

PcmFormat MakePcmFormat(uint16_t channels, uint32_t samples_per_sec, uint16_t bits_per_sample) {
  PcmFormat f;
  f.channels = channels;
  f.samples_per_sec = samples_per_sec;
  f.bits_per_sample = bits_per_sample;
  f.block_align = uint16_t(channels * bits_per_sample / 8);
  f.bytes_per_sec = samples_per_sec * f.block_align;
  return f;
}

MemoryPcmStream MemoryPcmStream::FromSamples(std::span<const int16_t> samples) {
  std::vector<uint8_t> bytes(samples.size() * 2);
  for (size_t i = 0; i < samples.size(); ++i) {
    const auto u = uint16_t(samples[i]);
    bytes[2 * i] = uint8_t(u & 0xFF);
    bytes[2 * i + 1] = uint8_t(u >> 8);
  }
  return MemoryPcmStream(std::move(bytes));
}

void MemoryPcmStream::SeekBytes(int64_t position_bytes) {
  position_bytes_ = std::clamp<int64_t>(position_bytes, 0, SizeBytes());
}

size_t MemoryPcmStream::Read(std::span<uint8_t> out) {
  const auto available = size_t(SizeBytes() - position_bytes_);
  const size_t n = std::min(out.size(), available);
  if (n > 0) std::memcpy(out.data(), bytes_.data() + position_bytes_, n);
  position_bytes_ += int64_t(n);
  return n;
}

}  // namespace vesk::audio
