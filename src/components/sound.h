#pragma once
// TVeskSound: one audio file (wave, Ogg, WMA, MIDI or a "CD_" track) played
// through a media item of the manager its extension names. It is made in
// LP_STOP; the creating command then plays it, with a fade-in when it has
// a Delay. LP_STOP deletes it at once; LP_STOPFADE fades it out under a
// system name, so that a new sound can take its old name meanwhile, and
// deletes it when the fade is over. What it shares with the video is in
// MediaPlayback.
#include <cstdint>
#include <string>

#include "components/component_services.h"
#include "components/media_playback.h"
#include "media/media_item.h"
#include "scene/vesk_object.h"

namespace vesk::components {

// The manager a sound file plays through, chosen by its extension; null
// for an unknown extension or a missing manager.
media::TMediaManager* SoundManagerFor(const media::TMediaManagers* managers,
                                      const std::string& source);

class TVeskSound final : public scene::TVeskComponent, public ServiceUser, public MediaPlayback {
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

  void SetPlayMode(int mode) override;
  void Replay() override;

  using MediaPlayback::Paused;  // the field, not the component's query
  uint8_t AniPaused = 0;
  uint8_t Ended = 0;

 protected:
  const ComponentServices* PlaybackServices() const override { return services(); }
  media::TMediaManager* PlaybackManager() const override;
  void ChangeSource(const std::string& source) override;

 private:
  // Opens the item for Source when it has none; false when none was had.
  bool OpenItem();
  void ApplyPauseState();
};

}  // namespace vesk::components
