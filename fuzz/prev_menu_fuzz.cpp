// Preview-menu files from the fuzzer: a file that reads must write back to
// bytes that read as the same menu; a damaged one only raises its error.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "components/prev_menu_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vesk::components;
  try {
    const PrevMenuFile menu = ReadPrevMenuFile(std::span<const uint8_t>(data, size));
    if (!menu.Recognised) return 0;
    const PrevMenuFile back = ReadPrevMenuFile(WritePrevMenuFile(menu));
    if (back.Items != menu.Items || back.Width != menu.Width || back.Version != menu.Version)
      std::abort();
  } catch (const EPrevMenuFile&) {
  }
  return 0;
}
