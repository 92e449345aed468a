#pragma once
// A decoder's sound as a PcmStream: 44100 Hz interleaved 16-bit stereo
// bytes, decoded on demand where the mixer reads. Seeking moves the decoder
// only when a read asks for another place than the one it stands at, so a
// sound that plays straight through is decoded once, front to back.
#include <atomic>
#include <memory>
#include <vector>

#include "audio/pcm_stream.h"
#include "platform/media_decoder.h"

namespace vesk::audio {

class DecodedPcmStream final : public PcmStream {
 public:
  explicit DecodedPcmStream(std::unique_ptr<platform::AudioDecoder> decoder);

  // The layout every decoded stream has.
  static PcmFormat Format() { return MakePcmFormat(2, 44100, 16); }

  // The decoder's frame count; shrinks to what was really there when the
  // decoder stops early (a damaged or shorter file).
  int64_t SizeBytes() const override { return size_bytes_.load(); }
  int64_t PositionBytes() const override { return position_bytes_; }
  void SeekBytes(int64_t position_bytes) override;
  size_t Read(std::span<uint8_t> out) override;

 private:
  static constexpr int64_t kFrameBytes = 4;
  // Frames from the decoder at the current position into scratch_; 0 at
  // its end (then the size is cut to the position).
  size_t DecodeFrames(size_t frame_count);

  std::unique_ptr<platform::AudioDecoder> decoder_;
  std::atomic<int64_t> size_bytes_{0};
  int64_t position_bytes_ = 0;
  int64_t decoder_frame_ = 0;  // the frame the decoder reads next
  std::vector<int16_t> scratch_;
};

}  // namespace vesk::audio
