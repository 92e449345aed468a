// Any source text given to the compiler: a compile error or a page, never a
// crash; a readable page it makes must decompile (which checks that the
// text compiles back to the same bytes).
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "vesk-tool/script/page_compiler.h"
#include "vesk-tool/script/page_decompiler.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vesk::tool::script;
  CompiledPage page;
  try {
    page = CompilePage(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.lsb", {});
  } catch (const CompileError&) {
    return 0;
  }
  if (page.page->Version < 103 || page.page->Version > 109) return 0;
  (void)DecompilePage(PageBytes(*page.page),
                      "fuzz.lsb");  // throws (and fails the run) when it cannot
  return 0;
}
