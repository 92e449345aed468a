// The project file: the leading fields the shell reads first, then the whole
// file as the tools read it (status definitions and the disk map).
#include <cstdint>
#include <vector>

#include "core/byte_reader.h"
#include "script/project_info.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> bytes(data, data + size);
  vesk::script::ReadProjectInfo(bytes);
  try {
    const vesk::script::ProjectFile p = vesk::script::ReadProjectFile(bytes);
    (void)vesk::script::WriteProjectFile(p);
  } catch (const vesk::ETruncated&) {
  }
  return 0;
}
