// inflate_bench: MB/s of output for the component's Inflate (with the CRC
// of each written block), libdeflate and zlib on one ~60 MB mixed stream,
// plus the sliced CRC alone. The stream is made once per run (zlib level 6,
// the level zip uses by default).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <stdexcept>

#include "BenchCorpus.h"
#include "BenchDecoders.h"
#include "decoders/uzCrc32.h"

namespace {

struct TCorpus {
  std::vector<uint8_t> data, stream;
  uint32_t crc;
  TCorpus() {
    data = bench::MakeMixedData(60u << 20);
    stream = bench::DeflateRaw(data, 6);
    crc = ~uz::UpdateCrc32(0xFFFFFFFFu, data.data(), data.size());
    std::fprintf(stderr, "corpus: %zu bytes, deflated to %zu (%.1f%%)\n", data.size(),
                 stream.size(), 100.0 * stream.size() / data.size());
  }
};

const TCorpus& Corpus() {
  static const TCorpus c;
  return c;
}

void Check(benchmark::State& state, uint32_t crc) {
  if (crc != Corpus().crc) state.SkipWithError("wrong CRC");
}

void BM_Component(benchmark::State& state) {
  const auto& c = Corpus();
  for (auto _ : state) Check(state, bench::DecodeWithComponent(c.stream, c.data.size()));
  state.SetBytesProcessed(int64_t(state.iterations()) * c.data.size());
}

void BM_LibdeflateOwnCrc(benchmark::State& state) {
  const auto& c = Corpus();
  std::vector<uint8_t> out(c.data.size());
  for (auto _ : state) Check(state, bench::DecodeWithLibdeflate(c.stream, out, false));
  state.SetBytesProcessed(int64_t(state.iterations()) * c.data.size());
}

void BM_LibdeflateSlicedCrc(benchmark::State& state) {
  const auto& c = Corpus();
  std::vector<uint8_t> out(c.data.size());
  for (auto _ : state) Check(state, bench::DecodeWithLibdeflate(c.stream, out, true));
  state.SetBytesProcessed(int64_t(state.iterations()) * c.data.size());
}

void BM_LibdeflateNoCrc(benchmark::State& state) {
  const auto& c = Corpus();
  std::vector<uint8_t> out(c.data.size());
  for (auto _ : state) bench::DecodeWithLibdeflateNoCrc(c.stream, out);
  state.SetBytesProcessed(int64_t(state.iterations()) * c.data.size());
}

void BM_Zlib(benchmark::State& state) {
  const auto& c = Corpus();
  for (auto _ : state) Check(state, bench::DecodeWithZlib(c.stream));
  state.SetBytesProcessed(int64_t(state.iterations()) * c.data.size());
}

void BM_SlicedCrc(benchmark::State& state) {
  const auto& c = Corpus();
  for (auto _ : state) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t at = 0; at < c.data.size(); at += 16000) {
      const size_t n = c.data.size() - at < 16000 ? c.data.size() - at : 16000;
      crc = uz::UpdateCrc32(crc, c.data.data() + at, n);
    }
    Check(state, ~crc);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * c.data.size());
}

BENCHMARK(BM_Component)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_LibdeflateOwnCrc)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_LibdeflateSlicedCrc)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_LibdeflateNoCrc)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Zlib)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_SlicedCrc)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
