// The byte builder against the machine's limit: ten million 32-bit words
// written big-endian, once through primMapListBounded into
// toLazyByteString and once by a hand loop that byte-swaps into a buffer.
// The hand loops are ceilings, not peers. Each builder arm is paired with
// the ceiling of the same allocation behaviour: the default heap (fresh
// memory every time) with the loop into a buffer allocated afresh, the
// kept heap (memory reused) with the loop into a buffer allocated once.
//
// Every builder iteration produces 40 MB of fresh chunks. With glibc's
// default settings the freed chunks go back to the kernel at the end of an
// iteration and the next one pays a page fault per 4 KiB, which measures
// the kernel rather than the builder. The builder is therefore run twice:
// with the default heap, and with a heap kept between iterations the way a
// long-running program's is (the hand loop's buffer is never given back).
// The hand loop into a buffer allocated afresh each time shows what the
// fresh memory alone costs.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "base/builder.hpp"
#include "bench/ratio.hpp"

namespace {

constexpr std::size_t kWords = 10'000'000;

const std::vector<std::uint32_t>& words() {
  static const std::vector<std::uint32_t> w = [] {
    std::vector<std::uint32_t> v(kWords);
    std::uint32_t x = 2463534242u;
    for (auto& e : v) {  // xorshift: cheap, and no pattern the compiler can fold
      x ^= x << 13;
      x ^= x >> 17;
      x ^= x << 5;
      e = x;
    }
    return v;
  }();
  return w;
}

// Heap trimming threshold of glibc's default: 128 KiB.
constexpr int kDefaultTrim = 128 * 1024;
constexpr int kKeepHeap = 1 << 30;

void BM_BuilderWord32BE(benchmark::State& state) {
  using namespace quire::builder;
  mallopt(M_TRIM_THRESHOLD, static_cast<int>(state.range(0)));
  // The builder shares the words; running it is what is measured.
  auto shared = std::make_shared<const std::vector<std::uint32_t>>(words());
  Builder b = primMapListBounded(liftFixedToBounded(word32BE), shared);
  for (auto _ : state) {
    quire::ChunkedBytes out = toLazyByteString(b);
    benchmark::DoNotOptimize(out.chunks().data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kWords * 4));
  mallopt(M_TRIM_THRESHOLD, kDefaultTrim);
}
BENCHMARK(BM_BuilderWord32BE)
    ->ArgName("trim")
    ->Arg(kDefaultTrim)
    ->Arg(kKeepHeap)
    ->Unit(benchmark::kMillisecond);

// The hand loop: one byte swap and one 4-byte store per word.
void swapInto(std::uint8_t* p, const std::vector<std::uint32_t>& in) {
  for (std::uint32_t w : in) {
    std::uint32_t be = __builtin_bswap32(w);
    std::memcpy(p, &be, 4);
    p += 4;
  }
  benchmark::DoNotOptimize(p);
  benchmark::ClobberMemory();
}

void BM_Ceiling_HandLoopWord32BE(benchmark::State& state) {
  std::vector<std::uint8_t> out(kWords * 4);
  for (auto _ : state) swapInto(out.data(), words());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kWords * 4));
}
BENCHMARK(BM_Ceiling_HandLoopWord32BE)->Unit(benchmark::kMillisecond);

void BM_Ceiling_HandLoopFreshBufferWord32BE(benchmark::State& state) {
  for (auto _ : state) {
    auto out = std::make_unique_for_overwrite<std::uint8_t[]>(kWords * 4);
    swapInto(out.get(), words());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kWords * 4));
}
BENCHMARK(BM_Ceiling_HandLoopFreshBufferWord32BE)->Unit(benchmark::kMillisecond);

QUIRE_BENCH_RATIO("BM_BuilderWord32BE/trim:131072", "BM_Ceiling_HandLoopFreshBufferWord32BE");
QUIRE_BENCH_RATIO("BM_BuilderWord32BE/trim:1073741824", "BM_Ceiling_HandLoopWord32BE");

}  // namespace

int main(int argc, char** argv) { return quire::bench::runWithRatios(argc, argv); }
