#pragma once
// The one audio output of the process, in a pull model: the device asks its
// source for blocks of interleaved 16-bit stereo frames at 44100 Hz whenever
// it needs more. The SDL backend pulls from SDL's audio thread; the headless
// backend pulls on the game clock, when its owner says how much time passed.
#include <cstdint>
#include <string>

namespace vesk::platform {

inline constexpr int kAudioRateHz = 44100;
inline constexpr int kAudioChannels = 2;
inline constexpr int kAudioBytesPerFrame = kAudioChannels * 2;

// Frames per block: a power of two, so that PulseAudio and PipeWire (which
// stutter on odd or tiny buffers) get what they handle well.
inline constexpr int kDefaultAudioBlockFrames = 1024;
inline constexpr int kMinAudioBlockFrames = 256;
inline constexpr int kMaxAudioBlockFrames = 8192;

// What a device plays. FillAudio is called on the device's thread (SDL's
// audio thread for a real device), never on two threads at once. It must
// fill all frame_count frames (left, right, left, right ...), return
// promptly, allocate nothing and never wait for the main thread: a source
// whose state the main thread changes guards it itself, with a lock-free
// handoff or a lock the main thread only ever holds briefly.
class AudioSource {
 public:
  virtual ~AudioSource() = default;
  virtual void FillAudio(int16_t* interleaved, int frame_count) = 0;
};

class AudioDevice {
 public:
  virtual ~AudioDevice() = default;
  // The source to pull from; null plays silence. Safe while the device
  // plays: once it returns the device no longer touches the previous
  // source, which the caller may then free. The source must outlive its
  // time on the device.
  virtual void SetSource(AudioSource* source) = 0;
  // The most frames one FillAudio call asks for.
  virtual int block_frames() const = 0;
  // False for a device that could not be opened: it never pulls and is
  // silent, so a game runs on without sound.
  virtual bool live() const = 0;
};

// A device that plays nothing: the stand-in when no output can be opened.
class SilentAudioDevice final : public AudioDevice {
 public:
  explicit SilentAudioDevice(int block_frames = kDefaultAudioBlockFrames)
      : block_frames_(block_frames) {}
  void SetSource(AudioSource*) override {}
  int block_frames() const override { return block_frames_; }
  bool live() const override { return false; }

 private:
  int block_frames_;
};

// The block size asked for by the VESK_AUDIO_FRAMES value `text` (null or
// empty: the default). A number outside 256..8192 or not a power of two is
// rounded to the nearest power of two in that range; text that is no number
// gives the default. When the value is changed, *note (if given) receives
// one line saying so, for standard error.
int AudioBlockFramesFromText(const char* text, std::string* note);

// The same for the process's environment, with the note printed on
// standard error.
int AudioBlockFramesFromEnvironment();

}  // namespace vesk::platform
