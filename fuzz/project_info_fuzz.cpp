#include <cstdint>
#include <vector>

#include "script/project_info.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vesk::script::ReadProjectInfo(std::vector<uint8_t>(data, data + size));
  return 0;
}
