#include "media/cdda_manager.h"

#include <algorithm>

#include "audio/decoded_pcm_stream.h"
#include "media/cd_tracks.h"

namespace vesk::media {

namespace {

constexpr int64_t kBytesPerSecond = audio::kOutputBytesPerSec;

// A track as the drive plays it: up to one second before its length in
// whole seconds.
class TrackWindow final : public audio::PcmStream {
 public:
  TrackWindow(std::unique_ptr<audio::PcmStream> inner, int64_t end_bytes)
      : inner_(std::move(inner)), end_bytes_(end_bytes) {}
  int64_t SizeBytes() const override { return std::min(inner_->SizeBytes(), end_bytes_); }
  int64_t PositionBytes() const override { return std::min(inner_->PositionBytes(), SizeBytes()); }
  void SeekBytes(int64_t position_bytes) override {
    inner_->SeekBytes(std::clamp<int64_t>(position_bytes, 0, SizeBytes()));
  }
  size_t Read(std::span<uint8_t> out) override {
    const int64_t left = SizeBytes() - inner_->PositionBytes();
    if (left <= 0) return 0;
    return inner_->Read(out.first(std::min<size_t>(out.size(), size_t(left))));
  }

 private:
  std::unique_ptr<audio::PcmStream> inner_;
  int64_t end_bytes_;
};

}  // namespace

// ---- CdPlayer -----------------------------------------------------------------

bool CdPlayer::Load(int track, std::unique_ptr<audio::PcmStream> stream) {
  Unload();
  if (!stream || stream->SizeBytes() <= 0) return false;
  length_s_ = int32_t(stream->SizeBytes() / kBytesPerSecond);
  const int64_t end_s = length_s_ > 1 ? length_s_ - 1 : length_s_;
  const int64_t end_bytes = length_s_ > 0 ? end_s * kBytesPerSecond : stream->SizeBytes();
  stream_ = std::make_unique<TrackWindow>(std::move(stream), end_bytes);
  buffer_ = out_.CreateBuffer(audio::MakePcmFormat(2, audio::kOutputRateHz, 16), *stream_);
  track_ = track;
  return true;
}

void CdPlayer::Unload() {
  if (buffer_) out_.FreeBuffer(buffer_);
  buffer_ = nullptr;
  stream_.reset();
  rewound_ = false;
  track_ = 0;
  length_s_ = 0;
}

void CdPlayer::Play() {
  if (!buffer_) return;
  if (AtEnd() && !buffer_->Loop()) buffer_->SetBytePosition(0);
  buffer_->Start();
  rewound_ = false;
}

void CdPlayer::Stop() {
  if (buffer_) buffer_->Stop();
}

void CdPlayer::Seek(int32_t seconds) {
  if (!buffer_) return;
  buffer_->SetBytePosition(int64_t(std::max(0, seconds)) * kBytesPerSecond);
  if (buffer_->Started() && !buffer_->Stopped())
    buffer_->Start();
  else
    rewound_ = true;
}

bool CdPlayer::Playing() const {
  return buffer_ && buffer_->Started() && !buffer_->Stopped() && !AtEnd();
}

bool CdPlayer::AtEnd() const {
  return buffer_ && !rewound_ && buffer_->Ended() && buffer_->HasDrained();
}

int32_t CdPlayer::PositionS() const {
  return buffer_ ? int32_t(buffer_->GetBytePosition() / kBytesPerSecond) : 0;
}

void CdPlayer::SetRepeat(bool on) {
  if (buffer_) buffer_->SetLoop(on);
}

void CdPlayer::SetLevel(int32_t level) {
  if (buffer_) buffer_->SetLevel(level);
}

// ---- TCddaItem ----------------------------------------------------------------

TCddaItem::TCddaItem(TCddaManager* manager, std::string name)
    : TDMediaItem(manager), cd_(*manager), name_(std::move(name)), track_(CdTrackNumber(name_)) {}

bool TCddaItem::Current() const {
  return track_ && cd_.current() == this;
}

CdPlayer& TCddaItem::Player() const {
  return cd_.player();
}

void TCddaItem::ApplyVolume() {
  if (Current()) Player().SetLevel(TCddaManager::LevelForVolume(volume_));
}

void TCddaItem::SetLoop(bool loop) {
  if (!track_) return;
  loop_ = loop;
  if (Current()) Player().SetRepeat(loop);
}

void TCddaItem::SetVolume(int32_t volume) {
  if (!track_) return;
  volume_ = volume;
  ApplyVolume();
}

int32_t TCddaItem::GetPosition() {
  return Current() ? Player().PositionS() * 1000 : 0;
}

void TCddaItem::SetPosition(int32_t position_ms) {
  if (!track_) return;
  const int32_t seconds = std::max(0, position_ms / 1000);
  if (Current() && Player().loaded() && !paused_)
    Player().Seek(seconds);
  else
    resume_s_ = seconds;
}

int32_t TCddaItem::GetLength() {
  if (track_ && length_ms_ == 0 && !measured_) {
    measured_ = true;
    length_ms_ = cd_.MeasureTrackMs(*track_);
  }
  return length_ms_;
}

bool TCddaItem::PollEnded() {
  return Current() && !Player().Playing();
}

bool TCddaItem::AtEnd() {
  return Current() && Player().AtEnd();
}

bool TCddaItem::IsPlaying() {
  return Current() && Player().Playing();
}

void TCddaItem::Play() {
  if (!track_) return;
  if (!cd_.Enabled()) {
    pending_play_ = true;
    suspended = true;
    return;
  }
  pending_play_ = false;
  if (!cd_.MakeCurrent(this, *track_)) return;
  Player().SetRepeat(loop_);
  // Like the drive: play from the track's start, or from where a pause
  // left it.
  Player().Seek(resume_s_);
  resume_s_ = 0;
  Player().Play();
  length_ms_ = Player().LengthS() * 1000;
  ApplyVolume();
  paused_ = false;
}

void TCddaItem::Pause() {
  if (!track_) return;
  if (pending_play_) {
    pending_play_ = false;
    suspended = false;
  }
  if (Current() && Player().Playing()) {
    resume_s_ = std::max(0, Player().PositionS() - 1);
    Player().Stop();
  }
  paused_ = true;
}

// ---- TCddaManager -------------------------------------------------------------

TCddaManager::TCddaManager(const MediaServices& services, audio::TWavOut& out)
    : TMediaManagerBase(services), out_(out), player_(out) {}

int32_t TCddaManager::LevelForVolume(int32_t volume) {
  return (std::max(volume, -5000) + 5000) * 256 / 5000;
}

TDMediaItem* TCddaManager::Add(const std::string& name, bool /*overlay*/) {
  return Keep(std::make_unique<TCddaItem>(this, name));
}

std::unique_ptr<audio::PcmStream> TCddaManager::OpenTrack(int track) {
  const auto file = FindCdTrack(track, services());
  if (!file) return nullptr;
  if (!services().open_audio) {
    Report(file->name, "no sound decoder");
    return nullptr;
  }
  std::string error;
  auto decoder = services().open_audio(file->bytes, &error);
  if (!decoder) {
    Report(file->name, error.empty() ? "cannot be decoded" : error);
    return nullptr;
  }
  return std::make_unique<audio::DecodedPcmStream>(std::move(decoder));
}

bool TCddaManager::MakeCurrent(TCddaItem* item, int track) {
  if (current_ == item && player_.loaded() && player_.track() == track) return true;
  if (current_) player_.Stop();
  current_ = nullptr;
  if (!(player_.loaded() && player_.track() == track)) {
    out_.Open();
    if (!player_.Load(track, OpenTrack(track))) return false;
  }
  current_ = item;
  return true;
}

int32_t TCddaManager::MeasureTrackMs(int track) {
  if (player_.loaded() && player_.track() == track) return player_.LengthS() * 1000;
  const auto stream = OpenTrack(track);
  return stream ? int32_t(stream->SizeBytes() / kBytesPerSecond) * 1000 : 0;
}

void TCddaManager::Forget(TDMediaItem* item) {
  if (item != current_) return;
  player_.Stop();
  current_ = nullptr;
}

}  // namespace vesk::media
