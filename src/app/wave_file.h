#pragma once
// A wave file of 44100 Hz 16-bit stereo samples, for --record-audio.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vesk::app {

// The whole file: the RIFF header and the samples, little-endian.
std::vector<uint8_t> EncodeWaveFile(std::span<const int16_t> interleaved_stereo);

// Writes it atomically; false with *error naming the file.
bool SaveWaveFile(const std::string& path, std::span<const int16_t> interleaved_stereo,
                  std::string* error);

}  // namespace vesk::app
