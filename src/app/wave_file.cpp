#include "app/wave_file.h"

#include "platform/files.h"

namespace vesk::app {
namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
void PutTag(std::vector<uint8_t>& out, const char* tag) {
  out.insert(out.end(), tag, tag + 4);
}

}  // namespace

std::vector<uint8_t> EncodeWaveFile(std::span<const int16_t> samples) {
  constexpr uint32_t kRate = 44100, kChannels = 2, kBits = 16;
  const uint32_t data_bytes = uint32_t(samples.size() * 2);
  std::vector<uint8_t> out;
  out.reserve(44 + data_bytes);
  PutTag(out, "RIFF");
  Put32(out, 36 + data_bytes);
  PutTag(out, "WAVE");
  PutTag(out, "fmt ");
  Put32(out, 16);
  Put16(out, 1);  // integer PCM
  Put16(out, kChannels);
  Put32(out, kRate);
  Put32(out, kRate * kChannels * kBits / 8);
  Put16(out, kChannels * kBits / 8);
  Put16(out, kBits);
  PutTag(out, "data");
  Put32(out, data_bytes);
  for (int16_t s : samples) Put16(out, uint16_t(s));
  return out;
}

bool SaveWaveFile(const std::string& path, std::span<const int16_t> samples, std::string* error) {
  // RIFF sizes are 32-bit: about six hours of sound.
  if (samples.size() * 2 > 0xFFFFFF00u) {
    *error = path + ": the recording is too long for a wave file";
    return false;
  }
  const std::vector<uint8_t> bytes = EncodeWaveFile(samples);
  std::string why;
  if (platform::WriteFileAtomic(path, bytes.data(), bytes.size(), &why)) return true;
  *error = path + ": " + why;
  return false;
}

}  // namespace vesk::app
