#include "companion/video_media.h"

#include <algorithm>

namespace vesk::companion {

VideoMedia::VideoMedia(std::unique_ptr<platform::VideoDecoder> pictures,
                       std::unique_ptr<SoundItem> sound, platform::Clock& clock, bool overlay)
    : pictures_(std::move(pictures)), sound_(std::move(sound)), clock_(clock), overlay_(overlay) {}

int32_t VideoMedia::GetLen() const {
  const int64_t picture_ms = pictures_->Info().length_ms;
  const int64_t sound_ms = sound_ ? sound_->GetLen() : 0;
  return int32_t(std::clamp<int64_t>(std::max(picture_ms, sound_ms), 0, INT32_MAX));
}

int64_t VideoMedia::ClockPositionMs() const {
  if (!playing_) return base_ms_;
  return base_ms_ + int64_t(uint32_t(clock_.NowMs() - start_ms_));
}

int32_t VideoMedia::GetPosition() const {
  if (sound_) return sound_->GetPosition();
  const int64_t length_ms = GetLen();
  const int64_t raw_ms = ClockPositionMs();
  if (length_ms <= 0) return 0;
  return int32_t(repeat_ ? raw_ms % length_ms : std::min(raw_ms, length_ms));
}

bool VideoMedia::IsEnd() const {
  if (sound_) return sound_->IsEnd();
  return !repeat_ && ClockPositionMs() >= GetLen();
}

void VideoMedia::Play() {
  if (sound_) {
    sound_->Play();
  } else {
    base_ms_ = IsEnd() ? 0 : GetPosition();
    start_ms_ = clock_.NowMs();
  }
  playing_ = true;
  paused_ = false;
}

void VideoMedia::Pause() {
  if (sound_)
    sound_->Pause();
  else
    base_ms_ = GetPosition();
  playing_ = false;
  paused_ = true;
}

void VideoMedia::SetPosition(int32_t position_ms) {
  const int32_t ms = std::clamp(position_ms, 0, GetLen());
  if (sound_) sound_->SetPosition(ms);
  base_ms_ = ms;
  start_ms_ = clock_.NowMs();
}

int32_t VideoMedia::GetVolume() const {
  return sound_ ? sound_->GetVolume() : volume_;
}

void VideoMedia::SetVolume(int32_t volume) {
  volume_ = volume;
  if (sound_) sound_->SetVolume(volume);
}

int32_t VideoMedia::GetPan() const {
  return sound_ ? sound_->GetPan() : pan_;
}

void VideoMedia::SetPan(int32_t pan) {
  pan_ = pan;
  if (sound_) sound_->SetPan(pan);
}

void VideoMedia::SetRepeat(bool on) {
  if (!sound_ && on != repeat_) {
    // Keep the place in the film when the wrap changes.
    base_ms_ = GetPosition();
    start_ms_ = clock_.NowMs();
  }
  repeat_ = on;
  if (sound_) sound_->SetRepeat(on);
}

bool VideoMedia::NeedPaint() {
  if (pictures_->AdvanceTo(GetPosition())) dirty_ = true;
  return dirty_ && pictures_->Picture() != nullptr;
}

const uint8_t* VideoMedia::GetDC(int* stride) {
  dirty_ = false;
  if (stride) *stride = pictures_->PictureStride();
  return pictures_->Picture();
}

void VideoMedia::SetRect(const Rect& source, const Rect& screen) {
  source_rect_ = source;
  screen_rect_ = screen;
}

void VideoMedia::Suspend() {
  suspended_ = IsPlaying();
  if (suspended_) Pause();
}

void VideoMedia::Resume() {
  if (suspended_) Play();
  suspended_ = false;
}

}  // namespace vesk::companion
