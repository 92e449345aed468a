#pragma once
// Everything that plays sound and video, made in one piece by the app: the
// two wave outputs, the companion module's families and the five managers
// in their order (video, WMA, Ogg, CD, MIDI).
// - direct_out(): mixed a device block at a time on the device's pull; the
//   module's sounds (WMA, Ogg with DirectSound on, films) and CD tracks.
// - wav_out(): the Ogg manager's queued output of DelayTime blocks; the
//   decoded Ogg items (DirectSound off).
// The app adds both to its output mix (AddDirect, AddQueued) and takes them
// out before the system goes; for the MIDI synthesizer it needs nothing
// from here.
#include <memory>

#include "audio/wav_out.h"
#include "companion/media_library.h"
#include "media/cdda_manager.h"
#include "media/media_item.h"
#include "media/media_services.h"
#include "media/midi_manager.h"
#include "media/ogg_manager.h"
#include "media/video_manager.h"
#include "media/wmp_manager.h"

namespace vesk::media {

class MediaSystem {
 public:
  explicit MediaSystem(MediaServices services);
  ~MediaSystem();
  MediaSystem(const MediaSystem&) = delete;
  MediaSystem& operator=(const MediaSystem&) = delete;

  // The scripts switch sound off and on: every sound manager (not video)
  // is disabled or enabled; nothing when unchanged.
  void SetSoundOn(bool on);
  bool sound_on() const { return sound_on_; }
  // The application lost (false) or regained (true) the focus: enabled
  // managers suspend and resume, and the films with them.
  void OnActivate(bool active);
  // With the sequencer's manual timer (headless runs): one tick, once per
  // frame after the game clock moved.
  void TickSequencer();

  // What the sound and video components are handed.
  const TMediaManagers& managers() const { return managers_; }
  TMediaManagers& managers() { return managers_; }
  audio::TWavOut& direct_out() { return direct_out_; }
  audio::TWavOut& wav_out() { return wav_out_; }
  companion::MediaLibrary& library() { return library_; }
  TVideoManager& video() { return *video_; }
  TWmpManager& wmp() { return *wmp_; }
  TOggManager& ogg() { return *ogg_; }
  TCddaManager& cdda() { return *cdda_; }
  TMidiManager& midi() { return *midi_; }
  const MediaServices& services() const { return services_; }

 private:
  MediaServices services_;
  audio::TWavOut direct_out_;
  audio::TWavOut wav_out_;
  companion::MediaLibrary library_;
  std::unique_ptr<TVideoManager> video_;
  std::unique_ptr<TWmpManager> wmp_;
  std::unique_ptr<TOggManager> ogg_;
  std::unique_ptr<TCddaManager> cdda_;
  std::unique_ptr<TMidiManager> midi_;
  TMediaManagers managers_;
  bool sound_on_ = true;
};

}  // namespace vesk::media
