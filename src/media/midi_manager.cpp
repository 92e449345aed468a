#include "media/midi_manager.h"

#include <algorithm>

#include "core/messages.h"
#include "core/vesk_error.h"
#include "media/midi_file.h"
#include "platform/cp932.h"

namespace vesk::media {

namespace {
constexpr int kChannelVolume = 7;
}  // namespace

// ---- TMidiItem ----------------------------------------------------------------

TMidiItem::TMidiItem(TMidiManager* manager, std::string name, platform::MediaBytes bytes,
                     int32_t length_ms, bool silent)
    : TDMediaItem(manager),
      midi_(*manager),
      name_(std::move(name)),
      bytes_(std::move(bytes)),
      length_ms_(length_ms),
      silent_(silent) {}

bool TMidiItem::Current() const {
  return midi_.current() == this && midi_.sequencer();
}

MidiSequencer* TMidiItem::Sequencer() const {
  return midi_.sequencer();
}

bool TMidiItem::GetLoop() {
  return Current() ? Sequencer()->Loop() : loop_;
}

void TMidiItem::SetLoop(bool loop) {
  loop_ = loop;
  if (Current()) Sequencer()->SetLoop(loop);
}

void TMidiItem::SetVolume(int32_t volume) {
  volume_ = volume;
  if (Current()) Sequencer()->SetControllerScaleAll(kChannelVolume, VolumePercent(volume));
}

int32_t TMidiItem::GetPosition() {
  return Current() ? Sequencer()->Clock() : 0;
}

void TMidiItem::SetPosition(int32_t position_ms) {
  const int32_t ms = std::max(0, position_ms);
  if (Current() && !paused_)
    Sequencer()->PlayFrom(ms);
  else
    resume_ms_ = ms;
}

bool TMidiItem::AtEnd() {
  return silent_ || (Current() && Sequencer()->Ended());
}

bool TMidiItem::PollEnded() {
  if (!silent_) return Current() && Sequencer()->Ended();
  const bool ended = silent_end_;
  silent_end_ = false;
  return ended;
}

bool TMidiItem::IsPlaying() {
  return Current() && Sequencer()->Playing();
}

void TMidiItem::Play() {
  if (silent_) {
    // Nothing to play: its end is reported at once.
    silent_end_ = true;
    return;
  }
  if (!midi_.Enabled()) {
    pending_play_ = true;
    suspended = true;
    return;
  }
  pending_play_ = false;
  if (!midi_.MakeCurrent(this)) return;
  MidiSequencer& seq = *Sequencer();
  if (!seq.DeviceOpen()) seq.OpenDevice(midi_.SelectedDevice() - 1);
  seq.SendMasterVolumeFull();
  seq.SetLoop(loop_);
  seq.PlayFrom(resume_ms_);
  resume_ms_ = 0;
  seq.SetControllerScaleAll(kChannelVolume, VolumePercent(volume_));
  paused_ = false;
}

void TMidiItem::Pause() {
  if (pending_play_) {
    pending_play_ = false;
    suspended = false;
  }
  if (Current()) {
    resume_ms_ = Sequencer()->Clock();
    Sequencer()->Stop();
  }
  paused_ = true;
}

// ---- TMidiManager -------------------------------------------------------------

TMidiManager::TMidiManager(const MediaServices& services) : TMediaManagerBase(services) {
  if (services.make_midi_sequencer)
    sequencer_ = services.make_midi_sequencer();
  else
    sequencer_ = std::make_unique<PlayerSequencer<>>(services.midi_ports, services.clock,
                                                     services.timer_mode);
  devices_.push_back(MessageCp932(Msg::kMidiMapper));
  for (const auto& port : services.midi_ports.Names())
    devices_.push_back(platform::Utf8ToCp932(port));
}

TMidiManager::~TMidiManager() {
  Clear();
  if (sequencer_) sequencer_->CloseDevice();
}

TDMediaItem* TMidiManager::Add(const std::string& name, bool /*overlay*/) {
  platform::MediaBytes bytes = ReadOrReport(name);
  if (!bytes) bytes = std::make_shared<const std::vector<uint8_t>>();
  int32_t length_ms = 0;
  bool silent = bytes->empty();
  if (!silent) {
    try {
      TMidiV song;
      song.LoadSong(*bytes);
      length_ms = song.song_length_ms();
    } catch (const EVeskError& e) {
      Report(name, e.Message());
      silent = true;
    }
  }
  return Keep(std::make_unique<TMidiItem>(this, name, std::move(bytes), length_ms, silent));
}

std::string TMidiManager::DeviceName(int index) const {
  if (index < 0 || index >= DeviceCount()) return devices_.front();
  return devices_[size_t(index)];
}

void TMidiManager::SelectDevice(int index) {
  selected_ = std::clamp(index, 0, DeviceCount() - 1);
  if (!sequencer_ || !sequencer_->DeviceOpen()) return;
  const bool playing = sequencer_->Playing();
  const int32_t clock_ms = sequencer_->Clock();
  sequencer_->Stop();
  sequencer_->CloseDevice();
  if (!playing) return;  // the next Play opens the new device
  sequencer_->OpenDevice(selected_ - 1);
  sequencer_->PlayFrom(clock_ms);
}

bool TMidiManager::SelectDeviceByName(const std::string& name) {
  const auto it = std::find(devices_.begin(), devices_.end(), name);
  if (it == devices_.end()) return false;
  SelectDevice(int(it - devices_.begin()));
  return true;
}

bool TMidiManager::MakeCurrent(TMidiItem* item) {
  if (!sequencer_) return false;
  if (current_ == item) return true;
  sequencer_->Stop();
  current_ = item;
  try {
    sequencer_->LoadSong(*item->bytes_);
  } catch (const EVeskError& e) {
    // Checked when the item was made, so only a sequencer that reads
    // differently gets here: the item stays current with an empty song.
    Report(item->name_, e.Message());
    item->silent_ = true;
    return false;
  }
  item->length_ms_ = sequencer_->SongLength();
  return true;
}

void TMidiManager::Forget(TDMediaItem* item) {
  if (item != current_) return;
  if (sequencer_) sequencer_->Stop();
  current_ = nullptr;
}

}  // namespace vesk::media
