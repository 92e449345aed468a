#include "companion/sound_item.h"

#include <algorithm>

namespace vesk::companion {

namespace {
constexpr int64_t kFrameBytes = 4;
}  // namespace

int32_t StereoBytesToMs(int64_t bytes) {
  return int32_t(std::max<int64_t>(0, bytes) / kFrameBytes * 1000 / audio::kOutputRateHz);
}

int64_t MsToStereoBytes(int32_t ms) {
  return int64_t(std::max(0, ms)) * audio::kOutputRateHz / 1000 * kFrameBytes;
}

SoundItem::SoundItem(audio::TWavOut& out, std::unique_ptr<audio::PcmStream> stream)
    : out_(out), stream_(std::move(stream)), size_bytes_(stream_->SizeBytes()) {
  buffer_ = out_.CreateBuffer(audio::MakePcmFormat(2, audio::kOutputRateHz, 16), *stream_);
}

SoundItem::~SoundItem() {
  out_.FreeBuffer(buffer_);
}

void SoundItem::Play() {
  if (IsEnd() && !buffer_->Loop()) buffer_->SetBytePosition(0);
  buffer_->Start();
  rewound_ = false;
  playing_ = true;
  paused_ = false;
}

void SoundItem::Pause() {
  buffer_->Stop();
  playing_ = false;
  paused_ = true;
}

bool SoundItem::IsPlaying() const {
  return playing_ && !IsEnd();
}

bool SoundItem::IsEnd() const {
  return !rewound_ && buffer_->Ended() && buffer_->HasDrained();
}

int32_t SoundItem::GetLen() const {
  return StereoBytesToMs(size_bytes_);
}

int32_t SoundItem::GetPosition() const {
  return StereoBytesToMs(buffer_->GetBytePosition());
}

void SoundItem::SetPosition(int32_t position_ms) {
  buffer_->SetBytePosition(MsToStereoBytes(position_ms));
  // Starting again clears the buffer's end, so a rewound sound that was
  // playing goes on from the new place; one that was not stands at its
  // new place until Play.
  if (playing_)
    buffer_->Start();
  else
    rewound_ = true;
}

int32_t SoundItem::GetVolume() const {
  return buffer_->Volume();
}

void SoundItem::SetVolume(int32_t volume) {
  buffer_->SetVolume(volume);
}

int32_t SoundItem::GetPan() const {
  return buffer_->Pan();
}

void SoundItem::SetPan(int32_t pan) {
  buffer_->SetPan(pan);
}

bool SoundItem::GetRepeat() const {
  return buffer_->Loop();
}

void SoundItem::SetRepeat(bool on) {
  buffer_->SetLoop(on);
  // The mixer passes over a buffer that has ended; a playing sound told to
  // repeat after reading its end goes on from the start.
  if (on && playing_ && buffer_->Ended()) buffer_->Start();
}

}  // namespace vesk::companion
