#include <cstdint>
#include <span>

#include "storage/pe_resources.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    const vesk::storage::PeResourceReader reader(std::span(data, size));
    reader.List();
    reader.Find("DUMMY", "BINTYPE");
    reader.Find("#1", "#10");
  } catch (const vesk::storage::EPeFormat&) {
  }
  return 0;
}
