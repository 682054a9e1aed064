#include "scientific/internal/shortest.hpp"

#include <gmpxx.h>
#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

#include "scientific/convert.hpp"
#include "scientific/internal/scaled_powers_of_ten.hpp"

namespace {

using quire::scientific::detail::ShortestDecimal;
using quire::scientific::detail::shortestDecimal;

#if defined(__SANITIZE_ADDRESS__)
constexpr int kScale = 8;  // sanitizers run the differential tests on fewer values
#else
constexpr int kScale = 1;
#endif

// The shortest digits std::to_chars writes for x > 0, as digits × 10^exponent
// without trailing zeros: the independent oracle.
template <class F>
ShortestDecimal fromToChars(F x) {
  char buf[64];
  const char* end = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific).ptr;
  std::uint64_t digits = 0;
  int count = 0;
  const char* p = buf;
  for (; *p != 'e'; ++p) {
    if (*p == '.') continue;
    digits = digits * 10 + static_cast<std::uint64_t>(*p - '0');
    ++count;
  }
  int exponent = 0;
  std::from_chars(p + (p[1] == '+' ? 2 : 1), end, exponent);
  exponent -= count - 1;
  while (digits % 10 == 0) {
    digits /= 10;
    ++exponent;
  }
  return {digits, exponent};
}

template <class F>
::testing::AssertionResult sameAsToChars(F x) {
  const ShortestDecimal ours = shortestDecimal(x);
  const ShortestDecimal theirs = fromToChars(x);
  if (ours == theirs) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << std::hexfloat << x << ": " << ours.digits << "e" << ours.exponent
                                       << " but to_chars gives " << theirs.digits << "e" << theirs.exponent;
}

TEST(ShortestTest, HeaderExample) {
  EXPECT_EQ(shortestDecimal(0.3), (ShortestDecimal{3, -1}));
  EXPECT_EQ(shortestDecimal(5e-324), (ShortestDecimal{5, -324}));
  EXPECT_EQ(shortestDecimal(1e23), (ShortestDecimal{1, 23}));
}

TEST(ShortestTest, ScaledPowersOfTenAreTheNextIntegerAboveTheScaledPower) {
  using namespace quire::scientific::detail;
  for (int k = minScaledPower; k <= maxScaledPower; ++k) {
    const ScaledPowerOfTen& entry = scaledPowerOfTen(k);
    ASSERT_LT(entry.upper, std::uint64_t{1} << 63) << k;
    ASSERT_LT(entry.lower, std::uint64_t{1} << 63) << k;
    const mpz_class g = (mpz_class(static_cast<unsigned long>(entry.upper)) << 63) +
                        mpz_class(static_cast<unsigned long>(entry.lower));
    ASSERT_EQ(mpz_sizeinbase(g.get_mpz_t(), 2), 126u) << k;
    // g - 1 <= 10^-k × 2^-r < g for r = floor(log2 10^-k) - 125.
    mpz_class ten;
    mpz_ui_pow_ui(ten.get_mpz_t(), 10, static_cast<unsigned long>(std::abs(k)));
    const mpq_class power = k <= 0 ? mpq_class(ten) : mpq_class(1, ten);
    long log2 = static_cast<long>(mpz_sizeinbase(power.get_num_mpz_t(), 2)) -
                static_cast<long>(mpz_sizeinbase(power.get_den_mpz_t(), 2));
    const auto twoTo = [](long e) {
      return e >= 0 ? mpq_class(mpz_class(1) << e) : mpq_class(1, mpz_class(1) << -e);
    };
    if (twoTo(log2) > power) --log2;  // now floor(log2 10^-k)
    const long r = log2 - 125;
    const mpq_class scaled = power / twoTo(r);
    EXPECT_LE(mpq_class(g - 1), scaled) << k;
    EXPECT_LT(scaled, mpq_class(g)) << k;
  }
}

template <class F>
void checkEdges() {
  using Limits = std::numeric_limits<F>;
  using Bits = std::conditional_t<sizeof(F) == 8, std::uint64_t, std::uint32_t>;
  constexpr int precision = Limits::digits;
  EXPECT_TRUE(sameAsToChars(Limits::max()));
  EXPECT_TRUE(sameAsToChars(Limits::min()));
  EXPECT_TRUE(sameAsToChars(Limits::denorm_min()));
  EXPECT_TRUE(sameAsToChars(std::nextafter(Limits::min(), F(0))));
  EXPECT_TRUE(sameAsToChars(std::nextafter(Limits::max(), F(0))));
  // The smallest subnormals, whose intervals hold few decimals, and those
  // just below the least normal.
  for (Bits c = 1; c < 3000; ++c) {
    EXPECT_TRUE(sameAsToChars(std::bit_cast<F>(c)));
    EXPECT_TRUE(sameAsToChars(std::bit_cast<F>(std::bit_cast<Bits>(Limits::min()) - c)));
  }
  // Powers of two (an interval narrower below than above) and their
  // neighbours, over the whole range.
  for (int e = Limits::min_exponent - precision; e < Limits::max_exponent; ++e) {
    const F p = std::ldexp(F(1), e);
    EXPECT_TRUE(sameAsToChars(p));
    if (p > Limits::denorm_min()) {
      EXPECT_TRUE(sameAsToChars(std::nextafter(p, F(0))));
    }
    if (e + 1 < Limits::max_exponent) {
      EXPECT_TRUE(sameAsToChars(std::nextafter(p, Limits::infinity())));
    }
  }
  // Integers, exact below 2^precision and rounded above.
  for (Bits i = 1; i < 5000; ++i) EXPECT_TRUE(sameAsToChars(static_cast<F>(i)));
  const F top = std::ldexp(F(1), precision);
  for (int i = -3000; i < 3000; ++i) EXPECT_TRUE(sameAsToChars(top + static_cast<F>(2 * i)));
  // Powers of ten and their neighbours.
  for (int k = Limits::min_exponent10 - 5; k <= Limits::max_exponent10; ++k) {
    const F p = static_cast<F>(std::strtod(("1e" + std::to_string(k)).c_str(), nullptr));
    if (p <= Limits::denorm_min() || std::isinf(p)) continue;
    EXPECT_TRUE(sameAsToChars(p));
    EXPECT_TRUE(sameAsToChars(std::nextafter(p, F(0))));
    EXPECT_TRUE(sameAsToChars(std::nextafter(p, Limits::infinity())));
  }
}

TEST(ShortestTest, EdgeDoublesMatchToChars) { checkEdges<double>(); }
TEST(ShortestTest, EdgeFloatsMatchToChars) { checkEdges<float>(); }

TEST(ShortestTest, RandomDoublesMatchToChars) {
  std::mt19937_64 rng(11);
  std::uniform_real_distribution<double> unit(0, 1);
  for (int i = 0; i < 1'000'000 / kScale; ++i) {
    // Random bit patterns, random significands at random small exponents,
    // and short decimals read back (whose shortest form is the decimal).
    const double patterns = std::bit_cast<double>(rng() >> 1);
    if (std::isfinite(patterns) && patterns != 0) {
      ASSERT_TRUE(sameAsToChars(patterns));
    }
    const double scaled = std::ldexp(unit(rng) + 1, static_cast<int>(rng() % 200) - 100);
    ASSERT_TRUE(sameAsToChars(scaled));
    const double decimal = static_cast<double>(rng() % 100000) / 1000 + 0.001;
    ASSERT_TRUE(sameAsToChars(decimal));
  }
}

// Every float is feasible (2^31 positive values, a few minutes): run by hand
// with --gtest_also_run_disabled_tests. The sampled test below strides over
// the same range on every run.
TEST(ShortestTest, DISABLED_EveryFloatMatchesToChars) {
  for (std::uint32_t bits = 1; bits < 0x7F800000u; ++bits) {
    ASSERT_TRUE(sameAsToChars(std::bit_cast<float>(bits)));
  }
}

TEST(ShortestTest, SampledFloatsMatchToChars) {
  const std::uint32_t stride = 997 * static_cast<std::uint32_t>(kScale);
  for (std::uint32_t bits = 1; bits < 0x7F800000u; bits += stride) {
    ASSERT_TRUE(sameAsToChars(std::bit_cast<float>(bits)));
  }
}

// fromFloatDigits gives the same digits with the sign of its argument.
template <class F>
void checkSigned(F x) {
  namespace sci = quire::scientific;
  const ShortestDecimal d = shortestDecimal(x);
  const auto c = static_cast<long>(d.digits);
  EXPECT_EQ(sci::fromFloatDigits(x).coefficient(), c) << x;
  EXPECT_EQ(sci::fromFloatDigits(-x).coefficient(), -c) << x;
  EXPECT_EQ(sci::fromFloatDigits(-x).base10Exponent(), d.exponent) << x;
}

TEST(ShortestTest, FromFloatDigitsUsesTheShortestDigits) {
  for (double x : {0.1, 2.5, 1e300, 5e-324, 123456789.0, 1.7976931348623157e308}) checkSigned(x);
  for (float x : {0.1f, 2.5f, 1e30f, 1e-45f, 16777216.0f, 3.4028235e38f}) checkSigned(x);
}

}  // namespace
