// The translators' workflow on a large game: 2,000 pages of 50 messages
// each (100,000 messages and 2,000 captions), exported to a .po catalogue
// and a translation of every entry imported as a patch, against raw zlib
// and a memcpy over the game's page bytes in the same run.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/files.h"
#include "vesk-tool/script/page_compiler.h"
#include "vesk-tool/text_command.h"
#include "vesk-tool/text_po.h"

namespace {

using namespace vesk;
namespace fs = std::filesystem;

constexpr int kPages = 2000;
constexpr int kMessagesPerPage = 50;

std::string PageSource(int page) {
  std::string s = "MesNew Name: \"mes\" Left: 0 Top: 0 Width: 640 Height: 120\n";
  s += "Caption Name: \"cap\" Text: \"第" + std::to_string(page) + "章\"\n";
  for (int m = 0; m < kMessagesPerPage; ++m) {
    s += "TextIns window: \"mes\"\n";
    s += "  | <FONT COLOR=#FFB0C8><B>ハルカ</B></FONT><BR>\n";
    s += "  | 「今夜は<RUBY VALUE=\"ほし\">星</RUBY>がきれい。" + std::to_string(page * 100 + m) +
         "番目のお話」<BR>\n";
    s += "  | <FONT COLOR=#FFE080>流れ星</FONT>を見に行こうよ。\n";
  }
  return s;
}

struct Game {
  Game() {
    dir = platform::MakePrivateTempDirectory("vesk-text-bench");
    fs::create_directories(fs::path(dir) / "game");
    for (int p = 0; p < kPages; ++p) {
      const std::string name = "page" + std::to_string(p) + ".lsb";
      auto compiled = tool::script::CompilePage(PageSource(p), name, {});
      const std::vector<uint8_t> bytes = tool::script::PageBytes(*compiled.page);
      page_bytes.insert(page_bytes.end(), bytes.begin(), bytes.end());
      platform::WriteFileAtomic((fs::path(dir) / "game" / name).string(), bytes.data(),
                                bytes.size());
    }
  }
  ~Game() {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  std::string Path(const std::string& name) const { return (fs::path(dir) / name).string(); }

  std::string dir;
  std::vector<uint8_t> page_bytes;
};

Game& TheGame() {
  static Game game;
  return game;
}

// Seconds of raw zlib (level 6) over the page bytes.
double ZlibSeconds(const std::vector<uint8_t>& bytes) {
  std::vector<uint8_t> out(compressBound(bytes.size()));
  uLongf size = out.size();
  const auto start = std::chrono::steady_clock::now();
  compress2(out.data(), &size, bytes.data(), bytes.size(), 6);
  benchmark::DoNotOptimize(out.data());
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double MemcpySeconds(const std::vector<uint8_t>& bytes) {
  std::vector<uint8_t> out(bytes.size());
  const auto start = std::chrono::steady_clock::now();
  std::memcpy(out.data(), bytes.data(), bytes.size());
  benchmark::DoNotOptimize(out.data());
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Report(benchmark::State& state, double seconds, const Game& game) {
  state.counters["seconds"] = seconds;
  state.counters["x_zlib"] = seconds / ZlibSeconds(game.page_bytes);
  state.counters["x_memcpy"] = seconds / MemcpySeconds(game.page_bytes);
  state.counters["page_MB"] = static_cast<double>(game.page_bytes.size()) / 1e6;
}

void BM_ExportLargeGame(benchmark::State& state) {
  Game& game = TheGame();
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    if (tool::RunTextCommand({"export", game.Path("game"), game.Path("game.po")}) != 0)
      state.SkipWithError("export failed");
    Report(state, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
           game);
  }
}

void BM_ImportTranslationOfEveryEntry(benchmark::State& state) {
  Game& game = TheGame();
  if (!platform::FileExists(game.Path("game.po")))
    tool::RunTextCommand({"export", game.Path("game"), game.Path("game.po")});
  const auto text = platform::ReadWholeFile(game.Path("game.po"));
  tool::po::Catalog catalog = tool::po::ReadCatalog(
      std::string_view(reinterpret_cast<const char*>(text->data()), text->size()));
  for (tool::po::Entry& e : catalog.entries) e.str = "[EN] " + e.id;
  const std::string translated = tool::po::WriteCatalog(catalog);
  platform::WriteFileAtomic(game.Path("en.po"), translated.data(), translated.size());
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    if (tool::RunTextCommand(
            {"import", game.Path("game"), game.Path("en.po"), game.Path("patch")}) != 0)
      state.SkipWithError("import failed");
    Report(state, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
           game);
  }
}

BENCHMARK(BM_ExportLargeGame)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ImportTranslationOfEveryEntry)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
