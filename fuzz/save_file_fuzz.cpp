// A save.dat from the fuzzer: the archive, the captions, the status entry
// and every saved game in it, each loaded into a runtime with all its
// owners (the scene with every component kind, the history, the read
// marks, the call manager over fixed pages, the variables). A save written
// afterwards must read back whole.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>

#include "app/save_sections.h"
#include "call_pages.h"
#include "components/message_history.h"
#include "core/runtime_context.h"
#include "expr/sysfuncs.h"
#include "platform/files.h"
#include "platform/headless/headless_platform.h"
#include "script/callman.h"
#include "script/save_data.h"
#include "script/table_port.h"
#include "stored_forms.h"

namespace {

using namespace vesk;

// No tables here (the table engine has its own entries): an empty section.
struct EmptyTables final : script::TablePort {
  void ResetTables() override {}
  void SaveTables(ByteWriter& out, int32_t status) override {
    out.I32(100);
    out.I32(0);
    if (status == 0) out.Str({});
  }
  void LoadTables(ByteReader& in, int32_t status) override {
    in.I32("table format");
    if (in.I32("table count") != 0) throw ETruncated("tables");
    if (status == 0) in.Str("active table");
  }
};

const std::string& SavePath() {
  static const std::string path =
      platform::JoinPath(platform::MakePrivateTempDirectory("vesk-fuzz-save"), "save.dat");
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static platform::HeadlessPlatform platform;
  static storage::TVrFileManager* files = [] {
    auto* f = new storage::TVrFileManager;
    fuzz::MountPages(*f, fuzz::CallPages());
    return f;
  }();
  if (!platform::WriteFileAtomic(SavePath(), data, size)) std::abort();

  RuntimeContext ctx;
  fuzz::SceneRig rig;
  scene::TVeskBaseList root(rig.Env());
  components::TVeskNewHistory history(nullptr, nullptr, nullptr);
  components::TVeskReadList marks;
  app::SceneSection scene_section(root);
  app::HistorySection history_section(history);
  app::ReadMarksSection marks_section(marks);
  app::DitherSection dither_section(rig.pictures);
  EmptyTables tables;
  expr::TSysFuncMan functions{rig.variables};
  script::TTimerList events;

  script::CallEnvironment call_env;
  call_env.ctx = &ctx;
  call_env.files = files;
  call_env.variables = &rig.variables;
  call_env.functions = &functions;
  call_env.dialogs = &platform.dialogs();
  call_env.events = &events;
  script::TCallMan calls(call_env);

  script::SaveDataEnvironment env;
  env.ctx = &ctx;
  env.variables = &rig.variables;
  env.dialogs = &platform.dialogs();
  env.sections = {&scene_section, &history_section, &marks_section, &dither_section, &tables};
  env.location = {SavePath(), SavePath()};
  script::TSaveData saves(env);
  try {
    saves.ReadSaveCaptions();
    saves.LoadStatusData();
    for (const auto& [caption, slot] : saves.captions()) {
      ctx.terminated = false;
      saves.LoadGame(calls, slot);
    }
  } catch (const std::runtime_error&) {
    std::abort();  // every failure of a load is the save data's to handle
  }
  ctx.terminated = false;
  // The broken-N copies that a damaged input leaves would pile up.
  saves.SaveGame(calls, 1, "", 0, "fuzz", true);
  const script::TSaveFile back = script::TSaveFile::Read(SavePath());
  if (back.damaged() || !back.Find("GAMESAVEDATA1") || !back.Find("STATUSSAVEDATA")) std::abort();
  for (int n = 1; n < 4; ++n) platform::RemoveFile(SavePath() + ".broken-" + std::to_string(n));
  return 0;
}
