// Saving and loading a game of 200 scene objects, 1,000 history pages and
// 5,000 variables: the sections built in memory, the file written (archive
// encoding, flush and rename), a whole save and a whole load, against a
// memcpy and raw zlib over the same bytes in the same run.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/save_sections.h"
#include "components/box.h"
#include "components/component_services.h"
#include "components/kinds.h"
#include "components/message_history.h"
#include "components/orlo_collection.h"
#include "core/runtime_context.h"
#include "expr/param_collection.h"
#include "expr/sysfuncs.h"
#include "lang/vocabulary.h"
#include "platform/files.h"
#include "platform/headless/headless_platform.h"
#include "scene/baselist.h"
#include "script/callman.h"
#include "script/commands.h"
#include "script/save_data.h"
#include "script/table_port.h"
#include "storage/vrfiles.h"

namespace {

using namespace vesk;

struct NoTables final : script::TablePort {
  void ResetTables() override {}
  void SaveTables(ByteWriter& out, int32_t status) override {
    out.I32(100);
    out.I32(0);
    if (status == 0) out.Str({});
  }
  void LoadTables(ByteReader& in, int32_t status) override {
    in.I32("format");
    in.I32("count");
    if (status == 0) in.Str("active");
  }
};

// The game: its owners, a page that waits, and a folder for save.dat.
struct Game {
  Game() : pictures(components::PictureServices{}) {
    services.pictures = &pictures;
    services.variables = &vars;
    components::RegisterComponentKinds(*kinds, services);
    scene::SceneEnvironment env;
    env.kinds = kinds;
    root = std::make_unique<scene::TVeskBaseList>(env);
    root->SetSceneSize(800, 600);
    scene_section = std::make_unique<app::SceneSection>(*root);
    for (int i = 0; i < 200; ++i) {
      auto* box = static_cast<components::TVeskBox*>(root->CreateByKind(lang::LT_BOX));
      box->SetName("object" + std::to_string(i));
      box->SetParent(root->ShownBase());
      box->SetBounds((i * 37) % 700, (i * 53) % 500, 120, 90);
      box->SetInt(lang::PR_COLOR, i * 0x010203);
    }
    history.RegisterFormat({24, 1, 1, 760, 560, 4});
    for (int i = 0; i < 1000; ++i) {
      auto entry = std::make_unique<components::TVeskHistData>();
      for (int k = 0; k < 3; ++k)
        entry->Add("scene" + std::to_string(i / 100) + ".lsb", i * 3 + k,
                   k == 0 ? "name=Haruka" : "", 120, 40 + k * 40, k * 40);
      history.Entries.push_back(std::move(entry));
    }
    for (int i = 0; i < 5000; ++i) {
      const int type = i % 4 == 3 ? lang::PT_STR : lang::PT_INT;
      auto* v = vars.Declare("var" + std::to_string(i), type, expr::VarScope::kGlobal, 0);
      if (type == lang::PT_STR)
        v->Value->SetStr("テキスト" + std::to_string(i));
      else
        v->Value->SetInt(i * 7);
    }
    MountPage();
    script::CallEnvironment call_env;
    call_env.ctx = &ctx;
    call_env.files = &files;
    call_env.variables = &vars;
    call_env.functions = &functions;
    call_env.dialogs = &platform.dialogs();
    call_env.events = &events;
    calls = std::make_unique<script::TCallMan>(call_env);
    calls->Start("start.lsb");
    calls->Step();

    folder = platform::MakePrivateTempDirectory("vesk-save-bench");
    script::SaveDataEnvironment env2;
    env2.ctx = &ctx;
    env2.variables = &vars;
    env2.dialogs = &platform.dialogs();
    env2.sections = {scene_section.get(), &history_section, &marks_section, &dither_section,
                     &tables};
    const std::string path = platform::JoinPath(folder, "save.dat");
    env2.location = {path, path};
    saves = std::make_unique<script::TSaveData>(env2);
  }
  ~Game() {
    platform::RemoveFile(platform::JoinPath(folder, "save.dat"));
    platform::RemoveEmptyDirectory(folder);
  }
  void MountPage() {
    script::TPage page;
    page.Name = "start.lsb";
    page.Version = 109;
    page.Commands.push_back(std::make_unique<script::TComWait>(&page));
    ByteWriter w;
    page.SaveToStream(w);
    storage::TVrFileCollection archive;
    archive.AddEntry("start.lsb")
        ->Source->Write(w.bytes().data(), static_cast<int64_t>(w.bytes().size()));
    storage::TMemoryStream packed;
    archive.SaveTo(packed);
    files.AddMemoryArchive(std::make_shared<std::vector<uint8_t>>(packed.bytes()), "pages");
  }

  RuntimeContext ctx;
  platform::HeadlessPlatform platform;
  storage::TVrFileManager files;
  expr::TParamCollection vars;
  expr::TSysFuncMan functions{vars};
  script::TTimerList events;
  components::TOrloCollection pictures;
  components::ComponentServices services;
  std::shared_ptr<scene::KindRegistry> kinds = std::make_shared<scene::KindRegistry>();
  std::unique_ptr<scene::TVeskBaseList> root;
  components::TVeskNewHistory history{nullptr, nullptr, nullptr};
  components::TVeskReadList marks;
  std::unique_ptr<app::SceneSection> scene_section;
  app::HistorySection history_section{history};
  app::ReadMarksSection marks_section{marks};
  app::DitherSection dither_section{pictures};
  NoTables tables;
  std::unique_ptr<script::TCallMan> calls;
  std::string folder;
  std::unique_ptr<script::TSaveData> saves;
};

Game& TheGame() {
  static Game game;
  return game;
}

std::vector<uint8_t> Entry() {
  return TheGame().saves->BuildGameEntry(*TheGame().calls, "", 0, "bench");
}

void BM_SaveBuildSections(benchmark::State& state) {
  Game& g = TheGame();
  size_t bytes = 0;
  for (auto _ : state) {
    std::vector<uint8_t> entry = g.saves->BuildGameEntry(*g.calls, "", 0, "bench");
    std::vector<uint8_t> status;
    g.saves->BuildStatusEntry(&status);
    bytes = entry.size() + status.size();
    benchmark::DoNotOptimize(entry.data());
  }
  state.counters["entry_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_SaveBuildSections)->Unit(benchmark::kMillisecond);

void BM_SaveWriteFile(benchmark::State& state) {
  Game& g = TheGame();
  script::TSaveFile file;
  file.Put("GAMESAVEDATA1", Entry());
  std::vector<uint8_t> status;
  g.saves->BuildStatusEntry(&status);
  file.Put("STATUSSAVEDATA", status);
  const std::string path = platform::JoinPath(g.folder, "save.dat");
  for (auto _ : state) benchmark::DoNotOptimize(script::WriteSaveFile(file, path, false, {}));
}
BENCHMARK(BM_SaveWriteFile)->Unit(benchmark::kMillisecond);

void BM_SaveGame(benchmark::State& state) {
  Game& g = TheGame();
  for (auto _ : state) g.saves->SaveGame(*g.calls, 1, "", 0, "bench", true);
}
BENCHMARK(BM_SaveGame)->Unit(benchmark::kMillisecond);

void BM_LoadGame(benchmark::State& state) {
  Game& g = TheGame();
  g.saves->SaveGame(*g.calls, 1, "", 0, "bench", true);
  for (auto _ : state) {
    g.saves->LoadGame(*g.calls, 1);
    if (g.ctx.terminated) state.SkipWithError("the load failed");
  }
}
BENCHMARK(BM_LoadGame)->Unit(benchmark::kMillisecond);

// References over the same bytes.
void BM_MemcpyEntry(benchmark::State& state) {
  const std::vector<uint8_t> entry = Entry();
  std::vector<uint8_t> copy(entry.size());
  for (auto _ : state) {
    std::memcpy(copy.data(), entry.data(), entry.size());
    benchmark::DoNotOptimize(copy.data());
  }
}
BENCHMARK(BM_MemcpyEntry)->Unit(benchmark::kMicrosecond);

void BM_ZlibEntry(benchmark::State& state) {
  const std::vector<uint8_t> entry = Entry();
  std::vector<uint8_t> out(compressBound(static_cast<uLong>(entry.size())));
  for (auto _ : state) {
    uLongf size = static_cast<uLongf>(out.size());
    compress2(out.data(), &size, entry.data(), static_cast<uLong>(entry.size()), Z_BEST_SPEED);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_ZlibEntry)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
