// A saved game's call manager from the fuzzer: the current position, the
// call stack with its frames and results, and the running command's state,
// over two fixed pages. What was read must save and read back; then a few
// frames run from there.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <stdexcept>

#include "call_pages.h"
#include "core/runtime_context.h"
#include "expr/param_collection.h"
#include "expr/sysfuncs.h"
#include "platform/headless/headless_platform.h"
#include "script/callman.h"
#include "stored_forms.h"

namespace {

struct CallRig {
  vesk::RuntimeContext ctx;
  vesk::expr::TParamCollection vars;
  vesk::expr::TSysFuncMan functions{vars};
  vesk::script::TTimerList events;

  std::unique_ptr<vesk::script::TCallMan> Make(vesk::storage::TVrFileManager& files,
                                               vesk::platform::Dialogs& dialogs) {
    vesk::script::CallEnvironment env;
    env.ctx = &ctx;
    env.files = &files;
    env.variables = &vars;
    env.functions = &functions;
    env.dialogs = &dialogs;
    env.events = &events;
    return std::make_unique<vesk::script::TCallMan>(env);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vesk;
  if (size == 0) return 0;
  // The pages never change: one file manager for every input.
  static platform::HeadlessPlatform platform;
  static storage::TVrFileManager* files = [] {
    auto* f = new storage::TVrFileManager;
    fuzz::MountPages(*f, fuzz::CallPages());
    return f;
  }();
  CallRig rig;
  auto man = rig.Make(*files, platform.dialogs());
  ByteReader in(data + 1, size - 1);
  try {
    man->LoadFromStream(in, fuzz::SaveVersion(data[0]));
  } catch (const std::runtime_error&) {
    return 0;
  }
  ByteWriter saved;
  man->SaveToStream(saved);
  CallRig rig2;
  auto again = rig2.Make(*files, platform.dialogs());
  ByteReader back(saved.bytes().data(), saved.bytes().size());
  try {
    again->LoadFromStream(back, fuzz::kNewestSave);
  } catch (const std::runtime_error&) {
    std::abort();  // a call stack we saved must load
  }
  for (int frame = 0; frame < 3 && !rig.ctx.terminated; ++frame) {
    rig.ctx.frame_delta_ms = 16;
    rig.ctx.game_clock_ms += 16;
    try {
      man->Step();
    } catch (const std::runtime_error&) {
      break;
    }
  }
  return 0;
}
