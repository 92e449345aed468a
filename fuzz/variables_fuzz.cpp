// The variable table's sections from the fuzzer: the game data section, or
// with the first byte's high bit the status section, read at the version
// the first byte picks. Every variable read is then read out as text (a
// reference follows its target), and the section must save and read back.
#include <cstdint>
#include <cstdlib>
#include <stdexcept>

#include "expr/param_collection.h"
#include "stored_forms.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vesk;
  if (size == 0) return 0;
  const bool status = (data[0] & 0x80) != 0;
  const int32_t version = fuzz::SaveVersion(data[0]);
  expr::TParamCollection vars;
  ByteReader in(data + 1, size - 1);
  try {
    if (status)
      vars.LoadStatus(in, version);
    else
      vars.LoadFromStream(in, version);
  } catch (const std::runtime_error&) {
    return 0;
  }
  for (int i = expr::kSystemVariableCount; i < vars.Count(); ++i) {
    try {
      (void)vars.Item(i)->Value->GetStr();
    } catch (const std::runtime_error&) {
    }
  }
  ByteWriter saved;
  if (status)
    vars.SaveStatus(saved);
  else
    vars.SaveToStream(saved);
  expr::TParamCollection again;
  ByteReader back(saved.bytes().data(), saved.bytes().size());
  try {
    if (status)
      again.LoadStatus(back, fuzz::kNewestSave);
    else
      again.LoadFromStream(back, fuzz::kNewestSave);
  } catch (const std::runtime_error&) {
    std::abort();  // a table we saved must load
  }
  return 0;
}
