#include "media/media_system.h"

namespace vesk::media {

MediaSystem::MediaSystem(MediaServices services)
    : services_(std::move(services)),
      direct_out_(audio::DirectBlockFrames{services_.device_block_frames}, services_.clock),
      wav_out_(services_.delay_ms, services_.clock),
      library_(direct_out_, {services_.open_audio, services_.open_video},
               services_.game_clock ? *services_.game_clock : services_.clock) {
  video_ = std::make_unique<TVideoManager>(services_, library_);
  wmp_ = std::make_unique<TWmpManager>(services_, library_);
  ogg_ = std::make_unique<TOggManager>(services_, library_, wav_out_);
  cdda_ = std::make_unique<TCddaManager>(services_, direct_out_);
  midi_ = std::make_unique<TMidiManager>(services_);
  managers_ = {video_.get(), wmp_.get(), ogg_.get(), cdda_.get(), midi_.get()};
}

// The managers go first, in the reverse of their making, so every item
// gives its handle and buffer back before the module and output go.
MediaSystem::~MediaSystem() {
  managers_ = {};
  midi_.reset();
  cdda_.reset();
  ogg_.reset();
  wmp_.reset();
  video_.reset();
}

void MediaSystem::SetSoundOn(bool on) {
  if (on == sound_on_) return;
  sound_on_ = on;
  for (TMediaManagerBase* m :
       {static_cast<TMediaManagerBase*>(wmp_.get()), static_cast<TMediaManagerBase*>(ogg_.get()),
        static_cast<TMediaManagerBase*>(cdda_.get()), static_cast<TMediaManagerBase*>(midi_.get())})
    m->SetEnabled(on);
}

void MediaSystem::TickSequencer() {
  if (MidiSequencer* seq = midi_->sequencer()) seq->TickNow();
}

void MediaSystem::OnActivate(bool active) {
  TMediaManagerBase* all[] = {video_.get(), wmp_.get(), ogg_.get(), cdda_.get(), midi_.get()};
  if (!active) {
    for (TMediaManagerBase* m : all)
      if (m->Enabled()) m->Suspend();
    video_->SuspendAll();
  } else {
    video_->ResumeAll();
    for (TMediaManagerBase* m : all) m->Resume();
  }
}

}  // namespace vesk::media
