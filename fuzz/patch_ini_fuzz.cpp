// A translation patch's vesk-patch.ini from the fuzzer: read, and when it
// is taken, the title check run on what it named.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/patch_mount.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vesk;
  const std::string text(reinterpret_cast<const char*>(data), size);
  app::PatchSettings settings;
  std::string error;
  if (!app::ParsePatchIni(text, &settings, &error)) {
    if (error.empty()) std::abort();  // a refusal always says why
    return 0;
  }
  (void)app::PatchGameMismatch(settings, settings.game_utf8);
  (void)app::PatchGameMismatch(settings, text);
  return 0;
}
