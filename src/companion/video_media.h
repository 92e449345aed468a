#pragma once
// A video of the video family: pictures decoded on the main thread as the
// component asks for them, and the film's own sound (when it has one)
// played through the wave output. The picture follows the sound's clock,
// so the two stay together; a silent film follows the clock handed in.
#include <cstdint>
#include <memory>
#include <string>

#include "companion/companion.h"
#include "companion/sound_item.h"
#include "platform/clock.h"
#include "platform/media_decoder.h"

namespace vesk::companion {

class VideoMedia final : public MediaItem {
 public:
  struct Rect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
  };

  // sound may be null (a silent film, or sound that could not be decoded).
  VideoMedia(std::unique_ptr<platform::VideoDecoder> pictures, std::unique_ptr<SoundItem> sound,
             platform::Clock& clock, bool overlay);

  void Play() override;
  void Pause() override;
  bool IsPlaying() const override { return playing_ && !IsEnd(); }
  bool IsPaused() const override { return paused_; }
  bool IsEnd() const override;
  int32_t GetLen() const override;
  int32_t GetPosition() const override;
  void SetPosition(int32_t position_ms) override;
  int32_t GetVolume() const override;
  void SetVolume(int32_t volume) override;
  int32_t GetPan() const override;
  void SetPan(int32_t pan) override;
  bool GetRepeat() const override { return repeat_; }
  void SetRepeat(bool on) override;

  // Decodes on to the picture of the current position; true while a new
  // picture has not been fetched with GetDC.
  bool NeedPaint();
  // B, G, R, 255 pixels, rows *stride bytes apart; null before the first.
  const uint8_t* GetDC(int* stride);
  int32_t SourceWidth() const { return pictures_->Info().width_px; }
  int32_t SourceHeight() const { return pictures_->Info().height_px; }
  void SetRect(const Rect& source, const Rect& screen);
  const Rect& source_rect() const { return source_rect_; }
  const Rect& screen_rect() const { return screen_rect_; }
  bool GetVisible() const { return visible_; }
  void SetVisible(bool visible) { visible_ = visible; }
  bool overlay() const { return overlay_; }
  bool has_sound() const { return sound_ != nullptr; }

  // The family's suspend around display changes: a playing film pauses and
  // plays on at resume.
  void Suspend();
  void Resume();

 private:
  // Milliseconds played on the clock, before wrapping or clamping.
  int64_t ClockPositionMs() const;

  std::unique_ptr<platform::VideoDecoder> pictures_;
  std::unique_ptr<SoundItem> sound_;
  platform::Clock& clock_;
  bool overlay_;
  bool playing_ = false, paused_ = false, repeat_ = false;
  bool visible_ = true, dirty_ = false, suspended_ = false;
  int64_t base_ms_ = 0;    // position when the clock last started
  uint32_t start_ms_ = 0;  // clock reading then
  int32_t volume_ = 0, pan_ = 0;
  Rect source_rect_, screen_rect_;
};

}  // namespace vesk::companion
