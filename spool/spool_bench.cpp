// Spool against the containers a C++ user would reach for instead. Each pair
// builds the same elements and ends with the same std::vector<int>, checked
// once in set-up:
//  - ten million snocs then toList, against std::vector push_back and
//    against std::deque push_back copied into a vector;
//  - the same snocs onto a spool that stays shared after each step (one
//    node per element, the persistent case), at one million;
//  - a million appends of small prepared spools then toList, against
//    inserting the same small vectors at the end of one vector.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <vector>

#include "bench/ratio.hpp"
#include "spool/spool.hpp"

namespace {

using quire::spool::Spool;
namespace sp = quire::spool;

constexpr int kSnocs = 10'000'000;
constexpr int kShared = 1'000'000;
constexpr int kPieces = 1'000'000;

std::vector<int> spoolSnocs(int n) {
  Spool<int> s;
  for (int i = 0; i < n; ++i) s = sp::snoc(std::move(s), i);
  return sp::toList(std::move(s));
}

// toList of a spool that stays alive: the elements are copied out.
std::vector<int> spoolSnocsKept(int n) {
  Spool<int> s;
  for (int i = 0; i < n; ++i) s = sp::snoc(std::move(s), i);
  return sp::toList(s);
}

std::vector<int> spoolSharedSnocs(int n) {
  Spool<int> s;
  for (int i = 0; i < n; ++i) s = sp::snoc(s, i);  // s is copied: never grown in place
  return sp::toList(s);
}

std::vector<int> vectorPushBack(int n) {
  std::vector<int> v;
  for (int i = 0; i < n; ++i) v.push_back(i);
  return v;
}

std::vector<int> dequePushBack(int n) {
  std::deque<int> d;
  for (int i = 0; i < n; ++i) d.push_back(i);
  return std::vector<int>(d.begin(), d.end());
}

// Small pieces of one to five elements.
const std::vector<std::vector<int>>& pieceVectors() {
  static const std::vector<std::vector<int>> pieces = [] {
    std::vector<std::vector<int>> out(kPieces);
    for (int i = 0; i < kPieces; ++i) out[i].assign(static_cast<std::size_t>(1 + i % 5), i);
    return out;
  }();
  return pieces;
}

const std::vector<Spool<int>>& pieceSpools() {
  static const std::vector<Spool<int>> pieces = [] {
    std::vector<Spool<int>> out;
    out.reserve(kPieces);
    for (const auto& v : pieceVectors()) out.push_back(sp::fromList(v));
    return out;
  }();
  return pieces;
}

std::vector<int> spoolAppends() {
  Spool<int> s;
  for (const Spool<int>& piece : pieceSpools()) s = sp::append(std::move(s), piece);
  return sp::toList(std::move(s));
}

std::vector<int> vectorConcatenation() {
  std::vector<int> out;
  for (const auto& piece : pieceVectors()) out.insert(out.end(), piece.begin(), piece.end());
  return out;
}

[[maybe_unused]] const bool checkedOnce = [] {
  bool same = spoolSnocs(1000) == vectorPushBack(1000) && spoolSnocsKept(1000) == vectorPushBack(1000) &&
              dequePushBack(1000) == vectorPushBack(1000) &&
              spoolSharedSnocs(1000) == vectorPushBack(1000) && spoolAppends() == vectorConcatenation();
  if (!same) {
    std::fprintf(stderr, "spool_bench: peers disagree\n");
    std::abort();
  }
  return true;
}();

template <std::vector<int> (*Build)(int)>
void run(benchmark::State& state, int n) {
  for (auto _ : state) {
    std::vector<int> v = Build(n);
    benchmark::DoNotOptimize(v.data());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * n);
}

void BM_SpoolSnocToList(benchmark::State& state) { run<spoolSnocs>(state, kSnocs); }
void BM_SpoolSnocToListKept(benchmark::State& state) { run<spoolSnocsKept>(state, kSnocs); }
void BM_VectorPushBack(benchmark::State& state) { run<vectorPushBack>(state, kSnocs); }
void BM_DequePushBackToVector(benchmark::State& state) { run<dequePushBack>(state, kSnocs); }
void BM_SpoolSharedSnocToList(benchmark::State& state) { run<spoolSharedSnocs>(state, kShared); }
void BM_VectorPushBack1M(benchmark::State& state) { run<vectorPushBack>(state, kShared); }

void BM_SpoolAppendSmall(benchmark::State& state) {
  for (auto _ : state) {
    std::vector<int> v = spoolAppends();
    benchmark::DoNotOptimize(v.data());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kPieces);
}

void BM_VectorConcatenateSmall(benchmark::State& state) {
  for (auto _ : state) {
    std::vector<int> v = vectorConcatenation();
    benchmark::DoNotOptimize(v.data());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kPieces);
}

BENCHMARK(BM_SpoolSnocToList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SpoolSnocToListKept)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VectorPushBack)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DequePushBackToVector)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SpoolSharedSnocToList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VectorPushBack1M)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SpoolAppendSmall)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VectorConcatenateSmall)->Unit(benchmark::kMillisecond);

QUIRE_BENCH_RATIO("BM_SpoolSnocToList", "BM_VectorPushBack");
QUIRE_BENCH_RATIO("BM_SpoolSnocToListKept", "BM_VectorPushBack");
QUIRE_BENCH_RATIO("BM_SpoolSnocToList", "BM_DequePushBackToVector");
QUIRE_BENCH_RATIO("BM_SpoolSharedSnocToList", "BM_VectorPushBack1M");
QUIRE_BENCH_RATIO("BM_SpoolAppendSmall", "BM_VectorConcatenateSmall");

}  // namespace

int main(int argc, char** argv) { return quire::bench::runWithRatios(argc, argv); }
