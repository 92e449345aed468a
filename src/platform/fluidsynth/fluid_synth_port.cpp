#include "platform/fluidsynth/fluid_synth_port.h"

#include <fluidsynth.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <fstream>
#include <mutex>

#include "platform/audio_device.h"
#include "platform/fluidsynth/synth_message_queue.h"

namespace vesk::platform {

namespace {

constexpr double kFramesPerMs = kAudioRateHz / 1000.0;
constexpr int kSynthBlockFrames = 64;  // FluidSynth's own block: sounds start on its edges
constexpr int kMinLatencyFrames = kAudioRateHz * 30 / 1000;
constexpr double kReanchorMs = 100;  // the device stopped pulling, or jumped
constexpr double kAnchorSmoothing = 1.0 / 32;
constexpr size_t kQueueSlots = 8192;
constexpr size_t kSysExBytes = 64 * 1024;
constexpr double kBaseGain = 0.5;
constexpr const char* kSynthName = "VeskPlayer SoundFont synth";

// FluidSynth reports through a global log function; errors are kept for the
// caller of Create, everything else is dropped so stderr stays quiet.
std::mutex log_mutex;
std::string last_log_error;

void KeepError(int level, const char* message, void*) {
  if (level > FLUID_ERR || message == nullptr) return;
  std::lock_guard lock(log_mutex);
  last_log_error = message;
}

void QuietFluidSynthLog() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
      fluid_set_log_function(level, KeepError, nullptr);
  });
}

std::string TakeLogError() {
  std::lock_guard lock(log_mutex);
  std::string text = std::move(last_log_error);
  last_log_error.clear();
  return text;
}

class SystemTickClock final : public Clock {
 public:
  uint32_t NowMs() override { return SystemTickMs(); }
  void SleepMs(uint32_t) override {}
};

int16_t Saturate(int32_t value) {
  return static_cast<int16_t>(std::clamp<int32_t>(value, INT16_MIN, INT16_MAX));
}

bool Readable(const std::string& path) {
  if (path.empty()) return false;
  std::ifstream file(path, std::ios::binary);
  return file.good();
}

}  // namespace

std::string FindSoundFont(const std::string& preferred) {
  for (const std::string& path : {preferred, std::string("/usr/share/sounds/sf2/FluidR3_GM.sf2"),
                                  std::string("/usr/share/sounds/sf2/TimGM6mb.sf2")})
    if (Readable(path)) return path;
  return "";
}

struct FluidSynthPort::Impl {
  fluid_settings_t* settings = nullptr;
  fluid_synth_t* synth = nullptr;
  std::unique_ptr<Clock> own_clock;
  Clock* clock = nullptr;
  SynthMessageQueue queue{kQueueSlots, kSysExBytes};
  std::atomic<uint64_t> dropped{0};

  // Audio thread only, past creation.
  std::vector<float> left, right;
  int64_t frames = 0;  // rendered so far: the frame timeline
  bool anchored = false;
  uint32_t last_raw_ms = 0;  // the clock at the last render
  double now_ms = 0;         // the same, unwrapped
  double origin_ms = 0;      // clock time of frame 0, smoothed
  int max_block_frames = 0;
  int64_t last_wanted_frame = 0;
  std::atomic<int> latency_frames{kMinLatencyFrames};
  std::atomic<int64_t> frames_done{0};

  std::vector<SynthPlacement> trace;
  std::atomic<size_t> trace_count{0};

  ~Impl() {
    if (synth != nullptr) delete_fluid_synth(synth);
    if (settings != nullptr) delete_fluid_settings(settings);
  }

  void Anchor(int frame_count);
  int64_t WantedFrame(uint32_t due_ms) const;
  void Render(int16_t* out, int from, int to);
  void Apply(const SynthMessage& message);
  void ApplyShort(uint32_t message);
  void ApplySysEx(std::span<const uint8_t> bytes);
  void Trace(const SynthMessage& message, int64_t wanted, int64_t frame);
};

// The timeline: frame f of the render sounds (latency aside) at clock time
// origin_ms + f / 44.1. Each render measures the origin anew from the clock
// and the frames rendered, and the estimate follows slowly, so that the
// jitter of the audio device's calls does not reach the music.
void FluidSynthPort::Impl::Anchor(int frame_count) {
  const uint32_t raw_ms = clock->NowMs();
  if (!anchored) {
    now_ms = raw_ms;
  } else {
    now_ms += static_cast<int32_t>(raw_ms - last_raw_ms);
  }
  last_raw_ms = raw_ms;
  const double measured_ms = now_ms - static_cast<double>(frames) / kFramesPerMs;
  if (!anchored || std::abs(measured_ms - origin_ms) > kReanchorMs) {
    origin_ms = measured_ms;
    anchored = true;
  } else {
    origin_ms += (measured_ms - origin_ms) * kAnchorSmoothing;
  }
  if (frame_count > max_block_frames) {
    max_block_frames = frame_count;
    latency_frames.store(std::max(kMinLatencyFrames, 2 * max_block_frames));
  }
}

int64_t FluidSynthPort::Impl::WantedFrame(uint32_t due_ms) const {
  const double due = now_ms + static_cast<int32_t>(due_ms - last_raw_ms);
  return std::llround((due - origin_ms) * kFramesPerMs) + latency_frames.load();
}

void FluidSynthPort::Impl::Render(int16_t* out, int from, int to) {
  const int chunk_frames = static_cast<int>(left.size());
  while (from < to) {
    const int n = std::min(to - from, chunk_frames);
    fluid_synth_write_float(synth, n, left.data(), 0, 1, right.data(), 0, 1);
    int16_t* frame = out + 2 * from;
    for (int i = 0; i < n; ++i, frame += 2) {
      frame[0] = Saturate(frame[0] + static_cast<int32_t>(std::lrint(left[i] * 32767.0f)));
      frame[1] = Saturate(frame[1] + static_cast<int32_t>(std::lrint(right[i] * 32767.0f)));
    }
    from += n;
  }
}

void FluidSynthPort::Impl::ApplyShort(uint32_t message) {
  const int status = static_cast<int>(message & 0xFF);
  const int channel = status & 0x0F;
  const int data1 = static_cast<int>((message >> 8) & 0xFF);
  const int data2 = static_cast<int>((message >> 16) & 0xFF);
  // FluidSynth refuses data bytes above 7F itself.
  switch (status >> 4) {
    case 0x8:
      fluid_synth_noteoff(synth, channel, data1);
      break;
    case 0x9:
      fluid_synth_noteon(synth, channel, data1, data2);
      break;
    case 0xA:
      fluid_synth_key_pressure(synth, channel, data1, data2);
      break;
    case 0xB:
      fluid_synth_cc(synth, channel, data1, data2);
      break;
    case 0xC:
      fluid_synth_program_change(synth, channel, data1);
      break;
    case 0xD:
      fluid_synth_channel_pressure(synth, channel, data1);
      break;
    case 0xE:
      fluid_synth_pitch_bend(synth, channel, (data1 & 0x7F) | ((data2 & 0x7F) << 7));
      break;
    default:
      break;  // system messages have no meaning for the synth
  }
}

// FluidSynth takes the bytes between F0 and F7. The universal master volume
// it does not know, so it sets the synth's gain here.
void FluidSynthPort::Impl::ApplySysEx(std::span<const uint8_t> bytes) {
  if (bytes.size() < 2 || bytes[0] != 0xF0) return;  // an F7 continuation packet
  std::span<const uint8_t> body = bytes.subspan(1);
  if (body.back() == 0xF7) body = body.first(body.size() - 1);
  if (body.size() == 6 && body[0] == 0x7F && body[2] == 0x04 && body[3] == 0x01) {
    const int volume = (body[4] & 0x7F) | ((body[5] & 0x7F) << 7);
    fluid_synth_set_gain(synth, static_cast<float>(kBaseGain * volume / 16383.0));
    return;
  }
  if (body.empty()) return;
  fluid_synth_sysex(synth, reinterpret_cast<const char*>(body.data()),
                    static_cast<int>(body.size()), nullptr, nullptr, nullptr, 0);
}

void FluidSynthPort::Impl::Apply(const SynthMessage& message) {
  switch (message.kind) {
    case SynthMessage::Kind::kShort:
      ApplyShort(message.short_message);
      break;
    case SynthMessage::Kind::kSysEx:
      ApplySysEx(queue.BytesOf(message));
      break;
    case SynthMessage::Kind::kReset:
      for (int channel = 0; channel < 16; ++channel) {
        fluid_synth_all_sounds_off(synth, channel);
        fluid_synth_cc(synth, channel, 121, 0);  // reset all controllers
      }
      break;
  }
}

void FluidSynthPort::Impl::Trace(const SynthMessage& message, int64_t wanted, int64_t frame) {
  const size_t n = trace_count.load(std::memory_order_relaxed);
  if (n >= trace.size()) return;
  const double placed_ms =
      origin_ms + (frame - latency_frames.load()) / kFramesPerMs - (now_ms - last_raw_ms);
  trace[n] = {message.due_ms, wanted, frame, placed_ms};
  trace_count.store(n + 1, std::memory_order_release);
}

FluidSynthPort::FluidSynthPort(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
FluidSynthPort::~FluidSynthPort() = default;

std::unique_ptr<FluidSynthPort> FluidSynthPort::Create(const std::string& soundfont_path,
                                                       std::string* error, Clock* clock) {
  const auto fail = [&](std::string text) {
    if (error != nullptr) *error = std::move(text);
    return nullptr;
  };
  if (soundfont_path.empty())
    return fail(
        "no General MIDI SoundFont found (install fluid-soundfont-gm or "
        "timgm6mb-soundfont); MIDI music stays silent");
  if (!Readable(soundfont_path)) return fail("cannot read the SoundFont " + soundfont_path);
  QuietFluidSynthLog();
  TakeLogError();
  // Checked first: the loaders of other formats complain on stderr about
  // files that are none.
  if (!fluid_is_soundfont(soundfont_path.c_str()))
    return fail("not a SoundFont: " + soundfont_path);
  auto impl = std::make_unique<Impl>();
  impl->settings = new_fluid_settings();
  if (impl->settings == nullptr) return fail("FluidSynth: cannot create its settings");
  fluid_settings_setnum(impl->settings, "synth.sample-rate", kAudioRateHz);
  fluid_settings_setnum(impl->settings, "synth.gain", kBaseGain);
  // Every call comes from the audio thread once the synth is made.
  fluid_settings_setint(impl->settings, "synth.threadsafe-api", 0);
  impl->synth = new_fluid_synth(impl->settings);
  if (impl->synth == nullptr) return fail("FluidSynth: cannot create the synth: " + TakeLogError());
  if (fluid_synth_sfload(impl->synth, soundfont_path.c_str(), 1) == FLUID_FAILED)
    return fail("FluidSynth cannot load the SoundFont " + soundfont_path + ": " + TakeLogError());
  if (clock == nullptr) {
    impl->own_clock = std::make_unique<SystemTickClock>();
    clock = impl->own_clock.get();
  }
  impl->clock = clock;
  impl->left.resize(kMaxAudioBlockFrames);
  impl->right.resize(kMaxAudioBlockFrames);
  return std::unique_ptr<FluidSynthPort>(new FluidSynthPort(std::move(impl)));
}

std::unique_ptr<MidiSynth> OpenSoundFontSynth(const std::string& soundfont_path, std::string* error,
                                              Clock* clock) {
  return FluidSynthPort::Create(soundfont_path, error, clock);
}

std::string FluidSynthPort::Name() const {
  return kSynthName;
}

void FluidSynthPort::ShortMessage(uint32_t message, uint32_t due_ms) {
  if (!impl_->queue.PushShort(message, due_ms)) impl_->dropped.fetch_add(1);
}

void FluidSynthPort::LongMessage(std::span<const uint8_t> bytes, uint32_t due_ms) {
  if (!impl_->queue.PushSysEx(bytes, due_ms)) impl_->dropped.fetch_add(1);
}

void FluidSynthPort::Reset() {
  if (!impl_->queue.PushReset(impl_->clock->NowMs())) impl_->dropped.fetch_add(1);
}

int FluidSynthPort::LatencyFrames() const {
  return impl_->latency_frames.load();
}

uint64_t FluidSynthPort::dropped_messages() const {
  return impl_->dropped.load();
}

int64_t FluidSynthPort::frames_rendered() const {
  return impl_->frames_done.load();
}

void FluidSynthPort::TracePlacements(size_t capacity) {
  impl_->trace.assign(capacity, {});
  impl_->trace_count.store(0);
}

std::vector<SynthPlacement> FluidSynthPort::TakePlacements() {
  const size_t n = impl_->trace_count.load(std::memory_order_acquire);
  std::vector<SynthPlacement> out(impl_->trace.begin(),
                                  impl_->trace.begin() + static_cast<ptrdiff_t>(n));
  impl_->trace_count.store(0);
  return out;
}

// Each waiting message, in the order it was sent, goes to the 64-frame edge
// nearest its frame (never before the one sent ahead of it); the audio is
// rendered up to that edge, the message applied, and so on. Messages whose
// frame lies past this block wait for the next.
void FluidSynthPort::RenderAdd(int16_t* interleaved, int frame_count) {
  Impl& s = *impl_;
  if (frame_count <= 0) return;
  s.Anchor(frame_count);
  const int64_t block_start = s.frames;
  const SynthMessageQueue::Range pending = s.queue.Pending();
  uint64_t consumed = pending.first;
  int done = 0;
  for (uint64_t n = pending.first; n < pending.end; ++n) {
    const SynthMessage& message = s.queue.At(n);
    const int64_t wanted = std::max(s.WantedFrame(message.due_ms), s.last_wanted_frame);
    const int64_t edge = (wanted + kSynthBlockFrames / 2) / kSynthBlockFrames * kSynthBlockFrames;
    if (edge >= block_start + frame_count) break;
    const int at = static_cast<int>(std::max<int64_t>(edge - block_start, 0));
    if (at > done) {
      s.Render(interleaved, done, at);
      done = at;
    }
    s.Apply(message);
    const int64_t effective =
        (block_start + done + kSynthBlockFrames - 1) / kSynthBlockFrames * kSynthBlockFrames;
    s.Trace(message, wanted, effective);
    s.last_wanted_frame = wanted;
    consumed = n + 1;
  }
  s.Render(interleaved, done, frame_count);
  s.queue.Consume(consumed);
  s.frames += frame_count;
  s.frames_done.store(s.frames);
}

}  // namespace vesk::platform
