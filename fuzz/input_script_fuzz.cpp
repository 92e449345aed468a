#include <cstdint>
#include <string>

#include "app/input_script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<vesk::app::ScriptedEvent> events;
  std::string error;
  vesk::app::ParseInputScript(std::string(reinterpret_cast<const char*>(data), size), &events,
                              &error);
  return 0;
}
