#pragma once
// A sound of the WMA and Ogg families: a decoded stream played through a
// buffer of the shared wave output, with the answers a media player gives
// (playing, paused, at its end, position and length in milliseconds).
#include <cstdint>
#include <memory>

#include "audio/pcm_stream.h"
#include "audio/wav_out.h"
#include "companion/companion.h"

namespace vesk::companion {

class SoundItem final : public MediaItem {
 public:
  // The stream must hold 44100 Hz 16-bit stereo. The output must outlive
  // the item (closing it frees the item's buffer).
  SoundItem(audio::TWavOut& out, std::unique_ptr<audio::PcmStream> stream);
  ~SoundItem() override;

  // Continues where it stands; from the start when it has played to its
  // end.
  void Play() override;
  void Pause() override;
  bool IsPlaying() const override;
  bool IsPaused() const override { return paused_; }
  // Read to the end and heard to the end (what was queued has drained).
  bool IsEnd() const override;
  int32_t GetLen() const override;
  int32_t GetPosition() const override;
  void SetPosition(int32_t position_ms) override;
  int32_t GetVolume() const override;
  void SetVolume(int32_t volume) override;
  int32_t GetPan() const override;
  void SetPan(int32_t pan) override;
  bool GetRepeat() const override;
  void SetRepeat(bool on) override;

 private:
  audio::TWavOut& out_;
  std::unique_ptr<audio::PcmStream> stream_;
  int64_t size_bytes_ = 0;
  audio::TWavBuffer* buffer_ = nullptr;
  bool playing_ = false;
  bool paused_ = false;
  // Moved since it last ended: the buffer still says ended until the next
  // Start. (The stream's size is the mixing thread's to read.)
  bool rewound_ = false;
};

// Milliseconds and bytes of 44100 Hz 16-bit stereo.
int32_t StereoBytesToMs(int64_t bytes);
int64_t MsToStereoBytes(int32_t ms);

}  // namespace vesk::companion
