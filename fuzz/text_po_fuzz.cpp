// Translators' catalogues from the fuzzer: the reader either refuses the
// text with a line inside it, or gives a catalogue whose written form reads
// back to the same entries.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "vesk-tool/text_po.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vesk::tool::po;
  const std::string text(reinterpret_cast<const char*>(data), size);
  Catalog catalog;
  try {
    catalog = ReadCatalog(text);
  } catch (const PoError& e) {
    if (e.line() < 1) std::abort();
    return 0;
  }
  // The header is written back with our own charset line only when it
  // named none or UTF-8, which the reader checked.
  const Catalog back = ReadCatalog(WriteCatalog(catalog));
  if (back.entries.size() != catalog.entries.size() || back.header != catalog.header) std::abort();
  for (size_t i = 0; i < back.entries.size(); ++i) {
    const Entry& a = catalog.entries[i];
    const Entry& b = back.entries[i];
    if (a.context != b.context || a.id != b.id || a.str != b.str || a.fuzzy() != b.fuzzy())
      std::abort();
  }
  return 0;
}
