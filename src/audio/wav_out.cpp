#include "audio/wav_out.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace vesk::audio {

namespace {

// How one source sample layout becomes stereo 44100 Hz: frames repeat
// rate_repeat times; a mono sample goes to both sides.
struct Layout {
  uint32_t channels = 0;
  uint32_t bytes_per_sample = 0;
  uint32_t rate_repeat = 0;
  uint32_t BytesPerFrame() const { return channels * bytes_per_sample; }
};

// Only integer PCM in mono or stereo, 8 or 16 bits, at 44100 or 22050 Hz
// plays; anything else has rate_repeat 0 and stays silent.
Layout LayoutOf(const PcmFormat& f) {
  Layout l;
  if (f.format_tag != 1) return l;
  if (f.channels != 1 && f.channels != 2) return l;
  if (f.bits_per_sample != 8 && f.bits_per_sample != 16) return l;
  if (f.samples_per_sec == 44100)
    l.rate_repeat = 1;
  else if (f.samples_per_sec == 22050)
    l.rate_repeat = 2;
  else
    return l;
  l.channels = f.channels;
  l.bytes_per_sample = f.bits_per_sample / 8u;
  return l;
}

int16_t SampleAt(const uint8_t* bytes, uint32_t bytes_per_sample) {
  if (bytes_per_sample == 1) return int16_t((int32_t(bytes[0]) - 128) * 256);
  return int16_t(uint16_t(bytes[0] | (uint16_t(bytes[1]) << 8)));
}

int16_t Saturate(int32_t v) {
  return int16_t(std::clamp(v, -32768, 32767));
}

uint32_t NormaliseDelay(uint32_t delay_ms) {
  return std::clamp<uint32_t>(delay_ms / 100u * 100u, 100u, 500u);
}

}  // namespace

// ---- TWavBuffer ------------------------------------------------------------

TWavBuffer::TWavBuffer(TWavOut& out, const PcmFormat& format, PcmStream& source)
    : out_(out), format_(format), source_(source), mix_(out.BlockSamples()) {}

void TWavBuffer::Start() {
  std::lock_guard lock(out_.mutex_);
  started_ = true;
  stopped_ = false;
  ended_ = false;
  out_.Activate(this);
}

void TWavBuffer::Stop() {
  std::lock_guard lock(out_.mutex_);
  stopped_ = true;
  out_.Deactivate(this);
}

bool TWavBuffer::HasDrained() const {
  std::lock_guard lock(out_.mutex_);
  if (!ended_) return false;
  if (!mixed_once_) return true;
  const auto since_ms = int32_t(out_.clock_.NowMs() - last_mix_ms_);
  return since_ms > int32_t(2 * out_.delay_ms_ + 10);
}

void TWavBuffer::SetBytePosition(int64_t position_bytes) {
  std::lock_guard lock(out_.mutex_);
  position_bytes_ = std::clamp<int64_t>(position_bytes, 0, source_.SizeBytes());
}

int64_t TWavBuffer::GetBytePosition() const {
  std::lock_guard lock(out_.mutex_);
  if (!mixed_once_) return position_bytes_;
  const int64_t elapsed_ms = std::max(0, int32_t(out_.clock_.NowMs() - last_mix_ms_));
  if (elapsed_ms > int64_t(2 * out_.delay_ms_)) return position_bytes_;
  const int64_t bits_per_ms_x8 =
      int64_t(format_.bits_per_sample) * format_.channels * format_.samples_per_sec;
  const int64_t queued = DivRoundHalfEven(int64_t(out_.delay_ms_) * bits_per_ms_x8, 8000);
  const int64_t played = DivRoundHalfEven(elapsed_ms * bits_per_ms_x8, 8000);
  return std::clamp<int64_t>(position_bytes_ - queued + played, 0, source_.SizeBytes());
}

void TWavBuffer::SetLevel(int32_t level) {
  std::lock_guard lock(out_.mutex_);
  level_ = std::clamp(level, 0, 256);
}

void TWavBuffer::SetVolume(int32_t volume_cdb) {
  std::lock_guard lock(out_.mutex_);
  fading_ = false;
  volume_cdb_ = std::clamp(volume_cdb, kSilentVolume, kFullVolume);
  gains_ = GainsFor(volume_cdb_, pan_);
}

int32_t TWavBuffer::Volume() const {
  std::lock_guard lock(out_.mutex_);
  return fading_ ? FadeVolumeAt(fade_done_frames_) : volume_cdb_;
}

void TWavBuffer::SetPan(int32_t pan) {
  std::lock_guard lock(out_.mutex_);
  pan_ = std::clamp(pan, kPanLeft, kPanRight);
  gains_ = GainsFor(volume_cdb_, pan_);
}

int32_t TWavBuffer::Pan() const {
  std::lock_guard lock(out_.mutex_);
  return pan_;
}

void TWavBuffer::FadeTo(int32_t target_cdb, uint32_t duration_ms) {
  const int32_t target = std::clamp(target_cdb, kSilentVolume, kFullVolume);
  const uint64_t frames = uint64_t(duration_ms) * kOutputRateHz / 1000u;
  if (frames == 0) {
    SetVolume(target);
    return;
  }
  std::lock_guard lock(out_.mutex_);
  fade_from_cdb_ = fading_ ? FadeVolumeAt(fade_done_frames_) : volume_cdb_;
  fade_to_cdb_ = target;
  fade_total_frames_ = frames;
  fade_done_frames_ = 0;
  fading_ = true;
}

bool TWavBuffer::Fading() const {
  std::lock_guard lock(out_.mutex_);
  return fading_;
}

void TWavBuffer::SetLoop(bool loop) {
  std::lock_guard lock(out_.mutex_);
  loop_ = loop;
}

bool TWavBuffer::Loop() const {
  std::lock_guard lock(out_.mutex_);
  return loop_;
}

bool TWavBuffer::Started() const {
  std::lock_guard lock(out_.mutex_);
  return started_;
}

bool TWavBuffer::Stopped() const {
  std::lock_guard lock(out_.mutex_);
  return stopped_;
}

bool TWavBuffer::Ended() const {
  std::lock_guard lock(out_.mutex_);
  return ended_;
}

int32_t TWavBuffer::FadeVolumeAt(uint64_t done_frames) const {
  if (done_frames >= fade_total_frames_) return fade_to_cdb_;
  const int64_t span_cdb = int64_t(fade_to_cdb_) - fade_from_cdb_;
  return int32_t(fade_from_cdb_ + span_cdb * int64_t(done_frames) / int64_t(fade_total_frames_));
}

size_t TWavBuffer::ReadSource(std::span<uint8_t> into) {
  source_.SeekBytes(position_bytes_);
  size_t got = 0;
  while (got < into.size()) {
    // Read afresh each time: a decoder whose file overstated its length
    // shrinks its size to where decoding stopped, and a looping sound goes
    // on from the start right there.
    const int64_t size = source_.SizeBytes();
    if (source_.PositionBytes() >= size) {
      if (!loop_ || size <= 0) break;
      source_.SeekBytes(0);
    }
    const size_t n = std::min(source_.Read(into.subspan(got)), into.size() - got);
    if (n == 0 && source_.SizeBytes() < size) continue;
    if (n == 0) break;  // a source that stops short of its size
    got += n;
  }
  const int64_t size = source_.SizeBytes();
  position_bytes_ = source_.PositionBytes();
  // A looping sound whose block ended right at the end of its source goes
  // on from the start next time instead of counting as ended (which would
  // leave a gap until its item restarts it).
  if (loop_ && size > 0 && position_bytes_ >= size) position_bytes_ = 0;
  return got;
}

// Widens the raw bytes at the start of mix_ in place, from the end
// backwards: an output frame never lies below the source frame it comes
// from, so nothing is overwritten before it is read. The rest is silence.
size_t TWavBuffer::Widen(size_t bytes_read) {
  const Layout l = LayoutOf(format_);
  const size_t source_frames = bytes_read / l.BytesPerFrame();
  const size_t out_frames = std::min(source_frames * l.rate_repeat, mix_.size() / 2);
  const auto* raw = reinterpret_cast<const uint8_t*>(mix_.data());
  const bool native = l.channels == 2 && l.bytes_per_sample == 2 && l.rate_repeat == 1 &&
                      std::endian::native == std::endian::little;
  if (!native) {
    for (size_t o = out_frames; o-- > 0;) {
      const uint8_t* frame = raw + (o / l.rate_repeat) * l.BytesPerFrame();
      const int16_t left = SampleAt(frame, l.bytes_per_sample);
      const int16_t right =
          l.channels == 2 ? SampleAt(frame + l.bytes_per_sample, l.bytes_per_sample) : left;
      mix_[2 * o] = left;
      mix_[2 * o + 1] = right;
    }
  }
  std::fill(mix_.begin() + std::ptrdiff_t(2 * out_frames), mix_.end(), int16_t{0});
  return out_frames;
}

namespace {

// Adds samples scaled by g to block with saturation, in one pass.
void AddScaled(std::span<int16_t> block, std::span<const int16_t> samples, const ChannelGains& g) {
  const size_t n = std::min(block.size(), samples.size());
  if (g.left_q16 == kUnityGainQ16 && g.right_q16 == kUnityGainQ16) {
    for (size_t i = 0; i < n; ++i) block[i] = Saturate(int32_t(block[i]) + samples[i]);
    return;
  }
  const int32_t gl = g.left_q16, gr = g.right_q16;
  for (size_t i = 0; i + 1 < n; i += 2) {
    block[i] = Saturate(int32_t(block[i]) + ((int32_t(samples[i]) * gl) >> 16));
    block[i + 1] = Saturate(int32_t(block[i + 1]) + ((int32_t(samples[i + 1]) * gr) >> 16));
  }
}

}  // namespace

void TWavBuffer::AddWithGains(std::span<int16_t> block) {
  if (!fading_) {
    AddScaled(block, mix_, gains_);
    return;
  }
  const size_t frames = std::min(block.size(), mix_.size()) / 2;
  const std::span<const int16_t> mix(mix_);
  for (size_t f = 0; f < frames; f += kFadeStepFrames) {
    const size_t n = std::min<size_t>(kFadeStepFrames, frames - f);
    AddScaled(block.subspan(2 * f, 2 * n), mix.subspan(2 * f, 2 * n),
              GainsFor(FadeVolumeAt(fade_done_frames_), pan_));
    fade_done_frames_ += n;
    if (fade_done_frames_ >= fade_total_frames_) {
      fading_ = false;
      volume_cdb_ = fade_to_cdb_;
      gains_ = GainsFor(volume_cdb_, pan_);
      AddScaled(block.subspan(2 * (f + n)), mix.subspan(2 * (f + n)), gains_);
      return;
    }
  }
}

bool TWavBuffer::FillInto(std::span<int16_t> block, uint32_t now_ms) {
  const Layout l = LayoutOf(format_);
  if (l.rate_repeat == 0) return false;
  // Source bytes that make one block: four output bytes per output frame.
  const size_t want_bytes = size_t(out_.block_bytes_) / (4u * l.rate_repeat) * l.BytesPerFrame();
  auto raw = std::span(reinterpret_cast<uint8_t*>(mix_.data()), want_bytes);
  Widen(ReadSource(raw));
  ended_ = position_bytes_ >= source_.SizeBytes();
  if (level_ < 255)
    for (int16_t& s : mix_) s = int16_t((int32_t(s) * level_) >> 8);
  AddWithGains(block);
  last_mix_ms_ = now_ms;
  mixed_once_ = true;
  return true;
}

// ---- TWavOut ---------------------------------------------------------------

TWavOut::TWavOut(uint32_t delay_ms, platform::Clock& clock)
    : clock_(clock),
      delay_ms_(NormaliseDelay(delay_ms)),
      block_bytes_(delay_ms_ * kOutputBytesPerSec / 1000u) {}

TWavOut::TWavOut(DirectBlockFrames block, platform::Clock& clock)
    : clock_(clock),
      delay_ms_((std::max<uint32_t>(block.frames, 64) * 1000u + kOutputRateHz - 1) / kOutputRateHz),
      block_bytes_(std::max<uint32_t>(block.frames, 64) * 4u) {}

TWavOut::~TWavOut() {
  Close();
}

bool TWavOut::Open() {
  std::lock_guard lock(mutex_);
  if (open_) return false;
  while (pool_.size() < kInitialPool) pool_.push_back({std::vector<int16_t>(BlockSamples())});
  active_.reserve(16);
  open_ = true;
  return true;
}

void TWavOut::Close() {
  std::lock_guard lock(mutex_);
  if (!open_) return;
  active_.clear();
  buffers_.clear();
  for (size_t i = 0; i < queue_size_; ++i) pool_[queue_[i].entry].in_use = false;
  queue_size_ = 0;
  open_ = false;
}

bool TWavOut::IsOpen() const {
  std::lock_guard lock(mutex_);
  return open_;
}

TWavBuffer* TWavOut::CreateBuffer(const PcmFormat& format, PcmStream& source) {
  std::lock_guard lock(mutex_);
  buffers_.push_back(std::make_unique<TWavBuffer>(*this, format, source));
  return buffers_.back().get();
}

void TWavOut::FreeBuffer(TWavBuffer* buffer) {
  std::lock_guard lock(mutex_);
  Deactivate(buffer);
  std::erase_if(buffers_, [buffer](const auto& b) { return b.get() == buffer; });
}

void TWavOut::Activate(TWavBuffer* buffer) {
  if (std::find(active_.begin(), active_.end(), buffer) == active_.end()) active_.push_back(buffer);
}

void TWavOut::Deactivate(TWavBuffer* buffer) {
  std::erase(active_, buffer);
}

void TWavOut::ReclaimLocked() {
  size_t kept = 0;
  for (size_t i = 0; i < queue_size_; ++i) {
    if (queue_[i].done)
      pool_[queue_[i].entry].in_use = false;
    else
      queue_[kept++] = queue_[i];
  }
  queue_size_ = kept;
}

size_t TWavOut::TakePoolEntryLocked() {
  for (size_t i = 0; i < pool_.size(); ++i)
    if (!pool_[i].in_use) {
      pool_[i].in_use = true;
      return i;
    }
  pool_.push_back({std::vector<int16_t>(BlockSamples()), true});
  return pool_.size() - 1;
}

void TWavOut::Refill() {
  std::lock_guard lock(mutex_);
  ReclaimLocked();
  for (int round = 0; round < 2; ++round) {
    if (!open_ || queue_size_ > 1 || active_.empty()) break;
    const size_t entry = TakePoolEntryLocked();
    if (MixLocked(pool_[entry].samples))
      queue_[queue_size_++] = QueuedBlock{entry, 0, false};
    else
      pool_[entry].in_use = false;
  }
}

size_t TWavOut::ReadOutput(std::span<int16_t> out_samples) {
  std::lock_guard lock(mutex_);
  size_t written = 0;
  for (size_t i = 0; i < queue_size_ && written < out_samples.size(); ++i) {
    QueuedBlock& q = queue_[i];
    if (q.done) continue;
    const auto& samples = pool_[q.entry].samples;
    const size_t n = std::min(samples.size() - q.read_samples, out_samples.size() - written);
    std::memcpy(out_samples.data() + written, samples.data() + q.read_samples, n * sizeof(int16_t));
    q.read_samples += n;
    written += n;
    q.done = q.read_samples == samples.size();
  }
  std::fill(out_samples.begin() + std::ptrdiff_t(written), out_samples.end(), int16_t{0});
  return written;
}

bool TWavOut::MixBlock(std::span<int16_t> block) {
  std::lock_guard lock(mutex_);
  if (block.size() != BlockSamples()) return false;
  return MixLocked(block);
}

bool TWavOut::MixLocked(std::span<int16_t> block) {
  std::fill(block.begin(), block.end(), int16_t{0});
  const uint32_t now_ms = clock_.NowMs();
  bool produced = false;
  for (TWavBuffer* b : active_) {
    if (b->stopped_ || b->ended_ || b->source_.SizeBytes() <= 0) continue;
    if (b->FillInto(block, now_ms)) produced = true;
  }
  return produced;
}

size_t TWavOut::QueuedBlocks() const {
  std::lock_guard lock(mutex_);
  return queue_size_;
}

size_t TWavOut::PoolSize() const {
  std::lock_guard lock(mutex_);
  return pool_.size();
}

}  // namespace vesk::audio
