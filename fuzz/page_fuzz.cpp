#include <cstdint>
#include <span>

#include "core/byte_reader.h"
#include "core/vesk_error.h"
#include "script/pages.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vesk::script::TPage page;
  try {
    page.Load("fuzz", std::span<const uint8_t>(data, size));
    vesk::ByteWriter out;
    page.SaveToStream(out);
    page.IndexOfLabel("label");
  } catch (const vesk::ETruncated&) {
  } catch (const vesk::EVeskError&) {
  }
  return 0;
}
