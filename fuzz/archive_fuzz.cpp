// Archive bytes from the fuzzer: the index reader, then every entry read,
// range-read and verified.
#include <cstdint>
#include <memory>
#include <vector>

#include "storage/vrfiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vesk::storage;
  auto bytes = std::make_shared<const std::vector<uint8_t>>(data, data + size);
  TVrFileCollection c;
  try {
    c.OpenMemory(bytes, "fuzz");
  } catch (const std::exception&) {
    return 0;
  }
  for (int i = 0; i < c.Count(); ++i) {
    const TVrFile& e = *c.Entry(i);
    try {
      c.ReadEntryData(e);
    } catch (const std::exception&) {
    }
    std::string error;
    c.VerifyEntry(e, &error);
    auto range = c.OpenEntryRange(e);
    uint8_t buf[64];
    range->Read(buf, sizeof buf);
  }
  return 0;
}
