#pragma once
// TVeskSound: one audio file (wave, Ogg, WMA, MIDI or a "CD_" track) played
// through a media item of the manager its extension names. It is made in
// LP_STOP; the creating command then plays it, with a fade-in when it has
// a Delay. LP_STOP deletes it at once; LP_STOPFADE fades it out under a
// system name, so that a new sound can take its old name meanwhile, and
// deletes it when the fade is over.
#include <cstdint>
#include <memory>
#include <string>

#include "components/component_services.h"
#include "components/mixer.h"
#include "media/media_item.h"
#include "scene/media_object.h"
#include "scene/vesk_object.h"

namespace vesk::components {

// The manager a sound file plays through, chosen by its extension; null
// for an unknown extension or a missing manager.
media::TMediaManager* SoundManagerFor(const media::TMediaManagers* managers,
                                      const std::string& source);
// The game clock from the services, or `fallback` without one.
int32_t MediaClockMs(const ComponentServices* services, int32_t fallback_ms);

class TVeskSound final : public scene::TVeskComponent,
                         public ServiceUser,
                         public scene::MediaObject {
 public:
  explicit TVeskSound(scene::TVeskBaseList* root) : TVeskComponent(root) {}
  ~TVeskSound() override;

  int GetCompoType() const override { return lang::LT_SOUND; }
  int32_t GetInt(int id) const override;
  void SetInt(int id, int32_t value) override;
  bool GetFlag(int id) const override;
  void SetFlag(int id, bool value) override;
  std::string GetStr(int id) const override;
  void SetStr(int id, const std::string& value) override;
  bool Update(int32_t frame_ms) override;
  void Transfer(RecordIO& io) override;

  int GetPlayMode() const override { return PlayMode; }
  void SetPlayMode(int mode) override;
  void Replay() override;
  const std::string& MediaSource() const override { return Source; }

  std::string Source;
  uint8_t PlayMode = lang::LP_STOP;
  media::TDMediaItem* Item = nullptr;  // the manager's, given back when dropped
  uint8_t Repeat = 0, Paused = 0;
  int32_t Volume = 0;
  int32_t Balance = 0;
  std::unique_ptr<TVeskMixer> Fade;
  int32_t Delay = 0;          // fade time, ms
  int32_t StartPosition = 0;  // ms
  uint8_t AutoScrap = 0;
  std::string OnPlayEnd;
  uint8_t AniPaused = 0;
  uint8_t Ended = 0;
  uint8_t RewindOnLoad = 0, MuteOnLoad = 0;

 private:
  bool HoldsSource() const;
  // Opens the item for Source when it has none; false when none was had.
  bool OpenItem();
  void ReleaseItem();
  void StartFadeIn();
  void ApplyPauseState();
  int32_t NowMs() const { return MediaClockMs(services(), own_clock_ms_); }
  void LoadFields(RecordIO& io);
  int32_t own_clock_ms_ = 0;
};

}  // namespace vesk::components
