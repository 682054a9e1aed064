// Injection into a program-sized file against the cost of copying it once
// (the ceiling: injection must at least find the marker and build the new
// contents), and reading an area back.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "stowage/inject.hpp"

namespace {

namespace st = quire::stowage;

// 16 MB of program-like bytes with a 4 KiB area near the end.
const std::string& program() {
  static const std::string bytes = [] {
    std::string b(16 << 20, '\0');
    for (std::size_t i = 0; i < b.size(); ++i) b[i] = static_cast<char>((i * 131) >> 3);
    const std::string area = st::dummySpace(4096).toString();
    b.replace(b.size() - area.size() - 1000, area.size(), area);
    return b;
  }();
  return bytes;
}

void BM_injectWith(benchmark::State& state) {
  const std::string& contents = program();
  const std::string payload(1000, 'p');
  auto once = st::inject(payload, contents);
  if (!once || once->size() != contents.size()) state.SkipWithError("injection failed");
  for (auto _ : state) {
    auto out = st::inject(payload, contents);
    benchmark::DoNotOptimize(out);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * contents.size()));
}
BENCHMARK(BM_injectWith);

void BM_memcpy_ceiling(benchmark::State& state) {
  const std::string& contents = program();
  std::string out(contents.size(), '\0');
  for (auto _ : state) {
    std::memcpy(out.data(), contents.data(), contents.size());
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * contents.size()));
}
BENCHMARK(BM_memcpy_ceiling);

void BM_getInner(benchmark::State& state) {
  const quire::Bytes area = st::dummySpace(4096);
  const quire::Bytes block = area.slice(4, area.size());
  for (auto _ : state) benchmark::DoNotOptimize(st::getInner(block));
}
BENCHMARK(BM_getInner);

}  // namespace

BENCHMARK_MAIN();
