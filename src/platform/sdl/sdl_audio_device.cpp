#include "platform/sdl/sdl_audio_device.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <thread>

namespace vesk::platform {
namespace {

// The source pointer is handed to the audio thread without a lock: the
// callback raises `in_callback_` before it reads the pointer, and SetSource
// swaps the pointer before it waits for the flag to drop (both sequentially
// consistent), so when SetSource returns no callback still holds the old
// source. Only the main thread ever waits; the callback never does.
class SdlAudioDevice final : public AudioDevice {
 public:
  explicit SdlAudioDevice(int block_frames) : block_frames_(block_frames) {}
  ~SdlAudioDevice() override {
    if (id_ != 0) SDL_CloseAudioDevice(id_);  // waits for a running callback
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }

  // False with *error set when SDL gives no device.
  bool Open(std::string* error) {
    SDL_AudioSpec want{};
    want.freq = kAudioRateHz;
    want.format = AUDIO_S16SYS;
    want.channels = kAudioChannels;
    want.samples = static_cast<Uint16>(block_frames_);
    want.callback = &SdlAudioDevice::Callback;
    want.userdata = this;
    SDL_AudioSpec have{};
    // No changes allowed: SDL converts to whatever the hardware wants.
    id_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (id_ == 0) {
      *error = SDL_GetError();
      return false;
    }
    SDL_PauseAudioDevice(id_, 0);
    return true;
  }

  void SetSource(AudioSource* source) override {
    if (source_.exchange(source) == source) return;
    while (in_callback_.load()) std::this_thread::yield();
  }
  int block_frames() const override { return block_frames_; }
  bool live() const override { return true; }

 private:
  static void SDLCALL Callback(void* userdata, Uint8* stream, int len_bytes) {
    static_cast<SdlAudioDevice*>(userdata)->Fill(reinterpret_cast<int16_t*>(stream),
                                                 len_bytes / kAudioBytesPerFrame);
  }

  void Fill(int16_t* samples, int frame_count) {
    in_callback_.store(true);
    AudioSource* source = source_.load();
    if (source == nullptr) {
      std::memset(samples, 0, static_cast<size_t>(frame_count) * kAudioBytesPerFrame);
    } else {
      while (frame_count > 0) {
        const int frames = std::min(frame_count, block_frames_);
        source->FillAudio(samples, frames);
        samples += static_cast<size_t>(frames) * kAudioChannels;
        frame_count -= frames;
      }
    }
    in_callback_.store(false);
  }

  int block_frames_;
  SDL_AudioDeviceID id_ = 0;
  std::atomic<AudioSource*> source_{nullptr};
  std::atomic<bool> in_callback_{false};
};

}  // namespace

std::unique_ptr<AudioDevice> OpenSdlAudioDevice(int block_frames) {
  block_frames = std::clamp(block_frames, kMinAudioBlockFrames, kMaxAudioBlockFrames);
  std::string error;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    error = SDL_GetError();
  } else {
    auto device = std::make_unique<SdlAudioDevice>(block_frames);
    if (device->Open(&error)) return device;
    // Freeing it quits the subsystem again.
  }
  std::fprintf(stderr, "audio: cannot open the sound output (%s); playing without sound\n",
               error.c_str());
  return std::make_unique<SilentAudioDevice>(block_frames);
}

}  // namespace vesk::platform
