#pragma once
// The real audio output through SDL: 44100 Hz, 16-bit stereo, pulled from
// SDL's audio thread in blocks of a power-of-two number of frames.
#include <memory>

#include "platform/audio_device.h"

namespace vesk::platform {

// Starts SDL's audio subsystem (only now: a run that never opens a device
// never touches it) and opens the default output, playing at once. When
// that fails, one line on standard error says why and a silent device is
// returned. A live device must be freed before SDL itself is shut down.
std::unique_ptr<AudioDevice> OpenSdlAudioDevice(int block_frames);

}  // namespace vesk::platform
