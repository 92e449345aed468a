// A player's per-game settings.ini from the fuzzer: read, written back and
// read again, which must give the same settings; the controller's mapping
// lines, and the input itself as mapping lines, go through their parser.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/controller_input.h"
#include "platform/player_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vesk;
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> warnings;
  const platform::PlayerSettings first = platform::ParsePlayerSettings(text, &warnings);
  const platform::PlayerSettings again =
      platform::ParsePlayerSettings(platform::FormatPlayerSettings(first), nullptr);
  if (!(again == first)) std::abort();
  for (const std::string& lines : {first.controller, text}) {
    app::ControllerMapping mapping = app::ControllerMapping::Defaults();
    std::string error;
    (void)app::ParseControllerMapping(lines, &mapping, &error);
  }
  return 0;
}
