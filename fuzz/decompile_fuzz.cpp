// Any bytes given to the decompiler: a clear error or text that compiles
// back to the same page, never a crash.
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "vesk-tool/script/page_compiler.h"
#include "vesk-tool/script/page_decompiler.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text;
  try {
    text = vesk::tool::script::DecompilePage(std::vector<uint8_t>(data, data + size), "fuzz.lsb");
  } catch (const std::runtime_error&) {
    return 0;
  }
  // The decompiler checked its text already; a second look costs little.
  (void)vesk::tool::script::CompilePage(text, "fuzz.lsb", {});
  return 0;
}
