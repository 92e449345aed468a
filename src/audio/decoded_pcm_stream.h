#pragma once
// A compressed sound (Ogg Vorbis, WMA, ...) as the mixer reads it: a PCM
// stream of 44100 Hz 16-bit stereo bytes decoded on demand.
//
// The length is the container's (counted by decoding once when it gives
// none). When decoding stops short of that length, the stream ends there:
// its size shrinks to the bytes read, so a looping sound starts over and a
// plain one counts as ended.
#include <array>
#include <memory>
#include <vector>

#include "audio/pcm_stream.h"
#include "platform/media_decoder.h"

namespace vesk::audio {

class DecodedPcmStream final : public PcmStream {
 public:
  explicit DecodedPcmStream(std::unique_ptr<platform::AudioDecoder> decoder);

  // What the bytes hold: always 44100 Hz, two channels, 16 bits.
  static PcmFormat Format() { return MakePcmFormat(2, platform::kDecodedRateHz, 16); }

  int64_t SizeBytes() const override { return size_bytes_; }
  int64_t PositionBytes() const override { return position_bytes_; }
  // Seeks to the frame the position lies in.
  void SeekBytes(int64_t position_bytes) override;
  size_t Read(std::span<uint8_t> out) override;

 private:
  static constexpr int64_t kFrameBytes = 4;
  size_t ReadWholeFrames(std::span<uint8_t> out);
  int64_t CountFrames();

  std::unique_ptr<platform::AudioDecoder> decoder_;
  int64_t size_bytes_ = 0;
  int64_t position_bytes_ = 0;
  std::vector<int16_t> scratch_;
  // The frame a read ended inside; its bytes from position % 4 on come next.
  std::array<uint8_t, kFrameBytes> split_frame_{};
};

}  // namespace vesk::audio
