#include "audio/decoded_pcm_stream.h"

#include <algorithm>
#include <cstring>

namespace vesk::audio {

DecodedPcmStream::DecodedPcmStream(std::unique_ptr<platform::AudioDecoder> decoder)
    : decoder_(std::move(decoder)) {
  if (decoder_) size_bytes_ = std::max<int64_t>(0, decoder_->Info().total_frames) * kFrameBytes;
}

void DecodedPcmStream::SeekBytes(int64_t position_bytes) {
  position_bytes_ = std::clamp<int64_t>(position_bytes, 0, SizeBytes());
}

size_t DecodedPcmStream::DecodeFrames(size_t frame_count) {
  const int64_t frame = position_bytes_ / kFrameBytes;
  if (frame != decoder_frame_) {
    decoder_->SeekFrame(frame);
    decoder_frame_ = frame;
  }
  if (scratch_.size() < frame_count * 2) scratch_.resize(frame_count * 2);
  const size_t got = std::min(decoder_->ReadFrames(scratch_.data(), frame_count), frame_count);
  decoder_frame_ += int64_t(got);
  if (got == 0) size_bytes_ = std::min(SizeBytes(), frame * kFrameBytes);
  return got;
}

size_t DecodedPcmStream::Read(std::span<uint8_t> out) {
  if (!decoder_) return 0;
  size_t done = 0;
  while (done < out.size() && position_bytes_ < SizeBytes()) {
    const size_t want_bytes =
        std::min<size_t>(out.size() - done, size_t(SizeBytes() - position_bytes_));
    const size_t skip = size_t(position_bytes_ % kFrameBytes);
    const size_t frames = (skip + want_bytes + kFrameBytes - 1) / kFrameBytes;
    const size_t got = DecodeFrames(frames);
    if (got == 0) break;
    const size_t n = std::min(want_bytes, got * kFrameBytes - skip);
    std::memcpy(out.data() + done, reinterpret_cast<const uint8_t*>(scratch_.data()) + skip, n);
    done += n;
    position_bytes_ += int64_t(n);
  }
  return done;
}

}  // namespace vesk::audio
