#pragma once
// One stream of a media file held in memory, read by FFmpeg: the demuxer
// (reading the shared bytes through its own I/O context), the chosen stream
// and its opened decoder. The sound and picture decoders build on it; to go
// back to the very start they simply open a new one over the same bytes.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <memory>
#include <string>

#include "platform/media_decoder.h"

namespace vesk::platform::ffmpeg {

// Limits on what a file may ask for, so that a damaged or hostile header
// cannot make the decoders allocate without bound.
inline constexpr int kMaxPictureSidePx = 4096;
inline constexpr int kMaxChannels = 8;
// A rate far below any real sound's would turn a few bytes into hours of
// resampled output.
inline constexpr int kMinSampleRateHz = 4000;
inline constexpr int kMaxSampleRateHz = 384000;

// A time stamp that can be used in sums without overflow; larger ones only
// come from damaged files and count as missing.
inline bool UsableTs(int64_t ts) {
  constexpr int64_t kLimit = int64_t(1) << 50;
  return ts != AV_NOPTS_VALUE && ts > -kLimit && ts < kLimit;
}

struct FrameFree {
  void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;

class StreamDecoder {
  // Only Open makes decoders.
  struct Key {
    explicit Key() = default;
  };

 public:
  // The best stream of the type, with its decoder open; null with *error
  // ("not a media file", "no audio stream", "unsupported codec wmapro", ...).
  static std::unique_ptr<StreamDecoder> Open(MediaBytes bytes, AVMediaType type,
                                             std::string* error);
  StreamDecoder(Key, MediaBytes bytes) : bytes_(std::move(bytes)) {}
  ~StreamDecoder();
  StreamDecoder(const StreamDecoder&) = delete;
  StreamDecoder& operator=(const StreamDecoder&) = delete;

  // The next decoded frame; false at the end of the stream, or when the
  // decoder fails in a way it cannot go on from. Damaged packets are
  // skipped, up to a limit in a row.
  bool NextFrame(AVFrame* frame);
  // Moves the demuxer to the last seek point at or before ts (in the
  // stream's time base) and empties the decoder; false when the file cannot
  // seek there (the position is then unknown: open a new decoder).
  bool SeekBefore(int64_t ts);

  const AVStream& stream() const { return *stream_; }
  const AVCodecContext& codec() const { return *codec_; }
  // The stream's first time stamp (its start time, or 0 when it has none).
  int64_t start_ts() const;
  // The stream's length in its time base (from the stream, else the whole
  // file); 0 when unknown.
  int64_t duration_ts() const;
  // Whether the file holds a stream of this type besides the chosen one.
  bool HasStreamOfType(AVMediaType type) const;

 private:
  bool OpenDemuxer(std::string* error);
  bool OpenCodec(AVMediaType type, std::string* error);
  static int ReadBytes(void* opaque, uint8_t* buffer, int size);
  static int64_t SeekBytes(void* opaque, int64_t offset, int whence);

  MediaBytes bytes_;
  int64_t read_pos_ = 0;
  AVIOContext* io_ = nullptr;
  AVFormatContext* format_ = nullptr;
  AVCodecContext* codec_ = nullptr;
  AVPacket* packet_ = nullptr;
  AVStream* stream_ = nullptr;
  bool draining_ = false;
};

}  // namespace vesk::platform::ffmpeg
