// Scientific against what a C++ user would reach for instead:
//  - show (Generic) of the shortest decimal forms of random doubles, against
//    std::to_chars of the same doubles;
//  - compare and hash of pairs of word-sized values, against mpz_cmp;
//  - + and * of word-sized values, against mpz_class.
// Each benchmark handles a million values (or pairs) per iteration; the
// pair benchmarks run with coefficients of up to 9 and up to 15 digits.
#include <benchmark/benchmark.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "scientific/format.hpp"
#include "scientific/scientific.hpp"

namespace {

using quire::scientific::Scientific;
namespace sci = quire::scientific;

constexpr std::size_t kCount = 1'000'000;

const std::vector<double>& randomDoubles() {
  static const std::vector<double> values = [] {
    std::mt19937_64 rng(1);
    std::vector<double> out;
    out.reserve(kCount);
    while (out.size() < kCount) {
      double d = std::bit_cast<double>(rng());
      if (std::isfinite(d)) out.push_back(d);
    }
    return out;
  }();
  return values;
}

// The shortest decimal digits of each double, as std::to_chars finds them.
const std::vector<Scientific>& shortestDecimals() {
  static const std::vector<Scientific> values = [] {
    std::vector<Scientific> out;
    out.reserve(kCount);
    for (double d : randomDoubles()) {
      char buf[64];
      char* end = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::scientific).ptr;
      std::int64_t coefficient = 0;
      std::int64_t fractionDigits = 0;
      bool inFraction = false;
      const char* p = buf;
      bool negative = *p == '-';
      if (negative) ++p;
      for (; p != end && *p != 'e'; ++p) {
        if (*p == '.') {
          inFraction = true;
          continue;
        }
        coefficient = coefficient * 10 + (*p - '0');
        fractionDigits += inFraction ? 1 : 0;
      }
      std::int64_t exponent = 0;
      std::from_chars(p + (p[1] == '+' ? 2 : 1), end, exponent);
      out.emplace_back(negative ? -coefficient : coefficient, exponent - fractionDigits);
    }
    return out;
  }();
  return values;
}

// Runs op(i) for every index of a million values, per iteration.
template <class Op>
void overMillion(benchmark::State& state, Op op) {
  for (auto _ : state) {
    for (std::size_t i = 0; i < kCount; ++i) op(i);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kCount));
}

void BM_ShowGeneric(benchmark::State& state) {
  const auto& values = shortestDecimals();
  overMillion(state, [&](std::size_t i) {
    std::string text = sci::show(values[i]);
    benchmark::DoNotOptimize(text.data());
  });
}
BENCHMARK(BM_ShowGeneric)->Unit(benchmark::kMillisecond);

void BM_ToCharsShortest(benchmark::State& state) {
  const auto& values = randomDoubles();
  overMillion(state, [&](std::size_t i) {
    char buf[32];
    char* end = std::to_chars(buf, buf + sizeof buf, values[i]).ptr;
    benchmark::DoNotOptimize(buf);
    benchmark::DoNotOptimize(end);
  });
}
BENCHMARK(BM_ToCharsShortest)->Unit(benchmark::kMillisecond);

// to_chars into a std::string, the same result type as show.
void BM_ToCharsShortestString(benchmark::State& state) {
  const auto& values = randomDoubles();
  overMillion(state, [&](std::size_t i) {
    char buf[32];
    char* end = std::to_chars(buf, buf + sizeof buf, values[i]).ptr;
    std::string text(buf, end);
    benchmark::DoNotOptimize(text.data());
  });
}
BENCHMARK(BM_ToCharsShortestString)->Unit(benchmark::kMillisecond);

// Pairs of word-sized values with coefficients of up to `digits` digits
// (often with trailing zeros) and exponents within +-digits/2, so that most
// pairs need aligning. With 9 digits every sum and product still fits a
// word; with 15 most products and many aligned sums do not.
struct Pairs {
  std::vector<Scientific> left, right;
  std::vector<mpz_class> leftMpz, rightMpz;
};

Pairs makePairs(int digits) {
  std::mt19937_64 rng(static_cast<unsigned>(digits));
  std::int64_t limit = 1;
  for (int i = 0; i < digits; ++i) limit *= 10;
  std::uniform_int_distribution<std::int64_t> coefficient(-(limit - 1), limit - 1);
  std::uniform_int_distribution<std::int64_t> exponent(-digits / 2, digits / 2);
  std::uniform_int_distribution<int> zeros(0, 3);
  Pairs p;
  auto make = [&](std::vector<Scientific>& values, std::vector<mpz_class>& integers) {
    std::int64_t c = coefficient(rng);
    for (int z = zeros(rng); z > 0; --z) c = c / 10 * 10;
    values.emplace_back(c, exponent(rng));
    integers.emplace_back(static_cast<long>(c));
  };
  for (std::size_t i = 0; i < kCount; ++i) {
    make(p.left, p.leftMpz);
    make(p.right, p.rightMpz);
  }
  return p;
}

const Pairs& smallPairs(const benchmark::State& state) {
  static const Pairs nine = makePairs(9);
  static const Pairs fifteen = makePairs(15);
  return state.range(0) == 9 ? nine : fifteen;
}

// One operation on every pair: both operands as Scientific, or as mpz_class.
template <class Op>
void overPairs(benchmark::State& state, Op op) {
  const Pairs& p = smallPairs(state);
  overMillion(state, [&](std::size_t i) {
    auto result = op(p, i);
    benchmark::DoNotOptimize(result);
  });
}

void BM_Compare(benchmark::State& state) {
  overPairs(state, [](const Pairs& p, std::size_t i) { return sci::compare(p.left[i], p.right[i]) < 0; });
}
void BM_Hash(benchmark::State& state) {
  overPairs(state, [](const Pairs& p, std::size_t i) { return sci::hash(p.left[i]) ^ sci::hash(p.right[i]); });
}
void BM_MpzCmp(benchmark::State& state) {
  overPairs(state, [](const Pairs& p, std::size_t i) {
    return mpz_cmp(p.leftMpz[i].get_mpz_t(), p.rightMpz[i].get_mpz_t()) < 0;
  });
}
void BM_Add(benchmark::State& state) {
  overPairs(state, [](const Pairs& p, std::size_t i) { return p.left[i] + p.right[i]; });
}
void BM_MpzAdd(benchmark::State& state) {
  overPairs(state, [](const Pairs& p, std::size_t i) { return mpz_class(p.leftMpz[i] + p.rightMpz[i]); });
}
void BM_Multiply(benchmark::State& state) {
  overPairs(state, [](const Pairs& p, std::size_t i) { return p.left[i] * p.right[i]; });
}
void BM_MpzMultiply(benchmark::State& state) {
  overPairs(state, [](const Pairs& p, std::size_t i) { return mpz_class(p.leftMpz[i] * p.rightMpz[i]); });
}
BENCHMARK(BM_Compare)->Arg(9)->Arg(15)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Hash)->Arg(9)->Arg(15)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MpzCmp)->Arg(9)->Arg(15)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Add)->Arg(9)->Arg(15)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MpzAdd)->Arg(9)->Arg(15)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Multiply)->Arg(9)->Arg(15)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MpzMultiply)->Arg(9)->Arg(15)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
