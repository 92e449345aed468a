#pragma once
// A decoded Ogg or wave sound as the wave output reads it: a read-only
// stream over a handle of the companion module's stream family, with the
// PCM format record read when it is made.
#include <cstdint>

#include "audio/pcm_stream.h"
#include "companion/media_library.h"

namespace vesk::media {

class TOggStream final : public audio::PcmStream {
 public:
  // Takes the handle (freed with the stream). Throws EVeskError
  // "サウンドデータが不正です" when the module has no usable format for it.
  TOggStream(companion::MediaLibrary& library, int handle);
  ~TOggStream() override;
  TOggStream(const TOggStream&) = delete;
  TOggStream& operator=(const TOggStream&) = delete;

  const audio::PcmFormat& format() const { return format_; }
  int32_t LengthMs() const { return library_.OggStrGetLen(handle_); }

  int64_t SizeBytes() const override { return pcm_->SizeBytes(); }
  int64_t PositionBytes() const override { return pcm_->PositionBytes(); }
  void SeekBytes(int64_t position_bytes) override;
  size_t Read(std::span<uint8_t> out) override;

 private:
  companion::MediaLibrary& library_;
  int handle_;
  // Resolved once: the mixing thread reads through it and never touches
  // the module's tables.
  audio::PcmStream* pcm_ = nullptr;
  audio::PcmFormat format_;
};

}  // namespace vesk::media
