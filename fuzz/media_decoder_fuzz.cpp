// Media files from the fuzzer, opened as sound and as video. A file that
// does not open must say why; one that opens must describe itself within
// the decoders' limits, read to an end (sound within a bound of frames,
// positions that follow the reads), seek, and give pictures whose every
// byte can be read.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/media_decoder.h"

namespace {

using namespace vesk::platform;

// Far more than the few seconds a fuzz input can hold.
constexpr int64_t kMaxFrames = int64_t(kDecodedRateHz) * 600;

void ReadToEnd(AudioDecoder& d) {
  std::vector<int16_t> buffer(2 * 4096);
  int64_t frames = 0;
  for (size_t n; (n = d.ReadFrames(buffer.data(), 4096)) > 0;) {
    if (n > 4096) std::abort();
    frames += int64_t(n);
    if (frames > kMaxFrames) std::abort();
  }
}

void Sound(const MediaBytes& bytes) {
  std::string error;
  auto d = OpenAudioDecoder(bytes, &error);
  if (!d) {
    if (error.empty()) std::abort();
    return;
  }
  const AudioStreamInfo& info = d->Info();
  if (info.source_channels < 1 || info.source_channels > 8 || info.total_frames < 0) std::abort();
  std::vector<int16_t> buffer(2 * 300);
  const int64_t before = d->PositionFrames();
  const size_t got = d->ReadFrames(buffer.data(), 300);
  if (d->PositionFrames() != before + int64_t(got)) std::abort();
  ReadToEnd(*d);
  d->SeekFrame(info.total_frames / 3);
  ReadToEnd(*d);
  d->SeekFrame(0);
  ReadToEnd(*d);
}

void Video(const MediaBytes& bytes) {
  std::string error;
  auto d = OpenVideoDecoder(bytes, &error);
  if (!d) {
    if (error.empty()) std::abort();
    return;
  }
  const VideoStreamInfo& info = d->Info();
  if (info.width_px < 1 || info.width_px > 4096 || info.height_px < 1 || info.height_px > 4096 ||
      d->PictureStride() < info.width_px * 4)
    std::abort();
  uint32_t sum = 0;
  for (const int64_t t : {0, 500, 100, 3000, 0}) {
    d->AdvanceTo(t);
    const uint8_t* p = d->Picture();
    if (p == nullptr) continue;
    for (int y = 0; y < info.height_px; ++y) {
      const uint8_t* row = p + y * d->PictureStride();
      sum += row[0] + row[info.width_px * 4 - 1];
    }
  }
  volatile uint32_t keep = sum;
  (void)keep;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto bytes = std::make_shared<const std::vector<uint8_t>>(data, data + size);
  Sound(bytes);
  Video(bytes);
  return 0;
}
