#include <cstdint>
#include <string>

#include "app/game_ini.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  vesk::app::IniRead(text, "Sound", "DelayTime", "500");
  vesk::app::IniWrite(text, "Sound", "DirectSound", "1");
  return 0;
}
