// Sound decoding: any FFmpeg audio stream, resampled to 44100 Hz signed
// 16-bit stereo. Mono is copied to both sides at full level (as the wave
// output widens mono), other layouts are mixed down by the resampler.
//
// Positions count output frames from the first decoded one. A seek moves
// the demuxer to a point a little before the target, learns from the first
// frame's time stamp (against the first frame's after opening) where
// decoding stands, and decodes on, dropping frames up to the target. Time
// stamps coarser than a sample (ASF counts milliseconds) are put on the
// codec's block grid. Near the start, where containers and codecs trim and
// pad, and where the time stamps are missing or point past the target, it
// decodes from the start instead, which is always exact.
extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/ffmpeg/stream_decoder.h"
#include "platform/media_decoder.h"

namespace vesk::platform {
namespace {

using ffmpeg::StreamDecoder;

constexpr AVRational kOutTimeBase{1, kDecodedRateHz};
// A seek starts decoding this far before its target, so that the codec's
// overlap and the resampler's filter have settled by the target.
constexpr int64_t kPrerollFrames = kDecodedRateHz / 5;
// Forward moves up to this far are decoded through instead of seeking, and
// targets this close to the start are decoded to from the start.
constexpr int64_t kDecodeThroughFrames = kDecodedRateHz / 2;
constexpr int64_t kRestartBelowFrames = kDecodedRateHz;
// Lengths beyond a day are not believed (nor would their byte counts fit).
constexpr int64_t kMaxTotalFrames = int64_t(kDecodedRateHz) * 24 * 3600;

struct SwrFree {
  void operator()(SwrContext* s) const { swr_free(&s); }
};
using SwrPtr = std::unique_ptr<SwrContext, SwrFree>;

// The frame's layout, or the usual one for its channel count when the
// frame gives only the count.
AVChannelLayout LayoutOf(const AVFrame& f) {
  AVChannelLayout layout{};
  if (f.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || av_channel_layout_check(&f.ch_layout) == 0 ||
      av_channel_layout_copy(&layout, &f.ch_layout) < 0)
    av_channel_layout_default(&layout, f.ch_layout.nb_channels);
  return layout;
}

class FfmpegAudioDecoder final : public AudioDecoder {
 public:
  explicit FfmpegAudioDecoder(MediaBytes bytes)
      : bytes_(std::move(bytes)), frame_(av_frame_alloc()) {}
  ~FfmpegAudioDecoder() override { av_channel_layout_uninit(&swr_layout_); }

  bool Open(std::string* error);
  const AudioStreamInfo& Info() const override { return info_; }
  size_t ReadFrames(int16_t* interleaved, size_t frame_count) override;
  bool SeekFrame(int64_t frame) override;
  int64_t PositionFrames() const override { return position_; }

 private:
  bool Restart();
  void ResetDecoding();
  bool Fill();
  bool DecodeMore();
  bool PlaceAfterSeek(const AVFrame& f);
  int64_t SourceSamplesFromStart(int64_t ts, int rate_hz, int block_samples) const;
  bool Resample(const AVFrame* f);
  bool ConfigureResampler(const AVFrame& f);
  size_t PendingFrames() const { return (pending_.size() - pending_at_) / 2; }
  void DropPending(size_t frames);

  MediaBytes bytes_;
  std::unique_ptr<StreamDecoder> stream_;
  ffmpeg::FramePtr frame_;
  SwrPtr swr_;
  int swr_format_ = -1;
  int swr_rate_hz_ = 0;
  AVChannelLayout swr_layout_{};
  // Resampled samples not handed out yet, from pending_at_ on.
  std::vector<int16_t> pending_;
  size_t pending_at_ = 0;
  AudioStreamInfo info_;
  // The frame the next ReadFrames returns first.
  int64_t position_ = 0;
  // The frame index of the first pending frame; unknown right after a seek
  // until a decoded frame's time stamp tells.
  int64_t cursor_ = 0;
  bool cursor_known_ = true;
  // The decoder and the resampler are empty: nothing comes after pending_.
  bool ended_ = false;
  // The time stamp of the first frame after opening: position 0.
  bool seen_first_frame_ = false;
  int64_t first_ts_ = AV_NOPTS_VALUE;
};

bool FfmpegAudioDecoder::Open(std::string* error) {
  if (!frame_) {
    *error = "out of memory";
    return false;
  }
  stream_ = StreamDecoder::Open(bytes_, AVMEDIA_TYPE_AUDIO, error);
  if (!stream_) return false;
  const AVCodecContext& c = stream_->codec();
  info_.source_channels = c.ch_layout.nb_channels;
  info_.source_rate_hz = c.sample_rate;
  info_.codec = avcodec_get_name(c.codec_id);
  const int64_t length = stream_->duration_ts();
  if (length > 0)
    info_.total_frames =
        std::min(av_rescale_q(length, stream_->stream().time_base, kOutTimeBase), kMaxTotalFrames);
  // The first frame tells where positions count from.
  DecodeMore();
  return true;
}

size_t FfmpegAudioDecoder::ReadFrames(int16_t* interleaved, size_t frame_count) {
  size_t done = 0;
  while (done < frame_count && Fill()) {
    const size_t n = std::min(frame_count - done, PendingFrames());
    std::memcpy(interleaved + 2 * done, pending_.data() + pending_at_, n * 2 * sizeof(int16_t));
    DropPending(n);
    position_ += int64_t(n);
    done += n;
  }
  return done;
}

bool FfmpegAudioDecoder::SeekFrame(int64_t frame) {
  const int64_t limit = info_.total_frames > 0 ? info_.total_frames : kMaxTotalFrames;
  frame = std::clamp<int64_t>(frame, 0, limit);
  // Staying put (the mixer seeks to where it is before every read) and
  // short steps forward decode through.
  if (cursor_known_ && frame >= cursor_ && frame - cursor_ <= kDecodeThroughFrames) {
    position_ = frame;
    return true;
  }
  position_ = frame;
  if (frame < kRestartBelowFrames || !ffmpeg::UsableTs(first_ts_) || !stream_) return Restart();
  const AVStream& s = stream_->stream();
  const int64_t ts = av_rescale_q(frame - kPrerollFrames, kOutTimeBase, s.time_base);
  ResetDecoding();
  if (!stream_->SeekBefore(first_ts_ + ts)) return Restart();
  cursor_known_ = false;
  return true;
}

// Decodes from the very start: a new demuxer and decoder over the bytes.
bool FfmpegAudioDecoder::Restart() {
  std::string error;
  auto fresh = StreamDecoder::Open(bytes_, AVMEDIA_TYPE_AUDIO, &error);
  ResetDecoding();
  cursor_ = 0;
  cursor_known_ = true;
  if (!fresh) {
    ended_ = true;
    position_ = 0;
    return false;
  }
  stream_ = std::move(fresh);
  return true;
}

void FfmpegAudioDecoder::ResetDecoding() {
  pending_.clear();
  pending_at_ = 0;
  swr_.reset();
  swr_format_ = -1;
  ended_ = false;
}

// Decodes on until the first pending frame is the one at position_; false
// at the end.
bool FfmpegAudioDecoder::Fill() {
  for (;;) {
    if (cursor_known_ && PendingFrames() > 0) {
      if (cursor_ == position_) return true;
      if (cursor_ < position_) {
        DropPending(size_t(std::min<int64_t>(int64_t(PendingFrames()), position_ - cursor_)));
        continue;
      }
      // The seek came down past its target.
      if (!Restart()) return false;
      continue;
    }
    if (!DecodeMore()) return false;
  }
}

// Decodes one more frame into pending_ (possibly adding nothing); false
// when nothing more will come.
bool FfmpegAudioDecoder::DecodeMore() {
  if (ended_ || !stream_) return false;
  AVFrame* f = frame_.get();
  if (!stream_->NextFrame(f)) {
    ended_ = true;
    if (cursor_known_) Resample(nullptr);
    return PendingFrames() > 0;
  }
  if (!seen_first_frame_) {
    seen_first_frame_ = true;
    first_ts_ = f->best_effort_timestamp;
  }
  if (!cursor_known_ && !PlaceAfterSeek(*f)) {
    av_frame_unref(f);
    return Restart();
  }
  const bool ok = Resample(f);
  av_frame_unref(f);
  if (!ok) {
    ended_ = true;
    return PendingFrames() > 0;
  }
  return true;
}

bool FfmpegAudioDecoder::PlaceAfterSeek(const AVFrame& f) {
  if (!ffmpeg::UsableTs(f.best_effort_timestamp) || f.sample_rate < 1) return false;
  const int block = stream_->codec().frame_size > 0 ? stream_->codec().frame_size : f.nb_samples;
  const int64_t source_samples =
      SourceSamplesFromStart(f.best_effort_timestamp, f.sample_rate, block);
  cursor_ = av_rescale(source_samples, kDecodedRateHz, f.sample_rate);
  cursor_known_ = true;
  // Landed where the time stamps are not to be trusted: decode from the
  // start.
  return cursor_ >= kRestartBelowFrames;
}

// Source samples from position 0 to the time stamp ts.
int64_t FfmpegAudioDecoder::SourceSamplesFromStart(int64_t ts, int rate_hz,
                                                   int block_samples) const {
  const AVRational tb = stream_->stream().time_base;
  int64_t samples = av_rescale_q(ts - first_ts_, tb, AVRational{1, rate_hz});
  // A time base coarser than a sample: blocks start on the block grid.
  if (int64_t(tb.num) * rate_hz > tb.den && block_samples > 0)
    samples = (samples + block_samples / 2) / block_samples * block_samples;
  return samples;
}

// Appends what the resampler makes of the frame (null: its last samples).
bool FfmpegAudioDecoder::Resample(const AVFrame* f) {
  if (f != nullptr && !ConfigureResampler(*f)) return false;
  if (!swr_) return true;
  const int in_frames = f != nullptr ? f->nb_samples : 0;
  const int room = swr_get_out_samples(swr_.get(), in_frames);
  if (room < 0) return false;
  if (room == 0) return true;
  if (pending_at_ > 0) {
    pending_.erase(pending_.begin(), pending_.begin() + ptrdiff_t(pending_at_));
    pending_at_ = 0;
  }
  const size_t old = pending_.size();
  pending_.resize(old + size_t(room) * 2);
  auto* out = reinterpret_cast<uint8_t*>(pending_.data() + old);
  const auto** in = f != nullptr ? const_cast<const uint8_t**>(f->extended_data) : nullptr;
  const int got = swr_convert(swr_.get(), &out, room, in, in_frames);
  pending_.resize(old + size_t(std::max(got, 0)) * 2);
  return got >= 0;
}

// A resampler for the frame's format, rate and layout; kept while those
// stay the same.
bool FfmpegAudioDecoder::ConfigureResampler(const AVFrame& f) {
  const int channels = f.ch_layout.nb_channels;
  if (channels < 1 || channels > ffmpeg::kMaxChannels || f.sample_rate < ffmpeg::kMinSampleRateHz ||
      f.sample_rate > ffmpeg::kMaxSampleRateHz || f.format < 0 || f.format >= AV_SAMPLE_FMT_NB)
    return false;
  AVChannelLayout in = LayoutOf(f);
  if (swr_ && f.format == swr_format_ && f.sample_rate == swr_rate_hz_ &&
      av_channel_layout_compare(&in, &swr_layout_) == 0) {
    av_channel_layout_uninit(&in);
    return true;
  }
  // A change inside the stream: what the old resampler holds comes first.
  if (swr_) Resample(nullptr);
  SwrContext* raw = nullptr;
  AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
  const int rc = swr_alloc_set_opts2(&raw, &stereo, AV_SAMPLE_FMT_S16, kDecodedRateHz, &in,
                                     AVSampleFormat(f.format), f.sample_rate, 0, nullptr);
  SwrPtr next(raw);
  if (rc >= 0 && channels == 1) {
    const double both_sides[2] = {1.0, 1.0};
    swr_set_matrix(next.get(), both_sides, 1);
  }
  if (rc < 0 || swr_init(next.get()) < 0) {
    av_channel_layout_uninit(&in);
    return false;
  }
  swr_ = std::move(next);
  swr_format_ = f.format;
  swr_rate_hz_ = f.sample_rate;
  av_channel_layout_uninit(&swr_layout_);
  swr_layout_ = in;
  return true;
}

void FfmpegAudioDecoder::DropPending(size_t frames) {
  pending_at_ += frames * 2;
  cursor_ += int64_t(frames);
  if (pending_at_ >= pending_.size()) {
    pending_.clear();
    pending_at_ = 0;
  }
}

}  // namespace

std::unique_ptr<AudioDecoder> OpenAudioDecoder(MediaBytes bytes, std::string* error) {
  auto decoder = std::make_unique<FfmpegAudioDecoder>(std::move(bytes));
  if (!decoder->Open(error)) return nullptr;
  return decoder;
}

}  // namespace vesk::platform
