#pragma once
// MIDI music (".mid", ".sgt"): one sequencer for all items, owned by the
// manager, which also keeps the current item, the chosen output device and
// the device list ("MIDIマッパー" first, then the ports).
//
// The file is read and checked when the item is made: a missing file gives
// no item, an empty one an item that does nothing, a damaged one an item
// that stays silent (one report either way). The song is loaded into the
// sequencer on the item's first Play while another item is current.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "media/manager_base.h"
#include "media/midi_sequencer.h"

namespace vesk::media {

class TMidiManager;

class TMidiItem final : public TDMediaItem {
 public:
  // silent: an empty or damaged file (every operation does nothing).
  TMidiItem(TMidiManager* manager, std::string name, platform::MediaBytes bytes, int32_t length_ms,
            bool silent);

  bool GetLoop() override;
  void SetLoop(bool loop) override;
  int32_t GetVolume() override { return volume_; }
  // Channel volume on all 16 channels scaled to v div 100 + 100 percent.
  void SetVolume(int32_t volume) override;
  int32_t GetPosition() override;
  void SetPosition(int32_t position_ms) override;
  int32_t GetLength() override { return length_ms_; }
  // A silent item (an empty or damaged file) reports its end once played.
  bool PollEnded() override;
  bool AtEnd() override;
  bool IsPlaying() override;
  bool IsPaused() override { return paused_; }
  void Play() override;
  void Pause() override;
  MediaKind Kind() const override { return MediaKind::kMidi; }

  const std::string& name() const { return name_; }
  bool silent() const { return silent_; }
  int32_t resume_ms() const { return resume_ms_; }
  static int32_t VolumePercent(int32_t volume) { return volume / 100 + 100; }

 private:
  friend class TMidiManager;
  bool Current() const;
  MidiSequencer* Sequencer() const;

  TMidiManager& midi_;
  std::string name_;
  platform::MediaBytes bytes_;
  int32_t length_ms_;
  bool silent_;
  bool silent_end_ = false;
  int32_t resume_ms_ = 0;
  int32_t volume_ = 0;
  bool paused_ = false;
  bool loop_ = false;
  bool pending_play_ = false;
};

class TMidiManager final : public TMediaManagerBase {
 public:
  explicit TMidiManager(const MediaServices& services);
  ~TMidiManager() override;
  TDMediaItem* Add(const std::string& name, bool overlay = false) override;

  // The list: "MIDIマッパー", then every port (CP932).
  int DeviceCount() const { return int(devices_.size()); }
  // The mapper's name outside the list.
  std::string DeviceName(int index) const;
  std::string SelectedDeviceName() const { return DeviceName(selected_); }
  int SelectedDevice() const { return selected_; }
  // Clamped into the list; a playing song moves to the new device at the
  // same place.
  void SelectDevice(int index);
  // False (nothing changes) when no device has that name.
  bool SelectDeviceByName(const std::string& name);

  TMidiItem* current() const { return current_; }
  // Null only when a factory handed in made none.
  MidiSequencer* sequencer() const { return sequencer_.get(); }
  // Loads the item's song unless it is current; true when it is current.
  bool MakeCurrent(TMidiItem* item);

 protected:
  void Forget(TDMediaItem* item) override;

 private:
  std::unique_ptr<MidiSequencer> sequencer_;
  std::vector<std::string> devices_;
  int selected_ = 0;
  TMidiItem* current_ = nullptr;
};

}  // namespace vesk::media
