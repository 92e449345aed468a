// Script tables of 100,000 records: a search for the last record (what
// DBLocate does) against a scan of a vector of strings, a sort by a string
// key against std::sort of the same strings, and loading a 10 MB
// tab-separated file the way DBLoadTsvFile does against reading the bytes.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>

#include "db/db_manager.h"
#include "db/tsv.h"
#include "expr/params.h"

namespace {

namespace fs = std::filesystem;
using namespace vesk;
using namespace vesk::db;

constexpr int32_t kRecords = 100000;
constexpr size_t kTsvBytes = 10u << 20;

std::string Name(std::mt19937& rng) {
  std::string s = "item_";
  for (int i = 0; i < 10; ++i) s += static_cast<char>('a' + rng() % 26);
  return s;
}

// "Items": Name (string 20), HP (int), Rate (real), Ok (bool); "Scratch"
// of the same layout for sorting copies.
struct Fixture {
  TDBManager tables;
  std::vector<std::string> names;
  std::vector<int32_t> all;
  fs::path tsv = fs::temp_directory_path() / "vesk-table-bench.tsv";

  Fixture() {
    std::mt19937 rng(7);
    tables.CreateTable("Scratch", false);
    tables.CreateTable("Items", false);
    TDBTable& t = *tables.ActiveTable();
    t.Fields().AddField("Name", kFieldStr, 20);
    t.Fields().AddField("HP", kFieldInt, 0);
    t.Fields().AddField("Rate", kFieldFloat, 0);
    t.Fields().AddField("Ok", kFieldBool, 0);
    for (int32_t r = 0; r < kRecords; ++r) {
      names.push_back(Name(rng));
      t.Append();
      t.SetStr(r, 0, names.back());
      t.SetInt(r, 1, static_cast<int32_t>(rng() % 1000));
      t.SetFloat(r, 2, static_cast<Real>(rng() % 10000) / 100);
      t.SetBool(r, 3, rng() % 2 != 0);
      all.push_back(r);
    }
    WriteTsv(rng);
  }
  ~Fixture() { fs::remove(tsv); }

  void WriteTsv(std::mt19937& rng) {
    std::string text = "Name\tHP int\tRate float\tOk bool\tNote str 200\r\n";
    while (text.size() < kTsvBytes) {
      text += Name(rng) + "\t" + std::to_string(rng() % 1000) + "\t" +
              std::to_string(rng() % 10000) + ".25\t" + (rng() % 2 ? "TRUE" : "FALSE") +
              "\tA note with an escaped\\nline break and some more words to fill it\r\n";
    }
    std::ofstream(tsv, std::ios::binary)
        .write(text.data(), static_cast<std::streamsize>(text.size()));
  }
};

Fixture& Data() {
  static Fixture f;
  return f;
}

std::vector<uint8_t> ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::vector<uint8_t> bytes(static_cast<size_t>(fs::file_size(p)));
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

void BM_ReferenceScanStringVector100k(benchmark::State& state) {
  Fixture& f = Data();
  const std::string key = f.names.back();
  for (auto _ : state) {
    auto it = std::find(f.names.begin(), f.names.end(), key);
    benchmark::DoNotOptimize(it);
  }
}
BENCHMARK(BM_ReferenceScanStringVector100k)->Unit(benchmark::kMillisecond);

// DBLocate's search: the first match, found at the last record.
void BM_FindFirstByString100k(benchmark::State& state) {
  Fixture& f = Data();
  expr::TParamStr field, value;
  field.SetStr("name");
  value.SetStr(f.names.back());
  const TDBTable& t = *f.tables.Table("Items");
  std::vector<int32_t> found;
  for (auto _ : state) {
    t.FindUpTo(found, FindKeys{&field, &value}, 1);
    benchmark::DoNotOptimize(found.data());
  }
  if (found.empty()) state.SkipWithError("no match");
}
BENCHMARK(BM_FindFirstByString100k)->Unit(benchmark::kMillisecond);

// Every match of a case-free partial search (the field's text inside the key).
void BM_FindAllPartialIgnoreCase100k(benchmark::State& state) {
  Fixture& f = Data();
  expr::TParamStr field, value;
  field.SetStr("Name");
  value.SetStr("THE KEY " + f.names.back() + " AND MORE");
  const TDBTable& t = *f.tables.Table("Items");
  std::vector<int32_t> found;
  for (auto _ : state) {
    t.Find(found, FindKeys{&field, &value, true, true});
    benchmark::DoNotOptimize(found.data());
  }
}
BENCHMARK(BM_FindAllPartialIgnoreCase100k)->Unit(benchmark::kMillisecond);

void BM_FindAllByInteger100k(benchmark::State& state) {
  Fixture& f = Data();
  expr::TParamStr field;
  expr::TParamInt value;
  field.SetStr("HP");
  value.SetInt(500);
  const TDBTable& t = *f.tables.Table("Items");
  std::vector<int32_t> found;
  for (auto _ : state) {
    t.Find(found, FindKeys{&field, &value});
    benchmark::DoNotOptimize(found.data());
  }
}
BENCHMARK(BM_FindAllByInteger100k)->Unit(benchmark::kMillisecond);

void BM_ReferenceSortStrings100k(benchmark::State& state) {
  Fixture& f = Data();
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<std::string> copy = f.names;
    state.ResumeTiming();
    std::sort(copy.begin(), copy.end());
    benchmark::DoNotOptimize(copy.data());
  }
}
BENCHMARK(BM_ReferenceSortStrings100k)->Unit(benchmark::kMillisecond);

void BM_SortByString100k(benchmark::State& state) {
  Fixture& f = Data();
  expr::TParamStr key;
  expr::TParamFlag descending;
  key.SetStr("Name");
  for (auto _ : state) {
    state.PauseTiming();
    f.tables.SetActive("Items");
    f.tables.CopyRecordsTo("Scratch", f.all);  // unsorted again
    TDBTable& scratch = *f.tables.Table("Scratch");
    state.ResumeTiming();
    scratch.Sort(&key, &descending);
    benchmark::DoNotOptimize(scratch.RecordAt(0));
  }
}
BENCHMARK(BM_SortByString100k)->Unit(benchmark::kMillisecond);

void BM_ReferenceReadTsvFile10MB(benchmark::State& state) {
  Fixture& f = Data();
  size_t bytes = 0;
  for (auto _ : state) {
    const std::vector<uint8_t> data = ReadFile(f.tsv);
    bytes = data.size();
    benchmark::DoNotOptimize(data.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_ReferenceReadTsvFile10MB)->Unit(benchmark::kMillisecond);

// Read, split into lines, load: DBLoadTsvFile's path.
void BM_LoadTsvFile10MB(benchmark::State& state) {
  Fixture& f = Data();
  TDBTable t("Loaded", false);
  size_t bytes = 0;
  for (auto _ : state) {
    const std::vector<uint8_t> data = ReadFile(f.tsv);
    bytes = data.size();
    const std::string_view text(reinterpret_cast<const char*>(data.data()), data.size());
    if (!t.LoadFromStrings(SplitTextLines(text))) state.SkipWithError("load failed");
  }
  state.counters["records"] = t.RecordCount();
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_LoadTsvFile10MB)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
