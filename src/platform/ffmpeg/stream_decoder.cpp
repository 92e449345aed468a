#include "platform/ffmpeg/stream_decoder.h"

extern "C" {
#include <libavutil/log.h>
}

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace vesk::platform::ffmpeg {
namespace {

constexpr int kIoBufferBytes = 32 * 1024;
// How much of the file the demuxer may read, and how much time it may
// decode, to learn the streams' parameters: game media are small, and a
// hostile file must not make it read on for long.
constexpr int64_t kProbeBytes = 2 * 1024 * 1024;
constexpr int64_t kAnalyzeUs = 3 * int64_t(AV_TIME_BASE);
constexpr unsigned kMaxStreams = 64;
// Damaged packets in a row after which the stream counts as ended.
constexpr int kMaxBadPacketsInRow = 64;

// FFmpeg speaks on stderr by default; the player reports decoding errors
// itself. VESK_MEDIA_LOG brings FFmpeg's messages back for debugging.
void QuietLibraryLog() {
  static std::once_flag once;
  std::call_once(once, [] {
    av_log_set_level(std::getenv("VESK_MEDIA_LOG") != nullptr ? AV_LOG_INFO : AV_LOG_QUIET);
  });
}

// Some formats name further files (playlists, references); a file read
// from memory has none, and must never reach the disk or the network.
int RefuseNestedOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) {
  return AVERROR(EPERM);
}

std::string CheckParameters(const AVCodecParameters& p) {
  if (p.codec_type == AVMEDIA_TYPE_VIDEO) {
    if (p.width <= 0 || p.height <= 0) return "video without a picture size";
    if (p.width > kMaxPictureSidePx || p.height > kMaxPictureSidePx)
      return "picture too large (" + std::to_string(p.width) + "x" + std::to_string(p.height) + ")";
  } else if (p.codec_type == AVMEDIA_TYPE_AUDIO) {
    const int channels = p.ch_layout.nb_channels;
    if (channels < 1 || channels > kMaxChannels)
      return "unsupported channel count " + std::to_string(channels);
    if (p.sample_rate < kMinSampleRateHz || p.sample_rate > kMaxSampleRateHz)
      return "unsupported sample rate " + std::to_string(p.sample_rate);
  }
  return {};
}

}  // namespace

StreamDecoder::~StreamDecoder() {
  av_packet_free(&packet_);
  avcodec_free_context(&codec_);
  avformat_close_input(&format_);
  if (io_ != nullptr) av_freep(&io_->buffer);
  avio_context_free(&io_);
}

std::unique_ptr<StreamDecoder> StreamDecoder::Open(MediaBytes bytes, AVMediaType type,
                                                   std::string* error) {
  QuietLibraryLog();
  if (!bytes || bytes->empty()) {
    *error = "empty media file";
    return nullptr;
  }
  auto d = std::make_unique<StreamDecoder>(Key{}, std::move(bytes));
  if (!d->OpenDemuxer(error) || !d->OpenCodec(type, error)) return nullptr;
  return d;
}

bool StreamDecoder::OpenDemuxer(std::string* error) {
  auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferBytes));
  if (buffer == nullptr) {
    *error = "out of memory";
    return false;
  }
  io_ = avio_alloc_context(buffer, kIoBufferBytes, 0, this, &ReadBytes, nullptr, &SeekBytes);
  if (io_ == nullptr) av_free(buffer);
  format_ = io_ != nullptr ? avformat_alloc_context() : nullptr;
  if (format_ == nullptr) {
    *error = "out of memory";
    return false;
  }
  format_->pb = io_;
  format_->flags |= AVFMT_FLAG_CUSTOM_IO;
  format_->probesize = kProbeBytes;
  format_->format_probesize = int(std::min<int64_t>(kProbeBytes, 1 << 20));
  format_->max_analyze_duration = kAnalyzeUs;
  format_->max_streams = int(kMaxStreams);
  format_->io_open = &RefuseNestedOpen;
  // On failure avformat_open_input frees the context and clears the pointer.
  if (avformat_open_input(&format_, nullptr, nullptr, nullptr) < 0) {
    *error = "not a media file";
    return false;
  }
  if (avformat_find_stream_info(format_, nullptr) < 0) {
    *error = "damaged media file";
    return false;
  }
  return true;
}

bool StreamDecoder::OpenCodec(AVMediaType type, std::string* error) {
  const int index = av_find_best_stream(format_, type, -1, -1, nullptr, 0);
  if (index < 0) {
    *error = type == AVMEDIA_TYPE_VIDEO ? "no video stream" : "no audio stream";
    return false;
  }
  stream_ = format_->streams[index];
  for (unsigned i = 0; i < format_->nb_streams; ++i)
    if (int(i) != index) format_->streams[i]->discard = AVDISCARD_ALL;
  const AVCodecParameters& par = *stream_->codecpar;
  if (std::string bad = CheckParameters(par); !bad.empty()) {
    *error = bad;
    return false;
  }
  const AVCodec* codec = avcodec_find_decoder(par.codec_id);
  if (codec == nullptr) {
    *error = std::string("unsupported codec ") + avcodec_get_name(par.codec_id);
    return false;
  }
  codec_ = avcodec_alloc_context3(codec);
  packet_ = av_packet_alloc();
  if (codec_ == nullptr || packet_ == nullptr || avcodec_parameters_to_context(codec_, &par) < 0) {
    *error = "out of memory";
    return false;
  }
  codec_->pkt_timebase = stream_->time_base;
  // One thread: a decoder runs on the thread that uses it, and frame
  // threads would only delay each picture.
  codec_->thread_count = 1;
  codec_->max_pixels = int64_t(kMaxPictureSidePx) * kMaxPictureSidePx;
  if (avcodec_open2(codec_, codec, nullptr) < 0) {
    *error = std::string("cannot decode ") + avcodec_get_name(par.codec_id);
    return false;
  }
  return true;
}

bool StreamDecoder::NextFrame(AVFrame* frame) {
  int bad_in_row = 0;
  while (bad_in_row < kMaxBadPacketsInRow) {
    int rc = avcodec_receive_frame(codec_, frame);
    if (rc == 0) return true;
    if (rc != AVERROR(EAGAIN) || draining_) return false;
    rc = av_read_frame(format_, packet_);
    if (rc < 0) {
      // The end of the file (or of what can be read of it): take out what
      // the decoder still holds.
      draining_ = true;
      if (avcodec_send_packet(codec_, nullptr) < 0) return false;
      continue;
    }
    if (packet_->stream_index != stream_->index) {
      av_packet_unref(packet_);
      continue;
    }
    rc = avcodec_send_packet(codec_, packet_);
    av_packet_unref(packet_);
    bad_in_row = rc < 0 ? bad_in_row + 1 : 0;
  }
  return false;
}

bool StreamDecoder::SeekBefore(int64_t ts) {
  if (av_seek_frame(format_, stream_->index, ts, AVSEEK_FLAG_BACKWARD) < 0) return false;
  avcodec_flush_buffers(codec_);
  draining_ = false;
  return true;
}

int64_t StreamDecoder::start_ts() const {
  return UsableTs(stream_->start_time) ? stream_->start_time : 0;
}

int64_t StreamDecoder::duration_ts() const {
  if (stream_->duration != AV_NOPTS_VALUE && stream_->duration > 0) return stream_->duration;
  if (format_->duration != AV_NOPTS_VALUE && format_->duration > 0)
    return av_rescale_q(format_->duration, AVRational{1, AV_TIME_BASE}, stream_->time_base);
  return 0;
}

bool StreamDecoder::HasStreamOfType(AVMediaType type) const {
  for (unsigned i = 0; i < format_->nb_streams; ++i)
    if (format_->streams[i]->codecpar->codec_type == type) return true;
  return false;
}

int StreamDecoder::ReadBytes(void* opaque, uint8_t* buffer, int size) {
  auto* self = static_cast<StreamDecoder*>(opaque);
  const auto total = int64_t(self->bytes_->size());
  const int64_t n = std::min<int64_t>(size, total - self->read_pos_);
  if (n <= 0) return AVERROR_EOF;
  std::memcpy(buffer, self->bytes_->data() + self->read_pos_, size_t(n));
  self->read_pos_ += n;
  return int(n);
}

int64_t StreamDecoder::SeekBytes(void* opaque, int64_t offset, int whence) {
  auto* self = static_cast<StreamDecoder*>(opaque);
  const auto total = int64_t(self->bytes_->size());
  whence &= ~AVSEEK_FORCE;
  if (whence == AVSEEK_SIZE) return total;
  int64_t base = 0;
  if (whence == SEEK_CUR)
    base = self->read_pos_;
  else if (whence == SEEK_END)
    base = total;
  else if (whence != SEEK_SET)
    return AVERROR(EINVAL);
  if (offset > total || offset < -total) return AVERROR(EINVAL);
  const int64_t to = base + offset;
  if (to < 0 || to > total) return AVERROR(EINVAL);
  self->read_pos_ = to;
  return to;
}

}  // namespace vesk::platform::ffmpeg
