// Time to read the catalogue of an archive of N members (1k, 8k, 65k): from
// the central directory in physical order, with a sorted view, and by the
// local-header scan. Archives are generated once per size into the
// temporary folder: N empty stored members in 64 folders.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "UnZip.h"

namespace {

void Le16(std::string& s, uint32_t v) {
  s += char(v & 0xFF);
  s += char((v >> 8) & 0xFF);
}

void Le32(std::string& s, uint32_t v) {
  Le16(s, v & 0xFFFF);
  Le16(s, v >> 16);
}

std::string MemberName(int i) {
  char name[64];
  std::snprintf(name, sizeof name, "folder%02d/member%05d.txt", i % 64, i);
  return name;
}

std::string BuildArchive(int members, bool withDirectory) {
  std::string body, central;
  for (int i = 0; i < members; ++i) {
    const std::string name = MemberName(i);
    const uint32_t offset = uint32_t(body.size());
    const uint32_t time = 0x5A8C0000u + uint32_t(i % 1000);  // varied dates for ByDate
    Le32(body, 0x04034B50);
    Le16(body, 10);
    Le16(body, 0);
    Le16(body, 0);
    Le32(body, time);
    Le32(body, 0);
    Le32(body, 0);
    Le32(body, 0);
    Le16(body, uint32_t(name.size()));
    Le16(body, 0);
    body += name;
    Le32(central, 0x02014B50);
    Le16(central, 20);
    Le16(central, 10);
    Le16(central, 0);
    Le16(central, 0);
    Le32(central, time);
    for (int k = 0; k < 3; ++k) Le32(central, 0);
    Le16(central, uint32_t(name.size()));
    for (int k = 0; k < 4; ++k) Le16(central, 0);
    Le32(central, 0x20);
    Le32(central, offset);
    central += name;
  }
  if (!withDirectory) return body;
  std::string out = body + central;
  Le32(out, 0x06054B50);
  Le32(out, 0);
  Le16(out, uint32_t(members));
  Le16(out, uint32_t(members));
  Le32(out, uint32_t(central.size()));
  Le32(out, uint32_t(body.size()));
  Le16(out, 0);
  return out;
}

// One file per size and kind, written on first use and removed at exit.
class Archives {
 public:
  ~Archives() {
    for (const auto& entry : paths_) std::remove(entry.second.c_str());
  }
  const std::string& Get(int members, bool withDirectory) {
    const int key = members * 2 + (withDirectory ? 1 : 0);
    auto found = paths_.find(key);
    if (found != paths_.end()) return found->second;
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("catalogue-bench-" + std::to_string(key) + ".zip"))
                                 .string();
    const std::string bytes = BuildArchive(members, withDirectory);
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return paths_[key] = path;
  }

 private:
  std::map<int, std::string> paths_;
};

Archives& TheArchives() {
  static Archives archives;
  return archives;
}

void ReadCatalogue(benchmark::State& state, uz::TZipSortMode mode, bool withDirectory) {
  const int members = int(state.range(0));
  const std::string& path = TheArchives().Get(members, withDirectory);
  for (auto _ : state) {
    uz::TUnZip unzip;
    unzip.SetSortMode(mode);
    unzip.SetIncompleteZipMode(uz::TIncompleteZipMode::izAssumeBad);
    unzip.SetZipName(path);
    unzip.OpenZip();
    unzip.CloseZip();
    if (unzip.MemberCount() != members) state.SkipWithError("wrong member count");
  }
  state.SetItemsProcessed(state.iterations() * members);
  state.SetComplexityN(members);
}

void BM_CentralDirectory(benchmark::State& state) {
  ReadCatalogue(state, uz::TZipSortMode::ByNone, true);
}
void BM_CentralDirectoryByName(benchmark::State& state) {
  ReadCatalogue(state, uz::TZipSortMode::ByName, true);
}
void BM_CentralDirectoryByDate(benchmark::State& state) {
  ReadCatalogue(state, uz::TZipSortMode::ByDate, true);
}
void BM_LocalHeaderScan(benchmark::State& state) {
  ReadCatalogue(state, uz::TZipSortMode::ByNone, false);
}

}  // namespace

BENCHMARK(BM_CentralDirectory)
    ->Arg(1000)
    ->Arg(8000)
    ->Arg(65000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();
BENCHMARK(BM_CentralDirectoryByName)
    ->Arg(1000)
    ->Arg(8000)
    ->Arg(65000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();
BENCHMARK(BM_CentralDirectoryByDate)
    ->Arg(1000)
    ->Arg(8000)
    ->Arg(65000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();
BENCHMARK(BM_LocalHeaderScan)
    ->Arg(1000)
    ->Arg(8000)
    ->Arg(65000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

BENCHMARK_MAIN();
