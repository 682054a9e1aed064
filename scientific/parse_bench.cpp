// Reading and converting decimals against what a C++ user would reach for
// instead, in one binary. Each pair does the same work and set-up checks
// that both give the same answer:
//  - text -> double over a mixed corpus (prices, integers, short exponent
//    forms, shortest forms of random doubles): read<Scientific> then
//    toBoundedRealFloat, and scientificP then toBoundedRealFloat, against
//    fast_float::from_chars (same double, bit for bit);
//  - read<Scientific> against scientificP (the same value; read also
//    checks that nothing but white space follows);
//  - reading a 1,000,000-digit coefficient against mpz_set_str.
// Ratio rows at the end give our speed over the peer's.
#include <benchmark/benchmark.h>
#include <fast_float/fast_float.h>
#include <gmpxx.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "bench/ratio.hpp"
#include "scientific/convert.hpp"
#include "scientific/parse.hpp"

namespace {

using quire::scientific::Scientific;
namespace sci = quire::scientific;

constexpr std::size_t kCorpusSize = 100'000;

std::string shortest(double d) {
  char buf[64];
  const char* end = std::to_chars(buf, buf + sizeof buf, d).ptr;
  return std::string(buf, static_cast<std::size_t>(end - buf));
}

// A quarter hand-written short forms, a quarter shortest forms of uniform
// values in [0, 1000), half shortest forms of random bit patterns.
const std::vector<std::string>& corpus() {
  static const std::vector<std::string> texts = [] {
    std::mt19937_64 rng(1);
    std::vector<std::string> out;
    out.reserve(kCorpusSize);
    const char* fixed[] = {"123.45", "-7e-3",  "42",  "0.5",    "-1",    "3.14159",
                           "1e10",   "2.5E-4", "100", "-0.001", "65536", "9.99"};
    std::uniform_real_distribution<double> uniform(0, 1000);
    while (out.size() < kCorpusSize) {
      switch (out.size() % 4) {
        case 0:
          out.emplace_back(fixed[rng() % std::size(fixed)]);
          break;
        case 1:
          out.push_back(shortest(uniform(rng)));
          break;
        default: {
          const double d = std::bit_cast<double>(rng());
          if (std::isfinite(d)) out.push_back(shortest(d));
        }
      }
    }
    return out;
  }();
  return texts;
}

std::size_t corpusBytes() {
  std::size_t n = 0;
  for (const auto& t : corpus()) n += t.size();
  return n;
}

void setCorpusCounters(benchmark::State& state) {
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * corpus().size()));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * corpusBytes()));
}

// Set-up check: every road gives fast_float's double, bit for bit.
void checkCorpus() {
  static const bool checked = [] {
    for (const std::string& t : corpus()) {
      double expected = 0;
      fast_float::from_chars(t.data(), t.data() + t.size(), expected);
      const auto viaRead = sci::toBoundedRealFloat<double>(*sci::read<Scientific>(t));
      const auto viaP = sci::toBoundedRealFloat<double>(sci::scientificP(t)->value);
      const auto oneCall = sci::readBoundedRealFloat<double>(t);
      if (!oneCall || !(*oneCall == viaRead)) {
        std::fprintf(stderr, "readBoundedRealFloat disagrees on %s\n", t.c_str());
        std::abort();
      }
      if (std::bit_cast<std::uint64_t>(viaRead.value) != std::bit_cast<std::uint64_t>(expected) ||
          std::bit_cast<std::uint64_t>(viaP.value) != std::bit_cast<std::uint64_t>(expected) ||
          !(sci::scientificP(t)->value == *sci::read<Scientific>(t))) {
        std::fprintf(stderr, "text -> double disagrees on %s\n", t.c_str());
        std::abort();
      }
    }
    return true;
  }();
  (void)checked;
}

void BM_TextToDouble_ReadToBounded(benchmark::State& state) {
  checkCorpus();
  const auto& texts = corpus();
  for (auto _ : state) {
    for (const std::string& t : texts) {
      auto s = sci::read<Scientific>(t);
      auto d = sci::toBoundedRealFloat<double>(*s);
      benchmark::DoNotOptimize(d);
    }
  }
  setCorpusCounters(state);
}
BENCHMARK(BM_TextToDouble_ReadToBounded);

void BM_TextToDouble_ScientificPToBounded(benchmark::State& state) {
  checkCorpus();
  const auto& texts = corpus();
  for (auto _ : state) {
    for (const std::string& t : texts) {
      auto r = sci::scientificP(t);
      auto d = sci::toBoundedRealFloat<double>(r->value);
      benchmark::DoNotOptimize(d);
    }
  }
  setCorpusCounters(state);
}
BENCHMARK(BM_TextToDouble_ScientificPToBounded);

void BM_TextToDouble_FastFloat(benchmark::State& state) {
  checkCorpus();
  const auto& texts = corpus();
  for (auto _ : state) {
    for (const std::string& t : texts) {
      double d;
      auto r = fast_float::from_chars(t.data(), t.data() + t.size(), d);
      benchmark::DoNotOptimize(r);
      benchmark::DoNotOptimize(d);
    }
  }
  setCorpusCounters(state);
}
BENCHMARK(BM_TextToDouble_FastFloat);

void BM_TextToDouble_ReadBoundedRealFloat(benchmark::State& state) {
  checkCorpus();
  const auto& texts = corpus();
  for (auto _ : state) {
    for (const std::string& t : texts) {
      auto d = sci::readBoundedRealFloat<double>(t);
      benchmark::DoNotOptimize(d);
    }
  }
  setCorpusCounters(state);
}
BENCHMARK(BM_TextToDouble_ReadBoundedRealFloat);
QUIRE_BENCH_RATIO("BM_TextToDouble_ReadBoundedRealFloat", "BM_TextToDouble_FastFloat");
QUIRE_BENCH_RATIO("BM_TextToDouble_ReadToBounded", "BM_TextToDouble_FastFloat");
QUIRE_BENCH_RATIO("BM_TextToDouble_ScientificPToBounded", "BM_TextToDouble_FastFloat");

void BM_Read(benchmark::State& state) {
  checkCorpus();
  const auto& texts = corpus();
  for (auto _ : state) {
    for (const std::string& t : texts) {
      auto r = sci::read<Scientific>(t);
      benchmark::DoNotOptimize(r);
    }
  }
  setCorpusCounters(state);
}
BENCHMARK(BM_Read);

void BM_ScientificP(benchmark::State& state) {
  const auto& texts = corpus();
  for (auto _ : state) {
    for (const std::string& t : texts) {
      auto r = sci::scientificP(t);
      benchmark::DoNotOptimize(r);
    }
  }
  setCorpusCounters(state);
}
BENCHMARK(BM_ScientificP);
QUIRE_BENCH_RATIO("BM_Read", "BM_ScientificP");

constexpr std::size_t kMillion = 1'000'000;

const std::string& millionDigits() {
  static const std::string digits = [] {
    std::mt19937_64 rng(2);
    std::string s;
    s.reserve(kMillion);
    s.push_back(static_cast<char>('1' + rng() % 9));
    while (s.size() < kMillion) s.push_back(static_cast<char>('0' + rng() % 10));
    return s;
  }();
  return digits;
}

void BM_ReadMillionDigitCoefficient(benchmark::State& state) {
  const std::string_view text = millionDigits();
  for (auto _ : state) {
    auto r = sci::scientificP(text);
    benchmark::DoNotOptimize(r);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kMillion));
}
BENCHMARK(BM_ReadMillionDigitCoefficient)->Unit(benchmark::kMillisecond);

void BM_MpzSetStrMillionDigits(benchmark::State& state) {
  const std::string& text = millionDigits();
  for (auto _ : state) {
    mpz_class z;
    mpz_set_str(z.get_mpz_t(), text.c_str(), 10);
    benchmark::DoNotOptimize(z);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kMillion));
}
BENCHMARK(BM_MpzSetStrMillionDigits)->Unit(benchmark::kMillisecond);
QUIRE_BENCH_RATIO("BM_ReadMillionDigitCoefficient", "BM_MpzSetStrMillionDigits");

}  // namespace

int main(int argc, char** argv) { return quire::bench::runWithRatios(argc, argv); }
