#include <cstdint>
#include <vector>

#include "storage/install_set.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vesk::storage;
  try {
    const TInstallSet set = ReadInstallSet(std::vector<uint8_t>(data, data + size));
    // Whatever reads must write back to a file that reads the same.
    const TInstallSet again = ReadInstallSet(WriteInstallSet(set, set.version));
    if (again.version != set.version || again.disk_index != set.disk_index ||
        again.title != set.title || again.complete_install != set.complete_install ||
        again.extra_files != set.extra_files)
      __builtin_trap();
  } catch (const EInstallSet&) {
  }
  return 0;
}
