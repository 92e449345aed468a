// Picture decoding: the video stream of a file in memory, each shown frame
// converted to B, G, R, 255 pixels at the stream's declared size (a frame
// of another size, which only a damaged file has, is scaled to it).
//
// Only the frame that ends up shown at a time is converted; frames passed
// over are decoded and dropped. Going back seeks to a key frame before the
// time when the file allows it, else decodes from the start again.
extern "C" {
#include <libavutil/mem.h>
#include <libswscale/swscale.h>
}

#include <cmath>
#include <cstring>

#include "platform/ffmpeg/stream_decoder.h"
#include "platform/media_decoder.h"

namespace vesk::platform {
namespace {

using ffmpeg::StreamDecoder;

constexpr AVRational kMsTimeBase{1, 1000};
// Times this close to the start decode from the start: cheaper than a
// seek and always exact.
constexpr int64_t kRestartBelowMs = 1000;
// Picture rows start on this boundary, which the converter's vector code
// likes.
constexpr int kRowAlignBytes = 64;

struct AvFree {
  void operator()(uint8_t* p) const { av_free(p); }
};

class FfmpegVideoDecoder final : public VideoDecoder {
 public:
  explicit FfmpegVideoDecoder(MediaBytes bytes)
      : bytes_(std::move(bytes)), next_(av_frame_alloc()), shown_(av_frame_alloc()) {}
  ~FfmpegVideoDecoder() override { sws_freeContext(sws_); }

  bool Open(std::string* error);
  const VideoStreamInfo& Info() const override { return info_; }
  bool AdvanceTo(int64_t time_ms) override;
  const uint8_t* Picture() const override { return has_picture_ ? picture_.get() : nullptr; }
  int PictureStride() const override { return stride_bytes_; }
  bool AtEnd() const override { return at_end_; }

 private:
  bool Restart();
  bool SeekBack(int64_t time_ms);
  bool DecodeNext();
  int64_t TimeMs(const AVFrame& f);
  bool Convert(const AVFrame& f);

  MediaBytes bytes_;
  std::unique_ptr<StreamDecoder> stream_;
  VideoStreamInfo info_;
  double frame_ms_ = 40;
  // The frame decoded after the shown one, held until its time comes.
  ffmpeg::FramePtr next_;
  bool has_next_ = false;
  bool next_has_ts_ = false;
  int64_t next_ms_ = 0;
  // The time of the last decoded frame, for frames without time stamps.
  int64_t last_ms_ = -1;
  ffmpeg::FramePtr shown_;
  // A frame of the current decoding run is shown, taken at shown_ms_.
  bool showing_ = false;
  int64_t shown_ms_ = 0;
  bool at_end_ = false;
  SwsContext* sws_ = nullptr;
  std::unique_ptr<uint8_t, AvFree> picture_;
  int stride_bytes_ = 0;
  bool has_picture_ = false;
};

bool FfmpegVideoDecoder::Open(std::string* error) {
  if (!next_ || !shown_) {
    *error = "out of memory";
    return false;
  }
  stream_ = StreamDecoder::Open(bytes_, AVMEDIA_TYPE_VIDEO, error);
  if (!stream_) return false;
  const AVCodecContext& c = stream_->codec();
  const AVStream& s = stream_->stream();
  info_.width_px = c.width;
  info_.height_px = c.height;
  AVRational rate =
      s.avg_frame_rate.num > 0 && s.avg_frame_rate.den > 0 ? s.avg_frame_rate : s.r_frame_rate;
  const double fps = rate.num > 0 && rate.den > 0 ? av_q2d(rate) : 0;
  info_.frames_per_sec = fps > 0 && fps <= 1000 ? fps : 0;
  if (info_.frames_per_sec > 0) frame_ms_ = 1000 / info_.frames_per_sec;
  info_.length_ms = av_rescale_q(stream_->duration_ts(), s.time_base, kMsTimeBase);
  info_.has_audio = stream_->HasStreamOfType(AVMEDIA_TYPE_AUDIO);
  info_.codec = avcodec_get_name(c.codec_id);
  stride_bytes_ = (info_.width_px * 4 + kRowAlignBytes - 1) / kRowAlignBytes * kRowAlignBytes;
  // One row more than the picture: the converter may write a little past
  // the last pixel of a row.
  picture_.reset(
      static_cast<uint8_t*>(av_mallocz(size_t(stride_bytes_) * size_t(info_.height_px + 1))));
  if (!picture_) {
    *error = "out of memory";
    return false;
  }
  return true;
}

bool FfmpegVideoDecoder::AdvanceTo(int64_t time_ms) {
  if (!stream_) return false;
  if (showing_ && time_ms < shown_ms_ && !SeekBack(time_ms)) return false;
  bool took = false;
  int64_t took_ms = 0;
  for (;;) {
    if (!has_next_ && !DecodeNext()) {
      at_end_ = true;
      break;
    }
    // The first frame of a run is shown whatever its time: a picture is
    // there from the start.
    if ((showing_ || took) && next_ms_ > time_ms) break;
    av_frame_unref(shown_.get());
    av_frame_move_ref(shown_.get(), next_.get());
    has_next_ = false;
    took = true;
    took_ms = next_ms_;
  }
  if (!took) return false;
  showing_ = true;
  shown_ms_ = took_ms;
  return Convert(*shown_);
}

bool FfmpegVideoDecoder::DecodeNext() {
  if (!stream_->NextFrame(next_.get())) return false;
  has_next_ = true;
  next_has_ts_ = ffmpeg::UsableTs(next_->best_effort_timestamp);
  next_ms_ = TimeMs(*next_);
  return true;
}

int64_t FfmpegVideoDecoder::TimeMs(const AVFrame& f) {
  int64_t ms = 0;
  if (ffmpeg::UsableTs(f.best_effort_timestamp))
    // Rounded down: a frame at 66.7 ms is there at 66 ms.
    ms = av_rescale_q_rnd(f.best_effort_timestamp - stream_->start_ts(),
                          stream_->stream().time_base, kMsTimeBase, AV_ROUND_DOWN);
  else if (last_ms_ >= 0)
    ms = last_ms_ + std::llround(frame_ms_);
  last_ms_ = ms;
  return ms;
}

// Positions decoding so that the next frame decoded is at or before
// time_ms: a key frame with a time stamp, or the first frame of the file.
bool FfmpegVideoDecoder::SeekBack(int64_t time_ms) {
  at_end_ = false;
  showing_ = false;
  has_next_ = false;
  last_ms_ = -1;
  if (time_ms >= kRestartBelowMs) {
    const AVStream& s = stream_->stream();
    const int64_t ts = stream_->start_ts() + av_rescale_q(time_ms, kMsTimeBase, s.time_base);
    if (stream_->SeekBefore(ts) && DecodeNext() && next_has_ts_ && next_->key_frame != 0 &&
        next_ms_ <= time_ms)
      return true;
  }
  return Restart();
}

bool FfmpegVideoDecoder::Restart() {
  std::string error;
  at_end_ = false;
  showing_ = false;
  has_next_ = false;
  last_ms_ = -1;
  stream_ = StreamDecoder::Open(bytes_, AVMEDIA_TYPE_VIDEO, &error);
  if (!stream_) at_end_ = true;
  return stream_ != nullptr;
}

bool FfmpegVideoDecoder::Convert(const AVFrame& f) {
  if (f.width <= 0 || f.height <= 0 || f.width > ffmpeg::kMaxPictureSidePx ||
      f.height > ffmpeg::kMaxPictureSidePx)
    return false;
  sws_ = sws_getCachedContext(sws_, f.width, f.height, AVPixelFormat(f.format), info_.width_px,
                              info_.height_px, AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr,
                              nullptr);
  if (sws_ == nullptr) return false;
  uint8_t* const planes[4] = {picture_.get(), nullptr, nullptr, nullptr};
  const int strides[4] = {stride_bytes_, 0, 0, 0};
  if (sws_scale(sws_, f.data, f.linesize, 0, f.height, planes, strides) <= 0) return false;
  has_picture_ = true;
  return true;
}

}  // namespace

std::unique_ptr<VideoDecoder> OpenVideoDecoder(MediaBytes bytes, std::string* error) {
  auto decoder = std::make_unique<FfmpegVideoDecoder>(std::move(bytes));
  if (!decoder->Open(error)) return nullptr;
  return decoder;
}

}  // namespace vesk::platform
