#pragma once
// A media system over fake decoders, a fake sequencer and files held in a
// map; the mixer is driven block by block on a manual clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "media/media_system.h"
#include "platform/clock.h"
#include "support/media_fakes.h"

namespace vesk::media {

class MediaFixture : public ::testing::Test {
 protected:
  platform::ManualClock clock_;
  testing_media::NamedPorts ports_{{"Synth A", "Port B"}};
  std::map<std::string, platform::MediaBytes> files_;
  std::vector<std::string> reports_;
  std::vector<std::string> read_names_;
  std::optional<std::string> cd_drive_;
  std::vector<std::string> cd_roots_;
  testing_media::FakeSequencer* seq_ = nullptr;
  std::unique_ptr<MediaSystem> sys_;
  std::vector<int16_t> block_;

  void Make(bool direct_sound = true) {
    MediaServices s{clock_, ports_};
    s.read_file = [this](const std::string& name) -> platform::MediaBytes {
      read_names_.push_back(name);
      auto it = files_.find(name);
      return it == files_.end() ? nullptr : it->second;
    };
    s.open_audio = testing_media::OpenFakeAudio;
    s.open_video = testing_media::OpenFakeVideo;
    s.make_midi_sequencer = [this] {
      auto seq = std::make_unique<testing_media::FakeSequencer>();
      seq_ = seq.get();
      return seq;
    };
    s.device_block_frames = 4410;  // 100 ms, as the queued output's
    s.delay_ms = 100;
    s.direct_sound = direct_sound;
    s.setting = [this](const std::string& value) -> std::optional<std::string> {
      return value == "CDDrive" ? cd_drive_ : std::nullopt;
    };
    s.cd_roots = [this] { return cd_roots_; };
    s.report = [this](const std::string& line) { reports_.push_back(line); };
    sys_ = std::make_unique<MediaSystem>(std::move(s));
    block_.assign(sys_->wav_out().BlockSamples(), 0);
    queued_block_ = block_;
  }

  // Mixes a block on both outputs, sums them into block_ and lets their
  // 100 ms pass.
  void Blocks(int n) {
    for (int i = 0; i < n; ++i) {
      sys_->direct_out().MixBlock(block_);
      sys_->wav_out().MixBlock(queued_block_);
      for (size_t k = 0; k < block_.size(); ++k)
        block_[k] = int16_t(std::clamp(block_[k] + queued_block_[k], -32768, 32767));
      clock_.Advance(100);
    }
  }
  std::vector<int16_t> queued_block_;
};

}  // namespace vesk::media
