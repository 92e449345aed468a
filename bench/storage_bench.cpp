// Game data reads against in-process references: ReadFile of a compressed
// 2 MiB entry vs a raw zlib inflate of the same bytes, a cache hit vs memcpy,
// and opening the index of a 20,000-entry archive.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstring>
#include <filesystem>
#include <random>

#include "storage/vrfiles.h"

namespace {

namespace fs = std::filesystem;
using vesk::storage::TVrFileCollection;
using vesk::storage::TVrFileManager;

constexpr size_t kEntryBytes = 2 << 20;

// Picture-like content: runs and noise, compressing to about a third.
std::vector<uint8_t> Payload() {
  std::vector<uint8_t> data(kEntryBytes);
  std::mt19937 rng(42);
  for (size_t i = 0; i < data.size();) {
    const size_t run = 1 + rng() % 24;
    const auto value = static_cast<uint8_t>(rng());
    for (size_t k = 0; k < run && i < data.size(); ++k, ++i) data[i] = value + (rng() % 4 == 0);
  }
  return data;
}

struct Fixture {
  fs::path dir = fs::temp_directory_path() / "vesk-storage-bench";
  std::vector<uint8_t> payload = Payload();
  std::vector<uint8_t> compressed;
  Fixture() {
    fs::create_directories(dir);
    uLongf n = compressBound(static_cast<uLong>(payload.size()));
    compressed.resize(n);
    compress2(compressed.data(), &n, payload.data(), static_cast<uLong>(payload.size()),
              Z_BEST_SPEED);
    compressed.resize(n);
    TVrFileCollection c;
    c.AddEntry("cg\\big.bmp")->Source->Write(payload.data(), static_cast<int64_t>(payload.size()));
    c.SaveToFile((dir / "one.dat").string());
    TVrFileCollection many;
    for (int i = 0; i < 20000; ++i)
      many.AddEntry("voice\\v" + std::to_string(i) + ".ogg")->Source->Write("x", 1);
    many.SaveToFile((dir / "many.dat").string());
  }
  ~Fixture() { fs::remove_all(dir); }
};

Fixture& Data() {
  static Fixture f;
  return f;
}

void BM_ReferenceRawInflate2MiB(benchmark::State& state) {
  Fixture& f = Data();
  std::vector<uint8_t> out(kEntryBytes);
  for (auto _ : state) {
    uLongf n = static_cast<uLongf>(out.size());
    uncompress(out.data(), &n, f.compressed.data(), static_cast<uLong>(f.compressed.size()));
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kEntryBytes));
}
BENCHMARK(BM_ReferenceRawInflate2MiB)->Unit(benchmark::kMicrosecond);

void BM_ReadFileCompressed2MiB(benchmark::State& state) {
  Fixture& f = Data();
  TVrFileManager m;
  m.AddArchive((f.dir / "one.dat").string());
  vesk::storage::TMemoryStream target;
  for (auto _ : state) {
    m.ClearCache();  // every read inflates again
    m.ReadFile(target, "cg\\big.bmp");
    benchmark::DoNotOptimize(target.bytes().data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kEntryBytes));
}
BENCHMARK(BM_ReadFileCompressed2MiB)->Unit(benchmark::kMicrosecond);

void BM_ReferenceMemcpy2MiB(benchmark::State& state) {
  std::vector<uint8_t> a(kEntryBytes, 1), b(kEntryBytes);
  for (auto _ : state) {
    std::memcpy(b.data(), a.data(), a.size());
    benchmark::DoNotOptimize(b.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kEntryBytes));
}
BENCHMARK(BM_ReferenceMemcpy2MiB)->Unit(benchmark::kMicrosecond);

void BM_ReadFileCacheHit2MiB(benchmark::State& state) {
  Fixture& f = Data();
  TVrFileManager m;
  m.AddArchive((f.dir / "one.dat").string());
  vesk::storage::TMemoryStream target;
  m.ReadFile(target, "cg\\big.bmp");
  for (auto _ : state) {
    m.ReadFile(target, "cg\\big.bmp");
    benchmark::DoNotOptimize(target.bytes().data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kEntryBytes));
}
BENCHMARK(BM_ReadFileCacheHit2MiB)->Unit(benchmark::kMicrosecond);

void BM_OpenIndexOf20000Entries(benchmark::State& state) {
  Fixture& f = Data();
  for (auto _ : state) {
    TVrFileCollection c;
    c.Open((f.dir / "many.dat").string());
    benchmark::DoNotOptimize(c.Count());
  }
}
BENCHMARK(BM_OpenIndexOf20000Entries)->Unit(benchmark::kMillisecond);

void BM_LookupIn20000Entries(benchmark::State& state) {
  Fixture& f = Data();
  TVrFileCollection c;
  c.Open((f.dir / "many.dat").string());
  int i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(c.IndexOf("VOICE\\V" + std::to_string(i++ % 20000) + ".OGG"));
  }
}
BENCHMARK(BM_LookupIn20000Entries);

}  // namespace

BENCHMARK_MAIN();
