// Scientific against what a C++ user would reach for instead. Every pair
// does the same work on the same inputs, and set-up checks once that both
// give the same answer:
//  - double -> text: fromFloatDigits then show, against std::to_chars into
//    a std::string (both return a std::string that reads back as the double);
//  - compare, + and * of pairs of values with coefficients of up to 9 and
//    up to 15 digits and exponents that mostly differ, against GMP on the
//    same values already aligned to the pair's smaller exponent (mpz_cmp,
//    mpz_add and mpz_mul into a result reused across calls);
//  - hash of such values (no peer).
// Ratio rows at the end give our speed over the peer's.
#include <benchmark/benchmark.h>

#include <algorithm>
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
#include "scientific/format.hpp"
#include "scientific/parse.hpp"
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

// Set-up check: both texts read back as the double they were written from.
void checkDoubleTexts() {
  static const bool checked = [] {
    for (double d : randomDoubles()) {
      const std::string ours = sci::show(sci::fromFloatDigits(d));
      char buf[32];
      const std::string theirs(buf, std::to_chars(buf, buf + sizeof buf, d).ptr);
      if (std::strtod(ours.c_str(), nullptr) != d || std::strtod(theirs.c_str(), nullptr) != d) {
        std::fprintf(stderr, "double texts disagree for %s: %s\n", theirs.c_str(), ours.c_str());
        std::abort();
      }
    }
    return true;
  }();
  (void)checked;
}

void BM_DoubleToText_FromFloatDigitsShow(benchmark::State& state) {
  checkDoubleTexts();
  const auto& values = randomDoubles();
  overMillion(state, [&](std::size_t i) {
    std::string text = sci::show(sci::fromFloatDigits(values[i]));
    benchmark::DoNotOptimize(text.data());
  });
}
BENCHMARK(BM_DoubleToText_FromFloatDigitsShow)->Unit(benchmark::kMillisecond);

// to_chars into a std::string, the same result type as show.
void BM_DoubleToText_ToCharsString(benchmark::State& state) {
  checkDoubleTexts();
  const auto& values = randomDoubles();
  overMillion(state, [&](std::size_t i) {
    char buf[32];
    char* end = std::to_chars(buf, buf + sizeof buf, values[i]).ptr;
    std::string text(buf, end);
    benchmark::DoNotOptimize(text.data());
  });
}
BENCHMARK(BM_DoubleToText_ToCharsString)->Unit(benchmark::kMillisecond);
QUIRE_BENCH_RATIO("BM_DoubleToText_FromFloatDigitsShow", "BM_DoubleToText_ToCharsString");

// show of values that already hold the shortest digits, and to_chars into a
// stack buffer: neither returns the other's work, so they are no pair; the
// stack buffer is the ceiling of writing the digits at all.
void BM_ShowOfShortestDecimals(benchmark::State& state) {
  const auto& values = shortestDecimals();
  overMillion(state, [&](std::size_t i) {
    std::string text = sci::show(values[i]);
    benchmark::DoNotOptimize(text.data());
  });
}
BENCHMARK(BM_ShowOfShortestDecimals)->Unit(benchmark::kMillisecond);

void BM_Ceiling_ToCharsStackBuffer(benchmark::State& state) {
  const auto& values = randomDoubles();
  overMillion(state, [&](std::size_t i) {
    char buf[32];
    char* end = std::to_chars(buf, buf + sizeof buf, values[i]).ptr;
    benchmark::DoNotOptimize(buf);
    benchmark::DoNotOptimize(end);
  });
}
BENCHMARK(BM_Ceiling_ToCharsStackBuffer)->Unit(benchmark::kMillisecond);

// Pairs of word-sized values with coefficients of up to `digits` digits
// (often with trailing zeros) and exponents within +-digits/2, so that most
// pairs need aligning. With 9 digits every sum and product still fits a
// word; with 15 most products and many aligned sums do not.
struct Pairs {
  std::vector<Scientific> left, right;
  // The same pairs for GMP: both coefficients scaled to the pair's smaller
  // exponent (for comparison and addition), and the plain coefficients (a
  // product's exponent is just the sum).
  std::vector<mpz_class> leftAligned, rightAligned, leftMpz, rightMpz;
};

Pairs makePairs(int digits) {
  std::mt19937_64 rng(static_cast<unsigned>(digits));
  std::int64_t limit = 1;
  for (int i = 0; i < digits; ++i) limit *= 10;
  std::uniform_int_distribution<std::int64_t> coefficient(-(limit - 1), limit - 1);
  std::uniform_int_distribution<std::int64_t> exponent(-digits / 2, digits / 2);
  std::uniform_int_distribution<int> zeros(0, 3);
  Pairs p;
  auto make = [&]() {
    std::int64_t c = coefficient(rng);
    for (int z = zeros(rng); z > 0; --z) c = c / 10 * 10;
    return Scientific(c, exponent(rng));
  };
  auto aligned = [](const Scientific& s, std::int64_t to) {
    mpz_class v = s.coefficient();
    mpz_class p;
    mpz_ui_pow_ui(p.get_mpz_t(), 10, static_cast<unsigned long>(s.base10Exponent() - to));
    return mpz_class(v * p);
  };
  for (std::size_t i = 0; i < kCount; ++i) {
    p.left.push_back(make());
    p.right.push_back(make());
    const std::int64_t low = std::min(p.left.back().base10Exponent(), p.right.back().base10Exponent());
    p.leftAligned.push_back(aligned(p.left.back(), low));
    p.rightAligned.push_back(aligned(p.right.back(), low));
    p.leftMpz.push_back(p.left.back().coefficient());
    p.rightMpz.push_back(p.right.back().coefficient());
  }
  // Set-up check: the same answers from both sides.
  mpz_class r;
  for (std::size_t i = 0; i < kCount; ++i) {
    const Scientific& a = p.left[i];
    const Scientific& b = p.right[i];
    const std::int64_t low = std::min(a.base10Exponent(), b.base10Exponent());
    const int cmp = mpz_cmp(p.leftAligned[i].get_mpz_t(), p.rightAligned[i].get_mpz_t());
    mpz_add(r.get_mpz_t(), p.leftAligned[i].get_mpz_t(), p.rightAligned[i].get_mpz_t());
    const bool sameSum = a + b == Scientific(r, low);
    mpz_mul(r.get_mpz_t(), p.leftMpz[i].get_mpz_t(), p.rightMpz[i].get_mpz_t());
    const bool sameProduct = a * b == Scientific(r, a.base10Exponent() + b.base10Exponent());
    if ((sci::compare(a, b) < 0) != (cmp < 0) || (sci::compare(a, b) == 0) != (cmp == 0) || !sameSum ||
        !sameProduct) {
      std::fprintf(stderr, "GMP and Scientific disagree on pair %zu\n", i);
      std::abort();
    }
  }
  return p;
}

const Pairs& smallPairs(const benchmark::State& state) {
  static const Pairs nine = makePairs(9);
  static const Pairs fifteen = makePairs(15);
  return state.range(0) == 9 ? nine : fifteen;
}

// One operation on every pair.
template <class Op>
void overPairs(benchmark::State& state, Op op) {
  const Pairs& p = smallPairs(state);
  overMillion(state, [&](std::size_t i) {
    auto result = op(p, i);
    benchmark::DoNotOptimize(result);
  });
}

// The GMP side writes into one result reused across calls.
template <class Op>
void overMpzPairs(benchmark::State& state, Op op) {
  const Pairs& p = smallPairs(state);
  mpz_class r;
  overMillion(state, [&](std::size_t i) {
    op(r.get_mpz_t(), p, i);
    benchmark::DoNotOptimize(r.get_mpz_t()->_mp_d);
    benchmark::ClobberMemory();
  });
}

void BM_Compare(benchmark::State& state) {
  overPairs(state, [](const Pairs& p, std::size_t i) { return sci::compare(p.left[i], p.right[i]) < 0; });
}
void BM_MpzCmpAligned(benchmark::State& state) {
  overPairs(state, [](const Pairs& p, std::size_t i) {
    return mpz_cmp(p.leftAligned[i].get_mpz_t(), p.rightAligned[i].get_mpz_t()) < 0;
  });
}
void BM_Hash(benchmark::State& state) {
  overPairs(state, [](const Pairs& p, std::size_t i) { return sci::hash(p.left[i]) ^ sci::hash(p.right[i]); });
}
void BM_Add(benchmark::State& state) {
  overPairs(state, [](const Pairs& p, std::size_t i) { return p.left[i] + p.right[i]; });
}
void BM_MpzAddAligned(benchmark::State& state) {
  overMpzPairs(state, [](mpz_ptr r, const Pairs& p, std::size_t i) {
    mpz_add(r, p.leftAligned[i].get_mpz_t(), p.rightAligned[i].get_mpz_t());
  });
}
void BM_Multiply(benchmark::State& state) {
  overPairs(state, [](const Pairs& p, std::size_t i) { return p.left[i] * p.right[i]; });
}
void BM_MpzMul(benchmark::State& state) {
  overMpzPairs(state, [](mpz_ptr r, const Pairs& p, std::size_t i) {
    mpz_mul(r, p.leftMpz[i].get_mpz_t(), p.rightMpz[i].get_mpz_t());
  });
}
BENCHMARK(BM_Compare)->Arg(9)->Arg(15)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MpzCmpAligned)->Arg(9)->Arg(15)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Hash)->Arg(9)->Arg(15)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Add)->Arg(9)->Arg(15)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MpzAddAligned)->Arg(9)->Arg(15)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Multiply)->Arg(9)->Arg(15)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MpzMul)->Arg(9)->Arg(15)->Unit(benchmark::kMillisecond);
QUIRE_BENCH_RATIO("BM_Compare/9", "BM_MpzCmpAligned/9");
QUIRE_BENCH_RATIO("BM_Compare/15", "BM_MpzCmpAligned/15");
QUIRE_BENCH_RATIO("BM_Add/9", "BM_MpzAddAligned/9");
QUIRE_BENCH_RATIO("BM_Add/15", "BM_MpzAddAligned/15");
QUIRE_BENCH_RATIO("BM_Multiply/9", "BM_MpzMul/9");
QUIRE_BENCH_RATIO("BM_Multiply/15", "BM_MpzMul/15");

}  // namespace

int main(int argc, char** argv) { return quire::bench::runWithRatios(argc, argv); }
