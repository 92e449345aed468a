// A saved game's scene from the fuzzer: the root's stored form with the
// fields of every component kind, read at the version the first byte picks.
// What was read must save and read back; then one frame of input, update
// and drawing runs over it.
#include <cstdint>
#include <cstdlib>
#include <stdexcept>

#include "graphics/dibsfc.h"
#include "stored_forms.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vesk;
  if (size == 0) return 0;
  fuzz::SceneRig rig;
  scene::TVeskBaseList root(rig.Env());
  ByteReader in(data + 1, size - 1);
  try {
    root.LoadFromStream(in, fuzz::SaveVersion(data[0]));
  } catch (const std::runtime_error&) {
    return 0;
  }
  ByteWriter saved;
  root.SaveToStream(saved);
  scene::TVeskBaseList again(rig.Env());
  ByteReader back(saved.bytes().data(), saved.bytes().size());
  try {
    again.LoadFromStream(back, fuzz::kNewestSave);
  } catch (const std::runtime_error&) {
    std::abort();  // a scene we saved must load
  }
  graphics::TDIBX screen(64, 48, 32);
  root.RecordMouseMove(2, 2);
  root.InputStep(16);
  root.UpdatePass(16);
  root.DrawPass(&screen);
  return 0;
}
