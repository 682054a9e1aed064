// Tagged<S, int64_t> arithmetic against the same arithmetic on raw int64_t:
// a multiply-add-xor-shift-divide pass over a million values, the same loop body
// for both, checked once in set-up to give the same sum. The wrapper should
// compile to the same code, a ratio of 1.0.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "bench/ratio.hpp"
#include "tagged/tagged.hpp"

namespace {

using quire::tagged::Tagged;

struct Cents {};
using Money = Tagged<Cents, std::int64_t>;

constexpr std::size_t kCount = 1'000'000;

template <class T>
const std::vector<T>& values() {
  static const std::vector<T> out = [] {
    std::mt19937_64 rng(3);
    std::vector<T> v;
    v.reserve(kCount);
    for (std::size_t i = 0; i < kCount; ++i) v.push_back(T(static_cast<std::int64_t>(rng() >> 30)));
    return v;
  }();
  return out;
}

// One pass: acc = acc + (x ^ (x >> 7)) * 3 - x / 5 over every value (no
// overflow: values stay below 2^34).
template <class T>
T pass(const std::vector<T>& xs) {
  T acc(0);
  const T three(3), five(5);
  for (const T& x : xs) acc = acc + (x ^ (x >> 7)) * three - x / five;
  return acc;
}

[[maybe_unused]] const bool checkedOnce = [] {
  if (quire::tagged::untag(pass(values<Money>())) != pass(values<std::int64_t>())) {
    std::fprintf(stderr, "tagged_bench: peers disagree\n");
    std::abort();
  }
  return true;
}();

template <class T>
void arithmetic(benchmark::State& state) {
  const auto& xs = values<T>();
  for (auto _ : state) {
    T r = pass(xs);
    benchmark::DoNotOptimize(r);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kCount));
}

void BM_TaggedInt64Arithmetic(benchmark::State& state) { arithmetic<Money>(state); }
void BM_RawInt64Arithmetic(benchmark::State& state) { arithmetic<std::int64_t>(state); }

BENCHMARK(BM_TaggedInt64Arithmetic);
BENCHMARK(BM_RawInt64Arithmetic);

QUIRE_BENCH_RATIO("BM_TaggedInt64Arithmetic", "BM_RawInt64Arithmetic");

}  // namespace

int main(int argc, char** argv) { return quire::bench::runWithRatios(argc, argv); }
