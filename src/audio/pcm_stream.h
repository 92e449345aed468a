#pragma once
// A decoded sound as the mixer sees it: a seekable run of PCM bytes in a
// known format. Decoders implement PcmStream; MemoryPcmStream serves bytes
// already in memory (short effects, tests).
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vesk::audio {

// The PCM format record a decoder reports (little-endian integer samples).
struct PcmFormat {
  uint16_t format_tag = 1;  // 1 = integer PCM
  uint16_t channels = 2;
  uint32_t samples_per_sec = 44100;
  uint32_t bytes_per_sec = 176400;
  uint16_t block_align = 4;
  uint16_t bits_per_sample = 16;
  uint16_t extra_size = 0;
};

// A consistent record for the given layout (bytes per second and alignment
// derived from the other three).
PcmFormat MakePcmFormat(uint16_t channels, uint32_t samples_per_sec, uint16_t bits_per_sample);

class PcmStream {
 public:
  virtual ~PcmStream() = default;
  // Total length in bytes.
  virtual int64_t SizeBytes() const = 0;
  virtual int64_t PositionBytes() const = 0;
  // Moves the read position; values outside 0..size are clamped.
  virtual void SeekBytes(int64_t position_bytes) = 0;
  // Reads up to out.size() bytes at the position and advances it; returns
  // the count read (0 at the end).
  virtual size_t Read(std::span<uint8_t> out) = 0;
};

class MemoryPcmStream final : public PcmStream {
 public:
  explicit MemoryPcmStream(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
  // 16-bit samples stored little-endian.
  static MemoryPcmStream FromSamples(std::span<const int16_t> samples);

  int64_t SizeBytes() const override { return int64_t(bytes_.size()); }
  int64_t PositionBytes() const override { return position_bytes_; }
  void SeekBytes(int64_t position_bytes) override;
  size_t Read(std::span<uint8_t> out) override;

 private:
  std::vector<uint8_t> bytes_;
  int64_t position_bytes_ = 0;
};

}  // namespace vesk::audio
