#include "audio/decoded_pcm_stream.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace vesk::audio {
namespace {

constexpr size_t kScratchFrames = 4096;
// A file without a length is counted by decoding it, up to this much.
constexpr int64_t kMaxCountedFrames = int64_t(platform::kDecodedRateHz) * 3 * 3600;

// Samples as little-endian bytes, the PCM byte order.
void StoreSamples(const int16_t* samples, size_t count, uint8_t* out) {
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(out, samples, count * sizeof(int16_t));
  } else {
    for (size_t i = 0; i < count; ++i) {
      const auto v = uint16_t(samples[i]);
      out[2 * i] = uint8_t(v & 0xFF);
      out[2 * i + 1] = uint8_t(v >> 8);
    }
  }
}

}  // namespace

DecodedPcmStream::DecodedPcmStream(std::unique_ptr<platform::AudioDecoder> decoder)
    : decoder_(std::move(decoder)), scratch_(kScratchFrames * 2) {
  if (!decoder_) return;
  int64_t frames = decoder_->Info().total_frames;
  if (frames <= 0) frames = CountFrames();
  size_bytes_ = std::max<int64_t>(frames, 0) * kFrameBytes;
}

int64_t DecodedPcmStream::CountFrames() {
  int64_t frames = 0;
  while (frames < kMaxCountedFrames) {
    const size_t n = decoder_->ReadFrames(scratch_.data(), kScratchFrames);
    if (n == 0) break;
    frames += int64_t(n);
  }
  decoder_->SeekFrame(0);
  return frames;
}

void DecodedPcmStream::SeekBytes(int64_t position_bytes) {
  position_bytes = std::clamp<int64_t>(position_bytes, 0, size_bytes_);
  // The mixer seeks to where the stream is before every read.
  if (position_bytes == position_bytes_) return;
  const int64_t frame = position_bytes / kFrameBytes;
  position_bytes_ = frame * kFrameBytes;
  if (decoder_) decoder_->SeekFrame(frame);
}

size_t DecodedPcmStream::Read(std::span<uint8_t> out) {
  out =
      out.first(size_t(std::clamp<int64_t>(size_bytes_ - position_bytes_, 0, int64_t(out.size()))));
  size_t done = 0;
  // The rest of a frame an earlier read split.
  if (const auto in_frame = size_t(position_bytes_ % kFrameBytes); in_frame != 0 && !out.empty()) {
    const size_t n = std::min(out.size(), size_t(kFrameBytes) - in_frame);
    std::memcpy(out.data(), split_frame_.data() + in_frame, n);
    position_bytes_ += int64_t(n);
    done = n;
  }
  done += ReadWholeFrames(out.subspan(done));
  const size_t tail = out.size() - done;
  if (tail > 0 && tail < size_t(kFrameBytes) && position_bytes_ % kFrameBytes == 0) {
    int16_t frame[2];
    if (decoder_ && decoder_->ReadFrames(frame, 1) == 1) {
      StoreSamples(frame, 2, split_frame_.data());
      std::memcpy(out.data() + done, split_frame_.data(), tail);
      position_bytes_ += int64_t(tail);
      done += tail;
    } else {
      size_bytes_ = position_bytes_;
    }
  }
  return done;
}

// Whole frames while they fit; at the decoder's end the stream ends there.
size_t DecodedPcmStream::ReadWholeFrames(std::span<uint8_t> out) {
  size_t done = 0;
  while (out.size() - done >= size_t(kFrameBytes)) {
    const size_t want = std::min(kScratchFrames, (out.size() - done) / size_t(kFrameBytes));
    const size_t got = decoder_ ? decoder_->ReadFrames(scratch_.data(), want) : 0;
    if (got == 0) {
      size_bytes_ = position_bytes_;
      break;
    }
    StoreSamples(scratch_.data(), got * 2, out.data() + done);
    done += got * size_t(kFrameBytes);
    position_bytes_ += int64_t(got) * kFrameBytes;
  }
  return done;
}

}  // namespace vesk::audio
