// The settings store's file from the fuzzer: read as the store finds it on
// disk, a few values looked up, then one value written. Whatever the file
// held, the value written must come back the same from a fresh store.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/settings_store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using vesk::platform::SettingsStore;
  static const std::string path = (std::filesystem::temp_directory_path() /
                                   ("vesk-settings-fuzz-" + std::to_string(getpid()) + ".ini"))
                                      .string();
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  const std::string key = "Software\\Vesk";
  // The value written is the input itself, so every byte value is tried.
  const std::string value(reinterpret_cast<const char*>(data), size);
  {
    SettingsStore store(path);
    (void)store.Read(key, "CDDrive");
    (void)store.Read("", "");
    store.Write(key, "Fuzz", value);
  }
  SettingsStore fresh(path);
  if (fresh.Read(key, "Fuzz") != value) std::abort();
  unlink(path.c_str());
  return 0;
}
