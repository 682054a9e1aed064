// Reading and converting decimals against what a C++ user would reach for
// instead, in one binary:
//  - scientificP over a corpus of short decimals ("123.45", "-7e-3", "42"
//    and the shortest forms of random doubles) against fast_float parsing
//    the same text to double;
//  - toRealFloat<double> of the already-read values against fast_float's
//    parse of the text (conversion alone against parse plus conversion);
//  - reading a 1,000,000-digit coefficient against mpz_set_str of the same
//    digits.
#include <benchmark/benchmark.h>
#include <fast_float/fast_float.h>
#include <gmpxx.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <random>
#include <string>
#include <vector>

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

void BM_FastFloatParse(benchmark::State& state) {
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
BENCHMARK(BM_FastFloatParse);

void BM_ToRealFloatOfReadValues(benchmark::State& state) {
  std::vector<Scientific> values;
  values.reserve(corpus().size());
  for (const std::string& t : corpus()) values.push_back(sci::scientificP(t)->value);
  for (auto _ : state) {
    for (const Scientific& s : values) {
      double d = sci::toRealFloat<double>(s);
      benchmark::DoNotOptimize(d);
    }
  }
  setCorpusCounters(state);
}
BENCHMARK(BM_ToRealFloatOfReadValues);

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

}  // namespace

BENCHMARK_MAIN();
