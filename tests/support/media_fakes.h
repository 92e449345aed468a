#pragma once
// Fakes for the media tests: decoders that make their sound and pictures
// from a tiny header in the "file", MIDI ports that only have names, and a
// sequencer that records what it was asked.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "media/midi_player.h"
#include "media/midi_sequencer.h"
#include "platform/media_decoder.h"

namespace vesk::testing_media {

// Sample of frame f, channel c, in every fake sound: distinct and never 0.
inline int16_t RampSample(int64_t frame, int channel) {
  return int16_t(1 + (frame % 1000) * 2 + channel);
}

// "SND" + frame count (4 bytes LE) [+ "SHORT": the decoder gives out after
// half of what it announced].
inline platform::MediaBytes SoundFile(uint32_t frames, bool cut_short = false) {
  std::vector<uint8_t> b{'S', 'N', 'D'};
  for (int i = 0; i < 4; ++i) b.push_back(uint8_t(frames >> (8 * i)));
  if (cut_short) b.insert(b.end(), {'S', 'H', 'O', 'R', 'T'});
  return std::make_shared<const std::vector<uint8_t>>(std::move(b));
}

// "VID" + picture count, frames per second and a sound flag; the sound
// lasts as long as the pictures.
inline platform::MediaBytes VideoFile(uint8_t pictures, uint8_t fps, bool with_sound) {
  std::vector<uint8_t> b{'V', 'I', 'D', pictures, fps, uint8_t(with_sound ? 1 : 0)};
  return std::make_shared<const std::vector<uint8_t>>(std::move(b));
}

inline platform::MediaBytes Bytes(const std::string& s) {
  return std::make_shared<const std::vector<uint8_t>>(s.begin(), s.end());
}

class FakeAudioDecoder final : public platform::AudioDecoder {
 public:
  FakeAudioDecoder(int64_t frames, int64_t real_frames) : real_frames_(real_frames) {
    info_.source_channels = 2;
    info_.source_rate_hz = 44100;
    info_.total_frames = frames;
    info_.codec = "fake";
  }
  const platform::AudioStreamInfo& Info() const override { return info_; }
  size_t ReadFrames(int16_t* out, size_t count) override {
    const int64_t n = std::clamp<int64_t>(real_frames_ - position_, 0, int64_t(count));
    for (int64_t i = 0; i < n; ++i) {
      out[2 * i] = RampSample(position_ + i, 0);
      out[2 * i + 1] = RampSample(position_ + i, 1);
    }
    position_ += n;
    return size_t(n);
  }
  bool SeekFrame(int64_t frame) override {
    position_ = std::clamp<int64_t>(frame, 0, info_.total_frames);
    return true;
  }
  int64_t PositionFrames() const override { return position_; }

 private:
  platform::AudioStreamInfo info_;
  int64_t real_frames_;
  int64_t position_ = 0;
};

// Pictures of 4 x 2 pixels; picture i is filled with the blue value i + 1.
class FakeVideoDecoder final : public platform::VideoDecoder {
 public:
  FakeVideoDecoder(int pictures, int fps, bool has_audio) : count_(pictures), fps_(fps) {
    info_.width_px = 4;
    info_.height_px = 2;
    info_.frames_per_sec = fps;
    info_.length_ms = int64_t(pictures) * 1000 / fps;
    info_.has_audio = has_audio;
    info_.codec = "fake";
    pixels_.resize(4 * 2 * 4);
  }
  const platform::VideoStreamInfo& Info() const override { return info_; }
  bool AdvanceTo(int64_t time_ms) override {
    const int index = int(std::clamp<int64_t>(time_ms * fps_ / 1000, 0, count_ - 1));
    if (index == shown_) return false;
    shown_ = index;
    for (size_t p = 0; p < pixels_.size(); p += 4) {
      pixels_[p] = uint8_t(index + 1);
      pixels_[p + 1] = 0;
      pixels_[p + 2] = 0;
      pixels_[p + 3] = 255;
    }
    return true;
  }
  const uint8_t* Picture() const override { return shown_ < 0 ? nullptr : pixels_.data(); }
  int PictureStride() const override { return 16; }
  bool AtEnd() const override { return shown_ == count_ - 1; }

 private:
  platform::VideoStreamInfo info_;
  int count_, fps_;
  int shown_ = -1;
  std::vector<uint8_t> pixels_;
};

inline std::unique_ptr<platform::AudioDecoder> OpenFakeAudio(platform::MediaBytes bytes,
                                                             std::string* error) {
  const auto& b = *bytes;
  if (b.size() >= 6 && std::memcmp(b.data(), "VID", 3) == 0) {
    if (b[5] == 0) {
      *error = "no audio stream";
      return nullptr;
    }
    const int64_t frames = int64_t(b[3]) * 44100 / b[4];
    return std::make_unique<FakeAudioDecoder>(frames, frames);
  }
  if (b.size() < 7 || std::memcmp(b.data(), "SND", 3) != 0) {
    *error = "not a media file";
    return nullptr;
  }
  const int64_t frames =
      int64_t(b[3]) | int64_t(b[4]) << 8 | int64_t(b[5]) << 16 | int64_t(b[6]) << 24;
  const bool short_file = b.size() > 7;
  return std::make_unique<FakeAudioDecoder>(frames, short_file ? frames / 2 : frames);
}

inline std::unique_ptr<platform::VideoDecoder> OpenFakeVideo(platform::MediaBytes bytes,
                                                             std::string* error) {
  const auto& b = *bytes;
  if (b.size() < 6 || std::memcmp(b.data(), "VID", 3) != 0 || b[4] == 0) {
    *error = "not a media file";
    return nullptr;
  }
  return std::make_unique<FakeVideoDecoder>(b[3], b[4], b[5] != 0);
}

class NamedPorts final : public media::MidiPortList {
 public:
  explicit NamedPorts(std::vector<std::string> names) : names_(std::move(names)) {}
  std::vector<std::string> Names() const override { return names_; }
  platform::MidiOut* Open(int) override { return nullptr; }
  void Close(int) override {}

 private:
  std::vector<std::string> names_;
};

// Records the calls a MIDI item makes; the clock moves only when told.
class FakeSequencer final : public media::MidiSequencer {
 public:
  void LoadSong(std::span<const uint8_t> bytes) override {
    playing = false;
    ++loads;
    loaded_size = bytes.size();
  }
  bool OpenDevice(int index) override {
    opened.push_back(index);
    open = true;
    return true;
  }
  void CloseDevice() override {
    open = false;
    ++closes;
  }
  bool DeviceOpen() const override { return open; }
  void PlayFrom(int32_t time_ms) override {
    play_from.push_back(time_ms);
    clock_ms = time_ms;
    playing = true;
  }
  void Stop() override {
    if (playing) ++stops;
    playing = false;
  }
  bool Playing() const override { return playing; }
  bool Ended() const override { return ended; }
  int32_t Clock() const override { return clock_ms; }
  int32_t SongLength() const override { return 4321; }
  bool Loop() const override { return loop; }
  void SetLoop(bool on) override { loop = on; }
  void SetControllerScaleAll(int controller, int percent) override {
    scales.push_back({controller, percent});
  }
  void SendMasterVolumeFull() override { ++master_volumes; }
  void TickNow() override { ++ticks; }

  bool open = false, playing = false, ended = false, loop = false;
  int loads = 0, closes = 0, stops = 0, master_volumes = 0, ticks = 0;
  size_t loaded_size = 0;
  int32_t clock_ms = 0;
  std::vector<int> opened;
  std::vector<int32_t> play_from;
  std::vector<std::pair<int, int>> scales;
};

}  // namespace vesk::testing_media
